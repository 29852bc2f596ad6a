#include "platform/db/database.h"

#include "platform/db/query_budget.h"

#include "platform/db/sqlite_cache.h"
#include "platform/db/sqlite_engine.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/server_connection.h"
#include "platform/db/server_wait.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"
#include "platform/file_modes.h"
#include "common/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QVarLengthArray>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

DbError::DbError(const QString &message, const QString &sql)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_sql(sql)
    , m_lost(message.startsWith(QString::fromUtf8(PostgresEngine::LostText))
             || message.startsWith(QString::fromUtf8(PostgresEngine::NoAnswerText)))
    , m_unknown(message.startsWith(QString::fromUtf8(PostgresEngine::UnknownOutcomeText)))
{
}

DbError::DbError(const QSqlError &error, const QString &sql)
    : DbError(Db::errorText(error), sql)
{
    m_busy = m_message.startsWith(QString::fromUtf8(Db::BusyText));
}

namespace {
// Before the engine's first use: what a typed query makes SQLite allocate is counted (query_budget.h).
[[maybe_unused]] const bool sqliteCounted = QueryBudget::installSqliteCounting();

QString &currentName()
{
    static QString name;
    return name;
}

// Upper case of a text of Latin and Cyrillic letters, folded on its UTF-8
// bytes as QString::toUpper folds them: a search along an index folds a name
// per row read. False, with `out` undefined, for any other letter.
bool upperOnBytes(const unsigned char *in, int bytes, QVarLengthArray<char, 256> *out)
{
    out->resize(bytes);
    char *o = out->data();
    for (int i = 0; i < bytes;) {
        const unsigned char c = in[i];
        if (c < 0x80) {
            o[i++] = char(c >= 'a' && c <= 'z' ? c - 0x20 : c);
            continue;
        }
        if (i + 1 >= bytes)
            return false;
        const unsigned char n = in[i + 1];
        if (c == 0xD0 && n >= 0x80 && n <= 0xBF) { // U+0400..U+043F: а..п up by 0x20
            o[i] = char(c);
            o[i + 1] = char(n >= 0xB0 ? n - 0x20 : n);
            i += 2;
        } else if (c == 0xD1 && n >= 0x80 && n <= 0x9F) { // р..я and ѐ..џ
            o[i] = char(0xD0);
            o[i + 1] = char(n <= 0x8F ? n + 0x20 : n - 0x10);
            i += 2;
        } else if (c == 0xE2 && i + 2 < bytes && n == 0x80 && (in[i + 2] & 0xC0) == 0x80) {
            // U+2000..U+203F (dashes, quotes, dots) have no case.
            o[i] = char(c);
            o[i + 1] = char(n);
            o[i + 2] = char(in[i + 2]);
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

// SQLite's own UPPER and LOWER fold only ASCII; these fold Cyrillic too.
void caseFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv, bool upper)
{
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const int bytes = sqlite3_value_bytes(argv[0]);
    QVarLengthArray<char, 256> folded;
    if (upper && upperOnBytes(reinterpret_cast<const unsigned char *>(text), bytes, &folded)) {
        sqlite3_result_text(ctx, folded.constData(), bytes, SQLITE_TRANSIENT);
        return;
    }
    const QString in = QString::fromUtf8(text, bytes);
    const QByteArray out = (upper ? Db::upper(in) : in.toLower()).toUtf8();
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

void upperFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    caseFunction(ctx, argc, argv, true);
}

void lowerFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    caseFunction(ctx, argc, argv, false);
}

// Statements prepared once per connection and reused: the helpers that
// finish their statement at once (rows, firstRow, scalar, execute, valueRows)
// take them from here. Kept per connection name and dropped when that
// connection closes or opens again, so a switch of database never runs a
// statement of the old file. A connection lives in one thread.
constexpr int MaxCachedStatements = 200;

struct StatementCache {
    QHash<QString, QSqlQuery> queries;
    QHash<QString, quint64> used; // when each was last taken
};

QHash<QString, StatementCache> &statementCaches()
{
    thread_local QHash<QString, StatementCache> caches;
    return caches;
}

void dropStatements(const QString &connectionName)
{
    statementCaches().remove(connectionName);
}

// The connection's statement of `sql`, made by `make` (which may throw: then
// nothing is kept) when it has none. A full cache drops its longest unused
// statement, one at a time: a server frees each in a round trip, and a list
// read again and again keeps its statements.
template <class Make>
QSqlQuery &cachedStatement(const QString &sql, const QSqlDatabase &db, Make make)
{
    thread_local quint64 clock = 0;
    StatementCache &cache = statementCaches()[db.connectionName()];
    auto it = cache.queries.find(sql);
    if (it == cache.queries.end()) {
        QSqlQuery made = make();
        if (cache.queries.size() >= MaxCachedStatements) {
            const auto oldest = std::min_element(cache.used.cbegin(), cache.used.cend());
            cache.queries.remove(oldest.key());
            cache.used.erase(oldest);
        }
        it = cache.queries.insert(sql, std::move(made));
    }
    cache.used.insert(sql, ++clock);
    return *it;
}

// A prepared statement of the connection with the values bound; the caller
// runs it and finishes it before anything else can take it.
QSqlQuery &cachedQuery(const QString &sql, const QVariantList &params, const QSqlDatabase &db)
{
    QSqlQuery &q = cachedStatement(sql, db, [&] {
        QSqlQuery made(db);
        made.setForwardOnly(true);
        if (!made.prepare(sql))
            throw DbError(made.lastError(), sql);
        return made;
    });
    for (int i = 0; i < params.size(); ++i)
        q.bindValue(i, params.at(i));
    return q;
}

bool startsWithSelect(const QString &sql)
{
    const QString head = sql.trimmed().left(6);
    return head.compare(QLatin1String("SELECT"), Qt::CaseInsensitive) == 0
           || head.left(4).compare(QLatin1String("WITH"), Qt::CaseInsensitive) == 0;
}

// A server connection that broke is opened again (its prepared statements
// went with it), but never under an open write transaction: that
// transaction's first statements died with the connection.
void reconnectIfLost(const QSqlDatabase &db, const QString &sql)
{
    if (!PostgresEngine::lost(db))
        return;
    dropStatements(db.connectionName());
    QString why;
    if (WriteTransaction::isOpen(db))
        throw DbError(PostgresEngine::lostText(db), sql);
    if (!PostgresEngine::reconnect(db, &why))
        throw DbError(why, sql);
}

// Runs `run` (which throws DbError); on a server, within the limit of its
// answer, a lost connection is told as such, and a read outside a write
// transaction runs once more on a new one (not after a server that stopped
// answering: that one was waited for long enough).
template <class Run>
auto onEither(const QString &sql, const QSqlDatabase &db, Run run) -> decltype(run())
{
    if (Db::engine(db) == Db::Engine::Postgres)
        reconnectIfLost(db, sql);
    if (!db.isOpen())
        throw DbError(QStringLiteral("Няма връзка с базата данни"), sql);
    if (Db::engine(db) == Db::Engine::Sqlite)
        return run();
    try {
        ServerWait::Deadline deadline(db);
        return run();
    } catch (const DbError &) {
        if (!PostgresEngine::lost(db))
            throw;
        if (WriteTransaction::isOpen(db) || !startsWithSelect(sql) || ServerWait::cut(db))
            throw DbError(PostgresEngine::lostText(db), sql);
    }
    reconnectIfLost(db, sql);
    ServerWait::Deadline deadline(db);
    return run();
}

// A walk of a statement's rows that stopped on an error (a server's rows
// come one at a time) fails the statement: never a part taken for the whole.
void walked(QSqlQuery &q, const QString &sql, const QSqlDatabase &db)
{
    const QSqlError error = q.lastError();
    if (error.type() == QSqlError::NoError)
        return;
    q.finish();
    if (Db::engine(db) == Db::Engine::Postgres && PostgresEngine::lost(db))
        throw DbError(PostgresEngine::lostText(db), sql);
    throw DbError(error, sql);
}

// Runs a statement of the cache; throws DbError. On a server a statement
// without values runs as it is: a server prepares neither DDL nor SET nor
// transaction control.
QSqlQuery &runCached(const QString &sql, const QVariantList &params, const QSqlDatabase &db)
{
    return onEither(sql, db, [&]() -> QSqlQuery & {
        const bool plain = params.isEmpty() && Db::engine(db) == Db::Engine::Postgres;
        QSqlQuery &q = plain ? cachedStatement(sql, db,
                                               [&] {
                                                   QSqlQuery made(db);
                                                   made.setForwardOnly(true);
                                                   return made;
                                               })
                             : cachedQuery(sql, params, db);
        if (!(plain ? q.exec(sql) : q.exec())) {
            const QSqlError error = q.lastError();
            q.finish();
            throw DbError(error, sql);
        }
        return q;
    });
}

QSqlQuery prepared(const QString &sql, const QVariantList &params, const QSqlDatabase &db)
{
    QSqlQuery q(db);
    // A server's rows all come with the answer, so the caller's walk never
    // waits on the server.
    q.setForwardOnly(Db::engine(db) == Db::Engine::Sqlite);
    if (!q.prepare(sql))
        throw DbError(q.lastError(), sql);
    for (const QVariant &p : params)
        q.addBindValue(p);
    return q;
}
} // namespace

sqlite3 *SqliteEngine::handle(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return nullptr;
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(v.constData());
}

bool SqliteEngine::registerFunctions(const QSqlDatabase &db)
{
    return registerFunctions(handle(db));
}

bool SqliteEngine::registerFunctions(sqlite3 *h)
{
    if (!h)
        return false;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function_v2(h, "UPPER", 1, flags, nullptr, upperFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK
           && sqlite3_create_function_v2(h, "LOWER", 1, flags, nullptr, lowerFunction, nullptr,
                                         nullptr, nullptr) == SQLITE_OK;
}

namespace {
QHash<QString, QString> &spellings()
{
    static QHash<QString, QString> names; // lower case -> as the schema spells it
    return names;
}
} // namespace

Db::Engine Db::engine(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String(PostgresEngine::Driver) ? Engine::Postgres : Engine::Sqlite;
}

Db::Engine Db::engine()
{
    return engine(connection());
}

Db::Engine Db::folderEngine(const QString &folder)
{
    return ServerConnection::existsIn(folder) ? Engine::Postgres : Engine::Sqlite;
}

QString Db::databaseFile(const QString &folder)
{
    return QDir(folder).filePath(QLatin1String(DatabaseFileName));
}

bool Db::folderNamesDatabase(const QString &folder)
{
    return !folder.isEmpty() && (QFileInfo::exists(databaseFile(folder)) || ServerConnection::existsIn(folder));
}

bool Db::canCreateIn(const QString &folder)
{
    if (folder.isEmpty() || QFileInfo::exists(databaseFile(folder)))
        return false;
    if (!ServerConnection::existsIn(folder))
        return true;
    const QString name = QStringLiteral("probe-new-") + QString::number(quintptr(&folder));
    const bool empty = openForCreation(name, folder, nullptr);
    close(name);
    return empty;
}

QString Db::describeFolder(const QString &folder)
{
    const auto server = ServerConnection::existsIn(folder) ? ServerConnection::read(folder) : std::nullopt;
    return server ? server->describe() + QStringLiteral(" (") + folder + QLatin1Char(')') : folder;
}

QString Db::statementFileName(const QString &stem, Engine engine)
{
    return stem + (engine == Engine::Postgres ? QStringLiteral(".pg.nts") : QStringLiteral(".nts"));
}

namespace {
// The SQLite files being built, by their connection.
QHash<QString, QString> &creations()
{
    static QHash<QString, QString> files;
    return files;
}

QString creationPrefix()
{
    return QLatin1String(Db::DatabaseFileName) + QStringLiteral(".new-");
}
} // namespace

void SqliteEngine::removeCreationLeftovers(const QString &folder)
{
    const QDir dir(folder);
    for (const QString &name : dir.entryList({creationPrefix() + QLatin1Char('*')}, QDir::Files | QDir::Hidden))
        if (TextFile::olderThanThisRun(dir.filePath(name)))
            QFile::remove(dir.filePath(name));
}

bool Db::openForCreation(const QString &connectionName, const QString &folder, QString *error)
{
    const QString file = databaseFile(folder);
    if (QFileInfo::exists(file)) {
        if (error)
            *error = QStringLiteral("В папката вече има база данни: ") + folder;
        return false;
    }
    if (!ServerConnection::existsIn(folder)) {
        SqliteEngine::removeCreationLeftovers(folder);
        const QString building =
            QDir(folder).filePath(creationPrefix() + QString::number(QRandomGenerator::global()->generate64(), 36));
        if (!open(connectionName, building, true, error)) {
            QFile::remove(building);
            return false;
        }
        creations().insert(connectionName, building);
        return true;
    }
    const auto server = ServerConnection::read(folder, error);
    if (!server || !PostgresEngine::open(connectionName, *server, false, error))
        return false;
    bool empty = false;
    try {
        empty = PostgresEngine::holdsNoTables(QSqlDatabase::database(connectionName, false));
    } catch (const DbError &e) {
        if (error)
            *error = e.message();
        close(connectionName);
        return false;
    }
    if (!empty) {
        if (error)
            *error = QStringLiteral("Базата данни %1 на сървъра не е празна: нова база данни се създава само в "
                                    "празна база данни.")
                         .arg(server->describe());
        close(connectionName);
    }
    return empty;
}

bool Db::completeCreation(const QString &connectionName, const QString &folder, QString *error)
{
    const QString building = creations().take(connectionName);
    close(connectionName);
    if (building.isEmpty())
        return true;
    auto fail = [&](const QString &why) {
        QFile::remove(building);
        QFile::remove(building + QStringLiteral("-journal"));
        if (error)
            *error = why;
        return false;
    };
    // The commit has deleted its journal and synced the file; synced once
    // more here, as the new name must never stand for less than all of it.
    QFile f(building);
    if (QFile::exists(building + QStringLiteral("-journal")) || !f.open(QIODevice::ReadWrite)
        || ::fsync(f.handle()) != 0)
        return fail(QStringLiteral("Новата база данни не може да бъде записана докрай: ") + building);
    f.close();
    const QString file = databaseFile(folder);
    const int moved = TextFile::moveWithoutReplacing(building, file);
    if (moved == 0)
        return fail(QStringLiteral("В папката вече има база данни: ") + folder);
    if (moved < 0)
        return fail(QStringLiteral("Новата база данни не може да получи името си ") + file + QStringLiteral(": ")
                    + QString::fromLocal8Bit(std::strerror(errno)));
    if (!TextFile::syncFolder(folder)) {
        // Named, but maybe not on the disk: it is taken back, as a failure leaves nothing.
        QFile::remove(file);
        if (error)
            *error = QStringLiteral("Папката на новата база данни не може да бъде записана на диска: ") + folder;
        return false;
    }
    return true;
}

void Db::discardCreation(const QString &connectionName)
{
    const QString building = creations().take(connectionName);
    close(connectionName);
    if (building.isEmpty())
        return;
    QFile::remove(building);
    QFile::remove(building + QStringLiteral("-journal"));
}

bool Db::folderHoldsDatabase(const QString &folder)
{
    if (!folderNamesDatabase(folder))
        return false;
    const QString name = QStringLiteral("probe-") + QString::number(quintptr(&folder));
    const bool holds = openFolder(name, folder, nullptr);
    close(name);
    return holds;
}

QString Db::errorText(const QSqlError &error)
{
    const QString engine = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    const QString server = PostgresEngine::errorText(error);
    if (!server.isEmpty())
        return server + QStringLiteral("\n(") + engine.trimmed() + QLatin1Char(')');
    bool numbered = false;
    const int code = error.nativeErrorCode().toInt(&numbered) & 0xff;
    const char *text = "Заявката към базата данни не беше изпълнена.";
    switch (numbered ? code : -1) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        text = BusyText;
        break;
    case SQLITE_READONLY:
        text = "Базата данни не може да бъде променяна: няма право на запис в папката или във файла й.";
        break;
    case SQLITE_IOERR:
        text = "Грешка при четене или запис на файла на базата данни.";
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        text = "Файлът на базата данни е повреден.";
        break;
    case SQLITE_FULL:
        text = "Няма място на диска за базата данни. Нищо не беше записано.";
        break;
    case SQLITE_CANTOPEN:
        text = "Файлът на базата данни не може да бъде отворен.";
        break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        text = "Няма права за достъп до базата данни.";
        break;
    case SQLITE_CONSTRAINT:
        text = "Записът нарушава ограничение на базата данни (повтарящ се или липсващ ключ).";
        break;
    case SQLITE_NOMEM:
        text = "Няма достатъчно памет за работа с базата данни.";
        break;
    default:
        // The driver's own failures (opening) carry no code of the engine.
        if (engine.contains(QLatin1String("database is locked")))
            text = BusyText;
        break;
    }
    const QString out = QString::fromUtf8(text);
    return engine.trimmed().isEmpty() ? out : out + QStringLiteral("\n(") + engine.trimmed() + QLatin1Char(')');
}

bool Db::open(const QString &connectionName, const QString &file, bool create, QString *error)
{
    QSqlDatabase db;
    // The handle is let go first, so the connection really closes here.
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        db = QSqlDatabase();
        close(connectionName);
        return false;
    };
    if (!create && !QFile::exists(file))
        return fail(QStringLiteral("Файлът на базата данни не съществува: ") + file);
    // A database of an older run may be open to every local user: no more.
    // Journals take the database file's mode when SQLite makes them.
    QStringList files{file};
    const QFileInfo info(file);
    for (const QString &journal : info.dir().entryList({info.fileName() + QStringLiteral("-*")}, QDir::Files))
        files << info.dir().filePath(journal);
    FileModes::tighten(files);
    dropStatements(connectionName);
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!db.open())
        return fail(errorText(db.lastError()));
    if (!SqliteEngine::registerFunctions(db))
        return fail(QStringLiteral("Не могат да се регистрират функциите UPPER/LOWER"));
    SqliteEngine::countWrittenRows(SqliteEngine::handle(db));
    // The page cache and memory map sized for the file (see sqlite_cache.h).
    if (const QString why = SqliteCache::apply(db, QFileInfo(file).size()); !why.isEmpty())
        return fail(why);
    try {
        WorkTables::attach(db);
    } catch (const DbError &e) {
        return fail(e.message());
    }
    return true;
}

