#pragma once
#include "app/currency_rates.h"
#include "app/in_place_rows.h"

#include <QDialog>

class QTableView;

// The currencies as an in-place grid: name, rate to the lev, basic flag.
// Every edit is checked and written at once; a refused edit keeps the stored value.
// The model asks nothing: the window tells its failures and asks before a delete.
class ValutiModel : public InPlaceRows<CurrencyRates::Row>
{
    Q_OBJECT
public:
    explicit ValutiModel(QObject *parent);
    void reload();
    bool removeRowAt(int row); // deletes a stored row at once

    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
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
