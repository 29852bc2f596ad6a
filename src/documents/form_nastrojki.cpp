#include "documents/form_nastrojki.h"

#include "common/reference_text.h"
#include "documents/form_free_tekst.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QStyle>
#include <QSqlField>
#include <QSqlRecord>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Layout;

namespace {
const char *const kFrameStyles[] = {"Clear", "Dash", "DashDot", "DashDotDot", "Dot", "InsideFrame", "Solid"};

QSpinBox *spin(const char *name, int min, int max, int value, QWidget *parent)
{
    auto *s = named(new QSpinBox(parent), name);
    s->setRange(min, max);
    s->setValue(value);
    return s;
}

QCheckBox *check(const char *name, const QString &caption, QWidget *parent)
{
    return named(new QCheckBox(caption, parent), name);
}
} // namespace

TForm_Nastrojki::TForm_Nastrojki(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Form_Nastrojki"));
    setWindowTitle(QStringLiteral("Добавяне на елементи"));
    setModal(false);
    auto *outer = new QVBoxLayout(this);

    // The height spins have no limits of their own.
    const int big = 100000;
    auto *heights = new QFormLayout;
    SpinEdit_GroupHeaderBand1_Height = spin("SpinEdit_GroupHeaderBand1_Height", -big, big, current().headerHeight, this);
    SpinEdit_QRSubDetail1_Height = spin("SpinEdit_QRSubDetail1_Height", -big, big, current().detailHeight, this);
    SpinEdit_GroupFooterBand1_Height = spin("SpinEdit_GroupFooterBand1_Height", -big, big, current().footerHeight, this);
    heights->addRow(QStringLiteral("Ширина на текст отгоре"), SpinEdit_GroupHeaderBand1_Height);
    heights->addRow(QStringLiteral("Ширина на среден ред"), SpinEdit_QRSubDetail1_Height);
    heights->addRow(QStringLiteral("Ширина на текст отдолу"), SpinEdit_GroupFooterBand1_Height);
    ComboBox_Sobstvenik_na_Obekt = named(new QComboBox(this), "ComboBox_Sobstvenik_na_Obekt");
    ComboBox_Sobstvenik_na_Obekt->addItems({QStringLiteral(" текст отгоре"), QStringLiteral(" текст в среда"),
                                            QStringLiteral(" текст отдолу"), QStringLiteral(" хедър"),
                                            QStringLiteral(" футър")});
    ComboBox_Sobstvenik_na_Obekt->setCurrentIndex(-1);
    heights->addRow(QStringLiteral("Да се добави към"), ComboBox_Sobstvenik_na_Obekt);
    outer->addLayout(heights);

    PageControl1 = named(new QTabWidget(this), "PageControl1");
    outer->addWidget(PageControl1);

    // Page "Етикет"
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    RadioGroup1 = named(new QGroupBox(QStringLiteral("Вид етикет"), page), "RadioGroup1");
    auto *radios = new QVBoxLayout(RadioGroup1);
    RadioButton_Baza = named(new QRadioButton(QStringLiteral("База данни"), RadioGroup1), "RadioButton_Baza");
    RadioButton_Etiket = named(new QRadioButton(QStringLiteral("Етикет"), RadioGroup1), "RadioButton_Etiket");
    RadioButton_Sistemni = named(new QRadioButton(QStringLiteral("Системни"), RadioGroup1), "RadioButton_Sistemni");
    RadioButton_Baza->setChecked(true);
    radios->addWidget(RadioButton_Baza);
    radios->addWidget(RadioButton_Etiket);
    radios->addWidget(RadioButton_Sistemni);
    grid->addWidget(RadioGroup1, 0, 0, 3, 1);
    ComboBox_Type = named(new QComboBox(page), "ComboBox_Type");
    ComboBox_Type->setEnabled(false);
    grid->addWidget(ComboBox_Type, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Данни"), page), 1, 1);
    ComboBox_Poleta = named(new QComboBox(page), "ComboBox_Poleta");
    ComboBox_Poleta->setMaxVisibleItems(25);
    // Wide enough for the longest "table-field" name, open or closed.
    ComboBox_Poleta->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    grid->addWidget(ComboBox_Poleta, 1, 2);
    CheckBox_AutoSize = check("CheckBox_AutoSize", QStringLiteral("Автоматично оразмеряване"), page);
    grid->addWidget(CheckBox_AutoSize, 2, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Подравняване"), page), 3, 1);
    ComboBox_podravnqvane = named(new QComboBox(page), "ComboBox_podravnqvane");
    ComboBox_podravnqvane->addItems({QStringLiteral("Ляво"), QStringLiteral("Център"), QStringLiteral("Дясно")});
    ComboBox_podravnqvane->setCurrentIndex(-1);
    grid->addWidget(ComboBox_podravnqvane, 3, 2);

    auto *fontBox = named(new QGroupBox(QStringLiteral("Шрифт"), page), "GroupBox_Shrift");
    auto *fontGrid = new QGridLayout(fontBox);
    CheckBox_Style_Bold = check("CheckBox_Style_Bold", QStringLiteral("Bold"), fontBox);
    CheckBox_Style_Italic = check("CheckBox_Style_Italic", QStringLiteral("Italic"), fontBox);
    CheckBox_Style_Underline = check("CheckBox_Style_Underline", QStringLiteral("Underline"), fontBox);
    CheckBox_Style_StrikeOut = check("CheckBox_Style_StrikeOut", QStringLiteral("StrikeOut"), fontBox);
    Button2 = namedButton(QStringLiteral("Button2"), QStringLiteral("Цвят"), fontBox);
    SpinEdit_Font_Size = spin("SpinEdit_Font_Size", 2, 72, 10, fontBox);
    fontGrid->addWidget(CheckBox_Style_Bold, 0, 0);
    fontGrid->addWidget(CheckBox_Style_Italic, 0, 1);
    fontGrid->addWidget(CheckBox_Style_Underline, 1, 0);
    fontGrid->addWidget(CheckBox_Style_StrikeOut, 1, 1);
    fontGrid->addWidget(Button2, 2, 0);
    fontGrid->addWidget(SpinEdit_Font_Size, 2, 1);

    auto *frameBox = named(new QGroupBox(QStringLiteral("Рамки"), page), "GroupBox_Ramki");
    auto *frameGrid = new QGridLayout(frameBox);
    CheckBox_Frame_Left = check("CheckBox_Frame_Left", QStringLiteral("Ляво"), frameBox);
    CheckBox_Frame_Right = check("CheckBox_Frame_Right", QStringLiteral("Дясно"), frameBox);
    CheckBox_Frame_Up = check("CheckBox_Frame_Up", QStringLiteral("Горе"), frameBox);
    CheckBox_Frame_Down = check("CheckBox_Frame_Down", QStringLiteral("Долу"), frameBox);
    ComboBox_Frame_Style = named(new QComboBox(frameBox), "ComboBox_Frame_Style");
    for (const char *s : kFrameStyles)
        ComboBox_Frame_Style->addItem(QString::fromLatin1(s));
    ComboBox_Frame_Style->setCurrentText(QStringLiteral("Solid"));
    SpinEdit_Frame_Width = spin("SpinEdit_Frame_Width", 1, 25, 1, frameBox);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Цвят"), frameBox);
    frameGrid->addWidget(CheckBox_Frame_Left, 0, 0);
    frameGrid->addWidget(CheckBox_Frame_Right, 0, 1);
    frameGrid->addWidget(CheckBox_Frame_Up, 1, 0);
    frameGrid->addWidget(CheckBox_Frame_Down, 1, 1);
    frameGrid->addWidget(new QLabel(QStringLiteral("Стил"), frameBox), 2, 0);
    frameGrid->addWidget(ComboBox_Frame_Style, 2, 1);
    frameGrid->addWidget(new QLabel(QStringLiteral("Ширина"), frameBox), 3, 0);
    frameGrid->addWidget(SpinEdit_Frame_Width, 3, 1);
    frameGrid->addWidget(Button1, 4, 0);

    auto *sizeBox = named(new QGroupBox(QStringLiteral("Размери и Позиция"), page), "GroupBox_Razmeri");
    auto *sizeForm = new QFormLayout(sizeBox);
    SpinEdit_Height = spin("SpinEdit_Height", 0, 10000, 20, sizeBox);
    SpinEdit_Width = spin("SpinEdit_Width", 0, 10000, 50, sizeBox);
    SpinEdit_Left = spin("SpinEdit_Left", -10000, 10000, 0, sizeBox);
    SpinEdit_Top = spin("SpinEdit_Top", -10000, 10000, 0, sizeBox);
    sizeForm->addRow(QStringLiteral("Височина"), SpinEdit_Height);
    sizeForm->addRow(QStringLiteral("Ширина"), SpinEdit_Width);
    sizeForm->addRow(QStringLiteral("От ляво"), SpinEdit_Left);
    sizeForm->addRow(QStringLiteral("От горе"), SpinEdit_Top);
    // Font and sizes beside the frames: the editor stays within an
    // 800-pixel screen with its buttons on it.
    auto *boxes = new QHBoxLayout;
    auto *leftBoxes = new QVBoxLayout;
    leftBoxes->addWidget(fontBox);
    leftBoxes->addWidget(sizeBox);
    boxes->addLayout(leftBoxes);
    boxes->addWidget(frameBox, 0, Qt::AlignTop);
    grid->addLayout(boxes, 4, 0, 1, 3);

    ComboBox2 = named(new QComboBox(page), "ComboBox2");
    grid->addWidget(ComboBox2, 5, 0, 1, 3);
    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("СЪЗДАЙ"), page);
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("ИЗТРИИ"), page);
    BitBtn2->setEnabled(false);
    grid->addWidget(BitBtn1, 6, 0);
    grid->addWidget(BitBtn2, 6, 2);
    PageControl1->addTab(page, QStringLiteral("Етикет"));

    // Page "Картинка": its buttons have no action.
    auto *picture = new QWidget;
    auto *pictureRow = new QVBoxLayout(picture);
    Button_Izberi = namedButton(QStringLiteral("Button_Izberi"), QStringLiteral("ИЗБЕРИ"), picture);
    Button_Iztrii_Kartinka = namedButton(QStringLiteral("Button_Iztrii_Kartinka"), QStringLiteral("ИЗТРИИ"), picture);
    pictureRow->addWidget(Button_Izberi);
    pictureRow->addWidget(Button_Iztrii_Kartinka);
    pictureRow->addStretch();
    PageControl1->addTab(picture, QStringLiteral("Картинка"));

    auto *pageBands = new QWidget;
    auto *pageGrid = new QGridLayout(pageBands);
    CheckBox_Pokaji_Header = check("CheckBox_Pokaji_Header", QStringLiteral("Покажи Header"), pageBands);
    SpinEdit_PageHeader_Heigth = spin("SpinEdit_PageHeader_Heigth", -big, big, 0, pageBands);
    CheckBox_Pokaji_Footer = check("CheckBox_Pokaji_Footer", QStringLiteral("Покажи Footer"), pageBands);
    SpinEdit_PageFooter_Heigth = spin("SpinEdit_PageFooter_Heigth", -big, big, 0, pageBands);
    pageGrid->addWidget(CheckBox_Pokaji_Header, 0, 0);
    pageGrid->addWidget(new QLabel(QStringLiteral("Височина"), pageBands), 0, 1);
    pageGrid->addWidget(SpinEdit_PageHeader_Heigth, 0, 2);
    pageGrid->addWidget(CheckBox_Pokaji_Footer, 1, 0);
    pageGrid->addWidget(new QLabel(QStringLiteral("Височина"), pageBands), 1, 1);
    pageGrid->addWidget(SpinEdit_PageFooter_Heigth, 1, 2);
    pageGrid->setRowStretch(2, 1);
    PageControl1->addTab(pageBands, QStringLiteral("Header_Footer"));

    // User actions only.
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Nastrojki::BitBtn1Click);
    connect(ComboBox_Sobstvenik_na_Obekt, &QComboBox::activated, this,
            &TForm_Nastrojki::ComboBox_Sobstvenik_na_ObektChange);
    connect(ComboBox2, &QComboBox::activated, this, &TForm_Nastrojki::ComboBox2Click);
    for (QRadioButton *r : {RadioButton_Baza, RadioButton_Etiket, RadioButton_Sistemni})
        connect(r, &QRadioButton::clicked, this, &TForm_Nastrojki::RadioGroup1Click);
    connect(ComboBox_Poleta, &QComboBox::activated, this, &TForm_Nastrojki::ComboBox_PoletaClick);
    connect(CheckBox_Pokaji_Header, &QCheckBox::clicked, this, &TForm_Nastrojki::CheckBox_Pokaji_HeaderClick);
    connect(CheckBox_Pokaji_Footer, &QCheckBox::clicked, this, &TForm_Nastrojki::CheckBox_Pokaji_FooterClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_Nastrojki::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm_Nastrojki::Button2Click);

    auto onCheck = [this](QCheckBox *box, bool Element::*member) {
        connect(box, &QCheckBox::clicked, this,
                [this, member](bool on) { changeFormatted([&](Element &e) { e.*member = on; }); });
    };
    onCheck(CheckBox_Style_Bold, &Element::bold);
    onCheck(CheckBox_Style_Italic, &Element::italic);
    onCheck(CheckBox_Style_Underline, &Element::underline);
    onCheck(CheckBox_Style_StrikeOut, &Element::strikeOut);
    onCheck(CheckBox_Frame_Left, &Element::frameLeft);
    onCheck(CheckBox_Frame_Right, &Element::frameRight);
    onCheck(CheckBox_Frame_Up, &Element::frameTop);
    onCheck(CheckBox_Frame_Down, &Element::frameBottom);
    onCheck(CheckBox_AutoSize, &Element::autoSize);
    connect(ComboBox_podravnqvane, &QComboBox::activated, this, [this](int index) {
        const Align a = index == 1 ? Align::Center : index == 2 ? Align::Right : Align::Left;
        changeFormatted([a](Element &e) { e.alignment = a; });
    });
    connect(ComboBox_Frame_Style, &QComboBox::activated, this, [this](int index) {
        const QString style = QStringLiteral("ps") + ComboBox_Frame_Style->itemText(index);
        changeFormatted([style](Element &e) { e.frameStyle = style; });
    });
    auto onSpin = [this](QSpinBox *box, const std::function<void(int)> &apply) {
        connect(box, &QSpinBox::valueChanged, this, [this, apply](int v) {
            if (!m_loading)
                apply(v);
        });
    };
    onSpin(SpinEdit_Frame_Width, [this](int v) { changeFormatted([v](Element &e) { e.frameWidth = v; }); });
    onSpin(SpinEdit_Font_Size, [this](int v) { changeFormatted([v](Element &e) { e.fontSize = v; }); });
    onSpin(SpinEdit_Left, [this](int v) {
        if (Element *e = selected()) {
            e->left = v;
            Q_EMIT layoutChanged();
        }
    });
    onSpin(SpinEdit_Top, [this](int v) {
        if (Element *e = selected()) {
            e->top = v;
            Q_EMIT layoutChanged();
        }
    });
    onSpin(SpinEdit_GroupHeaderBand1_Height, [this](int v) { bandHeightChanged(Band::Header, v); });
    onSpin(SpinEdit_QRSubDetail1_Height, [this](int v) { bandHeightChanged(Band::Detail, v); });
    onSpin(SpinEdit_GroupFooterBand1_Height, [this](int v) { bandHeightChanged(Band::Footer, v); });
    onSpin(SpinEdit_PageHeader_Heigth, [this](int v) { pageBandHeightChanged(true, v); });
    onSpin(SpinEdit_PageFooter_Heigth, [this](int v) { pageBandHeightChanged(false, v); });
}

