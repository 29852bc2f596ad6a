#include "repair/form_spr_izdadeni_ser.h"

#include "app/app_state.h"
#include "app/help_actions.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/paged_list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "platform/long_texts.h"
#include "repair/repair_work.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSqlRecord>
#include <QTableView>
#include <QVBoxLayout>

namespace {
constexpr int ShownRepairColumns = 14;
const char *const kRepairColumns[][2] = {
    {"N_Priem", "Приемна N"},      {"Opisanie", "Описание"},        {"S_N", "Сериен номер"},
    {"Model", "Модел"},            {"Partida", "Партида"},          {"Pri4ina", "Причина"},
    {"Ime_Kontrag", "Контрагент"}, {"Ime_Dostav4ik", "Доставчик"},  {"Gar_Dok_N", "Гар. документ"},
    {"Data_Gar_Dok", "Дата гар. док."}, {"Data_Priem", "Приет на"}, {"Data_Izd", "Издаден на"},
    {"Time_Izd", "Час"},           {"Operator", "Оператор"}};
const char *const kLineColumns[][2] = {{"Remont", "Ремонт"},       {"Kol", "Кол."},
                                       {"ED_Cena", "Ед. цена"},    {"Valuta", "Валута"},
                                       {"Suma", "Сума в лв"},      {"Garan_Remont", "Гаранция"},
                                       {"SN", "Сериен номер"},     {"Zamqna", "Замяна"},
                                       {"Oper_Remont", "Оператор"}};
constexpr int ShownLineColumns = 9;

QString repairSumText(Decimal value)
{
    return QStringLiteral("Обща сума за ремонт: ") + Money::fixed(value, 4);
}

QString listSumText(double value)
{
    return QStringLiteral("Обща сума на справка: ") + Money::fixed(value, 4);
}
} // namespace

QString TForm_Spr_Izdadeni_Ser::noClientText()
{
    return QStringLiteral("0:Няма избран контрагент");
}

QString TForm_Spr_Izdadeni_Ser::noSupplierText()
{
    return QStringLiteral("0: Няма избран доставчик");
}

