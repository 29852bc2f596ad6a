#include "common/decimal.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>

namespace {
using i128 = __int128;

constexpr int64_t kMax = INT64_MAX; // the range is symmetric: -kMax .. kMax

constexpr int64_t kPow10[19] = {1LL,
                                10LL,
                                100LL,
                                1000LL,
                                10000LL,
                                100000LL,
                                1000000LL,
                                10000000LL,
                                100000000LL,
                                1000000000LL,
                                10000000000LL,
                                100000000000LL,
                                1000000000000LL,
                                10000000000000LL,
                                100000000000000LL,
                                1000000000000000LL,
                                10000000000000000LL,
                                100000000000000000LL,
                                1000000000000000000LL};

int64_t checked(i128 v)
{
    if (v > kMax || v < -kMax)
        throw DecimalOverflow();
    return int64_t(v);
}

// n / d rounded half away from zero.
i128 divRound(i128 n, i128 d)
{
    i128 q = n / d;
    const i128 r = n % d;
    if (r != 0) {
        const i128 ar = r < 0 ? -r : r, ad = d < 0 ? -d : d;
        if (ar >= ad - ar)
            q += ((n < 0) != (d < 0)) ? -1 : 1;
    }
    return q;
}

int clampDecimals(int decimals)
{
    return decimals < 0 ? 0 : decimals > Decimal::Scale ? Decimal::Scale : decimals;
}

enum class Scan { Ok, NotNumber, TooManyDecimals, OutOfRange };

// A plain decimal text: optional sign, digits, optional point or comma and
// digits; no blanks, no exponent. Decimals past `maxDecimals` (trailing zeros
// not counted) are refused, or with `roundExtra` rounded half away from zero
// at the eighth.
Scan scan(std::string_view t, int maxDecimals, bool roundExtra, int64_t *out)
{
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    i128 whole = 0;
    size_t digits = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++digits) {
        whole = whole * 10 + (t[i] - '0');
        if (whole > kMax / Decimal::Unit + 1)
            return Scan::OutOfRange;
    }
    std::string_view frac;
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        const size_t from = ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9')
            ++i;
        frac = t.substr(from, i - from);
    }
    if (i != t.size() || digits + frac.size() == 0)
        return Scan::NotNumber;
    while (!frac.empty() && frac.back() == '0')
        frac.remove_suffix(1);
    if (int(frac.size()) > maxDecimals && !roundExtra)
        return Scan::TooManyDecimals;
    i128 units = whole * Decimal::Unit;
    for (size_t k = 0; k < frac.size() && k < size_t(Decimal::Scale); ++k)
        units += (frac[k] - '0') * kPow10[Decimal::Scale - 1 - k];
    if (frac.size() > size_t(Decimal::Scale) && frac[Decimal::Scale] >= '5')
        units += 1;
    if (units > kMax)
        return Scan::OutOfRange;
    *out = int64_t(negative ? -units : units);
    return Scan::Ok;
}
} // namespace

DecimalOverflow::DecimalOverflow()
    : std::overflow_error(QStringLiteral("Числото е извън допустимия обхват (до 92 милиарда).").toStdString())
{}

int64_t Decimal::checkedWhole(long long v)
{
    if (v > kMax / Unit || v < -(kMax / Unit))
        throw DecimalOverflow();
    return int64_t(v) * Unit;
}

int64_t Decimal::checkedWhole(unsigned long long v)
{
    if (v > (unsigned long long)(kMax / Unit))
        throw DecimalOverflow();
    return int64_t(v) * Unit;
}

Decimal Decimal::fromParts(long long mantissa, int decimals)
{
    decimals = clampDecimals(decimals);
    return Decimal(checked(i128(mantissa) * kPow10[Scale - decimals]), 0);
}

Decimal Decimal::fromDouble(double v)
{
    if (!std::isfinite(v) || std::fabs(v) >= 1e11)
        throw DecimalOverflow();
    if (v == 0)
        return Decimal();
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    int64_t units = 0;
    if (scan(std::string_view(buf, size_t(res.ptr - buf)), Scale, true, &units) != Scan::Ok)
        throw DecimalOverflow();
    return Decimal(units, 0);
}

std::optional<Decimal> Decimal::fromText(const QString &text)
{
    const QByteArray t = text.trimmed().toLatin1();
    int64_t units = 0;
    if (scan(std::string_view(t.constData(), size_t(t.size())), Scale, true, &units) != Scan::Ok)
        return std::nullopt;
    return Decimal(units, 0);
}

Decimal Decimal::fromVariant(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return Decimal();
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return fromDouble(v.toDouble());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        return Decimal(v.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
        return Decimal(v.toULongLong());
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString t = v.toString().trimmed();
        if (t.isEmpty())
            return Decimal();
        if (const auto d = fromText(t))
            return *d;
        bool ok = false;
        const double x = t.toDouble(&ok); // a stored text with an exponent
        if (ok)
            return fromDouble(x);
        break;
    }
    default:
        if (v.typeId() == qMetaTypeId<Decimal>())
            return v.value<Decimal>();
        bool ok = false;
        const double x = v.toDouble(&ok);
        if (ok)
            return fromDouble(x);
    }
    throw std::invalid_argument(
        QStringLiteral("\"%1\" не е число!").arg(v.toString()).toStdString());
}

