#pragma once
#include <QDialog>

class QPushButton;
class QTableView;
class PagedListModel;

// "Продажби": every sales record, from which sales are cancelled.
class TForm_Spravka_prodajba : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Spravka_prodajba(QWidget *parent = nullptr);

    QTableView *DBGrid1; // multi-select; the row key ID_Red is not shown
    QPushButton *Button_Search;            // "Справка"
    QPushButton *Button_Invalidate_Sales;  // "Анулирай"

    static void open(QWidget *owner); // made once, shown modally
    static TForm_Spravka_prodajba *instance();

    void Button_SearchClick();
    void Button_Invalidate_SalesClick();
    long long rowKey(int row) const;     // ID_Red of a grid row
    QList<long long> markedRows() const; // row keys, grid order

    // Cancels the sales marked in the visible report (the main window's
    // "Анулиране" → "Продажба"); does nothing while the report is not shown.
    static void N_Invalidate_SalesClick(QWidget *parent);

private:
    PagedListModel *m_sales;
};
