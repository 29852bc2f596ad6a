#include "catalogue/form_projzvodstvo.h"

#include "app/app_state.h"
#include "app/form_get_kol.h"
#include "app/next_number.h"
#include "app/window_owner.h"
#include "catalogue/article_pick.h"
#include "catalogue/article_record.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/recipes.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

QPointer<TForm_Projzvodstvo> Form_Projzvodstvo;

namespace {
TForm_Projzvodstvo::SaleWriter &saleWriter()
{
    static TForm_Projzvodstvo::SaleWriter w;
    return w;
}

const QString kNoArticle = QStringLiteral("0:Няма избран артикул");
const QString kZeroValue = QStringLiteral("0.0000");

void told(const std::exception &e, QWidget *parent)
{
    ExceptionLog::write(e);
    Dialogs::message(QStringLiteral("Грешка при работа с рецептите:\n") + QString::fromUtf8(e.what()), parent);
}
} // namespace

TForm_Projzvodstvo *recipeWindow()
{
    if (!Form_Projzvodstvo)
        Form_Projzvodstvo = new TForm_Projzvodstvo(WindowOwner::mainWindow());
    return Form_Projzvodstvo;
}

void TForm_Projzvodstvo::setSaleWriter(SaleWriter writer)
{
    saleWriter() = std::move(writer);
}

