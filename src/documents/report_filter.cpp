#include "documents/report_filter.h"

#include "common/dates.h"
#include "common/money.h"
#include "counterparties/counterparty_search.h"

QStringList ReportFilter::comparisonTitles()
{
    return CounterpartySearch::comparisonTitles();
}

void ReportFilter::refuse(const QString &why)
{
    if (m_error.isEmpty())
        m_error = why;
}

void ReportFilter::equal(bool ticked, const QString &column, const QVariant &value)
{
    add(ticked, column + QStringLiteral(" = ?"), {value});
}

void ReportFilter::compare(bool ticked, const QString &column, int comparison, const QVariant &from,
                           const QVariant &to)
{
    if (!ticked)
        return;
    switch (comparison) {
    case Equal:
        add(true, column + QStringLiteral(" = ?"), {from});
        return;
    case AtMost:
        add(true, column + QStringLiteral(" <= ?"), {from});
        return;
    case AtLeast:
        add(true, column + QStringLiteral(" >= ?"), {from});
        return;
    case Between:
        add(true, column + QStringLiteral(" BETWEEN ? AND ?"), {from, to});
        return;
    }
    refuse(QStringLiteral("Изберете сравнение за филтъра."));
}

namespace {
bool bounds(int comparison, bool fromValid, bool toValid)
{
    return fromValid && (comparison != ReportFilter::Between || toValid);
}
} // namespace

void ReportFilter::compareDates(bool ticked, const QString &column, int comparison, const QDate &from,
                                const QDate &to)
{
    if (ticked && !bounds(comparison, from.isValid(), to.isValid()))
        return refuse(QStringLiteral("Невалидна дата във филтъра."));
    compare(ticked, column, comparison, Dates::toIso(from), comparison == Between ? Dates::toIso(to) : QVariant());
}

void ReportFilter::compareTimes(bool ticked, const QString &column, int comparison, const QTime &from,
                                const QTime &to)
{
    if (ticked && !bounds(comparison, from.isValid(), to.isValid()))
        return refuse(QStringLiteral("Невалиден час във филтъра."));
    const QString format = QStringLiteral("HH:mm:ss");
    compare(ticked, column, comparison, from.toString(format),
            comparison == Between ? QVariant(to.toString(format)) : QVariant());
}

void ReportFilter::compareNumbers(bool ticked, const QString &column, int comparison, const QString &from,
                                  const QString &to, const QString &caption)
{
    if (!ticked)
        return;
    double low = 0, high = 0;
    if (!Numbers::parse(from, &low) || (comparison == Between && !Numbers::parse(to, &high))) {
        refuse(QStringLiteral("\"%1\": въведете число (с точка или запетая).").arg(caption));
        return;
    }
    compare(true, column, comparison, low, comparison == Between ? QVariant(high) : QVariant());
}

QVariantList ReportFilter::ids(const QStringList &texts)
{
    QVariantList out;
    for (const QString &t : texts)
        out.append(t.trimmed().toLongLong());
    return out;
}

void ReportFilter::in(bool ticked, const QString &column, const QVariantList &values, const QString &emptyMessage)
{
    if (!ticked)
        return;
    if (values.isEmpty())
        return refuse(emptyMessage);
    QStringList marks;
    for (qsizetype i = 0; i < values.size(); ++i)
        marks.append(QStringLiteral("?"));
    add(true, column + QStringLiteral(" IN (") + marks.join(QLatin1Char(',')) + QLatin1Char(')'), values);
}

void ReportFilter::add(bool ticked, const QString &condition, const QVariantList &values)
{
    if (!ticked)
        return;
    m_conditions.append(condition);
    m_values.append(values);
}

QString ReportFilter::sql() const
{
    return m_conditions.join(QStringLiteral(" AND "));
}

QString ReportFilter::andSql() const
{
    return m_conditions.isEmpty() ? QString() : QStringLiteral(" AND ") + sql();
}
