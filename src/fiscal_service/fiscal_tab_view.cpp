// The device view of the fiscal tab: the lookup by device number and its two
// roads, and the owner's devices.
#include "fiscal_service/fiscal_tab.h"

#include "common/dates.h"
#include "common/reference_text.h"
#include "fiscal_service/device_register.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QSignalBlocker>
#include <QToolButton>

namespace {
QString text(const QSqlRecord &row, const char *field)
{
    return row.value(QString::fromLatin1(field)).toString();
}

QString dateText(const QSqlRecord &row, const char *field)
{
    return Dates::isoToShort(text(row, field));
}
} // namespace

void FiscalTab::guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Грешка при работа с базата данни:\n") + e.message(), Edit_ID_EKA->window());
    }
}

void FiscalTab::Edit_ID_EKAKeyPress()
{
    const QString number = Edit_ID_EKA->text().trimmed().toUpper();
    if (number.isEmpty())
        return; // a blank number looks nothing up
    guarded([&] {
        const std::optional<QSqlRecord> row = DeviceRegister::findDevice(number);
        const bool found = row.has_value();
        SpdBtn_Dog->setEnabled(found && m_contract);
        for (QToolButton *b : {SpdBtn_Demontaj, SpdBtn_Uved, SpdBtn_Change_Data})
            b->setEnabled(found);
        if (found)
            fillFound(*row);
        else
            fillNotFound(number);
        fillOwnerDevices(number);
    });
}

void FiscalTab::fillFound(const QSqlRecord &row)
{
    m_shownRow = row;
    m_shownDevice = text(row, "EKA");
    m_notFoundNumber.clear();
    raise(SpdBtn_Reg);
    SpdBtn_RegClick();
    SpdBtn_Reg->setEnabled(false);
    raise(SpdBtn_Change_Data);

    Label_MFP_N->setText(text(row, "MFP"));
    Label_Opis->setText(text(row, "Model_Opis"));
    Label_Data_Fisk->setText(dateText(row, "Data_Reg"));
    Label_Time_Fisk->setText(text(row, "Time_reg"));
    Label_SV_N->setText(text(row, "SV_ID"));
    Label_SV_Data->setText(QStringLiteral(" / дата: ") + dateText(row, "SV_Data"));
    Label_Serviz_Ime->setText(text(row, "Serv_Ime"));
    Label_Servis_Adres->setText(text(row, "Adres_Serv"));
    Label_Grad_Ser->setText(text(row, "Serv_grad"));
    Label_Tel_Serv->setText(text(row, "Serv_Tel"));
    Label_Dosie_ID->setText(text(row, "Dosie_ID"));
    Label_Plomb_Ot->setText(text(row, "Plomb_Ime"));
    Label_Dog_ID->setText(DeviceRegister::contractNumber(row));
    const bool contract = !row.value(QStringLiteral("Valid_Do")).isNull();
    const QString notGiven = QString::fromUtf8(DeviceRegister::NotGiven);
    Label_Data_Dog->setText(contract ? dateText(row, "Valid_Do") : notGiven);
    Label_Vid_Dog->setText(contract ? text(row, "Vid_Dog") : notGiven);
    Label_Dog_Ot->setText(contract ? dateText(row, "Dog_Ot") : notGiven);
    Label_Ime_TDD->setText(text(row, "TDD_Ime"));
    Label_Name_Obekt->setText(text(row, "Opisanie_Sk"));
    Label_Grad_Obekt->setText(text(row, "Grad_SK"));
    Label_Adres_Obekt->setText(text(row, "Adres_SK"));
    Label_Tel_Obekt->setText(text(row, "Tel_SK"));
    Label_MOL_Obekt->setText(text(row, "MOL_SK"));
    const long long owner = row.value(QStringLiteral("ID_Kontrag")).toLongLong();
    Label_Kontrag_Ime->setText(row.value(QStringLiteral("ID")).isNull()
                                   ? notGiven
                                   : ReferenceText::make(owner, text(row, "Ime_Firma")));
    Label_Kontrag_EIK->setText(text(row, "EIK"));
    Label_Kontrag_MOL->setText(text(row, "Ime_Klient"));
    Label_Kontrag_Adres->setText(text(row, "Adres_firma"));
    Label_Kontrag_EGN->setText(text(row, "EGN"));
    Label_Grad_Kontrag->setText(text(row, "Grad"));

    const bool expired = contract && DeviceRegister::contractExpired(text(row, "Valid_Do"));
    ExistingContractFlag = expired ? 1 : 0;
    QPalette palette = Label_Data_Dog->parentWidget()->palette();
    if (expired)
        palette.setColor(QPalette::Window, Qt::red);
    else
        palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    Label_Data_Dog->setPalette(palette);
}

