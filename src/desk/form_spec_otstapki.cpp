#include "desk/form_spec_otstapki.h"

#include "app/app_state.h"
#include "app/form_print_vid_fail.h"
#include "app/item_rights.h"
#include "app/list_export.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "desk/desk_money.h"
#include "desk/discount_rules.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace {
QTableView *grid(const char *name, SqlListModel *model, QWidget *parent)
{
    auto *g = named(new QTableView(parent), name);
    g->setModel(model);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->hide();
    return g;
}

void told(const std::exception &e, QWidget *parent)
{
    ExceptionLog::write(e);
    Dialogs::message(QStringLiteral("Грешка при работа с отстъпките:\n") + QString::fromUtf8(e.what()), parent);
}
} // namespace

void TForm_Spec_Otstapki::N_TOClick(QWidget *parent)
{
    if (!ItemRights::permit(QStringLiteral("N_TO"), parent))
        return;
    TForm_Spec_Otstapki window(parent);
    window.Button_New_T_OClick(); // "Нова": the save button reads "Запис"
    window.Button_Show_All_TOClick();
    Dialogs::exec(&window);
}

TForm_Spec_Otstapki::TForm_Spec_Otstapki(QWidget *parent)
    : QDialog(parent)
    , m_rules(new SqlListModel(this))
    , m_counterparties(new SqlListModel(this))
{
    setObjectName(QStringLiteral("Form_Spec_Otstapki"));
    setWindowTitle(QStringLiteral("Специални отстъпки/надбавки"));
    Label_TO_Klient = named(new ElidedLabel(this), "Label_TO_Klient");
    Label_TO_Artikul = named(new ElidedLabel(this), "Label_TO_Artikul");
    for (QLabel *l : {Label_TO_Klient, Label_TO_Artikul}) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(220);
    }
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Добави"), this);
    Edit_Kontrag_Search = namedEdit(QStringLiteral("Edit_Kontrag_Search"), this);
    Button2 = namedButton(QStringLiteral("Button2"), QStringLiteral("Търси"), this);
    Button_Show_All_TO = namedButton(QStringLiteral("Button_Show_All_TO"), QStringLiteral("Покажи  всички"), this);
    Button_Show_All_TO->hide();
    DBGrid_Kontrag_TO = grid("DBGrid_Kontrag_TO", m_counterparties, this);
    DBGrid_Sp_Otstapka = grid("DBGrid_Sp_Otstapka", m_rules, this);
    ComboBox_Select_G_A = named(new QComboBox(this), "ComboBox_Select_G_A");
    ComboBox_Select_G_A->addItems({QStringLiteral("група"), QStringLiteral("артикул")});
    ComboBox_Select_G_A->setCurrentIndex(1);
    Edit_TO = namedEdit(QStringLiteral("Edit_TO"), this);
    Edit_TO->setText(QStringLiteral("0"));
    Edit_TO->installEventFilter(this);
    Label_Cena1 = new QLabel(QStringLiteral("Основна цена"), this);
    Edit_Cena1 = namedEdit(QStringLiteral("Edit_Cena1"), this);
    Label_Cena2 = new QLabel(QStringLiteral("Цена след отстъпка"), this);
    Edit_Cena2 = namedEdit(QStringLiteral("Edit_Cena2"), this);
    for (QLineEdit *e : {Edit_Cena1, Edit_Cena2}) {
        e->setText(QStringLiteral("1"));
        connect(e, &QLineEdit::textEdited, e, [e] {
            if (e->text().trimmed().isEmpty())
                e->setText(QStringLiteral("1"));
        });
    }
    Edit_Price_Up = namedEdit(QStringLiteral("Edit_Price_Up"), this);
    Edit_Price_Up->setText(QStringLiteral("0"));
    Button_Nova_TO = namedButton(QStringLiteral("Button_Nova_TO"), QStringLiteral("Добави"), this);
    Button_Nova_TO->setProperty("tag", 1);
    ButtonRedaktiraj_TO = namedButton(QStringLiteral("ButtonRedaktiraj_TO"), QStringLiteral("Редактирай"), this);
    Button_Otkaji_TO = namedButton(QStringLiteral("Button_Otkaji_TO"), QStringLiteral("Изтрии"), this);
    Button_New_T_O = namedButton(QStringLiteral("Button_New_T_O"), QStringLiteral("Нова"), this);
    Button_New_T_O->setProperty("tag", 0);
    Button_Cancel_All = namedButton(QStringLiteral("Button_Cancel_All"), QStringLiteral("Откажи"), this);
    auto *print = named(new QGroupBox(QStringLiteral("Печат"), this), "RadioGroupPe4at_TO");
    Pe4at_Izbran = new QRadioButton(QStringLiteral("за избраният контрагент"), print);
    Pe4at_Vsi4ki = new QRadioButton(QStringLiteral("за всички  контрагенти"), print);
    auto *pl = new QVBoxLayout(print);
    pl->addWidget(Pe4at_Izbran);
    pl->addWidget(Pe4at_Vsi4ki);

    auto *g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("Клиент:"), this), 0, 0);
    g->addWidget(Label_TO_Klient, 0, 1);
    g->addWidget(Button1, 0, 2);
    g->addWidget(Edit_Kontrag_Search, 1, 0, 1, 2);
    g->addWidget(Button2, 1, 2);
    g->addWidget(DBGrid_Kontrag_TO, 2, 0, 8, 3);
    g->addWidget(ComboBox_Select_G_A, 0, 3);
    g->addWidget(Label_TO_Artikul, 0, 4, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Отстъпка/Надбавка"), this), 1, 3);
    g->addWidget(Edit_TO, 1, 4);
    g->addWidget(Label_Cena1, 2, 3);
    g->addWidget(Edit_Cena1, 2, 4);
    g->addWidget(Label_Cena2, 3, 3);
    g->addWidget(Edit_Cena2, 3, 4);
    g->addWidget(new QLabel(QStringLiteral("При покупка над ..."), this), 4, 3);
    g->addWidget(Edit_Price_Up, 4, 4);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Button_Nova_TO, ButtonRedaktiraj_TO, Button_Otkaji_TO, Button_New_T_O, Button_Cancel_All})
        buttons->addWidget(b);
    g->addLayout(buttons, 5, 3, 1, 3);
    g->addWidget(DBGrid_Sp_Otstapka, 6, 3, 3, 3);
    g->addWidget(print, 9, 3, 1, 3);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(5, 1);
    resize(980, 560);

    connect(Button1, &QPushButton::clicked, this, &TForm_Spec_Otstapki::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm_Spec_Otstapki::Button2Click);
    connect(Button_Show_All_TO, &QPushButton::clicked, this, &TForm_Spec_Otstapki::Button_Show_All_TOClick);
    connect(DBGrid_Kontrag_TO, &QTableView::clicked, this, [this](const QModelIndex &i) {
        loadCounterparty(m_counterparties->value(i.row(), QStringLiteral("ID")).toLongLong(),
                         m_counterparties->value(i.row(), QStringLiteral("Ime_Firma")).toString());
    });
    DBGrid_Kontrag_TO->installEventFilter(this);
    connect(ComboBox_Select_G_A, &QComboBox::activated, this, &TForm_Spec_Otstapki::ComboBox_Select_G_AChange);
    connect(Edit_Cena2, &QLineEdit::returnPressed, this, &TForm_Spec_Otstapki::Edit_Cena2Enter);
    connect(Button_Nova_TO, &QPushButton::clicked, this, &TForm_Spec_Otstapki::Button_Nova_TOClick);
    connect(ButtonRedaktiraj_TO, &QPushButton::clicked, this, &TForm_Spec_Otstapki::ButtonRedaktiraj_TOClick);
    connect(Button_Otkaji_TO, &QPushButton::clicked, this, &TForm_Spec_Otstapki::Button_Otkaji_TOClick);
    connect(Button_New_T_O, &QPushButton::clicked, this, &TForm_Spec_Otstapki::Button_New_T_OClick);
    connect(Button_Cancel_All, &QPushButton::clicked, this, [this] {
        Button_Cancel_AllClick();
        reject();
    });
    connect(Pe4at_Izbran, &QRadioButton::clicked, this, [this] { RadioGroupPe4at_TOClick(0); });
    connect(Pe4at_Vsi4ki, &QRadioButton::clicked, this, [this] { RadioGroupPe4at_TOClick(1); });

    CounterpartyPick::registerTarget(1, [this](const CounterpartyPick::Picked &p) { loadCounterparty(p.id(), p.name()); });
    ArticlePick::registerTarget(0, [this](const ArticlePick::Picked &p) {
        // A group: the selected tree node, never the root "Всички артикули".
        if (GetID_MFromTreeNodeName(p.node) > 0)
            Label_TO_Artikul->setText(p.node);
    });
    ArticlePick::registerTarget(1, [this](const ArticlePick::Picked &p) {
        Label_TO_Artikul->setText(p.referenceText());
        Edit_Cena1->setText(Money::fixed(Decimal::fromVariant(p.current.value(QStringLiteral("Ed_Cena"))), 2));
    });
    try {
        DiscountRules::createWorkTable();
        reloadRules();
    } catch (const std::exception &e) {
        told(e, this);
    }
}

