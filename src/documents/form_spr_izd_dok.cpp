#include "documents/form_spr_izd_dok.h"

#include "app/app_state.h"
#include "app/help_actions.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "documents/document_print_road.h"
#include "documents/tab_print_panel.h"
#include "platform/db/database.h"
#include "platform/db/paged_list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "platform/report/report_print.h"
#include "platform/tick_list.h"
#include "platform/long_texts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString NoCounterparty = QStringLiteral("0: Няма избран контрагент");
const QString NoArticle = QStringLiteral("0: Няма избран Артикул");
constexpr int PickMode = 6;

struct LineColumn {
    const char *field;
    const char *title;
    int width;
};
const LineColumn kLineColumns[] = {
    {"ID_Prod", "Прод. N", 50},       {"Barkod", "Арт. N", 70},   {"Opisanie", "Описание", 200},
    {"Kol", "Кол.", 40},              {"Ed_Cena", "Ед.цена", 64}, {"Valuta", "Валута", 60},
    {"T_O", "ТО", 50},                {"Suma", "Общо в лева", 70},
    {"Pored_Ot", "Поред. от/ Сер. номер", 120}, {"Pored_Do", "Поред. до/ Гаранция", 120},
};
} // namespace

TForm_Spr_Izd_Dok::TForm_Spr_Izd_Dok(QWidget *parent)
    : ReportDialog(parent)
    , m_documents(new PagedListModel(this))
    , m_lineRows(new QStandardItemModel(this))
{
    setObjectName(QStringLiteral("Form_Spr_Izd_Dok"));
    setWindowTitle(QStringLiteral("Справка издадени документи"));

    ChkBox_Vid_Dok = named(new QCheckBox(QStringLiteral("Вид документ"), this), "ChkBox_Vid_Dok");
    ComboBox_Vid_Dok = named(new QComboBox(this), "ComboBox_Vid_Dok");
    ChkBox_N_Dok = named(new QCheckBox(QStringLiteral("Номер документ"), this), "ChkBox_N_Dok");
    Edit_N_Dok = namedEdit(QStringLiteral("Edit_N_Dok"), this);
    ChkBox_Data = named(new QCheckBox(QStringLiteral("Дата на документ"), this), "ChkBox_Data");
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox1->addItems(ReportFilter::comparisonTitles());
    DateTimePicker_Data = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Data");
    Label_Do = named(new QLabel(QStringLiteral("до"), this), "Label_Do");
    DateTimePicker_Do = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Do");
    for (QDateEdit *d : {DateTimePicker_Data, DateTimePicker_Do}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QString::fromLatin1(Dates::ShortFormat));
        d->setMinimumWidth(120); // the whole date and its button
    }
    ChkBox_Kontragent = named(new QCheckBox(QStringLiteral("Контрагент"), this), "ChkBox_Kontragent");
    Label_Kontrag = named(new ElidedLabel(NoCounterparty, this), "Label_Kontrag");
    ChkBox_Artikul = named(new QCheckBox(QStringLiteral("Артикул"), this), "ChkBox_Artikul");
    Label_Art = named(new ElidedLabel(NoArticle, this), "Label_Art");
    for (QLabel *l : {Label_Kontrag, Label_Art})
        l->setTextFormat(Qt::PlainText);
    ChkBox_Operator = named(new QCheckBox(QStringLiteral("Оператор"), this), "ChkBox_Operator");
    ComboBox_Operator = named(new QComboBox(this), "ComboBox_Operator");

    RadioGroup_Izd_Ot = named(new QGroupBox(QStringLiteral("Издаден от "), this), "RadioGroup_Izd_Ot");
    RadioButton_Magazin = named(new QRadioButton(QStringLiteral("Магазин"), RadioGroup_Izd_Ot), "RadioButton_Magazin");
    RadioButton_Serviz = named(new QRadioButton(QStringLiteral("Сервиз"), RadioGroup_Izd_Ot), "RadioButton_Serviz");
    RadioButton_Magazin->setChecked(true);
    auto *radios = new QHBoxLayout(RadioGroup_Izd_Ot);
    radios->addWidget(RadioButton_Magazin);
    radios->addWidget(RadioButton_Serviz);

    DBGrid_Dok = named(new QTableView(this), "DBGrid_Dok");
    GridSelection::setupList(DBGrid_Dok, m_documents);
    DBGrid_Art = named(new QTableView(this), "DBGrid_Art");
    GridSelection::setupList(DBGrid_Art, m_lineRows);
    QStringList titles;
    for (const LineColumn &c : kLineColumns)
        titles.append(QString::fromUtf8(c.title));
    m_lineRows->setHorizontalHeaderLabels(titles);
    for (int i = 0; i < int(std::size(kLineColumns)); ++i)
        DBGrid_Art->setColumnWidth(i, std::max(kLineColumns[i].width, DBGrid_Art->horizontalHeader()->sectionSizeHint(i)));
    auto *sumCaption = new QLabel(QStringLiteral("Обща стойност в лв: "), this);
    Label_SUM = named(new QLabel(QStringLiteral("0.0000"), this), "Label_SUM");

    Button_Search = namedButton(QStringLiteral("Button_Search"), QStringLiteral("СПРАВКА"), this);
    Button_Search->setDefault(true);
    Button_Pe4at = namedButton(QStringLiteral("Button_Pe4at"), QStringLiteral("ПЕЧАТ"), this);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Печат Нов Документ"), this);
    CheckListBox_New_Dok = named(new QListWidget(this), "CheckListBox_New_Dok");
    TickList::install(CheckListBox_New_Dok);
    Button_Anulirai = namedButton(QStringLiteral("Button_Anulirai"), QStringLiteral("Анулирай документ"), this);
    Button_Anulirai->setEnabled(false);

    auto *filters = new QGridLayout;
    filters->addWidget(ChkBox_Vid_Dok, 0, 0);
    filters->addWidget(ComboBox_Vid_Dok, 0, 1, 1, 3);
    filters->addWidget(ChkBox_N_Dok, 1, 0);
    filters->addWidget(Edit_N_Dok, 1, 1, 1, 3);
    filters->addWidget(ChkBox_Data, 2, 0);
    filters->addWidget(ComboBox1, 2, 1);
    filters->addWidget(DateTimePicker_Data, 2, 2);
    filters->addWidget(Label_Do, 3, 1, Qt::AlignRight);
    filters->addWidget(DateTimePicker_Do, 3, 2);
    filters->addWidget(ChkBox_Kontragent, 4, 0);
    filters->addWidget(Label_Kontrag, 4, 1, 1, 3);
    filters->addWidget(ChkBox_Artikul, 5, 0);
    filters->addWidget(Label_Art, 5, 1, 1, 3);
    filters->addWidget(ChkBox_Operator, 6, 0);
    filters->addWidget(ComboBox_Operator, 6, 1, 1, 3);
    filters->addWidget(RadioGroup_Izd_Ot, 7, 0, 1, 4);
    filters->setColumnStretch(3, 1);

    auto *right = new QVBoxLayout;
    right->addWidget(Button_Search);
    right->addWidget(Button_Pe4at);
    right->addWidget(Button1);
    right->addWidget(CheckListBox_New_Dok, 1);
    right->addWidget(Button_Anulirai);

    auto *sum = new QHBoxLayout;
    sum->addStretch(1);
    sum->addWidget(sumCaption);
    sum->addWidget(Label_SUM);

    auto *left = new QVBoxLayout;
    left->addLayout(filters);
    left->addWidget(DBGrid_Dok, 3);
    left->addWidget(DBGrid_Art, 2);
    left->addLayout(sum);

    auto *frame = new QHBoxLayout(this);
    frame->addLayout(left, 1);
    frame->addLayout(right);
    resize(1000, 700);

    ComboBox_Vid_Dok->setEnabled(false);
    Edit_N_Dok->setEnabled(false);
    ComboBox1->setEnabled(false);
    DateTimePicker_Data->setEnabled(false);
    Label_Kontrag->setEnabled(false);
    Label_Art->setEnabled(false);
    ComboBox_Operator->setEnabled(false);
    ComboBox1->setCurrentIndex(ReportFilter::Equal);
    ComboBox1Change();

    connect(ChkBox_Vid_Dok, &QCheckBox::clicked, this, &TForm_Spr_Izd_Dok::ChkBox_Vid_DokClick);
    connect(ChkBox_N_Dok, &QCheckBox::clicked, this, &TForm_Spr_Izd_Dok::ChkBox_N_DokClick);
    connect(ChkBox_Data, &QCheckBox::clicked, this, &TForm_Spr_Izd_Dok::ChkBox_DataClick);
    connect(ComboBox1, &QComboBox::activated, this, &TForm_Spr_Izd_Dok::ComboBox1Change);
    connect(ChkBox_Operator, &QCheckBox::clicked, this, &TForm_Spr_Izd_Dok::ChkBox_OperatorClick);
    connect(ChkBox_Kontragent, &QCheckBox::clicked, this, &TForm_Spr_Izd_Dok::ChkBox_KontragentClick);
    connect(ChkBox_Artikul, &QCheckBox::clicked, this, &TForm_Spr_Izd_Dok::ChkBox_ArtikulClick);
    connect(Button_Search, &QPushButton::clicked, this, &TForm_Spr_Izd_Dok::Button_SearchClick);
    connect(DBGrid_Dok, &QTableView::clicked, this, &TForm_Spr_Izd_Dok::DBGrid_DokCellClick);
    connect(Button_Pe4at, &QPushButton::clicked, this, &TForm_Spr_Izd_Dok::Button_Pe4atClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_Spr_Izd_Dok::Button1Click);
    // The lines follow the current document when it moves by the arrow keys.
    followArrowKeys(DBGrid_Dok, [this] { DBGrid_DokCellClick(); });

    CounterpartyPick::registerTarget(PickMode, [this](const CounterpartyPick::Picked &p) {
        Label_Kontrag->setText(p.referenceText());
    });
    ArticlePick::registerTarget(PickMode, [this](const ArticlePick::Picked &p) {
        Label_Art->setText(p.referenceText());
    });
}

