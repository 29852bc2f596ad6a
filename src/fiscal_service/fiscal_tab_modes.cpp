// The operations of the fiscal tab: one mode at a time (its button down, its
// editors and the save panel shown), and their saves and cancels.
#include "fiscal_service/fiscal_tab.h"

#include "common/reference_text.h"
#include "fiscal_service/device_register.h"
#include "fiscal_service/form_data_tofisk_serv.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QToolButton>

void FiscalTab::press(QToolButton *button)
{
    for (QToolButton *b : m_modeButtons)
        b->setChecked(b == button);
}

void FiscalTab::raise(QToolButton *button)
{
    button->setChecked(false);
}

void FiscalTab::setMode(int mode)
{
    FiscalOperationMode = mode;
    Button_Save_Fisk->setEnabled(mode != Dismantling && mode != Notification);
}

void FiscalTab::modeButtonClicked(QToolButton *button)
{
    if (button->isChecked())
        for (QToolButton *b : m_modeButtons)
            if (b != button)
                b->setChecked(false); // the one that was down goes up; its handler does not run
    if (button == SpdBtn_Reg)
        SpdBtn_RegClick();
    else if (button == SpdBtn_Change_Data)
        SpdBtn_Change_DataClick();
    else if (button == SpdBtn_Uved)
        SpdBtn_UvedClick();
    else if (button == SpdBtn_Demontaj)
        SpdBtn_DemontajClick();
    else if (button == SpdBtn_Dog)
        SpdBtn_DogClick();
}

void FiscalTab::showOperationEditors(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{Edit_Dosie_ID, Edit_MFP, ComboBox_Model_EKA,
                                                       DateTimePicker_Data_Fisk, DateTimePicker_Time_Fisk,
                                                       Edit_Services, Edit_TDD, ComboBox_Sel_Obekt, Edit_Kontrag}) {
        w->setVisible(on);
        if (on)
            w->raise();
    }
    if (!on)
        ListBox_Kontrag_Fisk->hide();
}

void FiscalTab::loadModels(long long select)
{
    ComboBox_Model_EKA->clear();
    for (const QSqlRecord &m : DeviceRegister::models()) {
        const long long id = m.value(QStringLiteral("ID")).toLongLong();
        ComboBox_Model_EKA->addItem(ReferenceText::make(id, m.value(QStringLiteral("Model_Opis")).toString()), id);
    }
    ComboBox_Model_EKA->setCurrentIndex(select > 0 ? ComboBox_Model_EKA->findData(select) : -1);
}

