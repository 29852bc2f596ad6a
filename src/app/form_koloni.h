#pragma once
#include <QDialog>
#include <QPointer>

class QListWidget;
class QPushButton;
class QTableView;

// "Колони": which columns of a grid are shown. Made once for the run.
class TForm_Koloni : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Koloni(QWidget *parent = nullptr);

    QListWidget *CheckListBox_Koloni; // one item per grid column, in screen order
    QPushButton *BitBtn_All;          // "Всичко"
    QPushButton *BitBtn_Notingh;      // "Нищо"
    QPushButton *BitBtn1;             // "Приеми"
    QPushButton *BitBtn2;             // "Откажи"

    void BitBtn_AllClick();
    void BitBtn_NotinghClick();

    // Fills the list from the grid (checked = visible) and, after OK, sets
    // the grid's columns from the check marks.
    void fillFrom(const QTableView *grid);
    void applyTo(QTableView *grid) const;
};

extern QPointer<TForm_Koloni> Form_Koloni;

// The column chooser of a grid: OK applies the check marks to the columns'
// visibility, "Откажи" changes nothing. The choice is not stored.
void Nastr_Koloni_Grid(QTableView *grid);