bool Db::openFolder(const QString &connectionName, const QString &folder, QString *error)
{
    const QString file = databaseFile(folder);
    QSqlDatabase db;
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        db = QSqlDatabase();
        close(connectionName);
        return false;
    };
    if (ServerConnection::existsIn(folder)) {
        if (QFileInfo::exists(file))
            return fail(QStringLiteral("В папката има и файл на база данни ") + QLatin1String(DatabaseFileName)
                        + QStringLiteral(", и файл за връзка със сървъра ") + QLatin1String(ServerConnection::FileName)
                        + QStringLiteral(": не е ясно коя база данни да бъде отворена."));
        QString why;
        const auto server = ServerConnection::read(folder, &why);
        if (!server)
            return fail(why);
        return PostgresEngine::open(connectionName, *server, true, error);
    }
    if (folder.isEmpty() || !QFile::exists(file))
        return fail(QStringLiteral("В папката няма файл на базата данни ") + QLatin1String(DatabaseFileName)
                    + QLatin1Char('.'));
    if (!QFileInfo(file).isFile())
        return fail(QStringLiteral("Файлът на базата данни ") + file + QStringLiteral(" не е обикновен файл."));
    QString why;
    if (!open(connectionName, file, false, &why))
        return fail(QStringLiteral("Файлът на базата данни ") + file + QStringLiteral(" не може да бъде отворен:\n")
                    + why);
    // The first read of each database rolls back a write that a crash cut
    // off (a hot journal, with the super-journal of a transaction across the
    // work database): this connection reads and writes, a read-only one could
    // not. Only then may a super-journal that no journal names be removed.
    db = QSqlDatabase::database(connectionName, false);
    try {
        if (!scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Operators'"), {}, db)
                 .isValid())
            return fail(QStringLiteral("Файлът ") + file
                        + QStringLiteral(" не е база данни на програмата (в него няма таблица Operators)."));
    } catch (const DbError &e) {
        return fail(QStringLiteral("Базата данни ") + file + QStringLiteral(" не може да бъде прочетена:\n")
                    + e.message());
    }
    try {
        scalar(QStringLiteral("SELECT COUNT(*) FROM work.sqlite_master"), {}, db);
    } catch (const DbError &) {
        // The work tables say so when used; a journal of theirs left hot
        // names its super-journal, which then stays.
    }
    SqliteEngine::removeSuperJournalLeftovers(db, file);
    return true;
}

