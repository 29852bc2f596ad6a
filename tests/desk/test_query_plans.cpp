// The desk's statements reach their rows by index: every statement a road
// runs is traced and its plan may not scan a table that grows with the shop.
#include "desk/desk_lines.h"
#include "desk/desk_search.h"
#include "desk/sale.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "query_plans.h"
#include "repair/serial_lookup.h"
#include "test_registry.h"
#include "test_support.h"

#include <QTest>

#include <algorithm>

namespace {
void shop()
{
    Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
    Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('BGL', 1)"));
    for (int id = 1; id <= 50; ++id) {
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P, Dan_Grup) "
                                   "VALUES (?, ?, 2.5, 'BGL', 2)"),
                    {id, QStringLiteral("Артикул %1").arg(id)});
        Db::execute(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (?, 1, 1000)"), {id});
    }
}

DeskLines::NewLine line(long long article)
{
    DeskLines::NewLine l;
    l.article = article;
    l.quantityText = QStringLiteral("2");
    l.priceText = QStringLiteral("2.5");
    l.op = QStringLiteral("Иван");
    return l;
}
} // namespace

class QueryPlansTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void deskRoadsUseIndexes()
    {
        if (testOnServer())
            QSKIP("the statements of a road are traced on SQLite; deskLookupsUseIndexes holds on the server");
        TestProgram program;
        shop();
        // The check sees a scan where there is one.
        QCOMPARE(scans({QStringLiteral("SELECT ID FROM Produkti WHERE Opisanie LIKE ?")}).size(), 1);
        QVERIFY(scans({QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = ?")}).isEmpty());
        QCOMPARE(scans({QStringLiteral("SELECT P.ID FROM Produkti AS P WHERE P.Kasovo_Ime = ?")}).size(), 1);
        Settings::writeInteger(Keys::Tuning_FB, 2);
        for (int i = 1; i <= 5; ++i)
            QCOMPARE(DeskLines::insertLine(line(i)).outcome, DeskLines::InsertResult::Written);

        const QStringList insert = statementsOf([] { DeskLines::insertLine(line(7)); });
        QVERIFY(!insert.isEmpty());
        QVERIFY2(scans(insert).isEmpty(), qPrintable(scans(insert).join(QLatin1Char('\n'))));

        // Calculate_SUM: the recompute and the bill's list.
        const QStringList sum = statementsOf([] {
            DeskLines::recalculate(QStringLiteral("Иван"), 0, 2);
            Db::rows(DeskLines::billSql(), {QStringLiteral("Иван"), 0});
        });
        QVERIFY2(scans(sum).isEmpty(), qPrintable(scans(sum).join(QLatin1Char('\n'))));

        // The desk's look-ups by number, barcode, card, catalogue number and serial, by their exact text
        // and in any case, and the name search from three characters on.
        QStringList lookups;
        for (const char letter : {'a', 'b', 'k', 'n', 's'}) {
            const DeskSearch::Statement st = DeskSearch::statement(QLatin1Char(letter), QStringLiteral("123"));
            QVERIFY(st.valid);
            lookups << st.sql;
            if (letter != 'a')
                lookups << DeskSearch::statement(QLatin1Char(letter), QStringLiteral("x1"), true).sql;
        }
        lookups += statementsOf([] {
            for (const char letter : {'b', 'k', 'n', 's'})
                QVERIFY(DeskSearch::find(QLatin1Char(letter), QStringLiteral("Няма-такъв"))->isEmpty());
            QCOMPARE(DeskSearch::find(QLatin1Char('i'), QStringLiteral("тикул 1"))->size(), 11);
        });
        // The service tab's serial look-up of a serial nobody has.
        lookups += statementsOf([] { QVERIFY(!SerialLookup::find(QStringLiteral("sn-none"), false)->card.found); });
        lookups += statementsOf([] { QVERIFY(DeskSearch::article(3)); });
        // The name search looks at the first names in order, a walk a LIMIT stops.
        QVERIFY2(scansButAlongAnIndex(lookups).isEmpty(), qPrintable(scansButAlongAnIndex(lookups)));

        QList<long long> lines;
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT N_Prodajba FROM Prodajbi_Vremenni ORDER BY 1")))
            lines << r.value(0).toLongLong();
        const QStringList sale = statementsOf([&] {
            Sale::Request r;
            r.lines = lines;
            r.op = QStringLiteral("Иван");
            r.warehouse = 1;
            QVERIFY(Sale::sell(r).ok);
        });
        QVERIFY(sale.size() > 3);
        QVERIFY2(scans(sale).isEmpty(), qPrintable(scans(sale).join(QLatin1Char('\n'))));
    }

    // The desk's look-ups, run with their values, on either engine: no table
    // that grows with the shop is read whole.
    void deskLookupsUseIndexes()
    {
        TestProgram program;
        shop();
        // A table read whole, row by row (the name index is SQLite's own virtual table).
        const auto readWhole = [](const QString &row) {
            return (row.startsWith(QLatin1String("SCAN")) && !row.contains(QLatin1String("VIRTUAL TABLE INDEX")))
                   || row.contains(QLatin1String("Seq Scan"));
        };
        // The check sees a scan where there is one.
        const QStringList scanned = planOf(QStringLiteral("SELECT ID FROM Produkti WHERE Kasovo_Ime = ?"), {QStringLiteral("x")});
        QVERIFY2(std::any_of(scanned.cbegin(), scanned.cend(), readWhole), qPrintable(scanned.join('|')));
        for (const char letter : {'a', 'b', 'k', 'n', 's', 'i'}) {
            for (const bool folded : {false, true}) {
                const DeskSearch::Statement st =
                    DeskSearch::statement(QLatin1Char(letter), QStringLiteral("123"), folded && letter != 'a' && letter != 'i');
                QVERIFY(st.valid);
                const QStringList plan = planOf(st.sql, st.params);
                QVERIFY(!plan.isEmpty());
                for (const QString &row : plan)
                    QVERIFY2(!readWhole(row), qPrintable(row + QStringLiteral("  <=  ") + st.sql));
            }
        }
    }
};

VTEST(QueryPlansTest)
#include "test_query_plans.moc"