TForm_Projzvodstvo::TForm_Projzvodstvo(QWidget *parent)
    : QDialog(parent, Qt::Tool)
    , m_elements(new SqlListModel(this))
{
    setObjectName(QStringLiteral("Form_Projzvodstvo"));
    setWindowTitle(QStringLiteral("Пройзводство"));

    RadioGroup1 = named(new QGroupBox(QStringLiteral("ОПЕРАЦИЯ"), this), "RadioGroup1");
    RadioGroup1Buttons = new QButtonGroup(this);
    auto *kindsBox = new QVBoxLayout(RadioGroup1);
    const QStringList kinds = Recipes::kinds();
    for (int i = 0; i < kinds.size(); ++i) {
        auto *b = new QRadioButton(kinds.at(i), RadioGroup1);
        RadioGroup1Buttons->addButton(b, i);
        kindsBox->addWidget(b);
    }
    Label_Sel_Osn_Art = named(new QLabel(QStringLiteral("<a href=\"#\">Основен елемент:</a>"), this),
                              "Label_Sel_Osn_Art");
    Label_Osn_Art = named(new ElidedLabel(kNoArticle, this), "Label_Osn_Art");
    Label_Osn_Art->setTextFormat(Qt::PlainText);
    Label_Osn_Art->setFrameShape(QFrame::Panel);
    Label_Osn_Art->setFrameShadow(QFrame::Sunken);
    Edit_Kol_Art = namedEdit(QStringLiteral("Edit_Kol_Art"), this);
    Edit_Kol_Art->setText(QStringLiteral("1"));
    ComboBox_Name = named(new QComboBox(this), "ComboBox_Name");
    ComboBox_Name->setEditable(true);
    ComboBox_Name->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_Name->lineEdit()->setMaxLength(15);
    ComboBox_Name->addItems({QStringLiteral("Стандарт"), QStringLiteral("Минимум"), QStringLiteral("Максимум")});
    Label_Oper_ID = named(new QLabel(QStringLiteral("0"), this), "Label_Oper_ID");

    Panel_Elements = named(new QWidget(this), "Panel_Elements");
    Button_Add = namedButton(QStringLiteral("Button_Add"), QStringLiteral("Добави"), Panel_Elements);
    Button_Delete = namedButton(QStringLiteral("Button_Delete"), QStringLiteral("Изтрии"), Panel_Elements);
    Button_Edit = namedButton(QStringLiteral("Button_Edit"), QStringLiteral("Редактирай"), Panel_Elements);
    for (QPushButton *b : {Button_Add, Button_Delete, Button_Edit})
        b->setEnabled(false);
    auto *panel = new QHBoxLayout(Panel_Elements);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(new QLabel(QStringLiteral("Операция номер"), Panel_Elements));
    panel->addWidget(Label_Oper_ID);
    panel->addStretch();
    panel->addWidget(Button_Add);
    panel->addWidget(Button_Delete);
    panel->addWidget(Button_Edit);

    BitBtn_Save = namedButton(QStringLiteral("BitBtn_Save"), QStringLiteral("ЗАПИС"), this);
    BitBtn_Cancel = namedButton(QStringLiteral("BitBtn_Cancel"), QStringLiteral("ОТКАЗ"), this);
    Button_Priem = namedButton(QStringLiteral("Button_Priem"), QStringLiteral("ПРИЕМИ"), this);
    Button_Priem->setDefault(true);
    Button_Priem->hide();
    BitBtn_OnRedaktion = namedButton(QStringLiteral("BitBtn_OnRedaktion"), QStringLiteral("РЕДАКЦИЯ"), this);
    BitBtn_OnRedaktion->hide();
    Edit_Osnova = namedEdit(QStringLiteral("Edit_Osnova"), this);
    Edit_DDS = namedEdit(QStringLiteral("Edit_DDS"), this);
    Edit_SUM = namedEdit(QStringLiteral("Edit_SUM"), this);
    for (QLineEdit *e : {Edit_Osnova, Edit_DDS, Edit_SUM}) {
        e->setText(kZeroValue);
        e->setReadOnly(true);
        e->setAlignment(Qt::AlignRight);
    }

    DBGrid2 = named(new QTableView(this), "DBGrid2");
    DBGrid2->setModel(m_elements);
    DBGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid2->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid2->verticalHeader()->hide();

    auto *head = new QGridLayout;
    head->addWidget(RadioGroup1, 0, 0, 4, 1);
    head->addWidget(Label_Sel_Osn_Art, 0, 1);
    head->addWidget(Label_Osn_Art, 0, 2, 1, 3);
    head->addWidget(new QLabel(QStringLiteral("За кол."), this), 1, 1);
    head->addWidget(Edit_Kol_Art, 1, 2);
    head->addWidget(new QLabel(QStringLiteral("Име на операцията"), this), 2, 1);
    head->addWidget(ComboBox_Name, 2, 2);
    head->addWidget(Panel_Elements, 3, 1, 1, 4);
    head->setColumnStretch(4, 1);
    auto *values = new QHBoxLayout;
    values->addWidget(new QLabel(QStringLiteral("Данъчна основа"), this));
    values->addWidget(Edit_Osnova);
    values->addWidget(new QLabel(QStringLiteral("ДДС"), this));
    values->addWidget(Edit_DDS);
    values->addWidget(new QLabel(QStringLiteral("ОБЩО"), this));
    values->addWidget(Edit_SUM);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn_OnRedaktion);
    buttons->addStretch();
    buttons->addWidget(BitBtn_Save);
    buttons->addWidget(Button_Priem);
    buttons->addWidget(BitBtn_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(new QLabel(QStringLiteral("Градивни елементи"), this));
    layout->addWidget(DBGrid2, 1);
    layout->addLayout(values);
    layout->addLayout(buttons);
    resize(760, 480);

    connect(RadioGroup1Buttons, &QButtonGroup::idClicked, this, [this] { RadioGroup1Click(); });
    connect(Label_Sel_Osn_Art, &QLabel::linkActivated, this, [this] { Label_Sel_Osn_ArtClick(); });
    connect(ComboBox_Name, &QComboBox::activated, this, [this] { ComboBox_NameChange(); });
    connect(ComboBox_Name->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox_NameChange(); });
    connect(Button_Add, &QPushButton::clicked, this, &TForm_Projzvodstvo::Button_AddClick);
    connect(Button_Delete, &QPushButton::clicked, this, &TForm_Projzvodstvo::Button_DeleteClick);
    connect(Button_Edit, &QPushButton::clicked, this, &TForm_Projzvodstvo::Button_EditClick);
    connect(BitBtn_OnRedaktion, &QPushButton::clicked, this, &TForm_Projzvodstvo::BitBtn_OnRedaktionClick);
    connect(BitBtn_Save, &QPushButton::clicked, this, &TForm_Projzvodstvo::BitBtn_SaveClick);
    connect(Button_Priem, &QPushButton::clicked, this, &TForm_Projzvodstvo::Button_PriemClick);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &TForm_Projzvodstvo::BitBtn_CancelClick);
    connect(this, &QDialog::finished, this, [this] { FormClose(); });

    ArticlePick::registerTarget(12, [this](const ArticlePick::Picked &p) { takeBaseArticle(p.id(), p.referenceText()); });
    ArticlePick::registerTarget(13, [this](const ArticlePick::Picked &p) {
        const long long variant = ReferenceText::parseKey(Label_Oper_ID->text());
        const QString name = variantName();
        ArticlePick::quantityWalk(13, p.marked, [&](const QSqlRecord &row, Decimal quantity, const QString &) {
            if (quantity <= Decimal()) {
                Dialogs::message(QStringLiteral("Количеството трябва да бъде число, по-голямо от 0"), this);
                return;
            }
            Recipes::addElement(variant, name, row.value(QStringLiteral("ID")).toLongLong(), quantity.toDouble());
        }, this);
        ComboBox_NameChange();
    });
}

