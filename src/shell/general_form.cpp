#include "shell/general_form.h"
#include "catalogue/warehouses.h"
#include "desk/device_file_writer.h"
#include "app/window_owner.h"

#include "common/dates.h"
#include "common/ini_file.h"
#include "common/program_folder.h"
#include "common/reference_text.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/db/typed_query.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/instance_lock.h"
#include "app/action_button.h"
#include "app/app_state.h"
#include "shell/aux_programs.h"
#include "shell/database_open.h"
#include "app/data_module.h"
#include "app/item_rights.h"
#include "shell/form_dostap_operators.h"
#include "app/login_request.h"
#include "app/long_operation.h"
#include "app/mode_tab.h"
#include "shell/openers.h"
#include "shell/operator_shortcuts.h"
#include "shell/rights.h"
#include "shell/shop_tab.h"
#include "shell/status_widgets.h"
#include "shell/version_check.h"
#include "shell/working_date.h"

#include <QAction>
#include <array>
#include <climits>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TGeneral_Form *General_Form = nullptr;

namespace {
// A tab widget lays itself out and repaints whole on every layout request,
// and any label's new text or control shown in a page sends one up to it: a
// scan at the desk would repaint the main window. Let through only those
// that change the sizes the tabs are laid out by.
class TabsLayoutFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::LayoutRequest) {
            auto *tabs = static_cast<QTabWidget *>(watched);
            const std::array<QSize, 3> sizes{tabs->minimumSizeHint(), tabs->sizeHint(), tabs->tabBar()->sizeHint()};
            if (sizes == m_sizes)
                return true;
            m_sizes = sizes;
        }
        return false;
    }

private:
    std::array<QSize, 3> m_sizes;
};

const char *const kCaptions[] = {"ВЕНТАРОС - МАГАЗИН", "ВЕНТАРОС - СЕРВИЗ", "ВЕНТАРОС - ФИСКАЛЕН СЕРВИЗ"};

// Work started by a timer or the login's later steps: a failure goes to the
// exception log and the user sees nothing.
template <class F>
void logged(F &&work)
{
    try {
        work();
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
}
} // namespace

