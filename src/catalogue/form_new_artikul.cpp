#include "catalogue/form_new_artikul.h"

#include "catalogue/article_codes.h"
#include "catalogue/article_entry.h"
#include "catalogue/form_free_art_id.h"
#include "catalogue/free_article_numbers.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/long_texts.h"
#include "platform/named.h"
#include "app/app_state.h"
#include "app/help_actions.h"
#include "app/long_operation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>

namespace {
constexpr int SpinMaximum = 100000;

QSpinBox *spin(const char *name, int minimum, int maximum, int value, QWidget *parent)
{
    auto *s = named(new QSpinBox(parent), name);
    s->setRange(minimum, maximum);
    s->setValue(value);
    return s;
}

void replaceDoubleQuotes(QLineEdit *edit)
{
    if (!edit->text().contains(QLatin1Char('"')))
        return;
    const int pos = edit->cursorPosition();
    edit->setText(edit->text().replace(QLatin1Char('"'), QLatin1Char('\'')));
    edit->setCursorPosition(pos);
}
} // namespace

TForm_NewArtikul::TForm_NewArtikul(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_NewArtikul"));
    setWindowTitle(QStringLiteral("Редакция артикули"));
    buildLayout();

    // The counterparty pick for a catalogue number writes into this window.
    const QPointer<TForm_NewArtikul> self(this);
    CounterpartyPick::registerTarget(NumberPickMode, [self](const CounterpartyPick::Picked &picked) {
        if (self)
            self->Label_ID_Kontragent->setText(picked.referenceText());
    });
}

TForm_NewArtikul::~TForm_NewArtikul()
{
    CounterpartyPick::unregisterTarget(NumberPickMode);
}

void TForm_NewArtikul::buildLayout()
{
    PageControl1 = named(new QTabWidget(this), "PageControl1");
    PageControl1->addTab(buildMainTab(), QStringLiteral("Основни данни"));
    PageControl1->addTab(buildBarcodeTab(), QStringLiteral("Баркод"));
    PageControl1->addTab(buildNumberTab(), QStringLiteral("Номенклатура на контрагенти"));
    PageControl1->addTab(buildSerialTab(), QStringLiteral("Сериини номера"));
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm_NewArtikul::PageControl1Change);

    BitBtn_OK = namedButton(QStringLiteral("BitBtn_OK"), QStringLiteral("Приеми"), this);
    BitBtn_OK->setDefault(true);
    BitBtn_Cancel = namedButton(QStringLiteral("BitBtn_Cancel"), QStringLiteral("Откажи"), this);
    BitBtn_Help = namedButton(QStringLiteral("BitBtn_Help"), QStringLiteral("Помощ"), this);
    connect(BitBtn_OK, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_OKClick);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn_Help, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_HelpClick);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn_OK);
    buttons->addWidget(BitBtn_Cancel);
    buttons->addWidget(BitBtn_Help);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);
    resize(760, 560);
}

