#pragma once
#include <QByteArray>
#include <QString>

// Code page 1251: the encoding of the files that devices and other
// programs read (receipt files, FISKAL.SER, workstation messages).
namespace Cp1251 {
QByteArray encode(const QString &text); // characters outside the page become '?'
QString decode(const QByteArray &bytes);
// Text of a file or message, line by line: a line that is valid UTF-8 reads as
// UTF-8, any other as code page 1251.
QString decodeText(const QByteArray &bytes);
} // namespace Cp1251
