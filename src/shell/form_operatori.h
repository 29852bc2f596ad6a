#pragma once
#include <QDialog>
#include <QList>

class MainMenuActions;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;
class SqlListModel;

// "ОПЕРАТОРИ": operators, their passwords and their rights on the menu tree.
class TForm_Operatori : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Operatori(QWidget *parent = nullptr);

    QTreeWidget *TreeView_Menues;
    QTableView *DBGrid1;
    QLineEdit *Edit_Ime;
    QLineEdit *Edit_Par;
    QComboBox *ComboBox_Tip;
    QPushButton *BitBtn_Insert_Operator;
    QPushButton *BitBtn_Cancel_Operator;

    int OperatorEditMode = 0; // 0 new operator, 1 edit the selected one

    void FormShow();
    void DBGrid1CellClick();
    void TreeView_MenuesClick(QTreeWidgetItem *item);
    void DBGrid1DblClick();
    void BitBtn_Insert_OperatorClick();
    void BitBtn_Cancel_OperatorClick();

    QTreeWidgetItem *node(int number) const { return m_nodes.value(number); }
    QString rightsFromTree() const;
    SqlListModel *operators() const { return m_operators; }

    static inline const char *UntouchedPassword = "          "; // ten blanks

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setEditing(bool on);
    bool someoneManagesOperators() const;
    long long selectedId() const;
    void selectId(long long id);

    SqlListModel *m_operators;
    QList<QTreeWidgetItem *> m_nodes;
    bool m_passwordTyped = false;
};