TGeneral_Form::TGeneral_Form(QWidget *parent)
    : QMainWindow(parent)
{
    // Windows made once for the run belong to the main window, never to the
    // window that happened to open them first.
    WindowOwner::setMainWindow(this);
    General_Form = this;
    setObjectName(QStringLiteral("General_Form"));
    setWindowTitle(QString::fromUtf8(kCaptions[0]));
    resize(1100, 720);

    MainMenu_General = new QMenuBar(this);
    MainMenu_General->setObjectName(QStringLiteral("MainMenu_General"));
    setMenuBar(MainMenu_General);
    m_menu.build(this, MainMenu_General);
    for (int i = 1; i < m_menu.count(); ++i) {
        const MainMenuActions::Node &n = m_menu.node(i);
        if (n.menu)
            continue;
        const QString name = QString::fromLatin1(n.def->name);
        connect(n.action, &QAction::triggered, this, [this, name] {
            QAction *a = action(name);
            if (a && a->isEnabled())
                Openers::open(*this, name);
        });
    }

    buildToolBar();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::South);
    PageControl1->installEventFilter(new TabsLayoutFilter(PageControl1));
    TabSheet_Magazin = new ShopTab(PageControl1);
    TabSheet_Servis = new ModeTab(QStringLiteral("TabSheet_Servis"), QStringLiteral("СЕРВИЗ"), PageControl1);
    TabSheet_Fisk_Ser = new ModeTab(QStringLiteral("TabSheet_Fisk_Ser"), QStringLiteral("ФИСКАЛЕН СЕРВИЗ"),
                                    PageControl1);
    for (ModeTab *tab : {static_cast<ModeTab *>(TabSheet_Magazin), TabSheet_Servis, TabSheet_Fisk_Ser})
        PageControl1->addTab(tab, tab->caption());
    PageControl1->setCurrentIndex(0);
    m_lastTab = TabSheet_Magazin;
    TabSheet_Magazin->bindActions(m_menu);
    // The tab changes only by the user's hand; code that selects a tab sets m_switchingByCode.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (!m_switchingByCode)
            PageControl1Change();
    });

    WorkArea = new QHBoxLayout;
    WorkArea->setContentsMargins(0, 0, 0, 0);
    WorkArea->addWidget(PageControl1, 1);
    layout->addLayout(WorkArea, 1);

    Panel_Progress = new QWidget(central);
    Panel_Progress->setObjectName(QStringLiteral("Panel_Progress"));
    Gauge1 = new QProgressBar(Panel_Progress);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    BitBtn_Sel_Cancel = new QPushButton(QStringLiteral("Прекъсни"), Panel_Progress);
    BitBtn_Sel_Cancel->setObjectName(QStringLiteral("BitBtn_Sel_Cancel"));
    BitBtn_Sel_Cancel->setToolTip(QStringLiteral("Прекъсни операцията"));
    auto *progress = new QHBoxLayout(Panel_Progress);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->addWidget(Gauge1, 1);
    progress->addWidget(BitBtn_Sel_Cancel);
    Panel_Progress->setFixedWidth(300);
    Panel_Progress->hide();
    layout->addWidget(Panel_Progress, 0, Qt::AlignLeft);
    connect(BitBtn_Sel_Cancel, &QPushButton::clicked, this, &TGeneral_Form::BitBtn_Sel_CancelClick);
    // Work of other windows that runs in steps shows its progress here.
    const QPointer<TGeneral_Form> self(this);
    LongOperation::setBar({[self](long long maximum, const QString &hint) {
                               if (!self)
                                   return;
                               self->Gauge1->setRange(0, int(qBound(0LL, maximum, (long long)INT_MAX)));
                               self->Gauge1->setValue(0);
                               self->Gauge1->setToolTip(hint);
                               self->BitBtn_Sel_Cancel->setToolTip(hint);
                               self->Panel_Progress->show();
                           },
                           [self](long long value) {
                               if (!self)
                                   return;
                               self->Gauge1->setValue(int(qBound(0LL, value, (long long)INT_MAX)));
                               // Work inside a transaction lets no event run: paint now.
                               self->Gauge1->repaint();
                           },
                           [self] {
                               if (!self)
                                   return;
                               self->Panel_Progress->hide();
                               self->Gauge1->setToolTip(QString());
                               self->BitBtn_Sel_Cancel->setToolTip(QStringLiteral("Прекъсни операцията"));
                           },
                           [self](bool enabled) {
                               if (self)
                                   self->BitBtn_Sel_Cancel->setEnabled(enabled);
                           }});

    setCentralWidget(central);
    buildStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(200);
    connect(Timer1, &QTimer::timeout, this, &TGeneral_Form::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TGeneral_Form::Timer2Timer);

    connect(&AppState::instance(), &AppState::currentOperatorChanged, this,
            [this](const QString &name) { Panel_Operator->setText(QStringLiteral("Оператор: ") + name); });
    connect(&AppState::instance(), &AppState::activeWarehouseChanged, this,
            [this](const QString &text) { Panel_Sklad->setText(QStringLiteral("Склад: ") + text); });
    connect(&AppState::instance(), &AppState::terminalChanged, this,
            [this](int number) { Panel_terminal->setText(QString::number(number)); });
    Panel_Operator->setText(QStringLiteral("Оператор: ") + AppState::instance().currentOperator());
    Panel_terminal->setText(QString::number(AppState::instance().terminal()));
    Panel_Sklad->setText(QStringLiteral("Склад: ") + AppState::instance().activeWarehouseText());

    LoginRequest::setHandler([this] { N_dostapClick(); });
    // Windows below the shell check the same rights in their own openers.
    const QPointer<TGeneral_Form> rights(this);
    ItemRights::install({[rights](const QString &item) { return rights && rights->itemAllowed(item); },
                         [rights](const QString &item) { return rights ? rights->itemPath(item) : item; }});
    connectDataModule();
    // The working modes' controls are built by the first login: the login
    // window comes first.
    Openers::installProgramLinks(*this);
    applyItemStates();
}

