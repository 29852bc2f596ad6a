#include "platform/exception_log.h"

#include "common/dates.h"
#include "common/program_folder.h"

#include <QDateTime>
#include <QFile>

#include <cxxabi.h>
#include <cstdlib>
#include <typeinfo>

QString ExceptionLog::filePath()
{
    return ProgramFolder::file(QStringLiteral("Exceptions.log"));
}

QString ExceptionLog::className(const std::exception &e)
{
    const char *mangled = typeid(e).name();
    int status = 0;
    char *readable = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    const QString name = QString::fromLatin1(status == 0 && readable ? readable : mangled);
    std::free(readable);
    return name;
}

void ExceptionLog::write(const QString &cls, const QString &message)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString line = Dates::toShort(now.date()) + QLatin1Char(' ') + Dates::timeText(now.time())
                         + QLatin1Char(':') + cls + QStringLiteral(": !") + message
                         + QStringLiteral("!\r\n");
    QFile file(filePath());
    if (file.open(QIODevice::Append))
        file.write(line.toUtf8());
}

void ExceptionLog::write(const std::exception &e)
{
    write(className(e), QString::fromUtf8(e.what()));
}
