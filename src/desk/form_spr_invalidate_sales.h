#pragma once
#include "desk/sales_cancel.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;
class QTimeEdit;
class PriceDelegate;
class SqlListModel;

// "Справка анулирани продажби": the cancelled sales with their filters.
class TForm_Spr_Invalidate_Sales : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Spr_Invalidate_Sales(QWidget *parent = nullptr);

    QCheckBox *ChkBox_Data;        // "Дата продажба"
    QComboBox *ComboBox_Select_Data;
    QLabel *Label_Data_Ot, *Label_Data_Do;
    QDateEdit *DateTimePicker_Data_Ot;
    QDateEdit *DateTimePicker_Data_Do;
    QCheckBox *ChkBox_T_Prodajba;  // "Час продажба"
    QComboBox *ComboBox_T_Prodajba;
    QLabel *Label_T_Ot, *Label_T_Do;
    QTimeEdit *DateTimePicker_T_Prodajba_Ot;
    QTimeEdit *DateTimePicker_T_Prodajba_Do;
    QCheckBox *ChkBox_Operator;
    QComboBox *ComboBox_Operators;
    QCheckBox *ChkBox_Type_Pay;
    QComboBox *ComboBox_Type_Pay;
    QTableView *DBGrid1;
    QPushButton *Button_Search; // "Справка"
    QPushButton *Button_Print;  // "Печат"

    static void N_Spr_Invalidate_SalesClick(QWidget *owner); // made once, shown modally

    SalesCancel::Filter filter() const;
    void Button_SearchClick();
    void ChkBox_DataClick();
    void ComboBox_Select_DataChange();
    void ChkBox_T_ProdajbaClick();
    void ComboBox_T_ProdajbaChange();

private:
    void filterToggled(QCheckBox *check, QComboBox *compare, QWidget *first, const std::function<void()> &today);
    void comparisonChanged(QComboBox *compare, const QList<QWidget *> &betweenOnly,
                           const std::function<void()> &secondToday);

    SqlListModel *m_rows;
    PriceDelegate *m_priceCells;
};