Element *TForm_Nastrojki::selected()
{
    const int i = current().indexOf(ComboBox2->currentText());
    return i < 0 ? nullptr : &current().elements[i];
}

void TForm_Nastrojki::changeFormatted(const std::function<void(Element &)> &change)
{
    if (m_loading)
        return;
    Element *e = selected();
    if (!e || (e->kind != Kind::DataField && e->kind != Kind::SystemData))
        return;
    change(*e);
    Q_EMIT layoutChanged();
}

void TForm_Nastrojki::bandHeightChanged(Band band, int value)
{
    current().setBandHeight(band, value);
    Q_EMIT layoutChanged();
}

void TForm_Nastrojki::pageBandHeightChanged(bool header, int value)
{
    (header ? current().pageHeaderHeight : current().pageFooterHeight) = value;
    Q_EMIT layoutChanged();
}

void TForm_Nastrojki::ComboBox_Sobstvenik_na_ObektChange()
{
    QSpinBox *spin = nullptr;
    switch (ComboBox_Sobstvenik_na_Obekt->currentIndex()) {
    case 0:
        m_targetBand = Band::Header;
        spin = SpinEdit_GroupHeaderBand1_Height;
        break;
    case 1:
        m_targetBand = Band::Detail;
        spin = SpinEdit_QRSubDetail1_Height;
        break;
    case 2:
        m_targetBand = Band::Footer;
        spin = SpinEdit_GroupFooterBand1_Height;
        break;
    default:
        return; // " хедър" and " футър" keep the band chosen before
    }
    m_loading = true;
    spin->setValue(current().bandHeight(*m_targetBand));
    m_loading = false;
}

