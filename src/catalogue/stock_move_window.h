#pragma once
#include "catalogue/stock_transfer.h"

#include <QDialog>

class QComboBox;
class QLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class StockLinesModel;
class QSqlRecord;

// What the transfer and the write-off windows share: the line list over
// their work table, article entry by number or through the picker, the
// quantity edit and delete of one line, the value of the operation, the
// report and "ЗАПИС", which books the list and closes the window.
class StockMoveWindow : public QDialog
{
    Q_OBJECT
public:
    ~StockMoveWindow() override;

    QComboBox *ComboBox_Sklad_Ot;           // the source (for the write-off: its one warehouse)
    QComboBox *ComboBox_Sklad_Do = nullptr; // transfer only
    QLineEdit *Edit_Art_ID;
    QLabel *Label_Sel_Art;
    QPushButton *Button_Add_Art; // "Избери артикул/и"
    QPushButton *Button_Edit;    // "Редактирай"
    QPushButton *Button_Delete;  // "Изтрии"
    QPushButton *Button_Print;   // "Печат"
    QLineEdit *Edit_Osnova;
    QLineEdit *Edit_DDS;
    QLineEdit *Edit_Ob6to;
    QTableView *DBGrid2;
    QPushButton *BitBtn3; // "ЗАПИС"
    QPushButton *BitBtn4; // "ОТКАЖИ" / "ОТКАЗ"

    StockMoveList &list() { return m_list; }
    StockLinesModel *model() const { return m_model; }
    bool prepared() const { return m_prepared; }

    void FormShow();
    void Button_Add_ArtClick();          // the picker in this window's mode
    void Edit_Art_IDKeyPress();          // Enter in the article number
    void Button_EditClick();             // quantity of the current line
    void Button_DeleteClick();           // the current line
    void Button_Calculate_SUMsClick();   // list and value
    bool Button_PrintClick();            // false when nothing was written
    bool BitBtn3Click();                 // books the list; false keeps the window open
    void done(int result) override;      // every close drops the list

    // Adds a line of the article with the window's warehouses; false (after a
    // message) when it cannot be added.
    bool addArticle(long long article, Decimal quantity);

protected:
    StockMoveWindow(StockMoveList::Kind kind, int pickMode, QWidget *parent);
    // The window's layout: its head, then the entry row with the window's
    // own controls after the article label, the buttons, the list, the value.
    void buildLayout(QLayout *head, const QList<QWidget *> &entry);
    // The window's own reaction to a known article typed by number.
    virtual void articleFound(const QSqlRecord &article) = 0;
    // Title lines of the report, before the list.
    virtual QStringList reportHead() const = 0;
    virtual QString reportName() const = 0;
    // False (after the window's message) when the window cannot take lines.
    virtual bool fillWarehouses() = 0;
    long long sourceKey() const;
    long long destinationKey() const;
    bool eventFilter(QObject *watched, QEvent *event) override;

    long long m_article = 0; // found by the last Enter in the number

private:
    void setPrepared(bool prepared);

    StockMoveList m_list;
    int m_pickMode;
    StockLinesModel *m_model;
    bool m_prepared = false;
};

namespace StockMoves {
// "<ID>:<Opisanie>" of an article, looked up; empty when there is none.
QString articleText(long long id);
} // namespace StockMoves