QWidget *TForm_NewArtikul::buildMainTab()
{
    auto *tab = named(new QWidget(this), "TabSheet_Osnovni");
    Label_Grupa_name = named(new ElidedLabel(QStringLiteral("Група: "), tab), "Label_Grupa_name");
    QFont bold = Label_Grupa_name->font();
    bold.setBold(true);
    Label_Grupa_name->setFont(bold);

    Edit_Art_N = namedEdit(QStringLiteral("Edit_Art_N"), tab);
    SpeedButton1 = named(new QToolButton(tab), "SpeedButton1");
    SpeedButton1->setText(QStringLiteral("+1"));
    SpeedButton1->setToolTip(QStringLiteral("Последен номер в групата"));
    SpeedButton2 = named(new QToolButton(tab), "SpeedButton2");
    SpeedButton2->setText(QStringLiteral("..."));
    SpeedButton2->setToolTip(QStringLiteral("Свободни номера в групата"));
    auto *number = new QHBoxLayout;
    number->addWidget(Edit_Art_N, 1);
    number->addWidget(SpeedButton1);
    number->addWidget(SpeedButton2);

    Edit_Nom_N = namedEdit(QStringLiteral("Edit_Nom_N"), tab);
    Edit_Opisanie = namedEdit(QStringLiteral("Edit_Opisanie"), tab);
    Label_Dost_Cena = named(new QLabel(QStringLiteral("0"), tab), "Label_Dost_Cena");
    ComBox_Valuta = named(new QComboBox(tab), "ComBox_Valuta");
    Edit_Cena = namedEdit(QStringLiteral("Edit_Cena"), tab);
    Edit_Cena->setText(QStringLiteral("0"));
    ComBox_Mqrka = named(new QComboBox(tab), "ComBox_Mqrka");
    ComBox_Mqrka->setEditable(true);
    ComBox_Mqrka->setEditText(QStringLiteral("бр."));
    ChkBox_Garancia = named(new QCheckBox(QStringLiteral("Гаранционен продукт"), tab), "ChkBox_Garancia");
    ChkBox_Poredica = named(new QCheckBox(QStringLiteral("Поддържа поредица"), tab), "ChkBox_Poredica");
    Edit_Kasovo_ime = namedEdit(QStringLiteral("Edit_Kasovo_ime"), tab);
    Edit_Etiketno_ime = namedEdit(QStringLiteral("Edit_Etiketno_ime"), tab);
    Label_Dostav4ik = named(new ElidedLabel(QStringLiteral("0"), tab), "Label_Dostav4ik");
    SpinEdit_Min_Kol = spin("SpinEdit_Min_Kol", 0, SpinMaximum, 1, tab);
    Edit_Max_TO = namedEdit(QStringLiteral("Edit_Max_TO"), tab);
    Edit_Max_TO->setText(QStringLiteral("0.0000"));
    auto *maxTo = new QHBoxLayout;
    maxTo->addWidget(Edit_Max_TO, 1);
    maxTo->addWidget(new QLabel(QStringLiteral("%"), tab));
    ComboBox_Godnost = named(new QComboBox(tab), "ComboBox_Godnost");
    ComboBox_Godnost->addItems(ArticleRecord::shelfLifeUnits());
    SpinEdit_dni = spin("SpinEdit_dni", 0, SpinMaximum, 0, tab);
    auto *shelf = new QHBoxLayout;
    shelf->addWidget(ComboBox_Godnost, 1);
    shelf->addWidget(SpinEdit_dni);
    ComboBox_Dan_Grupa = named(new QComboBox(tab), "ComboBox_Dan_Grupa");
    ComboBox_Dan_Grupa->addItems(ArticleRecord::taxGroups());
    ComboBox_Dan_Grupa->setCurrentIndex(ArticleRecord::DefaultTaxGroup);
    ComboBox_Prigotvq_Se = named(new QComboBox(tab), "ComboBox_Prigotvq_Se");

    auto *scale = named(new QGroupBox(QStringLiteral("Данни за везна"), tab), "GroupBox_Vezna");
    SpinEdit_Kod_Vezna = spin("SpinEdit_Kod_Vezna", 0, INT_MAX, 0, scale);
    SpinEdit_Vezna = spin("SpinEdit_Vezna", 0, 999, 1, scale);
    auto *scaleForm = new QFormLayout(scale);
    scaleForm->addRow(QStringLiteral("Код за везна"), SpinEdit_Kod_Vezna);
    scaleForm->addRow(QStringLiteral("Везна номер"), SpinEdit_Vezna);

    auto *form = new QFormLayout;
    form->addRow(Label_Grupa_name);
    form->addRow(QStringLiteral("Артикулен №"), number);
    form->addRow(QStringLiteral("Каталожен №"), Edit_Nom_N);
    form->addRow(QStringLiteral("Описание"), Edit_Opisanie);
    form->addRow(QStringLiteral("Доставна цена"), Label_Dost_Cena);
    form->addRow(QStringLiteral("Валута"), ComBox_Valuta);
    form->addRow(QStringLiteral("Прод. цена"), Edit_Cena);
    form->addRow(QStringLiteral("Мярка"), ComBox_Mqrka);
    form->addRow(QStringLiteral("Касово име"), Edit_Kasovo_ime);
    form->addRow(QStringLiteral("Етикет"), Edit_Etiketno_ime);
    form->addRow(QStringLiteral("Последен доставчик"), Label_Dostav4ik);
    form->addRow(QStringLiteral("Минимално количество"), SpinEdit_Min_Kol);
    form->addRow(QStringLiteral("Максимална отстъпка при продажба:"), maxTo);
    form->addRow(QStringLiteral("Трайност"), shelf);
    form->addRow(QStringLiteral("Тип данъчна група"), ComboBox_Dan_Grupa);
    form->addRow(QStringLiteral("Къде се приготвя"), ComboBox_Prigotvq_Se);
    form->addRow(ChkBox_Garancia);
    form->addRow(ChkBox_Poredica);

    GroupBox_Snimka = named(new QGroupBox(QStringLiteral("Снимка на артикула"), tab), "GroupBox_Snimka");
    DBImage1 = named(new QLabel(GroupBox_Snimka), "DBImage1");
    DBImage1->setFixedSize(200, 160);
    DBImage1->setFrameShape(QFrame::Box);
    DBImage1->setScaledContents(true);
    BitBtn_Edit_Snimka = namedButton(QStringLiteral("BitBtn_Edit_Snimka"), QStringLiteral("Редактирай"), GroupBox_Snimka);
    BitBtn_Del_Snimka = namedButton(QStringLiteral("BitBtn_Del_Snimka"), QStringLiteral("Изтрии"), GroupBox_Snimka);
    ComboBox_Sklad = named(new QComboBox(GroupBox_Snimka), "ComboBox_Sklad");
    Label_Sklad_Kol = named(new QLabel(QStringLiteral("0.00"), GroupBox_Snimka), "Label_Sklad_Kol");
    Label_nali4nost = named(new QLabel(QStringLiteral("0"), GroupBox_Snimka), "Label_nali4nost");
    auto *pictureButtons = new QHBoxLayout;
    pictureButtons->addWidget(BitBtn_Edit_Snimka);
    pictureButtons->addWidget(BitBtn_Del_Snimka);
    auto *picture = new QFormLayout(GroupBox_Snimka);
    picture->addRow(DBImage1);
    picture->addRow(pictureButtons);
    picture->addRow(QStringLiteral("Склад"), ComboBox_Sklad);
    picture->addRow(QStringLiteral("Наличност в склад:"), Label_Sklad_Kol);
    picture->addRow(QStringLiteral("Обща наличност:"), Label_nali4nost);

    auto *right = new QVBoxLayout;
    right->addWidget(GroupBox_Snimka);
    right->addWidget(scale);
    right->addStretch(1);
    auto *layout = new QHBoxLayout(tab);
    layout->addLayout(form, 1);
    layout->addLayout(right);

    // Handlers react to the user's hand only.
    connect(Edit_Opisanie, &QLineEdit::textEdited, this, &TForm_NewArtikul::Edit_OpisanieChange);
    connect(Edit_Kasovo_ime, &QLineEdit::textEdited, this, [this] { replaceDoubleQuotes(Edit_Kasovo_ime); });
    connect(Edit_Etiketno_ime, &QLineEdit::textEdited, this, [this] { replaceDoubleQuotes(Edit_Etiketno_ime); });
    connect(Edit_Art_N, &QLineEdit::textEdited, this, &TForm_NewArtikul::Edit_Art_NChange);
    connect(Edit_Art_N, &QLineEdit::editingFinished, this, &TForm_NewArtikul::Edit_Art_NExit);
    connect(Edit_Nom_N, &QLineEdit::editingFinished, this, &TForm_NewArtikul::Edit_Nom_NExit);
    connect(Edit_Opisanie, &QLineEdit::editingFinished, this, &TForm_NewArtikul::Edit_OpisanieExit);
    connect(Edit_Cena, &QLineEdit::editingFinished, this, &TForm_NewArtikul::Edit_CenaExit);
    connect(ChkBox_Garancia, &QCheckBox::clicked, this, &TForm_NewArtikul::ChkBox_GaranciaClick);
    connect(ChkBox_Poredica, &QCheckBox::clicked, this, &TForm_NewArtikul::ChkBox_PoredicaClick);
    connect(ComboBox_Godnost, &QComboBox::activated, this, &TForm_NewArtikul::ComboBox_GodnostChange);
    connect(ComboBox_Sklad, &QComboBox::activated, this, &TForm_NewArtikul::ComboBox_SkladChange);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm_NewArtikul::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm_NewArtikul::SpeedButton2Click);
    connect(BitBtn_Edit_Snimka, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Edit_SnimkaClick);
    connect(BitBtn_Del_Snimka, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Del_SnimkaClick);
    return tab;
}

