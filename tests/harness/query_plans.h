#pragma once
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

// The statements a road runs on the program's connection, each once (SQLite only).
QStringList statementsOf(const std::function<void()> &road);
// How many statements a road runs on the program's connection, every run
// counted (SQLite only).
int runsOf(const std::function<void()> &road);
// The work a road's statements do on the program's connection: SQLite's
// virtual-machine steps of every statement it runs (SQLite only). A count of
// work, not a time: the same on any machine and under any load.
long long stepsOf(const std::function<void()> &road);
// The database pages a road's statements fetch on the program's connection,
// each fetch counted (SQLite only): where steps are alike, the pages tell a
// walk of one index from one that also seeks each row in its table.
long long pagesOf(const std::function<void()> &road);
// The plan rows of a statement, its parameters left unbound (SQLite only).
QStringList planOf(const QString &sql);
// "SCAN <table>" of a table that grows with the shop (by its name or its
// alias), in any statement of the list, each with its statement.
QStringList scans(const QStringList &statements);
// The same, one a line, but for a walk along an index in its order that a
// LIMIT stops (a page, the first rows of an order): those count as none.
QString scansButAlongAnIndex(const QStringList &statements);

// What the database keeps beside the articles' names and codes but out of
// step with them: the name index, the upper-cased codes and the articles
// counted per group. Empty when all is in step.
QString indexesOutOfStep();

// The tables SQLite keeps for the name index, by name.
QStringList nameIndexTables();

// The plan of a statement run with `params`: SQLite's plan rows, or a
// server's EXPLAIN lines with reading a whole table made the last resort, so
// a "Seq Scan" left in it is a table that no index can serve; with
// `sortLast` sorting too, so a "Sort" left is an order no index gives.
QStringList planOf(const QString &sql, const QVariantList &params, bool sortLast = false);
// The rows of a plan (from planOf with values) that read a table whole:
// SQLite's "SCAN" of a table, a server's "Seq Scan", and a server's index
// scan with no condition on the index (a walk of all of it).
QStringList wholeReads(const QStringList &plan);
// The rows of a plan that sort what they read for its order: SQLite's
// temporary b-tree for ORDER BY, a server's Sort (not one that only puts the
// rows of one value in order).
QStringList sortsIn(const QStringList &plan);