TForm_Spr_Izd_Dok::~TForm_Spr_Izd_Dok()
{
    CounterpartyPick::unregisterTarget(PickMode);
    ArticlePick::unregisterTarget(PickMode);
}

QString TForm_Spr_Izd_Dok::noDocumentMessage()
{
    return QStringLiteral("Изберете документ");
}

void TForm_Spr_Izd_Dok::FormShow()
{
    ComboBox1->setCurrentIndex(ReportFilter::Equal);
    ComboBox1Change();
    for (QCheckBox *c : {ChkBox_Vid_Dok, ChkBox_N_Dok, ChkBox_Data, ChkBox_Kontragent, ChkBox_Artikul, ChkBox_Operator})
        c->setChecked(false);
    ChkBox_Vid_DokClick();
    ChkBox_N_DokClick();
    ChkBox_DataClick();
    ChkBox_KontragentClick();
    ChkBox_ArtikulClick();
    ChkBox_OperatorClick();
    CheckListBox_New_Dok->clear();
    try {
        for (const QString &name : TabPrintPanel::documentsFor(QStringLiteral("МАГАЗИН")))
            TickList::addItem(CheckListBox_New_Dok, name);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Списъкът с документи не може да бъде прочетен:\n") + e.message(), this);
    }
}

void TForm_Spr_Izd_Dok::ChkBox_Vid_DokClick()
{
    ReportParts::fillWhenTicked(ChkBox_Vid_Dok, ComboBox_Vid_Dok, &IssuedDocuments::numberedKinds,
                                QStringLiteral("Видовете документи не могат да бъдат прочетени:\n"), this);
}

