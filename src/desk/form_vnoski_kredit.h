#pragma once
#include "desk/consignment.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class SqlListModel;

// "Вноски кредити": a counterparty's open contracts, the state of the
// current instalment and its payment.
class TForm_Vnoski_Kredit : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Vnoski_Kredit(QWidget *parent = nullptr);
    ~TForm_Vnoski_Kredit() override;

    static constexpr int PickMode = 3; // the counterparty picker's mode for this window
    static constexpr const char *NoCounterparty = "0: Няма избран контрагент";

    QLabel *Label1; // "Контрагент:" opens the picker
    QLabel *Label_Kontrag_Vnoski;
    QComboBox *ComboBox_N_Kredit;
    QLabel *Label_Kol_Vnoski;
    QLabel *Label_Lihva;
    QLabel *Label_First_Vnosk;
    QLabel *Label12;
    QLabel *Label_Ob6to_Sum;
    QLabel *Label_Sum_Vnoska;
    QLabel *Label_N_Vnoska;
    QLabel *Label_4ast_Pay_SUM;
    QCheckBox *ChkBox_4ast_Pay;
    QLineEdit *Edit_4ast_Pay;
    QTableView *DBGrid1;
    QPushButton *Button_Pay;
    QPushButton *Button_Cancel;
    QPushButton *Button1;

    // Made once; shows the counterparty's contracts (none chosen: empty).
    // Every road is guarded by the right on "Изплащане вноски".
    static void open(QWidget *owner, const QString &counterparty = QString::fromUtf8(NoCounterparty));
    static TForm_Vnoski_Kredit *instance();

    void loadContracts(const QString &counterparty); // picker mode 3, the desk button, after each payment
    void ComboBox_N_KreditChange();
    void ChkBox_4ast_PayClick();
    void Label1Click();
    void Button_PayClick();
    void Button_CancelClick();
    void Button1Click();

    long long counterparty() const;
    Consignment::State current() const { return m_state; }

protected:
    void reject() override;

private:
    void clearState();

    SqlListModel *m_goods;
    Consignment::State m_state;
};
