#pragma once
#include "platform/db/list_model.h"

#include <QString>
#include <QVariantList>

#include <optional>

// The filters of the availability report; an unset filter means all.
struct AvailabilityFilter {
    std::optional<long long> article;   // Produkti.ID
    std::optional<long long> group;     // Produkti.Nomer_Grupa (the group itself, not its subgroups)
    std::optional<long long> warehouse; // only the stock of this warehouse is summed
};

namespace Availability {
// The report's statement: ID, Opisanie, All_Kol, Mqrka of every article the
// filters select, All_Kol being the sum of its stock rows (0 when it has none).
QString sql(const AvailabilityFilter &filter, QVariantList *params);

// "<ID>:<Opisanie>" of an article, "0:Няма избран артикул" when there is none.
QString articleText(long long id);
// "<ID>:<Opisanie>" of an article group, "0:Няма избрана група" when there is none.
QString groupText(long long id);
inline constexpr const char *NoArticleText = "0:Няма избран артикул";
inline constexpr const char *NoGroupText = "0:Няма избрана група";
} // namespace Availability

// The report's rows, with the quantities shown with PriceDecimals decimals
// (the grid and the list export show the same text).
class AvailabilityList : public SqlListModel
{
    Q_OBJECT
public:
    explicit AvailabilityList(QObject *parent = nullptr);
    void search(const AvailabilityFilter &filter); // throws DbError
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
