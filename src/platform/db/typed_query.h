#pragma once
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <chrono>
#include <memory>

class QThread;
namespace QueryBudget {
class Memory;
}

// Queries a user types run on a connection of their own that can only read:
// one SELECT or WITH, never a protected column (the operators' password
// hashes) whatever the query's form, at most a number of rows, a time, and
// bytes held in memory (and on SQLite on the disk), counted before a row comes
// whole; stoppable from another thread; no other workstation's save waits for a
// running query (SQLite runs it on a private copy of the database). Each
// database engine implements TypedQueryConnection with these refusals and
// limits; TypedQueryRun runs one query on a worker thread so the windows keep
// answering, and never waits for one it stopped.
namespace TypedQuery {
struct Limits {
    int rows = 100000;
    std::chrono::milliseconds time{60000};
    qint64 bytes = 64LL * 1024 * 1024; // of the rows as the program holds them
    qint64 tempBytes = 2LL * 1024 * 1024 * 1024; // SQLite: the temporary files of one query
    qint64 keepFree = 512LL * 1024 * 1024;       // SQLite: room left on the disk of TEMP/
};

enum class Outcome { Done, Refused, Failed, TimedOut, Stopped };

struct Result {
    Outcome outcome = Outcome::Failed;
    QString message; // the Bulgarian reason, or the engine's text of a failure
    QStringList fields;
    QList<QVariantList> rows;
    qint64 bytes = 0;       // the rows' size, as Limits::bytes counts it
    qint64 peakBytes = 0;   // the most the query held at once, as Limits::bytes counts it
    bool truncated = false; // stopped at Limits::rows or Limits::bytes; `message` says which
};

// Whether a row of `rowBytes` more fits in `result` within `limits`, with
// `reserve` kept for what comes next, and `memory` takes it; when it does
// not, the result is cut there and its message says why.
bool roomFor(Result *result, const Limits &limits, QueryBudget::Memory *memory, qint64 rowBytes, qint64 reserve = 0);
// A row counted as `counted` holds `held` once its values are made.
void settle(Result *result, QueryBudget::Memory *memory, qint64 counted, qint64 held);
// What a value costs the program as it holds it.
qint64 valueBytes(const QVariant &value);
qint64 rowBytes(qsizetype values); // a row's own cost, besides its values

struct ProtectedColumn {
    QString table;
    QString column;
    QString holds; // what the column holds, for the refusal
};
// The columns no typed query may read.
const QList<ProtectedColumn> &protectedColumns();
const ProtectedColumn *findProtected(const QString &table, const QString &column);
QString refusal(const ProtectedColumn &column);
QString timeLimitMessage(std::chrono::milliseconds limit);
QString rowLimitMessage(int rows);
QString sizeLimitMessage(qint64 bytes);
QString memoryMessage(); // the program ran out of memory for a result
// On a server, the most text one row may bring (more ends the result there,
// with rowSizeMessage); its copies while it comes take three times that of the limit.
qint64 rowCap(const Limits &limits);
QString rowSizeMessage(qint64 bytes);
QString valueSizeMessage(qint64 bytes); // a value of the statement itself, or the engine's answer about it
QString tempLimitMessage(qint64 bytes);
QString diskRoomMessage(const QString &folder, qint64 keepFree);
// Removes the private copies of this workstation that no running query of
// this process uses (what a killed run left; see typed_query_sqlite.cpp).
void removeLeftCopies();
QString onlySelectText(); // "only one SELECT or WITH"
QString deniedFunction(const QString &function);
// What every engine checks first: empty when `sql`, past blanks and comments,
// begins with SELECT or WITH; otherwise the Bulgarian reason.
QString formProblem(const QString &sql);
// On a server, gives the role typed queries run as what it may read (see
// PostgresEngine::grantQueryReads); nothing on SQLite. Throws DbError.
void grantReads(const QSqlDatabase &db);
// Skips blanks and SQL comments from `i`; false on an unclosed comment.
bool skipBlanks(const QString &sql, qsizetype &i);
// Only blanks, comments and ";" in `rest` (what follows the one statement).
bool onlyBlanksAfter(const QString &rest);

struct Token {
    enum Kind { Word, Quoted, String, Symbol, Other } kind;
    QString text;
};
enum class Dialect { Sqlite, Server };
// The statement's tokens up to its first ";" outside strings and comments;
// `end` is where that ";" stands (the text's size without one). False on an
// unclosed string or comment.
bool tokenize(const QString &sql, Dialect dialect, QList<Token> *tokens, qsizetype *end);
// The statement names `column`: a name, a quoted name, and on SQLite a
// string too (which it takes for a name where only a name may stand).
bool namesColumn(const QList<Token> &tokens, const QString &column, Dialect dialect);
// namesColumn on a server, or the statement takes "*" of a row (not count(*)).
bool namesColumnOrStar(const QList<Token> &tokens, const QString &column);
} // namespace TypedQuery

class TypedQueryConnection
{
public:
    virtual ~TypedQueryConnection() = default;

    // A read-only connection to the database of the connection named
    // `programConnection`, made and used on the calling thread (a worker
    // thread may call it). Throws DbError.
    static std::unique_ptr<TypedQueryConnection> open(const QString &programConnection);

    // Empty when `sql` would run: one statement that only reads, begins with
    // SELECT or WITH (comments and a closing ";" allowed) and reads no
    // protected column; otherwise the Bulgarian reason. Nothing runs.
    virtual QString check(const QString &sql) = 0;
    // Checks and runs `sql`, fetching its rows up to the limits; the time
    // limit and stop() hold for all of it, a private copy's making included.
    virtual TypedQuery::Result run(const QString &sql, const TypedQuery::Limits &limits) = 0;
    // Any thread, and never waits: the running check or query ends soon
    // with Outcome::Stopped (a query held in one step of its engine when
    // that step ends).
    virtual void stop() = 0;
};

// One typed query at a time on a worker thread, on a typed-query connection
// to the program's current database. The result comes back on the thread
// that started it.
class TypedQueryRun : public QObject
{
    Q_OBJECT
public:
    explicit TypedQueryRun(QObject *parent = nullptr);
    ~TypedQueryRun() override; // stops a running query

    // Ignored while a query runs.
    void start(const QString &sql, const TypedQuery::Limits &limits);
    // Ends the running query at once; finished() is not emitted for it. Its
    // thread ends by itself soon after (a query held in one step of its
    // engine when that step ends), unwaited for; see stillEnding().
    void stop();
    bool running() const { return m_thread != nullptr; }
    // Stopped runs whose thread has not ended yet.
    static int stillEnding();

Q_SIGNALS:
    void finished(const TypedQuery::Result &result);

private:
    struct State;
    void letGo(); // stops the run and lets its thread end by itself

    QThread *m_thread = nullptr;
    std::shared_ptr<State> m_state;
};
