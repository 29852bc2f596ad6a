#include "documents/layout_rich_text.h"

#include "platform/report/rtf.h"

#include <QTextDocument>

namespace LayoutRichText {

QString readFile(const QString &path, bool *ok)
{
    QTextDocument document;
    const bool read = Rtf::readFile(path, &document);
    if (ok)
        *ok = read;
    return read ? document.toHtml() : QString();
}

QByteArray toRtf(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return Rtf::write(document);
}

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}
} // namespace LayoutRichText
