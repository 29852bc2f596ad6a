#include "documents/form_spravka_prodajba.h"

#include "app/app_state.h"
#include "app/form_get_kol.h"
#include "app/form_print_vid_fail.h"
#include "app/general_popup_menu.h"
#include "app/help_actions.h"
#include "app/item_rights.h"
#include "app/list_export.h"
#include "app/money_columns.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "common/dates.h"
#include "common/money.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "desk/sales_cancel.h"
#include "documents/document_print_road.h"
#include "documents/report_filter.h"
#include "documents/report_parts.h"
#include "documents/tab_print_panel.h"
#include "platform/db/database.h"
#include "platform/db/paged_list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "platform/report/report_print.h"
#include "platform/tick_list.h"
#include "platform/long_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QSqlRecord>
#include <QTableView>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QPointer<TForm_Spravka_prodajba> g_form;
constexpr int PickMode = 4;
const QString NoCounterparty = QStringLiteral("0: Няма избран контрагент");
const QString NoArticle = QStringLiteral("0:Няма избран артикул");
const QString CashCaption = QStringLiteral("Обща сума платено в брой лева: ");
const QString OpenCaption = QStringLiteral("Обща сума на задължения в лева : ");
const QString PaidCaption = QStringLiteral("Обща сума на платени задължения в лева : ");

// Line colours by how the sale was paid: open credit red, paid-off credit blue.
class ColouredSales : public QIdentityProxyModel
{
public:
    ColouredSales(PagedListModel *sales, QObject *parent)
        : QIdentityProxyModel(parent)
        , m_sales(sales)
    {
        setSourceModel(sales);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::ForegroundRole && index.isValid()) {
            const long long k = m_sales->value(index.row(), QStringLiteral("Konsign_N")).toLongLong();
            if (k > 0)
                return QColor(Qt::red);
            if (k == -1)
                return QColor(Qt::blue);
            if (index.column() == 0)
                return QColor(Qt::red);
            return {};
        }
        if (role == Qt::TextAlignmentRole && index.column() == 0)
            return int(Qt::AlignCenter);
        return QIdentityProxyModel::data(index, role);
    }

private:
    PagedListModel *m_sales;
};

// "между 01.03.2024 - 31.03.2024" for a range, the from value alone otherwise.
QString criterion(const QComboBox *box, const QString &from, const QString &to)
{
    if (box->currentIndex() == ReportFilter::Between)
        return box->currentText() + QLatin1Char(' ') + from + QStringLiteral(" - ") + to;
    return from;
}

long long idBeforeColon(const QString &text)
{
    return text.section(QLatin1Char(':'), 0, 0).trimmed().toLongLong();
}
} // namespace

TForm_Spravka_prodajba *TForm_Spravka_prodajba::instance()
{
    return g_form;
}

