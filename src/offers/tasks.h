#pragma once
#include <QDate>
#include <QDateTime>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

// Tasks (Zada4i_Zadanie): work that a counterparty assigns to the firm, with
// performers, a status, the assigned and the due moment, a repetition choice
// and a note. Dates are stored as ISO texts, times as HH:mm:ss.
namespace Tasks {
inline constexpr const char *Table = "Zada4i_Zadanie";

inline constexpr const char *StatusAssigned = "Възложен";
inline constexpr const char *StatusRunning = "Изпълнява се";
inline constexpr const char *StatusPostponed = "Отложен";
inline constexpr const char *StatusDone = "Изпълнен";
// The statuses a change offers (a new task starts as StatusAssigned).
QStringList changeStatuses();

enum Repetition { Once = 0, Hourly = 1, Daily = 2, Weekly = 3, Monthly = 4 };
QStringList repetitionTitles(); // "еднократно", "всеки час", ... by index

struct Task {
    long long id = 0; // 0 while not saved
    QString description;
    QString performers;
    QString status;
    long long assigner = -1; // Firmi.ID, -1 when none was picked
    QDate assignedDate;
    QTime assignedTime;
    QDate dueDate;
    QTime dueTime;
    QString note;
    int repetition = Once;
};

// The due moment a repetition choice gives from the assigned moment; "once"
// keeps `currentDue`. "всеки месец" adds 30 days, not a calendar month; "всеки
// час" may pass into the next day.
QDateTime dueMoment(int repetition, const QDateTime &assigned, const QDateTime &currentDue);

// The due moment must not come before the assigned one (to the second).
enum class MomentCheck { Ok, DueDateEarlier, DueTimeEarlier };
MomentCheck checkMoments(const Task &task);
inline constexpr const char *DueDateEarlierMessage =
    "Не е позволено дата на изпълнение\nда е преди дата на възлагане";
inline constexpr const char *DueTimeEarlierMessage =
    "Не е позволено час на изпълнение\nда е преди час на възлагане";

// Both throw DbError. insert returns the new task's ID; update returns false
// when the task no longer exists.
long long insert(const Task &task);
bool update(const Task &task);
std::optional<Task> load(long long id); // throws DbError
Task fromRecord(const QSqlRecord &row);  // a row of the task table or list

// The counterparty number of the assigner edit's text: the key of an
// "ID:Name" text, -1 for anything typed without a pick.
long long assignerKey(const QString &editText);

// Font colour of a list row: a "Възложен" task from the start of its due day
// red; running green, postponed blue, whatever the date; everything else plain.
// Statuses compare without regard to letter case.
enum class RowColour { Plain, Red, Green, Blue };
RowColour rowColour(const QString &status, const QString &dueIso, const QDateTime &now);

// The execution protocol of the editor's current values: 36 lines. `id` 0
// (a task not saved yet) leaves the task number empty.
QStringList protocolLines(const Task &task, const QString &assignerText, const QString &firmName,
                          const QString &firmAddress, const QDateTime &now);
inline constexpr const char *ProtocolFile = "ProtZadanie.txt";
} // namespace Tasks
