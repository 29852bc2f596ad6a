#include "catalogue/form_artikuli.h"

#include "app/app_state.h"
#include "app/form_koloni.h"
#include "app/list_export.h"
#include "app/money_columns.h"
#include "app/pick_targets.h"
#include "app/window_owner.h"
#include "catalogue/article_editor.h"
#include "catalogue/article_groups.h"
#include "catalogue/article_list.h"
#include "catalogue/article_removal.h"
#include "catalogue/catalogue_exports.h"
#include "catalogue/form_dostavki.h"
#include "catalogue/form_grupi.h"
#include "catalogue/form_ob6ti_danni_artikuli.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_groups.h"
#include "counterparties/form_kontrakents.h"
#include "counterparties/group_tree_drop.h"
#include "platform/browser_widgets.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/grid_selection.h"
#include "platform/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

QPointer<TForm_Artikuli> Form_Artikuli;

namespace {
TForm_Artikuli::DocumentationOpener &documentationOpener()
{
    static TForm_Artikuli::DocumentationOpener opener;
    return opener;
}

constexpr int SingleWidth = 343;
constexpr int RangeWidth = 159;
constexpr int AvailabilityLimit = 256;

using BrowserWidgets::menuAction;

// The group tree drags its own nodes in the item views' internal format.
const char *const kTreeFormat = "application/x-qabstractitemmodeldatalist";
} // namespace

TForm_Artikuli::TForm_Artikuli(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Artikuli"));
    setWindowTitle(QStringLiteral("Артикули"));
    m_list = new ArticleList(this);
    buildLayout();
    buildMenus();
}

