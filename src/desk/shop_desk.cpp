#include "desk/shop_desk.h"

#include "app/app_state.h"
#include "app/item_rights.h"
#include "app/record_ops.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "common/settings.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "app/form_get_kol.h"
#include "desk/cash_calculator.h"
#include "desk/consignment.h"
#include "desk/form_smetki.h"
#include "desk/desk_entry.h"
#include "desk/desk_lines.h"
#include "desk/desk_state.h"
#include "desk/receipt_commands.h"
#include "desk/tok_bottom_dlg.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/grid_text_delegate.h"
#include "platform/named.h"
#include "platform/printer_check_list.h"
#include "platform/tick_list.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
ShopDesk *g_desk = nullptr;

const QString kNone = QStringLiteral("0: Няма избран контрагент");
const QString kNoneEmptyBill = QStringLiteral("0:Няма избран контрагент");
const QString kNoneExit = QStringLiteral("0: Няма избран Контрагент");

// Prices and amounts with the desk's decimals.
class MoneyDelegate : public GridTextDelegate
{
public:
    using GridTextDelegate::GridTextDelegate;
    QString displayText(const QVariant &value, const QLocale &) const override
    {
        try {
            return Money::formatWidth(Decimal::fromVariant(value), 4, PriceDecimals);
        } catch (const std::exception &) {
            return value.toString();
        }
    }
};

QListWidget *hiddenList(const char *name, QWidget *parent)
{
    auto *list = named(new QListWidget(parent), name);
    GridTextDelegate::install(list); // repainted as each search shows its names
    list->hide();
    return list;
}
} // namespace

ShopDesk *ShopDesk::instance()
{
    return g_desk;
}

ShopDesk::ShopDesk(const DeskControls &controls, QObject *parent)
    : QObject(parent)
    , c(controls)
    , m_lines(new SqlListModel(this))
{
    g_desk = this;
    QWidget *area = c.DeskArea;
    DBGrid1 = named(new QTableView(area), "DBGrid1");
    DBGrid1->setModel(m_lines);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridSelection::setup(DBGrid1);
    DBGrid1->verticalHeader()->hide();
    m_money = new MoneyDelegate(DBGrid1);
    Ime_na_produkt = named(new QLabel(area), "Ime_na_produkt");

    Label_Leva = named(new QLabel(area), "Label_Leva");
    Label_SUMA_BezDDS = named(new QLabel(area), "Label_SUMA_BezDDS");
    Label_DDS = named(new QLabel(area), "Label_DDS");
    Label68 = named(new QLabel(QStringLiteral(" ДДС:"), area), "Label68");
    Label_Words = named(new QLabel(area), "Label_Words");
    Label_Words->hide();
    QFont big = Label_Leva->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    Label_Leva->setFont(big);

    SpdBtn_Zadaljeniq = named(new QToolButton(area), "SpdBtn_Zadaljeniq");
    SpdBtn_Zadaljeniq->setText(QStringLiteral("Списък задължения"));
    SpdBtn_Zadaljeniq->hide(); // shown while the desk counterparty has open contracts
    SpdBtn_Smetka = named(new QToolButton(area), "SpdBtn_Smetka");
    SpdBtn_Smetka->setText(QStringLiteral("Сметки"));
    SpdBtn_Smetka->setToolTip(QStringLiteral("Активни сметки"));
    GroupBox_Kasa = new CashCalculator(area);
    Label_Izbor_artikul = named(new QLabel(QStringLiteral("<a href=\"#\">Артикули</a>"), area), "Label_Izbor_artikul");

    ListBox_Selected_Kontrag = hiddenList("ListBox_Selected_Kontrag", c.Label_Selected_Kontragent->parentWidget());
    ListBox_Selected_Kontrag->installEventFilter(this);
    c.Label_Selected_Kontragent->installEventFilter(this);

    auto *layout = c.DeskAreaLayout;
    buildEntryRow(layout);
    DBGrid1->installEventFilter(this); // the names found lie over it
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(Ime_na_produkt);
    auto *totals = new QGridLayout;
    totals->addWidget(new QLabel(QStringLiteral("Общо в лева с ДДС:"), area), 0, 0);
    totals->addWidget(Label_Leva, 0, 1);
    totals->addWidget(new QLabel(QStringLiteral("Сума без ДДС:"), area), 1, 0);
    totals->addWidget(Label_SUMA_BezDDS, 1, 1);
    totals->addWidget(Label68, 2, 0);
    totals->addWidget(Label_DDS, 2, 1);
    totals->addWidget(Label_Words, 3, 0, 1, 2);
    totals->addWidget(SpdBtn_Zadaljeniq, 0, 2);
    totals->addWidget(SpdBtn_Smetka, 1, 2);
    totals->setColumnStretch(3, 1);
    layout->addLayout(totals);
    layout->addWidget(GroupBox_Kasa);
    buildDocuments(layout);
    m_entry = new DeskEntry(this);

    connect(c.ComboBox_Smetka, &QComboBox::activated, this, [this] { ComboBox_SmetkaChange(); });
    connect(SpdBtn_Zadaljeniq, &QToolButton::clicked, this, &ShopDesk::SpdBtn_ZadaljeniqClick);
    connect(SpdBtn_Smetka, &QToolButton::clicked, this, &ShopDesk::SpdBtn_SmetkaClick);
    connect(DBGrid1, &QTableView::doubleClicked, this, [this] { DBGrid1DblClick(); });
    connect(c.Label_Selected_Kontragent, &QLineEdit::textEdited, this, [this] { Label_Selected_KontragentChange(); });
    connect(ListBox_Selected_Kontrag, &QListWidget::itemDoubleClicked, this,
            [this] { ListBox_Selected_KontragDblClick(); });
    connect(Label_Izbor_artikul, &QLabel::linkActivated, this, &ShopDesk::articlesRequested);
    if (c.Label_Izbor_Kontragent) {
        c.Label_Izbor_Kontragent->setText(QStringLiteral("<a href=\"#\">Клиент:</a>"));
        connect(c.Label_Izbor_Kontragent, &QLabel::linkActivated, this, &ShopDesk::counterpartiesRequested);
    }

    CounterpartyPick::registerTarget(0, [this](const CounterpartyPick::Picked &picked) {
        takeCounterparty(picked.referenceText());
    });
    ReceiptCommands::setMarkedLinesProvider([this] { return markedLines(); });
}

