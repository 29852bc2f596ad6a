// The report side of the fiscal tab: the tax-office file and the printing of
// the fiscal-centre documents for the device shown.
#include "fiscal_service/fiscal_tab.h"

#include "documents/document_query.h"
#include "documents/layout_document.h"
#include "documents/tab_print_panel.h"
#include "fiscal_service/device_register.h"
#include "fiscal_service/form_spr_tdd_fisk_ser.h"
#include "platform/dialogs.h"
#include "platform/printer_check_list.h"
#include "platform/tick_list.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <memory>

QString FiscalTab::noDeviceMessage()
{
    return QStringLiteral("Няма избрано устройство");
}

void FiscalTab::installReports()
{
    connect(Button7, &QPushButton::clicked, this, [this] { Button7Click(); });

    TabPrintPanel::Controls c;
    c.SpdBtn_Pokaji_Dokuments = SpdBtn_Pokaji_Dokuments_FC;
    c.Panel_Dokumets = Panel_Dokumets_FC;
    c.ChkListBox_Pokaj_Dokum = ChkListBox_Pokaj_Dokum_FC;
    c.SpdBtn_Pokaji_Printers = SpdBtn_Pokaji_Printers_FC;
    c.Panel_Printers = Panel_Printers_FC;
    c.Printers = CheckListBox_Printers_FC;
    c.hiddenAtEnd = {Panel26};
    TabPrintPanel::Tab t;
    t.mark = QStringLiteral("Фискален сервиз");
    t.callerCode = CallerFiscal;
    t.totals = false;
    t.direct = true; // printed at once, without a preview
    t.stopAtError = true;
    t.query = [this](const QString &, const Layout::Document &, Report::Data *data, QString *error) {
        return deviceData(data, error);
    };
    m_print = new TabPrintPanel(c, t, this);
    Layout::setFiscalServiceFields(&DeviceRegister::resultFields);
    // The designer previews these layouts as this tab prints them.
    DocumentQuery::setFiscalDataHook([this](Report::Data *data, QString *error) { return deviceData(data, error); });
    // The lists' panel shows exactly while the documents button is down.
    connect(SpdBtn_Pokaji_Dokuments_FC, &QToolButton::toggled, Panel26, &QWidget::setVisible);
    connect(Button9, &QPushButton::clicked, this, [this] { Button9Click(); });

    const auto setAll = [this](bool on) { TickList::setAll(ChkListBox_Pokaj_Dokum_FC, on); };
    if (auto *all = Panel_Dokumets_FC->findChild<QPushButton *>(QStringLiteral("Button_Vsichki_Dok_FC")))
        connect(all, &QPushButton::clicked, this, [setAll] { setAll(true); });
    if (auto *none = Panel_Dokumets_FC->findChild<QPushButton *>(QStringLiteral("Button_Nishto_Dok_FC")))
        connect(none, &QPushButton::clicked, this, [setAll] { setAll(false); });
    // A click on a document names it in the hint.
    TickList::install(ChkListBox_Pokaj_Dokum_FC);
    connect(ChkListBox_Pokaj_Dokum_FC, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { ChkListBox_Pokaj_Dokum_FC->setToolTip(item->text()); });
}

// The data of every document: the device query of the device shown, its
// dates and times short. Never the typed number: it may have changed since.
bool FiscalTab::deviceData(Report::Data *data, QString *error) const
{
    QString why;
    if (!data->open(DeviceRegister::deviceSql(), {m_shownDevice}, &why)) {
        if (error)
            *error = QStringLiteral("Данните на устройството не могат да бъдат прочетени: ") + why;
        return false;
    }
    data->markRegistryColumns();
    return true;
}

void FiscalTab::Button7Click()
{
    if (!m_taxFile)
        m_taxFile = new TForm_SPR_TDD_Fisk_Ser(Edit_ID_EKA->window());
    Dialogs::exec(m_taxFile);
}

void FiscalTab::Button9Click()
{
    if (m_shownDevice.isEmpty()) {
        Dialogs::message(noDeviceMessage(), Edit_ID_EKA->window());
        return;
    }
    m_print->Button_Pe4at_DokumentiClick();
}
