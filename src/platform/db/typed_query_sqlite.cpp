// Typed queries on SQLite: read-only connections (read-only open and
// PRAGMA query_only) on a private copy whose protected columns are emptied
// before the query runs, so no form of query reads them; besides, the
// authorizer refuses a statement that names them (alias, subquery, "*",
// view, CTE), and a statement that reads their table and names them anywhere
// (a USING list, which the authorizer never sees), with a message saying so.
// A progress handler and a busy handler of their own end a statement on
// stop() or at the time limit.
//
// What a query holds is counted (query_budget.h): the engine's memory for
// its statement and the rows kept, a row's size known before its values are
// made; its temporary files go to TEMP/ within their bounds; printf() and
// format() are bounded too (typed_query_printf.h).
//
// With the rollback journal a running read stops every other workstation's
// commit, so a query never runs on the shared file: it runs on a private copy
// in TEMP/, taken with the backup API inside one read transaction. That
// transaction holds the shared file's read lock for the copy only (a writer
// waits that long within its busy timeout) and, unlike copy steps that let go
// of the lock, never starts over when another workstation writes.
#include "common/program_folder.h"
#include "platform/db/database.h"
#include "platform/db/query_budget.h"
#include "platform/db/sqlite_engine.h"
#include "platform/db/typed_query.h"
#include "platform/db/typed_query_printf.h"
#include "platform/db/work_tables.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// This workstation's copies ("query-<workstation>-<process>-<n>.sqlite",
// exactly its own: another's name may begin with this one's) that no query
// of this process runs on. Under copies().mutex.
void removeLeft(const QDir &temp)
{
    const QRegularExpression ours(QRegularExpression::anchoredPattern(
        QStringLiteral("query-%1-[0-9]+-[0-9]+\\.sqlite").arg(QRegularExpression::escape(WorkTables::workstationKey()))));
    for (const QString &name : temp.entryList(QDir::Files))
        if (ours.match(name).hasMatch() && !copies().live.contains(temp.filePath(name)))
            QFile::remove(temp.filePath(name));
}

