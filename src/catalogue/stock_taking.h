#pragma once
#include "common/decimal.h"
#include "platform/db/keyset_reader.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QVariantList>

// A stock-taking (count) of one warehouse. Its lines wait in the work table
// Revision_TMP, which is kept between runs of the program: an unfinished
// count comes back in its own warehouse. Each line has a key N; an article's
// held quantity is taken once, at its first line, from the counted
// warehouse's stock and carried by its later lines. The save sets each
// article's stock to the sum of its counted lines. The work table is indexed
// by article, so an article's lines are found without reading the others.
namespace StockTaking {
inline constexpr const char *WorkTable = "Revision_TMP";

// Creates the work table and its index when missing (keeps its lines);
// throws DbError.
void prepare();

int lineCount();
// The warehouse of the lines left from an unfinished count, 0 when none.
long long pendingWarehouse();

// Stock of an article in a warehouse (0 when it has no row).
Decimal stock(long long article, long long warehouse);
// The held quantity a new line of the article gets: that of its earlier
// lines, else the warehouse's stock.
Decimal heldFor(long long article, long long warehouse);

// Adds a counted line for an existing article; returns its N, 0 when the
// article does not exist or the count is below 0 or has more than three
// decimals (setCounted: false). Throws DbError.
long long addLine(long long article, Decimal counted, long long warehouse);
bool setCounted(long long n, Decimal counted);
bool removeLine(long long n);
void clear();

// The grid's list: every line in entry order with Difrents (the article's
// counted sum minus its held quantity), Nal_Sum, Otkr_Sum and Kurs (money
// columns empty when the currency is missing from Valuti), read a page at a
// time by N; and the same list as one statement.
KeysetList linesList();
QString linesSql(QVariantList *params);

struct Totals {
    Decimal held;  // each article once: held * price * rate
    Decimal found; // every line: counted * price * rate
    Decimal difference() const { return found - held; }
};
Totals totals(); // of every line; throws DbError

// A look-up of one article's lines, with its values.
struct Lookup {
    QString sql;
    QVariantList params;
};
Lookup heldLookup(long long article);          // the held quantity of its first line
Lookup articleTotalsLookup(long long article); // its lines, for its share of the totals

// The count as its window shows it: the lines counted and the totals, kept
// as the lines change. A change reads only its own article's lines, so a
// line costs the same at any number of lines. The window is the only writer
// of its workstation's lines while it is open.
class Sheet
{
public:
    void load(); // counts every line once; throws DbError
    // As the functions above, the totals following; throw DbError.
    long long addLine(long long article, Decimal counted, long long warehouse);
    bool setCounted(long long n, Decimal counted);
    bool removeLine(long long n);
    void clear();
    Totals totals(); // counted again after a change whose totals failed
    qint64 lineCount() const { return m_lines; }

private:
    Totals articleTotals(long long article) const;
    void apply(const Totals &before, const Totals &after);

    Totals m_totals;
    qint64 m_lines = 0;
    bool m_stale = false;
};

struct Head {
    QDate date;
    QTime time;
    QString reason;
    long long warehouse = 0;
};
inline constexpr const char *NoWarehouse = "Не е избран склад!";
// Stores the count in one transaction: a new number, the head, one
// Revision_Art row per article (held, counted sum, exact), the article's
// stock set to that sum, the lines removed. 0 and *refusal when the warehouse does not
// exist, there are no lines or a line counts below 0; a database failure throws DbError and writes
// nothing. Returns the count's number.
long long save(const Head &head, QString *refusal);
} // namespace StockTaking
