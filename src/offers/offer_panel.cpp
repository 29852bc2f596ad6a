#include "offers/offer_panel.h"

#include "app/app_state.h"
#include "app/data_module.h"
#include "app/form_koloni.h"
#include "app/form_print_vid_fail.h"
#include "app/list_export.h"
#include "app/price_delegate.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "offers/form_oferti.h"
#include "offers/offer_document.h"
#include "offers/offer_lines.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/grid_selection.h"
#include "platform/long_texts.h"
#include "platform/named.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kNoCustomer = QStringLiteral("0: Няма избран контрагент");

// The position's cheapest alternative red, the dearest blue, both bold; in
// the money columns the amount with the price decimals.
class OfferDelegate : public PriceDelegate
{
public:
    OfferDelegate(OfferPanel *panel, bool money)
        : PriceDelegate(panel)
        , m_panel(panel)
        , m_money(money)
    {
    }

    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        return m_money ? PriceDelegate::displayText(value, locale) : QStyledItemDelegate::displayText(value, locale);
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto mark = m_panel->DBGrid_OfertaDrawColumnCell(index.row());
        if (mark == OfferPanel::Mark::Plain)
            return;
        const QColor colour = mark == OfferPanel::Mark::Lowest ? QColor(Qt::red) : QColor(Qt::blue);
        option->palette.setColor(QPalette::Text, colour);
        option->palette.setColor(QPalette::HighlightedText, colour);
        option->font.setBold(true);
    }

private:
    OfferPanel *m_panel;
    bool m_money;
};

const char *const kMoneyFields[] = {"Suma", "Pe4alba", "Cena", "Cena_2", "Cena_3"};

const std::pair<const char *, const char *> kTitles[] = {
    {"Pe4alba", "Печалба"}, {"ID", "N"},          {"Grup", "Група"},      {"Opisanie", "Описание"},
    {"Kol", "Кол."},        {"Cena", "Цена"},     {"Valuta", "Валута"},   {"Firma", "Доставчик"},
    {"ID_Mark", "Маркер"},  {"Korekt", "Корекция"}, {"Kat_N", "Кат. N"}, {"Cena_2", "Цена 2"},
    {"Cena_3", "Цена 3"},   {"Kat_N_1", "Кат. N"}, {"Kurs", "Курс"},
};

QString moneyText(double value)
{
    return Money::formatWidth(value, 4, PriceDecimals);
}
} // namespace

// ---- the hooks --------------------------------------------------------------------

void OfferPanel::install()
{
    TForm_Oferti::setBuildHook([](TForm_Oferti &form) { form.Panel_Oferta->layout()->addWidget(new OfferPanel(&form)); });
    TForm_Oferti::setShowHook([](TForm_Oferti &form) {
        if (OfferPanel *p = of(&form))
            p->FormShow();
    });
    TForm_Oferti::setCloseHook([](TForm_Oferti &form) {
        if (OfferPanel *p = of(&form))
            p->FormClose();
    });
    TForm_Oferti::setAddHook([](TForm_Oferti &form) {
        if (OfferPanel *p = of(&form))
            p->Button_InsertClick();
    });
}

OfferPanel *OfferPanel::of(const TForm_Oferti *form)
{
    return form ? form->Panel_Oferta->findChild<OfferPanel *>() : nullptr;
}

OfferPanel::OfferPanel(TForm_Oferti *form)
    : QWidget(form->Panel_Oferta)
    , m_form(form)
    , m_list(new SqlListModel(this))
{
    setObjectName(QStringLiteral("OfferPanel"));
    for (const auto &[field, title] : kTitles)
        m_list->setHeaderTitle(QString::fromLatin1(field), QString::fromUtf8(title));
    buildLayout();

    CounterpartyPick::registerTarget(5, [this](const CounterpartyPick::Picked &p) {
        Label_ID_Kontragent->setText(p.referenceText());
    });
    ArticlePick::registerTarget(5, [this](const ArticlePick::Picked &p) { addStockArticles(p.marked); });
    if (DataModule1)
        connect(DataModule1, &TDataModule1::databaseChanged, this, [this] {
            if (m_form->isVisible())
                loadElements(); // the elements belong to the database
        });
}

