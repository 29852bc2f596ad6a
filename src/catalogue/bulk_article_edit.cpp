#include "catalogue/bulk_article_edit.h"

#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QStringList>
#include <QVariant>

namespace {
// The columns in the order of the window's fields, with their values.
QList<std::pair<QString, QVariant>> assignments(const BulkArticleFields &f)
{
    QList<std::pair<QString, QVariant>> list;
    if (f.Dan_grup)
        list.append({QStringLiteral("Dan_grup"), *f.Dan_grup});
    if (f.Prigotvq_Se)
        list.append({QStringLiteral("Prigotvq_Se"), *f.Prigotvq_Se});
    if (f.Trajnost)
        list.append({QStringLiteral("Trajnost"), *f.Trajnost});
    if (f.Valuta_P)
        list.append({QStringLiteral("Valuta_P"), *f.Valuta_P});
    if (f.Mqrka)
        list.append({QStringLiteral("Mqrka"), *f.Mqrka});
    if (f.Min_Kol)
        list.append({QStringLiteral("Min_Kol"), *f.Min_Kol});
    if (f.Max_TO)
        list.append({QStringLiteral("Max_TO"), *f.Max_TO});
    if (f.Garancionen)
        list.append({QStringLiteral("Garancionen"), *f.Garancionen});
    if (f.Poredica)
        list.append({QStringLiteral("Poredica"), *f.Poredica});
    return list;
}
} // namespace

bool BulkArticleFields::isEmpty() const
{
    return assignments(*this).isEmpty();
}

QString BulkArticleEdit::setClause(const BulkArticleFields &fields)
{
    QStringList parts;
    for (const auto &a : assignments(fields))
        parts.append(a.first + QStringLiteral(" = ?"));
    return parts.join(QStringLiteral(", "));
}

int BulkArticleEdit::apply(const BulkArticleFields &fields, const QList<long long> &ids)
{
    const auto list = assignments(fields);
    if (list.isEmpty() || ids.isEmpty())
        return 0;
    QVariantList values;
    for (const auto &a : list)
        values.append(a.second);
    const QString sql = QStringLiteral("UPDATE Produkti SET ") + setClause(fields) + QStringLiteral(" WHERE ID = ?");
    WriteTransaction tx;
    for (long long id : ids) {
        QVariantList params = values;
        params.append(id);
        Db::execute(sql, params);
    }
    tx.commit();
    return int(ids.size());
}
