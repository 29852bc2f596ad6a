#include "app/app_state.h"
#include "app/data_module.h"
#include "app/form_get_kol.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_projzvodstvo.h"
#include "common/settings.h"
#include "desk/desk_entry.h"
#include "desk/desk_lines.h"
#include "desk/desk_search.h"
#include "desk/desk_state.h"
#include "desk/shop_desk.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/transaction.h"
#include "platform/script.h"
#include "desk_controls.h"
#include "test_registry.h"
#include "test_support.h"
#include "query_plans.h"

#include <QComboBox>
#include <QStyledItemDelegate>
#include <QDir>
#include <QMultiHash>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>


#include <algorithm>

namespace {
void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}

int count(const QString &sql)
{
    return Db::scalar(sql).toInt();
}

// Articles: 1 Мляко прясно (2.50), 2 and 3 both "Мляко кисело" (1.20 and 1.30),
// 4 warranty Телефон (3 serials, shelf life 2:6), 5 series Билет, 6 free price,
// 7 Кафе with the code "ab-12" in every code table.
void shop()
{
    exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('BGL', 1, 'True'), ('EUR', 1.95583, 'False')"));
    exec(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Храни'), (2, 'Техника')"));
    exec(QStringLiteral(
        "INSERT INTO Produkti (ID, Nomenkl_N, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka, Garancionen, Poredica, "
        "Trajnost, Max_TO, Dan_Grup, Prigotvq_Se) VALUES "
        "(1, 'N1', 1, 'Мляко прясно', 2.5, 'BGL', 'л', 'False', 'False', '1:3', 0, 2, 0), "
        "(2, 'N2', 1, 'Мляко кисело', 1.2, 'BGL', 'бр', 'False', 'False', '', 0, 2, 0), "
        "(3, 'N3', 1, 'Мляко кисело', 1.3, 'BGL', 'бр', 'False', 'False', '', 0, 2, 0), "
        "(4, 'N4', 2, 'Телефон', 300, 'EUR', 'бр', 'True', 'False', '2:6', 0, 1, 0), "
        "(5, 'N5', 2, 'Билет', 5, 'BGL', 'бр', 'False', 'True', '', 0, 1, 0), "
        "(6, 'N6', 1, 'Плод', 0, 'BGL', 'кг', 'False', 'False', '', 0, 2, 0), "
        "(7, 'ab-12', 1, 'Кафе 100%_a\"b', 4, 'BGL', 'бр', 'False', 'False', '', 0, 2, 3)"));
    exec(QStringLiteral("INSERT INTO Barkodes (ID, Barkode) VALUES (1, '3800001'), (2, '3800002'), (3, '3800002'), "
                        "(7, 'ab-12')"));
    exec(QStringLiteral("INSERT INTO Serials (ID_Karta, ID, Serial_ID, Data) VALUES (1, 4, 'SN-A', '2027-01-31'), "
                        "(1, 4, 'SN-B', '2027-02-28'), (1, 4, 'SN-C', '2027-03-31'), (1, 7, 'ab-12', '2028-01-01')"));
    exec(QStringLiteral("INSERT INTO Karti (Karts, ID) VALUES ('ab-12', 7), ('K-1', 1)"));
}

// The shop tab's controls around a desk, as the main window makes them.
struct Desk {
    QWidget tab;
    DeskControls c;
    std::unique_ptr<ShopDesk> desk;
    DeskEntry *e = nullptr;
    Desk()
    {
        AppState::instance().setCurrentOperator(QStringLiteral("Иван"));
        OperatorCounterpartyList.clear();
        CurrentBill = 0;
        LineEditFlag = false;
        PriceDecimals = 2;
        c = deskControls(&tab);
        desk = std::make_unique<ShopDesk>(c);
        e = desk->entry();
        desk->afterLogin();
        tab.show();
    }
    void search(const char *prefix, const QString &text)
    {
        desk->Label_Search_In->setText(QString::fromLatin1(prefix));
        desk->Edit_Barkod->setText(text);
        e->Edit_BarkodExit();
    }
    QStringList hitNames() const
    {
        QStringList names;
        for (int i = 0; i < desk->ListBox_Opisanie_Artikuli->count(); ++i)
            names << desk->ListBox_Opisanie_Artikuli->item(i)->text();
        return names;
    }
};

QString lastMessage()
{
    const QStringList m = PlatformScript::texts(QStringLiteral("message"));
    return m.isEmpty() ? QString() : m.last();
}

ArticlePick::Picked pickOf(long long id)
{
    ArticlePick::Picked p;
    p.current = *Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = ?"), {id});
    p.marked = {p.current};
    return p;
}
} // namespace

class DeskSearchTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void prefixTable()
    {
        TestProgram program;
        Desk d;
        struct Case { char letter; const char *table, *field; };
        const Case cases[] = {{'a', "Produkti", "ID"},    {'b', "Barkodes", "Barkode"}, {'i', "Produkti", "Opisanie"},
                              {'k', "Karti", "Karts"},     {'n', "Produkti", "Nomenkl_N"}, {'s', "Serials", "Serial_ID"},
                              {'x', "Serials", "Serial_ID"}}; // another letter leaves both as they were
        for (const Case &c : cases) {
            d.e->GetTableName(QLatin1Char(c.letter));
            QCOMPARE(d.e->SearchTable, QString::fromLatin1(c.table));
            QCOMPARE(d.e->SearchField, QString::fromLatin1(c.field));
        }
    }

    void statementsAndValues()
    {
        TestProgram program; // a part of a name is looked up in the name index
        struct Case { char letter; QString text; bool folded; bool valid; const char *where; QVariantList values; };
        const Case cases[] = {
            {'a', QStringLiteral("12"), false, true, "WHERE P.ID = ?", {12LL}},
            {'a', QStringLiteral("12x"), false, false, "", {}},
            {'a', QStringLiteral("12"), true, false, "", {}},
            {'b', QStringLiteral("ab-12"), false, true, "WHERE S.Barkode = ?", {QStringLiteral("ab-12")}},
            {'b', QStringLiteral("ab-12"), true, true, "WHERE (S.Barkode = UPPER(?) OR S.Barkode_Up = UPPER(?))",
             {QStringLiteral("ab-12"), QStringLiteral("ab-12")}},
            {'k', QStringLiteral("x\"y'z"), false, true, "WHERE S.Karts = ?", {QStringLiteral("x\"y'z")}},
            {'n', QStringLiteral("ab-12"), true, true, "WHERE (P.Nomenkl_N = UPPER(?) OR P.Nomenkl_N_Up = UPPER(?))",
             {QStringLiteral("ab-12"), QStringLiteral("ab-12")}},
            {'s', QStringLiteral("SN-A"), false, true, "WHERE S.Serial_ID = ?", {QStringLiteral("SN-A")}},
            // From three characters on the name index narrows the rows the LIKE then checks.
            {'i', QStringLiteral("мляко"), false, true,
             "WHERE P.ID IN (SELECT rowid FROM Produkti_Ime WHERE Produkti_Ime MATCH ?) AND UPPER(P.Opisanie) LIKE "
             "UPPER(?) ESCAPE",
             {QStringLiteral("\"МЛЯКО\""), QStringLiteral("%мляко%")}},
            {'i', QStringLiteral("100%_a'b\""), false, true, "LIKE UPPER(?)",
             {QStringLiteral("\"100%_A'B\"\"\""), QStringLiteral("%100\\%\\_a'b\"%")}},
            {'i', QStringLiteral("мл"), false, true, "WHERE UPPER(P.Opisanie) LIKE UPPER(?) ESCAPE",
             {QStringLiteral("%мл%")}},
            {'i', QStringLiteral("мляко"), true, false, "", {}},
            {'x', QStringLiteral("1"), false, false, "", {}},
        };
        for (const Case &c : cases) {
            const DeskSearch::Statement s = DeskSearch::statement(QLatin1Char(c.letter), c.text, c.folded);
            QCOMPARE(s.valid, c.valid);
            if (!c.valid || (c.letter == 'i' && testOnServer()))
                continue; // a server's own index serves the name's LIKE alone
            QVERIFY2(s.sql.contains(QString::fromLatin1(c.where)), qPrintable(s.sql));
            QCOMPARE(s.params, c.values);
        }
    }

    void codesInAnyCaseAndIndexed()
    {
        TestProgram program;
        shop();
        for (char letter : {'b', 'k', 'n', 's'}) {
            for (const QString &typed : {QStringLiteral("AB-12"), QStringLiteral("ab-12")}) {
                const auto hits = DeskSearch::find(QLatin1Char(letter), typed);
                QVERIFY(hits);
                QCOMPARE(hits->size(), 1);
                QCOMPARE(hits->first().id, 7LL);
            }
        }
        // Each exact look-up is served by an index: no table is scanned.
        for (char letter : {'a', 'b', 'k', 'n', 's'}) {
            const DeskSearch::Statement s = DeskSearch::statement(QLatin1Char(letter), QStringLiteral("7"));
            const QString plan = planOf(s.sql, s.params).join(QLatin1Char('|'));
            QVERIFY2(!plan.contains(QStringLiteral("SCAN")) && !plan.contains(QStringLiteral("Seq Scan")), qPrintable(plan));
            QVERIFY2(plan.contains(QStringLiteral("INDEX"), Qt::CaseInsensitive), qPrintable(plan));
        }
    }

    // The name search finds what the program's own upper-casing finds, on
    // either engine: Cyrillic in any case, accents, and % _ \ as text.
    void namesFoundInAnyCaseAsTheProgramFoldsThem()
    {
        TestProgram program;
        const QStringList names{QStringLiteral("Мляко ПРЯСНО"), QStringLiteral("мляко прясно"), QStringLiteral("Ѝо-ѝо"),
                                QStringLiteral("ЁЛХА ёлха"), QStringLiteral("Café crème"), QStringLiteral("100% сок"),
                                QStringLiteral("a_b\\c"), QStringLiteral("Щипка Ъгъл")};
        for (int i = 0; i < names.size(); ++i)
            exec(QStringLiteral("INSERT INTO Produkti (ID, Opisanie) VALUES (?, ?)"), {i + 1, names.at(i)});
        for (const QString &typed : {QStringLiteral("мляко"), QStringLiteral("ПРЯС"), QStringLiteral("ѝо"),
                                     QStringLiteral("ёл"), QStringLiteral("ЁЛХА Ё"), QStringLiteral("CAFÉ"),
                                     QStringLiteral("è"), QStringLiteral("%"), QStringLiteral("0% С"),
                                     QStringLiteral("_"), QStringLiteral("\\"), QStringLiteral("щипка ъ"), QStringLiteral("ко п")}) {
            QList<long long> expected;
            for (int i = 0; i < names.size(); ++i)
                if (Db::upper(names.at(i)).contains(Db::upper(typed)))
                    expected << i + 1;
            const auto hits = DeskSearch::find(QLatin1Char('i'), typed);
            QVERIFY(hits);
            QList<long long> found;
            for (const DeskSearch::Hit &h : *hits)
                found << h.id;
            std::sort(found.begin(), found.end());
            QVERIFY2(!expected.isEmpty(), qPrintable(typed));
            QCOMPARE(found, expected);
        }
    }

    void hitsAndPicks()
    {
        TestProgram program;
        shop();
        Desk d;
        // One hit goes to the quantity.
        d.c.Edit_Broj->setText(QStringLiteral("7"));
        d.search("a.", QStringLiteral("1"));
        QCOMPARE(DeskArticleID, 1LL);
        QCOMPARE(DeskListPrice, dec("2.5"));
        QCOMPARE(d.c.Edit_Broj->text(), QStringLiteral("1"));
        QCOMPARE(d.desk->Edit_Cena_Nula->text(), QStringLiteral("2.50"));
        QCOMPARE(d.desk->Ime_na_produkt->text(), QStringLiteral("[Храни] 1:Мляко прясно"));
        QVERIFY(!d.desk->ListBox_Opisanie_Artikuli->isVisible());

        // Two hits open the list; no article is resolved while it is open.
        d.search("i.", QStringLiteral("мляко"));
        QCOMPARE(d.hitNames().size(), 3);
        QVERIFY(d.desk->ListBox_Opisanie_Artikuli->isVisible());
        QCOMPARE(DeskArticleID, 0LL);
        QVERIFY(!d.c.Button_Insert_in_List->isEnabled());
        // Two articles of one name: the one picked is taken, not its namesake.
        QListWidget *list = d.desk->ListBox_Opisanie_Artikuli;
        for (long long wanted : {3LL, 2LL}) {
            for (int i = 0; i < list->count(); ++i)
                if (list->item(i)->data(Qt::UserRole).toLongLong() == wanted)
                    list->setCurrentRow(i);
            d.e->ListBox_Opisanie_ArtikuliClick();
            QCOMPARE(DeskArticleID, 0LL); // a click only shows it
            QTest::keyClick(list, Qt::Key_Return);
            QCOMPARE(DeskArticleID, wanted);
            QCOMPARE(DeskListPrice, dec(wanted == 3 ? "1.3" : "1.2"));
            QVERIFY(!list->isVisible());
            QVERIFY(d.c.Button_Insert_in_List->isEnabled());
            d.search("i.", QStringLiteral("кисело"));
        }
        // A barcode shared by two articles lists both.
        d.search("b.", QStringLiteral("3800002"));
        QCOMPARE(d.hitNames(), (QStringList{QStringLiteral("Мляко кисело"), QStringLiteral("Мляко кисело")}));

        // Nothing found.
        PlatformScript::clearEvents();
        d.search("n.", QStringLiteral("няма"));
        QCOMPARE(lastMessage(), QStringLiteral("Не са открити данни"));
        QVERIFY(d.desk->Edit_Barkod->text().isEmpty());
        QVERIFY(!d.desk->ListBox_Opisanie_Artikuli->isVisible()); // a new search closes the hit list
        QVERIFY(d.c.Button_Insert_in_List->isEnabled());

        // "a." with 12x: silently nothing, and the insert then refuses.
        d.search("a.", QStringLiteral("1"));
        PlatformScript::clearEvents();
        d.search("a.", QStringLiteral("12x"));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
        QCOMPARE(DeskArticleID, 0LL);
        d.desk->Button_Insert_in_ListClick();
        QCOMPARE(lastMessage(), QStringLiteral("Не са въведени коректни данни"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni")), 0);

        // A found article goes in with the price typed.
        d.search("b.", QStringLiteral("3800001"));
        d.c.Edit_Broj->setText(QStringLiteral("2"));
        QTest::keyClick(d.desk->Edit_Cena_Nula, Qt::Key_Return);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni WHERE Barkod = 1 AND Kol = 2")), 1);
        QCOMPARE(d.desk->Label_Cena_Ob6to->text(), QStringLiteral("5.0000"));
    }

    void prefixChoiceAndPick()
    {
        TestProgram program;
        shop();
        Desk d;
        QTest::keyClick(d.desk->Edit_Barkod, Qt::Key_Space);
        QVERIFY(d.desk->ListBox_Prefixes->isVisible());
        QVERIFY(d.desk->Edit_Barkod->text().isEmpty());
        d.desk->ListBox_Prefixes->setCurrentRow(4); // sorted: a b i k n s
        QTest::keyClick(d.desk->ListBox_Prefixes, Qt::Key_Return);
        QCOMPARE(d.desk->Label_Search_In->text(), QStringLiteral("n."));
        QCOMPARE(d.desk->Label_Search_In->toolTip(), QStringLiteral("n.  - номенклатурен номер артикул "));
        QVERIFY(!d.desk->ListBox_Prefixes->isVisible());
        d.desk->Edit_Barkod->setText(QStringLiteral("x"));
        d.e->showPrefixes();
        QTest::keyClick(d.desk->ListBox_Prefixes, Qt::Key_Escape);
        QVERIFY(d.desk->Edit_Barkod->text().isEmpty());
        QCOMPARE(d.desk->Label_Search_In->text(), QStringLiteral("n."));

        // Pick mode 2: "n." writes the catalogue number, "a." the number, others nothing.
        QVERIFY(ArticlePick::hasTarget(2));
        ArticlePick::deliver(2, pickOf(7));
        QCOMPARE(d.desk->Edit_Barkod->text(), QStringLiteral("ab-12"));
        QCoreApplication::processEvents(); // the search runs once the catalogue has closed
        QCOMPARE(DeskArticleID, 7LL);
        d.desk->Label_Search_In->setText(QStringLiteral("a."));
        ArticlePick::deliver(2, pickOf(4));
        QCOMPARE(d.desk->Edit_Barkod->text(), QStringLiteral("4"));
        d.desk->Label_Search_In->setText(QStringLiteral("b."));
        d.desk->Edit_Barkod->setText(QStringLiteral("kept"));
        ArticlePick::deliver(2, pickOf(1));
        QCOMPARE(d.desk->Edit_Barkod->text(), QStringLiteral("kept"));

        // 5 then numpad "*": quantity 5, search edit empty.
        d.desk->Edit_Barkod->clear();
        QTest::keyClicks(d.desk->Edit_Barkod, QStringLiteral("5"));
        QTest::keyClick(d.desk->Edit_Barkod, Qt::Key_Asterisk, Qt::KeypadModifier);
        QCOMPARE(d.c.Edit_Broj->text(), QStringLiteral("5"));
        QVERIFY(d.desk->Edit_Barkod->text().isEmpty());
    }

    void serialsSeriesAndShelfLife()
    {
        TestProgram program;
        shop();
        Desk d;
        QWidget *area = d.c.DeskArea;
        // Warranty article with three serials, [Tuning] 14 off: the pick fills the date.
        Settings::writeBool(Keys::Tuning_14, false);
        d.search("a.", QStringLiteral("4"));
        QCOMPARE(d.desk->ListBox_Select_SN->count(), 3);
        QVERIFY(d.desk->SpdBtn_Select_SN->isVisibleTo(area));
        QCOMPARE(d.desk->Label14->text(), QStringLiteral("Сериен номер"));
        QVERIFY(d.desk->Edit_Serien_Nomer->isVisibleTo(area));
        QVERIFY(d.desk->Edit_Do_Nomer->text().isEmpty());
        d.e->SpdBtn_Select_SNClick();
        d.desk->ListBox_Select_SN->setCurrentRow(1);
        d.e->ListBox_Select_SNDblClick();
        QCOMPARE(d.desk->Edit_Serien_Nomer->text(), QStringLiteral("SN-B"));
        QCOMPARE(d.desk->Edit_Do_Nomer->text(), QStringLiteral("28.02.2027"));
        QVERIFY(!d.desk->SpdBtn_Select_SN->isVisibleTo(area));

        // [Tuning] 14 on: the shelf life, with the Cyrillic а, and the pick keeps it.
        Settings::writeBool(Keys::Tuning_14, true);
        d.search("a.", QStringLiteral("4"));
        const QString shelf = d.desk->Edit_Do_Nomer->text();
        QCOMPARE(shelf, QStringLiteral("6, месеца"));
        QCOMPARE(shelf.back().unicode(), char16_t(0x0430));
        d.desk->ListBox_Select_SN->setCurrentRow(0);
        d.e->ListBox_Select_SNDblClick();
        QCOMPARE(d.desk->Edit_Do_Nomer->text(), QStringLiteral("6, месеца"));
        // The shelf life stays in the hidden edit of a plain article.
        d.search("a.", QStringLiteral("1"));
        QCOMPARE(d.desk->Edit_Do_Nomer->text(), QStringLiteral("3, дни"));
        QVERIFY(!d.desk->Edit_Do_Nomer->isVisibleTo(area));
        Settings::writeBool(Keys::Tuning_14, false);

        // Found by serial number: the typed serial without the list.
        d.search("s.", QStringLiteral("SN-C"));
        QCOMPARE(DeskArticleID, 4LL);
        QCOMPARE(d.desk->Edit_Serien_Nomer->text(), QStringLiteral("SN-C"));
        QCOMPARE(d.desk->Edit_Do_Nomer->text(), QStringLiteral("31.03.2027"));
        QVERIFY(!d.desk->SpdBtn_Select_SN->isVisibleTo(area));

        // A warranty serial cannot be left empty.
        PlatformScript::clearEvents();
        d.desk->Edit_Serien_Nomer->clear();
        QVERIFY(!d.e->Edit_Serien_NomerExit());
        QCOMPARE(lastMessage(), QStringLiteral("Необходим е сериен номер\nза въвеждане в гаранционна карта"));
        d.desk->Edit_Serien_Nomer->setText(QStringLiteral("SN-C"));
        QVERIFY(d.e->Edit_Serien_NomerExit());
        QVERIFY(!d.desk->Edit_Serien_Nomer->isVisibleTo(area));

        // A series article takes the first and last number.
        d.search("a.", QStringLiteral("5"));
        QCOMPARE(d.desk->Label14->text(), QStringLiteral("Поредица"));
        QVERIFY(d.desk->Edit_Serien_Nomer->isVisibleTo(area));
        QVERIFY(d.desk->Edit_Do_Nomer->isVisibleTo(area));
        d.desk->Edit_Serien_Nomer->setText(QStringLiteral("100"));
        d.desk->Edit_Do_Nomer->setText(QStringLiteral("120"));
        d.desk->Button_Insert_in_ListClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni WHERE Barkod = 5 AND Pored_Ot = '100' "
                                      "AND Pored_Do = '120'")),
                 1);
        QVERIFY(!d.desk->Label14->isVisibleTo(area));
    }

    void quantityAndPriceMessages()
    {
        TestProgram program;
        shop();
        Desk d;
        d.search("a.", QStringLiteral("6"));
        QCOMPARE(lastMessage(), QStringLiteral("Избраният артикул е с нулева цена!\nНеобходимо е да въведете цена"));
        struct Case { const char *typed; bool ok; const char *message; };
        const Case cases[] = {{"", false, "Въведена е нулева стойност"},
                              {"0", false, "Въведена е нулева стойност"},
                              {"0,0", false, "Грешно въведена (или нулева) стойност"},
                              {"abc", false, "Грешно въведена (или нулева) стойност"},
                              {"1,5", true, nullptr}};
        for (const Case &c : cases) {
            PlatformScript::clearEvents();
            d.c.Edit_Broj->setText(QString::fromUtf8(c.typed));
            QCOMPARE(d.e->Edit_BrojExit(), c.ok);
            if (c.message) {
                QCOMPARE(lastMessage(), QString::fromUtf8(c.message));
                QVERIFY(d.c.Edit_Broj->text().isEmpty());
            }
        }
        d.search("a.", QStringLiteral("1"));
        d.desk->Edit_Cena_Nula->clear();
        QTest::keyClicks(d.desk->Edit_Cena_Nula, QStringLiteral("-3"));
        QCOMPARE(lastMessage(), QStringLiteral("Не се допуска отрицателна цена"));
        QCOMPARE(d.desk->Edit_Cena_Nula->text(), QStringLiteral("2.50"));
        QCOMPARE(d.e->GET_KURS(4), dec("1.95583"));
    }

    void lineChosenForEditing()
    {
        TestProgram program;
        shop();
        Desk d;
        d.search("a.", QStringLiteral("1"));
        d.c.Edit_Broj->setText(QStringLiteral("3"));
        d.desk->Edit_Cena_Nula->setText(QStringLiteral("2.00"));
        d.desk->Button_Insert_in_ListClick();
        d.search("a.", QStringLiteral("2")); // another article is current
        d.desk->DBGrid1->setCurrentIndex(d.desk->lines()->index(0, 1));
        d.desk->DBGrid1DblClick();
        QCOMPARE(DeskArticleID, 1LL);
        QCOMPARE(DeskListPrice, dec("2.5"));
        QCOMPARE(d.c.Edit_Broj->text(), QStringLiteral("3.00"));
        QVERIFY(LineEditFlag);
        QVERIFY(!d.e->searchPending()); // leaving the edit does not search again
    }
};

