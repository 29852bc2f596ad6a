#include "catalogue/stock_move_window.h"

#include "app/app_state.h"
#include "app/form_print_vid_fail.h"
#include "app/list_export.h"
#include "app/record_ops.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/stock_lines.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QTableView>
#include <QVBoxLayout>

#include <stdexcept>

QString StockMoves::articleText(long long id)
{
    const auto row = Db::firstRow(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID = ?"), {id});
    return row ? ArticlePick::referenceText(*row) : QString();
}

StockMoveWindow::StockMoveWindow(StockMoveList::Kind kind, int pickMode, QWidget *parent)
    : QDialog(parent)
    , m_list(kind)
    , m_pickMode(pickMode)
{
    ComboBox_Sklad_Ot = named(new QComboBox(this), "ComboBox_Sklad_Ot");
    ComboBox_Sklad_Ot->setMinimumWidth(220);
    Edit_Art_ID = namedEdit(QStringLiteral("Edit_Art_ID"), this);
    Edit_Art_ID->setText(QStringLiteral("0"));
    Edit_Art_ID->setFixedWidth(110);
    Label_Sel_Art = named(new ElidedLabel(QStringLiteral("0:Няма избран артикул"), this), "Label_Sel_Art");
    Label_Sel_Art->setTextFormat(Qt::PlainText);
    Label_Sel_Art->setStyleSheet(QStringLiteral("color: red"));
    Button_Add_Art = namedButton(QStringLiteral("Button_Add_Art"), QStringLiteral("Избери артикул/и"), this);
    Button_Edit = namedButton(QStringLiteral("Button_Edit"), QStringLiteral("Редактирай"), this);
    Button_Delete = namedButton(QStringLiteral("Button_Delete"), QStringLiteral("Изтрии"), this);
    Button_Print = namedButton(QStringLiteral("Button_Print"), QStringLiteral("Печат"), this);
    Edit_Osnova = StockLines::sumField("Edit_Osnova", this);
    Edit_DDS = StockLines::sumField("Edit_DDS", this);
    Edit_Ob6to = StockLines::sumField("Edit_Ob6to", this);
    BitBtn3 = namedButton(QStringLiteral("BitBtn3"), QStringLiteral("ЗАПИС"), this);
    BitBtn4 = namedButton(QStringLiteral("BitBtn4"), QStringLiteral("ОТКАЖИ"), this);

    m_model = new StockLinesModel(this);
    m_model->setNumberFields({QStringLiteral("Ed_Cena"), QStringLiteral("Sum_Row")});
    m_model->setQuantityFields({QStringLiteral("Kol")});
    DBGrid2 = StockLines::makeGrid("DBGrid2", m_model, this);
    DBGrid2->installEventFilter(this);

    connect(Edit_Art_ID, &QLineEdit::returnPressed, this, &StockMoveWindow::Edit_Art_IDKeyPress);
    connect(Button_Add_Art, &QPushButton::clicked, this, &StockMoveWindow::Button_Add_ArtClick);
    connect(Button_Edit, &QPushButton::clicked, this, &StockMoveWindow::Button_EditClick);
    connect(DBGrid2, &QTableView::doubleClicked, this, &StockMoveWindow::Button_EditClick);
    connect(Button_Delete, &QPushButton::clicked, this, &StockMoveWindow::Button_DeleteClick);
    connect(Button_Print, &QPushButton::clicked, this, &StockMoveWindow::Button_PrintClick);
    connect(BitBtn3, &QPushButton::clicked, this, &StockMoveWindow::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);

    ArticlePick::registerTarget(m_pickMode, [this](const ArticlePick::Picked &picked) {
        const long long from = sourceKey();
        const long long to = destinationKey();
        ArticlePick::quantityWalk(
            m_pickMode, ArticlePick::quantityRows(m_pickMode, picked),
            [this, from, to](const QSqlRecord &row, Decimal quantity, const QString &) {
                StockLines::addLine(
                    [&](QString *refusal) {
                        return m_list.addLine(row.value(QStringLiteral("ID")).toLongLong(), quantity, from, to,
                                              refusal);
                    },
                    this);
            },
            this, true);
    });
}

StockMoveWindow::~StockMoveWindow()
{
    ArticlePick::unregisterTarget(m_pickMode);
}

void StockMoveWindow::buildLayout(QLayout *head, const QList<QWidget *> &entry)
{
    auto *entryRow = new QHBoxLayout;
    entryRow->addWidget(new QLabel(QStringLiteral("Артикул"), this));
    entryRow->addWidget(Edit_Art_ID);
    entryRow->addWidget(Label_Sel_Art, 1);
    for (QWidget *w : entry)
        entryRow->addWidget(w);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Button_Add_Art, Button_Edit, Button_Delete, Button_Print})
        buttons->addWidget(b);
    buttons->addStretch(1);

    auto *value = new QGroupBox(QStringLiteral("Равностойност на операцията"), this);
    auto *valueGrid = new QGridLayout(value);
    valueGrid->addWidget(new QLabel(QStringLiteral("Сума"), value), 0, 0);
    valueGrid->addWidget(Edit_Osnova, 0, 1);
    valueGrid->addWidget(new QLabel(QStringLiteral("ДДС"), value), 0, 2);
    valueGrid->addWidget(Edit_DDS, 0, 3);
    valueGrid->addWidget(new QLabel(QStringLiteral("ОБЩО"), value), 0, 4);
    valueGrid->addWidget(Edit_Ob6to, 0, 5);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(value, 1);
    bottom->addWidget(BitBtn3);
    bottom->addWidget(BitBtn4);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(head);
    layout->addLayout(entryRow);
    layout->addLayout(buttons);
    layout->addWidget(DBGrid2, 1);
    layout->addLayout(bottom);
    resize(820, 560);
}