void TForm_Nastrojki::RadioGroup1Click()
{
    if (RadioButton_Baza->isChecked()) {
        ComboBox_Type->setEnabled(false);
        ComboBox_Poleta->setEnabled(true);
        return;
    }
    ComboBox_Type->clear();
    ComboBox_Type->addItems(RadioButton_Etiket->isChecked() ? labelKinds() : systemKinds());
    ComboBox_Type->setCurrentIndex(0);
    ComboBox_Type->setEnabled(true);
    ComboBox_Poleta->setEnabled(false);
}

void TForm_Nastrojki::BitBtn1Click()
{
    const Kind kind = RadioButton_Baza->isChecked()      ? Kind::DataField
                      : RadioButton_Etiket->isChecked() ? Kind::Label
                                                        : Kind::SystemData;
    ComboBox_Sobstvenik_na_ObektChange();
    // " хедър" or " футър" before any band was chosen: the detail band.
    const Band band = m_targetBand.value_or(Band::Detail);

    Element e;
    e.kind = kind;
    e.band = band;
    e.width = SpinEdit_Width->value();
    e.height = SpinEdit_Height->value();
    Document &d = current();
    e.name = d.freeName(kind, ComboBox2->count() + 1);
    if (kind == Kind::Label) {
        const int choice = ComboBox_Type->currentIndex();
        const bool labelList = ComboBox_Type->count() == labelKinds().size()
                               && ComboBox_Type->itemText(0) == labelKinds().first();
        if (labelList && choice == FreeText) {
            QString title;
            if (!TForm_Free_Tekst::ask(QStringLiteral("Въведете заглавие на етикета"), &title))
                return;
            e.caption = QStringLiteral("4:") + title;
            FreeTextCaption = e.caption;
        } else if (labelList && choice >= 0) {
            e.caption = ComboBox_Type->itemText(choice);
        } else {
            e.caption = e.name;
        }
        const int code = GetID_MFromTreeNodeName(e.caption);
        e.code = code >= NetAmount && code <= NumberWords ? code : NoCode;
    } else if (kind == Kind::SystemData) {
        // A new system-data element takes its kind from the position chosen in the list.
        const int choice = ComboBox_Type->currentIndex();
        e.code = choice >= Date && choice <= Time ? choice : Time;
    }
    d.elements.append(e);
    setFocus();
    ComboBox2->addItem(e.name);
    ComboBox2->setCurrentIndex(ComboBox2->count() - 1);
    m_loading = true;
    SpinEdit_Left->setValue(0);
    SpinEdit_Top->setValue(0);
    m_loading = false;
    loadSelection();
    Q_EMIT layoutChanged();
}

