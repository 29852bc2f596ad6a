#include "counterparties/places.h"

#include "platform/db/database.h"

namespace {
QStringList names(const QString &where, const QVariantList &params)
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Opisanie FROM Grad") + where
                                            + QStringLiteral(" ORDER BY Opisanie, ID"),
                                        params))
        out << r.value(0).toString();
    return out;
}
} // namespace

QStringList Places::byName(const QString &text)
{
    return names(QStringLiteral(" WHERE UPPER(Opisanie) LIKE UPPER(?) ESCAPE '\\'"), {Db::likeContains(text)});
}

QStringList Places::all()
{
    return names(QString(), {});
}

std::optional<QStringList> Places::byCode(const QString &text)
{
    if (text.startsWith(QLatin1Char('+')))
        return names(QStringLiteral(" WHERE TK LIKE ? ESCAPE '\\'"), {Db::likeContains(text.mid(1).trimmed())});
    if (text.startsWith(QLatin1Char('-')))
        return names(QStringLiteral(" WHERE PK LIKE ? ESCAPE '\\'"), {Db::likeContains(text.mid(1).trimmed())});
    return std::nullopt;
}

std::optional<Places::Place> Places::read(long long id)
{
    const auto r = Db::firstRow(QStringLiteral("SELECT ID, Opisanie, PK, TK FROM Grad WHERE ID = ?"), {id});
    if (!r)
        return std::nullopt;
    return Place{r->value(0).toLongLong(), r->value(1).toString(), r->value(2).toString(), r->value(3).toString()};
}

QList<long long> Places::keys()
{
    QList<long long> out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID FROM Grad ORDER BY ID")))
        out << r.value(0).toLongLong();
    return out;
}

long long Places::insert(const Place &p)
{
    return Db::insert(QStringLiteral("INSERT INTO Grad (Opisanie, PK, TK) VALUES (?, ?, ?)"), {p.Opisanie, p.PK, p.TK},
                      QStringLiteral("ID"));
}

void Places::update(const Place &p)
{
    if (Db::execute(QStringLiteral("UPDATE Grad SET Opisanie = ?, PK = ?, TK = ? WHERE ID = ?"),
                    {p.Opisanie, p.PK, p.TK, p.id})
        != 1)
        throw DbError(QStringLiteral("Населеното място вече не съществува"));
}

void Places::remove(long long id)
{
    Db::execute(QStringLiteral("DELETE FROM Grad WHERE ID = ?"), {id});
}