TForm_Projzvodstvo::~TForm_Projzvodstvo()
{
    ArticlePick::unregisterTarget(12);
    ArticlePick::unregisterTarget(13);
}

int TForm_Projzvodstvo::editingState() const
{
    return BitBtn_OnRedaktion->property("tag").toInt();
}

int TForm_Projzvodstvo::kind() const
{
    return RadioGroup1Buttons->checkedId();
}

void TForm_Projzvodstvo::setKind(int kind)
{
    if (kind < 0) {
        // A button group with exclusive buttons keeps one checked: lift it for the moment.
        RadioGroup1Buttons->setExclusive(false);
        for (QAbstractButton *b : RadioGroup1Buttons->buttons())
            b->setChecked(false);
        RadioGroup1Buttons->setExclusive(true);
    } else if (QAbstractButton *b = RadioGroup1Buttons->button(kind)) {
        b->setChecked(true);
    }
}

QString TForm_Projzvodstvo::variantName() const
{
    return ComboBox_Name->currentText().trimmed();
}

long long TForm_Projzvodstvo::currentElement() const
{
    const int row = DBGrid2->currentIndex().row();
    return row >= 0 && row < m_elements->rowCount() ? m_elements->value(row, QStringLiteral("ID_El")).toLongLong() : 0;
}

void TForm_Projzvodstvo::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) // a window restored from minimised keeps its work
        FormShow();
    QDialog::showEvent(event);
}

void TForm_Projzvodstvo::FormShow()
{
    m_mode = PromptMode == 1 ? 1 : 0;
    try {
        if (m_mode == 0)
            Recipes::emptyWorkTable(); // no base article is shown yet
        else
            Recipes::createWorkTable();
    } catch (const std::exception &e) {
        told(e, this);
    }
    resetValues();
    if (m_mode == 0) {
        Panel_Elements->show();
        setKind(-1);
        RadioGroup1->setEnabled(true);
        Label_Sel_Osn_Art->setEnabled(true);
        BitBtn_Save->show();
        Button_Priem->hide();
        Label_Osn_Art->setText(kNoArticle);
        Button_Add->setEnabled(false);
        setEditingState(0);
        BitBtn_OnRedaktion->hide();
        ComboBox_NameChange();
    } else {
        Panel_Elements->hide();
        RadioGroup1->setEnabled(false);
        Label_Sel_Osn_Art->setEnabled(false);
        BitBtn_Save->hide();
        Button_Priem->show();
        BitBtn_OnRedaktion->hide();
        Edit_Kol_Art->setFocus();
        Edit_Kol_Art->selectAll();
    }
}

void TForm_Projzvodstvo::resetValues()
{
    for (QLineEdit *e : {Edit_Osnova, Edit_DDS, Edit_SUM})
        e->setText(kZeroValue);
}

void TForm_Projzvodstvo::RadioGroup1Click()
{
    const QString kindText = kind() >= 0 ? Recipes::kinds().value(kind()) : QString();
    const QString editing = editingState() == 1 ? BitBtn_OnRedaktion->text() + QStringLiteral(" на ") : QString();
    setWindowTitle(QStringLiteral("ОПЕРАЦИЯ - ") + editing + kindText);
    Button_Add->setEnabled(true);
    if (editingState() == 1)
        return; // the number of the variant being edited stays
    try {
        Label_Oper_ID->setText(QString::number(NextNumber::proposed(QStringLiteral("Rezept_Art"), QStringLiteral("ID"))));
    } catch (const std::exception &e) {
        told(e, this);
    }
}

void TForm_Projzvodstvo::Label_Sel_Osn_ArtClick()
{
    ArticlePickMode = 12;
    TForm_Artikuli::N_ArtikuliClick(WindowOwner::mainWindow() ? WindowOwner::mainWindow() : this);
}

void TForm_Projzvodstvo::Button_AddClick()
{
    PromptMode = 0; // the quantity prompt
    ArticlePickMode = 13;
    TForm_Artikuli::N_ArtikuliClick(WindowOwner::mainWindow() ? WindowOwner::mainWindow() : this);
}

void TForm_Projzvodstvo::loadNames(long long article)
{
    ComboBox_Name->clear();
    ComboBox_Name->addItems(Recipes::names(article));
    ComboBox_Name->setCurrentIndex(0);
}

void TForm_Projzvodstvo::loadForSale(long long article, const QString &referenceText)
{
    PromptMode = 1;
    m_mode = 1;
    Label_Osn_Art->setText(referenceText);
    Recipes::createWorkTable();
    loadNames(article);
    Recipes::loadWorkTable(article);
    ComboBox_NameChange();
}

