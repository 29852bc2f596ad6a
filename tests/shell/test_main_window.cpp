#include "test_main_window_support.h"
#include "app/long_operation.h"

#include <QProgressBar>

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/dates.h"
#include "common/ini_file.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "shell/aux_programs.h"
#include "app/data_module.h"
#include "app/mode_tab.h"
#include "desk/shop_desk.h"
#include "platform/db/list_model.h"
#include "shell/shop_tab.h"
#include "shell/status_widgets.h"
#include "shell/working_date.h"
#include "platform/db/server_connection.h"
#include "platform/db/work_tables.h"
#include "platform/file_systems.h"
#include "platform/instance_lock.h"
#include "platform/script.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QKeyEvent>
#include <QListWidget>
#include <QPaintEvent>
#include <QTabBar>
#include <QTableView>
#include <QTabWidget>
#include <QTest>

#include <csignal>

using namespace shelltest;

namespace {
QString dayText(int offset)
{
    return Dates::toShort(QDate::currentDate().addDays(offset));
}

// The date settings are configured, so the tests know which command starts.
struct DateSettingsCommand {
    DateSettingsCommand() { qputenv(AuxPrograms::DateSettingsVariable, "date-settings --now"); }
    ~DateSettingsCommand() { qunsetenv(AuxPrograms::DateSettingsVariable); }
};
} // namespace

