#include "catalogue/article_list.h"

#include "app/app_state.h"
#include "app/money_columns.h"
#include "catalogue/stock_writer.h"
#include "common/money.h"
#include "platform/db/database.h"
#include "platform/row_drag.h"

#include <QHash>

#include <algorithm>

namespace {
const int kStandard = 8;
}

ArticleList::ArticleList(QObject *parent)
    : PagedListModel(parent)
{
    MoneyColumns::prices(this, {"Ed_Cena"});
    // A painted cell asks for its column's field many times over.
    connect(this, &QAbstractItemModel::modelReset, this, [this] {
        m_sources.clear();
        for (int c = 0; c < columnCount(); ++c)
            m_sources << fieldIndex(fieldOf(c));
    });
}

QStringList ArticleList::orderFields() const
{
    // Fields come from the grid's columns and are checked against the list.
    const QString f = m_orderField;
    if (f.isEmpty() || f.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
        return {QStringLiteral("ID")};
    // A group's articles stay together when two groups share a name.
    if (f == QLatin1String("Grupa_Opis"))
        return {f, QStringLiteral("ID_Grupa"), QStringLiteral("ID")};
    return {f, QStringLiteral("ID")};
}

QString ArticleList::orderClause() const
{
    QStringList terms = orderFields();
    if (m_descending)
        for (QString &t : terms)
            t += QStringLiteral(" DESC");
    return QStringLiteral(" ORDER BY ") + terms.join(QStringLiteral(", "));
}

bool ArticleList::byIndex() const
{
    // The catalogue's indexes order every article by each column; a group's
    // articles only by number (its group columns are the same on every row).
    static const QStringList groupOrders{QStringLiteral("ID"), QStringLiteral("ID_Grupa"),
                                         QStringLiteral("Grupa_Opis")};
    return m_query.node && (m_query.wholeCatalogue || groupOrders.contains(orderFields().first()));
}

KeysetList ArticleList::keysetList() const
{
    KeysetList k;
    k.select = m_query.select;
    k.from = m_query.from;
    k.where = m_query.where;
    k.params = m_query.params;
    k.descending = m_descending;
    if (m_orderField == QLatin1String("Grupa_Opis")) {
        k.order = {{QStringLiteral("Grupi.Opisanie"), QStringLiteral("Grupa_Opis")},
                   {QStringLiteral("Grupi.ID"), QStringLiteral("ID_Grupa")},
                   {QStringLiteral("Produkti.ID"), QStringLiteral("ID")}};
        k.groupTerms = 2;
        // SQLite loops over a cross join's tables in the order written: the
        // step to the next group walks the groups, so a filter on the
        // articles cannot make it a sort of every article the filter meets.
        if (k.from == ArticleSearch::articlesFrom()) {
            k.stepFrom = QStringLiteral(" FROM Grupi CROSS JOIN Produkti");
            k.where = QStringLiteral("Grupi.ID = Produkti.Nomer_Grupa")
                      + (k.where.isEmpty() ? QString() : QStringLiteral(" AND (") + k.where + QLatin1Char(')'));
        }
        return k;
    }
    // The group number is the article's own.
    for (const QString &field : orderFields())
        k.order << KeysetList::Term{field == QLatin1String("ID_Grupa") ? QStringLiteral("Produkti.Nomer_Grupa")
                                                                        : QStringLiteral("Produkti.") + field,
                                    field};
    return k;
}

ArticleSearch::ListQuery ArticleList::orderedQuery() const
{
    ArticleSearch::ListQuery q = m_query;
    q.sql = QStringLiteral("SELECT * FROM (%1) listed").arg(m_query.sql) + orderClause();
    return q;
}

void ArticleList::load()
{
    // In the group order the filter goes with each step from group to group.
    if (m_query.alongOrder) {
        setGrowingKeysetQuery(keysetList());
        return;
    }
    if (byIndex()) {
        setKeysetQuery(keysetList(), m_query.countSql.isEmpty()
                                         ? std::nullopt
                                         : std::optional<qint64>(Db::scalar(m_query.countSql, m_query.params).toLongLong()));
        return;
    }
    const QString listed = QStringLiteral("SELECT %2 FROM (%1) listed").arg(m_query.sql);
    if (m_query.extra != ArticleSearch::Extra::Firm) {
        setKeyedQuery(listed.arg(QStringLiteral("ID")) + orderClause(), m_query.params,
                      m_query.select + m_query.from + QStringLiteral(" WHERE Produkti.ID IN (%1)"),
                      QStringLiteral("ID"));
        return;
    }
    const qint64 count =
        Db::scalar(QStringLiteral("SELECT COUNT(*) FROM (%1) counted").arg(m_query.sql), m_query.params).toLongLong();
    setQuery(listed.arg(QLatin1Char('*')) + orderClause(), m_query.params, count);
}

void ArticleList::run(const ArticleSearch::ListQuery &query)
{
    // The column set is read when the list resets, inside setQuery.
    const ArticleSearch::ListQuery before = m_query;
    const QString beforeOrder = m_orderField;
    const ArticleSearch::Extra beforeExtra = m_extra;
    m_query = query;
    m_orderField.clear();
    m_descending = false;
    m_extra = query.extra;
    try {
        load();
    } catch (...) {
        m_query = before;
        m_orderField = beforeOrder;
        m_extra = beforeExtra;
        throw;
    }
    // "Име на фирма" comes only with what the search found.
    if (m_extra == ArticleSearch::Extra::Firm && rowCount() == 0)
        dropExtraColumn();
}

void ArticleList::setOrder(const QString &field, bool descending)
{
    if (fieldIndex(field) < 0)
        throw DbError(QStringLiteral("Списъкът няма поле ") + field);
    const QString beforeField = m_orderField;
    const bool beforeDescending = m_descending;
    m_orderField = record().fieldName(fieldIndex(field));
    m_descending = descending;
    try {
        load();
    } catch (...) {
        m_orderField = beforeField;
        m_descending = beforeDescending;
        throw;
    }
}

void ArticleList::refresh()
{
    if (hasQuery())
        load();
}

int ArticleList::rowOfArticle(long long id) const
{
    if (!hasQuery())
        return -1;
    try {
        if (isKeyset())
            return rowWhere(QStringLiteral("Produkti.ID = ?"), {qlonglong(id)});
        if (isKeyed())
            return rowOfKey(qlonglong(id));
        // A counterparty-number search: a short list, numbered whole.
        const QVariant n = Db::scalar(
            QStringLiteral("SELECT MIN(n) FROM (SELECT ROW_NUMBER() OVER (%1) AS n, ID AS k FROM (%2) listed) "
                           "numbered WHERE k = ?")
                .arg(orderClause().mid(1), m_query.sql),
            m_query.params + QVariantList{qlonglong(id)});
        return n.isNull() ? -1 : n.toInt() - 1;
    } catch (const DbError &) {
        return -1;
    }
}

void ArticleList::dropExtraColumn()
{
    if (m_extra == ArticleSearch::Extra::None)
        return;
    beginResetModel();
    m_extra = ArticleSearch::Extra::None;
    endResetModel();
}

QString ArticleList::fieldOf(int column) const
{
    const auto &columns = ArticleSearch::columns();
    if (column >= 0 && column < columns.size())
        return QString::fromLatin1(columns.at(column).field);
    if (column == kStandard && m_extra == ArticleSearch::Extra::Firm)
        return QStringLiteral("Ime_Firma");
    if (column == kStandard && m_extra == ArticleSearch::Extra::Stock)
        return QStringLiteral("All_Kol");
    return {};
}

void ArticleList::setHighlightedColumn(int column)
{
    m_highlighted = column;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int ArticleList::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return kStandard + (m_extra == ArticleSearch::Extra::None ? 0 : 1);
}

QVariant ArticleList::data(const QModelIndex &index, int role) const
{
    // Of the roles a painted cell asks for, only these have an answer.
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::TextAlignmentRole))
        return {};
    const int source = m_sources.value(index.column(), -1);
    if (source < 0)
        return {};
    const bool stock = index.column() == kStandard && m_extra == ArticleSearch::Extra::Stock;
    if (role == Qt::TextAlignmentRole)
        return stock ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    const QVariant v = PagedListModel::data(createIndex(index.row(), source), role);
    if (role == Qt::DisplayRole && stock)
        return StockQuantity::text(Decimal::fromVariant(v));
    return v;
}

