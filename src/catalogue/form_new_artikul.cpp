#include "catalogue/form_new_artikul.h"

#include "catalogue/article_codes.h"
#include "catalogue/form_free_art_id.h"
#include "catalogue/free_article_numbers.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "common/settings.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"
#include "platform/long_texts.h"
#include "app/app_state.h"
#include "app/help_actions.h"
#include "app/long_operation.h"
#include "app/window_owner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
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
constexpr int PickMode = 14;
constexpr int SpinMaximum = 100000;

QTableWidget *grid(const char *name, const QStringList &titles, QWidget *parent)
{
    auto *g = named(new QTableWidget(0, int(titles.size()), parent), name);
    g->setHorizontalHeaderLabels(titles);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->horizontalHeader()->setStretchLastSection(true);
    g->verticalHeader()->hide();
    return g;
}

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

int currentRow(QTableWidget *g)
{
    const int row = g->currentRow();
    return row >= 0 && row < g->rowCount() ? row : -1;
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
    CounterpartyPick::registerTarget(PickMode, [self](const CounterpartyPick::Picked &picked) {
        if (self)
            self->Label_ID_Kontragent->setText(picked.referenceText());
    });
}

TForm_NewArtikul::~TForm_NewArtikul()
{
    CounterpartyPick::unregisterTarget(PickMode);
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
    Label_Grupa_name = named(new QLabel(QStringLiteral("Група: "), tab), "Label_Grupa_name");
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
    Label_Dostav4ik = named(new QLabel(QStringLiteral("0"), tab), "Label_Dostav4ik");
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

QWidget *TForm_NewArtikul::buildBarcodeTab()
{
    auto *tab = named(new QWidget(this), "TabSheet_Barkod");
    DBGrid_Barkodes = grid("DBGrid_Barkodes", {QStringLiteral("Баркод")}, tab);
    BitBtn_Add_Barkod = namedButton(QStringLiteral("BitBtn_Add_Barkod"), QStringLiteral("Добави"), tab);
    BitBtn_Del_Barkod = namedButton(QStringLiteral("BitBtn_Del_Barkod"), QStringLiteral("Изтрии"), tab);
    BitBtn_Edit_Barkod = namedButton(QStringLiteral("BitBtn_Edit_Barkod"), QStringLiteral("Редакция"), tab);
    Panel_Insert_Barkod = named(new QWidget(tab), "Panel_Insert_Barkod");
    Edit_Insert_Barkode = namedEdit(QStringLiteral("Edit_Insert_Barkode"), Panel_Insert_Barkod);
    auto *panel = new QFormLayout(Panel_Insert_Barkod);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addRow(QStringLiteral("Баркод"), Edit_Insert_Barkode);
    Panel_Insert_Barkod->hide();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn_Add_Barkod);
    buttons->addWidget(BitBtn_Del_Barkod);
    buttons->addWidget(BitBtn_Edit_Barkod);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(DBGrid_Barkodes, 1);
    layout->addWidget(Panel_Insert_Barkod);
    layout->addLayout(buttons);
    connect(BitBtn_Add_Barkod, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Add_BarkodClick);
    connect(BitBtn_Del_Barkod, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Del_BarkodClick);
    connect(BitBtn_Edit_Barkod, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Edit_BarkodClick);
    return tab;
}

