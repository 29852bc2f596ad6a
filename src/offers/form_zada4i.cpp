#include "offers/form_zada4i.h"

#include "app/app_state.h"
#include "app/form_print_vid_fail.h"
#include "app/general_popup_menu.h"
#include "app/list_export.h"
#include "app/record_ops.h"
#include "app/window_owner.h"
#include "common/dates.h"
#include "common/reference_text.h"
#include "offers/form_new_zada4a.h"
#include "offers/marked_title_list.h"
#include "offers/task_list.h"
#include "offers/tasks.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QColor>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

QPointer<TForm_Zada4i> Form_Zada4i;

// The task list with its row colours and the red title of the search column.
class TaskListModel : public MarkedTitleListModel
{
public:
    explicit TaskListModel(QObject *parent)
        : MarkedTitleListModel(int(TaskList::columns().size()), parent)
    {
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::ForegroundRole || !index.isValid())
            return SqlListModel::data(index, role);
        const Tasks::RowColour c =
            Tasks::rowColour(value(index.row(), QStringLiteral("Status")).toString(),
                             value(index.row(), QStringLiteral("D_Izpalnenie")).toString(),
                             QDateTime::currentDateTime());
        switch (c) {
        case Tasks::RowColour::Red:
            return QColor(255, 0, 0);
        case Tasks::RowColour::Green:
            return QColor(0, 128, 0);
        case Tasks::RowColour::Blue:
            return QColor(0, 0, 255);
        case Tasks::RowColour::Plain:
            break;
        }
        return {}; // the window-text colour
    }
};

namespace {
constexpr int WideEdit = 343;
constexpr int NarrowEdit = 159;
} // namespace

TForm_Zada4i::TForm_Zada4i(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Zada4i"));
    setWindowTitle(QStringLiteral("Задачи"));
    m_list = new TaskListModel(this);
    for (const TaskList::Column &c : TaskList::columns())
        m_list->setHeaderTitle(QString::fromLatin1(c.field), QString::fromUtf8(c.title));
    buildLayout();
}

SqlListModel *TForm_Zada4i::list() const
{
    return m_list;
}

void TForm_Zada4i::buildLayout()
{
    DBGrid_Zada4i = named(new QTableView(this), "DBGrid_Zada4i");
    DBGrid_Zada4i->setModel(m_list);
    DBGrid_Zada4i->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid_Zada4i->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid_Zada4i->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid_Zada4i->verticalHeader()->hide();
    DBGrid_Zada4i->verticalHeader()->setDefaultSectionSize(22);
    DBGrid_Zada4i->horizontalHeader()->setSectionsClickable(true);
    DBGrid_Zada4i->horizontalHeader()->setHighlightSections(false);
    DBGrid_Zada4i->installEventFilter(this);
    General_PopupMenu()->attach(DBGrid_Zada4i);
    connect(DBGrid_Zada4i, &QTableView::clicked, this,
            [this](const QModelIndex &index) { DBGrid_Zada4iCellClick(index.column()); });
    connect(DBGrid_Zada4i, &QTableView::doubleClicked, this, [this] { DBGrid_Zada4iDblClick(); });
    connect(DBGrid_Zada4i->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { DBGrid_Zada4iTitleClick(column); });

    BitBtn_Nova_Zada4a = named(new QPushButton(QStringLiteral("Нова           "), this), "BitBtn_Nova_Zada4a");
    BitBtn_Nova_Zada4a->setDefault(true);
    BitBtn_Redakt_Zada4a = namedButton(QStringLiteral("BitBtn_Redakt_Zada4a"), QStringLiteral("Редактирай"), this);
    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("Търси"), this);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("ПЕЧАТ"), this);
    BitBtn_Pokaji_Vsi4ko = namedButton(QStringLiteral("BitBtn_Pokaji_Vsi4ko"), QStringLiteral("Покажи всички"), this);
    BitBtn_Pokaji_Vsi4ko->hide();
    connect(BitBtn_Nova_Zada4a, &QPushButton::clicked, this, &TForm_Zada4i::BitBtn_Nova_Zada4aClick);
    connect(BitBtn_Redakt_Zada4a, &QPushButton::clicked, this, &TForm_Zada4i::BitBtn_Redakt_Zada4aClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Zada4i::BitBtn1Click);
    connect(Button1, &QPushButton::clicked, this, &TForm_Zada4i::Button1Click);
    connect(BitBtn_Pokaji_Vsi4ko, &QPushButton::clicked, this, &TForm_Zada4i::BitBtn_Pokaji_Vsi4koClick);

    Label3 = named(new QLabel(QStringLiteral("Търсене по :"), this), "Label3");
    Label3->setMinimumWidth(220);
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox1->addItems(TaskList::comparisonTitles());
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    Label_Ot = named(new QLabel(QStringLiteral("От"), this), "Label_Ot");
    Label_Do = named(new QLabel(QStringLiteral("До"), this), "Label_Do");
    Edit_Ot = namedEdit(QStringLiteral("Edit_Ot"), this);
    Edit_Ot->setFixedWidth(WideEdit);
    Edit_Do = namedEdit(QStringLiteral("Edit_Do"), this);
    Edit_Do->setFixedWidth(NarrowEdit);
    DateTimePicker_Ot = named(new QDateTimeEdit(this), "DateTimePicker_Ot");
    DateTimePicker_Do = named(new QDateTimeEdit(this), "DateTimePicker_Do");
    for (QDateTimeEdit *p : {DateTimePicker_Ot, DateTimePicker_Do}) {
        p->setCalendarPopup(true);
        p->setMinimumWidth(120);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{Label_Ot, Label_Do, Edit_Do, DateTimePicker_Ot,
                                                       DateTimePicker_Do})
        w->hide();
    // Enter in a search value runs the search, not "Нова".
    Edit_Ot->installEventFilter(this);
    Edit_Do->installEventFilter(this);

    auto *search = new QHBoxLayout;
    search->addWidget(Label3);
    search->addWidget(ComboBox1);
    search->addWidget(Label_Ot);
    search->addWidget(Edit_Ot);
    search->addWidget(DateTimePicker_Ot);
    search->addWidget(Label_Do);
    search->addWidget(Edit_Do);
    search->addWidget(DateTimePicker_Do);
    search->addStretch(1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(BitBtn_Nova_Zada4a);
    bottom->addWidget(BitBtn_Redakt_Zada4a);
    bottom->addWidget(BitBtn1);
    bottom->addWidget(Button1);
    bottom->addWidget(BitBtn_Pokaji_Vsi4ko);
    bottom->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(search);
    layout->addWidget(DBGrid_Zada4i, 1);
    layout->addLayout(bottom);
    resize(1140, 560);
}

