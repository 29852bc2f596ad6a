#include "catalogue/form_brak.h"

#include "catalogue/article_pick.h"
#include "catalogue/stock_lines.h"
#include "catalogue/warehouses.h"
#include "common/dates.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>

TForm_Brak::TForm_Brak(QWidget *parent)
    : StockMoveWindow(StockMoveList::WriteOff, PickMode, parent)
{
    setObjectName(QStringLiteral("Form_Brak"));
    setWindowTitle(QStringLiteral("Бракуване на стоки"));
    ComboBox_Sklad_Ot->setObjectName(QStringLiteral("ComboBox_Sklad"));
    Edit_Art_ID->setToolTip(QStringLiteral("въведете номер на артикул"));
    BitBtn4->setText(QStringLiteral("ОТКАЗ"));
    auto *head = new QHBoxLayout;
    head->addWidget(new QLabel(QStringLiteral("Операцията се отнася за склад"), this));
    head->addWidget(ComboBox_Sklad_Ot);
    head->addStretch(1);
    buildLayout(head, {});
}

bool TForm_Brak::fillWarehouses()
{
    const QStringList items = Warehouses::referenceTexts();
    ComboBox_Sklad_Ot->clear();
    ComboBox_Sklad_Ot->addItems(items);
    ComboBox_Sklad_Ot->setEnabled(true);
    if (items.isEmpty()) {
        Dialogs::message(QStringLiteral("В програмата няма зададен склад!"), this);
        return false;
    }
    ComboBox_Sklad_Ot->setCurrentIndex(0);
    return true;
}

void TForm_Brak::articleFound(const QSqlRecord &article)
{
    Decimal quantity;
    if (StockLines::askQuantity(ArticlePick::referenceText(article), &quantity, this, true))
        addArticle(article.value(QStringLiteral("ID")).toLongLong(), quantity);
    Edit_Art_ID->setFocus();
    Edit_Art_ID->selectAll();
}

QStringList TForm_Brak::reportHead() const
{
    const QDateTime now = QDateTime::currentDateTime();
    return {QString(),
            QStringLiteral("\t БРАКУВАНЕ НА СТОКИ"),
            QStringLiteral("\tСКЛАД: ") + ComboBox_Sklad_Ot->currentText(),
            QString(),
            QStringLiteral("\tОт Дата:") + Dates::toShort(now.date()) + QStringLiteral(", ") + Dates::timeText(now.time())};
}

void TForm_Brak::open(TForm_Brak *window)
{
    window->FormShow();
    Dialogs::exec(window);
}