std::function<void(sqlite3 *)> &testHook()
{
    static std::function<void(sqlite3 *)> hook;
    return hook;
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

    QString check(const QString &sql) override { return check(SqliteEngine::handle(m_source), sql, nullptr); }

    TypedQuery::Result run(const QString &sql, const TypedQuery::Limits &limits) override
    {
        m_limit = limits.time;
        m_deadline = Clock::now() + limits.time;
        TypedQuery::Result result;
        if (!takeCopy(limits, &result.message)) {
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
        std::lock_guard lock(copies().mutex);
        removeLeft(temp);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString path = temp.filePath(QStringLiteral("query-%1-%2-%3.sqlite")
                                                   .arg(WorkTables::workstationKey())
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
    bool takeCopy(const TypedQuery::Limits &limits, QString *why)
    {
        m_copyPath = newCopyFile(why);
        if (m_copyPath.isEmpty())
            return false;
        // The copy takes the database's size on the disk of TEMP/, and leaves it its room.
        const QueryBudget::Disk disk(ProgramFolder::tempFolder(), limits.tempBytes, limits.keepFree);
        if (!disk.roomFor(QFileInfo(m_source.databaseName()).size())) {
            *why = TypedQuery::diskRoomMessage(QDir::toNativeSeparators(disk.folder()), limits.keepFree);
            return false;
        }
        if (!readAhead())
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
        // Opened through the VFS that puts its temporary files under a query's bounds.
        rc = sqlite3_open_v2(QFile::encodeName(m_copyPath).constData(), &m_copy, SQLITE_OPEN_READONLY,
                             QueryBudget::sqliteVfs());
        if (rc == SQLITE_OK && SqliteEngine::registerFunctions(m_copy) && m_printf.install(m_copy)
            && sqlite3_exec(m_copy, "PRAGMA query_only = 1", nullptr, nullptr, nullptr) == SQLITE_OK) {
            guard(m_copy);
            if (testHook())
                testHook()(m_copy);
            return true;
        }
        *why = QStringLiteral("Копието на базата данни за справката не може да бъде отворено.\n(")
               + QString::fromUtf8(m_copy ? sqlite3_errmsg(m_copy) : sqlite3_errstr(rc)) + QLatin1Char(')');
        return false;
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
        while (stmt && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
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
        m_printf.close();
        if (m_copy) {
            sqlite3_close_v2(m_copy);
            m_copy = nullptr;
        }
        // Once the copy's pages are freed, nothing of the engine is held for the query.
        QueryBudget::retire(m_memory);
        m_memory = nullptr;
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
        sqlite3_limit(m_copy, SQLITE_LIMIT_LENGTH,
                      int(qBound(qint64(1), limits.bytes, qint64(sqlite3_limit(m_copy, SQLITE_LIMIT_LENGTH, -1)))));
        QueryBudget::Disk disk(ProgramFolder::tempFolder(), limits.tempBytes, limits.keepFree);
        m_memory = QueryBudget::adopt(limits.bytes);
        TypedQuery::Result result;
        {
            const QueryBudget::SqliteScope scope(m_memory, &disk);
            result = fetch(sql, limits, disk);
            m_printf.close(); // its memory counted with the query's
        }
        result.peakBytes = m_memory->peak();
        m_memory->release(result.bytes); // the rows go to the window
        return result;
    }

    TypedQuery::Result fetch(const QString &sql, const TypedQuery::Limits &limits, const QueryBudget::Disk &disk)
    {
        TypedQuery::Result result;
        QString statement;
        result.message = check(m_copy, sql, &statement);
        if (!result.message.isEmpty()) {
            result.outcome = ended(TypedQuery::Outcome::Refused, &result.message);
            return result;
        }
        const QByteArray text = statement.toUtf8();
        sqlite3_stmt *stmt = nullptr;
        int rc = sqlite3_prepare_v2(m_copy, text.constData(), int(text.size()), &stmt, nullptr);
        const int columns = rc == SQLITE_OK ? sqlite3_column_count(stmt) : 0;
        for (int c = 0; c < columns; ++c)
            result.fields.append(QString::fromUtf8(sqlite3_column_name(stmt, c)));
        while (stmt && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (outOfTime())
                break;
            // Counted before its values are made: a text of n bytes is at most n characters.
            qint64 bytes = TypedQuery::rowBytes(columns);
            for (int c = 0; c < columns; ++c) {
                const int type = sqlite3_column_type(stmt, c);
                bytes += 32 + (type == SQLITE_TEXT ? 2 : type == SQLITE_BLOB ? 1 : 0) * qint64(sqlite3_column_bytes(stmt, c));
            }
            if (!TypedQuery::roomFor(&result, limits, m_memory, bytes)) {
                rc = SQLITE_DONE;
                break;
            }
            QVariantList row;
            row.reserve(columns);
            qint64 held = TypedQuery::rowBytes(columns);
            for (int c = 0; c < columns; ++c) {
                row.append(value(stmt, c));
                held += TypedQuery::valueBytes(row.constLast());
            }
            TypedQuery::settle(&result, m_memory, bytes, held);
            result.rows.append(std::move(row));
        }
        result.outcome = TypedQuery::Outcome::Done;
        const int code = rc & 0xff;
        if (code == SQLITE_TOOBIG || (code == SQLITE_NOMEM && m_memory->refused())) {
            // One value longer than the whole result may be, or the engine's memory for the rows past it.
            result.truncated = true;
            result.message = TypedQuery::sizeLimitMessage(limits.bytes);
        } else if (code != SQLITE_DONE && code != SQLITE_ROW) {
            result.message = failure(rc, limits, disk);
            result.outcome = TypedQuery::Outcome::Failed;
        }
        sqlite3_finalize(stmt);
        result.outcome = ended(result.outcome, &result.message);
        if (result.outcome != TypedQuery::Outcome::Done) {
            result.fields.clear();
            result.rows.clear();
            result.truncated = false;
        }
        return result;
    }

    // A value as the program's SQLite driver gives it.
    static QVariant value(sqlite3_stmt *stmt, int c)
    {
        switch (sqlite3_column_type(stmt, c)) {
        case SQLITE_INTEGER:
            return qlonglong(sqlite3_column_int64(stmt, c));
        case SQLITE_FLOAT:
            return sqlite3_column_double(stmt, c);
        case SQLITE_TEXT:
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)),
                                     sqlite3_column_bytes(stmt, c));
        case SQLITE_BLOB: {
            const char *blob = static_cast<const char *>(sqlite3_column_blob(stmt, c));
            return QByteArray(blob, sqlite3_column_bytes(stmt, c));
        }
        default:
            return QVariant(QMetaType::fromType<QString>());
        }
    }

    QString failure(int rc, const TypedQuery::Limits &limits, const QueryBudget::Disk &disk) const
    {
        switch (disk.refusal()) {
        case QueryBudget::Disk::Refusal::Size:
            return TypedQuery::tempLimitMessage(limits.tempBytes);
        case QueryBudget::Disk::Refusal::Room:
            return TypedQuery::diskRoomMessage(QDir::toNativeSeparators(disk.folder()), limits.keepFree);
        case QueryBudget::Disk::Refusal::None:
            break;
        }
        if ((rc & 0xff) == SQLITE_NOMEM)
            return TypedQuery::memoryMessage();
        return Db::errorText(
            QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(m_copy)), QSqlError::StatementError, QString::number(rc)));
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

    QString check(sqlite3 *handle, const QString &sql, QString *statement)
    {
        const QString onlySelect = TypedQuery::onlySelectText();
        const QString form = TypedQuery::formProblem(sql);
        if (!form.isEmpty())
            return form;
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt *stmt = nullptr;
        const char *tail = nullptr;
        m_refused = nullptr;
        m_deniedFunction.clear();
        m_readsProtected.clear();
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
        const QString own = QString::fromUtf8(text.constData(), statementBytes);
        // Whatever follows the statement may only be blanks, comments and ";".
        const QString rest = QString::fromUtf8(text.constData() + statementBytes, text.size() - statementBytes);
        if (!TypedQuery::onlyBlanksAfter(rest))
            return onlySelect;
        // A protected column named in a statement that reads or names its
        // table: the engine joins a USING list without asking the authorizer.
        QList<TypedQuery::Token> tokens;
        qsizetype end = 0;
        if (TypedQuery::tokenize(own, TypedQuery::Dialect::Sqlite, &tokens, &end))
            for (const TypedQuery::ProtectedColumn &p : TypedQuery::protectedColumns())
                if ((m_readsProtected.contains(&p) || TypedQuery::namesColumn(tokens, p.table, TypedQuery::Dialect::Sqlite))
                    && TypedQuery::namesColumn(tokens, p.column, TypedQuery::Dialect::Sqlite))
                    return TypedQuery::refusal(p);
        if (statement)
            *statement = own;
        return {};
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
        for (const TypedQuery::ProtectedColumn &p : TypedQuery::protectedColumns())
            if (p.table.compare(QLatin1String(table), Qt::CaseInsensitive) == 0 && !me->m_readsProtected.contains(&p))
                me->m_readsProtected.append(&p);
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

    QSqlDatabase m_source;     // the shared database: checks, and the copy's source
    sqlite3 *m_copy = nullptr; // the private copy a query runs on
    QString m_copyPath;
    QueryBudget::Memory *m_memory = nullptr; // while a query runs on the copy
    BoundedPrintf m_printf;
    std::atomic<bool> m_stop{false};
    bool m_timedOut = false;
    std::chrono::milliseconds m_limit{0};
    Clock::time_point m_deadline = Clock::time_point::max();
    const TypedQuery::ProtectedColumn *m_refused = nullptr;
    QString m_deniedFunction;
    QList<const TypedQuery::ProtectedColumn *> m_readsProtected; // whose table the statement reads
};
} // namespace

void TypedQuery::removeLeftCopies()
{
    std::lock_guard lock(copies().mutex);
    removeLeft(QDir(ProgramFolder::tempFolder()));
}

void SqliteEngine::setTypedQueryHookForTests(std::function<void(sqlite3 *)> hook)
{
    testHook() = std::move(hook);
}

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
