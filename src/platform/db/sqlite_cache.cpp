#include "platform/db/sqlite_cache.h"

#include "platform/db/database.h"

#include <QSqlQuery>

namespace SqliteCache {

Sizes sizesFor(qint64 fileBytes)
{
    fileBytes = qMax<qint64>(fileBytes, 0);
    Sizes s;
    s.cacheKiB = qBound(DefaultCacheKiB, (fileBytes + 1023) / 1024, CacheBound / 1024);
    s.mapBytes = qMin(MapBound, 2 * fileBytes + MapRoom);
    return s;
}

QString apply(const QSqlDatabase &db, qint64 fileBytes)
{
    const Sizes s = sizesFor(fileBytes);
    // A pragma takes no bound value: both numbers come from the code above.
    QSqlQuery q(db);
    for (const QString &pragma : {QStringLiteral("PRAGMA main.cache_size = %1").arg(-s.cacheKiB),
                                  QStringLiteral("PRAGMA main.mmap_size = %1").arg(s.mapBytes)})
        if (!q.exec(pragma))
            return Db::errorText(q.lastError());
    return {};
}

} // namespace SqliteCache
