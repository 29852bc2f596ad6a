#include "test_support.h"

#include "common/program_folder.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "app/data_module.h"
#include "platform/db/database.h"
#include "platform/file_modes.h"
#include "platform/db/server_connection.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"
#include <QSqlDriver>
#include <QSqlRecord>

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QThread>
#include <QHash>
#include <QRegularExpression>
#include <QSemaphore>
#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

QString sourceSqlFolder()
{
    return QStringLiteral(VENTAROS_SOURCE_DIR) + QStringLiteral("/SQLs");
}

bool testOnServer()
{
    return qEnvironmentVariable("VENTAROS_TEST_ENGINE").compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0;
}

QString testSqlFile(const QString &stem)
{
    return QStringLiteral("SQLs/")
           + Db::statementFileName(stem, testOnServer() ? Db::Engine::Postgres : Db::Engine::Sqlite);
}

namespace {
QString serverVariable(const char *name)
{
    const QString v = qEnvironmentVariable(name);
    if (v.isEmpty())
        qFatal("VENTAROS_TEST_ENGINE=postgresql needs %s (source the env file of tests/harness/pg_server.sh)", name);
    return v;
}

ServerConnection testServer(const QString &database)
{
    ServerConnection c;
    c.host = serverVariable("VENTAROS_TEST_PG_HOST");
    c.port = serverVariable("VENTAROS_TEST_PG_PORT").toInt();
    c.user = serverVariable("VENTAROS_TEST_PG_USER");
    c.database = database;
    return c;
}
} // namespace

bool ServerTestDatabase::admin(const QString &sql, QString *error)
{
    return run(QStringLiteral("postgres"), testServer(QString()).user, sql, error);
}

bool ServerTestDatabase::superuser(const QString &sql, QString *error) const
{
    return run(m_name, serverVariable("VENTAROS_TEST_PG_ADMIN"), sql, error);
}

