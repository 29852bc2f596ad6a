#include "repair/service_tab.h"

#include "app/app_state.h"
#include "app/login_request.h"
#include "app/price_delegate.h"
#include "catalogue/article_pick.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "documents/document_query.h"
#include "documents/tab_print_panel.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/long_texts.h"
#include "platform/named.h"
#include "platform/printer_check_list.h"
#include "platform/tick_list.h"
#include "repair/client_search.h"
#include "repair/reception.h"
#include "repair/work_list_link.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
ServiceTab *g_service = nullptr;

QLabel *link(const char *name, const QString &caption, QWidget *parent)
{
    auto *l = named(new QLabel(QStringLiteral("<a href=\"#\">") + caption.toHtmlEscaped() + QStringLiteral("</a>"),
                               parent),
                    name);
    l->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    return l;
}

QDateEdit *datePicker(const char *name, QWidget *parent)
{
    auto *d = named(new QDateEdit(QDate::currentDate(), parent), name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return d;
}

// Enter in the article edit moves on to the serial number.
class EnterToSerial : public QObject
{
public:
    EnterToSerial(QWidget *next, QObject *parent)
        : QObject(parent)
        , m_next(next)
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_next->setFocus();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_next;
};
} // namespace

ServiceTab::ServiceTab(ModeTab *tab, QObject *parent)
    : QObject(parent)
{
    g_service = this;
    m_lines = new SqlListModel(this);
    build(tab);

    ClientSearch::Rules rules;
    rules.placeholderOnExit = QString::fromUtf8(NoClient);
    m_search = new ClientSearch(Label_Selected_Kontragent_Ser, ListBox_Selected_Kontrag_Ser, rules, this);
    m_search->onNewCounterparty = [this] { Q_EMIT counterpartiesRequested(9); };

    CounterpartyPick::registerTarget(9, [this](const CounterpartyPick::Picked &picked) {
        Label_Selected_Kontragent_Ser->setText(picked.referenceText());
        ListBox_Selected_Kontrag_Ser->hide();
    });
    CounterpartyPick::registerTarget(10, [this](const CounterpartyPick::Picked &picked) {
        Label_Ime_Dost->setText(picked.referenceText());
    });
    ArticlePick::registerTarget(8, [this](const ArticlePick::Picked &picked) {
        const QSqlRecord &r = picked.current;
        Edit_Art->setText(ArticlePick::referenceText(r));
        Edit_ArtChange();
        Edit_Pred_Cena_Priem->setText(Money::formatWidth(r.value(QStringLiteral("Ed_Cena")).toDouble(), 4, PriceDecimals));
        const int currency = ComboBox_Valuta->findText(r.value(QStringLiteral("Valuta_P")).toString());
        if (currency >= 0)
            ComboBox_Valuta->setCurrentIndex(currency);
    });
    DocumentQuery::setCounterpartyHook(DocumentQuery::ServiceTab, [this] {
        try {
            return markedClient();
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
            return 0LL;
        }
    });
}

ServiceTab::~ServiceTab()
{
    CounterpartyPick::unregisterTarget(9);
    CounterpartyPick::unregisterTarget(10);
    ArticlePick::unregisterTarget(8);
    DocumentQuery::setCounterpartyHook(DocumentQuery::ServiceTab, {});
    if (g_service == this)
        g_service = nullptr;
}

ServiceTab *ServiceTab::instance()
{
    return g_service;
}

