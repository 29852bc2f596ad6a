// The article editor's code tabs: barcodes, the numbers counterparties know
// the article by, and its serial numbers.
#include "catalogue/form_new_artikul.h"

#include "catalogue/article_codes.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/long_texts.h"
#include "platform/named.h"
#include "app/app_state.h"
#include "app/window_owner.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QTableWidget *grid(const char *name, const QStringList &titles, QWidget *parent)
{
    auto *g = named(new QTableWidget(0, int(titles.size()), parent), name);
    g->setHorizontalHeaderLabels(titles);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->horizontalHeader()->setStretchLastSection(true);
    g->verticalHeader()->hide();
    return g;
}

int currentRow(QTableWidget *g)
{
    const int row = g->currentRow();
    return row >= 0 && row < g->rowCount() ? row : -1;
}

// A code list's buttons and entry panel: idle (tag 0) or entering a code.
void showEntry(int tag, QPushButton *add, QPushButton *remove, QPushButton *edit, QWidget *panel)
{
    add->setText(tag == 0 ? QStringLiteral("Добави") : QStringLiteral("Приеми"));
    remove->setText(tag == 0 ? QStringLiteral("Изтрии") : QStringLiteral("Откажи"));
    edit->setEnabled(tag == 0);
    panel->setVisible(tag != 0);
}
} // namespace

QWidget *TForm_NewArtikul::buildBarcodeTab()
{
    auto *tab = named(new QWidget(this), "TabSheet_Barkod");
    DBGrid_Barkodes = grid("DBGrid_Barkodes", {QStringLiteral("Баркод")}, tab);
    BitBtn_Add_Barkod = namedButton(QStringLiteral("BitBtn_Add_Barkod"), QStringLiteral("Добави"), tab);
    BitBtn_Del_Barkod = namedButton(QStringLiteral("BitBtn_Del_Barkod"), QStringLiteral("Изтрии"), tab);
    BitBtn_Edit_Barkod = namedButton(QStringLiteral("BitBtn_Edit_Barkod"), QStringLiteral("Редакция"), tab);
    Panel_Insert_Barkod = named(new QWidget(tab), "Panel_Insert_Barkod");
    Edit_Insert_Barkode = namedEdit(QStringLiteral("Edit_Insert_Barkode"), Panel_Insert_Barkod);
    auto *panel = new QFormLayout(Panel_Insert_Barkod);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addRow(QStringLiteral("Баркод"), Edit_Insert_Barkode);
    Panel_Insert_Barkod->hide();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn_Add_Barkod);
    buttons->addWidget(BitBtn_Del_Barkod);
    buttons->addWidget(BitBtn_Edit_Barkod);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(DBGrid_Barkodes, 1);
    layout->addWidget(Panel_Insert_Barkod);
    layout->addLayout(buttons);
    connect(BitBtn_Add_Barkod, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Add_BarkodClick);
    connect(BitBtn_Del_Barkod, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Del_BarkodClick);
    connect(BitBtn_Edit_Barkod, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Edit_BarkodClick);
    return tab;
}

QWidget *TForm_NewArtikul::buildNumberTab()
{
    auto *tab = named(new QWidget(this), "TabSheet_Nomenklatura");
    DBGrid1 = grid("DBGrid1", {QStringLiteral("Номенклатурен номер"), QStringLiteral("Контрагент")}, tab);
    DBGrid1->setColumnWidth(0, 200);
    BitBtn_Add_Nomenkl = namedButton(QStringLiteral("BitBtn_Add_Nomenkl"), QStringLiteral("Добави"), tab);
    BitBtn_Del_Nomenkl = namedButton(QStringLiteral("BitBtn_Del_Nomenkl"), QStringLiteral("Изтрии"), tab);
    BitBtn_Edit_Nomenkl = namedButton(QStringLiteral("BitBtn_Edit_Nomenkl"), QStringLiteral("Редакция"), tab);
    Panel_Insert_Nomenkl = named(new QWidget(tab), "Panel_Insert_Nomenkl");
    Edit_Insert_Nomenkl_N = namedEdit(QStringLiteral("Edit_Insert_Nomenkl_N"), Panel_Insert_Nomenkl);
    Label_Select_Kontrag = namedButton(QStringLiteral("Label_Select_Kontrag"), QStringLiteral("Контрагент:"),
                                       Panel_Insert_Nomenkl);
    Label_Select_Kontrag->setFlat(true);
    Label_Select_Kontrag->setCursor(Qt::PointingHandCursor);
    Label_ID_Kontragent = named(new ElidedLabel(QString::fromUtf8(NoCounterparty), Panel_Insert_Nomenkl),
                                "Label_ID_Kontragent");
    Label_ID_Kontragent->setTextFormat(Qt::PlainText);
    auto *panel = new QFormLayout(Panel_Insert_Nomenkl);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addRow(QStringLiteral("Номенклатурен номер"), Edit_Insert_Nomenkl_N);
    panel->addRow(Label_Select_Kontrag, Label_ID_Kontragent);
    Panel_Insert_Nomenkl->hide();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn_Add_Nomenkl);
    buttons->addWidget(BitBtn_Del_Nomenkl);
    buttons->addWidget(BitBtn_Edit_Nomenkl);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(Panel_Insert_Nomenkl);
    layout->addLayout(buttons);
    connect(BitBtn_Add_Nomenkl, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Add_NomenklClick);
    connect(BitBtn_Del_Nomenkl, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Del_NomenklClick);
    connect(BitBtn_Edit_Nomenkl, &QPushButton::clicked, this, &TForm_NewArtikul::BitBtn_Edit_NomenklClick);
    connect(Label_Select_Kontrag, &QPushButton::clicked, this, &TForm_NewArtikul::Label_Select_KontragClick);
    return tab;
}

