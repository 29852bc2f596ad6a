#include "counterparties/counterparty_list.h"

#include "counterparties/counterparty_search.h"
#include "platform/row_drag.h"

CounterpartyList::CounterpartyList(QObject *parent)
    : SqlListModel(parent)
{
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
    if (!index.isValid())
        return {};
    const int source = fieldIndex(fieldOf(index.column()));
    if (source < 0)
        return {};
    return SqlListModel::data(createIndex(index.row(), source), role);
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
    return RowDrag::mimeData(QString::fromLatin1(DragFormat), indexes,
                             [this](int row) { return value(row, QStringLiteral("ID")).toString(); });
}

Qt::DropActions CounterpartyList::supportedDragActions() const
{
    return RowDrag::actions();
}
