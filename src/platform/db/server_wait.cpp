#include "platform/db/server_wait.h"

#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"

#include <libpq-fe.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {
struct WaitLimit {
    Db::Wait wait;
    int ms;
};
// One statement of a look-up or a save answers in milliseconds; an upgrade's
// statement may rebuild an index of every sale.
constexpr WaitLimit WaitLimits[] = {
    {Db::Wait::Statement, 15000},
    {Db::Wait::Bulk, 300000},
    {Db::Wait::Connect, 10000},
};
static_assert(WaitLimits[0].ms > Db::BusyTimeoutMs, "a statement waits out another workstation's write first");

std::atomic<int> shortened[std::size(WaitLimits)];

thread_local bool bulk = false;
} // namespace

int Db::waitLimitMs(Wait wait)
{
    for (size_t i = 0; i < std::size(WaitLimits); ++i)
        if (WaitLimits[i].wait == wait) {
            const int test = shortened[i].load();
            return test > 0 ? test : WaitLimits[i].ms;
        }
    return WaitLimits[0].ms;
}

void Db::setWaitLimitForTests(Wait wait, int ms)
{
    for (size_t i = 0; i < std::size(WaitLimits); ++i)
        if (WaitLimits[i].wait == wait)
            shortened[i].store(ms);
}

Db::BulkWait::BulkWait()
    : m_was(bulk)
{
    bulk = true;
}

Db::BulkWait::~BulkWait()
{
    bulk = m_was;
}

int Db::statementWaitMs()
{
    return waitLimitMs(bulk ? Wait::Bulk : Wait::Statement);
}

namespace {
using Clock = std::chrono::steady_clock;

// Lives as long as the process, its thread too.
class Watchdog
{
public:
    static Watchdog &instance()
    {
        static Watchdog *watchdog = new Watchdog;
        return *watchdog;
    }

    // `socket` is the watchdog's own copy of the connection's, closed here:
    // libpq may close its own at any moment, and the number be another's then.
    quint64 arm(PGconn *conn, int socket, Clock::time_point deadline)
    {
        std::lock_guard lock(m_mutex);
        const quint64 id = m_next++;
        m_armed.emplace(id, Armed{conn, socket, deadline});
        // Deadlines of one limit come in order: the thread wakes for the first only.
        if (deadline < m_sleepsUntil) {
            m_sleepsUntil = deadline;
            m_wake.notify_one();
        }
        return id;
    }

    void disarm(quint64 id)
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_armed.find(id);
        if (it == m_armed.end())
            return;
        ::close(it->second.socket);
        m_armed.erase(it);
    }

    bool cut(PGconn *conn)
    {
        std::lock_guard lock(m_mutex);
        return m_cut.count(conn) > 0;
    }

    void forget(PGconn *conn)
    {
        std::lock_guard lock(m_mutex);
        m_cut.erase(conn);
        std::erase_if(m_armed, [conn](const auto &a) {
            if (a.second.conn != conn)
                return false;
            ::close(a.second.socket);
            return true;
        });
    }

    void giveUp(PGconn *conn)
    {
        std::lock_guard lock(m_mutex);
        for (auto &a : m_armed)
            if (a.second.conn == conn)
                a.second.deadline = Clock::now();
        m_sleepsUntil = Clock::now();
        m_wake.notify_one();
    }

private:
    struct Armed {
        PGconn *conn;
        int socket;
        Clock::time_point deadline;
    };

    Watchdog()
    {
        std::thread([this] { watch(); }).detach();
    }

    void watch()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            const Clock::time_point now = Clock::now();
            Clock::time_point next = Clock::time_point::max();
            for (auto it = m_armed.begin(); it != m_armed.end();) {
                if (it->second.deadline <= now) {
                    ::shutdown(it->second.socket, SHUT_RDWR);
                    ::close(it->second.socket);
                    m_cut.insert(it->second.conn);
                    it = m_armed.erase(it);
                } else {
                    next = std::min(next, it->second.deadline);
                    ++it;
                }
            }
            m_sleepsUntil = next;
            if (next == Clock::time_point::max())
                m_wake.wait(lock);
            else
                m_wake.wait_until(lock, next);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<quint64, Armed> m_armed;
    std::set<PGconn *> m_cut;
    quint64 m_next = 1;
    Clock::time_point m_sleepsUntil = Clock::time_point::max();
};

// The connections this thread has a deadline on now.
thread_local std::set<PGconn *> armedHere;
} // namespace

ServerWait::Deadline::Deadline(PGconn *conn, int ms)
{
    arm(conn, ms);
}

ServerWait::Deadline::Deadline(const QSqlDatabase &db)
{
    if (Db::engine(db) == Db::Engine::Postgres)
        arm(PostgresEngine::handle(db), Db::statementWaitMs());
}

void ServerWait::Deadline::arm(PGconn *conn, int ms)
{
    if (!conn || PQstatus(conn) != CONNECTION_OK || PQsocket(conn) < 0 || armedHere.count(conn))
        return;
    const int socket = ::fcntl(PQsocket(conn), F_DUPFD_CLOEXEC, 0);
    if (socket < 0)
        return;
    m_conn = conn;
    m_id = Watchdog::instance().arm(conn, socket, Clock::now() + std::chrono::milliseconds(ms));
    armedHere.insert(conn);
}

ServerWait::Deadline::~Deadline()
{
    if (!m_id)
        return;
    Watchdog::instance().disarm(m_id);
    armedHere.erase(m_conn);
}

bool ServerWait::cut(PGconn *conn)
{
    return conn && Watchdog::instance().cut(conn);
}

bool ServerWait::cut(const QSqlDatabase &db)
{
    return Db::engine(db) == Db::Engine::Postgres && cut(PostgresEngine::handle(db));
}

void ServerWait::forget(PGconn *conn)
{
    if (!conn)
        return;
    Watchdog::instance().forget(conn);
    armedHere.erase(conn);
}

void ServerWait::forget(const QSqlDatabase &db)
{
    if (db.isValid() && Db::engine(db) == Db::Engine::Postgres)
        forget(PostgresEngine::handle(db));
}

void ServerWait::giveUp(PGconn *conn)
{
    if (conn)
        Watchdog::instance().giveUp(conn);
}
