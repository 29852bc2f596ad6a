#include "documents/layout_rich_text.h"

#include "common/text_file.h"

#include <QTextDocument>

namespace LayoutRichText {

QString readFile(const QString &path, bool *ok)
{
    bool read = false;
    const QString text = TextFile::read(path, &read);
    if (ok)
        *ok = read;
    if (!read)
        return {};
    QTextDocument document;
    document.setPlainText(text);
    return document.toHtml();
}

QByteArray toRtf(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    QByteArray out("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ");
    const QString text = document.toPlainText();
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            out += "\\par\n";
        else if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}'))
            out += '\\' + QByteArray(1, char(c.unicode()));
        else if (c.unicode() < 128)
            out += char(c.unicode());
        else
            out += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    }
    out += "}";
    return out;
}

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}
} // namespace LayoutRichText
