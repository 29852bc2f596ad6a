#include "counterparties/form_kontrakents.h"

#include "common/dates.h"
#include "common/reference_text.h"
#include "common/tree_file.h"
#include "counterparties/counterparty_editor.h"
#include "counterparties/counterparty_groups.h"
#include "counterparties/counterparty_list.h"
#include "counterparties/counterparty_search.h"
#include "counterparties/form_grupi_kontrag.h"
#include "counterparties/group_tree_drop.h"
#include "app/form_print_vid_fail.h"
#include "platform/browser_widgets.h"
#include "platform/dialogs.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "app/app_state.h"
#include "app/form_koloni.h"
#include "app/help_actions.h"
#include "app/list_export.h"
#include "app/pick_targets.h"
#include "app/record_ops.h"
#include "app/window_owner.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

QPointer<TForm_Kontrakents> Form_Kontrakents;

namespace {
constexpr int NarrowEdit = 121;
constexpr int WideEdit = 265;
const int kColumnWidths[] = {55, 220, 90, 105, 120, 190, 105, 85, 150, 130, 60};

QString root()
{
    return QString::fromUtf8(CounterpartySearch::RootNodeText);
}

using BrowserWidgets::menuAction;
} // namespace

TForm_Kontrakents::TForm_Kontrakents(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Kontrakents"));
    setWindowTitle(QStringLiteral("Контрагенти"));
    m_list = new CounterpartyList(this);
    buildLayout();
    buildMenus();
}

void TForm_Kontrakents::buildLayout()
{
    TreeView_Kontrag = named(new QTreeWidget(this), "TreeView_Kontrag");
    BrowserWidgets::setupGroupTree(TreeView_Kontrag);
    auto *drop = new GroupTreeDrop(TreeView_Kontrag, QString::fromLatin1(CounterpartyList::DragFormat), this);
    drop->onOver = [this](QTreeWidgetItem *node) { TreeView_KontragDragOver(node); };
    drop->onDrop = [this](QTreeWidgetItem *node) { TreeView_KontragDragDrop(node); };
    connect(TreeView_Kontrag, &QTreeWidget::itemClicked, this, [this] { TreeView_KontragClick(); });

    DBGrid_Kontragenti = named(new QTableView(this), "DBGrid_Kontragenti");
    BrowserWidgets::setupDragGrid(DBGrid_Kontragenti, m_list);
    for (int c = 0; c < int(std::size(kColumnWidths)); ++c)
        DBGrid_Kontragenti->setColumnWidth(c, BrowserWidgets::scaledWidth(DBGrid_Kontragenti, kColumnWidths[c]));
    connect(DBGrid_Kontragenti, &QTableView::clicked, this,
            [this](const QModelIndex &index) { DBGrid_KontragentiCellClick(index.column()); });
    connect(DBGrid_Kontragenti, &QTableView::doubleClicked, this, [this] { DBGrid_KontragentiDblClick(); });
    connect(DBGrid_Kontragenti->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { DBGrid_KontragentiTitleClick(column); });

    Label_Search_Kriteria = named(new QLabel(QStringLiteral("Търсене по : "), this), "Label_Search_Kriteria");
    Label_Search_Kriteria->setMinimumWidth(200);
    ComboBox_Kriteria_Kontrag = named(new QComboBox(this), "ComboBox_Kriteria_Kontrag");
    ComboBox_Kriteria_Kontrag->setMinimumWidth(150);
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox1->addItems(CounterpartySearch::comparisonTitles());
    m_range = BrowserWidgets::rangeEdits(this, WideEdit, NarrowEdit);
    Label_Ot = m_range.fromLabel;
    Edit_Ot = m_range.from;
    Label_Do = m_range.toLabel;
    Edit_Do = m_range.to;
    BitBtn_Tarsi_Kontragenti = named(new QPushButton(QStringLiteral("Търси"), this), "BitBtn_Tarsi_Kontragenti");
    BitBtn_Tarsi_Kontragenti->setDefault(true);
    connect(ComboBox_Kriteria_Kontrag, &QComboBox::activated, this, [this] { ComboBox_Kriteria_KontragChange(); });
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    connect(BitBtn_Tarsi_Kontragenti, &QPushButton::clicked, this, &TForm_Kontrakents::BitBtn_Tarsi_KontragentiClick);

    BitBtn1 = namedButton("BitBtn1", QStringLiteral("Нов"), this);
    BitBtn_Redaktiraj_Kontragent = namedButton("BitBtn_Redaktiraj_Kontragent", QStringLiteral("Редактирай"), this);
    Button_Print_Kontrag = namedButton("Button_Print_Kontrag", QStringLiteral("Печат"), this);
    BitBtn_Help = namedButton("BitBtn_Help", QStringLiteral("Помощ"), this);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Kontrakents::BitBtn1Click);
    connect(BitBtn_Redaktiraj_Kontragent, &QPushButton::clicked, this,
            &TForm_Kontrakents::BitBtn_Redaktiraj_KontragentClick);
    connect(Button_Print_Kontrag, &QPushButton::clicked, this, &TForm_Kontrakents::Button_Print_KontragClick);
    connect(BitBtn_Help, &QPushButton::clicked, this, &TForm_Kontrakents::BitBtn_HelpClick);

    Panel_IZberi = named(new QWidget(this), "Panel_IZberi");
    BitBtn_Izberi_Kontragent = namedButton("BitBtn_Izberi_Kontragent", QStringLiteral("ИЗБЕРИ"), Panel_IZberi);
    BitBtn_Otkaji_Kontragent = namedButton("BitBtn_Otkaji_Kontragent", QStringLiteral("ОТКАЖИ"), Panel_IZberi);
    connect(BitBtn_Izberi_Kontragent, &QPushButton::clicked, this,
            &TForm_Kontrakents::BitBtn_Izberi_KontragentClick);
    connect(BitBtn_Otkaji_Kontragent, &QPushButton::clicked, this,
            &TForm_Kontrakents::BitBtn_Otkaji_KontragentClick);
    BrowserWidgets::layPickPanel(Panel_IZberi, BitBtn_Izberi_Kontragent, BitBtn_Otkaji_Kontragent, false);

    QLayout *search = BrowserWidgets::searchBar({Label_Search_Kriteria, ComboBox_Kriteria_Kontrag, ComboBox1, Label_Ot,
                                                 Edit_Ot, Label_Do, Edit_Do, BitBtn_Tarsi_Kontragenti});
    auto *commandRow = new QWidget(this);
    auto *commands = new QHBoxLayout(commandRow);
    commands->setContentsMargins(0, 0, 0, 0);
    commands->addWidget(BitBtn1);
    commands->addWidget(BitBtn_Redaktiraj_Kontragent);
    commands->addWidget(Button_Print_Kontrag);
    commands->addWidget(BitBtn_Help);
    commands->addStretch(1);
    commands->addWidget(Panel_IZberi);

    BrowserWidgets::layOutSides(this, TreeView_Kontrag,
                                BrowserWidgets::listSide(this, search, DBGrid_Kontragenti, commandRow), 220);
    resize(1180, 620);
}

