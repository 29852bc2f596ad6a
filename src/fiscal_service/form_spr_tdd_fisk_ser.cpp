#include "fiscal_service/form_spr_tdd_fisk_ser.h"

#include "common/program_folder.h"
#include "fiscal_service/tax_office_file.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QDate>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TForm_SPR_TDD_Fisk_Ser::TForm_SPR_TDD_Fisk_Ser(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_SPR_TDD_Fisk_Ser"));
    setWindowTitle(QStringLiteral("Период за който се отнася справката"));
    auto *box = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    DateTimePicker_Ot = named(new QDateEdit(this), "DateTimePicker_Ot");
    DateTimePicker_Do = named(new QDateEdit(this), "DateTimePicker_Do");
    for (QDateEdit *d : {DateTimePicker_Ot, DateTimePicker_Do}) {
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        d->setCalendarPopup(true);
    }
    form->addRow(QStringLiteral("От дата"), DateTimePicker_Ot);
    form->addRow(QStringLiteral("До дата"), DateTimePicker_Do);
    box->addLayout(form);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("ОК"), this);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    box->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, &TForm_SPR_TDD_Fisk_Ser::Button1Click);
    FormShow();
}

void TForm_SPR_TDD_Fisk_Ser::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TForm_SPR_TDD_Fisk_Ser::FormShow()
{
    DateTimePicker_Ot->setDate(QDate::currentDate());
    DateTimePicker_Do->setDate(QDate::currentDate());
}

void TForm_SPR_TDD_Fisk_Ser::Button1Click()
{
    const QDate from = DateTimePicker_Ot->date();
    const QDate to = DateTimePicker_Do->date();
    if (from > to) {
        Dialogs::message(TaxOfficeFile::reversedPeriodMessage(), this);
        DateTimePicker_Ot->setFocus();
        return;
    }
    QList<QSqlRecord> rows;
    try {
        rows = TaxOfficeFile::registrations(from, to);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Регистрациите не могат да бъдат прочетени:\n") + e.message(), this);
        return;
    }
    Dialogs::message(TaxOfficeFile::countMessage(rows.size()), this);
    const QByteArray bytes = TaxOfficeFile::bytes(
        TaxOfficeFile::GET_DATA_TO_SPR_TDD(TaxOfficeFile::companyFromSettings(), from, to, rows));
    // A file that was not written is never offered for copying: the old one is not the report.
    if (writeFile(bytes))
        offerCopy(bytes);
    accept();
}

bool TForm_SPR_TDD_Fisk_Ser::writeFile(const QByteArray &bytes)
{
    QString error;
    if (TaxOfficeFile::writeTo(ProgramFolder::path(), bytes, &error))
        return true;
    Dialogs::message(TaxOfficeFile::writeFailedMessage() + QLatin1Char('\n') + error, this);
    return false;
}

void TForm_SPR_TDD_Fisk_Ser::offerCopy(const QByteArray &bytes)
{
    if (!Dialogs::yesNo(TaxOfficeFile::copyQuestion(), this))
        return;
    const QString folder = Dialogs::chooseFolder(QStringLiteral("Папка за копие на ") + QString::fromLatin1(TaxOfficeFile::FileName),
                                                 {}, this);
    if (folder.isEmpty())
        return;
    QString error;
    Dialogs::message(TaxOfficeFile::writeTo(folder, bytes, &error)
                         ? QStringLiteral("Копирането завършено")
                         : QStringLiteral("Неуспешно копиране на файла\n") + error,
                     this);
}