void ServiceTab::build(ModeTab *tab)
{
    QWidget *area = tab;
    Label_Sel_Kontragent = link("Label_Sel_Kontragent", QStringLiteral("Клиент: "), area);
    Label_Selected_Kontragent_Ser = namedEdit(QStringLiteral("Label_Selected_Kontragent_Ser"), area);
    Label_Selected_Kontragent_Ser->setText(QString::fromUtf8(NoClient));
    ListBox_Selected_Kontrag_Ser = named(new QListWidget(area), "ListBox_Selected_Kontrag_Ser");
    ListBox_Selected_Kontrag_Ser->hide();
    Label_Sel_Art = link("Label_Sel_Art", QStringLiteral("Артикул"), area);
    Edit_Art = namedEdit(QStringLiteral("Edit_Art"), area);
    Edit_Art->setEnabled(false);
    Label_Opis_art = named(new ElidedLabel(area), "Label_Opis_art");
    Label_Opis_art->setTextFormat(Qt::PlainText);
    Label_Opis_art->hide(); // holds the article's number for the line
    ChkBox_Free_Tekst = named(new QCheckBox(QStringLiteral("Свободен текст"), area), "ChkBox_Free_Tekst");
    ChkBox_Gar = named(new QCheckBox(QStringLiteral("Гаранционен"), area), "ChkBox_Gar");
    ChkBox_Gar->hide();
    Edit_SN = namedEdit(QStringLiteral("Edit_SN"), area);
    CheckBox_Select_Chast = named(new QCheckBox(area), "CheckBox_Select_Chast");
    CheckBox_Select_Chast->setToolTip(QStringLiteral("търси по част"));
    Memo1 = named(new QPlainTextEdit(area), "Memo1");
    Memo1->setMaximumHeight(60);
    Edit_Pred_Cena_Priem = namedEdit(QStringLiteral("Edit_Pred_Cena_Priem"), area);
    Edit_Pred_Cena_Priem->setText(QStringLiteral("0.0000"));
    ComboBox_Valuta = named(new QComboBox(area), "ComboBox_Valuta"); // picks only from the currencies
    DateTimePicker_Krai_Data = datePicker("DateTimePicker_Krai_Data", area);

    Edit_Gar_Dok_N = namedEdit(QStringLiteral("Edit_Gar_Dok_N"), area);
    DateTimePicker_Data_Dok = datePicker("DateTimePicker_Data_Dok", area);
    Label_Sel_Dost = link("Label_Sel_Dost", QStringLiteral("Доставчик"), area);
    Label_Ime_Dost = named(new ElidedLabel(QString::fromUtf8(NoSupplier), area), "Label_Ime_Dost");
    Label_Ime_Dost->setTextFormat(Qt::PlainText);
    Edit_Model = namedEdit(QStringLiteral("Edit_Model"), area);
    Edit_Partida = namedEdit(QStringLiteral("Edit_Partida"), area);

    auto plain = [area](const char *name, const QString &text) { return named(new ElidedLabel(text, area), name); };
    GroupBox_Dostav4ik = named(new QGroupBox(QStringLiteral("Данни от Доставчика"), area), "GroupBox_Dostav4ik");
    Label_Dost_Vid_Dok = plain("Label_Dost_Vid_Dok", {});
    Label_Dost_Data = plain("Label_Dost_Data", {});
    Label_Dost_Dok_ID = plain("Label_Dost_Dok_ID", QStringLiteral("0000000000"));
    Label_Dost = plain("Label_Dost", QStringLiteral("0: Няма Доставчик"));
    Label_Dost_Garanc = plain("Label_Dost_Garanc", QStringLiteral("Няма Гаранция"));
    Label_Dost_zabel = plain("Label_Dost_zabel", {});
    auto *supplierForm = new QFormLayout(GroupBox_Dostav4ik);
    supplierForm->addRow(QStringLiteral("Вид документ:"), Label_Dost_Vid_Dok);
    supplierForm->addRow(QStringLiteral("Дата:"), Label_Dost_Data);
    supplierForm->addRow(QStringLiteral("Документ N:"), Label_Dost_Dok_ID);
    supplierForm->addRow(QStringLiteral("Доставчик:"), Label_Dost);
    supplierForm->addRow(QStringLiteral("Гаранция до:"), Label_Dost_Garanc);
    supplierForm->addRow(QStringLiteral("Забележка:"), Label_Dost_zabel);
    GroupBox_Artikul = named(new QGroupBox(QStringLiteral("Данни за артикула"), area), "GroupBox_Artikul");
    Label_Garanc_art = plain("Label_Garanc_art", QStringLiteral("0: Няма Гаранция"));
    Label_Art_Data_Prod = plain("Label_Art_Data_Prod", {});
    Label_Art_Model = plain("Label_Art_Model", QStringLiteral("Няма модел"));
    Label_Art_Partida = plain("Label_Art_Partida", QStringLiteral("Няма партида"));
    auto *articleForm = new QFormLayout(GroupBox_Artikul);
    articleForm->addRow(QStringLiteral("Гаранция:"), Label_Garanc_art);
    articleForm->addRow(QStringLiteral("Дата на продажба:"), Label_Art_Data_Prod);
    articleForm->addRow(QStringLiteral("Модел:"), Label_Art_Model);
    articleForm->addRow(QStringLiteral("Партида:"), Label_Art_Partida);

    Button2 = namedButton(QStringLiteral("Button2"), QStringLiteral("Добави в списък"), area);
    Button_Cancel = namedButton(QStringLiteral("Button_Cancel"), QStringLiteral("Откажи"), area);
    Button8 = namedButton(QStringLiteral("Button8"), QStringLiteral("Избери всичко"), area);
    Button4 = namedButton(QStringLiteral("Button4"), QStringLiteral("ПРИЕМИ"), area);
    Button_Remont = namedButton(QStringLiteral("Button_Remont"), QStringLiteral("СЕРВИЗ"), area);
    Button_Refresh_Priem = namedButton(QStringLiteral("Button_Refresh_Priem"), QStringLiteral("Обнови   F12"), area);
    ComboBox_Otdel = named(new QComboBox(area), "ComboBox_Otdel");
    ComboBox_Otdel->setToolTip(QStringLiteral("Изберете отдел към който ще се печата"));
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Печат"), area);
    Button1->setToolTip(QStringLiteral("печат към избран отдел"));

    DBGrid_Ser = named(new QTableView(area), "DBGrid_Ser");
    GridSelection::setupList(DBGrid_Ser, m_lines);

    // Layout: the reception fields, the lookup groups beside them, the
    // buttons, the list, the printing row.
    auto *fields = new QGridLayout;
    int row = 0;
    fields->addWidget(Label_Sel_Kontragent, row, 0);
    fields->addWidget(Label_Selected_Kontragent_Ser, row++, 1, 1, 3);
    fields->addWidget(new QLabel(QStringLiteral("Сериен номер:"), area), row, 0);
    fields->addWidget(Edit_SN, row, 1);
    fields->addWidget(CheckBox_Select_Chast, row++, 2);
    fields->addWidget(Label_Sel_Art, row, 0);
    fields->addWidget(Edit_Art, row, 1);
    fields->addWidget(ChkBox_Free_Tekst, row, 2);
    fields->addWidget(ChkBox_Gar, row++, 3);
    fields->addWidget(new QLabel(QStringLiteral("Причина за приемане"), area), row, 0);
    fields->addWidget(Memo1, row++, 1, 1, 3);
    fields->addWidget(new QLabel(QStringLiteral("Цена:"), area), row, 0);
    fields->addWidget(Edit_Pred_Cena_Priem, row, 1);
    fields->addWidget(ComboBox_Valuta, row++, 2);
    fields->addWidget(new QLabel(QStringLiteral("Ремонт до дата:"), area), row, 0);
    fields->addWidget(DateTimePicker_Krai_Data, row++, 1);
    auto *docLabel = new QLabel(QStringLiteral("Гаранционен документ N:"), area);
    auto *dateLabel = new QLabel(QStringLiteral("Дата на документа:"), area);
    auto *modelLabel = new QLabel(QStringLiteral("Модел:"), area);
    auto *batchLabel = new QLabel(QStringLiteral("Партида:"), area);
    fields->addWidget(docLabel, row, 0);
    fields->addWidget(Edit_Gar_Dok_N, row, 1);
    fields->addWidget(dateLabel, row, 2);
    fields->addWidget(DateTimePicker_Data_Dok, row++, 3);
    fields->addWidget(Label_Sel_Dost, row, 0);
    fields->addWidget(Label_Ime_Dost, row++, 1, 1, 3);
    fields->addWidget(modelLabel, row, 0);
    fields->addWidget(Edit_Model, row, 1);
    fields->addWidget(batchLabel, row, 2);
    fields->addWidget(Edit_Partida, row++, 3);
    fields->setColumnStretch(1, 1);
    m_warranty = {docLabel, Edit_Gar_Dok_N, dateLabel, DateTimePicker_Data_Dok, Label_Sel_Dost, Label_Ime_Dost,
                  modelLabel, Edit_Model, batchLabel, Edit_Partida};
    for (QWidget *w : m_warranty)
        w->hide();

    auto *groups = new QVBoxLayout;
    groups->addWidget(GroupBox_Dostav4ik);
    groups->addWidget(GroupBox_Artikul);
    groups->addStretch();
    auto *top = new QHBoxLayout;
    top->addLayout(fields, 3);
    top->addLayout(groups, 2);

    auto *buttons = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{Button2, Button_Cancel, Button8, Button4, Button_Refresh_Priem})
        buttons->addWidget(w);
    buttons->addStretch();
    buttons->addWidget(ComboBox_Otdel);
    buttons->addWidget(Button1);
    buttons->addWidget(Button_Remont);

    QVBoxLayout *layout = tab->content();
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(DBGrid_Ser, 1);
    buildPrinting(area);

    connect(Label_Sel_Kontragent, &QLabel::linkActivated, this, &ServiceTab::Label_Sel_KontragentClick);
    connect(Label_Sel_Dost, &QLabel::linkActivated, this, &ServiceTab::Label_Sel_DostClick);
    connect(Label_Sel_Art, &QLabel::linkActivated, this, &ServiceTab::Label_Sel_ArtClick);
    connect(ChkBox_Free_Tekst, &QCheckBox::clicked, this, &ServiceTab::ChkBox_Free_TekstClick);
    connect(ChkBox_Gar, &QCheckBox::clicked, this, &ServiceTab::ChkBox_GarClick);
    connect(Edit_Art, &QLineEdit::textChanged, this, &ServiceTab::Edit_ArtChange);
    Edit_Art->installEventFilter(new EnterToSerial(Edit_SN, this));
    connect(Button2, &QPushButton::clicked, this, &ServiceTab::Button2Click);
    connect(Button_Cancel, &QPushButton::clicked, this, &ServiceTab::Button_CancelClick);
    connect(Button8, &QPushButton::clicked, this, &ServiceTab::Button8Click);
    connect(Button4, &QPushButton::clicked, this, &ServiceTab::Button4Click);
    connect(Button_Remont, &QPushButton::clicked, this, &ServiceTab::Button_RemontClick);
    connect(Button_Refresh_Priem, &QPushButton::clicked, this, &ServiceTab::Button_Refresh_PriemClick);
    connect(Button3, &QPushButton::clicked, this, &ServiceTab::Button3Click);
    connect(Button1, &QPushButton::clicked, this, &ServiceTab::Button1Click);
    connect(Edit_SN, &QLineEdit::returnPressed, this, &ServiceTab::Edit_SNKeyPress);
    Button_Remont->setEnabled(WorkListLink::available());
}

