#include "common/file_names.h"

namespace {
bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
           || c.category() == QChar::Separator_Paragraph;
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}
} // namespace

bool FileNames::isPlain(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name)
        if (isSeparator(c) || isControl(c))
            return false;
    // Lone surrogates would not come back as the same bytes.
    return name.isValidUtf16() && name.toUtf8().size() <= 255;
}

QString FileNames::plainFrom(const QString &text, const QString &fallback)
{
    QString name = text.trimmed();
    for (QChar &c : name)
        if (isSeparator(c) || isControl(c))
            c = QLatin1Char('_');
    while (name.contains(QLatin1String("..")))
        name.replace(QLatin1String(".."), QLatin1String("_."));
    if (name.startsWith(QLatin1Char('.')))
        name[0] = QLatin1Char('_');
    while (name.toUtf8().size() > 200)
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    return isPlain(name) ? name : fallback;
}
