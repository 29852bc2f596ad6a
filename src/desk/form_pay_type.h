#pragma once
#include "common/decimal.h"
#include "desk/consignment.h"

#include <QDialog>

#include <functional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "РАЗПЛАЩАНЕ": the payment type of a sale and the cash given.
class TForm_Pay_Type : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Pay_Type(QWidget *parent = nullptr);

    QButtonGroup *RadioGroup1; // 0 "в брой", 1 "по банков път", 2 "отложено плащане"
    QRadioButton *Item[3];
    QLineEdit *Edit_Dalji_Sum;  // the amount due
    QLineEdit *Edit_Dadena_Sum; // the cash given
    QLabel *Label_Resto;
    QPushButton *BitBtn_Priemi;
    QPushButton *BitBtn_Cancel;

    int itemIndex() const;
    void setItemIndex(int item); // reacts as a click would
    Decimal cashGiven() const { return m_cash; }

    void Edit_Dadena_SumChange();
    void BitBtn_PriemiClick();

    // Prepares the dialog for a sale and shows it modally (made once, owned by
    // `owner`). The deferred payment is offered only with a counterparty.
    static TForm_Pay_Type *GET_PAY_TYPE(QWidget *owner, long long counterparty, const QString &amountDue,
                                        int *result);

    static inline bool DeferredPaymentAvailable = true;

    // Set by whoever opens the dialog, before GET_PAY_TYPE, for a deferred payment:
    // the desk counterparty choice (returns the new counterparty's key and the
    // amount due of the lines marked again) ...
    static inline std::function<long long(Decimal *amountDue)> chooseCounterparty;
    // ... and the contract window for the cash given as the down payment
    // (TForm_Konsignation's result; the draft when it was saved).
    static inline std::function<int(long long counterparty, double downPayment, Consignment::Draft *draft)>
        openContract;
    Consignment::Draft draft() const { return m_draft; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    Decimal m_due;  // as Edit_Dalji_Sum shows it
    Decimal m_cash;
    long long m_counterparty = 0;
    Consignment::Draft m_draft;
};
