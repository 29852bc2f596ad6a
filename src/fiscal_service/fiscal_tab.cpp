#include "fiscal_service/fiscal_tab.h"

#include "documents/document_query.h"
#include "fiscal_service/device_register.h"
#include "platform/db/list_model.h"
#include "platform/named.h"
#include "platform/printer_check_list.h"
#include "platform/long_texts.h"
#include "repair/client_search.h"

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
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedLayout>
#include <QTableView>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
FiscalTab *g_instance = nullptr;

QLabel *valueLabel(const char *name, QWidget *parent, const QString &text = QString::fromUtf8(DeviceRegister::NotGiven))
{
    auto *l = named(new ElidedLabel(text, parent), name);
    l->setFrameShape(QFrame::StyledPanel);
    l->setMinimumWidth(120);
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return l;
}

// The value under an editor is not painted while the editor covers it (a
// combo box does not paint its whole cell).
class CoverFilter : public QObject
{
public:
    CoverFilter(QWidget *value, QObject *parent) : QObject(parent), m_value(value) {}
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide)
            m_value->setVisible(e->type() == QEvent::Hide);
        return false;
    }

private:
    QWidget *m_value;
};

// A title and its value in one grid row; an editor shares the value's place
// and covers it while an operation shows it.
void addRow(QGridLayout *grid, const QString &title, QWidget *value, QWidget *editor = nullptr)
{
    QWidget *parent = value->parentWidget();
    const int r = grid->rowCount();
    grid->addWidget(new QLabel(title, parent), r, 0);
    if (!editor) {
        grid->addWidget(value, r, 1);
        return;
    }
    auto *cell = new QWidget(parent);
    auto *stack = new QStackedLayout(cell);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->addWidget(value);
    stack->addWidget(editor);
    editor->raise();
    editor->hide();
    editor->installEventFilter(new CoverFilter(value, editor));
    grid->addWidget(cell, r, 1);
}

// A shown-only value in its own grid row.
QLabel *valueRow(QGridLayout *grid, const QString &title, const char *name, QWidget *parent)
{
    QLabel *l = valueLabel(name, parent);
    addRow(grid, title, l);
    return l;
}

// Enter in a line edit runs `handler` (the edit's key press of Enter).
class EnterFilter : public QObject
{
public:
    EnterFilter(QObject *parent, std::function<void()> handler) : QObject(parent), m_handler(std::move(handler)) {}
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_handler();
                return true;
            }
        } else if (e->type() == QEvent::MouseButtonRelease) {
            if (auto *edit = qobject_cast<QLineEdit *>(o))
                edit->selectAll();
        }
        return false;
    }

private:
    std::function<void()> m_handler;
};
} // namespace

FiscalTab::FiscalTab(ModeTab *tab)
{
    g_instance = this;
    build(tab);
}

FiscalTab::~FiscalTab()
{
    if (g_instance == this) {
        g_instance = nullptr;
        DocumentQuery::setFiscalDataHook({});
    }
}

FiscalTab *FiscalTab::instance()
{
    return g_instance;
}

void FiscalTab::setContractMode(FiscalContractMode *mode)
{
    m_contract = mode;
    if (!mode)
        SpdBtn_Dog->setEnabled(false);
}

void FiscalTab::tabActivated()
{
    Edit_ID_EKA->clear();
    Edit_ID_EKA->setFocus();
}

void FiscalTab::build(ModeTab *tab)
{
    auto *row = new QHBoxLayout;
    // The view scrolls on a small screen rather than widen the main window.
    auto *scroll = named(new QScrollArea(tab), "ScrollBox_Fisk_View");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(buildView(scroll));
    row->addWidget(scroll, 1);
    row->addWidget(buildRightPanel(tab));
    tab->content()->addLayout(row);

    // One choice list for the four counterparty entries.
    ListBox_Kontrag_Fisk = named(new QListWidget(GroupBox_Owner_Main), "ListBox_Kontrag_Fisk");
    attachSearch(Edit_Kontrag, PickOwner, GroupBox_Owner_Main, nullptr);
    attachSearch(Edit_Services, PickService, GroupBox_Device_Main, Label_Serviz_Ime);
    attachSearch(Edit_TDD, PickTaxOffice, GroupBox_Device_More, Label_Ime_TDD);
    attachSearch(Edit_Plomb_Ot, PickSealer, GroupBox_Device_Main, Label_Plomb_Ot);

    // Escape while the save panel shows is "ОТКАЗ"; in the choice list it only closes the list.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), tab);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (ListBox_Kontrag_Fisk->hasFocus()) {
            ListBox_Kontrag_Fisk->hide();
            if (m_searched)
                m_searched->setFocus();
        } else if (Panel_Save->isVisible()) {
            Button_Cancel_FiskClick();
        }
    });
    installReports();
}