// ---- Filling -------------------------------------------------------------------------

void TForm_NewArtikul::setGroup(long long group, const QString &name)
{
    m_group = group;
    Label_Grupa_name->setText(QStringLiteral("Група: ") + ReferenceText::make(group, name));
}

void TForm_NewArtikul::loadArticle(const Article &a)
{
    m_loaded = a;
    m_openedId = a.id;
    m_codes.setStoredArticle(a.id);
    Edit_Art_N->setText(QString::number(a.id));
    Edit_Nom_N->setText(a.Nomenkl_N);
    Edit_Opisanie->setText(a.Opisanie);
    Edit_Kasovo_ime->setText(a.Kasovo_Ime);
    Edit_Etiketno_ime->setText(a.Etiketno_Ime);
    Edit_Cena->setText(Money::formatWidth(a.Ed_Cena, 4, 4));
    ComBox_Valuta->setCurrentText(a.Valuta_P);
    ComBox_Mqrka->setCurrentText(a.Mqrka);
    Label_Dost_Cena->setText(Numbers::toText(a.Dostavna_Cena) + QLatin1Char(' ') + a.Valuta_D);
    Label_Dostav4ik->setText(a.Dostav4ik);
    ChkBox_Garancia->setChecked(a.Garancionen);
    ChkBox_Poredica->setChecked(a.Poredica);
    ChkBox_Poredica->setEnabled(!a.Garancionen);
    ChkBox_Garancia->setEnabled(!a.Poredica);
    ComboBox_Dan_Grupa->setCurrentIndex(a.Dan_Grup >= 0 && a.Dan_Grup < 4 ? a.Dan_Grup : ArticleRecord::DefaultTaxGroup);
    int department = 0;
    for (int i = 0; i < ComboBox_Prigotvq_Se->count(); ++i)
        if (ReferenceText::key(ComboBox_Prigotvq_Se->itemText(i)) == a.Prigotvq_Se)
            department = i;
    ComboBox_Prigotvq_Se->setCurrentIndex(department);
    SpinEdit_Min_Kol->setValue(int(qBound(0.0, a.Min_Kol, double(SpinMaximum))));
    Edit_Max_TO->setText(Money::formatWidth(a.Max_TO, 4, PriceDecimals));
    SpinEdit_Kod_Vezna->setValue(int(qBound(0LL, a.Kod_Vezna, (long long)INT_MAX)));
    int unit = 0;
    long long value = 0;
    ArticleRecord::parseShelfLife(a.Trajnost, &unit, &value);
    if (!a.Trajnost.isEmpty()) {
        ComboBox_Godnost->setCurrentIndex(unit);
        SpinEdit_dni->setValue(int(qMin(value, (long long)SpinMaximum)));
    }
    m_shown = entered(); // what an untouched field keeps
    showPicture(ArticleRecord::picture(a.id));
    Label_nali4nost->setText(Numbers::toText(ArticleRecord::totalStock(a.id)));
    const int active = ComboBox_Sklad->findText(AppState::instance().activeWarehouseText());
    if (active >= 0)
        ComboBox_Sklad->setCurrentIndex(active);
    ComboBox_SkladChange();
    refreshBarcodes();
    refreshNumbers();
    if (a.Garancionen) {
        DBGrid_Serials->setRowCount(0);
        for (const QString &s : ArticleCodes::serials(a.id)) {
            DBGrid_Serials->insertRow(DBGrid_Serials->rowCount());
            DBGrid_Serials->setItem(DBGrid_Serials->rowCount() - 1, 0, new QTableWidgetItem(s));
        }
    } else {
        PageControl1->setTabVisible(PageControl1->indexOf(TabSheet_Serials), false);
    }
}

