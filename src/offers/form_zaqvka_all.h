#pragma once
#include <QDialog>
#include <QPointer>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class MarkedTitleListModel;
class SqlListModel;

// "Списък артикули за заявка": the order list, searched on a clicked
// column, sorted by a clicked title, pruned and exported as the request to
// suppliers; "Добави" opens the new order. Made once, shown modally; each
// showing reads the list again and searches on the description.
class TForm_Zaqvka_all : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Zaqvka_all(QWidget *parent = nullptr);

    QTableView *DBGrid1;
    QComboBox *ComboBox1; // "равно", "по - малко", "по - голямо", "между"
    QLineEdit *Edit_ot;
    QLineEdit *Edit_Do;
    QDateEdit *DateTimePicker_Ot;
    QDateEdit *DateTimePicker_Do;
    QLabel *Label_Ot; // "От"
    QLabel *Label_Do; // "До"
    QLabel *Label1;   // "Търсене по: " and the column's title
    QPushButton *BitBtn_Add_New; // "Добави"
    QPushButton *BitBtn_Delete;  // "Изтрии"
    QPushButton *BitBtn_Search;  // "Търсене", the default button
    QPushButton *BitBtn_Print;   // "Печат"

    SqlListModel *list() const;
    int searchColumn() const { return m_column; }

    void FormShow();
    void DBGrid1CellClick(int column);
    void ComboBox1Change();
    void BitBtn_SearchClick();
    void DBGrid1TitleClick(int column);
    void BitBtn_DeleteClick();
    void BitBtn_Add_NewClick();
    bool BitBtn_PrintClick(); // false when nothing was written
    // After the new order saved: every row, the search row on the description.
    void reloadAfterSave();

    // "Помощни" / "Поръчки...": makes the list once, reads it, shows it modally.
    static void N_Zaqvki_AllClick(QWidget *mainWindow);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    bool loadList(); // the whole list; false after a message

    MarkedTitleListModel *m_list;
    int m_column = 3;
};

extern QPointer<TForm_Zaqvka_all> Form_Zaqvka_all;
