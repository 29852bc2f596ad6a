#pragma once
#include "app/in_place_rows.h"
#include "catalogue/departments.h"

#include <QDialog>
#include <QPointer>

class QTableView;

// The departments as an in-place grid. Every edit is checked and written at
// once; a refused edit keeps the stored value. A new row is held here until
// its number is typed. The model asks nothing: the window tells its failures
// and asks before a delete.
class DepartmentsModel : public InPlaceRows<PreparationDepartment>
{
    Q_OBJECT
public:
    enum Column { ColNumber, ColName, ColPath, ColDevice, ColumnCount };
    explicit DepartmentsModel(QObject *parent);
    bool reload(); // false (after failed()) when the table cannot be read
    void addRow(); // a new, unsaved row at the end
    bool removeRowAt(int row); // deletes a stored row at once

    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
};

// "Отдели за изготвяне на продукция": the preparation departments, their
// ticket folders and printing devices. Made once; Insert adds a row,
// Ctrl+Delete deletes one (after a question).
class TForm_Type_Prigotvq_Se : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Type_Prigotvq_Se(QWidget *parent = nullptr);
    QTableView *DBGrid1;
    DepartmentsModel *model() const { return m_model; }

    // The main menu's N63: reads the table and shows the window modally.
    static void N63Click(QWidget *mainWindow);
    bool deleteCurrent(); // Ctrl+Delete: asks, then deletes

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    DepartmentsModel *m_model;
};

extern QPointer<TForm_Type_Prigotvq_Se> Form_Type_Prigotvq_Se;