TForm_Spravka_prodajba::TForm_Spravka_prodajba(QWidget *parent)
    : QDialog(parent)
    , m_sales(new PagedListModel(this))
{
    setObjectName(QStringLiteral("Form_Spravka_prodajba"));
    setWindowTitle(QStringLiteral("Справка продажби"));
    m_coloured = new ColouredSales(m_sales, this);
    MoneyColumns::prices(m_sales, {"Ed_Cena"});
    MoneyColumns::amounts(m_sales, {"Suma"});

    auto comparisons = [this](const char *name) { return ReportParts::comparisonBox(this, name); };
    auto dateEdit = [this](const char *name) { return ReportParts::dateEdit(this, name); };
    auto timeEdit = [this](const char *name) {
        auto *t = named(new QTimeEdit(QTime::currentTime(), this), name);
        t->setDisplayFormat(QString::fromLatin1(Dates::TimeFormat));
        return t;
    };
    ChkBox_Kontragent = named(new QCheckBox(QStringLiteral("Контрагент"), this), "ChkBox_Kontragent");
    Label_Kontragent = named(new ElidedLabel(NoCounterparty, this), "Label_Kontragent");
    ChkBox_Artikul = named(new QCheckBox(QStringLiteral("Артикул"), this), "ChkBox_Artikul");
    Label_artikul = named(new ElidedLabel(NoArticle, this), "Label_artikul");
    for (QLabel *l : {Label_Kontragent, Label_artikul})
        l->setTextFormat(Qt::PlainText);
    ChkBox_Data = named(new QCheckBox(QStringLiteral("Дата"), this), "ChkBox_Data");
    ComboBox_Select_Data = comparisons("ComboBox_Select_Data");
    DateTimePicker_Data_Ot = dateEdit("DateTimePicker_Data_Ot");
    DateTimePicker_Data_Do = dateEdit("DateTimePicker_Data_Do");
    CheckBox_T_Prodajba = named(new QCheckBox(QStringLiteral("Час"), this), "CheckBox_T_Prodajba");
    ComboBox_T_Prodajba = comparisons("ComboBox_T_Prodajba");
    DateTimePicker_T_Prodajba_Ot = timeEdit("DateTimePicker_T_Prodajba_Ot");
    DateTimePicker_T_Prodajba_Do = timeEdit("DateTimePicker_T_Prodajba_Do");
    ChkBox_Suma = named(new QCheckBox(QStringLiteral("Сума"), this), "ChkBox_Suma");
    ComboBox_Select_Suma = comparisons("ComboBox_Select_Suma");
    Edit_Ot = namedEdit(QStringLiteral("Edit_Ot"), this);
    Edit_Do = namedEdit(QStringLiteral("Edit_Do"), this);
    for (QLineEdit *e : {Edit_Ot, Edit_Do})
        e->setMaximumWidth(120);
    ChkBox_Operators = named(new QCheckBox(QStringLiteral("Оператор"), this), "ChkBox_Operators");
    ComboBox_Operators = named(new QComboBox(this), "ComboBox_Operators");
    CheckBox_Type_Pay = named(new QCheckBox(QStringLiteral("Тип плащане"), this), "CheckBox_Type_Pay");
    ComboBox_Type_Pay = named(new QComboBox(this), "ComboBox_Type_Pay");
    ComboBox_Type_Pay->addItems(SalesReport::payTypes());
    ChkBox_Sklad = named(new QCheckBox(QStringLiteral("Склад"), this), "ChkBox_Sklad");
    ComboBox_Sklad = named(new QComboBox(this), "ComboBox_Sklad");

    DBGrid1 = named(new QTableView(this), "DBGrid1");
    GridSelection::setupList(DBGrid1, m_coloured);
    General_PopupMenu()->attach(DBGrid1);
    Label_Ob6to_SUM = named(new QLabel(CashCaption + ReportParts::money(0), this), "Label_Ob6to_SUM");
    Label_Ob6to_SUM_Konsign = named(new QLabel(OpenCaption + ReportParts::money(0), this), "Label_Ob6to_SUM_Konsign");
    Label_Ob6to_SUM_Plateni_Konsign =
        named(new QLabel(PaidCaption + ReportParts::money(0), this), "Label_Ob6to_SUM_Plateni_Konsign");

    Button_Search = namedButton(QStringLiteral("Button_Search"), QStringLiteral("Справка"), this);
    Button_Search->setDefault(true);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Печат"), this);
    Button3 = namedButton(QStringLiteral("Button3"), QStringLiteral("Издай документ за продажба"), this);
    CheckListBox_Dok = named(new QListWidget(this), "CheckListBox_Dok");
    TickList::install(CheckListBox_Dok);
    Button_Fiskalen_Bon = namedButton(QStringLiteral("Button_Fiskalen_Bon"), QStringLiteral("Издай фискален бон"), this);
    Button_Fiskalen_Bon->setEnabled(false);
    Button_Invalidate_Sales = namedButton(QStringLiteral("Button_Invalidate_Sales"), QStringLiteral("Анулирай"), this);

    for (int i = 0; i < 3; ++i) {
        m_fromLabels[i] = new QLabel(QStringLiteral("От"), this);
        m_toLabels[i] = new QLabel(QStringLiteral("До"), this);
    }
    auto *filters = new QGridLayout;
    int row = 0;
    // A from value, with "От" before it and the to value with "До".
    auto range = [&](int i, QWidget *from, QWidget *to) {
        auto *box = new QHBoxLayout;
        box->addWidget(m_fromLabels[i]);
        box->addWidget(from);
        box->addWidget(m_toLabels[i]);
        box->addWidget(to);
        box->addStretch();
        filters->addLayout(box, row++, 2, 1, 3);
    };
    filters->addWidget(ChkBox_Kontragent, row, 0);
    filters->addWidget(Label_Kontragent, row++, 1, 1, 4);
    filters->addWidget(ChkBox_Artikul, row, 0);
    filters->addWidget(Label_artikul, row++, 1, 1, 4);
    filters->addWidget(ChkBox_Data, row, 0);
    filters->addWidget(ComboBox_Select_Data, row, 1);
    range(0, DateTimePicker_Data_Ot, DateTimePicker_Data_Do);
    filters->addWidget(CheckBox_T_Prodajba, row, 0);
    filters->addWidget(ComboBox_T_Prodajba, row, 1);
    range(1, DateTimePicker_T_Prodajba_Ot, DateTimePicker_T_Prodajba_Do);
    filters->addWidget(ChkBox_Suma, row, 0);
    filters->addWidget(ComboBox_Select_Suma, row, 1);
    range(2, Edit_Ot, Edit_Do);
    filters->addWidget(ChkBox_Operators, row, 0);
    filters->addWidget(ComboBox_Operators, row++, 1, 1, 2);
    filters->addWidget(CheckBox_Type_Pay, row, 0);
    filters->addWidget(ComboBox_Type_Pay, row++, 1, 1, 2);
    filters->addWidget(ChkBox_Sklad, row, 0);
    filters->addWidget(ComboBox_Sklad, row++, 1, 1, 2);
    filters->setColumnStretch(4, 1);

    auto *totals = new QVBoxLayout;
    totals->addWidget(Label_Ob6to_SUM);
    totals->addWidget(Label_Ob6to_SUM_Konsign);
    totals->addWidget(Label_Ob6to_SUM_Plateni_Konsign);

    auto *left = new QVBoxLayout;
    left->addLayout(filters);
    left->addWidget(DBGrid1, 1);
    left->addLayout(totals);
    auto *right = new QVBoxLayout;
    right->addWidget(Button_Search);
    right->addWidget(Button1);
    right->addWidget(Button3);
    right->addWidget(CheckListBox_Dok, 1);
    right->addWidget(Button_Fiskalen_Bon);
    right->addWidget(Button_Invalidate_Sales);
    auto *frame = new QHBoxLayout(this);
    frame->addLayout(left, 1);
    frame->addLayout(right);
    resize(1100, 700);

    for (QWidget *w : std::initializer_list<QWidget *>{
             Label_Kontragent, Label_artikul, ComboBox_Select_Data, DateTimePicker_Data_Ot, ComboBox_T_Prodajba,
             DateTimePicker_T_Prodajba_Ot, ComboBox_Select_Suma, Edit_Ot, ComboBox_Operators, ComboBox_Type_Pay,
             ComboBox_Sklad})
        w->setEnabled(false);
    ComboBox_Select_DataChange();
    ComboBox_T_ProdajbaChange();
    ComboBox_Select_SumaChange();

    connect(ChkBox_Kontragent, &QCheckBox::clicked, this, &TForm_Spravka_prodajba::ChkBox_KontragentClick);
    connect(ChkBox_Artikul, &QCheckBox::clicked, this, &TForm_Spravka_prodajba::ChkBox_ArtikulClick);
    connect(ChkBox_Data, &QCheckBox::clicked, this, &TForm_Spravka_prodajba::ChkBox_DataClick);
    connect(CheckBox_T_Prodajba, &QCheckBox::clicked, this, &TForm_Spravka_prodajba::CheckBox_T_ProdajbaClick);
    connect(ChkBox_Suma, &QCheckBox::clicked, this, &TForm_Spravka_prodajba::ChkBox_SumaClick);
    connect(ComboBox_Select_Data, &QComboBox::activated, this, &TForm_Spravka_prodajba::ComboBox_Select_DataChange);
    connect(ComboBox_T_Prodajba, &QComboBox::activated, this, &TForm_Spravka_prodajba::ComboBox_T_ProdajbaChange);
    connect(ComboBox_Select_Suma, &QComboBox::activated, this, &TForm_Spravka_prodajba::ComboBox_Select_SumaChange);
    connect(ChkBox_Operators, &QCheckBox::clicked, this, &TForm_Spravka_prodajba::ChkBox_OperatorsClick);
    connect(ChkBox_Sklad, &QCheckBox::clicked, this, &TForm_Spravka_prodajba::ChkBox_SkladClick);
    connect(CheckBox_Type_Pay, &QCheckBox::clicked, this, &TForm_Spravka_prodajba::CheckBox_Type_PayClick);
    connect(Button_Search, &QPushButton::clicked, this, &TForm_Spravka_prodajba::Button_SearchClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_Spravka_prodajba::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TForm_Spravka_prodajba::Button3Click);
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TForm_Spravka_prodajba::DBGrid1TitleClick);
    connect(Button_Invalidate_Sales, &QPushButton::clicked, this,
            &TForm_Spravka_prodajba::Button_Invalidate_SalesClick);

    CounterpartyPick::registerTarget(PickMode, [this](const CounterpartyPick::Picked &p) {
        Label_Kontragent->setText(p.referenceText());
    });
    // The report keeps its own copy: another report's pick changes nothing here.
    ArticlePick::registerTarget(PickMode, [this](const ArticlePick::Picked &p) {
        Label_artikul->setText(ArticlePick::multiPick(p));
        m_articles = PickList;
    });
}