void TForm_Nastrojki::ComboBox2Click()
{
    setFocus();
    loadSelection();
}

void TForm_Nastrojki::loadSelection()
{
    const Element *e = selected();
    if (!e || e->kind == Kind::Picture)
        return;
    m_loading = true;
    CheckBox_AutoSize->setChecked(e->autoSize);
    ComboBox_podravnqvane->setCurrentIndex(e->alignment == Align::Center ? 1 : e->alignment == Align::Right ? 2 : 0);
    SpinEdit_Font_Size->setValue(e->fontSize);
    CheckBox_Frame_Left->setChecked(e->frameLeft);
    CheckBox_Frame_Right->setChecked(e->frameRight);
    CheckBox_Frame_Up->setChecked(e->frameTop);
    CheckBox_Frame_Down->setChecked(e->frameBottom);
    const int style = ComboBox_Frame_Style->findText(e->frameStyle.mid(2));
    if (style >= 0)
        ComboBox_Frame_Style->setCurrentIndex(style);
    SpinEdit_Frame_Width->setValue(e->frameWidth);
    SpinEdit_Height->setValue(e->height);
    SpinEdit_Width->setValue(e->width);
    SpinEdit_Left->setValue(e->left);
    SpinEdit_Top->setValue(e->top);
    m_loading = false;
}

