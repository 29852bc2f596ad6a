#include "platform/db/list_model.h"

#include "platform/db/column_registry.h"
#include "platform/db/database.h"

#include <QSqlField>

SqlListModel::SqlListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void SqlListModel::setQuery(const QString &sql, const QVariantList &params)
{
    m_sql = sql;
    m_params = params;
    refresh();
}

void SqlListModel::refresh()
{
    const QSqlDatabase db = m_connection.isEmpty() ? Db::connection()
                                                   : QSqlDatabase::database(m_connection, false);
    QSqlRecord fields;
    QList<QVariantList> rows;
    if (!m_sql.isEmpty()) {
        rows = Db::valueRows(m_sql, m_params, &fields, {}, db);
    }
    beginResetModel();
    m_fields = fields;
    m_rows = std::move(rows);
    endResetModel();
}

void SqlListModel::clear()
{
    beginResetModel();
    m_sql.clear();
    m_params.clear();
    m_fields = QSqlRecord();
    m_rows.clear();
    endResetModel();
}

QSqlRecord SqlListModel::record(int row) const
{
    QSqlRecord r = m_fields;
    if (row < 0 || row >= m_rows.size())
        return r;
    for (int c = 0; c < r.count(); ++c)
        r.setValue(c, m_rows[row].value(c));
    return r;
}

int SqlListModel::fieldIndex(const QString &field) const
{
    for (int c = 0; c < m_fields.count(); ++c)
        if (m_fields.fieldName(c).compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

QVariant SqlListModel::value(int row, const QString &field) const
{
    const int c = fieldIndex(field);
    if (c < 0 || row < 0 || row >= m_rows.size())
        return {};
    return m_rows[row].value(c);
}

void SqlListModel::setValue(int row, const QString &field, const QVariant &value)
{
    const int c = fieldIndex(field);
    if (c < 0 || row < 0 || row >= m_rows.size() || c >= m_rows[row].size())
        return;
    m_rows[row][c] = value;
    emit dataChanged(index(row, c), index(row, c));
}

int SqlListModel::findRow(const QString &field, const QVariant &value) const
{
    const int c = fieldIndex(field);
    if (c < 0)
        return -1;
    for (int r = 0; r < m_rows.size(); ++r)
        if (m_rows[r].value(c).toString() == value.toString())
            return r;
    return -1;
}

void SqlListModel::setFieldColour(const QString &field, const QColor &colour)
{
    m_colours.insert(field.toUpper(), colour);
}

void SqlListModel::setHeaderTitle(const QString &field, const QString &title)
{
    m_titles.insert(field.toUpper(), title);
    if (fieldIndex(field) >= 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int SqlListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SqlListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_fields.count();
}

QVariant SqlListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const QVariant &v = m_rows[index.row()].value(index.column());
    if (role == Qt::DisplayRole)
        return m_decimals.displayText(m_fields.fieldName(index.column()), v);
    if (role == Qt::EditRole)
        return v;
    if (role == Qt::ForegroundRole && !m_colours.isEmpty()) {
        const QColor colour = m_colours.value(m_fields.fieldName(index.column()).toUpper());
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    return {};
}

QVariant SqlListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= m_fields.count())
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString name = m_fields.fieldName(section);
    return m_titles.value(name.toUpper(), name);
}
