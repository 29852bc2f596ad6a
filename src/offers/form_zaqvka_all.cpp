#include "offers/form_zaqvka_all.h"

#include "app/form_print_vid_fail.h"
#include "app/general_popup_menu.h"
#include "app/list_export.h"
#include "app/record_ops.h"
#include "app/window_owner.h"
#include "common/dates.h"
#include "offers/form_add_red_zaqvka.h"
#include "offers/marked_title_list.h"
#include "offers/order_list.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"

#include <QColor>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

QPointer<TForm_Zaqvka_all> Form_Zaqvka_all;

namespace {
constexpr int WideEdit = 297;
constexpr int NarrowEdit = 129;
const QString kSearchFailed = QStringLiteral("Некоректни данни за търсене");
} // namespace

TForm_Zaqvka_all::TForm_Zaqvka_all(QWidget *parent)
    : QDialog(parent)
    , m_list(new MarkedTitleListModel(int(OrderList::columns().size()), this))
{
    setObjectName(QStringLiteral("Form_Zaqvka_all"));
    setWindowTitle(QStringLiteral("Списък артикули за заявка"));
    for (const OrderList::Column &c : OrderList::columns())
        m_list->setHeaderTitle(QString::fromLatin1(c.field), QString::fromUtf8(c.title));
    buildLayout();
}

SqlListModel *TForm_Zaqvka_all::list() const
{
    return m_list;
}

void TForm_Zaqvka_all::buildLayout()
{
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    GridSelection::setupList(DBGrid1, m_list);
    DBGrid1->verticalHeader()->setDefaultSectionSize(22);
    DBGrid1->horizontalHeader()->setSectionsClickable(true);
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->installEventFilter(this);
    General_PopupMenu()->attach(DBGrid1);
    connect(DBGrid1, &QTableView::clicked, this, [this](const QModelIndex &i) { DBGrid1CellClick(i.column()); });
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { DBGrid1TitleClick(column); });

    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox1->addItems(OrderList::comparisonTitles());
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    Edit_ot = namedEdit(QStringLiteral("Edit_ot"), this);
    Edit_ot->setFixedWidth(WideEdit);
    Edit_Do = namedEdit(QStringLiteral("Edit_Do"), this);
    Edit_Do->setFixedWidth(NarrowEdit);
    DateTimePicker_Ot = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Ot");
    DateTimePicker_Do = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Do");
    for (QDateEdit *p : {DateTimePicker_Ot, DateTimePicker_Do}) {
        p->setCalendarPopup(true);
        p->setDisplayFormat(QLatin1String(Dates::ShortFormat));
        p->setMinimumWidth(120);
    }
    Label_Ot = named(new QLabel(QStringLiteral("От"), this), "Label_Ot");
    Label_Do = named(new QLabel(QStringLiteral("До"), this), "Label_Do");
    Label1 = named(new QLabel(QStringLiteral("Търсене по: "), this), "Label1");
    Label1->setMinimumWidth(180);
    for (QWidget *w : std::initializer_list<QWidget *>{Label_Ot, Label_Do, Edit_Do, DateTimePicker_Ot,
                                                       DateTimePicker_Do})
        w->hide();

    BitBtn_Add_New = namedButton(QStringLiteral("BitBtn_Add_New"), QStringLiteral("Добави"), this);
    BitBtn_Delete = namedButton(QStringLiteral("BitBtn_Delete"), QStringLiteral("Изтрии"), this);
    BitBtn_Search = named(new QPushButton(QStringLiteral("Търсене"), this), "BitBtn_Search");
    BitBtn_Search->setDefault(true);
    BitBtn_Print = namedButton(QStringLiteral("BitBtn_Print"), QStringLiteral("Печат"), this);
    QFont bold = BitBtn_Print->font();
    bold.setBold(true);
    BitBtn_Print->setFont(bold);
    connect(BitBtn_Add_New, &QPushButton::clicked, this, &TForm_Zaqvka_all::BitBtn_Add_NewClick);
    connect(BitBtn_Delete, &QPushButton::clicked, this, &TForm_Zaqvka_all::BitBtn_DeleteClick);
    connect(BitBtn_Search, &QPushButton::clicked, this, &TForm_Zaqvka_all::BitBtn_SearchClick);
    connect(BitBtn_Print, &QPushButton::clicked, this, &TForm_Zaqvka_all::BitBtn_PrintClick);

    auto *search = new QHBoxLayout;
    search->addWidget(Label1);
    search->addWidget(ComboBox1);
    search->addWidget(Label_Ot);
    search->addWidget(Edit_ot);
    search->addWidget(DateTimePicker_Ot);
    search->addWidget(Label_Do);
    search->addWidget(Edit_Do);
    search->addWidget(DateTimePicker_Do);
    search->addStretch(1);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {BitBtn_Add_New, BitBtn_Delete, BitBtn_Search, BitBtn_Print})
        buttons->addWidget(b);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(search);
    layout->addLayout(buttons);
    resize(1120, 560);
}

