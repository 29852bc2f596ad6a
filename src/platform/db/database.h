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
    bool lost() const { return m_lost; } // the connection to the server broke
    // The connection broke after the COMMIT was sent and the server could not
    // be asked since: the operation may be saved.
    bool outcomeUnknown() const { return m_unknown; }

private:
    QString m_message;
    QString m_sql;
    bool m_busy = false;
    bool m_lost = false;
    bool m_unknown = false;
};

// The database engine layer. A database folder holds one SQLite file, or the
// connection file of a database on a PostgreSQL server (several machines);
// either way it keeps the tree files. One routine per engine opens a
// connection and applies everything a connection needs. Every value reaches
// SQL as a bound parameter; identifiers come only from code.
namespace Db {
inline constexpr const char *DatabaseFileName = "ventaros.sqlite";
inline constexpr int BusyTimeoutMs = 10000;

// How long the program waits for a database server's answer, one table for
// every kind of work. Past its limit a statement's connection is given up
// (its socket shut down): a server that stopped (its process or its machine
// frozen) is still acknowledged by its machine's kernel, so keep-alives and
// the server's own timeouts never end that wait. A statement waits longer
// than the wait for another workstation's write (BusyTimeoutMs).
enum class Wait {
    Statement, // the desk's look-ups and saves, every window
    Bulk,      // one statement of an upgrade, a new database or an import
    Connect,   // a new connection, up to the server's first answer
};
int waitLimitMs(Wait wait);
// Tests shorten a limit; 0 gives back the table's.
void setWaitLimitForTests(Wait wait, int ms);
// While it lives, the statements of this thread wait as long as Wait::Bulk allows.
class BulkWait
{
public:
    BulkWait();
    ~BulkWait();
    BulkWait(const BulkWait &) = delete;
    BulkWait &operator=(const BulkWait &) = delete;

private:
    bool m_was;
};
// The limit of the statements the calling thread runs now.
int statementWaitMs();

enum class Engine { Sqlite, Postgres };
Engine engine(const QSqlDatabase &db);
Engine engine(); // of the program's connection
Engine folderEngine(const QString &folder); // Postgres when the folder has a connection file

QString databaseFile(const QString &folder);
// "A folder holds a database": its file exists (or its connection file names
// a server database) and has the Operators table. Checked on a read-write
// connection, so a write cut off by a crash (a hot journal, with its
// super-journal) is rolled back first.
bool folderHoldsDatabase(const QString &folder);
// The folder's database file or connection file is there: a new database is
// never made in its place, unless canCreateIn() allows it.
bool folderNamesDatabase(const QString &folder);
// A new database may be built in the folder: no database file, and either no
// connection file or a server database without a single table.
bool canCreateIn(const QString &folder);
// What the status bar and messages name: the folder, or the server database
// and the folder.
QString describeFolder(const QString &folder);
// The name of an engine's statement file: `stem`.nts for SQLite, `stem`.pg.nts
// for PostgreSQL ("NewTables", "UpdateTables").
QString statementFileName(const QString &stem, Engine engine);

// The Bulgarian text of an engine error, the engine's own text after it in
// brackets for the log. A busy database says that another workstation is
// writing and nothing was saved. (SQLite's codes are numbers, PostgreSQL's
// are five-character SQLSTATEs.)
QString errorText(const QSqlError &error);
inline constexpr const char *BusyText = "Друго работно място записва в базата данни в момента и тя остана "
                                        "заета след изчакване. Нищо не беше записано; опитайте отново.";

// The open routine: busy timeout, Unicode UPPER/LOWER, the attached
// per-workstation work database. `create` allows a new, empty file.
bool open(const QString &connectionName, const QString &file, bool create, QString *error);
// The open routine on a folder where a new database is to be built: the
// empty server database its connection file names, or a new SQLite file under
// a temporary name of its own ("ventaros.sqlite.new-<random>"), so a creation
// cut off leaves no file the next start takes for a database. What cut-off
// creations left there before this run is removed first.
bool openForCreation(const QString &connectionName, const QString &folder, QString *error);
// Closes the connection of a creation whose transaction has committed and
// gives the new SQLite file its real name (on the disk, and never over a
// database that another workstation made meanwhile).
bool completeCreation(const QString &connectionName, const QString &folder, QString *error);
// Closes the connection of a failed creation and removes what it made (a
// server database keeps nothing of a rolled-back creation).
void discardCreation(const QString &connectionName);
// The open routine on the database of `folder` that must already be there:
// the connection is kept only when the file holds a database of the program.
// `error` gets the Bulgarian reason otherwise.
bool openFolder(const QString &connectionName, const QString &folder, QString *error);
void close(const QString &connectionName);
// Drops the connection's prepared statements: a server connection opened
// again has none of them.
void forgetStatements(const QString &connectionName);

// The connection the program works on (set by the data module).
QSqlDatabase connection();
// The connection is open, or is a server's that broke and is opened again at
// its next statement.
bool inUse(const QSqlDatabase &db = connection());
QString currentConnectionName();
void setCurrentConnection(const QString &connectionName);

// After work that wrote many rows at once (an import, a stock-taking's
// "ЗАПИС"), outside its write transaction: the planner's statistics of each
// table it wrote BulkRows rows or more into are gathered again, so the
// planner knows the table's size and how many rows a value of each index
// holds. SQLite reads at most AnalysisLimit rows an index for them (so the
// first analysis of a large file is quick), counts the values of a column
// whose first value holds more rows than that along its index instead, and
// also analyses what its planner missed on this connection (PRAGMA optimize)
// and every table left without statistics, as at every close; a server
// analyses the tables with that many rows changed since their last
// analysis. Nothing is done inside a write transaction; a failure is only
// logged.
inline constexpr qint64 BulkRows = 1000;
inline constexpr int AnalysisLimit = 400;
void afterBulkWork(const QSqlDatabase &db = connection());

// Runs a statement with bound values; throws DbError on failure. A SELECT is
// left positioned before its first row: walk it at once or use rows().
// On a server connection that broke, the next statement outside a write
// transaction connects again first; a read that finds it broken is run once
// more on the new connection.
QSqlQuery exec(const QString &sql, const QVariantList &params = {},
               const QSqlDatabase &db = connection());
// A statement prepared once for many runs (an import's) and run with bound
// values; a SELECT is finished at once, so no statement stays open between
// events. Throws DbError.
class Statement
{
public:
    Statement(const QSqlDatabase &db, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    void execute(const QVariantList &values);
    bool exists(const QVariantList &values);    // at least one row
    QVariant value(const QVariantList &values); // first column of the first row, or invalid
    QList<QVariantList> valueRows(const QVariantList &values); // every row, its values in column order

private:
    void run(const QVariantList &values);
    QSqlDatabase m_db;
    QSqlQuery m_query;
    QString m_sql;
};

// rows, firstRow, scalar and execute finish their statement at once and keep
// it prepared for the next call on the same connection, until that
// connection closes or opens again.
// All rows of a query, fully fetched and the statement finished.
QList<QSqlRecord> rows(const QString &sql, const QVariantList &params = {},
                       const QSqlDatabase &db = connection());
std::optional<QSqlRecord> firstRow(const QString &sql, const QVariantList &params = {},
                                   const QSqlDatabase &db = connection());
// All rows as values in column order (a list's page); `fields` gets the
// columns, named as `namesIn` (the statement when empty) spells them.
QList<QVariantList> valueRows(const QString &sql, const QVariantList &params = {}, QSqlRecord *fields = nullptr,
                              const QString &namesIn = {}, const QSqlDatabase &db = connection());
// First column of the first row; an invalid QVariant when there is no row.
QVariant scalar(const QString &sql, const QVariantList &params = {},
                const QSqlDatabase &db = connection());
// An INSERT into a table whose key the database hands out (AUTOINCREMENT,
// an identity column on a server): the key of the new row.
qint64 insert(const QString &sql, const QVariantList &params, const QString &keyColumn,
              const QSqlDatabase &db = connection());
// Rows changed by an INSERT/UPDATE/DELETE.
int execute(const QString &sql, const QVariantList &params = {},
            const QSqlDatabase &db = connection());
bool tableExists(const QString &table, const QSqlDatabase &db = connection());
// A table's columns in their order, spelled as the schema spells them; empty
// when there is no such table. (A server's twin of SQLite's row number is not
// among them.)
QSqlRecord tableColumns(const QString &table, const QSqlDatabase &db = connection());

// The columns of a query's rows with their names spelled as the statement
// or the schema spells them (a server folds unquoted names to lower case).
QSqlRecord fields(const QSqlQuery &query, const QString &sql);
// The same for names a server gave for the columns of `sql`.
QStringList spelledNames(const QStringList &names, const QString &sql);
// Names the schema spells (tables' columns), for fields().
void registerSpelling(const QString &identifier);

// A search text for `UPPER(col) LIKE UPPER(?) ESCAPE '\'`: %, _ and \ escaped,
// wrapped for a "contains" or "starts with" search.
QString likeEscape(const QString &typed);
QString likeContains(const QString &typed);
QString likeStartsWith(const QString &typed);

// A text column's leading whole number, as SQLite's CAST(... AS INTEGER)
// reads it, for MAX and comparisons ("0041" is 41); a text without one gives
// 0 on SQLite and NULL on a server (a server's CAST refuses such texts).
QString leadingInteger(const QString &column);

// A term that, put after the columns of one of `table`'s indexes in an
// ORDER BY, tells the engine those rows are one per index entry, so rows
// joined to each entry in their own index's order are not sorted again:
// SQLite's row number, which ends each of its index entries; none on a
// server, which sorts only each entry's rows.
QString rowNumberTerm(const QString &table);

// A column compared only to filter the rows another condition's index
// reads: SQLite's unary plus keeps its planner, which has no statistics of
// how many rows each value holds, off the column's own index; a server plans
// from its statistics, which the plus would hide from it.
QString filterOnly(const QString &column);

// What the connection's UPPER makes of a text.
QString upper(const QString &text);

// A condition to AND into a statement, with the values it binds in order.
struct Condition {
    QString sql;
    QVariantList params;
    // Met by so many rows that a list is best read along its order's index
    // with it, a page at a time, instead of finding every row first.
    bool many = false;
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
// A part of a name found in ManyNames names or a fiftieth of the articles,
// whichever is more (or shorter than three characters), is `many`: the
// condition then only filters, and a list reads along its order with it.
// A list only ever read in name order (`inNameOrder`) reads along the index
// that holds the names, a row there a fraction of the cost of a row fetched
// for a name found: its line is a two-hundred-fiftieth.
// SQLite looks first at the LeadingNames names the list reads first, in its
// order: held by half that share of them, the part is met within a few rows
// per hit from the list's start, and the name index is not read for it;
// otherwise that index counts its hits up to the share.
// On a server the names that hold the part are counted in a sample of about
// SampledNames articles (pages drawn with a fixed seed): the trigram index
// hands over every hit and each is checked in its row, so counting hits up to
// the share costs as much as listing them, more as the catalogue grows; a
// list in name order is not counted there (`many` false): the server plans it.
enum class NameMatch { Contains, Whole };
inline constexpr qint64 ManyNames = 1000;
inline constexpr qint64 SampledNames = 10000;
inline constexpr qint64 LeadingNames = 2000;
Condition articleName(const QString &article, const QString &typed, NameMatch match, bool inNameOrder = false);
// The sample's statement: its articles and those of them whose name is LIKE
// the first value; the second is the percent of the table's pages read.
QString namesSampleSql();
} // namespace Db
