#include "app/form_koloni.h"

#include "platform/dialogs.h"
#include "app/window_owner.h"
#include "platform/tick_list.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

QPointer<TForm_Koloni> Form_Koloni;

TForm_Koloni::TForm_Koloni(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Koloni"));
    setWindowTitle(QStringLiteral("Колони"));
    resize(300, 380);
    CheckListBox_Koloni = new QListWidget(this);
    TickList::install(CheckListBox_Koloni);
    CheckListBox_Koloni->setObjectName(QStringLiteral("CheckListBox_Koloni"));
    BitBtn_All = new QPushButton(QStringLiteral("Всичко"), this);
    BitBtn_All->setObjectName(QStringLiteral("BitBtn_All"));
    BitBtn_Notingh = new QPushButton(QStringLiteral("Нищо"), this);
    BitBtn_Notingh->setObjectName(QStringLiteral("BitBtn_Notingh"));
    BitBtn1 = new QPushButton(QStringLiteral("Приеми"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Откажи"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));

    auto *marks = new QHBoxLayout;
    marks->addWidget(BitBtn_All);
    marks->addWidget(BitBtn_Notingh);
    marks->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(CheckListBox_Koloni);
    layout->addLayout(marks);
    layout->addLayout(buttons);

    connect(BitBtn_All, &QPushButton::clicked, this, &TForm_Koloni::BitBtn_AllClick);
    connect(BitBtn_Notingh, &QPushButton::clicked, this, &TForm_Koloni::BitBtn_NotinghClick);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_Koloni::BitBtn_AllClick()
{
    TickList::setAll(CheckListBox_Koloni, true);
}

void TForm_Koloni::BitBtn_NotinghClick()
{
    TickList::setAll(CheckListBox_Koloni, false);
}

void TForm_Koloni::fillFrom(const QTableView *grid)
{
    CheckListBox_Koloni->clear();
    if (!grid || !grid->model())
        return;
    const QHeaderView *header = grid->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        const QString title =
            grid->model()->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString();
        QListWidgetItem *item = TickList::addItem(CheckListBox_Koloni, title, !header->isSectionHidden(logical));
        item->setData(Qt::UserRole, logical);
    }
}

void TForm_Koloni::applyTo(QTableView *grid) const
{
    if (!grid || !grid->model())
        return;
    const int columns = grid->model()->columnCount();
    for (int i = 0; i < CheckListBox_Koloni->count(); ++i) {
        const QListWidgetItem *item = CheckListBox_Koloni->item(i);
        const int logical = item->data(Qt::UserRole).toInt();
        if (logical >= 0 && logical < columns)
            grid->setColumnHidden(logical, item->checkState() != Qt::Checked);
    }
}

void Nastr_Koloni_Grid(QTableView *grid)
{
    if (!grid)
        return;
    if (!Form_Koloni)
        Form_Koloni = new TForm_Koloni(WindowOwner::mainWindow());
    QPointer<QTableView> target(grid);
    Form_Koloni->fillFrom(grid);
    if (Dialogs::exec(Form_Koloni) == QDialog::Accepted && target)
        Form_Koloni->applyTo(target);
}
