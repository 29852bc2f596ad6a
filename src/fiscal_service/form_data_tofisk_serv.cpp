#include "fiscal_service/form_data_tofisk_serv.h"

#include "fiscal_service/dismantling.h"
#include "platform/named.h"

#include <QDateEdit>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TForm_Data_ToFisk_Serv::TForm_Data_ToFisk_Serv(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Data_ToFisk_Serv"));
    setWindowTitle(QStringLiteral("Демонтаж ФП"));
    auto *box = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    Edit_DDS_A = namedEdit(QStringLiteral("Edit_DDS_A"), this);
    Edit_DDS_B = namedEdit(QStringLiteral("Edit_DDS_B"), this);
    Edit_DDS_V = namedEdit(QStringLiteral("Edit_DDS_V"), this);
    Edit_DDS_G = namedEdit(QStringLiteral("Edit_DDS_G"), this);
    Edit_DDS_SUM = namedEdit(QStringLiteral("Edit_DDS_SUM"), this);
    Edit_DDS_SUM->setReadOnly(true);
    form->addRow(QStringLiteral("Ставка А"), Edit_DDS_A);
    form->addRow(QStringLiteral("Ставка Б"), Edit_DDS_B);
    form->addRow(QStringLiteral("Ставка В"), Edit_DDS_V);
    form->addRow(QStringLiteral("Ставка Г"), Edit_DDS_G);
    form->addRow(QStringLiteral("Обща сума"), Edit_DDS_SUM);
    Label5 = named(new QLabel(QStringLiteral("нула лева"), this), "Label5");
    Label5->setTextFormat(Qt::PlainText);
    Label5->setWordWrap(true);
    form->addRow(QStringLiteral("Словом"), Label5);
    DateTimePicker_Ot = named(new QDateEdit(this), "DateTimePicker_Ot");
    DateTimePicker_Do = named(new QDateEdit(this), "DateTimePicker_Do");
    for (QDateEdit *d : {DateTimePicker_Ot, DateTimePicker_Do}) {
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        d->setCalendarPopup(true);
    }
    form->addRow(QStringLiteral("От дата:"), DateTimePicker_Ot);
    form->addRow(QStringLiteral("До дата"), DateTimePicker_Do);
    box->addLayout(form);
    auto *buttons = new QHBoxLayout;
    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("ЗАПИС"), this);
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("ОТКАЗ"), this);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    box->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    for (QLineEdit *e : amounts()) {
        e->installEventFilter(this);
        connect(e, &QLineEdit::textChanged, this, [this] { CALCULATE_STAVKA_DDS_SUM(); });
    }
    FormShow();
    resize(420, sizeHint().height());
}

QList<QLineEdit *> TForm_Data_ToFisk_Serv::amounts() const
{
    return {Edit_DDS_A, Edit_DDS_B, Edit_DDS_V, Edit_DDS_G};
}

void TForm_Data_ToFisk_Serv::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TForm_Data_ToFisk_Serv::FormShow()
{
    DateTimePicker_Ot->setDate(QDate::currentDate());
    DateTimePicker_Do->setDate(QDate::currentDate());
    m_calculating = true; // the initial texts are no change of the amounts
    for (QLineEdit *e : amounts())
        e->setText(QString::fromLatin1(Dismantling::ZeroAmount));
    m_calculating = false;
    Edit_DDS_SUM->setText(QString::fromLatin1(Dismantling::ZeroAmount));
    Label5->setText(QStringLiteral("нула лева"));
}

QString TForm_Data_ToFisk_Serv::CALCULATE_STAVKA_DDS_SUM()
{
    if (m_calculating)
        return Edit_DDS_SUM->text();
    m_calculating = true;
    double total = 0;
    for (QLineEdit *e : amounts()) {
        double amount = 0;
        if (Dismantling::parseAmount(e->text(), &amount))
            total += amount;
        else
            e->setText(QString::fromLatin1(Dismantling::ZeroAmount)); // the group counts as 0
    }
    m_calculating = false;
    const QString text = Dismantling::totalText(total);
    Edit_DDS_SUM->setText(text);
    Label5->setText(Dismantling::totalInWords(text));
    return text;
}

bool TForm_Data_ToFisk_Serv::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (edit && (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonRelease))
        QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
    return QDialog::eventFilter(watched, event);
}