void TForm_Projzvodstvo::takeBaseArticle(long long id, const QString &referenceText)
{
    Label_Osn_Art->setText(referenceText);
    try {
        loadNames(id);
        Recipes::loadWorkTable(id);
    } catch (const std::exception &e) {
        told(e, this);
    }
    ComboBox_NameChange();
}

void TForm_Projzvodstvo::ComboBox_NameChange()
{
    try {
        m_elements->setQuery(Recipes::shownSql(), {variantName()});
    } catch (const std::exception &e) {
        told(e, this);
        return;
    }
    static const QList<std::pair<const char *, const char *>> titles = {
        {"ID_El", "Арт. N"}, {"Opisanie", "Описание"}, {"Kol_El", "Кол."},
        {"Mqrka", "Мярка"},  {"Ed_Cena", "Цена"},      {"Valuta_P", "Валута"}};
    for (const auto &[field, title] : titles)
        m_elements->setHeaderTitle(QString::fromLatin1(field), QString::fromUtf8(title));
    for (const char *hidden : {"ID_R", "Changed", "Vid_R"})
        DBGrid2->setColumnHidden(m_elements->fieldIndex(QString::fromLatin1(hidden)), true);
    if (m_elements->rowCount() > 0 && m_mode != 1) {
        Button_Delete->setEnabled(true);
        const QVariant storedKind = m_elements->value(0, QStringLiteral("Vid_R"));
        if (!storedKind.isNull()) { // a stored variant
            BitBtn_OnRedaktion->show();
            setKind(storedKind.toInt());
            Button_Add->setEnabled(true);
            Label_Oper_ID->setText(m_elements->value(0, QStringLiteral("ID_R")).toString());
        }
        DBGrid2->selectRow(0);
    } else if (m_elements->rowCount() == 0) {
        setEditingState(0);
        BitBtn_OnRedaktion->hide();
        Button_Delete->setEnabled(false);
        Button_Edit->setEnabled(false);
        setKind(-1);
        Button_Add->setEnabled(false);
        Label_Oper_ID->setText(QStringLiteral("0"));
    }
}

void TForm_Projzvodstvo::Button_EditClick()
{
    const long long element = currentElement();
    if (element <= 0)
        return;
    PromptMode = 0;
    TForm_Get_Kol *prompt = promptDialog();
    const int row = DBGrid2->currentIndex().row();
    prompt->Label_Opis->setText(ReferenceText::make(element, m_elements->value(row, QStringLiteral("Opisanie")).toString()));
    if (Dialogs::exec(prompt) != TForm_Get_Kol::ResultOk)
        return;
    double quantity = 0;
    if (!Numbers::parse(prompt->Edit_Kol->text(), &quantity) || !(quantity > 0)) {
        Dialogs::message(QStringLiteral("Количеството трябва да бъде число, по-голямо от 0"), this);
        return;
    }
    try {
        Recipes::changeQuantity(variantName(), element, quantity);
    } catch (const std::exception &e) {
        told(e, this);
    }
    ComboBox_NameChange();
}

void TForm_Projzvodstvo::Button_DeleteClick()
{
    const long long element = currentElement();
    if (element <= 0)
        return;
    try {
        Recipes::removeElement(variantName(), element, editingState() == 1);
    } catch (const std::exception &e) {
        told(e, this);
    }
    ComboBox_NameChange();
}

void TForm_Projzvodstvo::setEditingState(int state)
{
    BitBtn_OnRedaktion->setProperty("tag", state);
    BitBtn_OnRedaktion->setStyleSheet(state == 1 ? QStringLiteral("color: red") : QString());
    Button_Edit->setEnabled(state == 1);
    if (state == 1) {
        Label_Sel_Osn_Art->setEnabled(false);
        Panel_Elements->show();
    } else if (m_mode == 0) {
        Label_Sel_Osn_Art->setEnabled(true);
    }
}

void TForm_Projzvodstvo::BitBtn_OnRedaktionClick()
{
    if (editingState() == 0) {
        m_recipeEditArticle = GetID_MFromTreeNodeName(Label_Osn_Art->text());
        setEditingState(1);
    } else {
        setEditingState(0);
    }
}

