#include "desk/form_cenovi_listi.h"

#include "app/record_ops.h"
#include "platform/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

TForm_Cenovi_Listi::TForm_Cenovi_Listi(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Cenovi_Listi"));
    setWindowTitle(QStringLiteral("Ценови групи"));
    Edit5 = namedEdit(QStringLiteral("Edit5"), this);
    Edit5->setReadOnly(true);
    Edit5->installEventFilter(this);
    Edit1 = namedEdit(QStringLiteral("Edit1"), this);
    Edit3 = namedEdit(QStringLiteral("Edit3"), this);
    Edit4 = namedEdit(QStringLiteral("Edit4"), this);
    Edit4->setText(QStringLiteral("1.00"));
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox1->addItems({QStringLiteral("P : продажна цена"), QStringLiteral("D : доставна цена"),
                         QStringLiteral("0..9 : цифри"), QStringLiteral("+ : сбор"), QStringLiteral("- : разлика"),
                         QStringLiteral("* : умножение"), QStringLiteral("/ : деление"), QStringLiteral(". : точка")});
    CheckBox1 = named(new QCheckBox(QStringLiteral("Продажна / доставна цена"), this), "CheckBox1");
    Grid = named(new QTableWidget(this), "StringGrid1");
    Button_Proba = namedButton(QStringLiteral("Button_Proba"), QStringLiteral("Проба"), this);
    Button_Proba->hide();
    Button_Zapis = namedButton(QStringLiteral("Button_Zapis"), QStringLiteral("ЗАПИС"), this);
    Button_Otkaz = namedButton(QStringLiteral("Button_Otkaz"), QStringLiteral("ОТКАЗ"), this);

    auto *g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("Наименование:"), this), 0, 0);
    g->addWidget(Edit1, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Формула:"), this), 1, 0);
    g->addWidget(Edit5, 1, 1);
    g->addWidget(ComboBox1, 1, 2);
    g->addWidget(CheckBox1, 2, 1);
    g->addWidget(Edit4, 2, 2);
    g->addWidget(Edit3, 3, 1);
    g->addWidget(Button_Proba, 3, 2);
    g->addWidget(Grid, 4, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Zapis);
    buttons->addWidget(Button_Otkaz);
    g->addLayout(buttons, 5, 0, 1, 3);
    connect(Button_Proba, &QPushButton::clicked, this, &TForm_Cenovi_Listi::Button_ProbaClick);
}

void TForm_Cenovi_Listi::Edit5KeyPress(QChar key)
{
    static const QString allowed = QStringLiteral("PDpd0123456789+-*/.%");
    if (!allowed.contains(key))
        return;
    Edit5->setText(Edit5->text() + key.toUpper());
    Edit5->setCursorPosition(int(Edit5->text().size()));
}

void TForm_Cenovi_Listi::Button_ProbaClick()
{
    Edit3->setText(GETRESULT_FORMULA(Edit5->text(), 1, 1));
}

bool TForm_Cenovi_Listi::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit5 && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (text.size() == 1) {
            Edit5KeyPress(text.at(0));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
