#pragma once
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

// (purchase - down payment) x (1 + rate/100)^count; count <= 0 leaves the difference.
double CALCULATE_KONSIGNACION_SUM(int count, double purchase, double downPayment, double rate);

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
    double to = 0;
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
double workTablePurchase(); // each line at its currency's rate, less its discount
QList<ContractLine> workTableLines();

// What "ВЪВЕЖДАНЕ" hands to the sale.
struct Draft {
    long long shownNumber = 0; // the number the window showed
    long long counterparty = 0;
    QDate handOver, finalDate;
    int count = 1;
    int method = EqualInstalments;
    int period = Months;
    double downPayment = 0; // 0 with method 0
    double rate = 0;
    double purchase = 0;
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

struct State {
    bool exists = false;
    long long contract = 0;
    int current = 1;       // the instalment being paid
    long long paidHundredths = 0; // of the current instalment, in hundredths of a percent
    int count = 0;
    double rate = 0, downPayment = 0;
    double purchase = 0, total = 0, instalment = 0;
    double rest = 0;       // of the current instalment, rounded to stotinki
    bool paidUp = false;   // every instalment complete
};
State state(long long counterparty, long long contract);
QString goodsSql(); // the contract's goods; parameters: counterparty, contract

struct Payment {
    bool ok = false;
    QString message;   // why nothing was written
    double amount = 0; // paid, in stotinki precision
    int instalment = 0;
    bool closed = false;
};
// One payment of the current instalment, in one transaction: the Vnoski
// row, the cash record, the closing of the contract after its last
// instalment and the queued receipt. `typed` is the partial amount (empty:
// the rest of the instalment).
Payment pay(long long counterparty, long long contract, bool partial, const QString &typed, const QString &op,
            int terminal, long long warehouse);

// --- Texts ---
struct ContractText {
    long long number = 0;
    QDate handOver;
    QList<ContractLine> lines;
    long long counterparty = 0;
    int count = 1, period = Months;
    double downPayment = 0, instalment = 0, total = 0;
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
    double typed = 0, rest = 0, instalmentAmount = 0;
};
QStringList noteLines(const NoteText &t);
} // namespace Consignment
