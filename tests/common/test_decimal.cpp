#include "common/decimal.h"
#include "common/money.h"
#include "test_registry.h"

#include <QTest>

#include <climits>

namespace {
Decimal d(const char *text)
{
    const auto v = Decimal::fromText(QString::fromLatin1(text));
    if (!v)
        qFatal("not a number in the test: %s", text);
    return *v;
}
} // namespace

class DecimalTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundsHalfAwayFromZeroAtItsScale()
    {
        const struct {
            const char *value;
            int decimals;
            const char *text;
        } cases[] = {
            {"1.005", 2, "1.01"},       {"1.695", 2, "1.70"},      {"2.675", 2, "2.68"},
            {"-1.005", 2, "-1.01"},     {"-0.125", 2, "-0.13"},    {"0.125", 2, "0.13"},
            {"-0.004", 2, "0.00"},      {"0.994999", 2, "0.99"},   {"9.995", 2, "10.00"},
            {"1234567.5", 0, "1234568"}, {"-2.5", 0, "-3"},        {"2.30749999", 3, "2.307"},
            {"2.3075", 3, "2.308"},     {"145.565", 2, "145.57"},  {"194.735", 2, "194.74"},
            {"0.00000001", 8, "0.00000001"}, {"5", 4, "5.0000"},   {"0", 2, "0.00"},
        };
        for (const auto &c : cases) {
            QCOMPARE(d(c.value).toString(c.decimals), QString::fromLatin1(c.text));
            QCOMPARE(d(c.value).rounded(c.decimals).toString(c.decimals), QString::fromLatin1(c.text));
        }
        QCOMPARE(d("-2.57").truncated(1).toString(), QStringLiteral("-2.5"));
        QCOMPARE(d("2.307").decimals(), 3);
        QCOMPARE(d("-2.5").toString(), QStringLiteral("-2.5"));
        QCOMPARE(Decimal(7).toString(), QStringLiteral("7"));
    }

    void arithmeticIsExact()
    {
        QCOMPARE(d("0.1") + d("0.2") - d("0.3"), Decimal());
        QVERIFY((d("0.1") + d("0.2") - d("0.3")).isZero());
        QCOMPARE((d("1.5") * d("1.13")).toString(), QStringLiteral("1.695"));
        QCOMPARE((d("0.7") * d("207.95")).toString(2), QStringLiteral("145.57"));
        QCOMPARE((d("4.899") * d("16.25")).toString(), QStringLiteral("79.60875"));
        QCOMPARE((Decimal(100) / Decimal(3)).toString(), QStringLiteral("33.33333333"));
        QCOMPARE((Decimal(2) / Decimal(3)).toString(), QStringLiteral("0.66666667"));
        QCOMPARE((Decimal(-2) / Decimal(3)).toString(), QStringLiteral("-0.66666667"));
        QCOMPARE((d("0.00000001") * d("0.5")).toString(), QStringLiteral("0.00000001"));
        QCOMPARE((d("-0.00000001") * d("0.5")).toString(), QStringLiteral("-0.00000001"));
        // Rounded once from the exact product, not at the eighth decimal first.
        QCOMPARE((d("0.00999999") * d("0.5")).toString(2), QStringLiteral("0.01"));
        QCOMPARE(Decimal::mulRounded(d("0.00999999"), d("0.5"), 2).toString(2), QStringLiteral("0.00"));
        QCOMPARE(Decimal::mulRounded(d("1.5"), d("1.13"), 2).toString(2), QStringLiteral("1.70"));
        QCOMPARE(Decimal::mulDivRounded(d("2.307"), Decimal(10), Decimal(3), 2).toString(2), QStringLiteral("7.69"));
        QCOMPARE(Decimal::mulDivRounded(Decimal(-1), Decimal(1), Decimal(8), 2).toString(2), QStringLiteral("-0.13"));
        // Several factors and a divisor, rounded once from the exact value.
        const struct {
            std::initializer_list<Decimal> factors;
            Decimal divisor;
            int decimals;
            const char *result;
        } products[] = {
            {{d("4.899"), d("16.25"), d("84.98")}, Decimal(100), 2, "67.65"},
            {{Decimal(1), d("1.00"), d("1.95583")}, Decimal(1), 2, "1.96"},
            {{d("1.5"), d("1.13")}, Decimal(1), 2, "1.70"},
            {{Decimal(3), d("194.735")}, Decimal(3), 2, "194.74"},
            {{d("10"), d("99.5")}, d("120"), 8, "8.29166667"},
            {{d("-1"), d("0.125")}, Decimal(1), 2, "-0.13"},
            {{d("1"), d("0.125")}, Decimal(-1), 2, "-0.13"},
            {{d("0.00000001"), d("0.00000001")}, Decimal(1), 8, "0.00000000"},
        };
        for (const auto &p : products)
            QCOMPARE(Decimal::product(p.factors, p.divisor, p.decimals).toString(p.decimals),
                     QString::fromLatin1(p.result));
        // Beyond 38 digits it goes step by step.
        const Decimal x = d("1.23456789");
        QCOMPARE(Decimal::product({x, x, x, x, x}, Decimal(1), 8), x * x * x * x * x);
        QVERIFY(d("2.31") > d("2.307"));
        QVERIFY(-d("1") < Decimal());
        QCOMPARE(d("-3.5").abs(), d("3.5"));
        QCOMPARE(d("-3.5").sign(), -1);
        QCOMPARE(d("10.9").wholePart(), 10LL);
    }

    void columnsAreReadByTheirShortestText()
    {
        const struct {
            double column;
            const char *exact;
        } cases[] = {
            {2.307, "2.307"},          {0.1 + 0.2, "0.3"},      {1.5 * 1.13, "1.695"},
            {5.55e-17, "0"},           {-0.30000000000000004, "-0.3"}, {194.735, "194.735"},
            {1.95583, "1.95583"},      {0.004999999999999893, "0.005"}, {-0.0, "0"},
            {92233720368.5, "92233720368.5"},
        };
        for (const auto &c : cases) {
            const Decimal v = Decimal::fromDouble(c.column);
            QCOMPARE(v.toString(), QString::fromLatin1(c.exact));
            QCOMPARE(v.toDouble(), QString::fromLatin1(c.exact).toDouble());
        }
        QCOMPARE(Decimal::fromVariant(QVariant()), Decimal());
        QCOMPARE(Decimal::fromVariant(QVariant(QStringLiteral(" 12,5 "))), d("12.5"));
        QCOMPARE(Decimal::fromVariant(QVariant(3LL)), Decimal(3));
        QCOMPARE(Decimal::fromVariant(QVariant(2.307)), d("2.307"));
        QCOMPARE(Decimal::fromVariant(QVariant::fromValue(d("1.25"))), d("1.25"));
        QCOMPARE(Decimal::fromVariant(d("2.307").toVariant()).toString(), QStringLiteral("2.307"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Decimal::fromVariant(QVariant(QStringLiteral("abc"))));
    }

    void typedTextAndItsMessages()
    {
        const struct {
            const char *typed;
            int maxDecimals;
            const char *value;   // nullptr: refused
            const char *message; // part of the refusal
        } cases[] = {
            {" 20,5 ", 8, "20.5", nullptr},   {"-3.25", 2, "-3.25", nullptr},
            {"1.2300", 2, "1.23", nullptr},   {".5", 3, "0.5", nullptr},
            {"+7", 0, "7", nullptr},          {"1.2345", 3, nullptr, "най-много 3 знака"},
            {"1.5", 0, nullptr, "само цели числа"}, {"", 2, nullptr, "не е число"},
            {"12a", 2, nullptr, "не е число"}, {"1e5", 2, nullptr, "не е число"},
            {"1,000.5", 2, nullptr, "не е число"}, {"-", 2, nullptr, "не е число"},
            {"1 000", 2, nullptr, "не е число"}, {"92233720368.54775807", 8, "92233720368.54775807", nullptr},
            {"92233720368.54775808", 8, nullptr, "обхват"}, {"99999999999999999999999", 2, nullptr, "обхват"},
        };
        for (const auto &c : cases) {
            QString error;
            const auto v = Decimal::parse(QString::fromUtf8(c.typed), c.maxDecimals, &error);
            if (c.value) {
                QVERIFY2(v.has_value(), c.typed);
                QCOMPARE(v->toString(), QString::fromLatin1(c.value));
            } else {
                QVERIFY2(!v.has_value(), c.typed);
                QVERIFY2(error.contains(QString::fromUtf8(c.message)), qPrintable(error));
            }
        }
    }

    void overflowIsRefused()
    {
        const Decimal top = Decimal::fromUnits(INT64_MAX);
        QCOMPARE(top.toString(), QStringLiteral("92233720368.54775807"));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, top + Decimal::fromUnits(1));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, -top - Decimal::fromUnits(1));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, top * Decimal(2));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, top / d("0.5"));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, top.rounded(0));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, Decimal(100000000000LL));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, Decimal::fromDouble(1e11));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, Decimal::fromDouble(qQNaN()));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, Decimal::fromDouble(-qInf()));
        QVERIFY_THROWS_EXCEPTION(std::domain_error, Decimal(1) / Decimal());
        QVERIFY_THROWS_EXCEPTION(std::domain_error, Decimal::product({Decimal(1)}, Decimal(), 2));
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, Decimal::product({top, top}, Decimal(1), 2));
        QCOMPARE((top - top).toString(), QStringLiteral("0"));
        QCOMPARE(top.toDouble(), 92233720368.54775807);
    }

    // Sums of whole products, rounded once when read: never at the eighth
    // decimal first.
    void exactSumsRoundOnce()
    {
        const ExactSum euro = Money::lineAmount(d("16.987"), d("1.14"), d("1.95583"), Decimal()); // 37.8749999994
        const ExactSum ten = Money::lineAmount(d("1.911"), d("1.0013"), d("1.95583"), Decimal()); // 3.742449998469
        const ExactSum third = Money::lineAmount(d("1"), d("0.335"), Decimal(1), Decimal());
        const struct {
            ExactSum sum;
            int decimals;
            const char *text;
        } cases[] = {
            {euro, 2, "37.87"},
            {euro, 8, "37.875"},
            {-euro, 2, "-37.87"},
            {ten, 4, "3.7424"},
            {euro + ten, 2, "41.62"},
            {euro - euro, 2, "0"},
            {third + third + third, 2, "1.01"},
            {Money::lineAmount(d("3"), d("3.333"), d("1.95583"), d("12.5")), 8, "17.11180115"}, // ...114875
            {ExactSum::product({d("0.00000001"), d("0.5")}), 8, "0.00000001"},
            {ExactSum(Decimal::fromUnits(INT64_MAX)), 8, "92233720368.54775807"},
        };
        for (const auto &c : cases)
            QCOMPARE(c.sum.rounded(c.decimals).toString(), QString::fromLatin1(c.text));
        QVERIFY(ten < euro && -euro < ten && euro == euro + ExactSum());
        QCOMPARE((euro - euro).sign(), 0);
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, (ExactSum(Decimal::fromUnits(INT64_MAX)) + euro).rounded(2));
        const Decimal top = Decimal::fromUnits(INT64_MAX);
        QVERIFY_THROWS_EXCEPTION(DecimalOverflow, ExactSum::product({top, top, top, top}, 2).rounded(0));
    }

    void moneyTextsRoundTheExactValue()
    {
        QCOMPARE(Money::fixed(1.5 * 1.13, 2), QStringLiteral("1.70"));
        QCOMPARE(Money::fixed(0.7 * 207.95, 2), QStringLiteral("145.57"));
        QCOMPARE(Money::format42(d("1.695")), QStringLiteral("1.70"));
        QCOMPARE(Money::formatWidth(d("5"), 4, 0), QStringLiteral("   5"));
        QCOMPARE(Money::fixed(d("-0.001"), 2), QStringLiteral("0.00"));
        QCOMPARE(Money::round(1.5 * 1.13, 2), 1.7);
        QCOMPARE(Money::fixed(1e20, 2), QStringLiteral("100000000000000000000.00"));
    }
};
VTEST(DecimalTest)

#include "test_decimal.moc"
