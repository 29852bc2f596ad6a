#include "shell/operator_login.h"

#include "common/passwords.h"
#include "platform/db/database.h"

std::optional<OperatorRecord> OperatorLogin::check(const QString &name, const QString &password)
{
    if (name.isEmpty())
        return std::nullopt;
    const auto row = Db::firstRow(QStringLiteral("SELECT ID, Ime, Par, Prava FROM Operators WHERE Ime = ?"),
                                  {name});
    if (!row || !Passwords::verify(password, row->value(QStringLiteral("Par")).toString()))
        return std::nullopt;
    OperatorRecord r;
    r.id = row->value(QStringLiteral("ID")).toLongLong();
    r.name = row->value(QStringLiteral("Ime")).toString();
    r.rights = row->value(QStringLiteral("Prava")).toString();
    return r;
}

QStringList OperatorLogin::names()
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Ime FROM Operators ORDER BY ID")))
        out.append(r.value(0).toString());
    return out;
}