void ServiceTab::buildPrinting(QWidget *area)
{
    SpdBtn_Pokaji_Dokuments_Ser = named(new QToolButton(area), "SpdBtn_Pokaji_Dokuments_Ser");
    SpdBtn_Pokaji_Dokuments_Ser->setText(QStringLiteral("Документи"));
    SpdBtn_Pokaji_Printers_Ser = named(new QToolButton(area), "SpdBtn_Pokaji_Printers_Ser");
    SpdBtn_Pokaji_Printers_Ser->setText(QStringLiteral("Принтери"));
    Button3 = namedButton(QStringLiteral("Button3"), QStringLiteral("Печат документи"), area);
    Panel_Dokumets_Ser = named(new QWidget(area), "Panel_Dokumets_Ser");
    ChkListBox_Pokaj_Dokum_Ser = named(new QListWidget(Panel_Dokumets_Ser), "ChkListBox_Pokaj_Dokum_Ser");
    auto *docs = new QVBoxLayout(Panel_Dokumets_Ser);
    docs->setContentsMargins(0, 0, 0, 0);
    docs->addWidget(new QLabel(QStringLiteral("Документи"), Panel_Dokumets_Ser));
    docs->addWidget(ChkListBox_Pokaj_Dokum_Ser);
    Panel_Dokumets_Ser->setMaximumHeight(180); // the list above keeps its room
    Panel_Printers_Ser = named(new QWidget(area), "Panel_Printers_Ser");
    Panel_Printers_Ser->setMaximumHeight(180);
    Printers = new PrinterCheckList(QStringLiteral("CheckListBox_Printers_Ser"), Panel_Printers_Ser);
    auto *printers = new QVBoxLayout(Panel_Printers_Ser);
    printers->setContentsMargins(0, 0, 0, 0);
    printers->addWidget(new QLabel(QStringLiteral("Принтери"), Panel_Printers_Ser));
    printers->addWidget(Printers);
    TickList::install(ChkListBox_Pokaj_Dokum_Ser);
    connect(ChkListBox_Pokaj_Dokum_Ser, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { ChkListBox_Pokaj_Dokum_Ser->setToolTip(item->text()); });

    auto *row = new QHBoxLayout;
    row->addWidget(SpdBtn_Pokaji_Dokuments_Ser);
    row->addWidget(SpdBtn_Pokaji_Printers_Ser);
    row->addWidget(Button3);
    row->addStretch();
    auto *panels = new QHBoxLayout;
    panels->addWidget(Panel_Dokumets_Ser);
    panels->addWidget(Panel_Printers_Ser);
    panels->addStretch();
    QVBoxLayout *layout = static_cast<ModeTab *>(area)->content();
    layout->addLayout(row);
    layout->addLayout(panels);

    TabPrintPanel::Controls c;
    c.SpdBtn_Pokaji_Dokuments = SpdBtn_Pokaji_Dokuments_Ser;
    c.Panel_Dokumets = Panel_Dokumets_Ser;
    c.ChkListBox_Pokaj_Dokum = ChkListBox_Pokaj_Dokum_Ser;
    c.SpdBtn_Pokaji_Printers = SpdBtn_Pokaji_Printers_Ser;
    c.Panel_Printers = Panel_Printers_Ser;
    c.Printers = Printers;
    TabPrintPanel::Tab t;
    t.mark = QStringLiteral("СЕРВИЗ");
    t.callerCode = CallerService;
    t.totals = false;
    t.lines = [this] {
        QList<PrintedLine> lines;
        for (int r : GridSelection::markedRows(DBGrid_Ser))
            lines.append({m_lines->value(r, QStringLiteral("N_Prodajba")).toLongLong(),
                          m_lines->value(r, QStringLiteral("Barkod")).toLongLong(), Decimal(),
                          m_lines->value(r, QStringLiteral("Operator")).toString()});
        return lines;
    };
    t.counterparty = [this] { return markedClient(); };
    m_print = new TabPrintPanel(c, t, this);
}

