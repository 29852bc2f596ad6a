#include "repair/form_remont.h"

#include "app/app_state.h"
#include "app/currency_rates.h"
#include "app/list_export.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "desk/text_viewer.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "platform/long_texts.h"
#include "repair/form_sastoqnie_remont.h"
#include "repair/repair_list_models.h"
#include "repair/repair_protocol.h"
#include "repair/repair_states.h"
#include "repair/repair_work.h"
#include "repair/work_list_link.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kNoCounterparty = QStringLiteral("0: Няма избран Контрагент");
const QString kNoArticle = QStringLiteral("0: Няма избран артикул");
const QString kNoRepairData = QStringLiteral("Не са посочени данни за ремонт");

QLabel *linkLabel(const char *name, const QString &caption, QWidget *parent)
{
    auto *l = named(new QLabel(caption, parent), name);
    QFont f = l->font();
    f.setBold(true);
    f.setUnderline(true);
    l->setFont(f);
    l->setCursor(Qt::PointingHandCursor);
    l->installEventFilter(parent);
    return l;
}

QDateEdit *datePicker(const char *name, QWidget *parent)
{
    auto *d = named(new QDateEdit(QDate::currentDate(), parent), name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QLatin1String(Dates::ShortFormat));
    return d;
}

void failed(const QString &what, const DbError &e, QWidget *parent)
{
    Dialogs::message(what + QStringLiteral("\n") + e.message(), parent);
}
} // namespace

TForm_Remont::TForm_Remont(QWidget *parent)
    : QDialog(parent)
    , m_lines(new RepairLinesModel(this))
    , m_intakes(new IntakeListModel(this))
{
    setObjectName(QStringLiteral("Form_Remont"));
    setWindowTitle(QStringLiteral("РЕМОНТ"));
    const QStringList titles = RepairWork::criterionTitles();
    const char *fields[] = {"N_Prodajba", "Status_Rem", "Barkod",   "S_N",      "Opisanie",
                            "Model",      "Partida",    "Pri4ina",  "Data_Priem", "Operator",
                            "Gar_Dok_N",  "Data_Gar_Dok", "Ime_Firma", "Krai_Data"};
    for (int i = 0; i < RepairWork::CriterionCount; ++i)
        m_intakes->setHeaderTitle(QString::fromLatin1(fields[i]), titles[i]);
    const QStringList lineTitles = RepairWork::lineTitles();
    const char *lineFields[] = {"ID", "Zamqna", "SN", "Remont", "Kol", "Ed_Cena", "Valuta", "Suma", "Garan_Remont",
                                "Oper_Remont"};
    for (int i = 0; i < lineTitles.size(); ++i)
        m_lines->setHeaderTitle(QString::fromLatin1(lineFields[i]), lineTitles[i]);
    buildLayout();

    ArticlePick::registerTarget(9, [this](const ArticlePick::Picked &p) {
        const auto row = Db::firstRow(
            QStringLiteral("SELECT ID, Opisanie, Ed_Cena, Valuta_P, Garancionen FROM Produkti WHERE ID = ?"), {p.id()});
        if (!row)
            return;
        const QString text = ArticlePick::referenceText(*row);
        Label_Opis_art->setText(text);
        Edit_Free_Tekst->setText(text);
        Edit_Cena->setText(Money::formatWidth(row->value(QStringLiteral("Ed_Cena")).toDouble(), 4, PriceDecimals));
        const int currency = ComboBox_Valuta->findText(row->value(QStringLiteral("Valuta_P")).toString());
        if (currency >= 0)
            ComboBox_Valuta->setCurrentIndex(currency);
        const bool warranty = row->value(QStringLiteral("Garancionen")).toString() == QLatin1String("True");
        Label_SN->setVisible(warranty);
        Edit_SN->setVisible(warranty);
        if (warranty) {
            Edit_SN->clear();
            Edit_SN->setFocus();
        }
    });
    CounterpartyPick::registerTarget(11, [this](const CounterpartyPick::Picked &p) {
        Label_Sel_Kontrag->setText(p.referenceText());
        chooseCriterion(RepairWork::CounterpartyCriterion);
        Button_SearchClick();
    });
    WorkListLink::setStatesRefill([this] { refillStates(); });
}

TForm_Remont::~TForm_Remont()
{
    ArticlePick::unregisterTarget(9);
    CounterpartyPick::unregisterTarget(11);
    WorkListLink::setStatesRefill({});
}

