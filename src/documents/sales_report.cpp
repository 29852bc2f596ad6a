#include "documents/sales_report.h"

#include "app/record_ops.h"
#include "common/money.h"
#include "documents/report_filter.h"
#include "platform/db/database.h"

#include <limits>
#include <stdexcept>

namespace SalesReport {
namespace {
// The line amount in its currency, as the index of the sales by currency and
// amount holds it, and in leva: the rate times it, so that the sales of one
// currency in that index's order are in the order of their amount in leva.
const QString OwnAmount = QStringLiteral("(Prodajbi.Kol*Prodajbi.ED_Cena - Prodajbi.Kol*Prodajbi.ED_Cena*Prodajbi.T_O/100)");
const QString Amount = QStringLiteral("(Valuti.Kurs*") + OwnAmount + QLatin1Char(')');

// The bounds of the amount in its currency of a currency's sales (the "?"
// after the amount in leva) whose amount in leva is at least, or at most, an
// amount (the first "?"), wide enough for every rounding of the division; no
// bound where the rate is missing.
QString ownAmountBound(bool least)
{
    return QStringLiteral("(SELECT COALESCE(%1(b %2 ABS(b) * 1e-9 %2 1e-9), %3) FROM (SELECT CAST(? AS DOUBLE PRECISION) "
                          "/ Kurs AS b FROM Valuti WHERE Opisanie = ? AND Kurs > 0) rate)")
        .arg(least ? QStringLiteral("MIN") : QStringLiteral("MAX"), least ? QStringLiteral("-") : QStringLiteral("+"),
             least ? QStringLiteral("-1e308") : QStringLiteral("1e308"));
}

// The list in the order of the amount: merged from each currency's sales,
// each read along the index of currency and amount. The rates are above 0.
QList<KeysetList::Part> amountParts()
{
    QList<KeysetList::Part> parts;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Opisanie FROM Valuti ORDER BY Opisanie"))) {
        const QVariant currency = r.value(0);
        parts << KeysetList::Part{QStringLiteral("Prodajbi.Valuta = ?"), {currency}, ownAmountBound(true),
                                  ownAmountBound(false), {currency}};
    }
    return parts;
}

// The sales and their currency (a sale of no known currency is not listed),
// then the tables `expressions` name. Sales without counterparty, payment
// records (article 0), articles without group and sales of a warehouse no
// longer listed are all listed and counted: each other table is joined one
// row or none to a sale, so it changes no count and is left out where
// nothing names it (SQLite joins it for every sale of a count even so).
const QString Sales = QStringLiteral(" FROM Prodajbi JOIN Valuti ON Valuti.Opisanie = Prodajbi.Valuta");
// `first`: the tables written before the sales, joined to them in WHERE.
QString joinsFor(const QString &expressions, const QStringList &first = {})
{
    const bool groups = expressions.contains(QLatin1String("Grupi."));
    QString from = first.isEmpty() ? Sales
                                   : QStringLiteral(" FROM %1 CROSS JOIN").arg(first.join(QStringLiteral(" CROSS JOIN ")))
                                         + Sales.mid(5);
    auto join = [&](const QString &table, const char *on) {
        if (!first.contains(table))
            from += QStringLiteral(" LEFT JOIN ") + table + QStringLiteral(" ON ") + QLatin1String(on);
    };
    if (groups || expressions.contains(QLatin1String("Produkti.")))
        join(QStringLiteral("Produkti"), "Produkti.ID = Prodajbi.ID_Art");
    if (expressions.contains(QLatin1String("Firmi.")))
        join(QStringLiteral("Firmi"), "Firmi.ID = Prodajbi.ID_Klient");
    if (groups)
        join(QStringLiteral("Grupi"), "Grupi.ID = Produkti.Nomer_Grupa");
    if (expressions.contains(QLatin1String("Sklad.")))
        join(QStringLiteral("Sklad"), "Sklad.ID_Sklad = Prodajbi.Sklad_ID");
    return from;
}
const QString AllTables = QStringLiteral("Produkti. Firmi. Grupi. Sklad.");
const QString Joins = joinsFor(AllTables);

// The filtered sales, with the tables the filter and `also` name.
QString filtered(const Where &w, const QString &also = {})
{
    return joinsFor(w.sql + also) + QStringLiteral(" WHERE 1 = 1") + w.sql;
}

struct ListColumn {
    const char *field;
    const char *expression;
    const char *title;
};
const ListColumn kColumns[] = {
    {"ID_Prodajba", "Prodajbi.ID_Prodajba", "N"},
    {"ID_art", "Prodajbi.ID_Art", "Арт. N"},
    {"ID_Grupa", "Grupi.ID", "Група N"},
    {"Ime_Grupa", "Grupi.Opisanie", "Име на група "},
    {"Opisanie", "Produkti.Opisanie", "Описание"},
    {"Kol", "Prodajbi.Kol", "Кол."},
    {"Ed_Cena", "Prodajbi.ED_Cena", "Цена"},
    {"Valuta", "Prodajbi.Valuta", "Валута"},
    {"T_O", "Prodajbi.T_O", "TO в %"},
    {"Suma", nullptr, "Общо"},
    {"D_Prodajba", "Prodajbi.D_Prodajba", "Дата"},
    {"T_Prodajba", "Prodajbi.T_Prodajba", "Час"},
    {"Ime_Firma", "Firmi.Ime_Firma", "Клиент"},
    {"Operator", "Prodajbi.Operator", "Оператор"},
    {"Pored_ot", "Prodajbi.Pored_Ot", "Поред От/Сер.N"},
    {"Pored_Do", "Prodajbi.Pored_Do", "Поред До/Гар."},
    {"Type_Pay", "Prodajbi.Type_Pay", "Тип плащане"},
    {"Term_N", "Prodajbi.Term_N", "Терминал"},
    {"Opis_Sklad", "Sklad.Opis_Sklad", "Склад"},
    // read by name only
    {"Konsign_N", "Prodajbi.Konsign_N", nullptr},
    {"ID_Klient", "Prodajbi.ID_Klient", nullptr},
    {"Kurs", "Valuti.Kurs", nullptr},
    {"ID_Red", "Prodajbi.ID_Red", nullptr},
};
} // namespace