void FiscalTab::SpdBtn_RegClick()
{
    const bool down = SpdBtn_Reg->isChecked();
    Panel_Save->setVisible(down);
    showOperationEditors(down);
    if (!down)
        return;
    guarded([&] {
        Edit_MFP->clear();
        Edit_Dosie_ID->setText(QString::number(DeviceRegister::nextDossier()));
        loadModels();
        DateTimePicker_Data_Fisk->setDate(QDate::currentDate());
        DateTimePicker_Time_Fisk->setTime(QTime::currentTime());
        Label_Data_Fisk->setText(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    });
    setMode(Registration);
}

void FiscalTab::SpdBtn_Change_DataClick()
{
    const bool down = SpdBtn_Change_Data->isChecked();
    Panel_Save->setVisible(down);
    showOperationEditors(down);
    if (!down)
        return;
    guarded([&] {
        const QSqlRecord &row = m_shownRow;
        Edit_MFP->setText(Label_MFP_N->text());
        Edit_Dosie_ID->setText(Label_Dosie_ID->text());
        loadModels(row.value(QStringLiteral("Model")).toLongLong());
        // Untouched entries keep the device's references; setting them is no search.
        const auto reference = [&row](const char *id, const char *name) {
            const QVariant key = row.value(QString::fromLatin1(id));
            return key.isNull() ? QString()
                                : ReferenceText::make(key.toLongLong(), row.value(QString::fromLatin1(name)).toString());
        };
        {
            const QSignalBlocker a(Edit_Services), b(Edit_TDD);
            Edit_Services->setText(reference("Serv_ID", "Serv_Ime"));
            Edit_TDD->setText(reference("TDD_ID", "TDD_Ime"));
        }
        Edit_Kontrag->setText(Label_Kontrag_Ime->text());
        const long long owner = row.value(QStringLiteral("ID_Kontrag")).toLongLong();
        loadSites(owner, row.value(QStringLiteral("ID_Sklad")).toLongLong());
        const QDate date = QDate::fromString(Label_Data_Fisk->text(), QStringLiteral("dd.MM.yyyy"));
        const QTime time = QTime::fromString(Label_Time_Fisk->text(), QStringLiteral("HH:mm:ss"));
        const QString dateLabel = Label_Data_Fisk->text();
        if (time.isValid())
            DateTimePicker_Time_Fisk->setTime(time);
        if (date.isValid())
            DateTimePicker_Data_Fisk->setDate(date);
        Label_Data_Fisk->setText(dateLabel);
    });
    setMode(Change);
}

void FiscalTab::SpdBtn_UvedClick()
{
    const bool down = SpdBtn_Uved->isChecked();
    Panel_Save->setVisible(down);
    if (down)
        setMode(Notification);
}

void FiscalTab::SpdBtn_DemontajClick()
{
    const bool down = SpdBtn_Demontaj->isChecked();
    Panel_Save->setVisible(down);
    if (!down)
        return;
    setMode(Dismantling);
    if (!m_dismantling)
        m_dismantling = new TForm_Data_ToFisk_Serv(Edit_ID_EKA->window());
    Dialogs::exec(m_dismantling);
}

void FiscalTab::SpdBtn_DogClick()
{
    const bool down = SpdBtn_Dog->isChecked();
    Panel_Save->setVisible(down);
    if (m_contract)
        m_contract->buttonClicked(down);
}

namespace {
DeviceRegister::Registration collect(const FiscalTab &t)
{
    DeviceRegister::Registration d;
    d.dossier = t.Edit_Dosie_ID->text();
    d.mfp = t.Edit_MFP->text();
    d.model = t.ComboBox_Model_EKA->currentIndex() < 0 ? -1 : t.ComboBox_Model_EKA->currentData().toLongLong();
    d.date = t.DateTimePicker_Data_Fisk->date();
    d.time = t.DateTimePicker_Time_Fisk->time();
    d.service = GetID_MFromTreeNodeName(t.Edit_Services->text());
    d.taxOffice = GetID_MFromTreeNodeName(t.Edit_TDD->text());
    d.owner = GetID_MFromTreeNodeName(t.Edit_Kontrag->text());
    d.site = t.ComboBox_Sel_Obekt->currentIndex() < 0 ? -1 : t.ComboBox_Sel_Obekt->currentData().toLongLong();
    return d;
}
} // namespace

// A refusal is told; a taken dossier gets a fresh proposal. True when saved.
static bool told(FiscalTab &t, DeviceRegister::Result r, const QString &dossier)
{
    if (r == DeviceRegister::Result::Saved)
        return true;
    Dialogs::message(DeviceRegister::message(r, dossier.trimmed()), t.Edit_ID_EKA->window());
    if (r == DeviceRegister::Result::DossierTaken)
        t.Edit_Dosie_ID->setText(QString::number(DeviceRegister::nextDossier()));
    return false;
}

bool FiscalTab::saveRegistration()
{
    if (m_notFoundNumber.isEmpty()) {
        Dialogs::message(DeviceRegister::message(DeviceRegister::Result::NoNumber), Edit_ID_EKA->window());
        return false;
    }
    const DeviceRegister::Registration d = collect(*this);
    bool saved = false;
    guarded([&] { saved = told(*this, DeviceRegister::registerDevice(m_notFoundNumber, d), d.dossier); });
    if (!saved)
        return false;
    const QString number = m_notFoundNumber;
    m_notFoundNumber.clear();
    raise(SpdBtn_Reg);
    SpdBtn_RegClick();
    Edit_ID_EKA->setText(number);
    if (m_contract) {
        // The new device passes straight into its contract.
        m_shownDevice = number;
        ExistingContractFlag = 0;
        SpdBtn_Dog->setEnabled(true);
        press(SpdBtn_Dog);
        SpdBtn_DogClick();
    } else {
        Edit_ID_EKAKeyPress();
    }
    return true;
}

bool FiscalTab::saveChange()
{
    if (m_shownDevice.isEmpty()) {
        Dialogs::message(DeviceRegister::message(DeviceRegister::Result::NoNumber), Edit_ID_EKA->window());
        return false;
    }
    const DeviceRegister::Registration d = collect(*this);
    bool saved = false;
    guarded([&] { saved = told(*this, DeviceRegister::changeDevice(m_shownDevice, d), d.dossier); });
    if (!saved)
        return false;
    raise(SpdBtn_Change_Data);
    SpdBtn_Change_DataClick();
    return true;
}

void FiscalTab::Button_Save_FiskClick()
{
    switch (FiscalOperationMode) {
    case Registration:
        saveRegistration();
        break;
    case Change:
        saveChange();
        break;
    case Contract:
        if (m_contract)
            m_contract->save();
        break;
    default:
        break; // dismantling and notification store nothing
    }
}

void FiscalTab::Button_Cancel_FiskClick()
{
    switch (FiscalOperationMode) {
    case Registration:
        raise(SpdBtn_Reg);
        SpdBtn_RegClick();
        break;
    case Change:
        raise(SpdBtn_Change_Data);
        SpdBtn_Change_DataClick();
        break;
    case Contract:
        raise(SpdBtn_Dog);
        SpdBtn_DogClick();
        break;
    case Dismantling:
        raise(SpdBtn_Demontaj); // the save panel stays until a mode button is clicked
        break;
    case Notification:
        raise(SpdBtn_Uved);
        SpdBtn_UvedClick();
        break;
    default:
        break;
    }
}