QString ServiceTab::operatorName() const
{
    return AppState::instance().currentOperator();
}

QList<long long> ServiceTab::markedLines() const
{
    QList<long long> lines;
    for (int r : GridSelection::markedRows(DBGrid_Ser))
        lines.append(m_lines->value(r, QStringLiteral("N_Prodajba")).toLongLong());
    return lines;
}

long long ServiceTab::markedClient() const
{
    const QList<long long> clients = Reception::clientsOf(markedLines(), operatorName());
    return clients.isEmpty() ? 0 : clients.first();
}

void ServiceTab::tabActivated()
{
    ComboBox_Valuta->clear();
    ComboBox_Otdel->clear();
    ComboBox_Otdel->addItem(QStringLiteral("0:Не се приготвя"));
    try {
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Opisanie FROM Valuti ORDER BY ID")))
            ComboBox_Valuta->addItem(r.value(0).toString());
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Opisanie FROM Type_Prigotvq_Se ORDER BY ID")))
            ComboBox_Otdel->addItem(ReferenceText::make(r.value(0).toLongLong(), r.value(1).toString()));
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Списъците на сервиза не могат да бъдат прочетени:\n") + e.message(),
                         DBGrid_Ser);
    }
    ComboBox_Otdel->setCurrentIndex(0);
    ComboBox_Valuta->setCurrentIndex(ComboBox_Valuta->count() > 0 ? 0 : -1);
    DateTimePicker_Krai_Data->setDate(QDate::currentDate());
    Button_Remont->setEnabled(WorkListLink::available());
    Button_Refresh_PriemClick();
    Edit_SN->setFocus();
}

