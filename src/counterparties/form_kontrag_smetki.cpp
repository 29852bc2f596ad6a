#include "counterparties/form_kontrag_smetki.h"
#include "platform/named.h"

#include "counterparties/counterparty_sites.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>

TForm_Kontrag_Smetki::TForm_Kontrag_Smetki(QWidget *parent)
    : CounterpartyRowsWindow(QStringLiteral("Form_Kontrag_Smetki"), QStringLiteral("Сметки за избран контрагент"),
                             QStringLiteral("Button_New_Save"), QStringLiteral("Kontrag_SM"), QStringLiteral("ID_SM"),
                             parent)
{
    Button_New_Save = leftButton();
    Edit_Nomer_SM = namedEdit(QStringLiteral("Edit_Nomer_SM"), this);
    Edit_Kod_SM = namedEdit(QStringLiteral("Edit_Kod_SM"), this);
    ComboBox_Banka = new QComboBox(this);
    ComboBox_Banka->setObjectName(QStringLiteral("ComboBox_Banka"));
    ComboBox_Banka->setEditable(true);
    ComboBox_Banka->setInsertPolicy(QComboBox::NoInsert);
    Edit_Klon = namedEdit(QStringLiteral("Edit_Klon"), this);
    CheckBox_DDS_SM = new QCheckBox(QStringLiteral("ДДС сметка"), this);
    CheckBox_DDS_SM->setObjectName(QStringLiteral("CheckBox_DDS_SM"));

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Номер на сметка"), this), 0, 0);
    grid->addWidget(Edit_Nomer_SM, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Код"), this), 0, 2);
    grid->addWidget(Edit_Kod_SM, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Банка"), this), 1, 0);
    grid->addWidget(ComboBox_Banka, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Клон"), this), 1, 2);
    grid->addWidget(Edit_Klon, 1, 3);
    grid->addWidget(CheckBox_DDS_SM, 2, 1);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    setEditArea(grid);
    resize(700, 440);
}

void TForm_Kontrag_Smetki::titleColumns()
{
    static const QList<QPair<const char *, const char *>> titles = {
        {"ID_SM", "Номер"}, {"Smetka", "Номер на сметка"}, {"Kod", "Код на сметка"},
        {"Banka", "Банка"}, {"Klon", "Клон"},              {"DDS", "ДДС сметка"}};
    for (const auto &t : titles)
        list()->setHeaderTitle(QString::fromLatin1(t.first), QString::fromUtf8(t.second));
}

void TForm_Kontrag_Smetki::clearEdits(bool afterSave)
{
    Edit_Nomer_SM->clear();
    Edit_Kod_SM->clear();
    Edit_Klon->clear();
    // After a save the bank text and the check box are emptied as well; a
    // cancel keeps the check box as it is.
    if (afterSave) {
        ComboBox_Banka->setEditText(QString());
        CheckBox_DDS_SM->setChecked(false);
    }
}

void TForm_Kontrag_Smetki::fillEdits(const QSqlRecord &row)
{
    Edit_Nomer_SM->setText(row.value(QStringLiteral("Smetka")).toString());
    Edit_Kod_SM->setText(row.value(QStringLiteral("Kod")).toString());
    CheckBox_DDS_SM->setChecked(row.value(QStringLiteral("DDS")).toString() == QLatin1String("True"));
    ComboBox_Banka->setEditText(row.value(QStringLiteral("Banka")).toString());
    Edit_Klon->setText(row.value(QStringLiteral("Klon")).toString());
}

void TForm_Kontrag_Smetki::startNew()
{
    ComboBox_Banka->clear();
    try {
        ComboBox_Banka->addItems(CounterpartySites::bankNames());
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Грешка при четене от базата данни:\n") + e.message(), this);
    }
    ComboBox_Banka->setEditText(QString());
}

namespace {
CounterpartySites::Account accountOf(const TForm_Kontrag_Smetki &w, long long id)
{
    CounterpartySites::Account a;
    a.id = id;
    a.Smetka = w.Edit_Nomer_SM->text();
    a.Kod = w.Edit_Kod_SM->text();
    a.Banka = w.ComboBox_Banka->currentText();
    a.Klon = w.Edit_Klon->text();
    a.DDS = w.CheckBox_DDS_SM->isChecked();
    return a;
}
} // namespace

void TForm_Kontrag_Smetki::insertRow(long long counterparty)
{
    CounterpartySites::insertAccount(counterparty, accountOf(*this, 0));
}

void TForm_Kontrag_Smetki::updateRow(long long counterparty, long long id)
{
    CounterpartySites::updateAccount(counterparty, accountOf(*this, id));
}

QString TForm_Kontrag_Smetki::removeRow(long long counterparty, long long id)
{
    return CounterpartySites::removeAccount(counterparty, id);
}

QString TForm_Kontrag_Smetki::deleteQuestion() const
{
    return QStringLiteral("Желаете ли да изтриете избраната сметка?");
}

QString TForm_Kontrag_Smetki::deleteRefused(const QString &table) const
{
    return QStringLiteral("Сметката не може да бъде изтрита: използва се в таблица ") + table;
}