TForm_Spec_Otstapki::~TForm_Spec_Otstapki()
{
    CounterpartyPick::unregisterTarget(1);
    ArticlePick::unregisterTarget(0);
    ArticlePick::unregisterTarget(1);
    try {
        DiscountRules::dropWorkTable();
    } catch (const std::exception &) {
        // a failed drop leaves an empty work table for the next opening
    }
}

void TForm_Spec_Otstapki::reloadRules()
{
    m_rules->setQuery(DiscountRules::listSql());
    static const QList<std::pair<const char *, const char *>> titles = {
        {"Por", "N"}, {"Otnasq_se_za", "Арт./Група"}, {"ID_Art_Gr", "Арт N"}, {"Opisanie", "Артикул"},
        {"T_O", "TO  в %"}, {"Suma_Up", "Покупка над"}};
    for (const auto &[f, t] : titles)
        m_rules->setHeaderTitle(QString::fromLatin1(f), QString::fromUtf8(t));
    DBGrid_Sp_Otstapka->setColumnHidden(m_rules->fieldIndex(QStringLiteral("Changed")), true);
}

void TForm_Spec_Otstapki::Button1Click()
{
    CounterpartyPickMode = 1;
    TForm_Kontrakents::N_KlientiClick(this);
}

void TForm_Spec_Otstapki::Button_Show_All_TOClick()
{
    try {
        m_counterparties->setQuery(DiscountRules::counterpartiesSql(false));
        m_counterparties->setHeaderTitle(QStringLiteral("ID"), QStringLiteral("Номер"));
        m_counterparties->setHeaderTitle(QStringLiteral("Ime_Firma"), QStringLiteral("Наименование"));
    } catch (const std::exception &e) {
        told(e, this);
    }
}