bool ServerTestDatabase::run(const QString &database, const QString &user, const QString &sql, QString *error)
{
    static int serial = 0;
    const QString name = QStringLiteral("test-admin-%1").arg(++serial);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        const ServerConnection c = testServer(database);
        db.setHostName(c.host);
        db.setPort(c.port);
        db.setDatabaseName(c.database);
        db.setUserName(user);
        ok = db.open();
        if (ok) {
            QSqlQuery q(db);
            ok = q.exec(sql);
            if (!ok && error)
                *error = q.lastError().text();
        } else if (error) {
            *error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

ServerTestDatabase::ServerTestDatabase(const QString &folder)
{
    static int serial = 0;
    m_name = QStringLiteral("vt_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    QString error;
    // As the README makes a shop's database: UTF-8, the C.UTF-8 locale.
    if (!admin(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' "
                              "LC_CTYPE 'C.UTF-8'")
                   .arg(m_name),
               &error))
        qFatal("the test database could not be made: %s", qPrintable(error));
    // The server's administrator takes from PUBLIC what typed queries may not run, as the README sets a shop up.
    const QByteArray setUp = fileContents(sourceSqlFolder() + QStringLiteral("/TypedQueries.pg.sql"));
    if (setUp.isEmpty() || !superuser(QString::fromUtf8(setUp), &error))
        qFatal("the typed queries' set-up failed in the test database: %s", qPrintable(error));
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        if (!testServer(m_name).write(folder, &error))
            qFatal("the connection file could not be written: %s", qPrintable(error));
    }
}

ServerConnection ServerTestDatabase::connection() const
{
    return testServer(m_name);
}

ServerTestDatabase::~ServerTestDatabase()
{
    admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
}

namespace {
QHash<QString, QString> &triggerTables()
{
    static QHash<QString, QString> tables;
    return tables;
}
} // namespace

void refuseWrites(const QString &trigger)
{
    static const QRegularExpression form(
        QStringLiteral("^CREATE\\s+(?:TEMP\\s+)?TRIGGER\\s+(\\w+)\\s+(BEFORE\\s+\\w+(?:\\s+OF\\s+\\w+)?)\\s+ON\\s+(\\w+)\\s+"
                       "(?:WHEN\\s+(.*?)\\s+)?BEGIN\\s+SELECT\\s+RAISE\\(ABORT,\\s*'([^']*)'\\);\\s*END$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = form.match(trigger.trimmed());
    if (!m.hasMatch())
        qFatal("not a refusing trigger: %s", qPrintable(trigger));
    triggerTables().insert(m.captured(1), m.captured(3));
    if (Db::engine() == Db::Engine::Sqlite) {
        Db::execute(trigger);
        return;
    }
    Db::execute(QStringLiteral("CREATE FUNCTION %1_refuses() RETURNS trigger LANGUAGE plpgsql AS "
                               "$$BEGIN RAISE EXCEPTION '%2'; END$$")
                    .arg(m.captured(1), m.captured(5)));
    const QString condition = m.captured(4);
    Db::execute(QStringLiteral("CREATE TRIGGER %1 %2 ON %3 FOR EACH ROW %4 EXECUTE FUNCTION %1_refuses()")
                    .arg(m.captured(1), m.captured(2), m.captured(3),
                         condition.isEmpty() ? QString() : QStringLiteral("WHEN (") + condition + QLatin1Char(')')));
}

QString joinedRows(const QString &sql, const QString &separator, const QVariantList &params)
{
    QStringList values;
    for (const QSqlRecord &r : Db::rows(sql, params))
        values << r.value(0).toString();
    return values.join(separator);
}

void shortenBusyWait(int ms, const QSqlDatabase &db)
{
    if (Db::engine(db) == Db::Engine::Sqlite)
        Db::execute(QStringLiteral("PRAGMA busy_timeout = %1").arg(ms), {}, db);
    else
        Db::execute(QStringLiteral("SET lock_timeout = '%1ms'").arg(ms), {}, db);
}

void shortenBusyWait(int ms)
{
    shortenBusyWait(ms, Db::connection());
}

QSqlDatabase otherConnection(const QString &name)
{
    QSqlDatabase db = QSqlDatabase::cloneDatabase(DataModule1->connection(), name);
    if (!db.open())
        qFatal("another connection could not be opened: %s", qPrintable(db.lastError().text()));
    return db;
}

bool writeLockFree(const QSqlDatabase &db)
{
    try {
        WriteTransaction tx(db);
        tx.rollback();
        return true;
    } catch (const DbError &) {
        return false;
    }
}

void createTestTable(const QString &name, const QString &columns, const QSqlDatabase &db)
{
    const QString spelled = Db::engine(db) == Db::Engine::Postgres ? PostgresEngine::serverColumns(columns) : columns;
    Db::execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(name, spelled), {}, db);
}

void createTestTable(const QString &name, const QString &columns)
{
    createTestTable(name, columns, Db::connection());
}

bool workTableExists(const QString &name)
{
    if (Db::engine() == Db::Engine::Sqlite)
        return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM work.sqlite_master WHERE name = ?"), {name}).toInt() > 0;
    return Db::scalar(QStringLiteral("SELECT to_regclass(?) IS NOT NULL"), {WorkTables::qualified(name)}).toBool();
}

void dropTrigger(const QString &name)
{
    if (Db::engine() == Db::Engine::Sqlite) {
        Db::execute(QStringLiteral("DROP TRIGGER ") + name);
        return;
    }
    Db::execute(QStringLiteral("DROP TRIGGER %1 ON %2").arg(name, triggerTables().value(name)));
    Db::execute(QStringLiteral("DROP FUNCTION %1_refuses()").arg(name));
}

namespace {
sqlite3 *sqliteHandle()
{
    return *static_cast<sqlite3 *const *>(Db::connection().driver()->handle().constData());
}

const char *const CommitLog = "test_commits";

// The program's tables and this workstation's work tables.
QStringList serverTables()
{
    QStringList tables;
    for (const QSqlRecord &r : Db::rows(QStringLiteral(
             "SELECT quote_ident(n.nspname) || '.' || quote_ident(c.relname) FROM pg_class c JOIN pg_namespace n "
             "ON n.oid = c.relnamespace WHERE c.relkind = 'r' AND c.relname <> 'test_commits' AND "
             "(n.nspname = current_schema() OR n.nspname LIKE 'work\\_%')")))
        tables << r.value(0).toString();
    return tables;
}
} // namespace

CommitCounter::CommitCounter()
{
    if (Db::engine() == Db::Engine::Sqlite) {
        sqlite3_commit_hook(
            sqliteHandle(),
            [](void *n) {
                ++*static_cast<int *>(n);
                return 0;
            },
            &m_commits);
        return;
    }
    // A statement trigger on every table logs its transaction; the log keeps
    // only what was committed.
    Db::execute(QStringLiteral("CREATE TABLE %1 (tx BIGINT)").arg(QLatin1String(CommitLog)));
    Db::execute(QStringLiteral("CREATE FUNCTION test_commit_logged() RETURNS trigger LANGUAGE plpgsql AS "
                               "$$BEGIN INSERT INTO %1 VALUES (txid_current()); RETURN NULL; END$$")
                    .arg(QLatin1String(CommitLog)));
    for (const QString &table : serverTables())
        Db::execute(QStringLiteral("CREATE TRIGGER test_commit_logged AFTER INSERT OR UPDATE OR DELETE ON %1 "
                                   "FOR EACH STATEMENT EXECUTE FUNCTION test_commit_logged()")
                        .arg(table));
}

CommitCounter::~CommitCounter()
{
    if (Db::engine() == Db::Engine::Sqlite) {
        sqlite3_commit_hook(sqliteHandle(), nullptr, nullptr);
        return;
    }
    Db::execute(QStringLiteral("DROP FUNCTION test_commit_logged() CASCADE"));
    Db::execute(QStringLiteral("DROP TABLE %1").arg(QLatin1String(CommitLog)));
}

int insertStatements(const QString &table, const std::function<void()> &road)
{
    if (Db::engine() == Db::Engine::Sqlite) {
        struct Count {
            QByteArray prefix;
            int n = 0;
        } count{"INSERT INTO " + table.toUtf8() + " ", 0};
        sqlite3_trace_v2(
            sqliteHandle(), SQLITE_TRACE_STMT,
            [](unsigned, void *context, void *, void *text) {
                // A trigger the statement fires comes as a comment of its own.
                auto *c = static_cast<Count *>(context);
                const char *sql = static_cast<const char *>(text);
                if (sql && std::strncmp(sql, c->prefix.constData(), size_t(c->prefix.size())) == 0)
                    ++c->n;
                return 0;
            },
            &count);
        road();
        sqlite3_trace_v2(sqliteHandle(), 0, nullptr, nullptr);
        return count.n;
    }
    Db::execute(QStringLiteral("CREATE TABLE test_inserts (n INTEGER)"));
    Db::execute(QStringLiteral("CREATE FUNCTION test_insert_logged() RETURNS trigger LANGUAGE plpgsql AS "
                               "$$BEGIN INSERT INTO test_inserts VALUES (1); RETURN NULL; END$$"));
    Db::execute(QStringLiteral("CREATE TRIGGER test_insert_logged AFTER INSERT ON %1 "
                               "FOR EACH STATEMENT EXECUTE FUNCTION test_insert_logged()")
                    .arg(table));
    road();
    const int n = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM test_inserts")).toInt();
    Db::execute(QStringLiteral("DROP FUNCTION test_insert_logged() CASCADE"));
    Db::execute(QStringLiteral("DROP TABLE test_inserts"));
    return n;
}

int CommitCounter::count() const
{
    if (Db::engine() == Db::Engine::Sqlite)
        return m_commits;
    return Db::scalar(QStringLiteral("SELECT COUNT(DISTINCT tx) FROM %1").arg(QLatin1String(CommitLog))).toInt();
}

void CommitCounter::reset()
{
    m_commits = 0;
    if (Db::engine() == Db::Engine::Postgres)
        Db::execute(QStringLiteral("DELETE FROM %1").arg(QLatin1String(CommitLog)));
}

QMultiHash<QString, QString> preparedStatements()
{
    QMultiHash<QString, QString> live;
    if (Db::engine() == Db::Engine::Sqlite) {
        for (sqlite3_stmt *st = sqlite3_next_stmt(sqliteHandle(), nullptr); st; st = sqlite3_next_stmt(sqliteHandle(), st))
            live.insert(QString::fromUtf8(sqlite3_sql(st)), QString::number(quintptr(st)));
        return live;
    }
    // The driver prepares "PREPARE <name> AS <statement>".
    static const QRegularExpression prepare(QStringLiteral("^PREPARE\\s+\\S+\\s+AS\\s+"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT name, statement FROM pg_prepared_statements")))
        live.insert(r.value(1).toString().remove(prepare), r.value(0).toString());
    return live;
}

std::unique_ptr<ServerTestDatabase> prepareDatabaseFolder(const QString &folder)
{
    if (!testOnServer())
        return {};
    return std::make_unique<ServerTestDatabase>(folder);
}

QString deskWorkerProgram()
{
    return QStringLiteral(VENTAROS_DESK_WORKER);
}

bool sanitizedBuild()
{
#ifdef VENTAROS_SANITIZED
    return true;
#else
    return false;
#endif
}

int slowdown()
{
    return sanitizedBuild() ? 3 : 1;
}

namespace {
QString programTemplate(const QString &parent)
{
    return parent.isEmpty() ? QDir::tempPath() + QLatin1Char('/') + QCoreApplication::applicationName()
                                  + QStringLiteral("-XXXXXX")
                            : QDir(parent).filePath(QStringLiteral("program-XXXXXX"));
}
} // namespace

TestProgram::TestProgram(bool withDatabase, const QString &parent)
    : m_dir(programTemplate(parent))
{
    ProgramFolder::setPath(m_dir.path());
    SortDirection = 0; // as a started program has it, whatever a test before clicked
    QDir().mkpath(file(QStringLiteral("SQLs")));
    for (const QString &name : QDir(sourceSqlFolder()).entryList(QDir::Files))
        QFile::copy(QDir(sourceSqlFolder()).filePath(name), file(QStringLiteral("SQLs/") + name));
    PlatformScript::activate();
    m_server = prepareDatabaseFolder(ProgramFolder::defaultDatabaseFolder());
    if (withDatabase) {
        m_dataModule = std::make_unique<TDataModule1>();
        const TDataModule1::AliasOpen opened = m_dataModule->openAliasFolder();
        if (!opened.opened)
            qFatal("test database could not be created: %s %s", qPrintable(opened.problems.join(QLatin1Char('\n'))),
                   qPrintable(opened.why));
        PlatformScript::clearEvents();
    }
}

TestProgram::~TestProgram()
{
    m_dataModule.reset();
    m_server.reset();
    PlatformScript::deactivate();
}

QString TestProgram::file(const QString &relative) const
{
    return QDir(m_dir.path()).filePath(relative);
}

QByteArray noiseBytes(int size, quint32 seed)
{
    QByteArray bytes;
    bytes.reserve(size);
    for (int i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes.append(char(seed >> 16));
    }
    return bytes;
}

QByteArray fileContents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool putFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

QStringList exportFileLines(const QString &baseName)
{
    QFile f(ProgramFolder::file(QStringLiteral("TEMP/") + baseName + QStringLiteral(".txt")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text.split(QStringLiteral("\r\n"));
}

namespace {
// Where the program's server connection goes: another connection like it,
// opened in a thread of its own.
struct ServerAddress {
    explicit ServerAddress(const QSqlDatabase &db)
        : host(db.hostName())
        , database(db.databaseName())
        , user(db.userName())
        , port(db.port())
    {
    }
    QSqlDatabase open(const QString &name) const
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(host);
        db.setPort(port);
        db.setDatabaseName(database);
        db.setUserName(user);
        if (!db.open())
            qFatal("another connection could not be opened: %s", qPrintable(db.lastError().text()));
        return db;
    }
    QString host, database, user;
    int port;
};
} // namespace

WriteLockHolder::WriteLockHolder(int ms)
{
    if (Db::engine(DataModule1->connection()) == Db::Engine::Postgres) {
        // A connection of its own on a thread of its own, as another
        // workstation's would be.
        static int serial = 0;
        m_connection = QStringLiteral("lock-holder-%1").arg(++serial);
        const QString name = m_connection;
        const ServerAddress server(DataModule1->connection());
        auto taken = std::make_shared<QSemaphore>();
        auto release = m_releaseNow;
        m_release.reset(QThread::create([=] {
            {
                QSqlDatabase db = server.open(name);
                {
                    WriteTransaction tx(db);
                    taken->release();
                    release->tryAcquire(1, ms > 0 ? ms : -1);
                }
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        }));
        m_release->start();
        taken->acquire();
        return;
    }
    const QByteArray file = Db::databaseFile(DataModule1->databaseFolder()).toUtf8();
    if (sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("the write lock could not be taken");
    if (ms > 0) {
        m_release.reset(QThread::create([this, ms] {
            QThread::msleep(ulong(ms));
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        }));
        m_release->start();
    }
}

WriteLockHolder::~WriteLockHolder()
{
    if (!m_connection.isEmpty()) {
        m_releaseNow->release();
        m_release->wait();
        return;
    }
    if (m_release)
        m_release->wait();
    else
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

ConnectionCutter::ConnectionCutter(const QString &table, bool atCommit)
    : m_table(table)
{
    if (Db::engine() != Db::Engine::Postgres)
        qFatal("a connection is cut on a server only");
    // The row waits for the cutter's lock (keyed by the trigger's name), with
    // no lock timeout: until the cutter ends the session, or lets go.
    Db::execute(QStringLiteral("CREATE FUNCTION cut_%1_waits() RETURNS trigger LANGUAGE plpgsql AS "
                               "$$BEGIN PERFORM set_config('lock_timeout', '0', true); "
                               "PERFORM pg_advisory_xact_lock_shared(hashtext(TG_NAME)); RETURN NEW; END$$")
                    .arg(table));
    Db::execute((atCommit ? QStringLiteral("CREATE CONSTRAINT TRIGGER cut_%1 AFTER INSERT OR UPDATE OR DELETE ON %1 "
                                           "DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION cut_%1_waits()")
                          : QStringLiteral("CREATE TRIGGER cut_%1 BEFORE INSERT OR UPDATE OR DELETE ON %1 FOR EACH ROW "
                                           "EXECUTE FUNCTION cut_%1_waits()"))
                    .arg(table));
    const QString trigger = QStringLiteral("cut_") + table.toLower();
    const qint64 program = Db::scalar(QStringLiteral("SELECT pg_backend_pid()")).toLongLong();
    static int serial = 0;
    const QString name = QStringLiteral("cutter-%1").arg(++serial);
    const ServerAddress server(Db::connection());
    auto cut = m_cut;
    auto stop = m_stop;
    auto holding = std::make_shared<QSemaphore>();
    m_thread.reset(QThread::create([=] {
        {
            QSqlDatabase db = server.open(name);
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT pg_advisory_lock(hashtext(?))"));
            q.addBindValue(trigger);
            if (!q.exec())
                qFatal("the cutter's lock was not taken: %s", qPrintable(q.lastError().text()));
            holding->release();
            // Only the program's session, and only while it waits for this
            // cutter. A cutter the operation never reached gives up after
            // five minutes, so a test that never cuts fails instead of hanging.
            q.prepare(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE pid = ? AND "
                                     "pg_backend_pid() = ANY(pg_blocking_pids(pid))"));
            q.bindValue(0, program);
            const QDeadlineTimer patience(std::chrono::minutes(5));
            while (!*cut && !*stop && !patience.hasExpired()) {
                if (!q.exec())
                    qFatal("the cutter could not look at the sessions: %s", qPrintable(q.lastError().text()));
                if (q.next() && q.value(0).toBool())
                    *cut = 1;
                else
                    QThread::msleep(20);
                q.finish();
            }
            db.close(); // lets go of the lock
        }
        QSqlDatabase::removeDatabase(name);
    }));
    m_thread->start();
    holding->acquire();
}

void ConnectionCutter::finish()
{
    *m_stop = 1;
    m_thread->wait();
}

ConnectionCutter::~ConnectionCutter()
{
    finish();
    // From a connection of its own: the program's, cut, connects again at
    // its own next statement.
    const QString name = QStringLiteral("cutter-drop");
    {
        QSqlDatabase db = ServerAddress(Db::connection()).open(name);
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("DROP TRIGGER IF EXISTS cut_%1 ON %1").arg(m_table))
            || !q.exec(QStringLiteral("DROP FUNCTION IF EXISTS cut_%1_waits()").arg(m_table)))
            qWarning("the cutting trigger stays: %s", qPrintable(q.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool ConnectionCutter::cut()
{
    finish();
    return m_cut->loadRelaxed() != 0;
}

CommitCut::CommitCut(bool unreachable)
    : m_port(Db::connection().port())
{
    if (Db::engine() != Db::Engine::Postgres)
        qFatal("a connection is cut on a server only");
    const ServerAddress server(Db::connection());
    auto cut = m_cut;
    PostgresEngine::setAfterCommitHookForTests([=](const QSqlDatabase &db) {
        if (*cut)
            return;
        *cut = true;
        QSqlQuery own(db);
        if (!own.exec(QStringLiteral("SELECT pg_backend_pid()")) || !own.next())
            qFatal("the session to end is not known");
        const qint64 pid = own.value(0).toLongLong();
        own.finish();
        {
            // That session and no other, and gone before the program speaks
            // again: however long the server takes to end it.
            QSqlDatabase other = server.open(QStringLiteral("commit-cut"));
            QSqlQuery q(other);
            q.prepare(QStringLiteral("SELECT pg_terminate_backend(pid, 10000) FROM pg_stat_activity WHERE pid = ?"));
            q.bindValue(0, pid);
            for (;;) {
                if (!q.exec())
                    qFatal("the session was not ended: %s", qPrintable(q.lastError().text()));
                if (!q.next() || q.value(0).toBool())
                    break; // gone, or ended now
                q.finish();
            }
            q.finish();
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("commit-cut"));
        if (unreachable) {
            QSqlDatabase program = db;
            program.setPort(1); // nothing listens there
        }
        // The client notices the ended session at its next word to it.
        QSqlQuery(db).exec(QStringLiteral("SELECT 1"));
    });
}

CommitCut::~CommitCut()
{
    PostgresEngine::setAfterCommitHookForTests({});
    QSqlDatabase db = Db::connection();
    if (db.port() != m_port)
        db.setPort(m_port);
}

void ModalWalk::start()
{
    PlatformScript::setModalHandler([this](QDialog *d) {
        opened << d->objectName();
        if (m_next >= m_steps.size())
            return int(QDialog::Rejected);
        const Step step = m_steps.at(m_next++);
        d->setResult(0);
        d->show();
        step(d);
        const int result = d->isVisible() ? int(QDialog::Rejected) : d->result();
        if (d->isVisible())
            d->done(QDialog::Rejected);
        d->hide();
        return result;
    });
}

UserUmask::UserUmask(unsigned mask)
    : m_saved(::umask(mode_t(mask)))
{
    FileModes::keepFromOthers();
}

UserUmask::~UserUmask()
{
    ::umask(mode_t(m_saved));
}

int fileMode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

StoppedSession::StoppedSession(const QString &table)
    : m_table(table)
{
    if (Db::engine() != Db::Engine::Postgres)
        qFatal("a session is stopped on a server only");
    m_pid = Db::scalar(QStringLiteral("SELECT pg_backend_pid()")).toLongLong();
    if (!table.isEmpty()) {
        Db::execute(QStringLiteral("CREATE FUNCTION stop_%1_waits() RETURNS trigger LANGUAGE plpgsql AS "
                                   "$$BEGIN PERFORM pg_sleep(0.5); RETURN COALESCE(NEW, OLD); END$$")
                        .arg(table));
        Db::execute(QStringLiteral("CREATE TRIGGER stop_%1 BEFORE INSERT OR UPDATE OR DELETE ON %1 FOR EACH ROW "
                                   "EXECUTE FUNCTION stop_%1_waits()")
                        .arg(table));
    }
    start();
}

StoppedSession::StoppedSession(qint64 pid)
    : m_pid(pid)
{
    start();
}

void StoppedSession::start()
{
    const QString table = m_table;
    // A keeper process continues the session should this one die first: it
    // waits for the end of a pipe only this process holds.
    int ends[2];
    if (::pipe(ends) != 0)
        qFatal("no pipe for the keeper");
    const pid_t keeper = ::fork();
    if (keeper == 0) {
        ::close(ends[1]);
        char c;
        while (::read(ends[0], &c, 1) < 0 && errno == EINTR) {
        }
        ::kill(pid_t(m_pid), SIGCONT);
        ::_exit(0);
    }
    ::close(ends[0]);
    m_keeper = keeper;
    m_keeperPipe = ends[1];
    const qint64 pid = m_pid;
    auto stopped = m_stopped;
    auto done = m_done;
    if (table.isEmpty()) {
        ::kill(pid_t(pid), SIGSTOP);
        *stopped = 1;
    }
    const ServerAddress server(Db::connection());
    static int serial = 0;
    const QString name = QStringLiteral("stopper-%1").arg(++serial);
    const bool watch = !table.isEmpty();
    m_thread.reset(QThread::create([=] {
        if (watch) {
            {
                QSqlDatabase db = server.open(name);
                QSqlQuery q(db);
                while (!done->tryAcquire(1, 5)) {
                    if (q.exec(QStringLiteral("SELECT wait_event FROM pg_stat_activity WHERE pid = %1").arg(pid))
                        && q.next() && q.value(0).toString() == QLatin1String("PgSleep")) {
                        ::kill(pid_t(pid), SIGSTOP);
                        *stopped = 1;
                        break;
                    }
                }
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
        // A program that never lets go of its wait gets its answer after all.
        done->tryAcquire(1, 30000 * slowdown());
        ::kill(pid_t(pid), SIGCONT);
    }));
    m_thread->start();
}

StoppedSession::~StoppedSession()
{
    m_done->release(2);
    m_thread->wait();
    ::kill(pid_t(m_pid), SIGCONT);
    ::close(m_keeperPipe);
    ::waitpid(m_keeper, nullptr, 0);
    if (m_table.isEmpty())
        return;
    const QString name = QStringLiteral("stopper-drop");
    {
        QSqlDatabase db = ServerAddress(Db::connection()).open(name);
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("DROP TRIGGER IF EXISTS stop_%1 ON %1").arg(m_table))
            || !q.exec(QStringLiteral("DROP FUNCTION IF EXISTS stop_%1_waits()").arg(m_table)))
            qWarning("the stopping trigger stays: %s", qPrintable(q.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
