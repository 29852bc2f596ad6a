#pragma once
#include <QByteArray>
#include <QString>

// The header and footer texts of a layout: held as HTML, stored as RTF.
namespace LayoutRichText {
// A rich-text (RTF) or plain-text file as HTML; *ok false when it cannot be read.
QString readFile(const QString &path, bool *ok = nullptr);
// The text as an RTF file.
QByteArray toRtf(const QString &html);
// The text without its formatting (what the designer shows of it).
QString plainText(const QString &html);
} // namespace LayoutRichText