void TForm_Remont::buildLayout()
{
    // Search row
    Label_Search_Po = named(new QLabel(this), "Label_Search_Po");
    ComboBox_Select_Kriteria = named(new QComboBox(this), "ComboBox_Select_Kriteria");
    Panel_Search = named(new QWidget(this), "Panel_Search");
    Edit_Search_Text = namedEdit(QStringLiteral("Edit_Search_Text"), Panel_Search);
    ComboBox_Sreach_Status = named(new QComboBox(Panel_Search), "ComboBox_Sreach_Status");
    DateTimePicker_Data = datePicker("DateTimePicker_Data", Panel_Search);
    auto *panel = new QHBoxLayout(Panel_Search);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(Edit_Search_Text);
    panel->addWidget(ComboBox_Sreach_Status);
    panel->addWidget(DateTimePicker_Data);
    Label_Sel_Kontrag_Ser = linkLabel("Label_Sel_Kontrag_Ser", QStringLiteral("Контрагент:"), this);
    Label_Sel_Kontrag = named(new ElidedLabel(kNoCounterparty, this), "Label_Sel_Kontrag");
    Label_Sel_Kontrag->setTextFormat(Qt::PlainText);
    Button_Search = namedButton(QStringLiteral("Button_Search"), QStringLiteral("Търси"), this);
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(Label_Search_Po);
    searchRow->addWidget(ComboBox_Select_Kriteria);
    searchRow->addWidget(Panel_Search, 1);
    searchRow->addWidget(Label_Sel_Kontrag_Ser);
    searchRow->addSpacing(10);
    searchRow->addWidget(Label_Sel_Kontrag, 1);
    searchRow->addWidget(Button_Search);

    DBGrid_Priem = named(new QTableView(this), "DBGrid_Priem");
    GridSelection::setupList(DBGrid_Priem, m_intakes);
    DBGrid_Priem->installEventFilter(this);

    // State
    ComboBox_Status = named(new QComboBox(this), "ComboBox_Status");
    ComboBox_Status->setMinimumWidth(160);
    Label_Status_Remont = linkLabel("Label_Status_Remont", QStringLiteral("Промени статус"), this);
    Label_Status_Remont->setToolTip(QStringLiteral("Добави статус"));
    auto *stateRow = new QHBoxLayout;
    stateRow->addWidget(new QLabel(QStringLiteral("Статус:"), this));
    stateRow->addWidget(ComboBox_Status);
    stateRow->addWidget(Label_Status_Remont);
    stateRow->addStretch(1);

    // A new line
    ChkBox_Free_Tekst = named(new QCheckBox(QStringLiteral("Свободен текст"), this), "ChkBox_Free_Tekst");
    ChkBox_Zamqna = named(new QCheckBox(QStringLiteral("Замяна"), this), "ChkBox_Zamqna");
    Label_Select_art = linkLabel("Label_Select_art", QStringLiteral("Артикул :"), this);
    Label_Opis_art = named(new ElidedLabel(kNoArticle, this), "Label_Opis_art");
    Label_Opis_art->setTextFormat(Qt::PlainText);
    Edit_Free_Tekst = namedEdit(QStringLiteral("Edit_Free_Tekst"), this);
    Edit_Free_Tekst->setMaxLength(255);
    Edit_Free_Tekst->hide();
    Label_SN = named(new QLabel(QStringLiteral("Сериен номер:"), this), "Label_SN");
    Edit_SN = namedEdit(QStringLiteral("Edit_SN"), this);
    Label_SN->hide();
    Edit_SN->hide();
    Edit_Kol = namedEdit(QStringLiteral("Edit_Kol"), this);
    Edit_Kol->setText(QStringLiteral("1"));
    Edit_Cena = namedEdit(QStringLiteral("Edit_Cena"), this);
    Edit_Cena->setText(QStringLiteral("0.0000"));
    ComboBox_Valuta = named(new QComboBox(this), "ComboBox_Valuta"); // picks only from Valuti
    ComboBox_Sel_SpinEdit_Gar_Do = named(new QComboBox(this), "ComboBox_Sel_SpinEdit_Gar_Do");
    ComboBox_Sel_SpinEdit_Gar_Do->addItems({QStringLiteral("Дни"), QStringLiteral("Месеци"), QStringLiteral("До дата")});
    SpinEdit_Gar_Do = named(new QSpinBox(this), "SpinEdit_Gar_Do");
    SpinEdit_Gar_Do->setRange(0, 1000);
    DateTimePicker_Garan_Remont = datePicker("DateTimePicker_Garan_Remont", this);
    DateTimePicker_Garan_Remont->hide();
    Label_Gar_Do_Data = named(new QLabel(Dates::todayShort(), this), "Label_Gar_Do_Data");
    Button_Insert = namedButton(QStringLiteral("Button_Insert"), QStringLiteral("Добави"), this);
    Button_Delete = namedButton(QStringLiteral("Button_Delete"), QStringLiteral("Изтрии"), this);

    auto *entry = new QGridLayout;
    entry->addWidget(ChkBox_Free_Tekst, 0, 0);
    entry->addWidget(ChkBox_Zamqna, 0, 1);
    entry->addWidget(Label_Select_art, 1, 0);
    entry->addWidget(Label_Opis_art, 1, 1, 1, 5);
    entry->addWidget(Edit_Free_Tekst, 1, 1, 1, 5);
    entry->addWidget(Label_SN, 1, 6);
    entry->addWidget(Edit_SN, 1, 7);
    entry->addWidget(new QLabel(QStringLiteral("Кол.:"), this), 2, 0);
    entry->addWidget(Edit_Kol, 2, 1);
    entry->addWidget(new QLabel(QStringLiteral("Цена:"), this), 2, 2);
    entry->addWidget(Edit_Cena, 2, 3);
    entry->addWidget(ComboBox_Valuta, 2, 4);
    entry->addWidget(new QLabel(QStringLiteral("Гаранция:"), this), 3, 0);
    entry->addWidget(ComboBox_Sel_SpinEdit_Gar_Do, 3, 1);
    entry->addWidget(SpinEdit_Gar_Do, 3, 2);
    entry->addWidget(DateTimePicker_Garan_Remont, 3, 2);
    entry->addWidget(new QLabel(QStringLiteral("до:"), this), 3, 3);
    entry->addWidget(Label_Gar_Do_Data, 3, 4);
    entry->addWidget(Button_Insert, 2, 7);
    entry->addWidget(Button_Delete, 3, 7);
    entry->setColumnStretch(5, 1);

    DBGrid_Remont = named(new QTableView(this), "DBGrid_Remont");
    GridSelection::setupList(DBGrid_Remont, m_lines);
    DBGrid_Remont->setSelectionMode(QAbstractItemView::SingleSelection);

    Label_Ob6to_SUM = named(new QLabel(this), "Label_Ob6to_SUM");
    QFont bold = Label_Ob6to_SUM->font();
    bold.setBold(true);
    Label_Ob6to_SUM->setFont(bold);
    Button_Print = namedButton(QStringLiteral("Button_Print"), QStringLiteral("Печат"), this);
    Button_Izdavane = namedButton(QStringLiteral("Button_Izdavane"), QStringLiteral("ИЗДАВАНЕ"), this);
    Button_Cancel = namedButton(QStringLiteral("Button_Cancel"), QStringLiteral("Отказ"), this);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Label_Ob6to_SUM, 1);
    bottom->addWidget(Button_Print);
    bottom->addWidget(Button_Izdavane);
    bottom->addWidget(Button_Cancel);

    auto *all = new QVBoxLayout(this);
    all->addLayout(searchRow);
    all->addWidget(DBGrid_Priem, 3);
    all->addLayout(stateRow);
    all->addLayout(entry);
    all->addWidget(DBGrid_Remont, 2);
    all->addLayout(bottom);
    resize(1000, 700);

    connect(Button_Search, &QPushButton::clicked, this, &TForm_Remont::Button_SearchClick);
    connect(Edit_Search_Text, &QLineEdit::returnPressed, this, &TForm_Remont::Button_SearchClick);
    connect(ComboBox_Sreach_Status, &QComboBox::activated, this, &TForm_Remont::Button_SearchClick);
    connect(ComboBox_Select_Kriteria, &QComboBox::activated, this, &TForm_Remont::ComboBox_Select_KriteriaChange);
    connect(DBGrid_Priem, &QTableView::clicked, this,
            [this](const QModelIndex &index) { DBGrid_PriemCellClick(index.column()); });
    connect(DBGrid_Priem->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TForm_Remont::currentRowChanged);
    connect(ChkBox_Free_Tekst, &QCheckBox::clicked, this, &TForm_Remont::ChkBox_Free_TekstClick);
    connect(ChkBox_Zamqna, &QCheckBox::clicked, this, &TForm_Remont::ChkBox_ZamqnaClick);
    connect(Button_Insert, &QPushButton::clicked, this, &TForm_Remont::Button_InsertClick);
    connect(Button_Delete, &QPushButton::clicked, this, &TForm_Remont::Button_DeleteClick);
    connect(ComboBox_Sel_SpinEdit_Gar_Do, &QComboBox::activated, this,
            &TForm_Remont::ComboBox_Sel_SpinEdit_Gar_DoChange);
    connect(SpinEdit_Gar_Do, &QSpinBox::valueChanged, this, &TForm_Remont::SpinEdit_Gar_DoChange);
    connect(DateTimePicker_Garan_Remont, &QDateEdit::dateChanged, this,
            &TForm_Remont::DateTimePicker_Garan_Remont_SpinEdit_Gar_DoChange);
    // Only the operator's choice writes a state.
    connect(ComboBox_Status, &QComboBox::activated, this, &TForm_Remont::ComboBox_StatusChange);
    connect(Button_Izdavane, &QPushButton::clicked, this, &TForm_Remont::Button_IzdavaneClick);
    connect(Button_Print, &QPushButton::clicked, this, &TForm_Remont::Button_PrintClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &TForm_Remont::Button_CancelClick);
}

