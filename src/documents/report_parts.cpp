#include "documents/report_parts.h"

#include "app/app_state.h"
#include "common/dates.h"
#include "common/money.h"
#include "documents/report_filter.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QShowEvent>
#include <QSqlRecord>
#include <QTableView>

namespace ReportParts {
QString money(double value)
{
    return Money::formatWidth(value, 4, PriceDecimals);
}

QComboBox *comparisonBox(QWidget *parent, const char *name)
{
    auto *box = named(new QComboBox(parent), name);
    box->addItems(ReportFilter::comparisonTitles()); // a fixed list: every item builds its condition
    box->setCurrentIndex(ReportFilter::Equal);
    box->setEnabled(false);
    return box;
}

QDateEdit *dateEdit(QWidget *parent, const char *name)
{
    auto *d = named(new QDateEdit(QDate::currentDate(), parent), name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QString::fromLatin1(Dates::ShortFormat));
    d->setMinimumWidth(120);
    return d;
}

void fillWhenTicked(QCheckBox *box, QComboBox *list, const std::function<QStringList()> &read,
                    const QString &failure, QWidget *parent)
{
    const bool on = box->isChecked();
    list->setEnabled(on);
    if (!on)
        return;
    list->clear();
    try {
        list->addItems(read());
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(failure + e.message(), parent);
    }
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
}

QStringList operatorNames()
{
    QStringList names;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Ime FROM Operators ORDER BY ID")))
        names << r.value(0).toString();
    return names;
}
} // namespace ReportParts

ReportDialog::ReportDialog(QWidget *parent)
    : QDialog(parent)
{
}

void ReportDialog::followArrowKeys(QTableView *grid, std::function<void()> moved)
{
    m_followed = grid;
    m_moved = std::move(moved);
    grid->installEventFilter(this);
}

void ReportDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool ReportDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_followed && m_moved && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down)
            m_moved();
    }
    return QDialog::eventFilter(watched, event);
}
