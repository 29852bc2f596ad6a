#pragma once
#include "documents/sales_report.h"

#include <QDialog>

#include <functional>

class PagedListModel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QIdentityProxyModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QTimeEdit;

// "Справка продажби": the sales chosen by the ticked filters, their totals by
// how they were paid, the list's export, a sales document for the marked
// lines, and the cancellation of marked sales. Made once, shown modally.
class TForm_Spravka_prodajba : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Spravka_prodajba(QWidget *parent = nullptr);
    ~TForm_Spravka_prodajba() override;

    QCheckBox *ChkBox_Kontragent;      // "Контрагент"
    QLabel *Label_Kontragent;          // "ID:Ime_Firma"
    QCheckBox *ChkBox_Artikul;         // "Артикул"
    QLabel *Label_artikul;
    QCheckBox *ChkBox_Data;            // "Дата"
    QComboBox *ComboBox_Select_Data;
    QDateEdit *DateTimePicker_Data_Ot;
    QDateEdit *DateTimePicker_Data_Do;
    QCheckBox *CheckBox_T_Prodajba;    // "Час"
    QComboBox *ComboBox_T_Prodajba;
    QTimeEdit *DateTimePicker_T_Prodajba_Ot;
    QTimeEdit *DateTimePicker_T_Prodajba_Do;
    QCheckBox *ChkBox_Suma;            // "Сума"
    QComboBox *ComboBox_Select_Suma;
    QLineEdit *Edit_Ot;
    QLineEdit *Edit_Do;
    QCheckBox *ChkBox_Operators;       // "Оператор"
    QComboBox *ComboBox_Operators;
    QCheckBox *CheckBox_Type_Pay;      // "Тип плащане"
    QComboBox *ComboBox_Type_Pay;
    QCheckBox *ChkBox_Sklad;           // "Склад"
    QComboBox *ComboBox_Sklad;         // "ID_Sklad:Opis_Sklad"

    QTableView *DBGrid1; // multi-select; the row key ID_Red is not shown
    QLabel *Label_Ob6to_SUM;
    QLabel *Label_Ob6to_SUM_Konsign;
    QLabel *Label_Ob6to_SUM_Plateni_Konsign;

    QPushButton *Button_Search;            // "Справка"
    QPushButton *Button1;                  // "Печат"
    QPushButton *Button3;                  // "Издай документ за продажба"
    QListWidget *CheckListBox_Dok;
    QPushButton *Button_Fiskalen_Bon;      // "Издай фискален бон": no behaviour
    QPushButton *Button_Invalidate_Sales;  // "Анулирай"

    static void open(QWidget *owner); // made once, shown modally
    static TForm_Spravka_prodajba *instance();

    void FormShow();
    void ChkBox_KontragentClick();
    void ChkBox_ArtikulClick();
    void ChkBox_DataClick();
    void CheckBox_T_ProdajbaClick();
    void ChkBox_SumaClick();
    void ComboBox_Select_DataChange();
    void ComboBox_T_ProdajbaChange();
    void ComboBox_Select_SumaChange();
    void ChkBox_OperatorsClick();
    void ChkBox_SkladClick();
    void CheckBox_Type_PayClick();
    void Button_SearchClick();
    void Button1Click();
    void Button3Click();
    void DBGrid1TitleClick(int column);
    void Button_Invalidate_SalesClick();

    SalesReport::Filter filter() const;
    QStringList pickedArticles() const { return m_articles; } // this report's own copy
    QStringList exportTitleLines() const;
    PagedListModel *list() const { return m_sales; }
    long long rowKey(int row) const;     // ID_Red of a grid row
    QList<long long> markedRows() const; // row keys, grid order

    // Cancels the sales marked in the visible report (the main window's
    // "Анулиране" → "Продажба"); does nothing while the report is not shown.
    static void N_Invalidate_SalesClick(QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The list in the order of `sortField`; the totals (and the rows) counted
    // again only when asked, a header click keeping the search's.
    void runList(const QString &sortField, bool recount);
    void clearList();

    PagedListModel *m_sales;
    QIdentityProxyModel *m_coloured;
    QStringList m_articles;
    QLabel *m_fromLabels[3];     // "От" of date, time, amount: shown for "между"
    QLabel *m_toLabels[3];       // "До"
    SalesReport::Where m_where; // of the last search
    qint64 m_rows = 0;          // its rows
    QString m_sortField;
};
