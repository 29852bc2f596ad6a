#include "offers/form_oferti.h"

#include "app/app_state.h"
#include "app/data_module.h"
#include "app/form_koloni.h"
#include "app/long_operation.h"
#include "common/reference_text.h"
#include "offers/supplier_catalogue.h"
#include "offers/supplier_tree.h"
#include "platform/db/paged_list_model.h"
#include "platform/dialogs.h"
#include "platform/grid_selection.h"
#include "platform/grid_text_delegate.h"
#include "platform/named.h"
#include "platform/shell_exec.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

QPointer<TForm_Oferti> Form_Oferti;

namespace {
TForm_Oferti::Hook s_buildHook, s_showHook, s_closeHook, s_addHook, s_importHook, s_updateHook;

// Cheapest rows red, dearest blue, both bold.
class ArtDelegate : public GridTextDelegate
{
public:
    explicit ArtDelegate(TForm_Oferti *form)
        : GridTextDelegate(form)
        , m_form(form)
    {
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto mark = m_form->DBGrid_ArtDrawColumnCell(index.row());
        if (mark == CatalogueSearch::PriceMark::Plain)
            return;
        const QColor colour = mark == CatalogueSearch::PriceMark::Lowest ? QColor(Qt::red) : QColor(Qt::blue);
        option->palette.setColor(QPalette::Text, colour);
        option->palette.setColor(QPalette::HighlightedText, colour);
        option->font.setBold(true);
    }

private:
    TForm_Oferti *m_form;
};

struct GridColumn {
    const char *field;
    const char *title;
    int width; // 0: the default
};
const GridColumn kGridColumns[CatalogueSearch::GridColumns] = {
    {"Kat_N", "Кат. N", 70},   {"Opisanie", "Описание", 200}, {"Cena_1", "Цена 1", 60},
    {"Cena_2", "Цена 2", 45},  {"Cena_3", "Цена 3", 45},      {"Valuta", "Валута", 45},
    {"Status", "Статус", 45},  {"Firma", "Доставчик", 150},   {"Grupa", "Група", 0},
};
} // namespace

void TForm_Oferti::setBuildHook(Hook hook) { s_buildHook = std::move(hook); }
void TForm_Oferti::setShowHook(Hook hook) { s_showHook = std::move(hook); }
void TForm_Oferti::setCloseHook(Hook hook) { s_closeHook = std::move(hook); }
void TForm_Oferti::setAddHook(Hook hook) { s_addHook = std::move(hook); }
void TForm_Oferti::setImportHooks(Hook import, Hook update)
{
    s_importHook = std::move(import);
    s_updateHook = std::move(update);
    if (Form_Oferti) {
        Form_Oferti->N_Import_CL->setEnabled(bool(s_importHook));
        Form_Oferti->N_Actualizacia->setEnabled(bool(s_updateHook));
    }
}

TForm_Oferti::OwnDialog::OwnDialog(TForm_Oferti *form)
    : m_form(form)
{
    if (m_form)
        ++m_form->m_ownDialogs;
}

TForm_Oferti::OwnDialog::~OwnDialog()
{
    if (m_form)
        --m_form->m_ownDialogs;
}