void ServiceTab::afterLogin()
{
    Button_Refresh_PriemClick();
}

void ServiceTab::Button_Refresh_PriemClick()
{
    const Reception::ListQuery q = Reception::pending(operatorName());
    try {
        m_lines->setQuery(q.sql, q.params);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        m_lines->clear();
        Dialogs::message(QStringLiteral("Списъкът не може да бъде прочетен:\n") + e.message(), DBGrid_Ser);
        return;
    }
    static const char *const Titles[][2] = {{"Barkod", "Арт. N"},      {"S_N", "Сер. N"},
                                            {"Opisanie", "Описание"},  {"Pri4ina", "Причина"},
                                            {"Pred_Cena_Remont", "Цена"}, {"Valuta", "Валута"},
                                            {"Krai_Data", "Да се ремонтира до"}, {"Operator", "Приел"}};
    for (const auto &t : Titles)
        m_lines->setHeaderTitle(QString::fromLatin1(t[0]), QString::fromUtf8(t[1]));
    DBGrid_Ser->setColumnHidden(m_lines->fieldIndex(QStringLiteral("N_Prodajba")), true);
    DBGrid_Ser->setColumnHidden(m_lines->fieldIndex(QStringLiteral("ID_Kontrag")), true);
    LongTextStyle::fitColumns(DBGrid_Ser);
    for (int c = 0; c < m_lines->columnCount(); ++c)
        DBGrid_Ser->setColumnWidth(c, std::min(DBGrid_Ser->columnWidth(c), 250)); // long reasons stay readable
    const int price = m_lines->fieldIndex(QStringLiteral("Pred_Cena_Remont"));
    if (!DBGrid_Ser->itemDelegateForColumn(price))
        DBGrid_Ser->setItemDelegateForColumn(price, new PriceDelegate(DBGrid_Ser));
}