void TForm_NewArtikul::showPicture(const QByteArray &bytes)
{
    QPixmap pixmap;
    if (!bytes.isEmpty())
        pixmap.loadFromData(bytes);
    DBImage1->setPixmap(pixmap);
}

void TForm_NewArtikul::FormShow()
{
    const int fiscal = ArticleEntry::nameLimit(true);
    const int label = ArticleEntry::nameLimit(false);
    Edit_Kasovo_ime->setMaxLength(fiscal > 0 ? fiscal : 32767);
    Edit_Etiketno_ime->setMaxLength(label > 0 ? label : 32767);
    // A long name shows its start (a new limit puts the cursor at the end).
    for (QLineEdit *name : {Edit_Nom_N, Edit_Opisanie, Edit_Kasovo_ime, Edit_Etiketno_ime})
        name->setCursorPosition(0);
    if (isNew()) {
        ComboBox_Godnost->setCurrentIndex(0);
        PageControl1->setTabVisible(PageControl1->indexOf(TabSheet_Serials), false);
    }
    BitBtn_Help->setEnabled(QFileInfo::exists(HelpActions::clipFile(QStringLiteral("1"))));
    PageControl1->setCurrentIndex(0);
}

// ---- Typing and leaving fields ---------------------------------------------------------

void TForm_NewArtikul::Edit_OpisanieChange()
{
    replaceDoubleQuotes(Edit_Opisanie);
    const QString text = Edit_Opisanie->text();
    for (QLineEdit *name : {Edit_Kasovo_ime, Edit_Etiketno_ime}) {
        const int limit = name->maxLength() < 32767 ? name->maxLength() : 0;
        if (limit == 0 || text.size() < limit)
            name->setText(text);
    }
}

