#include "platform/db/typed_query.h"

#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/query_budget.h"
#include "platform/db/sqlite_engine.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

#include <algorithm>
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

qint64 rowCap(const Limits &limits)
{
    return limits.bytes / 16;
}

namespace {
QString sizeText(qint64 bytes)
{
    constexpr qint64 MB = 1024 * 1024;
    constexpr qint64 GB = 1024 * MB;
    if (bytes >= GB && bytes % GB == 0)
        return QStringLiteral("%1 GB").arg(bytes / GB);
    return bytes >= MB ? QStringLiteral("%1 MB").arg(bytes / MB) : QStringLiteral("%1 KB").arg(qMax<qint64>(1, bytes / 1024));
}
} // namespace

QString rowSizeMessage(qint64 bytes)
{
    return QStringLiteral("Ред от резултата на справката е по-дълъг от %1 и резултатът е съкратен преди него. "
                          "Изберете по-малко колони или по-къси стойности (например с left(...)).")
        .arg(sizeText(bytes));
}

QString valueSizeMessage(qint64 bytes)
{
    return QStringLiteral("Справката е твърде дълга или съдържа стойност, по-дълга от %1, и не може да бъде изпълнена. "
                          "Стеснете условията ѝ.")
        .arg(sizeText(bytes));
}

QString tempLimitMessage(qint64 bytes)
{
    return QStringLiteral("Справката се нуждае от повече от %1 временни файлове и беше прекратена. Стеснете условията ѝ.")
        .arg(sizeText(bytes));
}

