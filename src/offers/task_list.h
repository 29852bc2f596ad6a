#pragma once
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

// The statements of the task list: every task with its assigner's name, and
// the searches of its search row. Column names come only from the fixed list
// below, each named by its table; every typed value is bound.
namespace TaskList {
enum class Kind { Text, Date, Time };

// A grid column of the list, in grid order.
struct Column {
    const char *table;
    const char *field;
    const char *title;
    int width; // pixels
    Kind kind;
    QString qualified() const; // "<table>.<field>"
};
const QList<Column> &columns(); // the nine grid columns
// Fields the list reads after the grid's columns (not shown).
QStringList hiddenFields(); // ID, Vazlojil_Klient, Povtorenie

// A list statement on one line (ORDER_SQL keeps it and adds the order) and
// its bound values.
struct ListQuery {
    QString sql;
    QVariantList params;
};
// Every task; a task whose assigner is missing is listed with an empty name.
ListQuery allTasks();

// The comparisons of the search row, in the order the list offers them.
QStringList comparisonTitles(); // "равно", "по - голямо", "по - малко", "между"

// The search on a grid column. A text column finds the tasks whose text
// contains `text` (letter case ignored, % and _ taken literally). A date
// column compares the dates of `from` (and `to` for "между"), a time column
// their times to the minute: "равно" takes the whole minute, a bound includes
// its whole minute. The comparison is read by its text. Nothing for an
// unknown column or comparison.
std::optional<ListQuery> search(int column, const QString &comparison, const QString &text,
                                const QDateTime &from, const QDateTime &to);
} // namespace TaskList
