#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

// The statements of the counterparty browser's lists: a group's members, the
// whole register, and the searches of its search bar. Column names come only
// from the fixed list below; every typed value is bound.
namespace CounterpartySearch {
// A grid column of the browser, in grid order.
struct Column {
    const char *field;
    const char *title;
    bool numeric; // compared as a number ("равно", "по - малко", ...); else searched as text
};
const QList<Column> &columns(); // the eleven columns, "Номер" first
QStringList titles();
int columnOfField(const QString &field); // -1 when no grid column shows it

enum Comparison { Equal = 0, AtMost = 1, AtLeast = 2, Between = 3 };
QStringList comparisonTitles(); // "равно", "по - малко", "по - голямо", "между"

inline constexpr const char *RootNodeText = "0:Всички контрагенти";
inline constexpr const char *BadCriteria = "Некоректен критерии за търсене!";

// A list statement: the statement on its first line (ORDER_SQL keeps it and
// replaces the second), its bound values.
struct ListQuery {
    QString sql;
    QVariantList params;
};

// The list of a tree node: the whole register for the root, otherwise only
// the counterparties of the node's own group; by name.
ListQuery groupList(const QString &nodeText);
// Every counterparty, in the order the engine keeps them.
ListQuery allCounterparties();

// The search on a grid column. A number column compares the typed number(s)
// by `comparison`; a text column finds the rows whose text contains the typed
// text, case-insensitive. Nothing (and *message = BadCriteria) when a number
// column gets a text that is no number, or an unknown column is asked for.
std::optional<ListQuery> search(int column, int comparison, const QString &from, const QString &to,
                                QString *message = nullptr);
} // namespace CounterpartySearch
