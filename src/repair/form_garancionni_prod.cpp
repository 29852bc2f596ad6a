#include "repair/form_garancionni_prod.h"

#include "app/app_state.h"
#include "app/help_actions.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "documents/rab_dokumenti.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const char *const kCardColumns[][2] = {{"ID", "Карта N"},         {"ID_Dok", "Документ N"},
                                       {"Data", "Дата"},          {"Dost_Name", "Доставчик"},
                                       {"Dok_Name", "Вид документ"}, {"Zabel", "Забележка"},
                                       {"Serial_ID", "Сериен номер"}};
const char *const kPieceColumns[][2] = {{"ID", "Арт. N"},   {"Art_Name", "Артикул"},
                                        {"Model", "Модел"}, {"Partida", "Партида"},
                                        {"Serial_ID", "Сериен номер"}, {"Data", "Гаранция до"}};

} // namespace

QString TForm_Garancionni_Prod::noSupplierText()
{
    return QStringLiteral("0 : Няма избран контрагент");
}

QString TForm_Garancionni_Prod::noArticleText()
{
    return QStringLiteral("0 : Няма избран артикул");
}

TForm_Garancionni_Prod::TForm_Garancionni_Prod(QWidget *parent)
    : ReportDialog(parent)
    , m_cards(new SqlListModel(this))
    , m_pieces(new SqlListModel(this))
{
    setObjectName(QStringLiteral("Form_Garancionni_Prod"));
    setWindowTitle(QStringLiteral("Справка гаранционни продукти"));

    ChkBox_Kontrag = named(new QCheckBox(QStringLiteral("Доставчик"), this), "ChkBox_Kontrag");
    Label_Kontrag = named(new ElidedLabel(noSupplierText(), this), "Label_Kontrag");
    ChkBox_Vid_Dok = named(new QCheckBox(QStringLiteral("Вид документ"), this), "ChkBox_Vid_Dok");
    ComboBox_Vid_Dok = named(new QComboBox(this), "ComboBox_Vid_Dok");
    ChkBox_Dok_N = named(new QCheckBox(QStringLiteral("Документ N"), this), "ChkBox_Dok_N");
    Edit_ID_Dok = namedEdit(QStringLiteral("Edit_ID_Dok"), this);
    Edit_ID_Dok->setMaxLength(12);
    cardDate = ReportRows::dateRow(this, QStringLiteral("Дата"), "ChkBox_Data", "ComboBox1", "DateTimePicker_Ot_Dost",
                                   "DateTimePicker_Do_Dost");
    ChkBox_Art = named(new QCheckBox(QStringLiteral("Артикул"), this), "ChkBox_Art");
    Label_art = named(new ElidedLabel(noArticleText(), this), "Label_art");
    for (QLabel *l : {Label_Kontrag, Label_art})
        l->setTextFormat(Qt::PlainText);
    serial = ReportRows::textRow(this, QStringLiteral("Сер. номер"), "ChkBox_SN", "Edit_SN", "ChkBox_4ast_SN");
    model = ReportRows::textRow(this, QStringLiteral("Модел"), "ChkBox_Model", "Edit_Model", "ChkBox_4ast_Model");
    batch = ReportRows::textRow(this, QStringLiteral("Партида"), "ChkBox_Partida", "Edit_Partida",
                                "ChkBox_4ast_Partida");
    validUntil = ReportRows::dateRow(this, QStringLiteral("Дата"), "ChkBox_Data_Art", "ComboBox4",
                                     "DateTimePicker_Ot_Art", "DateTimePicker_Do_art");
    Button_Search = namedButton(QStringLiteral("Button_Search"), QStringLiteral("ТЪРСИ"), this);
    Button_Search->setDefault(true);
    DBGrid_Dok = named(new QTableView(this), "DBGrid_Dok");
    GridSelection::setupList(DBGrid_Dok, m_cards);
    DBGrid_art = named(new QTableView(this), "DBGrid_art");
    GridSelection::setupList(DBGrid_art, m_pieces);

    auto *filters = new QGridLayout;
    filters->addWidget(new QLabel(QStringLiteral("Гаранционна карта"), this), 0, 0, 1, 5);
    filters->addWidget(ChkBox_Kontrag, 1, 0);
    filters->addWidget(Label_Kontrag, 1, 1, 1, 4);
    filters->addWidget(ChkBox_Vid_Dok, 2, 0);
    filters->addWidget(ComboBox_Vid_Dok, 2, 1, 1, 4);
    filters->addWidget(ChkBox_Dok_N, 3, 0);
    filters->addWidget(Edit_ID_Dok, 3, 1, 1, 4);
    cardDate.place(filters, 4);
    filters->addWidget(new QLabel(QStringLiteral("Артикул"), this), 5, 0, 1, 5);
    filters->addWidget(ChkBox_Art, 6, 0);
    filters->addWidget(Label_art, 6, 1, 1, 4);
    serial.place(filters, 7);
    model.place(filters, 8);
    batch.place(filters, 9);
    validUntil.place(filters, 10);
    filters->addWidget(Button_Search, 11, 4);
    filters->setColumnStretch(1, 1);

    auto *frame = new QVBoxLayout(this);
    frame->addLayout(filters);
    frame->addWidget(DBGrid_Dok, 3);
    frame->addWidget(DBGrid_art, 2);
    resize(900, 760);

    connect(ChkBox_Kontrag, &QCheckBox::clicked, this, &TForm_Garancionni_Prod::ChkBox_KontragClick);
    connect(ChkBox_Vid_Dok, &QCheckBox::clicked, this, &TForm_Garancionni_Prod::ChkBox_Vid_DokClick);
    connect(ChkBox_Dok_N, &QCheckBox::clicked, this, &TForm_Garancionni_Prod::ChkBox_Dok_NClick);
    connect(ChkBox_Art, &QCheckBox::clicked, this, &TForm_Garancionni_Prod::ChkBox_ArtClick);
    for (ReportRows::DateRow *row : {&cardDate, &validUntil}) {
        connect(row->box, &QCheckBox::clicked, this, [row] { row->boxClicked(); });
        connect(row->comparison, &QComboBox::activated, this, [row] { row->comparisonChanged(); });
    }
    for (ReportRows::TextRow *row : {&serial, &model, &batch})
        connect(row->box, &QCheckBox::clicked, this, [row] { row->boxClicked(); });
    connect(Button_Search, &QPushButton::clicked, this, &TForm_Garancionni_Prod::Button_SearchClick);
    connect(DBGrid_Dok, &QTableView::clicked, this, &TForm_Garancionni_Prod::DBGrid_DokCellClick);
    // The pieces follow the current card when it moves by the arrow keys.
    followArrowKeys(DBGrid_Dok, [this] { DBGrid_DokCellClick(); });

    CounterpartyPick::registerTarget(CounterpartyMode, [this](const CounterpartyPick::Picked &p) {
        Label_Kontrag->setText(p.referenceText());
        m_picked = true;
    });
    ArticlePick::registerTarget(ArticleMode, [this](const ArticlePick::Picked &p) {
        Label_art->setText(p.referenceText());
        m_picked = true;
    });
    FormShow();
}