void TForm_Artikuli::buildLayout()
{
    ComboBox2 = named(new QComboBox(this), "ComboBox2");
    ComboBox2->addItems({QStringLiteral("Код"), QStringLiteral("Име")});
    Edit_Tarsi_grupa = namedEdit(QStringLiteral("Edit_Tarsi_grupa"), this);
    Edit_Tarsi_grupa->setText(QStringLiteral("0"));
    Button_Tarsi_Grupa = namedButton(QStringLiteral("Button_Tarsi_Grupa"), QStringLiteral("Търси"), this);
    ListBox_All_Grupi = named(new QListWidget(this), "ListBox_All_Grupi");
    ListBox_All_Grupi->hide();
    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox2Change(); });
    connect(Edit_Tarsi_grupa, &QLineEdit::returnPressed, this, &TForm_Artikuli::Button_Tarsi_GrupaClick);
    connect(Edit_Tarsi_grupa, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (text.isEmpty() && ComboBox2->currentIndex() == 0)
            Edit_Tarsi_grupa->setText(QStringLiteral("0"));
    });
    connect(Button_Tarsi_Grupa, &QPushButton::clicked, this, &TForm_Artikuli::Button_Tarsi_GrupaClick);
    connect(ListBox_All_Grupi, &QListWidget::itemDoubleClicked, this, [this] { ListBox_All_GrupiDblClick(); });

    TreeView1 = named(new QTreeWidget(this), "TreeView1");
    BrowserWidgets::setupGroupTree(TreeView1);
    TreeView1->setDragEnabled(true);
    TreeView1->setDragDropMode(QAbstractItemView::DragOnly);
    TreeView1->setDefaultDropAction(Qt::CopyAction); // the view must never remove a dragged node itself
    auto *drop = new GroupTreeDrop(TreeView1,
                                   QStringList{QString::fromLatin1(ArticleList::DragFormat),
                                               QString::fromLatin1(kTreeFormat)},
                                   this);
    drop->onDrop = [this, drop](QTreeWidgetItem *node) {
        TreeView1DragDrop(node, drop->droppedFormat() == QLatin1String(kTreeFormat));
    };
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { TreeView1Click(); });

    Label_Search_Kriteria = named(new QLabel(QStringLiteral("Търсене по: "), this), "Label_Search_Kriteria");
    Label_Search_Kriteria->setMinimumWidth(180);
    ComboBox_Select_Kriteria_Art = named(new QComboBox(this), "ComboBox_Select_Kriteria_Art");
    ComboBox_Select_Kriteria_Art->setMinimumWidth(150);
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox1->addItems(ArticleSearch::comparisonTitles());
    CheckBox_4ast_Duma = named(new QCheckBox(this), "CheckBox_4ast_Duma");
    CheckBox_4ast_Duma->setChecked(true);
    CheckBox_4ast_Duma->setToolTip(QStringLiteral("Търсене по част от дума"));
    m_range = BrowserWidgets::rangeEdits(this, SingleWidth, RangeWidth);
    Label_Ot = m_range.fromLabel;
    Edit_Ot = m_range.from;
    Label_Do = m_range.toLabel;
    Edit_Do = m_range.to;
    Button_artikul = namedButton(QStringLiteral("Button_artikul"), QStringLiteral("Търси"), this);
    Button_artikul->setEnabled(false);
    ChkBox_Show_Nali4no = named(new QCheckBox(QStringLiteral("Покажи само в наличност"), this), "ChkBox_Show_Nali4no");
    ChkBox_Show_Nali4no->hide();
    connect(ComboBox_Select_Kriteria_Art, &QComboBox::activated, this,
            [this] { ComboBox_Select_Kriteria_ArtChange(); });
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    connect(CheckBox_4ast_Duma, &QCheckBox::clicked, this, &TForm_Artikuli::CheckBox_4ast_DumaClick);
    connect(Edit_Ot, &QLineEdit::returnPressed, this, &TForm_Artikuli::Button_artikulClick);
    connect(Button_artikul, &QPushButton::clicked, this, &TForm_Artikuli::Button_artikulClick);
    connect(ChkBox_Show_Nali4no, &QCheckBox::clicked, this, &TForm_Artikuli::Button_artikulClick);

    DBGrid_Articles = named(new QTableView(this), "DBGrid_Articles");
    BrowserWidgets::setupDragGrid(DBGrid_Articles, m_list);
    DBGrid_Articles->installEventFilter(this);
    connect(m_list, &QAbstractItemModel::modelReset, this, [this] {
        const auto &columns = ArticleSearch::columns();
        const int extraWidth = m_list->extra() == ArticleSearch::Extra::Stock ? 80 : 150;
        QHeaderView *header = DBGrid_Articles->horizontalHeader();
        for (int c = 0; c < m_list->columnCount(); ++c)
            DBGrid_Articles->setColumnWidth(
                c, qMax(BrowserWidgets::scaledWidth(DBGrid_Articles, c < columns.size() ? columns.at(c).width : extraWidth),
                        header->sectionSizeHint(c)));
    });
    connect(DBGrid_Articles, &QTableView::clicked, this,
            [this](const QModelIndex &index) { DBGrid_ArticlesCellClick(index.column()); });
    connect(DBGrid_Articles, &QTableView::doubleClicked, this, [this] { DBGrid_ArticlesDblClick(); });
    connect(DBGrid_Articles->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { DBGrid_ArticlesTitleClick(column); });

    Panel_Izberi = named(new QWidget(this), "Panel_Izberi");
    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("ИЗБЕРИ"), Panel_Izberi);
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("ОТКАЖИ"), Panel_Izberi);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Artikuli::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm_Artikuli::BitBtn2Click);
    BrowserWidgets::layPickPanel(Panel_Izberi, BitBtn1, BitBtn2, true);

    auto *groupSearch = new QHBoxLayout;
    groupSearch->addWidget(ComboBox2);
    groupSearch->addWidget(Edit_Tarsi_grupa, 1);
    groupSearch->addWidget(Button_Tarsi_Grupa);
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(groupSearch);
    leftLayout->addWidget(ListBox_All_Grupi);
    leftLayout->addWidget(TreeView1, 1);

    QLayout *search = BrowserWidgets::searchBar({Label_Search_Kriteria, ComboBox_Select_Kriteria_Art, ComboBox1,
                                                 CheckBox_4ast_Duma, Label_Ot, Edit_Ot, Label_Do, Edit_Do,
                                                 Button_artikul, ChkBox_Show_Nali4no});
    MainMenu1 = named(new QMenuBar(this), "MainMenu1");
    BrowserWidgets::layOutSides(this, left, BrowserWidgets::listSide(this, search, DBGrid_Articles, Panel_Izberi), 240,
                                MainMenu1);
    resize(1200, 640);
}

