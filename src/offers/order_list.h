#pragma once
#include <QDate>
#include <QList>
#include <QString>
#include <QVariantList>

#include <optional>

// The order list (Zaqvki_All): the articles to order from suppliers, with
// the group name of each catalogue article. Rows are only appended and
// deleted. Column names come from the fixed list below, each named by its
// table; every typed value is bound.
namespace OrderList {
enum class Kind { Date, Number, Text, None };

// A grid column, in grid order.
struct Column {
    const char *field; // as the list names it
    const char *title;
    int width;         // pixels; 0 takes the grid's default
    Kind kind;
    QString qualified() const; // "Zaqvki_All.<field>"; the group's "Grupi.Opisanie"
};
const QList<Column> &columns(); // the ten grid columns; the row's ID follows them, not shown
inline constexpr int DescriptionColumn = 3;

// A statement on one line (ORDER_SQL keeps it and adds the order) with its
// bound values; a search adds " ORDER BY <column>" on a second line.
struct ListQuery {
    QString sql;
    QVariantList params;
};
// Every row; a line that is no catalogue article (Art_ID 0), or whose
// article or group is gone, is listed with an empty group.
ListQuery all();

// The comparisons of the search row, in the order the row offers them:
// "равно", "по - малко", "по - голямо", "между".
QStringList comparisonTitles();

// The search on a grid column. Text columns: the value contains `from`
// (letter case ignored, % and _ taken literally); the comparison is not
// read. Number columns: `from` (and `to` for "между") typed numbers, point or
// comma. The date column: the dates `fromDate`, `toDate`. Bounds of "между"
// are included. Nothing for the group column, an unknown comparison or a
// number bound that is no number.
std::optional<ListQuery> search(int column, const QString &comparison, const QString &from, const QString &to,
                                const QDate &fromDate, const QDate &toDate);

// Deletes the rows by ID in one transaction. Throws DbError.
void remove(const QList<long long> &ids);

// An order line as stored.
struct Line {
    QDate date;
    long long article = 0; // Produkti.ID; 0 for a line that is no catalogue article
    QString catalogueNumber;
    QString description;
    double quantity = 0;
    double price = 0;
    QString currency;
    QString requester;
    QString supplier;
};
// Appends the lines in one transaction: all or none. Throws DbError.
void append(const QList<Line> &lines);
} // namespace OrderList
