#pragma once
#include <QByteArray>
#include <QString>

class QTextDocument;

// Rich Text Format for the rich texts of documents (.hdr, .ftr) and the
// rich-text list exports.
namespace Rtf {
// Reads RTF into the document (replacing its content): paragraph and
// character formats, colours, alignment; \'hh by the font's charset, \uN;
// unknown groups skipped; table cells as tabs. Bytes that do not start
// "{\rtf" are plain text (UTF-8, else code page 1251). Never recurses:
// groups nested deeper than a fixed depth are skipped whole.
void read(const QByteArray &bytes, QTextDocument *document);
// The document as RTF: ASCII only, every other character as \uN.
QByteArray write(const QTextDocument &document);
// A text for an RTF body: \ { } escaped, tabs as \tab, other control
// characters as blanks, non-ASCII as \uN with "?" for old readers.
QByteArray escaped(const QString &text);

// Whole files; a write replaces the file atomically.
bool readFile(const QString &path, QTextDocument *document, QString *error = nullptr);
bool writeFile(const QString &path, const QTextDocument &document, QString *error = nullptr);
} // namespace Rtf
