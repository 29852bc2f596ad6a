#pragma once
#include <QMap>
#include <QSqlDatabase>
#include <QString>

// The schema of a database as both engines can tell it, in one spelling:
// each table ("table <name>") with its columns in order (name, kind among
// integer/text/double/blob, NOT NULL, default, collation, primary key, a
// number the database hands out), its composite key, unique constraints,
// foreign keys and the number of its CHECK constraints, each index
// ("index <name>") with its table, unique flag, columns (descending ones
// marked) and condition. Names are lower case, quoted texts as they are. A
// server's "rowid" column is the twin of SQLite's own row number and is left
// out, as are the structures of the name search that each engine builds its
// own way.
QMap<QString, QString> schemaDescription(const QSqlDatabase &db);
// The description and, in the engine's own words, every definition it holds
// (SQLite's statements; a server's indexes, triggers, functions, constraints,
// extensions and row-number columns): two databases of one engine with the
// same definitions have the same schema.
QMap<QString, QString> schemaDefinitions(const QSqlDatabase &db);