QWidget *TForm_NewArtikul::buildNumberTab()
{
    auto *tab = named(new QWidget(this), "TabSheet_Nomenklatura");
    DBGrid1 = grid("DBGrid1", {QStringLiteral("Номенклатурен номер"), QStringLiteral("Контрагент")}, tab);
    DBGrid1->setColumnWidth(0, 200);
    BitBtn_Add_Nomenkl = namedButton(QStringLiteral("BitBtn_Add_Nomenkl"), QStringLiteral("Добави"), tab);
    BitBtn_Del_Nomenkl = namedButton(QStringLiteral("BitBtn_Del_Nomenkl"), QStringLiteral("Изтрии"), tab);
    BitBtn_Edit_Nomenkl = namedButton(QStringLiteral("BitBtn_Edit_Nomenkl"), QStringLiteral("Редакция"), tab);
    Panel_Insert_Nomenkl = named(new QWidget(tab), "Panel_Insert_Nomenkl");
    Edit_Insert_Nomenkl_N = namedEdit(QStringLiteral("Edit_Insert_Nomenkl_N"), Panel_Insert_Nomenkl);
    Label_Select_Kontrag = namedButton(QStringLiteral("Label_Select_Kontrag"), QStringLiteral("Контрагент:"),
                                       Panel_Insert_Nomenkl);
    Label_Select_Kontrag->setFlat(true);
    Label_Select_Kontrag->setCursor(Qt::PointingHandCursor);
    Label_ID_Kontragent = named(new ElidedLabel(QString::fromUtf8(NoCounterparty), Panel_Insert_Nomenkl),
                                "Label_ID_Kontragent");
    Label_ID_Kontragent->setTextFormat(Qt::PlainText);
    auto *panel = new QFormLayout(Panel_Insert_Nomenkl);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addRow(QStringLiteral("Номенклатурен номер"), Edit_Insert_Nomenkl_N);
    panel->addRow(Label_Select_Kontrag, Label_ID_Kontragent);
    Panel_Insert_Nomenkl->hide();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn_Add_Nomenkl);
    buttons->addWidget(BitBtn_Del_Nomenkl);
    buttons->addWidget(BitBtn_Edit_Nomenkl);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(Panel_Insert_Nomenkl);
    layout->addLayout(buttons);
    connect(BitBtn_Add_Nomenkl, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Add_NomenklClick);
    connect(BitBtn_Del_Nomenkl, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Del_NomenklClick);
    connect(BitBtn_Edit_Nomenkl, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Edit_NomenklClick);
    connect(Label_Select_Kontrag, &QPushButton::clicked, this, &TForm_NewArtikul::Label_Select_KontragClick);
    return tab;
}