void TForm_Artikuli::buildMenus()
{
    QMenu *entry = MainMenu1->addMenu(QStringLiteral("Въвеждане"));
    entry->setObjectName(QStringLiteral("N_Vavejdane"));
    N_Artikul = menuAction(entry, QStringLiteral("Артикул"), "N_Artikul", QKeySequence(QStringLiteral("Ctrl+A")));
    N_PodGrupa = menuAction(entry, QStringLiteral("Подгрупа"), "N_PodGrupa", QKeySequence(QStringLiteral("Ctrl+P")));
    N_Grupa = menuAction(entry, QStringLiteral("Група"), "N_Grupa", QKeySequence(QStringLiteral("Ctrl+G")));
    N_Kontragenti = menuAction(entry, QStringLiteral("Контрагенти"), "N_Kontragenti",
                           QKeySequence(QStringLiteral("Ctrl+K")));
    N_Dokumentacia = menuAction(entry, QStringLiteral("Документация..."), "N_Dokumentacia",
                            QKeySequence(QStringLiteral("Ctrl+Alt+D")));
    // Hidden: out of the menu (a hidden action would be disabled too); its
    // shortcut works when the designer's opener is registered.
    entry->removeAction(N_Dokumentacia);
    N_Dokumentacia->setEnabled(bool(documentationOpener()));
    for (QAction *a : {N_Artikul, N_PodGrupa, N_Grupa, N_Kontragenti, N_Dokumentacia})
        addAction(a); // the shortcuts work while the menu is closed
    connect(N_Artikul, &QAction::triggered, this, &TForm_Artikuli::N_NovClick);
    connect(N_PodGrupa, &QAction::triggered, this, &TForm_Artikuli::N_PodGrupaClick);
    connect(N_Grupa, &QAction::triggered, this, &TForm_Artikuli::N_GrupaClick);
    connect(N_Kontragenti, &QAction::triggered, this, &TForm_Artikuli::N_KontragentiClick);
    connect(N_Dokumentacia, &QAction::triggered, this, &TForm_Artikuli::N_DokumentaciqClick);

    PopupMenu_Tree = named(new QMenu(this), "PopupMenu_Tree");
    const BrowserWidgets::GroupEntries add =
        BrowserWidgets::addGroupEntries(PopupMenu_Tree, "N_Dobavi_Grupa", "N_Dobavi_PodGrupa");
    N_Dobavi_Grupa = add.group;
    N_Dobavi_PodGrupa = add.subgroup;
    N_Redaktiraj_Grupa = menuAction(PopupMenu_Tree, QStringLiteral("Редактирай"), "N_Redaktiraj_Grupa",
                                QKeySequence(QStringLiteral("Ctrl+F2")));
    N_Iztrii_Grupa = menuAction(PopupMenu_Tree, QStringLiteral("Изтрии"), "N_Iztrii_Grupa",
                            QKeySequence(QStringLiteral("Ctrl+Del")));
    QMenu *groupOps = PopupMenu_Tree->addMenu(QStringLiteral("Операции над избраната група"));
    groupOps->setObjectName(QStringLiteral("N_Operacii_Grupa"));
    N_Dostavka_Grupa = menuAction(groupOps, QStringLiteral("Доставка"), "N_Dostavka_Grupa");
    // The other entries never had an action.
    for (const char *caption : {"Ревизия", "Трансфер", "Отстъпка"})
        groupOps->addAction(QString::fromUtf8(caption))->setEnabled(false);
    PopupMenu_Tree->addAction(QStringLiteral("Специални операции"))->setEnabled(false);
    for (QAction *a : {N_Redaktiraj_Grupa, N_Iztrii_Grupa}) {
        a->setShortcutContext(Qt::WidgetShortcut);
        TreeView1->addAction(a);
    }
    connect(N_Dobavi_Grupa, &QAction::triggered, this, &TForm_Artikuli::N_GrupaClick);
    connect(N_Dobavi_PodGrupa, &QAction::triggered, this, &TForm_Artikuli::N_PodGrupaClick);
    connect(N_Redaktiraj_Grupa, &QAction::triggered, this, &TForm_Artikuli::N_Redaktiraj_GrupaClick);
    connect(N_Iztrii_Grupa, &QAction::triggered, this, &TForm_Artikuli::N_Iztrii_GrupaClick);
    connect(N_Dostavka_Grupa, &QAction::triggered, this, &TForm_Artikuli::N_Dostavka_GrupaClick);
    connect(PopupMenu_Tree, &QMenu::aboutToShow, this, &TForm_Artikuli::PopupMenu_TreePopup);
    BrowserWidgets::popupMenuOn(TreeView1, PopupMenu_Tree);

    PopupMenu_Articles = named(new QMenu(this), "PopupMenu_Articles");
    N_Nov = menuAction(PopupMenu_Articles, QStringLiteral("Нов"), "N_Nov", QKeySequence(Qt::Key_Insert));
    N_Redaktiraj = menuAction(PopupMenu_Articles, QStringLiteral("Редактирай"), "N_Redaktiraj", QKeySequence(Qt::Key_F2));
    N_Iztrii = menuAction(PopupMenu_Articles, QStringLiteral("Изтрии"), "N_Iztrii", QKeySequence(Qt::Key_Delete));
    N_Markiraj_Vsi4ki = menuAction(PopupMenu_Articles, QStringLiteral("Маркирай всички"), "N_Markiraj_Vsi4ki",
                               QKeySequence(QStringLiteral("Ctrl+A")));
    QMenu *articleOps = PopupMenu_Articles->addMenu(QStringLiteral("Операции над избраните артикули"));
    articleOps->setObjectName(QStringLiteral("N_Operacii_Artikuli"));
    N_Dostavka_Art = menuAction(articleOps, QStringLiteral("Доставка"), "N_Dostavka_Art");
    N_Dostavka_Art->setEnabled(false);
    for (const char *caption : {"Ревизия", "Трансфер", "Брак"})
        articleOps->addAction(QString::fromUtf8(caption))->setEnabled(false);
    N_Nali4nosti = menuAction(PopupMenu_Articles, QStringLiteral("Справка наличности ..."), "N_Nali4nosti");
    N_Ob6ti_Danni = menuAction(PopupMenu_Articles, QStringLiteral("Укажи общи данни ..."), "N_Ob6ti_Danni");
    QMenu *print = PopupMenu_Articles->addMenu(QStringLiteral("Печат"));
    print->setObjectName(QStringLiteral("N_Pe4at"));
    N11 = menuAction(print, QStringLiteral("Файл"), "N11");
    QMenu *scale = print->addMenu(QStringLiteral("Везна"));
    scale->setObjectName(QStringLiteral("N_Vezna"));
    EVLXX1 = menuAction(scale, QStringLiteral("Еликом"), "EVLXX1");
    N_Nastr_Koloni = menuAction(PopupMenu_Articles, QStringLiteral("Настройка колони ..."), "N_Nastr_Koloni");
    for (QAction *a : {N_Nov, N_Redaktiraj, N_Iztrii}) {
        a->setShortcutContext(Qt::WidgetShortcut);
        DBGrid_Articles->addAction(a);
    }
    connect(PopupMenu_Articles, &QMenu::aboutToShow, this, &TForm_Artikuli::PopupMenu_ArticlesPopup);
    connect(N_Nov, &QAction::triggered, this, &TForm_Artikuli::N_NovClick);
    connect(N_Redaktiraj, &QAction::triggered, this, &TForm_Artikuli::N_RedaktirajClick);
    connect(N_Iztrii, &QAction::triggered, this, &TForm_Artikuli::N_IztriiClick);
    connect(N_Markiraj_Vsi4ki, &QAction::triggered, this, &TForm_Artikuli::N_Markiraj_Vsi4kiClick);
    connect(N_Nali4nosti, &QAction::triggered, this, &TForm_Artikuli::N_Nali4nostiClick);
    connect(N_Ob6ti_Danni, &QAction::triggered, this, &TForm_Artikuli::N_Ob6ti_DanniClick);
    connect(N11, &QAction::triggered, this, &TForm_Artikuli::N11Click);
    connect(EVLXX1, &QAction::triggered, this, &TForm_Artikuli::EVLXX1Click);
    connect(N_Nastr_Koloni, &QAction::triggered, this, &TForm_Artikuli::N_Nastr_KoloniClick);
    BrowserWidgets::popupMenuOn(DBGrid_Articles, PopupMenu_Articles);
}

