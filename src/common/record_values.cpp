#include "common/record_values.h"

#include "common/money.h"
#include "common/notice.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <stdexcept>

bool IsSqlIdentifier(const QString &name)
{
    static const QRegularExpression re(
        QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*\\.)?[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(name).hasMatch();
}

QString FORMAT_NUMBERS(const QString &text, int width)
{
    return text.rightJustified(width, QLatin1Char('0'));
}

namespace {
int asciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9') ? c.unicode() - '0' : -1;
}
} // namespace

int Get_EIK(const QString &code, int offset, bool secondPass)
{
    int sum = 0;
    for (int i = 1; i <= code.size() - 1; ++i) {
        const int d = asciiDigit(code.at(i - 1));
        if (d < 0) {
            Notice::tell(QStringLiteral("Невалиден ЕИК"));
            return -1;
        }
        sum += d * (offset + i);
    }
    const int r = sum % 11;
    if (r != 10)
        return r;
    return secondPass ? 0 : Get_EIK(code, 2, true);
}

bool Check_EIK(const QString &code)
{
    if (code.size() != 9)
        return false;
    const int c = Get_EIK(code, 0, false);
    const int ninth = asciiDigit(code.at(8));
    return c >= 0 && ninth >= 0 && c == ninth;
}

bool Check_EGN(const QString &egn)
{
    static const int weights[9] = {2, 4, 8, 5, 10, 9, 7, 3, 6};
    if (egn.size() != 10)
        return false;
    int sum = 0;
    for (int k = 0; k < 9; ++k) {
        const int d = asciiDigit(egn.at(k));
        if (d < 0)
            return false;
        sum += d * weights[k];
    }
    int c = sum % 11;
    if (c == 10)
        c = 0;
    return c == asciiDigit(egn.at(9));
}

bool ParseVatPercent(const QString &text, double *percent)
{
    double v = 0;
    if (!Numbers::parse(text, &v) || v < 0 || v > 100)
        return false;
    if (percent)
        *percent = v;
    return true;
}

// ---- amount in words ------------------------------------------------------

