#include "catalogue/stock_taking.h"

#include "app/next_number.h"
#include "catalogue/stock_writer.h"
#include "common/dates.h"
#include "platform/db/batch_insert.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

#include <QHash>
#include <QSet>
#include <QSqlRecord>

namespace {
QString table()
{
    return WorkTables::qualified(QString::fromLatin1(StockTaking::WorkTable));
}
} // namespace

void StockTaking::prepare()
{
    // Not WorkTables::create: that empties the table, and an unfinished count must survive.
    WorkTables::ensure(QString::fromLatin1(StockTaking::WorkTable),
                       QStringLiteral("N INTEGER PRIMARY KEY AUTOINCREMENT, Sklad_ID INTEGER NOT NULL, "
                                      "Art_ID INTEGER NOT NULL, Opisanie TEXT, Nal_Kol DOUBLE, Otkr_Kol DOUBLE, "
                                      "Mqrka TEXT, Ed_Cena DOUBLE, Valuta TEXT"),
                       Db::connection());
    // An article's lines in their order: its held quantity, its sums.
    WorkTables::ensureIndex(QStringLiteral("Revision_TMP_Art_ID"), QString::fromLatin1(StockTaking::WorkTable),
                            QStringLiteral("Art_ID, N"), Db::connection());
}

int StockTaking::lineCount()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table())).toInt();
}

long long StockTaking::pendingWarehouse()
{
    return Db::scalar(QStringLiteral("SELECT Sklad_ID FROM %1 ORDER BY N LIMIT 1").arg(table())).toLongLong();
}