QWidget *TForm_NewArtikul::buildSerialTab()
{
    TabSheet_Serials = named(new QWidget(this), "TabSheet_Serials");
    DBGrid_Serials = grid("DBGrid_Serials", {QStringLiteral("Сериен номер")}, TabSheet_Serials);
    auto *layout = new QVBoxLayout(TabSheet_Serials);
    layout->addWidget(DBGrid_Serials);
    connect(DBGrid_Serials, &QTableWidget::cellClicked, this, &TForm_NewArtikul::DBGrid_SerialsClick);
    return TabSheet_Serials;
}

// ---- Barcodes and catalogue numbers ----------------------------------------------------

void TForm_NewArtikul::refreshBarcodes()
{
    QStringList codes;
    try {
        codes = m_codes.barcodes();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Баркодовете не могат да бъдат прочетени:\n") + e.message(), this);
    }
    const int keep = DBGrid_Barkodes->currentRow();
    DBGrid_Barkodes->setRowCount(int(codes.size()));
    for (int i = 0; i < codes.size(); ++i)
        DBGrid_Barkodes->setItem(i, 0, new QTableWidgetItem(codes.at(i)));
    if (!codes.isEmpty())
        DBGrid_Barkodes->setCurrentCell(qBound(0, keep, int(codes.size()) - 1), 0);
}

void TForm_NewArtikul::refreshNumbers()
{
    QList<CatalogueNumber> numbers;
    try {
        numbers = m_codes.numbers();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Номенклатурата не може да бъде прочетена:\n") + e.message(), this);
    }
    const int keep = DBGrid1->currentRow();
    DBGrid1->setRowCount(int(numbers.size()));
    for (int i = 0; i < numbers.size(); ++i) {
        auto *number = new QTableWidgetItem(numbers.at(i).number);
        number->setData(Qt::UserRole, numbers.at(i).counterparty);
        DBGrid1->setItem(i, 0, number);
        DBGrid1->setItem(i, 1, new QTableWidgetItem(numbers.at(i).counterpartyName));
    }
    if (!numbers.isEmpty())
        DBGrid1->setCurrentCell(qBound(0, keep, int(numbers.size()) - 1), 0);
}

bool TForm_NewArtikul::finish(const ArticleCodeEntry::Result &result, QWidget *focus)
{
    if (!result.message.isEmpty())
        Dialogs::message(result.message, this);
    if (!result.done && focus)
        focus->setFocus();
    return result.done;
}

void TForm_NewArtikul::setBarcodeTag(int tag)
{
    m_barcodeTag = tag;
    showEntry(tag, BitBtn_Add_Barkod, BitBtn_Del_Barkod, BitBtn_Edit_Barkod, Panel_Insert_Barkod);
    if (tag != 0)
        Edit_Insert_Barkode->setFocus();
}

void TForm_NewArtikul::setNumberTag(int tag)
{
    m_numberTag = tag;
    showEntry(tag, BitBtn_Add_Nomenkl, BitBtn_Del_Nomenkl, BitBtn_Edit_Nomenkl, Panel_Insert_Nomenkl);
    if (tag == 0)
        Label_ID_Kontragent->setText(QString::fromUtf8(NoCounterparty));
    else
        Edit_Insert_Nomenkl_N->setFocus();
}

void TForm_NewArtikul::BitBtn_Add_BarkodClick()
{
    if (m_barcodeTag == 0) {
        Edit_Insert_Barkode->clear();
        setBarcodeTag(1);
        return;
    }
    const QString code = Edit_Insert_Barkode->text();
    if (!finish(m_barcodeTag == 1 ? m_codes.addBarcode(code) : m_codes.changeBarcode(m_oldBarcode, code),
                Edit_Insert_Barkode))
        return;
    setBarcodeTag(0);
    refreshBarcodes();
}