void TForm_NewArtikul::Edit_Art_NChange()
{
    const long long n = ArticleRecord::parseNumber(Edit_Art_N->text());
    if (n > 0)
        SpinEdit_Kod_Vezna->setValue(int(n));
}

bool TForm_NewArtikul::busyMessage(const QString &text, QWidget *focus)
{
    if (m_inMessage)
        return false;
    m_inMessage = true;
    Dialogs::message(text, this);
    if (focus)
        focus->setFocus();
    m_inMessage = false;
    return true;
}

void TForm_NewArtikul::Edit_Art_NExit()
{
    if (!isNew() || m_inMessage)
        return;
    const long long n = ArticleRecord::parseNumber(Edit_Art_N->text());
    bool used = false;
    try {
        used = n > 0 && ArticleRecord::exists(n);
    } catch (const DbError &) {
    }
    if (n == 0 || used)
        busyMessage(QStringLiteral("Въведете коректен номер за артикул"), Edit_Art_N);
}

void TForm_NewArtikul::Edit_Nom_NExit()
{
    if (Edit_Nom_N->text().trimmed().isEmpty())
        Edit_Nom_N->setText(ArticleRecord::defaultCatalogueNumber(m_group, Edit_Art_N->text()));
}

void TForm_NewArtikul::Edit_OpisanieExit()
{
    if (!m_inMessage && Edit_Opisanie->text().trimmed().isEmpty())
        busyMessage(QStringLiteral("Въведете описание за артикул"), Edit_Opisanie);
}

