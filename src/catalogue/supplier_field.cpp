#include "catalogue/supplier_field.h"

#include "catalogue/deliveries.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

SupplierField::SupplierField(QLineEdit *edit, QListWidget *list, QObject *parent)
    : QObject(parent)
    , m_edit(edit)
    , m_list(list)
{
    m_edit->setToolTip(QStringLiteral("1.Въведете част от името и изберете от списъка!\n"
                                      "2.Въведете \"+\" и данъчен номер\n3.Въведете \"-\" и ЕИК"));
    m_list->setWindowFlag(Qt::ToolTip); // floats under the field
    m_list->hide();
    connect(m_edit, &QLineEdit::textEdited, this, &SupplierField::search);
    connect(m_edit, &QLineEdit::returnPressed, this, &SupplierField::enter);
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) { pick(item->text()); });
    m_edit->installEventFilter(this);
    m_list->installEventFilter(this);
}

void SupplierField::search(const QString &text)
{
    const bool byNumber = text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'));
    if (text.isEmpty() || text.startsWith(QLatin1Char(' ')) || text.startsWith(QLatin1Char('!'))
        || (byNumber && text.size() < 2)) {
        m_list->hide();
        return;
    }
    fill(text);
}

void SupplierField::fill(const QString &text)
{
    QStringList found;
    try {
        found = Deliveries::suppliers(text);
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Некоректни данни"), m_edit);
        return;
    }
    m_list->clear();
    m_list->addItems(found);
    if (found.isEmpty()) {
        m_list->hide();
        return;
    }
    m_list->setCurrentRow(0);
    m_list->setGeometry(
        QRect(m_edit->mapToGlobal(QPoint(0, m_edit->height())), QSize(m_edit->width(), 100)));
    m_list->show();
}

void SupplierField::enter()
{
    const QString text = m_edit->text();
    if (text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-')))
        search(text);
    if (m_list->count() == 1)
        pick(m_list->item(0)->text());
    else if (m_list->count() > 1)
        m_list->setFocus();
}

void SupplierField::pick(const QString &item)
{
    m_edit->setText(item);
    m_edit->setCursorPosition(0); // a long name shows its number and its start
    m_list->hide();
    m_edit->setFocus();
    Q_EMIT picked(item);
}

bool SupplierField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::FocusOut)
        m_list->hide();
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (watched == m_edit && key == Qt::Key_Space && m_edit->text().isEmpty()) {
        fill(QString()); // every counterparty
        m_list->setFocus();
        return true;
    }
    if (watched == m_edit && key == Qt::Key_Down && m_list->isVisible()) {
        m_list->setFocus();
        return true;
    }
    if (watched == m_list && key == Qt::Key_Escape) {
        m_list->hide();
        m_edit->setFocus();
        return true;
    }
    return false;
}