void TForm_Spec_Otstapki::Button2Click()
{
    try {
        m_counterparties->setQuery(DiscountRules::counterpartiesSql(true),
                                   {Db::likeContains(Edit_Kontrag_Search->text())});
    } catch (const std::exception &e) {
        told(e, this);
    }
}

void TForm_Spec_Otstapki::loadCounterparty(long long id, const QString &name)
{
    const long long shown = GetID_MFromTreeNodeName(Label_TO_Klient->text());
    try {
        // Unsaved rows belong to the counterparty shown: ask before they could pass to another.
        if (shown > 0 && shown != id && DiscountRules::hasUnsaved()) {
            if (Dialogs::yesNo(QStringLiteral("Има незаписани отстъпки за ") + Label_TO_Klient->text()
                                   + QStringLiteral(".\nЖелаете ли да бъдат записани?"),
                               this))
                DiscountRules::save(shown);
            else
                DiscountRules::discardUnsaved();
        }
        Label_TO_Klient->setText(QString::number(id) + QLatin1Char(':') + name);
        DiscountRules::load(id);
        reloadRules();
    } catch (const std::exception &e) {
        told(e, this);
    }
}

void TForm_Spec_Otstapki::ComboBox_Select_G_AChange()
{
    ArticlePickMode = ComboBox_Select_G_A->currentIndex();
    TForm_Artikuli::N_ArtikuliClick(this);
}

