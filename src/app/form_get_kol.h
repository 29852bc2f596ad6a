#pragma once
#include <QDialog>
#include <QPointer>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The prompt of the whole program: a borderless box with one or two edits.
// Its layout follows PromptMode when it opens:
//   0 quantity, 1 serial number and warranty, 2 open bill number,
//   3 reason for annulling, 4 name of a stored report.
// "ПРИЕМИ" ends it with 1, "ОТКАЖИ" and Esc with 2. In mode 2 it takes only a
// whole bill number of 1 or more and stores it in CurrentBill.
class TForm_Get_Kol : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Get_Kol(QWidget *parent = nullptr);

    QLabel *Label_Opis;
    QLabel *Label_Kol;
    QLineEdit *Edit_Kol;
    QLabel *Label_SN;
    QLineEdit *Edit_SN;
    QLabel *Label_Garanc;
    QLineEdit *Edit_Garanc;
    QPushButton *BitBtn1; // "ПРИЕМИ"
    QPushButton *BitBtn2; // "ОТКАЖИ"

    static constexpr int ResultOk = 1;
    static constexpr int ResultCancel = 2;

    void FormShow(); // lays the dialog out for the current PromptMode
    void BitBtn1Click();
    void reject() override;

    // A bill number as mode 2 accepts it: a whole number from 1 up.
    static bool parseBillNumber(const QString &text, int *bill);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void placeDescription(int column, int span);
    QGridLayout *m_grid;
};

extern QPointer<TForm_Get_Kol> Form_Get_Kol;
// The one prompt of the run, made on first use (owned by the main window).
TForm_Get_Kol *promptDialog();