bool TForm_Remont::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        auto *label = qobject_cast<QLabel *>(watched);
        if (label && label->isEnabled()) {
            if (label == Label_Sel_Kontrag_Ser)
                Label_Sel_Kontrag_SerClick();
            else if (label == Label_Select_art)
                Label_Select_artClick();
            else if (label == Label_Status_Remont)
                Label_Status_RemontClick();
        }
    }
    if (watched == DBGrid_Priem && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down)
            DBGrid_PriemKeyUp(key);
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_Remont::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm_Remont::FormShow()
{
    m_intakes->setToday(QDate::currentDate());
    Label_Gar_Do_Data->setText(Dates::todayShort());
    ComboBox_Sel_SpinEdit_Gar_Do->setCurrentIndex(0);
    SpinEdit_Gar_Do->setValue(0); // the count agrees with the date shown
    SpinEdit_Gar_Do->show();
    DateTimePicker_Garan_Remont->hide();
    refillStates();
    ComboBox_Valuta->clear();
    try {
        for (const CurrencyRates::Row &r : CurrencyRates::all())
            ComboBox_Valuta->addItem(r.name);
    } catch (const DbError &e) {
        failed(QStringLiteral("Валутите не могат да бъдат прочетени."), e, this);
    }
    ComboBox_Select_Kriteria->clear();
    ComboBox_Select_Kriteria->addItems(RepairWork::criterionTitles());
    chooseCriterion(RepairWork::DefaultCriterion);
    Button_SearchClick();
}

