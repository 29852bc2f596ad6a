#include "documents/form_spr_dostavka.h"

#include "app/app_state.h"
#include "app/general_popup_menu.h"
#include "app/help_actions.h"
#include "app/money_columns.h"
#include "app/record_ops.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "common/dates.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "documents/report_filter.h"
#include "documents/report_parts.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSqlRecord>
#include <QTableView>
#include <QVBoxLayout>

namespace {
QPointer<TForm_SprDostavka> g_form;
constexpr int CounterpartyMode = 15;
constexpr int ArticleMode = 16;
const QString NoCounterparty = QStringLiteral("0: Няма избран контрагент");
const QString NoArticle = QStringLiteral("0:Няма избран артикул");
const QString SumCaption = QStringLiteral("Обща сума на документа : ");

long long idBeforeColon(const QComboBox *box)
{
    return box->currentIndex() < 0 ? -1 : box->currentText().section(QLatin1Char(':'), 0, 0).trimmed().toLongLong();
}

// The grid shows the first `count` fields with their titles; the others are read by name.
void showColumns(QTableView *grid, SqlListModel *model, const QStringList &fields, const char *(*title)(const QString &))
{
    for (const QString &f : fields)
        model->setHeaderTitle(f, QString::fromUtf8(title(f)));
    for (int c = 0; c < model->columnCount(); ++c)
        grid->setColumnHidden(c, c >= fields.size());
}
} // namespace

