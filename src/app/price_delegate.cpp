#include "app/price_delegate.h"

#include "app/money_columns.h"

QString PriceDelegate::displayText(const QVariant &value, const QLocale &) const
{
    return priceText(value);
}

QString PriceDelegate::priceText(const QVariant &value)
{
    return MoneyColumns::priceText(value);
}