TForm_Spravka_prodajba::~TForm_Spravka_prodajba()
{
    CounterpartyPick::unregisterTarget(PickMode);
    ArticlePick::unregisterTarget(PickMode);
}

void TForm_Spravka_prodajba::open(QWidget *owner)
{
    if (!g_form)
        g_form = new TForm_Spravka_prodajba(owner);
    Dialogs::exec(g_form);
}

void TForm_Spravka_prodajba::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm_Spravka_prodajba::FormShow()
{
    CheckListBox_Dok->clear();
    try {
        for (const QString &name : TabPrintPanel::documentsFor(QStringLiteral("МАГАЗИН")))
            TickList::addItem(CheckListBox_Dok, name);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
    }
    // The operator's right on "Анулиране" → "Продажба".
    Button_Invalidate_Sales->setEnabled(ItemRights::allows(QStringLiteral("N_Invalidate_Sales")));
}

void TForm_Spravka_prodajba::ChkBox_KontragentClick()
{
    const bool on = ChkBox_Kontragent->isChecked();
    Label_Kontragent->setEnabled(on);
    if (!on) {
        Label_Kontragent->setText(NoCounterparty);
        return;
    }
    CounterpartyPickMode = PickMode;
    TForm_Kontrakents::N_KlientiClick(this);
    CounterpartyPickMode = -1;
}

