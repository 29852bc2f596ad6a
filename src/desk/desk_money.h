#pragma once
#include "common/decimal.h"

#include <QString>

#include <optional>

// The money rules of open desk lines and their sale, in one place: the desk
// totals, the payment window, the receipts and the sales records all take
// their amounts from here. Values are exact; an amount is rounded once, half
// away from zero.
namespace DeskMoney {
inline constexpr int DiscountDecimals = 4; // T_O is stored with four
inline const Decimal MaxDiscount = Decimal(100);

// A line as stored: quantity, unit price in the line's currency, the rate of
// that currency and the discount percent (negative: a surcharge).
struct Line {
    Decimal quantity, price, rate = Decimal(1), discount;
};

// The line's amount in leva: quantity × price × rate less the discount,
// exactly. A bill is the exact sum of its lines, rounded once where it is
// shown or charged.
ExactSum amount(const Line &l);
// The unit price in leva after the discount, rounded once at `decimals` places.
Decimal unitPrice(const Line &l, int decimals);
// The amount due of lines whose amounts add up to `exactSum`: that sum
// rounded once to the price decimals ([Values] 9).
Decimal amountDue(const ExactSum &exactSum, int priceDecimals);
// The amount due in money the customer pays and a fiscal receipt prints:
// the sum rounded once to stotinki, or to the price decimals when they are
// fewer (then it is the amount due itself). The words, the VAT split and
// the fiscal records show this.
Decimal payable(const ExactSum &exactSum, int priceDecimals);

// The largest bill the desk adds up (the exact decimals' range, to the
// stotinka): a line that would take its bill past it is refused.
inline constexpr Decimal MaxBill = Decimal::fromUnits(9223372036854000000LL);
bool withinRange(const ExactSum &bill);
QString maxBillText(); // "92 233 720 368.54 лв."
QString pastRangeMessage();

// The discount percent of a line whose price is typed as `entered` against
// the list price as the line stores it (rounded to the price decimals): the
// shown price accepted gives 0. The percent is kept to the price decimals.
Decimal discountFromPrices(Decimal listPrice, Decimal entered, int priceDecimals);

// Net figures of a line (SUM_BezDDS, Bez_DDS): VAT taken out of the price,
// less the discount, each rounded once to the price decimals.
struct NetFigures {
    Decimal lineNet, unit;
};
NetFigures netFigures(const Line &l, Decimal vatPercent, int priceDecimals);

// A discount percent typed by a user (the free discount, the special
// discount rules): a number up to 100 (a negative one is a surcharge), at
// most four decimals. Otherwise `error` gets the message, which names the limit.
std::optional<Decimal> parseDiscount(const QString &text, QString *error);
} // namespace DeskMoney
