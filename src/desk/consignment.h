#pragma once
#include "common/decimal.h"

#include <QDate>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>


// Deferred-payment contracts (Konsignation) and their instalments (Vnoski).
// A contract is made by the sale it belongs to: the contract window only
// prepares a draft, the sale's transaction inserts it. Functions that read or
// write the database throw DbError unless they say otherwise.
namespace Consignment {
inline constexpr const char *WorkTable = "Konsignation_TMP";
enum Period { Months = 0, Days = 1 };
enum Method { EqualInstalments = 0, WithDownPayment = 1 };

// The debt: (purchase - down payment) x (1 + rate/100)^count, computed as
// count repetitions of x := x + x x rate / 100, each product rounded at the
// eighth decimal; count <= 0 leaves the difference.
Decimal CALCULATE_KONSIGNACION_SUM(int count, Decimal purchase, Decimal downPayment, Decimal rate);
// The instalments of a debt: the debt in stotinki split into `count` equal
// parts cut to the stotinka, the remainder on the last (100.00 in 3: 33.33,
// 33.33, 33.34). Empty when count < 1.
QList<Decimal> instalments(Decimal debt, int count);

// Due date of instalment k: k calendar months (the day clamped to the month's
// end) or k days after the hand-over. The final date is that of the last one.
QDate dueDate(const QDate &handOver, int period, int k);

// One line of goods as the contract carries it.
struct ContractLine {
    long long openLine = 0; // N_Prodajba of the open desk line (0 for repair lines)
    QString barkod, opisanie;
    double kol = 0;
    QString mqrka;
    double edCena = 0;
    QString valuta, op, poredOt, poredDo;
    double to = 0; // the columns' values, written back as read
};
// An open desk line (source kind 0); nullopt when it is no longer open.
std::optional<ContractLine> GETDATA_TO_KONSIGNATION(long long openLine);
// A repair line (source kind 1), from its row read by field name.
ContractLine repairLine(const QSqlRecord &row);

// The work table of the contract being made (this workstation's work database).
void createWorkTable();
void dropWorkTable();
void insertIntoWorkTable(const ContractLine &line);
void deleteFromWorkTable(const QList<long long> &rows); // by the table's own row number
QString workTableSql();  // the grid's list
Decimal workTablePurchase(); // each line's amount (DeskMoney::amount), summed
QList<ContractLine> workTableLines();

// What "ВЪВЕЖДАНЕ" hands to the sale.
struct Draft {
    long long shownNumber = 0; // the number the window showed
    long long counterparty = 0;
    QDate handOver, finalDate;
    int count = 1;
    int method = EqualInstalments;
    int period = Months;
    Decimal downPayment; // in stotinki; 0 with method 0
    Decimal rate;
    Decimal purchase;
    QList<long long> openLines; // the goods, in the order the grid listed them
};
// Why a draft cannot be saved; empty when it can.
QString checkDraft(const Draft &d);

// Inside the sale's write transaction: numbers and inserts the contract and
// the down-payment record, and queues the down payment's receipt ([Tuning] FB
// 1 or 2). Returns the contract number.
long long insertContract(const Draft &d, const QString &op, int terminal, long long warehouse);

// --- Instalments ---
// The counterparty's open contracts, sorted as texts.
QStringList openContracts(long long counterparty);
bool hasOpenContracts(long long counterparty); // false on a database error
// Every Firmi column of the counterparties with open contracts ("Покажи само длъжници").
QString debtorsSql();

// A contract's debt follows today's rates; an instalment's payments are kept
// as the percent of it they paid (Vnoski.Procent_pay, twelve decimals: with
// eight, 0.01 of 300 000 000.00 was no percent at all), so a payment credits
// exactly what was paid, to the stotinka, up to the range.
inline constexpr long long WholePercent = 100'000'000'000'000LL; // 100 % in 10^-12 percent
struct State {
    bool exists = false;
    long long contract = 0;
    int current = 1;       // the instalment being paid
    long long paidPercent = 0; // of the current instalment, in 10^-12 percent
    int count = 0;
    Decimal rate, downPayment;
    Decimal purchase, total; // the goods and the debt at today's rates
    Decimal instalment;    // the current one, in stotinki (the last takes the remainder)
    Decimal rest;          // of the current instalment, in stotinki
    Decimal contractRest;  // of the whole contract, in stotinki: zero or less closes it
    bool paidUp = false;   // every instalment complete
    bool closed = false;   // Payed "True"
};
State state(long long counterparty, long long contract);
QString goodsSql(); // the contract's goods; parameters: counterparty, contract

struct Payment {
    bool ok = false;
    QString message; // why nothing was written
    Decimal amount;  // paid, in stotinki
    int instalment = 0;
    bool closed = false;
};
// One payment of the current instalment, in one transaction: the Vnoski
// row, the cash record, the closing of the contract when nothing is left of
// it and the queued receipt. `typed` is the partial amount (empty: the rest
// of the instalment). An instalment of 0 is completed without money; a
// contract whose rest is zero or less (today's rates under those of the
// sale, goods cancelled) is closed without money.
Payment pay(long long counterparty, long long contract, bool partial, const QString &typed, const QString &op,
            int terminal, long long warehouse);

// --- Texts ---
struct ContractText {
    long long number = 0;
    QDate handOver;
    QList<ContractLine> lines;
    long long counterparty = 0;
    int count = 1, period = Months;
    Decimal downPayment, total; // the debt as instalments() splits it
    QString op;
};
QStringList contractLines(const ContractText &t);
struct NoteText {
    long long contract = 0;
    bool partial = false;
    QString counterpartyText;
    int instalment = 0;
    QString count;
    QList<QSqlRecord> goods; // Opisanie, Kol, Ed_Cena, Valuta by name
    Decimal typed, rest, instalmentAmount;
};
QStringList noteLines(const NoteText &t);
} // namespace Consignment
