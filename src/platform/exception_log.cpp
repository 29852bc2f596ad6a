#include "platform/exception_log.h"

#include "common/log_file.h"

#include <cxxabi.h>
#include <cstdlib>
#include <typeinfo>

QString ExceptionLog::filePath()
{
    return LogFile::path();
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
    LogFile::append(cls, message);
}

void ExceptionLog::write(const std::exception &e)
{
    write(className(e), QString::fromUtf8(e.what()));
}