void TForm_Remont::refillStates()
{
    ComboBox_Status->clear();
    try {
        for (const RepairStates::State &s : RepairStates::all())
            ComboBox_Status->addItem(s.name, s.id);
    } catch (const DbError &e) {
        failed(QStringLiteral("Състоянията не могат да бъдат прочетени."), e, this);
    }
    if (ComboBox_Status->count() > 0)
        ComboBox_Status->setCurrentIndex(0);
}

int TForm_Remont::criterion() const
{
    return m_criterion;
}

void TForm_Remont::chooseCriterion(int c)
{
    if (c < 0 || c >= RepairWork::CriterionCount)
        return;
    m_criterion = c;
    const QStringList titles = RepairWork::criterionTitles();
    Label_Search_Po->setText(QStringLiteral("Търсене по: ") + titles[c]);
    m_intakes->setCriterionColumn(c);
    if (ComboBox_Select_Kriteria->count() == RepairWork::CriterionCount)
        ComboBox_Select_Kriteria->setCurrentIndex(c);
    const RepairWork::Input input = RepairWork::inputOf(c);
    if (input == RepairWork::Input::State) {
        ComboBox_Sreach_Status->clear();
        for (int i = 0; i < ComboBox_Status->count(); ++i)
            ComboBox_Sreach_Status->addItem(ComboBox_Status->itemText(i), ComboBox_Status->itemData(i));
        if (ComboBox_Sreach_Status->count() > 0)
            ComboBox_Sreach_Status->setCurrentIndex(0);
    }
    ComboBox_Sreach_Status->setVisible(input == RepairWork::Input::State);
    DateTimePicker_Data->setVisible(input == RepairWork::Input::Date);
    Edit_Search_Text->setVisible(input == RepairWork::Input::Text);
    const bool byCounterparty = input == RepairWork::Input::Counterparty;
    Panel_Search->setVisible(!byCounterparty);
    Label_Sel_Kontrag_Ser->setVisible(byCounterparty);
    Label_Sel_Kontrag->setVisible(byCounterparty);
    if (!byCounterparty)
        Label_Sel_Kontrag->setText(kNoCounterparty);
    loadLines();
}

