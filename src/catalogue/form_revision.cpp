#include "catalogue/form_revision.h"

#include "app/app_state.h"
#include "app/form_print_vid_fail.h"
#include "app/list_export.h"
#include "app/record_ops.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/stock_lines.h"
#include "catalogue/stock_writer.h"
#include "catalogue/stock_taking.h"
#include "catalogue/warehouses.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QTableView>
#include <QTimeEdit>
#include <QVBoxLayout>

TForm_Revision::TForm_Revision(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Revision"));
    setWindowTitle(QStringLiteral("Ревизия"));
    setWindowFlag(Qt::Tool);

    Label_Rev_ID = named(new QLabel(QStringLiteral("0"), this), "Label_Rev_ID");
    ComboBox_Osnovanie = named(new QComboBox(this), "ComboBox_Osnovanie");
    ComboBox_Osnovanie->setEditable(true);
    ComboBox_Osnovanie->setMinimumWidth(180);
    DateTimePicker_Date = named(new QDateEdit(this), "DateTimePicker_Date");
    DateTimePicker_Date->setDisplayFormat(QString::fromLatin1(Dates::ShortFormat));
    DateTimePicker_Date->setCalendarPopup(true);
    DateTimePicker_Time = named(new QTimeEdit(this), "DateTimePicker_Time");
    DateTimePicker_Time->setDisplayFormat(QString::fromLatin1(Dates::TimeFormat));
    ComboBox_Sklad = named(new QComboBox(this), "ComboBox_Sklad");
    ComboBox_Sklad->setMinimumWidth(220);
    Edit_Art_ID = namedEdit(QStringLiteral("Edit_Art_ID"), this);
    Edit_Art_ID->setText(QStringLiteral("0"));
    Edit_Art_ID->setFixedWidth(110);
    Label_Sel_Art = named(new ElidedLabel(QStringLiteral("0:Няма избран артикул"), this), "Label_Sel_Art");
    Label_Sel_Art->setTextFormat(Qt::PlainText);
    Label_Sel_Art->setStyleSheet(QStringLiteral("color: red"));
    Edit_Kol = namedEdit(QStringLiteral("Edit_Kol"), this);
    Edit_Kol->setText(QStringLiteral("1"));
    Edit_Kol->setFixedWidth(90);
    Edit_Ob6to_Nal = StockLines::sumField("Edit_Ob6to_Nal", this);
    Edit_Ob6to_Otkr = StockLines::sumField("Edit_Ob6to_Otkr", this);
    Edit_Difrents = StockLines::sumField("Edit_Difrents", this);
    Button_Add_Art = namedButton(QStringLiteral("Button_Add_Art"), QStringLiteral("Избери артикул/и"), this);
    Button_Print = namedButton(QStringLiteral("Button_Print"), QStringLiteral("ПЕЧАТ"), this);
    Button_Edit = namedButton(QStringLiteral("Button_Edit"), QStringLiteral("Редактирай"), this);
    Button_Delete = namedButton(QStringLiteral("Button_Delete"), QStringLiteral("Изтрии"), this);
    BitBtn_Save = namedButton(QStringLiteral("BitBtn_Save"), QStringLiteral("ЗАПИС"), this);
    BitBtn_Cancel = namedButton(QStringLiteral("BitBtn_Cancel"), QStringLiteral("ОТКАЖИ"), this);

    m_model = new StockLinesModel(this);
    m_model->setNumberFields({QStringLiteral("Ed_Cena"), QStringLiteral("Nal_Sum"), QStringLiteral("Otkr_Sum")});
    m_model->setQuantityFields({QStringLiteral("Difrents"), QStringLiteral("Nal_Kol"), QStringLiteral("Otkr_Kol")});
    DBGrid1 = StockLines::makeGrid("DBGrid1", m_model, this);
    DBGrid1->installEventFilter(this);

    connect(Edit_Art_ID, &QLineEdit::returnPressed, this, &TForm_Revision::Edit_Art_IDKeyPress);
    connect(Edit_Kol, &QLineEdit::returnPressed, this, &TForm_Revision::Edit_KolKeyPress);
    connect(Button_Add_Art, &QPushButton::clicked, this, &TForm_Revision::Button_Add_ArtClick);
    connect(Button_Edit, &QPushButton::clicked, this, &TForm_Revision::DBGrid1DblClick);
    connect(DBGrid1, &QTableView::doubleClicked, this, &TForm_Revision::DBGrid1DblClick);
    connect(Button_Delete, &QPushButton::clicked, this, &TForm_Revision::Button_DeleteClick);
    connect(Button_Print, &QPushButton::clicked, this, &TForm_Revision::Button_PrintClick);
    connect(BitBtn_Save, &QPushButton::clicked, this, &TForm_Revision::BitBtn_SaveClick);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &TForm_Revision::BitBtn_CancelClick);

    ArticlePick::registerTarget(PickMode, [this](const ArticlePick::Picked &picked) {
        const long long warehouse = warehouseKey();
        ArticlePick::quantityWalk(PickMode, ArticlePick::quantityRows(PickMode, picked),
                                  [this, warehouse](const QSqlRecord &row, Decimal quantity, const QString &) {
                                      m_sheet.addLine(row.value(QStringLiteral("ID")).toLongLong(), quantity,
                                                      warehouse);
                                  },
                                  this);
    });

    auto *head = new QGridLayout;
    head->addWidget(new QLabel(QStringLiteral("Ревизия N"), this), 0, 0);
    head->addWidget(Label_Rev_ID, 1, 0);
    head->addWidget(new QLabel(QStringLiteral("Основание"), this), 0, 1);
    head->addWidget(ComboBox_Osnovanie, 1, 1);
    head->addWidget(new QLabel(QStringLiteral("Дата"), this), 0, 2);
    head->addWidget(DateTimePicker_Date, 1, 2);
    head->addWidget(new QLabel(QStringLiteral("Час"), this), 0, 3);
    head->addWidget(DateTimePicker_Time, 1, 3);
    head->addWidget(new QLabel(QStringLiteral("Склад"), this), 0, 4);
    head->addWidget(ComboBox_Sklad, 1, 4);
    head->setColumnStretch(5, 1);
    auto *entry = new QHBoxLayout;
    entry->addWidget(new QLabel(QStringLiteral("Артикул"), this));
    entry->addWidget(Edit_Art_ID);
    entry->addWidget(Label_Sel_Art, 1);
    entry->addWidget(new QLabel(QStringLiteral("Открито кол."), this));
    entry->addWidget(Edit_Kol);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Button_Add_Art, Button_Print, Button_Edit, Button_Delete})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto *totals = new QHBoxLayout;
    for (const auto &[title, edit] : {std::pair{"Налично", Edit_Ob6to_Nal}, {"Открито", Edit_Ob6to_Otkr},
                                      {"Разлика", Edit_Difrents}}) {
        totals->addWidget(new QLabel(QString::fromUtf8(title), this));
        totals->addWidget(edit);
    }
    totals->addStretch(1);
    totals->addWidget(BitBtn_Save);
    totals->addWidget(BitBtn_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(head);
    layout->addLayout(entry);
    layout->addLayout(buttons);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(totals);
    resize(900, 560);
}