OfferPanel::~OfferPanel()
{
    CounterpartyPick::unregisterTarget(5);
    ArticlePick::unregisterTarget(5);
}

void OfferPanel::buildLayout()
{
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *main = new QVBoxLayout;
    outer->addLayout(main, 1);

    auto *row = new QHBoxLayout;
    auto spin = [this](const char *name, int min, int max) {
        QSpinBox *s = named(new QSpinBox(this), name);
        s->setRange(min, max);
        s->setValue(1);
        return s;
    };
    SpinEdit_Marker = spin("SpinEdit_Marker", 1, 10000);
    SpinEdit_Kol = spin("SpinEdit_Kol", 1, 10000);
    ComboBox_Znak_Korekcia = named(new QComboBox(this), "ComboBox_Znak_Korekcia");
    ComboBox_Znak_Korekcia->setEditable(true);
    ComboBox_Znak_Korekcia->addItems({QStringLiteral("+"), QStringLiteral("-"), QStringLiteral("*"),
                                      QStringLiteral("/")});
    ComboBox_Znak_Korekcia->setCurrentIndex(0);
    Edit_Korekcia = namedEdit(QStringLiteral("Edit_Korekcia"), this);
    Edit_Korekcia->setText(QStringLiteral("0"));
    Edit_Korekcia->setMaximumWidth(80);
    SpinEdit_Cena_N = spin("SpinEdit_Cena_N", 1, 3);
    Button_Insert = namedButton(QStringLiteral("Button_Insert"), QStringLiteral("Добави"), this);
    Button_Delete = namedButton(QStringLiteral("Button_Delete"), QStringLiteral("Изтрии"), this);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Налично"), this);
    SpdBtn_Sravni = namedButton(QStringLiteral("SpdBtn_Sravni"), QStringLiteral("Сравни"), this);
    row->addWidget(new QLabel(QStringLiteral("Маркер:"), this));
    row->addWidget(SpinEdit_Marker);
    row->addWidget(new QLabel(QStringLiteral("Количество:"), this));
    row->addWidget(SpinEdit_Kol);
    row->addWidget(new QLabel(QStringLiteral("Корекция:"), this));
    row->addWidget(ComboBox_Znak_Korekcia);
    row->addWidget(Edit_Korekcia);
    row->addWidget(Button_Insert);
    row->addWidget(Button_Delete);
    row->addWidget(Button1);
    row->addStretch(1);
    row->addWidget(new QLabel(QStringLiteral("Цена N:"), this));
    row->addWidget(SpinEdit_Cena_N);
    row->addWidget(SpdBtn_Sravni);
    main->addLayout(row);

    DBGrid_Oferta = named(new QTableView(this), "DBGrid_Oferta");
    DBGrid_Oferta->setModel(m_list);
    GridSelection::setup(DBGrid_Oferta);
    DBGrid_Oferta->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid_Oferta->setItemDelegate(new OfferDelegate(this, false));
    m_moneyDelegate = new OfferDelegate(this, true);
    DBGrid_Oferta->setContextMenuPolicy(Qt::CustomContextMenu);
    DBGrid_Oferta->verticalHeader()->setDefaultSectionSize(DBGrid_Oferta->fontMetrics().height() + 6);
    DBGrid_Oferta->horizontalHeader()->setSectionsClickable(true);
    DBGrid_Oferta->installEventFilter(this);
    main->addWidget(DBGrid_Oferta, 1);

    auto *bottom = new QHBoxLayout;
    Label3 = named(new QLabel(QStringLiteral("Контрагент:"), this), "Label3");
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setToolTip(QStringLiteral("Избор на контрагент"));
    Label3->installEventFilter(this);
    Label_ID_Kontragent = named(new ElidedLabel(kNoCustomer, this), "Label_ID_Kontragent");
    Label_ID_Kontragent->setTextFormat(Qt::PlainText);
    Edit_Avans = namedEdit(QStringLiteral("Edit_Avans"), this);
    Edit_Avans->setText(QStringLiteral("0"));
    Edit_Avans->setMaximumWidth(100);
    Label_Sum = named(new QLabel(QStringLiteral("0.000"), this), "Label_Sum");
    Label_Sum->setMinimumWidth(Label_Sum->fontMetrics().horizontalAdvance(QStringLiteral("000000000.00000")));
    Button_Print = namedButton(QStringLiteral("Button_Print"), QStringLiteral("Печат"), this);
    Button_Save_Oferta = namedButton(QStringLiteral("Button_Save_Oferta"), QStringLiteral("Запис"), this);
    bottom->addWidget(Label3);
    bottom->addWidget(Label_ID_Kontragent, 1);
    bottom->addWidget(new QLabel(QStringLiteral("Предплата:"), this));
    bottom->addWidget(Edit_Avans);
    bottom->addWidget(new QLabel(QStringLiteral("Общо лв:"), this));
    bottom->addWidget(Label_Sum);
    bottom->addWidget(Button_Print);
    bottom->addWidget(Button_Save_Oferta);
    main->addLayout(bottom);

    auto *side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Задължителни елементи:"), this));
    CheckListBox_Zad_el = named(new QListWidget(this), "CheckListBox_Zad_el");
    CheckListBox_Zad_el->setEnabled(false);
    side->addWidget(CheckListBox_Zad_el, 1);
    Edit_Zad_El = namedEdit(QStringLiteral("Edit_Zad_El"), this);
    Edit_Zad_El->hide();
    side->addWidget(Edit_Zad_El);
    auto *elementButtons = new QHBoxLayout;
    Button_Add_Zad_Elem = namedButton(QStringLiteral("Button_Add_Zad_Elem"), QStringLiteral("Добави"), this);
    Button_Del_Zad_Elem = namedButton(QStringLiteral("Button_Del_Zad_Elem"), QStringLiteral("Изтрии"), this);
    Button_Add_Zad_Elem->setProperty("Tag", 0);
    Button_Del_Zad_Elem->setProperty("Tag", 0);
    elementButtons->addWidget(Button_Add_Zad_Elem);
    elementButtons->addWidget(Button_Del_Zad_Elem);
    side->addLayout(elementButtons);
    outer->addLayout(side);

    PopupMenu_Oferta = named(new QMenu(this), "PopupMenu_Oferta");
    N_Select_All_Oferta = named(new QAction(QStringLiteral("Маркирай всичко"), this), "N_Select_All_Oferta");
    N_Select_All_Oferta->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    N_Select_All_Oferta->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    N_Koloni_Oferta = named(new QAction(QStringLiteral("Настройка колони"), this), "N_Koloni_Oferta");
    N_Koloni_Oferta->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    N_Koloni_Oferta->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    PopupMenu_Oferta->addAction(N_Select_All_Oferta);
    PopupMenu_Oferta->addAction(N_Koloni_Oferta);
    DBGrid_Oferta->addAction(N_Select_All_Oferta);
    DBGrid_Oferta->addAction(N_Koloni_Oferta);

    connect(Button_Insert, &QPushButton::clicked, this, &OfferPanel::Button_InsertClick);
    connect(Button_Delete, &QPushButton::clicked, this, &OfferPanel::Button_DeleteClick);
    connect(Button1, &QPushButton::clicked, this, &OfferPanel::Button1Click);
    connect(SpdBtn_Sravni, &QPushButton::clicked, this, &OfferPanel::SpdBtn_SravniClick);
    connect(SpinEdit_Marker, &QSpinBox::valueChanged, this, &OfferPanel::SpdBtn_SravniClick);
    connect(SpinEdit_Cena_N, &QSpinBox::valueChanged, this, &OfferPanel::SpinEdit_Cena_NChange);
    connect(ComboBox_Znak_Korekcia, &QComboBox::activated, this, &OfferPanel::ComboBox_Znak_KorekciaChange);
    connect(Button_Print, &QPushButton::clicked, this, &OfferPanel::Button_PrintClick);
    connect(Button_Save_Oferta, &QPushButton::clicked, this, &OfferPanel::Button_Save_OfertaClick);
    connect(Button_Add_Zad_Elem, &QPushButton::clicked, this, &OfferPanel::Button_Add_Zad_ElemClick);
    connect(Button_Del_Zad_Elem, &QPushButton::clicked, this, &OfferPanel::Button_Del_Zad_ElemClick);
    connect(Edit_Zad_El, &QLineEdit::returnPressed, this, &OfferPanel::Edit_Zad_ElKeyPress);
    connect(N_Select_All_Oferta, &QAction::triggered, this, &OfferPanel::N_Select_All_OfertaClick);
    connect(N_Koloni_Oferta, &QAction::triggered, this, &OfferPanel::N_Koloni_OfertaClick);
    connect(DBGrid_Oferta->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &OfferPanel::DBGrid_OfertaTitleClick);
    connect(DBGrid_Oferta, &QTableView::doubleClicked, this, &OfferPanel::DBGrid_OfertaDblClick);
    connect(DBGrid_Oferta, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu_Oferta->popup(DBGrid_Oferta->viewport()->mapToGlobal(pos));
    });
}

