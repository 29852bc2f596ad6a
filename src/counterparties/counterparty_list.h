#pragma once
#include "counterparties/counterparty_search.h"
#include "platform/db/paged_list_model.h"

// The browser's list of Firmi rows: the grid shows the eleven columns of
// CounterpartySearch::columns() in their order, whatever the statement
// selects; every column of a row stays readable by field name (record()).
// Rows are read a page at a time: the whole register, and a group by name,
// by the key of a neighbouring row along the index of the sorted column; the
// rows a condition finds are keyed once per search and order.
class CounterpartyList : public PagedListModel
{
    Q_OBJECT
public:
    explicit CounterpartyList(QObject *parent = nullptr);

    // Dragged rows carry their IDs in this format, comma-separated.
    static constexpr const char *DragFormat = "application/x-ventaros-counterparties";

    // Counts the list and reads its first page, in the query's own order;
    // throws DbError (the list before stays).
    void run(const CounterpartySearch::ListQuery &query);
    bool hasQuery() const { return m_loaded; }
    // The same list ordered by a grid column's field, ties by number in the
    // same direction; throws DbError.
    void setOrder(const QString &field, bool descending);
    void refresh(); // counts and reads again; throws DbError
    // The row of a counterparty, found by its key; -1 when it is not listed.
    int rowOfCounterparty(long long id) const;

    QString fieldOf(int column) const; // the field a grid column shows
    // The column whose title stands out as the search criterion (-1 none).
    void setHighlightedColumn(int column);
    int highlightedColumn() const { return m_highlighted; }

    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    void load();

    CounterpartySearch::ListQuery m_query;
    QString m_order; // a field of the register; empty: the query's own
    bool m_descending = false;
    bool m_loaded = false;
    int m_highlighted = -1;
    QList<int> m_sources; // per grid column, its field's index in the list
};
