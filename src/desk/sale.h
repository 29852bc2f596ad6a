#pragma once
#include "common/decimal.h"

#include <QList>
#include <QString>

#include <functional>

// The sale of open desk lines and the cancel of open lines. Both run in one
// write transaction: a failure leaves every line open and nothing recorded.
namespace Sale {
inline const QStringList &payTypes()
{
    static const QStringList types{QStringLiteral("в брой"), QStringLiteral("по банков път"),
                                   QStringLiteral("отложено плащане")};
    return types;
}
enum PayType { Cash = 0, Bank = 1, Deferred = 2 };

struct Request {
    QList<long long> lines;   // N_Prodajba, lowest marked line first
    int payType = Cash;
    long long counterparty = 0; // ID_Klient, 0 none
    QString op;
    int terminal = 1;
    long long warehouse = 0;
    long long contract = 0;   // Konsign_N of a deferred payment
    // Runs inside the sale's transaction before the lines are recorded (the
    // deferred-payment contract); throws to roll the sale back.
    std::function<void()> inTransaction;
};

struct Result {
    bool ok = false;
    QString message;        // why nothing was sold
    QList<long long> sold;  // the lines recorded
    ExactSum total;         // the exact sum of their amounts in leva
};

// Records the lines as sales, lowers the stock of the warehouse, removes the
// open lines and queues the receipt ([Tuning] FB, cash only) and the
// department tickets ([Tuning] 23, whatever the payment). The files are
// written after the commit. A line with a discount above 100 % is not sold.
Result sell(const Request &request);

// The exact sum of the lines' amounts in leva, each at its currency's rate
// (DeskMoney::amount). A line whose currency has no rate: `missingRate`
// names it and the result is 0.
ExactSum linesTotal(const QList<long long> &lines, QString *missingRate);

// The open lines deleted, with the documents printed for them from the shop
// (Printed_Dok rows of Ot_Kade_Prod 1). One transaction; throws DbError.
void cancelLines(const QList<long long> &lines, const QString &op);

// Minimum stock of the article in the warehouse after `quantity` leaves:
// true when the article should be offered for the order list (at or below
// Min_Kol and not listed yet).
bool belowMinimum(long long article, long long warehouse, Decimal quantity);
// Puts the article on the order list unless a row for it has appeared
// meanwhile; one short transaction. Returns true when a row was inserted.
bool addToOrderList(long long article, const QString &currency);
} // namespace Sale