TForm_Oferti::TForm_Oferti(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_list(new PagedListModel(this))
{
    setObjectName(QStringLiteral("Form_Oferti"));
    setWindowTitle(QStringLiteral("Оферти"));
    resize(1100, 750);
    m_list->setShownColumns(CatalogueSearch::GridColumns);
    for (const GridColumn &c : kGridColumns)
        m_list->setHeaderTitle(QString::fromLatin1(c.field), QString::fromUtf8(c.title));
    buildLayout();
    buildMenus();
    Form_Oferti = this;
    if (DataModule1)
        connect(DataModule1, &TDataModule1::databaseChanged, this, [this] {
            clearListing();
            if (isVisible())
                loadTree();
        });
    if (s_buildHook)
        s_buildHook(*this);
    Panel_Oferta->setVisible(Panel_Oferta->layout()->count() > 0);
}

TForm_Oferti::~TForm_Oferti() = default;

void TForm_Oferti::buildLayout()
{
    auto *outer = new QVBoxLayout(this);
    auto *halves = new QSplitter(Qt::Vertical, this);
    outer->addWidget(halves);

    auto *upper = new QSplitter(Qt::Horizontal, halves);
    TreeView1 = named(new QTreeWidget(upper), "TreeView1");
    TreeView1->setHeaderHidden(true);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeView1->viewport()->installEventFilter(this);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        TreeView1->setCurrentItem(item);
        TreeView1Click();
    });

    auto *right = new QWidget(upper);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto *searchRow = new QHBoxLayout;
    Label_Search_Kriteria = named(new QLabel(CatalogueSearch::criteria().first(), right), "Label_Search_Kriteria");
    Edit_Search = namedEdit(QStringLiteral("Edit_Search"), right);
    SpdBtn_Select_Search_Kriteria = named(new QToolButton(right), "SpdBtn_Select_Search_Kriteria");
    SpdBtn_Select_Search_Kriteria->setText(QStringLiteral("..."));
    SpdBtn_Select_Search_Kriteria->setToolTip(QStringLiteral("Критерий за търсене"));
    Button_Search = namedButton(QStringLiteral("Button_Search"), QStringLiteral("Търсене"), right);
    searchRow->addWidget(Label_Search_Kriteria);
    searchRow->addWidget(Edit_Search, 1);
    searchRow->addWidget(SpdBtn_Select_Search_Kriteria);
    searchRow->addWidget(Button_Search);
    rightLayout->addLayout(searchRow);
    connect(Edit_Search, &QLineEdit::returnPressed, this, &TForm_Oferti::Button_SearchClick);
    connect(Button_Search, &QPushButton::clicked, this, &TForm_Oferti::Button_SearchClick);
    connect(SpdBtn_Select_Search_Kriteria, &QToolButton::clicked, this,
            &TForm_Oferti::SpdBtn_Select_Search_KriteriaClick);

    DBGrid_Art = named(new QTableView(right), "DBGrid_Art");
    DBGrid_Art->setModel(m_list);
    GridSelection::setup(DBGrid_Art);
    DBGrid_Art->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid_Art->setItemDelegate(new ArtDelegate(this));
    DBGrid_Art->setContextMenuPolicy(Qt::CustomContextMenu);
    DBGrid_Art->verticalHeader()->setDefaultSectionSize(DBGrid_Art->fontMetrics().height() + 6);
    DBGrid_Art->horizontalHeader()->setSectionsClickable(true);
    connect(DBGrid_Art->horizontalHeader(), &QHeaderView::sectionClicked, this, &TForm_Oferti::DBGrid_ArtTitleClick);
    connect(DBGrid_Art, &QTableView::doubleClicked, this, [this] {
        if (s_addHook)
            s_addHook(*this);
    });
    rightLayout->addWidget(DBGrid_Art, 1);

    auto *sortRow = new QHBoxLayout;
    const struct {
        QCheckBox **box;
        const char *name;
        const char *caption;
        const char *field;
    } boxes[] = {
        {&CheckBox1, "CheckBox1", "Описание", "Opisanie"}, {&CheckBox2, "CheckBox2", "Цена 1", "Cena_1"},
        {&CheckBox3, "CheckBox3", "Цена 2", "Cena_2"},     {&CheckBox4, "CheckBox4", "Цена 3", "Cena_3"},
        {&CheckBox5, "CheckBox5", "Валута", "Valuta"},     {&CheckBox6, "CheckBox6", "Статус", "Status"},
        {&CheckBox7, "CheckBox7", "Доставчик", "ID_F"},    {&CheckBox8, "CheckBox8", "Група", "ID_G"},
    };
    for (const auto &b : boxes) {
        QCheckBox *box = named(new QCheckBox(QString::fromUtf8(b.caption), right), b.name);
        box->setProperty("sortField", QString::fromLatin1(b.field));
        connect(box, &QCheckBox::clicked, this, [this, box] { CheckBoxClick(box); });
        sortRow->addWidget(box);
        *b.box = box;
    }
    SpdBtn_Multi_Sort = namedButton(QStringLiteral("SpdBtn_Multi_Sort"), QStringLiteral("Подреди"), right);
    connect(SpdBtn_Multi_Sort, &QPushButton::clicked, this, &TForm_Oferti::SpdBtn_Multi_SortClick);
    sortRow->addWidget(SpdBtn_Multi_Sort);
    sortRow->addStretch(1);
    Label_Count = named(new QLabel(QStringLiteral("0"), right), "Label_Count");
    sortRow->addWidget(Label_Count);
    rightLayout->addLayout(sortRow);

    auto *progressRow = new QHBoxLayout;
    Gauge1 = named(new QProgressBar(right), "Gauge1");
    Gauge1->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: lime; }"));
    Gauge1->hide();
    Panel14 = named(new QWidget(right), "Panel14");
    auto *panelLayout = new QHBoxLayout(Panel14);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    BitBtn_Sel_Cancel = namedButton(QStringLiteral("BitBtn_Sel_Cancel"), QStringLiteral("Прекъсни"), Panel14);
    BitBtn_Sel_Cancel->setToolTip(QStringLiteral("Прекъсни операцията"));
    panelLayout->addWidget(BitBtn_Sel_Cancel);
    Panel14->hide();
    connect(BitBtn_Sel_Cancel, &QPushButton::clicked, this, &TForm_Oferti::BitBtn_Sel_CancelClick);
    progressRow->addWidget(Gauge1, 1);
    progressRow->addWidget(Panel14);
    rightLayout->addLayout(progressRow);

    upper->addWidget(TreeView1);
    upper->addWidget(right);
    upper->setStretchFactor(1, 1);
    upper->setSizes({260, 840});

    Panel_Oferta = named(new QWidget(halves), "Panel_Oferta");
    auto *offerLayout = new QVBoxLayout(Panel_Oferta);
    offerLayout->setContentsMargins(0, 0, 0, 0);

    // The criteria list floats under the search edit while a criterion is chosen.
    ListBox_Search_Kriterii = named(new QListWidget(this), "ListBox_Search_Kriterii");
    ListBox_Search_Kriterii->addItems(CatalogueSearch::criteria());
    ListBox_Search_Kriterii->hide();
    ListBox_Search_Kriterii->installEventFilter(this);
    connect(ListBox_Search_Kriterii, &QListWidget::itemDoubleClicked, this,
            &TForm_Oferti::ListBox_Search_KriteriiChoose);
}