TGeneral_Form::~TGeneral_Form()
{
    LoginRequest::setHandler({});
    LongOperation::setBar({});
    ItemRights::install({});
    if (General_Form == this)
        General_Form = nullptr;
}

void TGeneral_Form::buildToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("Бутони"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [this](const char *name, const char *text, const char *item) {
        auto *b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(QString::fromUtf8(text));
        b->setToolTip(QString::fromUtf8(text));
        b->setAutoRaise(true);
        ToolBar1->addWidget(b);
        bindButtonToAction(b, action(QString::fromLatin1(item)));
        return b;
    };
    SpdBtn_Dostap = add("SpdBtn_Dostap", "Достъп", "N_dostap");
    ToolBar1->addSeparator();
    SpdBtn_Artikuli = add("SpdBtn_Artikuli", "Артикули", "N_Artikuli");
    SpdBtn_Kontragenti = add("SpdBtn_Kontragenti", "Контрагенти", "N_Klienti");
    SpdBtn_Sklad = add("SpdBtn_Sklad", "Складове", "N_Sklad");
    ToolBar1->addSeparator();
    SpdBtn_Dostavka = add("SpdBtn_Dostavka", "Доставки", "N_Dostavka");
    SpdBtn_Revizia = add("SpdBtn_Revizia", "Ревизия", "N_Revizia");
    SpdBtn_Transfer = add("SpdBtn_Transfer", "Трансфер", "N_Transfer");
    ToolBar1->addSeparator();
    SpdBtn_Zada4i = add("SpdBtn_Zada4i", "Задачи", "N_Zada4i");
    SpdBtn_Oferti = add("SpdBtn_Oferti", "Оферти", "N_Oferti");
}

void TGeneral_Form::buildStatusBar()
{
    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar_General"));
    bar->setSizeGripEnabled(false);
    auto *box = new QWidget(bar);
    auto *rows = new QVBoxLayout(box);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(1);
    auto *panels = new QHBoxLayout;
    panels->setSpacing(2);
    Panel_DateTime = new ClickPanel(QStringLiteral("Panel_DateTime"), box);
    Panel_terminal = new ClickPanel(QStringLiteral("Panel_terminal"), box);
    Panel_terminal->setToolTip(QStringLiteral("Терминал N:"));
    Panel_terminal->setMinimumWidth(40);
    Panel_terminal->setAlignment(Qt::AlignCenter);
    Panel_Operator = new ClickPanel(QStringLiteral("Panel_Operator"), box);
    Panel_Sklad = new ClickPanel(QStringLiteral("Panel_Sklad"), box);
    Panel_Database = new ClickPanel(QStringLiteral("Panel_Database"), box);
    Panel_DateTime->setMinimumWidth(170);
    panels->addWidget(Panel_DateTime);
    panels->addWidget(Panel_terminal);
    panels->addWidget(Panel_Operator, 1);
    panels->addWidget(Panel_Sklad, 1);
    panels->addWidget(Panel_Database, 2);
    Image_Show_Valuta_Kurs = new RatesTicker(box);
    rows->addLayout(panels);
    rows->addWidget(Image_Show_Valuta_Kurs);
    bar->addWidget(box, 1);
    setStatusBar(bar);

    for (QWidget *w : {static_cast<QWidget *>(Panel_Operator), static_cast<QWidget *>(Panel_Sklad),
                       static_cast<QWidget *>(Panel_Database), static_cast<QWidget *>(Image_Show_Valuta_Kurs)})
        w->setToolTip(QString::fromUtf8(HintClick));
    // A panel click is its menu item's click: the item's rights decide.
    connect(Panel_DateTime, &ClickPanel::clicked, this, &TGeneral_Form::Panel_DateTimeClick);
    connect(Panel_Operator, &ClickPanel::clicked, this, [this] { triggerItem(QStringLiteral("N_dostap")); });
    connect(Panel_Sklad, &ClickPanel::clicked, this, [this] { triggerItem(QStringLiteral("N_Sklad")); });
    connect(Panel_Database, &ClickPanel::clicked, this,
            [this] { triggerItem(QStringLiteral("N_Open_DataBase")); });
    connect(Image_Show_Valuta_Kurs, &RatesTicker::clicked, this,
            [this] { triggerItem(QStringLiteral("N_Valuti")); });
}