void TForm_Spravka_prodajba::ChkBox_ArtikulClick()
{
    clearList();
    const bool on = ChkBox_Artikul->isChecked();
    Label_artikul->setEnabled(on);
    if (!on) {
        Label_artikul->setText(NoArticle);
        m_articles.clear();
        return;
    }
    ArticlePickMode = PickMode;
    TForm_Artikuli::N_ArtikuliClick(this);
    ArticlePickMode = -1;
}

void TForm_Spravka_prodajba::ChkBox_DataClick()
{
    const bool on = ChkBox_Data->isChecked();
    ComboBox_Select_Data->setEnabled(on);
    DateTimePicker_Data_Ot->setEnabled(on);
    ComboBox_Select_Data->setCurrentIndex(ReportFilter::Equal);
    ComboBox_Select_DataChange();
    DateTimePicker_Data_Ot->setDate(QDate::currentDate());
}

void TForm_Spravka_prodajba::CheckBox_T_ProdajbaClick()
{
    const bool on = CheckBox_T_Prodajba->isChecked();
    ComboBox_T_Prodajba->setEnabled(on);
    DateTimePicker_T_Prodajba_Ot->setEnabled(on);
    ComboBox_T_Prodajba->setCurrentIndex(ReportFilter::Equal);
    ComboBox_T_ProdajbaChange();
    DateTimePicker_T_Prodajba_Ot->setTime(QTime::currentTime());
}