void TForm_Oferti::buildMenus()
{
    PopupMenu_Tree = named(new QMenu(this), "PopupMenu_Tree");
    auto treeItem = [this](const char *name, const QString &caption, const QKeySequence &key) {
        QAction *a = named(new QAction(caption, this), name);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        PopupMenu_Tree->addAction(a);
        TreeView1->addAction(a);
        return a;
    };
    N_Import_CL = treeItem("N_Import_CL", QStringLiteral("Добави"), QKeySequence(Qt::Key_Insert));
    N_Actualizacia = treeItem("N_Actualizacia", QStringLiteral("Актуализирай"),
                              QKeySequence(Qt::CTRL | Qt::Key_Insert));
    N_Delete_Selected = treeItem("N_Delete_Selected", QStringLiteral("Изтрии"), QKeySequence(Qt::Key_Delete));
    N_Delete_All = treeItem("N_Delete_All", QStringLiteral("Изтрии всичко"), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    N_Import_CL->setEnabled(bool(s_importHook));
    N_Actualizacia->setEnabled(bool(s_updateHook));
    connect(N_Import_CL, &QAction::triggered, this, [this] {
        if (s_importHook)
            s_importHook(*this);
    });
    connect(N_Actualizacia, &QAction::triggered, this, [this] {
        if (s_updateHook)
            s_updateHook(*this);
    });
    connect(N_Delete_Selected, &QAction::triggered, this, &TForm_Oferti::N_Delete_SelectedClick);
    connect(N_Delete_All, &QAction::triggered, this, &TForm_Oferti::N_Delete_AllClick);
    connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QTreeWidgetItem *item = TreeView1->itemAt(pos))
            TreeView1->setCurrentItem(item); // a right click selects
        PopupMenu_Tree->popup(TreeView1->viewport()->mapToGlobal(pos));
    });

    PopupMenu_Art = named(new QMenu(this), "PopupMenu_Art");
    N_Select_All_Art = named(new QAction(QStringLiteral("Маркирай всичко"), this), "N_Select_All_Art");
    N_Select_All_Art->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    N_Select_All_Art->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    N1 = named(new QAction(QStringLiteral("Настройка колони"), this), "N1");
    PopupMenu_Art->addAction(N_Select_All_Art);
    PopupMenu_Art->addAction(N1);
    DBGrid_Art->addAction(N_Select_All_Art);
    connect(N_Select_All_Art, &QAction::triggered, this, &TForm_Oferti::N_Select_All_ArtClick);
    connect(N1, &QAction::triggered, this, &TForm_Oferti::N1Click);
    connect(DBGrid_Art, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu_Art->popup(DBGrid_Art->viewport()->mapToGlobal(pos));
    });
}

