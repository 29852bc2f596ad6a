#include "app/money_columns.h"

#include "app/app_state.h"
#include "platform/db/column_registry.h"

int MoneyColumns::priceDecimals()
{
    return PriceDecimals;
}

int MoneyColumns::amountDecimals()
{
    return 2;
}

QString MoneyColumns::priceText(const QVariant &value)
{
    return ColumnRegistry::decimalText(value, priceDecimals());
}

QString MoneyColumns::amountText(const QVariant &value)
{
    return ColumnRegistry::decimalText(value, amountDecimals());
}