void TForm_Remont::Button_SearchClick()
{
    RepairWork::Search s;
    s.criterion = m_criterion;
    s.text = Edit_Search_Text->text();
    s.stateId = ComboBox_Sreach_Status->currentData().toLongLong();
    s.date = DateTimePicker_Data->date();
    s.counterparty = ReferenceText::key(Label_Sel_Kontrag->text());
    RepairWork::Query q;
    const QString refused = RepairWork::searchQuery(s, &q);
    if (!refused.isEmpty()) {
        Dialogs::message(refused, this);
        return;
    }
    const long long previous = CurrentIntakeNumber;
    try {
        m_intakes->setQuery(q.sql, q.params);
    } catch (const DbError &e) {
        m_intakes->clear();
        failed(QStringLiteral("Търсенето не бе изпълнено."), e, this);
    }
    Edit_Search_Text->clear();
    for (int c = RepairWork::CriterionCount; c < m_intakes->columnCount(); ++c)
        DBGrid_Priem->setColumnHidden(c, true);
    if (!m_widthsSet && m_intakes->columnCount() > 0) {
        m_widthsSet = true;
        const int widths[RepairWork::CriterionCount] = {50, 100, 60, 90, 200, 90, 80, 160, 90, 90, 90, 90, 160, 90};
        for (int c = 0; c < RepairWork::CriterionCount; ++c)
            DBGrid_Priem->setColumnWidth(c, widths[c]);
    }
    // The intake shown before stays current when it is still listed.
    if (m_intakes->rowCount() > 0) {
        const int row = qMax(0, m_intakes->findRow(QStringLiteral("N_Prodajba"), previous));
        // Current, not marked: only the operator's marks are issued.
        const QModelIndex index = m_intakes->index(row, qMax(0, m_criterion));
        DBGrid_Priem->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        DBGrid_Priem->scrollTo(index);
    }
    currentRowChanged();
}

void TForm_Remont::currentRowChanged()
{
    const int row = DBGrid_Priem->currentIndex().row();
    CurrentIntakeNumber = row >= 0 && row < m_intakes->rowCount()
                              ? m_intakes->value(row, QStringLiteral("N_Prodajba")).toLongLong()
                              : 0;
    loadLines();
}

void TForm_Remont::loadLines()
{
    Decimal total;
    if (CurrentIntakeNumber == 0) {
        m_lines->clear();
    } else {
        const RepairWork::Query q = RepairWork::linesQuery(CurrentIntakeNumber);
        try {
            m_lines->setQuery(q.sql, q.params);
        } catch (const DbError &e) {
            m_lines->clear();
            failed(QStringLiteral("Редовете на ремонта не могат да бъдат прочетени."), e, this);
        }
        QList<QSqlRecord> lines;
        for (int r = 0; r < m_lines->rowCount(); ++r)
            lines << m_lines->record(r);
        try {
            total = RepairWork::linesTotal(lines, PriceDecimals);
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
        }
    }
    DBGrid_Remont->setColumnHidden(m_lines->fieldIndex(QStringLiteral("N_Priem")), true);
    DBGrid_Remont->setColumnHidden(m_lines->fieldIndex(QStringLiteral("Kurs")), true);
    DBGrid_Remont->setColumnWidth(0, 40);
    DBGrid_Remont->setColumnWidth(3, 240);
    Label_Ob6to_SUM->setText(QStringLiteral("Обща сума на ремонта в лв : ")
                             + Money::formatWidth(total, 4, PriceDecimals));
}

void TForm_Remont::DBGrid_PriemCellClick(int column)
{
    chooseCriterion(column);
}

void TForm_Remont::ComboBox_Select_KriteriaChange()
{
    const int c = ComboBox_Select_Kriteria->currentIndex();
    chooseCriterion(c);
    const QModelIndex current = DBGrid_Priem->currentIndex();
    if (current.isValid())
        DBGrid_Priem->setCurrentIndex(m_intakes->index(current.row(), c));
    Button_SearchClick();
}