// ---- dialogs of this window --------------------------------------------------------

void TForm_Oferti::say(const QString &text)
{
    OwnDialog guard(this);
    Dialogs::message(text, this);
}

bool TForm_Oferti::ask(const QString &text)
{
    OwnDialog guard(this);
    return Dialogs::yesNo(text, this);
}

// ---- opening and closing -----------------------------------------------------------

void TForm_Oferti::open(TForm_Oferti *form)
{
    if (!form)
        return;
    if (!form->isVisible()) {
        form->FormShow();
        form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
        form->show();
    } else if (form->isMinimized()) {
        form->setWindowState((form->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
    form->raise();
    form->activateWindow();
}

QString TForm_Oferti::treeFilePath() const
{
    return SupplierCatalogue::treeFilePath();
}

void TForm_Oferti::FormShow()
{
    QString error;
    if (!SupplierCatalogue::ensureTreeFile(treeFilePath(), &error))
        say(QStringLiteral("Файлът ") + treeFilePath() + QStringLiteral(" не може да бъде създаден.\n") + error);
    m_sortList.clear();
    loadTree();
    if (s_showHook)
        s_showHook(*this);
}

void TForm_Oferti::FormClose()
{
    // The tree is not written here: every change wrote it already, and
    // writing this window's copy would drop other workstations' suppliers.
    if (s_closeHook)
        s_closeHook(*this);
    m_sortList.clear();
}

void TForm_Oferti::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TForm_Oferti::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        // Decided once the activation has settled (a dialog of ours is up by then).
        QTimer::singleShot(0, this, [this] {
            if (!isActiveWindow())
                FormDeactivate();
        });
}

void TForm_Oferti::FormDeactivate()
{
    if (m_ownDialogs > 0 || QApplication::activeModalWidget() || QApplication::activePopupWidget()
        || !isVisible() || isMinimized())
        return;
    showMinimized();
}

// ---- supplier tree -----------------------------------------------------------------

int TForm_Oferti::nodeImage(const QTreeWidgetItem *node)
{
    return SupplierTree::image(node);
}

void TForm_Oferti::loadTree()
{
    bool ok = true;
    const QList<TreeFileNode> nodes = SupplierCatalogue::loadTree(treeFilePath(), &ok);
    if (!ok)
        say(QStringLiteral("Файлът с дървото на каталозите не може да бъде прочетен: ") + treeFilePath());
    SupplierTree::show(TreeView1, nodes, false);
}

QList<long long> TForm_Oferti::searchSuppliers() const
{
    return SupplierTree::searchSuppliers(TreeView1);
}

void TForm_Oferti::TreeView1Click()
{
    QTreeWidgetItem *node = TreeView1->currentItem();
    if (!node)
        return;
    const int key = GetID_MFromTreeNodeName(node->text(0));
    if (key > 0) {
        if (QTreeWidgetItem *parent = node->parent())
            runListing(CatalogueSearch::groupListing(GetID_MFromTreeNodeName(parent->text(0)), key));
        else
            clearListing();
    }
    SupplierTree::setImage(node, nodeImage(node) == 0 ? 1 : 0);
    TreeView1->setCurrentItem(node);
}

void TForm_Oferti::TreeView1MouseDown(QTreeWidgetItem *node)
{
    if (!node)
        return;
    while (node->parent())
        node = node->parent(); // the supplier of the node under the pointer
    QString link;
    try {
        link = SupplierCatalogue::supplierLink(GetID_MFromTreeNodeName(node->text(0)));
    } catch (const DbError &e) {
        say(QStringLiteral("Грешка при четене на доставчика.\n") + e.message());
        return;
    }
    if (link.isEmpty()) {
        say(QStringLiteral("Не е посочен линк за фирма: ") + node->text(0));
        return;
    }
    const auto target = SupplierCatalogue::resolveLink(link);
    bool opened = false;
    if (target.kind == SupplierCatalogue::LinkTarget::Url)
        opened = ShellExec::openUrl(target.target);
    else if (target.kind == SupplierCatalogue::LinkTarget::File)
        opened = ShellExec::openFile(target.target);
    if (!opened)
        say(QStringLiteral("Линкът не може да бъде отворен: ") + link);
}

void TForm_Oferti::N_Delete_SelectedClick()
{
    QTreeWidgetItem *node = TreeView1->currentItem();
    const int key = node ? GetID_MFromTreeNodeName(node->text(0)) : 0;
    const int supplier = node && node->parent() ? GetID_MFromTreeNodeName(node->parent()->text(0)) : key;
    if (!node || key <= 0 || supplier <= 0) {
        say(QStringLiteral("Необходимо е да изберете Фирма за актуализацията"));
        TreeView1->setFocus();
        return;
    }
    const bool group = node->parent() != nullptr;
    if (!ask(group ? QStringLiteral("Наистина ли желаете да изтриете групата ") + node->text(0)
                         + QStringLiteral(" с всички нейни артикули?")
                   : QStringLiteral("Наистина ли желаете да изтриете каталога на ") + node->text(0)
                         + QStringLiteral(" с всички негови групи и артикули?")))
        return;
    const auto result = group ? SupplierCatalogue::deleteGroup(supplier, key, treeFilePath())
                              : SupplierCatalogue::deleteSupplier(key, treeFilePath());
    if (!result.ok) {
        say(result.message);
        return;
    }
    SupplierTree::show(TreeView1, result.tree, true);
    if (m_listing.ok)
        runListing(m_listing); // rows of the list may be gone
}

void TForm_Oferti::N_Delete_AllClick()
{
    if (!ask(QStringLiteral("Наистина ли желаете да изтриете всички каталози на доставчици?")))
        return;
    const auto result = SupplierCatalogue::deleteAll(treeFilePath());
    if (!result.ok) {
        say(result.message);
        return;
    }
    SupplierTree::show(TreeView1, result.tree, false);
    clearListing();
}

void TForm_Oferti::BitBtn_Sel_CancelClick()
{
    // A press asks the running import to stop at its next chunk; a second
    // press does not take that back, and one with nothing running does nothing.
    if (!LongOperation::running())
        return;
    m_cancelTag = 1;
    LongOperation::cancelPressed();
}

// ---- search ------------------------------------------------------------------------

void TForm_Oferti::SpdBtn_Select_Search_KriteriaClick()
{
    const QPoint at = Edit_Search->mapTo(this, QPoint(0, Edit_Search->height()));
    ListBox_Search_Kriterii->setGeometry(at.x(), at.y(), Edit_Search->width(),
                                         ListBox_Search_Kriterii->sizeHintForRow(0) * CatalogueSearch::CriterionCount
                                             + 2 * ListBox_Search_Kriterii->frameWidth());
    ListBox_Search_Kriterii->setCurrentRow(0);
    ListBox_Search_Kriterii->show();
    ListBox_Search_Kriterii->raise();
    ListBox_Search_Kriterii->setFocus();
}

void TForm_Oferti::ListBox_Search_KriteriiChoose()
{
    if (!ListBox_Search_Kriterii->isVisible())
        return;
    const int row = ListBox_Search_Kriterii->currentRow();
    ListBox_Search_Kriterii->hide();
    if (row >= 0) {
        SearchCriterion = row;
        Label_Search_Kriteria->setText(ListBox_Search_Kriterii->item(row)->text());
    }
    Edit_Search->clear();
    Edit_Search->setFocus();
}

bool TForm_Oferti::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListBox_Search_Kriterii) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                ListBox_Search_KriteriiChoose();
                return true;
            }
            if (key == Qt::Key_Escape) {
                ListBox_Search_Kriterii->hide();
                Edit_Search->setFocus();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            ListBox_Search_KriteriiChoose();
        }
    } else if (watched == TreeView1->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::ControlModifier)
            TreeView1MouseDown(TreeView1->itemAt(mouse->position().toPoint()));
    }
    return QWidget::eventFilter(watched, event);
}

