#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// Whole-file reads and atomic replacement (temporary file, then rename), so a
// crash never leaves half a settings, tree or device file.
namespace TextFile {
bool writeAtomic(const QString &path, const QByteArray &bytes, QString *error = nullptr);
bool writeUtf8(const QString &path, const QString &text, QString *error = nullptr);
// Reads a text file: UTF-8, falling back to code page 1251. Missing file: ok=false.
QString read(const QString &path, bool *ok = nullptr);
// Lines of a text file without their CR/LF endings.
QStringList readLines(const QString &path, bool *ok = nullptr);
} // namespace TextFile
