#include "common/money.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {
// Shortest decimal text that reads back as the same double, without exponent.
std::string shortestDecimal(double v)
{
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return std::string(buf, res.ptr);
}

// Rounds a non-negative decimal text half away from zero to `decimals` places.
std::string roundText(const std::string &text, int decimals)
{
    std::string intPart = text, frac;
    const auto dot = text.find('.');
    if (dot != std::string::npos) {
        intPart = text.substr(0, dot);
        frac = text.substr(dot + 1);
    }
    bool up = false;
    if (int(frac.size()) > decimals) {
        up = frac[decimals] >= '5';
        frac.resize(decimals);
    }
    while (int(frac.size()) < decimals)
        frac.push_back('0');
    std::string digits = intPart + frac;
    if (up) {
        int i = int(digits.size()) - 1;
        while (i >= 0 && digits[i] == '9')
            digits[i--] = '0';
        if (i >= 0)
            ++digits[i];
        else
            digits.insert(digits.begin(), '1');
    }
    std::string whole = digits.substr(0, digits.size() - decimals);
    if (whole.empty())
        whole = "0";
    if (decimals == 0)
        return whole;
    return whole + "." + digits.substr(digits.size() - decimals);
}
} // namespace

namespace {
// Beyond the exact type's range (or past its eight decimals): the shortest
// decimal text itself, rounded.
QString fixedByText(double value, int decimals)
{
    if (std::isnan(value) || std::isinf(value))
        return QString::number(value);
    const bool negative = value < 0;
    std::string text = roundText(shortestDecimal(std::fabs(value)), decimals);
    const bool zero = text.find_first_not_of("0.") == std::string::npos;
    if (negative && !zero)
        text.insert(text.begin(), '-');
    return QString::fromStdString(text);
}

bool inDecimalRange(double value, int decimals)
{
    return std::isfinite(value) && std::fabs(value) < 9e10 && decimals <= Decimal::Scale;
}
} // namespace

QString Money::fixed(double value, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    if (!inDecimalRange(value, decimals))
        return fixedByText(value, decimals);
    return Decimal::fromDouble(value).toString(decimals);
}

QString Money::fixed(Decimal value, int decimals)
{
    return value.toString(decimals);
}

QString Money::format42(double value)
{
    return formatWidth(value, 4, 2);
}

QString Money::format42(Decimal value)
{
    return formatWidth(value, 4, 2);
}

QString Money::formatWidth(double value, int width, int decimals)
{
    return fixed(value, decimals).rightJustified(width, QLatin1Char(' '));
}

QString Money::formatWidth(Decimal value, int width, int decimals)
{
    return value.toString(decimals).rightJustified(width, QLatin1Char(' '));
}

double Money::round(double value, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    if (!inDecimalRange(value, decimals))
        return fixedByText(value, decimals).toDouble();
    return Decimal::fromDouble(value).rounded(decimals).toDouble();
}

ExactSum Money::lineAmount(Decimal quantity, Decimal price, Decimal rate, Decimal discount)
{
    const Decimal hundred(100);
    return ExactSum::product({quantity, price, rate, hundred - discount}, 2);
}

ExactSum Money::lineAmount(const QVariant &quantity, const QVariant &price, const QVariant &rate,
                           const QVariant &discount)
{
    if (rate.isNull())
        return ExactSum();
    return lineAmount(Decimal::fromVariant(quantity), Decimal::fromVariant(price), Decimal::fromVariant(rate),
                      Decimal::fromVariant(discount));
}

bool Numbers::parse(const QString &text, double *value)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    if (t.isEmpty() || t.count(QLatin1Char('.')) > 1)
        return false;
    for (QChar c : t)
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+')))
            return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || std::isnan(v) || std::isinf(v))
        return false;
    if (value)
        *value = v;
    return true;
}

bool Numbers::parseInteger(const QString &text, long long *value)
{
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    if (ok && value)
        *value = v;
    return ok;
}

QString Numbers::toText(double value)
{
    // Fifteen significant digits, always in plain decimal form: readers (and
    // Numbers::parse) refuse an exponent such as "1e-05".
    if (std::isnan(value) || std::isinf(value))
        return QString::number(value);
    if (value == 0)
        return QStringLiteral("0"); // never "-0"
    return QString::fromStdString(shortestDecimal(QString::number(value, 'g', 15).toDouble()));
}
