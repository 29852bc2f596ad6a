#pragma once
#include <QList>

class QAbstractItemModel;
class QAbstractItemView;
class QTableView;

// Multi-select grids: a plain click marks the clicked row only, Ctrl+click
// toggles a row, Shift+click marks the range from the grid's own anchor to
// the clicked row, upwards or downwards. Each grid keeps its own anchor.
namespace GridSelection {
void setup(QAbstractItemView *grid);
// A read-only multi-select list grid over `model`, whole rows, no row numbers.
void setupList(QTableView *grid, QAbstractItemModel *model);
// The marked rows in grid order (topmost first), whatever order they were
// marked in. Walk the result backwards for "lowest first".
QList<int> markedRows(const QAbstractItemView *grid);
// Makes the row current and its only mark, brought into view downwards
// only: the columns stay where the user scrolled them.
void moveTo(QAbstractItemView *grid, int row, int column);
} // namespace GridSelection
