#pragma once
#include <QDialog>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class SqlListModel;

// "Свидетелсва на БИМ": the metrology certificate of each cash-register
// model, with the sealing firm that holds it.
class TForm_Sv_BIM : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Sv_BIM(QWidget *parent = nullptr);
    ~TForm_Sv_BIM() override;

    QTableView *DBGrid1;
    SqlListModel *model;
    QLineEdit *Edit_Model;
    QLineEdit *SpinEdit_SV_N;
    QDateEdit *DateTimePicker1;
    QLabel *Label4;
    QLabel *Label_Kontrag;
    QPushButton *BitBtn_New, *BitBtn_Dell, *BitBtn_Edit;

    int mode() const; // 0 adding, 1 editing a row
    long long selectedId() const { return m_selected; }

    void FormShow();
    void DBGrid1CellClick();
    void DBGrid1DblClick() { BitBtn_EditClick(); }
    void Label4Click();
    void BitBtn_NewClick();
    void BitBtn_DellClick();
    void BitBtn_EditClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reload();
    void setMode(int mode);
    void resetEditors(const QString &number);
    long long m_selected = 0; // the row the operator chose; 0 none
};
