#include "desk/form_spr_invalidate_sales.h"

#include "app/help_actions.h"
#include "app/price_delegate.h"
#include "common/dates.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/long_texts.h"
#include "platform/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {
QPointer<TForm_Spr_Invalidate_Sales> g_form;

const QStringList &comparisons()
{
    static const QStringList items{QStringLiteral("равно"), QStringLiteral("по - малко"),
                                   QStringLiteral("по - голямо"), QStringLiteral("между")};
    return items;
}

// A filter that nothing feeds yet: shown, but disabled.
QCheckBox *idleFilter(const QString &caption, QWidget *parent)
{
    auto *c = new QCheckBox(caption, parent);
    c->setEnabled(false);
    return c;
}
} // namespace

TForm_Spr_Invalidate_Sales::TForm_Spr_Invalidate_Sales(QWidget *parent)
    : QDialog(parent)
    , m_rows(new SqlListModel(this))
    , m_priceCells(new PriceDelegate(this))
{
    setObjectName(QStringLiteral("Form_Spr_Invalidate_Sales"));
    setWindowTitle(QStringLiteral("Справка анулирани продажби"));
    ChkBox_Data = named(new QCheckBox(QStringLiteral("Дата продажба"), this), "ChkBox_Data");
    ComboBox_Select_Data = named(new QComboBox(this), "ComboBox_Select_Data");
    Label_Data_Ot = new QLabel(QStringLiteral("От"), this);
    Label_Data_Do = new QLabel(QStringLiteral("До"), this);
    DateTimePicker_Data_Ot = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Data_Ot");
    DateTimePicker_Data_Do = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Data_Do");
    ChkBox_T_Prodajba = named(new QCheckBox(QStringLiteral("Час продажба"), this), "ChkBox_T_Prodajba");
    ComboBox_T_Prodajba = named(new QComboBox(this), "ComboBox_T_Prodajba");
    Label_T_Ot = new QLabel(QStringLiteral("От"), this);
    Label_T_Do = new QLabel(QStringLiteral("До"), this);
    DateTimePicker_T_Prodajba_Ot = named(new QTimeEdit(QTime::currentTime(), this), "DateTimePicker_T_Prodajba_Ot");
    DateTimePicker_T_Prodajba_Do = named(new QTimeEdit(QTime::currentTime(), this), "DateTimePicker_T_Prodajba_Do");
    for (QDateEdit *d : {DateTimePicker_Data_Ot, DateTimePicker_Data_Do}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QString::fromLatin1(Dates::ShortFormat));
    }
    for (QTimeEdit *t : {DateTimePicker_T_Prodajba_Ot, DateTimePicker_T_Prodajba_Do})
        t->setDisplayFormat(QString::fromLatin1(Dates::TimeFormat));
    for (QComboBox *c : {ComboBox_Select_Data, ComboBox_T_Prodajba}) {
        c->addItems(comparisons());
        c->setCurrentIndex(-1);
    }
    ChkBox_Operator = named(new QCheckBox(QStringLiteral("Оператор"), this), "ChkBox_Operator");
    ComboBox_Operators = named(new QComboBox(this), "ComboBox_Operators");
    ChkBox_Type_Pay = named(new QCheckBox(QStringLiteral("Тип плащане"), this), "ChkBox_Type_Pay");
    ComboBox_Type_Pay = named(new QComboBox(this), "ComboBox_Type_Pay");
    ComboBox_Type_Pay->addItems({QStringLiteral("в брой"), QStringLiteral("по банков път"),
                                 QStringLiteral("отложено плащане")});
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    GridSelection::setupList(DBGrid1, m_rows);
    Button_Search = namedButton(QStringLiteral("Button_Search"), QStringLiteral("Справка"), this);
    Button_Search->setDefault(true);
    Button_Print = namedButton(QStringLiteral("Button_Print"), QStringLiteral("Печат"), this);
    Button_Print->setEnabled(false);

    auto *filters = new QGridLayout;
    int row = 0;
    const auto rowOf = [&](QWidget *check, QWidget *combo, QWidget *l1, QWidget *w1, QWidget *l2, QWidget *w2) {
        filters->addWidget(check, row, 0);
        if (combo)
            filters->addWidget(combo, row, 1);
        if (l1)
            filters->addWidget(l1, row, 2);
        if (w1)
            filters->addWidget(w1, row, 3);
        if (l2)
            filters->addWidget(l2, row, 4);
        if (w2)
            filters->addWidget(w2, row, 5);
        ++row;
    };
    rowOf(idleFilter(QStringLiteral("Контрагент"), this), nullptr, nullptr, nullptr, nullptr, nullptr);
    rowOf(idleFilter(QStringLiteral("Артикул"), this), nullptr, nullptr, nullptr, nullptr, nullptr);
    rowOf(ChkBox_Data, ComboBox_Select_Data, Label_Data_Ot, DateTimePicker_Data_Ot, Label_Data_Do,
          DateTimePicker_Data_Do);
    rowOf(ChkBox_T_Prodajba, ComboBox_T_Prodajba, Label_T_Ot, DateTimePicker_T_Prodajba_Ot, Label_T_Do,
          DateTimePicker_T_Prodajba_Do);
    rowOf(ChkBox_Operator, ComboBox_Operators, nullptr, nullptr, nullptr, nullptr);
    rowOf(ChkBox_Type_Pay, ComboBox_Type_Pay, nullptr, nullptr, nullptr, nullptr);
    for (const char *caption : {"Сума", "Анулирал", "Основание", "Дата анулиране", "Час анулиране"})
        rowOf(idleFilter(QString::fromUtf8(caption), this), nullptr, nullptr, nullptr, nullptr, nullptr);
    filters->addWidget(Button_Search, 0, 6);
    filters->addWidget(Button_Print, 1, 6);
    filters->setColumnStretch(7, 1);
    auto *frame = new QVBoxLayout(this);
    frame->addLayout(filters);
    frame->addWidget(DBGrid1, 1);
    resize(1100, 620);

    ChkBox_DataClick();
    ChkBox_T_ProdajbaClick();
    ComboBox_Operators->setEnabled(false);
    ComboBox_Type_Pay->setEnabled(false);
    connect(ChkBox_Data, &QCheckBox::clicked, this, &TForm_Spr_Invalidate_Sales::ChkBox_DataClick);
    connect(ChkBox_T_Prodajba, &QCheckBox::clicked, this, &TForm_Spr_Invalidate_Sales::ChkBox_T_ProdajbaClick);
    connect(ComboBox_Select_Data, &QComboBox::activated, this,
            &TForm_Spr_Invalidate_Sales::ComboBox_Select_DataChange);
    connect(ComboBox_T_Prodajba, &QComboBox::activated, this, &TForm_Spr_Invalidate_Sales::ComboBox_T_ProdajbaChange);
    connect(ChkBox_Operator, &QCheckBox::clicked, ComboBox_Operators, &QWidget::setEnabled);
    connect(ChkBox_Type_Pay, &QCheckBox::clicked, ComboBox_Type_Pay, &QWidget::setEnabled);
    connect(Button_Search, &QPushButton::clicked, this, &TForm_Spr_Invalidate_Sales::Button_SearchClick);
}

