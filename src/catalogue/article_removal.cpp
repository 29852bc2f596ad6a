#include "catalogue/article_removal.h"

#include "common/reference_text.h"
#include "platform/db/column_registry.h"
#include "platform/db/transaction.h"

namespace {
// Rows that go with the article.
const QStringList kCodeTables = {QStringLiteral("Barkodes"), QStringLiteral("Nomenklatures")};
} // namespace

QString ArticleRemoval::removeIn(long long id, const QString &name, const QSqlDatabase &db)
{
    const QString user = ColumnRegistry::referencedBy(QStringLiteral("Produkti"), QStringLiteral("ID"), id, db,
                                                      kCodeTables);
    if (!user.isEmpty())
        return QStringLiteral("Артикул %1 не може да бъде изтрит: използва се в таблица %2.")
            .arg(ReferenceText::make(id, name), user);
    for (const QString &table : kCodeTables)
        if (Db::tableExists(table, db))
            Db::execute(QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(table), {id}, db);
    Db::execute(QStringLiteral("DELETE FROM Produkti WHERE ID = ?"), {id}, db);
    return {};
}

QString ArticleRemoval::removeGroupArticlesIn(long long group, const QSqlDatabase &db)
{
    const QList<QSqlRecord> articles =
        Db::rows(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE Nomer_Grupa = ? ORDER BY ID"), {group}, db);
    for (const QSqlRecord &a : articles) {
        const QString refusal = removeIn(a.value(0).toLongLong(), a.value(1).toString(), db);
        if (!refusal.isEmpty())
            return refusal;
    }
    return {};
}

QString ArticleRemoval::remove(long long id, const QSqlDatabase &db)
{
    try {
        WriteTransaction tx(db);
        const auto row = Db::firstRow(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID = ?"), {id}, db);
        if (!row)
            return QStringLiteral("Артикулът вече не съществува.");
        const QString refusal = removeIn(id, row->value(1).toString(), db);
        if (!refusal.isEmpty())
            return refusal;
        tx.commit();
    } catch (const DbError &e) {
        return QStringLiteral("Артикулът не беше изтрит: грешка в базата данни.\n") + e.message();
    }
    return {};
}