Decimal StockTaking::stock(long long article, long long warehouse)
{
    return Decimal::fromVariant(Db::scalar(
        QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = ?"), {article, warehouse}));
}

StockTaking::Lookup StockTaking::heldLookup(long long article)
{
    return {QStringLiteral("SELECT t.Nal_Kol FROM %1 t WHERE t.Art_ID = ? ORDER BY t.N LIMIT 1").arg(table()),
            {article}};
}

Decimal StockTaking::heldFor(long long article, long long warehouse)
{
    const Lookup held = heldLookup(article);
    const QVariant earlier = Db::scalar(held.sql, held.params);
    return earlier.isValid() ? Decimal::fromVariant(earlier) : stock(article, warehouse);
}

namespace {
// A count finds 0 or more.
bool countable(Decimal counted)
{
    return counted >= Decimal() && counted.decimals() <= StockQuantity::Decimals;
}
} // namespace

long long StockTaking::addLine(long long article, Decimal counted, long long warehouse)
{
    if (!countable(counted))
        return 0;
    const auto row = Db::firstRow(QStringLiteral("SELECT Opisanie, Mqrka, Ed_Cena, Valuta_P FROM Produkti WHERE ID = ?"),
                                  {article});
    if (!row)
        return 0;
    WriteTransaction tx;
    Db::execute(QStringLiteral("INSERT INTO %1 (Sklad_ID, Art_ID, Opisanie, Nal_Kol, Otkr_Kol, Mqrka, Ed_Cena, Valuta) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
                    .arg(table()),
                {warehouse, article, row->value(0), heldFor(article, warehouse).toDouble(), counted.toDouble(),
                 row->value(1), row->value(2), row->value(3)});
    const long long n = Db::scalar(QStringLiteral("SELECT MAX(N) FROM %1").arg(table())).toLongLong();
    tx.commit();
    return n;
}

bool StockTaking::setCounted(long long n, Decimal counted)
{
    return countable(counted)
           && Db::execute(QStringLiteral("UPDATE %1 SET Otkr_Kol = ? WHERE N = ?").arg(table()),
                          {counted.toDouble(), n})
                  > 0;
}

bool StockTaking::removeLine(long long n)
{
    return Db::execute(QStringLiteral("DELETE FROM %1 WHERE N = ?").arg(table()), {n}) > 0;
}

void StockTaking::clear()
{
    Db::execute(QStringLiteral("DELETE FROM %1").arg(table()));
}

KeysetList StockTaking::linesList()
{
    KeysetList k;
    k.select = QStringLiteral("SELECT t.N, t.Art_ID, t.Opisanie AS Art_Opis, "
                              "(SELECT SUM(s.Otkr_Kol) FROM %1 s WHERE s.Art_ID = t.Art_ID) - t.Nal_Kol AS Difrents, "
                              "t.Nal_Kol, t.Otkr_Kol, t.Mqrka, t.Ed_Cena, t.Valuta, "
                              "t.Nal_Kol * t.Ed_Cena * v.Kurs AS Nal_Sum, t.Otkr_Kol * t.Ed_Cena * v.Kurs AS Otkr_Sum, "
                              "v.Kurs, t.Sklad_ID")
                   .arg(table());
    k.from = QStringLiteral(" FROM %1 t LEFT JOIN Valuti v ON v.Opisanie = t.Valuta").arg(table());
    k.order = {{QStringLiteral("t.N"), QStringLiteral("N")}};
    return k;
}

QString StockTaking::linesSql(QVariantList *params)
{
    params->clear();
    return KeysetReader(linesList()).sql();
}

namespace {
const char *const TotalsColumns = "SELECT t.Art_ID, t.Nal_Kol, t.Otkr_Kol, t.Ed_Cena, v.Kurs "
                                  "FROM %1 t JOIN Valuti v ON v.Opisanie = t.Valuta";

// Lines in entry order: an article's held quantity counts once, at its first line.
StockTaking::Totals addUp(const QList<QSqlRecord> &lines)
{
    StockTaking::Totals t;
    QSet<long long> seen;
    for (const QSqlRecord &r : lines) {
        const Decimal value = Decimal::fromVariant(r.value(3)) * Decimal::fromVariant(r.value(4));
        t.found += Decimal::fromVariant(r.value(2)) * value;
        if (!seen.contains(r.value(0).toLongLong())) {
            seen.insert(r.value(0).toLongLong());
            t.held += Decimal::fromVariant(r.value(1)) * value;
        }
    }
    return t;
}
} // namespace

StockTaking::Totals StockTaking::totals()
{
    return addUp(Db::rows(QString::fromLatin1(TotalsColumns).arg(table()) + QStringLiteral(" ORDER BY t.N")));
}

StockTaking::Lookup StockTaking::articleTotalsLookup(long long article)
{
    return {QString::fromLatin1(TotalsColumns).arg(table()) + QStringLiteral(" WHERE t.Art_ID = ? ORDER BY t.N"),
            {article}};
}

// ---- the sheet -----------------------------------------------------------------------------

void StockTaking::Sheet::load()
{
    m_totals = StockTaking::totals();
    m_lines = StockTaking::lineCount();
    m_stale = false;
}

StockTaking::Totals StockTaking::Sheet::articleTotals(long long article) const
{
    const Lookup l = articleTotalsLookup(article);
    return addUp(Db::rows(l.sql, l.params));
}

void StockTaking::Sheet::apply(const Totals &before, const Totals &after)
{
    // Both sums or neither: a total out of range leaves the kept ones as they were.
    Totals next = m_totals;
    next.held += after.held - before.held;
    next.found += after.found - before.found;
    m_totals = next;
}

namespace {
long long articleOfLine(long long n)
{
    return Db::scalar(QStringLiteral("SELECT Art_ID FROM %1 WHERE N = ?").arg(table()), {n}).toLongLong();
}
} // namespace

long long StockTaking::Sheet::addLine(long long article, Decimal counted, long long warehouse)
{
    const Totals before = articleTotals(article);
    const long long n = StockTaking::addLine(article, counted, warehouse);
    if (n == 0)
        return 0;
    ++m_lines;
    m_stale = true; // until its article's totals are read
    try {
        apply(before, articleTotals(article));
    } catch (const DecimalOverflow &) {
        // A count whose amounts leave the range is not kept.
        StockTaking::removeLine(n);
        --m_lines;
        m_stale = false;
        throw;
    }
    m_stale = false;
    return n;
}

bool StockTaking::Sheet::setCounted(long long n, Decimal counted)
{
    const long long article = articleOfLine(n);
    const Totals before = articleTotals(article);
    if (!StockTaking::setCounted(n, counted))
        return false;
    m_stale = true;
    apply(before, articleTotals(article));
    m_stale = false;
    return true;
}

bool StockTaking::Sheet::removeLine(long long n)
{
    const long long article = articleOfLine(n);
    const Totals before = articleTotals(article);
    if (!StockTaking::removeLine(n))
        return false;
    --m_lines;
    m_stale = true;
    apply(before, articleTotals(article));
    m_stale = false;
    return true;
}

void StockTaking::Sheet::clear()
{
    StockTaking::clear();
    m_totals = {};
    m_lines = 0;
    m_stale = false;
}

StockTaking::Totals StockTaking::Sheet::totals()
{
    if (m_stale)
        load();
    return m_totals;
}

long long StockTaking::save(const Head &head, QString *refusal)
{
    WriteTransaction tx;
    if (head.warehouse <= 0
        || !Db::firstRow(QStringLiteral("SELECT ID_Sklad FROM Sklad WHERE ID_Sklad = ?"), {head.warehouse})) {
        if (refusal)
            *refusal = QString::fromUtf8(NoWarehouse);
        return 0;
    }
    // One row per article: the held quantity and the other values of its
    // first line, the counted quantity summed exactly over its lines.
    struct Counted {
        QSqlRecord first;
        Decimal found;
    };
    QList<long long> order;
    QHash<long long, Counted> articles;
    for (const QSqlRecord &r : Db::rows(
             QStringLiteral("SELECT Art_ID, Nal_Kol, Otkr_Kol, Mqrka, Ed_Cena, Valuta FROM %1 ORDER BY N").arg(table()))) {
        const long long article = r.value(0).toLongLong();
        if (Decimal::fromVariant(r.value(2)) < Decimal()) { // left by an older version
            if (refusal)
                *refusal = QStringLiteral("Артикул %1 е с открито количество под 0; поправете реда.").arg(article);
            return 0;
        }
        if (!articles.contains(article)) {
            order << article;
            articles.insert(article, {r, Decimal()});
        }
        articles[article].found += Decimal::fromVariant(r.value(2));
    }
    if (order.isEmpty()) {
        if (refusal)
            *refusal = QStringLiteral("Няма въведени артикули.");
        return 0;
    }
    const long long id = NextNumber::next(QStringLiteral("Revision"), QStringLiteral("ID"));
    Db::execute(QStringLiteral("INSERT INTO Revision (ID, Date_Rev, Time_Rev, Osnovanie, Sklad_ID) VALUES (?, ?, ?, ?, ?)"),
                {id, Dates::toIso(head.date), Dates::timeText(head.time), head.reason, head.warehouse});
    // Many rows a statement: on a server a count of thousands of articles is
    // a few round trips, not one an article.
    Db::BatchInsert rows(Db::connection(), QStringLiteral("Revision_Art"),
                         {QStringLiteral("ID_Rev"), QStringLiteral("Art_ID"), QStringLiteral("Nal_Kol"),
                          QStringLiteral("Otkr_Kol"), QStringLiteral("Mqrka"), QStringLiteral("Ed_Cena"),
                          QStringLiteral("Valuta")});
    QList<StockSetting> stock;
    stock.reserve(order.size());
    for (long long article : order) {
        const Counted &a = articles.value(article);
        rows.add({id, article, Decimal::fromVariant(a.first.value(1)).toDouble(), a.found.toDouble(),
                  a.first.value(3), a.first.value(4), a.first.value(5)});
        stock << StockSetting{article, a.found};
    }
    rows.flush();
    setStockQuantities(head.warehouse, stock);
    clear();
    tx.commit();
    return id;
}
