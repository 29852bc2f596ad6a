// Typed queries on a PostgreSQL server: a connection of their own whose
// every transaction is READ ONLY (and REPEATABLE READ, so a query sees one
// moment of the database while other workstations save), the time limit as
// the server's statement_timeout and the program's own wait (a server that
// does not answer by then is given up and named as such), the rows one at a
// time within the row and size limits, and stop() as libpq's cancel of the
// running statement.
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
#include "platform/db/query_budget.h"
#include "platform/db/server_wait.h"
#include "platform/db/typed_query.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlError>

#include <libpq-fe.h>

#include <atomic>
#include <functional>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
using TypedQuery::Token;

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
    {
        if (m_conn)
            PQsetNoticeReceiver(m_conn, &PostgresTypedQuery::notice, this);
    }

    ~PostgresTypedQuery() override
    {
        const QString name = m_db.connectionName();
        ServerWait::forget(m_conn);
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }

    QString check(const QString &sql) override
    {
        m_deadline = Clock::now() + std::chrono::milliseconds(Db::BusyTimeoutMs);
        m_messageCap = TypedQuery::rowCap({});
        QString why = begin();
        if (why.isEmpty())
            why = check(sql, nullptr);
        finish();
        return m_noAnswer ? QString::fromUtf8(PostgresEngine::NoAnswerText) : why;
    }

    TypedQuery::Result run(const QString &sql, const TypedQuery::Limits &limits) override
    {
        m_limit = limits.time;
        m_deadline = Clock::now() + limits.time;
        m_messageCap = TypedQuery::rowCap(limits);
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
        } else if (m_noAnswer) {
            result.message = QString::fromUtf8(PostgresEngine::NoAnswerText);
            result.outcome = TypedQuery::Outcome::Failed;
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

    // Only asks: the statement's own wait sends the server a cancel and
    // gives the connection up when that is not heard.
    void stop() override { m_stop = true; }

private:
    struct Answer {
        PGresult *result = nullptr;
        Answer() = default;
        Answer(const Answer &) = delete;
        Answer &operator=(const Answer &) = delete;
        ~Answer() { PQclear(result); }
        void take(PGresult *r)
        {
            PQclear(result);
            result = r;
        }
        bool ok() const
        {
            const ExecStatusType s = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
            return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
        }
    };
    using Rows = std::function<bool(const PGresult *)>;

    // A server's text about a failure: its first line, cut short (a value
    // the statement made may stand in it).
    static QString engineText(const PGresult *r)
    {
        const char *primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        const QString text = QString::fromUtf8(primary ? primary : (r ? PQresultErrorMessage(r) : "")).trimmed();
        return text.size() > 500 ? text.left(500) + QStringLiteral("...") : text;
    }

    // Runs one statement (never more: the extended protocol) within the
    // time left; `rows` takes each row as it comes and may end the
    // statement there. On failure `why` gets the Bulgarian text.
    bool exec(const QString &sql, Answer *answer, QString *why, const Rows &rows = {})
    {
        const QByteArray text = sql.toUtf8();
        return sent(PQsendQueryParams(m_conn, text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0), why)
               && (!rows || PQsetSingleRowMode(m_conn)) && await(answer, why, rows);
    }

    bool exec(const QString &sql, QString *why)
    {
        Answer answer;
        return exec(sql, &answer, why);
    }

    bool sent(int queued, QString *why)
    {
        if (queued && !m_stop)
            return true;
        if (!queued)
            *why = lostText();
        return false;
    }

    QString lostText() const
    {
        return QString::fromUtf8(m_noAnswer ? PostgresEngine::NoAnswerText : PostgresEngine::LostText);
    }

    // The wait for what was sent: every answer, and each row to `rows`.
    // It sends the server a cancel on a stop, and gives the connection up
    // when the server does not answer by the deadline, does not hear the
    // cancel, or sends more in one message than the query may hold.
    bool await(Answer *answer, QString *why, const Rows &rows)
    {
        constexpr auto Grace = std::chrono::milliseconds(1000);     // for the server's own time limit to come
        constexpr auto StopGrace = std::chrono::milliseconds(2000); // for a cancel to be heard
        constexpr auto CancelAgain = std::chrono::milliseconds(500); // one that came before the statement is lost
        const int socket = PQsocket(m_conn);
        bool ending = false;
        bool gone = false;
        qint64 unread = 0; // come since the last whole message
        Clock::time_point stoppedAt{}, cancelledAt{};
        auto giveUp = [&] {
            ::shutdown(socket, SHUT_RDWR);
            gone = true;
        };
        for (;;) {
            while (!PQisBusy(m_conn)) {
                PGresult *r = PQgetResult(m_conn);
                if (!r)
                    return finished(answer, why, gone);
                unread = 0;
                if (PQresultStatus(r) == PGRES_SINGLE_TUPLE) {
                    if (!ending && rows && !rows(r)) {
                        ending = true;
                        cancel();
                    }
                    PQclear(r);
                } else {
                    answer->take(r);
                }
            }
            if (!gone && unread > m_messageCap + MessageSlack) {
                m_tooBig = true;
                giveUp();
            }
            pollfd wait{socket, POLLIN, 0};
            if (::poll(&wait, 1, 50) > 0) {
                // What libpq took from the socket: what waited there before, less what waits after.
                int before = 0, after = 0;
                ::ioctl(socket, FIONREAD, &before);
                PQconsumeInput(m_conn); // after a give-up: the end of the connection
                if (!gone && ::ioctl(socket, FIONREAD, &after) == 0)
                    unread += qMax(0, before - after);
            }
            if (gone)
                continue;
            const Clock::time_point now = Clock::now();
            if (m_stop) {
                if (stoppedAt == Clock::time_point{})
                    stoppedAt = now;
                if (now - cancelledAt >= CancelAgain) {
                    cancel();
                    cancelledAt = now;
                }
                if (now - stoppedAt >= StopGrace)
                    giveUp();
            } else if (now >= m_deadline + Grace) {
                m_noAnswer = true;
                giveUp();
            }
        }
    }

    bool finished(Answer *answer, QString *why, bool gone)
    {
        if (answer->ok())
            return true;
        const char *code = answer->result ? PQresultErrorField(answer->result, PG_DIAG_SQLSTATE) : nullptr;
        if (code && qstrcmp(code, "57014") == 0 && !m_stop)
            m_timedOut = true; // statement_timeout
        if (m_tooBig)
            *why = TypedQuery::valueSizeMessage(m_messageCap);
        else if (gone || PQstatus(m_conn) == CONNECTION_BAD)
            *why = lostText();
        else
            *why = Db::errorText(QSqlError(QString(), engineText(answer->result), QSqlError::StatementError,
                                           QString::fromLatin1(code ? code : "")));
        return false;
    }

    // Asked of the server on a connection of its own, by a thread of its own: a stopped server never holds this one.
    void cancel()
    {
        PGcancel *c = PQgetCancel(m_conn);
        if (!c)
            return;
        std::thread([c] {
            char error[256];
            PQcancel(c, error, sizeof error);
            PQfreeCancel(c);
        }).detach();
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
        m_noAnswer = false;
        m_tooBig = false;
        QString why;
        if (!m_conn || PQstatus(m_conn) != CONNECTION_OK)
            return lostText();
        if (exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"), &why))
            limitNext(&why);
        return why;
    }

    // A stopped connection is not used again: its transaction ends with it.
    void finish()
    {
        if (m_stop || PQstatus(m_conn) != CONNECTION_OK || PQtransactionStatus(m_conn) == PQTRANS_IDLE)
            return;
        const Clock::time_point deadline = m_deadline;
        m_deadline = Clock::now() + std::chrono::milliseconds(Db::waitLimitMs(Db::Wait::Statement));
        QString why;
        exec(QStringLiteral("ROLLBACK"), &why);
        m_deadline = deadline;
    }

    // A dollar quote that `text` does not hold.
    static QString quoteTag(const QString &text, const QString &stem)
    {
        for (int n = 0;; ++n) {
            const QString tag = QStringLiteral("$%1%2$").arg(stem).arg(n);
            if (!text.contains(tag))
                return tag;
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
        if (!TypedQuery::tokenize(sql, TypedQuery::Dialect::Server, &tokens, &end) || !TypedQuery::onlyBlanksAfter(sql.mid(end)))
            return onlySelect;
        const QString text = sql.left(end);
        // Planned by the server, whose plan comes only when it is short: the
        // planner works out a call of constants (repeat('x', 100000000)) and
        // shows its value.
        const QString quote = quoteTag(text, QStringLiteral("q"));
        const QString body = QStringLiteral("DECLARE p text; BEGIN EXECUTE 'EXPLAIN (VERBOSE, FORMAT JSON) ' || %1\n%2\n%1 "
                                            "INTO p; IF octet_length(p) > %3 THEN RAISE EXCEPTION USING ERRCODE = "
                                            "'VQ001', MESSAGE = 'plan'; END IF; PERFORM set_config('client_min_messages', "
                                            "'notice', true); RAISE NOTICE '%', p; PERFORM "
                                            "set_config('client_min_messages', 'warning', true); END")
                                 .arg(quote, text, QString::number(m_messageCap));
        const QString outer = quoteTag(body, QStringLiteral("v"));
        Answer planned;
        m_plan.clear();
        m_planWanted = true;
        const bool done = exec(QStringLiteral("DO %1%2%1").arg(outer, body), &planned, &why);
        m_planWanted = false;
        if (!done) {
            const char *code = PQresultErrorField(planned.result, PG_DIAG_SQLSTATE);
            if (qstrcmp(code, "VQ001") == 0)
                return TypedQuery::valueSizeMessage(m_messageCap);
            return qstrcmp(code, "42501") == 0 ? notAllowed(tokens, text, planned) : why;
        }
        const QJsonDocument json = QJsonDocument::fromJson(m_plan);
        m_plan.clear();
        QList<QJsonObject> nodes;
        for (const QJsonValue &v : json.array())
            nodes << v.toObject().value(QLatin1String("Plan")).toObject();
        if (nodes.isEmpty())
            return QStringLiteral("Сървърът не върна плана на справката.");
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

    static void notice(void *self, const PGresult *r)
    {
        auto *me = static_cast<PostgresTypedQuery *>(self);
        if (me->m_planWanted)
            me->m_plan = QByteArray(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY));
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
            if (TypedQuery::namesColumnOrStar(tokens, p.column) || names(p.table))
                return TypedQuery::refusal(p);
        for (const Token &t : tokens)
            if ((t.kind == Token::Word || t.kind == Token::Quoted)
                && t.text.startsWith(QLatin1String(PostgresEngine::WorkSchemaPrefix), Qt::CaseInsensitive))
                return workTableText(t.text);
        return QStringLiteral("Справката чете данни, до които собствените справки нямат достъп (паролите на "
                              "операторите, работните таблици на работните места, изгледите), или извиква функция, "
                              "която не им е разрешена.\n(")
               + engineText(refused.result) + QLatin1Char(')');
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
            if (TypedQuery::namesColumnOrStar(tokens, p.column))
                return TypedQuery::refusal(p);
        }
        return {};
    }

    // The statement's columns as the server describes them, nothing run.
    bool describe(const QString &statement, Answer *described, QString *why)
    {
        const QByteArray text = statement.toUtf8();
        Answer prepared;
        return sent(PQsendPrepare(m_conn, "", text.constData(), 0, nullptr), why) && await(&prepared, why, {})
               && sent(PQsendDescribePrepared(m_conn, ""), why) && await(described, why, {});
    }

    // The rows one at a time as they come. The server sends a row's values
    // only while their text stays within the row cap (past it the row comes
    // empty with its length), so no row comes whole before it is known to
    // fit: what libpq holds of the row it reads (three times its text at
    // most) is kept free of the size limit.
    void fetch(const QString &statement, const TypedQuery::Limits &limits, TypedQuery::Result *result)
    {
        QString why;
        Answer described;
        if (!limitNext(&why) || !describe(statement, &described, &why)) {
            result->message = why;
            return;
        }
        const int columns = PQnfields(described.result);
        QStringList names;
        QList<Oid> types;
        for (int c = 0; c < columns; ++c) {
            names << QString::fromUtf8(PQfname(described.result, c));
            types << PQftype(described.result, c);
        }
        result->fields = Db::spelledNames(names, statement);
        const qint64 cap = TypedQuery::rowCap(limits);
        const qint64 reserve = 3 * (cap + MessageSlack + 8 * qint64(columns));
        QueryBudget::Memory memory(limits.bytes);
        const Rows take = [&](const PGresult *r) {
            // Counted before the values are made: a text as the program holds it takes up to twice its bytes.
            qint64 come = 0;
            qint64 bytes = TypedQuery::rowBytes(columns);
            for (int c = 0; c < columns; ++c) {
                come += PQgetlength(r, 0, c);
                bytes += 32 + 2 * qint64(PQgetlength(r, 0, c));
            }
            const qint64 reading = 3 * (come + MessageSlack + 8 * qint64(columns));
            memory.add(reading);
            const bool whole = QByteArray(PQgetvalue(r, 0, columns)).toLongLong() <= cap;
            if (!whole) {
                result->truncated = true;
                result->message = TypedQuery::rowSizeMessage(cap);
            }
            const bool fits = whole && TypedQuery::roomFor(result, limits, &memory, bytes, reserve);
            if (fits) {
                QVariantList row;
                row.reserve(columns);
                qint64 held = TypedQuery::rowBytes(columns);
                for (int c = 0; c < columns; ++c) {
                    row << value(r, c, types.at(c));
                    held += TypedQuery::valueBytes(row.constLast());
                }
                TypedQuery::settle(result, &memory, bytes, held);
                result->rows << std::move(row);
            }
            memory.release(reading);
            return fits;
        };
        Answer rows;
        if (limitNext(&why) && exec(wrapped(statement, columns, cap, limits.rows), &rows, &why, take)) {
            result->outcome = TypedQuery::Outcome::Done;
        } else if (result->truncated && !m_noAnswer && !m_tooBig) {
            result->outcome = TypedQuery::Outcome::Done; // the cancel of the rows past the cut
            m_timedOut = false;
        } else {
            result->message = why;
        }
        if (result->outcome == TypedQuery::Outcome::Done && !result->truncated)
            result->message.clear();
        result->peakBytes = memory.peak();
    }

    // The statement within the row limit, each row's values as text while
    // they stay within `cap` bytes together, and that length last. The
    // statement runs once below the cuts: nothing past them is worked out
    // again for each column.
    static QString wrapped(const QString &statement, int columns, qint64 cap, int rows)
    {
        const QString inner = QStringLiteral("(\n") + statement + QStringLiteral("\n)");
        const QString limit = QString::number(qint64(rows) + 1);
        if (columns == 0)
            return QStringLiteral("SELECT 0 FROM %1 AS q LIMIT %2").arg(inner, limit);
        QStringList aliases, texts, lengths, values;
        for (int c = 1; c <= columns; ++c) {
            aliases << QStringLiteral("c%1").arg(c);
            texts << QStringLiteral("q.c%1::text AS v%1").arg(c);
            lengths << QStringLiteral("coalesce(octet_length(v.v%1), 0)").arg(c);
            values << QStringLiteral("CASE WHEN w.n <= %2 THEN w.v%1 END").arg(c).arg(cap);
        }
        return QStringLiteral("SELECT %1, w.n FROM (SELECT v.*, %2 AS n FROM (SELECT %3 FROM %4 AS q(%5) OFFSET 0) AS v "
                              "OFFSET 0) AS w LIMIT %6")
            .arg(values.join(QStringLiteral(", ")), lengths.join(QStringLiteral(" + ")), texts.join(QStringLiteral(", ")),
                 inner, aliases.join(QStringLiteral(", ")), limit);
    }

    static QVariant value(const PGresult *rows, int c, Oid type)
    {
        if (PQgetisnull(rows, 0, c))
            return {};
        const char *text = PQgetvalue(rows, 0, c);
        switch (type) {
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
            return QString::fromUtf8(text, PQgetlength(rows, 0, c));
        }
    }

    // Besides a row's text: its message, a length per value.
    static constexpr qint64 MessageSlack = 64 * 1024;

    QSqlDatabase m_db;
    PGconn *m_conn = nullptr;
    std::atomic<bool> m_stop{false};
    bool m_timedOut = false;
    bool m_noAnswer = false; // the server did not answer by the deadline
    bool m_tooBig = false;   // one message was longer than m_messageCap
    qint64 m_messageCap = 0;
    bool m_planWanted = false;
    QByteArray m_plan;
    std::chrono::milliseconds m_limit{0};
    Clock::time_point m_deadline = Clock::time_point::max();
};} // namespace

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
        bool unanswered = false;
        if (!connect(owner, &unanswered) || !handle(owner)) {
            why = unanswered ? QString::fromUtf8(NoAnswerText) : Db::errorText(owner.lastError());
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
    bool unanswered = false;
    if (!connect(clone, &unanswered) || !handle(clone))
        throw fail(unanswered ? QString::fromUtf8(NoAnswerText) : queryLoginFailure(clone));
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
    // A server from version 14 ends the statement of a connection given up (a stop not heard).
    PQclear(PQexec(handle(clone), "SET client_connection_check_interval = 1000"));
    return std::make_unique<PostgresTypedQuery>(clone);
}