void TForm_NewArtikul::BitBtn_Del_BarkodClick()
{
    if (m_barcodeTag != 0) {
        setBarcodeTag(0);
        refreshBarcodes();
        return;
    }
    const int row = currentRow(DBGrid_Barkodes);
    if (row < 0)
        return;
    finish(m_codes.removeBarcode(row, DBGrid_Barkodes->item(row, 0)->text()), nullptr);
    refreshBarcodes();
}

void TForm_NewArtikul::BitBtn_Edit_BarkodClick()
{
    const int row = currentRow(DBGrid_Barkodes);
    if (m_barcodeTag != 0 || row < 0)
        return;
    m_oldBarcode = DBGrid_Barkodes->item(row, 0)->text();
    Edit_Insert_Barkode->setText(m_oldBarcode);
    setBarcodeTag(2);
}

void TForm_NewArtikul::Label_Select_KontragClick()
{
    CounterpartyPickMode = NumberPickMode;
    TForm_Kontrakents::N_KlientiClick(WindowOwner::mainWindow() ? WindowOwner::mainWindow() : this);
    CounterpartyPickMode = -1;
}

CatalogueNumber TForm_NewArtikul::enteredNumber() const
{
    const QString text = Label_ID_Kontragent->text();
    return CatalogueNumber{Edit_Insert_Nomenkl_N->text(), ReferenceText::key(text),
                           text.mid(text.indexOf(QLatin1Char(':')) + 1)};
}

void TForm_NewArtikul::BitBtn_Add_NomenklClick()
{
    if (m_numberTag == 0) {
        Edit_Insert_Nomenkl_N->clear();
        setNumberTag(1);
        return;
    }
    if (Edit_Insert_Nomenkl_N->text().trimmed().isEmpty()) {
        finish(m_codes.addNumber(enteredNumber()), Edit_Insert_Nomenkl_N); // says what is missing
        return;
    }
    if (enteredNumber().counterparty <= 0) {
        Dialogs::message(QStringLiteral("Изберете контрагент на когото е посоченият номер!"), this);
        Label_Select_KontragClick();
        if (enteredNumber().counterparty <= 0)
            return; // the pick was cancelled: nothing is written, the entry stays open
    }
    const CatalogueNumber entered = enteredNumber();
    if (!finish(m_numberTag == 1 ? m_codes.addNumber(entered) : m_codes.changeNumber(m_oldNumber, entered),
                Edit_Insert_Nomenkl_N))
        return;
    setNumberTag(0);
    refreshNumbers();
}

void TForm_NewArtikul::BitBtn_Del_NomenklClick()
{
    if (m_numberTag != 0) {
        setNumberTag(0);
        refreshNumbers();
        return;
    }
    const int row = currentRow(DBGrid1);
    if (row < 0)
        return;
    const CatalogueNumber n{DBGrid1->item(row, 0)->text(), DBGrid1->item(row, 0)->data(Qt::UserRole).toLongLong(),
                            DBGrid1->item(row, 1)->text()};
    finish(m_codes.removeNumber(row, n), nullptr);
    refreshNumbers();
}

void TForm_NewArtikul::BitBtn_Edit_NomenklClick()
{
    const int row = currentRow(DBGrid1);
    if (m_numberTag != 0 || row < 0)
        return;
    m_oldNumber = CatalogueNumber{DBGrid1->item(row, 0)->text(), DBGrid1->item(row, 0)->data(Qt::UserRole).toLongLong(),
                                  DBGrid1->item(row, 1)->text()};
    setNumberTag(2);
    Edit_Insert_Nomenkl_N->setText(m_oldNumber.number);
    Label_ID_Kontragent->setText(ReferenceText::make(m_oldNumber.counterparty, m_oldNumber.counterpartyName));
}

void TForm_NewArtikul::DBGrid_SerialsClick()
{
    const int row = currentRow(DBGrid_Serials);
    if (row < 0)
        return;
    QString hint;
    try {
        hint = ArticleCodes::serialHint(DBGrid_Serials->item(row, 0)->text());
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Данните за серийния номер не могат да бъдат прочетени:\n") + e.message(),
                         this);
        return;
    }
    // A tooltip renders markup: the hint goes in escaped, line by line.
    QStringList lines = hint.split(QLatin1Char('\r'));
    for (QString &line : lines)
        line = line.toHtmlEscaped();
    setToolTip(hint.isEmpty() ? QString() : QStringLiteral("<p style='white-space:pre'>") + lines.join(QStringLiteral("<br>"))
                                                + QStringLiteral("</p>"));
}