void TForm_Oferti::Button_SearchClick()
{
    const auto listing = CatalogueSearch::searchListing(SearchCriterion, Edit_Search->text(), searchSuppliers());
    if (!listing.ok) {
        clearListing();
        say(listing.message);
        return;
    }
    runListing(listing);
    DBGrid_Art->setFocus();
}

// ---- catalogue list ----------------------------------------------------------------

void TForm_Oferti::keepColumns(const std::function<void()> &change)
{
    // The grid's column widths and choices survive a new result.
    QList<int> widths;
    QList<bool> hidden;
    QHeaderView *header = DBGrid_Art->horizontalHeader();
    for (int c = 0; c < m_list->columnCount(); ++c) {
        widths << header->sectionSize(c);
        hidden << header->isSectionHidden(c);
    }
    change();
    for (int c = 0; c < m_list->columnCount(); ++c) {
        if (c < widths.size()) {
            header->resizeSection(c, widths.at(c));
            header->setSectionHidden(c, hidden.at(c));
        } else if (c < CatalogueSearch::GridColumns && kGridColumns[c].width > 0) {
            header->resizeSection(c, kGridColumns[c].width);
        }
    }
}

void TForm_Oferti::runListing(const CatalogueSearch::Listing &listing)
{
    bool failed = false;
    QString error;
    keepColumns([&] {
        try {
            const auto summary = CatalogueSearch::summarize(listing);
            m_list->setKeysetQuery(CatalogueSearch::listingList(listing), summary.count);
            m_summary = summary;
            m_listing = listing;
        } catch (const DbError &e) {
            failed = true;
            error = e.message();
        }
    });
    if (failed) {
        clearListing();
        say(QStringLiteral("Грешка при четене на каталозите.\n") + error);
        return;
    }
    Label_Count->setText(QString::number(m_summary.count));
    showFirstRow();
}

