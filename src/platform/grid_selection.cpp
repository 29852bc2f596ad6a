#include "platform/grid_selection.h"

#include "platform/grid_text_delegate.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

void GridSelection::setup(QAbstractItemView *grid)
{
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    GridTextDelegate::install(grid);
}

QList<int> GridSelection::markedRows(const QAbstractItemView *grid)
{
    QList<int> rows;
    const QItemSelectionModel *selection = grid->selectionModel();
    if (!selection)
        return rows;
    // Whole-row and single-cell marks both count; each row once. Walked by
    // ranges: a grid with every row of a long list marked holds one range.
    for (const QItemSelectionRange &range : selection->selection())
        if (range.isValid() && !range.parent().isValid())
            for (int r = range.top(); r <= range.bottom(); ++r)
                rows << r;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void GridSelection::moveTo(QAbstractItemView *grid, int row, int column)
{
    const QModelIndex index = grid->model()->index(row, column);
    grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QScrollBar *across = grid->horizontalScrollBar();
    const int left = across->value();
    grid->scrollTo(index);
    across->setValue(left);
}

void GridSelection::setupList(QTableView *grid, QAbstractItemModel *model)
{
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setup(grid);
    grid->verticalHeader()->hide();
}
