#pragma once
#include <QString>
#include <QTemporaryDir>

#include "common/decimal.h"
#include "platform/script.h"

#include <QDialog>
#include <QTest>

#include <functional>
#include <memory>

class TDataModule1;
class ServerTestDatabase;
struct ServerConnection;
class QThread;
#include <QAtomicInt>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QVariantList>
#include <QMultiHash>
struct sqlite3;

// QCOMPARE of exact decimals prints their value.
inline char *toString(const Decimal &d)
{
    return qstrdup(d.toString().toLatin1().constData());
}
// An exact decimal from its text in a test ("2.307").
inline Decimal dec(const char *text)
{
    return Decimal::fromText(QString::fromLatin1(text)).value();
}

// A fresh program folder in a temporary directory (in `parent` when given),
// with the statement files of the source tree, the platform scripted (dialogs
// answered from a queue, programs recorded), and optionally a new database
// opened in Data/.
class TestProgram
{
public:
    explicit TestProgram(bool withDatabase = true, const QString &parent = {});
    ~TestProgram();
    QString folder() const { return m_dir.path(); }
    QString file(const QString &relative) const;
    TDataModule1 *dataModule() const { return m_dataModule.get(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ServerTestDatabase> m_server;
    std::unique_ptr<TDataModule1> m_dataModule;
};

// The statement files of the source tree.
QString sourceSqlFolder();

// The engine the database tests run on: PostgreSQL when the environment names
// a test server (VENTAROS_TEST_ENGINE=postgresql and the VENTAROS_TEST_PG_*
// variables that tests/harness/pg_server.sh writes), else SQLite.
bool testOnServer();
// The statement file of the tests' engine in a program folder:
// "SQLs/UpdateTables.nts", or its server twin.
QString testSqlFile(const QString &stem);
// A fresh database on the test server, dropped when the object goes; with a
// folder, the folder gets the connection file that names it.
class ServerTestDatabase
{
public:
    explicit ServerTestDatabase(const QString &folder = {});
    ~ServerTestDatabase();
    QString name() const { return m_name; }
    // What a connection file naming it holds.
    ServerConnection connection() const;
    // Runs SQL as the role that makes the test databases (in the maintenance database).
    static bool admin(const QString &sql, QString *error = nullptr);
    // Runs SQL as the server's superuser in this database.
    bool superuser(const QString &sql, QString *error = nullptr) const;

private:
    static bool run(const QString &database, const QString &user, const QString &sql, QString *error);
    QString m_name;
};
// A write the database refuses, as a full disk or a broken file would make
// it: `trigger` is written as SQLite's "CREATE [TEMP] TRIGGER <name> BEFORE
// INSERT|UPDATE [OF <column>]|DELETE ON <table> [WHEN <condition>] BEGIN SELECT
// RAISE(ABORT, '<text>'); END"; on a server the same refusal is made with a
// trigger function. dropTrigger() takes it away again.
void refuseWrites(const QString &trigger);
// The first column of every row of `sql`, joined by `separator` (SQLite's
// GROUP_CONCAT, which a server lacks).
QString joinedRows(const QString &sql, const QString &separator = QStringLiteral(","), const QVariantList &params = {});
// The wait for another workstation's write, shortened on `db`.
void shortenBusyWait(int ms, const QSqlDatabase &db);
void shortenBusyWait(int ms);
// Another workstation's connection to the open database (no settings of the
// open routine; its wait is left to shortenBusyWait()). Close it with
// Db::close(name).
QSqlDatabase otherConnection(const QString &name);
// The write lock taken and given back at once on `db`: false when another
// writer holds it (the wait is `db`'s own).
bool writeLockFree(const QSqlDatabase &db);
// A table of a test, its columns written with SQLite's types (INTEGER,
// DOUBLE, BLOB, INTEGER PRIMARY KEY AUTOINCREMENT); a server gets its own.
void createTestTable(const QString &name, const QString &columns, const QSqlDatabase &db);
void createTestTable(const QString &name, const QString &columns);
// A work table of this workstation exists.
bool workTableExists(const QString &name);
void dropTrigger(const QString &name);

// Counts the write transactions the program's connection commits while it
// lives (SQLite's commit hook; on a server, the transactions that wrote a row
// of a table of the database, counted by triggers it adds and takes away).
class CommitCounter
{
public:
    CommitCounter();
    ~CommitCounter();
    CommitCounter(const CommitCounter &) = delete;
    CommitCounter &operator=(const CommitCounter &) = delete;
    int count() const;
    void reset();

private:
    int m_commits = 0;
};
// The INSERT statements into `table` that a road runs on the program's
// connection, however many rows each (on a server counted by a statement
// trigger: those of a road rolled back are not).
int insertStatements(const QString &table, const std::function<void()> &road);

// The statements prepared on the program's connection and not yet finished
// with, by their text: the same value for the same statement object.
QMultiHash<QString, QString> preparedStatements();

// Prepares `folder` for a new database of the tests' engine: on the server,
// a fresh database and its connection file (owned by the returned object).
std::unique_ptr<ServerTestDatabase> prepareDatabaseFolder(const QString &folder);

// The desk worker built against the same library as this test executable.
QString deskWorkerProgram();

// Whether this test executable links the library built with AddressSanitizer
// and UndefinedBehaviorSanitizer.
bool sanitizedBuild();

// How many times slower this build runs than the normal one: 1, or 3 against
// the sanitized library. Time limits that catch runaway work, and waits for
// another process, scale by it.
int slowdown();

// The lines of the list export TEMP/<baseName>.txt (UTF-8, CR LF), without
// its byte-order mark; empty when the file is missing.
#include <QStringList>
QStringList exportFileLines(const QString &baseName);

// The same bytes for the same seed: a stand-in for a binary file.
QByteArray noiseBytes(int size, quint32 seed);

// A file's bytes as they are (empty when it cannot be read), and a file
// written with exactly these bytes, its folder made (false when it failed).
QByteArray fileContents(const QString &path);
bool putFile(const QString &path, const QByteArray &bytes);

// Windows of type W opened through Dialogs::exec are shown and driven by
// `steps`; each answers with its own result, or "rejected" when the steps
// left it open. Other windows are rejected at once.
template <class W>
void driveWindows(std::function<void(W *)> steps)
{
    PlatformScript::setModalHandler([steps](QDialog *d) {
        auto *w = qobject_cast<W *>(d);
        if (!w)
            return int(QDialog::Rejected);
        w->show();
        steps(w);
        const int result = w->isVisible() ? int(QDialog::Rejected) : w->result();
        w->hide();
        return result;
    });
}

// Another workstation holding the write lock of the open database (a
// connection of its own, in a write transaction) until it is destroyed, or
// for `ms` from its construction when `ms` > 0 (then it lets go by itself).
class WriteLockHolder
{
public:
    explicit WriteLockHolder(int ms = 0);
    ~WriteLockHolder();
    WriteLockHolder(const WriteLockHolder &) = delete;
    WriteLockHolder &operator=(const WriteLockHolder &) = delete;

private:
    sqlite3 *m_db = nullptr;
    QString m_connection; // on the server
    std::shared_ptr<QSemaphore> m_releaseNow = std::make_shared<QSemaphore>();
    std::unique_ptr<QThread> m_release;
};

// On the server: the next row written into `table` by the program's own
// session (the one its connection has when this is made) waits, and another
// connection ends exactly that session with pg_terminate_backend, as a
// server stopped or a connection cut in the middle of an operation would.
// The row waits for a lock the cutter holds, so no time runs out on either
// side. Destroying it takes the trigger away again.
class ConnectionCutter
{
public:
    // atCommit: the wait runs at the COMMIT (a deferred trigger), so the
    // session ends while the server is committing, before it has.
    explicit ConnectionCutter(const QString &table, bool atCommit = false);
    ~ConnectionCutter();
    ConnectionCutter(const ConnectionCutter &) = delete;
    ConnectionCutter &operator=(const ConnectionCutter &) = delete;
    // The program's session was ended; asked after the operation, it first
    // lets the cutter finish the round it is in (its reply may come after
    // the program saw its connection go).
    bool cut();

private:
    void finish();
    QString m_table;
    std::shared_ptr<QAtomicInt> m_cut = std::make_shared<QAtomicInt>(0);
    std::shared_ptr<QAtomicInt> m_stop = std::make_shared<QAtomicInt>(0);
    std::unique_ptr<QThread> m_thread;
};

// On the server: right after the server committed the next write
// transaction of the program's connection, another connection ends that
// session, so the COMMIT's reply counts as lost. `unreachable` keeps the
// server from being reached again until this is destroyed.
class CommitCut
{
public:
    explicit CommitCut(bool unreachable = false);
    ~CommitCut();
    CommitCut(const CommitCut &) = delete;
    CommitCut &operator=(const CommitCut &) = delete;
    bool cut() const { return *m_cut; }

private:
    std::shared_ptr<bool> m_cut = std::make_shared<bool>(false);
    int m_port = 0;
};

// Drives modal windows opened through Dialogs::exec in the order they open:
// the n-th window goes, shown, to the n-th step (a window opened inside a
// step takes the next one). Each answers with its own result, or "rejected"
// when its step left it open; windows past the last step are rejected.
// `opened` lists the object names of every window that came, in order.
class ModalWalk
{
public:
    using Step = std::function<void(QDialog *)>;
    ModalWalk &then(Step step)
    {
        m_steps.append(std::move(step));
        return *this;
    }
    // A step for a window of type W; another window fails the test.
    template <class W>
    ModalWalk &then(std::function<void(W *)> steps)
    {
        return then(Step([steps](QDialog *d) {
            auto *w = qobject_cast<W *>(d);
            QVERIFY2(w, qPrintable(QStringLiteral("unexpected window ") + d->objectName()));
            steps(w);
        }));
    }
    void start(); // takes over the modal handler
    int taken() const { return m_next; }
    int size() const { return int(m_steps.size()); }
    QStringList opened;

private:
    QList<Step> m_steps;
    int m_next = 0;
};

// The user's umask while it lives (the program's own made from it, as at
// start), the test runner's again afterwards.
class UserUmask
{
public:
    explicit UserUmask(unsigned mask);
    ~UserUmask();
    UserUmask(const UserUmask &) = delete;
    UserUmask &operator=(const UserUmask &) = delete;

private:
    unsigned m_saved;
};
// A file's or folder's permission bits (0644), -1 when it is missing.
int fileMode(const QString &path);

// On the server: the program's own session stopped with SIGSTOP, as a server
// that stops answering while its machine still acknowledges every packet.
// With a table, the session is stopped when a row written into it makes it
// wait a moment in a trigger (so in the middle of a save); without, at once.
// Only this test's session is stopped, and it is always continued: at
// destruction, or by itself after a while should the program never let go.
class StoppedSession
{
public:
    explicit StoppedSession(const QString &table = {});
    // The session of backend `pid` (another connection's), stopped at once.
    explicit StoppedSession(qint64 pid);
    ~StoppedSession();
    StoppedSession(const StoppedSession &) = delete;
    StoppedSession &operator=(const StoppedSession &) = delete;
    bool stopped() const { return m_stopped->loadRelaxed() != 0; }

private:
    void start();
    QString m_table;
    qint64 m_pid = 0;
    int m_keeper = 0;     // the process that continues the session should this one die
    int m_keeperPipe = -1;
    std::shared_ptr<QAtomicInt> m_stopped = std::make_shared<QAtomicInt>(0);
    std::shared_ptr<QSemaphore> m_done = std::make_shared<QSemaphore>();
    std::unique_ptr<QThread> m_thread;
};
