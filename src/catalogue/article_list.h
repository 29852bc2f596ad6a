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
    // are counted, then read a page at a time in ID order. A tree node's list
    // is read by key wherever an index serves its order; a search's rows are
    // keyed once per search and order; a counterparty-number search, whose
    // article may come twice, is read by position. Throws DbError.
    void run(const ArticleSearch::ListQuery &query);
    ArticleSearch::Extra extra() const { return m_extra; }
    void dropExtraColumn();
    bool hasQuery() const { return !m_query.sql.isEmpty(); }
    // The same statement ordered by a listed field, ties by ID in the same
    // direction, so a descending list is the ascending one backwards;
    // throws DbError.
    void setOrder(const QString &field, bool descending);
    void refresh(); // counts and reads again; throws DbError
    // The whole list's statement in the grid's order, for reading it at once.
    ArticleSearch::ListQuery orderedQuery() const;
    // The row of an article, counted by its key, not by reading the list;
    // -1 when it is not listed.
    int rowOfArticle(long long id) const;
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
    QStringList orderFields() const;
    QString orderClause() const;
    KeysetList keysetList() const;
    bool byIndex() const;
    void load();

    ArticleSearch::ListQuery m_query;
    QString m_orderField;
    bool m_descending = false;
    ArticleSearch::Extra m_extra = ArticleSearch::Extra::None;
    int m_highlighted = -1;
    QList<int> m_sources; // per grid column, its field's index in the list
};
