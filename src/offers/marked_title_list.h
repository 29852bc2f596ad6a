#pragma once
#include "platform/db/list_model.h"

#include <QColor>

// A list whose search column has a red title and whose fields past the
// grid's columns (keys read by name) are never shown, so neither the column
// chooser nor the export offers them.
class MarkedTitleListModel : public SqlListModel
{
public:
    MarkedTitleListModel(int shownColumns, QObject *parent = nullptr)
        : SqlListModel(parent)
        , m_shown(shownColumns)
    {
    }

    void setMarkedColumn(int column)
    {
        m_marked = column;
        if (columnCount() > 0)
            Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    }

    int columnCount(const QModelIndex &parent = {}) const override
    {
        return qMin(SqlListModel::columnCount(parent), m_shown);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::BackgroundRole)
            return section == m_marked ? QVariant(QColor(255, 0, 0)) : QVariant();
        return SqlListModel::headerData(section, orientation, role);
    }

private:
    int m_shown;
    int m_marked = -1;
};
