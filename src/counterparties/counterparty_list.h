#pragma once
#include "platform/db/list_model.h"

// The browser's list of Firmi rows: the grid shows the eleven columns of
// CounterpartySearch::columns() in their order, whatever the statement
// selects; every column of a row stays readable by field name (record()).
class CounterpartyList : public SqlListModel
{
    Q_OBJECT
public:
    explicit CounterpartyList(QObject *parent = nullptr);

    // Dragged rows carry their IDs in this format, comma-separated.
    static constexpr const char *DragFormat = "application/x-ventaros-counterparties";

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
    int m_highlighted = -1;
};
