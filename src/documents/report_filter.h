#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>
#include <QVariantList>

// The conditions of a report's filter rows: a tick box enables a row, an
// unticked row adds nothing; a compared value goes through the four
// comparisons of the lists' searches; every value is bound. Columns come
// from the report's own code, never from the user. The conditions are
// joined with " AND " in the order they are added.
class ReportFilter
{
public:
    enum Comparison { Equal = 0, AtMost = 1, AtLeast = 2, Between = 3 };
    // "равно", "по - малко", "по - голямо", "между": the one list of the program.
    static QStringList comparisonTitles();

    // column = value
    void equal(bool ticked, const QString &column, const QVariant &value);
    // column compared with `from` (and `to` for "между", both bounds included).
    void compare(bool ticked, const QString &column, int comparison, const QVariant &from,
                 const QVariant &to = QVariant());
    // Dates as ISO texts, times as HH:mm:ss, as they are stored.
    void compareDates(bool ticked, const QString &column, int comparison, const QDate &from,
                      const QDate &to = QDate());
    void compareTimes(bool ticked, const QString &column, int comparison, const QTime &from,
                      const QTime &to = QTime());
    // Typed numbers, point or comma. A text that is no number is refused:
    // the filter fails with `caption` named in its message.
    void compareNumbers(bool ticked, const QString &column, int comparison, const QString &from,
                        const QString &to, const QString &caption);
    // Picked record IDs ("12", "15") as the values of in().
    static QVariantList ids(const QStringList &texts);
    // column IN (the values); an empty list is refused with `emptyMessage`.
    void in(bool ticked, const QString &column, const QVariantList &values, const QString &emptyMessage);
    // A condition of the caller's own (already with its "?" marks).
    void add(bool ticked, const QString &condition, const QVariantList &values = {});

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; } // the first refusal, in Bulgarian
    bool isEmpty() const { return m_conditions.isEmpty(); }
    QStringList conditions() const { return m_conditions; }
    QString sql() const;                 // the conditions joined with " AND "
    QString andSql() const;              // " AND " + sql(), empty when there are none
    QVariantList values() const { return m_values; }

private:
    void refuse(const QString &why);
    QStringList m_conditions;
    QVariantList m_values;
    QString m_error;
};
