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
QString onlySelectText()
{
    return QStringLiteral("Разрешена е само една заявка SELECT или WITH.");
}

QString deniedFunction(const QString &function)
{
    return QStringLiteral("Функцията %1 не е разрешена в собствените справки.").arg(function);
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
        TypedQuery::Result result;
        try {
            std::unique_ptr<TypedQueryConnection> connection = TypedQueryConnection::open(program);
            {
                std::lock_guard lock(state->mutex);
                if (state->stopped)
                    return;
                state->connection = connection.get();
            }
            result = connection->run(sql, limits);
            std::lock_guard lock(state->mutex);
            state->connection = nullptr;
        } catch (const DbError &e) {
            result.outcome = TypedQuery::Outcome::Failed;
            result.message = e.message();
        }
        std::lock_guard lock(state->mutex);
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
