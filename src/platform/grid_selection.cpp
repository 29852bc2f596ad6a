#include "platform/grid_selection.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

#include <algorithm>

void GridSelection::setup(QAbstractItemView *grid)
{
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
}

QList<int> GridSelection::markedRows(const QAbstractItemView *grid)
{
    QList<int> rows;
    const QItemSelectionModel *selection = grid->selectionModel();
    if (!selection)
        return rows;
    // Whole-row and single-cell marks both count; each row once.
    for (const QModelIndex &index : selection->selectedIndexes())
        if (!index.parent().isValid())
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}
