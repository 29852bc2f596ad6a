#include "counterparties/form_grupi_kontrag.h"

#include "platform/dialogs.h"
#include "platform/named.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm_Grupi_Kontrag::TForm_Grupi_Kontrag(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Grupi_Kontrag"));
    setWindowTitle(QStringLiteral("Нова група"));

    Edit_Nomer_Grupa = named(new QLineEdit(this), "Edit_Nomer_Grupa");
    Edit_Ime_Grupa = named(new QLineEdit(this), "Edit_Ime_Grupa");
    Edit_Ime_Grupa->setMinimumWidth(260);
    Button_Save = named(new QPushButton(QStringLiteral("Запис"), this), "Button_Save");
    Button_Save->setDefault(true);
    Button_Cancel = named(new QPushButton(QStringLiteral("Отказ"), this), "Button_Cancel");
    Button_Cancel->setAutoDefault(false);
    connect(Button_Save, &QPushButton::clicked, this, &TForm_Grupi_Kontrag::Button_SaveClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &TForm_Grupi_Kontrag::Button_CancelClick);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Номер"), Edit_Nomer_Grupa);
    form->addRow(QStringLiteral("Наименование"), Edit_Ime_Grupa);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button_Save);
    buttons->addWidget(Button_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void TForm_Grupi_Kontrag::prepare(int groupMode, const QString &entryCaption, const QString &parentNode,
                                  const QString &treePath)
{
    m_groupMode = groupMode;
    m_parentNode = parentNode;
    m_treePath = treePath;
    m_result = CounterpartyGroups::AddResult();
    setWindowTitle(QStringLiteral("Въвеждане на ") + entryCaption);
    const long long proposed = CounterpartyGroups::proposedNumber();
    Edit_Nomer_Grupa->setText(proposed > 0 ? QString::number(proposed) : QString());
    Edit_Ime_Grupa->clear();
    Edit_Ime_Grupa->setFocus();
}

void TForm_Grupi_Kontrag::Button_SaveClick()
{
    CounterpartyGroups::NewGroup group;
    group.numberText = Edit_Nomer_Grupa->text();
    group.name = Edit_Ime_Grupa->text();
    group.subgroup = m_groupMode == 1;
    group.parentText = m_parentNode;
    m_result = CounterpartyGroups::add(group, m_treePath);
    if (!m_result.ok) {
        Dialogs::message(m_result.message, this);
        return;
    }
    accept();
}

void TForm_Grupi_Kontrag::Button_CancelClick()
{
    reject();
}
