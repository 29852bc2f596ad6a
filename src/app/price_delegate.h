#pragma once
#include "platform/grid_text_delegate.h"

// Grid cells of prices and amounts: the value with the price decimals
// (PriceDecimals as it is when painted); the stored value is unchanged. An
// empty cell stays empty, a text that is no number is shown as it is.
class PriceDelegate : public GridTextDelegate
{
public:
    using GridTextDelegate::GridTextDelegate;
    QString displayText(const QVariant &value, const QLocale &locale) const override;
    static QString priceText(const QVariant &value);
};
