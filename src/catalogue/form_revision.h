#pragma once
#include "catalogue/stock_taking.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimeEdit;
class StockLinesModel;

// "Ревизия": a count of one warehouse. Each counted line is a row of the
// work table Revision_TMP, which outlives the program, so an unfinished
// count comes back in its own warehouse (the warehouse list is locked while
// lines exist). The grid reads a page of lines at a time and the totals are
// kept as lines change, so a line costs the same at any number of lines.
// "ЗАПИС" stores the count and sets each counted article's stock in one
// transaction, then closes. Made once and kept.
class TForm_Revision : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Revision(QWidget *parent = nullptr);
    ~TForm_Revision() override;

    QLabel *Label_Rev_ID;
    QComboBox *ComboBox_Osnovanie;
    QDateEdit *DateTimePicker_Date;
    QTimeEdit *DateTimePicker_Time;
    QComboBox *ComboBox_Sklad;
    QLineEdit *Edit_Art_ID;
    QLabel *Label_Sel_Art;
    QLineEdit *Edit_Kol;
    QLineEdit *Edit_Ob6to_Nal;  // "Налично"
    QLineEdit *Edit_Ob6to_Otkr; // "Открито"
    QLineEdit *Edit_Difrents;   // "Разлика"
    QPushButton *Button_Add_Art; // "Избери артикул/и"
    QPushButton *Button_Print;   // "ПЕЧАТ"
    QPushButton *Button_Edit;    // "Редактирай"
    QPushButton *Button_Delete;  // "Изтрии"
    QPushButton *BitBtn_Save;    // "ЗАПИС"
    QPushButton *BitBtn_Cancel;  // "ОТКАЖИ"
    QTableView *DBGrid1;

    static constexpr int PickMode = 11;

    StockLinesModel *model() const { return m_model; }
    QString StockTakingHeld; // the held quantity proposed for the article entered by number

    void FormShow();
    void Edit_Art_IDKeyPress();
    void Edit_KolKeyPress();
    void Button_Add_ArtClick();
    void DBGrid1DblClick();
    void Button_DeleteClick();
    void Button_Calculate_SUMsClick();
    bool BitBtn_SaveClick(); // false keeps the window and its lines
    void BitBtn_CancelClick();
    bool Button_PrintClick();
    void reject() override; // a started count is left only after the question

    // "Ревизия..." (N_Revizia): shows the window modally.
    static void open(TForm_Revision *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    long long warehouseKey() const;
    bool leave(); // the question; true when the lines were dropped

    StockLinesModel *m_model;
    StockTaking::Sheet m_sheet;
    long long m_article = 0;
    bool m_ready = false;
};
