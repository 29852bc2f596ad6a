#pragma once
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>

struct sqlite3;
class TypedQueryConnection;

// What the files of the SQLite engine share; nothing outside platform/db uses it.
namespace SqliteEngine {
sqlite3 *handle(const QSqlDatabase &db); // nullptr when `db` is not an open SQLite connection
// The Unicode-aware UPPER and LOWER every connection gets.
bool registerFunctions(const QSqlDatabase &db);
bool registerFunctions(sqlite3 *handle);
// Removes what creations cut off by a kill or a power cut left in `folder`
// (a new database under its temporary name, its journal); a creation of
// this run is left alone.
void removeCreationLeftovers(const QString &folder);
// Begins a write that holds the shop database's lock and no other: the
// attached work database joins at its first write, and only a commit that
// changed both goes through a super-journal. A database without its
// Operators table yet (being made) begins on both. Throws DbError.
void beginWrite(const QSqlDatabase &db);
// Once the database has opened (its hot journals rolled back): removes the
// super-journals (`ventaros.sqlite-mj…`) killed commits left beside `file`
// that no journal names, while no other connection can be committing.
void removeSuperJournalLeftovers(const QSqlDatabase &db, const QString &file);
// The rows each table gets written from now on are counted, for
// Db::afterBulkWork() to analyse the tables written in bulk.
void countWrittenRows(sqlite3 *handle);
// Before the connection closes: the statistics of the tables written in bulk
// and of those its planner missed (PRAGMA optimize), each analysis bounded by
// Db::AnalysisLimit rows an index, never waiting for another workstation.
void analyzeAtClose(sqlite3 *handle);
// `clone` is a closed copy of the program's connection, made on this thread. Throws DbError.
std::unique_ptr<TypedQueryConnection> openTypedQuery(QSqlDatabase clone);
// Tests add functions of their own to the private copies typed queries run on.
void setTypedQueryHookForTests(std::function<void(sqlite3 *)> hook);
} // namespace SqliteEngine
