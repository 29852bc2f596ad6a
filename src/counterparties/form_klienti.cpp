#include "counterparties/form_klienti.h"
#include "platform/named.h"

#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_editor.h"
#include "counterparties/form_grad.h"
#include "counterparties/form_kontrag_sklad.h"
#include "counterparties/form_kontrag_smetki.h"
#include "counterparties/place_list.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "app/record_ops.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kBadData = QStringLiteral("Некоректни или непълни данни");



// A typed double quote becomes an apostrophe, where the cursor is.
void replaceQuotes(QLineEdit *e)
{
    if (!e->text().contains(QLatin1Char('"')))
        return;
    const int at = e->cursorPosition();
    QString text = e->text();
    text.replace(QLatin1Char('"'), QLatin1Char('\''));
    e->setText(text);
    e->setCursorPosition(at);
}
} // namespace

TForm_Klienti::TForm_Klienti(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Klienti"));
    setWindowTitle(QStringLiteral("Контрагенти"));

    Label_ID_Klient = new QLabel(this);
    Label_ID_Klient->setObjectName(QStringLiteral("Label_ID_Klient"));
    GroupBox_Firma = new QGroupBox(QStringLiteral("Фирма"), this);
    GroupBox_Firma->setObjectName(QStringLiteral("GroupBox_Firma"));
    GroupBox_Mol = new QGroupBox(QStringLiteral("Материално отговорно лице"), this);
    GroupBox_Mol->setObjectName(QStringLiteral("GroupBox_Mol"));

    Edit_Ime_Firma = namedEdit(QStringLiteral("Edit_Ime_Firma"), GroupBox_Firma);
    EditGrad_Firma = namedEdit(QStringLiteral("EditGrad_Firma"), GroupBox_Firma);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Нов"), GroupBox_Firma);
    Edit_Adres_Firma = namedEdit(QStringLiteral("Edit_Adres_Firma"), GroupBox_Firma);
    Edit_EIK = namedEdit(QStringLiteral("Edit_EIK"), GroupBox_Firma);
    Edit_Dan_N = namedEdit(QStringLiteral("Edit_Dan_N"), GroupBox_Firma);
    Edit_Telefoni_Firma = namedEdit(QStringLiteral("Edit_Telefoni_Firma"), GroupBox_Firma);
    Edit_BankaIme = namedEdit(QStringLiteral("Edit_BankaIme"), GroupBox_Firma);
    Edit_BankaKod = namedEdit(QStringLiteral("Edit_BankaKod"), GroupBox_Firma);
    EditBanka_Smetka = namedEdit(QStringLiteral("EditBanka_Smetka"), GroupBox_Firma);
    Edit_Otsapka = namedEdit(QStringLiteral("Edit_Otsapka"), GroupBox_Firma);

    Edit_Ime_Mol = namedEdit(QStringLiteral("Edit_Ime_Mol"), GroupBox_Mol);
    EditGrad_Mol = namedEdit(QStringLiteral("EditGrad_Mol"), GroupBox_Mol);
    Button2 = namedButton(QStringLiteral("Button2"), QStringLiteral("Нов"), GroupBox_Mol);
    EditAdres_Mol = namedEdit(QStringLiteral("EditAdres_Mol"), GroupBox_Mol);
    Edit_Telefon_Mol = namedEdit(QStringLiteral("Edit_Telefon_Mol"), GroupBox_Mol);
    Edit_EGN_Mol = namedEdit(QStringLiteral("Edit_EGN_Mol"), GroupBox_Mol);
    Edit1 = namedEdit(QStringLiteral("Edit1"), GroupBox_Mol);

    Memo_Zabel = new QPlainTextEdit(this);
    Memo_Zabel->setObjectName(QStringLiteral("Memo_Zabel"));
    Memo_Zabel->setTabChangesFocus(true);

    Button_Klient_Karti = namedButton(QStringLiteral("Button_Klient_Karti"), QStringLiteral("Клиентски карти"), this);
    Button_Sklad = namedButton(QStringLiteral("Button_Sklad"), QStringLiteral("Складове"), this);
    Button_Bank_Sm = namedButton(QStringLiteral("Button_Bank_Sm"), QStringLiteral("Банкови сметки"), this);
    Button_Sp_TO = namedButton(QStringLiteral("Button_Sp_TO"), QStringLiteral("Специални отстъпки"), this);
    Button_Insert = namedButton(QStringLiteral("Button_Insert"), QStringLiteral("НОВ"), this);
    Button_Cancel = namedButton(QStringLiteral("Button_Cancel"), QStringLiteral("ОТКАЖИ"), this);

    const QString placeHint = QStringLiteral("1.Въведете част от името и изберете от списъка!\n"
                                             "2.Въведете \"+\" и телефонен код на търсеният град\n"
                                             "3.Въведете \"-\" и пощенски код на търсеният град");
    EditGrad_Firma->setToolTip(placeHint);
    EditGrad_Mol->setToolTip(placeHint);

    buildLayout();

    // The place list floats over the other controls, under the edit it serves.
    ListBox_Grad = new QListWidget(this);
    ListBox_Grad->setObjectName(QStringLiteral("ListBox_Grad"));
    m_places = new PlaceList(this, ListBox_Grad, EditGrad_Firma, EditGrad_Mol);

    connect(Button_Insert, &QPushButton::clicked, this, &TForm_Klienti::Button_InsertClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &TForm_Klienti::Button_CancelClick);
    connect(Button_Sklad, &QPushButton::clicked, this, &TForm_Klienti::Button_SkladClick);
    connect(Button_Bank_Sm, &QPushButton::clicked, this, &TForm_Klienti::Button_Bank_SmClick);
    connect(Button_Sp_TO, &QPushButton::clicked, this, &TForm_Klienti::Button_Sp_TOClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_Klienti::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm_Klienti::Button1Click);
    connect(Edit_Ime_Firma, &QLineEdit::textEdited, this, &TForm_Klienti::Edit_Ime_FirmaChange);
    connect(Edit_Adres_Firma, &QLineEdit::textEdited, this, &TForm_Klienti::Edit_Adres_FirmaChange);
    connect(Edit_Telefoni_Firma, &QLineEdit::textEdited, this, &TForm_Klienti::Edit_Telefoni_FirmaChange);
    connect(Edit_BankaIme, &QLineEdit::textEdited, this, &TForm_Klienti::Edit_BankaImeChange);
    connect(EditAdres_Mol, &QLineEdit::textEdited, this, &TForm_Klienti::EditAdres_MolChange);
    Edit_EIK->installEventFilter(this);
    Edit_EGN_Mol->installEventFilter(this);

    setMode(0);
    setRecordButtons(false);
}

