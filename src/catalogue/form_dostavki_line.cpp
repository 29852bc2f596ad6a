// The delivery window's line entry: the article by its number or through
// the picker, its prices and currencies, and the lines added, replaced and
// deleted.
#include "catalogue/form_dostavki.h"

#include "app/app_state.h"
#include "app/currency_rates.h"
#include "app/record_ops.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/stock_lines.h"
#include "catalogue/stock_writer.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>

namespace {
void setRed(QLineEdit *e, bool red)
{
    QPalette p = e->palette();
    p.setColor(QPalette::Text, red ? QColor(255, 0, 0) : e->style()->standardPalette().color(QPalette::Text));
    e->setPalette(p);
}
} // namespace

void TForm_Dostavki::Label_Sel_NomenklClick()
{
    const bool own = Label_Sel_Nomenkl->text() != QStringLiteral("а.");
    Label_Sel_Nomenkl->setText(own ? QStringLiteral("а.") : QStringLiteral("н."));
    Label_Sel_Nomenkl->setToolTip(own ? QStringLiteral("Работи с налични артикулни номера")
                                      : QStringLiteral("Работи с номенклатура на контрагент"));
}

void TForm_Dostavki::Edit_Art_IDKeyPress()
{
    const QString typed = Edit_Art_ID->text().trimmed();
    std::optional<QSqlRecord> article;
    try {
        article = Deliveries::articleByNumber(typed, Label_Sel_Nomenkl->text() == QStringLiteral("н."),
                                              GetID_MFromTreeNodeName(Edit_Dostav4ik->text()));
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
        return;
    }
    if (!article) {
        Dialogs::message(QStringLiteral("Въведеният номер за артикул не съществува!"), this);
        Button_DobaviClick();
    } else {
        articleFound(*article);
    }
    Edit_dost_Cena->setFocus();
    Edit_dost_Cena->selectAll();
}

void TForm_Dostavki::articleFound(const QSqlRecord &article)
{
    const long long id = article.value(QStringLiteral("ID")).toLongLong();
    Edit_Art_ID->setText(QString::number(id));
    Label_Sel_Art->setText(ArticlePick::referenceText(article));
    Edit_Cena->setText(Money::fixed(article.value(QStringLiteral("Ed_Cena")).toDouble(), PriceDecimals));
    try {
        const Deliveries::ArticleFields shown = Deliveries::articleFields(article);
        ComboBox_Valuta->setCurrentIndex(ComboBox_Valuta->findText(shown.deliveryCurrency));
        ComboBoxValuta_P->setCurrentIndex(ComboBoxValuta_P->findText(shown.saleCurrency));
        ComboBox_Mqrka->setCurrentText(shown.unit);
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
    }
    ComboBoxValuta_PClick();
    showStock(id);
}

void TForm_Dostavki::showArticleAgain()
{
    // The lists were refilled: the fields show the article as it is stored now.
    const long long id = GetID_MFromTreeNodeName(Label_Sel_Art->text());
    if (id <= 0 || m_lineEdit == 1)
        return;
    try {
        if (const auto article = Deliveries::article(id)) {
            articleFound(*article);
            return;
        }
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
    }
    Edit_Art_ID->setText(QStringLiteral("0"));
    Label_Sel_Art->setText(QString::fromUtf8(NoArticle));
}

void TForm_Dostavki::showStock(long long article)
{
    try {
        Label_Kol->setText(StockQuantity::text(
            Deliveries::stock(article, GetID_MFromTreeNodeName(ComboBox_Sklad->currentText()))));
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
    }
}

void TForm_Dostavki::Button_DobaviClick()
{
    if (m_state != 1)
        return;
    m_pickTaken = false;
    ArticlePickMode = PickMode;
    TForm_Artikuli::N_ArtikuliClick(this);
    // A pick whose quantity was given becomes a line at once.
    if (m_pickTaken)
        Button_AddClick();
    m_pickTaken = false;
    Button_Calculate_SUMsClick();
}