ShopDesk::~ShopDesk()
{
    CounterpartyPick::unregisterTarget(0);
    ReceiptCommands::setMarkedLinesProvider({});
    if (g_desk == this)
        g_desk = nullptr;
}

void ShopDesk::buildEntryRow(QVBoxLayout *layout)
{
    QWidget *area = c.DeskArea;
    Label_Search_In = named(new QLabel(QStringLiteral("a."), area), "Label_Search_In");
    Label_Search_In->setToolTip(QStringLiteral("a. - артикул"));
    Label_Search_In->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
    Edit_Barkod = namedEdit(QStringLiteral("Edit_Barkod"), area);
    Edit_Barkod->setToolTip(QStringLiteral("натиснете интервал и изберете условие за търсене"));
    Edit_Cena_Nula = namedEdit(QStringLiteral("Edit_Cena_Nula"), area);
    Edit_Cena_Nula->setText(QStringLiteral("0"));
    Edit_Cena_Nula->setAlignment(Qt::AlignRight);
    Label_Edini4na_Cena = named(new QLabel(area), "Label_Edini4na_Cena");
    Label_Edini4na_Cena->setMinimumWidth(48);
    Label14 = named(new QLabel(QStringLiteral("Сериен номер:"), area), "Label14");
    Edit_Serien_Nomer = namedEdit(QStringLiteral("Edit_Serien_Nomer"), area);
    Edit_Do_Nomer = namedEdit(QStringLiteral("Edit_Do_Nomer"), area);
    SpdBtn_Select_SN = named(new QToolButton(area), "SpdBtn_Select_SN");
    SpdBtn_Select_SN->setText(QStringLiteral("..."));
    for (QWidget *w : {static_cast<QWidget *>(Label14), static_cast<QWidget *>(Edit_Serien_Nomer),
                       static_cast<QWidget *>(Edit_Do_Nomer), static_cast<QWidget *>(SpdBtn_Select_SN)})
        w->hide();
    ListBox_Select_SN = hiddenList("ListBox_Select_SN", area);
    ListBox_Prefixes = hiddenList("ListBox_Prefixes", area);
    ListBox_Prefixes->setToolTip(QStringLiteral("Изберете критерии за търсене"));
    ListBox_Prefixes->setStyleSheet(QStringLiteral("background: yellow"));
    ListBox_Prefixes->setSortingEnabled(true);
    ListBox_Prefixes->addItems({QStringLiteral("a.  - артикул"), QStringLiteral("b.  - баркод"),
                                QStringLiteral("i. - име на артикул "), QStringLiteral("k.  - клиентска карта"),
                                QStringLiteral("n.  - номенклатурен номер артикул "),
                                QStringLiteral("s.  - сериен номер")});
    ListBox_Opisanie_Artikuli = hiddenList("ListBox_Opisanie_Artikuli", area);
    ListBox_Opisanie_Artikuli->setToolTip(QStringLiteral("Изберете от списъка желаното"));
    ListBox_Opisanie_Artikuli->setSortingEnabled(true);
    Label_Cena_Ob6to = named(new QLabel(area), "Label_Cena_Ob6to");
    Label_Cena_Ob6to->hide();

    auto *row = new QHBoxLayout;
    row->addWidget(Label_Izbor_artikul);
    row->addWidget(Label_Search_In);
    row->addWidget(Edit_Barkod, 2);
    row->addWidget(new QLabel(QStringLiteral("Цена:"), area));
    row->addWidget(Edit_Cena_Nula);
    row->addWidget(Label_Edini4na_Cena);
    row->addWidget(Label14);
    row->addWidget(Edit_Serien_Nomer);
    row->addWidget(Edit_Do_Nomer);
    row->addWidget(SpdBtn_Select_SN);
    row->addWidget(Label_Cena_Ob6to);
    layout->addLayout(row);
    layout->addWidget(ListBox_Prefixes);
    layout->addWidget(ListBox_Select_SN);
}

