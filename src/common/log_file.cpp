#include "common/log_file.h"

#include "common/dates.h"
#include "common/program_folder.h"

#include <QDateTime>
#include <QFile>

QString LogFile::path()
{
    return ProgramFolder::file(QStringLiteral("Exceptions.log"));
}

void LogFile::append(const QString &className, const QString &message)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString line = Dates::toShort(now.date()) + QLatin1Char(' ') + Dates::timeText(now.time())
                         + QLatin1Char(':') + className + QStringLiteral(": !") + message
                         + QStringLiteral("!\r\n");
    QFile file(path());
    if (file.open(QIODevice::Append))
        file.write(line.toUtf8());
}
