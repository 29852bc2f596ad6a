#include "desk/form_vnoski_kredit.h"

#include "app/app_state.h"
#include "app/item_rights.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/named.h"
#include "platform/long_texts.h"
#include "desk/text_viewer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
QPointer<TForm_Vnoski_Kredit> g_form;
}

TForm_Vnoski_Kredit *TForm_Vnoski_Kredit::instance()
{
    return g_form;
}

TForm_Vnoski_Kredit::TForm_Vnoski_Kredit(QWidget *parent)
    : QDialog(parent)
    , m_goods(new SqlListModel(this))
{
    setObjectName(QStringLiteral("Form_Vnoski_Kredit"));
    setWindowTitle(QStringLiteral("Вноски кредити"));
    Label1 = named(new QLabel(QStringLiteral("<a href=\"#\">Контрагент:</a>"), this), "Label1");
    Label_Kontrag_Vnoski = named(new ElidedLabel(QString::fromUtf8(NoCounterparty), this), "Label_Kontrag_Vnoski");
    Label_Kontrag_Vnoski->setTextFormat(Qt::PlainText);
    ComboBox_N_Kredit = named(new QComboBox(this), "ComboBox_N_Kredit");
    const auto label = [this](const char *name, const QString &text) {
        auto *l = named(new QLabel(text, this), name);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    Label_Kol_Vnoski = label("Label_Kol_Vnoski", QStringLiteral("0"));
    Label_Lihva = label("Label_Lihva", QStringLiteral("0.0000"));
    Label_First_Vnosk = label("Label_First_Vnosk", QStringLiteral("0.0000"));
    Label12 = label("Label12", QStringLiteral("0.0000"));
    Label_Ob6to_Sum = label("Label_Ob6to_Sum", QStringLiteral("0.0000"));
    Label_Sum_Vnoska = label("Label_Sum_Vnoska", QStringLiteral("0.0000"));
    Label_N_Vnoska = label("Label_N_Vnoska", QString());
    Label_4ast_Pay_SUM = label("Label_4ast_Pay_SUM", QStringLiteral("0.0000"));
    ChkBox_4ast_Pay = named(new QCheckBox(QStringLiteral("Частично плащане"), this), "ChkBox_4ast_Pay");
    ChkBox_4ast_Pay->setEnabled(false);
    Edit_4ast_Pay = namedEdit(QStringLiteral("Edit_4ast_Pay"), this);
    Edit_4ast_Pay->setText(QStringLiteral("0.0000"));
    Edit_4ast_Pay->hide();
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    DBGrid1->setModel(m_goods);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->verticalHeader()->hide();
    Button_Pay = namedButton(QStringLiteral("Button_Pay"), QStringLiteral("ИЗПЛАТИ"), this);
    Button_Pay->setDefault(true);
    Button_Cancel = namedButton(QStringLiteral("Button_Cancel"), QStringLiteral("Затвори"), this);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Печат"), this);

    auto *form = new QFormLayout;
    form->addRow(Label1, Label_Kontrag_Vnoski);
    form->addRow(QStringLiteral("Договор N:"), ComboBox_N_Kredit);
    form->addRow(QStringLiteral("Общ брой вноски :"), Label_Kol_Vnoski);
    form->addRow(QStringLiteral("Лихва в %:"), Label_Lihva);
    form->addRow(QStringLiteral("Първоначална вноска"), Label_First_Vnosk);
    form->addRow(QStringLiteral("Общо сума на покупка:"), Label12);
    form->addRow(QStringLiteral("Общо дължима сума :"), Label_Ob6to_Sum);
    form->addRow(QStringLiteral("Сума за вноска:"), Label_Sum_Vnoska);
    form->addRow(QStringLiteral("Номер вноска:"), Label_N_Vnoska);
    form->addRow(QStringLiteral("Сума за доплащане:"), Label_4ast_Pay_SUM);
    form->addRow(ChkBox_4ast_Pay, Edit_4ast_Pay);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch();
    buttons->addWidget(Button_Pay);
    buttons->addWidget(Button_Cancel);
    auto *top = new QHBoxLayout;
    top->addLayout(form);
    top->addWidget(DBGrid1, 1);
    auto *frame = new QVBoxLayout(this);
    frame->addLayout(top, 1);
    frame->addLayout(buttons);
    resize(900, 400);

    connect(Label1, &QLabel::linkActivated, this, &TForm_Vnoski_Kredit::Label1Click);
    connect(ComboBox_N_Kredit, &QComboBox::activated, this, &TForm_Vnoski_Kredit::ComboBox_N_KreditChange);
    connect(ChkBox_4ast_Pay, &QCheckBox::clicked, this, &TForm_Vnoski_Kredit::ChkBox_4ast_PayClick);
    connect(Edit_4ast_Pay, &QLineEdit::textEdited, this, [this] {
        if (Edit_4ast_Pay->text().trimmed().isEmpty())
            Edit_4ast_Pay->setText(QStringLiteral("0"));
    });
    connect(Button_Pay, &QPushButton::clicked, this, &TForm_Vnoski_Kredit::Button_PayClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &TForm_Vnoski_Kredit::Button_CancelClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_Vnoski_Kredit::Button1Click);

    CounterpartyPick::registerTarget(PickMode, [this](const CounterpartyPick::Picked &picked) {
        loadContracts(picked.referenceText());
    });
}

TForm_Vnoski_Kredit::~TForm_Vnoski_Kredit()
{
    CounterpartyPick::unregisterTarget(PickMode);
}

void TForm_Vnoski_Kredit::open(QWidget *owner, const QString &counterparty)
{
    if (!ItemRights::permit(QStringLiteral("N5"), owner))
        return;
    if (!g_form)
        g_form = new TForm_Vnoski_Kredit(owner);
    g_form->loadContracts(counterparty);
    Dialogs::exec(g_form);
}

long long TForm_Vnoski_Kredit::counterparty() const
{
    return std::max<long long>(0, GetID_MFromTreeNodeName(Label_Kontrag_Vnoski->text()));
}

void TForm_Vnoski_Kredit::clearState()
{
    m_state = {};
    Label_Kol_Vnoski->setText(QStringLiteral("0"));
    for (QLabel *l : {Label_Lihva, Label_First_Vnosk, Label12, Label_Ob6to_Sum, Label_Sum_Vnoska, Label_4ast_Pay_SUM})
        l->setText(QStringLiteral("0.0000"));
    Label_N_Vnoska->clear();
    m_goods->clear();
}

void TForm_Vnoski_Kredit::loadContracts(const QString &counterparty)
{
    Label_Kontrag_Vnoski->setText(counterparty);
    ComboBox_N_Kredit->clear();
    clearState();
    ChkBox_4ast_Pay->setChecked(false);
    Edit_4ast_Pay->hide();
    Edit_4ast_Pay->setText(QStringLiteral("0.0000"));
    const long long key = this->counterparty();
    if (key > 0) {
        try {
            ComboBox_N_Kredit->addItems(Consignment::openContracts(key));
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
        }
    }
    ChkBox_4ast_Pay->setEnabled(ComboBox_N_Kredit->count() > 0);
    if (ComboBox_N_Kredit->count() > 0) {
        ComboBox_N_Kredit->setCurrentIndex(0);
        ComboBox_N_KreditChange();
    }
}

void TForm_Vnoski_Kredit::ComboBox_N_KreditChange()
{
    clearState();
    const long long contract = ComboBox_N_Kredit->currentText().toLongLong();
    if (contract <= 0)
        return;
    try {
        m_state = Consignment::state(counterparty(), contract);
        Label_N_Vnoska->setText(QString::number(m_state.current));
        if (!m_state.exists)
            return;
        Label_Kol_Vnoski->setText(QString::number(m_state.count));
        Label_Lihva->setText(Money::fixed(m_state.rate, 4));
        Label_First_Vnosk->setText(Money::fixed(m_state.downPayment, 4));
        Label12->setText(Money::fixed(m_state.purchase, 4));
        Label_Ob6to_Sum->setText(Money::fixed(m_state.total, 4));
        Label_Sum_Vnoska->setText(Money::fixed(m_state.instalment, 4));
        Label_4ast_Pay_SUM->setText(Money::fixed(m_state.rest, 4));
        m_goods->setQuery(Consignment::goodsSql(), {counterparty(), contract});
        static const QList<std::pair<const char *, const char *>> titles = {
            {"ID_Art", "Арт. N"}, {"Opisanie", "Описание"}, {"Kol", "Кол."}, {"Ed_Cena", "Ед. цена"},
            {"Valuta", "Валута"}, {"T_O", "ТО в %"}, {"Operator", "Оператор"}};
        for (const auto &[field, title] : titles)
            m_goods->setHeaderTitle(QString::fromLatin1(field), QString::fromUtf8(title));
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
}

void TForm_Vnoski_Kredit::ChkBox_4ast_PayClick()
{
    Edit_4ast_Pay->setVisible(ChkBox_4ast_Pay->isChecked());
    if (ChkBox_4ast_Pay->isChecked()) {
        Edit_4ast_Pay->setText(QStringLiteral("0"));
        Edit_4ast_Pay->setFocus();
        Edit_4ast_Pay->selectAll();
    }
}

void TForm_Vnoski_Kredit::Label1Click()
{
    m_goods->clear();
    CounterpartyPickMode = PickMode;
    TForm_Kontrakents::N_KlientiClick(this);
}

void TForm_Vnoski_Kredit::Button_PayClick()
{
    const long long contract = ComboBox_N_Kredit->currentText().toLongLong();
    if (contract <= 0 || counterparty() <= 0) {
        Dialogs::message(QStringLiteral("Няма избран договор."), this);
        return;
    }
    const bool partial = ChkBox_4ast_Pay->isChecked();
    const Consignment::Payment p =
        Consignment::pay(counterparty(), contract, partial, Edit_4ast_Pay->text(),
                         AppState::instance().currentOperator(), AppState::instance().terminal(),
                         AppState::instance().activeWarehouseId());
    if (!p.ok) {
        Dialogs::message(p.message, this);
        if (partial) {
            Edit_4ast_Pay->setFocus();
            Edit_4ast_Pay->selectAll();
        }
        return;
    }
    if (p.closed && p.amount.isZero())
        Dialogs::message(QStringLiteral("Договор N: %1 е закрит: по него не остава нищо за плащане.").arg(contract),
                         this);
    else if (p.closed)
        Dialogs::message(QStringLiteral("Договор N: %1 е изплатен изцяло.").arg(contract), this);
    const QString key = Label_Kontrag_Vnoski->text();
    loadContracts(key);
    const int again = ComboBox_N_Kredit->findText(QString::number(contract));
    if (again >= 0) {
        ComboBox_N_Kredit->setCurrentIndex(again);
        ComboBox_N_KreditChange();
    }
}

void TForm_Vnoski_Kredit::Button1Click()
{
    Consignment::NoteText t;
    t.contract = ComboBox_N_Kredit->currentText().toLongLong();
    if (t.contract <= 0)
        return;
    t.partial = ChkBox_4ast_Pay->isChecked();
    t.counterpartyText = Label_Kontrag_Vnoski->text();
    t.instalment = m_state.current;
    t.count = Label_Kol_Vnoski->text();
    for (int r = 0; r < m_goods->rowCount(); ++r)
        t.goods << m_goods->record(r);
    if (t.partial)
        t.typed = Decimal::parse(Edit_4ast_Pay->text(), 2).value_or(Decimal());
    t.rest = m_state.rest;
    t.instalmentAmount = m_state.rest;
    QString error;
    if (!TextViewer::show(QStringLiteral("Vnoski_Pay.tmp"), Consignment::noteLines(t), this, &error))
        Dialogs::message(QStringLiteral("Бележката не може да бъде записана във файл.\n") + error, this);
}

void TForm_Vnoski_Kredit::Button_CancelClick()
{
    reject();
}

void TForm_Vnoski_Kredit::reject()
{
    Label_Kontrag_Vnoski->setText(QString::fromUtf8(NoCounterparty));
    ComboBox_N_Kredit->clear();
    clearState();
    ChkBox_4ast_Pay->setChecked(false);
    Edit_4ast_Pay->hide();
    QDialog::reject();
}
