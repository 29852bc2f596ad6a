#include "desk/form_konsignation.h"

#include "app/app_state.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "platform/long_texts.h"
#include "desk/text_viewer.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace {
QPointer<TForm_Konsignation> g_form;
} // namespace

TForm_Konsignation *TForm_Konsignation::instance()
{
    return g_form;
}

TForm_Konsignation::TForm_Konsignation(QWidget *parent)
    : QDialog(parent)
    , m_lines(new SqlListModel(this))
{
    setObjectName(QStringLiteral("Form_Konsignation"));
    setWindowTitle(QStringLiteral("Консигнация"));
    Label_ID_Konsignation = named(new QLabel(this), "Label_ID_Konsignation");
    Label_ID_Kontragent = named(new ElidedLabel(QStringLiteral("0:Няма избран контрагент"), this), "Label_ID_Kontragent");
    Label_ID_Kontragent->setTextFormat(Qt::PlainText);
    DateTimePicker_Otdavane = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Otdavane");
    DateTimePicker_Pay = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Pay");
    for (QDateEdit *d : {DateTimePicker_Otdavane, DateTimePicker_Pay}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QString::fromLatin1(Dates::ShortFormat));
    }
    SpEdit_Broj_Vnosk = named(new QSpinBox(this), "SpEdit_Broj_Vnosk");
    SpEdit_Broj_Vnosk->setRange(1, 100);
    ComboBox_Period_Vnosk = named(new QComboBox(this), "ComboBox_Period_Vnosk");
    ComboBox_Period_Vnosk->addItems({QStringLiteral("месеци"), QStringLiteral("дни")});
    ComboBox_PayTape = named(new QComboBox(this), "ComboBox_PayTape");
    ComboBox_PayTape->addItems({QStringLiteral("равни вноски"), QStringLiteral("равни вноски с първоначална вноска")});
    Edit_Lihva = namedEdit(QStringLiteral("Edit_Lihva"), this);
    Edit_Lihva->setText(QStringLiteral("0"));
    Edit_Lihva->setToolTip(QStringLiteral("Лихва в %"));
    Edit_First_Vnoska = namedEdit(QStringLiteral("Edit_First_Vnoska"), this);
    Edit_First_Vnoska->setText(QStringLiteral("0"));
    Edit_First_Vnoska->hide();
    Label_Ob6to_Sum_Art = named(new QLabel(QStringLiteral("0.0000"), this), "Label_Ob6to_Sum_Art");
    Label_Ob6to_Sum = named(new QLabel(QStringLiteral("0.0000"), this), "Label_Ob6to_Sum");
    Label_Vnoska = named(new QLabel(QStringLiteral("0.0000"), this), "Label_Vnoska");
    DBGrid_Konsignation = named(new QTableView(this), "DBGrid_Konsignation");
    GridSelection::setupList(DBGrid_Konsignation, m_lines);
    BitBtn_Ok = namedButton(QStringLiteral("BitBtn_Ok"), QStringLiteral("ВЪВЕЖДАНЕ"), this);
    BitBtn_Ok->setDefault(true);
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("ОТКАЗ"), this);
    Button_Delete = namedButton(QStringLiteral("Button_Delete"), QStringLiteral("Изтрии"), this);
    Button_Pe4at = namedButton(QStringLiteral("Button_Pe4at"), QStringLiteral("Печат"), this);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Договор N:"), Label_ID_Konsignation);
    form->addRow(QStringLiteral("Контрагент:"), Label_ID_Kontragent);
    form->addRow(QStringLiteral("Дата на предаване:"), DateTimePicker_Otdavane);
    form->addRow(QStringLiteral("Брой вноски:"), SpEdit_Broj_Vnosk);
    form->addRow(QStringLiteral("Период:"), ComboBox_Period_Vnosk);
    form->addRow(QStringLiteral("Дата на последно плащане:"), DateTimePicker_Pay);
    form->addRow(QStringLiteral("Начин на плащане:"), ComboBox_PayTape);
    form->addRow(QStringLiteral("Лихва в %:"), Edit_Lihva);
    form->addRow(QStringLiteral("Първоначална вноска:"), Edit_First_Vnoska);
    form->addRow(QStringLiteral("Сума на покупка:"), Label_Ob6to_Sum_Art);
    form->addRow(QStringLiteral("Общо задължение:"), Label_Ob6to_Sum);
    form->addRow(QStringLiteral("Сума за вноска:"), Label_Vnoska);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Button_Delete, Button_Pe4at})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(BitBtn_Ok);
    buttons->addWidget(BitBtn2);
    auto *top = new QHBoxLayout;
    top->addLayout(form);
    top->addWidget(DBGrid_Konsignation, 1);
    auto *frame = new QVBoxLayout(this);
    frame->addLayout(top, 1);
    frame->addLayout(buttons);
    resize(900, 420);

    connect(SpEdit_Broj_Vnosk, &QSpinBox::valueChanged, this, &TForm_Konsignation::SpEdit_Broj_VnoskChange);
    connect(ComboBox_Period_Vnosk, &QComboBox::activated, this, &TForm_Konsignation::ComboBox_Period_VnoskChange);
    connect(ComboBox_PayTape, &QComboBox::activated, this, &TForm_Konsignation::ComboBox_PayTapeChange);
    connect(Edit_Lihva, &QLineEdit::textEdited, this, &TForm_Konsignation::recalculate);
    connect(Edit_First_Vnoska, &QLineEdit::textEdited, this, &TForm_Konsignation::recalculate);
    connect(DateTimePicker_Otdavane, &QDateEdit::userDateChanged, this, &TForm_Konsignation::setFinalDate);
    connect(Button_Delete, &QPushButton::clicked, this, &TForm_Konsignation::Button_DeleteClick);
    connect(Button_Pe4at, &QPushButton::clicked, this, &TForm_Konsignation::Button_Pe4atClick);
    connect(BitBtn_Ok, &QPushButton::clicked, this, &TForm_Konsignation::BitBtn_OkClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm_Konsignation::BitBtn2Click);
}

