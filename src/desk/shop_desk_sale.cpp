// The sale and the cancel of the shop desk (ShopDesk's handlers).
#include "desk/shop_desk.h"

#include "app/app_state.h"
#include "app/login_request.h"
#include "common/money.h"
#include "common/settings.h"
#include "counterparties/form_kontrakents.h"
#include "desk/consignment.h"
#include "desk/desk_money.h"
#include "desk/form_konsignation.h"
#include "desk/form_pay_type.h"
#include "desk/form_vnoski_kredit.h"
#include "desk/sale.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"

#include <QLineEdit>
#include <QTableView>

#include <algorithm>

void ShopDesk::Button_ProdajbaClick()
{
    const auto finish = [this] {
        Edit_Barkod->setFocus();
        Get_All_Smetki();
    };
    QList<long long> lines = markedLines();
    if (lines.isEmpty()) {
        Dialogs::message(QStringLiteral("Необходимо е да изберете артикули за продажба"), c.DeskArea);
        finish();
        return;
    }
    const long long warehouse = AppState::instance().activeWarehouseId();
    QString missingRate;
    Decimal due;
    try {
        if (warehouse <= 0
            || !Db::scalar(QStringLiteral("SELECT 1 FROM Sklad WHERE ID_Sklad = ?"), {warehouse}).isValid()) {
            Dialogs::message(QStringLiteral("Няма избран активен склад. Изберете склад от \"Складове...\"."),
                             c.DeskArea);
            finish();
            return;
        }
        due = DeskMoney::amountDue(Sale::linesTotal(lines, &missingRate), PriceDecimals);
    } catch (const DecimalOverflow &e) {
        // No amount due is asked for a bill that does not add up.
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Сумата на избраните артикули е над ") + DeskMoney::maxBillText()
                             + QStringLiteral(" Продажбата не може да бъде извършена."),
                         c.DeskArea);
        finish();
        return;
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
    if (!missingRate.isEmpty()) {
        Dialogs::message(QStringLiteral("Няма курс за валутата \"") + missingRate
                             + QStringLiteral("\". Продажбата не може да бъде извършена."),
                         c.DeskArea);
        finish();
        return;
    }

    // The topmost marked line against its minimum stock, asked before any transaction.
    try {
        const auto top = Db::firstRow(
            QStringLiteral("SELECT Barkod, Kol, Opisanie, Valuta FROM Prodajbi_Vremenni WHERE N_Prodajba = ?"),
            {lines.first()});
        if (top
            && Sale::belowMinimum(top->value(0).toLongLong(), warehouse, Decimal::fromVariant(top->value(1)))) {
            const bool add = Settings::readBool(Keys::Tuning_4)
                             || Dialogs::yesNo(QStringLiteral("Артикул: ") + top->value(2).toString()
                                                   + QStringLiteral(" е под минималното количество.\nЖелаете ли да "
                                                                    "бъде въведен в списък за Поръчки?"),
                                               c.DeskArea);
            if (add)
                Sale::addToOrderList(top->value(0).toLongLong(), top->value(3).toString());
        }
    } catch (const std::exception &e) {
        ExceptionLog::write(e); // the order list never stops a sale
    }

    // The deferred path: the counterparty choice marks exactly these lines again.
    const QList<long long> firstMarked = lines;
    TForm_Pay_Type::chooseCounterparty = [this, firstMarked](Decimal *due) {
        chooseSaleCounterparty(firstMarked, due);
        return std::max<long long>(0, counterpartyKey());
    };
    TForm_Pay_Type::openContract = [this](long long, double downPayment, Consignment::Draft *draft) {
        QList<Consignment::ContractLine> goods;
        try {
            for (long long n : markedLines())
                if (const auto l = Consignment::GETDATA_TO_KONSIGNATION(n))
                    goods << *l;
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
        }
        return TForm_Konsignation::INSERTINTO_KONSIGNATION(c.DeskArea->window(), goods,
                                                           c.Label_Selected_Kontragent->text(), downPayment, draft);
    };
    int result = 0;
    // The amount due as the desk shows it.
    TForm_Pay_Type *pay = TForm_Pay_Type::GET_PAY_TYPE(
        c.DeskArea->window(), counterpartyKey(),
        Money::formatWidth(due, 4, PriceDecimals), &result);
    TForm_Pay_Type::chooseCounterparty = {};
    TForm_Pay_Type::openContract = {};
    if (result != QDialog::Accepted || pay->itemIndex() < 0 || pay->itemIndex() > 2) {
        finish();
        return;
    }
    Sale::Request request;
    request.payType = pay->itemIndex();
    request.counterparty = counterpartyKey();
    request.op = operatorName();
    request.terminal = AppState::instance().terminal();
    request.warehouse = warehouse;
    const Consignment::Draft draft = pay->draft();
    if (request.payType == Sale::Deferred) {
        // Exactly the goods the contract kept; lines removed from it stay open.
        lines = draft.openLines;
        request.counterparty = draft.counterparty;
        request.inTransaction = [&request, draft] {
            request.contract = Consignment::insertContract(draft, request.op, request.terminal, request.warehouse);
        };
    }
    std::reverse(lines.begin(), lines.end()); // recorded from the lowest marked line up
    request.lines = lines;
    const Sale::Result sold = Sale::sell(request);
    if (!sold.ok) {
        Dialogs::message(sold.message, c.DeskArea);
        finish();
        return;
    }
    if (request.payType == Sale::Deferred && request.contract != draft.shownNumber)
        Dialogs::message(QStringLiteral("Номер %1 беше зает междувременно: договорът е записан под номер %2.")
                             .arg(draft.shownNumber)
                             .arg(request.contract),
                         c.DeskArea);
    LoginRequest::request();
    finish();
}

void ShopDesk::Button_OtkazClick()
{
    QList<long long> lines = markedLines();
    if (lines.isEmpty())
        return;
    if (!Dialogs::yesNo(QStringLiteral("Наистина ли желаете да откажете избраните артикули"), c.DeskArea))
        return;
    std::reverse(lines.begin(), lines.end());
    try {
        Sale::cancelLines(lines, operatorName());
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Артикулите не бяха отказани:\n") + QString::fromUtf8(e.what()), c.DeskArea);
        return;
    }
    Get_All_Smetki();
    Edit_Barkod->setFocus();
    LoginRequest::request();
}

void ShopDesk::chooseSaleCounterparty(const QList<long long> &firstMarked, Decimal *amountDue)
{
    CounterpartyPickMode = 0;
    TForm_Kontrakents::N_KlientiClick(c.DeskArea->window());
    markLines(firstMarked);
    QString missingRate;
    try {
        *amountDue = DeskMoney::amountDue(Sale::linesTotal(firstMarked, &missingRate), PriceDecimals);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
}

void ShopDesk::SpdBtn_ZadaljeniqClick()
{
    TForm_Vnoski_Kredit::open(c.DeskArea->window(), c.Label_Selected_Kontragent->text());
    Calculate_SUM();
}