void TForm_Spravka_prodajba::ChkBox_SumaClick()
{
    const bool on = ChkBox_Suma->isChecked();
    ComboBox_Select_Suma->setEnabled(on);
    Edit_Ot->setEnabled(on);
    ComboBox_Select_Suma->setCurrentIndex(ReportFilter::Equal);
    ComboBox_Select_SumaChange();
}

void TForm_Spravka_prodajba::ComboBox_Select_DataChange()
{
    const bool between = ComboBox_Select_Data->currentIndex() == ReportFilter::Between;
    DateTimePicker_Data_Do->setVisible(between);
    m_fromLabels[0]->setVisible(between);
    m_toLabels[0]->setVisible(between);
    if (between)
        DateTimePicker_Data_Do->setDate(QDate::currentDate());
}

void TForm_Spravka_prodajba::ComboBox_T_ProdajbaChange()
{
    const bool between = ComboBox_T_Prodajba->currentIndex() == ReportFilter::Between;
    DateTimePicker_T_Prodajba_Do->setVisible(between);
    m_fromLabels[1]->setVisible(between);
    m_toLabels[1]->setVisible(between);
    if (between)
        DateTimePicker_T_Prodajba_Do->setTime(QTime::currentTime());
}

void TForm_Spravka_prodajba::ComboBox_Select_SumaChange()
{
    const bool between = ComboBox_Select_Suma->currentIndex() == ReportFilter::Between;
    Edit_Do->setVisible(between);
    m_fromLabels[2]->setVisible(between);
    m_toLabels[2]->setVisible(between);
}

void TForm_Spravka_prodajba::ChkBox_OperatorsClick()
{
    const bool on = ChkBox_Operators->isChecked();
    ComboBox_Operators->setEnabled(on);
    ComboBox_Operators->clear();
    if (!on)
        return;
    try {
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Ime FROM Operators ORDER BY ID")))
            ComboBox_Operators->addItem(r.value(0).toString());
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Операторите не могат да бъдат прочетени:\n") + e.message(), this);
    }
    ComboBox_Operators->setCurrentIndex(ComboBox_Operators->count() > 0 ? 0 : -1);
}

void TForm_Spravka_prodajba::ChkBox_SkladClick()
{
    const bool on = ChkBox_Sklad->isChecked();
    ComboBox_Sklad->setEnabled(on);
    if (!on)
        return;
    ComboBox_Sklad->clear();
    try {
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID_Sklad, Opis_Sklad FROM Sklad ORDER BY ID_Sklad")))
            ComboBox_Sklad->addItem(r.value(0).toString() + QLatin1Char(':') + r.value(1).toString());
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Складовете не могат да бъдат прочетени:\n") + e.message(), this);
    }
    ComboBox_Sklad->setCurrentIndex(ComboBox_Sklad->count() > 0 ? 0 : -1);
}

void TForm_Spravka_prodajba::CheckBox_Type_PayClick()
{
    ComboBox_Type_Pay->setEnabled(CheckBox_Type_Pay->isChecked());
    ComboBox_Type_Pay->setCurrentIndex(0);
}

