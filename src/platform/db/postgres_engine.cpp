#include "platform/db/postgres_engine.h"

#include "common/program_folder.h"
#include "platform/db/database.h"
#include "platform/db/server_connection.h"
#include "platform/db/server_wait.h"
#include "platform/db/work_tables.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QRegularExpression>
#include <QElapsedTimer>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>

#include <libpq-fe.h>

namespace {
// The key of the lock every writer holds until its commit, and of the lock
// under which a workstation checks that its name is its own.
constexpr qint64 WriteLockKey = 0x56454e5441524f53; // "VENTAROS"
constexpr qint64 PresenceLockKey = WriteLockKey + 1;

} // namespace

PGconn *PostgresEngine::handle(const QSqlDatabase &db)
{
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    // Qt names the type by libpq's struct: "pg_conn*".
    if (!v.isValid() || (qstrcmp(v.typeName(), "pg_conn*") != 0 && qstrcmp(v.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<PGconn *const *>(v.constData());
}

namespace {
std::function<void(const QSqlDatabase &)> &afterCommitHook()
{
    static std::function<void(const QSqlDatabase &)> hook;
    return hook;
}

QString shortHash(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(10));
}

// Who this workstation is, as the server lists its sessions: the name's own
// hash, then the machine and program folder it runs from, then the process.
// Every connection of one program carries the same text.
QString workstationTag()
{
    return shortHash(WorkTables::workstationKey().toUtf8());
}

QString placeTag()
{
    return shortHash(QSysInfo::machineUniqueId() + '\n' + ProgramFolder::path().toUtf8());
}

QString applicationName()
{
    return QStringLiteral("ventaros/") + workstationTag() + QLatin1Char('/') + placeTag() + QLatin1Char('/')
           + QString::number(QCoreApplication::applicationPid());
}

void run(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    bool ok;
    {
        ServerWait::Deadline deadline(db);
        ok = q.exec(sql);
    }
    if (!ok) {
        if (PostgresEngine::lost(db))
            throw DbError(PostgresEngine::lostText(db), sql);
        throw DbError(q.lastError(), sql);
    }
}

QString connectOptions()
{
    // libpq's own limit on a new connection, whole seconds.
    return QStringLiteral("connect_timeout=%1;application_name=")
               .arg(std::max(2, (Db::waitLimitMs(Db::Wait::Connect) + 999) / 1000))
           + applicationName();
}

// What every connection gets, at its open and at every reconnect: one
// statement, one round trip.
void applySession(const QSqlDatabase &db)
{
    run(db, QStringLiteral(
                "SELECT set_config('client_min_messages', 'warning', false), "
                "set_config('lock_timeout', '%1ms', false), "
                // Every run is planned with its values: a contains-search takes
                // the trigram index for a rare text and reads the table for a
                // common one.
                "set_config('plan_cache_mode', 'force_custom_plan', false), "
                // A list's statement reads a page: compiling it for a cost the
                // planner guessed for every row takes longer than running it.
                "set_config('jit', 'off', false), "
                // A shop's database is held in the server's memory or on a
                // solid-state disk: a step of an index costs about what a page
                // read in order does, so a page of a list is looked up row by
                // row along the indexes rather than by hashing whole tables.
                "set_config('random_page_cost', '1.1', false), "
                // Every join of the program looks one row up by its key:
                // weighing a cache of those look-ups (a server from version 14
                // on) made planning a page's statement cost more than running it.
                "(SELECT set_config(name, 'off', false) FROM pg_settings WHERE name = 'enable_memoize'), "
                // A workstation that lost power leaves its session, and the
                // write lock of its open transaction, for a minute at most.
                "set_config('tcp_keepalives_idle', '20', false), "
                "set_config('tcp_keepalives_interval', '10', false), "
                "set_config('tcp_keepalives_count', '3', false)")
                .arg(Db::BusyTimeoutMs));
}

QString foldingProblem(const QSqlDatabase &db)
{
    const auto row = Db::firstRow(QStringLiteral("SELECT current_setting('server_encoding'), "
                                                 "UPPER('абвгдежзийклмнопрстуфхцчшщъьюяѝ'), "
                                                 "current_setting('lc_ctype')"),
                                  {}, db);
    if (!row)
        return QStringLiteral("Сървърът не върна настройките на базата данни.");
    if (row->value(0).toString() == QLatin1String("UTF8")
        && row->value(1).toString() == QStringLiteral("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЬЮЯЍ"))
        return {};
    return QStringLiteral("Базата данни на сървъра е създадена с кодиране %1 и локал %2, при които търсенето на "
                          "кирилица не работи. Създайте я с кодиране UTF8 и локал, чиято функция UPPER "
                          "превръща кирилицата в главни букви (например C.UTF-8), както е описано в README.")
        .arg(row->value(0).toString(), row->value(2).toString());
}

// Two machines under one workstation name would share its work tables and
// its queued receipt files: the second is refused while the first works.
QString presenceProblem(const QSqlDatabase &db)
{
    const QString prefix = QStringLiteral("ventaros/") + workstationTag() + QLatin1Char('/');
    const QString own = prefix + placeTag() + QLatin1Char('/');
    bool other = false;
    run(db, QStringLiteral("BEGIN"));
    try {
        run(db, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(PresenceLockKey));
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT application_name FROM pg_stat_activity WHERE "
                                                           "datname = current_database() AND pid <> pg_backend_pid()"),
                                            {}, db)) {
            const QString name = r.value(0).toString();
            if (name.startsWith(prefix) && !name.startsWith(own))
                other = true;
        }
        if (!other)
            run(db, QStringLiteral("CREATE SCHEMA IF NOT EXISTS ") + PostgresEngine::workSchema());
        run(db, QStringLiteral("COMMIT"));
    } catch (const DbError &) {
        if (!PostgresEngine::lost(db)) {
            ServerWait::Deadline deadline(db);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        }
        throw;
    }
    if (!other)
        return {};
    return QStringLiteral("Работно място с името \"%1\" вече работи с тази база данни от друг компютър или от "
                          "друга папка на програмата. Всяко работно място трябва да има свое име (името на "
                          "компютъра или променливата VENTAROS_WORKSTATION), защото работните му таблици и "
                          "чакащите му бонове са само негови.")
        .arg(WorkTables::workstationName());
}