void TForm_Dostavki::Edit_CenaExit()
{
    Decimal d, s;
    if (!StockLines::parseField(Edit_dost_Cena->text(), QStringLiteral("Доставна цена"), &d, this)
        || !StockLines::parseField(Edit_Cena->text(), QStringLiteral("Продажна цена"), &s, this))
        return;
    const std::optional<Decimal> m = DeliveryPrices::markup(d, s);
    if (!m)
        return;
    Edit_Nadcenka->setText(DeliveryPrices::text(*m));
    setRed(Edit_Nadcenka, m->isNegative());
}

void TForm_Dostavki::Edit_NadcenkaExit()
{
    Decimal d, m;
    if (!StockLines::parseField(Edit_dost_Cena->text(), QStringLiteral("Доставна цена"), &d, this)
        || !StockLines::parseField(Edit_Nadcenka->text(), QStringLiteral("Надценка"), &m, this))
        return;
    Edit_Cena->setText(DeliveryPrices::text(DeliveryPrices::saleFromMarkup(d, m)));
    setRed(Edit_Nadcenka, m.isNegative());
}

void TForm_Dostavki::Edit_TOExit()
{
    Decimal s, t;
    if (!StockLines::parseField(Edit_Cena->text(), QStringLiteral("Продажна цена"), &s, this)
        || !StockLines::parseField(Edit_TO->text(), QStringLiteral("Отстъпка"), &t, this))
        return;
    Edit_dost_Cena->setText(DeliveryPrices::text(DeliveryPrices::deliveryFromDiscount(s, t)));
    setRed(Edit_TO, t.isNegative());
}

void TForm_Dostavki::rateCaption(const QString &currency)
{
    QString rate = QStringLiteral("?");
    try {
        if (const auto kurs = Deliveries::rate(currency))
            rate = kurs->toString();
    } catch (const DbError &) {
    }
    Button_Convert->setText(QStringLiteral("Конвертирай в лева по курс: ") + rate);
}

void TForm_Dostavki::ComboBox_ValutaClick()
{
    ComboBoxValuta_P->setCurrentText(ComboBox_Valuta->currentText());
    rateCaption(ComboBox_Valuta->currentText());
}

void TForm_Dostavki::ComboBoxValuta_PClick()
{
    rateCaption(ComboBoxValuta_P->currentText());
}

void TForm_Dostavki::Button_ConvertClick()
{
    Decimal d, s;
    if (!StockLines::parseField(Edit_dost_Cena->text(), QStringLiteral("Доставна цена"), &d, this)
        || !StockLines::parseField(Edit_Cena->text(), QStringLiteral("Продажна цена"), &s, this))
        return;
    QString base;
    std::optional<Decimal> rate;
    try {
        rate = Deliveries::rate(ComboBox_Valuta->currentText());
        base = CurrencyRates::baseCurrency();
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
        return;
    }
    if (!rate) {
        Dialogs::message(QStringLiteral("Валутата \"") + ComboBox_Valuta->currentText()
                             + QStringLiteral("\" няма курс."),
                         this);
        return;
    }
    Edit_dost_Cena->setText(Money::formatWidth(Decimal::mulRounded(d, *rate, 4), 4, 4));
    Edit_Cena->setText(Money::formatWidth(Decimal::mulRounded(s, *rate, 4), 4, 4));
    ComboBox_Valuta->setCurrentText(base);
    ComboBoxValuta_P->setCurrentText(base);
    ComboBox_ValutaClick();
}