TForm_Garancionni_Prod::~TForm_Garancionni_Prod()
{
    CounterpartyPick::unregisterTarget(CounterpartyMode);
    ArticlePick::unregisterTarget(ArticleMode);
}

void TForm_Garancionni_Prod::FormShow()
{
    for (QCheckBox *c : {ChkBox_Kontrag, ChkBox_Vid_Dok, ChkBox_Dok_N, ChkBox_Art, cardDate.box, serial.box,
                         model.box, batch.box, validUntil.box})
        c->setChecked(false);
    ChkBox_KontragClick();
    ChkBox_Vid_DokClick();
    ChkBox_Dok_NClick();
    ChkBox_ArtClick();
    for (ReportRows::DateRow *row : {&cardDate, &validUntil})
        row->boxClicked();
    for (ReportRows::TextRow *row : {&serial, &model, &batch}) {
        row->boxClicked();
        row->part->setChecked(false);
    }
}

void TForm_Garancionni_Prod::ChkBox_KontragClick()
{
    ReportRows::pickWhenTicked(ChkBox_Kontrag, Label_Kontrag, noSupplierText(), m_picked, [this] {
        CounterpartyPickMode = CounterpartyMode;
        TForm_Kontrakents::N_KlientiClick(this);
        CounterpartyPickMode = -1;
    });
}