QStringList payTypes()
{
    return {QStringLiteral("в брой"), QStringLiteral("по банков път"), QStringLiteral("отложено плащане")};
}

namespace {
// The columns a filter's rows compare, in the sales or in a table of kept
// sums; an empty one is not there.
struct FilterColumns {
    QString client, article, date, time, amount, op, payType, warehouse;
};

void addFilter(ReportFilter *r, const Filter &f, const FilterColumns &c, double from, double to)
{
    r->equal(f.counterparty, c.client, f.counterpartyId);
    r->in(f.articles, c.article, ReportFilter::ids(f.articleIds), QStringLiteral("Изберете артикул"));
    r->compareDates(f.date, c.date, f.dateComparison, f.dateFrom, f.dateTo);
    r->compareTimes(f.time, c.time, f.timeComparison, f.timeFrom, f.timeTo);
    if (f.amount)
        r->compare(true, c.amount, f.amountComparison, from,
                   f.amountComparison == ReportFilter::Between ? QVariant(to) : QVariant());
    r->equal(f.operatorName, c.op, f.operatorText);
    r->equal(f.payType, c.payType, f.payTypeText);
    r->equal(f.warehouse, c.warehouse, f.warehouseId);
}

// What the kept sums hold of a sale without a payment type, an operator or
// a warehouse: such a value ticked is looked for among the sales.
constexpr long long NoWarehouse = 0;
} // namespace

