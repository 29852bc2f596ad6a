#pragma once
#include <QMap>
#include <QSqlDatabase>
#include <QString>

// The schema of a database as both engines can tell it, in one spelling:
// each table ("table <name>") with its columns in order (name, kind among
// integer/text/double/blob, NOT NULL, default, primary key, a number the
// database hands out), each index ("index <name>") with its table, unique
// flag, columns and condition. Names are lower case; a server's "rowid"
// column is the twin of SQLite's own row number and is left out, as are the
// structures of the name search that each engine builds its own way.
QMap<QString, QString> schemaDescription(const QSqlDatabase &db);
