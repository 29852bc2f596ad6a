#include "repair/form_garanc_produkti.h"

#include "app/app_state.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "common/dates.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "documents/rab_dokumenti.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/work_tables.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "platform/long_texts.h"
#include "repair/warranty_cards.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const char *const kColumns[][2] = {{"N", "Номер"},           {"ID", "Арт. N"},   {"Opisanie", "Описание"},
                                   {"Model", "Модел"},       {"Partida", "Партида"},
                                   {"Serial_ID", "Сериен номер"}, {"Data", "Гаранция"}};

void failed(const DbError &e, const QString &what, QWidget *parent)
{
    ExceptionLog::write(e);
    Dialogs::message(what + QStringLiteral(":\n") + e.message(), parent);
}
} // namespace

QString TForm_Garanc_Produkti::noCounterpartyText()
{
    return QStringLiteral("0:Няма избран контрагент");
}

QString TForm_Garanc_Produkti::noArticleText()
{
    return QStringLiteral("0:Няма избран артикул");
}

TForm_Garanc_Produkti::TForm_Garanc_Produkti(QWidget *parent)
    : QDialog(parent)
    , m_pieces(new SqlListModel(this))
{
    setObjectName(QStringLiteral("Form_Garanc_Produkti"));
    setWindowTitle(QStringLiteral("Гаранционни продукти"));

    Label_ID_Karta = named(new QLabel(this), "Label_ID_Karta");
    QFont bold = Label_ID_Karta->font();
    bold.setBold(true);
    Label_ID_Karta->setFont(bold);
    ComboBox_Vid_Dok = named(new QComboBox(this), "ComboBox_Vid_Dok");
    Edit_Garanc_Nomer = namedEdit(QStringLiteral("Edit_Garanc_Nomer"), this);
    Edit_Garanc_Nomer->setMaxLength(12);
    DateTimePicker_Garanc_Data = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Garanc_Data");
    Edit_Zabel = namedEdit(QStringLiteral("Edit_Zabel"), this);
    Label1 = named(new QLabel(QStringLiteral("Контрагент:"), this), "Label1");
    Label_Kontragent = named(new ElidedLabel(noCounterpartyText(), this), "Label_Kontragent");
    Label_Kontragent->setFont(bold);
    Label_Kontragent->setStyleSheet(QStringLiteral("color: red"));
    Label2 = named(new QLabel(QStringLiteral("Артикул:"), this), "Label2");
    Label_Artikul = named(new ElidedLabel(noArticleText(), this), "Label_Artikul");
    Label_Artikul->setFont(bold);
    Label_Artikul->setStyleSheet(QStringLiteral("color: blue"));
    for (QLabel *l : {Label1, Label2}) {
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
    }
    for (QLabel *l : {Label_Kontragent, Label_Artikul})
        l->setTextFormat(Qt::PlainText);
    Edit_Sel_Art = namedEdit(QStringLiteral("Edit_Sel_Art"), this);
    Edit_Sel_Art->installEventFilter(this);
    Edit_Opisanie = namedEdit(QStringLiteral("Edit_Opisanie"), this);
    Edit_Opisanie->setEnabled(false);
    Edit_Model = namedEdit(QStringLiteral("Edit_Model"), this);
    Edit_Partida = namedEdit(QStringLiteral("Edit_Partida"), this);
    Edit_SN = namedEdit(QStringLiteral("Edit_SN"), this);
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox1->addItems({QStringLiteral("до дата"), QStringLiteral("в дни"), QStringLiteral("в месеци")});
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setPlaceholderText(QStringLiteral("до дата"));
    DateTimePicker_Art_Data = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Art_Data");
    for (QDateEdit *d : {DateTimePicker_Garanc_Data, DateTimePicker_Art_Data}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QString::fromLatin1(Dates::ShortFormat));
        d->setMinimumWidth(120);
    }
    SpinEdit_Srok = named(new QSpinBox(this), "SpinEdit_Srok");
    SpinEdit_Srok->setRange(1, 1000);
    SpinEdit_Srok->setValue(1);
    SpinEdit_Srok->setVisible(false);
    Label_Art_date = named(new QLabel(Dates::todayShort(), this), "Label_Art_date");

    DBGrid1 = named(new QTableView(this), "DBGrid1");
    GridSelection::setupList(DBGrid1, m_pieces);
    m_pieces->setFieldColour(QStringLiteral("N"), QColor(255, 0, 0));
    BitBtn_Dobavi = namedButton(QStringLiteral("BitBtn_Dobavi"), QStringLiteral("Добави"), this);
    BitBtn_Delete = namedButton(QStringLiteral("BitBtn_Delete"), QStringLiteral("Изтрии"), this);
    Button_Insert = namedButton(QStringLiteral("Button_Insert"), QStringLiteral("Запис"), this);
    Button3 = namedButton(QStringLiteral("Button3"), QStringLiteral("Откажи"), this);

    auto *header = new QGridLayout;
    header->addWidget(new QLabel(QStringLiteral("Гаранционна карта N:"), this), 0, 0);
    header->addWidget(Label_ID_Karta, 0, 1);
    header->addWidget(new QLabel(QStringLiteral("Вид документ:"), this), 0, 2);
    header->addWidget(ComboBox_Vid_Dok, 0, 3);
    header->addWidget(new QLabel(QStringLiteral("Документ N:"), this), 1, 0);
    header->addWidget(Edit_Garanc_Nomer, 1, 1);
    header->addWidget(new QLabel(QStringLiteral("Дата:"), this), 1, 2);
    header->addWidget(DateTimePicker_Garanc_Data, 1, 3);
    header->addWidget(Label1, 2, 0);
    header->addWidget(Label_Kontragent, 2, 1, 1, 3);
    header->addWidget(new QLabel(QStringLiteral("Забележка:"), this), 3, 0);
    header->addWidget(Edit_Zabel, 3, 1, 1, 3);
    header->setColumnStretch(3, 1);

    auto *piece = new QGridLayout;
    piece->addWidget(Label2, 0, 0);
    piece->addWidget(Label_Artikul, 0, 1, 1, 3);
    piece->addWidget(new QLabel(QStringLiteral("Арт. N:"), this), 1, 0);
    piece->addWidget(Edit_Sel_Art, 1, 1);
    piece->addWidget(new QLabel(QStringLiteral("Описание:"), this), 1, 2);
    piece->addWidget(Edit_Opisanie, 1, 3);
    piece->addWidget(new QLabel(QStringLiteral("Модел:"), this), 2, 0);
    piece->addWidget(Edit_Model, 2, 1);
    piece->addWidget(new QLabel(QStringLiteral("Партида:"), this), 2, 2);
    piece->addWidget(Edit_Partida, 2, 3);
    piece->addWidget(new QLabel(QStringLiteral("Сериен номер:"), this), 3, 0);
    piece->addWidget(Edit_SN, 3, 1, 1, 3);
    auto *validity = new QHBoxLayout;
    validity->addWidget(new QLabel(QStringLiteral("Гаранция:"), this));
    validity->addWidget(ComboBox1);
    validity->addWidget(DateTimePicker_Art_Data);
    validity->addWidget(SpinEdit_Srok);
    validity->addWidget(Label_Art_date);
    validity->addStretch(1);
    piece->addLayout(validity, 4, 0, 1, 4);
    piece->setColumnStretch(3, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn_Dobavi);
    buttons->addWidget(BitBtn_Delete);
    buttons->addStretch(1);
    buttons->addWidget(Button_Insert);
    buttons->addWidget(Button3);

    auto *frame = new QVBoxLayout(this);
    frame->addLayout(header);
    frame->addLayout(piece);
    frame->addWidget(DBGrid1, 1);
    frame->addLayout(buttons);
    resize(860, 620);

    connect(Edit_Sel_Art, &QLineEdit::returnPressed, this, &TForm_Garanc_Produkti::Edit_Sel_ArtKeyPress);
    connect(ComboBox1, &QComboBox::activated, this, &TForm_Garanc_Produkti::ComboBox1Change);
    connect(SpinEdit_Srok, &QSpinBox::valueChanged, this, &TForm_Garanc_Produkti::SpinEdit_SrokChange);
    connect(DateTimePicker_Art_Data, &QDateEdit::userDateChanged, this,
            &TForm_Garanc_Produkti::DateTimePicker_Art_DataChange);
    connect(BitBtn_Dobavi, &QPushButton::clicked, this, &TForm_Garanc_Produkti::BitBtn_DobaviClick);
    connect(BitBtn_Delete, &QPushButton::clicked, this, &TForm_Garanc_Produkti::BitBtn_DeleteClick);
    connect(Button_Insert, &QPushButton::clicked, this, &TForm_Garanc_Produkti::Button_InsertClick);
    connect(Button3, &QPushButton::clicked, this, &TForm_Garanc_Produkti::reject);

    CounterpartyPick::registerTarget(CounterpartyMode, [this](const CounterpartyPick::Picked &p) {
        Label_Kontragent->setText(p.referenceText());
    });
    ArticlePick::registerTarget(ArticleMode, [this](const ArticlePick::Picked &p) {
        Label_Artikul->setText(p.referenceText());
        Edit_Opisanie->setText(p.current.value(QStringLiteral("Opisanie")).toString());
        QTimer::singleShot(0, Edit_Model, qOverload<>(&QWidget::setFocus));
    });

    // FormCreate: the kinds, an empty work table and the next card number.
    try {
        ComboBox_Vid_Dok->addItems(RabDokumenti::referenceTexts());
        ComboBox_Vid_Dok->setCurrentIndex(ComboBox_Vid_Dok->count() > 0 ? 0 : -1);
        WarrantyCards::createWorkTable();
        m_workTable = true;
        m_card = WarrantyCards::nextCardNumber();
    } catch (const DbError &e) {
        failed(e, QStringLiteral("Гаранционната карта не може да бъде подготвена"), this);
    }
    Label_ID_Karta->setText(QString::number(m_card));
    reload();
}

