#include "counterparties/form_kontakti.h"

#include "platform/named.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

TForm_Kontakti::TForm_Kontakti(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Kontakti"));
    setWindowTitle(QStringLiteral("Контакти"));

    Edit_Tarsi = namedEdit(QStringLiteral("Edit_Tarsi"), this);
    Button_Tarsi = namedButton(QStringLiteral("Button_Tarsi"), QStringLiteral("Търси"), this);
    TreeView_Kontakti = named(new QTreeWidget(this), "TreeView_Kontakti");
    TreeView_Kontakti->setHeaderHidden(true);
    Edit_Ime = namedEdit(QStringLiteral("Edit_Ime"), this);
    Edit_Adres = namedEdit(QStringLiteral("Edit_Adres"), this);
    Edit_Telefon = namedEdit(QStringLiteral("Edit_Telefon"), this);
    Memo_Zabelejka = named(new QPlainTextEdit(this), "Memo_Zabelejka");
    Image_Vizitka = named(new QLabel(this), "Image_Vizitka");
    Image_Vizitka->setFrameShape(QFrame::Panel);
    Image_Vizitka->setFrameShadow(QFrame::Sunken);
    Image_Vizitka->setMinimumSize(270, 160);
    Image_Vizitka->setAlignment(Qt::AlignCenter);
    Button_Nov = namedButton(QStringLiteral("Button_Nov"), QStringLiteral("Нов"), this);
    Button_Zapis = namedButton(QStringLiteral("Button_Zapis"), QStringLiteral("Запис"), this);
    Button_Iztrii = namedButton(QStringLiteral("Button_Iztrii"), QStringLiteral("Изтрии"), this);
    Button_Zatvori = namedButton(QStringLiteral("Button_Zatvori"), QStringLiteral("Затвори"), this);
    // Nothing is stored or found here.
    for (QPushButton *b : {Button_Tarsi, Button_Nov, Button_Zapis, Button_Iztrii})
        b->setEnabled(false);
    connect(Button_Zatvori, &QPushButton::clicked, this, &QDialog::reject);

    auto *search = new QHBoxLayout;
    search->addWidget(Edit_Tarsi, 1);
    search->addWidget(Button_Tarsi);
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(search);
    leftLayout->addWidget(TreeView_Kontakti, 1);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Име"), Edit_Ime);
    fields->addRow(QStringLiteral("Адрес"), Edit_Adres);
    fields->addRow(QStringLiteral("Телефон"), Edit_Telefon);
    fields->addRow(QStringLiteral("Бележка"), Memo_Zabelejka);
    fields->addRow(QStringLiteral("Визитка"), Image_Vizitka);
    auto *right = new QWidget(this);
    right->setLayout(fields);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Button_Nov, Button_Zapis, Button_Iztrii})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(Button_Zatvori);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    resize(760, 480);
}