void TForm_Kontrakents::buildMenus()
{
    PopupMenu_Grid = named(new QMenu(this), "PopupMenu_Grid");
    N_Nov_Kontrag = menuAction(PopupMenu_Grid, QStringLiteral("Нов"), "N_Nov_Kontrag");
    N_Redaktiraj_Kontrag = menuAction(PopupMenu_Grid, QStringLiteral("Редактирай"), "N_Redaktiraj_Kontrag");
    PopupMenu_Grid->addSeparator();
    N_Pe4at_Kontrag = menuAction(PopupMenu_Grid, QStringLiteral("Печат"), "N_Pe4at_Kontrag");
    N_Nastr_Koloni = menuAction(PopupMenu_Grid, QStringLiteral("Настроика колони ..."), "N_Nastr_Koloni");
    PopupMenu_Grid->addSeparator();
    N_Vnoski = menuAction(PopupMenu_Grid, QStringLiteral("Изплащане на вноски"), "N_Vnoski");
    N_Dlajnici = menuAction(PopupMenu_Grid, QStringLiteral("Покажи само длъжници"), "N_Dlajnici");
    N_Vnoski->setEnabled(bool(InstalmentsOpener));
    N_Dlajnici->setEnabled(!DebtorsSql.isEmpty());
    connect(N_Vnoski, &QAction::triggered, this, &TForm_Kontrakents::N_VnoskiClick);
    connect(N_Dlajnici, &QAction::triggered, this, &TForm_Kontrakents::N_DlajniciClick);
    connect(N_Nov_Kontrag, &QAction::triggered, this, &TForm_Kontrakents::BitBtn1Click);
    connect(N_Redaktiraj_Kontrag, &QAction::triggered, this, &TForm_Kontrakents::BitBtn_Redaktiraj_KontragentClick);
    connect(N_Pe4at_Kontrag, &QAction::triggered, this, &TForm_Kontrakents::Button_Print_KontragClick);
    connect(N_Nastr_Koloni, &QAction::triggered, this, &TForm_Kontrakents::N_Nastr_KoloniClick);
    BrowserWidgets::popupMenuOn(DBGrid_Kontragenti, PopupMenu_Grid);

    PopupMenu_Tree = named(new QMenu(this), "PopupMenu_Tree");
    const BrowserWidgets::GroupEntries add =
        BrowserWidgets::addGroupEntries(PopupMenu_Tree, "N_Grupa_Kontrag", "N_PodGrupa_Kontrag");
    N_Grupa_Kontrag = add.group;
    N_PodGrupa_Kontrag = add.subgroup;
    connect(N_Grupa_Kontrag, &QAction::triggered, this, &TForm_Kontrakents::N_Grupa_KontragClick);
    connect(N_PodGrupa_Kontrag, &QAction::triggered, this, &TForm_Kontrakents::N_PodGrupa_KontragClick);
    BrowserWidgets::popupMenuOn(TreeView_Kontrag, PopupMenu_Tree);
}

