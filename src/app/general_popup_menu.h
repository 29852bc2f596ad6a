#pragma once
#include <QMenu>
#include <QPointer>

class QAction;
class QTableView;

// The pop-up menu that list grids share: "Настроика колони ..." opens the
// column chooser on the grid the menu was opened on.
class GeneralPopupMenu : public QMenu
{
    Q_OBJECT
public:
    explicit GeneralPopupMenu(QWidget *parent = nullptr);

    QAction *N_Nastr_Koloni;   // "Настроика колони ..."
    QAction *N_Sort_ByColumns; // "Сортирай по колони..." (hidden)

    // Shows this menu on a right click into the grid.
    void attach(QTableView *grid);
    // Opens the menu for `grid` at a global position.
    void popupFor(QTableView *grid, const QPoint &globalPos);
    QTableView *grid() const; // the grid it was opened on

    void N_Nastr_KoloniClick();

private:
    QPointer<QTableView> m_grid;
};

// The program's one menu, made on first use (owned by the main window).
GeneralPopupMenu *General_PopupMenu();