TForm_Spr_Izdadeni_Ser::TForm_Spr_Izdadeni_Ser(QWidget *parent)
    : ReportDialog(parent)
    , m_repairs(new PagedListModel(this))
    , m_lines(new SqlListModel(this))
{
    setObjectName(QStringLiteral("Form_Spr_Izdadeni_Ser"));
    setWindowTitle(QStringLiteral("Справка за издадени от ремонт"));

    ChkBox_Kontrag = named(new QCheckBox(QStringLiteral("Контрагент"), this), "ChkBox_Kontrag");
    Label_Kontrag = named(new ElidedLabel(noClientText(), this), "Label_Kontrag");
    reason = ReportRows::textRow(this, QStringLiteral("Причина"), "ChkBox_Pri4ina", "Edit_Pri4ina", nullptr);
    ChkBox_Operator = named(new QCheckBox(QStringLiteral("Оператор"), this), "ChkBox_Operator");
    ComboBox_Operator = named(new QComboBox(this), "ComboBox_Operator");
    ChkBox_Dostav4ik = named(new QCheckBox(QStringLiteral("Доставчик"), this), "ChkBox_Dostav4ik");
    Label_Dostav4ik = named(new ElidedLabel(noSupplierText(), this), "Label_Dostav4ik");
    for (QLabel *l : {Label_Kontrag, Label_Dostav4ik})
        l->setTextFormat(Qt::PlainText);
    document = ReportRows::textRow(this, QStringLiteral("Документ"), "ChkBox_Gar_Dok", "Edit_Gar_Dok", nullptr);
    documentDate = ReportRows::dateRow(this, QStringLiteral("Дата"), "ChkBox_Gar_Data", "ComboBox_Gar_Data",
                                       "DateTimePicker_Gar_Data_Ot", "DateTimePicker_Gar_Data_Do");
    model = ReportRows::textRow(this, QStringLiteral("Модел"), "ChkBox_Model", "Edit_Model", nullptr);
    batch = ReportRows::textRow(this, QStringLiteral("Партида"), "ChkBox_Partida", "Edit_Partida", nullptr);
    serial = ReportRows::textRow(this, QStringLiteral("Сериен номер"), "ChkBox_SN", "Edit_SN", nullptr);
    dossier = ReportRows::textRow(this, QStringLiteral("Досие"), "ChkBox_Dosie", "Edit_Dosie", nullptr);
    dossier.box->setEnabled(false);
    ChkBox_Artikul = named(new QCheckBox(QStringLiteral("Артикул"), this), "ChkBox_Artikul");
    ChkBox_Artikul->setEnabled(false);
    issued = ReportRows::dateRow(this, QStringLiteral("Издаден на"), "ChkBox_Data_Izd", "ComboBox_Izd_Data",
                                 "DateTimePicker_Izd_Data_Ot", "DateTimePicker_Izd_Data_Do");
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("ТЪРСИ"), this);
    Button1->setDefault(true);
    DBGrid_Danni_Priem = named(new QTableView(this), "DBGrid_Danni_Priem");
    GridSelection::setupList(DBGrid_Danni_Priem, m_repairs);
    DBGrid_Danni_Remont = named(new QTableView(this), "DBGrid_Danni_Remont");
    GridSelection::setupList(DBGrid_Danni_Remont, m_lines);
    Label_Suma_Remont = named(new QLabel(repairSumText(Decimal()), this), "Label_Suma_Remont");
    Label_Suma_Spravka = named(new QLabel(listSumText(0), this), "Label_Suma_Spravka");

    auto *filters = new QGridLayout;
    filters->addWidget(ChkBox_Kontrag, 0, 0);
    filters->addWidget(Label_Kontrag, 0, 1, 1, 4);
    reason.place(filters, 1);
    filters->addWidget(ChkBox_Operator, 2, 0);
    filters->addWidget(ComboBox_Operator, 2, 1, 1, 4);
    filters->addWidget(ChkBox_Dostav4ik, 3, 0);
    filters->addWidget(Label_Dostav4ik, 3, 1, 1, 4);
    document.place(filters, 4);
    documentDate.place(filters, 5);
    model.place(filters, 6);
    batch.place(filters, 7);
    serial.place(filters, 8);
    dossier.place(filters, 9);
    filters->addWidget(ChkBox_Artikul, 10, 0);
    issued.place(filters, 11);
    filters->addWidget(Button1, 12, 4);
    filters->setColumnStretch(1, 1);

    auto *sums = new QHBoxLayout;
    sums->addWidget(Label_Suma_Remont);
    sums->addStretch(1);
    sums->addWidget(Label_Suma_Spravka);

    auto *frame = new QVBoxLayout(this);
    frame->addLayout(filters);
    frame->addWidget(DBGrid_Danni_Priem, 3);
    frame->addWidget(DBGrid_Danni_Remont, 2);
    frame->addLayout(sums);
    resize(1000, 720); // with its title bar within an 800-pixel screen

    connect(ChkBox_Kontrag, &QCheckBox::clicked, this, &TForm_Spr_Izdadeni_Ser::ChkBox_KontragClick);
    connect(ChkBox_Dostav4ik, &QCheckBox::clicked, this, &TForm_Spr_Izdadeni_Ser::ChkBox_Dostav4ikClick);
    connect(ChkBox_Operator, &QCheckBox::clicked, this, &TForm_Spr_Izdadeni_Ser::ChkBox_OperatorClick);
    for (ReportRows::DateRow *row : {&documentDate, &issued}) {
        connect(row->box, &QCheckBox::clicked, this, [row] { row->boxClicked(); });
        connect(row->comparison, &QComboBox::activated, this, [row] { row->comparisonChanged(); });
    }
    for (ReportRows::TextRow *row : {&reason, &document, &model, &batch, &serial})
        connect(row->box, &QCheckBox::clicked, this, [row] { row->boxClicked(); });
    connect(Button1, &QPushButton::clicked, this, &TForm_Spr_Izdadeni_Ser::Button1Click);
    connect(DBGrid_Danni_Priem, &QTableView::clicked, this, &TForm_Spr_Izdadeni_Ser::DBGrid_Danni_PriemCellClick);
    followArrowKeys(DBGrid_Danni_Priem, [this] { DBGrid_Danni_PriemCellClick(); });

    CounterpartyPick::registerTarget(ClientMode, [this](const CounterpartyPick::Picked &p) {
        Label_Kontrag->setText(p.referenceText());
        m_picked = true;
    });
    CounterpartyPick::registerTarget(SupplierMode, [this](const CounterpartyPick::Picked &p) {
        Label_Dostav4ik->setText(p.referenceText());
        m_picked = true;
    });
    FormShow();
}

TForm_Spr_Izdadeni_Ser::~TForm_Spr_Izdadeni_Ser()
{
    CounterpartyPick::unregisterTarget(ClientMode);
    CounterpartyPick::unregisterTarget(SupplierMode);
}

void TForm_Spr_Izdadeni_Ser::FormShow()
{
    for (QCheckBox *c : {ChkBox_Kontrag, ChkBox_Dostav4ik, ChkBox_Operator, reason.box, document.box,
                         documentDate.box, model.box, batch.box, serial.box, issued.box})
        c->setChecked(false);
    ChkBox_KontragClick();
    ChkBox_Dostav4ikClick();
    ChkBox_OperatorClick();
    for (ReportRows::TextRow *row : {&reason, &document, &model, &batch, &serial})
        row->boxClicked();
    for (ReportRows::DateRow *row : {&documentDate, &issued})
        row->boxClicked();
}