void Db::forgetStatements(const QString &connectionName)
{
    dropStatements(connectionName);
}

void Db::close(const QString &connectionName)
{
    if (!QSqlDatabase::contains(connectionName)) {
        dropStatements(connectionName);
        return;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        {
            // A server frees each prepared statement in a round trip of its own.
            ServerWait::Deadline deadline(db);
            dropStatements(connectionName);
        }
        if (engine(db) == Engine::Sqlite)
            SqliteEngine::analyzeAtClose(SqliteEngine::handle(db));
        ServerWait::forget(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

QSqlDatabase Db::connection()
{
    return QSqlDatabase::database(currentName(), false);
}

bool Db::inUse(const QSqlDatabase &db)
{
    return db.isOpen() || (engine(db) == Engine::Postgres && PostgresEngine::lost(db));
}

QString Db::currentConnectionName()
{
    return currentName();
}

void Db::setCurrentConnection(const QString &connectionName)
{
    currentName() = connectionName;
}

QSqlQuery Db::exec(const QString &sql, const QVariantList &params, const QSqlDatabase &db)
{
    return onEither(sql, db, [&] {
        QSqlQuery q(db);
        q.setForwardOnly(engine(db) == Engine::Sqlite); // as prepared()
        const bool plain = params.isEmpty() && engine(db) == Engine::Postgres;
        if (plain ? !q.exec(sql) : !(q = prepared(sql, params, db)).exec())
            throw DbError(q.lastError(), sql);
        return q;
    });
}

Db::Statement::Statement(const QSqlDatabase &db, const QString &sql)
    : m_db(db)
    , m_query(db)
    , m_sql(sql)
{
    ServerWait::Deadline deadline(db); // a server prepares in a round trip
    if (!m_query.prepare(sql))
        throw DbError(m_query.lastError(), sql);
}

Db::Statement::~Statement()
{
    ServerWait::Deadline deadline(m_db); // a server frees it in a round trip
    m_query = QSqlQuery();
}

void Db::Statement::run(const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, values.at(i));
    if (!m_query.exec()) {
        const QSqlError error = m_query.lastError();
        m_query.finish();
        if (engine(m_db) == Engine::Postgres && PostgresEngine::lost(m_db))
            throw DbError(PostgresEngine::lostText(m_db), m_sql);
        throw DbError(error, m_sql);
    }
}

void Db::Statement::execute(const QVariantList &values)
{
    ServerWait::Deadline deadline(m_db);
    run(values);
    m_query.finish();
}

bool Db::Statement::exists(const QVariantList &values)
{
    ServerWait::Deadline deadline(m_db);
    run(values);
    const bool found = m_query.next();
    if (!found)
        walked(m_query, m_sql, m_db);
    m_query.finish();
    return found;
}

QVariant Db::Statement::value(const QVariantList &values)
{
    ServerWait::Deadline deadline(m_db);
    run(values);
    QVariant v;
    if (m_query.next())
        v = m_query.value(0);
    else
        walked(m_query, m_sql, m_db);
    m_query.finish();
    return v;
}

QList<QVariantList> Db::Statement::valueRows(const QVariantList &values)
{
    ServerWait::Deadline deadline(m_db);
    run(values);
    QList<QVariantList> out;
    const int columns = m_query.record().count();
    while (m_query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << m_query.value(i);
        out << row;
    }
    walked(m_query, m_sql, m_db);
    m_query.finish();
    return out;
}

QList<QSqlRecord> Db::rows(const QString &sql, const QVariantList &params, const QSqlDatabase &db)
{
    QSqlQuery &q = runCached(sql, params, db);
    ServerWait::Deadline deadline(db);
    QList<QSqlRecord> out;
    const QSqlRecord named = fields(q, sql);
    while (q.next()) {
        QSqlRecord r = named;
        for (int i = 0; i < r.count(); ++i)
            r.setValue(i, q.value(i));
        out.append(r);
    }
    walked(q, sql, db);
    q.finish();
    return out;
}

QList<QVariantList> Db::valueRows(const QString &sql, const QVariantList &params, QSqlRecord *fields,
                                  const QString &namesIn, const QSqlDatabase &db)
{
    QSqlQuery &q = runCached(sql, params, db);
    ServerWait::Deadline deadline(db);
    if (fields)
        *fields = Db::fields(q, namesIn.isEmpty() ? sql : namesIn);
    const int columns = q.record().count();
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(q.value(c));
        out.append(row);
    }
    walked(q, sql, db);
    q.finish();
    return out;
}

std::optional<QSqlRecord> Db::firstRow(const QString &sql, const QVariantList &params,
                                       const QSqlDatabase &db)
{
    QSqlQuery &q = runCached(sql, params, db);
    ServerWait::Deadline deadline(db);
    std::optional<QSqlRecord> out;
    if (q.next()) {
        QSqlRecord r = fields(q, sql);
        for (int i = 0; i < r.count(); ++i)
            r.setValue(i, q.value(i));
        out = r;
    } else {
        walked(q, sql, db);
    }
    q.finish();
    return out;
}

QVariant Db::scalar(const QString &sql, const QVariantList &params, const QSqlDatabase &db)
{
    QSqlQuery &q = runCached(sql, params, db);
    ServerWait::Deadline deadline(db);
    QVariant out;
    if (q.next())
        out = q.value(0);
    else
        walked(q, sql, db);
    q.finish();
    return out;
}

qint64 Db::insert(const QString &sql, const QVariantList &params, const QString &keyColumn, const QSqlDatabase &db)
{
    // RETURNING on both engines: a server tells no last row id.
    const QVariant key = scalar(sql + QStringLiteral(" RETURNING ") + keyColumn, params, db);
    if (!key.isValid())
        throw DbError(QStringLiteral("Базата данни не върна номера на новия запис."), sql);
    return key.toLongLong();
}

int Db::execute(const QString &sql, const QVariantList &params, const QSqlDatabase &db)
{
    QSqlQuery &q = runCached(sql, params, db);
    ServerWait::Deadline deadline(db);
    const int n = q.numRowsAffected();
    q.finish();
    return n;
}

bool Db::tableExists(const QString &table, const QSqlDatabase &db)
{
    if (engine(db) == Engine::Postgres)
        return PostgresEngine::tableExists(table, db);
    return scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND "
                                 "UPPER(name)=UPPER(?)"),
                  {table}, db)
               .toInt()
           > 0;
}

