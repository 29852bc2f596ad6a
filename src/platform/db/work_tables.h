#pragma once
#include <QSqlDatabase>
#include <QString>

// Work tables of a window live in TEMP/work-<host name>.sqlite, attached to
// the connection as "work", so they join with the business tables.
namespace WorkTables {
// This workstation's name as files and rows carry it (letters, digits, "_.-"):
// the environment variable VENTAROS_WORKSTATION when set, else the host name.
QString workstationName();
QString filePath(); // of this workstation
void attach(const QSqlDatabase &db); // part of the open routine; throws DbError
// Creates work.<name> when missing, empties it when it exists.
// `columns` is the column list of a CREATE TABLE, written by code.
void create(const QString &name, const QString &columns, const QSqlDatabase &db);
void create(const QString &name, const QString &columns);
void drop(const QString &name, const QSqlDatabase &db);
void drop(const QString &name);
QString qualified(const QString &name); // "work.<name>"
} // namespace WorkTables