long long StockMoveWindow::sourceKey() const
{
    return GetID_MFromTreeNodeName(ComboBox_Sklad_Ot->currentText());
}

long long StockMoveWindow::destinationKey() const
{
    return ComboBox_Sklad_Do ? GetID_MFromTreeNodeName(ComboBox_Sklad_Do->currentText()) : 0;
}

void StockMoveWindow::setPrepared(bool prepared)
{
    m_prepared = prepared;
    for (QWidget *w : {static_cast<QWidget *>(Edit_Art_ID), static_cast<QWidget *>(Button_Add_Art),
                       static_cast<QWidget *>(Button_Edit), static_cast<QWidget *>(Button_Delete),
                       static_cast<QWidget *>(BitBtn3)})
        w->setEnabled(prepared);
}

void StockMoveWindow::FormShow()
{
    m_article = 0;
    Edit_Art_ID->setText(QStringLiteral("0"));
    Label_Sel_Art->setText(QStringLiteral("0:Няма избран артикул"));
    m_model->clear();
    bool ready = false;
    try {
        ready = fillWarehouses();
        if (ready)
            m_list.create();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Списъкът не може да бъде подготвен.\n") + e.message(), this);
        ready = false;
    }
    setPrepared(ready);
    if (!ready)
        return;
    Button_Calculate_SUMsClick();
    Edit_Art_ID->setFocus();
    Edit_Art_ID->selectAll();
}

void StockMoveWindow::Button_Add_ArtClick()
{
    if (!m_prepared)
        return;
    ArticlePickMode = m_pickMode;
    TForm_Artikuli::N_ArtikuliClick(this);
    Button_Calculate_SUMsClick();
}

void StockMoveWindow::Edit_Art_IDKeyPress()
{
    if (!m_prepared)
        return;
    const int key = GetID_MFromTreeNodeName(Edit_Art_ID->text().trimmed());
    std::optional<QSqlRecord> article;
    try {
        article = Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = ?"), {key});
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
        return;
    }
    if (!article) {
        Dialogs::message(QStringLiteral("Въведеният номер за артикул не съществува!"), this);
        Button_Add_ArtClick();
        return;
    }
    m_article = article->value(QStringLiteral("ID")).toLongLong();
    Label_Sel_Art->setText(ArticlePick::referenceText(*article));
    articleFound(*article);
}

