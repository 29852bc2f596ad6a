// Typed queries on a PostgreSQL server: a connection of their own whose
// every transaction is READ ONLY (and REPEATABLE READ, so a query sees one
// moment of the database while other workstations save), the time limit as
// the server's statement_timeout, the rows fetched through a cursor up to the
// row limit, and stop() as libpq's cancel of the running statement.
//
// The connection logs in as the query role (typed_query_role.cpp), which the
// server itself denies the protected columns, the work schemas and the
// functions that run SQL text, whatever the query's form. Before that wall
// the statement is planned (EXPLAIN VERBOSE, nothing runs) and refused with a
// message naming what it reads: every scan of a protected table is looked at
// for what it reads (alias, "*", whole rows, view, CTE), and a statement that
// names a protected column or takes "*" while it reads a protected table is
// refused too, as on SQLite. The statements run through libpq's extended
// protocol, which takes one statement only.
#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/server_wait.h"
#include "platform/db/typed_query.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlError>

#include <libpq-fe.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {
using Clock = std::chrono::steady_clock;

// Functions that run SQL text of their own (out of reach of the plan), read
// or write outside the database, or hold locks the program's writers wait for.
const QRegularExpression &deniedFunctions()
{
    static const QRegularExpression re(
        QStringLiteral("\\b(query_to_xml\\w*|ts_stat|ts_rewrite|cursor_to_xml\\w*|table_to_xml\\w*|"
                       "schema_to_xml\\w*|database_to_xml\\w*|pg_read_\\w*file|pg_ls_\\w+|pg_stat_file|lo_\\w+|dblink\\w*|pg_\\w*advisory\\w*|"
                       "pg_terminate_backend|pg_cancel_backend|pg_reload_conf|set_config)\\s*\\("),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

// Catalogues that keep copies of column values (the planner's statistics).
bool holdsColumnValues(const QString &schema, const QString &table)
{
    return schema == QLatin1String("pg_catalog")
           && (table == QLatin1String("pg_statistic") || table == QLatin1String("pg_statistic_ext_data"));
}

struct Token {
    enum Kind { Word, Quoted, Symbol, Other } kind;
    QString text;
};

// The statement's tokens up to its first ";" outside strings and comments;
// `end` is where that ";" stands (the text's size without one). False on an
// unclosed string or comment.
bool tokenize(const QString &s, QList<Token> *tokens, qsizetype *end)
{
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
                if (s.mid(i, 2) == QLatin1String("/*")) {
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
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // E'...' takes backslash escapes; '' and "" stand for the quote itself.
            const bool escapes = c == QLatin1Char('\'') && !tokens->isEmpty() && tokens->last().kind == Token::Word
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
            tokens->append({c == QLatin1Char('"') ? Token::Quoted : Token::Other, text});
            i = j + 1;
        } else if (c == QLatin1Char('$') && (next == QLatin1Char('$') || isWordStart(next))) {
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

// The statement names `column`, or takes "*" of a row (not count(*)).
bool namesColumnOrStar(const QList<Token> &tokens, const QString &column)
{
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const Token &t = tokens.at(k);
        if (t.kind == Token::Word && t.text.compare(column, Qt::CaseInsensitive) == 0)
            return true;
        if (t.kind == Token::Quoted && t.text.compare(column, Qt::CaseInsensitive) == 0)
            return true;
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

// Every text of a plan node but its children's: its output, conditions, calls.
QStringList nodeTexts(const QJsonObject &node)
{
    QStringList out;
    for (auto it = node.begin(); it != node.end(); ++it) {
        if (it.key() == QLatin1String("Plans"))
            continue;
        if (it.value().isString())
            out << it.value().toString();
        else if (it.value().isArray())
            for (const QJsonValue &v : it.value().toArray())
                if (v.isString())
                    out << v.toString();
    }
    return out;
}

class PostgresTypedQuery final : public TypedQueryConnection
{
public:
    explicit PostgresTypedQuery(QSqlDatabase db)
        : m_db(std::move(db))
        , m_conn(PostgresEngine::handle(m_db))
        , m_cancel(m_conn ? PQgetCancel(m_conn) : nullptr)
    {
    }

    ~PostgresTypedQuery() override
    {
        if (m_cancel)
            PQfreeCancel(m_cancel);
        const QString name = m_db.connectionName();
        ServerWait::forget(m_conn);
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }

    QString check(const QString &sql) override
    {
        m_deadline = Clock::now() + std::chrono::milliseconds(Db::BusyTimeoutMs);
        QString why = begin();
        if (why.isEmpty())
            why = check(sql, nullptr);
        finish();
        return why;
    }

    TypedQuery::Result run(const QString &sql, const TypedQuery::Limits &limits) override
    {
        m_limit = limits.time;
        m_deadline = Clock::now() + limits.time;
        TypedQuery::Result result;
        result.outcome = TypedQuery::Outcome::Failed;
        QString statement;
        result.message = begin();
        if (result.message.isEmpty()) {
            result.message = check(sql, &statement);
            if (!result.message.isEmpty())
                result.outcome = TypedQuery::Outcome::Refused;
        }
        if (result.message.isEmpty())
            fetch(statement, limits, &result);
        finish();
        if (m_stop) {
            result.message.clear();
            result.outcome = TypedQuery::Outcome::Stopped;
        } else if (m_timedOut) {
            result.message = TypedQuery::timeLimitMessage(m_limit);
            result.outcome = TypedQuery::Outcome::TimedOut;
        }
        if (result.outcome != TypedQuery::Outcome::Done) {
            result.fields.clear();
            result.rows.clear();
            result.truncated = false;
        }
        return result;
    }

    void stop() override
    {
        std::unique_lock lock(m_mutex);
        m_stop = true;
        // A cancel that reaches the server before the statement does is lost: say it again.
        char error[256];
        for (int i = 0; m_running && m_cancel && i < 100; ++i) {
            PQcancel(m_cancel, error, sizeof error);
            m_idle.wait_for(lock, std::chrono::milliseconds(50), [this] { return !m_running; });
        }
        // A server that takes no cancel (stopped) is not waited for.
        if (m_running)
            ServerWait::giveUp(m_conn);
    }

private:
    struct Answer {
        PGresult *result = nullptr;
        ~Answer() { PQclear(result); }
        bool ok() const
        {
            const ExecStatusType s = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
            return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
        }
    };

    // Runs one statement (never more: the extended protocol) within the time
    // left; on failure `why` gets the Bulgarian text and false comes back.
    bool exec(const QString &sql, Answer *answer, QString *why)
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return false;
            m_running = true;
        }
        const QByteArray text = sql.toUtf8();
        {
            // The server's own limit ends the statement at the deadline; one
            // that does not answer at all is given up a while after it.
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
            ServerWait::Deadline deadline(m_conn, int(std::clamp<qint64>(left, 0, 24 * 3600 * 1000))
                                                      + Db::waitLimitMs(Db::Wait::Statement));
            answer->result = PQexecParams(m_conn, text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        }
        {
            std::lock_guard lock(m_mutex);
            m_running = false;
        }
        m_idle.notify_all();
        if (answer->ok())
            return true;
        const QString code = QString::fromLatin1(PQresultErrorField(answer->result, PG_DIAG_SQLSTATE));
        if (code == QLatin1String("57014") && !m_stop)
            m_timedOut = true; // statement_timeout
        const QString engine = QString::fromUtf8(answer->result ? PQresultErrorMessage(answer->result) : PQerrorMessage(m_conn));
        *why = Db::errorText(QSqlError(QString(), engine, QSqlError::StatementError, code));
        return false;
    }

    bool exec(const QString &sql, QString *why)
    {
        Answer answer;
        return exec(sql, &answer, why);
    }

    // The time left, as the server's limit of the next statement.
    bool limitNext(QString *why)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
        if (left <= 0) {
            m_timedOut = true;
            *why = TypedQuery::timeLimitMessage(m_limit);
            return false;
        }
        return exec(QStringLiteral("SET LOCAL statement_timeout = %1").arg(left), why);
    }

    QString begin()
    {
        m_timedOut = false;
        QString why;
        if (!m_conn)
            return QStringLiteral("Няма връзка с базата данни");
        if (exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"), &why))
            limitNext(&why);
        return why;
    }

    void finish()
    {
        if (PQtransactionStatus(m_conn) != PQTRANS_IDLE) {
            ServerWait::Deadline deadline(m_conn, Db::waitLimitMs(Db::Wait::Statement));
            PQclear(PQexec(m_conn, "ROLLBACK"));
        }
    }

    QString check(const QString &sql, QString *statement)
    {
        const QString onlySelect = TypedQuery::onlySelectText();
        QString why = TypedQuery::formProblem(sql);
        if (!why.isEmpty())
            return why;
        QList<Token> tokens;
        qsizetype end = 0;
        if (!tokenize(sql, &tokens, &end) || !TypedQuery::onlyBlanksAfter(sql.mid(end)))
            return onlySelect;
        const QString text = sql.left(end);
        Answer plan;
        if (!exec(QStringLiteral("EXPLAIN (VERBOSE, FORMAT JSON) ") + text, &plan, &why))
            return qstrcmp(PQresultErrorField(plan.result, PG_DIAG_SQLSTATE), "42501") == 0 ? notAllowed(tokens, text, plan)
                                                                                            : why;
        const QJsonDocument json = QJsonDocument::fromJson(PQntuples(plan.result) > 0 ? PQgetvalue(plan.result, 0, 0) : "");
        QList<QJsonObject> nodes;
        for (const QJsonValue &v : json.array())
            nodes << v.toObject().value(QLatin1String("Plan")).toObject();
        for (qsizetype k = 0; k < nodes.size(); ++k) {
            const QJsonObject node = nodes.at(k);
            for (const QJsonValue &child : node.value(QLatin1String("Plans")).toArray())
                nodes << child.toObject();
            why = nodeProblem(node, tokens);
            if (!why.isEmpty())
                return why;
        }
        if (statement)
            *statement = text;
        return {};
    }

    // The server refused the query role what the statement reads: named as
    // the plan's refusals name it where the statement shows what it is.
    static QString notAllowed(const QList<Token> &tokens, const QString &statement, const Answer &refused)
    {
        static const QStringList writes{QStringLiteral("INSERT"), QStringLiteral("UPDATE"), QStringLiteral("DELETE"),
                                        QStringLiteral("MERGE"),  QStringLiteral("TRUNCATE"), QStringLiteral("SHARE")};
        auto names = [&](const QString &word) {
            for (const Token &t : tokens)
                if ((t.kind == Token::Word || t.kind == Token::Quoted) && t.text.compare(word, Qt::CaseInsensitive) == 0)
                    return true;
            return false;
        };
        for (const QString &w : writes)
            if (names(w))
                return TypedQuery::onlySelectText();
        const QRegularExpressionMatch call = deniedFunctions().match(statement);
        if (call.hasMatch())
            return TypedQuery::deniedFunction(call.captured(1).toLower());
        for (const TypedQuery::ProtectedColumn &p : TypedQuery::protectedColumns())
            if (namesColumnOrStar(tokens, p.column) || names(p.table))
                return TypedQuery::refusal(p);
        for (const Token &t : tokens)
            if ((t.kind == Token::Word || t.kind == Token::Quoted)
                && t.text.startsWith(QLatin1String(PostgresEngine::WorkSchemaPrefix), Qt::CaseInsensitive))
                return workTableText(t.text);
        return QStringLiteral("Справката чете данни, до които собствените справки нямат достъп (паролите на "
                              "операторите, работните таблици на работните места, изгледите), или извиква функция, "
                              "която не им е разрешена.\n(")
               + QString::fromUtf8(PQresultErrorMessage(refused.result)).trimmed() + QLatin1Char(')');
    }

    static QString workTableText(const QString &table)
    {
        return QStringLiteral("Справката чете работна таблица на работно място (%1). Собствените справки четат само "
                              "таблиците на базата данни.")
            .arg(table);
    }

    QString nodeProblem(const QJsonObject &node, const QList<Token> &tokens) const
    {
        const QString type = node.value(QLatin1String("Node Type")).toString();
        if (type == QLatin1String("ModifyTable") || type == QLatin1String("LockRows"))
            return TypedQuery::onlySelectText();
        const QStringList texts = nodeTexts(node);
        for (const QString &t : texts) {
            const QRegularExpressionMatch m = deniedFunctions().match(t);
            if (m.hasMatch())
                return TypedQuery::deniedFunction(m.captured(1).toLower());
        }
        const QString table = node.value(QLatin1String("Relation Name")).toString();
        if (table.isEmpty())
            return {};
        const QString schema = node.value(QLatin1String("Schema")).toString();
        if (schema.startsWith(QLatin1String(PostgresEngine::WorkSchemaPrefix)))
            return workTableText(schema + QLatin1Char('.') + table);
        for (const TypedQuery::ProtectedColumn &p : TypedQuery::protectedColumns()) {
            if (holdsColumnValues(schema, table))
                return TypedQuery::refusal(p);
            if (p.table.compare(table, Qt::CaseInsensitive) != 0)
                continue;
            // Read by the scan (a column or the whole row, under the scan's alias, which the server
            // quotes where it must), or named by the statement.
            const QString alias = node.value(QLatin1String("Alias")).toString();
            const QString quoted =
                QLatin1Char('"') + QString(alias).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
            const QRegularExpression read(
                QStringLiteral("(?:(?<![A-Za-z0-9_$\"])%1|%2)\\.(?:\"?%3\"?|\\*)(?![A-Za-z0-9_$])")
                    .arg(QRegularExpression::escape(alias), QRegularExpression::escape(quoted),
                         QRegularExpression::escape(p.column.toLower())),
                QRegularExpression::CaseInsensitiveOption);
            for (const QString &t : texts)
                if (read.match(t).hasMatch())
                    return TypedQuery::refusal(p);
            if (namesColumnOrStar(tokens, p.column))
                return TypedQuery::refusal(p);
        }
        return {};
    }

    // The rows through a cursor, a batch at a time, each FETCH within the
    // time left; a batch holds about an eighth of the size limit, so what
    // libpq keeps of it stays within the limit too.
    void fetch(const QString &statement, const TypedQuery::Limits &limits, TypedQuery::Result *result)
    {
        QString why;
        if (!limitNext(&why) || !exec(QStringLiteral("DECLARE typed_query NO SCROLL CURSOR FOR ") + statement, &why)) {
            result->message = why;
            return;
        }
        constexpr qint64 MostRows = 1000;
        qint64 batch = 100;
        for (bool first = true;; first = false) {
            Answer rows;
            if (!limitNext(&why)
                || !exec(QStringLiteral("FETCH FORWARD %1 FROM typed_query").arg(batch), &rows, &why)) {
                result->message = why;
                return;
            }
            const int fields = PQnfields(rows.result);
            if (first) {
                QStringList names;
                for (int c = 0; c < fields; ++c)
                    names << QString::fromUtf8(PQfname(rows.result, c));
                result->fields = Db::spelledNames(names, statement);
            }
            const int count = PQntuples(rows.result);
            qint64 fetched = 0;
            for (int r = 0; r < count; ++r) {
                // Counted before the values are made: a text as the program holds it takes up to twice its bytes.
                qint64 bytes = TypedQuery::rowBytes(fields);
                for (int c = 0; c < fields; ++c)
                    bytes += 32 + 2 * qint64(PQgetlength(rows.result, r, c));
                fetched += bytes;
                if (!TypedQuery::roomFor(result, limits, bytes))
                    break;
                QVariantList row;
                row.reserve(fields);
                for (int c = 0; c < fields; ++c)
                    row << value(rows.result, r, c);
                result->rows << std::move(row);
            }
            if (result->truncated || count < batch)
                break;
            batch = qBound<qint64>(1, limits.bytes / 8 / qMax<qint64>(1, fetched / count), MostRows);
        }
        result->outcome = TypedQuery::Outcome::Done;
        if (!result->truncated)
            result->message.clear();
    }

    static QVariant value(PGresult *rows, int r, int c)
    {
        if (PQgetisnull(rows, r, c))
            return {};
        const char *text = PQgetvalue(rows, r, c);
        switch (PQftype(rows, c)) {
        case 16: // bool
            return text[0] == 't';
        case 20: // int8
        case 21: // int2
        case 23: // int4
        case 26: // oid
            return QByteArray(text).toLongLong();
        case 700:  // float4
        case 701:  // float8
        case 1700: // numeric
            return QByteArray(text).toDouble();
        case 17: { // bytea
            size_t size = 0;
            unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &size);
            const QByteArray out(reinterpret_cast<const char *>(bytes), qsizetype(size));
            PQfreemem(bytes);
            return out;
        }
        default:
            return QString::fromUtf8(text, PQgetlength(rows, r, c));
        }
    }

    QSqlDatabase m_db;
    PGconn *m_conn = nullptr;
    PGcancel *m_cancel = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_idle;
    bool m_running = false;
    std::atomic<bool> m_stop{false};
    bool m_timedOut = false;
    std::chrono::milliseconds m_limit{0};
    Clock::time_point m_deadline = Clock::time_point::max();
};
} // namespace

std::unique_ptr<TypedQueryConnection> PostgresEngine::openTypedQuery(QSqlDatabase clone)
{
    const QString name = clone.connectionName();
    auto fail = [&](const QString &why) {
        Db::forgetStatements(name);
        clone.close();
        clone = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return DbError(why);
    };
    // The shop's role first gives the query role what it may read (a table
    // an upgrade or another program added since, a role made after the
    // database); the query then runs as the query role.
    {
        const QString shop = name + QStringLiteral("_shop");
        QSqlDatabase owner = QSqlDatabase::cloneDatabase(clone, shop);
        QString why;
        if (!owner.open() || !handle(owner)) {
            why = Db::errorText(owner.lastError());
        } else {
            try {
                Db::execute(QStringLiteral("SET lock_timeout = %1").arg(Db::BusyTimeoutMs), {}, owner);
                grantQueryReads(owner);
            } catch (const DbError &e) {
                why = QStringLiteral("Правата на потребителя на собствените справки не могат да бъдат дадени.\n")
                      + e.message();
            }
        }
        owner = QSqlDatabase();
        Db::close(shop);
        if (!why.isEmpty())
            throw fail(why);
    }
    clone.setUserName(queryRole(clone.userName()));
    if (!clone.open() || !handle(clone))
        throw fail(queryLoginFailure(clone));
    QString problem;
    try {
        problem = queryRoleProblem(clone);
    } catch (const DbError &e) {
        problem = e.message();
    }
    if (!problem.isEmpty())
        throw fail(problem);
    Db::forgetStatements(name);
    // A read waits for another session's lock (a change of the schema) as
    // long as the program's reads do; nothing runs outside a READ ONLY
    // transaction.
    ServerWait::Deadline deadline(handle(clone), Db::waitLimitMs(Db::Wait::Statement));
    PQclear(PQexec(handle(clone), QStringLiteral("SET lock_timeout = %1; SET default_transaction_read_only = on; "
                                                 "SET client_min_messages = warning")
                                      .arg(Db::BusyTimeoutMs)
                                      .toUtf8()
                                      .constData()));
    return std::make_unique<PostgresTypedQuery>(clone);
}
