#include "documents/report_parts.h"

#include "app/app_state.h"
#include "app/help_actions.h"
#include "common/dates.h"
#include "common/money.h"
#include "documents/report_filter.h"
#include "platform/named.h"

#include <QComboBox>
#include <QDateEdit>

namespace ReportParts {
SearchIndicator::SearchIndicator()
{
    HelpActions::Action_SearchExecute();
}

SearchIndicator::~SearchIndicator()
{
    HelpActions::Action_Stop_SearchExecute();
}

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
} // namespace ReportParts
