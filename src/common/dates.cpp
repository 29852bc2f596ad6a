#include "common/dates.h"

QString Dates::toIso(const QDate &date)
{
    return date.toString(QLatin1String(IsoFormat));
}

QString Dates::toShort(const QDate &date)
{
    return date.toString(QLatin1String(ShortFormat));
}

QDate Dates::fromIso(const QString &text)
{
    return QDate::fromString(text.trimmed(), QLatin1String(IsoFormat));
}

QDate Dates::fromShort(const QString &text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, QLatin1String(ShortFormat));
    if (!d.isValid()) // one-digit day or month, as people type them
        d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
    return d;
}

QString Dates::isoToShort(const QString &iso)
{
    const QDate d = fromIso(iso.left(10));
    return d.isValid() && (iso.size() == 10) ? toShort(d) : iso;
}

QString Dates::shortToIso(const QString &text)
{
    const QDate d = fromShort(text);
    return d.isValid() ? toIso(d) : text;
}

QString Dates::timeText(const QTime &time)
{
    return time.toString(QLatin1String(TimeFormat));
}

QTime Dates::fromTimeText(const QString &text)
{
    return QTime::fromString(text.trimmed(), QLatin1String(TimeFormat));
}

QString Dates::todayShort()
{
    return toShort(QDate::currentDate());
}

QString Dates::todayIso()
{
    return toIso(QDate::currentDate());
}

QString Dates::nowTimeText()
{
    return timeText(QTime::currentTime());
}