void ShopDesk::buildDocuments(QVBoxLayout *layout)
{
    QWidget *area = c.DeskArea;
    ChkListBox_Pokaj_Dokum = named(new QListWidget(area), "ChkListBox_Pokaj_Dokum");
    CheckListBox_Dokumenti_kam_Magazin = named(new QListWidget(area), "CheckListBox_Dokumenti_kam_Magazin");
    BitBtn_Sel_All = namedButton(QStringLiteral("BitBtn_Sel_All"), QStringLiteral("Всички"), area);
    BitBtn_Clear_all = namedButton(QStringLiteral("BitBtn_Clear_all"), QStringLiteral("Нищо"), area);
    Button_Mark_Dokum = namedButton(QStringLiteral("Button_Mark_Dokum"), QStringLiteral("Всички"), area);
    Button_Iz4isti_Dokum = namedButton(QStringLiteral("Button_Iz4isti_Dokum"), QStringLiteral("Нищо"), area);
    Printers = new PrinterCheckList(QStringLiteral("CheckListBox_Printers"), area);

    TickList::install(ChkListBox_Pokaj_Dokum);
    TickList::install(CheckListBox_Dokumenti_kam_Magazin);
    connect(BitBtn_Sel_All, &QPushButton::clicked, this, [this] { TickList::setAll(ChkListBox_Pokaj_Dokum, true); });
    connect(BitBtn_Clear_all, &QPushButton::clicked, this,
            [this] { TickList::setAll(ChkListBox_Pokaj_Dokum, false); });
    connect(Button_Mark_Dokum, &QPushButton::clicked, this,
            [this] { TickList::setAll(CheckListBox_Dokumenti_kam_Magazin, true); });
    connect(Button_Iz4isti_Dokum, &QPushButton::clicked, this,
            [this] { TickList::setAll(CheckListBox_Dokumenti_kam_Magazin, false); });
    connect(ChkListBox_Pokaj_Dokum, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { ChkListBox_Pokaj_Dokum->setToolTip(item->text()); });

    auto column = [](QWidget *parent, const QString &title, QListWidget *list, QPushButton *a, QPushButton *b) {
        auto *box = new QVBoxLayout;
        box->addWidget(new QLabel(title, parent));
        box->addWidget(list);
        auto *buttons = new QHBoxLayout;
        buttons->addWidget(a);
        buttons->addWidget(b);
        box->addLayout(buttons);
        box->addStretch(); // the title stays on its list
        return box;
    };
    // The print panel: the toggles show the documents and the printers (the documents module runs them).
    SpdBtn_Pokaji_Dokuments = named(new QToolButton(area), "SpdBtn_Pokaji_Dokuments");
    SpdBtn_Pokaji_Dokuments->setText(QStringLiteral("Документи"));
    SpdBtn_Pokaji_Printers = named(new QToolButton(area), "SpdBtn_Pokaji_Printers");
    SpdBtn_Pokaji_Printers->setText(QStringLiteral("Принтери"));
    for (QToolButton *b : {SpdBtn_Pokaji_Dokuments, SpdBtn_Pokaji_Printers}) {
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    Panel_Dokumets = named(new QWidget(area), "Panel_Dokumets");
    auto *docsBox = column(Panel_Dokumets, QStringLiteral("Документи"), ChkListBox_Pokaj_Dokum, BitBtn_Sel_All,
                           BitBtn_Clear_all);
    docsBox->setContentsMargins(0, 0, 0, 0);
    Panel_Dokumets->setLayout(docsBox);
    Panel_Printers = named(new QWidget(area), "Panel_Printers");
    auto *printersBox = new QVBoxLayout(Panel_Printers);
    printersBox->setContentsMargins(0, 0, 0, 0);
    printersBox->addWidget(Printers);
    Panel_Dokumets->hide();
    Panel_Printers->hide();

    auto *toggles = new QVBoxLayout;
    toggles->addWidget(SpdBtn_Pokaji_Dokuments);
    toggles->addWidget(SpdBtn_Pokaji_Printers);
    toggles->addStretch();
    auto *docs = new QHBoxLayout;
    docs->addLayout(toggles);
    docs->addWidget(Panel_Dokumets);
    docs->addLayout(column(area, QStringLiteral("Документи към магазина"), CheckListBox_Dokumenti_kam_Magazin,
                           Button_Mark_Dokum, Button_Iz4isti_Dokum));
    docs->addWidget(Panel_Printers);
    for (QListWidget *l : {ChkListBox_Pokaj_Dokum, CheckListBox_Dokumenti_kam_Magazin})
        l->setMaximumHeight(90);
    layout->addLayout(docs);
}

QString ShopDesk::operatorName() const
{
    return AppState::instance().currentOperator();
}

long long ShopDesk::counterpartyKey() const
{
    return std::max<long long>(0, GetID_MFromTreeNodeName(c.Label_Selected_Kontragent->text()));
}

void ShopDesk::tabActivated() {}

void ShopDesk::afterLogin()
{
    Get_All_Smetki();
}

void ShopDesk::Get_All_Smetki()
{
    QStringList bills;
    try {
        bills = DeskLines::openBills(operatorName());
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        bills = {QStringLiteral("0")};
    }
    QSignalBlocker block(c.ComboBox_Smetka);
    c.ComboBox_Smetka->clear();
    c.ComboBox_Smetka->addItems(bills);
    c.ComboBox_Smetka->setCurrentIndex(int(bills.indexOf(QString::number(CurrentBill))));
    c.Panel_Smetki->setVisible(bills.size() > 1);
    ComboBox_SmetkaChange();
}

void ShopDesk::ComboBox_SmetkaChange()
{
    const QString text = c.ComboBox_Smetka->currentText();
    long long bill = 0;
    if (text.isEmpty())
        CurrentBill = c.ComboBox_Smetka->count() - 1;
    else if (Numbers::parseInteger(text, &bill) && bill >= 0 && bill <= INT_MAX)
        CurrentBill = int(bill);
    Calculate_SUM();
}

void ShopDesk::Calculate_SUM()
{
    const QString op = operatorName();
    ExactSum total;
    bool inRange = true;
    try {
        PriceDecimals = int(Settings::readInteger(Keys::Values_9));
        // The bill is read once, for the grid and for its totals.
        m_lines->setQuery(DeskLines::billSql(), {op, CurrentBill});
        QList<QSqlRecord> bill;
        bill.reserve(m_lines->rowCount());
        for (int r = 0; r < m_lines->rowCount(); ++r)
            bill << m_lines->record(r);
        total = DeskLines::recalculate(bill, PriceDecimals);
        // Each line's amount rounded once, as the bill's total is.
        for (int r = 0; r < bill.size(); ++r)
            m_lines->setValue(r, QStringLiteral("Suma"),
                              DeskMoney::amount(DeskLines::lineMoney(bill.at(r))).rounded(PriceDecimals).toVariant());
        const DdsSplit split = GET_DDS(DeskMoney::payable(total, PriceDecimals));
        Label_DDS->setText(Money::format42(split.vatShown()));
        Label_SUMA_BezDDS->setText(Money::format42(split.netShown()));
        Label68->setText(QStringLiteral("ДДС ") + Money::format42(split.VatRate) + QStringLiteral("% :"));
        Label_Words->setText(split.AmountInWords);
    } catch (const DecimalOverflow &e) {
        // Never a total for a bill that does not add up.
        ExceptionLog::write(e);
        inRange = false;
        for (QLabel *l : {Label_DDS, Label_SUMA_BezDDS, Label_Words})
            l->clear();
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
    static const QList<std::pair<const char *, const char *>> titles = {
        {"Barkod", "Арт. №"}, {"Opisanie", "Описание"}, {"Kol", "Кол."}, {"Mqrka", "Мярка"},
        {"Ed_Cena", "Ед. Цена"}, {"Valuta", "Валута"}, {"T_O", "TO в %"}, {"Suma", "Общо в лева"},
        {"Operator", "Оператор"}};
    for (const auto &[field, title] : titles)
        m_lines->setHeaderTitle(QString::fromLatin1(field), QString::fromUtf8(title));
    showColumns();
    Label_Leva->setText(inRange ? Money::formatWidth(DeskMoney::amountDue(total, PriceDecimals), 4, PriceDecimals)
                                : QStringLiteral("извън обхвата"));

    const QString remembered = OperatorCounterpartyList.value(op);
    if (inRange && total.isZero()) {
        setCounterpartyText(kNoneEmptyBill, true);
        OperatorCounterpartyList.insert(op, kNoneEmptyBill);
        c.Label_Selected_Kontragent->setEnabled(false);
        SpdBtn_Zadaljeniq->hide();
    } else {
        if (remembered.isEmpty() || remembered == kNone || remembered == kNoneEmptyBill) {
            setCounterpartyText(kNone, true);
            OperatorCounterpartyList.insert(op, kNone);
        } else {
            setCounterpartyText(remembered, false);
        }
        c.Label_Selected_Kontragent->setEnabled(true);
        SpdBtn_Zadaljeniq->setVisible(Consignment::hasOpenContracts(counterpartyKey()));
    }
}

void ShopDesk::setCounterpartyText(const QString &text, bool red)
{
    c.Label_Selected_Kontragent->setText(text);
    // A style sheet is parsed and the label polished anew at every set; the
    // bill is totalled at every scanned line.
    const QString colour = red ? QStringLiteral("color: red") : QStringLiteral("color: blue");
    if (c.Label_Selected_Kontragent->styleSheet() != colour)
        c.Label_Selected_Kontragent->setStyleSheet(colour);
}

void ShopDesk::insertFailed(const QString &message)
{
    Dialogs::message(message, c.DeskArea);
    Edit_Cena_Nula->setText(QStringLiteral("0.0000"));
    c.Edit_Broj->setText(QStringLiteral("1"));
}

void ShopDesk::Button_Insert_in_ListClick()
{
    // Enter in the price field comes here too, not only the greyed button.
    if (!ItemRights::permit(QStringLiteral("Enter1"), c.DeskArea))
        return;
    DeskLines::NewLine l;
    l.article = DeskArticleID;
    l.quantityText = c.Edit_Broj->text();
    l.priceText = Edit_Cena_Nula->text();
    l.listPrice = DeskListPrice;
    l.serialFrom = Edit_Serien_Nomer->text();
    l.serialTo = Edit_Do_Nomer->text();
    l.counterparty = counterpartyKey();
    l.op = operatorName();
    l.bill = CurrentBill;
    l.terminal = AppState::instance().terminal();
    l.replacedLine = LineEditFlag ? EditedLineNumber : 0;
    l.priceDecimals = PriceDecimals;
    DeskEnteredPrice = Decimal::parse(l.priceText).value_or(Decimal());
    DeskLines::InsertResult r;
    if (DeskArticleID > 0) {
        try {
            r = DeskLines::insertLine(l);
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
            r.outcome = DeskLines::InsertResult::BadData;
        }
    }
    switch (r.outcome) {
    case DeskLines::InsertResult::Written:
        c.Edit_Broj->setText(QStringLiteral("1"));
        // A line added to a bill already listed leaves the list of open bills as it is.
        if (c.ComboBox_Smetka->currentText() == QString::number(CurrentBill))
            Calculate_SUM();
        else
            Get_All_Smetki();
        Edit_Barkod->clear();
        ListBox_Opisanie_Artikuli->hide();
        m_entry->lineAdded();
        DBGrid1->setFocus();
        Edit_Barkod->setFocus();
        LineEditFlag = false;
        break;
    case DeskLines::InsertResult::OverMaxDiscount:
        Dialogs::message(QStringLiteral("Надвишавате максимално допустимата отстъпка! - ")
                             + Money::formatWidth(r.maxDiscount, 4, PriceDecimals) + QLatin1Char('%'),
                         c.DeskArea);
        Edit_Cena_Nula->setText(Money::formatWidth(r.listPrice, 4, PriceDecimals));
        Edit_Cena_Nula->setFocus();
        break;
    case DeskLines::InsertResult::NegativeQuantity:
        Dialogs::message(QStringLiteral("Не се допускат отрицателни количества"), c.DeskArea);
        c.Edit_Broj->setText(QStringLiteral("1"));
        break;
    case DeskLines::InsertResult::BadData:
        insertFailed(QStringLiteral("Не са въведени коректни данни"));
        break;
    case DeskLines::InsertResult::Refused:
        Dialogs::message(r.message, c.DeskArea);
        break;
    }
    Edit_Serien_Nomer->clear();
    Edit_Do_Nomer->clear();
}

void ShopDesk::DBGrid1DblClick()
{
    const int row = DBGrid1->currentIndex().row();
    if (row >= 0 && row < m_lines->rowCount() && m_lines->fieldIndex(QStringLiteral("Suma")) >= 0) {
        const QSqlRecord line = m_lines->record(row);
        // The search by number reloads the article and its list price for the replacement.
        m_entry->searchArticleNumber(line.value(QStringLiteral("Barkod")).toLongLong());
        // With the price decimals, but never rounded to them: 1.235 stays 1.235.
        const Decimal quantity = Decimal::fromVariant(line.value(QStringLiteral("Kol")));
        c.Edit_Broj->setText(Money::formatWidth(quantity, 4, std::max(PriceDecimals, quantity.decimals())));
        Edit_Cena_Nula->setText(
            Money::formatWidth(Decimal::fromVariant(line.value(QStringLiteral("Ed_Cena"))), 4, PriceDecimals));
        Label_Edini4na_Cena->setText(line.value(QStringLiteral("Valuta")).toString());
        EditedLineNumber = line.value(QStringLiteral("N_Prodajba")).toLongLong();
        LineEditFlag = true;
    }
    Label_Search_In->setText(QStringLiteral("a."));
    Edit_Barkod->setFocus();
}

void ShopDesk::N_Show_Gre6ni_DanniClick()
{
    try {
        m_lines->setQuery(DeskLines::allLinesSql(), {operatorName()});
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
    showColumns();
}

void ShopDesk::showColumns()
{
    for (int col = 0; col < m_lines->columnCount(); ++col) {
        const QString field = m_lines->record().fieldName(col);
        DBGrid1->setColumnHidden(col, field == QLatin1String("N_Prodajba") || field == QLatin1String("SUM_BezDDS")
                                          || field == QLatin1String("Bez_DDS") || field == QLatin1String("Kurs"));
        DBGrid1->setItemDelegateForColumn(
            col, field == QLatin1String("Ed_Cena") || field == QLatin1String("Suma") ? m_money : nullptr);
    }
}

void ShopDesk::N_Select_AllClick()
{
    DBGrid1->clearSelection();
    const QString op = operatorName();
    const int col = m_lines->fieldIndex(QStringLiteral("Operator"));
    QItemSelection all;
    for (int r = 0; r < m_lines->rowCount(); ++r)
        if (m_lines->data(m_lines->index(r, col)).toString() == op)
            all.select(m_lines->index(r, 0), m_lines->index(r, m_lines->columnCount() - 1));
    DBGrid1->selectionModel()->select(all, QItemSelectionModel::Select);
}

void ShopDesk::markLines(const QList<long long> &lines)
{
    DBGrid1->clearSelection();
    QItemSelection marks;
    for (long long n : lines) {
        const int r = m_lines->findRow(QStringLiteral("N_Prodajba"), n);
        if (r >= 0)
            marks.select(m_lines->index(r, 0), m_lines->index(r, m_lines->columnCount() - 1));
    }
    DBGrid1->selectionModel()->select(marks, QItemSelectionModel::Select);
}

QList<long long> ShopDesk::markedLines() const
{
    QList<long long> lines;
    for (int r : GridSelection::markedRows(DBGrid1))
        lines << m_lines->value(r, QStringLiteral("N_Prodajba")).toLongLong();
    return lines;
}

QList<ShopDesk::MarkedLine> ShopDesk::markedLineDetails() const
{
    QList<MarkedLine> lines;
    for (int r : GridSelection::markedRows(DBGrid1))
        lines.append({m_lines->value(r, QStringLiteral("N_Prodajba")).toLongLong(),
                      m_lines->value(r, QStringLiteral("Barkod")).toLongLong(), ExactSum(),
                      m_lines->value(r, QStringLiteral("Operator")).toString()});
    QList<long long> numbers;
    for (const MarkedLine &l : lines)
        numbers.append(l.line);
    const QHash<long long, ExactSum> amounts = DeskLines::amountsInLeva(numbers);
    for (MarkedLine &l : lines)
        l.amount = amounts.value(l.line);
    return lines;
}

void ShopDesk::N_Ob6ta_TOClick()
{
    const QList<long long> marked = markedLines();
    if (marked.isEmpty()) {
        Dialogs::message(QStringLiteral("Моля изберeте артикулите, за които\nще се въвежда отстъпка/надбавка"),
                         c.DeskArea);
        return;
    }
    Decimal percent;
    if (!TOKBottomDlg::ask(c.DeskArea->window(), &percent))
        return;
    try {
        DeskLines::applyGeneralDiscount(marked, percent);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Отстъпката не беше записана:\n") + QString::fromUtf8(e.what()), c.DeskArea);
    }
    Calculate_SUM();
}

void ShopDesk::Label_Selected_KontragentChange()
{
    const DeskLines::Search s = DeskLines::counterpartySearch(c.Label_Selected_Kontragent->text());
    if (!s.run)
        return;
    ListBox_Selected_Kontrag->clear();
    try {
        for (const QSqlRecord &r : Db::rows(s.sql, s.params))
            ListBox_Selected_Kontrag->addItem(r.value(0).toString() + QLatin1Char(':') + r.value(1).toString());
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Невалидни данни"), c.DeskArea);
        c.Label_Selected_Kontragent->clear();
        return;
    }
    if (ListBox_Selected_Kontrag->count() > 0)
        showCounterpartyList();
    else
        ListBox_Selected_Kontrag->hide();
}

void ShopDesk::showCounterpartyList()
{
    const QRect g = c.Label_Selected_Kontragent->geometry();
    ListBox_Selected_Kontrag->setGeometry(g.left(), g.bottom() + 1, g.width(), 80);
    ListBox_Selected_Kontrag->raise();
    ListBox_Selected_Kontrag->show();
    ListBox_Selected_Kontrag->setCurrentRow(0);
}

// Over the bill, below the search row: showing the names lays out and
// repaints nothing else of the desk.
void ShopDesk::placeHitList()
{
    const QRect row = Edit_Barkod->geometry(), bill = DBGrid1->geometry();
    const int top = row.bottom() + 2;
    ListBox_Opisanie_Artikuli->setGeometry(bill.left(), top, bill.width(),
                                           qBound(60, bill.bottom() - top, ListBox_Opisanie_Artikuli->sizeHint().height()));
}

void ShopDesk::showHitList()
{
    placeHitList();
    ListBox_Opisanie_Artikuli->raise();
    ListBox_Opisanie_Artikuli->show();
}

void ShopDesk::ListBox_Selected_KontragDblClick()
{
    QListWidgetItem *item = ListBox_Selected_Kontrag->isVisible() ? ListBox_Selected_Kontrag->currentItem() : nullptr;
    if (!item) {
        if (Dialogs::yesNo(QStringLiteral("Няма намерени данни, отговарящи на критерия.\nЖелаете ли да въведете нов "
                                          "контрагент"),
                           c.DeskArea)) {
            ListBox_Selected_Kontrag->hide();
            CounterpartyPickMode = 0;
            TForm_Kontrakents::N_KlientiClick(c.DeskArea->window());
        } else {
            c.Label_Selected_Kontragent->setText(QStringLiteral("0: Няма избран потребител"));
            ListBox_Selected_Kontrag->hide();
        }
        return;
    }
    takeCounterparty(item->text());
}

void ShopDesk::Label_Selected_KontragentExit()
{
    if (GetID_MFromTreeNodeName(c.Label_Selected_Kontragent->text()) == -1)
        c.Label_Selected_Kontragent->setText(kNoneExit);
}

void ShopDesk::takeCounterparty(const QString &referenceText)
{
    const QString op = operatorName();
    OperatorCounterpartyList.insert(op, referenceText);
    setCounterpartyText(referenceText, false);
    ListBox_Selected_Kontrag->hide();
    N_Select_AllClick();
    const QList<long long> lines = markedLines();
    const long long key = std::max<long long>(0, GetID_MFromTreeNodeName(referenceText));
    // Asked before the transaction; the lines are the current bill's.
    const bool discounts =
        !lines.isEmpty()
        && Dialogs::yesNo(QStringLiteral("Желаете ли да бъдат въведени отстъпките за посоченият контрагент"),
                          c.DeskArea);
    try {
        DeskLines::applyCounterparty(lines, key, discounts);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Отстъпките за контрагента не бяха въведени"), c.DeskArea);
    }
    Calculate_SUM();
    N_Select_AllClick();
}

bool ShopDesk::eventFilter(QObject *watched, QEvent *event)
{
    QLineEdit *edit = c.Label_Selected_Kontragent;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (watched == edit && enter) {
            ListBox_Selected_KontragDblClick();
            return true;
        }
        if (watched == edit && key == Qt::Key_Down && ListBox_Selected_Kontrag->count() > 0) {
            showCounterpartyList();
            ListBox_Selected_Kontrag->setFocus();
            return true;
        }
        if (watched == ListBox_Selected_Kontrag && enter) {
            ListBox_Selected_KontragDblClick();
            return true;
        }
        if (watched == ListBox_Selected_Kontrag && key == Qt::Key_Escape) {
            edit->setFocus();
            ListBox_Selected_Kontrag->hide();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        if (watched == ListBox_Selected_Kontrag)
            ListBox_Selected_Kontrag->hide();
        else if (watched == edit)
            Label_Selected_KontragentExit();
    } else if (event->type() == QEvent::MouseButtonRelease && watched == edit) {
        edit->selectAll();
    } else if ((event->type() == QEvent::Resize || event->type() == QEvent::Move) && watched == DBGrid1
               && ListBox_Opisanie_Artikuli->isVisible()) {
        placeHitList(); // the desk laid out anew: the names follow the bill
    }
    return QObject::eventFilter(watched, event);
}

void ShopDesk::SpdBtn_KasaClick(bool down)
{
    GroupBox_Kasa->SpdBtn_KasaClick(down);
}

void ShopDesk::N39Click()
{
    PromptMode = 2;
    TForm_Get_Kol *prompt = promptDialog();
    if (Dialogs::exec(prompt) != TForm_Get_Kol::ResultOk)
        return;
    // The prompt has set CurrentBill; the new bill is listed last until the next refill sorts it.
    QSignalBlocker block(c.ComboBox_Smetka);
    c.ComboBox_Smetka->addItem(QString::number(CurrentBill));
    c.ComboBox_Smetka->setCurrentIndex(c.ComboBox_Smetka->count() - 1);
    c.Panel_Smetki->show();
    Calculate_SUM();
    Edit_Barkod->setFocus();
}

void ShopDesk::SpdBtn_SmetkaClick()
{
    TForm_Smetki::SpdBtn_SmetkaClick(c.DeskArea->window());
}
