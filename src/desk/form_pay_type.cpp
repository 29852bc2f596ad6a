#include "desk/form_pay_type.h"

#include "app/app_state.h"
#include "common/money.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

TForm_Pay_Type::TForm_Pay_Type(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form_Pay_Type"));
    setWindowTitle(QStringLiteral("РАЗПЛАЩАНЕ"));
    auto *frame = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("РАЗПЛАЩАНЕ"), this);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("font-weight: bold"));
    frame->addWidget(title);

    auto *box = named(new QGroupBox(QStringLiteral("Вид плащане"), this), "RadioGroup1");
    RadioGroup1 = new QButtonGroup(this);
    auto *grid = new QGridLayout(box);
    const char *items[3] = {"в брой", "по банков път", "отложено плащане"};
    for (int i = 0; i < 3; ++i) {
        Item[i] = new QRadioButton(QString::fromUtf8(items[i]), box);
        Item[i]->setObjectName(QStringLiteral("RadioGroup1_%1").arg(i));
        RadioGroup1->addButton(Item[i], i);
        grid->addWidget(Item[i], i / 2, i % 2);
    }
    frame->addWidget(box);

    Edit_Dalji_Sum = namedEdit(QStringLiteral("Edit_Dalji_Sum"), this);
    Edit_Dalji_Sum->setEnabled(false);
    Edit_Dadena_Sum = namedEdit(QStringLiteral("Edit_Dadena_Sum"), this);
    for (QLineEdit *e : {Edit_Dalji_Sum, Edit_Dadena_Sum})
        e->setAlignment(Qt::AlignRight);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Дължима сума"), Edit_Dalji_Sum);
    form->addRow(QStringLiteral("Сума в брой"), Edit_Dadena_Sum);
    frame->addLayout(form);
    Label_Resto = named(new QLabel(QStringLiteral("РЕСТО: 0.00"), this), "Label_Resto");
    Label_Resto->setStyleSheet(QStringLiteral("color: red; font-size: 18pt; font-weight: bold"));
    frame->addWidget(Label_Resto);
    BitBtn_Priemi = namedButton(QStringLiteral("BitBtn_Priemi"), QStringLiteral("ПРИЕМИ"), this);
    BitBtn_Cancel = namedButton(QStringLiteral("BitBtn_Cancel"), QStringLiteral("ОТКАЖИ"), this);
    BitBtn_Priemi->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn_Priemi);
    buttons->addWidget(BitBtn_Cancel);
    frame->addLayout(buttons);
    setStyleSheet(QStringLiteral("TForm_Pay_Type { border: 2px solid gray; }"));

    connect(Edit_Dadena_Sum, &QLineEdit::textEdited, this, &TForm_Pay_Type::Edit_Dadena_SumChange);
    connect(RadioGroup1, &QButtonGroup::idClicked, this, &TForm_Pay_Type::setItemIndex);
    connect(BitBtn_Priemi, &QPushButton::clicked, this, &TForm_Pay_Type::BitBtn_PriemiClick);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TForm_Pay_Type::itemIndex() const
{
    return RadioGroup1->checkedId();
}

void TForm_Pay_Type::setItemIndex(int item)
{
    if (item < 0 || item > 2)
        return;
    Item[item]->setChecked(true);
    Edit_Dadena_Sum->setText(item == 2 ? QStringLiteral("0") : Edit_Dalji_Sum->text());
    Edit_Dadena_SumChange();
}

void TForm_Pay_Type::Edit_Dadena_SumChange()
{
    if (Edit_Dadena_Sum->text().trimmed().isEmpty())
        Edit_Dadena_Sum->setText(QStringLiteral("0"));
    if (const auto cash = Decimal::parse(Edit_Dadena_Sum->text()))
        Label_Resto->setText(QStringLiteral("РЕСТО: ") + Money::format42(*cash - m_due));
}

void TForm_Pay_Type::BitBtn_PriemiClick()
{
    const auto typed = Decimal::parse(Edit_Dadena_Sum->text());
    if (!typed || typed->isNegative()) {
        Dialogs::message(QStringLiteral("Сумата в брой трябва да бъде число, не по-малко от 0."), this);
        Edit_Dadena_Sum->setFocus();
        Edit_Dadena_Sum->selectAll();
        return;
    }
    if (itemIndex() < 0)
        return;
    const Decimal cash = *typed;
    const bool shortOfDue = cash.rounded(2) < m_due.rounded(2);
    if (itemIndex() == 2 && !shortOfDue) {
        Dialogs::message(QStringLiteral("Сумата в брой покрива дължимата сума: плащането не може да бъде отложено."),
                         this);
        return;
    }
    if (itemIndex() != 2 && shortOfDue) {
        if (!DeferredPaymentAvailable) {
            Dialogs::message(QStringLiteral("Сумата в брой е по-малка от дължимата сума."), this);
            Edit_Dadena_Sum->setFocus();
            return;
        }
        if (m_counterparty <= 0) {
            Dialogs::message(QStringLiteral("Необходимо е да се посочи контрагент за консигнацията!"), this);
            Decimal due = m_due;
            m_counterparty = chooseCounterparty ? chooseCounterparty(&due) : 0;
            m_due = due;
            Edit_Dalji_Sum->setText(Money::formatWidth(due, 4, PriceDecimals).trimmed());
            if (m_counterparty <= 0) {
                Dialogs::message(QStringLiteral("Не е избран контрагент: плащането не може да бъде отложено."), this);
                Edit_Dadena_SumChange();
                return;
            }
            Item[2]->setVisible(true);
            if (cash.rounded(2) >= m_due.rounded(2)) {
                // The amount due fell with the counterparty's discounts: cash pays it.
                Edit_Dadena_SumChange();
                return;
            }
        }
        Item[2]->setChecked(true);
        Edit_Dadena_Sum->setText(cash.toString());
        Edit_Dadena_SumChange();
    }
    if (itemIndex() == 2) {
        if (m_counterparty <= 0) {
            Dialogs::message(QStringLiteral("Необходимо е да се посочи контрагент за консигнацията!"), this);
            return;
        }
        Consignment::Draft d;
        const int saved = openContract ? openContract(m_counterparty, cash.toDouble(), &d) : 2;
        if (saved != 1) {
            reject();
            return;
        }
        m_draft = d;
    }
    m_cash = cash;
    accept();
}

void TForm_Pay_Type::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Edit_Dadena_Sum->setFocus();
    Edit_Dadena_Sum->selectAll();
}

TForm_Pay_Type *TForm_Pay_Type::GET_PAY_TYPE(QWidget *owner, long long counterparty, const QString &amountDue,
                                             int *result)
{
    static QPointer<TForm_Pay_Type> dialog;
    if (!dialog)
        dialog = new TForm_Pay_Type(owner);
    dialog->Item[2]->setVisible(DeferredPaymentAvailable && counterparty > 0);
    dialog->m_counterparty = counterparty;
    dialog->m_draft = {};
    dialog->m_due = Decimal::parse(amountDue).value_or(Decimal());
    dialog->m_cash = Decimal();
    dialog->Edit_Dalji_Sum->setText(amountDue.trimmed());
    dialog->Edit_Dadena_Sum->setText(amountDue.trimmed());
    dialog->setItemIndex(0);
    *result = Dialogs::exec(dialog);
    return dialog;
}
