#include "app/price_delegate.h"

#include "app/app_state.h"
#include "common/money.h"

QString PriceDelegate::displayText(const QVariant &value, const QLocale &) const
{
    return priceText(value);
}

QString PriceDelegate::priceText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? Money::fixed(v, PriceDecimals) : value.toString();
}
