#pragma once
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <optional>
#include <stdexcept>

// A failed statement. message() and what() are Bulgarian: an error of the
// engine is told by Db::errorText (its own text follows for the log); the
// statement is kept for the exception log.
class DbError : public std::runtime_error
{
public:
    DbError(const QString &message, const QString &sql = {});
    DbError(const QSqlError &error, const QString &sql);
    QString message() const { return m_message; }
    QString sql() const { return m_sql; }
    bool busy() const { return m_busy; } // another workstation held the database past the wait

private:
    QString m_message;
    QString m_sql;
    bool m_busy = false;
};

// The database engine layer: one SQLite file per database folder, opened by
// one routine that applies everything a connection needs. Every value reaches
// SQL as a bound parameter; identifiers come only from code.
namespace Db {
inline constexpr const char *DatabaseFileName = "ventaros.sqlite";
inline constexpr int BusyTimeoutMs = 10000;

QString databaseFile(const QString &folder);
// "A folder holds a database": its file exists and has the Operators table.
// Checked on a read-write connection, so a write cut off by a crash (a hot
// journal, with its super-journal) is rolled back first.
bool folderHoldsDatabase(const QString &folder);

// The Bulgarian text of an engine error, the engine's own text after it in
// brackets for the log. A busy database says that another workstation is
// writing and nothing was saved.
QString errorText(const QSqlError &error);
inline constexpr const char *BusyText = "Друго работно място записва в базата данни в момента и тя остана "
                                        "заета след изчакване. Нищо не беше записано; опитайте отново.";

// The open routine: busy timeout, Unicode UPPER/LOWER, the attached
// per-workstation work database. `create` allows a new, empty file.
bool open(const QString &connectionName, const QString &file, bool create, QString *error);
// The open routine on the database of `folder` that must already be there:
// the connection is kept only when the file holds a database of the program.
// `error` gets the Bulgarian reason otherwise.
bool openFolder(const QString &connectionName, const QString &folder, QString *error);
void close(const QString &connectionName);

// The connection the program works on (set by the data module).
QSqlDatabase connection();
QString currentConnectionName();
void setCurrentConnection(const QString &connectionName);

// Runs a statement with bound values; throws DbError on failure. A SELECT is
// left positioned before its first row: walk it at once or use rows().
QSqlQuery exec(const QString &sql, const QVariantList &params = {},
               const QSqlDatabase &db = connection());
// rows, firstRow, scalar and execute finish their statement at once and keep
// it prepared for the next call on the same connection, until that
// connection closes or opens again.
// All rows of a query, fully fetched and the statement finished.
QList<QSqlRecord> rows(const QString &sql, const QVariantList &params = {},
                       const QSqlDatabase &db = connection());
std::optional<QSqlRecord> firstRow(const QString &sql, const QVariantList &params = {},
                                   const QSqlDatabase &db = connection());
// First column of the first row; an invalid QVariant when there is no row.
QVariant scalar(const QString &sql, const QVariantList &params = {},
                const QSqlDatabase &db = connection());
// Rows changed by an INSERT/UPDATE/DELETE.
int execute(const QString &sql, const QVariantList &params = {},
            const QSqlDatabase &db = connection());
bool tableExists(const QString &table, const QSqlDatabase &db = connection());

// A search text for `UPPER(col) LIKE UPPER(?) ESCAPE '\'`: %, _ and \ escaped,
// wrapped for a "contains" or "starts with" search.
QString likeEscape(const QString &typed);
QString likeContains(const QString &typed);
QString likeStartsWith(const QString &typed);

// What the connection's UPPER makes of a text.
QString upper(const QString &text);

// A condition to AND into a statement, with the values it binds in order.
struct Condition {
    QString sql;
    QVariantList params;
};

// A code (barcode, serial, catalogue or card number) equal to the typed text
// in any case, found through an index, never by folding every row: beside the
// code column its table keeps `<column>_Up`, the code upper-cased where that
// differs from the code, written by the database with every write of the code.
Condition codeInAnyCase(const QString &column, const QString &typed);

// Articles whose name contains (or is) the typed text in any case, exactly the
// rows `UPPER(name) LIKE UPPER(?) ESCAPE '\'` finds. From three characters on,
// the name index narrows the rows first, so the search does not read every
// article. `article` names the Produkti table in the statement (or its alias).
enum class NameMatch { Contains, Whole };
Condition articleName(const QString &article, const QString &typed, NameMatch match);
} // namespace Db