TForm_Revision::~TForm_Revision()
{
    ArticlePick::unregisterTarget(PickMode);
}

long long TForm_Revision::warehouseKey() const
{
    return GetID_MFromTreeNodeName(ComboBox_Sklad->currentText());
}

void TForm_Revision::FormShow()
{
    m_ready = false;
    m_article = 0;
    StockTakingHeld.clear();
    Edit_Art_ID->setText(QStringLiteral("0"));
    Label_Sel_Art->setText(QStringLiteral("0:Няма избран артикул"));
    Label_Rev_ID->setText(QString::number(GET_MAX_NUMBER(QStringLiteral("Revision"), QStringLiteral("ID"))));
    DateTimePicker_Date->setDate(QDate::currentDate());
    DateTimePicker_Time->setTime(QTime::currentTime());
    try {
        ComboBox_Sklad->clear();
        ComboBox_Sklad->addItems(Warehouses::referenceTexts());
        SharedStringList.clear();
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Osnovanie FROM Revision ORDER BY ID")))
            SharedStringList << QStringLiteral("Справка налично") << r.value(0).toString();
        SharedStringList.removeDuplicates();
        SharedStringList.sort();
        ComboBox_Osnovanie->clear();
        ComboBox_Osnovanie->addItems(SharedStringList);
        if (SharedStringList.isEmpty())
            ComboBox_Osnovanie->setEditText(QStringLiteral("Проверка наличности"));
        StockTaking::prepare();
        m_sheet.load();
        // An unfinished count comes back in its own warehouse.
        const long long pending = StockTaking::pendingWarehouse();
        for (int i = 0; i < ComboBox_Sklad->count(); ++i)
            if (pending > 0 && GetID_MFromTreeNodeName(ComboBox_Sklad->itemText(i)) == pending)
                ComboBox_Sklad->setCurrentIndex(i);
        m_ready = true;
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Ревизията не може да бъде подготвена.\n") + e.message(), this);
    }
    if (m_ready && ComboBox_Sklad->count() == 0) {
        Dialogs::message(QStringLiteral("В програмата няма зададен склад!"), this);
        m_ready = false;
    }
    for (QWidget *w : {static_cast<QWidget *>(Edit_Art_ID), static_cast<QWidget *>(Edit_Kol),
                       static_cast<QWidget *>(Button_Add_Art), static_cast<QWidget *>(BitBtn_Save)})
        w->setEnabled(m_ready);
    Button_Calculate_SUMsClick();
    Edit_Art_ID->setFocus();
}

