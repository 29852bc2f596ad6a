#include "offers/catalogue_search.h"

#include "common/money.h"

namespace {
// Articles lead the join, so a search reads them in one pass and looks up the
// supplier and group of the rows it keeps only.
const char *const kTables = " FROM Art_CL CROSS JOIN Firm_CL CROSS JOIN Grupi_CL";
const char *const kJoin = "Firm_CL.ID = Art_CL.ID_F AND Grupi_CL.ID_F = Art_CL.ID_F AND Grupi_CL.ID = Art_CL.ID_G AND ";
const QString kFrom = QLatin1String(kTables) + QStringLiteral(" WHERE ") + QLatin1String(kJoin);

const char *const kSelect = "SELECT Art_CL.Kat_N, Art_CL.Opisanie, Art_CL.Cena_1, Art_CL.Cena_2, Art_CL.Cena_3,"
                            " Art_CL.Valuta, Art_CL.Status, Firm_CL.Opisanie AS Firma, Grupi_CL.Opisanie AS Grupa,"
                            " Art_CL.ID, Art_CL.ID_F, Art_CL.ID_G";

struct Criterion {
    const char *item;
    const char *column;
    enum Kind { Contains, WholeNumber, Number } kind;
};

const Criterion kCriteria[CatalogueSearch::CriterionCount] = {
    {"Описание на артикул", "Art_CL.Opisanie", Criterion::Contains},
    {"Име на група", "Grupi_CL.Opisanie", Criterion::Contains},
    {"Номер група", "Grupi_CL.ID", Criterion::WholeNumber},
    {"Цена 1", "Art_CL.Cena_1", Criterion::Number},
    {"Цена 2", "Art_CL.Cena_2", Criterion::Number},
    {"Цена 3", "Art_CL.Cena_3", Criterion::Number},
    {"Валута", "Art_CL.Valuta", Criterion::Contains},
    {"Статус", "Art_CL.Status", Criterion::Contains},
    {"Доставчик", "Firm_CL.Opisanie", Criterion::Contains},
    {"Каталожен номер", "Art_CL.Kat_N", Criterion::Contains},
};

const struct {
    const char *field;
    const char *column;
} kSortColumns[] = {
    {"Kat_N", "Art_CL.Kat_N"},   {"Opisanie", "Art_CL.Opisanie"}, {"Cena_1", "Art_CL.Cena_1"},
    {"Cena_2", "Art_CL.Cena_2"}, {"Cena_3", "Art_CL.Cena_3"},     {"Valuta", "Art_CL.Valuta"},
    {"Status", "Art_CL.Status"}, {"Firma", "Firm_CL.Opisanie"},   {"Grupa", "Grupi_CL.Opisanie"},
    {"ID", "Art_CL.ID"},         {"ID_F", "Art_CL.ID_F"},         {"ID_G", "Art_CL.ID_G"},
};
} // namespace

QStringList CatalogueSearch::criteria()
{
    QStringList items;
    for (const Criterion &c : kCriteria)
        items << QString::fromUtf8(c.item);
    return items;
}

CatalogueSearch::Listing CatalogueSearch::searchListing(int criterion, const QString &text,
                                                        const QList<long long> &suppliers)
{
    Listing listing;
    if (suppliers.isEmpty()) {
        listing.message = QStringLiteral("Няма доставчици за търсене");
        return listing;
    }
    if (criterion < 0 || criterion >= CriterionCount)
        criterion = 0;
    const Criterion &c = kCriteria[criterion];
    const QString column = QString::fromLatin1(c.column);
    QString condition;
    QVariant value;
    switch (c.kind) {
    case Criterion::Contains:
        condition = QStringLiteral("UPPER(") + column + QStringLiteral(") LIKE UPPER(?) ESCAPE '\\'");
        value = Db::likeContains(text);
        break;
    case Criterion::WholeNumber: {
        long long n = 0;
        if (!Numbers::parseInteger(text, &n)) {
            listing.message = QStringLiteral("Некоректни данни за търсене");
            return listing;
        }
        condition = column + QStringLiteral(" = ?");
        value = n;
        break;
    }
    case Criterion::Number: {
        double v = 0;
        if (!Numbers::parse(text, &v)) {
            listing.message = QStringLiteral("Некоректни данни за търсене");
            return listing;
        }
        condition = column + QStringLiteral(" = ?");
        value = v;
        break;
    }
    }
    QStringList marks;
    QVariantList ids;
    for (long long id : suppliers) {
        marks << QStringLiteral("?");
        ids << id;
    }
    // The supplier only filters: its index would cost one random read per
    // article, where a search reads the articles in order.
    const QString taking = Db::filterOnly(QStringLiteral("Art_CL.ID_F")) + QStringLiteral(" IN (")
                           + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    listing.where = condition + QStringLiteral(" AND ") + taking;
    listing.params << value << ids;
    if (column.startsWith(QLatin1String("Art_CL."))) {
        listing.articleWhere = listing.where;
        listing.articleParams = listing.params;
    } else {
        listing.articleWhere = taking;
        listing.articleParams = ids;
        listing.otherWhere = condition;
        listing.otherParams = {value};
    }
    listing.ok = true;
    return listing;
}

