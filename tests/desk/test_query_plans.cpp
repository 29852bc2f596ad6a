// The desk's statements reach their rows by index: every statement a road
// runs is traced and its plan may not scan a table that grows with the shop.
#include "desk/desk_lines.h"
#include "desk/desk_search.h"
#include "desk/sale.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "test_registry.h"
#include "test_support.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QTest>

#include <sqlite3.h>

#include <functional>

namespace {
sqlite3 *handle()
{
    const QVariant v = Db::connection().driver()->handle();
    return *static_cast<sqlite3 *const *>(v.constData());
}

int traced(unsigned, void *context, void *statement, void *)
{
    const char *sql = sqlite3_sql(static_cast<sqlite3_stmt *>(statement));
    if (sql)
        static_cast<QStringList *>(context)->append(QString::fromUtf8(sql));
    return 0;
}

// The statements `road` runs on the connection, each once.
QStringList statementsOf(const std::function<void()> &road)
{
    QStringList seen;
    sqlite3_trace_v2(handle(), SQLITE_TRACE_STMT, traced, &seen);
    road();
    sqlite3_trace_v2(handle(), 0, nullptr, nullptr);
    seen.removeDuplicates();
    return seen;
}

// The plan rows of a statement, its parameters left unbound.
QStringList planOf(const QString &sql)
{
    QStringList rows;
    sqlite3_stmt *st = nullptr;
    const QByteArray text = "EXPLAIN QUERY PLAN " + sql.toUtf8();
    if (sqlite3_prepare_v2(handle(), text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
        return {QStringLiteral("не се подготвя: ") + QString::fromUtf8(sqlite3_errmsg(handle()))};
    while (sqlite3_step(st) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 3)));
    sqlite3_finalize(st);
    return rows;
}

// "SCAN <table>" of a table that grows with the shop (by its name or its
// alias), in any statement of the list.
QStringList scans(const QStringList &statements)
{
    static const QStringList growing{"Produkti", "Barkodes", "Serials", "Karti", "Prodajbi_Vremenni", "Prodajbi",
                                     "Store_Kol"};
    static const QRegularExpression source(QStringLiteral("\\b(?:FROM|JOIN|UPDATE|INTO)\\s+(\\w+)(?:\\s+(?:AS\\s+)?(\\w+))?"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression scan(QStringLiteral("^SCAN (?:TABLE )?(\\w+)"));
    static const QStringList keywords{"WHERE", "JOIN", "LEFT", "INNER", "ON", "ORDER", "GROUP", "SET", "VALUES",
                                      "LIMIT", "SELECT", "USING", "CROSS", "NATURAL", "UNION", "DEFAULT"};
    QStringList found;
    for (const QString &sql : statements) {
        if (sql.startsWith(QLatin1String("BEGIN")) || sql.startsWith(QLatin1String("COMMIT"))
            || sql.startsWith(QLatin1String("ROLLBACK")) || sql.startsWith(QLatin1String("SAVEPOINT"))
            || sql.startsWith(QLatin1String("RELEASE")))
            continue;
        QStringList names = growing;
        auto it = source.globalMatch(sql);
        while (it.hasNext()) {
            const auto m = it.next();
            const QString alias = m.captured(2);
            if (growing.contains(m.captured(1)) && !alias.isEmpty() && !keywords.contains(alias.toUpper()))
                names << alias;
        }
        for (const QString &row : planOf(sql)) {
            const auto m = scan.match(row);
            if ((m.hasMatch() && names.contains(m.captured(1))) || row.startsWith(QStringLiteral("не се")))
                found << row + QStringLiteral("  <=  ") + sql;
        }
    }
    return found;
}

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
        TestProgram program;
        shop();
        // The check sees a scan where there is one.
        QCOMPARE(scans({QStringLiteral("SELECT ID FROM Produkti WHERE Opisanie LIKE ?")}).size(), 1);
        QVERIFY(scans({QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = ?")}).isEmpty());
        QCOMPARE(scans({QStringLiteral("SELECT P.ID FROM Produkti AS P WHERE P.Mqrka = ?")}).size(), 1);
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

        // The desk's look-ups by number, barcode, card, catalogue number and serial, by their exact text.
        QStringList lookups;
        for (const char letter : {'a', 'b', 'k', 'n', 's'}) {
            const DeskSearch::Statement st = DeskSearch::statement(QLatin1Char(letter), QStringLiteral("123"));
            QVERIFY(st.valid);
            lookups << st.sql;
        }
        lookups += statementsOf([] { QVERIFY(DeskSearch::article(3)); });
        QVERIFY2(scans(lookups).isEmpty(), qPrintable(scans(lookups).join(QLatin1Char('\n'))));

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
};

VTEST(QueryPlansTest)
#include "test_query_plans.moc"
