#include "catalogue/form_dostavki.h"

#include "app/app_state.h"
#include "app/currency_rates.h"
#include "app/form_print_vid_fail.h"
#include "app/item_rights.h"
#include "app/list_export.h"
#include "app/record_ops.h"
#include "app/window_owner.h"
#include "catalogue/article_pick.h"
#include "catalogue/stock_lines.h"
#include "catalogue/supplier_field.h"
#include "catalogue/warehouses.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/form_kontrakents.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSqlRecord>
#include <QTableView>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <stdexcept>

QPointer<TForm_Dostavki> Form_Dostavki;

namespace {
TForm_Dostavki::SerialNumbersOpener &serialNumbersOpener()
{
    static TForm_Dostavki::SerialNumbersOpener opener;
    return opener;
}

const char *AllWarehouses = "Нал. кол. всички складове";

QLineEdit *edit(const char *name, const QString &text, QWidget *parent, int width = 0)
{
    QLineEdit *e = namedEdit(QString::fromLatin1(name), parent);
    e->setText(text);
    if (width > 0)
        e->setFixedWidth(width);
    return e;
}

QLabel *label(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

TForm_Dostavki::TForm_Dostavki(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Dostavki"));
    setWindowTitle(QStringLiteral("ДОСТАВКИ"));
    setWindowFlag(Qt::Tool);

    Btn_Nov = namedButton(QStringLiteral("Btn_Nov"), QStringLiteral("Нова доставка"), this);
    Btn_Cancel = namedButton(QStringLiteral("Btn_Cancel"), QStringLiteral("Откажи"), this);
    Label12 = named(label(QStringLiteral("0"), this), "Label12");
    Edit_Dostav4ik = edit("Edit_Dostav4ik", QString(), this);
    ListBox_SelectDostav4ik = named(new QListWidget(this), "ListBox_SelectDostav4ik");
    m_supplier = new SupplierField(Edit_Dostav4ik, ListBox_SelectDostav4ik, this);
    Button_NovDostav4ik = namedButton(QStringLiteral("Button_NovDostav4ik"), QStringLiteral("Нов доставчик"), this);
    ComboBox_Dok_Vid = named(new QComboBox(this), "ComboBox_Dok_Vid");
    Edit_Nomer_Dokument = edit("Edit_Nomer_Dokument", QString(), this, 120);
    Edit_Nomer_Dokument->setMaxLength(12);
    DateTimePicker_Dok = named(new QDateEdit(this), "DateTimePicker_Dok");
    DateTimePicker_Date = named(new QDateEdit(this), "DateTimePicker_Date");
    for (QDateEdit *d : {DateTimePicker_Dok, DateTimePicker_Date}) {
        d->setDisplayFormat(QString::fromLatin1(Dates::ShortFormat));
        d->setCalendarPopup(true);
    }
    DateTimePicker_Time = named(new QTimeEdit(this), "DateTimePicker_Time");
    DateTimePicker_Time->setDisplayFormat(QString::fromLatin1(Dates::TimeFormat));
    ComboBox_Sklad = named(new QComboBox(this), "ComboBox_Sklad");
    ComboBox_Sklad->setMinimumWidth(200);
    Edit_Zabel = edit("Edit_Zabel", QString(), this);
    Label5 = named(new ElidedLabel(QString::fromUtf8(AllWarehouses), this), "Label5");
    Label_Kol = named(label(QStringLiteral("0"), this), "Label_Kol");

    Panel_Art = named(new QWidget(this), "Panel_Art");
    Edit_Art_ID = edit("Edit_Art_ID", QStringLiteral("0"), Panel_Art, 100);
    Label_Sel_Art = named(new ElidedLabel(QString::fromUtf8(NoArticle), Panel_Art), "Label_Sel_Art");
    Label_Sel_Art->setStyleSheet(QStringLiteral("color: red"));
    Label_Sel_Nomenkl = named(label(QStringLiteral("а."), Panel_Art), "Label_Sel_Nomenkl");
    Label_Sel_Nomenkl->setToolTip(QStringLiteral("Работи с налични артикулни номера"));
    Label_Sel_Nomenkl->installEventFilter(this);
    Button_Dobavi = namedButton(QStringLiteral("Button_Dobavi"), QStringLiteral("Добави"), Panel_Art);
    Button_Dobavi->setToolTip(QStringLiteral("Избор на артикули от каталога"));
    Edit_dost_Cena = edit("Edit_dost_Cena", QStringLiteral("0.000"), Panel_Art, 90);
    ComboBox_Valuta = named(new QComboBox(Panel_Art), "ComboBox_Valuta");
    Edit_Cena = edit("Edit_Cena", QStringLiteral("0.000"), Panel_Art, 90);
    ComboBoxValuta_P = named(new QComboBox(Panel_Art), "ComboBoxValuta_P");
    Edit_Nadcenka = edit("Edit_Nadcenka", QStringLiteral("0"), Panel_Art, 80);
    Edit_TO = edit("Edit_TO", QStringLiteral("0"), Panel_Art, 80);
    Edit_Kol = edit("Edit_Kol", QStringLiteral("1"), Panel_Art, 80);
    ComboBox_Mqrka = named(new QComboBox(Panel_Art), "ComboBox_Mqrka");
    ComboBox_Mqrka->setEditable(true);
    ChkBox_Have_DDS = named(new QCheckBox(QStringLiteral("Вкл. ДДС"), Panel_Art), "ChkBox_Have_DDS");
    ChkBox_Have_DDS->setChecked(true);
    Button_Convert = namedButton(QStringLiteral("Button_Convert"), QStringLiteral("Конвертирай в лева по курс: 1"),
                                 Panel_Art);

    Panel_Buttons = named(new QWidget(this), "Panel_Buttons");
    Button_Add = namedButton(QStringLiteral("Button_Add"), QStringLiteral("Добави"), Panel_Buttons);
    Button_Edit = namedButton(QStringLiteral("Button_Edit"), QStringLiteral("Редактирай"), Panel_Buttons);
    Button_Delete = namedButton(QStringLiteral("Button_Delete"), QStringLiteral("Изтрии"), Panel_Buttons);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Серийни номера"), Panel_Buttons);
    Button_Print = namedButton(QStringLiteral("Button_Print"), QStringLiteral("ПЕЧАТ"), this);

    m_model = new StockLinesModel(this);
    m_model->setNumberFields({QStringLiteral("Dostavna_Cena"), QStringLiteral("Suma_D"),
                              QStringLiteral("Prodajna_Cena")});
    m_model->setQuantityFields({QStringLiteral("Kolitchestvo")});
    m_model->setBlueRows(QStringLiteral("Have_DDS"), QStringLiteral("False"));
    DBGrid_Art_Dost = StockLines::makeGrid("DBGrid_Art_Dost", m_model, this);
    DBGrid_Art_Dost->installEventFilter(this);

    Edit_Plateno_Broj = edit("Edit_Plateno_Broj", QStringLiteral("0.0000"), this, 100);
    Edit_Plateno_Banka = edit("Edit_Plateno_Banka", QStringLiteral("0.0000"), this, 100);
    Edit_Neplateno = edit("Edit_Neplateno", QStringLiteral("0.0000"), this, 100);
    Label_SUM_BezDDS = named(label(QStringLiteral("0.0000"), this), "Label_SUM_BezDDS");
    Label_DDS = named(label(QStringLiteral("0.0000"), this), "Label_DDS");

    connect(Btn_Nov, &QPushButton::clicked, this, &TForm_Dostavki::Btn_NovClick);
    connect(Btn_Cancel, &QPushButton::clicked, this, &TForm_Dostavki::Btn_CancelClick);
    connect(m_supplier, &SupplierField::picked, this, &TForm_Dostavki::supplierPicked);
    connect(Button_NovDostav4ik, &QPushButton::clicked, this, [this] {
        CounterpartyPickMode = -1;
        TForm_Kontrakents::N_KlientiClick(this);
    });
    connect(Edit_Art_ID, &QLineEdit::returnPressed, this, &TForm_Dostavki::Edit_Art_IDKeyPress);
    connect(Button_Dobavi, &QPushButton::clicked, this, &TForm_Dostavki::Button_DobaviClick);
    connect(Edit_Cena, &QLineEdit::editingFinished, this, &TForm_Dostavki::Edit_CenaExit);
    connect(Edit_Nadcenka, &QLineEdit::editingFinished, this, &TForm_Dostavki::Edit_NadcenkaExit);
    connect(Edit_TO, &QLineEdit::editingFinished, this, &TForm_Dostavki::Edit_TOExit);
    for (QLineEdit *e : {Edit_dost_Cena, Edit_Cena, Edit_Nadcenka, Edit_TO, Edit_Kol}) {
        const QString empty = e == Edit_Kol ? QStringLiteral("1") : QStringLiteral("0");
        connect(e, &QLineEdit::textEdited, this, [e, empty](const QString &text) {
            if (text.isEmpty() || text == QStringLiteral(" ")) {
                e->setText(empty);
                e->selectAll();
            }
        });
    }
    connect(Edit_Kol, &QLineEdit::returnPressed, this, &TForm_Dostavki::Button_AddClick);
    connect(Button_Convert, &QPushButton::clicked, this, &TForm_Dostavki::Button_ConvertClick);
    connect(ComboBox_Valuta, &QComboBox::activated, this, &TForm_Dostavki::ComboBox_ValutaClick);
    connect(ComboBoxValuta_P, &QComboBox::activated, this, &TForm_Dostavki::ComboBoxValuta_PClick);
    connect(Button_Add, &QPushButton::clicked, this, &TForm_Dostavki::Button_AddClick);
    connect(Button_Edit, &QPushButton::clicked, this, &TForm_Dostavki::Button_EditClick);
    connect(DBGrid_Art_Dost, &QTableView::doubleClicked, this, &TForm_Dostavki::Button_EditClick);
    connect(Button_Delete, &QPushButton::clicked, this, &TForm_Dostavki::Button_DeleteClick);
    connect(Button_Print, &QPushButton::clicked, this, &TForm_Dostavki::Button_PrintClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_Dostavki::Button1Click);
    connect(ComboBox_Sklad, &QComboBox::activated, this, &TForm_Dostavki::ComboBox_SkladChange);
    for (QLineEdit *e : {Edit_Plateno_Banka, Edit_Neplateno})
        connect(e, &QLineEdit::textEdited, this, &TForm_Dostavki::Button_Calculate_SUMsClick);

    // One article: the current row, one quantity prompt.
    ArticlePick::registerTarget(PickMode, [this](const ArticlePick::Picked &picked) {
        const auto article = Deliveries::article(picked.id());
        if (!article)
            return;
        articleFound(*article);
        const auto take = [this](const QSqlRecord &, Decimal, const QString &typed) {
            Edit_Kol->setText(typed);
            m_pickTaken = true;
        };
        ArticlePick::quantityWalk(PickMode, ArticlePick::quantityRows(PickMode, picked), take, this, true);
    });

    buildLayout();
    setOpen(false);
}

TForm_Dostavki::~TForm_Dostavki()
{
    ArticlePick::unregisterTarget(PickMode);
}

void TForm_Dostavki::buildLayout()
{
    auto *head = new QGridLayout;
    int c = 0;
    auto field = [&](const QString &title, QWidget *w, int row) {
        head->addWidget(label(title, this), row * 2, c);
        head->addWidget(w, row * 2 + 1, c);
        ++c;
    };
    field(QStringLiteral("Доставчик"), Edit_Dostav4ik, 0);
    field(QString(), Button_NovDostav4ik, 0);
    field(QStringLiteral("Вид документ"), ComboBox_Dok_Vid, 0);
    field(QStringLiteral("Документ N"), Edit_Nomer_Dokument, 0);
    field(QStringLiteral("От дата"), DateTimePicker_Dok, 0);
    c = 0;
    field(QStringLiteral("Склад"), ComboBox_Sklad, 1);
    field(QStringLiteral("Дата на доставка"), DateTimePicker_Date, 1);
    field(QStringLiteral("Час"), DateTimePicker_Time, 1);
    field(QStringLiteral("Забележка"), Edit_Zabel, 1);
    auto *number = new QHBoxLayout;
    number->addWidget(label(QStringLiteral("Доставка N: "), this));
    number->addWidget(Label12);
    number->addStretch(1);
    number->addWidget(Btn_Nov);
    number->addWidget(Btn_Cancel);

    auto *art = new QGridLayout(Panel_Art);
    art->setContentsMargins(0, 0, 0, 0);
    int col = 0;
    auto artField = [&](const QString &title, QWidget *w) {
        art->addWidget(label(title, Panel_Art), 0, col);
        art->addWidget(w, 1, col);
        ++col;
    };
    artField(QStringLiteral("Арт. №"), Edit_Art_ID);
    artField(QString(), Label_Sel_Nomenkl);
    artField(QStringLiteral("Доставна цена"), Edit_dost_Cena);
    artField(QStringLiteral("Валута"), ComboBox_Valuta);
    artField(QStringLiteral("Надценка %"), Edit_Nadcenka);
    artField(QStringLiteral("Продажна цена"), Edit_Cena);
    artField(QStringLiteral("Валута"), ComboBoxValuta_P);
    artField(QStringLiteral("Отстъпка %"), Edit_TO);
    artField(QStringLiteral("Количество"), Edit_Kol);
    artField(QStringLiteral("Мярка"), ComboBox_Mqrka);
    artField(QString(), ChkBox_Have_DDS);
    art->addWidget(Label_Sel_Art, 2, 0, 1, 4);
    art->addWidget(Button_Dobavi, 2, 4);
    art->addWidget(Label5, 2, 5, 1, 3);
    art->addWidget(Label_Kol, 2, 8);
    art->addWidget(Button_Convert, 2, 9, 1, 2);

    auto *lineButtons = new QHBoxLayout(Panel_Buttons);
    lineButtons->setContentsMargins(0, 0, 0, 0);
    for (QPushButton *b : {Button_Add, Button_Edit, Button_Delete, Button1})
        lineButtons->addWidget(b);
    lineButtons->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Panel_Buttons, 1);
    buttons->addWidget(Button_Print);

    auto *sums = new QGridLayout;
    sums->addWidget(label(QStringLiteral("Данъчна основа:"), this), 0, 0);
    sums->addWidget(Label_SUM_BezDDS, 0, 1);
    sums->addWidget(label(QStringLiteral("ДДС:"), this), 1, 0);
    sums->addWidget(Label_DDS, 1, 1);
    sums->addWidget(label(QStringLiteral("Платено в брой"), this), 0, 2);
    sums->addWidget(Edit_Plateno_Broj, 0, 3);
    sums->addWidget(label(QStringLiteral("Платено по банка"), this), 1, 2);
    sums->addWidget(Edit_Plateno_Banka, 1, 3);
    sums->addWidget(label(QStringLiteral("Не платено"), this), 2, 2);
    sums->addWidget(Edit_Neplateno, 2, 3);
    sums->setColumnStretch(4, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(number);
    layout->addLayout(head);
    layout->addWidget(Panel_Art);
    layout->addLayout(buttons);
    layout->addWidget(DBGrid_Art_Dost, 1);
    layout->addLayout(sums);
    resize(1040, 640);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm_Dostavki::setSerialNumbersOpener(SerialNumbersOpener opener)
{
    serialNumbersOpener() = std::move(opener);
}

void TForm_Dostavki::Button1Click()
{
    if (!serialNumbersOpener())
        return;
    SerialNumbersRequest request;
    request.documentKind = ComboBox_Dok_Vid->currentText();
    request.documentNumber = Edit_Nomer_Dokument->text();
    request.documentDate = DateTimePicker_Dok->date();
    request.supplier = Edit_Dostav4ik->text();
    request.article = currentArticle();
    serialNumbersOpener()(request, this);
}

long long TForm_Dostavki::currentArticle() const
{
    const int row = DBGrid_Art_Dost->currentIndex().row();
    return row >= 0 && row < m_model->rowCount() ? m_model->value(row, QStringLiteral("Nomer_Produkt")).toLongLong()
                                                 : 0;
}

bool TForm_Dostavki::isOpen()
{
    return Form_Dostavki && Form_Dostavki->isVisible();
}

void TForm_Dostavki::fillLists()
{
    // An open delivery keeps its warehouse and document kind.
    const QString warehouse = ComboBox_Sklad->currentText();
    const QString kind = ComboBox_Dok_Vid->currentText();
    ComboBox_Sklad->clear();
    ComboBox_Sklad->addItems(Warehouses::referenceTexts());
    ComboBox_Sklad->setCurrentIndex(ComboBox_Sklad->findText(warehouse));
    const QStringList currencies = Deliveries::currencies();
    for (QComboBox *box : {ComboBox_Valuta, ComboBoxValuta_P}) {
        box->clear();
        box->addItems(currencies);
    }
    ComboBox_Dok_Vid->clear();
    ComboBox_Dok_Vid->addItems(Deliveries::documentKinds());
    if (ComboBox_Dok_Vid->findText(kind) >= 0)
        ComboBox_Dok_Vid->setCurrentIndex(ComboBox_Dok_Vid->findText(kind));
    ComboBox_Mqrka->clear();
    ComboBox_Mqrka->addItems(Deliveries::units());
    ComboBox_Mqrka->setCurrentIndex(0);
    const QString base = CurrencyRates::baseCurrency();
    ComboBox_Valuta->setCurrentText(base);
    ComboBoxValuta_P->setCurrentText(base);
    rateCaption(base);
}

void TForm_Dostavki::FormShow()
{
    try {
        fillLists();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Списъците на доставката не могат да бъдат прочетени.\n") + e.message(), this);
    }
    showArticleAgain();
    // The warranty cards belong to the repair service, which may not be part of the program.
    Button1->setEnabled(bool(serialNumbersOpener()));
    if (m_state == 0)
        Btn_NovClick();
    else
        Button_Calculate_SUMsClick();
}

void TForm_Dostavki::setOpen(bool open)
{
    m_state = open ? 1 : 0;
    Btn_Nov->setText(open ? QStringLiteral("Запис") : QStringLiteral("Нова доставка"));
    Btn_Nov->setToolTip(open ? QStringLiteral("Запис на доставка") : QStringLiteral("Отваряне на нова доставка"));
    for (QWidget *w : {static_cast<QWidget *>(Btn_Cancel), static_cast<QWidget *>(Edit_Zabel),
                       static_cast<QWidget *>(Edit_Nomer_Dokument)})
        w->setEnabled(open);
    Button_Dobavi->setEnabled(open);
    if (!open)
        Label12->setText(QStringLiteral("0"));
}

void TForm_Dostavki::Btn_NovClick()
{
    if (m_state == 1) {
        save();
        return;
    }
    setOpen(true);
    Panel_Buttons->setEnabled(true);
    Panel_Art->setEnabled(true);
    DateTimePicker_Dok->setDate(QDate::currentDate());
    ComboBox_Sklad->setCurrentIndex(-1);
    DateTimePicker_Date->setDate(QDate::currentDate());
    DateTimePicker_Time->setTime(QTime::currentTime());
    Label12->setText(QString::number(GET_MAX_NUMBER(QStringLiteral("Dostavki"), QStringLiteral("ID"))));
    // The payments of the previous delivery are not this one's.
    clearPayments();
    Edit_Art_ID->setFocus();
    Edit_Art_ID->selectAll();
}

bool TForm_Dostavki::save()
{
    Deliveries::Head head;
    Decimal cash, bank, unpaid;
    if (!StockLines::parseField(Edit_Plateno_Broj->text(), QStringLiteral("Платено в брой"), &cash, this)
        || !StockLines::parseField(Edit_Plateno_Banka->text(), QStringLiteral("Платено по банка"), &bank, this)
        || !StockLines::parseField(Edit_Neplateno->text(), QStringLiteral("Не платено"), &unpaid, this))
        return false;
    head.supplier = GetID_MFromTreeNodeName(Edit_Dostav4ik->text());
    head.documentKind = GetID_MFromTreeNodeName(ComboBox_Dok_Vid->currentText());
    head.warehouse = GetID_MFromTreeNodeName(ComboBox_Sklad->currentText());
    head.deliveryDate = DateTimePicker_Date->date();
    head.deliveryTime = DateTimePicker_Time->time();
    head.documentDate = DateTimePicker_Dok->date();
    head.documentNumber = Edit_Nomer_Dokument->text();
    head.note = Edit_Zabel->text();
    head.cash = cash;
    head.bank = bank;
    head.unpaid = unpaid;
    QString refusal;
    try {
        if (Deliveries::save(head, &refusal) == 0) {
            Dialogs::message(refusal, this);
            return false;
        }
    } catch (const DbError &e) {
        Dialogs::message(QString::fromUtf8(Deliveries::NotSaved) + e.message(), this);
        return false;
    }
    setOpen(false);
    setLineEdit(0);
    Label5->setText(QString::fromUtf8(AllWarehouses));
    clearPayments(); // the saved delivery's lines are gone: its sums are zeros
    return true;
}

void TForm_Dostavki::clearPayments()
{
    Edit_Plateno_Banka->setText(QStringLiteral("0.0000"));
    Edit_Neplateno->setText(QStringLiteral("0.0000"));
    Button_Calculate_SUMsClick();
}

void TForm_Dostavki::Btn_CancelClick()
{
    if (!Dialogs::yesNo(QStringLiteral("Имате неприключена доставка.\nЖелаете ли да излезете без запис"), this)) {
        KeepDeliveryOpen = true;
        return;
    }
    KeepDeliveryOpen = false;
    try {
        Deliveries::removeAll();
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
        KeepDeliveryOpen = true;
        return;
    }
    setOpen(false);
    setLineEdit(0);
    Panel_Buttons->setEnabled(false);
    Panel_Art->setEnabled(false);
    Btn_Nov->setEnabled(true);
    ComboBox_Sklad->setCurrentIndex(-1);
    Label5->setText(QString::fromUtf8(AllWarehouses));
    Button_Calculate_SUMsClick();
}

void TForm_Dostavki::reject()
{
    if (m_state == 1) {
        Btn_CancelClick();
        if (KeepDeliveryOpen)
            return;
    }
    QDialog::reject();
}

// ---- supplier ---------------------------------------------------------------------------

void TForm_Dostavki::pickSupplier(const QString &item)
{
    m_supplier->pick(item);
}

void TForm_Dostavki::supplierPicked()
{
    // The supplier's own catalogue numbers are what its documents carry.
    ComboBox_Sklad->setEnabled(true);
    Label_Sel_Nomenkl->setText(QStringLiteral("н."));
    Label_Sel_Nomenkl->setToolTip(QStringLiteral("Работи с номенклатура на контрагент"));
}

// ---- the line being entered -------------------------------------------------------------

void TForm_Dostavki::Button_Calculate_SUMsClick()
{
    const std::optional<Decimal> bank = Decimal::parse(Edit_Plateno_Banka->text()),
                                 unpaid = Decimal::parse(Edit_Neplateno->text());
    const bool payments = bank && unpaid;
    try {
        QVariantList params;
        const QString sql = Deliveries::linesSql(&params);
        StockLines::reload(DBGrid_Art_Dost, m_model, sql, params, Deliveries::lineColumns());
        m_sums = Deliveries::sums(bank.value_or(Decimal()), unpaid.value_or(Decimal()));
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
        return;
    } catch (const std::invalid_argument &e) {
        Dialogs::message(QString::fromUtf8(e.what()), this);
        return;
    }
    Label_SUM_BezDDS->setText(Money::format42(m_sums.net));
    Label_DDS->setText(Money::format42(m_sums.vat));
    // Cash follows only numbers: a half-typed bank or unpaid amount leaves it.
    if (payments)
        Edit_Plateno_Broj->setText(Money::format42(m_sums.cash));
}

void TForm_Dostavki::ComboBox_SkladChange()
{
    Label5->setText(QStringLiteral("Нал. кол в склад:") + ComboBox_Sklad->currentText());
    const long long article = GetID_MFromTreeNodeName(Label_Sel_Art->text());
    if (article > 0)
        showStock(article);
}

bool TForm_Dostavki::Button_PrintClick()
{
    if (m_model->rowCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return false;
    }
    Deliveries::Printout p;
    p.deliveryDate = DateTimePicker_Date->date();
    p.deliveryTime = DateTimePicker_Time->time();
    p.supplier = Edit_Dostav4ik->text();
    p.documentKind = ComboBox_Dok_Vid->currentText();
    p.documentNumber = Edit_Nomer_Dokument->text();
    p.documentDate = DateTimePicker_Dok->date();
    p.warehouse = ComboBox_Sklad->currentText();
    p.note = Edit_Zabel->text();
    p.due = (m_sums.total - m_sums.excluded).rounded(2);
    p.cash = Decimal::parse(Edit_Plateno_Broj->text()).value_or(Decimal());
    p.bank = Decimal::parse(Edit_Plateno_Banka->text()).value_or(Decimal());
    p.unpaid = Decimal::parse(Edit_Neplateno->text()).value_or(Decimal());
    showExportChooser();
    ListExport file(QStringLiteral("Доставка"));
    file.addLines(Deliveries::printoutHead(p));
    file.PRINT_INTO(DBGrid_Art_Dost);
    file.addLines(Deliveries::printoutTail(p));
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), this);
        return false;
    }
    SHELLEXECUTE_OPENFILE(file.filePath());
    return true;
}