void TForm_Spr_Izd_Dok::ChkBox_N_DokClick()
{
    Edit_N_Dok->setEnabled(ChkBox_N_Dok->isChecked());
}

void TForm_Spr_Izd_Dok::ChkBox_DataClick()
{
    const bool on = ChkBox_Data->isChecked();
    ComboBox1->setEnabled(on);
    DateTimePicker_Data->setEnabled(on);
    DateTimePicker_Do->setEnabled(on);
    ComboBox1->setCurrentIndex(ReportFilter::Equal);
    DateTimePicker_Data->setDate(QDate::currentDate());
    DateTimePicker_Do->setDate(QDate::currentDate());
    ComboBox1Change();
}

void TForm_Spr_Izd_Dok::ComboBox1Change()
{
    const bool between = ComboBox1->currentIndex() == ReportFilter::Between;
    Label_Do->setVisible(between);
    DateTimePicker_Do->setVisible(between);
}

void TForm_Spr_Izd_Dok::ChkBox_OperatorClick()
{
    ReportParts::fillWhenTicked(ChkBox_Operator, ComboBox_Operator, &ReportParts::operatorNames,
                                QStringLiteral("Операторите не могат да бъдат прочетени:\n"), this);
}

void TForm_Spr_Izd_Dok::ChkBox_KontragentClick()
{
    const bool on = ChkBox_Kontragent->isChecked();
    Label_Kontrag->setEnabled(on);
    if (!on) {
        Label_Kontrag->setText(NoCounterparty);
        return;
    }
    CounterpartyPickMode = PickMode;
    TForm_Kontrakents::N_KlientiClick(this);
    CounterpartyPickMode = -1;
}