CatalogueSearch::Listing CatalogueSearch::groupListing(long long supplier, long long group)
{
    Listing listing;
    listing.ok = true;
    listing.where = QStringLiteral("Art_CL.ID_F = ? AND Art_CL.ID_G = ?");
    listing.params << supplier << group;
    listing.articleWhere = listing.where;
    listing.articleParams = listing.params;
    return listing;
}

QString CatalogueSearch::listingSql(const Listing &listing, const QString &orderBy)
{
    return QLatin1String(kSelect) + kFrom + listing.where + QStringLiteral(" ORDER BY ") + orderBy;
}

KeysetList CatalogueSearch::listingList(const Listing &listing)
{
    KeysetList k;
    k.select = QLatin1String(kSelect);
    k.from = QLatin1String(kTables);
    k.where = QLatin1String(kJoin) + listing.where;
    k.params = listing.params;
    k.order = {{QStringLiteral("Art_CL.ID"), QStringLiteral("ID")}};
    return k;
}

QString CatalogueSearch::keySql(const Listing &listing, const QString &orderBy)
{
    return QStringLiteral("SELECT Art_CL.ID") + kFrom + listing.where + QStringLiteral(" ORDER BY ")
           + orderBy;
}

QString CatalogueSearch::rowsByKeySql()
{
    return QLatin1String(kSelect) + kFrom + QStringLiteral("Art_CL.ID IN (%1)");
}

QString CatalogueSearch::summarySql(const Listing &listing)
{
    // The articles added up in one pass, per supplier and group; only those
    // few sums are then joined: the join drops the articles of a group or
    // supplier that is not there, as the listing's does, and its cost never
    // grows with the articles, whatever plan an engine makes of it.
    return QStringLiteral("SELECT COALESCE(SUM(a.n), 0), MIN(a.low), MAX(a.high) FROM (SELECT Art_CL.ID_F, Art_CL.ID_G,"
                          " COUNT(*) AS n, MIN(CASE WHEN Art_CL.Cena_1 > 0 THEN Art_CL.Cena_1 END) AS low,"
                          " MAX(CASE WHEN Art_CL.Cena_1 > 0 THEN Art_CL.Cena_1 END) AS high FROM Art_CL WHERE ")
           + listing.articleWhere
           + QStringLiteral(" GROUP BY Art_CL.ID_F, Art_CL.ID_G) a CROSS JOIN Firm_CL CROSS JOIN Grupi_CL WHERE"
                            " Firm_CL.ID = a.ID_F AND Grupi_CL.ID_F = a.ID_F AND Grupi_CL.ID = a.ID_G")
           + (listing.otherWhere.isEmpty() ? QString() : QStringLiteral(" AND ") + listing.otherWhere);
}

QVariantList CatalogueSearch::summaryParams(const Listing &listing)
{
    return listing.articleParams + listing.otherParams;
}

CatalogueSearch::Summary CatalogueSearch::summarize(const Listing &listing, const QSqlDatabase &db)
{
    Summary summary;
    const auto row = Db::firstRow(summarySql(listing), summaryParams(listing), db);
    if (!row)
        return summary;
    summary.count = row->value(0).toLongLong();
    if (!row->value(1).isNull())
        summary.minText = priceText(row->value(1).toDouble());
    if (!row->value(2).isNull())
        summary.maxText = priceText(row->value(2).toDouble());
    return summary;
}

QString CatalogueSearch::priceText(double value)
{
    return Money::formatWidth(value, 4, 4);
}

QString CatalogueSearch::sortColumn(const QString &field)
{
    for (const auto &s : kSortColumns)
        if (field.compare(QLatin1String(s.field), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(s.column);
    return {};
}

QString CatalogueSearch::orderBy(const QStringList &fields, int direction)
{
    QStringList columns;
    for (const QString &f : fields) {
        const QString column = sortColumn(f);
        if (!column.isEmpty())
            columns << column;
    }
    if (columns.isEmpty())
        return QStringLiteral("Art_CL.ID");
    const QString word = direction == 0 ? QStringLiteral(" ASC") : direction == 1 ? QStringLiteral(" DESC") : QString();
    // Namesakes by their key in the same direction, as a listing read along
    // the index of its column and key has them.
    return columns.join(QStringLiteral(", ")) + word + QStringLiteral(", Art_CL.ID")
           + (direction == 1 ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
}

std::optional<KeysetList> CatalogueSearch::sortedList(const Listing &listing, const QStringList &fields, int direction,
                                                      qint64 rows)
{
    // Only the name has an index of its own with the key.
    if (rows <= KeyedRows || fields.size() != 1 || (direction != 0 && direction != 1)
        || sortColumn(fields.first()) != QLatin1String("Art_CL.Opisanie"))
        return std::nullopt;
    KeysetList k = listingList(listing);
    k.order = {{QStringLiteral("Art_CL.Opisanie"), QStringLiteral("Opisanie")}, {QStringLiteral("Art_CL.ID"), QStringLiteral("ID")}};
    k.descending = direction == 1;
    return k;
}

CatalogueSearch::PriceMark CatalogueSearch::priceMark(const QVariant &price, const Summary &summary)
{
    if (price.isNull() || price.toDouble() <= 0)
        return PriceMark::Plain;
    const QString text = priceText(price.toDouble());
    if (!summary.minText.isEmpty() && text == summary.minText)
        return PriceMark::Lowest;
    if (!summary.maxText.isEmpty() && text == summary.maxText)
        return PriceMark::Highest;
    return PriceMark::Plain;
}
