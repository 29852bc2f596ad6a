#include "offers/task_assigner.h"

#include "common/reference_text.h"
#include "platform/db/database.h"

namespace {
QStringList items(const QString &where, const QVariantList &params)
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Ime_Firma FROM Firmi") + where
                                            + QStringLiteral(" ORDER BY ID"),
                                        params))
        out << ReferenceText::make(r.value(0).toLongLong(), r.value(1).toString());
    return out;
}

QStringList containing(const char *column, const QString &typed)
{
    return items(QStringLiteral(" WHERE UPPER(") + QLatin1String(column)
                     + QStringLiteral(") LIKE UPPER(?) ESCAPE '\\'"),
                 {Db::likeContains(typed)});
}
} // namespace

QStringList TaskAssigner::byName(const QString &typed)
{
    return containing("Ime_Firma", typed);
}

QStringList TaskAssigner::all()
{
    return items(QString(), {});
}

std::optional<QStringList> TaskAssigner::byCode(const QString &text)
{
    if (text.startsWith(QLatin1Char('+')))
        return containing("Danatchen_Nomer", text.mid(1));
    if (text.startsWith(QLatin1Char('-')))
        return containing("EIK", text.mid(1));
    return std::nullopt;
}
