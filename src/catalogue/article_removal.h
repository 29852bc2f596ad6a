#pragma once
#include "platform/db/database.h"

#include <QList>
#include <QString>

// Deleting articles: the Produkti row with its barcodes and catalogue
// numbers, all in the caller's write transaction. An article that any other
// registered column names (a stock row, a sale, a discount rule) is not
// deleted.
namespace ArticleRemoval {
// Deletes one article inside an open write transaction. A non-empty text
// (naming the article) refuses; nothing of it is then deleted.
QString removeIn(long long id, const QString &name, const QSqlDatabase &db);
// Every article of a group, the same way; the first refusal stops.
QString removeGroupArticlesIn(long long group, const QSqlDatabase &db);

// One article in a transaction of its own ("" when deleted, else the refusal
// or failure, in Bulgarian).
QString remove(long long id, const QSqlDatabase &db = Db::connection());
} // namespace ArticleRemoval