bool TForm_Spr_Izdadeni_Ser::pick(QCheckBox *box, QLabel *label, int mode, const QString &none)
{
    return ReportRows::pickWhenTicked(box, label, none, m_picked, [this, mode] {
        CounterpartyPickMode = mode;
        TForm_Kontrakents::N_KlientiClick(this);
        CounterpartyPickMode = -1;
    });
}

void TForm_Spr_Izdadeni_Ser::ChkBox_KontragClick()
{
    pick(ChkBox_Kontrag, Label_Kontrag, ClientMode, noClientText());
}

void TForm_Spr_Izdadeni_Ser::ChkBox_Dostav4ikClick()
{
    pick(ChkBox_Dostav4ik, Label_Dostav4ik, SupplierMode, noSupplierText());
}

void TForm_Spr_Izdadeni_Ser::ChkBox_OperatorClick()
{
    ReportParts::fillWhenTicked(ChkBox_Operator, ComboBox_Operator, &ReportParts::operatorNames,
                                QStringLiteral("Операторите не могат да бъдат прочетени:\n"), this);
}

WarrantyReports::IssuedFilter TForm_Spr_Izdadeni_Ser::filter() const
{
    WarrantyReports::IssuedFilter f;
    f.counterparty = ChkBox_Kontrag->isChecked();
    f.counterpartyId = ReferenceText::key(Label_Kontrag->text());
    f.reason = reason.box->isChecked();
    f.reasonText = reason.edit->text();
    f.op = ChkBox_Operator->isChecked();
    f.operatorName = ComboBox_Operator->currentText();
    f.supplier = ChkBox_Dostav4ik->isChecked();
    f.supplierId = ReferenceText::key(Label_Dostav4ik->text());
    f.document = document.box->isChecked();
    f.documentNumber = document.edit->text();
    f.documentDate = documentDate.filter();
    f.model = model.filter();
    f.batch = batch.filter();
    f.serial = serial.filter();
    f.issued = issued.filter();
    return f;
}

void TForm_Spr_Izdadeni_Ser::Button1Click()
{
    const WarrantyReports::Query q = WarrantyReports::issuedRepairs(filter());
    if (!q.ok()) {
        Dialogs::message(q.error, this);
        return;
    }
    HelpActions::SearchIndicator indicator;
    try {
        const auto totals = Db::firstRow(q.countSql, q.values);
        m_repairs->setKeysetQuery(q.list, totals ? totals->value(0).toLongLong() : 0);
        m_repairs->setShownColumns(ShownRepairColumns);
        for (const auto &c : kRepairColumns)
            m_repairs->setHeaderTitle(QString::fromLatin1(c[0]), QString::fromUtf8(c[1]));
        Label_Suma_Spravka->setText(listSumText(totals ? totals->value(1).toDouble() : 0));
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Справката не може да бъде изпълнена:\n") + e.message(), this);
        return;
    }
    if (m_repairs->rowCount() > 0)
        GridSelection::moveTo(DBGrid_Danni_Priem, 0, 0);
    DBGrid_Danni_PriemCellClick();
}

void TForm_Spr_Izdadeni_Ser::DBGrid_Danni_PriemCellClick()
{
    const int row = DBGrid_Danni_Priem->currentIndex().row();
    Decimal sum;
    if (row < 0 || row >= m_repairs->rowCount()) {
        m_lines->clear();
    } else {
        const WarrantyReports::Query q =
            WarrantyReports::repairLines(m_repairs->value(row, QStringLiteral("N_Priem")).toLongLong());
        HelpActions::SearchIndicator indicator;
        try {
            m_lines->setQuery(q.sql, q.values);
            for (const auto &c : kLineColumns)
                m_lines->setHeaderTitle(QString::fromLatin1(c[0]), QString::fromUtf8(c[1]));
            for (int c = ShownLineColumns; c < m_lines->columnCount(); ++c)
                DBGrid_Danni_Remont->setColumnHidden(c, true);
            QList<QSqlRecord> lines;
            for (int r = 0; r < m_lines->rowCount(); ++r)
                lines << m_lines->record(r);
            sum = RepairWork::linesTotal(lines, 4);
        } catch (const DbError &e) {
            ExceptionLog::write(e);
            Dialogs::message(QStringLiteral("Редовете на ремонта не могат да бъдат прочетени:\n") + e.message(), this);
        } catch (const DecimalOverflow &e) {
            ExceptionLog::write(e);
        }
    }
    Label_Suma_Remont->setText(repairSumText(sum));
}
