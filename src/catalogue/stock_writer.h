#pragma once
#include "common/decimal.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// The one writer of Store_Kol: mode 1 sets the quantity of an article in a
// warehouse, any other mode adds to it; a missing row starts from 0. The new
// quantity is worked out exactly (a stock that reaches zero is zero) inside
// the caller's write transaction (or its own), which holds the database's
// write lock, so two workstations moving the same article never lose a
// movement. Keys must be whole numbers above 0: a sale without an active
// warehouse fails (DbError) and rolls its caller back instead of booking
// stock nowhere.
void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, Decimal Kol, int Mode);
void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, Decimal Kol, int Mode,
                   const QSqlDatabase &db);
// A quantity read from a column (by its decimal value).
void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, double Kol, int Mode);

// Mode 1 for many articles of one warehouse at once (a count's save): each
// quantity set exactly, a missing row made, a few statements for them all
// (on a server a few round trips, not one an article). An article named
// twice keeps its last quantity. Throws DbError, writing nothing.
struct StockSetting {
    long long article = 0;
    Decimal quantity;
};
void setStockQuantities(long long warehouse, const QList<StockSetting> &settings);
void setStockQuantities(long long warehouse, const QList<StockSetting> &settings, const QSqlDatabase &db);

// Quantities have three decimals: never rounded to the price decimals, and a
// typed fourth is refused. A delivery, transfer or write-off line moves a
// quantity above 0, so it never moves stock the wrong way (a count may be 0).
namespace StockQuantity {
inline constexpr int Decimals = 3;
bool acceptable(Decimal quantity); // above 0, at most three decimals
// A typed quantity: nullopt after *error (when given) got the Bulgarian
// message naming "Количество" when it is no number, has more than three
// decimals, or is below 0 (with aboveZero: not above 0). No stock quantity
// is ever below 0: a count finds 0 or more.
std::optional<Decimal> parse(const QString &typed, QString *error, bool aboveZero = true);
// The same of any sign (the desk's quantity, where below 0 has its own answer).
std::optional<Decimal> parseSigned(const QString &typed, QString *error);
// The refusal of a typed quantity that is a number but below 0 (with
// aboveZero: not above 0).
QString refusal(const QString &typed, bool aboveZero = true);
// A quantity as the windows show it: three decimals.
QString text(Decimal quantity);
} // namespace StockQuantity
