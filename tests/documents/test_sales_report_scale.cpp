// The sales report over tens of thousands of sales: a header click on the
// sales records' own columns and on the article, group, counterparty and warehouse,
// the jump to the last row and the next page read a page, whatever the
// report holds; each such order is an index; and the pages show the whole
// ordered report.
#include "harness/query_plans.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "print_fixture.h"

#include "app/app_state.h"
#include "documents/form_spravka_prodajba.h"
#include "documents/report_filter.h"
#include "documents/sales_report.h"
#include "platform/db/database.h"
#include "platform/db/paged_list_model.h"
#include "platform/script.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QThread>

#include <functional>
#include <thread>

namespace {
// `rows` sales after those there are: articles 12, 40 (of no group) and 41
// and payments (article 0, which is none), counterparties 7 and 8 and one
// missing or none, warehouses 1 and 2 and one missing, NULLs among the
// serials, in either currency.
void addSales(int rows)
{
    const long long from = Db::scalar(QStringLiteral("SELECT COALESCE(MAX(ID_Prodajba), 0) FROM Prodajbi")).toLongLong();
    if (from == 0) {
        // Names in another order than their keys.
        Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Склад Юг'), (2, 'Склад Арда')"));
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (8, 'Алфа ЕТ', 3)"));
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (9, 'Адаптери')"));
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Nomer_Grupa, Ed_Cena, Valuta_P) "
                                   "VALUES (41, 'Адаптер', 9, 3, 'BGN')"));
    }
    Db::execute(QStringLiteral(
                    "WITH RECURSIVE n(i) AS (SELECT CAST(? AS INTEGER) UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                    "INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, Valuta, "
                    "ID_Klient, T_O, Konsign_N, Pored_Do, Type_Pay, Term_N, Sklad_ID) "
                    "SELECT i, CASE i % 4 WHEN 0 THEN 12 WHEN 1 THEN 40 WHEN 2 THEN 41 ELSE 0 END, "
                    "CASE i % 2 WHEN 0 THEN 'Иван' ELSE 'Мария' END, '2024-0' || (1 + i % 9) || '-' || (10 + i % 18), "
                    "'1' || (i % 10) || ':00:00', 1 + i % 4, 2.5 + i % 13, CASE i % 5 WHEN 0 THEN 'EUR' ELSE 'BGN' END, "
                    "CASE i % 7 WHEN 0 THEN 7 WHEN 1 THEN 8 WHEN 2 THEN 55 WHEN 3 THEN NULL ELSE 0 END, i % 3, 0, "
                    "CASE i % 6 WHEN 0 THEN NULL ELSE 'г' || (i % 37) END, 'в брой', 1 + i % 3, "
                    "CASE i % 5 WHEN 0 THEN 2 WHEN 1 THEN 3 ELSE 1 END FROM n"),
                {from + 1, from + rows});
}

// The key of the report's first row after `clicks` clicks on a column from
// no order (one is descending, two ascending).
long long firstRowAfter(int column, int clicks)
{
    TForm_Spravka_prodajba w;
    w.Button_SearchClick();
    SortDirection = 0;
    for (int click = 0; click < clicks; ++click)
        w.DBGrid1TitleClick(column);
    return w.rowKey(0);
}

// Two clicks on a column (descending, then ascending) over 2 and then 6
// times the short keyed list's sales, `trim` run after each batch: what the
// larger cost in work if it is not under one and a half times the smaller's.
// A server's work is not counted: it gets the first batch only.
QString twoClicksGrow(int column, const QString &trim)
{
    const int sizes[2] = {2 * SalesReport::KeyedRows, 6 * SalesReport::KeyedRows};
    long long steps[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        addSales(sizes[i] - (i ? sizes[0] : 0));
        Db::execute(trim);
        if (testOnServer())
            return {};
        TForm_Spravka_prodajba w;
        w.resize(1000, 700);
        w.show();
        w.Button_SearchClick();
        SortDirection = 0;
        steps[i] = stepsOf([&] {
            for (int click = 0; click < 2; ++click) {
                w.DBGrid1TitleClick(column);
                w.DBGrid1->viewport()->repaint();
            }
        });
    }
    if (steps[1] < steps[0] * 3 / 2)
        return {};
    return QStringLiteral("%1 steps at %2 sales, %3 at %4").arg(steps[0]).arg(sizes[0]).arg(steps[1]).arg(sizes[1]);
}

// The plan of `sql` when it reads the sales whole; empty when it does not.
QString salesReadWhole(const QString &sql, const QVariantList &params)
{
    static const QRegularExpression sales(QStringLiteral("\\bProdajbi\\b"), QRegularExpression::CaseInsensitiveOption);
    const QStringList plan = planOf(sql, params);
    return wholeReads(plan).filter(sales).isEmpty() ? QString() : plan.join(QLatin1Char('|'));
}

// A page of the list's sales of no row of its order's table, read along the
// list kept of them.
QString keptRowsPage(const KeysetList &k)
{
    return k.select + k.from + QStringLiteral(" WHERE (") + k.where + QStringLiteral(") AND (") + k.orphanRowsKept
           + QStringLiteral(") ORDER BY Prodajbi.ID_Red LIMIT 200");
}

long long counted(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

QList<long long> keys(const QString &sql, const QVariantList &params)
{
    QList<long long> out;
    for (const QSqlRecord &r : Db::rows(sql, params))
        out << r.value(0).toLongLong();
    return out;
}
} // namespace

