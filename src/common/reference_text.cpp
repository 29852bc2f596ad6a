#include "common/reference_text.h"

#include <climits>

int GetID_MFromTreeNodeName(const QString &referenceText)
{
    const int colon = referenceText.indexOf(QLatin1Char(':'));
    QString head = colon < 0 ? referenceText : referenceText.left(colon);
    // Leading blanks are allowed, trailing ones are not.
    int start = 0;
    while (start < head.size() && head.at(start) == QLatin1Char(' '))
        ++start;
    head = head.mid(start);
    if (head.isEmpty())
        return -1;
    int i = 0;
    if (head.at(0) == QLatin1Char('+') || head.at(0) == QLatin1Char('-'))
        ++i;
    if (i >= head.size())
        return -1;
    for (int j = i; j < head.size(); ++j)
        if (head.at(j) < QLatin1Char('0') || head.at(j) > QLatin1Char('9'))
            return -1;
    bool ok = false;
    const int value = head.toInt(&ok);
    return ok ? value : -1;
}

QString ReferenceText::make(long long key, const QString &name)
{
    return QString::number(key) + QLatin1Char(':') + name;
}

long long ReferenceText::parseKey(const QString &typed)
{
    const QString t = typed.trimmed();
    if (t.isEmpty())
        return 0;
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    bool ok = false;
    const long long n = t.toLongLong(&ok);
    return ok && n > 0 && n <= INT_MAX ? n : 0;
}