std::optional<Decimal> Decimal::parse(const QString &text, int maxDecimals, QString *error)
{
    maxDecimals = clampDecimals(maxDecimals);
    const QString trimmed = text.trimmed();
    const QByteArray t = trimmed.toUtf8();
    int64_t units = 0;
    const Scan s = trimmed.isEmpty() ? Scan::NotNumber
                                     : scan(std::string_view(t.constData(), size_t(t.size())),
                                            maxDecimals, false, &units);
    if (s == Scan::Ok)
        return Decimal(units, 0);
    if (error) {
        switch (s) {
        case Scan::TooManyDecimals:
            *error = maxDecimals == 0
                         ? QStringLiteral("\"%1\": допустими са само цели числа.").arg(trimmed)
                         : QStringLiteral("\"%1\": допустими са най-много %2 знака след десетичната точка.")
                               .arg(trimmed)
                               .arg(maxDecimals);
            break;
        case Scan::OutOfRange:
            *error = QStringLiteral("\"%1\": числото е извън допустимия обхват.").arg(trimmed);
            break;
        default:
            *error = QStringLiteral("\"%1\" не е число!").arg(trimmed);
        }
    }
    return std::nullopt;
}

double Decimal::toDouble() const
{
    // Both operands are exact doubles and the division is correctly rounded:
    // the nearest double to the decimal value, as reading its text would give.
    if (m_units > -(int64_t(1) << 53) && m_units < (int64_t(1) << 53))
        return double(m_units) / double(Unit);
    const QByteArray t = toString().toLatin1();
    double v = 0;
    std::from_chars(t.constData(), t.constData() + t.size(), v);
    return v;
}

Decimal Decimal::rounded(int decimals) const
{
    decimals = clampDecimals(decimals);
    if (decimals == Scale)
        return *this;
    const int64_t p = kPow10[Scale - decimals];
    return Decimal(checked(divRound(m_units, p) * p), 0);
}

Decimal Decimal::truncated(int decimals) const
{
    decimals = clampDecimals(decimals);
    const int64_t p = kPow10[Scale - decimals];
    return Decimal(m_units / p * p, 0);
}

int Decimal::decimals() const
{
    int64_t frac = (m_units < 0 ? -m_units : m_units) % Unit;
    if (frac == 0)
        return 0;
    int d = Scale;
    while (frac % 10 == 0) {
        frac /= 10;
        --d;
    }
    return d;
}