bool OfferPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease) {
        Label3Click();
        return true;
    }
    if (watched == DBGrid_Oferta && event->type() == QEvent::KeyRelease
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        Button_DeleteClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void OfferPanel::say(const QString &text)
{
    TForm_Oferti::OwnDialog guard(m_form);
    Dialogs::message(text, this);
}

bool OfferPanel::ask(const QString &text)
{
    TForm_Oferti::OwnDialog guard(m_form);
    return Dialogs::yesNo(text, this);
}

// ---- opening and closing ----------------------------------------------------------------

void OfferPanel::FormShow()
{
    try {
        OfferLines::createTable();
    } catch (const DbError &e) {
        say(QStringLiteral("Работната таблица на офертата не може да бъде създадена.\n") + e.message());
    }
    loadElements();
    Label_ID_Kontragent->setText(kNoCustomer);
    refreshTotal();
    SpdBtn_SravniClick();
}

void OfferPanel::FormClose()
{
    m_list->clear();
    try {
        OfferLines::dropTable();
    } catch (const DbError &) {
        // the next opening empties it
    }
}

// ---- lines --------------------------------------------------------------------------

void OfferPanel::addStockArticles(const QList<QSqlRecord> &marked)
{
    struct Clear {
        OfferPanel *p;
        ~Clear()
        {
            p->StockArticlesPending = false;
            p->m_stockRows.clear();
        }
    } clear{this};
    StockArticlesPending = true;
    m_stockRows = marked;
    Button_InsertClick();
}

void OfferPanel::Button_InsertClick()
{
    const bool stock = StockArticlesPending;
    QString error;
    const auto correction =
        OfferLines::parseCorrection(ComboBox_Znak_Korekcia->currentText(), Edit_Korekcia->text(), &error);
    if (!correction) {
        say(error);
        Edit_Korekcia->setFocus();
        return;
    }
    QList<QSqlRecord> rows;
    if (stock) {
        rows = m_stockRows;
    } else {
        try {
            rows = m_form->markedRecords();
        } catch (const DbError &e) {
            say(QStringLiteral("Грешка при четене на каталога.\n") + e.message());
            return;
        }
    }
    if (rows.isEmpty())
        return;
    const double kol = SpinEdit_Kol->value();
    const long long mark = SpinEdit_Marker->value();
    QStringList added;
    for (qsizetype i = rows.size() - 1; i >= 0; --i) {
        const auto line = stock ? OfferLines::fromStock(rows.at(i), kol, mark, *correction)
                                : OfferLines::fromCatalogue(rows.at(i), kol, mark, *correction);
        try {
            OfferLines::insert(line);
            added << line.valuta.trimmed();
        } catch (const DbError &) {
            say(QStringLiteral("Грешка при въвеждане"));
        }
    }
    SpinEdit_Kol->setValue(1);
    refreshTicks();
    refreshTotal();
    SpdBtn_SravniClick();

    QStringList missing;
    try {
        for (const QString &c : OfferLines::currenciesWithoutRate())
            if (added.contains(c, Qt::CaseInsensitive))
                missing << c;
    } catch (const DbError &) {
    }
    if (!missing.isEmpty())
        say(QStringLiteral("Няма валутен курс за: ") + missing.join(QStringLiteral(", "))
            + QStringLiteral("\nРедовете с тази валута не влизат в сумите на офертата."));
}

void OfferPanel::Button_DeleteClick()
{
    const QList<int> marked = GridSelection::markedRows(DBGrid_Oferta);
    if (marked.isEmpty())
        return;
    QList<long long> ids;
    for (qsizetype i = marked.size() - 1; i >= 0; --i)
        ids << m_list->value(marked.at(i), QStringLiteral("ID")).toLongLong();
    try {
        OfferLines::remove(ids);
    } catch (const DbError &e) {
        say(QStringLiteral("Редовете не бяха изтрити.\n") + e.message());
    }
    refreshTicks();
    refreshTotal();
    SpdBtn_SravniClick();
}

void OfferPanel::refreshTicks()
{
    QList<long long> markers;
    try {
        markers = OfferLines::markers();
    } catch (const DbError &e) {
        say(QStringLiteral("Грешка при четене на офертата.\n") + e.message());
    }
    for (int i = 0; i < CheckListBox_Zad_el->count(); ++i)
        CheckListBox_Zad_el->item(i)->setCheckState(markers.contains(i + 1) ? Qt::Checked : Qt::Unchecked);
}

void OfferPanel::refreshTotal()
{
    try {
        Label_Sum->setText(moneyText(OfferLines::total()));
    } catch (const DbError &e) {
        say(QStringLiteral("Грешка при четене на офертата.\n") + e.message());
    }
}

void OfferPanel::SpdBtn_SravniClick()
{
    try {
        const auto c = OfferLines::compare(SpinEdit_Marker->value(), SpinEdit_Cena_N->value());
        if (c.hasLines)
            Label_Sum->setText(moneyText(c.sum));
        OfferMinValue = c.minText;
        OfferMaxValue = c.maxText;
    } catch (const DbError &e) {
        say(QStringLiteral("Грешка при сравняване на офертата.\n") + e.message());
        return;
    }
    refreshGrid();
}

void OfferPanel::refreshGrid(const QString &orderBy)
{
    // The chosen column widths and hidden columns survive the new result.
    QHeaderView *header = DBGrid_Oferta->horizontalHeader();
    QList<int> widths;
    QList<bool> hidden;
    for (int c = 0; c < m_list->columnCount(); ++c) {
        widths << header->sectionSize(c);
        hidden << header->isSectionHidden(c);
    }
    m_list->setHeaderTitle(QStringLiteral("Suma"), QStringLiteral("Общо лв:Цена") + QString::number(SpinEdit_Cena_N->value()));
    QString sql = OfferLines::gridSql(SpinEdit_Cena_N->value());
    if (!orderBy.isEmpty())
        sql += QStringLiteral("\n ORDER BY ") + orderBy;
    try {
        m_list->setQuery(sql);
    } catch (const DbError &e) {
        m_list->clear();
        if (!orderBy.isEmpty())
            say(QStringLiteral("Няма данни за подреждане"));
        else
            say(QStringLiteral("Грешка при четене на офертата.\n") + e.message());
        return;
    }
    for (const char *field : kMoneyFields)
        if (const int c = m_list->fieldIndex(QString::fromLatin1(field)); c >= 0)
            DBGrid_Oferta->setItemDelegateForColumn(c, m_moneyDelegate);
    if (widths.size() == m_list->columnCount())
        for (int c = 0; c < widths.size(); ++c) {
            header->resizeSection(c, widths.at(c));
            header->setSectionHidden(c, hidden.at(c));
        }
}

void OfferPanel::SpinEdit_Cena_NChange()
{
    SpdBtn_SravniClick(); // the grid's Suma title follows the column
}

void OfferPanel::ComboBox_Znak_KorekciaChange()
{
    Edit_Korekcia->setFocus();
}

void OfferPanel::DBGrid_OfertaTitleClick(int column)
{
    SortDirection = SortDirection == 0 ? 1 : 0;
    const QString field = m_list->record().fieldName(column);
    if (field.isEmpty()) {
        say(QStringLiteral("Няма данни за подреждане"));
        return;
    }
    refreshGrid(OfferLines::sortField(field) + (SortDirection == 0 ? QStringLiteral(" ASC") : QStringLiteral(" DESC")));
}

OfferPanel::Mark OfferPanel::DBGrid_OfertaDrawColumnCell(int row) const
{
    const QVariant suma = m_list->value(row, QStringLiteral("Suma"));
    if (suma.isNull())
        return Mark::Plain;
    const QString text = OfferLines::markText(suma.toDouble());
    if (text == OfferMinValue)
        return Mark::Lowest;
    if (text == OfferMaxValue)
        return Mark::Highest;
    return Mark::Plain;
}

void OfferPanel::N_Select_All_OfertaClick()
{
    DBGrid_Oferta->selectAll();
}

void OfferPanel::N_Koloni_OfertaClick()
{
    TForm_Oferti::OwnDialog guard(m_form);
    Nastr_Koloni_Grid(DBGrid_Oferta);
}

// ---- pickers ------------------------------------------------------------------------

void OfferPanel::Button1Click()
{
    TForm_Oferti::OwnDialog guard(m_form);
    ArticlePickMode = 5;
    TForm_Artikuli::N_ArtikuliClick(window());
}

void OfferPanel::Label3Click()
{
    TForm_Oferti::OwnDialog guard(m_form);
    CounterpartyPickMode = 5;
    TForm_Kontrakents::N_KlientiClick(window());
}

// ---- mandatory elements -------------------------------------------------------------

void OfferPanel::loadElements()
{
    CheckListBox_Zad_el->clear();
    try {
        for (const auto &e : MandatoryElements::load()) {
            auto *item = new QListWidgetItem(e.text(), CheckListBox_Zad_el);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    } catch (const DbError &e) {
        say(QStringLiteral("Задължителните елементи не могат да бъдат прочетени.\n") + e.message());
    }
    refreshTicks();
}

void OfferPanel::Button_Add_Zad_ElemClick()
{
    if (Button_Add_Zad_Elem->property("Tag").toInt() == 0) {
        Button_Add_Zad_Elem->setText(QStringLiteral("Запис"));
        Button_Del_Zad_Elem->setText(QStringLiteral("Откажи"));
        Button_Add_Zad_Elem->setProperty("Tag", 1);
        Button_Del_Zad_Elem->setProperty("Tag", 1);
        Edit_Zad_El->clear();
        Edit_Zad_El->show();
        Edit_Zad_El->setFocus();
        return;
    }
    const QString text = Edit_Zad_El->text().trimmed();
    if (text.isEmpty()) {
        say(QStringLiteral("Въведете описание на задължителния елемент."));
        Edit_Zad_El->setFocus();
        return;
    }
    try {
        const auto e = MandatoryElements::add(text);
        auto *item = new QListWidgetItem(e.text(), CheckListBox_Zad_el);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    } catch (const DbError &e) {
        say(QStringLiteral("Елементът не беше записан.\n") + e.message());
        return;
    }
    refreshTicks(); // a new element N may already have lines
    Button_Del_Zad_ElemClick();
}

void OfferPanel::Button_Del_Zad_ElemClick()
{
    if (Button_Del_Zad_Elem->property("Tag").toInt() == 0)
        return;
    Button_Add_Zad_Elem->setText(QStringLiteral("Добави"));
    Button_Del_Zad_Elem->setText(QStringLiteral("Изтрии"));
    Button_Add_Zad_Elem->setProperty("Tag", 0);
    Button_Del_Zad_Elem->setProperty("Tag", 0);
    Edit_Zad_El->hide();
}

void OfferPanel::Edit_Zad_ElKeyPress()
{
    if (Button_Add_Zad_Elem->property("Tag").toInt() == 1)
        Button_Add_Zad_ElemClick();
}

QStringList OfferPanel::untickedElements() const
{
    QStringList out;
    for (int i = 0; i < CheckListBox_Zad_el->count(); ++i)
        if (CheckListBox_Zad_el->item(i)->checkState() != Qt::Checked)
            out << CheckListBox_Zad_el->item(i)->text();
    return out;
}

// ---- the document -------------------------------------------------------------------

long long OfferPanel::customerId() const
{
    return GetID_MFromTreeNodeName(Label_ID_Kontragent->text());
}

bool OfferPanel::currenciesRated()
{
    QStringList missing;
    try {
        missing = OfferLines::currenciesWithoutRate();
    } catch (const DbError &e) {
        say(QStringLiteral("Грешка при четене на офертата.\n") + e.message());
        return false;
    }
    if (missing.isEmpty())
        return true;
    say(QStringLiteral("Няма валутен курс за: ") + missing.join(QStringLiteral(", ")));
    return false;
}

bool OfferPanel::readAvans(double *value)
{
    if (Numbers::parse(Edit_Avans->text(), value))
        return true;
    say(QStringLiteral("Предплатата не е число: \"") + Edit_Avans->text() + QStringLiteral("\""));
    Edit_Avans->setFocus();
    return false;
}

static QString elementQuestion(const QStringList &unticked)
{
    QString list;
    for (const QString &e : unticked)
        list += e + QLatin1Char(',');
    return QStringLiteral("Задължителните елементи: \n") + list
           + QStringLiteral("\nне са добавени в офертата, желаете ли да продължите?");
}

bool OfferPanel::writeDocument(bool withPhone, double avans)
{
    OfferDocument::Content c;
    try {
        c.customer = OfferDocument::customer(customerId());
        c.total = OfferLines::total();
    } catch (const DbError &) {
        say(QStringLiteral("Некоректни или липсващи данни за запис"));
        return false;
    }
    c.withPhone = withPhone;
    c.avansTyped = Edit_Avans->text();
    c.avans = avans;
    c.operatorName = AppState::instance().currentOperator();
    c.today = Dates::todayShort();
    c.decimals = PriceDecimals;
    {
        TForm_Oferti::OwnDialog guard(m_form);
        showExportChooser();
    }
    QString path, error;
    if (!OfferDocument::write(c, DBGrid_Oferta, &path, &error)) {
        say(error);
        return false;
    }
    SHELLEXECUTE_OPENFILE(path);
    return true;
}

void OfferPanel::Button_PrintClick()
{
    const QStringList unticked = untickedElements();
    if (!unticked.isEmpty() && !ask(elementQuestion(unticked)))
        return;
    if (m_list->rowCount() == 0) {
        say(QStringLiteral("Няма данни за печат"));
        return;
    }
    double avans = 0;
    if (!currenciesRated() || !readAvans(&avans))
        return;
    writeDocument(false, avans);
}

void OfferPanel::Button_Save_OfertaClick()
{
    if (customerId() <= 0) {
        say(QStringLiteral("Не е посочен Контрагент"));
        Label3Click();
    }
    const QStringList unticked = untickedElements();
    if (m_list->rowCount() == 0)
        return;
    double avans = 0;
    if (!currenciesRated() || !readAvans(&avans))
        return;
    if (!unticked.isEmpty() && !ask(elementQuestion(unticked)))
        return;
    // Asked whenever the offer has lines, whatever the elements' ticks.
    const bool copy = ask(QStringLiteral("Желаете ли данните от офертата да се добавят към Списък за заявки?"));
    try {
        OfferDocument::customer(customerId()); // read before anything is copied
        if (copy) {
            QList<QSqlRecord> lines;
            for (int r = 0; r < m_list->rowCount(); ++r)
                lines << m_list->record(r);
            OfferDocument::copyToOrderList(lines, Label_ID_Kontragent->text());
        }
    } catch (const DbError &) {
        say(QStringLiteral("Некоректни или липсващи данни за запис"));
        return;
    }
    writeDocument(true, avans);
}