// ---- the list ---------------------------------------------------------------------

QSqlRecord TForm_Kontrakents::currentRecord() const
{
    const int row = BrowserWidgets::currentRow(DBGrid_Kontragenti);
    return row < 0 ? QSqlRecord() : m_list->record(row);
}

QList<QSqlRecord> TForm_Kontrakents::markedRecords() const
{
    QList<QSqlRecord> out;
    for (int row : GridSelection::markedRows(DBGrid_Kontragenti))
        out.append(m_list->record(row));
    return out;
}

bool TForm_Kontrakents::positionOn(long long id)
{
    return setCurrentRow(m_list->rowOfCounterparty(id));
}

void TForm_Kontrakents::showFirstRow()
{
    setCurrentRow(0);
}

bool TForm_Kontrakents::setCurrentRow(int row)
{
    return BrowserWidgets::showRow(DBGrid_Kontragenti, row, qMax(m_column, 0));
}

bool TForm_Kontrakents::runList(const CounterpartySearch::ListQuery &query)
{
    try {
        m_list->run(query);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Грешка при четене на контрагентите:\n") + e.message(), this);
        return false;
    }
    return true;
}

// ---- showing and the tree -------------------------------------------------------------

void TForm_Kontrakents::FormShow()
{
    ComboBox_Kriteria_Kontrag->clear();
    ComboBox_Kriteria_Kontrag->addItems(CounterpartySearch::titles());
    ComboBox_Kriteria_Kontrag->setCurrentIndex(m_column);
    // Only a mode that some window receives can be picked in.
    Panel_IZberi->setVisible(CounterpartyPickMode != -1 && CounterpartyPick::hasTarget(CounterpartyPickMode));

    m_lastNode = nullptr;
    const QString treePath = CounterpartyGroups::treeFilePath();
    bool readable = true;
    TreeFile::loadInto(TreeView_Kontrag, CounterpartyGroups::loadTree(treePath, &readable));
    TreeView_Kontrag->expandAll();
    if (QTreeWidgetItem *first = TreeView_Kontrag->topLevelItem(0)) {
        TreeView_Kontrag->setCurrentItem(first);
        TreeView_KontragClick();
    }
    // Only the root would show, as if there were no groups.
    if (!readable)
        Dialogs::message(QStringLiteral("Файлът с дървото на групите не може да бъде прочетен:\n") + treePath, this);
}

void TForm_Kontrakents::TreeView_KontragClick()
{
    QTreeWidgetItem *node = TreeView_Kontrag->currentItem();
    if (!node)
        return;
    const QString text = node->text(0);
    if (text != root())
        m_lastNode = node;
    try {
        m_list->run(CounterpartySearch::groupList(text));
    } catch (const DbError &) {
        return; // the previous list stays
    }
    showFirstRow();
}

long long TForm_Kontrakents::selectedGroupKey() const
{
    const QTreeWidgetItem *node = TreeView_Kontrag->currentItem();
    if (!node)
        return 0;
    return qMax(0, GetID_MFromTreeNodeName(node->text(0)));
}

void TForm_Kontrakents::TreeView_KontragDragOver(QTreeWidgetItem *node)
{
    if (node)
        m_lastNode = node;
}