QSqlRecord Db::tableColumns(const QString &table, const QSqlDatabase &db)
{
    if (engine(db) == Engine::Sqlite)
        return db.record(table);
    QSqlRecord out;
    for (const QSqlRecord &r : rows(QStringLiteral("SELECT column_name FROM information_schema.columns WHERE "
                                                   "table_schema = current_schema() AND table_name = LOWER(?) AND "
                                                   "column_name <> 'rowid' ORDER BY ordinal_position"),
                                    {table}, db)) {
        const QString name = r.value(0).toString();
        out.append(QSqlField(spellings().value(name, name)));
    }
    return out;
}

QString Db::likeEscape(const QString &typed)
{
    QString out;
    out.reserve(typed.size());
    for (QChar c : typed) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out.append(QLatin1Char('\\'));
        out.append(c);
    }
    return out;
}

QString Db::likeContains(const QString &typed)
{
    return QLatin1Char('%') + likeEscape(typed) + QLatin1Char('%');
}

QString Db::likeStartsWith(const QString &typed)
{
    return likeEscape(typed) + QLatin1Char('%');
}

QString Db::rowNumberTerm(const QString &table)
{
    return engine() == Engine::Sqlite ? table + QStringLiteral(".rowid") : QString();
}

QString Db::filterOnly(const QString &column)
{
    return engine() == Engine::Sqlite ? QLatin1Char('+') + column : column;
}

