#include "desk/desk_money.h"

#include "common/money.h"

#include <algorithm>

namespace DeskMoney {
namespace {
const Decimal kHundred(100);
} // namespace

ExactSum amount(const Line &l)
{
    return Money::lineAmount(l.quantity, l.price, l.rate, l.discount);
}

Decimal unitPrice(const Line &l, int decimals)
{
    return Decimal::product({l.price, l.rate, kHundred - l.discount}, kHundred, decimals);
}

Decimal amountDue(const ExactSum &exactSum, int priceDecimals)
{
    return exactSum.rounded(priceDecimals);
}

Decimal payable(const ExactSum &exactSum, int priceDecimals)
{
    return exactSum.rounded(std::min(priceDecimals, 2));
}

bool withinRange(const ExactSum &bill)
{
    return bill <= ExactSum(MaxBill) && bill >= ExactSum(-MaxBill);
}

QString maxBillText()
{
    QString whole = QString::number(MaxBill.wholePart());
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
        whole.insert(at, QLatin1Char(' '));
    return whole + MaxBill.toString(2).right(3) + QStringLiteral(" лв.");
}

QString pastRangeMessage()
{
    return QStringLiteral("Сумата на сметката би надхвърлила ") + maxBillText() + QStringLiteral(": редът не е записан.");
}

Decimal discountFromPrices(Decimal listPrice, Decimal entered, int priceDecimals)
{
    const Decimal stored = listPrice.rounded(priceDecimals);
    if (stored.isZero())
        return Decimal();
    return Decimal::product({stored - entered, kHundred}, stored, priceDecimals);
}

NetFigures netFigures(const Line &l, Decimal vatPercent, int priceDecimals)
{
    // price / (1 + vat/100) less the discount = price × (100 - T_O) / (100 + vat)
    const Decimal divisor = kHundred + vatPercent;
    return {Decimal::product({l.quantity, l.price, kHundred - l.discount}, divisor, priceDecimals),
            Decimal::product({l.price, kHundred - l.discount}, divisor, priceDecimals)};
}

std::optional<Decimal> parseDiscount(const QString &text, QString *error)
{
    const QString limit = QStringLiteral("Отстъпка %: въведете число не по-голямо от 100 с до 4 знака след "
                                         "десетичната точка (отрицателно число е надбавка).");
    const auto v = Decimal::parse(text, DiscountDecimals);
    if (!v || *v > MaxDiscount) {
        if (error)
            *error = QLatin1Char('"') + text.trimmed() + QStringLiteral("\": ") + limit;
        return std::nullopt;
    }
    return v;
}
} // namespace DeskMoney
