#include "platform/browser_widgets.h"

#include "platform/db/database.h"
#include "platform/grid_selection.h"
#include "platform/named.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

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

void BrowserWidgets::RangeEdits::setBetween(bool between) const
{
    from->setFixedWidth(between ? rangeWidth : singleWidth);
    fromLabel->setVisible(between);
    toLabel->setVisible(between);
    to->setVisible(between);
    to->setEnabled(between);
}

BrowserWidgets::RangeEdits BrowserWidgets::rangeEdits(QWidget *parent, int singleWidth, int rangeWidth)
{
    RangeEdits r{named(new QLabel(QStringLiteral("От"), parent), "Label_Ot"), namedEdit(QStringLiteral("Edit_Ot"), parent),
                 named(new QLabel(QStringLiteral("До"), parent), "Label_Do"), namedEdit(QStringLiteral("Edit_Do"), parent),
                 singleWidth, rangeWidth};
    r.to->setFixedWidth(rangeWidth);
    r.setBetween(false);
    return r;
}

QWidget *BrowserWidgets::listSide(QWidget *parent, QLayout *search, QWidget *list, QWidget *below)
{
    auto *side = new QWidget(parent);
    auto *layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(search);
    layout->addWidget(list, 1);
    layout->addWidget(below);
    return side;
}

void BrowserWidgets::layOutSides(QDialog *browser, QWidget *treeSide, QWidget *listSide, int treeWidth, QMenuBar *menu)
{
    auto *splitter = new QSplitter(Qt::Horizontal, browser);
    splitter->addWidget(treeSide);
    splitter->addWidget(listSide);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({treeWidth, 900});
    auto *layout = new QVBoxLayout(browser);
    layout->setContentsMargins(4, 4, 4, 4);
    if (menu)
        layout->setMenuBar(menu);
    layout->addWidget(splitter);
}

QLayout *BrowserWidgets::searchBar(const QList<QWidget *> &controls)
{
    auto *bar = new QHBoxLayout;
    for (QWidget *w : controls)
        bar->addWidget(w);
    bar->addStretch(1);
    return bar;
}

BrowserWidgets::GroupEntries BrowserWidgets::addGroupEntries(QMenu *treeMenu, const char *groupName,
                                                             const char *subgroupName)
{
    QMenu *add = treeMenu->addMenu(QStringLiteral("Добави"));
    add->setObjectName(QStringLiteral("N_Dobavi"));
    const GroupEntries entries{menuAction(add, QStringLiteral("Група"), groupName),
                               menuAction(add, QStringLiteral("Подгрупа"), subgroupName)};
    entries.group->setCheckable(true);
    entries.subgroup->setCheckable(true);
    return entries;
}

int BrowserWidgets::currentRow(const QAbstractItemView *grid)
{
    const int row = grid->currentIndex().row();
    return grid->model() && row >= 0 && row < grid->model()->rowCount() ? row : -1;
}

bool BrowserWidgets::showRow(QAbstractItemView *grid, int row, int column)
{
    if (!grid->model() || row < 0 || row >= grid->model()->rowCount())
        return false;
    GridSelection::moveTo(grid, row, column);
    return true;
}

void BrowserWidgets::readAgain(const std::function<void()> &refresh)
{
    try {
        refresh();
    } catch (const DbError &) {
    }
}
