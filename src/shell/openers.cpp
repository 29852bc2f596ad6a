#include "shell/openers.h"

#include "platform/dialogs.h"
#include "shell/about_box.h"
#include "app/app_state.h"
#include "shell/aux_programs.h"
#include "app/data_module.h"
#include "app/item_rights.h"
#include "shell/form_change_db.h"
#include "shell/form_fast_buttons.h"
#include "shell/form_operatori.h"
#include "shell/form_sazdava_nova_baza.h"
#include "shell/form_valuti.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/form_brak.h"
#include "catalogue/form_dostavki.h"
#include "catalogue/form_nali4nosti_artikuli.h"
#include "catalogue/form_revision.h"
#include "catalogue/form_transfer.h"
#include "catalogue/form_projzvodstvo.h"
#include "catalogue/form_sklad.h"
#include "catalogue/form_type_prigotvq_se.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontakti.h"
#include "counterparties/form_kontrakents.h"
#include "counterparties/counterparty_editor.h"
#include "desk/form_cenovi_listi.h"
#include "desk/form_spec_otstapki.h"
#include "desk/consignment.h"
#include "desk/form_smetki.h"
#include "desk/form_spr_invalidate_sales.h"
#include "documents/form_spravka_prodajba.h"
#include "desk/form_vnoski_kredit.h"
#include "desk/receipt_commands.h"
#include "desk/text_viewer.h"
#include "desk/shop_desk.h"
#include "shell/shop_tab.h"
#include "documents/form_generalform_dokumentaciq.h"
#include "documents/document_query.h"
#include "documents/form_na4_n_dok.h"
#include "documents/form_create_own_query.h"
#include "documents/form_spr_dostavka.h"
#include "documents/issued_documents.h"
#include "documents/tab_print_panel.h"
#include "documents/form_rab_dokumenti.h"
#include "documents/form_spr_izd_dok.h"
#include "offers/catalogue_import_command.h"
#include "repair/form_garancionni_prod.h"
#include "repair/form_spr_izdadeni_ser.h"
#include "repair/form_garanc_produkti.h"
#include "repair/warranty_windows.h"
#include "fiscal_service/contract_mode.h"
#include "fiscal_service/fiscal_tab.h"
#include "fiscal_service/form_sv_bim.h"
#include "offers/form_izgotveni_oferti.h"
#include "repair/form_remont.h"
#include "repair/form_sastoqnie_remont.h"
#include "repair/reception.h"
#include "repair/service_tab.h"
#include "repair/work_list_link.h"
#include "offers/form_oferti.h"
#include "offers/form_zaqvka_all.h"
#include "offers/form_zada4i.h"
#include "offers/offer_panel.h"
#include "shell/form_sistemni_nastr.h"
#include "shell/general_form.h"
#include "shell/imports/imports.h"
#include "app/help_actions.h"
#include "shell/messages/message_panel.h"
#include "shell/messages/message_service.h"

#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QPushButton>
#include <QPointer>
#include <QTabWidget>
#include <QToolButton>
#include <QPointer>
#include <QWidget>

