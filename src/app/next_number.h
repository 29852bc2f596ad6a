#pragma once
#include <QString>
#include <QVariant>

#include <functional>

// New record numbers: MAX(column) + 1, read and used inside one write
// transaction so two workstations never get the same number. Numbers are
// 64-bit; a number that cannot be read stops the insert.
namespace NextNumber {
// MAX(column) + 1 (1 for an empty table). Throws DbError when the table or
// column is unknown or the maximum is no whole number; never returns 0.
// Only inside a write transaction, whose lock keeps the number from another
// workstation until the insert commits: called outside one it throws DbError.
long long next(const QString &table, const QString &column);
// The same among the rows whose `keyColumn` is `key` (numbers that repeat
// under another key, such as a supplier's groups).
long long next(const QString &table, const QString &column, const QString &keyColumn, const QVariant &key);
// The number next() would give now, for a window to show before its save;
// the save takes its number under the lock (another workstation may have
// taken this one meanwhile).
long long proposed(const QString &table, const QString &column);

// Reads the next number and runs `insert` with it, inside the caller's
// WriteTransaction when one is open (joined through a savepoint), else in a
// transaction of its own that commits when `insert` returns. Returns the
// number used. When `insert` throws, its work is rolled back and the
// exception passes on.
long long insert(const QString &table, const QString &column,
                 const std::function<void(long long number)> &insert);
} // namespace NextNumber
