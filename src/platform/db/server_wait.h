#pragma once
#include <QSqlDatabase>

typedef struct pg_conn PGconn;

// The program's own limit on a server's answer (Db::Wait). A watchdog thread
// keeps the deadlines of the statements waiting now; when one passes, it
// shuts the statement's socket down, which ends libpq's wait at once with a
// broken connection. Only platform/db uses it.
namespace ServerWait {
// While it lives, the calling thread's statements on `conn` wait at most `ms`
// from its making. Scopes on one connection do not nest: an inner one adds
// nothing. No-op for a connection that is not open.
class Deadline
{
public:
    Deadline(PGconn *conn, int ms);
    // On a server connection, with the limit of the thread's work; nothing on SQLite.
    explicit Deadline(const QSqlDatabase &db);
    ~Deadline();
    Deadline(const Deadline &) = delete;
    Deadline &operator=(const Deadline &) = delete;

private:
    void arm(PGconn *conn, int ms);
    quint64 m_id = 0;
    PGconn *m_conn = nullptr;
};

// The connection's socket was shut down because its answer took too long.
bool cut(PGconn *conn);
bool cut(const QSqlDatabase &db);
// Before `conn` is closed (or opened again): its deadlines and its cut go.
void forget(PGconn *conn);
void forget(const QSqlDatabase &db);
// Any thread: the statement waiting on `conn` now is given up at once.
void giveUp(PGconn *conn);
} // namespace ServerWait
