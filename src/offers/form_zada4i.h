#pragma once
#include <QDialog>
#include <QPointer>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class SqlListModel;
class TaskListModel;

// "Задачи": every task with its assigner, coloured by status and due date;
// opens the task editor for a new or the current task, sorts by a clicked
// title, searches on a clicked column and exports the list. Made once, shown
// modally; the list is read again before every showing.
class TForm_Zada4i : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Zada4i(QWidget *parent = nullptr);

    QTableView *DBGrid_Zada4i;
    QPushButton *BitBtn_Nova_Zada4a;   // "Нова           ", the default button
    QPushButton *BitBtn_Redakt_Zada4a; // "Редактирай"
    QPushButton *BitBtn1;              // "Търси"
    QPushButton *Button1;              // "ПЕЧАТ"
    QPushButton *BitBtn_Pokaji_Vsi4ko; // "Покажи всички", hidden: the reload
    QLabel *Label3;                    // "Търсене по :"
    QComboBox *ComboBox1;              // "равно", "по - голямо", "по - малко", "между"
    QLineEdit *Edit_Ot;
    QLineEdit *Edit_Do;
    QDateTimeEdit *DateTimePicker_Ot;
    QDateTimeEdit *DateTimePicker_Do;
    QLabel *Label_Ot; // "От"
    QLabel *Label_Do; // "До"

    SqlListModel *list() const;
    int searchColumn() const { return m_column; } // grid column of the search row
    long long currentTaskId() const;              // 0 when no row is current
    bool positionOn(long long id);                // false when the list has no such task

    void BitBtn_Pokaji_Vsi4koClick(); // reads every task again
    void BitBtn_Nova_Zada4aClick();
    void BitBtn_Redakt_Zada4aClick();
    void DBGrid_Zada4iDblClick();
    void DBGrid_Zada4iKeyPress(int character);
    void DBGrid_Zada4iCellClick(int column);
    void DBGrid_Zada4iTitleClick(int column);
    void ComboBox1Change();
    void BitBtn1Click();  // "Търси"
    bool Button1Click();  // "ПЕЧАТ"; false when nothing was written

    // "Помощни" / "Задачи..." and the toolbar's "Задачи": makes the list once,
    // reads it and shows it modally.
    static void N_Zada4iClick(QWidget *mainWindow);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void openEditor(int mode);
    void afterEditorOk();
    bool runList(const QString &sql, const QVariantList &params); // false after a message
    void setCurrentRow(int row);

    TaskListModel *m_list;
    int m_column = 0;
    long long m_rememberedId = 0; // the task current when the editor opened
};

extern QPointer<TForm_Zada4i> Form_Zada4i;