void TForm_NewArtikul::Edit_CenaExit()
{
    if (m_inMessage)
        return;
    double price = 0;
    if (const auto refusal = ArticleEntry::priceRefusal(Edit_Cena->text(), &price)) {
        busyMessage(*refusal, Edit_Cena);
        return;
    }
    Edit_Cena->setText(Money::formatWidth(price, 4, 4));
}

void TForm_NewArtikul::ChkBox_GaranciaClick()
{
    ChkBox_Poredica->setEnabled(!ChkBox_Garancia->isChecked());
}

void TForm_NewArtikul::ChkBox_PoredicaClick()
{
    ChkBox_Garancia->setEnabled(!ChkBox_Poredica->isChecked());
}

void TForm_NewArtikul::ComboBox_GodnostChange()
{
    SpinEdit_dni->setFocus();
}

void TForm_NewArtikul::ComboBox_SkladChange()
{
    const int warehouse = ReferenceText::key(ComboBox_Sklad->currentText());
    double stock = 0;
    if (m_openedId > 0 && warehouse > 0) {
        try {
            stock = ArticleRecord::stockIn(m_openedId, warehouse);
        } catch (const DbError &e) {
            Dialogs::message(QStringLiteral("Наличността не може да бъде прочетена:\n") + e.message(), this);
        }
    }
    Label_Sklad_Kol->setText(Money::format42(stock));
}

// ---- Numbers of the group --------------------------------------------------------------

void TForm_NewArtikul::SpeedButton1Click()
{
    try {
        const long long n = ArticleRecord::lastNumberInGroup(m_group);
        Edit_Art_N->setText(QString::number(n));
        Edit_Art_NChange();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Номерът не може да бъде прочетен:\n") + e.message(), this);
    }
}

void TForm_NewArtikul::SpeedButton2Click()
{
    FreeArticleNumbers::Result result;
    try {
        const FreeArticleNumbers::Range range = FreeArticleNumbers::range(m_group);
        LongOperationFlag = 0;
        LongOperation::begin(range.highest, QStringLiteral("Прекъсни търсенето"));
        result = FreeArticleNumbers::search(m_group, [](long long reached) { return LongOperation::step(reached); });
        LongOperation::end();
        LongOperationFlag = -1;
    } catch (const DbError &e) {
        LongOperation::end();
        LongOperationFlag = -1;
        FreeArticleNumbers::dropWorkTable();
        Dialogs::message(QStringLiteral("Свободните номера не могат да бъдат намерени:\n") + e.message(), this);
        return;
    }
    TForm_Free_Art_ID list(this);
    if (list.reload() && Dialogs::exec(&list) == QDialog::Accepted && list.chosen() > 0) {
        Edit_Art_N->setText(QString::number(list.chosen()));
        Edit_Art_NChange();
    }
    FreeArticleNumbers::dropWorkTable();
    if (result.cut)
        Dialogs::message(QStringLiteral("Показани са първите %1 свободни номера.").arg(FreeArticleNumbers::MaxListed),
                         this);
}

// ---- Save ------------------------------------------------------------------------------

void TForm_NewArtikul::refuseNumber(const QString &message)
{
    Dialogs::message(message, this);
    PageControl1->setCurrentIndex(0);
    Edit_Art_N->setFocus();
}

