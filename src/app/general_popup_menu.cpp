#include "app/general_popup_menu.h"

#include "app/form_koloni.h"
#include "app/window_owner.h"

#include <QAction>
#include <QTableView>

GeneralPopupMenu::GeneralPopupMenu(QWidget *parent)
    : QMenu(parent)
{
    setObjectName(QStringLiteral("General_PopupMenu"));
    N_Nastr_Koloni = addAction(QStringLiteral("Настроика колони ..."));
    N_Nastr_Koloni->setObjectName(QStringLiteral("N_Nastr_Koloni"));
    N_Sort_ByColumns = addAction(QStringLiteral("Сортирай по колони..."));
    N_Sort_ByColumns->setObjectName(QStringLiteral("N_Sort_ByColumns"));
    N_Sort_ByColumns->setVisible(false);
    connect(N_Nastr_Koloni, &QAction::triggered, this, &GeneralPopupMenu::N_Nastr_KoloniClick);
    connect(N_Sort_ByColumns, &QAction::triggered, this, &GeneralPopupMenu::N_Nastr_KoloniClick);
}

void GeneralPopupMenu::attach(QTableView *grid)
{
    if (!grid)
        return;
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QPointer<GeneralPopupMenu> menu(this);
    connect(grid, &QWidget::customContextMenuRequested, this, [menu, grid](const QPoint &pos) {
        if (menu)
            menu->popupFor(grid, grid->viewport()->mapToGlobal(pos));
    });
}

void GeneralPopupMenu::popupFor(QTableView *grid, const QPoint &globalPos)
{
    m_grid = grid;
    popup(globalPos);
}

void GeneralPopupMenu::N_Nastr_KoloniClick()
{
    if (m_grid)
        Nastr_Koloni_Grid(m_grid);
}

GeneralPopupMenu *General_PopupMenu()
{
    static QPointer<GeneralPopupMenu> menu;
    if (!menu)
        menu = new GeneralPopupMenu(WindowOwner::mainWindow());
    return menu;
}

QTableView *GeneralPopupMenu::grid() const
{
    return m_grid.data();
}
