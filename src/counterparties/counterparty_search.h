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

// A list of the browser: the counterparties a condition picks (the whole
// register when there is none) in the order of a field, the number last.
struct ListQuery {
    QString where; // on Firmi's columns; empty: every counterparty
    QVariantList params;
    bool group = false;                          // `where` picks one group
    QString order = QStringLiteral("Ime_Firma"); // a field of the register
    QString sql() const; // the whole list as one statement, in its order
};

// The list of a tree node: the whole register for the root, otherwise only
// the counterparties of the node's own group; by name.
ListQuery groupList(const QString &nodeText);
// Every counterparty, by number (the order they were made in).
ListQuery allCounterparties();
// The counterparties a statement lists (every Firmi column), by name.
ListQuery listedBy(const QString &statement);

// The search on a grid column, its rows by number. A number column compares
// the typed number(s) by `comparison`; a text column finds the rows whose
// text contains the typed text, case-insensitive. Nothing (and *message = BadCriteria) when a number
// column gets a text that is no number, or an unknown column is asked for.
std::optional<ListQuery> search(int column, int comparison, const QString &from, const QString &to,
                                QString *message = nullptr);
} // namespace CounterpartySearch
