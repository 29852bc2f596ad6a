#pragma once
#include "common/decimal.h"

#include <QDate>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariantList>

// The repair work list's business: the search over the intakes, the repair
// lines of an intake, the state change and the issue of repaired intakes
// into the archive (R_Priem, R_Remont).
namespace RepairWork {
inline constexpr int CriterionCount = 14;
inline constexpr int DefaultCriterion = 4; // "Описание"
inline constexpr int StateCriterion = 1;
inline constexpr int ArticleCriterion = 2; // "Арт. N"
inline constexpr int CounterpartyCriterion = 12;

enum class Input { Text, State, Date, Counterparty };
// The criterion's search input; also the intake grid's column of that index.
Input inputOf(int criterion);
QStringList criterionTitles(); // the 14 column titles, in column order
QString criterionField(int criterion);

struct Search {
    int criterion = -1; // -1 (or past 13): no condition
    QString text;       // text criteria; the intake number for criterion 0
    long long stateId = 0;
    QDate date;
    long long counterparty = 0;
};
struct Query {
    QString sql;
    QVariantList params;
};
// The intake list: the intake's columns in the grid's order (criterion
// index = column index), then its state number and client number. The
// state is left-joined: an intake whose state row is gone is listed with
// an empty state. Returns an error text (nothing to run) for an intake
// number that is not a whole number.
QString searchQuery(const Search &search, Query *query);
inline constexpr int StatusColumn = 14;  // Priem_Ser.Status
inline constexpr int ClientColumn = 15;  // Priem_Ser.ID_Kontrag
inline constexpr int ColorColumn = 16;   // Status_Remont.Color, null without a state row

// The lines of an intake with their value in lev (Suma, null when the
// currency has no rate) and the rate (Kurs).
Query linesQuery(long long intake);
// A repair's total in leva: its lines (Kol, Ed_Cena and Kurs by name) summed
// exactly and rounded once at `decimals` places; a line whose currency has
// no rate adds nothing.
Decimal linesTotal(const QList<QSqlRecord> &lines, int decimals);
QStringList lineTitles(); // the lines grid's titles, in column order

struct Line {
    QString remont;
    double kol = 1;
    double price = 0;
    QString currency;
    QDate warranty;
    QString serial;
    bool replaced = false;
    QString operatorName;
};
enum class AddResult { Added, IntakeGone };
// Adds a line in one write transaction while the intake is still waiting
// in Priem_Ser. Throws DbError.
AddResult addLine(long long intake, const Line &line);
void deleteLine(long long lineId);                   // throws DbError
void setState(long long intake, long long stateId);  // throws DbError

// The warranty end of a line: "Дни" today + n, "Месеци" today + 30 n.
enum class WarrantyUnit { Days = 0, Months = 1, UntilDate = 2 };
QDate warrantyUntil(const QDate &today, WarrantyUnit unit, int count);

// Past its repair date, unless the repair date is the reception day.
bool isOverdue(const QDate &today, const QString &receivedIso, const QString &dueIso);

// Of the intakes, those without repair lines, in the given order. Throws DbError.
QList<long long> withoutLines(const QList<long long> &intakes);
// "Без въведен ремонт са приемания N: 12, 15." + line break + "Желаете ли да бъдат издадени?"
QString withoutLinesQuestion(const QList<long long> &intakes);

// Moves every intake with its lines into the archive, all in one write
// transaction: everything or nothing. An intake already issued elsewhere is
// passed over. Returns how many were issued. Throws DbError.
int issue(const QList<long long> &intakes, const QDate &day, const QTime &time);
} // namespace RepairWork