void TForm_Nastrojki::ComboBox_PoletaClick()
{
    const QString entry = ComboBox_Poleta->currentText();
    const int dash = entry.indexOf(QLatin1Char('-'));
    if (dash <= 0)
        return;
    const QString table = entry.left(dash);
    const QString field = entry.mid(dash + 1);
    // A device-query field names the query's result, not a table.
    bool there = m_queryEntries.contains(entry);
    try {
        there = there || Db::tableExists(table);
    } catch (const DbError &) {
    }
    if (!there) {
        Dialogs::message(QStringLiteral("Таблицата %1 не може да бъде отворена.").arg(table), this);
        return;
    }
    Element *e = selected();
    if (!e || e->kind != Kind::DataField)
        return;
    e->table = table;
    e->field = field;
    Q_EMIT layoutChanged();
}

void TForm_Nastrojki::CheckBox_Pokaji_HeaderClick()
{
    current().pageHeaderOn = CheckBox_Pokaji_Header->isChecked();
    SpinEdit_PageHeader_Heigth->setValue(current().pageHeaderOn ? 40 : 0);
    Q_EMIT layoutChanged();
}

void TForm_Nastrojki::CheckBox_Pokaji_FooterClick()
{
    current().pageFooterOn = CheckBox_Pokaji_Footer->isChecked();
    SpinEdit_PageFooter_Heigth->setValue(current().pageFooterOn ? 40 : 0);
    Q_EMIT layoutChanged();
}