void TForm_Klienti::buildLayout()
{
    auto label = [](const QString &text, QWidget *parent) { return new QLabel(text, parent); };

    auto *firm = new QGridLayout(GroupBox_Firma);
    int row = 0;
    firm->addWidget(label(QStringLiteral("Име на фирма *"), GroupBox_Firma), row, 0);
    firm->addWidget(Edit_Ime_Firma, row++, 1, 1, 2);
    firm->addWidget(label(QStringLiteral("Населено място"), GroupBox_Firma), row, 0);
    firm->addWidget(EditGrad_Firma, row, 1);
    firm->addWidget(Button1, row++, 2);
    firm->addWidget(label(QStringLiteral("Адрес"), GroupBox_Firma), row, 0);
    firm->addWidget(Edit_Adres_Firma, row++, 1, 1, 2);
    firm->addWidget(label(QStringLiteral("ЕИК"), GroupBox_Firma), row, 0);
    firm->addWidget(Edit_EIK, row++, 1, 1, 2);
    firm->addWidget(label(QStringLiteral("ЗДДС N"), GroupBox_Firma), row, 0);
    firm->addWidget(Edit_Dan_N, row++, 1, 1, 2);
    firm->addWidget(label(QStringLiteral("Телефони"), GroupBox_Firma), row, 0);
    firm->addWidget(Edit_Telefoni_Firma, row++, 1, 1, 2);
    firm->addWidget(label(QStringLiteral("Банка"), GroupBox_Firma), row, 0);
    firm->addWidget(Edit_BankaIme, row++, 1, 1, 2);
    firm->addWidget(label(QStringLiteral("Банков код"), GroupBox_Firma), row, 0);
    firm->addWidget(Edit_BankaKod, row++, 1, 1, 2);
    firm->addWidget(label(QStringLiteral("Банкова сметка"), GroupBox_Firma), row, 0);
    firm->addWidget(EditBanka_Smetka, row++, 1, 1, 2);
    firm->addWidget(label(QStringLiteral("Търговска отстъпка %"), GroupBox_Firma), row, 0);
    firm->addWidget(Edit_Otsapka, row++, 1, 1, 2);
    firm->setRowStretch(row, 1);
    firm->setColumnStretch(1, 1);

    auto *mol = new QGridLayout(GroupBox_Mol);
    row = 0;
    mol->addWidget(label(QStringLiteral("МОЛ *"), GroupBox_Mol), row, 0);
    mol->addWidget(Edit_Ime_Mol, row++, 1, 1, 2);
    mol->addWidget(label(QStringLiteral("Населено място"), GroupBox_Mol), row, 0);
    mol->addWidget(EditGrad_Mol, row, 1);
    mol->addWidget(Button2, row++, 2);
    mol->addWidget(label(QStringLiteral("Адрес"), GroupBox_Mol), row, 0);
    mol->addWidget(EditAdres_Mol, row++, 1, 1, 2);
    mol->addWidget(label(QStringLiteral("Телефон"), GroupBox_Mol), row, 0);
    mol->addWidget(Edit_Telefon_Mol, row++, 1, 1, 2);
    mol->addWidget(label(QStringLiteral("ЕГН"), GroupBox_Mol), row, 0);
    mol->addWidget(Edit_EGN_Mol, row++, 1, 1, 2);
    mol->addWidget(label(QStringLiteral("E - mail"), GroupBox_Mol), row, 0);
    mol->addWidget(Edit1, row++, 1, 1, 2);
    mol->setColumnStretch(1, 1);

    auto *right = new QVBoxLayout;
    right->addWidget(GroupBox_Mol);
    right->addWidget(label(QStringLiteral("Забележка"), this));
    right->addWidget(Memo_Zabel, 1);

    auto *boxes = new QHBoxLayout;
    boxes->addWidget(GroupBox_Firma, 1);
    boxes->addLayout(right, 1);

    auto *top = new QHBoxLayout;
    top->addWidget(label(QStringLiteral("Номер:"), this));
    top->addWidget(Label_ID_Klient);
    top->addStretch();

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Button_Klient_Karti, Button_Sklad, Button_Bank_Sm, Button_Sp_TO})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(Button_Insert);
    buttons->addWidget(Button_Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(boxes, 1);
    layout->addLayout(buttons);
    layout->addWidget(label(QStringLiteral("* - полетата  са задължителни"), this));
    resize(860, 470);
}

