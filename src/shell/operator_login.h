#pragma once
#include <QString>
#include <QStringList>

#include <optional>

// Operators: a row of Operators with its name, salted password hash and
// rights text.
struct OperatorRecord {
    long long id = 0;
    QString name;
    QString rights;
};

namespace OperatorLogin {
// The operator whose name is exactly `name` and whose stored hash verifies
// `password`; nothing otherwise. Throws DbError when the table cannot be read.
std::optional<OperatorRecord> check(const QString &name, const QString &password);
QStringList names(); // every operator, in the order they were added
} // namespace OperatorLogin
