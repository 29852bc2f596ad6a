#pragma once
#include "common/decimal.h"
#include "common/record_values.h"

#include <QString>
#include <QVariant>

class SqlListModel;

// Small operations every window shares that need the database or the run's
// state: next free number, existence test, VAT split, list re-sorting and the
// price-formula trial. The pure value checks are in common/record_values.h;
// the key of a reference text is GetID_MFromTreeNodeName (common/reference_text.h).

// MAX(column) + 1 of the table (1 for an empty table); 0 on any failure
// (unknown table or column, a maximum that is no whole number), silently.
// For display only: a new record takes its number through NextNumber, which
// reads and inserts in one write transaction.
long long GET_MAX_NUMBER(const QString &table, const QString &column);

// True when at least one row has the column equal to the value (bound, never
// spliced). A failing query throws DbError to the caller.
bool CHECK_REPEATED_NUMBERS(const QString &table, const QString &column, const QVariant &value);

// The split of a VAT-inclusive amount by the percent of [Firm_Data] DDS.
struct DdsSplit {
    Decimal Amount;        // the amount split
    QString AmountText;    // the amount as "%4.2f"
    QString AmountInWords; // Sum_To_Words of it
    Decimal VatRate;       // the percent
    Decimal NetAmount;     // amount / (1 + rate/100), to eight decimals
    Decimal VatAmount;     // amount - net
    // The split as a page shows it at `decimals` places: the net of the
    // amount shown, rounded once; the VAT the amount shown less that net, so
    // the two shown add up to the amount shown.
    Decimal netShown(int decimals = 2) const;
    Decimal vatShown(int decimals = 2) const;
};
// Throws std::invalid_argument (with a Bulgarian text) when the stored
// percent is no number from 0 to 100.
DdsSplit GET_DDS(Decimal amount);
DdsSplit GET_DDS(double amount); // a column's value, read as Decimal::fromDouble

// Re-runs the list sorted by `field` in SortDirection (0 ascending, 1
// descending, otherwise the engine's order): the first line of its SQL is
// kept and the second becomes " ORDER BY <field> <direction>". On failure
// shows "Няма данни за подреждане" and returns false.
bool ORDER_SQL(SqlListModel &list, const QString &field);

// Trial of a price formula: digits (several make one number, "." the
// separator), + - * /, brackets, P the selling and D the delivery price of a
// sample article; "a % b" is b percent of a, and a trailing "b%" after + or -
// is b percent of the left operand ("D+20%"). Other characters are skipped.
// The result is formatted with width 4 and PriceDecimals decimals; an empty
// formula gives zero. A malformed formula (or division by zero) gives
// "Невалидна формула" and *ok false.
QString GETRESULT_FORMULA(const QString &formula, double sellingPrice, double deliveryPrice,
                          bool *ok = nullptr);