QString connectFailure(const QSqlError &error, const ServerConnection &server, bool unanswered)
{
    const QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    QString why;
    if (text.contains(QLatin1String("password")) || text.contains(QLatin1String("authentication")))
        why = QStringLiteral("Сървърът не прие потребителя %1 или паролата му. Паролата се задава в файла "
                             "~/.pgpass на потребителя на компютъра или в променливата PGPASSWORD.")
                  .arg(server.user);
    else if (text.contains(QLatin1String("does not exist")))
        why = QStringLiteral("На сървъра няма база данни %1 или потребител %2.").arg(server.database, server.user);
    else if (unanswered)
        why = QStringLiteral("Сървърът на базата данни %1:%2 не отговаря.").arg(server.host).arg(server.port);
    else
        why = QStringLiteral("Няма връзка със сървъра на базата данни %1:%2.")
                  .arg(server.host)
                  .arg(server.port);
    return why + QStringLiteral("\n(") + text.trimmed() + QLatin1Char(')');
}
} // namespace

bool PostgresEngine::workstationRunning(const QString &key, const QSqlDatabase &db)
{
    const QString prefix = QStringLiteral("ventaros/") + shortHash(key.toUtf8()) + QLatin1Char('/');
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() "
                                     "AND LEFT(application_name, ?) = ?"),
                      {int(prefix.size()), prefix}, db)
               .toLongLong()
           > 0;
}

QString PostgresEngine::workSchema()
{
    QString name = QLatin1String(WorkSchemaPrefix) + WorkTables::workstationKey();
    if (name.toUtf8().size() > 60)
        name = name.left(40) + QLatin1Char('_') + workstationTag();
    return QLatin1Char('"') + name + QLatin1Char('"');
}