bool TForm_Kontrakents::TreeView_KontragDragDrop(QTreeWidgetItem *node)
{
    if (!node)
        return false;
    const QList<QSqlRecord> marked = markedRecords();
    if (marked.isEmpty())
        return false;
    if (!Dialogs::yesNo(QStringLiteral("Желаете ли да преместите избраните контрагенти в група:\n") + node->text(0),
                        this))
        return false;
    const int group = GetID_MFromTreeNodeName(node->text(0));
    if (group < 0) {
        Dialogs::message(QStringLiteral("Групата няма номер. Контрагентите не са преместени."), this);
        return false;
    }
    QList<long long> ids;
    for (const QSqlRecord &r : marked)
        ids.append(r.value(QStringLiteral("ID")).toLongLong());
    try {
        CounterpartyGroups::moveCounterparties(ids, group);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Контрагентите не бяха преместени: грешка в базата данни.\n") + e.message(),
                         this);
        return false;
    }
    TreeView_KontragClick();
    return true;
}

// ---- search ----------------------------------------------------------------------------

void TForm_Kontrakents::setCriterion(int column)
{
    const auto &columns = CounterpartySearch::columns();
    if (column < 0 || column >= columns.size())
        return;
    m_column = column;
    Label_Search_Kriteria->setText(QStringLiteral("Търсене по: ") + QString::fromUtf8(columns.at(column).title));
    m_list->setHighlightedColumn(column);
    if (ComboBox_Kriteria_Kontrag->count() > column)
        ComboBox_Kriteria_Kontrag->setCurrentIndex(column);
    ComboBox1->setCurrentIndex(CounterpartySearch::Equal);
    const bool numeric = columns.at(column).numeric;
    m_range.setBetween(false);
    Edit_Ot->setFixedWidth(numeric ? NarrowEdit : WideEdit);
    ComboBox1->setEnabled(numeric);
}

void TForm_Kontrakents::DBGrid_KontragentiCellClick(int column)
{
    setCriterion(column);
}

void TForm_Kontrakents::ComboBox_Kriteria_KontragChange()
{
    const int column = ComboBox_Kriteria_Kontrag->currentIndex();
    setCriterion(column);
    const int row = DBGrid_Kontragenti->currentIndex().row();
    if (row >= 0)
        DBGrid_Kontragenti->selectionModel()->setCurrentIndex(m_list->index(row, column),
                                                              QItemSelectionModel::NoUpdate);
    Edit_Ot->clear();
    Edit_Ot->setFocus();
}

void TForm_Kontrakents::ComboBox1Change()
{
    m_range.setBetween(ComboBox1->currentIndex() == CounterpartySearch::Between);
}

void TForm_Kontrakents::BitBtn_Tarsi_KontragentiClick()
{
    if (m_column < 0)
        return;
    QString refusal;
    const auto query = CounterpartySearch::search(m_column, ComboBox1->currentIndex(), Edit_Ot->text(),
                                                  Edit_Do->text(), &refusal);
    if (!query) {
        Dialogs::message(refusal, this);
        return;
    }
    if (!runList(*query))
        return;
    if (m_list->rowCount() == 1) {
        // One match: the whole register, on that counterparty.
        const long long id = m_list->value(0, QStringLiteral("ID")).toLongLong();
        if (runList(CounterpartySearch::allCounterparties()))
            positionOn(id);
        return;
    }
    showFirstRow();
}

void TForm_Kontrakents::DBGrid_KontragentiTitleClick(int column)
{
    const QString field = m_list->fieldOf(column);
    if (field.isEmpty() || !m_list->hasQuery())
        return;
    // The list opens anew in that order on its first row, as the catalogue's.
    try {
        m_list->setOrder(field, SortDirection == 1);
    } catch (const DbError &) {
        return; // the list stays as it was
    }
    showFirstRow();
    SortDirection = SortDirection == 0 ? 1 : 0;
}

// ---- commands ---------------------------------------------------------------------------

void TForm_Kontrakents::afterEditor(long long savedId)
{
    if (savedId <= 0)
        return;
    // The list is read again and shows the saved counterparty, ready to be picked.
    BrowserWidgets::readAgain([this] { m_list->refresh(); });
    if (positionOn(savedId))
        return;
    if (runList(CounterpartySearch::groupList(root())))
        positionOn(savedId);
}

void TForm_Kontrakents::BitBtn1Click()
{
    afterEditor(CounterpartyEditor::open(CounterpartyEditor::NewCounterparty, selectedGroupKey(), {}, this));
}

