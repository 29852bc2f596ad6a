#pragma once
#include "platform/report/report_model.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariantList>

// The sales report's list, totals and issued document: plain queries over
// Prodajbi that the window runs on its own models.
namespace SalesReport {

// The ticked filters, as the window's controls hold them.
struct Filter {
    bool counterparty = false;
    long long counterpartyId = 0;
    bool articles = false;
    QStringList articleIds; // the report's own copy of its pick
    bool date = false;
    int dateComparison = 0; // ReportFilter::Comparison
    QDate dateFrom, dateTo;
    bool time = false;
    int timeComparison = 0;
    QTime timeFrom, timeTo;
    bool amount = false;
    int amountComparison = 0;
    QString amountFrom, amountTo; // typed, point or comma
    bool operatorName = false;
    QString operatorText;
    bool payType = false;
    QString payTypeText;
    bool warehouse = false;
    long long warehouseId = 0;
};

// " AND ..." with its values; `error` in Bulgarian when the filter is refused.
struct Where {
    QString sql;
    QVariantList values;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
Where where(const Filter &f);

// "в брой", "по банков път", "отложено плащане" (as the sale stores them).
QStringList payTypes();

// The list: line 1 the statement, line 2 its order (the row key last, so
// pages neither repeat nor skip rows). `sortField` is a field of the list.
QString listSql(const Where &w, const QString &sortField = {}, bool descending = false);
QStringList listFields();     // the grid's fields, in column order
const char *listTitle(const QString &field);

struct Totals {
    qint64 rows = 0;
    double cash = 0;        // Konsign_N = 0
    double open = 0;        // Konsign_N > 0
    double paidCredit = 0;  // Konsign_N = -1
};
Totals totals(const Where &w); // throws DbError

// The data of a sales document for the marked sale rows (ID_Red): amounts in
// the sale's own currency, the printing operator, the document's own row.
bool documentLines(const QString &documentName, const QList<long long> &rowKeys, const QString &printingOperator,
                   Report::Data *data, QString *error);
} // namespace SalesReport
