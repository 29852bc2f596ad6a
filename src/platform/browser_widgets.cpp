#include "platform/browser_widgets.h"

#include "platform/grid_selection.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

QAction *BrowserWidgets::menuAction(QMenu *menu, const QString &caption, const char *name, const QKeySequence &keys)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (!keys.isEmpty())
        a->setShortcut(keys);
    return a;
}

void BrowserWidgets::setupGroupTree(QTreeWidget *tree)
{
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
}

void BrowserWidgets::setupDragGrid(QTableView *grid, QAbstractItemModel *model)
{
    grid->setModel(model);
    GridSelection::setup(grid);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setDragEnabled(true);
    grid->setDragDropMode(QAbstractItemView::DragOnly);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setSectionsClickable(true);
    grid->horizontalHeader()->setHighlightSections(false);
}

void BrowserWidgets::popupMenuOn(QAbstractItemView *view, QMenu *menu)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, view, [view, menu](const QPoint &pos) {
        menu->popup(view->viewport()->mapToGlobal(pos));
    });
}

void BrowserWidgets::layPickPanel(QWidget *panel, QPushButton *pick, QPushButton *cancel, bool alignRight)
{
    pick->setMinimumWidth(110);
    cancel->setMinimumWidth(110);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    if (alignRight)
        row->addStretch(1);
    row->addWidget(pick);
    row->addWidget(cancel);
    panel->hide();
}

int BrowserWidgets::scaledWidth(const QWidget *widget, int designed)
{
    const int digit = widget->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    return qRound(designed * qMax(digit, 5) / 5.0);
}
