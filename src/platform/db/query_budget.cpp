#include "platform/db/query_budget.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <sqlite3.h>

#include <cstring>
#include <mutex>
#include <sys/statvfs.h>
#include <unistd.h>

namespace QueryBudget {
void Memory::notePeak(qint64 now)
{
    qint64 peak = m_peak.load(std::memory_order_relaxed);
    while (now > peak && !m_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

bool Memory::charge(qint64 bytes)
{
    const qint64 now = m_held.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    if (bytes > 0 && now > m_limit) {
        m_held.fetch_sub(bytes, std::memory_order_relaxed);
        m_refused.store(true, std::memory_order_relaxed);
        return false;
    }
    notePeak(now);
    return true;
}

void Memory::add(qint64 bytes)
{
    notePeak(m_held.fetch_add(bytes, std::memory_order_relaxed) + bytes);
}

Disk::Disk(const QString &folder, qint64 limit, qint64 keepFree)
    : m_folder(folder)
    , m_encoded(QFile::encodeName(folder))
    , m_limit(limit)
    , m_keepFree(keepFree)
{
}

bool Disk::roomFor(qint64 bytes) const
{
    struct statvfs fs;
    if (::statvfs(m_encoded.constData(), &fs) != 0)
        return true; // the write itself tells what is wrong
    return qint64(fs.f_bavail) * qint64(fs.f_frsize) - bytes >= m_keepFree;
}

bool Disk::grow(qint64 bytes)
{
    // The disk is looked at again after every few megabytes.
    constexpr qint64 LookEvery = 4 * 1024 * 1024;
    const qint64 now = m_held.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    Refusal refusal = Refusal::None;
    if (now > m_limit)
        refusal = Refusal::Size;
    else if (now - m_lookedAt.load(std::memory_order_relaxed) >= LookEvery || now == bytes) {
        m_lookedAt.store(now, std::memory_order_relaxed);
        if (!roomFor(bytes))
            refusal = Refusal::Room;
    }
    if (refusal == Refusal::None)
        return true;
    m_held.fetch_sub(bytes, std::memory_order_relaxed);
    m_refusal.store(refusal, std::memory_order_relaxed);
    return false;
}

Memory *adopt(qint64 limit)
{
    return new Memory(limit);
}

void retire(Memory *memory)
{
    if (!memory)
        return;
    if (memory->held() == 0) {
        delete memory;
        return;
    }
    // A block the engine keeps past its query (none is expected) still names it.
    static std::mutex mutex;
    static QList<Memory *> kept;
    std::lock_guard lock(mutex);
    kept.append(memory);
}
} // namespace QueryBudget

namespace {
using QueryBudget::Disk;
using QueryBudget::Memory;

thread_local Memory *t_memory = nullptr;
thread_local Disk *t_disk = nullptr;

// ---- SQLite's allocations, each with the Memory it counts against ----------

sqlite3_mem_methods g_engine; // SQLite's own allocator, under ours
constexpr int Head = 8;       // the owner before each block; keeps the engine's 8-byte alignment
static_assert(sizeof(Memory *) <= Head);

Memory *&ownerOf(void *raw)
{
    return *static_cast<Memory **>(raw);
}

void *countedMalloc(int n)
{
    void *raw = g_engine.xMalloc(n + Head);
    if (!raw)
        return nullptr;
    Memory *memory = t_memory;
    if (memory && !memory->charge(g_engine.xSize(raw))) {
        g_engine.xFree(raw);
        return nullptr;
    }
    ownerOf(raw) = memory;
    return static_cast<char *>(raw) + Head;
}

void countedFree(void *p)
{
    void *raw = static_cast<char *>(p) - Head;
    Memory *memory = ownerOf(raw);
    const int size = g_engine.xSize(raw);
    g_engine.xFree(raw);
    if (memory)
        memory->release(size);
}

void *countedRealloc(void *p, int n)
{
    void *raw = static_cast<char *>(p) - Head;
    Memory *was = ownerOf(raw);
    const int oldSize = g_engine.xSize(raw);
    // The grown block counts against the thread that grows it, both blocks while it moves.
    Memory *memory = t_memory;
    const qint64 wanted = g_engine.xRoundup(n + Head);
    if (memory && !memory->charge(wanted))
        return nullptr;
    void *grown = g_engine.xRealloc(raw, n + Head);
    if (!grown) {
        if (memory)
            memory->release(wanted);
        return nullptr;
    }
    if (memory)
        memory->release(wanted - g_engine.xSize(grown));
    if (was)
        was->release(oldSize);
    ownerOf(grown) = memory;
    return static_cast<char *>(grown) + Head;
}

int countedSize(void *p)
{
    return g_engine.xSize(static_cast<char *>(p) - Head) - Head;
}

int countedRoundup(int n)
{
    return g_engine.xRoundup(n + Head) - Head;
}

int countedInit(void *data)
{
    return g_engine.xInit(data);
}

void countedShutdown(void *data)
{
    g_engine.xShutdown(data);
}

// ---- Temporary files of a scope in its Disk's folder ----------------------

struct TempFile {
    sqlite3_file base;
    Disk *disk;
    sqlite3_int64 size; // as far as it was written
    char *path;         // the engine keeps the name it opened
    sqlite3_file *real() { return reinterpret_cast<sqlite3_file *>(this + 1); }
};
static_assert(sizeof(TempFile) % 8 == 0);

sqlite3_vfs *g_base = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_tempMethods;
std::atomic<quint64> g_tempCounter{0};

TempFile *temp(sqlite3_file *f)
{
    return reinterpret_cast<TempFile *>(f);
}

int tempClose(sqlite3_file *f)
{
    TempFile *t = temp(f);
    const int rc = t->real()->pMethods->xClose(t->real());
    t->disk->shrink(t->size);
    t->size = 0;
    sqlite3_free(t->path);
    t->path = nullptr;
    return rc;
}

int tempRead(sqlite3_file *f, void *buffer, int amount, sqlite3_int64 offset)
{
    return temp(f)->real()->pMethods->xRead(temp(f)->real(), buffer, amount, offset);
}

int tempWrite(sqlite3_file *f, const void *buffer, int amount, sqlite3_int64 offset)
{
    TempFile *t = temp(f);
    const sqlite3_int64 end = offset + amount;
    const sqlite3_int64 more = end > t->size ? end - t->size : 0;
    if (more && !t->disk->grow(more))
        return SQLITE_FULL;
    const int rc = t->real()->pMethods->xWrite(t->real(), buffer, amount, offset);
    if (rc != SQLITE_OK) {
        t->disk->shrink(more);
        return rc;
    }
    t->size += more;
    return rc;
}

int tempTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    TempFile *t = temp(f);
    const int rc = t->real()->pMethods->xTruncate(t->real(), size);
    if (rc == SQLITE_OK && size < t->size) {
        t->disk->shrink(t->size - size);
        t->size = size;
    }
    return rc;
}

int tempSync(sqlite3_file *f, int flags)
{
    return temp(f)->real()->pMethods->xSync(temp(f)->real(), flags);
}

int tempFileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    return temp(f)->real()->pMethods->xFileSize(temp(f)->real(), size);
}

int tempLock(sqlite3_file *f, int lock)
{
    return temp(f)->real()->pMethods->xLock(temp(f)->real(), lock);
}

int tempUnlock(sqlite3_file *f, int lock)
{
    return temp(f)->real()->pMethods->xUnlock(temp(f)->real(), lock);
}

int tempCheckReservedLock(sqlite3_file *f, int *out)
{
    return temp(f)->real()->pMethods->xCheckReservedLock(temp(f)->real(), out);
}

int tempFileControl(sqlite3_file *f, int op, void *arg)
{
    return temp(f)->real()->pMethods->xFileControl(temp(f)->real(), op, arg);
}

int tempSectorSize(sqlite3_file *f)
{
    return temp(f)->real()->pMethods->xSectorSize(temp(f)->real());
}

int tempDeviceCharacteristics(sqlite3_file *f)
{
    return temp(f)->real()->pMethods->xDeviceCharacteristics(temp(f)->real());
}

// A temporary file (no name) of a scope with a Disk is made in its folder,
// private and gone from the folder at once; every other file is the base VFS's.
int vfsOpen(sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    Disk *disk = t_disk;
    if (name || !disk)
        return g_base->xOpen(g_base, name, file, flags, outFlags);
    TempFile *t = temp(file);
    t->base.pMethods = nullptr;
    const QByteArray path = disk->encodedFolder() + "/query-temp-" + QByteArray::number(qint64(::getpid())) + '-'
                            + QByteArray::number(g_tempCounter.fetch_add(1));
    // Ended by two zeros, as the engine's own names are.
    t->path = static_cast<char *>(sqlite3_malloc(int(path.size()) + 2));
    if (!t->path)
        return SQLITE_NOMEM;
    std::memcpy(t->path, path.constData(), size_t(path.size()));
    t->path[path.size()] = t->path[path.size() + 1] = '\0';
    t->disk = disk;
    t->size = 0;
    const int rc = g_base->xOpen(g_base, t->path, t->real(), flags | SQLITE_OPEN_DELETEONCLOSE, outFlags);
    if (rc != SQLITE_OK) {
        sqlite3_free(t->path);
        t->path = nullptr;
        return rc;
    }
    t->base.pMethods = &g_tempMethods;
    return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs *, const char *name, int sync)
{
    return g_base->xDelete(g_base, name, sync);
}

int vfsAccess(sqlite3_vfs *, const char *name, int flags, int *out)
{
    return g_base->xAccess(g_base, name, flags, out);
}

int vfsFullPathname(sqlite3_vfs *, const char *name, int size, char *out)
{
    return g_base->xFullPathname(g_base, name, size, out);
}

void *vfsDlOpen(sqlite3_vfs *, const char *name)
{
    return g_base->xDlOpen(g_base, name);
}

void vfsDlError(sqlite3_vfs *, int size, char *out)
{
    g_base->xDlError(g_base, size, out);
}

void (*vfsDlSym(sqlite3_vfs *, void *handle, const char *symbol))(void)
{
    return g_base->xDlSym(g_base, handle, symbol);
}

void vfsDlClose(sqlite3_vfs *, void *handle)
{
    g_base->xDlClose(g_base, handle);
}

int vfsRandomness(sqlite3_vfs *, int size, char *out)
{
    return g_base->xRandomness(g_base, size, out);
}

int vfsSleep(sqlite3_vfs *, int microseconds)
{
    return g_base->xSleep(g_base, microseconds);
}

int vfsCurrentTime(sqlite3_vfs *, double *out)
{
    return g_base->xCurrentTime(g_base, out);
}

int vfsGetLastError(sqlite3_vfs *, int size, char *out)
{
    return g_base->xGetLastError ? g_base->xGetLastError(g_base, size, out) : 0;
}

int vfsCurrentTimeInt64(sqlite3_vfs *, sqlite3_int64 *out)
{
    if (g_base->iVersion >= 2 && g_base->xCurrentTimeInt64)
        return g_base->xCurrentTimeInt64(g_base, out);
    double now = 0;
    const int rc = g_base->xCurrentTime(g_base, &now);
    *out = sqlite3_int64(now * 86400000.0);
    return rc;
}
} // namespace