bool TForm_Dostavki::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched == Label_Sel_Nomenkl) {
        Label_Sel_NomenklClick();
        return true;
    }
    if (watched == DBGrid_Art_Dost
        && StockLines::gridKey(event, [this] { Button_EditClick(); }, [this] { Button_DeleteClick(); }))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TForm_Dostavki::open(QWidget *mainWindow)
{
    if (isOpen() || !ItemRights::permit(QStringLiteral("N_Dostavka"), mainWindow))
        return;
    if (!Form_Dostavki) {
        QWidget *owner = WindowOwner::mainWindow();
        Form_Dostavki = new TForm_Dostavki(owner ? owner : mainWindow);
    }
    Form_Dostavki->FormShow();
    Dialogs::exec(Form_Dostavki);
}

bool TForm_Dostavki::openForGroup(long long groupKey, QWidget *catalogue)
{
    // The right on "Доставки..." holds here as on the menu, before any line is written.
    if (isOpen() || !ItemRights::permit(QStringLiteral("N_Dostavka"), catalogue))
        return false;
    try {
        Deliveries::addGroup(groupKey);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Артикулите на групата не бяха добавени.\n") + e.message(), catalogue);
        return false;
    }
    if (!Form_Dostavki) {
        QWidget *owner = WindowOwner::mainWindow();
        Form_Dostavki = new TForm_Dostavki(owner ? owner : catalogue);
    }
    Form_Dostavki->FormShow();
    Dialogs::exec(Form_Dostavki);
    return true;
}