bool StockMoveWindow::addArticle(long long article, Decimal quantity)
{
    if (article <= 0) {
        Dialogs::message(QStringLiteral("Не е избран артикул!"), this);
        return false;
    }
    if (!StockLines::addLine(
            [&](QString *refusal) {
                return m_list.addLine(article, quantity, sourceKey(), destinationKey(), refusal);
            },
            this))
        return false;
    Button_Calculate_SUMsClick();
    return true;
}

void StockMoveWindow::Button_EditClick()
{
    if (StockLines::editCurrentQuantity(DBGrid2, m_model, QStringLiteral("Opisanie"),
                                        [this](long long n, Decimal quantity) { m_list.setQuantity(n, quantity); },
                                        this, true))
        Button_Calculate_SUMsClick();
}

void StockMoveWindow::Button_DeleteClick()
{
    if (StockLines::removeCurrent(DBGrid2, m_model, [this](long long n) { m_list.removeLine(n); }, this))
        Button_Calculate_SUMsClick();
}

void StockMoveWindow::Button_Calculate_SUMsClick()
{
    if (!m_prepared)
        return;
    static const StockLines::Columns columns = {{QStringLiteral("Art_ID"), QStringLiteral("Арт. номер")},
                                 {QStringLiteral("Opisanie"), QStringLiteral("Описание")},
                                 {QStringLiteral("Kol"), QStringLiteral("Кол.")},
                                 {QStringLiteral("Mqrka"), QStringLiteral("Мярка")},
                                 {QStringLiteral("Ed_Cena"), QStringLiteral("Ед. цена")},
                                 {QStringLiteral("Valuta"), QStringLiteral("Валута")},
                                 {QStringLiteral("Sum_Row"), QStringLiteral("Общо в лева")}};
    try {
        QVariantList params;
        const QString sql = m_list.linesSql(&params);
        StockLines::reload(DBGrid2, m_model, sql, params, columns);
        const DdsSplit split = GET_DDS(m_list.total().rounded(PriceDecimals));
        Edit_Ob6to->setText(StockLines::amount(split.Amount));
        Edit_DDS->setText(StockLines::amount(split.vatShown(PriceDecimals)));
        Edit_Osnova->setText(StockLines::amount(split.netShown(PriceDecimals)));
    } catch (const DbError &e) {
        Dialogs::message(e.message(), this);
    } catch (const std::invalid_argument &e) {
        Dialogs::message(QString::fromUtf8(e.what()), this);
    }
    // The lines fix the warehouses: what is booked and what is printed name the same.
    const bool noLines = m_model->rowCount() == 0;
    ComboBox_Sklad_Ot->setEnabled(noLines);
    if (ComboBox_Sklad_Do)
        ComboBox_Sklad_Do->setEnabled(noLines);
}

bool StockMoveWindow::Button_PrintClick()
{
    if (m_model->rowCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат"), this);
        return false;
    }
    showExportChooser();
    ListExport file(reportName());
    file.addLines(reportHead());
    file.PRINT_INTO(DBGrid2);
    file.addLines({QString(), QStringLiteral("\tСума : ") + Edit_Osnova->text(), QString(),
                   QStringLiteral("\tДДС: ") + Edit_DDS->text(), QString(),
                   QStringLiteral("\tОБЩО: ") + Edit_Ob6to->text(), QString(), QStringLiteral("\t") + ReportFooter});
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), this);
        return false;
    }
    SHELLEXECUTE_OPENFILE(file.filePath());
    return true;
}

bool StockMoveWindow::BitBtn3Click()
{
    if (!m_prepared)
        return false;
    QString refusal;
    try {
        if (!m_list.save(&refusal)) {
            Dialogs::message(refusal, this);
            return false;
        }
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Операцията не беше записана; наличностите не са променени.\n")
                             + e.message(),
                         this);
        return false;
    }
    accept();
    return true;
}

void StockMoveWindow::done(int result)
{
    if (m_prepared) {
        try {
            m_list.drop();
        } catch (const DbError &) {
            // a left table is emptied at the next opening
        }
    }
    setPrepared(false);
    m_model->clear();
    QDialog::done(result);
}

bool StockMoveWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DBGrid2
        && StockLines::gridKey(event, [this] { Button_EditClick(); }, [this] { Button_DeleteClick(); }))
        return true;
    return QDialog::eventFilter(watched, event);
}
