#include "desk/desk_money.h"

#include <algorithm>

namespace DeskMoney {
namespace {
const Decimal kHundred(100);
} // namespace

Decimal amount(const Line &l)
{
    return Decimal::product({l.quantity, l.price, l.rate, kHundred - l.discount}, kHundred, Decimal::Scale);
}

Decimal unitPrice(const Line &l)
{
    return Decimal::product({l.price, l.rate, kHundred - l.discount}, kHundred, Decimal::Scale);
}

Decimal amountDue(Decimal exactSum, int priceDecimals)
{
    return exactSum.rounded(priceDecimals);
}

Decimal payable(Decimal exactSum, int priceDecimals)
{
    return exactSum.rounded(std::min(priceDecimals, 2));
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