bool PostgresEngine::open(const QString &connectionName, const ServerConnection &server, bool requireSchema,
                          QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        Db::close(connectionName);
        return false;
    };
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(Driver)))
        return fail(QStringLiteral("Липсва драйверът на Qt за PostgreSQL (пакетът libqt6sql6-psql)."));
    QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(Driver), connectionName);
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.database);
    db.setUserName(server.user);
    db.setConnectOptions(connectOptions());
    bool unanswered = false;
    if (!connect(db, &unanswered))
        return fail(connectFailure(db.lastError(), server, unanswered));
    ServerWait::forget(db); // a cut of a closed connection at the same address
    try {
        applySession(db);
        const QString folding = foldingProblem(db);
        if (!folding.isEmpty())
            return fail(folding);
        if (requireSchema && !tableExists(QStringLiteral("Operators"), db))
            return fail(QStringLiteral("Базата данни %1 не е база данни на програмата (в нея няма таблица Operators).")
                            .arg(server.describe()));
        const QString presence = presenceProblem(db);
        if (!presence.isEmpty())
            return fail(presence);
    } catch (const DbError &e) {
        return fail(e.message());
    }
    return true;
}

namespace {
// The tables and views of the database's schema the role may use, as the
// information schema lists them, read from the catalogue itself: the view,
// a join of the catalogue tables, is planned anew at every run (custom
// plans are forced), and the check runs at each start and receipt file.
const char *const kTablesOfSchema =
    "SELECT COUNT(*) FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
    "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'v', 'f') AND (pg_has_role(c.relowner, 'USAGE') "
    "OR has_table_privilege(c.oid, 'SELECT, INSERT, UPDATE, DELETE, TRUNCATE, REFERENCES, TRIGGER') "
    "OR has_any_column_privilege(c.oid, 'SELECT, INSERT, UPDATE, REFERENCES'))";
} // namespace

bool PostgresEngine::holdsNoTables(const QSqlDatabase &db)
{
    return Db::scalar(QString::fromLatin1(kTablesOfSchema), {}, db).toLongLong() == 0;
}

QString PostgresEngine::errorText(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    if (code.size() != 5)
        return {};
    const QString cls = code.left(2);
    if (code == QLatin1String("55P03") || code == QLatin1String("40P01") || code == QLatin1String("40001"))
        return QString::fromUtf8(Db::BusyText);
    if (cls == QLatin1String("08") || code.startsWith(QLatin1String("57P")))
        return QString::fromUtf8(LostText);
    if (cls == QLatin1String("23"))
        return QStringLiteral("Записът нарушава ограничение на базата данни (повтарящ се или липсващ ключ).");
    if (code == QLatin1String("25006"))
        return QStringLiteral("Връзката с базата данни е само за четене.");
    if (cls == QLatin1String("28") || code == QLatin1String("42501"))
        return QStringLiteral("Няма права за достъп до базата данни.");
    if (code == QLatin1String("53100"))
        return QStringLiteral("Няма място на диска на сървъра на базата данни. Нищо не беше записано.");
    if (cls == QLatin1String("53"))
        return QStringLiteral("Сървърът на базата данни няма достатъчно памет или връзки.");
    if (cls == QLatin1String("XX") || cls == QLatin1String("58"))
        return QStringLiteral("Грешка при четене или запис на сървъра на базата данни.");
    if (code == QLatin1String("57014"))
        return QStringLiteral("Заявката към базата данни беше прекратена.");
    return QStringLiteral("Заявката към базата данни не беше изпълнена.");
}

bool PostgresEngine::lost(const QSqlDatabase &db)
{
    // The driver closes a connection the server ended (stopped, or the
    // session terminated); a reconnect that failed leaves it closed too.
    if (!db.isOpen())
        return db.isValid() && db.driverName() == QLatin1String(Driver);
    PGconn *conn = handle(db);
    return !conn || PQstatus(conn) == CONNECTION_BAD;
}

QString PostgresEngine::lostText(const QSqlDatabase &db)
{
    return QString::fromUtf8(ServerWait::cut(db) ? NoAnswerText : LostText);
}

bool PostgresEngine::connect(QSqlDatabase db, bool *unanswered)
{
    QElapsedTimer clock;
    clock.start();
    if (db.open())
        return true;
    // libpq's own connect_timeout, which names itself in English only.
    const QSqlError error = db.lastError();
    *unanswered = QString(error.databaseText() + error.driverText()).contains(QLatin1String("timeout expired"))
                  || clock.elapsed() >= Db::waitLimitMs(Db::Wait::Connect);
    return false;
}

