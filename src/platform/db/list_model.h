#pragma once
#include "platform/db/column_registry.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QSqlRecord>
#include <QVariantList>

// A read-only list for grids. The query runs with bound values and every row
// is fetched at once, so no statement stays open between events (an open read
// would hold every other workstation's commits). Date columns show in the
// short form. Without an explicit connection the list always runs on the
// program's current connection, so it follows a switch of database.
class SqlListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit SqlListModel(QObject *parent = nullptr);

    void setQuery(const QString &sql, const QVariantList &params = {}); // throws DbError
    void setConnectionName(const QString &name) { m_connection = name; }
    void refresh(); // runs the query again; throws DbError
    void clear();
    QString sql() const { return m_sql; }
    QVariantList params() const { return m_params; }

    QSqlRecord record(int row) const; // the row, read by field name
    QSqlRecord record() const { return m_fields; }
    QVariant value(int row, const QString &field) const;
    // The cell shows `value` in place of the query's (a figure worked out
    // exactly where SQL's floating point would not be); until the next query.
    void setValue(int row, const QString &field, const QVariant &value);
    int fieldIndex(const QString &field) const; // case-insensitive, -1 when absent
    int findRow(const QString &field, const QVariant &value) const;
    void setHeaderTitle(const QString &field, const QString &title);
    // The field's cells in that colour (kept over later queries).
    void setFieldColour(const QString &field, const QColor &colour);
    // The field shown with the decimals the function gives, in the grid and
    // in exports (kept over later queries).
    void setFieldDecimals(const QString &field, ColumnRegistry::Decimals decimals) { m_decimals.set(field, std::move(decimals)); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString m_sql;
    QVariantList m_params;
    QString m_connection;
    QSqlRecord m_fields;
    QList<QVariantList> m_rows;
    QHash<QString, QString> m_titles; // upper-case field -> title
    QHash<QString, QColor> m_colours; // upper-case field -> text colour
    ColumnRegistry::FieldDecimals m_decimals;
};