ArticleEntry::Fields TForm_NewArtikul::entered() const
{
    ArticleEntry::Fields f;
    f.number = Edit_Art_N->text();
    f.catalogueNumber = Edit_Nom_N->text();
    f.description = Edit_Opisanie->text();
    f.priceText = Edit_Cena->text();
    f.maxDiscountText = Edit_Max_TO->text();
    f.currency = ComBox_Valuta->currentText();
    f.unit = ComBox_Mqrka->currentText();
    f.fiscalName = Edit_Kasovo_ime->text();
    f.labelName = Edit_Etiketno_ime->text();
    f.warranty = ChkBox_Garancia->isChecked();
    f.series = ChkBox_Poredica->isChecked();
    f.minQuantity = SpinEdit_Min_Kol->value();
    f.shelfUnit = ComboBox_Godnost->currentIndex();
    f.shelfValue = SpinEdit_dni->value();
    f.scaleCode = SpinEdit_Kod_Vezna->value();
    f.taxGroup = ComboBox_Dan_Grupa->currentIndex();
    f.department = qMax(0, ReferenceText::key(ComboBox_Prigotvq_Se->currentText()));
    return f;
}

bool TForm_NewArtikul::collect(Article *a)
{
    QScopedValueRollback quiet(m_inMessage, true); // no leave-checks while the save asks
    const ArticleEntry::Result r =
        ArticleEntry::toArticle(m_loaded, entered(), isNew() ? std::nullopt : std::optional(m_shown), m_group);
    if (r.refusal) {
        QWidget *const fields[] = {Edit_Art_N, Edit_Opisanie, Edit_Cena, Edit_Max_TO}; // in Field's order
        Dialogs::message(r.refusal->message, this);
        PageControl1->setCurrentIndex(0);
        fields[int(r.refusal->field)]->setFocus();
        return false;
    }
    *a = *r.article;
    Edit_Nom_N->setText(a->Nomenkl_N);
    return true;
}

void TForm_NewArtikul::BitBtn_OKClick()
{
    if (ArticleEditMode != 0 && ArticleEditMode != 1)
        return;
    Article a;
    if (!collect(&a))
        return;
    const ArticleSaveResult r =
        isNew() ? ArticleRecord::insert(a, m_codes.pending()) : ArticleRecord::update(m_openedId, a);
    if (!r.ok) {
        if (r.numberRefused)
            refuseNumber(r.message);
        else
            Dialogs::message(r.message, this);
        return;
    }
    m_savedId = a.id;
    m_codes.clearPending();
    accept();
}

void TForm_NewArtikul::BitBtn_HelpClick()
{
    HelpActions::Action_Edit_ArtExecute();
}

// ---- Picture ---------------------------------------------------------------------------

void TForm_NewArtikul::BitBtn_Edit_SnimkaClick()
{
    if (m_openedId <= 0)
        return;
    const QString file = Dialogs::openFile(QStringLiteral("Снимка на артикула"),
                                           QStringLiteral("Bitmaps (*.bmp);;Icons (*.ico)"), {}, this);
    if (file.isEmpty())
        return;
    QFile f(file);
    QByteArray bytes;
    if (f.open(QIODevice::ReadOnly))
        bytes = f.readAll();
    if (bytes.isEmpty() || QImage::fromData(bytes).isNull()) {
        Dialogs::message(QStringLiteral("Файлът \"") + file + QStringLiteral("\" не е картина."), this);
        return;
    }
    try {
        ArticleRecord::setPicture(m_openedId, bytes);
        showPicture(bytes);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Снимката не е записана:\n") + e.message(), this);
    }
}

void TForm_NewArtikul::BitBtn_Del_SnimkaClick()
{
    if (m_openedId <= 0)
        return;
    try {
        ArticleRecord::setPicture(m_openedId, {});
        showPicture({});
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Снимката не е изтрита:\n") + e.message(), this);
    }
}

// ---- Tabs and serials ------------------------------------------------------------------

void TForm_NewArtikul::PageControl1Change()
{
    const QString tab = PageControl1->currentWidget() ? PageControl1->currentWidget()->objectName() : QString();
    if (tab == QLatin1String("TabSheet_Barkod"))
        refreshBarcodes();
    else if (tab == QLatin1String("TabSheet_Nomenklatura"))
        refreshNumbers();
}