void FiscalTab::attachSearch(QLineEdit *entry, int purpose, QWidget *group, QLabel *mirror)
{
    ClientSearch::Rules rules;
    rules.keyPrefixes = false; // only a Cyrillic name narrows the list here
    rules.clearOnError = false;
    rules.listHost = group;
    connect(entry, &QLineEdit::textEdited, this, [this, entry, purpose] {
        m_purpose = purpose;
        m_searched = entry;
    });
    if (mirror)
        connect(entry, &QLineEdit::textChanged, mirror, &QLabel::setText);
    auto *search = new ClientSearch(entry, ListBox_Kontrag_Fisk, rules, this);
    search->onTaken = [this, purpose](const QString &item) { listChoice(purpose, item); };
    search->onNewCounterparty = [this] {
        if (counterpartyOpener)
            counterpartyOpener(Edit_ID_EKA->window());
    };
    m_searches << search;
}

QWidget *FiscalTab::buildView(QWidget *parent)
{
    auto *view = new QWidget(parent);
    auto *box = new QVBoxLayout(view);
    box->setContentsMargins(0, 0, 0, 0);

    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(new QLabel(QStringLiteral("Инд. номер ЕКА"), view));
    Edit_ID_EKA = namedEdit(QStringLiteral("Edit_ID_EKA"), view);
    Edit_ID_EKA->setMaxLength(30);
    numberRow->addWidget(Edit_ID_EKA);
    numberRow->addStretch();
    box->addLayout(numberRow);
    Edit_ID_EKA->installEventFilter(new EnterFilter(this, [this] { Edit_ID_EKAKeyPress(); }));
    connect(Edit_ID_EKA, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString upper = text.toUpper();
        if (upper != text) { // the entry forces upper case
            const int at = Edit_ID_EKA->cursorPosition();
            Edit_ID_EKA->setText(upper);
            Edit_ID_EKA->setCursorPosition(at);
        }
    });

    // A group with its "Основни" and "Допълнителни" halves side by side.
    const auto halves = [view](const QString &title, const QString &name, QGroupBox **main, QGroupBox **more) {
        auto *group = new QGroupBox(title, view);
        group->setObjectName(name);
        auto *row = new QHBoxLayout(group);
        *main = new QGroupBox(QStringLiteral("Основни"), group);
        (*main)->setObjectName(name + QStringLiteral("_Main"));
        *more = new QGroupBox(QStringLiteral("Допълнителни"), group);
        (*more)->setObjectName(name + QStringLiteral("_More"));
        row->addWidget(*main);
        row->addWidget(*more);
        return group;
    };
    // Device: main and further data
    GroupBox_Device = halves(QStringLiteral("Данни за устройството"), QStringLiteral("GroupBox_Device"),
                             &GroupBox_Device_Main, &GroupBox_Device_More);

    QWidget *m = GroupBox_Device_Main;
    auto *g = new QGridLayout(m);
    Label_MFP_N = valueLabel("Label_MFP_N", m);
    Edit_MFP = namedEdit(QStringLiteral("Edit_MFP"), m);
    addRow(g, QStringLiteral("Номер на МФП"), Label_MFP_N, Edit_MFP);
    Label_Opis = valueLabel("Label_Opis", m);
    ComboBox_Model_EKA = named(new QComboBox(m), "ComboBox_Model_EKA");
    addRow(g, QStringLiteral("Модел"), Label_Opis, ComboBox_Model_EKA);
    Label_Data_Fisk = valueLabel("Label_Data_Fisk", m);
    DateTimePicker_Data_Fisk = named(new QDateEdit(m), "DateTimePicker_Data_Fisk");
    DateTimePicker_Data_Fisk->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DateTimePicker_Data_Fisk->setCalendarPopup(true);
    addRow(g, QStringLiteral("Дата фискализация"), Label_Data_Fisk, DateTimePicker_Data_Fisk);
    Label_Time_Fisk = valueLabel("Label_Time_Fisk", m);
    DateTimePicker_Time_Fisk = named(new QTimeEdit(m), "DateTimePicker_Time_Fisk");
    DateTimePicker_Time_Fisk->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    addRow(g, QStringLiteral("Час фискализация"), Label_Time_Fisk, DateTimePicker_Time_Fisk);
    Label_SV_N = valueLabel("Label_SV_N", m);
    Label_SV_Data = valueLabel("Label_SV_Data", m, QStringLiteral("/  дата : "));
    {
        auto *certificate = new QWidget(m);
        auto *line = new QHBoxLayout(certificate);
        line->setContentsMargins(0, 0, 0, 0);
        Label_SV_N->setParent(certificate);
        Label_SV_Data->setParent(certificate);
        line->addWidget(Label_SV_N, 1);
        line->addWidget(Label_SV_Data, 1);
        addRow(g, QStringLiteral("Свидетелство N"), certificate);
    }
    Label_Serviz_Ime = valueLabel("Label_Serviz_Ime", m);
    Edit_Services = namedEdit(QStringLiteral("Edit_Services"), m);
    addRow(g, QStringLiteral("Сервизен център"), Label_Serviz_Ime, Edit_Services);
    Label_Servis_Adres = valueRow(g, QStringLiteral("Адрес на сервиз"), "Label_Servis_Adres", m);
    Label_Grad_Ser = valueRow(g, QStringLiteral("Населено място"), "Label_Grad_Ser", m);
    Label_Tel_Serv = valueRow(g, QStringLiteral("Телефон на сервиз"), "Label_Tel_Serv", m);
    Label_Dosie_ID = valueLabel("Label_Dosie_ID", m);
    Edit_Dosie_ID = namedEdit(QStringLiteral("Edit_Dosie_ID"), m);
    addRow(g, QStringLiteral("Досие N"), Label_Dosie_ID, Edit_Dosie_ID);
    Label_Plomb_Ot = valueLabel("Label_Plomb_Ot", m);
    Edit_Plomb_Ot = namedEdit(QStringLiteral("Edit_Plomb_Ot"), m);
    addRow(g, QStringLiteral("Пломбиран от"), Label_Plomb_Ot, Edit_Plomb_Ot);
    g->setRowStretch(g->rowCount(), 1);

    m = GroupBox_Device_More;
    g = new QGridLayout(m);
    Label_Dog_ID = valueLabel("Label_Dog_ID", m, QString::fromLatin1(DeviceRegister::NoContractNumber));
    Edit_Dog_ID = namedEdit(QStringLiteral("Edit_Dog_ID"), m);
    Edit_Dog_ID->setMaxLength(16);
    addRow(g, QStringLiteral("Договор  N"), Label_Dog_ID, Edit_Dog_ID);
    Label_Data_Dog = valueLabel("Label_Data_Dog", m);
    Label_Data_Dog->setAutoFillBackground(true);
    DateTimePicker_Data_Dog = named(new QDateEdit(m), "DateTimePicker_Data_Dog");
    addRow(g, QStringLiteral("Валиден до дата"), Label_Data_Dog, DateTimePicker_Data_Dog);
    Label_Vid_Dog = valueLabel("Label_Vid_Dog", m);
    ComboBox_Vid_Dog = named(new QComboBox(m), "ComboBox_Vid_Dog");
    ComboBox_Vid_Dog->setEditable(true);
    addRow(g, QStringLiteral("Вид договор"), Label_Vid_Dog, ComboBox_Vid_Dog);
    Label_Dog_Ot = valueLabel("Label_Dog_Ot", m);
    DateTimePicker_Dog_Ot = named(new QDateEdit(m), "DateTimePicker_Dog_Ot");
    addRow(g, QStringLiteral("Дата на сключване"), Label_Dog_Ot, DateTimePicker_Dog_Ot);
    for (QDateEdit *d : {DateTimePicker_Data_Dog, DateTimePicker_Dog_Ot}) {
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        d->setCalendarPopup(true);
        d->setMinimumDate(QDate(1899, 12, 30));
    }
    Label_Period_Dog = named(new QLabel(QStringLiteral("Период "), m), "Label_Period_Dog");
    SpinEdit_Period_Dog = named(new QSpinBox(m), "SpinEdit_Period_Dog");
    SpinEdit_Period_Dog->setRange(1, 100000);
    SpinEdit_Period_Dog->setValue(12);
    Label_Period_Mes = named(new QLabel(QStringLiteral(", месеца"), m), "Label_Period_Mes");
    {
        auto *period = new QHBoxLayout;
        period->addWidget(Label_Period_Dog);
        period->addWidget(SpinEdit_Period_Dog);
        period->addWidget(Label_Period_Mes);
        period->addStretch();
        g->addLayout(period, g->rowCount(), 1);
        for (QWidget *w : {static_cast<QWidget *>(Label_Period_Dog), static_cast<QWidget *>(SpinEdit_Period_Dog),
                           static_cast<QWidget *>(Label_Period_Mes)})
            w->hide();
    }
    Label_Ime_TDD = valueLabel("Label_Ime_TDD", m);
    Edit_TDD = namedEdit(QStringLiteral("Edit_TDD"), m);
    addRow(g, QStringLiteral("Данъчна служба"), Label_Ime_TDD, Edit_TDD);
    Label_Name_Obekt = valueLabel("Label_Name_Obekt", m);
    ComboBox_Sel_Obekt = named(new QComboBox(m), "ComboBox_Sel_Obekt");
    addRow(g, QStringLiteral("Име на обект"), Label_Name_Obekt, ComboBox_Sel_Obekt);
    Label_Grad_Obekt = valueRow(g, QStringLiteral("Населено място"), "Label_Grad_Obekt", m);
    Label_Adres_Obekt = valueRow(g, QStringLiteral("Адрес на обект"), "Label_Adres_Obekt", m);
    Label_Tel_Obekt = valueRow(g, QStringLiteral("Телефон на обект"), "Label_Tel_Obekt", m);
    Label_MOL_Obekt = valueRow(g, QStringLiteral("МОЛ на обект"), "Label_MOL_Obekt", m);
    g->setRowStretch(g->rowCount(), 1);
    box->addWidget(GroupBox_Device);

    // Owner: main data and counts with the owner's other devices
    GroupBox_Owner = halves(QStringLiteral("Данни за собственика"), QStringLiteral("GroupBox_Owner"),
                            &GroupBox_Owner_Main, &GroupBox_Owner_More);
    m = GroupBox_Owner_Main;
    g = new QGridLayout(m);
    Edit_Kontrag = namedEdit(QStringLiteral("Edit_Kontrag"), m);
    Label_Kontrag_Ime = valueLabel("Label_Kontrag_Ime", m);
    addRow(g, QStringLiteral("Име"), Label_Kontrag_Ime, Edit_Kontrag);
    Label_Kontrag_EIK = valueRow(g, QStringLiteral("ЕИК"), "Label_Kontrag_EIK", m);
    Label_Kontrag_MOL = valueRow(g, QStringLiteral("МОЛ"), "Label_Kontrag_MOL", m);
    Label_Kontrag_Adres = valueRow(g, QStringLiteral("Адрес на регистрация"), "Label_Kontrag_Adres", m);
    Label_Kontrag_EGN = valueRow(g, QStringLiteral("ЕГН"), "Label_Kontrag_EGN", m);
    Label_Grad_Kontrag = valueRow(g, QStringLiteral("Населено място"), "Label_Grad_Kontrag", m);
    g->setRowStretch(g->rowCount(), 1);
    m = GroupBox_Owner_More;
    g = new QGridLayout(m);
    Label_Kontrag_Kol_Obekti = valueRow(g, QStringLiteral("Брой обекти"), "Label_Kontrag_Kol_Obekti", m);
    Label_Kontrag_Kol_EKA = valueRow(g, QStringLiteral("Брой притежавани ЕКА"), "Label_Kontrag_Kol_EKA", m);
    Label_Kontrag_Kol_Dog_In = valueRow(g, QStringLiteral("Брой изтекли договори"), "Label_Kontrag_Kol_Dog_In", m);
    ComboBox_All_EKA_Kontrag = named(new QComboBox(m), "ComboBox_All_EKA_Kontrag");
    addRow(g, QStringLiteral("Други фискални устройства"), ComboBox_All_EKA_Kontrag);
    g->setRowStretch(g->rowCount(), 1);
    box->addWidget(GroupBox_Owner);

    DBGrid2 = named(new QTableView(view), "DBGrid2");
    ownerDevicesModel = new SqlListModel(this);
    DBGrid2->setModel(ownerDevicesModel);
    DBGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid2->verticalHeader()->hide();
    box->addWidget(DBGrid2, 1);

    connect(ComboBox_All_EKA_Kontrag, &QComboBox::activated, this, [this] { ComboBox_All_EKA_KontragChange(); });
    connect(ComboBox_Sel_Obekt, &QComboBox::activated, this, [this] { ComboBox_Sel_ObektChange(); });
    connect(ComboBox_Model_EKA, &QComboBox::activated, this, [this] { ComboBox_Model_EKAChange(); });
    // Mirrors of the editors into the labels they cover.
    connect(Edit_MFP, &QLineEdit::textChanged, Label_MFP_N, &QLabel::setText);
    connect(Edit_Dosie_ID, &QLineEdit::textChanged, Label_Dosie_ID, &QLabel::setText);
    auto dateMirror = [this] { Label_Data_Fisk->setText(DateTimePicker_Data_Fisk->date().toString(QStringLiteral("dd.MM.yyyy"))); };
    connect(DateTimePicker_Data_Fisk, &QDateEdit::dateChanged, this, dateMirror);
    connect(DateTimePicker_Time_Fisk, &QTimeEdit::timeChanged, this, dateMirror);
    connect(ComboBox_Vid_Dog, &QComboBox::editTextChanged, Label_Vid_Dog, &QLabel::setText);
    return view;
}