bool TForm_Spec_Otstapki::readPercent(const QString &text, Decimal *value)
{
    QString error;
    const auto percent = DeskMoney::parseDiscount(text, &error);
    if (!percent) {
        Dialogs::message(error, this);
        return false;
    }
    *value = *percent;
    return true;
}

bool TForm_Spec_Otstapki::readAmount(const QString &text, Decimal *value)
{
    QString error;
    const auto amount = Decimal::parse(text, 4, &error);
    if (!amount) {
        Dialogs::message(QStringLiteral("Покупка над: ") + error, this);
        return false;
    }
    *value = *amount;
    return true;
}

void TForm_Spec_Otstapki::Edit_Cena2Enter()
{
    const auto base = Decimal::parse(Edit_Cena1->text()), after = Decimal::parse(Edit_Cena2->text());
    if (!base || !after || base->isZero()) {
        Dialogs::message(QStringLiteral("Некоректни данни"), this);
        return;
    }
    Edit_TO->setText(Decimal::product({*base - *after, Decimal(100)}, *base, DeskMoney::DiscountDecimals).toString(4));
    Edit_TO->setFocus();
}

void TForm_Spec_Otstapki::Button_Nova_TOClick()
{
    Decimal percent, over;
    try {
        if (Button_Nova_TO->property("tag").toInt() == 2) {
            if (!readPercent(Edit_TO->text(), &percent))
                return;
            DiscountRules::edit(m_editedPor, percent);
            Button_Nova_TO->setText(QStringLiteral("Добави"));
            Button_Nova_TO->setProperty("tag", 1);
        } else {
            const QString target = Label_TO_Artikul->text();
            if (target.isEmpty())
                return;
            if (!readPercent(Edit_TO->text(), &percent) || !readAmount(Edit_Price_Up->text(), &over))
                return;
            const long long key = GetID_MFromTreeNodeName(target);
            const QString name = target.mid(target.indexOf(QLatin1Char(':')) + 1);
            DiscountRules::add(ComboBox_Select_G_A->currentIndex() == 0 ? QLatin1Char('G') : QLatin1Char('A'), key,
                               name, percent, over);
        }
        reloadRules();
    } catch (const std::exception &e) {
        told(e, this);
    }
}

void TForm_Spec_Otstapki::ButtonRedaktiraj_TOClick()
{
    const int row = DBGrid_Sp_Otstapka->currentIndex().row();
    if (row < 0)
        return;
    const QSqlRecord r = m_rules->record(row);
    m_editedPor = r.value(QStringLiteral("Por")).toLongLong();
    Button_Nova_TO->setText(QStringLiteral("Приеми"));
    Button_Nova_TO->setProperty("tag", 2);
    Label_TO_Artikul->setText(r.value(QStringLiteral("ID_Art_Gr")).toString() + QLatin1Char(':')
                              + r.value(QStringLiteral("Opisanie")).toString());
    Edit_TO->setText(Decimal::fromVariant(r.value(QStringLiteral("T_O"))).toString());
    Edit_Price_Up->setText(Decimal::fromVariant(r.value(QStringLiteral("Suma_Up"))).toString());
}