bool PostgresEngine::reconnect(QSqlDatabase db, QString *error)
{
    Db::forgetStatements(db.connectionName());
    ServerWait::forget(db);
    db.close();
    bool unanswered = false;
    if (!connect(db, &unanswered)) {
        if (error)
            *error = QString::fromUtf8(unanswered ? NoAnswerText : LostText) + QStringLiteral("\n(")
                     + db.lastError().text().trimmed() + QLatin1Char(')');
        return false;
    }
    ServerWait::forget(db);
    try {
        applySession(db);
    } catch (const DbError &e) {
        if (error)
            *error = e.message();
        db.close();
        return false;
    }
    return true;
}

qint64 PostgresEngine::beginWrite(const QSqlDatabase &db)
{
    run(db, QStringLiteral("BEGIN"));
    const QString lock = QStringLiteral("SELECT pg_advisory_xact_lock(%1), txid_current()").arg(WriteLockKey);
    QSqlQuery q(db);
    ServerWait::Deadline deadline(db);
    if (!q.exec(lock) || !q.next()) {
        const bool broke = lost(db);
        const QSqlError error = q.lastError();
        if (broke)
            throw DbError(lostText(db), lock);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw DbError(error, lock);
    }
    return q.value(1).toLongLong();
}

void PostgresEngine::commitWrite(QSqlDatabase db, qint64 txid)
{
    {
        QSqlQuery q(db);
        bool ok;
        {
            ServerWait::Deadline deadline(db);
            ok = q.exec(QStringLiteral("COMMIT"));
        }
        if (!ok) {
            if (!lost(db))
                throw DbError(q.lastError(), QStringLiteral("COMMIT"));
        } else {
            if (afterCommitHook())
                afterCommitHook()(db);
            if (!lost(db))
                return;
        }
    }
    // Not saved, said as the connection was lost: the server stopped answering, or it broke.
    const QString notSaved = lostText(db);
    // The COMMIT may have reached the server before the connection broke: it
    // alone knows whether the transaction is durable. Saying "nothing saved"
    // of a sale that was saved would have it sold twice.
    const QString ask = QStringLiteral("SELECT txid_status(?)");
    QString status;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (lost(db) && !reconnect(db, nullptr))
            throw DbError(QString::fromUtf8(UnknownOutcomeText), ask);
        QSqlQuery q(db);
        {
            ServerWait::Deadline deadline(db);
            q.prepare(ask);
            q.addBindValue(txid);
            if (!q.exec() || !q.next())
                throw DbError(QString::fromUtf8(lost(db) ? UnknownOutcomeText : LostText), ask);
        }
        status = q.value(0).toString();
        // The ended session may still be finishing its commit or its abort.
        if (status != QLatin1String("in progress"))
            break;
        QThread::msleep(100);
    }
    if (status == QLatin1String("committed"))
        return;
    if (status == QLatin1String("in progress"))
        throw DbError(QString::fromUtf8(UnknownOutcomeText), ask);
    throw DbError(notSaved, QStringLiteral("COMMIT"));
}

void PostgresEngine::setAfterCommitHookForTests(std::function<void(const QSqlDatabase &)> hook)
{
    afterCommitHook() = std::move(hook);
}

QString PostgresEngine::tableExistsSql()
{
    return QString::fromLatin1(kTablesOfSchema) + QStringLiteral(" AND UPPER(c.relname) = UPPER(?)");
}

bool PostgresEngine::tableExists(const QString &table, const QSqlDatabase &db)
{
    return Db::scalar(tableExistsSql(), {table}, db).toLongLong() > 0;
}

QString PostgresEngine::serverColumns(const QString &columns)
{
    QString out = columns;
    static const QRegularExpression key(
        QStringLiteral("\\bINTEGER\\s+PRIMARY\\s+KEY(\\s+AUTOINCREMENT)?\\b"), QRegularExpression::CaseInsensitiveOption);
    out.replace(key, QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
    static const QRegularExpression integer(QStringLiteral("\\bINTEGER\\b"), QRegularExpression::CaseInsensitiveOption);
    out.replace(integer, QStringLiteral("BIGINT"));
    static const QRegularExpression real(QStringLiteral("\\b(DOUBLE|REAL)\\b(?!\\s+PRECISION)"),
                                         QRegularExpression::CaseInsensitiveOption);
    out.replace(real, QStringLiteral("DOUBLE PRECISION"));
    static const QRegularExpression blob(QStringLiteral("\\bBLOB\\b"), QRegularExpression::CaseInsensitiveOption);
    out.replace(blob, QStringLiteral("BYTEA"));
    return out;
}