QWidget *FiscalTab::buildRightPanel(QWidget *parent)
{
    auto *panel = named(new QWidget(parent), "Panel_Fisk_Right");
    auto *box = new QVBoxLayout(panel);
    box->setContentsMargins(0, 0, 0, 0);

    auto *ops = named(new QGroupBox(QStringLiteral("Операция"), panel), "GroupBox_Operacia");
    auto *opsBox = new QVBoxLayout(ops);
    auto modeButton = [&](const char *name, const QString &caption) {
        auto *b = named(new QToolButton(ops), name);
        b->setText(caption);
        b->setCheckable(true);
        b->setEnabled(false);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        opsBox->addWidget(b);
        m_modeButtons << b;
        connect(b, &QToolButton::clicked, this, [this, b] { modeButtonClicked(b); });
        return b;
    };
    SpdBtn_Reg = modeButton("SpdBtn_Reg", QStringLiteral("РЕГИСТРАЦИЯ"));
    SpdBtn_Dog = modeButton("SpdBtn_Dog", QStringLiteral("ДОГОВОР"));
    SpdBtn_Demontaj = modeButton("SpdBtn_Demontaj", QStringLiteral("ДЕМОНТАЖ ФП"));
    SpdBtn_Uved = modeButton("SpdBtn_Uved", QStringLiteral("УВЕДОМЛЕНИЕ"));
    SpdBtn_Change_Data = modeButton("SpdBtn_Change_Data", QStringLiteral("ПРОМЯНА НА ДАННИ"));
    SpdBtn_Reg->setEnabled(true);
    box->addWidget(ops);

    Panel_Save = named(new QWidget(panel), "Panel_Save");
    auto *saveRow = new QHBoxLayout(Panel_Save);
    Button_Save_Fisk = namedButton(QStringLiteral("Button_Save_Fisk"), QStringLiteral("ЗАПИС"), Panel_Save);
    Button_Cancel_Fisk = namedButton(QStringLiteral("Button_Cancel_Fisk"), QStringLiteral("ОТКАЗ"), Panel_Save);
    saveRow->addWidget(Button_Save_Fisk);
    saveRow->addWidget(Button_Cancel_Fisk);
    Panel_Save->hide();
    box->addWidget(Panel_Save);
    connect(Button_Save_Fisk, &QPushButton::clicked, this, [this] { Button_Save_FiskClick(); });
    connect(Button_Cancel_Fisk, &QPushButton::clicked, this, [this] { Button_Cancel_FiskClick(); });

    auto *reports = named(new QGroupBox(QStringLiteral("Справка"), panel), "GroupBox_Spravka");
    auto *reportsBox = new QVBoxLayout(reports);
    Button7 = namedButton(QStringLiteral("Button7"), QStringLiteral("ФАЙЛ ТДД"), reports);
    Button_Izt_Dog = namedButton(QStringLiteral("Button_Izt_Dog"), QStringLiteral("Изтекли договори"), reports);
    Button_Remont = namedButton(QStringLiteral("Button_Remont"), QStringLiteral("Извършен ремонт"), reports);
    Button_Izt_Dog->setEnabled(false);
    Button_Remont->setEnabled(false);
    for (QPushButton *b : {Button7, Button_Izt_Dog, Button_Remont})
        reportsBox->addWidget(b);
    box->addWidget(reports);

    // Documents of the fiscal centre: lists of documents and printers
    SpdBtn_Pokaji_Dokuments_FC = named(new QToolButton(panel), "SpdBtn_Pokaji_Dokuments_FC");
    SpdBtn_Pokaji_Dokuments_FC->setText(QStringLiteral("Документи"));
    SpdBtn_Pokaji_Dokuments_FC->setToolTip(QStringLiteral("Изберете документи за разпечатка"));
    SpdBtn_Pokaji_Printers_FC = named(new QToolButton(panel), "SpdBtn_Pokaji_Printers_FC");
    SpdBtn_Pokaji_Printers_FC->setText(QStringLiteral("Принтери"));
    SpdBtn_Pokaji_Printers_FC->setToolTip(QStringLiteral("Изберете принтери на който да се разпечата"));
    for (QToolButton *b : {SpdBtn_Pokaji_Dokuments_FC, SpdBtn_Pokaji_Printers_FC}) {
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    Button9 = namedButton(QStringLiteral("Button9"), QStringLiteral("Печат документи"), panel);
    auto *toggles = new QHBoxLayout;
    toggles->addWidget(SpdBtn_Pokaji_Dokuments_FC);
    toggles->addWidget(SpdBtn_Pokaji_Printers_FC);
    box->addLayout(toggles);
    box->addWidget(Button9);
    Panel26 = named(new QWidget(panel), "Panel26");
    auto *lists = new QVBoxLayout(Panel26);
    lists->setContentsMargins(0, 0, 0, 0);
    Panel_Dokumets_FC = named(new QWidget(Panel26), "Panel_Dokumets_FC");
    auto *docs = new QVBoxLayout(Panel_Dokumets_FC);
    docs->setContentsMargins(0, 0, 0, 0);
    ChkListBox_Pokaj_Dokum_FC = named(new QListWidget(Panel_Dokumets_FC), "ChkListBox_Pokaj_Dokum_FC");
    ChkListBox_Pokaj_Dokum_FC->setSortingEnabled(true);
    docs->addWidget(ChkListBox_Pokaj_Dokum_FC);
    auto *docButtons = new QHBoxLayout;
    docButtons->addWidget(namedButton(QStringLiteral("Button_Nishto_Dok_FC"), QStringLiteral("Нищо"), Panel_Dokumets_FC));
    docButtons->addWidget(namedButton(QStringLiteral("Button_Vsichki_Dok_FC"), QStringLiteral("Всички"), Panel_Dokumets_FC));
    docs->addLayout(docButtons);
    Panel_Printers_FC = named(new QWidget(Panel26), "Panel_Printers_FC");
    auto *printers = new QVBoxLayout(Panel_Printers_FC);
    printers->setContentsMargins(0, 0, 0, 0);
    CheckListBox_Printers_FC = new PrinterCheckList(QStringLiteral("CheckListBox_Printers_FC"), Panel_Printers_FC);
    printers->addWidget(CheckListBox_Printers_FC);
    lists->addWidget(Panel_Dokumets_FC);
    lists->addWidget(Panel_Printers_FC);
    Panel_Dokumets_FC->hide();
    Panel_Printers_FC->hide();
    Panel26->hide();
    box->addWidget(Panel26);
    box->addStretch();
    panel->setMaximumWidth(260);
    return panel;
}
