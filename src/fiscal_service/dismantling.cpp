#include "fiscal_service/dismantling.h"

#include "common/money.h"
#include "common/record_values.h"

#include <QRegularExpression>

#include <cmath>

bool Dismantling::parseAmount(const QString &text, double *amount)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *amount = v;
    return true;
}

QString Dismantling::totalText(double total)
{
    return Money::formatWidth(total, 4, 2);
}

QString Dismantling::totalInWords(const QString &totalText)
{
    return Sum_To_Words(totalText.toDouble());
}