// ---- the list ------------------------------------------------------------------------------

bool TForm_Zada4i::runList(const QString &sql, const QVariantList &params)
{
    const bool first = DBGrid_Zada4i->horizontalHeader()->count() == 0;
    try {
        m_list->setQuery(sql, params);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Задачите не могат да бъдат прочетени:\n") + e.message(), this);
        return false;
    }
    if (first) {
        const QList<TaskList::Column> &columns = TaskList::columns();
        for (int c = 0; c < m_list->columnCount(); ++c)
            DBGrid_Zada4i->setColumnWidth(c, columns.at(c).width);
    }
    return true;
}

void TForm_Zada4i::setCurrentRow(int row)
{
    if (row < 0 || row >= m_list->rowCount()) {
        DBGrid_Zada4i->clearSelection();
        return;
    }
    const int column = qMax(0, DBGrid_Zada4i->currentIndex().column());
    DBGrid_Zada4i->setCurrentIndex(m_list->index(row, column));
    DBGrid_Zada4i->selectRow(row);
}

long long TForm_Zada4i::currentTaskId() const
{
    const QModelIndex i = DBGrid_Zada4i->currentIndex();
    if (!i.isValid())
        return 0;
    return m_list->value(i.row(), QStringLiteral("ID")).toLongLong();
}

bool TForm_Zada4i::positionOn(long long id)
{
    const int row = id > 0 ? m_list->findRow(QStringLiteral("ID"), id) : -1;
    if (row < 0)
        return false;
    setCurrentRow(row);
    return true;
}

void TForm_Zada4i::BitBtn_Pokaji_Vsi4koClick()
{
    const TaskList::ListQuery all = TaskList::allTasks();
    if (runList(all.sql, all.params))
        setCurrentRow(0);
    DBGrid_Zada4iCellClick(0);
}

void TForm_Zada4i::DBGrid_Zada4iTitleClick(int column)
{
    if (column < 0 || column >= TaskList::columns().size())
        return;
    const long long id = currentTaskId();
    SortDirection = SortDirection == 0 ? 1 : 0;
    if (ORDER_SQL(*m_list, TaskList::columns().at(column).qualified()) && !positionOn(id))
        setCurrentRow(0);
}

// ---- the search row ------------------------------------------------------------------------------

void TForm_Zada4i::DBGrid_Zada4iCellClick(int column)
{
    const QList<TaskList::Column> &columns = TaskList::columns();
    if (column < 0 || column >= columns.size())
        return;
    m_column = column;
    const QString title = QString::fromUtf8(columns.at(column).title);
    setWindowTitle(QStringLiteral("ЗАДАЧИ - Търсене по: ") + title);
    Label3->setText(QStringLiteral("Търсене по: ") + title);
    m_list->setMarkedColumn(column);
    ComboBox1->setCurrentIndex(0); // "равно"
    const TaskList::Kind kind = columns.at(column).kind;
    if (kind == TaskList::Kind::Text) {
        Edit_Ot->show();
        DateTimePicker_Ot->hide();
        DateTimePicker_Do->hide();
        ComboBox1->setEnabled(false);
    } else {
        const bool date = kind == TaskList::Kind::Date;
        const QDateTime now = QDateTime::currentDateTime();
        for (QDateTimeEdit *p : {DateTimePicker_Ot, DateTimePicker_Do}) {
            // A time is picked to the minute.
            p->setDisplayFormat(date ? QLatin1String(Dates::ShortFormat) : QStringLiteral("HH:mm"));
            p->setCalendarPopup(date);
            p->setDateTime(now);
        }
        DateTimePicker_Ot->show();
        Edit_Ot->hide();
        Edit_Do->hide();
        ComboBox1->setEnabled(true);
    }
    ComboBox1Change();
}