void FiscalTab::fillNotFound(const QString &number)
{
    m_shownRow = QSqlRecord();
    m_shownDevice.clear();
    m_notFoundNumber = number;
    SpdBtn_Reg->setEnabled(true);
    press(SpdBtn_Reg);
    SpdBtn_RegClick();
    ExistingContractFlag = 0;

    const std::optional<QSqlRecord> sale = DeviceRegister::saleOf(number);
    const QSqlRecord row = sale.value_or(QSqlRecord());
    Edit_MFP->setText(text(row, "Pored_Do"));
    // The sold article's description picks the model of that name, when there is one.
    int model = -1;
    const QString article = text(row, "Opisanie").trimmed();
    for (int i = 0; i < ComboBox_Model_EKA->count() && !article.isEmpty(); ++i) {
        const QString item = ComboBox_Model_EKA->itemText(i);
        if (item.mid(item.indexOf(QLatin1Char(':')) + 1).trimmed().compare(article, Qt::CaseInsensitive) == 0) {
            model = i;
            break;
        }
    }
    if (model >= 0) {
        ComboBox_Model_EKA->setCurrentIndex(model);
        ComboBox_Model_EKAChange();
    }
    const bool owner = sale && !row.value(QStringLiteral("Firm_ID")).isNull();
    const long long ownerId = row.value(QStringLiteral("Firm_ID")).toLongLong();
    const QString ownerText = owner ? ReferenceText::make(ownerId, text(row, "Ime_Firma")) : QString();
    Edit_Kontrag->setText(ownerText);
    Label_Kontrag_Ime->setText(owner ? ownerText : QString::fromUtf8(DeviceRegister::NotGiven));
    Label_Kontrag_EIK->setText(text(row, "EIK"));
    Label_Kontrag_MOL->setText(text(row, "Ime_Klient"));
    Label_Kontrag_EGN->setText(text(row, "EGN"));
    Label_Grad_Kontrag->setText(text(row, "Grad"));
    Label_Kontrag_Adres->setText(text(row, "Adres_Firma"));
    ListBox_Kontrag_Fisk->hide();

    resetLabels({Label_Dog_Ot, Label_Data_Dog, Label_Vid_Dog, Label_Dosie_ID, Label_Name_Obekt, Label_Grad_Obekt,
                 Label_Adres_Obekt, Label_Tel_Obekt});
    // The service-centre and tax-office entries keep their texts: the labels
    // show what those texts name, which is what the save stores.
    showService(DeviceRegister::namedFirm(Edit_Services->text()));
    showTaxOffice(DeviceRegister::namedFirm(Edit_TDD->text()));
    Label_Dog_ID->setText(QString::fromLatin1(DeviceRegister::NoContractNumber));
    Label_Data_Dog->setPalette(Label_Data_Dog->parentWidget()->palette());
    loadSites(owner ? ownerId : -1);
}

void FiscalTab::resetLabels(const QList<QLabel *> &labels)
{
    for (QLabel *l : labels)
        l->setText(QString::fromUtf8(DeviceRegister::NotGiven));
}

void FiscalTab::loadSites(long long owner, long long select)
{
    ComboBox_Sel_Obekt->clear();
    const QList<QSqlRecord> sites = owner > 0 ? DeviceRegister::sitesOf(owner) : QList<QSqlRecord>();
    for (const QSqlRecord &s : sites) {
        const long long id = s.value(QStringLiteral("ID_SK")).toLongLong();
        ComboBox_Sel_Obekt->addItem(ReferenceText::make(id, s.value(QStringLiteral("Opisanie_SK")).toString()), id);
    }
    ComboBox_Sel_Obekt->setCurrentIndex(select > 0 ? ComboBox_Sel_Obekt->findData(select) : -1);
    Label_Kontrag_Kol_Obekti->setText(QString::number(sites.size()));
}

void FiscalTab::fillOwnerDevices(const QString &number)
{
    const long long owner = GetID_MFromTreeNodeName(Label_Kontrag_Ime->text());
    ComboBox_All_EKA_Kontrag->clear();
    ownerDevicesModel->setQuery(DeviceRegister::ownerDevicesSql(), {owner});
    for (int r = 0; r < ownerDevicesModel->rowCount(); ++r)
        ComboBox_All_EKA_Kontrag->addItem(ownerDevicesModel->value(r, QStringLiteral("EKA")).toString());
    ComboBox_All_EKA_Kontrag->setCurrentIndex(ComboBox_All_EKA_Kontrag->findText(number));
    if (owner > 0) {
        Label_Kontrag_Kol_EKA->setText(QString::number(DeviceRegister::ownedCount(owner)));
        Label_Kontrag_Kol_Dog_In->setText(QString::number(DeviceRegister::expiredCount(owner)));
        Label_Kontrag_Kol_Obekti->setText(QString::number(DeviceRegister::sitesOf(owner).size()));
    } else {
        resetLabels({Label_Kontrag_Kol_EKA, Label_Kontrag_Kol_Dog_In});
    }
}

