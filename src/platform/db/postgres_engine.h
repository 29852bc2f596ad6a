#pragma once
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <functional>
#include <memory>

struct ServerConnection;
class TypedQueryConnection;
typedef struct pg_conn PGconn;

// What the PostgreSQL engine does differently; nothing outside platform/db
// uses it. The connection is QPSQL (libpq underneath): the password comes
// from PGPASSWORD or the user's password file, never from the program.
namespace PostgresEngine {
inline constexpr const char *Driver = "QPSQL";

// The open routine on a server database: the session settings (lock wait,
// keep-alive), the check that the database folds Cyrillic case, this
// workstation's presence and its work schema. `requireSchema` keeps the
// connection only when the program's tables are there.
bool open(const QString &connectionName, const ServerConnection &server, bool requireSchema, QString *error);
// Connected, but not a single table of the program in the database: a new
// database may be built in it.
bool holdsNoTables(const QSqlDatabase &db);

// The Bulgarian text of a server error (by its SQLSTATE), or empty when the
// error is not one of the server's.
QString errorText(const QSqlError &error);
inline constexpr const char *LostText = "Връзката със сървъра на базата данни прекъсна. Нищо от започнатата "
                                        "операция не беше записано; програмата ще се свърже отново при "
                                        "следващото действие.";

// A statement waited for the server's answer past its limit (Db::Wait) and
// its connection was given up.
inline constexpr const char *NoAnswerText = "Сървърът на базата данни не отговаря и връзката с него беше прекъсната. "
                                            "Нищо от започнатата операция не беше записано; програмата ще се "
                                            "свърже отново при следващото действие.";

// The COMMIT was sent and the connection broke before its reply, and the
// server could not be asked afterwards: the operation may be saved.
inline constexpr const char *UnknownOutcomeText = "Връзката със сървъра на базата данни прекъсна в момента на "
                                                  "записа и не може да се разбере дали операцията е записана. "
                                                  "Проверете дали е записана, преди да я повторите.";

// The connection broke (server stopped, connection cut): the open transaction
// is gone with it.
bool lost(const QSqlDatabase &db);
// LostText, or NoAnswerText when the connection was given up for its wait.
QString lostText(const QSqlDatabase &db);
// Opens a broken connection again with the settings of the open routine.
bool reconnect(QSqlDatabase db, QString *error);
// Opens `db`; on failure `unanswered` tells whether the server took the
// connection and did not answer it within the connection's limit.
bool connect(QSqlDatabase db, bool *unanswered);

// The write guard's start: BEGIN, then the lock that one writer at a time
// holds until its commit, as SQLite's BEGIN IMMEDIATE (so "maximum plus one"
// numbers and the stock stay exact under several writers); it waits
// Db::BusyTimeoutMs for another workstation's write. Returns the
// transaction's id, taken in the same round trip. Throws DbError.
qint64 beginWrite(const QSqlDatabase &db);
// The write guard's COMMIT of transaction `txid`. When the connection breaks
// before the reply, the server is asked on a new connection whether it
// committed: returns when it did; throws DbError with LostText when it rolled
// back, with UnknownOutcomeText when it cannot be asked.
void commitWrite(QSqlDatabase db, qint64 txid);
// For tests only: runs after the server answered the guard's COMMIT; a hook
// that cuts the connection makes the guard take the reply as lost.
void setAfterCommitHookForTests(std::function<void(const QSqlDatabase &)> hook);

// Whether a session of the program runs as the workstation `key` on the
// database. Throws DbError.
bool workstationRunning(const QString &key, const QSqlDatabase &db);

bool tableExists(const QString &table, const QSqlDatabase &db);
QString tableExistsSql(); // its statement, the name bound last
// The column types of a work table's definition written for SQLite, as
// the server spells them (DOUBLE, AUTOINCREMENT keys, BLOB).
QString serverColumns(const QString &columns);
// The schema that holds this workstation's work tables, quoted.
QString workSchema();
// Work schemas of every workstation begin with this.
inline constexpr const char *WorkSchemaPrefix = "work_";

// The login role typed queries run as, "<shop role>_query" (see
// typed_query_role.cpp); tests may name another.
QString queryRole(const QString &shopRole);
void setQueryRoleForTests(const QString &role);
// The query role of the shop's role of `db` is given SELECT on every table of
// the database but the protected columns, and nothing of those; nothing
// happens when the role is missing. Joins the caller's write transaction or
// takes one of its own when there is something to change. Throws DbError.
void grantQueryReads(const QSqlDatabase &db);
// On a connection of the query role: empty when it reads nothing a typed
// query must not (protected columns, directly or through a view of another
// owner; work schemas; functions that run SQL text or read files, or run with
// another role's rights; another role's rights through a membership), else
// the Bulgarian reason naming what it holds.
QString queryRoleProblem(const QSqlDatabase &db);
// Why the query role's connection `db` did not open, in Bulgarian.
QString queryLoginFailure(const QSqlDatabase &db);
// The names of the functions that run SQL text of their own, reach files or
// show the statements of other sessions (one query role serves every
// workstation), as a regular expression; SQLs/TypedQueries.pg.sql takes them
// from PUBLIC.
inline constexpr const char *SqlTextFunctions =
    "^(query_to_xml.*|cursor_to_xml.*|table_to_xml.*|schema_to_xml.*|database_to_xml.*|ts_stat|ts_rewrite|"
    "pg_read_file|pg_read_binary_file|pg_stat_file|pg_ls_.*|pg_file_.*|lo_.*|loread|lowrite|dblink.*|"
    "pg_stat_get_activity|pg_stat_get_backend_activity|pg_stat_statements.*)$";

// libpq's connection under a QPSQL connection; nullptr when not open.
PGconn *handle(const QSqlDatabase &db);
// `clone` is a closed copy of the program's connection, made on this thread. Throws DbError.
std::unique_ptr<TypedQueryConnection> openTypedQuery(QSqlDatabase clone);
} // namespace PostgresEngine