void TGeneral_Form::applyItemStates()
{
    m_menu.applyStates([](const QString &item) { return Openers::available(item); });
}

bool TGeneral_Form::triggerItem(const QString &name)
{
    QAction *a = action(name);
    if (!a)
        return false;
    if (!a->isEnabled()) {
        // A panel or button that is not greyed says why nothing opens.
        ItemRights::permit(name, this);
        return false;
    }
    a->trigger();
    return true;
}

bool TGeneral_Form::itemAllowed(const QString &name) const
{
    const int number = m_menu.numberOf(name);
    return number > 0 && m_menu.effectiveAllowed(number);
}

QString TGeneral_Form::itemPath(const QString &name) const
{
    QStringList path;
    for (int n = m_menu.numberOf(name); n > 0; n = m_menu.node(n).parent) {
        QString caption = QString::fromUtf8(m_menu.node(n).def->caption).trimmed();
        while (caption.endsWith(QLatin1Char('.')))
            caption.chop(1);
        path.prepend(caption.trimmed());
    }
    return path.join(QStringLiteral(" → "));
}

int TGeneral_Form::showModal(QDialog *dialog)
{
    return Dialogs::exec(dialog);
}

ModeTab *TGeneral_Form::activeTab() const
{
    return qobject_cast<ModeTab *>(PageControl1->currentWidget());
}

void TGeneral_Form::connectDataModule()
{
    if (!DataModule1 || m_watchedModule == DataModule1)
        return;
    m_watchedModule = DataModule1;
    DeviceFileWriter::instance().watch(DataModule1);
    // Another database: its own warehouse and rates, as start-up shows them.
    connect(DataModule1, &TDataModule1::databaseChanged, this, [this] {
        showDatabaseFolder();
        showActiveWarehouse();
        logged([this] { refreshTicker(); });
    });
    showDatabaseFolder();
}

void TGeneral_Form::showDatabaseFolder()
{
    // A server database is named by its server and database, then its folder.
    Panel_Database->setText(QStringLiteral("База данни: ")
                            + (DataModule1 ? Db::describeFolder(DataModule1->databaseFolder()) : QString()));
}

void TGeneral_Form::showDateTime()
{
    Panel_DateTime->setText(Dates::todayShort() + QStringLiteral(" - ") + Dates::nowTimeText());
}

// ---- Start-up, show and close ------------------------------------------------

bool TGeneral_Form::FormCreate()
{
    QScopedValueRollback starting(m_starting, true);
    // The start runs before the event loop, whose handler would log what
    // escapes: a failure here is logged and said, and the start ends in order.
    QString failure;
    try {
        return startUp();
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        failure = QString::fromUtf8(e.what());
    } catch (...) {
        ExceptionLog::write(QStringLiteral("unknown"), QString());
    }
    Dialogs::message(QStringLiteral("Програмата не може да започне работа")
                         + (failure.isEmpty() ? QStringLiteral(".") : QStringLiteral(":\n") + failure)
                         + QStringLiteral("\nПодробностите са записани в ") + ExceptionLog::filePath(),
                     this);
    m_ended = true;
    return false;
}