TForm_Garanc_Produkti::~TForm_Garanc_Produkti()
{
    CounterpartyPick::unregisterTarget(CounterpartyMode);
    ArticlePick::unregisterTarget(ArticleMode);
    if (m_workTable) {
        try {
            WarrantyCards::dropWorkTable();
        } catch (const DbError &e) {
            ExceptionLog::write(e);
        }
    }
}

bool TForm_Garanc_Produkti::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Label1)
            QTimer::singleShot(0, this, &TForm_Garanc_Produkti::Label1Click);
        else if (watched == Label2)
            QTimer::singleShot(0, this, &TForm_Garanc_Produkti::Label2Click);
        else if (watched == Edit_Sel_Art)
            Edit_Sel_Art->selectAll(); // Edit_Sel_ArtClick
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_Garanc_Produkti::reload()
{
    try {
        m_pieces->setQuery(QStringLiteral("SELECT N, ID, Opisanie, Model, Partida, Serial_ID, Data, ID_Karta FROM ") +
                           WorkTables::qualified(QString::fromLatin1(WarrantyCards::WorkTable)) +
                           QStringLiteral(" ORDER BY N"));
        for (const auto &c : kColumns)
            m_pieces->setHeaderTitle(QString::fromLatin1(c[0]), QString::fromUtf8(c[1]));
        DBGrid1->setColumnHidden(m_pieces->fieldIndex(QStringLiteral("ID_Karta")), true);
    } catch (const DbError &e) {
        m_pieces->clear();
        failed(e, QStringLiteral("Серийните номера не могат да бъдат прочетени"), this);
    }
}

