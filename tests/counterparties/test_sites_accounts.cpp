#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "counterparties/counterparty_sites.h"
#include "counterparties/form_kontrag_sklad.h"
#include "counterparties/form_kontrag_smetki.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/script.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
long long count(const char *table)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(table)).toLongLong();
}

void doubleClickRow(CounterpartyRowsWindow &w, int row)
{
    w.DBGrid1->setCurrentIndex(w.list()->index(row, 0));
    w.DBGrid1DblClick(w.list()->index(row, 0));
}

CounterpartySites::Site site(const QString &name)
{
    CounterpartySites::Site s;
    s.Opisanie_SK = name;
    return s;
}

CounterpartySites::Account account(const QString &number, const QString &bank, const QString &code = {})
{
    CounterpartySites::Account a;
    a.Smetka = number;
    a.Kod = code;
    a.Banka = bank;
    return a;
}

void failStatements(const char *table, const char *when)
{
    refuseWrites(QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                    .arg(QLatin1String(when), QLatin1String(table)));
}
} // namespace

class SitesWindow : public QObject
{
    Q_OBJECT
private slots:
    void addEditAndNumbering()
    {
        TestProgram program;
        TForm_Kontrag_Sklad w;
        w.openFor(QStringLiteral("5:Алфа"));
        QCOMPARE(w.state(), 0);
        QCOMPARE(w.Button_NEW_Save->text(), QStringLiteral("НОВ"));
        QCOMPARE(w.Button_Del_Cancel->text(), QStringLiteral("ИЗТРИИ"));

        w.Edit_Name->setText(QStringLiteral("Магазин"));
        w.Button_NEW_Save->click();
        QCOMPARE(w.state(), 1);
        QCOMPARE(w.Button_NEW_Save->text(), QStringLiteral("ЗАПИС"));
        QCOMPARE(w.Button_Del_Cancel->text(), QStringLiteral("ОТКАЖИ"));
        QCOMPARE(w.Edit_Name->text(), QStringLiteral("Магазин")); // "НОВ" keeps what the edits hold
        w.Edit_Tel->setText(QStringLiteral("02 555"));
        w.Edit_EGN->setText(QStringLiteral("0010100100"));
        w.Edit_LK->setText(QStringLiteral("001234567"));
        w.Button_NEW_Save->click();
        QCOMPARE(w.state(), 0);
        QVERIFY(w.Edit_Name->text().isEmpty());
        QCOMPARE(w.list()->rowCount(), 1);
        QCOMPARE(w.list()->value(0, QStringLiteral("ID_SK")).toLongLong(), 1LL);
        QCOMPARE(w.list()->value(0, QStringLiteral("EGN_MOL_SK")).toString(), QStringLiteral("0010100100"));
        QCOMPARE(w.list()->value(0, QStringLiteral("LK_Mol_SK")).toString(), QStringLiteral("001234567"));
        QCOMPARE(w.list()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("N"));

        // Another counterparty's first site takes the next number of the one sequence.
        w.openFor(QStringLiteral("6:Бета"));
        QCOMPARE(w.list()->rowCount(), 0);
        w.Button_NEW_Save->click();
        w.Edit_Name->setText(QStringLiteral("Склад"));
        w.Button_NEW_Save->click();
        QCOMPARE(w.list()->value(0, QStringLiteral("ID_SK")).toLongLong(), 2LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT ID_Kontrag FROM Kontrag_Sklad WHERE ID_SK = 2")).toLongLong(), 6LL);

        // Double click edits that row; only it changes.
        doubleClickRow(w, 0);
        QCOMPARE(w.state(), 2);
        QCOMPARE(w.Edit_Name->text(), QStringLiteral("Склад"));
        w.Edit_Name->setText(QStringLiteral("Склад 2"));
        w.Button_NEW_Save->click();
        QCOMPARE(w.state(), 0);
        QCOMPARE(count("Kontrag_Sklad"), 2LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie_SK FROM Kontrag_Sklad WHERE ID_SK = 2")).toString(),
                 QStringLiteral("Склад 2"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie_SK FROM Kontrag_Sklad WHERE ID_SK = 1")).toString(),
                 QStringLiteral("Магазин"));

        // "ОТКАЖИ" returns to idle with empty edits and writes nothing.
        doubleClickRow(w, 0);
        w.Edit_Name->setText(QStringLiteral("не"));
        w.Button_Del_Cancel->click();
        QCOMPARE(w.state(), 0);
        QVERIFY(w.Edit_Name->text().isEmpty());
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie_SK FROM Kontrag_Sklad WHERE ID_SK = 2")).toString(),
                 QStringLiteral("Склад 2"));
    }

    void retryAfterAFailedStatementDoesNotDuplicate()
    {
        TestProgram program;
        TForm_Kontrag_Sklad w;
        w.openFor(QStringLiteral("3:Гама"));
        failStatements("Kontrag_Sklad", "INSERT");
        w.Button_NEW_Save->click();
        w.Edit_Name->setText(QStringLiteral("Обект"));
        w.Button_NEW_Save->click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QCOMPARE(w.state(), 1);
        QCOMPARE(w.Edit_Name->text(), QStringLiteral("Обект"));
        dropTrigger(QStringLiteral("refuse"));
        w.Button_NEW_Save->click();
        QCOMPARE(count("Kontrag_Sklad"), 1LL);

        doubleClickRow(w, 0);
        w.Edit_Name->setText(QStringLiteral("Обект 2"));
        failStatements("Kontrag_Sklad", "UPDATE");
        w.Button_NEW_Save->click();
        QCOMPARE(w.state(), 2);
        QCOMPARE(w.Button_NEW_Save->text(), QStringLiteral("ЗАПИС"));
        dropTrigger(QStringLiteral("refuse"));
        w.Button_NEW_Save->click(); // the retry updates
        QCOMPARE(count("Kontrag_Sklad"), 1LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie_SK FROM Kontrag_Sklad")).toString(), QStringLiteral("Обект 2"));
    }

    void deleteAsksAndSparesANamedSite()
    {
        TestProgram program;
        TForm_Kontrag_Sklad w;
        w.openFor(QStringLiteral("3:Гама"));
        CounterpartySites::insertSite(3, site(QStringLiteral("А")));
        CounterpartySites::insertSite(3, site(QStringLiteral("Б")));
        CounterpartySites::insertSite(4, site(QStringLiteral("чужд")));
        w.Button_RefreshClick();
        QCOMPARE(w.list()->rowCount(), 2);

        w.Button_Del_Cancel->click(); // no row chosen
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Няма избран ред за изтриване")});

        w.DBGrid1->setCurrentIndex(w.list()->index(0, 0));
        PlatformScript::answer(false);
        w.Button_Del_Cancel->click();
        QCOMPARE(count("Kontrag_Sklad"), 3LL);
        PlatformScript::answer(true);
        w.Button_Del_Cancel->click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).constLast(),
                 QStringLiteral("Желаете ли да изтриете избрания склад?"));
        QCOMPARE(count("Kontrag_Sklad"), 2LL);
        QCOMPARE(w.list()->rowCount(), 1);

        // A site where a fiscal device stands stays.
        Db::execute(QStringLiteral("INSERT INTO Reg_EKA (Dosie_ID, EKA, ID_Sklad) VALUES (1, 'ЕКА1', 2)"));
        w.DBGrid1->setCurrentIndex(w.list()->index(0, 0));
        PlatformScript::answer(true);
        w.Button_Del_Cancel->click();
        QCOMPARE(count("Kontrag_Sklad"), 2LL);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).constLast().contains(QStringLiteral("Reg_EKA")));
        // Another counterparty's row is never reached through this one.
        QCOMPARE(CounterpartySites::removeSite(3, 3), QString());
        QCOMPARE(count("Kontrag_Sklad"), 2LL);
    }

    void anotherCounterpartyStartsIdle()
    {
        TestProgram program;
        CounterpartySites::insertSite(3, site(QStringLiteral("А")));
        TForm_Kontrag_Sklad w;
        w.openFor(QStringLiteral("3:Гама"));
        doubleClickRow(w, 0);
        QCOMPARE(w.state(), 2);
        w.openFor(QStringLiteral("3:Гама")); // the same counterparty keeps the entry
        QCOMPARE(w.state(), 2);
        w.openFor(QStringLiteral("4:Делта"));
        QCOMPARE(w.state(), 0);
        QVERIFY(w.Edit_Name->text().isEmpty());
    }
};
VTEST(SitesWindow)

