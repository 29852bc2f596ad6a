#include "platform/printer_check_list.h"

#include "platform/printers.h"
#include "platform/tick_list.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

PrinterCheckList::PrinterCheckList(const QString &listName, QWidget *parent)
    : QWidget(parent)
{
    CheckListBox_Printers = new QListWidget(this);
    CheckListBox_Printers->setObjectName(listName);
    TickList::install(CheckListBox_Printers);
    BitBtn5 = new QPushButton(QStringLiteral("Всички"), this);
    BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
    BitBtn4 = new QPushButton(QStringLiteral("Нищо"), this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn5);
    buttons->addWidget(BitBtn4);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(CheckListBox_Printers);
    layout->addLayout(buttons);

    connect(BitBtn5, &QPushButton::clicked, this, &PrinterCheckList::BitBtn5Click);
    connect(BitBtn4, &QPushButton::clicked, this, &PrinterCheckList::BitBtn4Click);
}

void PrinterCheckList::BitBtn5Click()
{
    TickList::setAll(CheckListBox_Printers, true);
}

void PrinterCheckList::BitBtn4Click()
{
    TickList::setAll(CheckListBox_Printers, false);
}

QString PrinterCheckList::reload(bool checkSelected)
{
    const QString current = Printers::selected();
    CheckListBox_Printers->clear();
    QStringList names = Printers::installed();
    names.removeAll(Printers::PdfFile);
    names.append(Printers::PdfFile); // the list always ends with the PDF file
    for (const QString &name : names)
        TickList::addItem(CheckListBox_Printers, name, checkSelected && name == current);
    return current;
}

QStringList PrinterCheckList::checkedPrinters() const
{
    return TickList::tickedTexts(CheckListBox_Printers);
}

void PrinterCheckList::setChecked(const QString &printer, bool checked)
{
    for (int i = 0; i < CheckListBox_Printers->count(); ++i)
        if (CheckListBox_Printers->item(i)->text() == printer)
            CheckListBox_Printers->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}
