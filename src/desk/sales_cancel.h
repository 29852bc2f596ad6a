#pragma once
#include <QDate>
#include <QString>
#include <QTime>
#include <QVariantList>

#include <utility>

// Cancelling recorded sales (Prodajbi rows, by their row key ID_Red) into
// Invalidate_Sales, and the report of cancelled sales.
namespace SalesCancel {
// A sales record as the cancellation asks about it; nullopt when it is gone.
struct Sale {
    long long rowKey = 0;
    long long number = 0;  // ID_Prodajba (the open line it came from)
    long long article = 0; // 0 for a payment record
    double quantity = 0;
};
std::optional<Sale> read(long long rowKey); // throws DbError
// A document was printed in the shop for that sale (Printed_Dok, Ot_Kade_Prod 1).
bool hasShopDocuments(long long number); // throws DbError

enum Outcome { Cancelled, Gone, PaymentRecord };
// One row in one transaction: the copy, the delete by the row key, and with
// `restoreStock` the quantity back to the sale's warehouse (the active one
// when the sale has none). Throws DbError (nothing of the row written).
Outcome cancel(long long rowKey, const QString &reason, const QString &op, bool restoreStock,
               long long activeWarehouse);

// The report's filters.
enum Compare { None = -1, Equal = 0, AtMost = 1, AtLeast = 2, Between = 3 };
struct Filter {
    int dateCompare = None;
    QDate dateFrom, dateTo;
    int timeCompare = None;
    QTime timeFrom, timeTo;
    QString op;      // empty: every operator
    QString payType; // empty: every payment type
};
struct Query {
    QString sql;
    QVariantList params;
};
Query reportQuery(const Filter &f);

// Grid titles of the sales record fields and of the cancellation's own.
const QList<std::pair<const char *, const char *>> &titles();
} // namespace SalesCancel
