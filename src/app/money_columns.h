#pragma once
#include <QString>
#include <QVariant>

#include <initializer_list>

// Money in lists and texts that have no format of their own: prices with the
// price decimals (PriceDecimals as it is when shown), amounts with two. One
// formatter for grids, their exports and the cells a window fills itself.
namespace MoneyColumns {
int priceDecimals();
int amountDecimals();
QString priceText(const QVariant &value);
QString amountText(const QVariant &value);

// A list (SqlListModel, PagedListModel) shows these fields so, in its grid
// and in every export of it.
template <class List>
void prices(List *list, std::initializer_list<const char *> fields)
{
    for (const char *f : fields)
        list->setFieldDecimals(QString::fromLatin1(f), &priceDecimals);
}
template <class List>
void amounts(List *list, std::initializer_list<const char *> fields)
{
    for (const char *f : fields)
        list->setFieldDecimals(QString::fromLatin1(f), &amountDecimals);
}
} // namespace MoneyColumns
