#pragma once
#include "catalogue/warehouses.h"

#include <QDialog>

#include <optional>

class QPushButton;
class QStandardItemModel;
class QTableView;

// "Складове": the warehouse register and the choice of this workstation's
// active warehouse. Browsing shows the list read-only; "Нов" and
// "Редактирай" switch to entering, which "Приеми" stores and "Откажи" (or
// closing the window) discards. A new window is made at each opening.
class TForm_Sklad : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Sklad(QWidget *parent = nullptr);

    QTableView *DBGrid_Sklad;
    QPushButton *BitBtn_New_Sklad; // "Нов" / "Приеми"
    QPushButton *BitBtn_Del_Sklad; // "Изтрии" / "Откажи"
    QPushButton *BitBtn_Red_Sklad; // "Редактирай"
    QPushButton *Button1;          // "ИЗБЕРИ"
    QPushButton *Button2;          // "ЗАТВОРИ"

    enum Column { ColNumber, ColName, ColTown, ColAddress, ColMol, ColumnCount };
    static constexpr int SavedIdRole = Qt::UserRole + 1; // on the number cell; 0 for a new row
    static constexpr int SavedRole = Qt::UserRole + 2;   // the text as stored

    int tag() const { return m_tag; } // 0 browsing, 1 entering
    QStandardItemModel *model() const { return m_model; }

    bool reload(); // false (after a message) when the list cannot be read

    void BitBtn_New_SkladClick(); // "Нов" while browsing, "Приеми" while entering
    void BitBtn_Del_SkladClick(); // "Изтрии" while browsing, "Откажи" while entering
    void BitBtn_Red_SkladClick();
    void Button1Click(); // "ИЗБЕРИ"
    void Button2Click(); // "ЗАТВОРИ"

    bool Priemi(); // stores the entry; false (after a message) keeps it on screen
    void Otkaji(); // discards the entry

    void done(int result) override;

    // "Складове..." (N_Sklad, SpdBtn_Sklad, the Panel_Sklad click): a new
    // window, shown modally. True when a warehouse was chosen.
    static bool open(QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setEntering(bool entering);
    void commitEditor();
    void selectRow(int row, int column);
    void appendRow(const Warehouse &warehouse);
    std::optional<Warehouse> savedWarehouse(int row) const;

    QStandardItemModel *m_model;
    int m_tag = 0;
    bool m_shown = false;
};