QString diskRoomMessage(const QString &folder, qint64 keepFree)
{
    return QStringLiteral("На диска на %1 остават по-малко от %2 свободно място и справката беше прекратена, за да не "
                          "го запълни. Освободете място на диска или стеснете условията ѝ.")
        .arg(folder, sizeText(keepFree));
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

bool roomFor(Result *result, const Limits &limits, QueryBudget::Memory *memory, qint64 rowBytes, qint64 reserve)
{
    if (result->rows.size() >= limits.rows) {
        result->truncated = true;
        result->message = rowLimitMessage(limits.rows);
        return false;
    }
    if (result->bytes + rowBytes + reserve > limits.bytes || !memory->charge(rowBytes)) {
        result->truncated = true;
        result->message = sizeLimitMessage(limits.bytes);
        return false;
    }
    result->bytes += rowBytes;
    return true;
}

void settle(Result *result, QueryBudget::Memory *memory, qint64 counted, qint64 held)
{
    if (held >= counted)
        return;
    memory->release(counted - held);
    result->bytes -= counted - held;
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

bool tokenize(const QString &s, Dialect dialect, QList<Token> *tokens, qsizetype *end)
{
    const bool server = dialect == Dialect::Server;
    auto isWordStart = [](QChar c) { return c.isLetter() || c == QLatin1Char('_'); };
    auto isWordPart = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); };
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        const QChar next = i + 1 < n ? s.at(i + 1) : QChar();
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            while (i < n && s.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            int depth = 0; // the server's block comments nest
            do {
                if (s.mid(i, 2) == QLatin1String("/*") && (server || depth == 0)) {
                    ++depth;
                    i += 2;
                } else if (s.mid(i, 2) == QLatin1String("*/")) {
                    --depth;
                    i += 2;
                } else {
                    ++i;
                }
            } while (depth > 0 && i < n);
            if (depth > 0)
                return false;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || (!server && c == QLatin1Char('`'))) {
            // E'...' takes backslash escapes; '' and "" stand for the quote itself.
            const bool escapes = server && c == QLatin1Char('\'') && !tokens->isEmpty() && tokens->last().kind == Token::Word
                                 && tokens->last().text.compare(QLatin1String("E"), Qt::CaseInsensitive) == 0
                                 && i > 0 && s.at(i - 1).toUpper() == QLatin1Char('E');
            qsizetype j = i + 1;
            QString text;
            for (;;) {
                if (j >= n)
                    return false;
                if (escapes && s.at(j) == QLatin1Char('\\')) {
                    j += 2;
                    continue;
                }
                if (s.at(j) == c) {
                    if (j + 1 < n && s.at(j + 1) == c) {
                        text += c;
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += s.at(j++);
            }
            tokens->append({c == QLatin1Char('\'') ? Token::String : Token::Quoted, text});
            i = j + 1;
        } else if (!server && c == QLatin1Char('[')) {
            const qsizetype close = s.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0)
                return false;
            tokens->append({Token::Quoted, s.mid(i + 1, close - i - 1)});
            i = close + 1;
        } else if (server && c == QLatin1Char('$') && (next == QLatin1Char('$') || isWordStart(next))) {
            qsizetype j = i + 1;
            while (j < n && isWordPart(s.at(j)) && s.at(j) != QLatin1Char('$'))
                ++j;
            if (j >= n || s.at(j) != QLatin1Char('$')) {
                tokens->append({Token::Symbol, QStringLiteral("$")});
                ++i;
                continue;
            }
            const QString tag = s.mid(i, j - i + 1);
            const qsizetype close = s.indexOf(tag, j + 1);
            if (close < 0)
                return false;
            tokens->append({Token::Other, s.mid(j + 1, close - j - 1)});
            i = close + tag.size();
        } else if (isWordStart(c)) {
            qsizetype j = i;
            while (j < n && isWordPart(s.at(j)))
                ++j;
            tokens->append({Token::Word, s.mid(i, j - i)});
            i = j;
        } else if (c.isDigit()) {
            qsizetype j = i;
            while (j < n && (s.at(j).isLetterOrNumber() || s.at(j) == QLatin1Char('.')))
                ++j;
            tokens->append({Token::Other, s.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char(';')) {
            *end = i;
            return true;
        } else {
            tokens->append({Token::Symbol, QString(c)});
            ++i;
        }
    }
    *end = n;
    return true;
}

bool namesColumn(const QList<Token> &tokens, const QString &column, Dialect dialect)
{
    for (const Token &t : tokens)
        if ((t.kind == Token::Word || t.kind == Token::Quoted || (dialect == Dialect::Sqlite && t.kind == Token::String))
            && t.text.compare(column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool namesColumnOrStar(const QList<Token> &tokens, const QString &column)
{
    if (namesColumn(tokens, column, Dialect::Server))
        return true;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const Token &t = tokens.at(k);
        if (t.kind == Token::Symbol && t.text == QLatin1String("*") && k > 0) {
            const Token &before = tokens.at(k - 1);
            if ((before.kind == Token::Symbol && (before.text == QLatin1String(".") || before.text == QLatin1String(",")))
                || (before.kind == Token::Word
                    && (before.text.compare(QLatin1String("SELECT"), Qt::CaseInsensitive) == 0
                        || before.text.compare(QLatin1String("DISTINCT"), Qt::CaseInsensitive) == 0
                        || before.text.compare(QLatin1String("ALL"), Qt::CaseInsensitive) == 0)))
                return true;
        }
    }
    return false;
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

namespace {
// A stopped run's thread is waited for no longer than this; it ends by itself.
constexpr int StopWaitMs = 200;
// A query still running this long past its limit is ended by the runner (its
// engine missed the limit inside one step).
constexpr int LimitGraceMs = 2000;

// The threads of stopped runs that have not ended yet.
struct Ending {
    std::mutex mutex;
    QList<QThread *> threads;
};

Ending &ending()
{
    static Ending e;
    return e;
}

// At the program's end, a stopped query still ending gets a moment more.
void waitForEnding()
{
    QList<QThread *> threads;
    {
        std::lock_guard lock(ending().mutex);
        threads.swap(ending().threads);
    }
    for (QThread *t : threads)
        if (t->wait(2000))
            delete t;
}

void letEnd(QThread *thread)
{
    static const bool atExit = (qAddPostRoutine(waitForEnding), true);
    Q_UNUSED(atExit);
    {
        std::lock_guard lock(ending().mutex);
        ending().threads.append(thread);
    }
    QObject::connect(thread, &QThread::finished, QCoreApplication::instance(), [thread] {
        {
            std::lock_guard lock(ending().mutex);
            if (!ending().threads.removeOne(thread))
                return; // waited for at the program's end
        }
        thread->wait();
        delete thread;
    });
}
} // namespace

TypedQueryRun::TypedQueryRun(QObject *parent)
    : QObject(parent)
{
}

int TypedQueryRun::stillEnding()
{
    std::lock_guard lock(ending().mutex);
    return int(ending().threads.size());
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
        // A stopped run was let go already.
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
    const auto limit = limits.time;
    QTimer::singleShot(std::chrono::milliseconds(std::clamp<qint64>(limit.count(), 0, 24LL * 3600 * 1000) + LimitGraceMs),
                       this, [this, state, limit] {
                           if (state != m_state || state->stopped)
                               return;
                           letGo();
                           TypedQuery::Result result;
                           result.outcome = TypedQuery::Outcome::TimedOut;
                           result.message = TypedQuery::timeLimitMessage(limit);
                           Q_EMIT finished(result);
                       });
    m_thread->start();
}

void TypedQueryRun::stop()
{
    letGo();
}

void TypedQueryRun::letGo()
{
    if (!m_thread)
        return;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopped = true;
        // Only asks: a connection's stop() never waits for its query.
        if (m_state->connection)
            m_state->connection->stop();
    }
    QThread *thread = m_thread;
    m_thread = nullptr;
    m_state.reset();
    if (thread->wait(StopWaitMs))
        delete thread;
    else
        letEnd(thread);
}