void ServiceTab::Label_Sel_KontragentClick()
{
    Q_EMIT counterpartiesRequested(9);
}

void ServiceTab::Label_Sel_DostClick()
{
    Q_EMIT counterpartiesRequested(10);
}

void ServiceTab::Label_Sel_ArtClick()
{
    Q_EMIT articlesRequested(8);
}

void ServiceTab::ChkBox_Free_TekstClick()
{
    const bool on = ChkBox_Free_Tekst->isChecked();
    Label_Sel_Art->setEnabled(!on);
    Edit_Art->setEnabled(on);
    ChkBox_Gar->setVisible(on);
    if (!on && ChkBox_Gar->isChecked()) {
        ChkBox_Gar->setChecked(false);
        ChkBox_GarClick();
    }
    if (on) {
        Edit_Art->clear();
        Edit_Art->setFocus();
    }
    Edit_ArtChange();
}

void ServiceTab::Edit_ArtChange()
{
    const QString text = Edit_Art->text();
    Label_Opis_art->setText(ChkBox_Free_Tekst->isChecked() ? QStringLiteral("-1:") + text : text);
}

void ServiceTab::ChkBox_GarClick()
{
    const bool on = ChkBox_Gar->isChecked();
    for (QWidget *w : m_warranty)
        w->setVisible(on);
    DateTimePicker_Data_Dok->setDate(QDate::currentDate());
}

void ServiceTab::requestClient()
{
    Dialogs::message(QStringLiteral("Необходимо е да се посочи Контрагент"), DBGrid_Ser);
    Q_EMIT counterpartiesRequested(9);
}