void TForm_Garancionni_Prod::ChkBox_ArtClick()
{
    ReportRows::pickWhenTicked(ChkBox_Art, Label_art, noArticleText(), m_picked, [this] {
        ArticlePickMode = ArticleMode;
        TForm_Artikuli::N_ArtikuliClick(this);
        ArticlePickMode = -1;
    });
}

void TForm_Garancionni_Prod::ChkBox_Vid_DokClick()
{
    ReportParts::fillWhenTicked(ChkBox_Vid_Dok, ComboBox_Vid_Dok, &RabDokumenti::referenceTexts,
                                QStringLiteral("Видовете документи не могат да бъдат прочетени:\n"), this);
}

void TForm_Garancionni_Prod::ChkBox_Dok_NClick()
{
    const bool on = ChkBox_Dok_N->isChecked();
    Edit_ID_Dok->setEnabled(on);
    if (on)
        Edit_ID_Dok->setFocus();
    else
        Edit_ID_Dok->clear();
}

WarrantyReports::CardFilter TForm_Garancionni_Prod::filter() const
{
    WarrantyReports::CardFilter f;
    f.supplier = ChkBox_Kontrag->isChecked();
    f.supplierId = ReferenceText::key(Label_Kontrag->text());
    f.kind = ChkBox_Vid_Dok->isChecked();
    f.kindId = ReferenceText::key(ComboBox_Vid_Dok->currentText());
    f.document = ChkBox_Dok_N->isChecked();
    f.documentNumber = Edit_ID_Dok->text();
    f.cardDate = cardDate.filter();
    f.article = ChkBox_Art->isChecked();
    f.articleId = ReferenceText::key(Label_art->text());
    f.serial = serial.filter();
    f.model = model.filter();
    f.batch = batch.filter();
    f.validUntil = validUntil.filter();
    return f;
}

void TForm_Garancionni_Prod::Button_SearchClick()
{
    HelpActions::SearchIndicator indicator;
    try {
        const WarrantyReports::Query q = WarrantyReports::cards(filter());
        if (!q.ok()) {
            Dialogs::message(q.error, this);
            return;
        }
        m_cards->setQuery(q.sql, q.values);
        for (const auto &c : kCardColumns)
            m_cards->setHeaderTitle(QString::fromLatin1(c[0]), QString::fromUtf8(c[1]));
        for (const char *hidden : {"ID_Kontrag", "Vid_Dok"})
            DBGrid_Dok->setColumnHidden(m_cards->fieldIndex(QString::fromLatin1(hidden)), true);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Справката не може да бъде изпълнена:\n") + e.message(), this);
        return;
    }
    DBGrid_Dok->setFocus();
    if (m_cards->rowCount() > 0)
        GridSelection::moveTo(DBGrid_Dok, 0, 0);
    DBGrid_DokCellClick();
}

void TForm_Garancionni_Prod::DBGrid_DokCellClick()
{
    const int row = DBGrid_Dok->currentIndex().row();
    if (row < 0 || row >= m_cards->rowCount()) {
        m_pieces->clear();
        return;
    }
    const WarrantyReports::Query q = WarrantyReports::cardPieces(m_cards->value(row, QStringLiteral("ID")).toLongLong());
    try {
        m_pieces->setQuery(q.sql, q.values);
        for (const auto &c : kPieceColumns)
            m_pieces->setHeaderTitle(QString::fromLatin1(c[0]), QString::fromUtf8(c[1]));
        DBGrid_art->setColumnHidden(m_pieces->fieldIndex(QStringLiteral("ID_Karta")), true);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Серийните номера не могат да бъдат прочетени:\n") + e.message(), this);
    }
}
