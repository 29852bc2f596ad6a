#include "desk/form_spravka_prodajba.h"

#include "app/app_state.h"
#include "app/form_get_kol.h"
#include "desk/sales_cancel.h"
#include "platform/db/database.h"
#include "platform/db/paged_list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QPointer<TForm_Spravka_prodajba> g_form;
}

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
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    GridSelection::setupList(DBGrid1, m_sales);
    Button_Search = namedButton(QStringLiteral("Button_Search"), QStringLiteral("Справка"), this);
    Button_Search->setDefault(true);
    Button_Invalidate_Sales = namedButton(QStringLiteral("Button_Invalidate_Sales"), QStringLiteral("Анулирай"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button_Search);
    buttons->addWidget(Button_Invalidate_Sales);
    buttons->addStretch();
    auto *frame = new QVBoxLayout(this);
    frame->addLayout(buttons);
    frame->addWidget(DBGrid1, 1);
    resize(1000, 560);
    connect(Button_Search, &QPushButton::clicked, this, &TForm_Spravka_prodajba::Button_SearchClick);
    connect(Button_Invalidate_Sales, &QPushButton::clicked, this,
            &TForm_Spravka_prodajba::Button_Invalidate_SalesClick);
}

void TForm_Spravka_prodajba::open(QWidget *owner)
{
    if (!g_form)
        g_form = new TForm_Spravka_prodajba(owner);
    g_form->Button_SearchClick();
    Dialogs::exec(g_form);
}

void TForm_Spravka_prodajba::Button_SearchClick()
{
    try {
        // Paged: the sales records run to many thousands. The row key comes last and is not shown.
        const qint64 rows = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi")).toLongLong();
        m_sales->setQuery(QStringLiteral("SELECT ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, "
                                         "ED_Cena AS Ed_Cena, Valuta, ID_Klient, T_O, Pored_Ot, Pored_Do, Konsign_N, "
                                         "Type_Pay AS Type_pay, Term_N, ID_Red FROM Prodajbi ORDER BY ID_Red"),
                          {}, rows);
        m_sales->setShownColumns(15);
        for (const auto &[field, title] : SalesCancel::titles())
            m_sales->setHeaderTitle(QString::fromLatin1(field), QString::fromUtf8(title));
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Справката не може да бъде изпълнена:\n") + QString::fromUtf8(e.what()), this);
    }
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
    if (rows.isEmpty())
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
    report->Button_SearchClick();
}
