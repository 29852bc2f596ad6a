#pragma once
#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>

class QAbstractItemModel;
class QDialog;
class QLabel;
class QLayout;
class QLineEdit;
class QMenuBar;
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
// The search bar's values: "От" with the first edit, "До" with the second
// (named Label_Ot, Edit_Ot, Label_Do, Edit_Do). A single value shows the
// first edit alone and wide; a range ("между") both, the first narrow.
struct RangeEdits {
    QLabel *fromLabel;
    QLineEdit *from;
    QLabel *toLabel;
    QLineEdit *to;
    int singleWidth;
    int rangeWidth;
    void setBetween(bool between) const;
};
RangeEdits rangeEdits(QWidget *parent, int singleWidth, int rangeWidth); // a single value at first

// The browser's body: the tree side beside the list side (the search bar
// above the list, `below` under it), the list side taking the room; a menu
// bar above both when given.
QWidget *listSide(QWidget *parent, QLayout *search, QWidget *list, QWidget *below);
// The search bar: the controls left to right, the room left over on the right.
QLayout *searchBar(const QList<QWidget *> &controls);
// The tree menu's "Добави" with its two ticks, "Група" and "Подгрупа".
struct GroupEntries {
    QAction *group;
    QAction *subgroup;
};
GroupEntries addGroupEntries(QMenu *treeMenu, const char *groupName, const char *subgroupName);
// The grid's current row, -1 when none of the model's rows is current.
int currentRow(const QAbstractItemView *grid);
// Makes a row of the grid's model current (GridSelection::moveTo); false,
// and nothing moves, when the model has no such row.
bool showRow(QAbstractItemView *grid, int row, int column);
// The list read again after a change; a failure to read keeps the rows it
// shows (the next search reads them anew).
void readAgain(const std::function<void()> &refresh);
void layOutSides(QDialog *browser, QWidget *treeSide, QWidget *listSide, int treeWidth, QMenuBar *menu = nullptr);

// The pick panel's two buttons side by side, the panel hidden until a pick is asked for.
void layPickPanel(QWidget *panel, QPushButton *pick, QPushButton *cancel, bool alignRight);
} // namespace BrowserWidgets