bool TGeneral_Form::startUp()
{
    // Settings, alias and database all live in the program folder.
    const QString unwritable = ProgramFolder::writeProblem();
    if (!unwritable.isEmpty()) {
        Dialogs::message(unwritable, this);
        m_ended = true;
        return false;
    }
    // A second copy would share this workstation's receipts and work tables.
    if (!InstanceLock::acquire()) {
        Dialogs::message(InstanceLock::refusalText(), this);
        m_ended = true;
        return false;
    }
    // A typed query's private copy that a killed run left holds the password hashes.
    TypedQuery::removeLeftCopies();
    // 1. The settings menus of a working mode follow its tab.
    const bool service = PageControl1->isTabVisible(PageControl1->indexOf(TabSheet_Servis));
    const bool fiscal = PageControl1->isTabVisible(PageControl1->indexOf(TabSheet_Fisk_Ser));
    action(QStringLiteral("N_Nastr_SERVICE"))->setVisible(service);
    action(QStringLiteral("N_Spr_Serviz"))->setVisible(service);
    action(QStringLiteral("N_Nastr_Fisk_Ser"))->setVisible(fiscal);

    // 2.-3. The working date.
    const QString last = Settings::readString(Keys::TIME_Last);
    if (WorkingDate::lastIsLater(last, QDate::currentDate())) {
        if (!Dialogs::yesNo(WorkingDate::startupQuestion(Dates::todayShort(), last), this)) {
            AuxPrograms::startDateSettings(this);
            m_ended = true;
            return false;
        }
    }

    // 4. The message listener.
    Openers::startMessageListener(*this);
    // 5. The shared lists.
    SharedStringList.clear();
    RightsList.clear();
    // 6. Login: no main window works without an operator.
    if (!N_dostapClick() || m_ended) {
        m_ended = true;
        return false;
    }
    // A SQLite database on a network file system is named once, at start.
    if (const QString warning = DatabaseOpen::networkFolderWarning(); !warning.isEmpty())
        Dialogs::message(warning, this);
    // 7. The database version.
    logged([this] { VersionCheck::run(this); });
    // 8. The active warehouse.
    showActiveWarehouse();
    // 9. Kiosk mode.
    if (Settings::readBool(Keys::Tuning_20))
        setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    return true;
}

void TGeneral_Form::showActiveWarehouse()
{
    logged([] { Warehouses::LoadActiveWarehouse(); });
}

void TGeneral_Form::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TGeneral_Form::FormShow()
{
    logged([this] { Image_Show_Valuta_Kurs->setText(RatesTicker::readText()); });
    Image_Show_Valuta_Kurs->setPosition(width());
    Timer2->start();
    QComboBox *bills = TabSheet_Magazin->ComboBox_Smetka;
    bills->setCurrentIndex(bills->count() - 1);
    AppState::instance().setTerminal(int(Settings::readInteger(Keys::DBVer_Term)));
}

void TGeneral_Form::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TGeneral_Form::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    LongOperation::stopForClose(); // a running import stops first
    Timer1->stop();
    Timer2->stop();
    // The date and the operator are saved before the session may end.
    IniFile ini(Settings::filePath());
    Settings::writeString(ini, Keys::TIME_Last, Dates::todayShort());
    const QString op = AppState::instance().currentOperator();
    if (!op.isEmpty())
        Settings::writeString(ini, Keys::Store_ActiveOper, op);
    if (!ini.save())
        ExceptionLog::write(QStringLiteral("IniFile"), QStringLiteral("Firm_Data.ini не може да бъде записан"));
    SharedStringList.clear();
    const QStringList waiting = DeviceFileWriter::instance().waiting();
    if (!waiting.isEmpty())
        Dialogs::message(QStringLiteral("Не са предадени на касовия апарат:\n") + waiting.join(QLatin1Char('\n'))
                             + QStringLiteral("\nЩе бъдат предадени при следващото стартиране на програмата."),
                         this);
    if (Settings::readBool(ini, Keys::Tuning_13))
        AuxPrograms::requestLogOff();
}

void TGeneral_Form::N_IzhodClick()
{
    close();
}

void TGeneral_Form::endProgram()
{
    m_ended = true;
    if (m_starting)
        return; // FormCreate reports it and main() ends
    close();
}

// ---- Working modes and timers ---------------------------------------------------

