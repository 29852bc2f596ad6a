#pragma once
// Helpers of the main-window tests: operators in the test database, a
// scripted login, and a main window on a fresh program folder.
#include "common/ini_file.h"
#include "common/passwords.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "shell/form_dostap_operators.h"
#include "shell/general_form.h"
#include "shell/status_widgets.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace shelltest {

inline void resetProgramState()
{
    AppState::instance().setCurrentOperator(QString());
    AppState::instance().setActiveWarehouseText(QString());
    OperatorCounterpartyList.clear();
    RightsList.clear();
    ArticlePickMode = -1;
    CounterpartyPickMode = -1;
    PriceDecimals = 4;
    LongOperationFlag = -1;
}

inline void addOperator(const QString &name, const QString &password, const QString &prava = {})
{
    Db::execute(QStringLiteral("INSERT INTO Operators (Ime, Par, Prava) VALUES (?, ?, ?)"),
                {name, Passwords::hash(password), prava.isNull() ? QStringLiteral("") : prava});
}

// Fills and confirms the login window when it comes; other windows are
// recorded (by the script) and closed.
struct LoginScript {
    QString name;
    QString password;
    int logins = 0; // login windows seen
};

inline void scriptLogins(std::shared_ptr<LoginScript> script)
{
    PlatformScript::setModalHandler([script](QDialog *d) {
        auto *login = qobject_cast<TForm_Dostap_Operators *>(d);
        if (!login)
            return int(QDialog::Rejected);
        ++script->logins;
        login->ComboBox_Operators->setCurrentIndex(login->ComboBox_Operators->findText(script->name));
        login->Edit_Password->setText(script->password);
        login->OKBtn->click();
        return login->result();
    });
}

inline std::shared_ptr<LoginScript> loginAs(const QString &name, const QString &password)
{
    auto s = std::make_shared<LoginScript>();
    s->name = name;
    s->password = password;
    scriptLogins(s);
    return s;
}

// A started main window, logged in as the first operator.
inline std::unique_ptr<TGeneral_Form> startedWindow(const QString &name = QStringLiteral("Администратор"),
                                                    const QString &password = QStringLiteral("admin"))
{
    resetProgramState();
    auto form = std::make_unique<TGeneral_Form>();
    loginAs(name, password);
    if (!form->FormCreate())
        return nullptr;
    form->Timer1->stop();
    PlatformScript::setModalHandler({});
    PlatformScript::clearEvents();
    return form;
}

// `form` shown and logged in as "Касиер" (password "1"), who is denied
// `item`; he and "Администратор" both have `keys` on it. Timers stopped,
// events cleared.
inline void loginDeniedOne(TGeneral_Form &form, const QString &item, const QString &keys)
{
    const int number = form.menu().numberOf(item);
    addOperator(QStringLiteral("Касиер"), QStringLiteral("1"), QStringLiteral("%1=1,").arg(number));
    IniFile ini(Settings::filePath());
    for (const QString &op : {QStringLiteral("Касиер"), QStringLiteral("Администратор")}) {
        ini.writeInteger(Settings::operatorSection(op), QStringLiteral("Counts"), form.menu().count());
        ini.writeString(Settings::operatorSection(op), QString::number(number), keys);
    }
    QVERIFY(ini.save());
    loginAs(QStringLiteral("Касиер"), QStringLiteral("1"));
    QVERIFY(form.FormCreate());
    form.Timer1->stop();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.Timer2->stop();
    PlatformScript::clearEvents();
}

// The administrator logs in over the one before.
inline void loginAdministrator(TGeneral_Form &form)
{
    loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
    QVERIFY(form.N_dostapClick());
    PlatformScript::setModalHandler({});
    PlatformScript::clearEvents();
}

inline int modalCount(const QString &objectName)
{
    int n = 0;
    for (const auto &e : PlatformScript::events())
        n += e.kind == QLatin1String("modal") && e.text == objectName;
    return n;
}

} // namespace shelltest
