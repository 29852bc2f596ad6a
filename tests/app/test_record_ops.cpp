#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/ini_file.h"
#include "common/reference_text.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/script.h"
#include "app/next_number.h"
#include "app/record_ops.h"

#include <QTest>

#include <stdexcept>

class TestRecordOpsTexts : public QObject
{
    Q_OBJECT
private slots:
    void referenceTextKey_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::newRow("plain") << "12:Стоки" << 12;
        QTest::newRow("nothing chosen") << "0: Няма избран контрагент" << 0;
        QTest::newRow("starts with colon") << ":Стоки" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("blank before colon") << "12 :Стоки" << -1;
        QTest::newRow("blank before digits") << " 12:Стоки" << 12;
        QTest::newRow("negative") << "-3:x" << -3;
        QTest::newRow("plus sign") << "+7:x" << 7;
        QTest::newRow("no colon") << "25" << 25;
        QTest::newRow("letters first") << "abc:12" << -1;
        QTest::newRow("sign only") << "-:x" << -1;
        QTest::newRow("beyond 32 bits") << "4294967296:x" << -1;
        QTest::newRow("second colon") << "5:a:b" << 5;
    }
    void referenceTextKey()
    {
        QFETCH(QString, text);
        QFETCH(int, key);
        QCOMPARE(GetID_MFromTreeNodeName(text), key);
    }

    void zeroPadding()
    {
        QCOMPARE(FORMAT_NUMBERS(QStringLiteral("37"), 6), QStringLiteral("000037"));
        QCOMPARE(FORMAT_NUMBERS(QStringLiteral("1234567"), 6), QStringLiteral("1234567"));
        QCOMPARE(FORMAT_NUMBERS(QString(), 3), QStringLiteral("000"));
        QCOMPARE(FORMAT_NUMBERS(QStringLiteral("123456"), 6), QStringLiteral("123456"));
    }

    void companyCode()
    {
        TestProgram program(false);
        QVERIFY(Check_EIK(QStringLiteral("831641791")));
        QVERIFY(Check_EIK(QStringLiteral("291417774")));
        QVERIFY(!Check_EIK(QStringLiteral("291417775")));
        // wrong lengths
        QVERIFY(!Check_EIK(QStringLiteral("83164179")));
        QVERIFY(!Check_EIK(QStringLiteral("8316417910")));
        // first remainder 10: the second pass (weights 3..10) decides
        QCOMPARE(Get_EIK(QStringLiteral("228345984")), 4);
        QVERIFY(Check_EIK(QStringLiteral("228345984")));
        QVERIFY(!Check_EIK(QStringLiteral("228345980")));
        // first remainder 10, second remainder 0
        QVERIFY(Check_EIK(QStringLiteral("899579030")));
        QVERIFY(!Check_EIK(QStringLiteral("899579035")));
        // both remainders 10: the check digit is 0, and only 0 matches it
        QCOMPARE(Get_EIK(QStringLiteral("100000550")), 0);
        QVERIFY(Check_EIK(QStringLiteral("100000550")));
        QVERIFY(!Check_EIK(QStringLiteral("100000551")));
        // a computed 0 does not accept any ninth digit
        QVERIFY(Check_EIK(QStringLiteral("306202780")));
        QVERIFY(!Check_EIK(QStringLiteral("306202787")));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
        // a letter in the ninth place: invalid, silently
        QVERIFY(!Check_EIK(QStringLiteral("30620278A")));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
        // a letter among the first eight: the message, and invalid
        QVERIFY(!Check_EIK(QStringLiteral("3062A2780")));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Невалиден ЕИК")});
    }

    void personalNumber()
    {
        TestProgram program(false);
        // weighted sum leaves 10: valid only with 0 as the tenth digit
        QVERIFY(Check_EGN(QStringLiteral("3504031410")));
        QVERIFY(!Check_EGN(QStringLiteral("3504031411")));
        // leading zero kept as text
        QVERIFY(Check_EGN(QStringLiteral("0076234080")));
        QVERIFY(!Check_EGN(QStringLiteral("0076234081")));
        QVERIFY(!Check_EGN(QStringLiteral("076234080")));
        QVERIFY(!Check_EGN(QStringLiteral("00762340800")));
        QVERIFY(!Check_EGN(QStringLiteral("007623408A")));
        QVERIFY(!Check_EGN(QStringLiteral("00762 4080")));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
    }

    void amountInWords_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("words");
        QTest::newRow("cents only") << 0.07 << " нула лева и 07 стотинки ";
        QTest::newRow("zero") << 0.0 << " нула лева и 00 стотинки ";
        QTest::newRow("10") << 10.0 << "десет  лева и 00 стотинки ";
        QTest::newRow("11") << 11.0 << "единадесет  лева и 00 стотинки ";
        QTest::newRow("21") << 21.0 << "двадесет и  един лева и 00 стотинки ";
        QTest::newRow("45 no blank after и") << 45.0 << "четиридесет и пет лева и 00 стотинки ";
        QTest::newRow("1234.5") << 1234.5 << "хиляда  двеста  тридесет и  четири лева и 50 стотинки ";
        QTest::newRow("rounded half up") << 1.005 << "един лева и 01 стотинки ";
        QTest::newRow("15000") << 15000.0 << "петнадесет хиляди  лева и 00 стотинки ";
        QTest::newRow("20000") << 20000.0 << "двадесетхиляди  лева и 00 стотинки ";
        QTest::newRow("99999")
            << 99999.0 << "деветдесет и  деветхиляди  деветстотин  деветдесет и девет лева и 00 стотинки ";
        QTest::newRow("100000") << 100000.0 << "сто  хиляди  лева и 00 стотинки ";
        QTest::newRow("123456.78")
            << 123456.78
            << "сто  двадесет и  три хиляди  четиристотин  петдесет и шест лева и 78 стотинки ";
        QTest::newRow("221000 feminine") << 221000.0 << "двеста  двадесет и  една хиляди  лева и 00 стотинки ";
        QTest::newRow("1000000") << 1000000.0 << "един милион  лева и 00 стотинки ";
        QTest::newRow("2001001") << 2001001.0 << "два милиона  хиляда  един лева и 00 стотинки ";
        QTest::newRow("-5") << -5.0 << "минус пет лева и 00 стотинки ";
        QTest::newRow("-0.5") << -0.5 << "минус нула лева и 50 стотинки ";
        QTest::newRow("-0.001 is zero") << -0.001 << " нула лева и 00 стотинки ";
    }
    void amountInWords()
    {
        QFETCH(double, amount);
        QFETCH(QString, words);
        QCOMPARE(Sum_To_Words(amount), words);
    }

    void amountInWordsFromText()
    {
        QCOMPARE(Sum_To_Words(QStringLiteral("1234,50")), Sum_To_Words(1234.5));
        QCOMPARE(Sum_To_Words(QStringLiteral("120.00")), QStringLiteral("сто  двадесет  лева и 00 стотинки "));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Sum_To_Words(QStringLiteral("12лв")));
    }

    void vatSplit()
    {
        TestProgram program(false);
        QVERIFY(Settings::writeString(Keys::Firm_Data_DDS, QStringLiteral("20")));
        DdsSplit r = GET_DDS(120.00);
        QCOMPARE(r.AmountText, QStringLiteral("120.00"));
        QCOMPARE(r.AmountInWords, Sum_To_Words(120.0));
        QCOMPARE(r.VatRate, Decimal(20));
        QCOMPARE(r.NetAmount, Decimal(100));
        QCOMPARE(r.VatAmount, Decimal(20));

        // no key: the one default, 20 %
        IniFile ini(Settings::filePath());
        ini.deleteKey(QStringLiteral("Firm_Data"), QStringLiteral("DDS"));
        QVERIFY(ini.save());
        r = GET_DDS(120.00);
        QCOMPARE(r.NetAmount, Decimal(100));
        QCOMPARE(r.VatAmount, Decimal(20));

        // a comma is read too; nothing is rounded
        QVERIFY(Settings::writeString(Keys::Firm_Data_DDS, QStringLiteral("20,5")));
        r = GET_DDS(120.50);
        QCOMPARE(r.VatRate, dec("20.5"));
        QCOMPARE(r.NetAmount, Decimal(100));
        QCOMPARE(r.VatAmount, dec("20.5"));
        QCOMPARE(r.AmountText, QStringLiteral("120.50"));
        r = GET_DDS(dec("100"));
        QCOMPARE(r.NetAmount, dec("82.98755187")); // 100 / 1.205 to eight decimals
        QCOMPARE(r.NetAmount + r.VatAmount, Decimal(100));

        // An amount reached in binary floating point is read by its decimal value.
        QVERIFY(Settings::writeString(Keys::Firm_Data_DDS, QStringLiteral("20")));
        r = GET_DDS(1.5 * 1.13);
        QCOMPARE(r.AmountText, QStringLiteral("1.70"));
        QCOMPARE(r.AmountInWords, QStringLiteral("един лева и 70 стотинки "));
        QCOMPARE(r.NetAmount, dec("1.4125"));

        QVERIFY(Settings::writeString(Keys::Firm_Data_DDS, QStringLiteral("abc")));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, GET_DDS(10));
        QVERIFY(Settings::writeString(Keys::Firm_Data_DDS, QStringLiteral("-100")));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, GET_DDS(10));
    }
};
VTEST(TestRecordOpsTexts)

