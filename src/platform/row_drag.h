#pragma once
#include <QModelIndexList>
#include <QString>
#include <QVariant>

#include <functional>

class QMimeData;

// Lists whose marked rows are dragged onto a group tree: the rows travel as
// their IDs, comma-separated, in grid order; the grid never removes them.
namespace RowDrag {
Qt::ItemFlags flags(const QModelIndex &index);
QMimeData *mimeData(const QString &format, const QModelIndexList &indexes, const std::function<QString(int row)> &idOf);
inline Qt::DropActions actions()
{
    return Qt::CopyAction;
}
// The title of the column that is the search criterion stands out.
QVariant criterionTitle(int role);
} // namespace RowDrag