void TForm_Spr_Invalidate_Sales::N_Spr_Invalidate_SalesClick(QWidget *owner)
{
    if (!g_form)
        g_form = new TForm_Spr_Invalidate_Sales(owner);
    const QString chosen = g_form->ComboBox_Operators->currentText();
    g_form->ComboBox_Operators->clear();
    try {
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Ime FROM Operators ORDER BY Ime")))
            g_form->ComboBox_Operators->addItem(r.value(0).toString());
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
    g_form->ComboBox_Operators->setCurrentIndex(std::max(0, int(g_form->ComboBox_Operators->findText(chosen))));
    Dialogs::exec(g_form);
}

// A date or time filter marked: its comparison "равно" and its first picker today.
void TForm_Spr_Invalidate_Sales::filterToggled(QCheckBox *check, QComboBox *compare, QWidget *first,
                                               const std::function<void()> &today)
{
    const bool on = check->isChecked();
    compare->setEnabled(on);
    first->setEnabled(on);
    if (on) {
        compare->setCurrentIndex(SalesCancel::Equal);
        today();
    }
}

// "между" shows the second picker (set to today when it appears) and the "От" / "До" labels.
void TForm_Spr_Invalidate_Sales::comparisonChanged(QComboBox *compare, const QList<QWidget *> &betweenOnly,
                                                   const std::function<void()> &secondToday)
{
    const bool between = compare->currentIndex() == SalesCancel::Between;
    if (between && !betweenOnly.last()->isVisibleTo(this))
        secondToday();
    for (QWidget *w : betweenOnly)
        w->setVisible(between);
}

void TForm_Spr_Invalidate_Sales::ChkBox_DataClick()
{
    filterToggled(ChkBox_Data, ComboBox_Select_Data, DateTimePicker_Data_Ot,
                  [this] { DateTimePicker_Data_Ot->setDate(QDate::currentDate()); });
    ComboBox_Select_DataChange();
}

void TForm_Spr_Invalidate_Sales::ComboBox_Select_DataChange()
{
    comparisonChanged(ComboBox_Select_Data, {Label_Data_Ot, Label_Data_Do, DateTimePicker_Data_Do},
                      [this] { DateTimePicker_Data_Do->setDate(QDate::currentDate()); });
}

void TForm_Spr_Invalidate_Sales::ChkBox_T_ProdajbaClick()
{
    filterToggled(ChkBox_T_Prodajba, ComboBox_T_Prodajba, DateTimePicker_T_Prodajba_Ot,
                  [this] { DateTimePicker_T_Prodajba_Ot->setTime(QTime::currentTime()); });
    ComboBox_T_ProdajbaChange();
}

void TForm_Spr_Invalidate_Sales::ComboBox_T_ProdajbaChange()
{
    comparisonChanged(ComboBox_T_Prodajba, {Label_T_Ot, Label_T_Do, DateTimePicker_T_Prodajba_Do},
                      [this] { DateTimePicker_T_Prodajba_Do->setTime(QTime::currentTime()); });
}

SalesCancel::Filter TForm_Spr_Invalidate_Sales::filter() const
{
    SalesCancel::Filter f;
    if (ChkBox_Data->isChecked()) {
        f.dateCompare = ComboBox_Select_Data->currentIndex();
        f.dateFrom = DateTimePicker_Data_Ot->date();
        f.dateTo = DateTimePicker_Data_Do->date();
    }
    if (ChkBox_T_Prodajba->isChecked()) {
        f.timeCompare = ComboBox_T_Prodajba->currentIndex();
        f.timeFrom = DateTimePicker_T_Prodajba_Ot->time();
        f.timeTo = DateTimePicker_T_Prodajba_Do->time();
    }
    if (ChkBox_Operator->isChecked())
        f.op = ComboBox_Operators->currentText();
    if (ChkBox_Type_Pay->isChecked())
        f.payType = ComboBox_Type_Pay->currentText();
    return f;
}

void TForm_Spr_Invalidate_Sales::Button_SearchClick()
{
    const SalesCancel::Query q = SalesCancel::reportQuery(filter());
    const HelpActions::SearchIndicator indicator;
    try {
        m_rows->setQuery(q.sql, q.params);
        for (const auto &[field, title] : SalesCancel::titles())
            m_rows->setHeaderTitle(QString::fromLatin1(field), QString::fromUtf8(title));
        // The unit price with the price decimals, as the other grids show money.
        if (const int price = m_rows->fieldIndex(QStringLiteral("Ed_Cena")); price >= 0)
            DBGrid1->setItemDelegateForColumn(price, m_priceCells);
        LongTextStyle::fitColumns(DBGrid1);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Справката не може да бъде изпълнена:\n") + QString::fromUtf8(e.what()), this);
    }
}
