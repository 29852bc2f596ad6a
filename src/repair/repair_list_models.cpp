#include "repair/repair_list_models.h"

#include "repair/repair_states.h"
#include "repair/repair_work.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>

IntakeListModel::IntakeListModel(QObject *parent)
    : SqlListModel(parent)
    , m_today(QDate::currentDate())
{
}

void IntakeListModel::setCriterionColumn(int column)
{
    m_criterion = column;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, qMax(0, columnCount() - 1));
}

bool IntakeListModel::overdue(int row) const
{
    return RepairWork::isOverdue(m_today, value(row, QStringLiteral("Data_Priem")).toString(),
                                 value(row, QStringLiteral("Krai_Data")).toString());
}

QVariant IntakeListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::ForegroundRole) {
        if (overdue(index.row()))
            return QColor(255, 0, 0);
        // An intake without its state row has no state colour.
        const QVariant colour = SqlListModel::data(this->index(index.row(), RepairWork::ColorColumn), Qt::EditRole);
        if (colour.isNull())
            return {};
        bool ok = false;
        const int i = colour.toInt(&ok);
        if (!ok)
            return {};
        const std::optional<QColor> c = RepairStates::colour(i);
        return c ? QVariant(*c) : QVariant();
    }
    if (role == Qt::FontRole) {
        if (!overdue(index.row()))
            return {};
        QFont f = QApplication::font();
        f.setBold(true);
        return f;
    }
    return SqlListModel::data(index, role);
}

QVariant IntakeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::BackgroundRole)
        return section == m_criterion ? QVariant(QColor(255, 0, 0))
                                      : QVariant(QApplication::palette().color(QPalette::Button));
    return SqlListModel::headerData(section, orientation, role);
}

QVariant RepairLinesModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::ForegroundRole && index.isValid() && index.row() < rowCount())
        return value(index.row(), QStringLiteral("Zamqna")).toString() == QLatin1String("True")
                   ? QColor(255, 0, 0)
                   : QApplication::palette().color(QPalette::Text);
    return SqlListModel::data(index, role);
}
