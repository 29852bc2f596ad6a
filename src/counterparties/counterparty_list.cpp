#include "counterparties/counterparty_list.h"

#include "platform/db/database.h"
#include "platform/row_drag.h"

#include <QHash>

#include <algorithm>

CounterpartyList::CounterpartyList(QObject *parent)
    : PagedListModel(parent)
{
    // A painted cell asks for its column's field many times over.
    connect(this, &QAbstractItemModel::modelReset, this, [this] {
        m_sources.clear();
        for (int c = 0; c < columnCount(); ++c)
            m_sources << fieldIndex(fieldOf(c));
    });
}

void CounterpartyList::load()
{
    const QString order = m_order.isEmpty() ? m_query.order : m_order;
    const bool byNumber = order == QLatin1String("ID");
    // Every column of the register has its index (number last); a group's
    // index orders it by name.
    if (m_query.where.isEmpty() || (m_query.group && order == QLatin1String("Ime_Firma"))) {
        KeysetList k;
        k.select = QStringLiteral("SELECT *");
        k.from = QStringLiteral(" FROM Firmi");
        k.where = m_query.where;
        k.params = m_query.params;
        k.descending = m_descending;
        if (!byNumber)
            k.order << KeysetList::Term{QStringLiteral("Firmi.") + order, order};
        k.order << KeysetList::Term{QStringLiteral("Firmi.ID"), QStringLiteral("ID")};
        setKeysetQuery(k);
        return;
    }
    // What a condition finds is keyed once: the search has read the register anyway.
    const QString way = m_descending ? QStringLiteral(" DESC") : QString();
    setKeyedQuery(QStringLiteral("SELECT ID FROM Firmi WHERE ") + m_query.where + QStringLiteral(" ORDER BY ")
                      + (byNumber ? QString() : order + way + QStringLiteral(", ")) + QStringLiteral("ID") + way,
                  m_query.params, QStringLiteral("SELECT * FROM Firmi WHERE ID IN (%1)"), QStringLiteral("ID"));
}

void CounterpartyList::run(const CounterpartySearch::ListQuery &query)
{
    const CounterpartySearch::ListQuery before = m_query;
    const QString beforeOrder = m_order;
    const bool beforeDescending = m_descending, beforeLoaded = m_loaded;
    m_query = query;
    m_order.clear();
    m_descending = false;
    try {
        load();
    } catch (...) {
        m_query = before;
        m_order = beforeOrder;
        m_descending = beforeDescending;
        m_loaded = beforeLoaded;
        throw;
    }
    m_loaded = true;
}

void CounterpartyList::setOrder(const QString &field, bool descending)
{
    // Only a field of the grid's columns reaches the statement.
    const int column = CounterpartySearch::columnOfField(field);
    if (column < 0)
        throw DbError(QStringLiteral("Списъкът няма поле ") + field);
    const QString beforeOrder = m_order;
    const bool beforeDescending = m_descending;
    m_order = QString::fromLatin1(CounterpartySearch::columns().at(column).field);
    m_descending = descending;
    try {
        load();
    } catch (...) {
        m_order = beforeOrder;
        m_descending = beforeDescending;
        throw;
    }
}

void CounterpartyList::refresh()
{
    if (m_loaded)
        load();
}

int CounterpartyList::rowOfCounterparty(long long id) const
{
    if (!m_loaded)
        return -1;
    try {
        return isKeyed() ? rowOfKey(qlonglong(id)) : rowWhere(QStringLiteral("Firmi.ID = ?"), {qlonglong(id)});
    } catch (const DbError &) {
        return -1;
    }
}

QString CounterpartyList::fieldOf(int column) const
{
    const auto &columns = CounterpartySearch::columns();
    if (column < 0 || column >= columns.size())
        return {};
    return QString::fromLatin1(columns.at(column).field);
}

void CounterpartyList::setHighlightedColumn(int column)
{
    m_highlighted = column;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int CounterpartyList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(CounterpartySearch::columns().size());
}

QVariant CounterpartyList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int source = m_sources.value(index.column(), -1);
    if (source < 0)
        return {};
    return PagedListModel::data(createIndex(index.row(), source), role);
}

QVariant CounterpartyList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(CounterpartySearch::columns().at(section).title);
    return section == m_highlighted ? RowDrag::criterionTitle(role) : QVariant();
}

Qt::ItemFlags CounterpartyList::flags(const QModelIndex &index) const
{
    // Marked rows are dragged onto a group of the tree.
    return RowDrag::flags(index);
}

QStringList CounterpartyList::mimeTypes() const
{
    return {QString::fromLatin1(DragFormat)};
}

QMimeData *CounterpartyList::mimeData(const QModelIndexList &indexes) const
{
    // All marked rows of a long list are read in runs, not one page each.
    QList<int> rows;
    for (const QModelIndex &index : indexes)
        if (index.isValid())
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QHash<int, QString> idOfRow;
    try {
        const QList<QSqlRecord> read = records(rows);
        for (int i = 0; i < rows.size() && i < read.size(); ++i)
            idOfRow.insert(rows.at(i), read.at(i).value(QStringLiteral("ID")).toString());
    } catch (const DbError &) {
    }
    return RowDrag::mimeData(QString::fromLatin1(DragFormat), indexes,
                             [&idOfRow](int row) { return idOfRow.value(row); });
}

Qt::DropActions CounterpartyList::supportedDragActions() const
{
    return RowDrag::actions();
}
