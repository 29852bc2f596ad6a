#include "desk/tok_bottom_dlg.h"

#include "common/money.h"
#include "desk/desk_money.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

TOKBottomDlg::TOKBottomDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("OKBottomDlg"));
    setWindowTitle(QStringLiteral("Обща отстъпка за артикулите"));
    Edit_Ob6ta_TO = namedEdit(QStringLiteral("Edit_Ob6ta_TO"), this);
    Edit_Cena1 = namedEdit(QStringLiteral("Edit_Cena1"), this);
    Edit_Cena2 = namedEdit(QStringLiteral("Edit_Cena2"), this);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Отстъпка/Надбавка %:"), Edit_Ob6ta_TO);
    form->addRow(QStringLiteral("Стара цена"), Edit_Cena1);
    form->addRow(QStringLiteral("Нова цена"), Edit_Cena2);
    auto *ok = namedButton(QStringLiteral("OKBtn"), QStringLiteral("OK"), this);
    auto *cancel = namedButton(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    // An emptied edit takes its neutral value back.
    auto keep = [](QLineEdit *e, const QString &neutral) {
        connect(e, &QLineEdit::textEdited, e, [e, neutral] {
            if (e->text().trimmed().isEmpty())
                e->setText(neutral);
        });
    };
    keep(Edit_Ob6ta_TO, QStringLiteral("0"));
    keep(Edit_Cena1, QStringLiteral("1"));
    keep(Edit_Cena2, QStringLiteral("1"));
    connect(Edit_Cena2, &QLineEdit::textEdited, this, &TOKBottomDlg::Edit_Cena2Change);
    connect(ok, &QPushButton::clicked, this, &TOKBottomDlg::OKBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOKBottomDlg::FormShow()
{
    Edit_Ob6ta_TO->setText(QStringLiteral("0.0000"));
    Edit_Cena1->setText(QStringLiteral("1.0000"));
    Edit_Cena2->setText(QStringLiteral("1.0000"));
    Edit_Ob6ta_TO->setFocus();
    Edit_Ob6ta_TO->selectAll();
}

void TOKBottomDlg::Edit_Cena2Change()
{
    const auto oldPrice = Decimal::parse(Edit_Cena1->text()), newPrice = Decimal::parse(Edit_Cena2->text());
    if (!oldPrice || !newPrice || oldPrice->isZero())
        return;
    Edit_Ob6ta_TO->setText(
        Decimal::product({*oldPrice - *newPrice, Decimal(100)}, *oldPrice, DeskMoney::DiscountDecimals).toString(4));
}

void TOKBottomDlg::OKBtnClick()
{
    // A percent that is no number, or above 100, changes nothing.
    QString error;
    const auto percent = DeskMoney::parseDiscount(Edit_Ob6ta_TO->text(), &error);
    if (!percent) {
        Dialogs::message(error, this);
        Edit_Ob6ta_TO->setFocus();
        return;
    }
    m_percent = *percent;
    accept();
}

bool TOKBottomDlg::ask(QWidget *owner, Decimal *percent)
{
    static QPointer<TOKBottomDlg> dialog;
    if (!dialog)
        dialog = new TOKBottomDlg(owner);
    dialog->FormShow();
    if (Dialogs::exec(dialog) != QDialog::Accepted)
        return false;
    *percent = dialog->percent();
    return true;
}