namespace {
// A window created anew on every opening and shown modally.
template <class W>
void openNew(TGeneral_Form &f)
{
    W window(&f);
    TGeneral_Form::showModal(&window);
}

// A window created once and shown modally.
template <class W>
void openOnce(TGeneral_Form &f)
{
    TGeneral_Form::showModal(f.formOnce<W>());
}

void nothing(TGeneral_Form &) {}

void deskDo(void (ShopDesk::*handler)())
{
    if (ShopDesk *desk = ShopDesk::instance())
        (desk->*handler)();
}

const QList<Opener> kOpeners = {
    // Desk: "Избор клиенти" and "Избор артикули" run the browsers in desk mode.
    {"N_Select_Kontrag",
     [](TGeneral_Form &f) {
         CounterpartyPickMode = 0;
         if (!Openers::open(f, QStringLiteral("N_Klienti")))
             CounterpartyPickMode = -1;
     },
     "N_Klienti",
     // a pick that no window receives would close the browser as if it had picked
     [] { return CounterpartyPick::hasTarget(0); }},
    {"N_Select_artikuli",
     [](TGeneral_Form &f) {
         if (auto *edit = f.findChild<QWidget *>(QStringLiteral("Edit_Barkod")))
             edit->setFocus();
         ArticlePickMode = 2;
         if (!Openers::open(f, QStringLiteral("N_Artikuli")))
             ArticlePickMode = -1;
     },
     "N_Artikuli",
     // Stays off until the desk search receives what mode 2 picks.
     [] { return ArticlePick::hasTarget(2); }},
    {"N_dostap", [](TGeneral_Form &f) { f.N_dostapClick(); }},
    // "Печат на документи" (Ctrl+P) shows the shop tab's document list.
    {"N_Dokumenti",
     [](TGeneral_Form &) {
         if (TabPrintPanel *p = TabPrintPanel::forCaller(CallerShop))
             p->N_DokumentiClick();
     },
     nullptr, [] { return TabPrintPanel::forCaller(CallerShop) != nullptr; }},

    // The desk's lines and discounts
    {"Enter1", [](TGeneral_Form &) { deskDo(&ShopDesk::Button_Insert_in_ListClick); }},
    {"N_Prodajba", [](TGeneral_Form &) { deskDo(&ShopDesk::Button_ProdajbaClick); }},
    {"N_Cancel_Prodajba", [](TGeneral_Form &) { deskDo(&ShopDesk::Button_OtkazClick); }},
    {"N_Ob6ta_TO", [](TGeneral_Form &) { deskDo(&ShopDesk::N_Ob6ta_TOClick); }},
    // F12 refreshes the active working tab.
    {"N_Refresh",
     [](TGeneral_Form &f) {
         if (f.activeTab() == f.TabSheet_Servis && ServiceTab::instance())
             ServiceTab::instance()->Button_Refresh_PriemClick();
         else
             deskDo(&ShopDesk::Calculate_SUM);
     }},
    {"N_Select_All", [](TGeneral_Form &) { deskDo(&ShopDesk::N_Select_AllClick); }},
    {"N_Show_Gre6ni_Danni", [](TGeneral_Form &) { deskDo(&ShopDesk::N_Show_Gre6ni_DanniClick); }},
    {"N_TO", [](TGeneral_Form &f) { TForm_Spec_Otstapki::N_TOClick(&f); }},

    // Deferred payments, the cash count, open bills and cancelled sales
    {"N5", [](TGeneral_Form &f) { TForm_Vnoski_Kredit::open(&f); }},
    {"N_Kasa",
     [](TGeneral_Form &f) {
         QAction *item = f.action(QStringLiteral("N_Kasa"));
         if (ShopDesk *desk = ShopDesk::instance())
             desk->SpdBtn_KasaClick(item && item->isChecked());
     }},
    {"N39", [](TGeneral_Form &) { deskDo(&ShopDesk::N39Click); }},
    {"N_Masa_And_Places", [](TGeneral_Form &f) { TForm_Smetki::N_Masa_And_PlacesClick(&f); }},
    {"N_Spravka_Prodajba", [](TGeneral_Form &f) { TForm_Spravka_prodajba::open(&f); }},
    {"N_Spr_Izd_Dok", &openOnce<TForm_Spr_Izd_Dok>},
    {"N_Invalidate_Sales",
     [](TGeneral_Form &f) {
         QWidget *report = TForm_Spravka_prodajba::instance();
         TForm_Spravka_prodajba::N_Invalidate_SalesClick(report ? report : static_cast<QWidget *>(&f));
     }},
    {"N_SprDostavka", [](TGeneral_Form &f) { TForm_SprDostavka::open(&f); }},
    {"N67", [](TGeneral_Form &f) { TForm_Create_Own_Query::open(&f, true); }},
    {"N79", [](TGeneral_Form &f) { TForm_Create_Own_Query::open(&f, false); }},
    {"N_Spr_Invalidate_Sales", [](TGeneral_Form &f) { TForm_Spr_Invalidate_Sales::N_Spr_Invalidate_SalesClick(&f); }},
    {"N6", &openNew<TForm_Cenovi_Listi>},

    // Receipt commands for the fiscal device
    {"N_ot4et_bez_Nula", [](TGeneral_Form &f) { ReceiptCommands::reportFile(ReceiptFiles::KindDailyReport, &f); }},
    {"N_ot4et_s_Nula", [](TGeneral_Form &f) { ReceiptCommands::reportFile(ReceiptFiles::KindZeroingReport, &f); }},
    {"N68", [](TGeneral_Form &f) { ReceiptCommands::reportFile(ReceiptFiles::KindCopy, &f); }},
    {"N70", [](TGeneral_Form &f) { ReceiptCommands::N70Click(&f); }},
    {"N_Izhod", [](TGeneral_Form &f) { f.N_IzhodClick(); }},

    // Catalogue and article picker (also the toolbar button "Артикули")
    {"N_Artikuli", [](TGeneral_Form &f) { TForm_Artikuli::N_ArtikuliClick(&f); }},

    // Counterparties (also the toolbar button "Контрагенти")
    {"N_Klienti", [](TGeneral_Form &f) { TForm_Kontrakents::N_KlientiClick(&f); }},
    {"N45", &openNew<TForm_Kontakti>},

    // Warehouses and stock ("Складове..." is also the toolbar button and the Panel_Sklad click)
    {"N_Sklad", [](TGeneral_Form &f) { TForm_Sklad::open(&f); }},
    {"N_Spr_Nali4nosti_Art", [](TGeneral_Form &f) { TForm_Nali4nosti_Artikuli::open(&f); }},
    // Stock documents (also their toolbar buttons)
    {"N_Dostavka", [](TGeneral_Form &f) { TForm_Dostavki::open(&f); }},
    {"N_Revizia", [](TGeneral_Form &f) { TForm_Revision::open(f.formOnce<TForm_Revision>()); }},
    {"N_Transfer", [](TGeneral_Form &f) { TForm_Transfer::open(f.formOnce<TForm_Transfer>()); }},
    {"N_Brak", [](TGeneral_Form &f) { TForm_Brak::open(f.formOnce<TForm_Brak>()); }},
    {"N63", [](TGeneral_Form &f) { TForm_Type_Prigotvq_Se::N63Click(&f); }},
    {"N_Projzvodstvo",
     [](TGeneral_Form &f) {
         PromptMode = 0; // recipe editing
         TGeneral_Form::showModal(recipeWindow());
         (void)f;
     }},

    // Supplier catalogues and offers (also the toolbar button "Оферти")
    {"N_Oferti",
     [](TGeneral_Form &f) {
         OfferPanel::install(); // the offer half is built with the window
         TForm_Oferti::open(f.formOnce<TForm_Oferti>());
     }},

    // The order list and the report on prepared offers
    {"N_Zaqvki_All", [](TGeneral_Form &f) { TForm_Zaqvka_all::N_Zaqvki_AllClick(&f); }},
    {"N_Izgotveni_Oferti", &openOnce<TForm_Izgotveni_Oferti>},

    // Tasks ("Задачи...", also the toolbar button)
    {"N_Zada4i", [](TGeneral_Form &f) { TForm_Zada4i::N_Zada4iClick(&f); }},

    // Metrology certificates of the fiscal-device models
    {"N_SV_BIM",
     [](TGeneral_Form &f) {
         auto *window = f.formOnce<TForm_Sv_BIM>();
         window->DateTimePicker1->setDate(QDate::currentDate());
         TGeneral_Form::showModal(window);
     }},

    // Settings of the shell
    {"N_Valuti", &openNew<TForm_Valuti>},
    {"N_Operatori",
     [](TGeneral_Form &f) {
         openNew<TForm_Operatori>(f);
         f.N_dostapClick(); // the rights may have changed
     }},
    {"N34", &openOnce<TForm_Fast_Buttons>},
    {"N_Sistemni_Nastr", [](TGeneral_Form &f) { TForm_Sistemni_Nastr::open(&f); }},
    {"N25", [](TGeneral_Form &f) { TForm_Rab_Dokumenti::open(&f); }},
    {"N64", [](TGeneral_Form &f) { TForm_Na4_N_Dok::N64Click(&f); }},

    // Document designer, maximised (also the catalogue's hidden "Документация...")
    {"N_Dokumentacia",
     [](TGeneral_Form &f) {
         auto *designer = f.formOnce<TForm_GeneralForm_Dokumentaciq>();
         designer->setWindowState(designer->windowState() | Qt::WindowMaximized);
         TGeneral_Form::showModal(designer);
     }},

    // Database
    {"N_Open_DataBase", &openOnce<TForm_Change_DB>},
    {"N_Nova_Baza",
     [](TGeneral_Form &f) {
         DatabaseFormMode = 1;
         openNew<TForm_Sazdava_Nova_Baza>(f);
     }},
    {"N_Update_DB",
     [](TGeneral_Form &f) {
         DatabaseFormMode = 2;
         openNew<TForm_Sazdava_Nova_Baza>(f);
     }},

    // Data imports
    {"N_Import_art", [](TGeneral_Form &f) { Imports::N_Import_artClick(&f); }},
    {"N_Import_Kontragents", [](TGeneral_Form &f) { Imports::N_Import_KontragentsClick(&f); }},
    {"N_Imp_Nomenkl_Kontrag", [](TGeneral_Form &f) { Imports::N_Imp_Nomenkl_KontragClick(&f); }},
    {"N_Import_Garanc_Prod", [](TGeneral_Form &f) { WarrantyWindows::N_Import_Garanc_ProdClick(&f); }},

    // Supplier warranty cards and the service reports
    {"N_Gar_Prod", &openNew<TForm_Garanc_Produkti>},
    {"N_Garanc_Prod", &openOnce<TForm_Garancionni_Prod>},
    {"N_Spr_Izdadeni_Ser", &openOnce<TForm_Spr_Izdadeni_Ser>},

    // Auxiliary programs and help
    {"N_Calc", [](TGeneral_Form &f) { AuxPrograms::startCalculator(&f); }},
    {"N_Notepad", [](TGeneral_Form &f) { AuxPrograms::startNotepad(&f); }},
    {"Open_Exe", [](TGeneral_Form &f) { AuxPrograms::openProgram(&f); }},
    {"N43", &openOnce<TAboutBox>},
    {"N_Help", [](TGeneral_Form &) { HelpActions::N_HelpClick(); }},
    {"N_SendMessage",
     [](TGeneral_Form &f) {
         if (auto *panel = f.findChild<MessagePanel *>())
             panel->N_SendMessageClick();
     }},
    {"N_Send_Reports",
     [](TGeneral_Form &f) {
         Dialogs::message(
             QStringLiteral("Желаете ли да уведомите разработчика за възникнали грешки при работа?"), &f);
     }},
    {"N14", &nothing},
    {"N_Sastoqnie_Remont", [](TGeneral_Form &f) { TForm_Sastoqnie_Remont::open(&f); }},
};
} // namespace

