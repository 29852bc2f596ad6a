// Typed queries on SQLite: a read-only connection (QSQLITE_OPEN_READONLY and
// PRAGMA query_only) whose authorizer refuses the protected columns while a
// statement is prepared, so no form of query (alias, subquery, "*", view,
// CTE) reads them; a progress handler and a busy handler of its own end a
// statement on stop() or at the time limit.
#include "platform/db/database.h"
#include "platform/db/sqlite_engine.h"
#include "platform/db/typed_query.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

#include <atomic>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;

// Skips blanks and SQL comments from `i`; false on an unclosed comment.
bool skipBlanks(const QString &s, qsizetype &i)
{
    while (i < s.size()) {
        const QChar c = s.at(i);
        const QChar next = i + 1 < s.size() ? s.at(i + 1) : QChar();
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            while (i < s.size() && s.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype end = s.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0)
                return false;
            i = end + 2;
        } else {
            return true;
        }
    }
    return true;
}

class SqliteTypedQuery final : public TypedQueryConnection
{
public:
    SqliteTypedQuery(QSqlDatabase db, sqlite3 *handle)
        : m_db(std::move(db))
        , m_handle(handle)
    {
        sqlite3_set_authorizer(m_handle, &SqliteTypedQuery::authorize, this);
        sqlite3_progress_handler(m_handle, 1000, &SqliteTypedQuery::progress, this);
        sqlite3_busy_handler(m_handle, &SqliteTypedQuery::busy, this);
    }

    ~SqliteTypedQuery() override
    {
        const QString name = m_db.connectionName();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }

    QString check(const QString &sql) override { return check(sql, nullptr); }

    TypedQuery::Result run(const QString &sql, const TypedQuery::Limits &limits) override
    {
        TypedQuery::Result result;
        m_limit = limits.time;
        m_deadline = Clock::now() + limits.time;
        QString statement;
        result.message = check(sql, &statement);
        if (!result.message.isEmpty()) {
            result.outcome = ended(TypedQuery::Outcome::Refused, &result.message);
            return result;
        }
        QSqlQuery q(m_db);
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
            if (m_stop || Clock::now() >= m_deadline) {
                m_timedOut = !m_stop;
                break;
            }
            if (result.rows.size() >= limits.rows) {
                result.truncated = true;
                break;
            }
            QVariantList row;
            row.reserve(result.fields.size());
            for (int c = 0; c < result.fields.size(); ++c)
                row.append(q.value(c));
            result.rows.append(std::move(row));
        }
        result.outcome = TypedQuery::Outcome::Done;
        if (q.lastError().isValid()) {
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

    void stop() override { m_stop = true; }

private:
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

    QString check(const QString &sql, QString *statement)
    {
        const QString onlySelect = QStringLiteral("Разрешена е само една заявка SELECT или WITH.");
        qsizetype i = 0;
        if (!skipBlanks(sql, i) || i >= sql.size())
            return QStringLiteral("Няма въведена заявка.");
        qsizetype w = i;
        while (w < sql.size() && (sql.at(w).isLetter() || sql.at(w) == QLatin1Char('_')))
            ++w;
        const QString first = sql.mid(i, w - i).toUpper();
        if (first != QLatin1String("SELECT") && first != QLatin1String("WITH"))
            return onlySelect;
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt *stmt = nullptr;
        const char *tail = nullptr;
        m_refused = nullptr;
        m_deniedFunction.clear();
        const int rc = sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &stmt, &tail);
        if (rc != SQLITE_OK) {
            const QString why = m_refused                     ? TypedQuery::refusal(*m_refused)
                                : !m_deniedFunction.isEmpty() ? QStringLiteral("Функцията %1 не е разрешена в "
                                                                               "собствените справки.")
                                                                    .arg(m_deniedFunction)
                                                              : Db::errorText(QSqlError(
                                                                    QString(), QString::fromUtf8(sqlite3_errmsg(m_handle)),
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
        qsizetype j = 0;
        for (;;) {
            if (!skipBlanks(rest, j))
                return onlySelect;
            if (j < rest.size() && rest.at(j) == QLatin1Char(';')) {
                ++j;
                continue;
            }
            break;
        }
        return j >= rest.size() ? QString() : onlySelect;
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
        auto *me = static_cast<SqliteTypedQuery *>(self);
        if (me->m_stop)
            return 1;
        if (Clock::now() >= me->m_deadline) {
            me->m_timedOut = true;
            return 1;
        }
        return 0;
    }

    // Waits for another workstation's write like the busy timeout, but in
    // short steps that notice a stop and the time limit.
    static int busy(void *self, int count)
    {
        auto *me = static_cast<SqliteTypedQuery *>(self);
        constexpr int StepMs = 10;
        if (me->m_stop || count * StepMs >= Db::BusyTimeoutMs)
            return 0;
        if (Clock::now() >= me->m_deadline) {
            me->m_timedOut = true;
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(StepMs));
        return 1;
    }

    QSqlDatabase m_db;
    sqlite3 *m_handle;
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
    return std::make_unique<SqliteTypedQuery>(clone, handle(clone));
}
