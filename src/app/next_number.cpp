#include "app/next_number.h"

#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "app/record_ops.h"

#include <QMetaType>

#include <cmath>
#include <limits>

namespace {
long long following(const QString &table, const QString &column, const QString &keyColumn, const QVariant &key)
{
    if (!IsSqlIdentifier(table) || !IsSqlIdentifier(column) || (!keyColumn.isEmpty() && !IsSqlIdentifier(keyColumn)))
        throw DbError(QStringLiteral("Невалидно име на таблица или колона: %1.%2").arg(table, column));
    QString sql = QStringLiteral("SELECT MAX(") + column + QStringLiteral(") AS MaxNumber FROM ") + table;
    if (!keyColumn.isEmpty())
        sql += QStringLiteral(" WHERE ") + keyColumn + QStringLiteral(" = ?");
    const QVariant max = keyColumn.isEmpty() ? Db::scalar(sql) : Db::scalar(sql, {key});
    if (max.isNull())
        return 1;
    long long value = 0;
    bool ok = false;
    switch (max.typeId()) {
    case QMetaType::Double: {
        const double d = max.toDouble();
        ok = std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e18;
        value = ok ? static_cast<long long>(d) : 0;
        break;
    }
    default:
        // Integers, and zero-padded numbers kept as text ("000041").
        value = max.toString().trimmed().toLongLong(&ok);
        break;
    }
    if (!ok || value < 0 || value == std::numeric_limits<long long>::max())
        throw DbError(QStringLiteral("Не може да се определи следващ номер на %1.%2 (максимум: %3)")
                          .arg(table, column, max.toString()),
                      sql);
    return value + 1;
}
} // namespace

namespace {
void underTheLock(const QString &table, const QString &column)
{
    if (!WriteTransaction::isOpen(Db::connection()))
        throw DbError(QStringLiteral("Номер на %1.%2 се взема само при запис.").arg(table, column));
}
} // namespace

long long NextNumber::next(const QString &table, const QString &column)
{
    underTheLock(table, column);
    return following(table, column, {}, {});
}

long long NextNumber::next(const QString &table, const QString &column, const QString &keyColumn, const QVariant &key)
{
    underTheLock(table, column);
    return following(table, column, keyColumn, key);
}

long long NextNumber::proposed(const QString &table, const QString &column)
{
    return following(table, column, {}, {});
}

long long NextNumber::insert(const QString &table, const QString &column,
                             const std::function<void(long long)> &insert)
{
    WriteTransaction transaction;
    const long long number = next(table, column);
    insert(number);
    transaction.commit();
    return number;
}