QString Db::leadingInteger(const QString &column)
{
    if (engine() == Engine::Sqlite)
        return QStringLiteral("CAST(%1 AS INTEGER)").arg(column);
    // At most 18 digits: every such number fits a BIGINT.
    return QStringLiteral("CAST(substring(%1 from '^\\s*([+-]{0,1}[0-9]{1,18})') AS BIGINT)").arg(column);
}

QString Db::upper(const QString &text)
{
    return text.toUpper();
}

namespace {
// The typed text as one phrase of the name index.
QString ftsPhrase(QString folded)
{
    folded.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + folded + QLatin1Char('"');
}
} // namespace

Db::Condition Db::codeInAnyCase(const QString &column, const QString &typed)
{
    // A code already in upper case keeps no copy: it is found by its own index.
    return {QStringLiteral("(%1 = UPPER(?) OR %1_Up = UPPER(?))").arg(column), {typed, typed}};
}

Db::Condition Db::articleName(const QString &article, const QString &typed, NameMatch match, bool inNameOrder)
{
    Condition c;
    c.sql = QStringLiteral("UPPER(%1.Opisanie) LIKE UPPER(?) ESCAPE '\\'").arg(article);
    c.params << (match == NameMatch::Contains ? likeContains(typed) : likeEscape(typed));
    const QString folded = upper(typed);
    if (match == NameMatch::Contains && folded.toUcs4().size() < 3) {
        c.many = true; // too short for the index: any order is read with it
        return c;
    }
    // A list in name order on a server is one statement the server plans
    // from its own statistics: the trigram index or the names' order. The
    // count would cost two round trips and a sample of the names.
    if (engine() == Engine::Postgres && inNameOrder)
        return c;
    // A part found in a good share of the names ("гр." is in all of them):
    // the index would hand every one over before the first page shows; a
    // list read along its order's index meets a page of them within a few
    // rows per hit. Counted up to that share, never further.
    if (match == NameMatch::Contains) {
        const qint64 articles = scalar(QStringLiteral("SELECT COALESCE(SUM(Broi), 0) FROM Produkti_Broi")).toLongLong();
        const qint64 share = qMax<qint64>(ManyNames, articles / (inNameOrder ? 250 : 50));
        if (engine() == Engine::Postgres) {
            // A catalogue of up to SampledNames articles is read whole: the
            // hits are then counted, not estimated.
            const double percent = articles <= SampledNames ? 100.0 : 100.0 * SampledNames / double(articles);
            const std::optional<QSqlRecord> r = firstRow(namesSampleSql(), {c.params.first(), percent});
            const qint64 sampled = r ? r->value(0).toLongLong() : 0;
            const qint64 hits = r ? r->value(1).toLongLong() : 0;
            c.many = percent >= 100.0 ? hits >= share : sampled > 0 && hits * articles >= share * sampled;
        } else {
            // The names the list reads first, in its own order: held by half
            // the share's proportion of them, the part gives a page along the
            // order within twice the rows the share would, and the name index
            // is not read for it. That index, its pieces spread over the
            // file, costs a read of the disk each after a start; the list's
            // first rows are read for its first page anyway.
            const qint64 leading = qMin(articles, LeadingNames);
            const qint64 hits =
                scalar(QStringLiteral("SELECT COUNT(*) FROM (SELECT %1.Opisanie FROM Produkti %1 ORDER BY %2 LIMIT ?) "
                                      "leading WHERE UPPER(leading.Opisanie) LIKE UPPER(?) ESCAPE '\\'")
                           .arg(article, inNameOrder ? QStringLiteral("%1.Opisanie, %1.ID").arg(article)
                                                     : article + QStringLiteral(".ID")),
                       {leading, c.params.first()})
                    .toLongLong();
            c.many = leading > 0 && 2 * hits * articles >= share * leading;
            // Else the name index counts the hits, up to the share.
            if (!c.many)
                c.many = scalar(QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 AS n FROM Produkti_Ime WHERE "
                                               "Produkti_Ime MATCH ? LIMIT ?) counted"),
                                {ftsPhrase(folded), share})
                             .toLongLong()
                         >= share;
        }
    }
    // On a server the trigram index on UPPER(Opisanie) serves this very
    // condition (pg_trgm), and shorter texts too.
    if (engine() == Engine::Postgres || c.many)
        return c;
    // The index holds every name upper-cased, split into runs of three
    // characters; it folds case one character at a time, so whatever UPPER
    // finds in a name it finds as well. Shorter texts have no run to look up.
    if (folded.toUcs4().size() < 3)
        return c;
    c.sql = QStringLiteral("%1.ID IN (SELECT rowid FROM Produkti_Ime WHERE Produkti_Ime MATCH ?) AND ").arg(article)
            + c.sql;
    c.params.prepend(ftsPhrase(folded));
    return c;
}

