#pragma once
#include <QDate>
#include <QString>
#include <QTime>

// Dates are stored as ISO texts and shown as dd.MM.yyyy; times are HH:mm:ss
// in both. These helpers are the one place that converts.
namespace Dates {
inline constexpr const char *IsoFormat = "yyyy-MM-dd";
inline constexpr const char *ShortFormat = "dd.MM.yyyy";
inline constexpr const char *TimeFormat = "HH:mm:ss";

QString toIso(const QDate &date);
QString toShort(const QDate &date);
QDate fromIso(const QString &text);   // invalid date when the text is no ISO date
QDate fromShort(const QString &text); // invalid date when the text is no short date
QString isoToShort(const QString &iso);   // a text that is no ISO date comes back unchanged
QString shortToIso(const QString &text);  // a text that is no short date comes back unchanged
QString timeText(const QTime &time);
QTime fromTimeText(const QString &text);
QString todayShort();
QString todayIso();
QString nowTimeText();
} // namespace Dates