namespace {
const char *const kUnits[10] = {"", "един", "два", "три", "четири", "пет", "шест", "седем", "осем", "девет"};
const char *const kUnitsFeminine[10] = {"", "една", "две", "три", "четири", "пет", "шест", "седем", "осем", "девет"};
const char *const kTeens[10] = {"", "единадесет ", "дванадесет ", "тринадесет ", "четиринадесет ",
                                "петнадесет ", "шестнадесет ", "седемнадесет ", "осемнадесет ",
                                "деветнадесет "};
const char *const kTens[10] = {"", "десет ", "двадесет ", "тридесет ", "четиридесет ", "петдесет ",
                               "шестдесет ", "седемдесет ", "осемдесет ", "деветдесет "};
// Tens before units; from 4 on without a trailing blank, as the printed forms have it.
const char *const kTensAnd[10] = {"", "", "двадесет и ", "тридесет и ", "четиридесет и", "петдесет и",
                                  "шестдесет и", "седемдесет и", "осемдесет и", "деветдесет и"};
const char *const kHundreds[10] = {"", "сто ", "двеста ", "триста ", "четиристотин ", "петстотин ",
                                   "шестстотин ", "седемстотин ", "осемстотин ", "деветстотин "};
const char *const kThousands[10] = {"", "хиляда ", "двехиляди ", "трихиляди ", "четирихиляди ",
                                    "петхиляди ", "шестхиляди ", "седемхиляди ", "осемхиляди ",
                                    "деветхиляди "};
const char *const kTeenThousands[10] = {"", "единадесет хиляди ", "дванадесет хиляди ",
                                        "тринадесет хиляди ", "четиринадесет хиляди ",
                                        "петнадесет хиляди ", "шестнадесет хиляди ",
                                        "седемнадесет хиляди ", "осемнадесет хиляди ",
                                        "деветнадесет хиляди "};
const char *const kTenThousands[10] = {"", "десетхиляди ", "двадесетхиляди ", "тридесетхиляди ",
                                       "четиридесетхиляди ", "петдесетхиляди ", "шестдесетхиляди ",
                                       "седемдесетхиляди ", "осемдесетхиляди ", "деветдесетхиляди "};
const char *const kTenThousandsAnd[10] = {"", "", "двадесет и ", "тридесет и ", "четиридесет и ",
                                          "петдесет и ", "шестдесет и ", "седемдесет и ",
                                          "осемдесет и ", "деветдесет и "};

QString w(const char *text) { return QString::fromUtf8(text); }

// Hundreds, tens and units of 0..999 as the printed forms spell them.
QStringList groupParts(int v, bool feminine)
{
    const int u = v % 10, t = (v / 10) % 10, h = (v / 100) % 10;
    QString hundreds, tens, units;
    if (u >= 1)
        units = w(feminine ? kUnitsFeminine[u] : kUnits[u]);
    if (t == 1 && u == 0) {
        tens = w(kTens[1]);
    } else if (t == 1) {
        units = w(kTeens[u]);
    } else if (t >= 2) {
        tens = w(u == 0 ? kTens[t] : kTensAnd[t]);
    }
    if (h >= 1)
        hundreds = w(kHundreds[h]);
    QStringList parts;
    for (const QString &p : {hundreds, tens, units})
        if (!p.isEmpty())
            parts << p;
    return parts;
}

// Below 100 000: the five groups of the printed forms.
QStringList partsBelow100000(long long n)
{
    const int k = int((n % 10000) / 1000), m = int((n % 100000) / 10000);
    QString tenThousands, thousands;
    if (k >= 1)
        thousands = w(kThousands[k]);
    if (m == 1 && k == 0) {
        tenThousands = w(kTenThousands[1]);
    } else if (m == 1) {
        tenThousands = w(kTeenThousands[k]);
        thousands.clear();
    } else if (m >= 2) {
        tenThousands = w(k == 0 ? kTenThousands[m] : kTenThousandsAnd[m]);
        if (k == 1)
            thousands = w("една хиляди "); // "двадесет и една хиляди", as from 100 000 up
    }
    QStringList parts;
    for (const QString &p : {tenThousands, thousands})
        if (!p.isEmpty())
            parts << p;
    return parts + groupParts(int(n % 1000), false);
}

// From 100 000 up: groups of three digits with their scale words.
QStringList partsFull(long long n)
{
    struct Scale {
        const char *one;
        const char *many;
        bool feminine;
    };
    static const Scale scales[] = {
        {"хиляда ", "хиляди ", true},         {"един милион ", "милиона ", false},
        {"един милиард ", "милиарда ", false}, {"един трилион ", "трилиона ", false},
        {"един квадрилион ", "квадрилиона ", false}, {"един квинтилион ", "квинтилиона ", false},
    };
    QList<int> groups; // lowest first
    for (long long rest = n; rest > 0; rest /= 1000)
        groups << int(rest % 1000);
    QStringList parts;
    for (int i = int(groups.size()) - 1; i >= 1; --i) {
        const int v = groups[i];
        const Scale &s = scales[i - 1];
        if (v == 0)
            continue;
        if (v == 1) {
            parts << w(s.one);
        } else {
            parts << groupParts(v, s.feminine);
            parts << w(s.many);
        }
    }
    return parts + groupParts(groups.value(0), false);
}

// `text`: the amount with two decimals; "-0.00" never occurs (a zero has no sign).
QString wordsOfFixedText(QString text)
{
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text.remove(0, 1);
    const QString cents = text.right(2);
    const QString wholeText = text.left(text.size() - 3);
    bool ok = false;
    const long long n = wholeText.toLongLong(&ok);
    QString words;
    if (!ok) {
        words = wholeText + QLatin1Char(' '); // beyond 64 bits: the digits themselves
    } else {
        const QStringList parts = n < 100000 ? partsBelow100000(n) : partsFull(n);
        for (const QString &p : parts)
            words += p + QLatin1Char(' ');
        if (parts.isEmpty())
            words = QStringLiteral(" нула ");
    }
    if (negative)
        words = QStringLiteral("минус") + (words.startsWith(QLatin1Char(' ')) ? words : QLatin1Char(' ') + words);
    return words + QStringLiteral("лева и ") + cents + QStringLiteral(" стотинки ");
}
} // namespace

QString Sum_To_Words(Decimal amount)
{
    return wordsOfFixedText(amount.toString(2));
}

QString Sum_To_Words(double amount)
{
    return wordsOfFixedText(Money::fixed(amount, 2));
}

QString Sum_To_Words(const QString &amountText)
{
    const auto v = Decimal::parse(amountText);
    if (!v)
        throw std::invalid_argument(
            QStringLiteral("Невалидна сума: \"%1\"").arg(amountText).toStdString());
    return Sum_To_Words(*v);
}

// ---- list sorting ------------------------------------------------------------