bool TForm_Dostavki::readLine(Deliveries::LineInput *line)
{
    line->article = GetID_MFromTreeNodeName(Label_Sel_Art->text());
    if (line->article <= 0) {
        Dialogs::message(QStringLiteral("Не е избран артикул!"), this);
        return false;
    }
    if (!StockLines::parseField(Edit_dost_Cena->text(), QStringLiteral("Доставна цена"), &line->deliveryPrice, this)
        || !StockLines::parseField(Edit_Cena->text(), QStringLiteral("Продажна цена"), &line->salePrice, this)
        || !StockLines::parseQuantity(Edit_Kol->text(), &line->quantity, this))
        return false;
    line->deliveryCurrency = ComboBox_Valuta->currentText();
    line->saleCurrency = ComboBoxValuta_P->currentText();
    line->unit = ComboBox_Mqrka->currentText();
    line->withVat = ChkBox_Have_DDS->isChecked();
    return true;
}

bool TForm_Dostavki::Button_AddClick()
{
    if (m_state != 1)
        return false;
    Deliveries::LineInput line;
    if (!readLine(&line))
        return false;
    try {
        if (m_lineEdit == 1) {
            if (!Deliveries::updateLine(m_editedLine, line))
                Dialogs::message(QStringLiteral("Редът вече не съществува."), this);
            setLineEdit(0);
        } else if (Deliveries::addLine(line, Label12->text().toLongLong()) == 0) {
            Dialogs::message(QStringLiteral("Въведеният номер за артикул не съществува!"), this);
            return false;
        }
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Редът не беше записан.\n") + e.message(), this);
        return false;
    }
    ChkBox_Have_DDS->setChecked(true);
    Button_Calculate_SUMsClick();
    Edit_Art_ID->setFocus();
    Edit_Art_ID->selectAll();
    return true;
}

void TForm_Dostavki::setLineEdit(int state)
{
    m_lineEdit = state;
    Button_Add->setText(state == 1 ? QStringLiteral("Приеми") : QStringLiteral("Добави"));
    Button_Delete->setText(state == 1 ? QStringLiteral("Откажи") : QStringLiteral("Изтрии"));
    if (state == 0) {
        m_editedLine = 0;
        EditedDeliveryArticle = 0;
    }
}

void TForm_Dostavki::Button_EditClick()
{
    const long long n = StockLines::currentKey(DBGrid_Art_Dost, m_model);
    if (n == 0 || m_state != 1)
        return;
    const QSqlRecord r = m_model->record(DBGrid_Art_Dost->currentIndex().row());
    m_editedLine = n;
    EditedDeliveryArticle = r.value(QStringLiteral("Nomer_Produkt")).toLongLong();
    Edit_Art_ID->setText(QString::number(EditedDeliveryArticle));
    Label_Sel_Art->setText(ReferenceText::make(EditedDeliveryArticle, r.value(QStringLiteral("Opisanie")).toString()));
    Edit_Cena->setText(Money::fixed(r.value(QStringLiteral("Prodajna_Cena")).toDouble(), PriceDecimals));
    ComboBoxValuta_P->setCurrentText(r.value(QStringLiteral("Valuta_P")).toString());
    ComboBox_Mqrka->setCurrentText(r.value(QStringLiteral("Mqrka")).toString());
    Edit_dost_Cena->setText(Money::fixed(r.value(QStringLiteral("Dostavna_Cena")).toDouble(), PriceDecimals));
    ComboBox_Valuta->setCurrentText(r.value(QStringLiteral("Valuta_D")).toString());
    Edit_Kol->setText(Decimal::fromVariant(r.value(QStringLiteral("Kolitchestvo"))).toString());
    ChkBox_Have_DDS->setChecked(r.value(QStringLiteral("Have_DDS")).toString() != QStringLiteral("False"));
    setLineEdit(1);
}

void TForm_Dostavki::Button_DeleteClick()
{
    if (m_lineEdit == 1) {
        setLineEdit(0);
        Button_Calculate_SUMsClick();
        return;
    }
    if (StockLines::removeCurrent(DBGrid_Art_Dost, m_model, Deliveries::removeLine, this,
                                  QStringLiteral("Наистина ли желаете да изтриете избраните артикули")))
        Button_Calculate_SUMsClick();
}