bool QueryBudget::installSqliteCounting()
{
    if (sqlite3_config(SQLITE_CONFIG_GETMALLOC, &g_engine) != SQLITE_OK)
        return false;
    static const sqlite3_mem_methods counted{countedMalloc, countedFree,     countedRealloc,  countedSize,
                                             countedRoundup, countedInit, countedShutdown, nullptr};
    if (sqlite3_config(SQLITE_CONFIG_MALLOC, &counted) == SQLITE_OK)
        return true;
    std::memset(&g_engine, 0, sizeof g_engine);
    return false;
}

QueryBudget::SqliteScope::SqliteScope(Memory *memory, Disk *disk)
    : m_memory(t_memory)
    , m_disk(t_disk)
{
    // Without our allocator a block would carry no owner: nothing is counted then.
    if (g_engine.xMalloc)
        t_memory = memory;
    t_disk = disk;
}

QueryBudget::SqliteScope::~SqliteScope()
{
    t_memory = m_memory;
    t_disk = m_disk;
}

const char *QueryBudget::sqliteVfs()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        g_base = sqlite3_vfs_find(nullptr);
        g_vfs = sqlite3_vfs{};
        g_vfs.iVersion = 2;
        g_vfs.szOsFile = int(sizeof(TempFile)) + g_base->szOsFile;
        g_vfs.mxPathname = g_base->mxPathname;
        g_vfs.zName = "ventaros-typed-query";
        g_vfs.xOpen = vfsOpen;
        g_vfs.xDelete = vfsDelete;
        g_vfs.xAccess = vfsAccess;
        g_vfs.xFullPathname = vfsFullPathname;
        g_vfs.xDlOpen = vfsDlOpen;
        g_vfs.xDlError = vfsDlError;
        g_vfs.xDlSym = vfsDlSym;
        g_vfs.xDlClose = vfsDlClose;
        g_vfs.xRandomness = vfsRandomness;
        g_vfs.xSleep = vfsSleep;
        g_vfs.xCurrentTime = vfsCurrentTime;
        g_vfs.xGetLastError = vfsGetLastError;
        g_vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
        g_tempMethods = sqlite3_io_methods{};
        g_tempMethods.iVersion = 1; // no memory map of a temporary file
        g_tempMethods.xClose = tempClose;
        g_tempMethods.xRead = tempRead;
        g_tempMethods.xWrite = tempWrite;
        g_tempMethods.xTruncate = tempTruncate;
        g_tempMethods.xSync = tempSync;
        g_tempMethods.xFileSize = tempFileSize;
        g_tempMethods.xLock = tempLock;
        g_tempMethods.xUnlock = tempUnlock;
        g_tempMethods.xCheckReservedLock = tempCheckReservedLock;
        g_tempMethods.xFileControl = tempFileControl;
        g_tempMethods.xSectorSize = tempSectorSize;
        g_tempMethods.xDeviceCharacteristics = tempDeviceCharacteristics;
        sqlite3_vfs_register(&g_vfs, 0);
    });
    return g_vfs.zName;
}