void TForm_Garanc_Produkti::prefill(const QString &kind, const QString &documentNumber, const QDate &date,
                                    const QString &supplier, long long article)
{
    const int index = ComboBox_Vid_Dok->findText(kind);
    if (index >= 0)
        ComboBox_Vid_Dok->setCurrentIndex(index);
    Edit_Garanc_Nomer->setText(documentNumber);
    if (date.isValid())
        DateTimePicker_Garanc_Data->setDate(date);
    if (!supplier.isEmpty())
        Label_Kontragent->setText(supplier);
    Edit_Sel_Art->setText(article > 0 ? QString::number(article) : QString());
    Edit_Sel_ArtKeyPress();
}

void TForm_Garanc_Produkti::takeImported(const QString &documentNumber, const QString &note, const QDate &date)
{
    Edit_Garanc_Nomer->setText(documentNumber);
    Edit_Zabel->setText(note);
    DateTimePicker_Garanc_Data->setDate(date);
    reload();
}

void TForm_Garanc_Produkti::Label1Click()
{
    CounterpartyPickMode = CounterpartyMode;
    TForm_Kontrakents::N_KlientiClick(this);
    CounterpartyPickMode = -1;
}

void TForm_Garanc_Produkti::Label2Click()
{
    ArticlePickMode = ArticleMode;
    TForm_Artikuli::N_ArtikuliClick(this);
    ArticlePickMode = -1;
}

