#pragma once
#include "desk/consignment.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class SqlListModel;

// "Консигнация": the deferred-payment contract of a sale being made. It
// writes nothing to the database: "ВЪВЕЖДАНЕ" hands the sale a draft, and
// the sale's transaction inserts the contract with the goods.
class TForm_Konsignation : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Konsignation(QWidget *parent = nullptr);
    ~TForm_Konsignation() override;

    enum Result { Saved = 1, Cancelled = 2, ClosedOtherwise = -1 };

    QLabel *Label_ID_Konsignation;
    QLabel *Label_ID_Kontragent;
    QDateEdit *DateTimePicker_Otdavane;
    QDateEdit *DateTimePicker_Pay;
    QSpinBox *SpEdit_Broj_Vnosk;
    QComboBox *ComboBox_Period_Vnosk;
    QComboBox *ComboBox_PayTape;
    QLineEdit *Edit_Lihva;
    QLineEdit *Edit_First_Vnoska;
    QLabel *Label_Ob6to_Sum_Art;
    QLabel *Label_Ob6to_Sum;
    QLabel *Label_Vnoska;
    QTableView *DBGrid_Konsignation;
    QPushButton *BitBtn_Ok;
    QPushButton *BitBtn2;
    QPushButton *Button_Delete;
    QPushButton *Button_Pe4at;

    // Fills the work table with the lines and shows the window modally.
    // Returns Saved (the draft in `draft`), Cancelled or ClosedOtherwise.
    static int INSERTINTO_KONSIGNATION(QWidget *owner, const QList<Consignment::ContractLine> &lines,
                                       const QString &counterparty, double downPayment,
                                       Consignment::Draft *draft);
    static TForm_Konsignation *instance(); // the window of the run, if made

    void recalculate();                 // total and instalment from the shown texts
    void SpEdit_Broj_VnoskChange();     // also sets the final date
    void ComboBox_Period_VnoskChange(); // sets the final date
    void ComboBox_PayTapeChange();
    void Button_DeleteClick();
    void BitBtn_OkClick();
    void BitBtn2Click();
    void Button_Pe4atClick();

    Consignment::Draft draft() const { return m_draft; }

protected:
    void done(int result) override;

private:
    void prepare(const QList<Consignment::ContractLine> &lines, const QString &counterparty, double downPayment);
    void refreshPurchase();
    void setFinalDate();
    bool readNumbers(Decimal *rate, Decimal *down, bool tell);
    QList<long long> shownLines() const;

    SqlListModel *m_lines;
    Decimal m_purchase; // exact; the label shows it with four decimals
    Consignment::Draft m_draft;
    int m_result = ClosedOtherwise;
};