void ServiceTab::Button2Click()
{
    const long long client = GetID_MFromTreeNodeName(Label_Selected_Kontragent_Ser->text());
    Reception::Line l;
    try {
        // only a counterparty that exists: a typed number or a stale text is refused
        if (client <= 0 || !Db::firstRow(QStringLiteral("SELECT ID FROM Firmi WHERE ID = ?"), {client})) {
            requestClient();
            return;
        }
        if (!Reception::parsePrice(Edit_Pred_Cena_Priem->text(), PriceDecimals, &l.price)) {
            Dialogs::message(QStringLiteral("Цената трябва да е число"), DBGrid_Ser);
            Edit_Pred_Cena_Priem->setFocus();
            return;
        }
        l.currency = ComboBox_Valuta->currentText();
        if (!Db::firstRow(QStringLiteral("SELECT ID FROM Valuti WHERE Opisanie = ?"), {l.currency})) {
            Dialogs::message(QStringLiteral("Изберете валута от списъка"), DBGrid_Ser);
            return;
        }
        l.article = GetID_MFromTreeNodeName(Label_Opis_art->text());
        l.serial = Edit_SN->text();
        l.description = Edit_Art->text();
        l.reason = Reception::joinReason(Memo1->toPlainText());
        l.warranty = ChkBox_Gar->isChecked();
        l.warrantyDocument = Edit_Gar_Dok_N->text();
        l.warrantyDocumentDate = DateTimePicker_Data_Dok->date();
        l.client = client;
        l.taken = QDate::currentDate();
        l.takenAt = QTime::currentTime();
        l.operatorName = operatorName();
        l.supplier = std::max(0, GetID_MFromTreeNodeName(Label_Ime_Dost->text()));
        l.model = Edit_Model->text();
        l.batch = Edit_Partida->text();
        l.repairBy = DateTimePicker_Krai_Data->date();
        Reception::add(l);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Редът не беше добавен:\n") + e.message(), DBGrid_Ser);
        return; // what was typed stays
    }
    Button_Refresh_PriemClick();
    resetEntry();
}

void ServiceTab::resetEntry()
{
    ChkBox_Free_Tekst->setChecked(false);
    ChkBox_Free_TekstClick();
    Edit_Art->clear();
    Edit_SN->clear();
    Memo1->clear();
    Edit_Gar_Dok_N->clear();
    Edit_Model->clear();
    Edit_Partida->clear();
    DateTimePicker_Data_Dok->setDate(QDate::currentDate());
    DateTimePicker_Krai_Data->setDate(QDate::currentDate());
    Edit_Pred_Cena_Priem->setText(QStringLiteral("0.0000"));
    Label_Ime_Dost->setText(QString::fromUtf8(NoSupplier));
    ChkBox_Gar->setChecked(false);
    ChkBox_GarClick();
}

void ServiceTab::Button_CancelClick()
{
    if (Dialogs::yesNo(QStringLiteral("Наистина ли желаете да откажете избраните артикули"), DBGrid_Ser)) {
        try {
            Reception::cancel(markedLines(), operatorName());
        } catch (const DbError &e) {
            ExceptionLog::write(e);
            Dialogs::message(QStringLiteral("Редовете не бяха отказани:\n") + e.message(), DBGrid_Ser);
        }
    }
    Button_Refresh_PriemClick();
}

void ServiceTab::Button8Click()
{
    const QString op = operatorName();
    DBGrid_Ser->clearSelection();
    for (int r = 0; r < m_lines->rowCount(); ++r)
        if (m_lines->value(r, QStringLiteral("Operator")).toString() == op)
            DBGrid_Ser->selectionModel()->select(m_lines->index(r, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void ServiceTab::Button4Click()
{
    const QString failure = Reception::accept(markedLines(), operatorName());
    if (!failure.isEmpty()) {
        Dialogs::message(failure, DBGrid_Ser);
        Button_Refresh_PriemClick();
        return; // the client stays; nothing moved, so no new login
    }
    Button_Refresh_PriemClick();
    Label_Selected_Kontragent_Ser->setText(QString::fromUtf8(NoClient));
    LoginRequest::request();
}

void ServiceTab::Button_RemontClick()
{
    WorkListLink::open(DBGrid_Ser->window());
}

void ServiceTab::Button3Click()
{
    try {
        if (Reception::clientsOf(markedLines(), operatorName()).size() > 1) {
            Dialogs::message(QStringLiteral("Маркираните редове са на различни клиенти"), DBGrid_Ser);
            return;
        }
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Редовете не могат да бъдат прочетени:\n") + e.message(), DBGrid_Ser);
        return;
    }
    m_print->Button_Pe4at_DokumentiClick();
}
