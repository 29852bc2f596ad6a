#include "platform/db/typed_query.h"

#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/sqlite_engine.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QThread>

#include <mutex>

namespace TypedQuery {
const QList<ProtectedColumn> &protectedColumns()
{
    static const QList<ProtectedColumn> columns{
        {QStringLiteral("Operators"), QStringLiteral("Par"), QStringLiteral("паролите на операторите")}};
    return columns;
}

const ProtectedColumn *findProtected(const QString &table, const QString &column)
{
    for (const ProtectedColumn &c : protectedColumns())
        if (c.table.compare(table, Qt::CaseInsensitive) == 0 && c.column.compare(column, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

QString refusal(const ProtectedColumn &column)
{
    return QStringLiteral("Справката чете колоната %1 на таблицата %2 (%3). Собствените справки не могат да "
                          "я четат.")
        .arg(column.column, column.table, column.holds);
}

QString timeLimitMessage(std::chrono::milliseconds limit)
{
    const long long seconds = qMax(1LL, (limit.count() + 999) / 1000);
    return QStringLiteral("Справката не завърши за %1 секунди и беше прекратена. Стеснете условията ѝ.")
        .arg(seconds);
}
QString rowLimitMessage(int rows)
{
    return QStringLiteral("Резултатът е съкратен до първите %1 реда.").arg(rows);
}

QString sizeLimitMessage(qint64 bytes)
{
    return QStringLiteral("Резултатът на справката надхвърли %1 MB и е съкратен до редовете, които се побират в "
                          "тях. Стеснете условията ѝ или изберете по-малко колони.")
        .arg(bytes / (1024 * 1024));
}

QString memoryMessage()
{
    return QStringLiteral("Няма достатъчно памет за резултата на справката. Стеснете условията ѝ.");
}

qint64 valueBytes(const QVariant &value)
{
    constexpr qint64 Held = 32; // the variant and its data's header
    switch (value.typeId()) {
    case QMetaType::QString:
        return Held + 2 * qint64(value.toString().size());
    case QMetaType::QByteArray:
        return Held + qint64(value.toByteArray().size());
    default:
        return Held;
    }
}

qint64 rowBytes(qsizetype values)
{
    return 32 + 8 * qint64(values);
}

bool roomFor(Result *result, const Limits &limits, qint64 rowBytes)
{
    if (result->rows.size() >= limits.rows) {
        result->truncated = true;
        result->message = rowLimitMessage(limits.rows);
        return false;
    }
    if (result->bytes + rowBytes > limits.bytes) {
        result->truncated = true;
        result->message = sizeLimitMessage(limits.bytes);
        return false;
    }
    result->bytes += rowBytes;
    return true;
}

QString onlySelectText()
{
    return QStringLiteral("Разрешена е само една заявка SELECT или WITH.");
}

QString deniedFunction(const QString &function)
{
    return QStringLiteral("Функцията %1 не е разрешена в собствените справки.").arg(function);
}

void grantReads(const QSqlDatabase &db)
{
    if (Db::engine(db) == Db::Engine::Postgres)
        PostgresEngine::grantQueryReads(db);
}

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

QString formProblem(const QString &sql)
{
    qsizetype i = 0;
    if (!skipBlanks(sql, i) || i >= sql.size())
        return QStringLiteral("Няма въведена заявка.");
    qsizetype w = i;
    while (w < sql.size() && (sql.at(w).isLetter() || sql.at(w) == QLatin1Char('_')))
        ++w;
    const QString first = sql.mid(i, w - i).toUpper();
    if (first != QLatin1String("SELECT") && first != QLatin1String("WITH"))
        return onlySelectText();
    return {};
}

bool onlyBlanksAfter(const QString &rest)
{
    qsizetype j = 0;
    for (;;) {
        if (!skipBlanks(rest, j))
            return false;
        if (j < rest.size() && rest.at(j) == QLatin1Char(';')) {
            ++j;
            continue;
        }
        return j >= rest.size();
    }
}
} // namespace TypedQuery

std::unique_ptr<TypedQueryConnection> TypedQueryConnection::open(const QString &programConnection)
{
    static QAtomicInteger<quint64> counter;
    const QString name = QStringLiteral("ventaros_typed_query_%1").arg(counter.fetchAndAddRelaxed(1));
    // Cloned by name: the program's connection belongs to the windows' thread.
    QSqlDatabase clone = QSqlDatabase::cloneDatabase(programConnection, name);
    if (clone.driverName() == QLatin1String("QSQLITE"))
        return SqliteEngine::openTypedQuery(clone);
    if (clone.driverName() == QLatin1String(PostgresEngine::Driver))
        return PostgresEngine::openTypedQuery(clone);
    const QString driver = clone.driverName();
    clone = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    throw DbError(driver.isEmpty() ? QStringLiteral("Няма връзка с базата данни")
                                   : QStringLiteral("Собствените справки не се поддържат за ") + driver);
}

struct TypedQueryRun::State {
    std::mutex mutex;
    TypedQueryConnection *connection = nullptr; // while the worker runs it
    bool stopped = false;
    TypedQuery::Result result;
};

TypedQueryRun::TypedQueryRun(QObject *parent)
    : QObject(parent)
{
}

TypedQueryRun::~TypedQueryRun()
{
    stop();
}

void TypedQueryRun::start(const QString &sql, const TypedQuery::Limits &limits)
{
    if (m_thread)
        return;
    auto state = std::make_shared<State>();
    const QString program = Db::currentConnectionName();
    m_state = state;
    m_thread = QThread::create([state, program, sql, limits] {
        // Nothing a query does ends the program: whatever it throws (a
        // result beyond the memory included) is its failure, told in Bulgarian.
        TypedQuery::Result result;
        std::unique_ptr<TypedQueryConnection> connection;
        auto failed = [&result](const QString &why) {
            result = TypedQuery::Result();
            result.outcome = TypedQuery::Outcome::Failed;
            result.message = why;
        };
        try {
            connection = TypedQueryConnection::open(program);
            {
                std::lock_guard lock(state->mutex);
                if (state->stopped)
                    return;
                state->connection = connection.get();
            }
            result = connection->run(sql, limits);
        } catch (const DbError &e) {
            failed(e.message());
        } catch (const std::bad_alloc &) {
            failed(TypedQuery::memoryMessage());
        } catch (const std::exception &e) {
            failed(QStringLiteral("Справката беше прекратена поради грешка: ") + QString::fromLocal8Bit(e.what()));
        } catch (...) {
            failed(QStringLiteral("Справката беше прекратена поради неизвестна грешка."));
        }
        std::lock_guard lock(state->mutex);
        // stop() reaches the connection only while it lives.
        state->connection = nullptr;
        state->result = std::move(result);
    });
    m_thread->setObjectName(QStringLiteral("typed query"));
    connect(m_thread, &QThread::finished, this, [this, state] {
        // A stopped run was waited for and cleaned up already.
        if (state != m_state || state->stopped)
            return;
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
        m_state.reset();
        TypedQuery::Result result;
        {
            std::lock_guard lock(state->mutex);
            result = std::move(state->result);
        }
        Q_EMIT finished(result);
    });
    m_thread->start();
}

void TypedQueryRun::stop()
{
    if (!m_thread)
        return;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopped = true;
        if (m_state->connection)
            m_state->connection->stop();
    }
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_state.reset();
}
