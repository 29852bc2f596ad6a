#pragma once
#include "platform/db/keyset_reader.h"
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
    // The same conditions for adding the sales up (the same values): all but
    // the narrowest only filter, so its index is the one read.
    QString sumSql;
    // The totals are sums kept as the sales change, not every sale added up:
    // those of each day, payment type, operator and warehouse where no other
    // filter is ticked, those of each time of day where only the time is,
    // those of each amount where only the amount is. `keptFrom` names the
    // table, `keptSql` the condition on it (" AND ...") with `keptValues`.
    // A condition the short list's statement adds (" AND ...", values after
    // the others'): the amount's bounds in each currency, along the index of
    // currency and amount, which the amount in leva cannot use.
    QString keyedSql;
    QVariantList keyedValues;
    bool kept = false;
    bool undated = false; // beside the kept days, the sales of no date added up
    QString keptFrom;
    QString keptSql;
    QVariantList keptValues;
    bool ok() const { return error.isEmpty(); }
};
Where where(const Filter &f);

// "в брой", "по банков път", "отложено плащане" (as the sale stores them).
QStringList payTypes();

// A list of up to this many rows is keyed once per order: its keys are read
// and sorted, a page then read by its keys.
inline constexpr qint64 KeyedRows = 20000;

// How the list of `rows` rows is read in the order of `sortField` (a field
// of the list; none: as sold), ties by the row key in the same direction.
// A long list is read by key a page at a time at any length: in the order of
// one of the sales records' own columns along that column's index; in the
// order of the article, its group number, the counterparty or the warehouse
// that table's row by row (ties by its key), each one's sales along their
// index of it; in the order of the amount, each currency's sales along their
// index of the amount in that currency, merged. A short list is keyed.
struct List {
    std::optional<KeysetList> byIndex;
    QString keySql;     // keyed: every row's ID_Red in order
    QString rowSql;     // keyed: a page's rows by their keys ("%1")
    QVariantList params;
};
List list(const Where &w, qint64 rows, const QString &sortField = {}, bool descending = false);
QStringList listFields();     // the grid's fields, in column order
const char *listTitle(const QString &field);

struct Totals {
    qint64 rows = 0;
    double cash = 0;        // Konsign_N = 0
    double open = 0;        // Konsign_N > 0
    double paidCredit = 0;  // Konsign_N = -1
};
Totals totals(const Where &w); // throws DbError
QString totalsSql(const Where &w); // the sales added up, with w.values
// The rows of the kept sums (of the days, the times of day and the
// amounts) whose count or sum differs from their sales added up (none when
// the two are in step); reads every sale. Throws DbError.
qint64 keptSumsOutOfStep();
// The sales of no article or client that are not kept as such, plus those
// kept that are no sale or have one (none when in step); reads every sale.
qint64 orphansOutOfStep();
// The statements of totals() with their values: the kept sums (of the
// days, with the sales of no date by the date's index), or the sales added
// up along the index of the narrowest condition.
QList<std::pair<QString, QVariantList>> totalsStatements(const Where &w);

// The data of a sales document for the marked sale rows (ID_Red): amounts in
// the sale's own currency, the printing operator, the document's own row.
bool documentLines(const QString &documentName, const QList<long long> &rowKeys, const QString &printingOperator,
                   Report::Data *data, QString *error);
} // namespace SalesReport