void TGeneral_Form::PageControl1Change()
{
    ModeTab *tab = activeTab();
    if (!tab)
        return;
    const int index = tab == TabSheet_Magazin ? 0 : tab == TabSheet_Servis ? 1 : 2;
    setWindowTitle(QString::fromUtf8(kCaptions[index]));
    m_lastTab = tab;
    tab->tabActivated();
    N_dostapClick();
}

void TGeneral_Form::refreshTicker()
{
    Image_Show_Valuta_Kurs->setText(RatesTicker::readText());
    Image_Show_Valuta_Kurs->setPosition(Image_Show_Valuta_Kurs->width());
}

void TGeneral_Form::Timer1Timer()
{
    showDateTime();
    RatesTicker *t = Image_Show_Valuta_Kurs;
    // Re-read once the text has left the image, and at every tick while there is none.
    if (t->text().isEmpty() || t->position() < -t->textWidth())
        logged([this] { refreshTicker(); });
}

void TGeneral_Form::Timer2Timer()
{
    RatesTicker *t = Image_Show_Valuta_Kurs;
    if (t->position() >= -t->textWidth())
        t->setPosition(t->position() - 5);

    const QString last = Settings::readString(Keys::TIME_Last);
    const QString today = Dates::todayShort();
    if (last == today)
        return;
    Timer2->stop(); // one question at a time
    if (Dialogs::yesNo(WorkingDate::changeQuestion(today, last), this))
        Settings::writeString(Keys::TIME_Last, Dates::todayShort());
    else
        AuxPrograms::startDateSettings(this);
    if (!m_closed)
        Timer2->start();
}

void TGeneral_Form::Panel_DateTimeClick()
{
    AuxPrograms::startDateSettings(this);
}

void TGeneral_Form::BitBtn_Sel_CancelClick()
{
    // Work of another window that runs in steps (the supplier catalogue import
    // and update, the free article numbers) stops at its next step; the work
    // itself ends the bar, restores its window and clears LongOperationFlag.
    LongOperation::cancelPressed();
}

// ---- Login --------------------------------------------------------------------------

bool TGeneral_Form::N_dostapClick()
{
    if (m_loginOpen || m_ended)
        return false;
    QScopedValueRollback open(m_loginOpen, true);
    if (!DataModule1)
        new TDataModule1(this);
    connectDataModule();
    const bool first = !m_loginForm;
    if (first)
        m_loginForm = new TForm_Dostap_Operators(this);
    m_loginForm->OKBtn->setProperty("tag", first ? 0 : 1);
    m_loginForm->Edit_Password->clear();
    const QAction *exit = action(QStringLiteral("N_Izhod"));
    if (!m_loginForm->FormShow(exit && exit->isEnabled())) {
        // No database could be opened: nothing can be done without one.
        endProgram();
        return false;
    }
    showModal(m_loginForm);
    if (m_loginForm->endRequested()) {
        endProgram();
        return false;
    }
    const auto op = m_loginForm->loggedIn();
    if (!op)
        return false;
    applyLogin(*op);
    return true;
}

void TGeneral_Form::applyLogin(const OperatorRecord &op)
{
    if (!m_modesBuilt) {
        m_modesBuilt = true;
        Openers::installWorkingModes(*this);
    }
    logged([&] {
        DocumentLineList.clear();
        showDateTime();
        Timer1->start();
        AppState::instance().setCurrentOperator(op.name);
        showDatabaseFolder();
        RightsList = Rights::GETRIGHTS(op.rights);
        Rights::SetMenuVisible(m_menu, RightsList);
        applyItemStates();
        TabSheet_Magazin->Label_Selected_Kontragent->setText(
            OperatorCounterpartyList.value(op.name, QString::fromUtf8(ShopTab::NoCounterparty)));
    });
    logged([this] {
        if (ModeTab *tab = activeTab())
            tab->afterLogin();
    });
    logged([&] { OperatorShortcuts::apply(IniFile(Settings::filePath()), op.name, m_menu); });
    TabSheet_Magazin->rebuildCaptions(m_menu);
    Settings::writeString(Keys::Store_ActiveOper, op.name);
}