class SalesReportAtScale : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PlatformScript::activate(); }
    void cleanup() { PlatformScript::deactivate(); }

    void aClickTheLastRowAndTheNextPageReadAPage()
    {
        if (testOnServer())
            QSKIP("the work of a road is counted on SQLite; eachOrderOfALongReportIsAnIndex holds on the server");
        TestProgram program;
        PrintFixture::fill();
        const int sizes[2] = {SalesReport::KeyedRows + 2000, 3 * (SalesReport::KeyedRows + 2000)};
        long long steps[2] = {0, 0};
        for (int i = 0; i < 2; ++i) {
            addSales(sizes[i] - (i ? sizes[0] : 0));
            TForm_Spravka_prodajba w;
            w.resize(1000, 700);
            w.show();
            w.Button_SearchClick();
            QCOMPARE(w.list()->rowCount(), sizes[i]);
            SortDirection = 0;
            steps[i] = stepsOf([&] {
                for (const char *field :
                     {"D_Prodajba", "Kol", "Pored_Do", "Opisanie", "ID_Grupa", "Ime_Firma", "Opis_Sklad", "Ime_Grupa", "Suma"}) {
                    w.DBGrid1TitleClick(SalesReport::listFields().indexOf(QString::fromLatin1(field)));
                    w.DBGrid1->viewport()->repaint();
                }
                w.DBGrid1->setCurrentIndex(w.list()->index(0, 0));
                QTest::keyClick(w.DBGrid1, Qt::Key_End, Qt::ControlModifier);
                w.DBGrid1->scrollTo(w.list()->index(sizes[i] - 1 - PagedListModel::PageSize - 5, 0));
                w.DBGrid1->viewport()->repaint();
            });
            QCOMPARE(w.DBGrid1->currentIndex().row(), sizes[i] - 1);
        }
        QVERIFY2(steps[1] < steps[0] * 3 / 2, qPrintable(QStringLiteral("%1 steps at %2 sales, %3 at %4")
                                                             .arg(steps[0]).arg(sizes[0]).arg(steps[1]).arg(sizes[1])));
    }

    // Articles of a sale or two each: a page in the article's order is read
    // in a few statements, not one or two per article shown.
    void aPageOfArticlesOfOneSaleEachIsAFewStatements()
    {
        if (testOnServer())
            QSKIP("statements are counted on SQLite");
        TestProgram program;
        PrintFixture::fill();
        addSales(10);
        Db::execute(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n WHERE i < 1000 + ?) "
            "INSERT INTO Produkti (ID, Opisanie, Nomer_Grupa, Ed_Cena, Valuta_P) "
            "SELECT i, 'Арт ' || (50000 - i), 5, 1, 'BGN' FROM n"),
                    {SalesReport::KeyedRows});
        Db::execute(QStringLiteral(
            "INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, Valuta, "
            "ID_Klient, T_O, Konsign_N, Type_Pay, Term_N, Sklad_ID) "
            "SELECT ID + 100000, ID, 'Иван', '2024-01-10', '10:00:00', 1, 1, 'BGN', 0, 0, 0, 'в брой', 1, 1 "
            "FROM Produkti WHERE ID >= 1000"));
        TForm_Spravka_prodajba w;
        w.resize(1000, 700);
        w.show();
        w.Button_SearchClick();
        SortDirection = 0;
        const int column = int(SalesReport::listFields().indexOf(QStringLiteral("Opisanie")));
        for (int click = 0; click < 2; ++click) { // descending, then ascending
            const int statements = runsOf([&] {
                w.DBGrid1TitleClick(column);
                w.DBGrid1->viewport()->repaint();
                w.DBGrid1->scrollTo(w.list()->index(PagedListModel::PageSize + 50, 0));
                w.DBGrid1->viewport()->repaint();
            });
            QVERIFY2(statements <= 12, qPrintable(QString::number(statements)));
        }
        QCOMPARE(w.rowKey(0), 3); // ascending, the sales of no article first
    }

    // Sales of no article (payments, an article deleted or renumbered) come
    // first in the order of the article's name (last on a server). Whether
    // there are any is read from the sales kept as such, so a report with
    // none costs the same at three times the sales; and those are kept as
    // sales and articles are written, changed and deleted.
    void theSalesOfNoArticleAreKeptNotLookedFor()
    {
        TestProgram program;
        PrintFixture::fill();
        const bool server = testOnServer();
        const int column = int(SalesReport::listFields().indexOf(QStringLiteral("Opisanie")));
        // The order they come first in: a click is descending, two ascending.
        const int clicks = server ? 1 : 2;
        const QString ofArticle = QStringLiteral("EXISTS (SELECT 1 FROM Produkti WHERE Produkti.ID = Prodajbi.ID_Art)");
        // A quarter are payments: more than the short keyed list is left.
        const QString grows = twoClicksGrow(column, QStringLiteral("DELETE FROM Prodajbi WHERE NOT ") + ofArticle);
        QVERIFY2(grows.isEmpty(), qPrintable(grows));
        // With some kept, the look is along them (a server picks its own
        // way by what it guesses of them).
        const SalesReport::List l = SalesReport::list(SalesReport::where({}), SalesReport::KeyedRows + 1,
                                                      QStringLiteral("Opisanie"), server);
        QVERIFY(l.byIndex);
        const QString look = QStringLiteral("SELECT 1") + l.byIndex->orphansFrom + QStringLiteral(" WHERE (")
                             + l.byIndex->where + QStringLiteral(") AND (") + l.byIndex->orphans + QStringLiteral(") LIMIT 1");
        const QString looked = server ? QString() : salesReadWhole(look, l.params);
        QVERIFY2(looked.isEmpty(), qPrintable(looked));
        // The first row of the report in that order, and whether it is a
        // sale of an article.
        const auto first = [&]() -> std::pair<long long, bool> {
            const long long key = firstRowAfter(column, clicks);
            return {key, Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi WHERE ID_Red = ? AND ") + ofArticle, {key})
                             .toLongLong() == 1};
        };
        const auto kept = [] { return counted(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Bez_Art")); };
        const auto sold = [](int article) {
            return counted(QStringLiteral("SELECT COUNT(*) FROM Prodajbi WHERE ID_Art = ?"), {article});
        };
        QCOMPARE(kept(), 0);
        QVERIFY(first().second);
        Db::execute(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, D_Prodajba, Kol, ED_Cena, Valuta, T_O, "
                                   "Konsign_N, Term_N) VALUES (900001, 999, '2024-02-11', 1, 1, 'BGN', 0, 0, 1)"));
        const long long unknown =
            Db::scalar(QStringLiteral("SELECT ID_Red FROM Prodajbi WHERE ID_Prodajba = 900001")).toLongLong();
        QCOMPARE(first(), std::make_pair(unknown, false));
        // One among many: its rows are read by themselves, not looked for
        // through the sales.
        const QString read = salesReadWhole(keptRowsPage(*l.byIndex), l.params);
        QVERIFY2(read.isEmpty(), qPrintable(read));
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Nomer_Grupa, Ed_Cena, Valuta_P) "
                                   "VALUES (999, 'Ново', 9, 1, 'BGN')"));
        QCOMPARE(kept(), 0);
        QVERIFY(first().second);
        // Deleted, renumbered, sold again as another, made again.
        const long long of41 = sold(41), of12 = sold(12);
        QVERIFY(of41 > 0 && of12 > 0);
        Db::execute(QStringLiteral("DELETE FROM Produkti WHERE ID = 41"));
        QCOMPARE(kept(), of41);
        QVERIFY(!first().second);
        Db::execute(QStringLiteral("UPDATE Produkti SET ID = 1012 WHERE ID = 12"));
        QCOMPARE(kept(), of41 + of12);
        Db::execute(QStringLiteral("UPDATE Prodajbi SET ID_Art = 999 WHERE ID_Art = 12 AND ID_Red % 2 = 0"));
        Db::execute(QStringLiteral("UPDATE Prodajbi SET ID_Art = 1012 WHERE ID_Art = 12"));
        Db::execute(QStringLiteral("DELETE FROM Prodajbi WHERE ID_Art = 41 AND ID_Red % 3 = 0"));
        QCOMPARE(kept(), sold(41));
        QCOMPARE(SalesReport::orphansOutOfStep(), 0);
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Nomer_Grupa, Ed_Cena, Valuta_P) "
                                   "VALUES (41, 'Адаптер', 9, 3, 'BGN')"));
        QCOMPARE(kept(), 0);
        QVERIFY(first().second);
        QCOMPARE(SalesReport::orphansOutOfStep(), 0);
    }

    // The group's name, in the order its sales of no group come first: with
    // every article in a group and every sale of an article, there are none
    // to look for through the sales. An article of no group, of a group
    // deleted, or a sale of no article, each comes first.
    void theSalesOfNoGroupAreLookedForOnlyWhenThereMayBeSome()
    {
        TestProgram program;
        PrintFixture::fill();
        const bool server = testOnServer();
        const int column = int(SalesReport::listFields().indexOf(QStringLiteral("Ime_Grupa")));
        const int clicks = server ? 1 : 2;
        Db::execute(QStringLiteral("UPDATE Produkti SET Nomer_Grupa = 5 WHERE ID = 40"));
        const QString grows = twoClicksGrow(column, QStringLiteral("DELETE FROM Prodajbi WHERE ID_Art = 0"));
        QVERIFY2(grows.isEmpty(), qPrintable(grows));
        const auto firstArticle = [&] {
            return Db::scalar(QStringLiteral("SELECT ID_Art FROM Prodajbi WHERE ID_Red = ?"), {firstRowAfter(column, clicks)})
                .toLongLong();
        };
        const long long grouped = firstArticle();
        QVERIFY(grouped == 12 || grouped == 40 || grouped == 41);
        Db::execute(QStringLiteral("UPDATE Produkti SET Nomer_Grupa = NULL WHERE ID = 40"));
        QCOMPARE(firstArticle(), 40);
        Db::execute(QStringLiteral("UPDATE Produkti SET Nomer_Grupa = 5 WHERE ID = 40"));
        Db::execute(QStringLiteral("DELETE FROM Grupi WHERE ID = 9"));
        QCOMPARE(firstArticle(), 41);
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (9, 'Адаптери')"));
        QCOMPARE(firstArticle(), grouped);
        Db::execute(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, D_Prodajba, Kol, ED_Cena, Valuta, T_O, "
                                   "Konsign_N, Term_N) VALUES (900001, 999, '2024-02-11', 1, 1, 'BGN', 0, 0, 1)"));
        QCOMPARE(firstArticle(), 999);
    }

    // A sale of a warehouse the warehouses do not hold is looked for in the
    // gaps between their numbers, each a range of the sales' index: no more
    // work at three times the sales when there is none. One there, of no
    // warehouse, below, between or above theirs, comes first.
    void theSalesOfNoWarehouseAreLookedForInTheGaps()
    {
        TestProgram program;
        PrintFixture::fill();
        const bool server = testOnServer();
        const int column = int(SalesReport::listFields().indexOf(QStringLiteral("Opis_Sklad")));
        const QString grows = twoClicksGrow(column, QStringLiteral("UPDATE Prodajbi SET Sklad_ID = 1 WHERE Sklad_ID = 3"));
        QVERIFY2(grows.isEmpty(), qPrintable(grows));
        Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (5, 'Склад Запад')"));
        const auto first = [&] { return firstRowAfter(column, server ? 1 : 2); };
        const long long last = Db::scalar(QStringLiteral("SELECT MAX(ID_Red) FROM Prodajbi")).toLongLong();
        QVERIFY(first() != last);
        for (const QVariant &none : {QVariant(0), QVariant(3), QVariant(99), QVariant(QMetaType(QMetaType::LongLong))}) {
            Db::execute(QStringLiteral("UPDATE Prodajbi SET Sklad_ID = ? WHERE ID_Red = ?"), {none, last});
            QCOMPARE(first(), last);
        }
    }

    // Most sales are of no client: one is among the first sales, and the
    // sales are not joined whole to the clients to find one. A single one,
    // the last sold, is still found and comes first.
    void theSalesOfNoClientAreFoundAmongTheFirst()
    {
        TestProgram program;
        PrintFixture::fill();
        const bool server = testOnServer();
        const int column = int(SalesReport::listFields().indexOf(QStringLiteral("Ime_Firma")));
        addSales(2 * SalesReport::KeyedRows);
        const auto first = [&] { return firstRowAfter(column, server ? 1 : 2); };
        if (!server) {
            const QStringList run = statementsOf([&] { first(); });
            const QStringList joined = run.filter(QStringLiteral("NOT EXISTS (SELECT 1 FROM Firmi"));
            QVERIFY2(joined.isEmpty(), qPrintable(joined.join('\n')));
        }
        Db::execute(QStringLiteral("UPDATE Prodajbi SET ID_Klient = 8"));
        const long long last = Db::scalar(QStringLiteral("SELECT MAX(ID_Red) FROM Prodajbi")).toLongLong();
        Db::execute(QStringLiteral("UPDATE Prodajbi SET ID_Klient = NULL WHERE ID_Red = ?"), {last});
        QCOMPARE(first(), last);
    }

    // A few sales of no client, none among the first: whether there are any
    // and their rows are read along the list kept of them, the same work at
    // three times the sales. The list follows the sales and the clients as
    // they are written, renumbered and deleted.
    void theFewSalesOfNoClientAreKeptNotLookedFor()
    {
        TestProgram program;
        PrintFixture::fill();
        const bool server = testOnServer();
        const int column = int(SalesReport::listFields().indexOf(QStringLiteral("Ime_Firma")));
        const QString ofClient = QStringLiteral("EXISTS (SELECT 1 FROM Firmi WHERE Firmi.ID = Prodajbi.ID_Klient)");
        // Only the last few sales are of no client.
        const QString grows = twoClicksGrow(column, QStringLiteral("UPDATE Prodajbi SET ID_Klient = 7 WHERE ID_Red < "
                                                                   "(SELECT MAX(ID_Red) - 5 FROM Prodajbi) AND NOT ")
                                                        + ofClient);
        QVERIFY2(grows.isEmpty(), qPrintable(grows));
        const SalesReport::List l = SalesReport::list(SalesReport::where({}), SalesReport::KeyedRows + 1,
                                                      QStringLiteral("Ime_Firma"), server);
        QVERIFY(l.byIndex);
        const QString read = server ? QString() : salesReadWhole(keptRowsPage(*l.byIndex), l.params);
        QVERIFY2(read.isEmpty(), qPrintable(read));
        const auto firstIsOfClient = [&] {
            return counted(QStringLiteral("SELECT COUNT(*) FROM Prodajbi WHERE ID_Red = ? AND ") + ofClient,
                           {firstRowAfter(column, server ? 1 : 2)})
                   == 1;
        };
        const auto kept = [] { return counted(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Bez_Klient")); };
        const auto sold = [](int client) {
            return counted(QStringLiteral("SELECT COUNT(*) FROM Prodajbi WHERE ID_Klient = ?"), {client});
        };
        QVERIFY(kept() > 0 && kept() <= 5);
        QVERIFY(!firstIsOfClient());
        // A client made with a missing one's number, one renumbered, its
        // sales moved, one deleted.
        const long long before = kept(), of55 = sold(55), of8 = sold(8);
        QVERIFY(of55 > 0 && of8 > 0);
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (55, 'Бета АД', 3)"));
        QCOMPARE(kept(), before - of55);
        Db::execute(QStringLiteral("UPDATE Firmi SET ID = 1008 WHERE ID = 8"));
        QCOMPARE(kept(), before - of55 + of8);
        Db::execute(QStringLiteral("UPDATE Prodajbi SET ID_Klient = 1008 WHERE ID_Klient = 8 AND ID_Red % 2 = 0"));
        Db::execute(QStringLiteral("DELETE FROM Firmi WHERE ID = 55"));
        Db::execute(QStringLiteral("DELETE FROM Prodajbi WHERE ID_Klient = 55 AND ID_Red % 3 = 0"));
        QCOMPARE(SalesReport::orphansOutOfStep(), 0);
        Db::execute(QStringLiteral("UPDATE Prodajbi SET ID_Klient = 7 WHERE NOT ") + ofClient);
        QCOMPARE(kept(), 0);
        QVERIFY(firstIsOfClient());
        QCOMPARE(SalesReport::orphansOutOfStep(), 0);
    }

    // Two workstations on a server: a sale of an article and the article's
    // delete at the same moment, in either order; and of a client. The sale
    // is kept as of no article or client whichever commits first.
    void aSaleAndItsArticlesOrClientsDeleteAtOnceOnAServer()
    {
        if (!testOnServer())
            QSKIP("SQLite writes one transaction at a time");
        TestProgram program;
        PrintFixture::fill();
        addSales(40);
        const QString connection = Db::currentConnectionName();
        const QString sale = QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, D_Prodajba, Kol, ED_Cena, Valuta, "
                                            "T_O, Konsign_N, Term_N) VALUES (?, ?, '2024-02-11', 1, 1, 'BGN', 0, 0, 2)");
        const QString remove = QStringLiteral("DELETE FROM Produkti WHERE ID = ?");
        // `first` runs in a transaction of its own, then `second` on another
        // connection waits for it; it commits after a while.
        // Another workstation's connection while `work` runs.
        const auto onConnection = [&](const QString &name, const std::function<void(QSqlDatabase &)> &work) {
            {
                QSqlDatabase db = QSqlDatabase::cloneDatabase(connection, name);
                if (db.open())
                    work(db);
            }
            QSqlDatabase::removeDatabase(name);
        };
        const auto race = [&](const QString &first, const QVariantList &firstValues, const QString &second,
                              const QVariantList &secondValues) {
            bool committed = false;
            onConnection(QStringLiteral("race_a"), [&](QSqlDatabase &a) {
                a.transaction();
                Db::execute(first, firstValues, a);
                std::thread other([&] {
                    onConnection(QStringLiteral("race_b"), [&](QSqlDatabase &b) { Db::execute(second, secondValues, b); });
                });
                QThread::msleep(300);
                committed = a.commit();
                other.join();
            });
            QVERIFY(committed);
        };
        race(remove, {41}, sale, {900001, 41});
        race(sale, {900002, 12}, remove, {12});
        // The same of a sale to a client and the client's delete.
        const QString sold = QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, ID_Klient, D_Prodajba, Kol, ED_Cena, "
                                            "Valuta, T_O, Konsign_N, Term_N) VALUES (?, 40, ?, '2024-02-11', 1, 1, 'BGN', 0, 0, 2)");
        const QString gone = QStringLiteral("DELETE FROM Firmi WHERE ID = ?");
        race(gone, {8}, sold, {900003, 8});
        race(sold, {900004, 7}, gone, {7});
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi WHERE ID_Prodajba > 900000")).toInt(), 4);
        QCOMPARE(SalesReport::orphansOutOfStep(), 0);
    }

    // The scroll bar dragged far into a long report, in its own column's
    // order and with a filter ticked, reads the same at three times the
    // sales: the row is placed by the rows spread over the list.
    void aFarJumpReadsAPageAtAnySize()
    {
        if (testOnServer())
            QSKIP("the work of a road is counted on SQLite; eachOrderOfALongReportIsAnIndex holds on the server");
        TestProgram program;
        PrintFixture::fill();
        const int sizes[2] = {2 * SalesReport::KeyedRows + 10000, 3 * (2 * SalesReport::KeyedRows + 10000)};
        long long steps[2] = {0, 0};
        for (int i = 0; i < 2; ++i) {
            addSales(sizes[i] - (i ? sizes[0] : 0));
            TForm_Spravka_prodajba w;
            w.ChkBox_Operators->setChecked(true);
            w.ChkBox_OperatorsClick();
            w.ComboBox_Operators->setCurrentText(QStringLiteral("Иван"));
            w.Button_SearchClick();
            QCOMPARE(w.list()->rowCount(), sizes[i] / 2);
            SortDirection = 0;
            w.DBGrid1TitleClick(SalesReport::listFields().indexOf(QStringLiteral("D_Prodajba")));
            steps[i] = stepsOf([&] {
                for (const int row : {sizes[i] / 4, sizes[i] / 3})
                    QVERIFY(w.rowKey(row) > 0);
            });
        }
        QVERIFY2(steps[1] < steps[0] * 3 / 2, qPrintable(QStringLiteral("%1 steps at %2 sales, %3 at %4")
                                                             .arg(steps[0]).arg(sizes[0]).arg(steps[1]).arg(sizes[1])));
    }

    // A long report in the order of each column of the sales records is read
    // along that column's index: nothing sorts it (a server may sort the rows
    // of one value by their key, as the unique sale number leaves those
    // without a number to it). In the order of another table's column, the
    // step to its next row walks its index (the few warehouses excepted), and
    // each row's sales are read along theirs.
    void eachOrderOfALongReportIsAnIndex()
    {
        TestProgram program;
        PrintFixture::fill();
        addSales(300);
        const SalesReport::Where all = SalesReport::where({});
        int indexed = 0;
        for (const QString &field : SalesReport::listFields()) {
            for (const bool descending : {false, true}) {
                const SalesReport::List l = SalesReport::list(all, SalesReport::KeyedRows + 1, field, descending);
                if (!l.byIndex)
                    continue;
                ++indexed;
                const KeysetList &k = *l.byIndex;
                const QString way = descending ? QStringLiteral(" DESC") : QString();
                QList<std::pair<QString, QVariantList>> statements;
                if (!k.parts.isEmpty()) {
                    // Each currency's sales along their index, from an amount on.
                    const QString own = k.order.at(1).expression;
                    for (const KeysetList::Part &p : k.parts)
                        statements.append({k.select + k.from + QStringLiteral(" WHERE ") + k.where + QStringLiteral(" AND ")
                                               + p.condition + QStringLiteral(" AND ") + own
                                               + (descending ? QStringLiteral(" <= ") + p.atMost : QStringLiteral(" >= ") + p.atLeast)
                                               + QStringLiteral(" ORDER BY %1%2, Prodajbi.ID_Red%2 LIMIT 200").arg(own, way),
                                           p.params + QVariantList{12.5} + p.boundParams});
                } else if (k.groupTerms == 0) {
                    statements.append({KeysetReader(k).sql() + QStringLiteral(" LIMIT 200"), {}});
                } else {
                    const QString value = k.order.at(0).expression;
                    const QVariant at = value.endsWith(QLatin1String("Grupa")) ? QVariant(5) : QVariant(QStringLiteral("Кабел"));
                    QStringList group, equal, groupOrder = k.groupOrder;
                    QVariantList values{at};
                    for (int t = 0; t < k.groupTerms; ++t) {
                        group << k.order.at(t).expression;
                        equal << group.last() + QStringLiteral(" = ?");
                        if (t > 0)
                            values << 12;
                    }
                    if (groupOrder.isEmpty())
                        groupOrder = group;
                    for (QString &t : groupOrder)
                        t += way;
                    statements.append({k.select + k.from + QStringLiteral(" WHERE ") + k.where + QStringLiteral(" AND ")
                                           + equal.join(QStringLiteral(" AND "))
                                           + QStringLiteral(" AND Prodajbi.ID_Red > ? ORDER BY Prodajbi.ID_Red%1 LIMIT 200").arg(way),
                                       values + QVariantList{5}});
                    // The first page and one after a row.
                    if (!k.pageFrom.isEmpty())
                        for (const QString &after : QStringList{QStringLiteral("1 = 1"), value + QStringLiteral(" > ?")})
                            statements.append({k.select + k.pageFrom + QStringLiteral(" WHERE ") + k.pageWhere
                                                   + QStringLiteral(" AND %1 ORDER BY %2, Prodajbi.ID_Red%3 LIMIT 200")
                                                         .arg(after, groupOrder.join(QStringLiteral(", ")), way),
                                               after.contains('?') ? QVariantList{at} : QVariantList{}});
                    // The few warehouses are sorted, not their sales.
                    if (!k.stepFrom.contains(QLatin1String("Sklad")))
                        statements.append({QStringLiteral("SELECT ") + group.join(QStringLiteral(", ")) + k.stepFrom
                                               + QStringLiteral(" WHERE ") + k.stepWhere
                                               + QStringLiteral(" AND %1 > ? ORDER BY %2 LIMIT 1")
                                                     .arg(value, groupOrder.join(QStringLiteral(", "))),
                                           {at}});
                }
                for (const auto &[statement, values] : statements) {
                    const QStringList plan = planOf(statement, l.params + values, true);
                    // Nor, stepped, the sales of each row of the other table.
                    QVERIFY2(sortsIn(plan).isEmpty()
                                 && (k.groupTerms == 0
                                     || (wholeReads(plan).filter(QStringLiteral("Prodajbi")).isEmpty()
                                         && plan.filter(QStringLiteral("RIGHT PART")).isEmpty())),
                             qPrintable(field + QStringLiteral(": ") + plan.join('|')));
                }
            }
        }
        QCOMPARE(indexed, 2 * 19);
    }

    // The totals (and with them the rows the list counts) read the sales and
    // their currency alone, whatever filter is ticked: every filter names the
    // sales records' own columns or their amount.
    void theTotalsReadOnlyTheSalesAndTheirCurrency()
    {
        TestProgram program;
        PrintFixture::fill();
        addSales(300);
        SalesReport::Filter every;
        every.counterparty = every.articles = every.date = every.time = every.amount = every.operatorName =
            every.payType = every.warehouse = true;
        every.counterpartyId = 7;
        every.articleIds = {QStringLiteral("12"), QStringLiteral("40")};
        every.dateFrom = every.dateTo = QDate(2024, 3, 10);
        every.timeFrom = every.timeTo = QTime(10, 0);
        every.amountFrom = QStringLiteral("5");
        every.operatorText = QStringLiteral("Иван");
        every.payTypeText = QStringLiteral("в брой");
        every.warehouseId = 1;
        static const QRegularExpression other(QStringLiteral("\\b(Produkti|Firmi|Grupi|Sklad)\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
        for (const SalesReport::Filter &f : {SalesReport::Filter{}, every}) {
            const SalesReport::Where w = SalesReport::where(f);
            QVERIFY(w.ok());
            for (const auto &[sql, values] : SalesReport::totalsStatements(w)) {
                const QStringList plan = planOf(sql, values);
                QVERIFY2(!plan.join(QLatin1Char('|')).contains(other), qPrintable(plan.join(QLatin1Char('|'))));
            }
            QCOMPARE(SalesReport::totals(w).rows, f.date ? 0 : 300);
        }
    }

    // With no filter but the date, payment type, operator and warehouse, or
    // only the time, or only the amount, the totals are sums kept as the
    // sales change: no sale is read for them but those of no date, and they
    // are the sales added up after every kind of change to the sales. Other
    // filters add the sales up; so does a value the kept sums hold for none.
    void theTotalsAreKeptAsTheSalesChange()
    {
        TestProgram program;
        PrintFixture::fill();
        addSales(3000);
        SalesReport::Filter between, onDay, payType, op, warehouse, dayAndPay, many, time, timeBetween, amount,
            amountBetween, amountEqual, client, noOperator;
        between.date = onDay.date = dayAndPay.date = many.date = true;
        between.dateComparison = many.dateComparison = ReportFilter::Between;
        between.dateFrom = many.dateFrom = QDate(2024, 2, 12);
        between.dateTo = many.dateTo = QDate(2024, 5, 20);
        onDay.dateFrom = dayAndPay.dateFrom = QDate(2024, 3, 12);
        payType.payType = dayAndPay.payType = client.payType = true;
        payType.payTypeText = dayAndPay.payTypeText = client.payTypeText = QStringLiteral("в брой");
        op.operatorName = many.operatorName = noOperator.operatorName = true;
        op.operatorText = many.operatorText = QStringLiteral("Иван");
        warehouse.warehouse = many.warehouse = true;
        warehouse.warehouseId = many.warehouseId = 1;
        time.time = timeBetween.time = true;
        time.timeComparison = ReportFilter::AtLeast;
        time.timeFrom = QTime(13, 0);
        timeBetween.timeComparison = ReportFilter::Between;
        timeBetween.timeFrom = QTime(11, 0);
        timeBetween.timeTo = QTime(15, 0);
        amount.amount = amountBetween.amount = amountEqual.amount = true;
        amount.amountComparison = ReportFilter::AtLeast;
        amount.amountFrom = QStringLiteral("20");
        amountBetween.amountComparison = ReportFilter::Between;
        amountBetween.amountFrom = QStringLiteral("3,5");
        amountBetween.amountTo = QStringLiteral("12.5");
        amountEqual.amountFrom = QStringLiteral("3.5");
        client.counterparty = true;
        client.counterpartyId = 7;
        const QList<std::pair<SalesReport::Filter, bool>> filters{
            {SalesReport::Filter{}, true}, {between, true}, {onDay, true},    {payType, true},       {op, true},
            {warehouse, true},            {dayAndPay, true}, {many, true},    {time, true},          {timeBetween, true},
            {amount, true},               {amountBetween, true}, {amountEqual, true}, {client, false}, {noOperator, false}};
        const auto agree = [&](const char *after) {
            for (const auto &[f, keeps] : filters) {
                const SalesReport::Where w = SalesReport::where(f);
                QCOMPARE(w.kept, keeps);
                const SalesReport::Totals kept = SalesReport::totals(w);
                const auto added = Db::firstRow(SalesReport::totalsSql(w), w.values);
                QVERIFY(added);
                QCOMPARE(kept.rows, added->value(0).toLongLong());
                const double sums[3] = {kept.cash, kept.open, kept.paidCredit};
                for (int i = 0; i < 3; ++i)
                    QVERIFY2(qAbs(sums[i] - added->value(i + 1).toDouble()) < 1e-6,
                             qPrintable(QStringLiteral("%1, sum %2: %3 kept, %4 added up")
                                            .arg(QLatin1String(after)).arg(i).arg(sums[i], 0, 'f', 9)
                                            .arg(added->value(i + 1).toDouble(), 0, 'f', 9)));
                if (!w.kept)
                    continue;
                QVERIFY(kept.rows > 0 || f.amount || f.time);
                for (const auto &[sql, values] : SalesReport::totalsStatements(w)) {
                    const QString read = salesReadWhole(sql, values);
                    QVERIFY2(read.isEmpty(), qPrintable(read));
                }
            }
            QCOMPARE(SalesReport::keptSumsOutOfStep(), 0);
        };
        agree("written");
        // Sales of no date, of no currency and of an unknown one; a
        // consignment, then paid; quantities, prices, days, times, payment
        // types, operators and warehouses changed; sales cancelled; several
        // written in one statement.
        Db::execute(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Kol, ED_Cena, Valuta, T_O, Konsign_N, Term_N) "
                                   "VALUES (90001, 12, 2, 3.5, 'BGN', 10, 0, 1), (90002, 12, 1, 1, NULL, 0, 0, 1), "
                                   "(90003, 12, 1, 1, 'USD', 0, 0, 1)"));
        Db::execute(QStringLiteral("UPDATE Prodajbi SET Konsign_N = 5, Term_N = NULL WHERE ID_Red % 11 = 0"));
        agree("a consignment");
        Db::execute(QStringLiteral("UPDATE Prodajbi SET Konsign_N = -1 WHERE Konsign_N = 5"));
        Db::execute(QStringLiteral("UPDATE Prodajbi SET Kol = Kol + 1, ED_Cena = ED_Cena * 1.1 WHERE ID_Red % 7 = 0"));
        Db::execute(QStringLiteral("UPDATE Prodajbi SET T_O = NULL WHERE ID_Red % 13 = 0"));
        Db::execute(QStringLiteral("UPDATE Prodajbi SET D_Prodajba = '2024-03-12', Valuta = 'EUR' WHERE ID_Red % 17 = 0"));
        Db::execute(QStringLiteral("UPDATE Prodajbi SET Operator = 'Петър' WHERE ID_Red % 3 = 0"));
        Db::execute(QStringLiteral("UPDATE Prodajbi SET Type_Pay = NULL, Operator = NULL WHERE ID_Red % 19 = 0"));
        Db::execute(QStringLiteral("UPDATE Prodajbi SET Sklad_ID = NULL, T_Prodajba = '09:30:00' WHERE ID_Red % 23 = 0"));
        Db::execute(QStringLiteral("UPDATE Prodajbi SET Type_Pay = 'по банков път', T_Prodajba = NULL WHERE ID_Red % 29 = 0"));
        agree("changed");
        Db::execute(QStringLiteral("DELETE FROM Prodajbi WHERE ID_Red % 5 = 0 OR ID_Red = 90001"));
        agree("cancelled");
    }

    // Added up, the sales are read along the index of the condition that
    // holds the fewest as a rule: a pick of articles, a counterparty, the
    // date, the time; never along that of a payment type, an operator or a
    // warehouse, which hold most sales.
    void summedTotalsReadTheNarrowestIndex()
    {
        if (testOnServer())
            QSKIP("a server plans from its statistics");
        TestProgram program;
        PrintFixture::fill();
        addSales(300);
        SalesReport::Filter f;
        f.payType = f.operatorName = f.warehouse = f.counterparty = f.articles = f.date = f.time = true;
        f.payTypeText = QStringLiteral("в брой");
        f.operatorText = QStringLiteral("Иван");
        f.warehouseId = 1;
        f.counterpartyId = 7;
        f.articleIds = {QStringLiteral("12")};
        f.dateFrom = QDate(2024, 3, 10);
        f.timeFrom = QTime(10, 0);
        for (const char *index : {"Prodajbi_ID_Art", "Prodajbi_ID_Klient", "Prodajbi_D_Prodajba", "Prodajbi_T_Prodajba"}) {
            const SalesReport::Where w = SalesReport::where(f);
            QVERIFY(!w.kept);
            const QString plan = planOf(SalesReport::totalsSql(w), w.values).join(QLatin1Char('|'));
            QVERIFY2(plan.contains(QStringLiteral("INDEX %1 ").arg(QLatin1String(index))), qPrintable(plan));
            if (f.articles)
                f.articles = false;
            else if (f.counterparty)
                f.counterparty = false;
            else
                f.date = false;
        }
    }

    // A short list of the sales of an amount in leva finds them along the
    // index of each currency's amount, between bounds wide enough for every
    // rounding: the same sales as reading every one, in either currency.
    void aFewSalesOfAnAmountAreFoundAlongTheIndexOfTheAmount()
    {
        TestProgram program;
        PrintFixture::fill();
        addSales(3000);
        const QString amount = QStringLiteral("(Valuti.Kurs*(Prodajbi.Kol*Prodajbi.ED_Cena - "
                                              "Prodajbi.Kol*Prodajbi.ED_Cena*Prodajbi.T_O/100))");
        const QVariant some = Db::scalar(QStringLiteral("SELECT %1 FROM Prodajbi JOIN Valuti ON Valuti.Opisanie = "
                                                        "Prodajbi.Valuta WHERE Prodajbi.Valuta = 'EUR' ORDER BY ID_Red LIMIT 1")
                                             .arg(amount));
        const int comparisons[] = {ReportFilter::Equal, ReportFilter::AtMost, ReportFilter::AtLeast, ReportFilter::Between};
        for (const int comparison : comparisons) {
            SalesReport::Filter f;
            f.amount = true;
            f.amountComparison = comparison;
            f.amountFrom = QString::number(comparison == ReportFilter::AtLeast ? 60.0 : some.toDouble(), 'g', 17);
            f.amountTo = QString::number(some.toDouble() + 1, 'g', 17);
            const SalesReport::Where w = SalesReport::where(f);
            const qint64 rows = SalesReport::totals(w).rows;
            QVERIFY(rows > 0 && rows < 3000);
            const SalesReport::List l = SalesReport::list(w, qMin<qint64>(rows, SalesReport::KeyedRows));
            QVERIFY(!l.byIndex);
            QCOMPARE(keys(l.keySql, l.params),
                     keys(QStringLiteral("SELECT Prodajbi.ID_Red FROM Prodajbi JOIN Valuti ON Valuti.Opisanie = "
                                         "Prodajbi.Valuta WHERE 1 = 1") + w.sql + QStringLiteral(" ORDER BY Prodajbi.ID_Red"),
                          w.values));
            if (!testOnServer()) {
                const QString plan = planOf(l.keySql, l.params).join(QLatin1Char('|'));
                QVERIFY2(plan.contains(QStringLiteral("Prodajbi_Valuta_Suma")) && !plan.contains(QStringLiteral("SCAN Prodajbi")),
                         qPrintable(plan));
            }
        }
    }

    // A new order, or the report run again, starts at its first row, as a
    // list opened anew does: the grid does not stay where the scroll bar
    // left the old order, reading pages far into the new one. No sale is
    // marked by it, for printing or cancelling.
    void aNewOrderStartsAtItsFirstRow()
    {
        TestProgram program;
        PrintFixture::fill();
        addSales(SalesReport::KeyedRows + 500);
        TForm_Spravka_prodajba w;
        w.resize(1000, 700);
        w.show();
        w.Button_SearchClick();
        SortDirection = 0;
        QScrollBar *bar = w.DBGrid1->verticalScrollBar();
        for (const char *field : {"D_Prodajba", "Ime_Grupa", "Ime_Grupa", ""}) {
            bar->setValue(bar->maximum() / 2);
            QVERIFY(w.DBGrid1->rowAt(0) > 0);
            if (*field)
                w.DBGrid1TitleClick(SalesReport::listFields().indexOf(QString::fromLatin1(field)));
            else
                w.Button_SearchClick();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(w.DBGrid1->rowAt(0), 0);
            QVERIFY(w.markedRows().isEmpty());
        }
    }

    // The window's pages, in an own and a joined column's order, are the
    // whole ordered statement's rows.
    void pagesShowTheOrderedReport()
    {
        TestProgram program;
        PrintFixture::fill();
        addSales(SalesReport::KeyedRows + 500);
        TForm_Spravka_prodajba w;
        w.Button_SearchClick();
        const SalesReport::Where all = SalesReport::where({});
        SortDirection = 0; // a click flips it, then sorts: descending, then ascending
        // Each joined column twice, so in both directions.
        for (const char *field : {"Pored_Do", "Opisanie", "Opisanie", "T_O", "Ime_Firma", "Ime_Firma", "Opis_Sklad",
                                  "ID_Grupa", "Opis_Sklad", "ID_Grupa", "Ime_Grupa", "Ime_Grupa", "Suma", "Suma"}) {
            w.DBGrid1TitleClick(SalesReport::listFields().indexOf(QString::fromLatin1(field)));
            const SalesReport::List l = SalesReport::list(all, 0, QString::fromLatin1(field), SortDirection == 1);
            const QList<long long> expected = keys(l.keySql, l.params);
            QCOMPARE(w.list()->rowCount(), int(expected.size()));
            // From the end backwards over a page boundary, then by jumps.
            for (int r = int(expected.size()) - 1; r > int(expected.size()) - 450; --r)
                QCOMPARE(w.rowKey(r), expected.at(r));
            for (int r = 0; r < expected.size(); r += 1013)
                QCOMPARE(w.rowKey(r), expected.at(r));
        }
    }
};

VTEST(SalesReportAtScale)
#include "test_sales_report_scale.moc"
