#pragma once
#include "common/decimal.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QVariantList>

// A stock-taking (count) of one warehouse. Its lines wait in the work table
// Revision_TMP, which is kept between runs of the program: an unfinished
// count comes back in its own warehouse. Each line has a key N; an article's
// held quantity is taken once, at its first line, from the counted
// warehouse's stock and carried by its later lines. The save sets each
// article's stock to the sum of its counted lines.
namespace StockTaking {
inline constexpr const char *WorkTable = "Revision_TMP";

void prepare(); // creates the work table when missing (keeps its lines); throws DbError

int lineCount();
// The warehouse of the lines left from an unfinished count, 0 when none.
long long pendingWarehouse();

// Stock of an article in a warehouse (0 when it has no row).
Decimal stock(long long article, long long warehouse);
// The held quantity a new line of the article gets: that of its earlier
// lines, else the warehouse's stock.
Decimal heldFor(long long article, long long warehouse);

// Adds a counted line for an existing article; returns its N, 0 when the
// article does not exist or the count has more than three decimals. Throws
// DbError.
long long addLine(long long article, Decimal counted, long long warehouse);
bool setCounted(long long n, Decimal counted);
bool removeLine(long long n);
void clear();

// The grid statement: every line in entry order with Difrents (the article's
// counted sum minus its held quantity), Nal_Sum, Otkr_Sum and Kurs (money
// columns empty when the currency is missing from Valuti).
QString linesSql(QVariantList *params);

struct Totals {
    Decimal held;  // each article once: held * price * rate
    Decimal found; // every line: counted * price * rate
    Decimal difference() const { return found - held; }
};
Totals totals(); // throws DbError

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
// exist or there are no lines; a database failure throws DbError and writes
// nothing. Returns the count's number.
long long save(const Head &head, QString *refusal);
} // namespace StockTaking