void TForm_Nastrojki::pickColour(QColor Element::*colour)
{
    Element *e = selected();
    if (!e || (e->kind != Kind::DataField && e->kind != Kind::SystemData))
        return;
    QColorDialog dialog(e->*colour, this);
    dialog.setObjectName(QStringLiteral("ColorDialog1"));
    if (Dialogs::exec(&dialog) == QDialog::Accepted)
        changeFormatted([&](Element &el) { el.*colour = dialog.selectedColor(); });
}

void TForm_Nastrojki::Button1Click()
{
    pickColour(&Element::frameColour);
}

void TForm_Nastrojki::Button2Click()
{
    pickColour(&Element::fontColour);
}

void TForm_Nastrojki::reloadFromLayout()
{
    const Document &d = current();
    m_loading = true;
    ComboBox2->clear();
    for (const Element &e : d.elements)
        ComboBox2->addItem(e.name);
    ComboBox2->setCurrentIndex(ComboBox2->count() - 1);
    SpinEdit_GroupHeaderBand1_Height->setValue(d.headerHeight);
    SpinEdit_QRSubDetail1_Height->setValue(d.detailHeight);
    SpinEdit_GroupFooterBand1_Height->setValue(d.footerHeight);
    CheckBox_Pokaji_Header->setChecked(d.pageHeaderOn);
    SpinEdit_PageHeader_Heigth->setValue(d.pageHeaderHeight);
    CheckBox_Pokaji_Footer->setChecked(d.pageFooterOn);
    SpinEdit_PageFooter_Heigth->setValue(d.pageFooterHeight);
    if (!d.elements.isEmpty())
        m_targetBand = d.elements.last().band;
    m_loading = false;
    loadSelection();
}

QStringList TForm_Nastrojki::fieldEntries(bool fiscalService)
{
    QStringList entries;
    for (const QString &table : designerTables()) {
        try {
            if (!Db::tableExists(table))
                continue;
        } catch (const DbError &) {
            continue;
        }
        const QSqlRecord record = Db::tableColumns(table);
        for (int i = 0; i < record.count(); ++i) {
            const QString field = record.fieldName(i);
            if (designerHidesField(table, field))
                continue;
            entries.append(table + QLatin1Char('-') + field);
        }
    }
    return fiscalService ? entries + deviceQueryEntries(entries) : entries;
}

QStringList TForm_Nastrojki::deviceQueryEntries(const QStringList &offered)
{
    QStringList entries;
    QSet<QString> names; // a result name twice: the first is the one printed
    for (const auto &[table, field] : fiscalServiceFields()) {
        const QString entry = table + QLatin1Char('-') + field;
        if (!names.contains(field.toUpper()) && !offered.contains(entry, Qt::CaseInsensitive))
            entries.append(entry);
        names.insert(field.toUpper());
    }
    return entries;
}

void TForm_Nastrojki::fillFieldList(bool fiscalService)
{
    const QStringList tables = fieldEntries();
    m_queryEntries = fiscalService ? deviceQueryEntries(tables) : QStringList();
    ComboBox_Poleta->clear();
    ComboBox_Poleta->addItems(tables + m_queryEntries);
    QAbstractItemView *list = ComboBox_Poleta->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth()
                          + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list));
    ComboBox_Poleta->setCurrentIndex(ComboBox_Poleta->count() > 0 ? 0 : -1);
}
