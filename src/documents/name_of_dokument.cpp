#include "documents/name_of_dokument.h"

#include "documents/layout_document.h"
#include "documents/layout_file.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

TName_Of_Dokument::TName_Of_Dokument(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Name_Of_Dokument"));
    setWindowTitle(QStringLiteral("Dialog"));
    auto *box = new QVBoxLayout(this);
    box->addWidget(new QLabel(QStringLiteral("Въведете име на документа"), this));
    Edit_Name_Of_Dok = namedEdit(QStringLiteral("Edit_Name_Of_Dok"), this);
    box->addWidget(Edit_Name_Of_Dok);
    box->addWidget(new QLabel(QStringLiteral("Начален номер за документ"), this));
    SpinEdit_Nomer_Dok = named(new QSpinBox(this), "SpinEdit_Nomer_Dok");
    // No number below 0: a negative one could never be printed as a number.
    SpinEdit_Nomer_Dok->setRange(0, std::numeric_limits<int>::max());
    box->addWidget(SpinEdit_Nomer_Dok);
    box->addWidget(new QLabel(QStringLiteral("Брой цифри за номера"), this));
    SpinEdit_Format_Dok = named(new QSpinBox(this), "SpinEdit_Format_Dok");
    SpinEdit_Format_Dok->setRange(1, 12);
    box->addWidget(SpinEdit_Format_Dok);
    box->addWidget(new QLabel(QStringLiteral("Форматиран номер:"), this));
    Label_Formated_Nom = named(new QLabel(QStringLiteral("0"), this), "Label_Formated_Nom");
    QFont bold = Label_Formated_Nom->font();
    bold.setBold(true);
    Label_Formated_Nom->setFont(bold);
    box->addWidget(Label_Formated_Nom);
    auto *buttons = new QHBoxLayout;
    OKBtn = named(new QPushButton(QStringLiteral("OK"), this), "OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = namedButton(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"), this);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    box->addLayout(buttons);

    connect(SpinEdit_Nomer_Dok, &QSpinBox::valueChanged, this, &TName_Of_Dokument::SpinEdit_Nomer_DokChange);
    connect(SpinEdit_Format_Dok, &QSpinBox::valueChanged, this, &TName_Of_Dokument::SpinEdit_Nomer_DokChange);
    connect(OKBtn, &QPushButton::clicked, this, &TName_Of_Dokument::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TName_Of_Dokument::SpinEdit_Nomer_DokChange()
{
    Label_Formated_Nom->setText(LayoutSave::formattedNumber(SpinEdit_Nomer_Dok->value(), SpinEdit_Format_Dok->value()));
}

void TName_Of_Dokument::OKBtnClick()
{
    LayoutSave::Request request;
    request.name = Edit_Name_Of_Dok->text();
    request.startNumber = SpinEdit_Nomer_Dok->value();
    request.digits = SpinEdit_Format_Dok->value();
    request.where = where;
    const QString problem = LayoutFile::nameProblem(request.name);
    if (!problem.isEmpty()) {
        Dialogs::message(problem, this);
        Edit_Name_Of_Dok->setFocus();
        return;
    }
    bool exists = false;
    try {
        exists = LayoutSave::exists(request.name);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Списъкът с документи не може да бъде прочетен:\n%1").arg(e.message()), this);
        return;
    }
    if (exists
        && !Dialogs::yesNo(QStringLiteral("Документ с име \"%1\" вече съществува.\nЖелаете ли да го замените?")
                               .arg(request.name),
                           this))
        return;
    QString error;
    if (!LayoutSave::save(Layout::current(), request, &error)) {
        Dialogs::message(error, this);
        return;
    }
    accept();
}