void TForm_Revision::Edit_Art_IDKeyPress()
{
    if (!m_ready)
        return;
    const int key = GetID_MFromTreeNodeName(Edit_Art_ID->text().trimmed());
    try {
        const auto article = Db::firstRow(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID = ?"), {key});
        if (!article) {
            Dialogs::message(QStringLiteral("Въведеният номер за артикул не съществува!"), this);
            Button_Add_ArtClick();
            return;
        }
        m_article = key;
        Label_Sel_Art->setText(ArticlePick::referenceText(*article));
        StockTakingHeld = StockQuantity::text(StockTaking::heldFor(key, warehouseKey()));
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
        return;
    }
    Edit_Kol->setText(StockTakingHeld);
    Edit_Kol->setFocus();
    Edit_Kol->selectAll();
}

void TForm_Revision::Edit_KolKeyPress()
{
    if (!m_ready)
        return;
    Decimal counted;
    if (!StockLines::parseQuantity(Edit_Kol->text(), &counted, this, false))
        return;
    const int key = GetID_MFromTreeNodeName(Edit_Art_ID->text().trimmed());
    if (!StockLines::addLine([&](QString *) { return m_sheet.addLine(key, counted, warehouseKey()); }, this))
        return;
    Button_Calculate_SUMsClick();
    Edit_Art_ID->setFocus();
    Edit_Art_ID->selectAll();
}

void TForm_Revision::Button_Add_ArtClick()
{
    if (!m_ready)
        return;
    ArticlePickMode = PickMode;
    TForm_Artikuli::N_ArtikuliClick(this);
    Button_Calculate_SUMsClick();
}

void TForm_Revision::DBGrid1DblClick()
{
    if (StockLines::editCurrentQuantity(DBGrid1, m_model, QStringLiteral("Art_Opis"),
                                        [this](long long n, Decimal counted) { m_sheet.setCounted(n, counted); }, this))
        Button_Calculate_SUMsClick();
}

void TForm_Revision::Button_DeleteClick()
{
    if (StockLines::removeCurrent(DBGrid1, m_model, [this](long long n) { m_sheet.removeLine(n); }, this))
        Button_Calculate_SUMsClick();
}

void TForm_Revision::Button_Calculate_SUMsClick()
{
    static const StockLines::Columns columns = {{QStringLiteral("Art_ID"), QStringLiteral("Арт. N")},
                                 {QStringLiteral("Art_Opis"), QStringLiteral("Описание")},
                                 {QStringLiteral("Difrents"), QStringLiteral("Разлика")},
                                 {QStringLiteral("Nal_Kol"), QStringLiteral("Налично кол.")},
                                 {QStringLiteral("Otkr_Kol"), QStringLiteral("Открито кол.")},
                                 {QStringLiteral("Mqrka"), QStringLiteral("Мярка")},
                                 {QStringLiteral("Ed_Cena"), QStringLiteral("Цена")},
                                 {QStringLiteral("Valuta"), QStringLiteral("Валута")},
                                 {QStringLiteral("Nal_Sum"), QStringLiteral("Сума налично")},
                                 {QStringLiteral("Otkr_Sum"), QStringLiteral("Сума открито")}};
    try {
        const StockTaking::Totals t = m_sheet.totals();
        StockLines::reload(DBGrid1, m_model, StockTaking::linesList(), m_sheet.lineCount(), columns);
        Edit_Ob6to_Nal->setText(StockLines::amount(t.held));
        Edit_Ob6to_Otkr->setText(StockLines::amount(t.found));
        Edit_Difrents->setText(StockLines::amount(t.difference()));
    } catch (const DbError &e) {
        m_model->clear();
        Dialogs::message(e.message(), this);
    } catch (const DecimalOverflow &e) {
        for (QLineEdit *total : {Edit_Ob6to_Nal, Edit_Ob6to_Otkr, Edit_Difrents})
            total->clear();
        Dialogs::message(QString::fromStdString(e.what()), this);
    }
    // The count belongs to one warehouse: it is chosen before the first line.
    ComboBox_Sklad->setEnabled(m_model->rowCount() == 0);
}

bool TForm_Revision::BitBtn_SaveClick()
{
    if (!m_ready)
        return false;
    if (m_model->rowCount() == 0) {
        accept();
        return true;
    }
    StockTaking::Head head;
    head.date = DateTimePicker_Date->date();
    head.time = DateTimePicker_Time->time();
    head.reason = ComboBox_Osnovanie->currentText();
    head.warehouse = warehouseKey();
    QString refusal;
    try {
        if (StockTaking::save(head, &refusal) == 0) {
            Dialogs::message(refusal, this);
            return false;
        }
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Ревизията не беше записана; наличностите не са променени.\n") + e.message(),
                         this);
        return false;
    }
    accept();
    return true;
}