// Start-up and the working-date watch.
class MainWindowStartupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startupDateQuestion_data()
    {
        QTest::addColumn<int>("offset"); // of [TIME] Last from today; 99 = missing
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("started");
        QTest::newRow("missing") << 99 << QVariant() << false << true;
        QTest::newRow("earlier") << -1 << QVariant() << false << true;
        QTest::newRow("today") << 0 << QVariant() << false << true;
        QTest::newRow("later, yes") << 1 << QVariant(true) << true << true;
        QTest::newRow("later, no") << 1 << QVariant(false) << true << false;
        QTest::newRow("later, closed") << 1 << QVariant() << true << false;
    }

    void startupDateQuestion()
    {
        QFETCH(int, offset);
        QFETCH(QVariant, answer);
        QFETCH(bool, asked);
        QFETCH(bool, started);
        TestProgram program;
        DateSettingsCommand command;
        resetProgramState();
        if (offset != 99)
            Settings::writeString(Keys::TIME_Last, dayText(offset));
        TGeneral_Form form;
        auto logins = loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
        if (answer.isValid())
            PlatformScript::answer(answer);
        QCOMPARE(form.FormCreate(), started);
        form.Timer1->stop();
        const QStringList questions = PlatformScript::texts(QStringLiteral("yesNo"));
        QCOMPARE(questions.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(questions.first(), WorkingDate::startupQuestion(Dates::todayShort(), dayText(offset)));
        QCOMPARE(logins->logins, started ? 1 : 0);
        QCOMPARE(form.programEnded(), !started);
        // Refused: the date settings start and nothing else happens.
        QCOMPARE(PlatformScript::texts(QStringLiteral("startProgram")),
                 started ? QStringList() : QStringList{QStringLiteral("date-settings")});
        QCOMPARE(AppState::instance().currentOperator(),
                 started ? QStringLiteral("Администратор") : QString());
    }

    void sqliteFolderOnANetworkFileSystemIsNamedOnceAtStart()
    {
        for (const QString type : {QStringLiteral("nfs4"), QStringLiteral("cifs"), QStringLiteral("ext4")}) {
            TestProgram program;
            QStringList asked;
            FileSystems::setTypeHook([&](const QString &path) {
                asked << path;
                return type;
            });
            resetProgramState();
            TGeneral_Form form;
            loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
            const bool started = form.FormCreate();
            form.Timer1->stop();
            FileSystems::setTypeHook({});
            QVERIFY(started); // the database still opens
            const QStringList warnings =
                PlatformScript::texts(QStringLiteral("message")).filter(QStringLiteral("мрежова файлова система"));
            const QString folder = program.dataModule()->databaseFolder();
            // A server database is the cure, never warned about.
            const bool warned = type != QLatin1String("ext4") && !testOnServer();
            QCOMPARE(warnings.size(), warned ? 1 : 0);
            if (warned) {
                QVERIFY(warnings.first().contains(QStringLiteral("(%1):\n%2\n").arg(type, folder)));
                QVERIFY(warnings.first().contains(QStringLiteral("няколко компютъра")));
                QVERIFY(asked.contains(folder));
            }
            // A second login asks no more.
            PlatformScript::clearEvents();
            FileSystems::setTypeHook([&](const QString &) { return type; });
            QVERIFY(form.N_dostapClick());
            FileSystems::setTypeHook({});
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).filter(QStringLiteral("мрежова")), QStringList());
        }
    }

    // The login window comes before the working modes' controls are built
    // (the desk, the service and the fiscal-service tab): they are built once,
    // by the first login, and a refused login never builds them.
    void workingModesAreBuiltByTheFirstLogin()
    {
        TestProgram program;
        resetProgramState();
        const QStringList controls{QStringLiteral("DBGrid1"), QStringLiteral("ListBox_Selected_Kontrag_Ser"),
                                   QStringLiteral("Edit_ID_EKA")};
        for (const bool refused : {true, false}) {
            TGeneral_Form form;
            const auto built = [&form, &controls] {
                QList<int> n;
                for (const QString &name : controls)
                    n << form.findChildren<QWidget *>(name).size();
                return n;
            };
            QList<int> atLogin;
            PlatformScript::setModalHandler([&](QDialog *d) {
                auto *login = qobject_cast<TForm_Dostap_Operators *>(d);
                if (!login)
                    return int(QDialog::Rejected);
                atLogin = built();
                if (refused) {
                    PlatformScript::answer(true);
                    d->close();
                    return d->result();
                }
                login->Edit_Password->setText(QStringLiteral("admin"));
                login->OKBtn->click();
                return login->result();
            });
            QCOMPARE(form.FormCreate(), !refused);
            QCOMPARE(atLogin, (QList<int>{0, 0, 0}));
            QCOMPARE(built(), refused ? (QList<int>{0, 0, 0}) : (QList<int>{1, 1, 1}));
            if (refused)
                continue;
            loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
            QVERIFY(form.N_dostapClick());
            QCOMPARE(built(), (QList<int>{1, 1, 1}));
            form.Timer1->stop();
            PlatformScript::setModalHandler({});
        }
    }

    void questionTexts()
    {
        QCOMPARE(WorkingDate::startupQuestion(QStringLiteral("01.02.2024"), QStringLiteral("03.02.2024")),
                 QStringLiteral("Настоящата дата 01.02.2024 е по стара от последната дата с която e "
                                "работено:03.02.2024\nЖелаете ли да продължите?"));
        QVERIFY(!WorkingDate::lastIsLater(QStringLiteral("31.13.2024"), QDate(2024, 1, 1)));
        QVERIFY(!WorkingDate::lastIsLater(QStringLiteral("вчера"), QDate(2024, 1, 1)));
        QVERIFY(WorkingDate::lastIsLater(QStringLiteral("02.01.2024"), QDate(2024, 1, 1)));
    }

    void activeWarehousePanel()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (3, 'Основен')"));
        Settings::writeInteger(Keys::Store_Active, 3);
        auto form = startedWindow();
        QVERIFY(form);
        QCOMPARE(form->Panel_Sklad->text(), QStringLiteral("Склад: 3:Основен"));
        QCOMPARE(AppState::instance().activeWarehouseId(), 3);

        Settings::writeInteger(Keys::Store_Active, 7);
        form = startedWindow();
        QCOMPARE(form->Panel_Sklad->text(), QStringLiteral("Склад: :"));
    }

    void switchShowsTheNewDatabasesWarehouseAndRates()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (3, 'Основен')"));
        Settings::writeInteger(Keys::Store_Active, 3);
        auto form = startedWindow();
        QVERIFY(form);
        form->FormShow();
        form->Timer2->stop();
        QCOMPARE(form->Panel_Sklad->text(), QStringLiteral("Склад: 3:Основен"));
        QVERIFY(form->Image_Show_Valuta_Kurs->text().startsWith(QStringLiteral("BGN - ")));

        const QString second = program.file(QStringLiteral("second"));
        QDir().mkpath(second);
        QVERIFY(DataModule1->createDatabase(second, {}, nullptr));
        QVERIFY(DataModule1->SET_NEW_DATABASE(second));
        // Warehouse 3 is not in the new database; its rates are its own.
        QCOMPARE(form->Panel_Sklad->text(), QStringLiteral("Склад: :"));
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('USD', 1.8, 'False')"));
        Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (3, 'Втори')"));
        QVERIFY(DataModule1->SET_NEW_DATABASE(second)); // read again from the database now open
        QCOMPARE(form->Panel_Sklad->text(), QStringLiteral("Склад: 3:Втори"));
        QVERIFY(form->Image_Show_Valuta_Kurs->text().contains(QStringLiteral("USD - ")));
        QCOMPARE(form->Panel_Database->text(), QStringLiteral("База данни: ") + QDir::cleanPath(second));
        QCOMPARE(Settings::readInteger(Keys::Store_Active), 3LL); // left to the warehouses window
    }

    void unwritableProgramFolderEndsTheStartWithOneMessage()
    {
        TestProgram program(false);
        QFile blocker(program.file(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString folder = program.file(QStringLiteral("file/home"));
        ProgramFolder::setPath(folder);
        resetProgramState();
        TGeneral_Form form;
        QVERIFY(!form.FormCreate());
        const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().contains(folder + QLatin1Char('\n')));
        QVERIFY(messages.first().contains(QStringLiteral("не позволява запис")));
        QVERIFY(PlatformScript::texts(QStringLiteral("modal")).isEmpty()); // no login, no database windows
        ProgramFolder::setPath(program.folder());
    }

    // A double click starts a second copy: refused with one message before the
    // login while the first runs, also after TEMP/ was emptied; a killed first
    // copy leaves nothing that refuses.
    void secondStartOnOneWorkstation()
    {
        TestProgram program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VENTAROS_HOME"), program.folder());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(deskWorkerProgram(), {QStringLiteral("hold")});
        QVERIFY(first.waitForReadyRead(60000));
        QCOMPARE(first.readAllStandardOutput(), QByteArray("running\n"));
        // The user clears TEMP/ of its report files: the first copy still holds its place.
        QVERIFY(QDir(ProgramFolder::tempFolder()).removeRecursively());

        resetProgramState();
        {
            TGeneral_Form form;
            auto logins = loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
            QVERIFY(!form.FormCreate());
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{InstanceLock::refusalText()});
            QVERIFY(InstanceLock::refusalText().contains(WorkTables::workstationName()));
            QCOMPARE(logins->logins, 0);
            QVERIFY(form.programEnded());
        }

        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(10000));
        PlatformScript::clearEvents();
        auto form = startedWindow();
        QVERIFY(form);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
        // This copy holds it now: a third start is refused.
        QProcess third;
        third.setProcessEnvironment(env);
        third.start(deskWorkerProgram(), {QStringLiteral("start")});
        QVERIFY(third.waitForFinished(60000));
        QCOMPARE(third.exitCode(), 4);
    }

    void workingDateWatch()
    {
        TestProgram program;
        DateSettingsCommand command;
        Settings::writeString(Keys::TIME_Last, dayText(-1)); // a new day began
        auto form = startedWindow();
        QVERIFY(form);
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
        form->Timer2->start();

        // No: the date settings start, the date stays, and the next tick asks again.
        PlatformScript::answer(false);
        form->Timer2Timer();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 QStringList{WorkingDate::changeQuestion(Dates::todayShort(), dayText(-1))});
        QCOMPARE(PlatformScript::texts(QStringLiteral("startProgram")), QStringList{QStringLiteral("date-settings")});
        QCOMPARE(Settings::readString(Keys::TIME_Last), dayText(-1));
        QVERIFY(form->Timer2->isActive());

        PlatformScript::answer(true);
        form->Timer2Timer();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 2);
        QCOMPARE(Settings::readString(Keys::TIME_Last), Dates::todayShort());
        form->Timer2Timer();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 2);

        // Midnight while running: the stored day is no longer today.
        Settings::writeString(Keys::TIME_Last, dayText(-1));
        PlatformScript::answer(true);
        form->Timer2Timer();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 3);
        form->Timer2->stop();
    }

    void closeSavesBeforeLogOff()
    {
        TestProgram program;
        qputenv(AuxPrograms::LogOffVariable, "end-session --now");
        Settings::writeString(Keys::TIME_Last, dayText(-3));
        Settings::writeBool(Keys::Tuning_13, true);
        auto form = startedWindow();
        QVERIFY(form);
        Settings::writeString(Keys::Store_ActiveOper, QStringLiteral("друг"));
        // The log-off is the last step, after both keys are written.
        PlatformScript::clearEvents();
        form->close();
        qunsetenv(AuxPrograms::LogOffVariable);
        QCOMPARE(PlatformScript::texts(QStringLiteral("startProgram")), QStringList{QStringLiteral("end-session")});
        QCOMPARE(PlatformScript::events().last().kind, QStringLiteral("startProgram"));
        QCOMPARE(Settings::readString(Keys::TIME_Last), Dates::todayShort());
        QCOMPARE(Settings::readString(Keys::Store_ActiveOper), QStringLiteral("Администратор"));
        QVERIFY(!form->Timer2->isActive());
    }
};
VTEST(MainWindowStartupTest)

