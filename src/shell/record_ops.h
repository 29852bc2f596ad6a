#pragma once
#include <QString>
#include <QVariant>

class SqlListModel;

// Small operations every window shares: next free number, existence test,
// zero padding, EIK/EGN check digits, VAT split, amount in words, list
// re-sorting and the price-formula trial. The key of a reference text is
// GetID_MFromTreeNodeName (common/reference_text.h).

// True when `name` may stand in SQL as a table or column name: letters,
// digits and "_", optionally "schema." before it. Names come from code; this
// only stops a slip from reaching the statement text.
bool IsSqlIdentifier(const QString &name);

// MAX(column) + 1 of the table (1 for an empty table); 0 on any failure
// (unknown table or column, a maximum that is no whole number), silently.
// For display only: a new record takes its number through NextNumber, which
// reads and inserts in one write transaction.
long long GET_MAX_NUMBER(const QString &table, const QString &column);

// True when at least one row has the column equal to the value (bound, never
// spliced). A failing query throws DbError to the caller.
bool CHECK_REPEATED_NUMBERS(const QString &table, const QString &column, const QVariant &value);

// The text left-padded with "0" up to `width`; a longer text comes back unchanged.
QString FORMAT_NUMBERS(const QString &text, int width);

// Check digit (0..9) of a company code over all its characters but the last,
// weighted offset+1, offset+2, ...; a remainder of 10 takes a second pass with
// offset 2, and 10 on the second pass gives 0. A non-digit among the weighted
// characters shows "Невалиден ЕИК" and gives -1.
int Get_EIK(const QString &code, int offset = 0, bool secondPass = false);
// A nine-digit EIK whose computed check digit equals its ninth digit.
bool Check_EIK(const QString &code);
// A ten-digit EGN whose check digit (weights 2 4 8 5 10 9 7 3 6, mod 11,
// 10 giving 0) equals its tenth digit.
bool Check_EGN(const QString &egn);

// A VAT percent as typed or stored: a number from 0 to 100, point or comma.
bool ParseVatPercent(const QString &text, double *percent);

// The split of a VAT-inclusive amount by the percent of [Firm_Data] DDS.
struct DdsSplit {
    QString AmountText;    // the amount as "%4.2f"
    QString AmountInWords; // Sum_To_Words of it
    double VatRate = 0;    // the percent
    double NetAmount = 0;  // amount / (1 + rate/100), not rounded
    double VatAmount = 0;  // amount - net, not rounded
};
// Throws std::invalid_argument (with a Bulgarian text) when the stored
// percent is no number from 0 to 100.
DdsSplit GET_DDS(double amount);

// The amount in Bulgarian words + "лева и " + two-digit stotinki + " стотинки ".
// Amounts from 100 000 up are spelled in full; a negative amount starts with "минус ".
QString Sum_To_Words(double amount);
// The same for a text holding a number (point or comma); throws
// std::invalid_argument when it holds none.
QString Sum_To_Words(const QString &amountText);

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
