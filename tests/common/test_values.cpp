#include "common/dates.h"
#include "common/money.h"
#include "common/passwords.h"
#include "common/reference_text.h"
#include "test_registry.h"

#include <QTest>

class MoneyDatesPasswords : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundsHalfAwayFromZeroOnTheDecimalValue()
    {
        QCOMPARE(Money::fixed(1.005, 2), QStringLiteral("1.01"));
        QCOMPARE(Money::fixed(0.125, 2), QStringLiteral("0.13"));
        QCOMPARE(Money::fixed(-0.125, 2), QStringLiteral("-0.13"));
        QCOMPARE(Money::fixed(2.675, 2), QStringLiteral("2.68"));
        QCOMPARE(Money::fixed(0.994999, 2), QStringLiteral("0.99"));
        QCOMPARE(Money::fixed(9.995, 2), QStringLiteral("10.00"));
        QCOMPARE(Money::fixed(-0.001, 2), QStringLiteral("0.00"));
        QCOMPARE(Money::fixed(1234567.5, 0), QStringLiteral("1234568"));
        QCOMPARE(Money::fixed(1e20, 2), QStringLiteral("100000000000000000000.00"));
        QCOMPARE(Money::round(1.005, 2), 1.01);
    }

    void printfLayouts()
    {
        QCOMPARE(Money::format42(120), QStringLiteral("120.00"));
        QCOMPARE(Money::format42(0.5), QStringLiteral("0.50"));
        QCOMPARE(Money::formatWidth(5, 4, 0), QStringLiteral("   5"));
        QCOMPARE(Money::formatWidth(1.23456, 4, 4), QStringLiteral("1.2346"));
    }

    void typedNumbers()
    {
        double v = 0;
        QVERIFY(Numbers::parse(QStringLiteral(" 20,5 "), &v));
        QCOMPARE(v, 20.5);
        QVERIFY(Numbers::parse(QStringLiteral("-3.25"), &v));
        QCOMPARE(v, -3.25);
        QVERIFY(!Numbers::parse(QString(), &v));
        QVERIFY(!Numbers::parse(QStringLiteral("1,000.5"), &v));
        QVERIFY(!Numbers::parse(QStringLiteral("12a"), &v));
        QVERIFY(!Numbers::parse(QStringLiteral("1e5"), &v));
        long long n = 0;
        QVERIFY(Numbers::parseInteger(QStringLiteral("9000000000"), &n));
        QCOMPARE(n, 9000000000LL);
        QCOMPARE(Numbers::toText(0.1 + 0.2), QStringLiteral("0.3"));
    }

    void datesConvertBothWays()
    {
        QCOMPARE(Dates::isoToShort(QStringLiteral("2026-12-07")), QStringLiteral("07.12.2026"));
        QCOMPARE(Dates::shortToIso(QStringLiteral("07.12.2026")), QStringLiteral("2026-12-07"));
        QCOMPARE(Dates::shortToIso(QStringLiteral("7.1.2026")), QStringLiteral("2026-01-07"));
        QCOMPARE(Dates::isoToShort(QStringLiteral("not a date")), QStringLiteral("not a date"));
        QVERIFY(!Dates::fromShort(QStringLiteral("31.02.2026")).isValid());
        QCOMPARE(Dates::timeText(QTime(9, 5, 3)), QStringLiteral("09:05:03"));
    }

    void passwordsAreSaltedHashes()
    {
        const QString a = Passwords::hash(QStringLiteral("тайна"));
        const QString b = Passwords::hash(QStringLiteral("тайна"));
        QVERIFY(a != b);
        QVERIFY(!a.contains(QStringLiteral("тайна")));
        QVERIFY(Passwords::verify(QStringLiteral("тайна"), a));
        QVERIFY(!Passwords::verify(QStringLiteral("тайнa"), a)); // Latin a
        QVERIFY(!Passwords::verify(QString(), a));
        QVERIFY(!Passwords::verify(QStringLiteral("тайна"), QStringLiteral("тайна")));
        QVERIFY(!Passwords::verify(QString(), QString()));
    }

    void referenceTextKeys()
    {
        QCOMPARE(GetID_MFromTreeNodeName(QStringLiteral("12:Стоки")), 12);
        QCOMPARE(GetID_MFromTreeNodeName(QStringLiteral("0: Няма избран контрагент")), 0);
        QCOMPARE(GetID_MFromTreeNodeName(QStringLiteral(":Стоки")), -1);
        QCOMPARE(GetID_MFromTreeNodeName(QString()), -1);
        QCOMPARE(GetID_MFromTreeNodeName(QStringLiteral("12 :Стоки")), -1);
        QCOMPARE(GetID_MFromTreeNodeName(QStringLiteral(" 12:x")), 12);
        QCOMPARE(GetID_MFromTreeNodeName(QStringLiteral("-3:x")), -3);
        QCOMPARE(GetID_MFromTreeNodeName(QStringLiteral("25")), 25);
        QCOMPARE(GetID_MFromTreeNodeName(QStringLiteral("abc:12")), -1);
        QCOMPARE(GetID_MFromTreeNodeName(QStringLiteral("99999999999:x")), -1);
    }
};
VTEST(MoneyDatesPasswords)

#include "test_values.moc"
