#pragma once
#include <QDate>
#include <QString>

// Service-contract numbers: an optional date prefix "DDMMYYYY--" and a serial
// padded to N digits, the serial running over all contracts or per contract
// date. Stored split: Prefics_ID (the 8 date digits) and Dog_ID (the serial).
namespace ContractNumbering {

// [Tuning] 15 to 18 as the settings window couples them: a daily counter
// implies the date prefix, and the date prefix implies the split.
struct Rules {
    int digits = 10;     // 15
    bool split = false;  // 16
    bool dated = false;  // 17
    bool daily = false;  // 18
};
Rules readRules(); // from Firm_Data.ini
Rules coupled(Rules rules);

QString datePrefix(const QDate &date); // "05032024--"
// MAX(serial)+1 of the contracts dated `date`; 1 for a day without contracts.
long long dailyCounter(const QDate &date);
// MAX(serial)+1 over every contract; 1 on an empty table.
long long nextSerial();
// The serial padded with zeros to `digits`; a longer one is kept whole.
QString serialText(long long serial, int digits);
// The number the rules propose for contracts dated `date`. Reads the database:
// inside a write transaction when the number is to be stored.
QString propose(const Rules &rules, const QDate &date);

struct Split {
    QString prefix;
    QString serial;
};
// With the split rule a prefix is taken only when characters 9 and 10 are
// "--" with 8 digits before them; otherwise the whole number is the serial.
Split split(const QString &number, const Rules &rules);
// The number as shown: prefix immediately followed by the serial.
inline QString whole(const Split &s) { return s.prefix + s.serial; }
} // namespace ContractNumbering

// Saving a device's contract.
namespace Contracts {
// The device's contract with the latest valid-until date; empty fields when it has none.
struct Stored {
    bool exists = false;
    QString prefix, serial, kind;
    QDate from, until;
};
Stored latest(const QString &device);

struct Input {
    QString device;        // the device last looked up or just registered
    QString number;        // as the editor holds it
    QString proposed;      // the number the mode proposed; empty when it showed a valid one
    QDate numberingDate;   // the date the proposal was made for
    Stored shown;          // the valid contract the mode showed (exists false otherwise)
    QString kind;
    QDate from, until;
    int existingFlag = 0;  // 0 insert a row, 1 rewrite the device's rows
};

enum class Result { Saved, NoDevice, BadNumber, NumberTaken, BadDates, NothingToDo };
QString message(Result result);

// Checks and writes in one transaction. An unchanged proposal is numbered
// afresh inside it, so two workstations never store the same number; `stored`
// gets what was written. Throws DbError on a database failure.
Result save(const Input &input, const ContractNumbering::Rules &rules, ContractNumbering::Split *stored = nullptr);
} // namespace Contracts
