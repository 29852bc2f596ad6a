#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>

// The page cache and the memory map of a SQLite database, sized for its file
// when the connection opens it. With SQLite's own 2 MB cache and no map, a
// search after the system's cache lost the file reads it a page per call,
// and a walk over more than 2 MB reads the same pages again on the next
// search. Mapped, a page read faults in its neighbours with it and none is
// copied; the cache keeps the pages beyond the map and those being written.
namespace SqliteCache {
inline constexpr qint64 MiB = 1024 * 1024;
inline constexpr qint64 DefaultCacheKiB = 2000; // SQLite's own
inline constexpr qint64 CacheBound = 256 * MiB; // the memory a cache may take
inline constexpr qint64 MapRoom = 64 * MiB;
inline constexpr qint64 MapBound = 0x7fff0000; // the ceiling of SQLite's Linux builds

struct Sizes {
    qint64 cacheKiB = 0; // PRAGMA cache_size = -cacheKiB
    qint64 mapBytes = 0; // PRAGMA mmap_size
};
// The cache as large as the file, between SQLite's default and the bound;
// the map the file and as much again to grow into, and MapRoom more.
Sizes sizesFor(qint64 fileBytes);
// Sets them on the main database of `db`, just opened on a file of
// `fileBytes`; the engine's refusal in Bulgarian, or nothing.
QString apply(const QSqlDatabase &db, qint64 fileBytes);
} // namespace SqliteCache