class TestRecordOpsNumbers : public QObject
{
    Q_OBJECT
private:
    static void makeTable()
    {
        createTestTable(QStringLiteral("T_Num"), QStringLiteral("N INTEGER, Code TEXT, Name TEXT"));
    }
    static long long count() { return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM T_Num")).toLongLong(); }

private slots:
    void maxNumber()
    {
        TestProgram program;
        makeTable();
        QCOMPARE(GET_MAX_NUMBER(QStringLiteral("T_Num"), QStringLiteral("N")), 1LL);
        Db::execute(QStringLiteral("INSERT INTO T_Num (N, Code) VALUES (?, ?), (?, ?)"),
                    {41, QStringLiteral("000041"), 7, QStringLiteral("abc")});
        QCOMPARE(GET_MAX_NUMBER(QStringLiteral("T_Num"), QStringLiteral("N")), 42LL);
        // failures give 0 and no message
        QCOMPARE(GET_MAX_NUMBER(QStringLiteral("T_Num"), QStringLiteral("Nn")), 0LL);
        QCOMPARE(GET_MAX_NUMBER(QStringLiteral("T_Nope"), QStringLiteral("N")), 0LL);
        QCOMPARE(GET_MAX_NUMBER(QStringLiteral("T_Num"), QStringLiteral("Code")), 0LL); // "abc" is no number
        QCOMPARE(GET_MAX_NUMBER(QStringLiteral("T_Num"), QStringLiteral("N) FROM T_Num; DROP TABLE T_Num; --")),
                 0LL);
        QVERIFY(Db::tableExists(QStringLiteral("T_Num")));
        QVERIFY(PlatformScript::events().isEmpty());
        // zero-padded numbers kept as text, and 64-bit numbers
        Db::execute(QStringLiteral("DELETE FROM T_Num WHERE Code = 'abc'"));
        QCOMPARE(GET_MAX_NUMBER(QStringLiteral("T_Num"), QStringLiteral("Code")), 42LL);
        Db::execute(QStringLiteral("INSERT INTO T_Num (N) VALUES (?)"), {5000000000LL});
        QCOMPARE(GET_MAX_NUMBER(QStringLiteral("T_Num"), QStringLiteral("N")), 5000000001LL);
    }

    void repeatedValueIsBound()
    {
        TestProgram program;
        makeTable();
        Db::execute(QStringLiteral("INSERT INTO T_Num (N, Name) VALUES (?, ?)"), {41, QStringLiteral("a\"b'c")});
        QVERIFY(CHECK_REPEATED_NUMBERS(QStringLiteral("T_Num"), QStringLiteral("Name"), QStringLiteral("a\"b'c")));
        QVERIFY(!CHECK_REPEATED_NUMBERS(QStringLiteral("T_Num"), QStringLiteral("Name"),
                                        QStringLiteral("x\" OR \"1\"=\"1")));
        QVERIFY(CHECK_REPEATED_NUMBERS(QStringLiteral("T_Num"), QStringLiteral("N"), QStringLiteral("41")));
        QVERIFY(CHECK_REPEATED_NUMBERS(QStringLiteral("T_Num"), QStringLiteral("N"), 41));
        QVERIFY(!CHECK_REPEATED_NUMBERS(QStringLiteral("T_Num"), QStringLiteral("N"), 42));
        QVERIFY_THROWS_EXCEPTION(DbError, CHECK_REPEATED_NUMBERS(QStringLiteral("T_Nope"),
                                                                 QStringLiteral("N"), 1));
        QVERIFY_THROWS_EXCEPTION(DbError, CHECK_REPEATED_NUMBERS(QStringLiteral("T_Num"),
                                                                 QStringLiteral("N=N OR 1"), 1));
    }

    void nextNumberOwnTransaction()
    {
        TestProgram program;
        makeTable();
        Db::execute(QStringLiteral("INSERT INTO T_Num (N) VALUES (41)"));
        const long long n = NextNumber::insert(QStringLiteral("T_Num"), QStringLiteral("N"), [](long long number) {
            QVERIFY(WriteTransaction::isOpen(Db::connection()));
            Db::execute(QStringLiteral("INSERT INTO T_Num (N) VALUES (?)"), {number});
        });
        QCOMPARE(n, 42LL);
        QVERIFY(!WriteTransaction::anyOpen());
        QCOMPARE(GET_MAX_NUMBER(QStringLiteral("T_Num"), QStringLiteral("N")), 43LL);
        // Outside a write lock a number is only shown: taken there, another workstation could take it too.
        QCOMPARE(NextNumber::proposed(QStringLiteral("T_Num"), QStringLiteral("N")), 43LL);
        QVERIFY_THROWS_EXCEPTION(DbError, NextNumber::next(QStringLiteral("T_Num"), QStringLiteral("N")));
        WriteTransaction tx;
        QCOMPARE(NextNumber::next(QStringLiteral("T_Num"), QStringLiteral("N")), 43LL);
    }

    void nextNumberJoinsCallersTransaction()
    {
        TestProgram program;
        makeTable();
        auto add = [](long long number) {
            Db::execute(QStringLiteral("INSERT INTO T_Num (N) VALUES (?)"), {number});
        };
        {
            WriteTransaction caller;
            QCOMPARE(NextNumber::insert(QStringLiteral("T_Num"), QStringLiteral("N"), add), 1LL);
            QCOMPARE(NextNumber::insert(QStringLiteral("T_Num"), QStringLiteral("N"), add), 2LL);
            QVERIFY(WriteTransaction::isOpen(Db::connection()));
            caller.rollback(); // the caller's failure takes the numbered rows with it
        }
        QCOMPARE(count(), 0LL);
        {
            WriteTransaction caller;
            NextNumber::insert(QStringLiteral("T_Num"), QStringLiteral("N"), add);
            caller.commit();
        }
        QCOMPARE(count(), 1LL);
    }

    void nextNumberRefusesToInsertWithoutNumber()
    {
        TestProgram program;
        makeTable();
        bool called = false;
        QVERIFY_THROWS_EXCEPTION(DbError, NextNumber::insert(QStringLiteral("T_Num"), QStringLiteral("Nn"),
                                                             [&](long long) { called = true; }));
        QVERIFY(!called);
        Db::execute(QStringLiteral("INSERT INTO T_Num (N, Code) VALUES (1, 'x')"));
        QVERIFY_THROWS_EXCEPTION(DbError, NextNumber::insert(QStringLiteral("T_Num"), QStringLiteral("Code"),
                                                             [&](long long) { called = true; }));
        QVERIFY(!called);
        QVERIFY(!WriteTransaction::anyOpen());
        // a failing insert leaves nothing behind
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 NextNumber::insert(QStringLiteral("T_Num"), QStringLiteral("N"), [](long long n) {
                                     Db::execute(QStringLiteral("INSERT INTO T_Num (N) VALUES (?)"), {n});
                                     throw std::runtime_error("second statement failed");
                                 }));
        QCOMPARE(count(), 1LL);
        QVERIFY(!WriteTransaction::anyOpen());
    }
};
VTEST(TestRecordOpsNumbers)

#include "test_record_ops.moc"
