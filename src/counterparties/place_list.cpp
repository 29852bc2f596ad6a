#include "counterparties/place_list.h"

#include "counterparties/places.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

namespace {
const QString kBadData = QStringLiteral("Некоректни данни");
}

PlaceList::PlaceList(QWidget *window, QListWidget *list, QLineEdit *companyEdit, QLineEdit *personEdit)
    : QObject(window)
    , m_window(window)
    , m_list(list)
    , m_company(companyEdit)
    , m_person(personEdit)
    , m_owner(companyEdit)
{
    m_list->setSortingEnabled(true);
    m_list->hide();
    for (QObject *o : {static_cast<QObject *>(m_company), static_cast<QObject *>(m_person),
                       static_cast<QObject *>(m_list)})
        o->installEventFilter(this);
    connect(m_company, &QLineEdit::textEdited, this, [this] { search(m_company); });
    connect(m_person, &QLineEdit::textEdited, this, [this] { search(m_person); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { takeSelected(); });
}

void PlaceList::setOwner(QLineEdit *edit)
{
    if (edit == m_owner)
        return;
    // Results of the other edit's search are not this edit's to take.
    clearList();
    m_list->hide();
    m_owner = edit;
}

void PlaceList::clearList()
{
    m_list->clear();
}

void PlaceList::fill(const QStringList &names)
{
    m_list->clear();
    m_list->addItems(names);
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void PlaceList::placeUnder(QLineEdit *edit)
{
    const QPoint at = edit->mapTo(m_window, QPoint(0, edit->height()));
    m_list->setGeometry(at.x(), at.y(), edit->width(), 100);
    m_list->raise();
    m_list->show();
}

void PlaceList::hide()
{
    m_list->hide();
}

void PlaceList::reset()
{
    clearList();
    m_list->hide();
}

void PlaceList::search(QLineEdit *edit)
{
    setOwner(edit);
    const QString text = edit->text();
    if (text.isEmpty() || text.startsWith(QLatin1Char(' ')) || text.startsWith(QLatin1Char('+'))
        || text.startsWith(QLatin1Char('-'))) {
        clearList();
        m_list->hide();
        return;
    }
    try {
        fill(Places::byName(text));
    } catch (const DbError &) {
        clearList();
        m_list->hide();
        Dialogs::message(kBadData, m_window);
        return;
    }
    placeUnder(edit); // the focus stays in the edit
}

void PlaceList::showAll(QLineEdit *edit)
{
    setOwner(edit);
    try {
        fill(Places::all());
    } catch (const DbError &) {
        clearList();
        Dialogs::message(kBadData, m_window);
        return;
    }
    placeUnder(edit);
    m_list->setFocus();
}

bool PlaceList::GetGrad(QLineEdit *edit, const QString &text)
{
    setOwner(edit);
    std::optional<QStringList> found;
    try {
        found = Places::byCode(text);
    } catch (const DbError &) {
        clearList();
        Dialogs::message(kBadData, m_window);
        return true;
    }
    if (!found)
        return false;
    clearList();
    if (found->size() > 1) {
        fill(*found);
        placeUnder(edit);
        m_list->setFocus();
    } else {
        edit->setText(found->isEmpty() ? QString() : found->constFirst());
        m_list->hide();
    }
    return true;
}

void PlaceList::enterIn(QLineEdit *edit)
{
    setOwner(edit);
    const QString text = edit->text();
    if (text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-')))
        GetGrad(edit, text);
    if (QListWidgetItem *item = m_list->currentItem())
        edit->setText(item->text());
    m_list->hide();
    edit->setFocus();
    if (edit == m_company)
        m_person->setText(m_company->text());
}

void PlaceList::takeSelected()
{
    if (QListWidgetItem *item = m_list->currentItem())
        m_owner->setText(item->text());
    m_list->hide();
    m_owner->setFocus();
}

bool PlaceList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                takeSelected();
                return true;
            }
            if (key == Qt::Key_Escape) {
                m_list->hide();
                m_owner->setFocus();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            m_list->hide();
        }
        return false;
    }
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (!edit)
        return false;
    if (event->type() == QEvent::FocusIn) {
        setOwner(edit);
    } else if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            enterIn(edit);
            return true;
        }
        if (key->key() == Qt::Key_Down && m_list->isVisible()) {
            m_list->setFocus();
            return true;
        }
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            edit->insert(QStringLiteral(" ")); // the blank is typed as well
            showAll(edit);
            return true;
        }
    }
    return false;
}
