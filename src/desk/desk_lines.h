#pragma once
#include "common/decimal.h"
#include "desk/desk_money.h"

#include <QHash>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The operator's open sale lines (Prodajbi_Vremenni): bills, totals, the line
// insert and replacement, the desk counterparty's discounts and the general
// discount. Lines belong to the operator named exactly (never a LIKE pattern)
// and to a bill. Functions that read or write the database throw DbError.
namespace DeskLines {
// "0" first, then every bill of the operator's lines, sorted as text, once
// ("0", "10", "2").
QStringList openBills(const QString &op);

// The grid's list of one bill: the lines whose currency has a rate, with
// their amount in leva ("Suma") and, last, their net figures (SUM_BezDDS,
// Bez_DDS) and the rate (Kurs). Parameters: operator, bill.
QString billSql();
// The amounts in leva of the given lines, by line number; a line whose
// currency has no rate is left out.
QHash<long long, ExactSum> amountsInLeva(const QList<long long> &lines);
// A line's money as a row of billSql() (or any row with Kol, Ed_Cena, Kurs, T_O) holds it.
DeskMoney::Line lineMoney(const QSqlRecord &row);

// "Покажи всички данни": every line of the operator, every bill. Parameter: operator.
QString allLinesSql();

// Recomputes the bill: the net figures (VAT from [Firm_Data] DDS) of every
// line are written where they changed, in one transaction (none when
// nothing changed). Returns the exact sum of the lines' amounts in leva; a
// bill past DeskMoney::MaxBill throws DecimalOverflow.
ExactSum recalculate(const QString &op, long long bill, int priceDecimals);
// The same on the bill's rows as billSql() read them.
ExactSum recalculate(const QList<QSqlRecord> &bill, int priceDecimals);

// A line to add (or to put in place of `replacedLine`).
struct NewLine {
    long long article = 0;
    QString quantityText;     // Edit_Broj as typed
    QString priceText;        // Edit_Cena_Nula as typed
    Decimal listPrice;        // DeskListPrice
    QString serialFrom, serialTo;
    long long counterparty = 0; // the desk counterparty's key, 0 none
    QString op;
    long long bill = 0;
    int terminal = 1;
    long long replacedLine = 0; // 0: a new line
    int priceDecimals = 2;
};
struct InsertResult {
    enum Outcome { Written, BadData, NegativeQuantity, OverMaxDiscount, Refused } outcome = BadData;
    Decimal maxDiscount;    // Max_TO, for the message
    Decimal listPrice;      // the article's Ed_Cena, to put back into the price edit
    QString message;        // Refused: why, in Bulgarian
};
// A line that would take its bill past DeskMoney::MaxBill is refused.
InsertResult insertLine(const NewLine &line);

// Lines of a recipe's elements, at price 0, all in one transaction or none.
struct ElementLine {
    long long article = 0;
    QString Opisanie, Mqrka, Valuta;
    Decimal quantity;
    QString serialFrom, serialTo;
    int Dan_Grup = 0;
    long long Prigotvq_Se = 0;
};
void insertElementLines(const QList<ElementLine> &lines, const QString &op, long long bill, int terminal,
                        long long counterparty);

// The counterparty's catalogue number of the article, empty when it has none.
QString catalogueNumber(long long article, long long counterparty);

// The desk counterparty taken: on the given lines, in one transaction, the
// discounts of the counterparty (when `discounts`) and its catalogue numbers
// (when it is one). A stored rule above 100 % is refused (DbError), nothing written.
void applyCounterparty(const QList<long long> &lines, long long counterparty, bool discounts);
// F11: the percent on the given lines, in one transaction; above 100 % it
// throws DbError and writes nothing.
void applyGeneralDiscount(const QList<long long> &lines, Decimal percent);

// The desk counterparty search for what was typed: "+" tax number, "-" EIK,
// "!" number, a Cyrillic letter a name that contains the text (Ч Щ Ю Я stand
// for any one character), anything else every counterparty; a text that
// begins with "0", or an empty one, searches nothing (`run` false).
struct Search {
    bool run = false;
    QString sql; // "ID", "Ime_Firma"
    QVariantList params;
};
Search counterpartySearch(const QString &typed);
} // namespace DeskLines