QVariant ArticleList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        if (section < kStandard)
            return QString::fromUtf8(ArticleSearch::columns().at(section).title);
        return m_extra == ArticleSearch::Extra::Firm ? QStringLiteral("Име на фирма") : QStringLiteral("Нал. кол.");
    }
    if (role == Qt::TextAlignmentRole && section == kStandard)
        return int(Qt::AlignCenter);
    return section == m_highlighted ? RowDrag::criterionTitle(role) : QVariant();
}

Qt::ItemFlags ArticleList::flags(const QModelIndex &index) const
{
    // Marked rows are dragged onto a group of the tree.
    return RowDrag::flags(index);
}

QStringList ArticleList::mimeTypes() const
{
    return {QString::fromLatin1(DragFormat)};
}

QList<long long> ArticleList::idsOf(const QList<int> &rows) const
{
    QList<long long> ids;
    try {
        for (const QSqlRecord &r : records(rows))
            ids << r.value(QStringLiteral("ID")).toLongLong();
    } catch (const DbError &) {
        return {};
    }
    return ids;
}

QMimeData *ArticleList::mimeData(const QModelIndexList &indexes) const
{
    // All marked rows of a long list are read in runs, not one page each.
    QList<int> rows;
    for (const QModelIndex &index : indexes)
        if (index.isValid())
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const QList<long long> ids = idsOf(rows);
    QHash<int, long long> idOfRow;
    for (int i = 0; i < rows.size() && i < ids.size(); ++i)
        idOfRow.insert(rows.at(i), ids.at(i));
    return RowDrag::mimeData(QString::fromLatin1(DragFormat), indexes,
                             [&idOfRow](int row) { return QString::number(idOfRow.value(row)); });
}

Qt::DropActions ArticleList::supportedDragActions() const
{
    return RowDrag::actions();
}