const QList<Opener> &Openers::table()
{
    return kOpeners;
}

const Opener *Openers::find(const QString &item)
{
    for (const Opener &o : kOpeners)
        if (item == QLatin1String(o.item))
            return &o;
    return nullptr;
}

bool Openers::available(const QString &item)
{
    const Opener *o = find(item);
    return o && (!o->ready || o->ready()) && (!o->needs || available(QString::fromLatin1(o->needs)));
}

bool Openers::open(TGeneral_Form &f, const QString &item, QWidget *asker)
{
    const Opener *o = find(item);
    if (!o)
        return false;
    for (const Opener *step = o; step; step = step->needs ? find(QString::fromLatin1(step->needs)) : nullptr)
        if (!ItemRights::permit(QString::fromLatin1(step->item), asker ? asker : &f))
            return false;
    if (!available(item))
        return false;
    o->open(f);
    return true;
}

void Openers::startMessageListener(TGeneral_Form &f)
{
    // The message panel (Panel7) stands beside the working tabs, hidden until
    // "Изпрати съобщение..." opens it; the listener runs from start-up.
    auto *panel = f.findChild<MessagePanel *>();
    if (!panel) {
        panel = new MessagePanel(&f);
        f.WorkArea->addWidget(panel);
        if (QAction *item = f.action(QStringLiteral("N_SendMessage")))
            QObject::connect(panel, &MessagePanel::visibilityChanged, item, &QAction::setChecked);
    }
    panel->service()->startListening();
}

