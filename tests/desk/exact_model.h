#pragma once
// The random test's own exact arithmetic and money rules, written apart from
// the program's: a decimal is a 128-bit count of 10^-scale, and every rule
// the program states (README "Money and rounding", "Stock documents",
// "Deferred payments and instalments") is worked out here again from the
// exact values, half away from zero.
#include <QList>
#include <QString>

#include <algorithm>
#include <stdexcept>

namespace ExactModel {
using i128 = __int128;

inline i128 pow10(int e)
{
    i128 p = 1;
    while (e-- > 0)
        p *= 10;
    return p;
}

// n / d rounded half away from zero.
inline i128 divRound(i128 n, i128 d)
{
    if (d < 0) {
        n = -n;
        d = -d;
    }
    const i128 q = n / d, r = n % d;
    const i128 ar = r < 0 ? -r : r;
    if (2 * ar >= d)
        return n < 0 ? q - 1 : q + 1;
    return q;
}

struct X {
    i128 m = 0; // value = m × 10^-s
    int s = 0;

    static X of(long long mantissa, int scale) { return {mantissa, scale}; }
    // A plain decimal text ("-12.5").
    static X text(const QString &t)
    {
        X x;
        const QString v = t.trimmed();
        const bool negative = v.startsWith(QLatin1Char('-'));
        const QString digits = negative ? v.mid(1) : v;
        const int dot = int(digits.indexOf(QLatin1Char('.')));
        const QString whole = dot < 0 ? digits : digits.left(dot);
        const QString frac = dot < 0 ? QString() : digits.mid(dot + 1);
        const QString all = whole + frac;
        for (QChar c : all)
            x.m = x.m * 10 + (c.unicode() - '0');
        x.s = int(frac.size());
        if (negative)
            x.m = -x.m;
        return x.tidy();
    }
    // A stored double read as the decimal of `scale` places it stands for.
    static X stored(double v, int scale) { return text(QString::number(v, 'f', scale)); }

    X tidy() const
    {
        X x = *this;
        while (x.s > 0 && x.m % 10 == 0) {
            x.m /= 10;
            --x.s;
        }
        return x;
    }
    X at(int scale) const // the same value at a larger scale
    {
        return {m * pow10(scale - s), scale};
    }
    X round(int d) const
    {
        if (d >= s)
            return *this;
        return X{divRound(m, pow10(s - d)), d}.tidy();
    }
    X trunc(int d) const
    {
        if (d >= s)
            return *this;
        return X{m / pow10(s - d), d}.tidy();
    }
    // a / b rounded at d places.
    static X div(X a, X b, int d)
    {
        if (b.m == 0)
            throw std::domain_error("division by zero");
        // a.m 10^-a.s / (b.m 10^-b.s) = (a.m / b.m) 10^(b.s - a.s); wanted in 10^-d.
        const int e = d + b.s - a.s;
        const i128 n = e >= 0 ? a.m * pow10(e) : a.m;
        const i128 q = e >= 0 ? divRound(n, b.m) : divRound(n, b.m * pow10(-e));
        return X{q, d}.tidy();
    }
    friend X operator+(X a, X b)
    {
        const int sc = std::max(a.s, b.s);
        return X{a.at(sc).m + b.at(sc).m, sc}.tidy();
    }
    friend X operator-(X a, X b)
    {
        const int sc = std::max(a.s, b.s);
        return X{a.at(sc).m - b.at(sc).m, sc}.tidy();
    }
    friend X operator*(X a, X b) { return X{a.m * b.m, a.s + b.s}.tidy(); }
    X operator-() const { return {-m, s}; }
    X &operator+=(X b) { return *this = *this + b; }
    X &operator-=(X b) { return *this = *this - b; }
    int cmp(X b) const
    {
        const int sc = std::max(s, b.s);
        const i128 x = at(sc).m, y = b.at(sc).m;
        return (x > y) - (x < y);
    }
    friend bool operator==(X a, X b) { return a.cmp(b) == 0; }
    friend bool operator!=(X a, X b) { return a.cmp(b) != 0; }
    friend bool operator<(X a, X b) { return a.cmp(b) < 0; }
    friend bool operator<=(X a, X b) { return a.cmp(b) <= 0; }
    friend bool operator>(X a, X b) { return a.cmp(b) > 0; }
    friend bool operator>=(X a, X b) { return a.cmp(b) >= 0; }
    bool isZero() const { return m == 0; }

    // Exactly `d` places; the value must have no more.
    QString str(int d) const
    {
        const X r = round(d).at(d);
        i128 u = r.m < 0 ? -r.m : r.m;
        QString digits;
        do {
            digits.prepend(QChar('0' + int(u % 10)));
            u /= 10;
        } while (u > 0);
        while (digits.size() <= d)
            digits.prepend(QLatin1Char('0'));
        QString t = d > 0 ? digits.left(digits.size() - d) + QLatin1Char('.') + digits.right(d) : digits;
        if (r.m < 0)
            t.prepend(QLatin1Char('-'));
        return t;
    }
    QString str() const { return str(s); }
    double toDouble() const { return str().toDouble(); }
    long long units(int d) const // the value at d places, as a whole count
    {
        return (long long)round(d).at(d).m;
    }
};

inline const X Hundred = X::of(100, 0);

// A line's amount in leva: quantity × price × rate × (100 - discount) / 100,
// exactly; a bill rounds the sum of its lines once.
inline X lineAmount(X quantity, X price, X rate, X discount)
{
    return quantity * price * rate * (Hundred - discount) * X::of(1, 2);
}

// A contract's debt: (purchase - down) and `count` steps of x + x × rate / 100,
// the purchase and each product rounded at the eighth decimal.
inline X debt(X purchase, X down, X rate, int count)
{
    X x = purchase.round(8) - down;
    for (int i = 0; i < count; ++i)
        x = x + X::div(x * rate, Hundred, 8);
    return x;
}

// The debt in stotinki split into `count` parts cut to the stotinka, the
// remainder on the last.
inline QList<X> split(X debt, int count)
{
    const long long cents = debt.units(2);
    QList<X> parts;
    for (int k = 1; k < count; ++k)
        parts << X::of(cents / count, 2);
    parts << X::of(cents - (cents / count) * (count - 1), 2);
    return parts;
}

// Whether a stored double is the decimal of at most `scale` places it
// stands for: no binary tail (0.30000000000000004, 5.55e-17 are not).
inline bool noTail(double v, int scale)
{
    return QString::number(v, 'f', scale).toDouble() == v;
}
} // namespace ExactModel