Where where(const Filter &f)
{
    Where w;
    double from = 0, to = 0;
    if (f.amount
        && (!Numbers::parse(f.amountFrom, &from)
            || (f.amountComparison == ReportFilter::Between && !Numbers::parse(f.amountTo, &to)))) {
        w.error = QStringLiteral("Некоректен критерии за търсене!");
        return w;
    }
    const FilterColumns sales{QStringLiteral("Prodajbi.ID_Klient"), QStringLiteral("Prodajbi.ID_Art"),
                              QStringLiteral("Prodajbi.D_Prodajba"), QStringLiteral("Prodajbi.T_Prodajba"), Amount,
                              QStringLiteral("Prodajbi.Operator"), QStringLiteral("Prodajbi.Type_Pay"),
                              QStringLiteral("Prodajbi.Sklad_ID")};
    // A few-valued column (payment type, operator, warehouse) holds most
    // sales: an engine without statistics of it would read them all through
    // its index, where a list reads along its order with it as a filter.
    FilterColumns listed = sales;
    for (QString *column : {&listed.op, &listed.payType, &listed.warehouse})
        *column = Db::filterOnly(*column);
    ReportFilter r;
    addFilter(&r, f, listed, from, to);
    if (!r.ok()) {
        w.error = r.error();
        return w;
    }
    w.sql = r.andSql();
    w.values = r.values();
    if (f.amount) {
        // Each currency's sales of an amount in leva in the bounds, along the
        // index of currency and amount: a few are found without reading the rest.
        const bool least = f.amountComparison != ReportFilter::AtMost;
        const bool most = f.amountComparison != ReportFilter::AtLeast;
        const double high = f.amountComparison == ReportFilter::Between ? to : from;
        QStringList currencies;
        for (const QSqlRecord &c : Db::rows(QStringLiteral("SELECT Opisanie FROM Valuti ORDER BY Opisanie"))) {
            QString term = QStringLiteral("(Prodajbi.Valuta = ?");
            w.keyedValues << c.value(0);
            if (least) {
                term += QStringLiteral(" AND %1 >= %2").arg(OwnAmount, ownAmountBound(true));
                w.keyedValues << from << c.value(0);
            }
            if (most) {
                term += QStringLiteral(" AND %1 <= %2").arg(OwnAmount, ownAmountBound(false));
                w.keyedValues << high << c.value(0);
            }
            currencies << term + QLatin1Char(')');
        }
        w.keyedSql = currencies.isEmpty() ? QStringLiteral(" AND 1 = 0")
                                          : QStringLiteral(" AND (") + currencies.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    // Added up, the sales are read along the index of the condition that
    // holds the fewest as a rule: a pick of articles, a counterparty, the
    // date, the time. A few-valued column (payment type, operator,
    // warehouse) holds most sales: an engine without statistics of it would
    // read them all through its index.
    FilterColumns summed = sales;
    bool chosen = false;
    for (QString *column : {&summed.article, &summed.client, &summed.date, &summed.time, &summed.op, &summed.payType,
                            &summed.warehouse}) {
        const bool ticked = (column == &summed.article && f.articles) || (column == &summed.client && f.counterparty)
                            || (column == &summed.date && f.date) || (column == &summed.time && f.time);
        if (ticked && !chosen)
            chosen = true;
        else
            *column = Db::filterOnly(*column);
    }
    ReportFilter sums;
    addFilter(&sums, f, summed, from, to);
    w.sumSql = sums.andSql();
    // The kept sums: of a sale's day with its payment type, operator and
    // warehouse; of its time of day; of its amount.
    const bool kept = !f.counterparty && !f.articles;
    FilterColumns keptColumns;
    if (kept && !f.time && !f.amount && !(f.payType && f.payTypeText.isEmpty())
        && !(f.operatorName && f.operatorText.isEmpty()) && !(f.warehouse && f.warehouseId == NoWarehouse)) {
        w.keptFrom = QStringLiteral("Prodajbi_Sumi");
        w.undated = !f.date;
        keptColumns.date = QStringLiteral("Prodajbi_Sumi.D_Prodajba");
        keptColumns.op = QStringLiteral("Prodajbi_Sumi.Operator");
        keptColumns.payType = QStringLiteral("Prodajbi_Sumi.Type_Pay");
        keptColumns.warehouse = QStringLiteral("Prodajbi_Sumi.Sklad_ID");
    } else if (kept && f.time && !f.amount && !f.date && !f.operatorName && !f.payType && !f.warehouse) {
        w.keptFrom = QStringLiteral("Prodajbi_Sumi_Chas");
        keptColumns.time = QStringLiteral("Prodajbi_Sumi_Chas.T_Prodajba");
    } else if (kept && f.amount && !f.time && !f.date && !f.operatorName && !f.payType && !f.warehouse) {
        w.keptFrom = QStringLiteral("Prodajbi_Sumi_Suma");
        keptColumns.amount = QStringLiteral("(Valuti.Kurs*Prodajbi_Sumi_Suma.Red_Suma)");
    }
    if (!w.keptFrom.isEmpty()) {
        ReportFilter keptFilter;
        addFilter(&keptFilter, f, keptColumns, from, to);
        w.kept = keptFilter.ok();
        w.keptSql = keptFilter.andSql();
        w.keptValues = keptFilter.values();
    }
    return w;
}

QStringList listFields()
{
    QStringList fields;
    for (const ListColumn &c : kColumns)
        if (c.title)
            fields.append(QString::fromLatin1(c.field));
    return fields;
}

const char *listTitle(const QString &field)
{
    for (const ListColumn &c : kColumns)
        if (field == QLatin1String(c.field))
            return c.title;
    return nullptr;
}

namespace {
// A column of another table joined one row or none to a sale, read along
// that table's index of the column: its rows in order, then each one's sales
// along the sales records' index of the link (ties by the row's key, which
// the short list sorts by as well).
struct Stepped {
    const char *field;
    const char *table;  // the table written first in the step
    const char *column; // the order, then the table's key
    const char *key;
    const char *link;   // the sales records' column it is joined by
    bool indexed;       // the table has an index of (column, key, ...)
    const char *rest;   // the index's other columns
    // A table two joins away: the one in between, joined to it by `through`,
    // its key the next term and the one the sales are linked to; its index
    // of (`through`'s column, key) serves the order.
    const char *between = nullptr;
    const char *betweenKey = nullptr;
    const char *through = nullptr;
};
const Stepped kStepped[] = {
    {"Opisanie", "Produkti", "Produkti.Opisanie", "Produkti.ID", "Prodajbi.ID_Art", true, "Produkti.Nomer_Grupa"},
    // The article's own group number: the group's row is one more step away.
    {"ID_Grupa", "Produkti", "Produkti.Nomer_Grupa", "Produkti.ID", "Prodajbi.ID_Art", true, ""},
    // The group's name: its groups by name, each one's articles by number.
    {"Ime_Grupa", "Grupi", "Grupi.Opisanie", "Grupi.ID", "Prodajbi.ID_Art", true, "", "Produkti", "Produkti.ID",
     "Produkti.Nomer_Grupa = Grupi.ID"},
    {"Ime_Firma", "Firmi", "Firmi.Ime_Firma", "Firmi.ID", "Prodajbi.ID_Klient", true, ""},
    // The few warehouses are sorted, each one's sales read by itself.
    {"Opis_Sklad", "Sklad", "Sklad.Opis_Sklad", "Sklad.ID_Sklad", "Prodajbi.Sklad_ID", false, ""},
};
const Stepped *steppedBy(const QString &field)
{
    for (const Stepped &s : kStepped)
        if (field == QLatin1String(s.field))
            return &s;
    return nullptr;
}

// The list kept beside the sales of those with no row of `table`, if any.
QString keptOrphans(const QString &table)
{
    if (table == QLatin1String("Produkti"))
        return QStringLiteral("Prodajbi_Bez_Art");
    if (table == QLatin1String("Firmi"))
        return QStringLiteral("Prodajbi_Bez_Klient");
    return {};
}

// The list read by a stepped order: the other table's rows, each one's sales.
void stepBy(const Stepped &stepped, const Where &w, KeysetList *k)
{
    const QString table = QString::fromLatin1(stepped.table);
    QStringList tables{table};
    QString step = QStringLiteral(" FROM ") + table, linkedTo = QString::fromLatin1(stepped.key), through;
    if (stepped.between) {
        tables << QString::fromLatin1(stepped.between);
        through = QString::fromLatin1(stepped.through);
        step += QStringLiteral(" JOIN ") + tables.last() + QStringLiteral(" ON ") + through;
        linkedTo = QString::fromLatin1(stepped.betweenKey);
    }
    const QString link = QString::fromLatin1(stepped.link) + QStringLiteral(" = ") + linkedTo;
    k->groupTerms = int(k->order.size()) - 1;
    k->pageOrderedTerms = 2; // the table's column and key
    // The next row of the table that has sales in the list: only its own
    // rows are ordered, along the index where there is one. Each row's
    // first sale is looked for in the sales' index of the link, row by row,
    // the link a range of one value in that index's order: a server would
    // otherwise join every sale to the table at once, or, where its
    // statistics say all sales are of one row, walk every sale for a row of
    // none.
    k->stepFrom = step;
    k->stepWhere = QStringLiteral("(SELECT 1") + Sales
                   + QStringLiteral(" WHERE %1 >= %2 AND %1 <= %2 AND %3 ORDER BY %1 LIMIT 1) IS NOT NULL")
                         .arg(QString::fromLatin1(stepped.link), linkedTo, k->where);
    // A row may have a sale or two: a page of the following rows' sales in
    // one statement, along the index of each.
    if (stepped.indexed) {
        k->pageFrom = joinsFor(AllTables, tables);
        k->pageWhere = (through.isEmpty() ? QString() : through + QStringLiteral(" AND ")) + link
                       + QStringLiteral(" AND ") + k->where;
        if (const QString row = Db::rowNumberTerm(table); !row.isEmpty()) {
            k->groupOrder << QString::fromLatin1(stepped.column) << QString::fromLatin1(stepped.key);
            if (*stepped.rest)
                k->groupOrder << QString::fromLatin1(stepped.rest);
            k->groupOrder << row;
            if (stepped.between)
                k->groupOrder << linkedTo << Db::rowNumberTerm(tables.last());
        }
    }
    // Only where they are looked for: a sale of no known currency found
    // there is no row of the list, and is not read.
    const QString linked = QStringLiteral("SELECT 1") + step + QStringLiteral(" WHERE ") + link;
    k->orphansFrom = w.sql.contains(QLatin1String("Valuti.")) ? Sales : QStringLiteral(" FROM Prodajbi");
    k->orphans = QStringLiteral("NOT EXISTS (%1)").arg(linked);
    // Row by row in the order sold: a server makes an outer join's NULLs, or
    // NOT EXISTS, a join of every sale.
    k->orphanRows = QStringLiteral("(%1 LIMIT 1) IS NULL").arg(linked);
    if (const QString kept = keptOrphans(table); !kept.isEmpty() && !stepped.between) {
        // Only the sales kept as of no article or client (more, on a server,
        // when one was made as it was sold): there may be none to look for,
        // and a few among many sales are read by themselves.
        k->orphansFrom = QStringLiteral(" FROM %1 CROSS JOIN").arg(kept) + k->orphansFrom.mid(5);
        k->orphans.prepend(QStringLiteral("Prodajbi.ID_Red = %1.ID_Red AND ").arg(kept));
        k->orphansKept = QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(kept);
        k->orphanRowsKept = QStringLiteral("Prodajbi.ID_Red IN (SELECT ID_Red FROM %1) AND ").arg(kept) + k->orphanRows;
    } else if (table == QLatin1String("Sklad")) {
        // A sale of no warehouse the warehouses hold has none, or a number in
        // a gap between theirs: each gap one range of the sales' index of the
        // warehouse, never a walk of every sale.
        k->orphansKept = QStringLiteral(
            "SELECT 1 FROM Prodajbi WHERE Prodajbi.Sklad_ID IS NULL UNION ALL "
            "SELECT 1 FROM Prodajbi WHERE Prodajbi.Sklad_ID < COALESCE((SELECT MIN(Sklad.ID_Sklad) FROM Sklad), %1) "
            "UNION ALL SELECT 1 FROM Sklad WHERE (SELECT 1 FROM Prodajbi WHERE Prodajbi.Sklad_ID > Sklad.ID_Sklad AND "
            "Prodajbi.Sklad_ID < COALESCE((SELECT MIN(n.ID_Sklad) FROM Sklad n WHERE n.ID_Sklad > Sklad.ID_Sklad), %1) "
            "ORDER BY Prodajbi.Sklad_ID LIMIT 1) IS NOT NULL LIMIT 1")
                             .arg(std::numeric_limits<qint64>::max());
    } else if (stepped.between && QLatin1String(stepped.between) == QLatin1String("Produkti")) {
        // A sale of no group is one of no article, or of an article of no
        // group or of a group the groups do not hold: the kept lists say
        // whether there may be any before the sales are looked through.
        k->orphansKept = QStringLiteral("SELECT 1 FROM Prodajbi_Bez_Art UNION ALL "
                                        "SELECT 1 FROM Produkti WHERE Produkti.Nomer_Grupa IS NULL UNION ALL "
                                        "SELECT 1 FROM Produkti_Broi WHERE Produkti_Broi.Broi > 0 AND NOT EXISTS "
                                        "(SELECT 1 FROM Grupi WHERE Grupi.ID = Produkti_Broi.Nomer_Grupa) LIMIT 1");
    }
}
} // namespace

List list(const Where &w, qint64 rows, const QString &sortField, bool descending)
{
    QStringList columns;
    QString sorted; // the sort column's expression
    for (const ListColumn &c : kColumns) {
        const QString expression = c.expression ? QString::fromLatin1(c.expression) : Amount;
        columns.append(expression + QStringLiteral(" AS ") + QString::fromLatin1(c.field));
        if (c.title && sortField == QLatin1String(c.field))
            sorted = expression;
    }
    const Stepped *stepped = sorted.isEmpty() ? nullptr : steppedBy(sortField);
    QList<KeysetList::Term> order;
    QStringList keyed; // the short list's order
    if (stepped) {
        // Read by name only, for the key of a row.
        order << KeysetList::Term{QString::fromLatin1(stepped->column), QStringLiteral("Step_Value")}
              << KeysetList::Term{QString::fromLatin1(stepped->key), QStringLiteral("Step_Key")};
        for (const KeysetList::Term &t : order)
            columns.append(t.expression + QStringLiteral(" AS ") + t.field);
        keyed << order.at(0).expression << order.at(1).expression;
        if (stepped->between) {
            // A row of no row two joins away is a sale of no such row.
            const QString between = QString::fromLatin1(stepped->betweenKey);
            order << KeysetList::Term{between, QStringLiteral("Step_Row")};
            keyed << QStringLiteral("CASE WHEN %1 IS NULL THEN NULL ELSE %2 END").arg(order.at(1).expression, between);
            columns.append(keyed.last() + QStringLiteral(" AS Step_Row"));
        }
    } else if (!sorted.isEmpty()) {
        order << KeysetList::Term{sorted, sortField};
        keyed << sorted;
        if (sorted == Amount) {
            // Equal amounts in leva by their amount in the currency: the
            // order the index of each currency's sales reads them in.
            order << KeysetList::Term{OwnAmount, QStringLiteral("Own_Suma")};
            keyed << OwnAmount;
            columns.append(OwnAmount + QStringLiteral(" AS Own_Suma"));
        }
    }
    order << KeysetList::Term{QStringLiteral("Prodajbi.ID_Red"), QStringLiteral("ID_Red")};
    keyed << order.last().expression;
    const QString select = QStringLiteral("SELECT ") + columns.join(QStringLiteral(", "));
    // Each column of the sales records has its index, the row key last.
    List l;
    l.params = w.values;
    if (rows > KeyedRows
        && (sorted.isEmpty() || sorted.startsWith(QLatin1String("Prodajbi.")) || stepped || sorted == Amount)) {
        KeysetList k;
        k.select = select;
        k.from = Joins;
        k.where = QStringLiteral("1 = 1") + w.sql;
        k.params = w.values;
        k.descending = descending;
        k.order = order;
        if (stepped)
            stepBy(*stepped, w, &k);
        if (sorted == Amount)
            k.parts = amountParts();
        l.byIndex = k;
        return l;
    }
    const QString way = descending ? QStringLiteral(" DESC") : QString();
    QStringList terms;
    for (const QString &t : keyed)
        terms << t + way;
    l.keySql = QStringLiteral("SELECT Prodajbi.ID_Red") + filtered(w, terms.join(QLatin1Char(' '))) + w.keyedSql
               + QStringLiteral(" ORDER BY ") + terms.join(QStringLiteral(", "));
    l.params += w.keyedValues;
    l.rowSql = select + Joins + QStringLiteral(" WHERE Prodajbi.ID_Red IN (%1)");
    return l;
}

QString totalsSql(const Where &w)
{
    const QString sums = QStringLiteral("SELECT COUNT(*), "
                                        "SUM(CASE WHEN Prodajbi.Konsign_N = 0 THEN %1 ELSE 0 END), "
                                        "SUM(CASE WHEN Prodajbi.Konsign_N > 0 THEN %1 ELSE 0 END), "
                                        "SUM(CASE WHEN Prodajbi.Konsign_N = -1 THEN %1 ELSE 0 END)")
                             .arg(Amount);
    return sums + joinsFor(w.sumSql) + QStringLiteral(" WHERE 1 = 1") + w.sumSql;
}

QList<std::pair<QString, QVariantList>> totalsStatements(const Where &w)
{
    if (!w.kept)
        return {{totalsSql(w), w.values}};
    // The sums in each currency are kept as the sales change; the rate is
    // today's, as for each sale. Those of each amount keep its sales' count.
    const QString k = w.keptFrom;
    const QString sum = k == QLatin1String("Prodajbi_Sumi_Suma") ? QString(k + QStringLiteral(".Red_Suma*") + k + QStringLiteral(".Broi"))
                                                                 : QString(k + QStringLiteral(".Suma"));
    QList<std::pair<QString, QVariantList>> out{
        {QStringLiteral("SELECT COALESCE(SUM(%1.Broi), 0), "
                        "SUM(CASE WHEN %1.Klas = 0 THEN Valuti.Kurs*%2 ELSE 0 END), "
                        "SUM(CASE WHEN %1.Klas = 1 THEN Valuti.Kurs*%2 ELSE 0 END), "
                        "SUM(CASE WHEN %1.Klas = -1 THEN Valuti.Kurs*%2 ELSE 0 END) "
                        "FROM %1 JOIN Valuti ON Valuti.Opisanie = %1.Valuta WHERE 1 = 1")
                 .arg(k, sum)
             + w.keptSql,
         w.keptValues}};
    // A sale of no date is on no day: with no date compared, those are added
    // up (few, along the date's index).
    if (w.undated) {
        Where undated = w;
        undated.sumSql = QStringLiteral(" AND Prodajbi.D_Prodajba IS NULL") + w.sumSql;
        out.append({totalsSql(undated), w.values});
    }
    return out;
}

qint64 keptSumsOutOfStep()
{
    const QString klas = QStringLiteral("CASE WHEN Konsign_N = 0 THEN 0 WHEN Konsign_N > 0 THEN 1 WHEN Konsign_N = -1 "
                                        "THEN -1 ELSE 2 END AS Klas");
    const QString amount = QStringLiteral("Kol*ED_Cena - Kol*ED_Cena*T_O/100");
    const QString summed = QStringLiteral("COUNT(*) AS Broi, SUM(COALESCE(%1, 0)) AS Suma FROM Prodajbi").arg(amount);
    const QString differs = QStringLiteral(" WHERE a.Broi IS DISTINCT FROM k.Broi");
    const QString sumDiffers = differs + QStringLiteral(" OR NOT ABS(a.Suma - k.Suma) <= 1e-6 * (1 + ABS(a.Suma))");
    const struct {
        QString added, table, keys, differs;
    } kept[] = {
        {QStringLiteral("SELECT D_Prodajba, Valuta, COALESCE(Term_N, 0) AS Term_N, %1, COALESCE(Type_Pay, '') AS Type_Pay, "
                        "COALESCE(Operator, '') AS Operator, COALESCE(Sklad_ID, 0) AS Sklad_ID, %2 "
                        "WHERE D_Prodajba IS NOT NULL AND Valuta IS NOT NULL GROUP BY 1, 2, 3, 4, 5, 6, 7")
             .arg(klas, summed),
         QStringLiteral("Prodajbi_Sumi"),
         QStringLiteral("D_Prodajba Valuta Term_N Klas Type_Pay Operator Sklad_ID"), sumDiffers},
        {QStringLiteral("SELECT T_Prodajba, Valuta, %1, %2 WHERE T_Prodajba IS NOT NULL AND Valuta IS NOT NULL "
                        "GROUP BY 1, 2, 3")
             .arg(klas, summed),
         QStringLiteral("Prodajbi_Sumi_Chas"), QStringLiteral("T_Prodajba Valuta Klas"), sumDiffers},
        {QStringLiteral("SELECT Valuta, %1 AS Red_Suma, %2, COUNT(*) AS Broi FROM Prodajbi WHERE Valuta IS NOT NULL AND "
                        "(%1) IS NOT NULL GROUP BY 1, 2, 3")
             .arg(amount, klas),
         QStringLiteral("Prodajbi_Sumi_Suma"), QStringLiteral("Valuta Red_Suma Klas"), differs},
    };
    qint64 out = 0;
    for (const auto &k : kept) {
        QStringList on;
        for (const QString &key : k.keys.split(QLatin1Char(' ')))
            on << QStringLiteral("k.%1 = a.%1").arg(key);
        out += Db::scalar(QStringLiteral("SELECT COUNT(*) FROM (%1) a FULL JOIN %2 k ON %3").arg(k.added, k.table,
                                                                                             on.join(QStringLiteral(" AND ")))
                          + k.differs)
                   .toLongLong();
    }
    return out;
}

qint64 orphansOutOfStep()
{
    qint64 out = 0;
    for (const auto &[table, column] : {std::pair{"Produkti", "ID_Art"}, std::pair{"Firmi", "ID_Klient"}}) {
        const QString kept = keptOrphans(QLatin1String(table));
        const QString linked = QStringLiteral("EXISTS (SELECT 1 FROM %1 WHERE %1.ID = Prodajbi.%2)")
                                   .arg(QLatin1String(table), QLatin1String(column));
        out += Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi LEFT JOIN %1 b ON b.ID_Red = Prodajbi.ID_Red "
                                         "WHERE b.ID_Red IS NULL AND NOT %2").arg(kept, linked))
                   .toLongLong()
               + Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1 b LEFT JOIN Prodajbi ON Prodajbi.ID_Red = b.ID_Red "
                                           "WHERE Prodajbi.ID_Red IS NULL OR %2").arg(kept, linked))
                     .toLongLong();
    }
    return out;
}

