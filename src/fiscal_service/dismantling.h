#pragma once
#include <QString>

// The amounts of the dismantling record: four VAT groups and their total.
namespace Dismantling {
inline constexpr const char *ZeroAmount = "0.0000";
// A group amount as typed: the whole text a number with a point as the
// decimal separator (leading blanks, a sign and an exponent allowed); an
// empty text, a comma or any other character make it no amount.
bool parseAmount(const QString &text, double *amount);
// The total with two decimals, at least four characters ("0.00", "1234.50").
QString totalText(double total);
// The total in words, as the total text reads (so the words match its two decimals).
QString totalInWords(const QString &totalText);
} // namespace Dismantling
