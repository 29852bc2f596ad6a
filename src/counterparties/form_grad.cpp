#include "counterparties/form_grad.h"
#include "platform/named.h"

#include "counterparties/places.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPushButton *navButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TForm_Grad::TForm_Grad(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Grad"));
    setWindowTitle(QStringLiteral("Населени места"));
    DBEdit_Opisanie = namedEdit(QStringLiteral("DBEdit_Opisanie"), this);
    DBEdit_PK = namedEdit(QStringLiteral("DBEdit_PK"), this);
    DBEdit_TK = namedEdit(QStringLiteral("DBEdit_TK"), this);
    Nav_Insert = navButton(QStringLiteral("Nav_Insert"), QStringLiteral("Нов"), this);
    Nav_Delete = navButton(QStringLiteral("Nav_Delete"), QStringLiteral("Изтрий"), this);
    Nav_Edit = navButton(QStringLiteral("Nav_Edit"), QStringLiteral("Редактирай"), this);
    Nav_Post = navButton(QStringLiteral("Nav_Post"), QStringLiteral("Запис"), this);
    Nav_Cancel = navButton(QStringLiteral("Nav_Cancel"), QStringLiteral("Откажи"), this);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Име на населено място"), DBEdit_Opisanie);
    form->addRow(QStringLiteral("Пощенски код"), DBEdit_PK);
    form->addRow(QStringLiteral("Телефонен код"), DBEdit_TK);
    auto *nav = new QHBoxLayout;
    for (QPushButton *b : {Nav_Insert, Nav_Delete, Nav_Edit, Nav_Post, Nav_Cancel})
        nav->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(nav);

    connect(Nav_Insert, &QPushButton::clicked, this, &TForm_Grad::Nav_InsertClick);
    connect(Nav_Delete, &QPushButton::clicked, this, &TForm_Grad::Nav_DeleteClick);
    connect(Nav_Edit, &QPushButton::clicked, this, &TForm_Grad::Nav_EditClick);
    connect(Nav_Post, &QPushButton::clicked, this, [this] { Nav_PostClick(); });
    connect(Nav_Cancel, &QPushButton::clicked, this, &TForm_Grad::Nav_CancelClick);
    for (QLineEdit *e : {DBEdit_Opisanie, DBEdit_PK, DBEdit_TK})
        connect(e, &QLineEdit::textEdited, this, &TForm_Grad::editStarted);
    resize(460, 160);
    setState(State::Browse);
}

void TForm_Grad::startNewRecord()
{
    Nav_InsertClick();
}

void TForm_Grad::setState(State state)
{
    m_state = state;
    const bool entering = state != State::Browse;
    Nav_Insert->setEnabled(!entering);
    Nav_Edit->setEnabled(!entering && m_current > 0);
    Nav_Delete->setEnabled(entering || m_current > 0);
    Nav_Post->setEnabled(entering);
    Nav_Cancel->setEnabled(entering);
    for (QLineEdit *e : {DBEdit_Opisanie, DBEdit_PK, DBEdit_TK})
        e->setReadOnly(!entering && m_current <= 0);
}

void TForm_Grad::showCurrent()
{
    std::optional<Places::Place> place;
    try {
        if (m_current > 0)
            place = Places::read(m_current);
    } catch (const DbError &) {
        place.reset();
    }
    if (!place)
        m_current = 0;
    DBEdit_Opisanie->setText(place ? place->Opisanie : QString());
    DBEdit_PK->setText(place ? place->PK : QString());
    DBEdit_TK->setText(place ? place->TK : QString());
}

void TForm_Grad::editStarted()
{
    if (m_state == State::Browse && m_current > 0)
        setState(State::Edit);
}

void TForm_Grad::Nav_InsertClick()
{
    if (m_state != State::Browse)
        return;
    DBEdit_Opisanie->clear();
    DBEdit_PK->clear();
    DBEdit_TK->clear();
    setState(State::Insert);
    DBEdit_Opisanie->setFocus();
}

void TForm_Grad::Nav_EditClick()
{
    if (m_state == State::Browse && m_current > 0)
        setState(State::Edit);
}

bool TForm_Grad::Nav_PostClick()
{
    if (m_state == State::Browse)
        return false;
    Places::Place place{m_state == State::Edit ? m_current : 0, DBEdit_Opisanie->text().trimmed(),
                        DBEdit_PK->text().trimmed(), DBEdit_TK->text().trimmed()};
    if (place.Opisanie.isEmpty()) {
        Dialogs::message(QStringLiteral("Въведете име на населено място!"), this);
        return false;
    }
    try {
        if (m_state == State::Insert)
            m_current = Places::insert(place);
        else
            Places::update(place);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Записът не е направен:\n") + e.message(), this);
        return false;
    }
    showCurrent();
    setState(State::Browse);
    return true;
}

void TForm_Grad::Nav_CancelClick()
{
    if (m_state == State::Browse)
        return;
    showCurrent();
    setState(State::Browse);
}

void TForm_Grad::Nav_DeleteClick()
{
    if (m_state == State::Insert) { // deleting a record not posted yet drops it
        Nav_CancelClick();
        return;
    }
    if (m_current <= 0)
        return;
    try {
        // The next row in table order takes the deleted one's place, else the one before it.
        const QList<long long> keys = Places::keys();
        const qsizetype at = keys.indexOf(m_current);
        Places::remove(m_current);
        m_current = at + 1 < keys.size() ? keys.at(at + 1) : (at > 0 ? keys.at(at - 1) : 0);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Изтриването не е направено:\n") + e.message(), this);
        return;
    }
    showCurrent();
    setState(State::Browse);
}

void TForm_Grad::reject()
{
    if (m_state != State::Browse)
        Nav_CancelClick();
    QDialog::reject();
}

void TForm_Grad::closeEvent(QCloseEvent *event)
{
    if (m_state != State::Browse)
        Nav_CancelClick();
    QDialog::closeEvent(event);
}