void TForm_Oferti::showFirstRow()
{
    // A new result starts at its first row, not where the old one was
    // scrolled; nothing is marked for the offer by it.
    DBGrid_Art->scrollToTop();
}

void TForm_Oferti::clearListing()
{
    m_listing = CatalogueSearch::Listing();
    m_summary = CatalogueSearch::Summary();
    keepColumns([this] { m_list->clearRows(); });
    Label_Count->setText(QStringLiteral("0"));
}

void TForm_Oferti::applyOrder(const QStringList &fields, int direction)
{
    if (!m_listing.ok) {
        say(QStringLiteral("Няма данни за подреждане"));
        return;
    }
    bool failed = false;
    keepColumns([&] {
        try {
            // A long listing by name is read along the name's index a page at
            // a time; any other sorting costs the whole result once, its
            // pages then read by key.
            if (const auto sorted = CatalogueSearch::sortedList(m_listing, fields, direction, m_summary.count))
                m_list->setKeysetQuery(*sorted, m_summary.count);
            else
                m_list->setKeyedQuery(CatalogueSearch::keySql(m_listing, CatalogueSearch::orderBy(fields, direction)),
                                      m_listing.params, CatalogueSearch::rowsByKeySql(), QStringLiteral("ID"));
        } catch (const DbError &) {
            failed = true;
        }
    });
    if (failed)
        say(QStringLiteral("Няма данни за подреждане"));
    else
        showFirstRow();
}

CatalogueSearch::PriceMark TForm_Oferti::DBGrid_ArtDrawColumnCell(int row) const
{
    return CatalogueSearch::priceMark(m_list->value(row, QStringLiteral("Cena_1")), m_summary);
}

void TForm_Oferti::DBGrid_ArtTitleClick(int column)
{
    SortDirection = SortDirection == 0 ? 1 : 0;
    applyOrder({m_list->record().fieldName(column)}, SortDirection);
    m_sortList.clear(); // the boxes keep their ticks
}

void TForm_Oferti::CheckBoxClick(QCheckBox *box)
{
    if (box->isChecked())
        m_sortList << box->property("sortField").toString();
}

void TForm_Oferti::SpdBtn_Multi_SortClick()
{
    SortDirection = SortDirection == 0 ? 1 : 0;
    if (!m_sortList.isEmpty())
        applyOrder(m_sortList, SortDirection);
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, CheckBox6, CheckBox7, CheckBox8})
        box->setChecked(false);
    m_sortList.clear();
}

void TForm_Oferti::N_Select_All_ArtClick()
{
    DBGrid_Art->selectAll();
}

void TForm_Oferti::N1Click()
{
    OwnDialog guard(this);
    Nastr_Koloni_Grid(DBGrid_Art);
}

QList<QSqlRecord> TForm_Oferti::markedRecords() const
{
    return m_list->records(GridSelection::markedRows(DBGrid_Art));
}
