#pragma once
#include <QString>

// Exceptions.log in the program folder: one line "<date> <time>:<class>: !<message>!"
// appended per entry. Nobody is shown it; a line that cannot be appended is lost.
namespace LogFile {
QString path();
void append(const QString &className, const QString &message);
} // namespace LogFile
