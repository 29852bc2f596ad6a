#pragma once
#include <QString>
#include <QVariant>

#include <array>
#include <compare>
#include <initializer_list>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <type_traits>

// The program's one exact number for money, prices, rates, percents and
// quantities: a signed 64-bit count of 10^-8 (eight decimals, up to
// ±92 233 720 368.54775807). Sums are exact; a product or a quotient is worked
// out on 128 bits and rounded once at the eighth decimal. Every rounding is
// half away from zero on the decimal value. A result out of range is refused
// (DecimalOverflow), never wrapped.
//
// A database column stays a double: fromDouble reads it by its shortest
// decimal text (a column holding 2.307 gives exactly 2.307, one holding
// 5.55e-17 gives 0), toDouble writes the double nearest the exact value.
class DecimalOverflow : public std::overflow_error
{
public:
    DecimalOverflow();
};

class Decimal
{
public:
    static constexpr int Scale = 8;
    static constexpr int64_t Unit = 100000000; // 10^Scale

    constexpr Decimal() = default;
    // Whole numbers (out of range throws DecimalOverflow). A double must say
    // how it is read (fromDouble), so it does not convert silently.
    template <typename T>
        requires std::is_integral_v<T>
    Decimal(T v)
        : m_units(std::is_signed_v<T> ? checkedWhole(static_cast<long long>(v))
                                      : checkedWhole(static_cast<unsigned long long>(v)))
    {}
    Decimal(double) = delete;
    Decimal(float) = delete;
    // units × 10^-8, as stored inside.
    static constexpr Decimal fromUnits(int64_t units) { return Decimal(units, 0); }
    // `mantissa` × 10^-decimals (decimals 0..8): fromParts(2307, 3) is 2.307.
    static Decimal fromParts(long long mantissa, int decimals);

    // A column's double by its shortest decimal text, rounded at the eighth
    // decimal. NaN, infinity and values out of range throw DecimalOverflow.
    static Decimal fromDouble(double v);
    // A column's value: null or empty gives 0; a number or a numeric text is
    // read exactly; anything else throws std::invalid_argument.
    static Decimal fromVariant(const QVariant &v);
    // A stored or program text ("12.5", "-0.125"; point or comma), rounded
    // at the eighth decimal; nullopt when it is no number or out of range.
    static std::optional<Decimal> fromText(const QString &text);
    // A number typed by a user: point or comma as the separator, blanks
    // around it allowed, no exponent, at most `maxDecimals` decimals (trailing
    // zeros do not count). On failure `error` (when given) gets the Bulgarian
    // message to show.
    static std::optional<Decimal> parse(const QString &text, int maxDecimals = Scale,
                                        QString *error = nullptr);

    double toDouble() const;
    QVariant toVariant() const { return toDouble(); }
    constexpr int64_t units() const { return m_units; }

    // Half away from zero at `decimals` places (0..8).
    Decimal rounded(int decimals) const;
    // Cut towards zero at `decimals` places (0..8).
    Decimal truncated(int decimals) const;
    // The whole part, towards zero.
    long long wholePart() const { return m_units / Unit; }
    // The number of decimals the value needs (0..8): 2.307 needs 3.
    int decimals() const;

    // Rounded half away from zero to `decimals` places, as plain text with a
    // point ("-3.10", "1.01"); a value that rounds to zero has no sign.
    QString toString(int decimals) const;
    // The exact value, shortest form ("2.307", "5", "-0.5").
    QString toString() const;

    constexpr bool isZero() const { return m_units == 0; }
    constexpr bool isNegative() const { return m_units < 0; }
    constexpr int sign() const { return (m_units > 0) - (m_units < 0); }
    Decimal abs() const { return m_units < 0 ? -*this : *this; }

    constexpr auto operator<=>(const Decimal &) const = default;
    constexpr bool operator==(const Decimal &) const = default;

    Decimal operator-() const { return Decimal(-m_units, 0); }
    friend Decimal operator+(Decimal a, Decimal b);
    friend Decimal operator-(Decimal a, Decimal b);
    // Exact product rounded at the eighth decimal.
    friend Decimal operator*(Decimal a, Decimal b);
    // Quotient rounded at the eighth decimal; a zero divisor throws
    // std::domain_error.
    friend Decimal operator/(Decimal a, Decimal b);
    Decimal &operator+=(Decimal b) { return *this = *this + b; }
    Decimal &operator-=(Decimal b) { return *this = *this - b; }
    Decimal &operator*=(Decimal b) { return *this = *this * b; }
    Decimal &operator/=(Decimal b) { return *this = *this / b; }

    // The product of `factors` divided by `divisor`, rounded once at
    // `decimals` places from the exact value (no rounding at the eighth
    // decimal on the way). Exact while the factors' digits, trailing zeros
    // left out, fit 38 digits together; beyond that it goes step by step.
    static Decimal product(std::initializer_list<Decimal> factors, Decimal divisor, int decimals);
    // a × b rounded once at `decimals` places.
    static Decimal mulRounded(Decimal a, Decimal b, int decimals) { return product({a, b}, Decimal(1), decimals); }
    // a × b ÷ c rounded once at `decimals` places.
    static Decimal mulDivRounded(Decimal a, Decimal b, Decimal c, int decimals)
    {
        return product({a, b}, c, decimals);
    }

private:
    constexpr Decimal(int64_t units, int) : m_units(units) {}
    static int64_t checkedWhole(long long v);
    static int64_t checkedWhole(unsigned long long v);
    int64_t m_units = 0;
};

// A sum kept exactly: products of up to four decimals (a sale line's
// quantity × price × rate × (100 - discount) / 100) are added whole, with
// no rounding at the eighth decimal, and the sum is rounded once when read.
// Inside: a 320-bit two's-complement count of 10^-34.
class ExactSum
{
public:
    ExactSum() = default;
    ExactSum(Decimal d); // NOLINT: a decimal is an exact sum of one term
    // factors[0] × … × factors[n-1] / 10^shift exactly; at most four factors,
    // and 8 × factors + shift at most 34.
    static ExactSum product(std::initializer_list<Decimal> factors, int shift = 0);

    ExactSum &operator+=(const ExactSum &b);
    ExactSum &operator-=(const ExactSum &b) { return *this += -b; }
    friend ExactSum operator+(ExactSum a, const ExactSum &b) { return a += b; }
    friend ExactSum operator-(ExactSum a, const ExactSum &b) { return a -= b; }
    ExactSum operator-() const;

    int sign() const;
    bool isZero() const { return sign() == 0; }
    friend bool operator==(const ExactSum &a, const ExactSum &b) { return a.m_limbs == b.m_limbs; }
    friend std::strong_ordering operator<=>(const ExactSum &a, const ExactSum &b)
    {
        return (a - b).sign() <=> 0;
    }

    // Half away from zero at `decimals` places (0..8); out of the decimal's
    // range it throws DecimalOverflow.
    Decimal rounded(int decimals) const;

private:
    std::array<uint64_t, 5> m_limbs{}; // least significant first
};

Q_DECLARE_METATYPE(Decimal)