Totals totals(const Where &w)
{
    Totals t;
    // The statements' sums side by side in one row: one round trip to a
    // server; each gives one row, its four sums.
    const QList<std::pair<QString, QVariantList>> statements = totalsStatements(w);
    QStringList parts;
    QVariantList values;
    for (const auto &[sql, params] : statements) {
        parts << QStringLiteral("(%1) s%2").arg(sql).arg(parts.size());
        values += params;
    }
    if (const auto row = Db::firstRow(QStringLiteral("SELECT * FROM ") + parts.join(QStringLiteral(" CROSS JOIN ")), values)) {
        for (int i = 0; i < statements.size(); ++i) {
            t.rows += row->value(4 * i).toLongLong();
            t.cash += row->value(4 * i + 1).toDouble();
            t.open += row->value(4 * i + 2).toDouble();
            t.paidCredit += row->value(4 * i + 3).toDouble();
        }
    }
    return t;
}

bool documentLines(const QString &documentName, const QList<long long> &rowKeys, const QString &printingOperator,
                   Report::Data *data, QString *error)
{
    data->clear();
    double vat = 0;
    try {
        vat = GET_DDS(0).VatRate.toDouble();
    } catch (const std::invalid_argument &e) {
        if (error)
            *error = QString::fromStdString(e.what());
        return false;
    }
    const QString net = QStringLiteral(
        "(((Prodajbi.ED_Cena*Valuti.Kurs) - (Prodajbi.ED_Cena*Valuti.Kurs*Prodajbi.T_O/100))/(1 + ?/100))");
    QStringList marks;
    QVariantList values{vat, vat, documentName, printingOperator};
    for (long long key : rowKeys) {
        marks.append(QStringLiteral("?"));
        values.append(key);
    }
    if (marks.isEmpty())
        marks.append(QStringLiteral("NULL"));
    // Amounts by the sale's own currency; each field named by table and field
    // where two tables share a name.
    const QString sql =
        QStringLiteral("SELECT ") + Amount + QStringLiteral(" AS Suma, ") + net + QStringLiteral(" AS Bez_DDS, ")
        + QStringLiteral("Prodajbi.Kol*") + net + QStringLiteral(" AS SUM_BezDDS, ")
        + QStringLiteral(
            "Dokumenti.ID_Dokument AS \"Dokumenti.ID_Dokument\", Dokumenti.Opisanie AS Opis_Dok, "
            "Dokumenti.Opisanie AS \"Dokumenti.Opisanie\", Dokumenti.N_Dok AS \"Dokumenti.N_Dok\", "
            "Operators.ID AS \"Operators.ID\", Operators.Ime AS \"Operators.Ime\", "
            "Produkti.Mqrka AS Mqrka, Produkti.ID AS Barkod, Produkti.Nomenkl_N AS Nomenkl_N, "
            "Prodajbi.Valuta AS Valuta, Produkti.Opisanie AS Opisanie, Produkti.Opisanie AS \"Produkti.Opisanie\", "
            "Produkti.Etiketno_Ime AS Etiketno_ime, Produkti.Kasovo_Ime AS Kasovo_ime, "
            "Prodajbi.Kol AS Kol, Prodajbi.ED_Cena AS Ed_Cena, Prodajbi.T_O AS T_O, "
            "Prodajbi.Pored_Ot AS Pored_Ot, Prodajbi.Pored_Do AS Pored_Do, "
            "Firmi.Ime_Firma AS Ime_Firma, Firmi.Adres_Firma AS Adres_Firma, Firmi.Grad AS \"Firmi.Grad\", "
            "Firmi.ID_Mol AS ID_MOL, Firmi.EIK AS EIK, Firmi.Dan_N AS Dan_N, Firmi.Telefon AS Telefon, "
            "Firmi.Banka_Ime AS Banka_Ime, Firmi.Banka_Kod AS Banka_Kod, Firmi.Banka_Smetka AS Banka_Smetka, "
            "Klienti.Ime_Klient AS Ime_klient, Klienti.Grad AS \"Klienti.Grad\", "
            "Klienti.Adres_Klient AS Adres_Klient, Klienti.Telefon_Klient AS Telefon_Klient, Klienti.EGN AS EGN, "
            "Valuti.Kurs AS Kurs "
            "FROM Prodajbi JOIN Valuti ON Valuti.Opisanie = Prodajbi.Valuta "
            "JOIN Produkti ON Produkti.ID = Prodajbi.ID_Art "
            "LEFT JOIN Dokumenti ON Dokumenti.Opisanie = ? "
            "LEFT JOIN Operators ON Operators.Ime = ? "
            "LEFT JOIN Firmi ON Firmi.ID = Prodajbi.ID_Klient "
            "LEFT JOIN Klienti ON Klienti.ID = Firmi.ID_Mol "
            "WHERE Prodajbi.ID_Red IN (")
        + marks.join(QLatin1Char(',')) + QStringLiteral(") ORDER BY Prodajbi.ID_Red");
    QString why;
    if (!data->open(sql, values, &why)) {
        if (error)
            *error = QStringLiteral("Редовете на документа не могат да бъдат прочетени: ") + why;
        return false;
    }
    data->markRegistryColumns();
    data->setMoneyFormat(true);
    return true;
}
} // namespace SalesReport