namespace {
// Records what the working mode's tab is asked to do.
struct RecordingTab : ModeTabHandler {
    QStringList *calls;
    explicit RecordingTab(QStringList *c) : calls(c) {}
    void tabActivated() override { calls->append(QStringLiteral("activated")); }
    void afterLogin() override { calls->append(QStringLiteral("login")); }
};
} // namespace

// The working modes, the rates ticker and the desk quantity.
class MainWindowModesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tabSwitchSetsCaptionAndAsksForLogin()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("ВЕНТАРОС - МАГАЗИН"));
        QStringList calls;
        form->TabSheet_Servis->setHandler(std::make_unique<RecordingTab>(&calls));
        auto logins = loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
        form->PageControl1->setCurrentWidget(form->TabSheet_Servis);
        QCOMPARE(form->windowTitle(), QStringLiteral("ВЕНТАРОС - СЕРВИЗ"));
        QCOMPARE(logins->logins, 1);
        QCOMPARE(calls, (QStringList{"activated", "login"}));
        form->PageControl1->setCurrentWidget(form->TabSheet_Fisk_Ser);
        QCOMPARE(form->windowTitle(), QStringLiteral("ВЕНТАРОС - ФИСКАЛЕН СЕРВИЗ"));
        QCOMPARE(logins->logins, 2);
        QCOMPARE(calls.size(), 2); // the service tab is no longer active
        QCOMPARE(form->PageControl1->tabPosition(), QTabWidget::South);
        QCOMPARE(form->PageControl1->tabText(2), QStringLiteral("ФИСКАЛЕН СЕРВИЗ"));
        form->Timer1->stop();
    }

    // A scan and a name search at the desk change the bill, its totals, the
    // article's name and show the names found: the tabs are neither laid out
    // nor painted anew for that. A caption that changes their size still
    // lays them out.
    void theDeskRepaintsWhatChangedNotTheWholeWindow()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Храни')"));
        Db::execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150) "
                                   "INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka, Garancionen, "
                                   "Poredica, Trajnost, Max_TO, Dan_Grup, Prigotvq_Se) "
                                   "SELECT i, 1, 'Мляко прясно ' || i, 2.5 + i, 'BGN', 'бр', 'False', 'False', '', 0, 2, 0 FROM n"));
        Db::execute(QStringLiteral("INSERT INTO Barkodes (ID, Barkode) VALUES (7, '3800007'), (8, '3800008')"));
        auto form = startedWindow();
        QVERIFY(form);
        form->Timer1->stop();
        form->resize(1280, 900);
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        ShopDesk *desk = ShopDesk::instance();
        QTabWidget *tabs = form->PageControl1;
        // Paints of the tab bar: nothing of the desk is over or under it.
        struct Painted : QObject {
            int paints = 0;
            bool eventFilter(QObject *, QEvent *e) override
            {
                paints += e->type() == QEvent::Paint;
                return false;
            }
        } painted;
        const auto settle = [] {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        };
        settle();
        tabs->tabBar()->installEventFilter(&painted);
        for (const char *code : {"3800007", "3800008"}) {
            desk->Label_Search_In->setText(QStringLiteral("b."));
            desk->Edit_Barkod->setFocus();
            desk->Edit_Barkod->clear();
            QTest::keyClicks(desk->Edit_Barkod, QString::fromLatin1(code));
            QTest::keyClick(desk->Edit_Barkod, Qt::Key_Return);
            QTest::keyClick(form->TabSheet_Magazin->Edit_Broj, Qt::Key_Return);
            QTest::keyClick(desk->Edit_Cena_Nula, Qt::Key_Return);
            settle();
        }
        QVERIFY2(desk->lines()->rowCount() == 2, qPrintable(PlatformScript::texts(QStringLiteral("message")).join('|')));
        QCOMPARE(desk->Label_Leva->text(), QStringLiteral("20.00"));
        // The names lie over the bill: it does not move.
        const QRect bill = desk->DBGrid1->geometry();
        desk->Label_Search_In->setText(QStringLiteral("i."));
        desk->Edit_Barkod->setFocus();
        for (const QChar c : QStringLiteral("мляко")) { // as a keyboard sends it: the key's text
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(desk->Edit_Barkod, &press);
        }
        QTest::keyClick(desk->Edit_Barkod, Qt::Key_Return);
        settle();
        QVERIFY(desk->ListBox_Opisanie_Artikuli->isVisible());
        QCOMPARE(desk->DBGrid1->geometry(), bill);
        QCOMPARE(painted.paints, 0);
        // A smaller window: the names stay within the bill.
        form->resize(900, 600);
        settle();
        QCOMPARE(desk->ListBox_Opisanie_Artikuli->width(), desk->DBGrid1->width());
        const int bar = tabs->tabBar()->width();
        tabs->setTabText(2, tabs->tabText(2) + QStringLiteral(" И ОЩЕ НЕЩО ДЪЛГО"));
        settle();
        QVERIFY(tabs->tabBar()->width() > bar);
    }

    void longOperationBarShowsAndStopsStepwiseWork()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        LongOperation::begin(50, QStringLiteral("Прекъсни търсенето"));
        QVERIFY(form->Panel_Progress->isVisibleTo(form.get()));
        QCOMPARE(form->Gauge1->maximum(), 50);
        QCOMPARE(form->BitBtn_Sel_Cancel->toolTip(), QStringLiteral("Прекъсни търсенето"));
        QVERIFY(LongOperation::step(10));
        QCOMPARE(form->Gauge1->value(), 10);
        form->BitBtn_Sel_Cancel->click(); // stop
        QVERIFY(!LongOperation::step(20));
        form->BitBtn_Sel_Cancel->click(); // go on
        QVERIFY(LongOperation::step(30));
        LongOperation::end();
        QVERIFY(!form->Panel_Progress->isVisibleTo(form.get()));
        form->BitBtn_Sel_Cancel->click(); // idle: nothing to stop
        QVERIFY(!LongOperation::stopRequested());
        form->Timer1->stop();
    }

    void tickerText()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('EUR', 1.95583, 'False')"));
        PriceDecimals = 4;
        const QString blanks(10, QLatin1Char(' '));
        QCOMPARE(RatesTicker::readText(),
                 QStringLiteral("BGN - 1.0000") + blanks + QStringLiteral("EUR - 1.9558") + blanks);
        PriceDecimals = 2;
        QCOMPARE(RatesTicker::readText(),
                 QStringLiteral("BGN - 1.00") + blanks + QStringLiteral("EUR - 1.96") + blanks);

        // The text is re-read once it has scrolled out of the image.
        form->FormShow();
        form->Timer2->stop();
        RatesTicker *t = form->Image_Show_Valuta_Kurs;
        const int start = t->position();
        form->Timer2Timer();
        QCOMPARE(t->position(), start - 5);
        Db::execute(QStringLiteral("UPDATE Valuti SET Kurs = 2 WHERE Opisanie = 'EUR'"));
        form->Timer1Timer();
        QVERIFY(!t->text().contains(QStringLiteral("EUR - 2.00")));
        t->setPosition(-t->textWidth() - 1);
        form->Timer1Timer();
        QVERIFY(t->text().contains(QStringLiteral("EUR - 2.00")));
        QCOMPARE(t->position(), t->width());
    }

    void emptyRatesAreReadEveryTick()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        Db::execute(QStringLiteral("DELETE FROM Valuti"));
        form->FormShow();
        form->Timer2->stop();
        QCOMPARE(form->Image_Show_Valuta_Kurs->text(), QString());
        form->Timer1Timer();
        QCOMPARE(form->Image_Show_Valuta_Kurs->text(), QString());
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('USD', 1.8, 'False')"));
        form->Timer1Timer();
        QVERIFY(form->Image_Show_Valuta_Kurs->text().startsWith(QStringLiteral("USD - ")));
        QVERIFY(form->Panel_DateTime->text().startsWith(Dates::todayShort() + QStringLiteral(" - ")));
    }

    void showReadsTerminal()
    {
        TestProgram program;
        Settings::writeInteger(Keys::DBVer_Term, 4);
        auto form = startedWindow();
        QVERIFY(form);
        form->FormShow();
        form->Timer2->stop();
        QCOMPARE(form->Panel_terminal->text(), QStringLiteral("4"));
        // A server database is named by its database and server, then the folder.
        const QString folder = program.dataModule()->databaseFolder();
        const auto server = ServerConnection::read(folder);
        QCOMPARE(bool(server), testOnServer());
        QCOMPARE(form->Panel_Database->text(),
                 QStringLiteral("База данни: ")
                     + (server ? QStringLiteral("%1 на %2:%3 (%4)").arg(server->database, server->host).arg(server->port).arg(folder)
                               : folder));
    }

    void negativeQuantityRefused()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        QLineEdit *edit = form->TabSheet_Magazin->Edit_Broj;
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("-2"));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Не се допускат отрицателни количества")});
        QCOMPARE(edit->text(), QStringLiteral("1"));
        PlatformScript::clearEvents();
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("2,5"));
        QTest::keyClicks(edit, QStringLiteral("x"));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
        QCOMPARE(edit->text(), QStringLiteral("2,5x"));
    }

    void panelClicksFollowTheirItems()
    {
        TestProgram program;
        DateSettingsCommand command;
        auto form = startedWindow();
        QVERIFY(form);
        Q_EMIT form->Panel_Database->clicked();
        QCOMPARE(modalCount(QStringLiteral("Form_Change_DB")), 1);
        Q_EMIT form->Panel_Sklad->clicked();
        QCOMPARE(modalCount(QStringLiteral("Form_Sklad")), 1);
        Q_EMIT form->Panel_DateTime->clicked();
        QCOMPARE(PlatformScript::texts(QStringLiteral("startProgram")), QStringList{QStringLiteral("date-settings")});
        auto logins = loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
        Q_EMIT form->Panel_Operator->clicked();
        QCOMPARE(logins->logins, 1);
        form->Timer1->stop();
    }
};
VTEST(MainWindowModesTest)

#include "test_main_window.moc"
