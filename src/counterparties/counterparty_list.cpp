#include "counterparties/counterparty_list.h"

#include "counterparties/counterparty_search.h"

#include <QColor>
#include <QMimeData>

#include <algorithm>

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
    if (section == m_highlighted) {
        if (role == Qt::BackgroundRole)
            return QColor(Qt::red);
        if (role == Qt::ForegroundRole)
            return QColor(Qt::white);
    }
    return {};
}

Qt::ItemFlags CounterpartyList::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Marked rows are dragged onto a group of the tree.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList CounterpartyList::mimeTypes() const
{
    return {QString::fromLatin1(DragFormat)};
}

QMimeData *CounterpartyList::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &index : indexes)
        if (index.isValid() && !rows.contains(index.row()))
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList ids;
    for (int row : rows)
        ids << value(row, QStringLiteral("ID")).toString();
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(DragFormat), ids.join(QLatin1Char(',')).toLatin1());
    return mime;
}

Qt::DropActions CounterpartyList::supportedDragActions() const
{
    // A copy: the view must not remove the dragged rows itself.
    return Qt::CopyAction;
}
