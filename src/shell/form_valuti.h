#pragma once
#include "app/currency_rates.h"

#include <QAbstractTableModel>
#include <QDialog>

class QTableView;

// The currencies as an in-place grid: name, rate to the lev, basic flag.
// Every edit is checked and written at once; a refused edit keeps the stored value.
// The model asks nothing: the window tells its failures and asks before a delete.
class ValutiModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ValutiModel(QObject *parent);
    void reload();
    void addRow();                 // a new, unsaved row at the end
    bool removeRowAt(int row);     // deletes a stored row at once
    const CurrencyRates::Row &row(int r) const { return m_rows.at(r); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

Q_SIGNALS:
    void failed(const QString &message); // a refused edit or a failed read, for the window to tell

private:
    QList<CurrencyRates::Row> m_rows; // a new row has id 0 until it is saved
};

// "Валутни курсове"
class TForm_Valuti : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Valuti(QWidget *parent = nullptr);
    QTableView *DBGrid1;
    ValutiModel *model() const { return m_model; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    ValutiModel *m_model;
};