// ---- the list ----------------------------------------------------------------------------------

bool TForm_Zaqvka_all::loadList()
{
    const bool first = DBGrid1->horizontalHeader()->count() == 0;
    const OrderList::ListQuery all = OrderList::all();
    try {
        m_list->setQuery(all.sql, all.params);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Списъкът за поръчки не може да бъде прочетен:\n") + e.message(), this);
        return false;
    }
    if (first) {
        const QList<OrderList::Column> &columns = OrderList::columns();
        for (int c = 0; c < m_list->columnCount(); ++c)
            if (columns.at(c).width > 0)
                DBGrid1->setColumnWidth(c, columns.at(c).width);
    }
    return true;
}

void TForm_Zaqvka_all::FormShow()
{
    loadList();
    DBGrid1CellClick(OrderList::DescriptionColumn);
    Edit_ot->setFocus();
}

void TForm_Zaqvka_all::reloadAfterSave()
{
    FormShow();
}

void TForm_Zaqvka_all::DBGrid1TitleClick(int column)
{
    if (column < 0 || column >= OrderList::columns().size())
        return;
    ORDER_SQL(*m_list, OrderList::columns().at(column).qualified()); // in the direction other lists set
}

// ---- the search row ------------------------------------------------------------------------------

void TForm_Zaqvka_all::DBGrid1CellClick(int column)
{
    const QList<OrderList::Column> &columns = OrderList::columns();
    if (column < 0 || column >= columns.size())
        return;
    m_column = column;
    Label1->setText(QStringLiteral("Търсене по: ") + QString::fromUtf8(columns.at(column).title));
    m_list->setMarkedColumn(column);
    switch (columns.at(column).kind) {
    case OrderList::Kind::Date:
        ComboBox1->setCurrentIndex(0);
        ComboBox1->setEnabled(true);
        DateTimePicker_Ot->setDate(QDate::currentDate());
        DateTimePicker_Ot->show();
        for (QWidget *w : std::initializer_list<QWidget *>{Edit_ot, Edit_Do, Label_Ot, Label_Do})
            w->hide();
        ComboBox1Change();
        break;
    case OrderList::Kind::Number:
        ComboBox1->setCurrentIndex(0);
        ComboBox1->setEnabled(true);
        DateTimePicker_Ot->hide();
        DateTimePicker_Do->hide();
        Edit_ot->setFixedWidth(WideEdit);
        Edit_ot->show();
        ComboBox1Change();
        break;
    case OrderList::Kind::Text:
        for (QWidget *w : std::initializer_list<QWidget *>{DateTimePicker_Ot, DateTimePicker_Do, Edit_Do, Label_Ot,
                                                           Label_Do})
            w->hide();
        Edit_ot->setFixedWidth(WideEdit);
        Edit_ot->show();
        ComboBox1->setCurrentIndex(0);
        ComboBox1->setEnabled(false);
        break;
    case OrderList::Kind::None:
        break;
    }
}