bool TForm_Artikuli::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DBGrid_Articles && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool markAll = key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier;
        const bool enter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                           && key->modifiers() == Qt::NoModifier;
        if (event->type() == QEvent::ShortcutOverride) {
            // Ctrl+A in the list marks the rows, not "Артикул" of the menu.
            if (markAll || enter)
                event->accept();
            return false;
        }
        if (markAll) {
            N_Markiraj_Vsi4kiClick();
            return true;
        }
        if (enter) {
            DBGrid_ArticlesDblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- the list -------------------------------------------------------------------

QSqlRecord TForm_Artikuli::currentRecord() const
{
    const int row = BrowserWidgets::currentRow(DBGrid_Articles);
    return row < 0 ? QSqlRecord() : m_list->record(row);
}

QList<QSqlRecord> TForm_Artikuli::markedRecords() const
{
    try {
        return m_list->records(GridSelection::markedRows(DBGrid_Articles));
    } catch (const DbError &) {
        return {};
    }
}

QList<long long> TForm_Artikuli::markedIds() const
{
    return m_list->idsOf(GridSelection::markedRows(DBGrid_Articles));
}

bool TForm_Artikuli::positionOn(long long id)
{
    return setCurrentRow(m_list->rowOfArticle(id));
}

void TForm_Artikuli::showFirstRow()
{
    setCurrentRow(0);
}

bool TForm_Artikuli::setCurrentRow(int row)
{
    return BrowserWidgets::showRow(DBGrid_Articles, row, qBound(0, m_criterion - ArticleSearch::FirstColumn, 7));
}

bool TForm_Artikuli::runList(const ArticleSearch::ListQuery &query)
{
    try {
        m_list->run(query);
    } catch (const DbError &) {
        return false;
    }
    Button_artikul->setEnabled(m_list->hasQuery());
    return true;
}

// ---- showing ---------------------------------------------------------------------------

void TForm_Artikuli::FormShow()
{
    Panel_Izberi->setVisible(ArticlePickMode >= 0);
    TreeView1Click();
    ComboBox2->setCurrentIndex(0);
    ComboBox_Select_Kriteria_Art->clear();
    ComboBox_Select_Kriteria_Art->addItems(ArticleSearch::criteria());
    setCriterion(ArticleSearch::criterionOfColumn(ArticleSearch::columnOfField(QStringLiteral("Opisanie"))), true);
    PickList.clear();
}

// ---- search -------------------------------------------------------------------------

void TForm_Artikuli::setCriterion(int criterion, bool fromColumn)
{
    const QStringList titles = ArticleSearch::criteria();
    if (criterion < 0 || criterion >= titles.size())
        return;
    m_criterion = criterion;
    Label_Search_Kriteria->setText(QStringLiteral("Търсене по: ") + titles.at(criterion));
    if (ComboBox_Select_Kriteria_Art->count() > criterion)
        ComboBox_Select_Kriteria_Art->setCurrentIndex(criterion);
    const int column = criterion - ArticleSearch::FirstColumn;
    m_list->setHighlightedColumn(column >= 0 && column < 8 ? column : -1);
    Edit_Ot->setFocus();
    Button_artikul->setEnabled(m_list->hasQuery());
    if (!fromColumn || column < 0 || column >= ArticleSearch::columns().size())
        return;
    switch (ArticleSearch::columns().at(column).kind) {
    case ArticleSearch::Kind::Number:
        ComboBox1->setEnabled(true);
        ComboBox1->setCurrentIndex(ArticleSearch::Equal);
        m_range.setBetween(false);
        break;
    case ArticleSearch::Kind::Text:
        ComboBox1->setCurrentIndex(ArticleSearch::Equal);
        ComboBox1->setEnabled(false);
        m_range.setBetween(false);
        break;
    case ArticleSearch::Kind::Group:
        break;
    }
}

void TForm_Artikuli::DBGrid_ArticlesCellClick(int column)
{
    if (column >= 0 && column < ArticleSearch::columns().size())
        setCriterion(ArticleSearch::criterionOfColumn(column), true);
}

void TForm_Artikuli::ComboBox_Select_Kriteria_ArtChange()
{
    Edit_Ot->clear();
    setCriterion(ComboBox_Select_Kriteria_Art->currentIndex(), false);
}

void TForm_Artikuli::ComboBox1Change()
{
    m_range.setBetween(ComboBox1->currentIndex() == ArticleSearch::Between);
}

void TForm_Artikuli::CheckBox_4ast_DumaClick()
{
    CheckBox_4ast_Duma->setToolTip(CheckBox_4ast_Duma->isChecked() ? QStringLiteral("Търсене по част от дума")
                                                                   : QStringLiteral("Търсене по цяла дума"));
}

void TForm_Artikuli::Button_artikulClick()
{
    QString message;
    std::optional<ArticleSearch::ListQuery> query;
    try { // a part of a name is looked up in the name index first
        query = ArticleSearch::search(m_criterion, ComboBox1->currentIndex(), Edit_Ot->text(), Edit_Do->text(),
                                      CheckBox_4ast_Duma->isChecked(), &message);
    } catch (const DbError &) {
        query.reset();
    }
    if (!query || !runList(*query)) {
        m_list->dropExtraColumn();
        listNode(TreeView1->currentItem());
        Dialogs::message(QString::fromUtf8(ArticleSearch::BadCriteria), this);
        return;
    }
    showFirstRow();
}

void TForm_Artikuli::DBGrid_ArticlesTitleClick(int column)
{
    const QString field = m_list->fieldOf(column);
    if (field.isEmpty())
        return;
    // The catalogue keeps the sort direction as it is. The re-sorted list
    // is opened anew on its first row: finding the old row would count the
    // rows before it, a walk as long as the catalogue.
    try {
        m_list->setOrder(field, SortDirection == 1);
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Няма данни за подреждане"), this);
        return;
    }
    showFirstRow();
}

void TForm_Artikuli::N_KontragentiClick()
{
    TForm_Kontrakents::N_KlientiClick(this);
}

void TForm_Artikuli::N_DokumentaciqClick()
{
    if (const DocumentationOpener &open = documentationOpener())
        open(this);
}

void TForm_Artikuli::setDocumentationOpener(DocumentationOpener opener)
{
    documentationOpener() = std::move(opener);
    if (Form_Artikuli)
        Form_Artikuli->N_Dokumentacia->setEnabled(bool(documentationOpener()));
}

// ---- article commands ------------------------------------------------------------------

void TForm_Artikuli::PopupMenu_ArticlesPopup()
{
    const bool deleted = ArticleSearch::isDeletedGroup(selectedNodeText());
    const bool rows = m_list->rowCount() > 0;
    N_Nov->setEnabled(!deleted);
    N_Redaktiraj->setEnabled(!deleted && rows);
    N_Iztrii->setEnabled(!deleted && rows);
}

void TForm_Artikuli::openEditor(int mode)
{
    const QString node = selectedNodeText();
    if (ArticleSearch::isDeletedGroup(node))
        return;
    const long long group = GetID_MFromTreeNodeName(node);
    if (mode == 0 && (ArticleSearch::isRoot(node) || group <= 0)) {
        Dialogs::message(QStringLiteral("Необходимо е да изберете група за артикула"), this);
        return;
    }
    const std::optional<long long> saved =
        mode == 0 ? ArticleEditor::openNew(group, this)
                  : ArticleEditor::openEdit(currentRecord().value(QStringLiteral("ID")).toLongLong(), this);
    afterEditor(saved.value_or(0));
}

void TForm_Artikuli::afterEditor(long long savedId)
{
    if (savedId <= 0)
        return;
    BrowserWidgets::readAgain([this] { m_list->refresh(); });
    if (positionOn(savedId))
        return;
    // Saved into another group: the whole catalogue, on the article.
    if (runList(ArticleSearch::nodeList(QString::fromUtf8(ArticleSearch::RootNodeText))))
        if (!positionOn(savedId))
            showFirstRow();
}

void TForm_Artikuli::N_NovClick()
{
    openEditor(0);
}

void TForm_Artikuli::N_RedaktirajClick()
{
    openEditor(currentRecord().isEmpty() || m_list->rowCount() == 0 ? 0 : 1);
}

void TForm_Artikuli::DBGrid_ArticlesDblClick()
{
    N_RedaktirajClick();
}

void TForm_Artikuli::N_IztriiClick()
{
    if (ArticleSearch::isDeletedGroup(selectedNodeText()))
        return;
    const QSqlRecord row = currentRecord();
    if (row.isEmpty() || m_list->rowCount() == 0)
        return;
    const long long id = row.value(QStringLiteral("ID")).toLongLong();
    if (!Dialogs::yesNo(QStringLiteral("Наистина ли желаете да изтриете артикул %1?")
                            .arg(ArticlePick::referenceText(row)),
                        this))
        return;
    const QString refusal = ArticleRemoval::remove(id);
    if (!refusal.isEmpty())
        Dialogs::message(refusal, this);
    const int at = DBGrid_Articles->currentIndex().row();
    BrowserWidgets::readAgain([this] { m_list->refresh(); });
    if (m_list->rowCount() > 0)
        setCurrentRow(qBound(0, at, m_list->rowCount() - 1));
}

void TForm_Artikuli::N_Markiraj_Vsi4kiClick()
{
    if (m_list->rowCount() == 0)
        return;
    // A list read as far as the grid went is read to its end: all of it is marked.
    try {
        m_list->fetchAll();
    } catch (const DbError &) {
        return;
    }
    setCurrentRow(0);
    DBGrid_Articles->selectAll();
}

void TForm_Artikuli::N_Nali4nostiClick()
{
    const QList<long long> ids = markedIds();
    if (ids.size() >= AvailabilityLimit) {
        Dialogs::message(QStringLiteral("За справка наличности за всички артикули\nизползвайте "
                                        "\"Справки->Наличности артикули...\""),
                         this);
        return;
    }
    if (ids.isEmpty())
        return;
    if (runList(ArticleSearch::availability(ids)))
        showFirstRow();
}

void TForm_Artikuli::N_Ob6ti_DanniClick()
{
    const QList<long long> ids = markedIds();
    if (ids.isEmpty() || !TForm_Ob6ti_Danni_artikuli::open(ids, this))
        return;
    const long long id = currentRecord().value(QStringLiteral("ID")).toLongLong();
    BrowserWidgets::readAgain([this] { m_list->refresh(); });
    if (!positionOn(id))
        showFirstRow();
}

bool TForm_Artikuli::N11Click()
{
    if (m_list->rowCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return false;
    }
    // Every row, read by one statement: page by page a long list would take minutes.
    SqlListModel whole;
    MoneyColumns::prices(&whole, {"Ed_Cena"});
    try {
        const ArticleSearch::ListQuery q = m_list->orderedQuery();
        whole.setQuery(q.sql, q.params);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Списъкът не може да бъде прочетен:\n") + e.message(), this);
        return false;
    }
    QList<ExportColumn> columns = ListExport::visibleColumns(DBGrid_Articles);
    for (ExportColumn &c : columns)
        c.column = whole.fieldIndex(m_list->fieldOf(c.column));
    return exportListToFile(this, QStringLiteral("Export_Articles"),
                            {QString(), QStringLiteral("\tЕкспорт артикули "), QString(), exportDateLine()}, &whole,
                            columns);
}

bool TForm_Artikuli::EVLXX1Click()
{
    if (m_list->rowCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return false;
    }
    QString path = Dialogs::saveFile(QStringLiteral("Файл за везна"), QStringLiteral("Parameters (*.txt)"),
                                     QStringLiteral("Artikules.txt"), this);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".txt");
    QString error;
    if (!ScaleFile::write(path, markedRecords(), &error)) {
        Dialogs::message(QStringLiteral("Файлът за везната не беше записан; старият файл е запазен.\n") + path
                             + QStringLiteral("\n") + error,
                         this);
        return false;
    }
    return true;
}

