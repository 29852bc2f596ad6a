// Typed queries on SQLite: read-only connections (QSQLITE_OPEN_READONLY and
// PRAGMA query_only) on a private copy whose protected columns are emptied
// before the query runs, so no form of query reads them; besides, the
// authorizer refuses a statement that names them (alias, subquery, "*",
// view, CTE) with a message saying so. A progress handler and a busy handler
// of their own end a statement on stop() or at the time limit.
//
// With the rollback journal a running read stops every other workstation's
// commit, so a query never runs on the shared file: it runs on a private copy
// in TEMP/, taken with the backup API inside one read transaction. That
// transaction holds the shared file's read lock for the copy only (a writer
// waits that long within its busy timeout) and, unlike copy steps that let go
// of the lock, never starts over when another workstation writes.
#include "common/program_folder.h"
#include "platform/db/database.h"
#include "platform/db/sqlite_engine.h"
#include "platform/db/typed_query.h"
#include "platform/db/work_tables.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

void closeConnection(QSqlDatabase &db)
{
    const QString name = db.connectionName();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

// The copies of this process's running queries. Any other copy of this
// workstation (one program per workstation) is what a killed run left.
struct Copies {
    std::mutex mutex;
    QSet<QString> live;
};

Copies &copies()
{
    static Copies c;
    return c;
}

// Pages copied between two looks at a stop and the time limit.
constexpr int CopyStepPages = 1024;

class SqliteTypedQuery final : public TypedQueryConnection
{
public:
    explicit SqliteTypedQuery(QSqlDatabase source)
        : m_source(std::move(source))
    {
        guard(SqliteEngine::handle(m_source));
    }

    ~SqliteTypedQuery() override
    {
        dropCopy();
        closeConnection(m_source);
    }

    QString check(const QString &sql) override { return check(m_source, sql, nullptr); }

    TypedQuery::Result run(const QString &sql, const TypedQuery::Limits &limits) override
    {
        m_limit = limits.time;
        m_deadline = Clock::now() + limits.time;
        TypedQuery::Result result;
        if (!takeCopy(&result.message)) {
            result.outcome = ended(TypedQuery::Outcome::Failed, &result.message);
            dropCopy();
            return result;
        }
        result = runOnCopy(sql, limits);
        dropCopy();
        return result;
    }

    void stop() override { m_stop = true; }

private:
    void guard(sqlite3 *handle)
    {
        sqlite3_set_authorizer(handle, &SqliteTypedQuery::authorize, this);
        sqlite3_progress_handler(handle, 1000, &SqliteTypedQuery::progress, this);
        sqlite3_busy_handler(handle, &SqliteTypedQuery::busy, this);
    }

    // A stop, or the time limit reached (then m_timedOut).
    bool outOfTime()
    {
        if (m_stop)
            return true;
        if (Clock::now() >= m_deadline)
            m_timedOut = true;
        return m_timedOut;
    }

    // A new private file in TEMP/, made by this thread alone; what killed runs left goes first.
    QString newCopyFile(QString *why)
    {
        static QAtomicInteger<quint64> counter;
        const QDir temp(ProgramFolder::tempFolder());
        // "query-<workstation>-<process>-<n>.sqlite", exactly this
        // workstation's: another's name may begin with this one's.
        const QString station = WorkTables::workstationKey();
        const QRegularExpression ours(QRegularExpression::anchoredPattern(
            QStringLiteral("query-%1-[0-9]+-[0-9]+\\.sqlite").arg(QRegularExpression::escape(station))));
        std::lock_guard lock(copies().mutex);
        for (const QString &name : temp.entryList(QDir::Files))
            if (ours.match(name).hasMatch() && !copies().live.contains(temp.filePath(name)))
                QFile::remove(temp.filePath(name));
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString path = temp.filePath(QStringLiteral("query-%1-%2-%3.sqlite")
                                                   .arg(station)
                                                   .arg(::getpid())
                                                   .arg(counter.fetchAndAddRelaxed(1)));
            // Private before the engine writes the database into it.
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0) {
                ::close(fd);
                copies().live.insert(path);
                return path;
            }
            if (errno != EEXIST)
                break;
        }
        *why = QStringLiteral("Копието на базата данни за справката не може да бъде създадено в %1 (%2).")
                   .arg(QDir::toNativeSeparators(temp.path()), QString::fromLocal8Bit(std::strerror(errno)));
        return QString();
    }

    // The shared file read once before its lock is taken, so the copy under
    // the lock reads it from memory: read from the disk there, a large
    // database would hold the other workstations' saves several times longer.
    // false when stopped or out of time.
    bool readAhead()
    {
        QFile file(m_source.databaseName());
        if (!file.open(QIODevice::ReadOnly))
            return true; // the copy tells what is wrong
        ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        while (file.read(buffer.data(), buffer.size()) > 0)
            if (outOfTime())
                return false;
        return true;
    }

    // The database as it is at one moment, copied into m_copyPath and opened
    // read-only, with the same refusals and limits as the shared one.
    bool takeCopy(QString *why)
    {
        m_copyPath = newCopyFile(why);
        if (m_copyPath.isEmpty() || !readAhead())
            return false;
        sqlite3 *source = SqliteEngine::handle(m_source);
        sqlite3 *copy = nullptr;
        int rc = sqlite3_open_v2(QFile::encodeName(m_copyPath).constData(), &copy, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3 *said = copy; // whose message tells a failure
        // A throw-away file: no journal, no waiting for the disk.
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(copy, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            said = source;
            rc = sqlite3_exec(source, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        }
        if (rc == SQLITE_OK) {
            said = copy;
            sqlite3_backup *backup = sqlite3_backup_init(copy, "main", source, "main");
            rc = backup ? SQLITE_OK : sqlite3_errcode(copy);
            while (backup && (rc = sqlite3_backup_step(backup, CopyStepPages)) == SQLITE_OK && !outOfTime()) {
            }
            // On a failed step it says the step's failure again.
            if (backup && sqlite3_backup_finish(backup) == SQLITE_OK && rc == SQLITE_DONE)
                rc = SQLITE_OK;
        }
        if (!sqlite3_get_autocommit(source))
            sqlite3_exec(source, "ROLLBACK", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            said = copy;
            rc = emptyProtected(copy);
        }
        const QString engine = rc == SQLITE_OK ? QString() : QString::fromUtf8(sqlite3_errmsg(said));
        sqlite3_close(copy);
        if (outOfTime())
            return false;
        if (rc != SQLITE_OK) {
            *why = (rc & 0xff) == SQLITE_FULL
                       ? QStringLiteral("Няма място на диска в %1 за копието на базата данни, на което се изпълнява "
                                        "справката.")
                             .arg(QDir::toNativeSeparators(QFileInfo(m_copyPath).absolutePath()))
                       : Db::errorText(QSqlError(QString(), engine, QSqlError::StatementError, QString::number(rc)));
            return false;
        }
        m_copy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_source.connectionName() + QStringLiteral("_copy"));
        m_copy.setDatabaseName(m_copyPath);
        m_copy.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!m_copy.open()) {
            *why = Db::errorText(m_copy.lastError());
            return false;
        }
        QSqlQuery q(m_copy);
        if (!SqliteEngine::registerFunctions(m_copy) || !q.exec(QStringLiteral("PRAGMA query_only = 1"))) {
            *why = QStringLiteral("Копието на базата данни за справката не може да бъде отворено.");
            return false;
        }
        guard(SqliteEngine::handle(m_copy));
        return true;
    }

    // The protected columns of the copy emptied before any query sees it,
    // so no statement, whatever its form, reads them there. secure_delete
    // overwrites the bytes the engine frees (no free page or gap of a page
    // keeps them); without a journal, and with temporary data in memory, no
    // other file holds the old pages. The copy's triggers stay still.
    static int emptyProtected(sqlite3 *copy)
    {
        sqlite3_db_config(copy, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
        int rc = sqlite3_exec(copy, "PRAGMA journal_mode = OFF; PRAGMA temp_store = MEMORY; PRAGMA secure_delete = ON",
                              nullptr, nullptr, nullptr);
        for (const TypedQuery::ProtectedColumn &p : TypedQuery::protectedColumns()) {
            if (rc != SQLITE_OK || !hasColumn(copy, p, &rc))
                continue;
            const QByteArray empty = QStringLiteral("UPDATE \"%1\" SET \"%2\" = '' WHERE \"%2\" IS NOT NULL")
                                         .arg(p.table, p.column)
                                         .toUtf8();
            rc = sqlite3_exec(copy, empty.constData(), nullptr, nullptr, nullptr);
            // The planner's samples of an index may hold the column's values.
            for (const char *stat : {"sqlite_stat3", "sqlite_stat4"}) {
                if (rc != SQLITE_OK || !hasTable(copy, stat, &rc))
                    continue;
                rc = execBound(copy, QStringLiteral("DELETE FROM %1 WHERE tbl = ? COLLATE NOCASE").arg(QLatin1String(stat)),
                               {p.table});
            }
        }
        return rc;
    }

    // Runs `sql` with `values` bound to its parameters, to its end.
    static int execBound(sqlite3 *db, const QString &sql, const QStringList &values, bool *row = nullptr)
    {
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt *stmt = nullptr;
        int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr);
        for (int i = 0; rc == SQLITE_OK && i < values.size(); ++i) {
            const QByteArray bound = values.at(i).toUtf8();
            rc = sqlite3_bind_text(stmt, i + 1, bound.constData(), int(bound.size()), SQLITE_TRANSIENT);
        }
        while (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (row)
                *row = true;
            rc = SQLITE_OK;
        }
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    }

    static bool hasTable(sqlite3 *db, const char *table, int *rc)
    {
        bool found = false;
        *rc = execBound(db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"),
                        {QLatin1String(table)}, &found);
        return found;
    }

    static bool hasColumn(sqlite3 *db, const TypedQuery::ProtectedColumn &p, int *rc)
    {
        bool found = false;
        *rc = execBound(db, QStringLiteral("SELECT 1 FROM pragma_table_info(?) WHERE name = ? COLLATE NOCASE"),
                        {p.table, p.column}, &found);
        return found;
    }

    void dropCopy()
    {
        if (m_copy.isValid())
            closeConnection(m_copy);
        if (m_copyPath.isEmpty())
            return;
        QFile::remove(m_copyPath);
        std::lock_guard lock(copies().mutex);
        copies().live.remove(m_copyPath);
        m_copyPath.clear();
    }

    TypedQuery::Result runOnCopy(const QString &sql, const TypedQuery::Limits &limits)
    {
        // No value the engine makes outgrows the whole result.
        sqlite3 *copy = SqliteEngine::handle(m_copy);
        sqlite3_limit(copy, SQLITE_LIMIT_LENGTH,
                      int(qBound(qint64(1), limits.bytes, qint64(sqlite3_limit(copy, SQLITE_LIMIT_LENGTH, -1)))));
        TypedQuery::Result result;
        QString statement;
        result.message = check(m_copy, sql, &statement);
        if (!result.message.isEmpty()) {
            result.outcome = ended(TypedQuery::Outcome::Refused, &result.message);
            return result;
        }
        QSqlQuery q(m_copy);
        q.setForwardOnly(true);
        if (!q.exec(statement)) {
            result.message = Db::errorText(q.lastError());
            result.outcome = ended(TypedQuery::Outcome::Failed, &result.message);
            return result;
        }
        const QSqlRecord record = q.record();
        for (int c = 0; c < record.count(); ++c)
            result.fields.append(record.fieldName(c));
        while (q.next()) {
            if (outOfTime())
                break;
            QVariantList row;
            row.reserve(result.fields.size());
            qint64 bytes = TypedQuery::rowBytes(result.fields.size());
            for (int c = 0; c < result.fields.size(); ++c) {
                row.append(q.value(c));
                bytes += TypedQuery::valueBytes(row.constLast());
            }
            if (!TypedQuery::roomFor(&result, limits, bytes))
                break;
            result.rows.append(std::move(row));
        }
        result.outcome = TypedQuery::Outcome::Done;
        if ((q.lastError().nativeErrorCode().toInt() & 0xff) == SQLITE_TOOBIG) {
            // One value longer than the whole result may be.
            result.truncated = true;
            result.message = TypedQuery::sizeLimitMessage(limits.bytes);
        } else if (q.lastError().isValid()) {
            result.message = Db::errorText(q.lastError());
            result.outcome = TypedQuery::Outcome::Failed;
        }
        q.finish();
        result.outcome = ended(result.outcome, &result.message);
        if (result.outcome != TypedQuery::Outcome::Done) {
            result.fields.clear();
            result.rows.clear();
        }
        return result;
    }

    // A stop or the time limit overrides what the engine said about it.
    TypedQuery::Outcome ended(TypedQuery::Outcome outcome, QString *message) const
    {
        if (m_stop) {
            message->clear();
            return TypedQuery::Outcome::Stopped;
        }
        if (m_timedOut) {
            *message = TypedQuery::timeLimitMessage(m_limit);
            return TypedQuery::Outcome::TimedOut;
        }
        return outcome;
    }

    QString check(const QSqlDatabase &db, const QString &sql, QString *statement)
    {
        sqlite3 *handle = SqliteEngine::handle(db);
        const QString onlySelect = TypedQuery::onlySelectText();
        const QString form = TypedQuery::formProblem(sql);
        if (!form.isEmpty())
            return form;
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt *stmt = nullptr;
        const char *tail = nullptr;
        m_refused = nullptr;
        m_deniedFunction.clear();
        const int rc = sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &stmt, &tail);
        if (rc != SQLITE_OK) {
            const QString why = m_refused                     ? TypedQuery::refusal(*m_refused)
                                : !m_deniedFunction.isEmpty() ? TypedQuery::deniedFunction(m_deniedFunction)
                                                              : Db::errorText(QSqlError(
                                                                    QString(), QString::fromUtf8(sqlite3_errmsg(handle)),
                                                                    QSqlError::StatementError, QString::number(rc)));
            sqlite3_finalize(stmt);
            return why;
        }
        const bool reads = stmt && sqlite3_stmt_readonly(stmt);
        sqlite3_finalize(stmt);
        if (!reads)
            return onlySelect;
        const qsizetype statementBytes = tail ? tail - text.constData() : text.size();
        if (statement)
            *statement = QString::fromUtf8(text.constData(), statementBytes);
        // Whatever follows the statement may only be blanks, comments and ";".
        const QString rest = QString::fromUtf8(text.constData() + statementBytes, text.size() - statementBytes);
        return TypedQuery::onlyBlanksAfter(rest) ? QString() : onlySelect;
    }

    static int authorize(void *self, int action, const char *table, const char *column, const char *, const char *)
    {
        // Functions that reach outside the database (the tokenizer one takes
        // a memory address) are not a query's business.
        auto *me = static_cast<SqliteTypedQuery *>(self);
        if (action == SQLITE_FUNCTION && column
            && (qstricmp(column, "load_extension") == 0 || qstricmp(column, "fts3_tokenizer") == 0)) {
            me->m_deniedFunction = QString::fromUtf8(column);
            return SQLITE_DENY;
        }
        if (action != SQLITE_READ || !table || !column)
            return SQLITE_OK;
        // Raw pages of the file, where an engine built with them offers them.
        if (qstricmp(table, "sqlite_dbpage") == 0) {
            me->m_deniedFunction = QString::fromUtf8(table);
            return SQLITE_DENY;
        }
        const TypedQuery::ProtectedColumn *p =
            TypedQuery::findProtected(QString::fromUtf8(table), QString::fromUtf8(column));
        if (!p)
            return SQLITE_OK;
        me->m_refused = p;
        return SQLITE_DENY;
    }

    // Non-zero ends the running statement with SQLITE_INTERRUPT.
    static int progress(void *self)
    {
        return static_cast<SqliteTypedQuery *>(self)->outOfTime() ? 1 : 0;
    }

    // Waits for another workstation's write like the busy timeout, but in
    // short steps that notice a stop and the time limit.
    static int busy(void *self, int count)
    {
        constexpr int StepMs = 10;
        if (count * StepMs >= Db::BusyTimeoutMs || static_cast<SqliteTypedQuery *>(self)->outOfTime())
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(StepMs));
        return 1;
    }

    QSqlDatabase m_source; // the shared database: checks, and the copy's source
    QSqlDatabase m_copy;   // the private copy a query runs on
    QString m_copyPath;
    std::atomic<bool> m_stop{false};
    bool m_timedOut = false;
    std::chrono::milliseconds m_limit{0};
    Clock::time_point m_deadline = Clock::time_point::max();
    const TypedQuery::ProtectedColumn *m_refused = nullptr;
    QString m_deniedFunction;
};
} // namespace

std::unique_ptr<TypedQueryConnection> SqliteEngine::openTypedQuery(QSqlDatabase clone)
{
    const QString name = clone.connectionName();
    auto fail = [&](const QString &why) {
        clone.close();
        clone = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return DbError(why);
    };
    if (clone.databaseName().isEmpty())
        throw fail(QStringLiteral("Няма връзка с базата данни"));
    // No busy timeout of the driver: the typed query's own busy handler waits.
    clone.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!clone.open())
        throw fail(Db::errorText(clone.lastError()));
    if (!registerFunctions(clone))
        throw fail(QStringLiteral("Не могат да се регистрират функциите UPPER/LOWER"));
    {
        QSqlQuery q(clone);
        if (!q.exec(QStringLiteral("PRAGMA query_only = 1")))
            throw fail(Db::errorText(q.lastError()));
    }
    return std::make_unique<SqliteTypedQuery>(clone);
}