void FiscalTab::ComboBox_All_EKA_KontragChange()
{
    // Only the operator's choice runs a lookup; the refill above does not.
    if (ComboBox_All_EKA_Kontrag->currentIndex() < 0)
        return;
    Edit_ID_EKA->setText(ComboBox_All_EKA_Kontrag->currentText());
    Edit_ID_EKAKeyPress();
}

void FiscalTab::ComboBox_Sel_ObektChange()
{
    const long long owner = GetID_MFromTreeNodeName(Edit_Kontrag->text());
    const long long site = chosenKey(ComboBox_Sel_Obekt);
    guarded([&] {
        const QSqlRecord row = DeviceRegister::site(owner, site).value_or(QSqlRecord());
        Label_Name_Obekt->setText(ComboBox_Sel_Obekt->currentText());
        Label_Grad_Obekt->setText(text(row, "Grad_SK"));
        Label_Adres_Obekt->setText(text(row, "Adres_SK"));
        Label_Tel_Obekt->setText(text(row, "Tel_SK"));
        Label_MOL_Obekt->setText(text(row, "MOL_SK"));
    });
}

void FiscalTab::ComboBox_Model_EKAChange()
{
    const long long model = chosenKey(ComboBox_Model_EKA);
    guarded([&] {
        const QSqlRecord row = DeviceRegister::model(model).value_or(QSqlRecord());
        Label_Opis->setText(ComboBox_Model_EKA->currentText());
        Label_SV_N->setText(text(row, "SV_ID"));
        Label_SV_Data->setText(QStringLiteral("/ дата : ") + dateText(row, "SV_Data"));
        Label_Plomb_Ot->setText(text(row, "Ime_Firma"));
    });
}

void FiscalTab::listChoice(int purpose, const QString &item)
{
    const long long id = GetID_MFromTreeNodeName(item);
    guarded([&] {
        switch (purpose) {
        case PickOwner:
            Edit_Kontrag->setText(item);
            ownerChosen(id, item);
            break;
        case PickService:
            Edit_Services->setText(item);
            showService(DeviceRegister::firm(id));
            break;
        case PickTaxOffice:
            Edit_TDD->setText(item);
            break;
        case PickSealer:
            Edit_Plomb_Ot->setText(item);
            break;
        default:
            break;
        }
    });
}

void FiscalTab::showService(const std::optional<QSqlRecord> &firm)
{
    if (!firm) {
        resetLabels({Label_Serviz_Ime, Label_Grad_Ser, Label_Servis_Adres, Label_Tel_Serv});
        return;
    }
    Label_Serviz_Ime->setText(text(*firm, "Ime_Firma"));
    Label_Grad_Ser->setText(text(*firm, "Grad"));
    Label_Servis_Adres->setText(text(*firm, "Adres_Firma"));
    Label_Tel_Serv->setText(text(*firm, "Telefon"));
}

void FiscalTab::showTaxOffice(const std::optional<QSqlRecord> &firm)
{
    // As a choice shows it: the entry's reference text.
    Label_Ime_TDD->setText(firm ? ReferenceText::make(firm->value(QStringLiteral("ID")).toLongLong(),
                                                      text(*firm, "Ime_Firma"))
                                : QString::fromUtf8(DeviceRegister::NotGiven));
}

void FiscalTab::ownerChosen(long long owner, const QString &item)
{
    const QSqlRecord row = DeviceRegister::firmWithPerson(owner).value_or(QSqlRecord());
    Label_Kontrag_Ime->setText(item);
    Label_Kontrag_EIK->setText(text(row, "EIK"));
    Label_Kontrag_MOL->setText(text(row, "Ime_Klient"));
    Label_Kontrag_EGN->setText(text(row, "EGN"));
    Label_Grad_Kontrag->setText(text(row, "Grad"));
    Label_Kontrag_Adres->setText(text(row, "Adres_Firma"));
    loadSites(owner);
}

long long FiscalTab::chosenKey(QComboBox *box) const
{
    return box->currentIndex() < 0 ? -1 : GetID_MFromTreeNodeName(box->currentText());
}