int TForm_Klienti::mode() const
{
    return Button_Insert->property("Tag").toInt();
}

void TForm_Klienti::setMode(int mode)
{
    Button_Insert->setProperty("Tag", mode);
    Button_Insert->setText(mode == 0 ? QStringLiteral("НОВ") : QStringLiteral("ВЪВЕДИ"));
    Button_Cancel->setEnabled(mode != 0);
}

void TForm_Klienti::setRecordButtons(bool enabled)
{
    Button_Klient_Karti->setEnabled(enabled);
    Button_Sklad->setEnabled(enabled);
    Button_Bank_Sm->setEnabled(enabled);
    // The discount rules' window is reached only once it exists.
    Button_Sp_TO->setEnabled(enabled && bool(CounterpartyEditor::specialDiscountsOpener()));
}

void TForm_Klienti::openNew(long long group)
{
    m_group = group;
    m_id = 0;
    m_savedId = 0;
    setMode(1);
    for (QLineEdit *e : {Edit_Ime_Firma, EditGrad_Firma, Edit_Adres_Firma, Edit_Telefoni_Firma, Edit_Ime_Mol,
                         EditGrad_Mol, EditAdres_Mol, Edit_Telefon_Mol,
                         // a new counterparty never inherits the last one's bank account or number
                         Edit_BankaIme, Edit_BankaKod, EditBanka_Smetka})
        e->clear();
    Label_ID_Klient->clear();
    Memo_Zabel->clear();
    for (QLineEdit *e : {Edit_EIK, Edit_Dan_N, Edit_Otsapka, Edit_EGN_Mol})
        e->setText(QStringLiteral("0"));
    setRecordButtons(false);
    m_places->reset();
    Edit_Ime_Firma->setFocus();
}