void Openers::installProgramLinks(TGeneral_Form &f)
{
    DocumentQuery::setCounterpartyHook(DocumentQuery::ShopTab, [] {
        const TabPrintPanel *p = TabPrintPanel::forCaller(CallerShop);
        return p ? p->counterparty() : 0LL;
    });
    DocumentQuery::setActiveTabHook([tabs = QPointer<QTabWidget>(f.PageControl1)] {
        return tabs ? tabs->currentIndex() : 0;
    });
    // The catalogue's hidden "Документация..." is the menu's designer.
    TForm_Artikuli::setDocumentationOpener([main = QPointer<TGeneral_Form>(&f)](QWidget *asker) {
        if (main)
            Openers::open(*main, QStringLiteral("N_Dokumentacia"), asker);
    });
    CounterpartyEditor::setSpecialDiscountsOpener([](QWidget *parent) { TForm_Spec_Otstapki::N_TOClick(parent); });
    TextViewer::setViewer([](const QString &path, QWidget *parent) { AuxPrograms::startNotepad(parent, path); });
    TForm_Kontrakents::InstalmentsOpener = [](QWidget *parent, const QString &counterparty) {
        TForm_Vnoski_Kredit::open(parent, counterparty);
    };
    TForm_Kontrakents::DebtorsSql = Consignment::debtorsSql();
    CatalogueImportCommand::install();
    // "СЕРВИЗ" of the service tab opens the repair work list.
    WorkListLink::setOpener([main = QPointer<TGeneral_Form>(&f)](QWidget *) {
        if (main)
            TGeneral_Form::showModal(main->formOnce<TForm_Remont>());
    });
    WarrantyWindows::install();
    IssuedDocuments::setServiceLines(Reception::loggedLinesSql());
}

