// The shop's sales as a shop makes them: receipts of 10 lines, each line
// added by the desk's line insert and the receipt sold by the desk's sale
// (the module the "Продажба" button calls), so the sales history, the
// stock and what the database keeps by itself are a real shop's. Then the
// counts kept by triggers are checked against the tables they count.
#include "bench_shop.h"
#include "bench_support.h"

#include "desk/desk_lines.h"
#include "documents/sales_report.h"
#include "desk/sale.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QDate>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

namespace Bench {
namespace {
constexpr int LinesPerReceipt = 10;
// Receipts joined in one transaction of the generation: each sale runs in
// its own savepoint as at the desk, the commit (and its sync) comes once.
constexpr int ReceiptsPerCommit = 100;
constexpr int SalesPerDay = 700;

void sellReceipt(int receipt, const std::vector<int> &cents, QRandomGenerator &rng)
{
    // Every tenth receipt by bank to a counterparty, whose discounts apply.
    const bool bank = receipt % 10 == 9;
    const long long counterparty = bank ? 1 + receipt / 10 % CounterpartyCount : 0;
    Sale::Request sale;
    sale.payType = bank ? Sale::Bank : Sale::Cash;
    sale.counterparty = counterparty;
    sale.op = op();
    sale.warehouse = 1;
    for (int i = 0; i < LinesPerReceipt; ++i) {
        const int article = 1 + int(rng.bounded(quint32(cents.size())));
        const Decimal price = Decimal::fromParts(cents.at(article - 1), 2);
        DeskLines::NewLine line;
        line.article = article;
        line.quantityText = QString::number(1 + rng.bounded(3));
        line.priceText = price.toString(2);
        line.listPrice = price;
        line.counterparty = counterparty;
        line.op = op();
        const DeskLines::InsertResult added = DeskLines::insertLine(line);
        if (added.outcome != DeskLines::InsertResult::Written)
            fail(QStringLiteral("a receipt's line was not written: ") + added.message);
        sale.lines << Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni WHERE Operator = ?"),
                                 {op()})
                          .toLongLong();
    }
    const Sale::Result sold = Sale::sell(sale);
    if (!sold.ok)
        fail(QStringLiteral("a receipt was not sold: ") + sold.message);
}

// The sale stamps today's date: the history is spread over the days a shop
// takes to sell it, in the order it was sold (700 lines a day).
void spreadOverDays()
{
    const QDate first(2024, 1, 1);
    WriteTransaction tx;
    for (int day = 0; day * SalesPerDay < SalesRecords; ++day)
        Db::execute(QStringLiteral("UPDATE Prodajbi SET D_Prodajba = ? WHERE ID_Red > ? AND ID_Red <= ?"),
                    {first.addDays(day).toString(Qt::ISODate), day * SalesPerDay, (day + 1) * SalesPerDay});
    tx.commit();
}

long long count(const QString &sql)
{
    return Db::scalar(sql).toLongLong();
}

void expectNone(const QString &what, const QString &sql)
{
    if (const long long n = count(sql))
        fail(QStringLiteral("%1: %2").arg(what).arg(n));
}
} // namespace

double sellThroughTheDesk(const std::vector<int> &cents)
{
    QElapsedTimer clock;
    clock.start();
    QRandomGenerator rng(29);
    const int receipts = SalesRecords / LinesPerReceipt;
    for (int r = 0; r < receipts; r += ReceiptsPerCommit) {
        WriteTransaction tx;
        for (int i = r; i < qMin(receipts, r + ReceiptsPerCommit); ++i)
            sellReceipt(i, cents, rng);
        tx.commit();
        if (r % 5000 == 0) {
            std::fprintf(stderr, "\rпродажби: %d от %d реда", r * LinesPerReceipt, SalesRecords);
            std::fflush(stderr);
        }
    }
    std::fprintf(stderr, "\r%60s\r", "");
    spreadOverDays();
    return clock.elapsed() / 1000.0;
}

