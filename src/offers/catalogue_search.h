#pragma once
#include "platform/db/database.h"
#include "platform/db/keyset_reader.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// Listings of the supplier catalogues: a group's articles, or a search by
// one of ten criteria over the suppliers that take part. Each listing is
// counted, with its cheapest and dearest price above 0, by one aggregate
// statement and read a page at a time in a complete order (Art_CL.ID last).
namespace CatalogueSearch {
inline constexpr int CriterionCount = 10;
QStringList criteria(); // the items of the criteria list, index = SearchCriterion

// A listing's condition: its WHERE text (columns named with their table)
// and bound values. `message` tells why there is none. The same condition
// split in two: on the articles' own columns, and on their supplier's or
// group's (empty when there is none).
struct Listing {
    bool ok = false;
    QString message;
    QString where;
    QVariantList params;
    QString articleWhere;
    QVariantList articleParams;
    QString otherWhere;
    QVariantList otherParams;
};
Listing searchListing(int criterion, const QString &text, const QList<long long> &suppliers);
Listing groupListing(long long supplier, long long group);

// The listing's field list: the nine grid columns first (Kat_N, Opisanie,
// Cena_1, Cena_2, Cena_3, Valuta, Status, Firma, Grupa), then ID, ID_F, ID_G.
inline constexpr int GridColumns = 9;
QString listingSql(const Listing &listing, const QString &orderBy);
// The listing in its own order (Art_CL.ID), read a page at a time by key.
KeysetList listingList(const Listing &listing);
// A sorted listing is read by key: every row's Art_CL.ID in the sort's order
// once, then each page's rows by those keys ("%1" takes their placeholders).
QString keySql(const Listing &listing, const QString &orderBy);
QString rowsByKeySql();

// Count and the price extremes ("%4.4f"; empty when no price is above 0).
struct Summary {
    qint64 count = 0;
    QString minText;
    QString maxText;
};
Summary summarize(const Listing &listing, const QSqlDatabase &db = Db::connection()); // throws DbError
// The statement summarize runs, with its values.
QString summarySql(const Listing &listing);
QVariantList summaryParams(const Listing &listing);
QString priceText(double value); // "%4.4f"

// The column a listing field sorts by ("Firma" -> Firm_CL.Opisanie); empty
// for a field that is not a listing column.
QString sortColumn(const QString &field);
// "a, b DESC, Art_CL.ID DESC": the direction (0 ascending, 1 descending,
// anything else none) after the last given column and the key only;
// Art_CL.ID alone when no column is given.
QString orderBy(const QStringList &fields, int direction);

// A listing of more rows than this, sorted by a column an index holds with
// the key (the article's name), is read along that index a page at a time;
// a shorter one, or one in another order, is keyed as a whole.
inline constexpr qint64 KeyedRows = 2000;
// That listing of `rows` rows in the order orderBy(fields, direction) gives,
// read by key; none when it is keyed instead.
std::optional<KeysetList> sortedList(const Listing &listing, const QStringList &fields, int direction, qint64 rows);

enum class PriceMark { Plain, Lowest, Highest };
// How a row with this Cena_1 is drawn: the lowest price red, else the highest blue.
PriceMark priceMark(const QVariant &price, const Summary &summary);
} // namespace CatalogueSearch