void TForm_Spec_Otstapki::Button_Otkaji_TOClick()
{
    const int row = DBGrid_Sp_Otstapka->currentIndex().row();
    if (row < 0)
        return;
    try {
        DiscountRules::remove(m_rules->value(row, QStringLiteral("Por")).toLongLong());
        reloadRules();
    } catch (const std::exception &e) {
        told(e, this);
    }
}

void TForm_Spec_Otstapki::Button_New_T_OClick()
{
    if (Button_New_T_O->property("tag").toInt() == 0) {
        Button_New_T_O->setText(QStringLiteral("Запис"));
        Button_New_T_O->setProperty("tag", 1);
        Label_TO_Artikul->clear();
        return;
    }
    const long long counterparty = GetID_MFromTreeNodeName(Label_TO_Klient->text());
    if (counterparty <= 0) {
        Dialogs::message(QStringLiteral("Не е избран контрагент"), this);
        return;
    }
    try {
        DiscountRules::save(counterparty);
    } catch (const std::exception &e) {
        told(e, this);
        return;
    }
    Button_Cancel_AllClick();
    Button_Show_All_TOClick();
}

void TForm_Spec_Otstapki::Button_Cancel_AllClick()
{
    Button_New_T_O->setText(QStringLiteral("Нова"));
    Button_New_T_O->setProperty("tag", 0);
    Label_TO_Klient->clear();
    Label_TO_Artikul->clear();
    try {
        DiscountRules::discardUnsaved();
        reloadRules();
    } catch (const std::exception &e) {
        told(e, this);
    }
}

void TForm_Spec_Otstapki::RadioGroupPe4at_TOClick(int item)
{
    if (m_rules->rowCount() == 0 && item == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return;
    }
    showExportChooser();
    ListExport file(QStringLiteral("Spr_ТО"));
    file.addLines({QString(), item == 0 ? QStringLiteral("\tСправка Отстъпки ")
                                        : QStringLiteral("\tСправка Отстъпки за всички контрагенти "),
                   QString(), exportDateLine()});
    try {
        if (item == 0) {
            file.addLine(QStringLiteral("\tКонтрагент: ") + Label_TO_Klient->text());
            file.PRINT_INTO(DBGrid_Sp_Otstapka);
        } else {
            // The stored rules of every counterparty, read directly: the rows shown stay as they are.
            SqlListModel stored;
            for (const QSqlRecord &c : Db::rows(DiscountRules::counterpartiesSql(false))) {
                stored.setQuery(QStringLiteral("SELECT S.Otnasq_se_za, S.ID_Art_Gr, COALESCE(G.Opisanie, P.Opisanie) "
                                               "AS Opisanie, S.T_O, S.Suma_Up FROM SP_otstapka S LEFT JOIN Grupi G "
                                               "ON S.Otnasq_se_za = 'G' AND G.ID = S.ID_Art_Gr LEFT JOIN Produkti P "
                                               "ON S.Otnasq_se_za = 'A' AND P.ID = S.ID_Art_Gr WHERE S.ID_Klient = ? "
                                               "ORDER BY S.Otnasq_se_za, S.ID_Art_Gr"),
                                {c.value(0)});
                file.addLine(QStringLiteral("\tКонтрагент: ") + c.value(0).toString() + QLatin1Char(':')
                             + c.value(1).toString());
                QList<ExportColumn> columns;
                for (int i = 0; i < stored.columnCount(); ++i)
                    columns << ExportColumn{i, stored.headerData(i, Qt::Horizontal).toString(), 15};
                file.PRINT_INTO(&stored, columns);
            }
        }
    } catch (const std::exception &e) {
        told(e, this);
        return;
    }
    file.addLine();
    file.addReportFooter();
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), this);
        return;
    }
    SHELLEXECUTE_OPENFILE(file.filePath());
}
