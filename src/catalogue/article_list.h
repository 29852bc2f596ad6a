#pragma once
#include "catalogue/article_search.h"
#include "platform/db/paged_list_model.h"

// The catalogue's article list: the grid shows the eight standard columns
// (ArticleSearch::columns()) and, after a counterparty-number search or the
// availability command, a ninth; every column of a row stays readable by
// field name. Rows are read a page at a time.
class ArticleList : public PagedListModel
{
    Q_OBJECT
public:
    explicit ArticleList(QObject *parent = nullptr);

    // Dragged rows carry their IDs in this format, comma-separated.
    static constexpr const char *DragFormat = "application/x-ventaros-articles";

    // Runs a list statement and shows its ninth column, if any: the rows
    // are counted, then read a page at a time in ID order. Throws DbError.
    void run(const ArticleSearch::ListQuery &query);
    ArticleSearch::Extra extra() const { return m_extra; }
    void dropExtraColumn();
    bool hasQuery() const { return !m_query.sql.isEmpty(); }
    // The same statement ordered by a listed field (ties by ID); throws DbError.
    void setOrder(const QString &field, bool descending);
    void refresh(); // counts and reads again; throws DbError
    // The whole list's statement in the grid's order, for reading it at once.
    ArticleSearch::ListQuery orderedQuery() const;
    // The row of the first listed row whose field holds the value, found by
    // one statement; -1 when none.
    int findRow(const QString &field, const QVariant &value) const;
    // The IDs of the rows (in grid order), neighbouring rows read by one
    // statement; empty when they cannot be read.
    QList<long long> idsOf(const QList<int> &rows) const;

    QString fieldOf(int column) const; // the field a grid column shows
    void setHighlightedColumn(int column);

    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    QString orderClause() const;
    void load();

    ArticleSearch::ListQuery m_query;
    QString m_orderField;
    bool m_descending = false;
    ArticleSearch::Extra m_extra = ArticleSearch::Extra::None;
    int m_highlighted = -1;
};