void TForm_Projzvodstvo::BitBtn_SaveClick()
{
    if (kind() < 0) {
        Dialogs::message(QStringLiteral("Не е избран вид на операцията"), this);
        return;
    }
    const long long article = GetID_MFromTreeNodeName(Label_Osn_Art->text());
    if (article <= 0) {
        Dialogs::message(QStringLiteral("Не е избран основен елемент"), this);
        return;
    }
    const QString name = variantName();
    if (name.isEmpty()) {
        Dialogs::message(QStringLiteral("Не е въведено име на операцията"), this);
        ComboBox_Name->setFocus();
        return;
    }
    double quantity = 0;
    if (!Numbers::parse(Edit_Kol_Art->text(), &quantity) || !(quantity > 0)) {
        Dialogs::message(QStringLiteral("Количеството трябва да бъде число, по-голямо от 0"), this);
        Edit_Kol_Art->setFocus();
        return;
    }
    const bool stored = editingState() == 1;
    Recipes::SaveResult r;
    try {
        if (!stored) {
            // Asked before any transaction: a name is stored once per base article.
            if (const auto existing = Recipes::find(article, name)) {
                if (Dialogs::yesNo(QStringLiteral("Операция със име:") + name + QStringLiteral(" вече съществува.\n")
                                       + QStringLiteral(" Желаете ли редакция?"),
                                   this)) {
                    ComboBox_NameChange();
                    Label_Oper_ID->setText(QString::number(existing->id));
                    setKind(existing->kind);
                    BitBtn_OnRedaktion->show();
                    m_recipeEditArticle = article;
                    setEditingState(1);
                } else {
                    ComboBox_Name->setFocus();
                }
                return;
            }
            r = Recipes::saveNew(article, quantity, kind(), name);
        } else {
            r = Recipes::saveStored(ReferenceText::parseKey(Label_Oper_ID->text()), m_recipeEditArticle, article,
                                    quantity, kind(), name);
        }
    } catch (const std::exception &e) {
        told(e, this);
        return;
    }
    if (!r.ok) {
        Dialogs::message(r.message, this);
        return;
    }
    try {
        loadNames(article);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
    ComboBox_Name->setCurrentText(name);
    ComboBox_NameChange();
    Label_Oper_ID->setText(QString::number(r.id));
    resetValues();
    setKind(-1);
    if (stored) {
        setEditingState(0);
    } else {
        m_recipeEditArticle = article;
        setEditingState(1);
    }
}

void TForm_Projzvodstvo::Button_PriemClick()
{
    double base = 0;
    if (!Numbers::parse(Edit_Kol_Art->text(), &base) || !(base > 0)) {
        Dialogs::message(QStringLiteral("Грешно въведена (или нулева) стойност"), this);
        Edit_Kol_Art->setFocus();
        Edit_Kol_Art->selectAll();
        return;
    }
    QList<Recipes::SaleElement> elements;
    try {
        elements = Recipes::saleElements(variantName());
    } catch (const std::exception &e) {
        told(e, this);
        return;
    }
    QList<SaleLine> lines;
    for (const Recipes::SaleElement &e : elements) {
        SaleLine l;
        l.article = e.article;
        l.Opisanie = e.Opisanie;
        l.Mqrka = e.Mqrka;
        l.Valuta = e.Valuta_P;
        l.quantity = base * e.quantity;
        l.Dan_Grup = e.Dan_Grup;
        l.Prigotvq_Se = e.Prigotvq_Se;
        if (e.Garancionen || e.Poredica) {
            PromptMode = 1;
            TForm_Get_Kol *prompt = promptDialog();
            prompt->Label_Opis->setText(e.Opisanie);
            prompt->Edit_SN->clear();
            prompt->Edit_Garanc->setText(ArticleRecord::shelfLifeText(e.Trajnost));
            if (Dialogs::exec(prompt) != TForm_Get_Kol::ResultOk)
                return; // nothing is added; the operator may choose again
            l.serial = prompt->Edit_SN->text();
            l.warranty = prompt->Edit_Garanc->text();
        }
        lines << l;
    }
    if (!lines.isEmpty()) {
        if (!saleWriter()) {
            Dialogs::message(QStringLiteral("Продажбата не е отворена"), this);
            return;
        }
        const QString failure = saleWriter()(Edit_Kol_Art->text().trimmed(), lines);
        if (!failure.isEmpty()) {
            Dialogs::message(failure, this);
            return;
        }
    }
    accept();
}

void TForm_Projzvodstvo::BitBtn_CancelClick()
{
    if (m_mode == 1) {
        reject();
        return;
    }
    Label_Sel_Osn_Art->setEnabled(true);
    BitBtn_OnRedaktionClick();
}

void TForm_Projzvodstvo::FormClose()
{
    try {
        Recipes::dropWorkTable();
    } catch (const std::exception &e) {
        ExceptionLog::write(e); // an empty work table is made again at the next showing
    }
}