bool TForm_Klienti::openEdit(long long id)
{
    m_savedId = 0;
    std::optional<CounterpartyFields> f;
    try {
        f = CounterpartyRecord::read(id);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Грешка при четене от базата данни:\n") + e.message(), parentWidget());
        return false;
    }
    if (!f) {
        Dialogs::message(QStringLiteral("Няма избран контрагент"), parentWidget());
        return false;
    }
    m_id = id;
    Label_ID_Klient->setText(QString::number(id));
    Edit_Ime_Firma->setText(f->Ime_Firma);
    Edit_EIK->setText(f->EIK);
    Edit_Dan_N->setText(f->Dan_N);
    EditGrad_Firma->setText(f->Grad);
    Edit_Adres_Firma->setText(f->Adres_Firma);
    Edit_Telefoni_Firma->setText(f->Telefon);
    Edit_BankaIme->setText(f->Banka_Ime);
    Edit_BankaKod->setText(f->Banka_Kod);
    EditBanka_Smetka->setText(f->Banka_Smetka);
    Edit_Otsapka->setText(Numbers::toText(f->T_O));
    Edit_Ime_Mol->setText(f->Ime_Klient);
    EditGrad_Mol->setText(f->Grad_Klient);
    EditAdres_Mol->setText(f->Adres_Klient);
    Edit_Telefon_Mol->setText(f->Telefon_Klient);
    Edit_EGN_Mol->setText(f->EGN);
    Memo_Zabel->setPlainText(f->Zabel);
    m_places->reset();
    setMode(2);
    setRecordButtons(true);
    return true;
}

int TForm_Klienti::showModal()
{
    return Dialogs::exec(this);
}

bool TForm_Klienti::fieldsFromEdits(CounterpartyFields *f)
{
    if (!CounterpartyRecord::parseDiscount(Edit_Otsapka->text(), &f->T_O))
        return false;
    f->Ime_Firma = Edit_Ime_Firma->text();
    f->Grad = EditGrad_Firma->text();
    f->Adres_Firma = Edit_Adres_Firma->text();
    f->EIK = Edit_EIK->text();
    f->Dan_N = Edit_Dan_N->text();
    f->Telefon = Edit_Telefoni_Firma->text();
    f->Banka_Ime = Edit_BankaIme->text();
    f->Banka_Kod = Edit_BankaKod->text();
    f->Banka_Smetka = EditBanka_Smetka->text();
    f->Zabel = Memo_Zabel->toPlainText();
    f->Ime_Klient = Edit_Ime_Mol->text();
    f->Grad_Klient = EditGrad_Mol->text();
    f->Adres_Klient = EditAdres_Mol->text();
    f->Telefon_Klient = Edit_Telefon_Mol->text();
    f->EGN = Edit_EGN_Mol->text();
    return true;
}

void TForm_Klienti::Button_InsertClick()
{
    m_checking = true; // no code question of a left edit in between
    if (mode() == 1)
        saveNew();
    else if (mode() == 2)
        saveEdit();
    else
        close();
    m_checking = false;
}

void TForm_Klienti::saveNew()
{
    CounterpartyFields f;
    if (!fieldsFromEdits(&f)) {
        Dialogs::message(CounterpartyRecord::discountRefusal(), this);
        Edit_Otsapka->setFocus();
        return;
    }
    const bool eikValid = Check_EIK(f.EIK);
    const bool egnValid = Check_EGN(f.EGN);
    if (!(eikValid && egnValid)
        && !Dialogs::yesNo(QStringLiteral("Въведени са невалидни ЕИК или ЕГН!.Желаете ли да продължите?"), this))
        return;
    CounterpartyKeys keys;
    try {
        keys = CounterpartyRecord::insertPair(f, m_group);
    } catch (const DbError &e) {
        // Nothing was written; what was typed stays for another try.
        ExceptionLog::write(e);
        Dialogs::message(kBadData, this);
        return;
    }
    m_savedId = keys.id;
    setMode(0);
    accept();
}

