#include "catalogue/form_transfer.h"

#include "catalogue/stock_lines.h"
#include "catalogue/stock_writer.h"
#include "catalogue/warehouses.h"
#include "common/dates.h"
#include "common/reference_text.h"
#include "common/money.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QTimeEdit>

TForm_Transfer::TForm_Transfer(QWidget *parent)
    : StockMoveWindow(StockMoveList::Transfer, PickMode, parent)
{
    setObjectName(QStringLiteral("Form_Transfer"));
    setWindowTitle(QStringLiteral("Трансфер на стоки"));
    ComboBox_Sklad_Do = named(new QComboBox(this), "ComboBox_Sklad_Do");
    ComboBox_Sklad_Do->setMinimumWidth(220);
    DateTimePicker_Date = named(new QDateEdit(this), "DateTimePicker_Date");
    DateTimePicker_Date->setDisplayFormat(QString::fromLatin1(Dates::ShortFormat));
    DateTimePicker_Date->setCalendarPopup(true);
    DateTimePicker_Time = named(new QTimeEdit(this), "DateTimePicker_Time");
    DateTimePicker_Time->setDisplayFormat(QString::fromLatin1(Dates::TimeFormat));
    Edit_Art_ID->setToolTip(QStringLiteral("Въведете артикулен номер "));
    Edit_Kol = namedEdit(QStringLiteral("Edit_Kol"), this);
    Edit_Kol->setText(QStringLiteral("1"));
    Edit_Kol->setToolTip(QStringLiteral("Въведете количество"));
    Edit_Kol->setFixedWidth(90);
    Button_Add = namedButton(QStringLiteral("Button_Add"), QStringLiteral("Добави"), this);
    connect(Edit_Kol, &QLineEdit::returnPressed, this, &TForm_Transfer::Edit_KolKeyPress);
    connect(Button_Add, &QPushButton::clicked, this, &TForm_Transfer::Button_AddClick);

    auto *head = new QGridLayout;
    head->addWidget(new QLabel(QStringLiteral("Изтегли от склад"), this), 0, 0);
    head->addWidget(ComboBox_Sklad_Ot, 1, 0);
    head->addWidget(new QLabel(QStringLiteral("Прехвърли в склад"), this), 0, 1);
    head->addWidget(ComboBox_Sklad_Do, 1, 1);
    head->addWidget(new QLabel(QStringLiteral("Дата"), this), 0, 2);
    head->addWidget(DateTimePicker_Date, 1, 2);
    head->addWidget(new QLabel(QStringLiteral("Час"), this), 0, 3);
    head->addWidget(DateTimePicker_Time, 1, 3);
    head->setColumnStretch(4, 1);
    buildLayout(head, {new QLabel(QStringLiteral("Количество"), this), Edit_Kol, Button_Add});
}

bool TForm_Transfer::fillWarehouses()
{
    const QStringList items = Warehouses::referenceTexts();
    ComboBox_Sklad_Ot->clear();
    ComboBox_Sklad_Do->clear();
    ComboBox_Sklad_Ot->addItems(items);
    ComboBox_Sklad_Do->addItems(items);
    DateTimePicker_Date->setDate(QDate::currentDate());
    DateTimePicker_Time->setTime(QTime::currentTime());
    Button_Add->setEnabled(items.size() >= 2);
    Edit_Kol->setEnabled(items.size() >= 2);
    if (items.size() < 2) {
        Dialogs::message(QStringLiteral("В програмата има зададен само един склад!"), this);
        return false;
    }
    ComboBox_Sklad_Ot->setCurrentIndex(0);
    ComboBox_Sklad_Do->setCurrentIndex(1);
    return true;
}

void TForm_Transfer::articleFound(const QSqlRecord &article)
{
    Decimal stock;
    try {
        stock = StockMoveList::stock(article.value(QStringLiteral("ID")).toLongLong(), sourceKey());
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
    }
    Edit_Kol->setText(StockQuantity::text(stock));
    Edit_Kol->setFocus();
    Edit_Kol->selectAll();
}

bool TForm_Transfer::addTyped(long long article)
{
    Decimal quantity;
    if (!StockLines::parseQuantity(Edit_Kol->text(), &quantity, this))
        return false;
    return addArticle(article, quantity);
}

void TForm_Transfer::Edit_KolKeyPress()
{
    // The article is read again by the number field.
    if (addTyped(GetID_MFromTreeNodeName(Edit_Art_ID->text().trimmed()))) {
        Edit_Art_ID->setFocus();
        Edit_Art_ID->selectAll();
    }
}

void TForm_Transfer::Button_AddClick()
{
    addTyped(m_article);
}

QStringList TForm_Transfer::reportHead() const
{
    return {QString(),
            QStringLiteral("\t ТРАНСФЕР НА СТОКИ МЕЖДУ СКЛАДОВЕ"),
            QStringLiteral("\tОТ СКЛАД: ") + ComboBox_Sklad_Ot->currentText(),
            QStringLiteral("\tКЪМ СКЛАД: ") + ComboBox_Sklad_Do->currentText(),
            QString(),
            QStringLiteral("\tОт Дата:") + Dates::toShort(DateTimePicker_Date->date()) + QStringLiteral(", ")
                + Dates::timeText(DateTimePicker_Time->time())};
}

void TForm_Transfer::open(TForm_Transfer *window)
{
    window->FormShow();
    Dialogs::exec(window);
}
