#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/ini_file.h"
#include "common/settings.h"
#include "app/data_module.h"
#include "app/login_request.h"
#include "shell/operator_login.h"
#include "shell/rights.h"
#include "shell/shop_tab.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace shelltest;

// The login window and what a login does to the main window.
class LoginWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void operatorCheck()
    {
        TestProgram program;
        addOperator(QStringLiteral("Ime"), QStringLiteral("парола"));
        QVERIFY(OperatorLogin::check(QStringLiteral("Администратор"), QStringLiteral("admin")));
        QVERIFY(!OperatorLogin::check(QStringLiteral("Администратор"), QStringLiteral("Admin")));
        QVERIFY(!OperatorLogin::check(QStringLiteral("Администратор"), QString()));
        QVERIFY(!OperatorLogin::check(QStringLiteral("Администратор"), QStringLiteral("\" OR \"\"=\"")));
        QVERIFY(!OperatorLogin::check(QStringLiteral("\" OR \"\"=\""), QStringLiteral("\" OR \"\"=\"")));
        // A name that is also a column name is only a name.
        QVERIFY(!OperatorLogin::check(QStringLiteral("Ime"), QStringLiteral("admin")));
        QVERIFY(OperatorLogin::check(QStringLiteral("Ime"), QStringLiteral("парола")));
        QVERIFY(!OperatorLogin::check(QStringLiteral("ime"), QStringLiteral("парола")));
        QCOMPARE(OperatorLogin::names(), (QStringList{"Администратор", "Ime"}));
    }

    void startupLoginAndEsc()
    {
        TestProgram program;
        resetProgramState();
        TGeneral_Form form;
        // Esc answered No keeps the window; a wrong password keeps it too; then a right one.
        PlatformScript::setModalHandler([](QDialog *d) {
            auto *login = qobject_cast<TForm_Dostap_Operators *>(d);
            if (!login)
                return int(QDialog::Rejected);
            PlatformScript::answer(false);
            QTest::keyClick(login, Qt::Key_Escape);
            if (login->endRequested())
                return int(QDialog::Rejected);
            login->Edit_Password->setText(QStringLiteral("wrong"));
            login->OKBtn->click();
            if (login->loggedIn())
                return int(QDialog::Accepted);
            login->Edit_Password->setText(QStringLiteral("admin"));
            login->OKBtn->click();
            return login->result();
        });
        QVERIFY(form.FormCreate());
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 QStringList{QStringLiteral("Найстина ли желаете да приключите работа")});
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Невалидни данни")});
        QCOMPARE(AppState::instance().currentOperator(), QStringLiteral("Администратор"));
        QCOMPARE(form.Panel_Operator->text(), QStringLiteral("Оператор: Администратор"));
        QCOMPARE(Settings::readString(Keys::Store_ActiveOper), QStringLiteral("Администратор"));
        QVERIFY(form.Timer1->isActive());
        QVERIFY(form.loginForm()->firstLogin());
        form.Timer1->stop();
    }

    void startupEscConfirmedEndsProgram()
    {
        TestProgram program;
        resetProgramState();
        TGeneral_Form form;
        PlatformScript::setModalHandler([](QDialog *d) {
            PlatformScript::answer(true);
            d->close(); // the close box runs "Cancel" as well
            return d->result();
        });
        QVERIFY(!form.FormCreate());
        QVERIFY(form.programEnded());
        QCOMPARE(AppState::instance().currentOperator(), QString());
        QCOMPARE(Settings::readString(Keys::Store_ActiveOper), QString());
    }

    void repeatLoginNeverKeepsPreviousByKeyPress()
    {
        TestProgram program;
        addOperator(QStringLiteral("Мария"), QStringLiteral("m"));
        auto form = startedWindow();
        QVERIFY(form);
        OperatorCounterpartyList.insert(QStringLiteral("Администратор"), QStringLiteral("5:Фирма"));
        form->TabSheet_Magazin->Label_Selected_Kontragent->setText(QStringLiteral("5:Фирма"));
        const int valuti = form->menu().numberOf(QStringLiteral("N_Valuti"));
        Db::execute(QStringLiteral("UPDATE Operators SET Prava = ? WHERE Ime = ?"),
                    {QStringLiteral("%1=1,").arg(valuti), QStringLiteral("Мария")});

        // Esc with No, then a wrong password for another operator: nothing changes.
        PlatformScript::setModalHandler([](QDialog *d) {
            auto *login = qobject_cast<TForm_Dostap_Operators *>(d);
            PlatformScript::answer(false);
            QTest::keyClick(login, Qt::Key_Escape);
            login->ComboBox_Operators->setCurrentIndex(login->ComboBox_Operators->findText(QStringLiteral("Мария")));
            login->Edit_Password->setText(QStringLiteral("x"));
            login->OKBtn->click();
            return login->result();
        });
        QVERIFY(!form->N_dostapClick());
        QVERIFY(!form->loginForm()->firstLogin());
        QVERIFY(!form->programEnded());
        QCOMPARE(AppState::instance().currentOperator(), QStringLiteral("Администратор"));
        QCOMPARE(Settings::readString(Keys::Store_ActiveOper), QStringLiteral("Администратор"));
        QVERIFY(form->action(QStringLiteral("N_Valuti"))->isEnabled());
        QCOMPARE(form->TabSheet_Magazin->Label_Selected_Kontragent->text(), QStringLiteral("5:Фирма"));

        // The right password: her rights, her counterparty (none yet: her bill is empty), her name kept.
        loginAs(QStringLiteral("Мария"), QStringLiteral("m"));
        QVERIFY(form->N_dostapClick());
        QCOMPARE(Settings::readString(Keys::Store_ActiveOper), QStringLiteral("Мария"));
        QVERIFY(!form->action(QStringLiteral("N_Valuti"))->isEnabled());
        QCOMPARE(form->TabSheet_Magazin->Label_Selected_Kontragent->text(), QStringLiteral("0:Няма избран контрагент"));

        // The login window preselects the operator saved last.
        auto preselected = std::make_shared<QString>();
        PlatformScript::setModalHandler([preselected](QDialog *d) {
            *preselected = qobject_cast<TForm_Dostap_Operators *>(d)->ComboBox_Operators->currentText();
            return 0;
        });
        form->N_dostapClick();
        QCOMPARE(*preselected, QStringLiteral("Мария"));
        form->Timer1->stop();
    }

    void cancelDisabledWithExitDenied()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        const int exit = form->menu().numberOf(QStringLiteral("N_Izhod"));
        Db::execute(QStringLiteral("UPDATE Operators SET Prava = ?"), {QStringLiteral("%1=1,").arg(exit)});
        loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
        QVERIFY(form->N_dostapClick());
        QVERIFY(!form->action(QStringLiteral("N_Izhod"))->isEnabled());

        PlatformScript::clearEvents();
        PlatformScript::setModalHandler([](QDialog *d) {
            auto *login = qobject_cast<TForm_Dostap_Operators *>(d);
            QTest::keyClick(login, Qt::Key_Escape);
            login->close();
            return login->result();
        });
        QVERIFY(!form->N_dostapClick());
        QVERIFY(!form->loginForm()->CancelBtn->isEnabled());
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
        QVERIFY(!form->programEnded());
        form->Timer1->stop();
    }

    // The login shown by a real modal loop: Esc comes as a key from a timer,
    // the question it raises is a real box, and "Не" keeps the login open.
    void escInARealModalLoginAsksAndNoKeepsIt()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        PlatformScript::deactivate();
        QStringList questions;
        int step = 0;
        QTimer driver;
        driver.setInterval(10);
        connect(&driver, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                questions << box->text();
                box->button(QMessageBox::No)->click();
                return;
            }
            auto *login = qobject_cast<TForm_Dostap_Operators *>(modal);
            if (!login || !login->isVisible())
                return;
            if (step == 0) {
                ++step; // the key arrives through the login's own event loop
                QCoreApplication::postEvent(login, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
                QCoreApplication::postEvent(login, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
            } else if (step == 1 && !questions.isEmpty()) {
                ++step;
                login->Edit_Password->setText(QStringLiteral("admin"));
                login->OKBtn->click();
            }
        });
        driver.start();
        const bool loggedIn = form->N_dostapClick();
        driver.stop();
        PlatformScript::activate();
        QVERIFY(loggedIn);
        QCOMPARE(questions, QStringList{QStringLiteral("Найстина ли желаете да приключите работа")});
        QVERIFY(!form->programEnded());
        QCOMPARE(AppState::instance().currentOperator(), QStringLiteral("Администратор"));
        form->Timer1->stop();
    }

    // Logging in again on the same database keeps the data module and its
    // connection: nothing is re-created, nothing reconnected.
    void repeatLoginKeepsTheDataModuleAndItsConnection()
    {
        TestProgram program(false); // the first login makes the data module, as at start-up
        resetProgramState();
        auto form = std::make_unique<TGeneral_Form>();
        loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
        QVERIFY(form->FormCreate());
        form->Timer1->stop();
        TDataModule1 *module = DataModule1;
        QVERIFY(module);
        QVERIFY(module->isOpen());
        QSignalSpy switched(module, &TDataModule1::databaseChanged);
        // A temporary table lives only as long as its connection.
        QSqlQuery mark(Db::connection());
        QVERIFY2(mark.exec(QStringLiteral("CREATE TEMP TABLE login_probe (x INTEGER)")),
                 qPrintable(mark.lastError().text()));

        for (int i = 0; i < 2; ++i) {
            loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
            QVERIFY(form->N_dostapClick());
        }
        QCOMPARE(DataModule1, module);
        QCOMPARE(switched.size(), 0);
        QSqlQuery probe(Db::connection());
        QVERIFY2(probe.exec(QStringLiteral("SELECT COUNT(*) FROM login_probe")),
                 qPrintable(probe.lastError().text()));
        form->Timer1->stop();
    }

    void neverTwoLoginWindows()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        auto script = std::make_shared<LoginScript>();
        PlatformScript::setModalHandler([script](QDialog *d) {
            ++script->logins;
            LoginRequest::request(); // e.g. a database switch while the login is open
            auto *login = qobject_cast<TForm_Dostap_Operators *>(d);
            login->Edit_Password->setText(QStringLiteral("admin"));
            login->OKBtn->click();
            return login->result();
        });
        LoginRequest::request();
        QCOMPARE(script->logins, 1);
        QCOMPARE(modalCount(QStringLiteral("Form_Dostap_Operators")), 1);
        QVERIFY(!form->loginOpen());
        form->Timer1->stop();
    }

    void deskCaptionsFollowEachOperatorsShortcuts()
    {
        TestProgram program;
        addOperator(QStringLiteral("Мария"), QStringLiteral("m"));
        auto form = startedWindow();
        QVERIFY(form);
        ShopTab *shop = form->TabSheet_Magazin;
        QCOMPARE(shop->Button_Prodajba->text(), QStringLiteral("Продажба     Ins"));
        QCOMPARE(shop->Button_Otkaz->text(), QStringLiteral("Откажи          Del"));
        QCOMPARE(shop->Button_Insert_in_List->text(), QStringLiteral("Добави в списък        "));
        QCOMPARE(shop->Button_Select_all->text(), QStringLiteral("Избери всичко    Ctrl+S"));
        QCOMPARE(shop->Button_TO->text(), QStringLiteral("Свободна отстъпка   F11"));
        QCOMPARE(shop->Button_Refresh->text(), QStringLiteral("Обнови   F12"));

        const int sale = form->menu().numberOf(QStringLiteral("N_Prodajba"));
        IniFile ini(Settings::filePath());
        const QString section = Settings::operatorSection(QStringLiteral("Администратор"));
        ini.writeInteger(section, QStringLiteral("Counts"), form->menu().count());
        ini.writeString(section, QString::number(sale), QStringLiteral("F5"));
        QVERIFY(ini.save());
        loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
        QVERIFY(form->N_dostapClick());
        QCOMPARE(shop->Button_Prodajba->text(), QStringLiteral("Продажба     F5"));
        QCOMPARE(form->action(QStringLiteral("N_Prodajba"))->shortcut(), QKeySequence(Qt::Key_F5));

        // No section of her own: the design keys, not the previous operator's.
        loginAs(QStringLiteral("Мария"), QStringLiteral("m"));
        QVERIFY(form->N_dostapClick());
        QCOMPARE(shop->Button_Prodajba->text(), QStringLiteral("Продажба     Ins"));
        form->Timer1->stop();
    }
};
VTEST(LoginWindowTest)

#include "test_login.moc"
