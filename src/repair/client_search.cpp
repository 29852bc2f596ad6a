#include "repair/client_search.h"

#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

ClientSearch::Query ClientSearch::query(const QString &typed, const Rules &rules)
{
    Query q;
    if (typed.isEmpty() || typed.startsWith(QLatin1Char('0')))
        return q;
    q.run = true;
    q.sql = QStringLiteral("SELECT ID, Ime_Firma FROM Firmi");
    const QChar first = typed.at(0);
    const QString rest = typed.mid(1);
    if (rules.keyPrefixes && first == QLatin1Char('!')) {
        long long id = 0;
        if (Numbers::parseInteger(rest, &id)) {
            q.sql += QStringLiteral(" WHERE ID = ?");
            q.params = {id};
        } else {
            q.sql += QStringLiteral(" WHERE 1 = 0"); // no number names no firm
        }
    } else if (rules.keyPrefixes && first == QLatin1Char('+')) {
        q.sql += QStringLiteral(" WHERE Dan_N = ?");
        q.params = {rest};
    } else if (rules.keyPrefixes && first == QLatin1Char('-')) {
        q.sql += QStringLiteral(" WHERE EIK = ?");
        q.params = {rest};
    } else if (first.unicode() >= 0x0410 && first.unicode() <= 0x044F) { // А..я: codes 192..255 of code page 1251
        q.sql += QStringLiteral(" WHERE UPPER(Ime_Firma) LIKE UPPER(?) ESCAPE '\\'");
        q.params = {Db::likeContains(typed)};
    }
    q.sql += QStringLiteral(" ORDER BY ID");
    return q;
}

ClientSearch::ClientSearch(QLineEdit *edit, QListWidget *list, Rules rules, QObject *parent)
    : QObject(parent)
    , m_edit(edit)
    , m_list(list)
    , m_rules(std::move(rules))
{
    m_list->hide();
    m_edit->installEventFilter(this);
    m_list->installEventFilter(this);
    connect(m_edit, &QLineEdit::textEdited, this, &ClientSearch::search);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        if (ownsList())
            take();
    });
}

bool ClientSearch::ownsList() const
{
    const QObject *owner = m_list->property("clientSearch").value<QObject *>();
    return !owner || owner == this;
}

void ClientSearch::search()
{
    const Query q = query(m_edit->text(), m_rules);
    if (!q.run)
        return;
    m_list->setProperty("clientSearch", QVariant::fromValue<QObject *>(this));
    m_list->clear();
    try {
        for (const QSqlRecord &r : Db::rows(q.sql, q.params))
            m_list->addItem(ReferenceText::make(r.value(0).toLongLong(), r.value(1).toString()));
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Невалидни данни"), m_edit);
        if (m_rules.clearOnError) {
            m_edit->clear();
            m_list->hide();
        }
        return;
    }
    if (m_list->count() > 0)
        showList();
    else
        m_list->hide();
}

void ClientSearch::showList()
{
    // The list lies over the controls below the edit.
    QWidget *host = m_rules.listHost ? m_rules.listHost : m_edit->parentWidget();
    if (m_list->parentWidget() != host)
        m_list->setParent(host);
    m_list->setProperty("clientSearch", QVariant::fromValue<QObject *>(this));
    const QPoint at = m_edit->mapTo(host, QPoint(0, m_edit->height()));
    m_list->setGeometry(at.x(), at.y(), m_edit->width(), m_rules.listHeight);
    m_list->raise();
    m_list->show();
    m_list->setCurrentRow(0);
}

void ClientSearch::take()
{
    QListWidgetItem *item = m_list->isVisible() && ownsList() ? m_list->currentItem() : nullptr;
    if (item) {
        const QString text = item->text();
        m_edit->setText(text);
        m_list->hide();
        if (onTaken)
            onTaken(text);
        return;
    }
    if (Dialogs::yesNo(QStringLiteral("Няма намерени данни, отговарящи на критерия.\nЖелаете ли да въведете нов "
                                      "контрагент"),
                       m_edit)) {
        m_list->hide();
        if (onNewCounterparty)
            onNewCounterparty();
    } else {
        m_edit->setText(m_rules.declinedText);
        m_list->hide();
    }
}

void ClientSearch::leaveEdit()
{
    if (!m_rules.placeholderOnExit.isEmpty() && GetID_MFromTreeNodeName(m_edit->text()) == -1)
        m_edit->setText(m_rules.placeholderOnExit);
}

bool ClientSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (watched == m_list && !ownsList())
            return false; // another search's list
        if (enter && (watched == m_edit || watched == m_list)) {
            take();
            return true;
        }
        if (watched == m_edit && key == Qt::Key_Down && m_list->count() > 0 && ownsList()) {
            showList();
            m_list->setFocus();
            return true;
        }
        if (watched == m_list && key == Qt::Key_Escape) {
            m_edit->setFocus();
            m_list->hide();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        if (watched == m_list)
            m_list->hide();
        else if (watched == m_edit && QApplication::focusWidget() != m_list)
            leaveEdit();
    } else if (event->type() == QEvent::MouseButtonRelease && watched == m_edit) {
        m_edit->selectAll();
    }
    return QObject::eventFilter(watched, event);
}