void TForm_Garanc_Produkti::Edit_Sel_ArtKeyPress()
{
    const long long id = ReferenceText::key(Edit_Sel_Art->text().trimmed() + QLatin1Char(':'));
    std::optional<QSqlRecord> row;
    try {
        if (id > 0)
            row = Db::firstRow(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID = ?"), {id});
    } catch (const DbError &e) {
        failed(e, QStringLiteral("Артикулът не може да бъде прочетен"), this);
        return;
    }
    if (row) {
        Label_Artikul->setText(ReferenceText::make(id, row->value(1).toString()));
        Edit_Opisanie->setText(row->value(1).toString());
        return;
    }
    Dialogs::message(QStringLiteral("Въведеният номер за артикул не съществува!"), this);
    Label2Click();
}

void TForm_Garanc_Produkti::recompute()
{
    const QDate until =
        WarrantyCards::validUntil(ComboBox1->currentIndex(), DateTimePicker_Garanc_Data->date(), SpinEdit_Srok->value());
    if (until.isValid())
        Label_Art_date->setText(Dates::toShort(until));
}

void TForm_Garanc_Produkti::ComboBox1Change()
{
    const bool date = ComboBox1->currentIndex() <= WarrantyCards::UntilDate;
    DateTimePicker_Art_Data->setVisible(date);
    SpinEdit_Srok->setVisible(!date);
    recompute();
}

void TForm_Garanc_Produkti::SpinEdit_SrokChange()
{
    recompute();
}

void TForm_Garanc_Produkti::DateTimePicker_Art_DataChange()
{
    Label_Art_date->setText(Dates::toShort(DateTimePicker_Art_Data->date()));
}

void TForm_Garanc_Produkti::BitBtn_DobaviClick()
{
    const long long article = ReferenceText::key(Label_Artikul->text());
    if (Edit_SN->text().isEmpty() || article <= 0) {
        Dialogs::message(QStringLiteral("Задължително е да се въведе сериен номер и е да е избран артикул"), this);
        Edit_SN->setFocus();
        return;
    }
    WarrantyCards::Piece piece;
    piece.validUntil = Dates::fromShort(Label_Art_date->text());
    if (!piece.validUntil.isValid()) {
        Dialogs::message(QStringLiteral("Необходимо е да се въведе валидност за гаранцията"), this);
        return;
    }
    piece.article = article;
    piece.description = Edit_Opisanie->text();
    piece.model = Edit_Model->text();
    piece.batch = Edit_Partida->text();
    piece.serial = Edit_SN->text();
    try {
        WarrantyCards::addPiece(m_card, piece);
    } catch (const DbError &e) {
        failed(e, QStringLiteral("Серийният номер не е добавен"), this);
        return;
    }
    reload();
    Edit_Model->clear();
    Edit_Partida->clear();
    Edit_SN->clear();
}

void TForm_Garanc_Produkti::BitBtn_DeleteClick()
{
    QList<long long> rows;
    for (int row : GridSelection::markedRows(DBGrid1))
        rows.append(m_pieces->value(row, QStringLiteral("N")).toLongLong());
    try {
        WarrantyCards::removePieces(rows);
    } catch (const DbError &e) {
        failed(e, QStringLiteral("Серийните номера не са изтрити"), this);
    }
    reload();
}

void TForm_Garanc_Produkti::Button_InsertClick()
{
    WarrantyCards::Header h;
    h.shownNumber = m_card;
    h.supplier = ReferenceText::key(Label_Kontragent->text());
    h.kind = ComboBox_Vid_Dok->currentIndex() >= 0 ? ReferenceText::key(ComboBox_Vid_Dok->currentText()) : 0;
    h.documentNumber = Edit_Garanc_Nomer->text();
    h.date = DateTimePicker_Garanc_Data->date();
    h.note = Edit_Zabel->text();
    WarrantyCards::SaveResult saved;
    try {
        saved = WarrantyCards::save(h);
    } catch (const DbError &e) {
        failed(e, QStringLiteral("Гаранционната карта не е записана"), this);
        reload();
        return;
    }
    if (!saved.refusal.isEmpty()) {
        Dialogs::message(saved.refusal, this);
        return;
    }
    readyForNextCard();
}

void TForm_Garanc_Produkti::readyForNextCard()
{
    try {
        m_card = WarrantyCards::nextCardNumber();
    } catch (const DbError &e) {
        failed(e, QStringLiteral("Следващият номер на карта не може да бъде прочетен"), this);
    }
    Label_ID_Karta->setText(QString::number(m_card));
    DateTimePicker_Garanc_Data->setDate(QDate::currentDate());
    Edit_Garanc_Nomer->clear();
    Edit_Zabel->clear();
    Label_Kontragent->setText(noCounterpartyText());
    Label_Artikul->setText(noArticleText());
    for (QLineEdit *e : {Edit_Opisanie, Edit_Model, Edit_Partida, Edit_SN})
        e->clear();
    Label_Art_date->clear(); // a validity is chosen again for the next card
    reload();
}

void TForm_Garanc_Produkti::reject()
{
    long long listed = 0;
    try {
        listed = WarrantyCards::pieceCount();
    } catch (const DbError &e) {
        ExceptionLog::write(e);
    }
    if (listed > 0 &&
        !Dialogs::yesNo(QStringLiteral("Серийните номера не са записани. Желаете ли изход?"), this))
        return;
    QDialog::reject();
}