void TForm_Zaqvka_all::ComboBox1Change()
{
    const OrderList::Kind kind = OrderList::columns().at(m_column).kind;
    if (ComboBox1->currentIndex() != 3) {
        Edit_ot->setFixedWidth(WideEdit);
        for (QWidget *w : std::initializer_list<QWidget *>{Edit_Do, Label_Do, Label_Ot, DateTimePicker_Do})
            w->hide();
        return;
    }
    Label_Ot->show();
    Label_Do->show();
    Edit_ot->setFixedWidth(NarrowEdit);
    if (kind == OrderList::Kind::Date) {
        DateTimePicker_Ot->setDate(QDate::currentDate());
        DateTimePicker_Do->setDate(QDate::currentDate());
        DateTimePicker_Ot->show();
        DateTimePicker_Do->show();
    } else {
        Edit_Do->show();
        Edit_Do->setEnabled(true);
    }
}

void TForm_Zaqvka_all::BitBtn_SearchClick()
{
    const auto query = OrderList::search(m_column, ComboBox1->currentText(), Edit_ot->text(), Edit_Do->text(),
                                         DateTimePicker_Ot->date(), DateTimePicker_Do->date());
    if (query) {
        try {
            m_list->setQuery(query->sql, query->params);
            return;
        } catch (const DbError &e) {
            ExceptionLog::write(e);
        }
    }
    Dialogs::message(kSearchFailed, this);
    loadList(); // the search controls keep what was typed
}

// ---- delete, add, export ---------------------------------------------------------------------------

void TForm_Zaqvka_all::BitBtn_DeleteClick()
{
    if (!Dialogs::yesNo(QStringLiteral("Найстина ли желаете да изтриете избраните елементи от Поръчките?"), this))
        return;
    QList<long long> ids;
    for (int row : GridSelection::markedRows(DBGrid1))
        ids << m_list->value(row, QStringLiteral("ID")).toLongLong();
    if (!ids.isEmpty()) {
        try {
            OrderList::remove(ids);
        } catch (const DbError &e) {
            ExceptionLog::write(e);
            Dialogs::message(QStringLiteral("Редовете не са изтрити:\n") + e.message(), this);
        }
    }
    loadList();
}

void TForm_Zaqvka_all::BitBtn_Add_NewClick()
{
    if (!Form_Add_Red_Zaqvka) {
        Form_Add_Red_Zaqvka = new TForm_Add_Red_Zaqvka(this);
        connect(Form_Add_Red_Zaqvka, &TForm_Add_Red_Zaqvka::saved, this, &TForm_Zaqvka_all::reloadAfterSave);
    }
    Form_Add_Red_Zaqvka->FormShow();
    Dialogs::exec(Form_Add_Red_Zaqvka);
}

bool TForm_Zaqvka_all::BitBtn_PrintClick()
{
    if (m_list->rowCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return false;
    }
    showExportChooser();
    ListExport file(QStringLiteral("Zaqvka"));
    file.addLines({QString(), QStringLiteral("\tЗАЯВКА КЪМ ДОСТАВЧИК "), QString(), exportDateLine()});
    file.PRINT_INTO(DBGrid1);
    file.addLines({QString(), QString(), ReportFooter});
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), this);
        return false;
    }
    SHELLEXECUTE_OPENFILE(file.filePath());
    return true;
}

bool TForm_Zaqvka_all::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        BitBtn_DeleteClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_Zaqvka_all::N_Zaqvki_AllClick(QWidget *mainWindow)
{
    if (!Form_Zaqvka_all) {
        QWidget *owner = WindowOwner::mainWindow();
        Form_Zaqvka_all = new TForm_Zaqvka_all(owner ? owner : mainWindow);
    }
    Form_Zaqvka_all->FormShow();
    Dialogs::exec(Form_Zaqvka_all);
}