void TForm_Spr_Izd_Dok::ChkBox_ArtikulClick()
{
    const bool on = ChkBox_Artikul->isChecked();
    Label_Art->setEnabled(on);
    if (!on) {
        Label_Art->setText(NoArticle);
        return;
    }
    ArticlePickMode = PickMode;
    TForm_Artikuli::N_ArtikuliClick(this);
    ArticlePickMode = -1;
}

int TForm_Spr_Izd_Dok::origin() const
{
    return RadioButton_Serviz->isChecked() ? OriginService : OriginShop;
}

IssuedDocuments::Filter TForm_Spr_Izd_Dok::filter() const
{
    IssuedDocuments::Filter f;
    f.kind = ChkBox_Vid_Dok->isChecked();
    f.kindId = GetID_MFromTreeNodeName(ComboBox_Vid_Dok->currentText());
    f.number = ChkBox_N_Dok->isChecked();
    f.numberText = Edit_N_Dok->text();
    f.date = ChkBox_Data->isChecked();
    f.dateComparison = ComboBox1->currentIndex();
    f.from = DateTimePicker_Data->date();
    f.to = DateTimePicker_Do->date();
    f.counterparty = ChkBox_Kontragent->isChecked();
    f.counterpartyId = GetID_MFromTreeNodeName(Label_Kontrag->text());
    f.article = ChkBox_Artikul->isChecked();
    f.articleId = GetID_MFromTreeNodeName(Label_Art->text());
    f.op = ChkBox_Operator->isChecked();
    f.operatorName = ComboBox_Operator->currentText();
    f.origin = origin();
    return f;
}

void TForm_Spr_Izd_Dok::Button_SearchClick()
{
    const IssuedDocuments::Filter f = filter();
    if (f.kind && ComboBox_Vid_Dok->currentIndex() < 0) {
        Dialogs::message(QStringLiteral("Изберете вид документ."), this);
        return;
    }
    if (f.op && ComboBox_Operator->currentIndex() < 0) {
        Dialogs::message(QStringLiteral("Изберете оператор."), this);
        return;
    }
    const IssuedDocuments::Query q = IssuedDocuments::documents(f);
    if (!q.ok()) {
        Dialogs::message(q.error, this);
        return;
    }
    HelpActions::SearchIndicator indicator;
    try {
        const qint64 count = Db::scalar(q.countSql, q.values).toLongLong();
        m_documents->setKeysetQuery(q.list, count);
        m_documents->setShownColumns(IssuedDocuments::ShownColumns);
        static const LineColumn columns[] = {{"Opisanie", "Вид документ", 120}, {"N_Dok", "Док. N", 100},
                                             {"Opisanie_K", "Контрагент", 200}, {"Data", "Дата", 80},
                                             {"fTime", "Час", 80},              {"Operator", "Оператор", 100}};
        for (const LineColumn &c : columns)
            m_documents->setHeaderTitle(QString::fromLatin1(c.field), QString::fromUtf8(c.title));
        for (int i = 0; i < int(std::size(columns)); ++i)
            DBGrid_Dok->setColumnWidth(i, columns[i].width);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Справката не може да бъде изпълнена:\n") + e.message(), this);
    }
}