bool TForm_Revision::leave()
{
    if (!Dialogs::yesNo(QStringLiteral("Имате започната Ревизия, желаете ли да приключите без запис?"), this))
        return false;
    try {
        m_sheet.clear();
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
    }
    return true;
}

void TForm_Revision::BitBtn_CancelClick()
{
    if (m_model->rowCount() > 0 && leave())
        QDialog::reject();
}

void TForm_Revision::reject()
{
    if (m_model->rowCount() > 0 && !leave())
        return;
    QDialog::reject();
}

bool TForm_Revision::Button_PrintClick()
{
    if (m_model->rowCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return false;
    }
    showExportChooser();
    ListExport file(QStringLiteral("Revision"));
    file.addLines({QString(), QStringLiteral("\t РЕВИЗИЯ N: ") + Label_Rev_ID->text(), QString(),
                   QStringLiteral("\tОт Дата:") + Dates::toShort(DateTimePicker_Date->date()) + QStringLiteral(", ")
                       + Dates::timeText(DateTimePicker_Time->time())});
    file.PRINT_INTO(DBGrid1);
    file.addLines({QStringLiteral("\tСума налично: ") + Edit_Ob6to_Nal->text(), QString(),
                   QStringLiteral("\tСума открито: ") + Edit_Ob6to_Otkr->text(), QString(),
                   QStringLiteral("\tСума разлика: ") + Edit_Difrents->text(), QString(),
                   QStringLiteral("\t") + ReportFooter});
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), this);
        return false;
    }
    SHELLEXECUTE_OPENFILE(file.filePath());
    return true;
}

void TForm_Revision::open(TForm_Revision *window)
{
    window->FormShow();
    Dialogs::exec(window);
}

bool TForm_Revision::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DBGrid1
        && StockLines::gridKey(event, [this] { DBGrid1DblClick(); }, [this] { Button_DeleteClick(); }))
        return true;
    return QDialog::eventFilter(watched, event);
}
