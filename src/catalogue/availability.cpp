#include "catalogue/availability.h"

#include "catalogue/stock_writer.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "app/app_state.h"

#include <QStringList>

QString Availability::sql(const AvailabilityFilter &filter, QVariantList *params)
{
    params->clear();
    // The warehouse belongs to the join, not to WHERE: an article without a
    // stock row in that warehouse is still listed, with 0.
    QString text = QStringLiteral(
        "SELECT Produkti.ID, Produkti.Opisanie, COALESCE(SUM(Store_Kol.Kol), 0) AS All_Kol, "
        "Produkti.Mqrka FROM Produkti LEFT JOIN Store_Kol ON Store_Kol.Art_ID = Produkti.ID");
    if (filter.warehouse) {
        text += QStringLiteral(" AND Store_Kol.Sklad_ID = ?");
        params->append(*filter.warehouse);
    }
    QStringList where;
    if (filter.article) {
        where.append(QStringLiteral("Produkti.ID = ?"));
        params->append(*filter.article);
    }
    if (filter.group) {
        where.append(QStringLiteral("Produkti.Nomer_Grupa = ?"));
        params->append(*filter.group);
    }
    if (!where.isEmpty())
        text += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    text += QStringLiteral(" GROUP BY Produkti.ID, Produkti.Opisanie, Produkti.Mqrka ORDER BY Produkti.ID");
    return text;
}

QString Availability::articleText(long long id)
{
    if (id > 0) {
        try {
            const QVariant name =
                Db::scalar(QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = ?"), {id});
            if (name.isValid())
                return ReferenceText::make(id, name.toString());
        } catch (const DbError &) {
        }
    }
    return QString::fromUtf8(NoArticleText);
}

QString Availability::groupText(long long id)
{
    if (id > 0) {
        try {
            // The group table comes with the catalogue; until then only the number is known.
            if (Db::tableExists(QStringLiteral("Grupi"))) {
                const QVariant name =
                    Db::scalar(QStringLiteral("SELECT Opisanie FROM Grupi WHERE ID = ?"), {id});
                if (name.isValid())
                    return ReferenceText::make(id, name.toString());
            }
        } catch (const DbError &) {
        }
    }
    return QString::fromUtf8(NoGroupText);
}

AvailabilityList::AvailabilityList(QObject *parent)
    : SqlListModel(parent)
{
    setHeaderTitle(QStringLiteral("ID"), QStringLiteral("Арт. N"));
    setHeaderTitle(QStringLiteral("Opisanie"), QStringLiteral("Описание"));
    setHeaderTitle(QStringLiteral("All_Kol"), QStringLiteral("Нал. кол."));
    setHeaderTitle(QStringLiteral("Mqrka"), QStringLiteral("Мярка"));
}

void AvailabilityList::search(const AvailabilityFilter &filter)
{
    QVariantList params;
    const QString text = Availability::sql(filter, &params);
    setQuery(text, params);
}

QVariant AvailabilityList::data(const QModelIndex &index, int role) const
{
    const bool quantity = index.isValid() && index.column() == fieldIndex(QStringLiteral("All_Kol"));
    if (quantity && role == Qt::DisplayRole) {
        // The stock of several warehouses summed by the database, read by its decimal value.
        return StockQuantity::text(Decimal::fromVariant(SqlListModel::data(index, Qt::EditRole)));
    }
    if (quantity && role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return SqlListModel::data(index, role);
}