namespace {
// Sandwich 20 with the variants "Стандарт" (for 1: bread 21 x2, warranty toaster 22 x1),
// "Голям" (for 10: bread x5) and "Празен" (no elements).
void recipes()
{
    exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('BGL', 1, 'True')"));
    exec(QStringLiteral(
        "INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka, Garancionen, Poredica, Trajnost, "
        "Dan_Grup, Prigotvq_Se) VALUES (20, 1, 'Сандвич', 6, 'BGL', 'бр', 'False', 'False', '', 2, 1), "
        "(21, 1, 'Хляб', 1, 'BGL', 'бр', 'False', 'False', '', 2, 3), "
        "(22, 1, 'Тостер', 50, 'BGL', 'бр', 'True', 'False', '2:6', 1, 0)"));
    exec(QStringLiteral("INSERT INTO Rezept_Art (ID, ID_Art, Kol_Art, Vid_R, Name_R) VALUES (1, 20, 1, 0, 'Стандарт'), "
                        "(2, 20, 10, 0, 'Голям'), (3, 20, 1, 0, 'Празен')"));
    exec(QStringLiteral("INSERT INTO Rezept_El (ID_R, ID_El, Kol_El) VALUES (1, 21, 2), (1, 22, 1), (2, 21, 5)"));
}

struct SaleRun {
    SaleRun(const QString &v, const QString &q) : variant(v), quantity(q) {}
    QString variant, quantity;
    QStringList names;       // the names the window offered
    QStringList warranties;  // the warranty texts the prompts offered
    int result = -1;
};

// The desk finds article 20; the recipe window opens, and the run chooses the
// variant and quantity and presses "ПРИЕМИ"; prompts get the serial "S1".
void sell(Desk &d, SaleRun &run)
{
    PlatformScript::setModalHandler([&run](QDialog *dialog) {
        if (auto *prompt = qobject_cast<TForm_Get_Kol *>(dialog)) {
            run.warranties << prompt->Edit_Garanc->text();
            prompt->Edit_SN->setText(QStringLiteral("S1"));
            return TForm_Get_Kol::ResultOk;
        }
        auto *w = qobject_cast<TForm_Projzvodstvo *>(dialog);
        if (!w)
            return int(QDialog::Rejected);
        w->setResult(0);
        w->show();
        for (int i = 0; i < w->ComboBox_Name->count(); ++i)
            run.names << w->ComboBox_Name->itemText(i);
        w->ComboBox_Name->setCurrentText(run.variant);
        w->ComboBox_NameChange();
        w->Edit_Kol_Art->setText(run.quantity);
        w->Button_Priem->click();
        run.result = w->isVisible() ? int(QDialog::Rejected) : w->result();
        w->hide();
        return run.result;
    });
    d.search("a.", QStringLiteral("20"));
    PlatformScript::setModalHandler({});
}

QStringList saleLines()
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Barkod, Kol, Ed_Cena, Pored_Ot, Pored_Do, Dan_Grup, "
                                                       "Prigotvq_Se, Nomenkl_N FROM Prodajbi_Vremenni ORDER BY N_Prodajba")))
        out << QStringLiteral("%1 x%2 @%3 [%4|%5] %6/%7/%8")
                   .arg(r.value(0).toString(), r.value(1).toString(), r.value(2).toString(), r.value(3).toString(),
                        r.value(4).toString(), r.value(5).toString(), r.value(6).toString(), r.value(7).toString());
    return out;
}
} // namespace

class DeskRecipeSaleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void variantsGoToTheSale()
    {
        TestProgram program;
        recipes();
        Desk d;
        SaleRun run(QStringLiteral("Стандарт"), QStringLiteral("2"));
        sell(d, run);
        QCOMPARE(run.names, (QStringList{QStringLiteral("Голям"), QStringLiteral("Максимум"), QStringLiteral("Минимум"),
                                         QStringLiteral("Празен"), QStringLiteral("Стандарт")}));
        QCOMPARE(run.result, int(QDialog::Accepted));
        QCOMPARE(run.warranties, QStringList{QStringLiteral("6, месеца")});
        QCOMPARE(run.warranties.first().back().unicode(), char16_t(0x0430)); // Cyrillic а, as at the desk
        QCOMPARE(saleLines(), (QStringList{QStringLiteral("21 x4 @0 [|] 2/3/0"),
                                           QStringLiteral("22 x2 @0 [S1|6, месеца] 1/0/0")}));
        QCOMPARE(d.c.Edit_Broj->text(), QStringLiteral("2"));

        // For 10 base articles: 2 x 5 / 10.
        Db::execute(QStringLiteral("DELETE FROM Prodajbi_Vremenni"));
        SaleRun big(QStringLiteral("Голям"), QStringLiteral("2"));
        sell(d, big);
        QCOMPARE(saleLines(), QStringList{QStringLiteral("21 x1 @0 [|] 2/3/0")});

        // An empty variant adds nothing and the window still closes.
        SaleRun empty(QStringLiteral("Празен"), QStringLiteral("1"));
        sell(d, empty);
        QCOMPARE(empty.result, int(QDialog::Accepted));
        QCOMPARE(saleLines().size(), 1);
    }

    void failuresAddNothing()
    {
        TestProgram program;
        recipes();
        Desk d;
        SaleRun bad(QStringLiteral("Стандарт"), QStringLiteral("abc"));
        sell(d, bad);
        QCOMPARE(lastMessage(), QStringLiteral("Грешно въведена (или нулева) стойност"));
        QVERIFY(bad.warranties.isEmpty()); // checked before any prompt
        QCOMPARE(bad.result, int(QDialog::Rejected));
        SaleRun zero(QStringLiteral("Стандарт"), QStringLiteral("0"));
        sell(d, zero);
        QCOMPARE(zero.result, int(QDialog::Rejected));

        // The second element's insert fails: the first is not left in the sale.
        refuseWrites(QStringLiteral("CREATE TRIGGER Line_Fail BEFORE INSERT ON Prodajbi_Vremenni WHEN NEW.Barkod = 22 "
                            "BEGIN SELECT RAISE(ABORT, 'отказано'); END"));
        SaleRun failing(QStringLiteral("Стандарт"), QStringLiteral("1"));
        sell(d, failing);
        QVERIFY(lastMessage().startsWith(QStringLiteral("Елементите не бяха добавени в продажбата")));
        QCOMPARE(failing.result, int(QDialog::Rejected));
        QCOMPARE(saleLines(), QStringList());
    }
};