void TForm_Spr_Izd_Dok::DBGrid_DokCellClick()
{
    const int row = DBGrid_Dok->currentIndex().row();
    if (row < 0 || row >= m_documents->rowCount())
        return;
    HelpActions::SearchIndicator indicator;
    IssuedDocuments::Issued doc;
    try {
        const QSqlRecord r = m_documents->record(row);
        doc.documentId = r.value(QStringLiteral("ID_Dok")).toLongLong();
        doc.number = r.value(QStringLiteral("N_Dok")).toString();
        doc.name = r.value(QStringLiteral("Opisanie")).toString();
        doc.origin = r.value(QStringLiteral("Ot_Kade_Prod")).toInt();
        doc.counterparty = r.value(QStringLiteral("ID_Kontrag")).toLongLong();
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Документът не може да бъде прочетен:\n") + e.message(), this);
        return;
    }
    QString error;
    Report::Data data;
    if (!IssuedDocuments::lines(doc, &data, &error)) {
        Dialogs::message(error, this);
        return;
    }
    m_shown = doc;
    m_lines = data;
    m_total = IssuedDocuments::total(m_lines);
    showLines();
}

void TForm_Spr_Izd_Dok::showLines()
{
    m_lineRows->removeRows(0, m_lineRows->rowCount());
    for (int row = 0; row < m_lines.rowCount(); ++row) {
        QList<QStandardItem *> items;
        for (const LineColumn &c : kLineColumns)
            items.append(new QStandardItem(m_lines.text(row, m_lines.columnNamed(QString::fromLatin1(c.field)))));
        m_lineRows->appendRow(items);
    }
    // Each title and value readable, never narrower than its set width.
    for (int i = 0; i < int(std::size(kLineColumns)); ++i) {
        DBGrid_Art->resizeColumnToContents(i);
        DBGrid_Art->setColumnWidth(i, std::max(kLineColumns[i].width, DBGrid_Art->columnWidth(i)));
    }
    Label_SUM->setText(Money::fixed(m_total, 2));
    // A service document has lines only once the service registered them.
    const bool printable = !m_shown.valid() || IssuedDocuments::hasLines(m_shown);
    Button_Pe4at->setEnabled(printable);
    Button1->setEnabled(printable);
}

bool TForm_Spr_Izd_Dok::printable()
{
    if (!m_shown.valid()) {
        Dialogs::message(noDocumentMessage(), this);
        return false;
    }
    if (!IssuedDocuments::hasLines(m_shown)) {
        Dialogs::message(QStringLiteral("Документите от сервиза нямат редове за печат."), this);
        return false;
    }
    return true;
}

void TForm_Spr_Izd_Dok::Button_Pe4atClick()
{
    if (!printable())
        return;
    const IssuedDocuments::Issued doc = m_shown;
    PrintRoadRequest r;
    r.callerCode = CallerDesigner; // a reprint never logs or numbers
    r.copy = true;
    r.documents = {doc.name};
    r.printers = {Report::printerForPrintout()};
    r.counterparty = doc.counterparty;
    r.total = m_total;
    r.query = [doc](const QString &, const Layout::Document &, Report::Data *data, QString *error) {
        return IssuedDocuments::lines(doc, data, error);
    };
    r.parent = this;
    DocumentPrintRoad(r).run();
}

void TForm_Spr_Izd_Dok::Button1Click()
{
    if (!printable())
        return;
    const IssuedDocuments::Issued doc = m_shown;
    PrintRoadRequest r;
    r.callerCode = CallerIssuedReport;
    r.documents = TickList::tickedTexts(CheckListBox_New_Dok);
    r.printers = {Report::printerForPrintout()};
    r.counterparty = doc.counterparty;
    r.total = m_total;
    try {
        // The new document logs the issued one's lines as they were logged.
        r.logLines = PrintLogLines::issuedDocument(doc.documentId, doc.number);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Редовете на документа не могат да бъдат прочетени:\n") + e.message(), this);
        return;
    }
    r.query = [doc](const QString &document, const Layout::Document &, Report::Data *data, QString *error) {
        return IssuedDocuments::newDocumentLines(doc, document, data, error);
    };
    r.atEnd = [this] { TickList::setAll(CheckListBox_New_Dok, false); };
    r.parent = this;
    DocumentPrintRoad(r).run();
}
