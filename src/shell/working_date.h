#pragma once
#include <QDate>
#include <QString>

// The working date: [TIME] Last holds the last day the program worked on.
namespace WorkingDate {
// The stored date is later than today (the clock was put back). A text that
// is no short date is never later.
bool lastIsLater(const QString &last, const QDate &today);
QString startupQuestion(const QString &today, const QString &last);
QString changeQuestion(const QString &today, const QString &last);
} // namespace WorkingDate
