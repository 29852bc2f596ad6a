#pragma once
#include <QString>
#include <QtGlobal>

#include <atomic>

// What one typed query may hold, counted as it grows: memory (the rows it
// keeps, the row it is reading and, on SQLite, the engine's own memory for
// its statement) and, on SQLite, the temporary files its statement writes.
// Only platform/db uses it.
namespace QueryBudget {
class Memory
{
public:
    explicit Memory(qint64 limit)
        : m_limit(limit)
    {
    }
    Memory(const Memory &) = delete;
    Memory &operator=(const Memory &) = delete;

    // Adds `bytes`; false, with nothing added, when that passes the limit.
    bool charge(qint64 bytes);
    // Adds `bytes` whatever the limit: what has come already.
    void add(qint64 bytes);
    void release(qint64 bytes) { m_held.fetch_sub(bytes, std::memory_order_relaxed); }
    qint64 held() const { return m_held.load(std::memory_order_relaxed); }
    qint64 peak() const { return m_peak.load(std::memory_order_relaxed); }
    qint64 limit() const { return m_limit; }
    bool refused() const { return m_refused.load(std::memory_order_relaxed); }

private:
    void notePeak(qint64 now);

    const qint64 m_limit;
    std::atomic<qint64> m_held{0};
    std::atomic<qint64> m_peak{0};
    std::atomic<bool> m_refused{false};
};

// Temporary files in `folder`: at most `limit` bytes together, and none
// that leaves less than `keepFree` bytes free on the folder's disk.
class Disk
{
public:
    enum class Refusal { None, Size, Room };
    Disk(const QString &folder, qint64 limit, qint64 keepFree);

    bool grow(qint64 bytes); // false, with nothing added, when refused
    void shrink(qint64 bytes) { m_held.fetch_sub(bytes, std::memory_order_relaxed); }
    Refusal refusal() const { return m_refusal.load(std::memory_order_relaxed); }
    const QString &folder() const { return m_folder; }
    const QByteArray &encodedFolder() const { return m_encoded; }
    // Free room on the folder's disk would stay at `keepFree` or more after `bytes` more.
    bool roomFor(qint64 bytes) const;

private:
    const QString m_folder;
    const QByteArray m_encoded;
    const qint64 m_limit;
    const qint64 m_keepFree;
    std::atomic<qint64> m_held{0};
    std::atomic<qint64> m_lookedAt{0}; // the size at the last look at the free room
    std::atomic<Refusal> m_refusal{Refusal::None};
};

// SQLite's allocations made on a thread inside a SqliteScope count against
// its Memory (a block knows whose it is, whichever thread frees it). Called
// once before the engine's first use; false when it was in use already.
bool installSqliteCounting();

// While it lives, what SQLite allocates on this thread counts against
// `memory`, and the temporary files of connections opened through
// sqliteVfs() go to the folder of `disk` within its bounds (either may be null).
class SqliteScope
{
public:
    SqliteScope(Memory *memory, Disk *disk);
    ~SqliteScope();
    SqliteScope(const SqliteScope &) = delete;
    SqliteScope &operator=(const SqliteScope &) = delete;

private:
    Memory *m_memory;
    Disk *m_disk;
};

// The name of the VFS that puts a scope's temporary files under its Disk.
const char *sqliteVfs();

// A Memory that SQLite blocks may still name after its query: made by
// adopt(), deleted by retire() when nothing is held, else kept for good.
Memory *adopt(qint64 limit);
void retire(Memory *memory);
} // namespace QueryBudget
