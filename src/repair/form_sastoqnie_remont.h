#pragma once
#include <QDialog>
#include <QPointer>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class SqlListModel;

// "Състояние при ремонт": the repair states with their colours. Add mode
// ("Добави", "Изтрии") and edit mode ("Приеми", "Откажи"), kept in the
// buttons' tag.
class TForm_Sastoqnie_Remont : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Sastoqnie_Remont(QWidget *parent = nullptr);
    // Made once under the main window, listed afresh and shown modally;
    // guarded by the right on "Състояние при сервиз".
    static void open(QWidget *parent);

    QLineEdit *Edit_Status;
    QComboBox *ComboBox_Color;
    QPushButton *Button_New;
    QPushButton *Button_Delete;
    QPushButton *Button_Edit;
    QTableView *DBGrid1;
    long long SelectedStatusId = 0;

    void FormShow();
    void DBGrid1CellClick();
    void ComboBox_ColorChange();
    void Button_EditClick();
    void Button_NewClick();
    void Button_DeleteClick();
    bool editMode() const;

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override; // FormClose

private:
    void setEditMode(bool edit);
    void relist();
    void resetEntry();
    SqlListModel *m_states;
};

extern QPointer<TForm_Sastoqnie_Remont> Form_Sastoqnie_Remont;