void TForm_Remont::DBGrid_PriemKeyUp(int)
{
    chooseCriterion(RepairWork::ArticleCriterion);
}

void TForm_Remont::Label_Sel_Kontrag_SerClick()
{
    CounterpartyPickMode = 11;
    TForm_Kontrakents::N_KlientiClick(this);
}

void TForm_Remont::Label_Select_artClick()
{
    ArticlePickMode = 9;
    TForm_Artikuli::N_ArtikuliClick(this);
}

void TForm_Remont::ChkBox_Free_TekstClick()
{
    const bool free = ChkBox_Free_Tekst->isChecked();
    Label_Opis_art->setVisible(!free);
    Label_Select_art->setEnabled(!free);
    ChkBox_Zamqna->setEnabled(!free);
    Edit_Free_Tekst->setVisible(free);
    if (free) {
        Edit_Free_Tekst->clear();
        Edit_Free_Tekst->setFocus();
        Label_SN->hide();
        Edit_SN->hide();
    }
}

void TForm_Remont::ChkBox_ZamqnaClick()
{
    ChkBox_Free_Tekst->setEnabled(!ChkBox_Zamqna->isChecked());
}

void TForm_Remont::Button_InsertClick()
{
    if (CurrentIntakeNumber == 0)
        return;
    RepairWork::Line line;
    // What is shown is what is stored: the typed text, or the picked article.
    if (ChkBox_Free_Tekst->isChecked())
        line.remont = Edit_Free_Tekst->text().trimmed();
    else if (ReferenceText::key(Label_Opis_art->text()) > 0)
        line.remont = Label_Opis_art->text();
    line.currency = ComboBox_Valuta->currentText();
    if (line.remont.isEmpty() || line.currency.isEmpty()) {
        Dialogs::message(kNoRepairData, this);
        return;
    }
    if (!Numbers::parse(Edit_Kol->text(), &line.kol)) {
        Dialogs::message(QStringLiteral("Количеството трябва да е число"), this);
        return;
    }
    if (!Numbers::parse(Edit_Cena->text(), &line.price)) {
        Dialogs::message(QStringLiteral("Цената трябва да е число"), this);
        return;
    }
    line.warranty = Dates::fromShort(Label_Gar_Do_Data->text());
    line.serial = Edit_SN->text();
    line.replaced = ChkBox_Zamqna->isChecked();
    line.operatorName = AppState::instance().currentOperator();
    RepairWork::AddResult result;
    try {
        result = RepairWork::addLine(CurrentIntakeNumber, line);
    } catch (const DbError &e) {
        failed(kNoRepairData, e, this);
        return;
    }
    if (result == RepairWork::AddResult::IntakeGone) {
        Dialogs::message(QStringLiteral("Ремонтът вече е издаден"), this);
        Button_SearchClick();
        return;
    }
    loadLines();
    Label_Opis_art->setText(kNoArticle);
    Edit_SN->clear();
    Edit_Cena->setText(QStringLiteral("0.0000"));
    Edit_Kol->setText(QStringLiteral("1"));
}

void TForm_Remont::Button_DeleteClick()
{
    const int row = DBGrid_Remont->currentIndex().row();
    if (row < 0 || row >= m_lines->rowCount())
        return;
    try {
        RepairWork::deleteLine(m_lines->value(row, QStringLiteral("ID")).toLongLong());
    } catch (const DbError &e) {
        failed(QStringLiteral("Редът не бе изтрит."), e, this);
    }
    loadLines();
}

void TForm_Remont::ComboBox_Sel_SpinEdit_Gar_DoChange()
{
    const bool byDate = ComboBox_Sel_SpinEdit_Gar_Do->currentIndex() == int(RepairWork::WarrantyUnit::UntilDate);
    SpinEdit_Gar_Do->setVisible(!byDate);
    DateTimePicker_Garan_Remont->setVisible(byDate);
    if (byDate)
        return;
    SpinEdit_Gar_Do->setFocus();
    SpinEdit_Gar_DoChange();
}

