#include "platform/db/transaction.h"

#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/server_wait.h"
#include "platform/db/sqlite_engine.h"

#include <QHash>

namespace {
QHash<QString, int> &depths()
{
    thread_local QHash<QString, int> d; // a connection lives in one thread
    return d;
}
} // namespace

WriteTransaction::WriteTransaction()
    : WriteTransaction(Db::connection())
{
}

WriteTransaction::WriteTransaction(const QSqlDatabase &db)
    : m_db(db)
    , m_name(db.connectionName())
{
    const int depth = depths().value(m_name, 0) + 1;
    if (depth > 1) {
        run(QStringLiteral("SAVEPOINT sp%1").arg(depth));
    } else if (Db::engine(m_db) == Db::Engine::Postgres) {
        // A connection that broke since the last statement is opened again
        // here: nothing of this transaction has run yet.
        QString why;
        if (PostgresEngine::lost(m_db) && !PostgresEngine::reconnect(m_db, &why))
            throw DbError(why, QStringLiteral("BEGIN"));
        try {
            m_serverTx = PostgresEngine::beginWrite(m_db);
        } catch (const DbError &) {
            // A server that did not answer was waited for long enough.
            if (!PostgresEngine::lost(m_db) || ServerWait::cut(m_db))
                throw;
            if (!PostgresEngine::reconnect(m_db, &why))
                throw DbError(why, QStringLiteral("BEGIN"));
            m_serverTx = PostgresEngine::beginWrite(m_db);
        }
    } else {
        SqliteEngine::beginWrite(m_db);
    }
    m_depth = depth;
    depths()[m_name] = depth;
}

WriteTransaction::~WriteTransaction()
{
    if (!m_done) {
        try {
            rollback();
        } catch (...) {
            // nothing more can be done in a destructor
        }
    }
}

void WriteTransaction::run(const QString &sql)
{
    Db::execute(sql, {}, m_db); // kept prepared, as every statement of a scan
}

void WriteTransaction::commit()
{
    if (m_done)
        return;
    if (m_depth == 1 && Db::engine(m_db) == Db::Engine::Postgres) {
        // A server's COMMIT that fails ends the transaction either way:
        // nothing is left to roll back.
        m_done = true;
        depths()[m_name] = 0;
        PostgresEngine::commitWrite(m_db, m_serverTx);
        return;
    }
    run(m_depth == 1 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE sp%1").arg(m_depth));
    m_done = true;
    depths()[m_name] = m_depth - 1;
}

void WriteTransaction::rollback()
{
    if (m_done)
        return;
    m_done = true;
    depths()[m_name] = m_depth - 1;
    // A server connection that broke took its transaction with it: nothing is
    // left to roll back, and no reconnect is waited for here.
    if (Db::engine(m_db) == Db::Engine::Postgres && PostgresEngine::lost(m_db))
        return;
    if (m_depth == 1) {
        run(QStringLiteral("ROLLBACK"));
    } else {
        run(QStringLiteral("ROLLBACK TO sp%1").arg(m_depth));
        run(QStringLiteral("RELEASE sp%1").arg(m_depth));
    }
}

bool WriteTransaction::anyOpen()
{
    for (int d : depths())
        if (d > 0)
            return true;
    return false;
}

bool WriteTransaction::isOpen(const QSqlDatabase &db)
{
    return depths().value(db.connectionName(), 0) > 0;
}