class AccountsWindow : public QObject
{
    Q_OBJECT
private slots:
    void addEditDeleteAndBankList()
    {
        TestProgram program;
        CounterpartySites::insertAccount(8, account(QStringLiteral("BG11"), QStringLiteral("ОББ"), QStringLiteral("0011")));
        CounterpartySites::insertAccount(8, account(QStringLiteral("BG12"), QStringLiteral("ОББ")));
        CounterpartySites::insertAccount(9, account(QStringLiteral("BG13"), QStringLiteral("ДСК")));
        CounterpartySites::insertAccount(9, account(QStringLiteral("BG14"), QString()));
        TForm_Kontrag_Smetki w;
        w.openFor(QStringLiteral("7:Ета"));
        QCOMPARE(w.list()->rowCount(), 0);

        // "НОВ" lists every bank once, sorted, and empties the bank text.
        w.ComboBox_Banka->setEditText(QStringLiteral("стара"));
        w.Button_New_Save->click();
        QCOMPARE(w.ComboBox_Banka->count(), 2);
        QCOMPARE(w.ComboBox_Banka->itemText(0), QStringLiteral("ДСК"));
        QCOMPARE(w.ComboBox_Banka->itemText(1), QStringLiteral("ОББ"));
        QVERIFY(w.ComboBox_Banka->currentText().isEmpty());

        w.Edit_Nomer_SM->setText(QStringLiteral("BG80BNBG96611020345678"));
        w.Edit_Kod_SM->setText(QStringLiteral("0020"));
        w.ComboBox_Banka->setEditText(QStringLiteral("Пощенска банка"));
        w.Edit_Klon->setText(QStringLiteral("Плевен"));
        w.CheckBox_DDS_SM->setChecked(true);
        w.Button_New_Save->click();
        QCOMPARE(w.state(), 0);
        QVERIFY(w.ComboBox_Banka->currentText().isEmpty());
        QVERIFY(!w.CheckBox_DDS_SM->isChecked());
        QCOMPARE(w.list()->rowCount(), 1);
        QCOMPARE(w.list()->value(0, QStringLiteral("ID_SM")).toLongLong(), 5LL);
        QCOMPARE(w.list()->value(0, QStringLiteral("DDS")).toString(), QStringLiteral("True"));
        QCOMPARE(w.list()->value(0, QStringLiteral("Kod")).toString(), QStringLiteral("0020"));

        // Edit: the row fills the controls; the update keeps the number.
        doubleClickRow(w, 0);
        QCOMPARE(w.ComboBox_Banka->currentText(), QStringLiteral("Пощенска банка"));
        QVERIFY(w.CheckBox_DDS_SM->isChecked());
        w.CheckBox_DDS_SM->setChecked(false);
        w.Button_New_Save->click();
        QCOMPARE(Db::scalar(QStringLiteral("SELECT DDS FROM Kontrag_SM WHERE ID_SM = 5")).toString(),
                 QStringLiteral("False"));
        QCOMPARE(count("Kontrag_SM"), 5LL);

        // Cancel empties the edits but keeps the check box.
        doubleClickRow(w, 0);
        w.CheckBox_DDS_SM->setChecked(true);
        w.Button_Del_Cancel->click();
        QVERIFY(w.Edit_Nomer_SM->text().isEmpty());
        QVERIFY(w.CheckBox_DDS_SM->isChecked());

        w.DBGrid1->setCurrentIndex(w.list()->index(0, 0));
        PlatformScript::answer(true);
        w.Button_Del_Cancel->click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).constLast(),
                 QStringLiteral("Желаете ли да изтриете избраната сметка?"));
        QCOMPARE(count("Kontrag_SM"), 4LL);
        QCOMPARE(w.list()->rowCount(), 0);
    }

    void failedSaveKeepsTheEntry()
    {
        TestProgram program;
        TForm_Kontrag_Smetki w;
        w.openFor(QStringLiteral("2:Тета"));
        w.Button_New_Save->click();
        w.Edit_Nomer_SM->setText(QStringLiteral("BG1"));
        failStatements("Kontrag_SM", "INSERT");
        w.Button_New_Save->click();
        QCOMPARE(w.state(), 1);
        QCOMPARE(w.Edit_Nomer_SM->text(), QStringLiteral("BG1"));
        dropTrigger(QStringLiteral("refuse"));
        w.Button_New_Save->click();
        QCOMPARE(count("Kontrag_SM"), 1LL);

        // A window without a counterparty stores nothing.
        w.openFor(QStringLiteral("0: Няма избран контрагент"));
        w.Button_New_Save->click();
        w.Edit_Nomer_SM->setText(QStringLiteral("BG2"));
        w.Button_New_Save->click();
        QCOMPARE(count("Kontrag_SM"), 1LL);
        QCOMPARE(w.state(), 1);
    }
};
VTEST(AccountsWindow)

#include "test_sites_accounts.moc"
