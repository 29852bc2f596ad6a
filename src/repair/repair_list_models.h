#pragma once
#include "platform/db/list_model.h"

#include <QDate>

// The repair work list's intakes: each row in its state's colour, an overdue
// intake red and bold over it; the search criterion's column title on red.
class IntakeListModel : public SqlListModel
{
    Q_OBJECT
public:
    explicit IntakeListModel(QObject *parent = nullptr);

    void setToday(const QDate &today) { m_today = today; }
    void setCriterionColumn(int column);
    int criterionColumn() const { return m_criterion; }
    bool overdue(int row) const;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QDate m_today;
    int m_criterion = -1;
};

// The repair lines: a replaced part red, the others in the window-text colour.
class RepairLinesModel : public SqlListModel
{
    Q_OBJECT
public:
    using SqlListModel::SqlListModel;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