SalesReport::Filter TForm_Spravka_prodajba::filter() const
{
    SalesReport::Filter f;
    f.counterparty = ChkBox_Kontragent->isChecked();
    f.counterpartyId = idBeforeColon(Label_Kontragent->text());
    f.articles = ChkBox_Artikul->isChecked();
    f.articleIds = m_articles;
    f.date = ChkBox_Data->isChecked();
    f.dateComparison = ComboBox_Select_Data->currentIndex();
    f.dateFrom = DateTimePicker_Data_Ot->date();
    f.dateTo = DateTimePicker_Data_Do->date();
    f.time = CheckBox_T_Prodajba->isChecked();
    f.timeComparison = ComboBox_T_Prodajba->currentIndex();
    f.timeFrom = DateTimePicker_T_Prodajba_Ot->time();
    f.timeTo = DateTimePicker_T_Prodajba_Do->time();
    f.amount = ChkBox_Suma->isChecked();
    f.amountComparison = ComboBox_Select_Suma->currentIndex();
    f.amountFrom = Edit_Ot->text();
    f.amountTo = Edit_Do->text();
    f.operatorName = ChkBox_Operators->isChecked();
    f.operatorText = ComboBox_Operators->currentText();
    f.payType = CheckBox_Type_Pay->isChecked();
    f.payTypeText = ComboBox_Type_Pay->currentText();
    f.warehouse = ChkBox_Sklad->isChecked();
    f.warehouseId = ComboBox_Sklad->currentIndex() < 0 ? -1 : idBeforeColon(ComboBox_Sklad->currentText());
    return f;
}

void TForm_Spravka_prodajba::clearList()
{
    m_sales->clear();
}

void TForm_Spravka_prodajba::Button_SearchClick()
{
    const SalesReport::Where w = SalesReport::where(filter());
    if (!w.ok()) {
        Dialogs::message(w.error, this);
        return;
    }
    m_where = w;
    m_sortField.clear();
    runList({}, true);
}

void TForm_Spravka_prodajba::runList(const QString &sortField, bool recount)
{
    HelpActions::SearchIndicator indicator;
    try {
        if (recount) {
            const SalesReport::Totals t = SalesReport::totals(m_where);
            Label_Ob6to_SUM->setText(CashCaption + ReportParts::money(t.cash));
            Label_Ob6to_SUM_Konsign->setText(OpenCaption + ReportParts::money(t.open));
            Label_Ob6to_SUM_Plateni_Konsign->setText(PaidCaption + ReportParts::money(t.paidCredit));
            m_rows = t.rows;
        }
        // A page at a time: the sales run to many thousands.
        const SalesReport::List l = SalesReport::list(m_where, m_rows, sortField, SortDirection == 1);
        if (l.byIndex)
            m_sales->setKeysetQuery(*l.byIndex, m_rows);
        else
            m_sales->setKeyedQuery(l.keySql, l.params, l.rowSql, QStringLiteral("ID_Red"));
        m_sales->setShownColumns(int(SalesReport::listFields().size()));
        for (const QString &field : SalesReport::listFields())
            m_sales->setHeaderTitle(field, QString::fromUtf8(SalesReport::listTitle(field)));
        m_sortField = sortField;
        static const QHash<QString, int> widths{
            {QStringLiteral("ID_Prodajba"), 44}, {QStringLiteral("ID_art"), 52},    {QStringLiteral("ID_Grupa"), 50},
            {QStringLiteral("Ime_Grupa"), 100},  {QStringLiteral("Opisanie"), 153}, {QStringLiteral("Kol"), 43},
            {QStringLiteral("T_O"), 47},         {QStringLiteral("Suma"), 70},      {QStringLiteral("D_Prodajba"), 87},
            {QStringLiteral("T_Prodajba"), 87},  {QStringLiteral("Ime_Firma"), 165}, {QStringLiteral("Operator"), 114},
            {QStringLiteral("Pored_ot"), 100},   {QStringLiteral("Pored_Do"), 100}, {QStringLiteral("Type_Pay"), 100},
            {QStringLiteral("Term_N"), 60},      {QStringLiteral("Opis_Sklad"), 100}};
        const QStringList fields = SalesReport::listFields();
        for (int c = 0; c < fields.size(); ++c)
            if (widths.contains(fields.at(c)))
                DBGrid1->setColumnWidth(c, std::max(widths.value(fields.at(c)),
                                                    DBGrid1->horizontalHeader()->sectionSizeHint(c)));
        // A new order starts at its first row: left where the old one was
        // scrolled, the grid would read pages far into it. Nothing is marked
        // by it: the marked sales are those printed or cancelled.
        DBGrid1->scrollToTop();
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Справката не може да бъде изпълнена:\n") + e.message(), this);
    }
}

