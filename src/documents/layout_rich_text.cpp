#include "documents/layout_rich_text.h"

#include "common/text_file.h"

#include <QTextDocument>

namespace {
// The text of an RTF file: \par breaks lines, \uN and \'hh give characters,
// groups starting with a destination (\fonttbl, \*) are skipped.
QString rtfText(const QString &rtf)
{
    QString out;
    int depth = 0;
    int skipDepth = -1;
    int pendingSkip = 0; // characters after \uN that stand in for it
    for (int i = 0; i < rtf.size(); ++i) {
        const QChar c = rtf.at(i);
        if (c == QLatin1Char('{')) {
            ++depth;
            if (skipDepth < 0 && (rtf.mid(i + 1, 8) == QLatin1String("\\fonttbl") || rtf.mid(i + 1, 2) == QLatin1String("\\*")
                                  || rtf.mid(i + 1, 9) == QLatin1String("\\colortbl") || rtf.mid(i + 1, 11) == QLatin1String("\\stylesheet")))
                skipDepth = depth;
            continue;
        }
        if (c == QLatin1Char('}')) {
            if (depth == skipDepth)
                skipDepth = -1;
            --depth;
            continue;
        }
        if (c == QLatin1Char('\\') && i + 1 < rtf.size()) {
            const QChar n = rtf.at(i + 1);
            if (n == QLatin1Char('\\') || n == QLatin1Char('{') || n == QLatin1Char('}')) {
                if (skipDepth < 0)
                    out += n;
                ++i;
                continue;
            }
            if (n == QLatin1Char('\'')) {
                bool ok = false;
                const int code = rtf.mid(i + 2, 2).toInt(&ok, 16);
                if (ok && skipDepth < 0 && pendingSkip == 0)
                    out += QString::fromLocal8Bit(QByteArray(1, char(code)));
                pendingSkip = qMax(0, pendingSkip - 1);
                i += 3;
                continue;
            }
            int j = i + 1;
            while (j < rtf.size() && rtf.at(j).isLetter())
                ++j;
            const QString word = rtf.mid(i + 1, j - i - 1);
            int k = j;
            if (k < rtf.size() && (rtf.at(k) == QLatin1Char('-') || rtf.at(k).isDigit()))
                ++k;
            while (k < rtf.size() && rtf.at(k).isDigit())
                ++k;
            const QString number = rtf.mid(j, k - j);
            if (k < rtf.size() && rtf.at(k) == QLatin1Char(' '))
                ++k;
            if (skipDepth < 0) {
                if (word == QLatin1String("par") || word == QLatin1String("line"))
                    out += QLatin1Char('\n');
                else if (word == QLatin1String("tab"))
                    out += QLatin1Char('\t');
                else if (word == QLatin1String("u")) {
                    out += QChar(char16_t(number.toInt()));
                    pendingSkip = 1;
                }
            }
            i = k - 1;
            continue;
        }
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            continue;
        if (pendingSkip > 0) {
            --pendingSkip;
            continue;
        }
        if (skipDepth < 0)
            out += c;
    }
    return out;
}
} // namespace

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
    document.setPlainText(text.startsWith(QStringLiteral("{\\rtf")) ? rtfText(text) : text);
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
