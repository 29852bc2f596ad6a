#include "app/form_get_kol.h"

#include "common/money.h"
#include "platform/dialogs.h"
#include "platform/long_texts.h"
#include "app/app_state.h"
#include "app/window_owner.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <limits>

QPointer<TForm_Get_Kol> Form_Get_Kol;

TForm_Get_Kol *promptDialog()
{
    if (!Form_Get_Kol)
        Form_Get_Kol = new TForm_Get_Kol(WindowOwner::mainWindow());
    return Form_Get_Kol;
}

TForm_Get_Kol::TForm_Get_Kol(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form_Get_Kol"));
    setWindowTitle(QStringLiteral("ВЕНТАРОС"));

    // Without a title bar the box needs a visible edge of its own.
    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setLineWidth(2);

    Label_Opis = new ElidedLabel(QStringLiteral("Описание на избран артикул          "), frame);
    Label_Opis->setObjectName(QStringLiteral("Label_Opis"));
    Label_Opis->setTextFormat(Qt::PlainText);
    Label_Opis->setWordWrap(true);
    Label_Kol = new QLabel(QStringLiteral("Количество"), frame);
    Label_Kol->setObjectName(QStringLiteral("Label_Kol"));
    Edit_Kol = new QLineEdit(QStringLiteral("1"), frame);
    Edit_Kol->setObjectName(QStringLiteral("Edit_Kol"));
    Label_SN = new QLabel(QStringLiteral("Сериен Номер / Поредица от"), frame);
    Label_SN->setObjectName(QStringLiteral("Label_SN"));
    Edit_SN = new QLineEdit(frame);
    Edit_SN->setObjectName(QStringLiteral("Edit_SN"));
    Label_Garanc = new QLabel(QStringLiteral("Гаранция / Поредица До"), frame);
    Label_Garanc->setObjectName(QStringLiteral("Label_Garanc"));
    Edit_Garanc = new QLineEdit(frame);
    Edit_Garanc->setObjectName(QStringLiteral("Edit_Garanc"));
    BitBtn1 = new QPushButton(QStringLiteral("ПРИЕМИ"), frame);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("ОТКАЖИ"), frame);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    for (QLineEdit *e : {Edit_Kol, Edit_SN, Edit_Garanc})
        e->setMinimumWidth(220);

    m_grid = new QGridLayout;
    m_grid->addWidget(Label_Opis, 0, 0, 1, 2);
    m_grid->addWidget(Label_Kol, 1, 0);
    m_grid->addWidget(Edit_Kol, 1, 1);
    m_grid->addWidget(Label_SN, 2, 0);
    m_grid->addWidget(Edit_SN, 2, 1);
    m_grid->addWidget(Label_Garanc, 3, 0);
    m_grid->addWidget(Edit_Garanc, 3, 1);
    m_grid->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *inner = new QVBoxLayout(frame);
    inner->addLayout(m_grid);
    inner->addLayout(buttons);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Get_Kol::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm_Get_Kol::reject);
}

void TForm_Get_Kol::placeDescription(int column, int span)
{
    m_grid->removeWidget(Label_Opis);
    m_grid->addWidget(Label_Opis, 0, column, 1, span);
}

void TForm_Get_Kol::FormShow()
{
    Edit_Kol->setText(QStringLiteral("1"));
    Label_Opis->setVisible(true);
    Label_Kol->setText(QStringLiteral("Количество"));
    auto serials = [this](bool shown) {
        for (QWidget *w : {static_cast<QWidget *>(Label_SN), static_cast<QWidget *>(Edit_SN),
                           static_cast<QWidget *>(Label_Garanc), static_cast<QWidget *>(Edit_Garanc)})
            w->setVisible(shown);
    };
    auto quantity = [this](bool shown) {
        Label_Kol->setVisible(shown);
        Edit_Kol->setVisible(shown);
    };
    switch (PromptMode) {
    case 0:
        placeDescription(0, 2);
        quantity(true);
        serials(false);
        break;
    case 1:
        quantity(false);
        placeDescription(1, 1);
        serials(true);
        break;
    case 2:
        Label_Opis->setVisible(false);
        Label_Kol->setText(QStringLiteral("Номер на открита сметка"));
        quantity(true);
        serials(false);
        break;
    case 3:
        Label_Opis->setVisible(false);
        Label_Kol->setText(QStringLiteral("Посочете основание за анулиране"));
        Edit_Kol->setText(QStringLiteral("Върната стока"));
        quantity(true);
        serials(false);
        break;
    case 4:
        Label_Opis->setVisible(false);
        Label_Kol->setText(QStringLiteral("Въведете име на справката"));
        quantity(true);
        serials(false);
        break;
    default:
        break; // the layout of the previous showing stays
    }
    if (PromptMode == 1) {
        Edit_SN->setFocus();
    } else {
        Edit_Kol->setFocus();
        Edit_Kol->selectAll();
    }
}

void TForm_Get_Kol::showEvent(QShowEvent *event)
{
    FormShow();
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    QDialog::showEvent(event);
}

bool TForm_Get_Kol::parseBillNumber(const QString &text, int *bill)
{
    long long value = 0;
    if (!Numbers::parseInteger(text.trimmed(), &value) || value < 1
        || value > std::numeric_limits<int>::max())
        return false;
    *bill = int(value);
    return true;
}

void TForm_Get_Kol::BitBtn1Click()
{
    if (PromptMode == 2) {
        // A wrong bill number must not close the prompt as accepted: the
        // caller would go on adding lines to the old bill.
        int bill = 0;
        if (!parseBillNumber(Edit_Kol->text(), &bill)) {
            Dialogs::message(QStringLiteral("Номерът на сметката трябва да бъде цяло число, "
                                            "по-голямо или равно на 1."),
                             this);
            Edit_Kol->setFocus();
            Edit_Kol->selectAll();
            return;
        }
        CurrentBill = bill;
    }
    done(ResultOk);
}

void TForm_Get_Kol::reject()
{
    done(ResultCancel);
}