// Many articles and one and a half barcodes each: every look-up finds its
// one article; a name search lists a page of names and reads on as the list
// is scrolled to its end, namesakes across a page's end each listed once.
class DeskSearchLargeCatalogue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A part in every name, in a catalogue three times as long: the names
    // are counted no further than before the first page is read along them.
    void aCommonPartCostsTheSameInALongerCatalogue()
    {
        if (testOnServer())
            QSKIP("the work counted here is SQLite's");
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Храни')"));
        long long steps[2] = {0, 0};
        const int sizes[2] = {60000, 180000};
        for (int i = 0; i < 2; ++i) {
            Db::execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT CAST(? AS INTEGER) UNION ALL SELECT i + 1 FROM n "
                                       "WHERE i < ?) INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena) "
                                       "SELECT i, 1, 'Стока ' || ((i * 7919) % 100003) || ' 500 гр.', 1 FROM n"),
                        {i ? sizes[0] + 1 : 1, sizes[i]});
            steps[i] = stepsOf([] {
                QCOMPARE(DeskSearch::find(QLatin1Char('i'), QStringLiteral("гр."))->size(), DeskSearch::PageHits);
            });
        }
        QVERIFY2(steps[1] < steps[0] * 3 / 2, qPrintable(QStringLiteral("%1 -> %2").arg(steps[0]).arg(steps[1])));
    }

    // On a server the desk's list of names is one statement the server plans
    // itself: no count of the articles, no sample of their names first (each
    // a round trip, the sample reading thousands of rows).
    void aNameSearchOnAServerRunsOnlyItsPage()
    {
        if (!testOnServer())
            QSKIP("the server's own counts");
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Храни')"));
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena) SELECT i, 1, 'Стока ' "
                                   "|| i || ' 500 гр.', 1 FROM generate_series(1, 3000) i"));
        WriteTransaction tx;
        // The page's own statement by its index: any table read row by row is the count's.
        Db::execute(QStringLiteral("SET LOCAL enable_seqscan = off"));
        QCOMPARE(DeskSearch::find(QLatin1Char('i'), QStringLiteral("гр."))->size(), DeskSearch::PageHits);
        const auto read = Db::firstRow(QStringLiteral("SELECT COALESCE(SUM(seq_scan + seq_tup_read), 0) "
                                                      "FROM pg_stat_xact_user_tables "
                                                      "WHERE relname IN ('produkti', 'produkti_broi')"));
        QVERIFY(read);
        QCOMPARE(read->value(0).toLongLong(), 0);
    }

    void largeCatalogue()
    {
        TestProgram program;
        {
            WriteTransaction tx;
            QSqlQuery a(Db::connection()), b(Db::connection());
            a.prepare(QStringLiteral("INSERT INTO Produkti (ID, Nomenkl_N, Opisanie, Ed_Cena) VALUES (?, ?, ?, 1)"));
            b.prepare(QStringLiteral("INSERT INTO Barkodes (ID, Barkode) VALUES (?, ?)"));
            for (int i = 1; i <= 5250; ++i) {
                a.addBindValue(i);
                a.addBindValue(QStringLiteral("nk-%1").arg(i));
                // the last 250 in threes of one name, in the reverse order of their numbers
                a.addBindValue(i <= 5000 ? QStringLiteral("Артикул номер %1").arg(i)
                                         : QStringLiteral("Тройка %1").arg((5250 - i) / 3, 3, 10, QLatin1Char('0')));
                QVERIFY(a.exec());
                for (int k = 0; k < (i % 2 ? 2 : 1); ++k) {
                    b.addBindValue(i);
                    b.addBindValue(QStringLiteral("38%1%2").arg(i, 8, 10, QLatin1Char('0')).arg(k));
                    QVERIFY(b.exec());
                }
            }
            tx.commit();
        }
        QCOMPARE(DeskSearch::find(QLatin1Char('b'), QStringLiteral("38%1%2").arg(4999, 8, 10, QLatin1Char('0')).arg(1))->size(), 1);
        QCOMPARE(DeskSearch::find(QLatin1Char('a'), QStringLiteral("4777"))->size(), 1);
        QCOMPARE(DeskSearch::find(QLatin1Char('n'), QStringLiteral("nk-5"))->size(), 1);
        QCOMPARE(DeskSearch::find(QLatin1Char('i'), QStringLiteral("номер 424"))->size(), 11);

        Desk d;
        QListWidget *list = d.desk->ListBox_Opisanie_Artikuli;
        const auto toTheEnd = [&] {
            QTest::keyClick(list, Qt::Key_End);
            return list->count();
        };
        // Showing a page of names measures a name or two, not each of them.
        struct Measured : QStyledItemDelegate {
            mutable int sizes = 0;
            QSize sizeHint(const QStyleOptionViewItem &o, const QModelIndex &i) const override
            {
                ++sizes;
                return QStyledItemDelegate::sizeHint(o, i);
            }
        };
        auto *measured = new Measured;
        measured->setParent(list);
        list->setItemDelegate(measured);
        d.search("i.", QStringLiteral("артикул")); // in every tenth name and more: read along the names
        QCOMPARE(list->count(), DeskSearch::PageHits);
        QTRY_VERIFY(list->isVisible());
        QApplication::processEvents();
        QVERIFY2(measured->sizes < 10, QByteArray::number(measured->sizes));
        // A name wider than the list is not cut short: the list scrolls sideways to it.
        const QString longName = QStringLiteral("Артикул номер 1") + QStringLiteral(", дълго описание на цвета").repeated(4);
        Db::execute(QStringLiteral("UPDATE Produkti SET Opisanie = ? WHERE ID = 1"), {longName});
        d.search("i.", QStringLiteral("артикул"));
        const QList<QListWidgetItem *> wide = list->findItems(longName, Qt::MatchExactly);
        QCOMPARE(wide.size(), 1);
        QApplication::processEvents();
        QVERIFY(list->visualItemRect(wide.first()).width() >= list->fontMetrics().horizontalAdvance(longName));
        QCOMPARE(toTheEnd(), 2 * DeskSearch::PageHits);
        // A new search from a list scrolled to its end lists its own first page.
        d.tab.resize(900, 600);
        QTest::keyClick(list, Qt::Key_Up);
        d.search("i.", QStringLiteral("тройка")); // by the name index
        QCOMPARE(list->count(), DeskSearch::PageHits);
        for (int before = 0; before != list->count();) {
            before = list->count();
            toTheEnd();
        }
        QCOMPARE(list->count(), 250);
        // The list sorts namesakes its own way: each article listed once, the names in order.
        QStringList listed, expected;
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text() + QLatin1Char(' ') + list->item(i)->data(Qt::UserRole).toString();
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Opisanie, ID FROM Produkti WHERE ID > 5000")))
            expected << r.value(0).toString() + QLatin1Char(' ') + r.value(1).toString();
        QCOMPARE(d.hitNames(), [&] { QStringList n = d.hitNames(); n.sort(); return n; }());
        listed.sort();
        expected.sort();
        QCOMPARE(listed, expected);
    }
};

