#include "offers/form_izgotveni_oferti.h"

#include "common/dates.h"
#include "offers/order_list.h"
#include "platform/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TForm_Izgotveni_Oferti::TForm_Izgotveni_Oferti(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Izgotveni_Oferti"));
    setWindowTitle(QStringLiteral("Справка изготвени оферти"));
    CheckBox_Kontragent = named(new QCheckBox(QStringLiteral("Контрагент"), this), "CheckBox_Kontragent");
    CheckBox_Artikul = named(new QCheckBox(QStringLiteral("Артикул"), this), "CheckBox_Artikul");
    CheckBox_Data = named(new QCheckBox(QStringLiteral("Дата"), this), "CheckBox_Data");
    CheckBox_Nomer_Dok = named(new QCheckBox(QStringLiteral("Номер на документ"), this), "CheckBox_Nomer_Dok");
    Label_Kontragent = named(new QLabel(QStringLiteral("0:Няма избран контрагент"), this), "Label_Kontragent");
    Label_Artikul = named(new QLabel(QStringLiteral("0:Няма избран артикул"), this), "Label_Artikul");
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox1->addItems(OrderList::comparisonTitles());
    DateTimePicker_Ot = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Ot");
    DateTimePicker_Do = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Do");
    for (QDateEdit *p : {DateTimePicker_Ot, DateTimePicker_Do}) {
        p->setCalendarPopup(true);
        p->setDisplayFormat(QLatin1String(Dates::ShortFormat));
    }
    Edit_Nomer_Dok = namedEdit(QStringLiteral("Edit_Nomer_Dok"), this);
    Label_Predplata = named(new QLabel(QStringLiteral("Предплата: 0.00"), this), "Label_Predplata");
    Label_Stojnost = named(new QLabel(QStringLiteral("Стойност на офертата: 0.00"), this), "Label_Stojnost");
    Button_Spravka = namedButton(QStringLiteral("Button_Spravka"), QStringLiteral("Справка"), this);
    Button_Pechat = namedButton(QStringLiteral("Button_Pechat"), QStringLiteral("Печат"), this);
    Button_Spravka->setEnabled(false);
    Button_Pechat->setEnabled(false);
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    DBGrid2 = named(new QTableView(this), "DBGrid2");
    for (QTableView *g : {DBGrid1, DBGrid2})
        g->verticalHeader()->hide();

    auto *filters = new QGridLayout;
    filters->addWidget(CheckBox_Kontragent, 0, 0);
    filters->addWidget(Label_Kontragent, 0, 1, 1, 3);
    filters->addWidget(CheckBox_Artikul, 1, 0);
    filters->addWidget(Label_Artikul, 1, 1, 1, 3);
    filters->addWidget(CheckBox_Data, 2, 0);
    filters->addWidget(ComboBox1, 2, 1);
    filters->addWidget(DateTimePicker_Ot, 2, 2);
    filters->addWidget(DateTimePicker_Do, 2, 3);
    filters->addWidget(CheckBox_Nomer_Dok, 3, 0);
    filters->addWidget(Edit_Nomer_Dok, 3, 1, 1, 3);
    filters->setColumnStretch(4, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button_Spravka);
    buttons->addWidget(Button_Pechat);
    buttons->addStretch(1);
    auto *totals = new QHBoxLayout;
    totals->addWidget(Label_Predplata);
    totals->addStretch(1);
    totals->addWidget(Label_Stojnost);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addLayout(buttons);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(DBGrid2, 1);
    layout->addLayout(totals);
    resize(820, 600);
}
