#pragma once
#include <QKeySequence>
#include <QString>

class QAbstractItemModel;
class QAbstractItemView;
class QAction;
class QMenu;
class QPushButton;
class QTableView;
class QTreeWidget;
class QWidget;

// The controls a register browser (a group tree beside a list) builds alike.
namespace BrowserWidgets {
// A named menu entry; the shortcut only where one is given.
QAction *menuAction(QMenu *menu, const QString &caption, const char *name, const QKeySequence &keys = {});
// The group tree: one column, no header, one node at a time, not edited in place.
void setupGroupTree(QTreeWidget *tree);
// The list over `model`: read-only multi-select rows that drag out onto the tree,
// no row numbers, titles that can be clicked.
void setupDragGrid(QTableView *grid, QAbstractItemModel *model);
// The menu pops up where the view is right-clicked.
void popupMenuOn(QAbstractItemView *view, QMenu *menu);
// A column width designed in pixels of a font whose digits are 5 pixels
// wide, in the widget's own font: "Арт. №" (46) holds seven digits.
int scaledWidth(const QWidget *widget, int designed);
// The pick panel's two buttons side by side, the panel hidden until a pick is asked for.
void layPickPanel(QWidget *panel, QPushButton *pick, QPushButton *cancel, bool alignRight);
} // namespace BrowserWidgets