void TForm_Spravka_prodajba::DBGrid1TitleClick(int column)
{
    const QStringList fields = SalesReport::listFields();
    if (column < 0 || column >= fields.size() || m_sales->sql().isEmpty())
        return;
    SortDirection = SortDirection == 0 ? 1 : 0;
    runList(fields.at(column), false);
}

QStringList TForm_Spravka_prodajba::exportTitleLines() const
{
    QStringList lines{QString(), QStringLiteral("\tСправка продажби "), QString(), exportDateLine(),
                      QStringLiteral("\tТЪРСЕНЕ ПО:")};
    if (ChkBox_Kontragent->isChecked())
        lines << QStringLiteral("\t  Контрагент:") + Label_Kontragent->text();
    if (ChkBox_Artikul->isChecked())
        lines << QStringLiteral("\t  Артикул:") + Label_artikul->text();
    if (ChkBox_Data->isChecked())
        lines << QStringLiteral("\t  Дата:")
                     + criterion(ComboBox_Select_Data, Dates::toShort(DateTimePicker_Data_Ot->date()),
                                 Dates::toShort(DateTimePicker_Data_Do->date()));
    if (CheckBox_T_Prodajba->isChecked())
        lines << QStringLiteral("\t  Час:")
                     + criterion(ComboBox_T_Prodajba, Dates::timeText(DateTimePicker_T_Prodajba_Ot->time()),
                                 Dates::timeText(DateTimePicker_T_Prodajba_Do->time()));
    if (ChkBox_Suma->isChecked())
        lines << QStringLiteral("\t  Сума:") + ComboBox_Select_Suma->currentText() + QLatin1Char(' ')
                     + (ComboBox_Select_Suma->currentIndex() == ReportFilter::Between
                            ? Edit_Ot->text().trimmed() + QStringLiteral(" - ") + Edit_Do->text().trimmed()
                            : Edit_Ot->text().trimmed());
    if (ChkBox_Operators->isChecked())
        lines << QStringLiteral("\t  Оператор:") + ComboBox_Operators->currentText();
    if (CheckBox_Type_Pay->isChecked())
        lines << QStringLiteral("\t  Тип на плащане:") + ComboBox_Type_Pay->currentText();
    return lines;
}

void TForm_Spravka_prodajba::Button1Click()
{
    if (m_sales->rowCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return;
    }
    showExportChooser();
    ListExport file(QStringLiteral("Spr_Prod"));
    file.addLines(exportTitleLines());
    file.PRINT_INTO(DBGrid1);
    file.addLine();
    file.addLine();
    for (QLabel *total : {Label_Ob6to_SUM, Label_Ob6to_SUM_Konsign, Label_Ob6to_SUM_Plateni_Konsign}) {
        file.addLine(QLatin1Char('\t') + total->text());
        file.addLine();
    }
    file.addLine(QLatin1Char('\t') + ReportFooter);
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), this);
        return;
    }
    SHELLEXECUTE_OPENFILE(file.filePath());
}