// A scan as the keys run it: the search, Enter on the quantity, Enter on
// the price, the bill and its totals shown.
class DeskScanTest : public QObject
{
    Q_OBJECT

    static void scan(Desk &d, const QString &barcode)
    {
        d.search("b.", barcode);
        QVERIFY(d.e->Edit_BrojExit());
        d.e->Edit_Cena_NulaEnter();
    }

private Q_SLOTS:
    void oneWriteTransactionPerScan()
    {
        TestProgram program;
        shop();
        Desk d;
        {
            CommitCounter commits;
            for (int i = 0; i < 2; ++i) {
                commits.reset();
                // The second, on a bill already open: the code's look-up with its article, the
                // article's current price and rate, the bill's lines (for the range), the write
                // (BEGIN, the write lock, INSERT, COMMIT) and the bill read again; each a round
                // trip on a server.
                if (i == 1 && !testOnServer())
                    QCOMPARE(runsOf([&] { scan(d, QStringLiteral("3800001")); }), 8);
                else
                    scan(d, QStringLiteral("3800001"));
                QCOMPARE(commits.count(), 1);
            }
        }
        // The line carries its net figures from its insert: 2.50 with 20 % VAT.
        const auto net = Db::rows(QStringLiteral("SELECT SUM_BezDDS, Bez_DDS FROM Prodajbi_Vremenni"));
        QCOMPARE(net.size(), 2);
        for (const QSqlRecord &r : net) {
            QCOMPARE(r.value(0).toDouble(), 2.08);
            QCOMPARE(r.value(1).toDouble(), 2.08);
        }
        QCOMPARE(d.desk->lines()->rowCount(), 2);
        QCOMPARE(d.desk->Label_Leva->text(), QStringLiteral("5.00"));
        QCOMPARE(d.desk->Label_SUMA_BezDDS->text(), QStringLiteral("4.17"));
        // The grid shows no net figures.
        for (int col = 0; col < d.desk->lines()->columnCount(); ++col) {
            const QString field = d.desk->lines()->record().fieldName(col);
            QCOMPARE(d.desk->DBGrid1->isColumnHidden(col),
                     field == QLatin1String("N_Prodajba") || field == QLatin1String("SUM_BezDDS")
                         || field == QLatin1String("Bez_DDS") || field == QLatin1String("Kurs"));
        }

        // A replaced line keeps its figures right in the same one transaction.
        LineEditFlag = true;
        EditedLineNumber = Db::scalar(QStringLiteral("SELECT MIN(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong();
        d.desk->c.Edit_Broj->setText(QStringLiteral("3"));
        d.search("a.", QStringLiteral("1"));
        d.desk->c.Edit_Broj->setText(QStringLiteral("3"));
        d.e->Edit_Cena_NulaEnter();
        QCOMPARE(Db::scalar(QStringLiteral("SELECT SUM_BezDDS FROM Prodajbi_Vremenni WHERE N_Prodajba = ?"),
                            {EditedLineNumber})
                     .toDouble(),
                 6.25);
        QCOMPARE(d.desk->Label_Leva->text(), QStringLiteral("10.00"));
    }

    // Settings and statements of the scan are kept: no file read, no
    // statement prepared again from the second scan on.
    void scansReadNoSettingsAndPrepareNothingAgain()
    {
        std::unique_ptr<ServerTestDatabase> secondServer; // outlives the program's connection to it
        TestProgram program;
        shop();
        Desk d;
        scan(d, QStringLiteral("3800001"));
        const int loads = Settings::fileLoads();
        const QMultiHash<QString, QString> before = preparedStatements();
        const auto insert = std::find_if(before.keyBegin(), before.keyEnd(), [](const QString &sql) {
            return sql.startsWith(QLatin1String("INSERT INTO Prodajbi_Vremenni"));
        });
        QVERIFY(insert != before.keyEnd());
        for (int i = 0; i < 3; ++i)
            scan(d, QStringLiteral("3800001"));
        const QMultiHash<QString, QString> after = preparedStatements();
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.values(*insert), before.values(*insert));
        QCOMPARE(Settings::fileLoads(), loads);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni")).toInt(), 4);

        // Another database taken: the same statements run on its file.
        const QString second = program.file(QStringLiteral("second"));
        QVERIFY(QDir().mkpath(second));
        secondServer = prepareDatabaseFolder(second);
        QVERIFY(program.dataModule()->createDatabase(second, {}, nullptr));
        QVERIFY(program.dataModule()->SET_NEW_DATABASE(second));
        shop();
        Db::execute(QStringLiteral("UPDATE Produkti SET Opisanie = 'Мляко от втората база' WHERE ID = 1"));
        scan(d, QStringLiteral("3800001"));
        QCOMPARE(Db::rows(QStringLiteral("SELECT Opisanie FROM Prodajbi_Vremenni")).size(), 1);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Prodajbi_Vremenni")).toString(),
                 QStringLiteral("Мляко от втората база"));
        QCOMPARE(d.desk->lines()->rowCount(), 1);

        // A change of the file is seen by the next scan.
        QVERIFY(Settings::writeString(Keys::Firm_Data_DDS, QStringLiteral("9")));
        scan(d, QStringLiteral("3800001"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Bez_DDS FROM Prodajbi_Vremenni ORDER BY N_Prodajba DESC LIMIT 1"))
                     .toDouble(),
                 2.29);
    }
};

VTEST(DeskSearchTest)
VTEST(DeskScanTest)
VTEST(DeskRecipeSaleTest)
VTEST(DeskSearchLargeCatalogue)
#include "test_desk_search.moc"
