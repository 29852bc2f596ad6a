#pragma once
#include "platform/db/column_registry.h"
#include "platform/db/keyset_reader.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSqlRecord>
#include <QStringList>
#include <QVariantList>

// A read-only grid list over a result that can run to many thousands of rows.
// The grid shows all of them; the rows it asks for are read a page at a time,
// each page one short statement finished at once, so no statement stays open
// between events and memory does not grow with the result. The statement must
// order its rows completely (a unique key last), so pages neither repeat nor
// skip rows. Date columns show in the short form, as in SqlListModel.
class PagedListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int PageSize = 200;
    // Keyset lists: a row at most this far from every row whose key is known
    // is reached exactly, by passing over or counting the rows between; a
    // farther one at an estimated place, whose key is taken from rows spread
    // over the list (SpreadRows of them, read once per list). Its neighbours
    // are then read from its key, so the rows around it are exact.
    static constexpr qint64 ExactRows = 2000;
    static constexpr int SpreadRows = 256;

    explicit PagedListModel(QObject *parent = nullptr);

    // `sql` is a whole SELECT with its ORDER BY; " LIMIT ? OFFSET ?" is
    // appended per page. `count` is the number of rows it gives (counted by
    // the caller, usually together with other aggregates). Reads the first
    // page; throws DbError.
    void setQuery(const QString &sql, const QVariantList &params, qint64 count);
    // For an order that costs a sort of the whole result: `keySql` reads the
    // key of every row in order, once; a page then reads its rows by key with
    // `rowSql`, which holds "%1" where the page's keys go ("... IN (%1)"), and
    // puts them in key order. Throws DbError.
    void setKeyedQuery(const QString &keySql, const QVariantList &params, const QString &rowSql,
                       const QString &keyField);
    // For an order an index serves: the rows are counted, and a page is read
    // by the key of the nearest row known (a neighbouring page, the first or
    // the last row, a row found by rowWhere), never by counting rows from the
    // first; `count`, when given, is the rows' number kept by the caller.
    // Throws DbError.
    void setKeysetQuery(const KeysetList &list, std::optional<qint64> count = std::nullopt);
    // The same, its rows counted as they are read: the first page, then
    // GrowRows more each time the grid reaches the last row read (fetchMore),
    // so a list of a million rows shows its first page at a page's cost.
    // Throws DbError.
    void setGrowingKeysetQuery(const KeysetList &list);
    // Reads to the end of a growing list (every row marked); throws DbError.
    void fetchAll();
    static constexpr int GrowRows = 5 * PageSize;
    bool isKeyset() const { return m_keyset.has_value(); }
    // The row of the first listed row that meets `condition` (keyset lists):
    // a row held, or the rows before or after its key counted when fewer
    // than ExactRows, else an estimated place; -1 when none. Its page is
    // then read from that key. Throws DbError.
    int rowWhere(const QString &condition, const QVariantList &params) const;
    // The row of a key of a keyed list; -1 when it is not listed.
    int rowOfKey(const QVariant &key) const;
    void clear();
    void clearRows();
    bool isKeyed() const { return !m_rowSql.isEmpty(); } // no rows; the statement and its columns stay
    QString sql() const { return m_sql; }
    QVariantList params() const { return m_params; }

    // Only the first `count` fields are grid columns; the others are read
    // by field name only. -1: every field.
    void setShownColumns(int count);
    void setHeaderTitle(const QString &field, const QString &title);
    // The field shown with the decimals the function gives, in the grid and
    // in exports (kept over later queries).
    void setFieldDecimals(const QString &field, ColumnRegistry::Decimals decimals) { m_decimals.set(field, std::move(decimals)); }

    QSqlRecord record() const { return m_fields; }
    QSqlRecord record(int row) const;
    QVariant value(int row, const QString &field) const;
    int fieldIndex(const QString &field) const; // case-insensitive, -1 when absent
    // The rows (in the order given), each run of neighbouring rows read by
    // one statement. Throws DbError.
    QList<QSqlRecord> records(const QList<int> &rows) const;

    int statementsRun() const { return m_statements; } // pages read since setQuery

    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void start(const QString &sql, const QVariantList &params, const QString &rowSql, const QString &keyField,
               const QList<QVariant> &keys, const std::optional<KeysetReader> &keyset, qint64 count,
               bool growing = false);
    void grow(qint64 count, bool more);
    QList<QVariantList> readRows(qint64 offset, qint64 limit, QSqlRecord *fields = nullptr) const;
    QList<QVariantList> readByKey(qint64 offset, qint64 limit, QSqlRecord *fields) const;
    const QVariantList *row(int row) const;
    const QList<KeysetReader::Key> &spread() const;
    qint64 heldRow(const KeysetReader::Key &key) const;
    qint64 estimatedRow(const KeysetReader::Key &key) const;

    QString m_sql;
    QVariantList m_params;
    QString m_rowSql;          // keyed: rows by key
    QString m_keyField;
    QList<QVariant> m_keys;    // keyed: every row's key, in order
    std::optional<KeysetReader> m_keyset;
    mutable std::optional<std::pair<qint64, KeysetReader::Key>> m_anchor; // a row found by rowWhere
    mutable std::optional<QList<KeysetReader::Key>> m_spread; // read at the first estimate
    mutable QHash<qint64, KeysetReader::Key> m_estimated;     // a far page's first row -> its key
    QSqlRecord m_fields;
    QStringList m_names; // m_fields' names: a cell is painted without copying its field
    qint64 m_count = 0;
    bool m_more = false; // a growing list has rows after m_count
    int m_shown = -1;
    QHash<QString, QString> m_titles; // upper-case field -> title
    ColumnRegistry::FieldDecimals m_decimals;
    mutable QHash<int, QList<QVariantList>> m_pages;
    mutable QList<int> m_recent; // most recently used page last
    mutable int m_statements = 0;
};