void TForm_Remont::SpinEdit_Gar_DoChange()
{
    const auto unit = RepairWork::WarrantyUnit(ComboBox_Sel_SpinEdit_Gar_Do->currentIndex());
    if (unit == RepairWork::WarrantyUnit::UntilDate)
        return;
    Label_Gar_Do_Data->setText(
        Dates::toShort(RepairWork::warrantyUntil(QDate::currentDate(), unit, SpinEdit_Gar_Do->value())));
}

void TForm_Remont::DateTimePicker_Garan_Remont_SpinEdit_Gar_DoChange()
{
    if (ComboBox_Sel_SpinEdit_Gar_Do->currentIndex() == int(RepairWork::WarrantyUnit::UntilDate))
        Label_Gar_Do_Data->setText(Dates::toShort(DateTimePicker_Garan_Remont->date()));
}

void TForm_Remont::ComboBox_StatusChange()
{
    if (CurrentIntakeNumber == 0 || ComboBox_Status->currentIndex() < 0)
        return;
    try {
        RepairWork::setState(CurrentIntakeNumber, ComboBox_Status->currentData().toLongLong());
    } catch (const DbError &e) {
        failed(QStringLiteral("Състоянието не бе променено."), e, this);
    }
    Button_SearchClick();
}

void TForm_Remont::Label_Status_RemontClick()
{
    TForm_Sastoqnie_Remont::open(this);
}

void TForm_Remont::Button_IzdavaneClick()
{
    QList<long long> marked;
    for (int row : GridSelection::markedRows(DBGrid_Priem))
        marked << m_intakes->value(row, QStringLiteral("N_Prodajba")).toLongLong();
    if (marked.isEmpty()) {
        Dialogs::message(QStringLiteral("Няма данни за извършен ремонт"), this);
        return;
    }
    try {
        const QList<long long> bare = RepairWork::withoutLines(marked);
        if (!bare.isEmpty() && !Dialogs::yesNo(RepairWork::withoutLinesQuestion(bare), this))
            return;
        DBGrid_Remont->selectAll();
        RepairWork::issue(marked, QDate::currentDate(), QTime::currentTime());
    } catch (const DbError &e) {
        failed(QStringLiteral("Издаването не бе извършено; нищо не е записано."), e, this);
    }
    Button_SearchClick();
}

bool TForm_Remont::Button_PrintClick()
{
    const int row = m_intakes->findRow(QStringLiteral("N_Prodajba"), CurrentIntakeNumber);
    if (CurrentIntakeNumber == 0 || row < 0) {
        Dialogs::message(QStringLiteral("Няма избран ремонт за протокол"), this);
        return false;
    }
    RepairProtocol::Protocol p;
    p.today = QDate::currentDate();
    p.article = m_intakes->value(row, QStringLiteral("Opisanie")).toString();
    p.serial = m_intakes->value(row, QStringLiteral("S_N")).toString();
    p.reason = m_intakes->value(row, QStringLiteral("Pri4ina")).toString();
    try {
        p.client = RepairProtocol::clientName(m_intakes->value(row, QStringLiteral("ID_Kontrag")).toLongLong());
    } catch (const DbError &e) {
        failed(QStringLiteral("Протоколът не бе записан."), e, this);
        return false;
    }
    p.firm = RepairProtocol::Firm::read();
    for (int r = 0; r < m_lines->rowCount(); ++r) {
        RepairProtocol::Line l;
        l.id = m_lines->value(r, QStringLiteral("ID")).toLongLong();
        l.warranty = Dates::isoToShort(m_lines->value(r, QStringLiteral("Garan_Remont")).toString());
        l.remont = m_lines->value(r, QStringLiteral("Remont")).toString();
        l.kol = m_lines->value(r, QStringLiteral("Kol")).toDouble();
        l.price = m_lines->value(r, QStringLiteral("Ed_Cena")).toDouble();
        l.currency = m_lines->value(r, QStringLiteral("Valuta")).toString();
        const QVariant suma = m_lines->value(r, QStringLiteral("Suma"));
        if (!suma.isNull())
            l.suma = suma.toDouble();
        p.lines << l;
    }
    p.total = Label_Ob6to_SUM->text();
    p.operatorName = AppState::instance().currentOperator();
    p.footer = ReportFooter;
    QString error;
    if (!TextViewer::show(QString::fromLatin1(RepairProtocol::FileName), RepairProtocol::lines(p), this, &error)) {
        Dialogs::message(QStringLiteral("Протоколът не може да бъде записан:\n") + error, this);
        return false;
    }
    return true;
}

void TForm_Remont::Button_CancelClick()
{
    reject();
}
