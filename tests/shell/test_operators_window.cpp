#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/passwords.h"
#include "shell/form_operatori.h"
#include "shell/rights.h"

#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using namespace shelltest;

namespace {
// What typing does to a line edit (keyClicks takes Latin-1 only).
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    Q_EMIT edit->textEdited(text);
}

QString storedPassword(const QString &name)
{
    return Db::scalar(QStringLiteral("SELECT Par FROM Operators WHERE Ime = ?"), {name}).toString();
}
} // namespace

// The operators window: its rights tree and saving operators.
class OperatorsWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void treeTogglePropagation()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        TForm_Operatori w(form.get());
        w.FormShow();
        const MainMenuActions &menu = form->menu();
        auto item = [&](const char *name) { return w.node(menu.numberOf(QString::fromLatin1(name))); };
        QTreeWidgetItem *reports = item("N_Otcheti");
        QTreeWidgetItem *withoutZero = item("N_ot4et_bez_Nula");
        QTreeWidgetItem *withZero = item("N_ot4et_s_Nula");

        // Denying the last allowed child denies its group.
        w.TreeView_MenuesClick(withoutZero);
        QCOMPARE(Rights::image(withoutZero), int(Rights::Denied));
        QCOMPARE(Rights::image(reports), int(Rights::Allowed));
        w.TreeView_MenuesClick(withZero);
        QCOMPARE(Rights::image(reports), int(Rights::Denied));
        QCOMPARE(Rights::image(item("N_Dejstviq")), int(Rights::Allowed)); // one level only

        // Allowing a child allows every group above it.
        w.TreeView_MenuesClick(item("N_Dejstviq"));
        QCOMPARE(Rights::image(item("N_Prodajba")), int(Rights::Denied)); // the branch follows
        QCOMPARE(Rights::image(item("N_Izhod")), int(Rights::Denied));
        w.TreeView_MenuesClick(withZero);
        QCOMPARE(Rights::image(withZero), int(Rights::Allowed));
        QCOMPARE(Rights::image(reports), int(Rights::Allowed));
        QCOMPARE(Rights::image(item("N_Dejstviq")), int(Rights::Allowed));
        QCOMPARE(Rights::image(withoutZero), int(Rights::Denied)); // siblings stay

        // The root toggles only itself.
        QTreeWidgetItem *root = w.node(0);
        w.TreeView_MenuesClick(root);
        QCOMPARE(Rights::image(root), int(Rights::Denied));
        QCOMPARE(Rights::image(item("N_Nomenklaturi")), int(Rights::Allowed));
        QVERIFY(w.TreeView_Menues->selectedItems().isEmpty());

        const QString text = w.rightsFromTree();
        QVERIFY(text.startsWith(QStringLiteral("0=1,1=0,")));
        QCOMPARE(Rights::GETRIGHTS(text).size(), menu.count());
    }

    void rowClickShowsEachOperatorsOwnRights()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        const int valuti = form->menu().numberOf(QStringLiteral("N_Valuti"));
        const int about = form->menu().numberOf(QStringLiteral("N43"));
        addOperator(QStringLiteral("Мария"), QStringLiteral("m"), QStringLiteral("%1=1,%2=?,").arg(valuti).arg(about));
        TForm_Operatori w(form.get());
        w.FormShow();
        QCOMPARE(w.Edit_Ime->text(), QStringLiteral("Администратор"));
        QCOMPARE(w.Edit_Par->text(), QString::fromLatin1(TForm_Operatori::UntouchedPassword));
        QVERIFY(!w.Edit_Ime->isEnabled());

        w.DBGrid1->selectRow(1);
        w.DBGrid1CellClick();
        QCOMPARE(w.Edit_Ime->text(), QStringLiteral("Мария"));
        QCOMPARE(Rights::image(w.node(valuti)), int(Rights::Denied));
        QCOMPARE(Rights::image(w.node(about)), int(Rights::Denied)); // damaged entry: denied

        w.DBGrid1->selectRow(0);
        w.DBGrid1CellClick();
        QCOMPARE(Rights::image(w.node(valuti)), int(Rights::Allowed)); // nothing carried over
        QCOMPARE(Rights::image(w.node(about)), int(Rights::Allowed));
    }

    void newOperator()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        TForm_Operatori w(form.get());
        w.FormShow();
        PlatformScript::answer(QStringLiteral("yes"));
        w.DBGrid1DblClick();
        QCOMPARE(w.OperatorEditMode, 0);
        QVERIFY(w.Edit_Ime->isEnabled());
        QCOMPARE(w.Edit_Ime->text(), QString()); // not the selected operator's name
        QCOMPARE(w.Edit_Par->text(), QString());

        w.BitBtn_Insert_OperatorClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Въведете име на оператора."));
        w.Edit_Ime->setText(QStringLiteral("Администратор"));
        QTest::keyClicks(w.Edit_Par, QStringLiteral("x"));
        w.BitBtn_Insert_OperatorClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                 QStringLiteral("Вече има оператор с име \"Администратор\"."));
        w.Edit_Ime->setText(QStringLiteral("Петър"));
        w.Edit_Par->clear();
        w.BitBtn_Insert_OperatorClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Въведете парола на оператора."));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Operators")).toInt(), 1);

        const int valuti = form->menu().numberOf(QStringLiteral("N_Valuti"));
        w.TreeView_MenuesClick(w.node(valuti));
        typeInto(w.Edit_Par, QStringLiteral("тайна"));
        w.BitBtn_Insert_OperatorClick();
        const auto row = Db::firstRow(QStringLiteral("SELECT Par, Prava FROM Operators WHERE Ime = ?"),
                                      {QStringLiteral("Петър")});
        QVERIFY(row);
        QVERIFY(Passwords::verify(QStringLiteral("тайна"), row->value(0).toString()));
        QCOMPARE(Rights::entryState(Rights::GETRIGHTS(row->value(1).toString()), valuti), int(Rights::Denied));
        QVERIFY(!w.Edit_Ime->isEnabled());
        QCOMPARE(w.Edit_Ime->text(), QStringLiteral("Петър"));
    }

    void editOperator()
    {
        TestProgram program;
        addOperator(QStringLiteral("Мария"), QStringLiteral("m"));
        auto form = startedWindow();
        QVERIFY(form);
        const QString adminHash = storedPassword(QStringLiteral("Администратор"));
        TForm_Operatori w(form.get());
        w.FormShow();

        // The password edit left as shown keeps the stored password.
        PlatformScript::answer(QStringLiteral("no"));
        w.DBGrid1DblClick();
        QCOMPARE(w.OperatorEditMode, 1);
        QCOMPARE(w.Edit_Ime->text(), QStringLiteral("Администратор"));
        w.Edit_Ime->setText(QStringLiteral("Админ"));
        w.BitBtn_Insert_OperatorClick();
        QCOMPARE(storedPassword(QStringLiteral("Админ")), adminHash);

        // No operator takes a name in use.
        PlatformScript::answer(QStringLiteral("no"));
        w.DBGrid1DblClick();
        w.Edit_Ime->setText(QStringLiteral("Мария"));
        w.BitBtn_Insert_OperatorClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Вече има оператор с име \"Мария\"."));
        QVERIFY(Db::scalar(QStringLiteral("SELECT 1 FROM Operators WHERE Ime = ?"), {QStringLiteral("Админ")}).isValid());

        // A retyped password is stored (hashed); "ОТКАЖИ" writes nothing.
        w.Edit_Par->clear();
        typeInto(w.Edit_Par, QStringLiteral("ново"));
        w.Edit_Ime->setText(QStringLiteral("Админ"));
        w.BitBtn_Insert_OperatorClick();
        QVERIFY(Passwords::verify(QStringLiteral("ново"), storedPassword(QStringLiteral("Админ"))));

        PlatformScript::answer(QStringLiteral("cancel"));
        w.DBGrid1DblClick();
        QVERIFY(!w.Edit_Ime->isEnabled());
        PlatformScript::answer(QStringLiteral("no"));
        w.DBGrid1DblClick();
        w.Edit_Ime->setText(QStringLiteral("Никой"));
        w.BitBtn_Cancel_OperatorClick();
        QCOMPARE(w.Edit_Ime->text(), QStringLiteral("Админ"));
        QVERIFY(!w.Edit_Ime->isEnabled());
    }

    void someoneKeepsTheOperatorsWindow()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        TForm_Operatori w(form.get());
        w.FormShow();
        PlatformScript::answer(QStringLiteral("no"));
        w.DBGrid1DblClick();
        // Denying the settings menu takes "Достъп оператори" with it.
        w.TreeView_MenuesClick(w.node(form->menu().numberOf(QStringLiteral("N_Nastrojki"))));
        w.BitBtn_Insert_OperatorClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                 QStringLiteral("Поне един оператор трябва да има достъп до \"Достъп оператори\"."));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Prava FROM Operators")).toString(), QString());
    }

    void closingAsksForLogin()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        auto logins = loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
        QVERIFY(form->triggerItem(QStringLiteral("N_Operatori")));
        QCOMPARE(modalCount(QStringLiteral("Form_Operatori")), 1);
        QCOMPARE(logins->logins, 1);
        form->Timer1->stop();
    }
};
VTEST(OperatorsWindowTest)

#include "test_operators_window.moc"