void TForm_Artikuli::N_Nastr_KoloniClick()
{
    Nastr_Koloni_Grid(DBGrid_Articles);
}

// ---- the pick -----------------------------------------------------------------------------

void TForm_Artikuli::BitBtn1Click()
{
    ArticlePick::Picked picked;
    picked.current = currentRecord();
    picked.marked = markedRecords();
    picked.node = selectedNodeText();
    if (PickBrowser::deliver(this, [&picked] { ArticlePick::deliver(ArticlePickMode, picked); }))
        done(1);
}

void TForm_Artikuli::BitBtn2Click()
{
    done(2);
}

void TForm_Artikuli::done(int result)
{
    ArticlePickMode = -1;
    QDialog::done(result);
}

void TForm_Artikuli::N_ArtikuliClick(QWidget *caller)
{
    PickBrowser::open<TForm_Artikuli>(Form_Artikuli, caller, &ArticlePickMode, QStringLiteral("N_Artikuli"),
                                      [](TForm_Artikuli *catalogue) {
        bool readable = true;
        catalogue->loadTree(ArticleGroups::loadTree(ArticleGroups::treeFilePath(), &readable));
        if (!readable)
            Dialogs::message(QStringLiteral("Файлът с дървото на групите не може да бъде прочетен; групите не могат "
                                            "да бъдат променяни."),
                             catalogue);
        if (QTreeWidgetItem *first = catalogue->TreeView1->topLevelItem(0))
            catalogue->TreeView1->setCurrentItem(first);
        catalogue->FormShow();
        Dialogs::exec(catalogue);
    });
}