QWidget *TForm_NewArtikul::buildSerialTab()
{
    TabSheet_Serials = named(new QWidget(this), "TabSheet_Serials");
    DBGrid_Serials = grid("DBGrid_Serials", {QStringLiteral("Сериен номер")}, TabSheet_Serials);
    auto *layout = new QVBoxLayout(TabSheet_Serials);
    layout->addWidget(DBGrid_Serials);
    connect(DBGrid_Serials, &QTableWidget::cellClicked, this, &TForm_NewArtikul::DBGrid_SerialsClick);
    return TabSheet_Serials;
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
    m_loadedMinKol = SpinEdit_Min_Kol->value();
    Edit_Max_TO->setText(Money::formatWidth(a.Max_TO, 4, PriceDecimals));
    m_loadedPriceText = Edit_Cena->text();
    m_loadedMaxToText = Edit_Max_TO->text();
    SpinEdit_Kod_Vezna->setValue(int(qBound(0LL, a.Kod_Vezna, (long long)INT_MAX)));
    m_loadedScale = SpinEdit_Kod_Vezna->value();
    int unit = 0;
    long long value = 0;
    ArticleRecord::parseShelfLife(a.Trajnost, &unit, &value);
    if (!a.Trajnost.isEmpty()) {
        ComboBox_Godnost->setCurrentIndex(unit);
        SpinEdit_dni->setValue(int(qMin(value, (long long)SpinMaximum)));
    }
    m_loadedShelf = SpinEdit_dni->value();
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

int TForm_NewArtikul::nameLimit(bool fiscal) const
{
    const bool on = Settings::readBool(fiscal ? Keys::Tuning_10 : Keys::Tuning_11);
    const long long limit = on ? Settings::readInteger(fiscal ? Keys::Values_10 : Keys::Values_11) : 0;
    return limit > 0 && limit < 32767 ? int(limit) : 0;
}

void TForm_NewArtikul::FormShow()
{
    const int fiscal = nameLimit(true);
    const int label = nameLimit(false);
    Edit_Kasovo_ime->setMaxLength(fiscal > 0 ? fiscal : 32767);
    Edit_Etiketno_ime->setMaxLength(label > 0 ? label : 32767);
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
    if (Edit_Cena->text().trimmed().isEmpty()) {
        busyMessage(QStringLiteral("Въведете цена за артикул"), Edit_Cena);
        return;
    }
    double price = 0;
    if (!Numbers::parse(Edit_Cena->text(), &price)) {
        busyMessage(QStringLiteral("\"") + Edit_Cena->text() + QStringLiteral("\" не е число!"), Edit_Cena);
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

bool TForm_NewArtikul::collect(Article *a)
{
    QScopedValueRollback quiet(m_inMessage, true); // no leave-checks while the save asks
    const long long id = ArticleRecord::parseNumber(Edit_Art_N->text());
    if (id == 0) {
        refuseNumber(QStringLiteral("Некоректен номер за артикул!"));
        return false;
    }
    auto refuse = [this](const QString &text, QWidget *focus) {
        Dialogs::message(text, this);
        PageControl1->setCurrentIndex(0);
        focus->setFocus();
        return false;
    };
    if (Edit_Opisanie->text().trimmed().isEmpty())
        return refuse(QStringLiteral("Въведете описание за артикул"), Edit_Opisanie);
    double price = 0;
    if (Edit_Cena->text().trimmed().isEmpty())
        return refuse(QStringLiteral("Въведете цена за артикул"), Edit_Cena);
    if (!Numbers::parse(Edit_Cena->text(), &price))
        return refuse(QStringLiteral("\"") + Edit_Cena->text() + QStringLiteral("\" не е число!"), Edit_Cena);
    double maxTo = 0;
    if (!Numbers::parse(Edit_Max_TO->text(), &maxTo))
        return refuse(QStringLiteral("Максималната отстъпка \"") + Edit_Max_TO->text()
                          + QStringLiteral("\" не е число!"),
                      Edit_Max_TO);

    *a = m_loaded;
    a->id = id;
    a->Nomenkl_N = Edit_Nom_N->text().trimmed().isEmpty()
                       ? ArticleRecord::defaultCatalogueNumber(m_group, Edit_Art_N->text())
                       : Edit_Nom_N->text();
    Edit_Nom_N->setText(a->Nomenkl_N);
    if (isNew())
        a->Nomer_Grupa = m_group;
    a->Opisanie = Edit_Opisanie->text();
    a->Valuta_D = ComBox_Valuta->currentText();
    a->Valuta_P = ComBox_Valuta->currentText();
    // A number shown rounded and left untouched keeps its stored value.
    if (isNew() || Edit_Cena->text() != m_loadedPriceText)
        a->Ed_Cena = price;
    a->Mqrka = ComBox_Mqrka->currentText();
    a->Garancionen = ChkBox_Garancia->isChecked();
    a->Poredica = ChkBox_Poredica->isChecked();
    a->Kasovo_Ime = Edit_Kasovo_ime->text();
    a->Etiketno_Ime = Edit_Etiketno_ime->text();
    // An untouched spin keeps the stored value, whatever the spin could show.
    if (isNew() || SpinEdit_Min_Kol->value() != m_loadedMinKol)
        a->Min_Kol = SpinEdit_Min_Kol->value();
    if (isNew() || Edit_Max_TO->text() != m_loadedMaxToText)
        a->Max_TO = maxTo;
    int storedUnit = 0;
    long long storedValue = 0;
    ArticleRecord::parseShelfLife(m_loaded.Trajnost, &storedUnit, &storedValue);
    if (isNew() || m_loaded.Trajnost.isEmpty() || ComboBox_Godnost->currentIndex() != storedUnit
        || SpinEdit_dni->value() != m_loadedShelf)
        a->Trajnost = ArticleRecord::shelfLife(ComboBox_Godnost->currentIndex(), SpinEdit_dni->value());
    if (isNew() || SpinEdit_Kod_Vezna->value() != m_loadedScale)
        a->Kod_Vezna = SpinEdit_Kod_Vezna->value();
    a->Dan_Grup = ComboBox_Dan_Grupa->currentIndex();
    a->Prigotvq_Se = qMax(0, ReferenceText::key(ComboBox_Prigotvq_Se->currentText()));
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

// ---- Barcodes and catalogue numbers ----------------------------------------------------

void TForm_NewArtikul::refreshBarcodes()
{
    QStringList codes;
    try {
        codes = m_codes.barcodes();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Баркодовете не могат да бъдат прочетени:\n") + e.message(), this);
    }
    const int keep = DBGrid_Barkodes->currentRow();
    DBGrid_Barkodes->setRowCount(int(codes.size()));
    for (int i = 0; i < codes.size(); ++i)
        DBGrid_Barkodes->setItem(i, 0, new QTableWidgetItem(codes.at(i)));
    if (!codes.isEmpty())
        DBGrid_Barkodes->setCurrentCell(qBound(0, keep, int(codes.size()) - 1), 0);
}

void TForm_NewArtikul::refreshNumbers()
{
    QList<CatalogueNumber> numbers;
    try {
        numbers = m_codes.numbers();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Номенклатурата не може да бъде прочетена:\n") + e.message(), this);
    }
    const int keep = DBGrid1->currentRow();
    DBGrid1->setRowCount(int(numbers.size()));
    for (int i = 0; i < numbers.size(); ++i) {
        auto *number = new QTableWidgetItem(numbers.at(i).number);
        number->setData(Qt::UserRole, numbers.at(i).counterparty);
        DBGrid1->setItem(i, 0, number);
        DBGrid1->setItem(i, 1, new QTableWidgetItem(numbers.at(i).counterpartyName));
    }
    if (!numbers.isEmpty())
        DBGrid1->setCurrentCell(qBound(0, keep, int(numbers.size()) - 1), 0);
}

bool TForm_NewArtikul::finish(const ArticleCodeEntry::Result &result, QWidget *focus)
{
    if (!result.message.isEmpty())
        Dialogs::message(result.message, this);
    if (!result.done && focus)
        focus->setFocus();
    return result.done;
}

void TForm_NewArtikul::setBarcodeTag(int tag)
{
    m_barcodeTag = tag;
    BitBtn_Add_Barkod->setText(tag == 0 ? QStringLiteral("Добави") : QStringLiteral("Приеми"));
    BitBtn_Del_Barkod->setText(tag == 0 ? QStringLiteral("Изтрии") : QStringLiteral("Откажи"));
    BitBtn_Edit_Barkod->setEnabled(tag == 0);
    Panel_Insert_Barkod->setVisible(tag != 0);
    if (tag != 0)
        Edit_Insert_Barkode->setFocus();
}

void TForm_NewArtikul::setNumberTag(int tag)
{
    m_numberTag = tag;
    BitBtn_Add_Nomenkl->setText(tag == 0 ? QStringLiteral("Добави") : QStringLiteral("Приеми"));
    BitBtn_Del_Nomenkl->setText(tag == 0 ? QStringLiteral("Изтрии") : QStringLiteral("Откажи"));
    BitBtn_Edit_Nomenkl->setEnabled(tag == 0);
    Panel_Insert_Nomenkl->setVisible(tag != 0);
    if (tag == 0)
        Label_ID_Kontragent->setText(QString::fromUtf8(NoCounterparty));
    else
        Edit_Insert_Nomenkl_N->setFocus();
}

void TForm_NewArtikul::BitBtn_Add_BarkodClick()
{
    if (m_barcodeTag == 0) {
        Edit_Insert_Barkode->clear();
        setBarcodeTag(1);
        return;
    }
    const QString code = Edit_Insert_Barkode->text();
    if (!finish(m_barcodeTag == 1 ? m_codes.addBarcode(code) : m_codes.changeBarcode(m_oldBarcode, code),
                Edit_Insert_Barkode))
        return;
    setBarcodeTag(0);
    refreshBarcodes();
}

void TForm_NewArtikul::BitBtn_Del_BarkodClick()
{
    if (m_barcodeTag != 0) {
        setBarcodeTag(0);
        refreshBarcodes();
        return;
    }
    const int row = currentRow(DBGrid_Barkodes);
    if (row < 0)
        return;
    finish(m_codes.removeBarcode(row, DBGrid_Barkodes->item(row, 0)->text()), nullptr);
    refreshBarcodes();
}

void TForm_NewArtikul::BitBtn_Edit_BarkodClick()
{
    const int row = currentRow(DBGrid_Barkodes);
    if (m_barcodeTag != 0 || row < 0)
        return;
    m_oldBarcode = DBGrid_Barkodes->item(row, 0)->text();
    Edit_Insert_Barkode->setText(m_oldBarcode);
    setBarcodeTag(2);
}

void TForm_NewArtikul::Label_Select_KontragClick()
{
    CounterpartyPickMode = PickMode;
    TForm_Kontrakents::N_KlientiClick(WindowOwner::mainWindow() ? WindowOwner::mainWindow() : this);
    CounterpartyPickMode = -1;
}

CatalogueNumber TForm_NewArtikul::enteredNumber() const
{
    const QString text = Label_ID_Kontragent->text();
    return CatalogueNumber{Edit_Insert_Nomenkl_N->text(), ReferenceText::key(text),
                           text.mid(text.indexOf(QLatin1Char(':')) + 1)};
}

void TForm_NewArtikul::BitBtn_Add_NomenklClick()
{
    if (m_numberTag == 0) {
        Edit_Insert_Nomenkl_N->clear();
        setNumberTag(1);
        return;
    }
    if (Edit_Insert_Nomenkl_N->text().trimmed().isEmpty()) {
        finish(m_codes.addNumber(enteredNumber()), Edit_Insert_Nomenkl_N); // says what is missing
        return;
    }
    if (enteredNumber().counterparty <= 0) {
        Dialogs::message(QStringLiteral("Изберете контрагент на когото е посоченият номер!"), this);
        Label_Select_KontragClick();
        if (enteredNumber().counterparty <= 0)
            return; // the pick was cancelled: nothing is written, the entry stays open
    }
    const CatalogueNumber entered = enteredNumber();
    if (!finish(m_numberTag == 1 ? m_codes.addNumber(entered) : m_codes.changeNumber(m_oldNumber, entered),
                Edit_Insert_Nomenkl_N))
        return;
    setNumberTag(0);
    refreshNumbers();
}

void TForm_NewArtikul::BitBtn_Del_NomenklClick()
{
    if (m_numberTag != 0) {
        setNumberTag(0);
        refreshNumbers();
        return;
    }
    const int row = currentRow(DBGrid1);
    if (row < 0)
        return;
    const CatalogueNumber n{DBGrid1->item(row, 0)->text(), DBGrid1->item(row, 0)->data(Qt::UserRole).toLongLong(),
                            DBGrid1->item(row, 1)->text()};
    finish(m_codes.removeNumber(row, n), nullptr);
    refreshNumbers();
}

void TForm_NewArtikul::BitBtn_Edit_NomenklClick()
{
    const int row = currentRow(DBGrid1);
    if (m_numberTag != 0 || row < 0)
        return;
    m_oldNumber = CatalogueNumber{DBGrid1->item(row, 0)->text(), DBGrid1->item(row, 0)->data(Qt::UserRole).toLongLong(),
                                  DBGrid1->item(row, 1)->text()};
    setNumberTag(2);
    Edit_Insert_Nomenkl_N->setText(m_oldNumber.number);
    Label_ID_Kontragent->setText(ReferenceText::make(m_oldNumber.counterparty, m_oldNumber.counterpartyName));
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

void TForm_NewArtikul::DBGrid_SerialsClick()
{
    const int row = currentRow(DBGrid_Serials);
    if (row < 0)
        return;
    QString hint;
    try {
        hint = ArticleCodes::serialHint(DBGrid_Serials->item(row, 0)->text());
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Данните за серийния номер не могат да бъдат прочетени:\n") + e.message(),
                         this);
        return;
    }
    // A tooltip renders markup: the hint goes in escaped, line by line.
    QStringList lines = hint.split(QLatin1Char('\r'));
    for (QString &line : lines)
        line = line.toHtmlEscaped();
    setToolTip(hint.isEmpty() ? QString() : QStringLiteral("<p style='white-space:pre'>") + lines.join(QStringLiteral("<br>"))
                                                + QStringLiteral("</p>"));
}
