#include "fiscal_service/form_sv_bim.h"

#include "app/app_state.h"
#include "common/dates.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "fiscal_service/sv_bim.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
inline constexpr int PickMode = 13;
const char *const NoSealer = "0: Няма избран контрагент";
} // namespace

TForm_Sv_BIM::TForm_Sv_BIM(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Sv_BIM"));
    setWindowTitle(QStringLiteral("Свидетелсва на БИМ"));
    auto *box = new QVBoxLayout(this);
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    model = new SqlListModel(this);
    DBGrid1->setModel(model);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->verticalHeader()->hide();
    box->addWidget(DBGrid1, 1);

    auto *g = new QGridLayout;
    Edit_Model = namedEdit(QStringLiteral("Edit_Model"), this);
    Edit_Model->setMaxLength(30);
    SpinEdit_SV_N = namedEdit(QStringLiteral("SpinEdit_SV_N"), this);
    DateTimePicker1 = named(new QDateEdit(this), "DateTimePicker1");
    DateTimePicker1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DateTimePicker1->setCalendarPopup(true);
    g->addWidget(new QLabel(QStringLiteral("Модел"), this), 0, 0);
    g->addWidget(Edit_Model, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Номер"), this), 0, 2);
    g->addWidget(SpinEdit_SV_N, 0, 3);
    g->addWidget(new QLabel(QStringLiteral("от дата"), this), 0, 4);
    g->addWidget(DateTimePicker1, 0, 5);
    Label4 = named(new QLabel(QStringLiteral("<u>Контрагент</u>"), this), "Label4");
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->installEventFilter(this);
    Label_Kontrag = named(new ElidedLabel(QString::fromUtf8(NoSealer), this), "Label_Kontrag");
    Label_Kontrag->setTextFormat(Qt::PlainText);
    g->addWidget(Label4, 1, 0);
    g->addWidget(Label_Kontrag, 1, 1, 1, 5);
    box->addLayout(g);

    auto *buttons = new QHBoxLayout;
    BitBtn_New = namedButton(QStringLiteral("BitBtn_New"), QStringLiteral("Добави"), this);
    BitBtn_Dell = namedButton(QStringLiteral("BitBtn_Dell"), QStringLiteral("Изтрии"), this);
    BitBtn_Edit = namedButton(QStringLiteral("BitBtn_Edit"), QStringLiteral("Редактирай"), this);
    for (QPushButton *b : {BitBtn_New, BitBtn_Dell, BitBtn_Edit})
        buttons->addWidget(b);
    buttons->addStretch();
    box->addLayout(buttons);

    connect(BitBtn_New, &QPushButton::clicked, this, [this] { BitBtn_NewClick(); });
    connect(BitBtn_Dell, &QPushButton::clicked, this, [this] { BitBtn_DellClick(); });
    connect(BitBtn_Edit, &QPushButton::clicked, this, [this] { BitBtn_EditClick(); });
    connect(DBGrid1, &QTableView::clicked, this, [this] { DBGrid1CellClick(); });
    connect(DBGrid1, &QTableView::doubleClicked, this, [this] { DBGrid1DblClick(); });

    CounterpartyPick::registerTarget(PickMode, [self = QPointer<TForm_Sv_BIM>(this)](const CounterpartyPick::Picked &p) {
        if (self)
            self->Label_Kontrag->setText(p.referenceText());
    });
    resetEditors(QStringLiteral("1"));
    setMode(0);
    resize(720, 440);
}

TForm_Sv_BIM::~TForm_Sv_BIM()
{
    CounterpartyPick::unregisterTarget(PickMode);
}

int TForm_Sv_BIM::mode() const
{
    return BitBtn_New->property("mode").toInt();
}

void TForm_Sv_BIM::setMode(int mode)
{
    for (QPushButton *b : {BitBtn_New, BitBtn_Dell})
        b->setProperty("mode", mode);
    BitBtn_New->setText(mode == 0 ? QStringLiteral("Добави") : QStringLiteral("Приеми"));
    BitBtn_Dell->setText(mode == 0 ? QStringLiteral("Изтрии") : QStringLiteral("Откажи"));
    BitBtn_Edit->setEnabled(mode == 0);
}

void TForm_Sv_BIM::resetEditors(const QString &number)
{
    Edit_Model->clear();
    SpinEdit_SV_N->setText(number);
    DateTimePicker1->setDate(QDate::currentDate());
}

void TForm_Sv_BIM::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TForm_Sv_BIM::FormShow()
{
    reload();
}

void TForm_Sv_BIM::reload()
{
    // A reload forgets the chosen row: a delete acts only on a row chosen since.
    m_selected = 0;
    try {
        model->setQuery(SvBim::listSql());
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Грешка при четене на свидетелствата:\n") + e.message(), this);
    }
    DBGrid1->clearSelection();
}

void TForm_Sv_BIM::DBGrid1CellClick()
{
    const QModelIndex current = DBGrid1->currentIndex();
    if (current.isValid())
        m_selected = model->value(current.row(), QStringLiteral("ID")).toLongLong();
}

void TForm_Sv_BIM::Label4Click()
{
    CounterpartyPickMode = PickMode;
    TForm_Kontrakents::N_KlientiClick(this);
}

void TForm_Sv_BIM::BitBtn_EditClick()
{
    const QModelIndex current = DBGrid1->currentIndex();
    if (!current.isValid())
        return;
    const QSqlRecord row = model->record(current.row());
    Edit_Model->setText(row.value(QStringLiteral("Model_Opis")).toString());
    SpinEdit_SV_N->setText(row.value(QStringLiteral("SV_ID")).toString());
    DateTimePicker1->setDate(Dates::fromIso(row.value(QStringLiteral("SV_Data")).toString()));
    Label_Kontrag->setText(ReferenceText::make(row.value(QStringLiteral("ID_Plomb")).toLongLong(),
                                               row.value(QStringLiteral("Ime_Firma")).toString()));
    m_selected = row.value(QStringLiteral("ID")).toLongLong();
    setMode(1);
}

void TForm_Sv_BIM::BitBtn_NewClick()
{
    SvBim::Certificate c;
    c.model = Edit_Model->text();
    c.number = SpinEdit_SV_N->text();
    c.date = DateTimePicker1->date();
    c.sealer = GetID_MFromTreeNodeName(Label_Kontrag->text());
    const bool editing = mode() == 1;
    if (editing && m_selected <= 0)
        return;
    SvBim::Result r;
    try {
        r = editing ? SvBim::update(m_selected, c) : SvBim::add(c);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Свидетелството не е записано:\n") + e.message(), this);
        return;
    }
    if (r != SvBim::Result::Saved) {
        Dialogs::message(SvBim::message(r), this);
        return;
    }
    reload();
    resetEditors(QStringLiteral("1"));
    setMode(0);
}

void TForm_Sv_BIM::BitBtn_DellClick()
{
    if (mode() == 1) { // cancel the edit
        resetEditors(QStringLiteral("0"));
        setMode(0);
        return;
    }
    if (m_selected <= 0)
        return;
    SvBim::Result r;
    try {
        r = SvBim::remove(m_selected);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Свидетелството не е изтрито:\n") + e.message(), this);
        return;
    }
    if (r == SvBim::Result::InUse)
        Dialogs::message(SvBim::message(r), this);
    reload();
}

bool TForm_Sv_BIM::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease) {
        Label4Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