void checkKeptCounts(const Contents &what)
{
    // The articles counted per group, both ways round.
    const QString counted = QStringLiteral("SELECT Nomer_Grupa, COUNT(*) FROM Produkti WHERE Nomer_Grupa IS NOT NULL "
                                           "GROUP BY Nomer_Grupa");
    const QString kept = QStringLiteral("SELECT Nomer_Grupa, Broi FROM Produkti_Broi");
    expectNone(QStringLiteral("groups counted by the table but not kept so"),
               QStringLiteral("SELECT COUNT(*) FROM (%1 EXCEPT %2) d").arg(counted, kept));
    expectNone(QStringLiteral("groups kept but not counted so by the table"),
               QStringLiteral("SELECT COUNT(*) FROM (%2 EXCEPT %1) d").arg(counted, kept));
    // The upper-case copies of the codes the look-ups fold.
    for (const auto &[table, column] : {std::pair{"Produkti", "Nomenkl_N"}, std::pair{"Barkodes", "Barkode"},
                                        std::pair{"Prodajbi", "Pored_Ot"}})
        expectNone(QStringLiteral("%1.%2_Up out of step").arg(QLatin1String(table), QLatin1String(column)),
                   QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2_Up IS DISTINCT FROM (CASE WHEN UPPER(%2) <> %2 "
                                  "THEN UPPER(%2) END)")
                       .arg(QLatin1String(table), QLatin1String(column)));
    if (count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi")) != (what.sales ? SalesRecords : 0))
        fail(QStringLiteral("the sales are not all recorded"));
    if (what.sales) {
        // Warehouse 1 began with 1 000 000 of each article; what left it was sold.
        expectNone(QStringLiteral("articles whose stock disagrees with their sales"),
                   QStringLiteral("SELECT COUNT(*) FROM Store_Kol s LEFT JOIN (SELECT ID_Art, SUM(Kol) AS q FROM "
                                  "Prodajbi WHERE Sklad_ID = 1 GROUP BY ID_Art) p ON p.ID_Art = s.Art_ID "
                                  "WHERE s.Sklad_ID = 1 AND s.Kol <> 1000000 - COALESCE(p.q, 0)"));
        if (const qint64 rows = SalesReport::keptSumsOutOfStep())
            fail(QStringLiteral("kept sums that disagree with their sales: %1").arg(rows));
        if (const qint64 sales = SalesReport::orphansOutOfStep())
            fail(QStringLiteral("sales of no article kept out of step: %1").arg(sales));
    }
    if (onServer())
        return; // a server's name index is the database's own
    // The name index keeps no names: each of its terms is counted in as many
    // articles and places as in an index built anew from the names.
    for (const char *sql :
         {"DROP TABLE IF EXISTS temp.Ime_Anew_Terms", "DROP TABLE IF EXISTS temp.Ime_Kept_Terms",
          "DROP TABLE IF EXISTS temp.Ime_Anew",
          "CREATE VIRTUAL TABLE temp.Ime_Anew USING fts5(Ime, tokenize = 'trigram', content = '', columnsize = 0)",
          "INSERT INTO temp.Ime_Anew (rowid, Ime) SELECT ID, UPPER(Opisanie) FROM Produkti",
          "CREATE VIRTUAL TABLE temp.Ime_Kept_Terms USING fts5vocab(main, Produkti_Ime, row)",
          "CREATE VIRTUAL TABLE temp.Ime_Anew_Terms USING fts5vocab(temp, Ime_Anew, row)"})
        Db::execute(QString::fromLatin1(sql));
    const QString keptTerms = QStringLiteral("SELECT term, doc, cnt FROM temp.Ime_Kept_Terms");
    const QString anewTerms = QStringLiteral("SELECT term, doc, cnt FROM temp.Ime_Anew_Terms");
    expectNone(QStringLiteral("terms of the names the name index counts otherwise"),
               QStringLiteral("SELECT COUNT(*) FROM (%1 EXCEPT %2) d").arg(anewTerms, keptTerms));
    expectNone(QStringLiteral("terms in the name index the names count otherwise"),
               QStringLiteral("SELECT COUNT(*) FROM (%1 EXCEPT %2) d").arg(keptTerms, anewTerms));
    for (const char *table : {"Ime_Anew_Terms", "Ime_Kept_Terms", "Ime_Anew"})
        Db::execute(QStringLiteral("DROP TABLE temp.") + QLatin1String(table));
    try {
        Db::execute(QStringLiteral("INSERT INTO Produkti_Ime (Produkti_Ime) VALUES ('integrity-check')"));
    } catch (const DbError &e) {
        fail(QStringLiteral("the name index fails its check: ") + e.message());
    }
    if (Db::scalar(QStringLiteral("PRAGMA quick_check")).toString() != QLatin1String("ok"))
        fail(QStringLiteral("the database's quick check fails"));
}
} // namespace Bench
