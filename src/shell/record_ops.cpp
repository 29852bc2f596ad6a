#include "shell/record_ops.h"

#include "common/money.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "shell/app_state.h"
#include "shell/next_number.h"

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

long long GET_MAX_NUMBER(const QString &table, const QString &column)
{
    try {
        return NextNumber::next(table, column);
    } catch (...) {
        return 0;
    }
}

bool CHECK_REPEATED_NUMBERS(const QString &table, const QString &column, const QVariant &value)
{
    if (!IsSqlIdentifier(table) || !IsSqlIdentifier(column))
        throw DbError(QStringLiteral("Невалидно име на таблица или колона: %1.%2").arg(table, column));
    const QVariant count = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table
                                          + QStringLiteral(" WHERE ") + column + QStringLiteral(" = ?"),
                                      {value});
    return count.toLongLong() > 0;
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
            Dialogs::message(QStringLiteral("Невалиден ЕИК"));
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

DdsSplit GET_DDS(double amount)
{
    const QString stored = Settings::readString(Keys::Firm_Data_DDS);
    DdsSplit r;
    if (!ParseVatPercent(stored, &r.VatRate))
        throw std::invalid_argument(
            QStringLiteral("Невалиден процент ДДС в настройките: \"%1\"").arg(stored).toStdString());
    r.AmountText = Money::format42(amount);
    r.AmountInWords = Sum_To_Words(amount);
    r.NetAmount = amount / (r.VatRate / 100 + 1);
    r.VatAmount = amount - r.NetAmount;
    return r;
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
} // namespace

QString Sum_To_Words(double amount)
{
    QString text = Money::fixed(amount, 2); // "-0.00" never occurs: a zero has no sign
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

QString Sum_To_Words(const QString &amountText)
{
    double v = 0;
    if (!Numbers::parse(amountText, &v))
        throw std::invalid_argument(
            QStringLiteral("Невалидна сума: \"%1\"").arg(amountText).toStdString());
    return Sum_To_Words(v);
}

// ---- list sorting ------------------------------------------------------------

bool ORDER_SQL(SqlListModel &list, const QString &field)
{
    const QString direction = SortDirection == 0   ? QStringLiteral(" ASC ")
                              : SortDirection == 1 ? QStringLiteral(" DESC ")
                                                   : QString();
    QString first = list.sql().section(QLatin1Char('\n'), 0, 0);
    if (first.endsWith(QLatin1Char('\r')))
        first.chop(1);
    if (first.trimmed().isEmpty() || !IsSqlIdentifier(field)) {
        Dialogs::message(QStringLiteral("Няма данни за подреждане"));
        return false;
    }
    try {
        list.setQuery(first + QLatin1Char('\n') + QStringLiteral(" ORDER BY ") + field + direction,
                      list.params());
        return true;
    } catch (const std::exception &) {
        Dialogs::message(QStringLiteral("Няма данни за подреждане"));
        return false;
    }
}

// ---- price formula -------------------------------------------------------------

namespace {
struct FormulaError {};

class Formula
{
public:
    Formula(const QString &text, double p, double d)
        : m_p(p)
        , m_d(d)
    {
        static const QString allowed = QStringLiteral("0123456789.+-*/%DP()");
        for (QChar c : text)
            if (allowed.contains(c))
                m_tokens << c;
    }

    double evaluate()
    {
        if (m_tokens.isEmpty())
            return 0;
        const double v = expression();
        if (m_pos != m_tokens.size())
            throw FormulaError();
        return v;
    }

private:
    QChar peek() const { return m_pos < m_tokens.size() ? m_tokens[m_pos] : QChar(); }
    // After "%": an operand makes it "a % b"; a sign, ")" or the end a trailing percent.
    bool startsOperand() const
    {
        const QChar c = peek();
        return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('P') || c == QLatin1Char('D')
               || c == QLatin1Char('(');
    }

    double expression()
    {
        bool percent = false;
        double value = term(&percent);
        if (percent) // a lone "b%" is b hundredths
            percent = false;
        while (peek() == QLatin1Char('+') || peek() == QLatin1Char('-')) {
            const bool plus = m_tokens[m_pos++] == QLatin1Char('+');
            double right = term(&percent);
            if (percent) // "a + b%": b percent of a
                right *= value;
            value = plus ? value + right : value - right;
        }
        return value;
    }

    // *percent: the term ended in a trailing "%" (its value already divided by 100).
    double term(bool *percent)
    {
        *percent = false;
        double value = factor();
        for (;;) {
            const QChar op = peek();
            if (op == QLatin1Char('*') || op == QLatin1Char('/')) {
                ++m_pos;
                const double right = factor();
                if (op == QLatin1Char('/')) {
                    if (right == 0)
                        throw FormulaError();
                    value /= right;
                } else {
                    value *= right;
                }
            } else if (op == QLatin1Char('%')) {
                ++m_pos;
                if (startsOperand()) {
                    value = value * factor() / 100; // "a % b": b percent of a
                } else {
                    *percent = true;
                    return value / 100;
                }
            } else {
                return value;
            }
        }
    }

    double factor()
    {
        const QChar c = peek();
        if (c == QLatin1Char('-') || c == QLatin1Char('+')) {
            ++m_pos;
            const double v = factor();
            return c == QLatin1Char('-') ? -v : v;
        }
        if (c == QLatin1Char('P') || c == QLatin1Char('D')) {
            ++m_pos;
            return c == QLatin1Char('P') ? m_p : m_d;
        }
        if (c == QLatin1Char('(')) {
            ++m_pos;
            const double v = expression();
            if (peek() != QLatin1Char(')'))
                throw FormulaError();
            ++m_pos;
            return v;
        }
        QString number;
        while (peek().isDigit() || peek() == QLatin1Char('.'))
            number += m_tokens[m_pos++];
        bool ok = false;
        const double v = number.toDouble(&ok);
        if (number.isEmpty() || number.count(QLatin1Char('.')) > 1 || !ok)
            throw FormulaError();
        return v;
    }

    QList<QChar> m_tokens;
    qsizetype m_pos = 0;
    double m_p;
    double m_d;
};
} // namespace

QString GETRESULT_FORMULA(const QString &formula, double sellingPrice, double deliveryPrice, bool *ok)
{
    try {
        const double v = Formula(formula, sellingPrice, deliveryPrice).evaluate();
        if (!std::isfinite(v))
            throw FormulaError();
        if (ok)
            *ok = true;
        return Money::formatWidth(v, 4, PriceDecimals);
    } catch (const FormulaError &) {
        if (ok)
            *ok = false;
        return QStringLiteral("Невалидна формула");
    }
}
