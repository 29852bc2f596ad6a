#pragma once
#include <QString>

#include <exception>

// Exceptions that no handler caught go to Exceptions.log in the program folder
// ("<date> <time>:<class>: !<message>!") and are shown to nobody.
namespace ExceptionLog {
void write(const QString &className, const QString &message);
void write(const std::exception &e);
QString filePath();
QString className(const std::exception &e); // readable (demangled) class name
} // namespace ExceptionLog