TForm_Konsignation::~TForm_Konsignation()
{
    try {
        Consignment::dropWorkTable();
    } catch (const std::exception &) {
        // the database may be gone at the end of the run
    }
}

int TForm_Konsignation::INSERTINTO_KONSIGNATION(QWidget *owner, const QList<Consignment::ContractLine> &lines,
                                                const QString &counterparty, double downPayment,
                                                Consignment::Draft *draft)
{
    if (!g_form)
        g_form = new TForm_Konsignation(owner);
    try {
        g_form->prepare(lines, counterparty, downPayment);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Договорът не може да бъде подготвен:\n") + QString::fromUtf8(e.what()), owner);
        return ClosedOtherwise;
    }
    g_form->m_result = ClosedOtherwise;
    Dialogs::exec(g_form);
    if (g_form->m_result == Saved && draft)
        *draft = g_form->m_draft;
    return g_form->m_result;
}

void TForm_Konsignation::prepare(const QList<Consignment::ContractLine> &lines, const QString &counterparty,
                                 double downPayment)
{
    Consignment::createWorkTable();
    for (const Consignment::ContractLine &l : lines)
        Consignment::insertIntoWorkTable(l);
    // The number the contract will likely get; the sale numbers it inside its transaction.
    const long long next = Db::scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Konsignation")).toLongLong();
    Label_ID_Konsignation->setText(QString::number(next));
    DateTimePicker_Otdavane->setDate(QDate::currentDate());
    Label_ID_Kontragent->setText(counterparty);
    m_draft = {};
    refreshPurchase();
    setFinalDate();
    if (downPayment > 0) {
        ComboBox_PayTape->setCurrentIndex(Consignment::WithDownPayment);
        ComboBox_PayTapeChange();
        Edit_First_Vnoska->setText(Money::fixed(downPayment, 2)); // the cash given, in stotinki
    }
    recalculate();
}

void TForm_Konsignation::refreshPurchase()
{
    m_lines->setQuery(Consignment::workTableSql());
    static const QList<std::pair<const char *, const char *>> titles = {
        {"Barkod", "Арт. №"}, {"Opisanie", "Описание"}, {"Kol", "Кол."}, {"Mqrka", "Мярка"},
        {"Ed_Cena", "Ед. Цена"}, {"Valuta", "Валута"}, {"T_O", "TO в %"}, {"Operator", "Оператор"}};
    for (const auto &[field, title] : titles)
        m_lines->setHeaderTitle(QString::fromLatin1(field), QString::fromUtf8(title));
    DBGrid_Konsignation->setColumnHidden(0, true);
    m_purchase = Consignment::workTablePurchase();
    Label_Ob6to_Sum_Art->setText(Money::fixed(m_purchase, 4));
}

bool TForm_Konsignation::readNumbers(Decimal *rate, Decimal *down, bool tell)
{
    for (QLineEdit *e : {Edit_Lihva, Edit_First_Vnoska})
        if (e->text().trimmed().isEmpty())
            e->setText(QStringLiteral("0"));
    // A rate to the fourth decimal as stored ("%4.4f"), a down payment in stotinki.
    const std::optional<Decimal> r = Decimal::parse(Edit_Lihva->text(), 4);
    if (!r || r->isNegative()) {
        if (tell)
            Dialogs::message(QStringLiteral("Лихвата трябва да бъде число, не по-малко от 0, с най-много 4 знака "
                                            "след десетичната точка."),
                             this);
        return false;
    }
    *rate = *r;
    *down = Decimal();
    if (ComboBox_PayTape->currentIndex() == Consignment::WithDownPayment) {
        const std::optional<Decimal> d = Decimal::parse(Edit_First_Vnoska->text(), 2);
        if (!d || d->isNegative()) {
            if (tell)
                Dialogs::message(QStringLiteral("Първоначалната вноска трябва да бъде число, не по-малко от 0, с "
                                                "най-много 2 знака след десетичната точка."),
                                 this);
            return false;
        }
        *down = *d;
    }
    return true;
}