void TForm_Zada4i::ComboBox1Change()
{
    const bool between = ComboBox1->currentText() == TaskList::comparisonTitles().at(3);
    const bool text = TaskList::columns().at(m_column).kind == TaskList::Kind::Text;
    if (text || !between) {
        Edit_Ot->setFixedWidth(WideEdit);
        Edit_Do->hide();
        Label_Do->hide();
        Label_Ot->hide();
        DateTimePicker_Do->hide();
    }
    if (text) {
        DateTimePicker_Ot->hide();
        DateTimePicker_Do->hide();
        return;
    }
    if (between) {
        Edit_Ot->setFixedWidth(NarrowEdit);
        DateTimePicker_Do->show();
        Label_Do->show();
        Label_Ot->show();
        ComboBox1->setEnabled(true);
        Edit_Do->setEnabled(true);
    }
    Edit_Ot->hide();
    Edit_Do->hide();
}

void TForm_Zada4i::BitBtn1Click()
{
    const auto query = TaskList::search(m_column, ComboBox1->currentText(), Edit_Ot->text(),
                                        DateTimePicker_Ot->dateTime(), DateTimePicker_Do->dateTime());
    if (!query)
        return;
    if (runList(query->sql, query->params))
        setCurrentRow(0);
}

// ---- the editor ------------------------------------------------------------------------------------

void TForm_Zada4i::openEditor(int mode)
{
    if (!Form_NewZada4a) {
        Form_NewZada4a = new TForm_NewZada4a(this);
        connect(Form_NewZada4a, &TForm_NewZada4a::okHandled, this, &TForm_Zada4i::afterEditorOk);
    }
    TForm_NewZada4a *editor = Form_NewZada4a;
    if (mode == TForm_NewZada4a::ChangeTask) {
        const QModelIndex current = DBGrid_Zada4i->currentIndex();
        if (!current.isValid()) {
            Dialogs::message(QStringLiteral("Няма избрана задача"), this);
            return;
        }
        const QSqlRecord row = m_list->record(current.row());
        const Tasks::Task task = Tasks::fromRecord(row);
        // A task whose assigner is gone opens with an empty assigner.
        const QVariant name = row.value(QStringLiteral("Ime_Firma"));
        const QString assigner =
            name.isNull() ? QString() : ReferenceText::make(task.assigner, name.toString());
        editor->setWindowTitle(QStringLiteral("Редактиране на задача"));
        editor->setMode(TForm_NewZada4a::ChangeTask);
        editor->loadTask(task, assigner);
        m_rememberedId = task.id;
    } else {
        editor->setWindowTitle(QStringLiteral("Въвеждане на нова задача"));
        editor->setMode(TForm_NewZada4a::NewTask);
        m_rememberedId = currentTaskId();
    }
    editor->FormShow();
    Dialogs::exec(editor);
}

void TForm_Zada4i::afterEditorOk()
{
    BitBtn_Pokaji_Vsi4koClick();
    positionOn(m_rememberedId);
}

void TForm_Zada4i::BitBtn_Nova_Zada4aClick()
{
    openEditor(TForm_NewZada4a::NewTask);
}

void TForm_Zada4i::BitBtn_Redakt_Zada4aClick()
{
    openEditor(TForm_NewZada4a::ChangeTask);
}

void TForm_Zada4i::DBGrid_Zada4iDblClick()
{
    openEditor(TForm_NewZada4a::ChangeTask);
}

void TForm_Zada4i::DBGrid_Zada4iKeyPress(int character)
{
    if (character == 13)
        openEditor(TForm_NewZada4a::ChangeTask);
}

bool TForm_Zada4i::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (enter && watched == DBGrid_Zada4i) {
            DBGrid_Zada4iKeyPress(13);
            return true;
        }
        if (enter && (watched == Edit_Ot || watched == Edit_Do)) {
            BitBtn1Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- the export -------------------------------------------------------------------------------------

bool TForm_Zada4i::Button1Click()
{
    if (m_list->rowCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return false;
    }
    showExportChooser();
    ListExport file(QStringLiteral("Prot_Zad"));
    file.addLines({QString(), QStringLiteral("\tСПРАВКА ЗАДАЧИ "), QString(), exportDateLine()});
    file.PRINT_INTO(DBGrid_Zada4i);
    file.addLine();
    file.addLine(ReportFooter);
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), this);
        return false;
    }
    SHELLEXECUTE_OPENFILE(file.filePath());
    return true;
}

void TForm_Zada4i::N_Zada4iClick(QWidget *mainWindow)
{
    if (!Form_Zada4i) {
        QWidget *owner = WindowOwner::mainWindow();
        Form_Zada4i = new TForm_Zada4i(owner ? owner : mainWindow);
    }
    Form_Zada4i->BitBtn_Pokaji_Vsi4koClick();
    Dialogs::exec(Form_Zada4i);
}
