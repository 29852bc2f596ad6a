#pragma once
#include "common/decimal.h"

#include <QString>

// Money and number texts: point as the decimal separator, the exact decimal
// value rounded half away from zero (1.005 gives "1.01"), never truncated. A
// double is read as a column is (Decimal::fromDouble: its shortest decimal
// text, rounded at the eighth decimal).
namespace Money {
// The value rounded to `decimals` places, as plain text ("-3.10", "1.01").
QString fixed(double value, int decimals);
QString fixed(Decimal value, int decimals);
// printf's "%4.2f": two decimals, padded with blanks on the left to 4 characters.
QString format42(double value);
QString format42(Decimal value);
// printf's "%*.*f": `decimals` places, padded with blanks on the left to `width`.
QString formatWidth(double value, int width, int decimals);
QString formatWidth(Decimal value, int width, int decimals);
// The value rounded half away from zero to `decimals` places.
double round(double value, int decimals);
// A sale line's amount in leva, exactly: quantity × price × rate less the
// discount percent. Bills add these up and round the sum once.
ExactSum lineAmount(Decimal quantity, Decimal price, Decimal rate, Decimal discount);
// The same from a row's columns: a line without a rate (its currency has no
// row) has no amount.
ExactSum lineAmount(const QVariant &quantity, const QVariant &price, const QVariant &rate, const QVariant &discount);
} // namespace Money

namespace Numbers {
// A number typed by a user: point or comma as the separator, blanks around it
// allowed. Anything else (empty text, letters, two separators) fails.
bool parse(const QString &text, double *value);
// A whole number typed by a user (64-bit).
bool parseInteger(const QString &text, long long *value);
// A number as stored or exported: shortest text, point separator.
QString toText(double value);
} // namespace Numbers