void TForm_Konsignation::recalculate()
{
    Decimal rate, down;
    if (!readNumbers(&rate, &down, false))
        return;
    const int count = SpEdit_Broj_Vnosk->value();
    const Decimal total = Consignment::CALCULATE_KONSIGNACION_SUM(count, m_purchase, down, rate);
    Label_Ob6to_Sum->setText(Money::fixed(total, 4));
    // The first instalment; the last takes the remainder of the split.
    const QList<Decimal> parts = Consignment::instalments(total, count);
    Label_Vnoska->setText(Money::fixed(parts.isEmpty() ? Decimal() : parts.first(), 4));
}

void TForm_Konsignation::setFinalDate()
{
    DateTimePicker_Pay->setDate(Consignment::dueDate(DateTimePicker_Otdavane->date(),
                                                     ComboBox_Period_Vnosk->currentIndex(),
                                                     SpEdit_Broj_Vnosk->value()));
}

void TForm_Konsignation::SpEdit_Broj_VnoskChange()
{
    recalculate();
    setFinalDate();
}

void TForm_Konsignation::ComboBox_Period_VnoskChange()
{
    setFinalDate();
}

void TForm_Konsignation::ComboBox_PayTapeChange()
{
    const bool withDown = ComboBox_PayTape->currentIndex() == Consignment::WithDownPayment;
    Edit_First_Vnoska->setText(QStringLiteral("0"));
    Edit_First_Vnoska->setVisible(withDown);
    recalculate();
}

QList<long long> TForm_Konsignation::shownLines() const
{
    QList<long long> out;
    for (int r = 0; r < m_lines->rowCount(); ++r)
        out << m_lines->value(r, QStringLiteral("N_Prodajba")).toLongLong();
    return out;
}

void TForm_Konsignation::Button_DeleteClick()
{
    QList<long long> rows;
    for (int r : GridSelection::markedRows(DBGrid_Konsignation))
        rows << m_lines->value(r, QStringLiteral("N_Prodajba")).toLongLong();
    if (rows.isEmpty())
        return;
    try {
        Consignment::deleteFromWorkTable(rows);
        refreshPurchase();
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Редовете не бяха изтрити:\n") + QString::fromUtf8(e.what()), this);
    }
    recalculate();
}

void TForm_Konsignation::BitBtn_OkClick()
{
    Decimal rate, down;
    if (!readNumbers(&rate, &down, true))
        return;
    Consignment::Draft d;
    d.shownNumber = Label_ID_Konsignation->text().toLongLong();
    d.counterparty = std::max<long long>(0, GetID_MFromTreeNodeName(Label_ID_Kontragent->text()));
    d.handOver = DateTimePicker_Otdavane->date();
    d.finalDate = DateTimePicker_Pay->date();
    d.count = SpEdit_Broj_Vnosk->value();
    d.method = ComboBox_PayTape->currentIndex();
    d.period = ComboBox_Period_Vnosk->currentIndex();
    d.downPayment = d.method == Consignment::WithDownPayment ? down : Decimal();
    d.rate = rate;
    d.purchase = m_purchase;
    try {
        for (const Consignment::ContractLine &l : Consignment::workTableLines())
            d.openLines << l.openLine;
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
    const QString problem = Consignment::checkDraft(d);
    if (!problem.isEmpty()) {
        Dialogs::message(problem, this);
        return;
    }
    m_draft = d;
    m_result = Saved;
    accept();
}

void TForm_Konsignation::BitBtn2Click()
{
    m_result = Cancelled;
    reject();
}

void TForm_Konsignation::Button_Pe4atClick()
{
    Decimal rate, down;
    if (!readNumbers(&rate, &down, true))
        return;
    Consignment::ContractText t;
    t.number = Label_ID_Konsignation->text().toLongLong();
    t.handOver = DateTimePicker_Otdavane->date();
    t.counterparty = std::max<long long>(0, GetID_MFromTreeNodeName(Label_ID_Kontragent->text()));
    t.count = SpEdit_Broj_Vnosk->value();
    t.period = ComboBox_Period_Vnosk->currentIndex();
    t.downPayment = down;
    t.total = Consignment::CALCULATE_KONSIGNACION_SUM(t.count, m_purchase, down, rate);
    t.op = AppState::instance().currentOperator();
    try {
        t.lines = Consignment::workTableLines();
        QString error;
        if (!TextViewer::show(QStringLiteral("Vnoski_Pay.tmp"), Consignment::contractLines(t), this, &error))
            Dialogs::message(QStringLiteral("Договорът не може да бъде записан във файл.\n") + error, this);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
}

void TForm_Konsignation::done(int result)
{
    try {
        Consignment::dropWorkTable();
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
    m_lines->clear();
    ComboBox_PayTape->setCurrentIndex(Consignment::EqualInstalments);
    Edit_First_Vnoska->setText(QStringLiteral("0"));
    Edit_First_Vnoska->hide();
    QDialog::done(result);
}