void TForm_Klienti::saveEdit()
{
    CounterpartyFields f;
    if (!fieldsFromEdits(&f)) {
        Dialogs::message(CounterpartyRecord::discountRefusal(), this);
        Edit_Otsapka->setFocus();
        return;
    }
    try {
        CounterpartyRecord::updatePair(m_id, f);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Записът не е направен:\n") + e.message(), this);
        return;
    }
    m_savedId = m_id;
    setMode(0);
    accept();
}

void TForm_Klienti::Button_CancelClick()
{
    for (QLineEdit *e : {Edit_Ime_Firma, EditGrad_Firma, Edit_Adres_Firma, Edit_EIK, Edit_Dan_N, Edit_Telefoni_Firma,
                         Edit_BankaIme, Edit_BankaKod, EditBanka_Smetka, Edit_Ime_Mol, EditGrad_Mol, EditAdres_Mol,
                         Edit_Telefon_Mol, Edit_EGN_Mol})
        e->clear();
    Edit_Otsapka->setText(QStringLiteral("0"));
    Memo_Zabel->clear();
    m_places->reset();
    Edit_Ime_Firma->setFocus();
    setMode(0);
    setRecordButtons(false);
    if (Dialogs::yesNo(QStringLiteral("Желаете ли да приключите работа с модул Контрагенти"), this))
        close();
}

void TForm_Klienti::Button_SkladClick()
{
    if (!m_sites)
        m_sites = new TForm_Kontrag_Sklad(this);
    m_sites->openFor(ReferenceText::make(m_id, Edit_Ime_Firma->text()));
    Dialogs::exec(m_sites);
}

void TForm_Klienti::Button_Bank_SmClick()
{
    if (!m_accounts)
        m_accounts = new TForm_Kontrag_Smetki(this);
    m_accounts->openFor(ReferenceText::make(m_id, Edit_Ime_Firma->text()));
    Dialogs::exec(m_accounts);
}

void TForm_Klienti::Button_Sp_TOClick()
{
    if (const auto &opener = CounterpartyEditor::specialDiscountsOpener())
        opener(this);
}

void TForm_Klienti::Button1Click()
{
    TForm_Grad places(this);
    places.startNewRecord();
    Dialogs::exec(&places);
}

void TForm_Klienti::Edit_EIKExit()
{
    if (Check_EIK(Edit_EIK->text()))
        return;
    if (Dialogs::yesNo(QStringLiteral("Невалиден ЕИК, желаете ли да продължите"), this))
        Edit_Dan_N->setFocus();
    else
        Edit_EIK->setFocus();
}

void TForm_Klienti::Edit_EGN_MolExit()
{
    if (Check_EGN(Edit_EGN_Mol->text()))
        return;
    if (Dialogs::yesNo(QStringLiteral("Невалидно ЕГН, желаете ли да продължите"), this))
        Memo_Zabel->setFocus();
    else
        Edit_EGN_Mol->setFocus();
}

void TForm_Klienti::Edit_Ime_FirmaChange()
{
    replaceQuotes(Edit_Ime_Firma);
    Edit_Ime_Mol->setText(Edit_Ime_Firma->text());
}

void TForm_Klienti::Edit_Adres_FirmaChange()
{
    replaceQuotes(Edit_Adres_Firma);
    EditAdres_Mol->setText(Edit_Adres_Firma->text());
}

void TForm_Klienti::Edit_Telefoni_FirmaChange()
{
    Edit_Telefon_Mol->setText(Edit_Telefoni_Firma->text());
}

void TForm_Klienti::Edit_BankaImeChange()
{
    replaceQuotes(Edit_BankaIme);
}

void TForm_Klienti::EditAdres_MolChange()
{
    replaceQuotes(EditAdres_Mol);
}

bool TForm_Klienti::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == Edit_EIK || watched == Edit_EGN_Mol)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Only a move to another control of this window counts as leaving
        // the edit; the question is asked once the focus has settled.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !m_checking) {
            const bool eik = watched == Edit_EIK;
            QMetaObject::invokeMethod(
                this,
                [this, eik] {
                    if (m_checking || mode() == 0 || !isVisible())
                        return;
                    m_checking = true;
                    eik ? Edit_EIKExit() : Edit_EGN_MolExit();
                    m_checking = false;
                },
                Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_Klienti::keyPressEvent(QKeyEvent *event)
{
    // Escape would close the window and drop what was typed; Enter belongs
    // to the place edits.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
