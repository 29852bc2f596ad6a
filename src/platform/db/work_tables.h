#pragma once
#include <QSqlDatabase>
#include <QString>

// Work tables of a window are this workstation's own and join with the
// business tables: on SQLite they live in TEMP/work-<host name>.sqlite,
// attached to the connection as "work"; on a server in the schema
// work_<workstation name> of the database, which no other workstation's
// session uses (a second machine under the same name is refused at open).
// Either way they stay across restarts.
namespace WorkTables {
// The name this workstation is known by, as typed: the environment variable
// VENTAROS_WORKSTATION when set, else the host name ("local" when neither
// names one). Messages show it so.
QString workstationName();
// What files, the server's work schema, the instance lock, queue rows and
// the session's tag carry for it: derivedName(workstationName()).
QString workstationKey();
// The one derivation of those names: letters, digits and "_.-" stay, every
// other byte of the name's UTF-8 becomes "%XX", so two names never give one,
// and a name made only of those characters is its own (as before). A longer
// result than a file name takes ends in "~" and a hash of the whole name.
QString derivedName(const QString &name);
QString filePath(); // of this workstation (SQLite)
void attach(const QSqlDatabase &db); // part of the SQLite open routine; throws DbError
// Creates <name> when missing, empties it when it exists.
// `columns` is the column list of a CREATE TABLE, written by code with
// SQLite's types; a server gets its own spelling of them.
void create(const QString &name, const QString &columns, const QSqlDatabase &db);
void create(const QString &name, const QString &columns);
// Creates <name> when missing and keeps the rows it holds.
void ensure(const QString &name, const QString &columns, const QSqlDatabase &db);
// Indexes the work table <table> on `columns` ("Art_ID, N") as <index>, when
// it is not yet; throws DbError.
void ensureIndex(const QString &index, const QString &table, const QString &columns, const QSqlDatabase &db);
void drop(const QString &name, const QSqlDatabase &db);
void drop(const QString &name);
QString qualified(const QString &name); // on the program's connection: "work.<name>"
QString qualified(const QString &name, const QSqlDatabase &db);
} // namespace WorkTables