void Openers::installWorkingModes(TGeneral_Form &f)
{
    ShopTab *shop = f.TabSheet_Magazin;
    DeskControls controls;
    controls.Label_Selected_Kontragent = shop->Label_Selected_Kontragent;
    controls.Label_Izbor_Kontragent = shop->Label_Izbor_Kontragent;
    controls.Panel_Smetki = shop->Panel_Smetki;
    controls.ComboBox_Smetka = shop->ComboBox_Smetka;
    controls.Edit_Broj = shop->Edit_Broj;
    controls.Button_Insert_in_List = shop->Button_Insert_in_List;
    controls.Button_Prodajba = shop->Button_Prodajba;
    controls.DeskArea = shop->DeskArea;
    controls.DeskAreaLayout = shop->DeskAreaLayout;
    auto desk = std::make_unique<ShopDesk>(controls);
    QObject::connect(desk.get(), &ShopDesk::articlesRequested, &f,
                     [&f] { Openers::open(f, QStringLiteral("N_Select_artikuli")); });
    QObject::connect(desk.get(), &ShopDesk::counterpartiesRequested, &f,
                     [&f] { Openers::open(f, QStringLiteral("N_Select_Kontrag")); });
    // The shop's print panel: the desk hands its marked lines and counterparty.
    ShopDesk *shopDesk = desk.get();
    TabPrintPanel::Controls print;
    print.SpdBtn_Pokaji_Dokuments = shopDesk->SpdBtn_Pokaji_Dokuments;
    print.Panel_Dokumets = shopDesk->Panel_Dokumets;
    print.ChkListBox_Pokaj_Dokum = shopDesk->ChkListBox_Pokaj_Dokum;
    print.SpdBtn_Pokaji_Printers = shopDesk->SpdBtn_Pokaji_Printers;
    print.Panel_Printers = shopDesk->Panel_Printers;
    print.Printers = shopDesk->Printers;
    TabPrintPanel::Tab shopPrint;
    shopPrint.mark = QStringLiteral("МАГАЗИН");
    shopPrint.callerCode = CallerShop;
    shopPrint.lines = [shopDesk] {
        QList<PrintedLine> lines;
        for (const ShopDesk::MarkedLine &l : shopDesk->markedLineDetails())
            lines.append({l.line, l.article, l.amount, l.operatorName});
        return lines;
    };
    shopPrint.counterparty = [shopDesk] { return shopDesk->counterpartyKey(); };
    auto *panel = new TabPrintPanel(print, shopPrint, shop);
    QObject::connect(shop->Button_Pe4at_Dokumenti, &QPushButton::clicked, panel,
                     &TabPrintPanel::Button_Pe4at_DokumentiClick);
    shop->setHandler(std::move(desk));
    // The service tab: reception and acceptance; its pickers open through the menu's openers.
    auto service = std::make_unique<ServiceTab>(f.TabSheet_Servis);
    QObject::connect(service.get(), &ServiceTab::counterpartiesRequested, &f, [&f](int mode) {
        CounterpartyPickMode = mode;
        if (!Openers::open(f, QStringLiteral("N_Klienti")))
            CounterpartyPickMode = -1;
    });
    QObject::connect(service.get(), &ServiceTab::articlesRequested, &f, [&f](int mode) {
        ArticlePickMode = mode;
        if (!Openers::open(f, QStringLiteral("N_Artikuli")))
            ArticlePickMode = -1;
    });
    f.TabSheet_Servis->setHandler(std::move(service));
    // The fiscal-service tab; "Yes" to a new counterparty opens the register for browsing.
    auto fiscal = std::make_unique<FiscalTab>(f.TabSheet_Fisk_Ser);
    fiscal->counterpartyOpener = [](QWidget *parent) {
        CounterpartyPickMode = -1;
        TForm_Kontrakents::N_KlientiClick(parent);
    };
    ContractMode::install(fiscal.get());
    f.TabSheet_Fisk_Ser->setHandler(std::move(fiscal));
}