QString Db::namesSampleSql()
{
    return QStringLiteral("SELECT COUNT(*), COUNT(*) FILTER (WHERE UPPER(Produkti.Opisanie) LIKE UPPER(?) ESCAPE '\\') "
                          "FROM Produkti TABLESAMPLE SYSTEM (?) REPEATABLE (0)");
}

void Db::registerSpelling(const QString &identifier)
{
    spellings().insert(identifier.toLower(), identifier);
}

QStringList Db::spelledNames(const QStringList &names, const QString &sql)
{
    // The statement's own spelling first (its aliases), then the schema's.
    QHash<QString, QString> own;
    static const QRegularExpression word(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
    for (auto it = word.globalMatch(sql); it.hasNext();) {
        const QString w = it.next().captured();
        own.insert(w.toLower(), w);
    }
    QStringList out;
    out.reserve(names.size());
    for (const QString &name : names) {
        const QString lower = name.toLower();
        if (name != lower) {
            out << name; // quoted in the statement: spelled as it stands
            continue;
        }
        const QString spelled = own.value(lower);
        out << (spelled.isEmpty() ? spellings().value(lower, name) : spelled);
    }
    return out;
}

QSqlRecord Db::fields(const QSqlQuery &query, const QString &sql)
{
    QSqlRecord r = query.record();
    if (!query.driver() || query.driver()->dbmsType() != QSqlDriver::PostgreSQL)
        return r;
    QStringList names;
    for (int i = 0; i < r.count(); ++i)
        names << r.fieldName(i);
    names = spelledNames(names, sql);
    for (int i = 0; i < r.count(); ++i) {
        QSqlField f = r.field(i);
        f.setName(names.at(i));
        r.replace(i, f);
    }
    return r;
}