TForm_SprDostavka::TForm_SprDostavka(QWidget *parent)
    : QDialog(parent)
    , m_deliveries(new SqlListModel(this))
    , m_lines(new SqlListModel(this))
{
    setObjectName(QStringLiteral("Form_SprDostavka"));
    setWindowTitle(QStringLiteral("СПРАВКА ДОСТАВКИ"));
    auto comparisons = [this](const char *name) { return ReportParts::comparisonBox(this, name); };
    auto dateEdit = [this](const char *name) { return ReportParts::dateEdit(this, name); };
    ChkBox_Kontrag = named(new QCheckBox(QStringLiteral("Контрагент"), this), "ChkBox_Kontrag");
    Label_Kontrag = named(new ElidedLabel(NoCounterparty, this), "Label_Kontrag");
    ChkBox_Vid_Dok = named(new QCheckBox(QStringLiteral("Вид на документ"), this), "ChkBox_Vid_Dok");
    ComboBox_Vid_Dok = named(new QComboBox(this), "ComboBox_Vid_Dok");
    ChkBox_Nom_Dok = named(new QCheckBox(QStringLiteral("Номер на документ"), this), "ChkBox_Nom_Dok");
    Edit_Dok_N = namedEdit(QStringLiteral("Edit_Dok_N"), this);
    ChkBox_Data_Dok = named(new QCheckBox(QStringLiteral("Дата на документ"), this), "ChkBox_Data_Dok");
    ComboBox_Between = comparisons("ComboBox_Between");
    DateTimePicker_Date_Dok_Ot = dateEdit("DateTimePicker_Date_Dok_Ot");
    Label_Dok_Do = named(new QLabel(QStringLiteral("До"), this), "Label_Dok_Do");
    DateTimePicker_Date_Dok_Do = dateEdit("DateTimePicker_Date_Dok_Do");
    ChkBox_Data_Dost = named(new QCheckBox(QStringLiteral("Дата на въвеждане"), this), "ChkBox_Data_Dost");
    ComboBox3 = comparisons("ComboBox3");
    DateTimePicker_Date_Dost_Ot = dateEdit("DateTimePicker_Date_Dost_Ot");
    Label_Dost_Do = named(new QLabel(QStringLiteral("До"), this), "Label_Dost_Do");
    DateTimePicker_Date_Dost_Do = dateEdit("DateTimePicker_Date_Dost_Do");
    ChkBox_Art = named(new QCheckBox(QStringLiteral("Артикул"), this), "ChkBox_Art");
    Label_Art = named(new ElidedLabel(NoArticle, this), "Label_Art");
    ChkBox_Sklad = named(new QCheckBox(QStringLiteral("Склад"), this), "ChkBox_Sklad");
    ComboBox_Sklad = named(new QComboBox(this), "ComboBox_Sklad");
    for (QLabel *l : {Label_Kontrag, Label_Art})
        l->setTextFormat(Qt::PlainText);
    for (QWidget *w : std::initializer_list<QWidget *>{Label_Kontrag, ComboBox_Vid_Dok, Edit_Dok_N,
                                                        DateTimePicker_Date_Dok_Ot, DateTimePicker_Date_Dost_Ot,
                                                        Label_Art, ComboBox_Sklad})
        w->setEnabled(false);

    DBGrid_Dokument = named(new QTableView(this), "DBGrid_Dokument");
    GridSelection::setupList(DBGrid_Dokument, m_deliveries);
    DBGrid_Dokument->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid_Art = named(new QTableView(this), "DBGrid_Art");
    GridSelection::setupList(DBGrid_Art, m_lines);
    MoneyColumns::prices(m_lines, {"Dostavna_Cena", "Prodajna_Cena"});
    MoneyColumns::amounts(m_lines, {"Sum_Dost_Cena", "Sum_Prod_Cena"});
    General_PopupMenu()->attach(DBGrid_Dokument);
    Label_Ob6to_SUM = named(new QLabel(SumCaption + QStringLiteral("0.0000"), this), "Label_Ob6to_SUM");
    Label_Pay_Cach = named(new QLabel(this), "Label_Pay_Cach");
    Label_Pay_Not = named(new QLabel(this), "Label_Pay_Not");
    Label_Pay_Bank = named(new QLabel(this), "Label_Pay_Bank");
    Button_Search = namedButton(QStringLiteral("Button_Search"), QStringLiteral("ТЪРСИ"), this);
    Button_Search->setDefault(true);
    RadioGroup1 = named(new QGroupBox(QStringLiteral("ПЕЧАТ"), this), "RadioGroup1");
    m_print = new QButtonGroup(this);
    auto *radios = new QVBoxLayout(RadioGroup1);
    for (const char *caption : {"Данни за документ", "Данни за артикули", "Всичко за документа"}) {
        auto *b = new QRadioButton(QString::fromUtf8(caption), RadioGroup1);
        m_print->addButton(b);
        radios->addWidget(b);
    }

    auto *filters = new QGridLayout;
    int row = 0;
    filters->addWidget(ChkBox_Kontrag, row, 0);
    filters->addWidget(Label_Kontrag, row++, 1, 1, 4);
    filters->addWidget(ChkBox_Vid_Dok, row, 0);
    filters->addWidget(ComboBox_Vid_Dok, row++, 1, 1, 2);
    filters->addWidget(ChkBox_Nom_Dok, row, 0);
    filters->addWidget(Edit_Dok_N, row++, 1, 1, 2);
    filters->addWidget(ChkBox_Data_Dok, row, 0);
    filters->addWidget(ComboBox_Between, row, 1);
    filters->addWidget(DateTimePicker_Date_Dok_Ot, row, 2);
    filters->addWidget(Label_Dok_Do, row, 3);
    filters->addWidget(DateTimePicker_Date_Dok_Do, row++, 4);
    filters->addWidget(ChkBox_Data_Dost, row, 0);
    filters->addWidget(ComboBox3, row, 1);
    filters->addWidget(DateTimePicker_Date_Dost_Ot, row, 2);
    filters->addWidget(Label_Dost_Do, row, 3);
    filters->addWidget(DateTimePicker_Date_Dost_Do, row++, 4);
    filters->addWidget(ChkBox_Art, row, 0);
    filters->addWidget(Label_Art, row++, 1, 1, 4);
    filters->addWidget(ChkBox_Sklad, row, 0);
    filters->addWidget(ComboBox_Sklad, row++, 1, 1, 2);
    filters->setColumnStretch(5, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(Button_Search);
    right->addWidget(RadioGroup1);
    right->addStretch();
    auto *top = new QHBoxLayout;
    top->addLayout(filters, 1);
    top->addLayout(right);
    auto *sums = new QGridLayout;
    sums->addWidget(Label_Ob6to_SUM, 0, 0);
    sums->addWidget(Label_Pay_Cach, 0, 1);
    sums->addWidget(Label_Pay_Not, 1, 0);
    sums->addWidget(Label_Pay_Bank, 1, 1);
    auto *frame = new QVBoxLayout(this);
    frame->addLayout(top);
    frame->addWidget(DBGrid_Dokument, 3);
    frame->addLayout(sums);
    frame->addWidget(DBGrid_Art, 2);
    resize(1000, 720);
    ComboBox_BetweenChange();
    ComboBox3Change();

    connect(ChkBox_Kontrag, &QCheckBox::clicked, this, &TForm_SprDostavka::ChkBox_KontragClick);
    connect(ChkBox_Art, &QCheckBox::clicked, this, &TForm_SprDostavka::ChkBox_ArtClick);
    connect(ChkBox_Vid_Dok, &QCheckBox::clicked, this, &TForm_SprDostavka::ChkBox_Vid_DokClick);
    connect(ChkBox_Sklad, &QCheckBox::clicked, this, &TForm_SprDostavka::ChkBox_SkladClick);
    connect(ChkBox_Nom_Dok, &QCheckBox::clicked, this, &TForm_SprDostavka::ChkBox_Nom_DokClick);
    connect(ChkBox_Data_Dok, &QCheckBox::clicked, this, &TForm_SprDostavka::ChkBox_Data_DokClick);
    connect(ChkBox_Data_Dost, &QCheckBox::clicked, this, &TForm_SprDostavka::ChkBox_Data_DostClick);
    connect(ComboBox_Between, &QComboBox::activated, this, &TForm_SprDostavka::ComboBox_BetweenChange);
    connect(ComboBox3, &QComboBox::activated, this, &TForm_SprDostavka::ComboBox3Change);
    connect(Button_Search, &QPushButton::clicked, this, &TForm_SprDostavka::Button_SearchClick);
    connect(DBGrid_Dokument, &QTableView::clicked, this, &TForm_SprDostavka::DBGrid_DokumentCellClick);
    connect(DBGrid_Dokument->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TForm_SprDostavka::DBGrid_DokumentTitleClick);
    connect(DBGrid_Art->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TForm_SprDostavka::DBGrid_ArtTitleClick);
    connect(m_print, &QButtonGroup::buttonClicked, this, &TForm_SprDostavka::RadioGroup1Click);

    CounterpartyPick::registerTarget(CounterpartyMode, [this](const CounterpartyPick::Picked &p) {
        Label_Kontrag->setText(p.referenceText());
    });
    // The report keeps its own copy: another report's pick changes nothing here.
    ArticlePick::registerTarget(ArticleMode, [this](const ArticlePick::Picked &p) {
        Label_Art->setText(ArticlePick::multiPick(p));
        m_articles = PickList;
    });
}

TForm_SprDostavka::~TForm_SprDostavka()
{
    CounterpartyPick::unregisterTarget(CounterpartyMode);
    ArticlePick::unregisterTarget(ArticleMode);
}

void TForm_SprDostavka::open(QWidget *owner)
{
    if (!g_form)
        g_form = new TForm_SprDostavka(owner);
    Dialogs::exec(g_form);
}

void TForm_SprDostavka::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm_SprDostavka::FormShow()
{
    ComboBox_Vid_Dok->clear();
    ComboBox_Sklad->clear();
    try {
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Opisanie FROM Rab_Dokumenti ORDER BY ID")))
            ComboBox_Vid_Dok->addItem(r.value(0).toString() + QLatin1Char(':') + r.value(1).toString());
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID_Sklad, Opis_Sklad FROM Sklad ORDER BY ID_Sklad")))
            ComboBox_Sklad->addItem(r.value(0).toString() + QLatin1Char(':') + r.value(1).toString());
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Списъците на справката не могат да бъдат прочетени:\n") + e.message(), this);
    }
    ComboBox_Vid_Dok->setCurrentIndex(-1);
    ComboBox_Sklad->setCurrentIndex(-1);
}

void TForm_SprDostavka::ChkBox_KontragClick()
{
    const bool on = ChkBox_Kontrag->isChecked();
    Label_Kontrag->setEnabled(on);
    if (!on) {
        Label_Kontrag->setText(NoCounterparty);
        return;
    }
    CounterpartyPickMode = CounterpartyMode;
    TForm_Kontrakents::N_KlientiClick(this);
    CounterpartyPickMode = -1;
}

void TForm_SprDostavka::ChkBox_ArtClick()
{
    const bool on = ChkBox_Art->isChecked();
    Label_Art->setEnabled(on);
    if (!on) {
        Label_Art->setText(NoArticle);
        m_articles.clear();
        return;
    }
    ArticlePickMode = ArticleMode;
    TForm_Artikuli::N_ArtikuliClick(this);
    ArticlePickMode = -1;
}

void TForm_SprDostavka::ChkBox_Vid_DokClick()
{
    ComboBox_Vid_Dok->setEnabled(ChkBox_Vid_Dok->isChecked());
}

void TForm_SprDostavka::ChkBox_SkladClick()
{
    ComboBox_Sklad->setEnabled(ChkBox_Sklad->isChecked());
}

void TForm_SprDostavka::ChkBox_Nom_DokClick()
{
    const bool on = ChkBox_Nom_Dok->isChecked();
    Edit_Dok_N->setEnabled(on);
    if (on) {
        Edit_Dok_N->clear();
        Edit_Dok_N->setFocus();
    }
}

void TForm_SprDostavka::ChkBox_Data_DokClick()
{
    ComboBox_Between->setCurrentIndex(ReportFilter::Equal);
    ComboBox_BetweenChange();
    const bool on = ChkBox_Data_Dok->isChecked();
    ComboBox_Between->setEnabled(on);
    DateTimePicker_Date_Dok_Ot->setEnabled(on);
    DateTimePicker_Date_Dok_Ot->setDate(QDate::currentDate());
}

void TForm_SprDostavka::ChkBox_Data_DostClick()
{
    ComboBox3->setCurrentIndex(ReportFilter::Equal);
    ComboBox3Change();
    const bool on = ChkBox_Data_Dost->isChecked();
    ComboBox3->setEnabled(on);
    DateTimePicker_Date_Dost_Ot->setEnabled(on);
    DateTimePicker_Date_Dost_Ot->setDate(QDate::currentDate());
}

void TForm_SprDostavka::ComboBox_BetweenChange()
{
    const bool between = ComboBox_Between->currentIndex() == ReportFilter::Between;
    if (between)
        DateTimePicker_Date_Dok_Do->setDate(QDate::currentDate());
    DateTimePicker_Date_Dok_Do->setVisible(between);
    Label_Dok_Do->setVisible(between);
}

void TForm_SprDostavka::ComboBox3Change()
{
    const bool between = ComboBox3->currentIndex() == ReportFilter::Between;
    if (between)
        DateTimePicker_Date_Dost_Do->setDate(QDate::currentDate());
    DateTimePicker_Date_Dost_Do->setVisible(between);
    Label_Dost_Do->setVisible(between);
}

DeliveriesReport::Filter TForm_SprDostavka::filter() const
{
    DeliveriesReport::Filter f;
    f.counterparty = ChkBox_Kontrag->isChecked();
    f.counterpartyId = Label_Kontrag->text().section(QLatin1Char(':'), 0, 0).trimmed().toLongLong();
    f.kind = ChkBox_Vid_Dok->isChecked();
    f.kindId = idBeforeColon(ComboBox_Vid_Dok);
    f.number = ChkBox_Nom_Dok->isChecked();
    f.numberText = Edit_Dok_N->text();
    f.documentDate = ChkBox_Data_Dok->isChecked();
    f.documentComparison = ComboBox_Between->currentIndex();
    f.documentFrom = DateTimePicker_Date_Dok_Ot->date();
    f.documentTo = DateTimePicker_Date_Dok_Do->date();
    f.entryDate = ChkBox_Data_Dost->isChecked();
    f.entryComparison = ComboBox3->currentIndex();
    f.entryFrom = DateTimePicker_Date_Dost_Ot->date();
    f.entryTo = DateTimePicker_Date_Dost_Do->date();
    f.articles = ChkBox_Art->isChecked();
    f.articleIds = m_articles;
    f.warehouse = ChkBox_Sklad->isChecked();
    f.warehouseId = idBeforeColon(ComboBox_Sklad);
    return f;
}

void TForm_SprDostavka::Button_SearchClick()
{
    const DeliveriesReport::Query q = DeliveriesReport::deliveries(filter());
    if (!q.ok()) {
        Dialogs::message(q.error, this);
        return;
    }
    {
        HelpActions::SearchIndicator indicator;
        try {
            m_deliveries->setQuery(q.sql, q.values);
            showColumns(DBGrid_Dokument, m_deliveries, DeliveriesReport::deliveryFields(),
                        &DeliveriesReport::deliveryTitle);
            // The article columns of the article filter are shown after the delivery's.
            for (const QString &f : DeliveriesReport::articleFilterFields()) {
                const int c = m_deliveries->fieldIndex(f);
                if (c < 0)
                    continue;
                m_deliveries->setHeaderTitle(f, QString::fromUtf8(DeliveriesReport::deliveryTitle(f)));
                DBGrid_Dokument->setColumnHidden(c, false);
            }
            const int widths[] = {50, 200, 100, 150, 90, 90, 150};
            for (int c = 0; c < int(std::size(widths)); ++c)
                DBGrid_Dokument->setColumnWidth(c, std::max(widths[c], DBGrid_Dokument->horizontalHeader()->sectionSizeHint(c)));
        } catch (const DbError &e) {
            ExceptionLog::write(e);
            Dialogs::message(QStringLiteral("Справката не може да бъде изпълнена:\n") + e.message(), this);
            return;
        }
    }
    if (m_deliveries->rowCount() > 0)
        DBGrid_Dokument->setCurrentIndex(m_deliveries->index(0, 0));
    showLines(m_deliveries->rowCount() > 0 ? 0 : -1);
}

void TForm_SprDostavka::DBGrid_DokumentCellClick()
{
    showLines(DBGrid_Dokument->currentIndex().row());
}

void TForm_SprDostavka::showLines(int row)
{
    HelpActions::SearchIndicator indicator;
    const long long id = row >= 0 ? m_deliveries->value(row, QStringLiteral("ID")).toLongLong() : -1;
    try {
        const DeliveriesReport::Amounts a = DeliveriesReport::amounts(id);
        Label_Pay_Cach->setText(QStringLiteral("Общо сума платено в брой: ") + ReportParts::money(a.cash));
        Label_Pay_Not->setText(QStringLiteral("Общо сума не платено: ") + ReportParts::money(a.unpaid));
        Label_Pay_Bank->setText(QStringLiteral("Общо сума платено по банка: ") + ReportParts::money(a.bank));
        const DeliveriesReport::Query q = DeliveriesReport::lines(id);
        m_lines->setQuery(q.sql, q.values);
        showColumns(DBGrid_Art, m_lines, DeliveriesReport::lineFields(), &DeliveriesReport::lineTitle);
        DBGrid_Art->setColumnWidth(1, 200);
        double total = 0;
        for (int r = 0; r < m_lines->rowCount(); ++r)
            total += m_lines->value(r, QStringLiteral("Sum_Dost_Cena")).toDouble();
        Label_Ob6to_SUM->setText(SumCaption + ReportParts::money(total));
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Редовете на доставката не могат да бъдат прочетени:\n") + e.message(), this);
    }
}

void TForm_SprDostavka::DBGrid_DokumentTitleClick(int column)
{
    if (column < 0 || column >= m_deliveries->columnCount())
        return;
    SortDirection = SortDirection == 0 ? 1 : 0;
    if (ORDER_SQL(*m_deliveries, m_deliveries->record().fieldName(column)))
        showColumns(DBGrid_Dokument, m_deliveries, DeliveriesReport::deliveryFields(), &DeliveriesReport::deliveryTitle);
}

void TForm_SprDostavka::DBGrid_ArtTitleClick(int column)
{
    if (column < 0 || column >= m_lines->columnCount())
        return;
    SortDirection = SortDirection == 0 ? 1 : 0;
    if (ORDER_SQL(*m_lines, m_lines->record().fieldName(column)))
        showColumns(DBGrid_Art, m_lines, DeliveriesReport::lineFields(), &DeliveriesReport::lineTitle);
}

void TForm_SprDostavka::RadioGroup1Click()
{
    // The choices print nothing: the mark is taken back at once.
    m_print->setExclusive(false);
    for (QAbstractButton *b : m_print->buttons())
        b->setChecked(false);
    m_print->setExclusive(true);
}