void TForm_Spravka_prodajba::Button3Click()
{
    programPrintState().PrintCallerCode = CallerSalesReport;
    const QList<int> rows = GridSelection::markedRows(DBGrid1);
    if (rows.isEmpty()) {
        Dialogs::message(QStringLiteral("Не са избрани данни за документа"), this);
        return;
    }
    PrintRoadRequest r;
    r.callerCode = CallerSalesReport;
    r.documents = TickList::tickedTexts(CheckListBox_Dok);
    r.printers = {Report::printerForPrintout()};
    QList<long long> keys;
    QList<PrintLogLines::MarkedSale> marked;
    ExactSum total;
    try {
        for (const QSqlRecord &rec : m_sales->records(rows)) {
            keys.append(rec.value(QStringLiteral("ID_Red")).toLongLong());
            marked.append({rec.value(QStringLiteral("ID_Prodajba")).toLongLong(),
                           rec.value(QStringLiteral("ID_art")).toLongLong(),
                           rec.value(QStringLiteral("ID_Klient")).toLongLong()});
            total += Money::lineAmount(rec.value(QStringLiteral("Kol")), rec.value(QStringLiteral("Ed_Cena")),
                                       rec.value(QStringLiteral("Kurs")), rec.value(QStringLiteral("T_O")));
        }
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Избраните продажби не могат да бъдат прочетени:\n") + e.message(), this);
        return;
    }
    const QString op = AppState::instance().currentOperator();
    r.counterparty = marked.first().counterparty;
    r.total = total.rounded(2); // the marked sales as one bill
    r.logLines = PrintLogLines::sales(marked, op);
    r.query = [keys, op](const QString &document, const Layout::Document &, Report::Data *data, QString *error) {
        return SalesReport::documentLines(document, keys, op, data, error);
    };
    r.atEnd = [this] { TickList::setAll(CheckListBox_Dok, false); };
    r.parent = this;
    DocumentPrintRoad(r).run();
}

long long TForm_Spravka_prodajba::rowKey(int row) const
{
    return m_sales->value(row, QStringLiteral("ID_Red")).toLongLong();
}

QList<long long> TForm_Spravka_prodajba::markedRows() const
{
    QList<long long> keys;
    for (int r : GridSelection::markedRows(DBGrid1))
        keys << rowKey(r);
    return keys;
}

void TForm_Spravka_prodajba::Button_Invalidate_SalesClick()
{
    N_Invalidate_SalesClick(this);
}

void TForm_Spravka_prodajba::N_Invalidate_SalesClick(QWidget *parent)
{
    TForm_Spravka_prodajba *report = g_form;
    if (!report || !report->isVisible())
        return;
    QList<long long> rows = report->markedRows();
    if (rows.isEmpty() || !ItemRights::permit(QStringLiteral("N_Invalidate_Sales"), parent))
        return;
    if (!Dialogs::yesNo(QStringLiteral("Найстина ли желаете да анулирате избраните продажби"), parent))
        return;
    PromptMode = 3;
    TForm_Get_Kol *prompt = promptDialog();
    if (Dialogs::exec(prompt) != TForm_Get_Kol::ResultOk)
        return;
    const QString reason = prompt->Edit_Kol->text();
    const QString op = AppState::instance().currentOperator();
    const long long active = AppState::instance().activeWarehouseId();
    std::reverse(rows.begin(), rows.end()); // from the last marked row to the first
    for (long long key : rows) {
        try {
            // The questions come before the row's transaction.
            const auto sale = SalesCancel::read(key);
            if (!sale) {
                Dialogs::message(QStringLiteral("Продажбата вече е анулирана на друго място."), parent);
                continue;
            }
            if (sale->article == 0) {
                Dialogs::message(QStringLiteral("Записът е плащане по договор за отложено плащане и не може да бъде "
                                                "анулиран: вноската му би останала платена."),
                                 parent);
                continue;
            }
            if (SalesCancel::hasShopDocuments(sale->number))
                Dialogs::yesNo(QStringLiteral("Има издадени документи свързани с тази продажба!\nЖелаете ли те да "
                                              "бъдат анулирани?"),
                               parent);
            const bool restore =
                Dialogs::yesNo(QStringLiteral("Желаете ли да бъде възстановено количеството"), parent);
            const SalesCancel::Outcome done = SalesCancel::cancel(key, reason, op, restore, active);
            if (done == SalesCancel::Gone)
                Dialogs::message(QStringLiteral("Продажбата вече е анулирана на друго място."), parent);
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
            Dialogs::message(QStringLiteral("Продажбата не беше анулирана:\n") + QString::fromUtf8(e.what()), parent);
            break;
        }
    }
    report->runList(report->m_sortField, true); // the cancellation shows at once
}