void TForm_Kontrakents::BitBtn_Redaktiraj_KontragentClick()
{
    const QSqlRecord row = currentRecord();
    if (row.isEmpty()) {
        Dialogs::message(QStringLiteral("Няма избран контрагент"), this);
        return;
    }
    afterEditor(CounterpartyEditor::open(CounterpartyEditor::EditCounterparty, selectedGroupKey(), row, this));
}

void TForm_Kontrakents::DBGrid_KontragentiDblClick()
{
    BitBtn_Redaktiraj_KontragentClick();
}

bool TForm_Kontrakents::Button_Print_KontragClick()
{
    if (m_list->rowCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return false;
    }
    return exportGridToFile(this, QStringLiteral("Export_Articles"),
                            {QString(), QStringLiteral("\tЕкспорт контрагенти "), QString(),
                             exportDateLine()},
                            DBGrid_Kontragenti);
}

void TForm_Kontrakents::N_Nastr_KoloniClick()
{
    Nastr_Koloni_Grid(DBGrid_Kontragenti);
}

void TForm_Kontrakents::BitBtn_HelpClick()
{
    HelpActions::Action_Add_KontragExecute();
}

void TForm_Kontrakents::openGroupDialog(int mode, const QString &caption)
{
    N_Grupa_Kontrag->setChecked(mode == 0);
    N_PodGrupa_Kontrag->setChecked(mode == 1);
    GroupMode = mode;
    TForm_Grupi_Kontrag dialog(this);
    dialog.prepare(mode, caption, mode == 1 && m_lastNode ? m_lastNode->text(0) : QString(),
                   CounterpartyGroups::treeFilePath());
    if (Dialogs::exec(&dialog) != QDialog::Accepted || !dialog.saved().ok)
        return;
    // The tree as saved, other workstations' new groups included.
    m_lastNode = nullptr;
    TreeFile::loadInto(TreeView_Kontrag, dialog.saved().tree);
    TreeView_Kontrag->expandAll();
    int line = 0;
    for (QTreeWidgetItemIterator it(TreeView_Kontrag); *it; ++it, ++line) {
        if (line == dialog.saved().nodeLine) {
            TreeView_Kontrag->setCurrentItem(*it);
            TreeView_Kontrag->scrollToItem(*it);
            TreeView_KontragClick();
            break;
        }
    }
}

void TForm_Kontrakents::N_Grupa_KontragClick()
{
    openGroupDialog(0, N_Grupa_Kontrag->text());
}

void TForm_Kontrakents::N_PodGrupa_KontragClick()
{
    openGroupDialog(1, N_PodGrupa_Kontrag->text());
}

// ---- the pick ------------------------------------------------------------------------------

void TForm_Kontrakents::BitBtn_Izberi_KontragentClick()
{
    if (!CounterpartyPick::hasTarget(CounterpartyPickMode)) {
        Dialogs::message(QStringLiteral("Изборът не може да бъде записан: няма прозорец, който да го приеме."), this);
        return;
    }
    CounterpartyPick::Picked picked;
    picked.current = currentRecord();
    if (picked.current.isEmpty()) {
        Dialogs::message(QStringLiteral("Няма избран контрагент"), this);
        return;
    }
    picked.marked = markedRecords();
    if (PickBrowser::deliver(this, [&picked] { CounterpartyPick::deliver(CounterpartyPickMode, picked); }))
        accept();
}

void TForm_Kontrakents::BitBtn_Otkaji_KontragentClick()
{
    reject();
}

void TForm_Kontrakents::done(int result)
{
    CounterpartyPickMode = -1;
    QDialog::done(result);
}

void TForm_Kontrakents::N_KlientiClick(QWidget *caller)
{
    PickBrowser::open<TForm_Kontrakents>(Form_Kontrakents, caller, &CounterpartyPickMode, QStringLiteral("N_Klienti"),
                                         [](TForm_Kontrakents *browser) {
        browser->setCriterion(0);
        browser->FormShow();
        Dialogs::exec(browser);
    });
}

void TForm_Kontrakents::N_VnoskiClick()
{
    const QSqlRecord current = currentRecord();
    if (!InstalmentsOpener || current.isEmpty())
        return;
    InstalmentsOpener(this, CounterpartyPick::referenceText(current));
}

void TForm_Kontrakents::N_DlajniciClick()
{
    if (DebtorsSql.isEmpty() || !runList(CounterpartySearch::listedBy(DebtorsSql)))
        return;
    showFirstRow();
}