QString Decimal::toString(int decimals) const
{
    decimals = clampDecimals(decimals);
    const Decimal r = rounded(decimals);
    const uint64_t u = uint64_t(r.m_units < 0 ? -r.m_units : r.m_units);
    QString text = QString::number(u / uint64_t(Unit));
    if (decimals > 0) {
        const uint64_t frac = (u % uint64_t(Unit)) / uint64_t(kPow10[Scale - decimals]);
        text += QLatin1Char('.') + QString::number(frac).rightJustified(decimals, QLatin1Char('0'));
    }
    if (r.m_units < 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString Decimal::toString() const
{
    return toString(decimals());
}

Decimal operator+(Decimal a, Decimal b)
{
    return Decimal(checked(i128(a.m_units) + b.m_units), 0);
}

Decimal operator-(Decimal a, Decimal b)
{
    return Decimal(checked(i128(a.m_units) - b.m_units), 0);
}

Decimal operator*(Decimal a, Decimal b)
{
    return Decimal(checked(divRound(i128(a.m_units) * b.m_units, Decimal::Unit)), 0);
}

Decimal operator/(Decimal a, Decimal b)
{
    if (b.m_units == 0)
        throw std::domain_error(QStringLiteral("Деление на нула.").toStdString());
    return Decimal(checked(divRound(i128(a.m_units) * Decimal::Unit, b.m_units)), 0);
}

Decimal Decimal::product(std::initializer_list<Decimal> factors, Decimal divisor, int decimals)
{
    if (divisor.m_units == 0)
        throw std::domain_error(QStringLiteral("Деление на нула.").toStdString());
    decimals = clampDecimals(decimals);
    // Each value as m × 10^-k with the fewest digits: 2.307 is 2307 × 10^-3.
    const auto trim = [](int64_t units, i128 *m) {
        int k = Scale;
        *m = units;
        while (k > 0 && *m % 10 == 0) {
            *m /= 10;
            --k;
        }
        return k;
    };
    const auto pow10 = [](int e) {
        i128 p = 1;
        while (e-- > 0)
            p *= 10;
        return p;
    };
    i128 num = 1, den = 1, m = 0;
    int k = 0;
    bool fits = true;
    for (const Decimal &f : factors) {
        k += trim(f.m_units, &m);
        fits = fits && !__builtin_mul_overflow(num, m, &num);
    }
    // The result's count of 10^-decimals is num / den × 10^e.
    int e = trim(divisor.m_units, &den) - k + decimals;
    if (fits && e < -38)
        return Decimal(); // far below the last place: num has at most 39 digits
    if (fits && e >= 0)
        fits = e <= 38 && !__builtin_mul_overflow(num, pow10(e), &num);
    else if (fits)
        fits = !__builtin_mul_overflow(den, pow10(-e), &den);
    if (fits) {
        const i128 q = divRound(num, den);
        return Decimal(checked(i128(checked(q)) * kPow10[Scale - decimals]), 0);
    }
    // Too many digits for one exact step: step by step at the eighth decimal.
    Decimal r(1);
    for (const Decimal &f : factors)
        r *= f;
    return (r / divisor).rounded(decimals);
}

namespace {
using u128 = unsigned __int128;
using Limbs = std::array<uint64_t, 5>;
constexpr int kExactScale = 34; // ExactSum counts 10^-34

uint64_t pow10u(int e)
{
    return uint64_t(kPow10[e]);
}

// a × m in place; false when the product needs more than the limbs hold.
bool mulSmall(Limbs &a, uint64_t m)
{
    u128 carry = 0;
    for (uint64_t &l : a) {
        const u128 p = u128(l) * m + carry;
        l = uint64_t(p);
        carry = p >> 64;
    }
    return carry == 0 && (a.back() >> 63) == 0;
}

bool mulPow10(Limbs &a, int e)
{
    for (; e > 0; e -= 18)
        if (!mulSmall(a, pow10u(std::min(e, 18))))
            return false;
    return true;
}

// a / 10^e in place, towards zero (a is not negative).
void divPow10(Limbs &a, int e)
{
    for (; e > 0; e -= 18) {
        const uint64_t d = pow10u(std::min(e, 18));
        u128 rem = 0;
        for (int i = int(a.size()) - 1; i >= 0; --i) {
            const u128 cur = (rem << 64) | a[size_t(i)];
            a[size_t(i)] = uint64_t(cur / d);
            rem = cur % d;
        }
    }
}

void addLimbs(Limbs &a, const Limbs &b)
{
    u128 carry = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const u128 s = u128(a[i]) + b[i] + carry;
        a[i] = uint64_t(s);
        carry = s >> 64;
    }
}

Limbs negated(Limbs a)
{
    for (uint64_t &l : a)
        l = ~l;
    addLimbs(a, Limbs{1});
    return a;
}

bool isNegative(const Limbs &a)
{
    return (a.back() >> 63) != 0;
}
} // namespace

ExactSum::ExactSum(Decimal d)
    : ExactSum(product({d}))
{}

ExactSum ExactSum::product(std::initializer_list<Decimal> factors, int shift)
{
    const int places = Decimal::Scale * int(factors.size()) + shift;
    if (factors.size() > 4 || shift < 0 || places > kExactScale)
        throw std::invalid_argument("ExactSum::product: too many places");
    ExactSum r;
    r.m_limbs = Limbs{1};
    bool negative = false;
    for (const Decimal &f : factors) {
        negative = negative != f.isNegative();
        if (!mulSmall(r.m_limbs, uint64_t(f.abs().units())))
            throw DecimalOverflow();
    }
    if (!mulPow10(r.m_limbs, kExactScale - places))
        throw DecimalOverflow();
    if (negative)
        r.m_limbs = negated(r.m_limbs);
    return r;
}

ExactSum &ExactSum::operator+=(const ExactSum &b)
{
    addLimbs(m_limbs, b.m_limbs);
    return *this;
}

ExactSum ExactSum::operator-() const
{
    ExactSum r;
    r.m_limbs = negated(m_limbs);
    return r;
}

int ExactSum::sign() const
{
    if (isNegative(m_limbs))
        return -1;
    for (uint64_t l : m_limbs)
        if (l != 0)
            return 1;
    return 0;
}

Decimal ExactSum::rounded(int decimals) const
{
    decimals = clampDecimals(decimals);
    const bool negative = isNegative(m_limbs);
    Limbs a = negative ? negated(m_limbs) : m_limbs;
    const int e = kExactScale - decimals;
    Limbs half{5}; // half of the last place kept: 5 × 10^(e-1)
    mulPow10(half, e - 1);
    addLimbs(a, half);
    divPow10(a, e);
    const int64_t step = kPow10[Decimal::Scale - decimals];
    if (a[1] != 0 || a[2] != 0 || a[3] != 0 || a[4] != 0 || a[0] > uint64_t(kMax / step))
        throw DecimalOverflow();
    const int64_t units = int64_t(a[0]) * step;
    return Decimal::fromUnits(negative ? -units : units);
}
