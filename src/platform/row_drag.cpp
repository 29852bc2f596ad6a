#include "platform/row_drag.h"

#include <QColor>
#include <QMimeData>

#include <algorithm>

Qt::ItemFlags RowDrag::flags(const QModelIndex &index)
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QMimeData *RowDrag::mimeData(const QString &format, const QModelIndexList &indexes,
                             const std::function<QString(int row)> &idOf)
{
    QList<int> rows;
    for (const QModelIndex &index : indexes)
        if (index.isValid())
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList ids;
    for (int row : rows)
        ids << idOf(row);
    auto *mime = new QMimeData;
    mime->setData(format, ids.join(QLatin1Char(',')).toLatin1());
    return mime;
}

QVariant RowDrag::criterionTitle(int role)
{
    if (role == Qt::BackgroundRole)
        return QColor(Qt::red);
    if (role == Qt::ForegroundRole)
        return QColor(Qt::white);
    return {};
}
