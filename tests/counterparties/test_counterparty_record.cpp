#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "counterparties/counterparty_record.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QTest>

namespace {
CounterpartyFields sample()
{
    CounterpartyFields f;
    f.Ime_Firma = QStringLiteral("ЕТ 'Иван Петров'");
    f.Grad = QStringLiteral("София");
    f.Adres_Firma = QStringLiteral("ул. \"Бяла\" 1");
    f.EIK = QStringLiteral("000123456");
    f.Dan_N = QStringLiteral("BG000123456");
    f.Telefon = QStringLiteral("02 123 456");
    f.Banka_Ime = QStringLiteral("ОББ");
    f.Banka_Kod = QStringLiteral("0012");
    f.Banka_Smetka = QStringLiteral("0099887766");
    f.T_O = 2.5;
    f.Zabel = QStringLiteral("първи ред\nвтори ред");
    f.Ime_Klient = QStringLiteral("Иван Петров");
    f.Grad_Klient = QStringLiteral("Перник");
    f.Adres_Klient = QStringLiteral("ул. Черна 2");
    f.Telefon_Klient = QStringLiteral("0888000111");
    f.EGN = QStringLiteral("0010100100");
    return f;
}

long long count(const char *table)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(table)).toLongLong();
}
} // namespace

class CounterpartySave : public QObject
{
    Q_OBJECT
private slots:
    void newPairKeepsCodesAsTyped()
    {
        TestProgram program;
        const CounterpartyFields f = sample();
        const CounterpartyKeys keys = CounterpartyRecord::insertPair(f, 3);
        QCOMPARE(keys.id, 1LL);
        QCOMPARE(keys.idMol, 1LL);
        const auto firm = Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = ?"), {keys.id});
        QVERIFY(firm);
        QCOMPARE(firm->value("ID_Mol").toLongLong(), keys.idMol);
        QCOMPARE(firm->value("Nomer_Grupa").toLongLong(), 3LL);
        QCOMPARE(firm->value("EIK").toString(), QStringLiteral("000123456"));
        QCOMPARE(firm->value("Banka_Kod").toString(), QStringLiteral("0012"));
        QCOMPARE(firm->value("Banka_Smetka").toString(), QStringLiteral("0099887766"));
        QCOMPARE(firm->value("T_O").toDouble(), 2.5);

        // Everything reads back unchanged, leading zeros, quotes and line breaks included.
        CounterpartyKeys readKeys;
        const auto back = CounterpartyRecord::read(keys.id, &readKeys);
        QVERIFY(back);
        QCOMPARE(readKeys.idMol, keys.idMol);
        QCOMPARE(back->EGN, QStringLiteral("0010100100"));
        QCOMPARE(back->Telefon_Klient, QStringLiteral("0888000111"));
        QCOMPARE(back->Telefon, QStringLiteral("02 123 456"));
        QCOMPARE(back->Adres_Firma, f.Adres_Firma);
        QCOMPARE(back->Zabel, f.Zabel);
        QCOMPARE(back->Grad_Klient, QStringLiteral("Перник"));
        QVERIFY(!CounterpartyRecord::read(99));
    }

    void numbersFollowTheStoredMaximum()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient) VALUES (7, 'x')"));
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (41, 'x', 7)"));
        const CounterpartyKeys keys = CounterpartyRecord::insertPair(sample(), 0);
        QCOMPARE(keys.id, 42LL);
        QCOMPARE(keys.idMol, 8LL);
        // A second pair right after takes the next numbers of both tables.
        const CounterpartyKeys next = CounterpartyRecord::insertPair(sample(), 0);
        QCOMPARE(next.id, 43LL);
        QCOMPARE(next.idMol, 9LL);
    }

    void failureHalfWayWritesNothing()
    {
        TestProgram program;
        // The company row goes in first; the person row then fails.
        refuseWrites(QStringLiteral("CREATE TRIGGER no_person BEFORE INSERT ON Klienti "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QVERIFY_THROWS_EXCEPTION(DbError, CounterpartyRecord::insertPair(sample(), 0));
        QCOMPARE(count("Firmi"), 0LL);
        QCOMPARE(count("Klienti"), 0LL);
        QVERIFY(!WriteTransaction::anyOpen());

        // Inside a caller's transaction the pair joins it and goes back with it.
        dropTrigger(QStringLiteral("no_person"));
        {
            WriteTransaction outer;
            CounterpartyRecord::insertPair(sample(), 0);
            outer.rollback();
        }
        QCOMPARE(count("Firmi"), 0LL);
    }

    void editChangesBothRowsButNoKey()
    {
        TestProgram program;
        const CounterpartyKeys keys = CounterpartyRecord::insertPair(sample(), 5);
        CounterpartyFields f = sample();
        f.Ime_Firma = QStringLiteral("Нова ООД");
        f.EIK = QStringLiteral("1");
        f.T_O = -4;
        f.Ime_Klient = QStringLiteral("Мария");
        f.EGN = QStringLiteral("0041010018");
        CounterpartyRecord::updatePair(keys.id, f);
        const auto firm = Db::firstRow(QStringLiteral("SELECT * FROM Firmi"));
        QCOMPARE(firm->value("ID").toLongLong(), keys.id);
        QCOMPARE(firm->value("ID_Mol").toLongLong(), keys.idMol);
        QCOMPARE(firm->value("Nomer_Grupa").toLongLong(), 5LL);
        QCOMPARE(firm->value("Ime_Firma").toString(), QStringLiteral("Нова ООД"));
        QCOMPARE(firm->value("T_O").toDouble(), -4.0);
        const auto person = Db::firstRow(QStringLiteral("SELECT * FROM Klienti"));
        QCOMPARE(person->value("Ime_Klient").toString(), QStringLiteral("Мария"));
        QCOMPARE(person->value("EGN").toString(), QStringLiteral("0041010018"));
        QCOMPARE(count("Klienti"), 1LL);

        QVERIFY_THROWS_EXCEPTION(DbError, CounterpartyRecord::updatePair(99, f));
    }

    void editFailureHalfWayChangesNothing()
    {
        TestProgram program;
        const CounterpartyKeys keys = CounterpartyRecord::insertPair(sample(), 0);
        refuseWrites(QStringLiteral("CREATE TRIGGER no_person BEFORE UPDATE ON Klienti "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        CounterpartyFields f = sample();
        f.Ime_Firma = QStringLiteral("Друго име");
        QVERIFY_THROWS_EXCEPTION(DbError, CounterpartyRecord::updatePair(keys.id, f));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Ime_Firma FROM Firmi")).toString(), sample().Ime_Firma);
    }

    void editRestoresAMissingPersonRow()
    {
        TestProgram program;
        // A pair left half-written by an older program: the person row is missing.
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (4, 'Стара', 9)"));
        const auto before = CounterpartyRecord::read(4);
        QVERIFY(before);
        QVERIFY(before->Ime_Klient.isEmpty());
        CounterpartyFields f = *before;
        f.Ime_Klient = QStringLiteral("Петър");
        CounterpartyRecord::updatePair(4, f);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Ime_Klient FROM Klienti WHERE ID = 9")).toString(),
                 QStringLiteral("Петър"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT ID_Mol FROM Firmi WHERE ID = 4")).toLongLong(), 9LL);
    }

    void discountIsANumberUpTo100()
    {
        double v = 0;
        QVERIFY(CounterpartyRecord::parseDiscount(QStringLiteral("5"), &v));
        QCOMPARE(v, 5.0);
        QVERIFY(CounterpartyRecord::parseDiscount(QStringLiteral(" 2,5 "), &v));
        QCOMPARE(v, 2.5);
        QVERIFY(CounterpartyRecord::parseDiscount(QStringLiteral("-10"), &v)); // a surcharge
        QCOMPARE(v, -10.0);
        QVERIFY(CounterpartyRecord::parseDiscount(QStringLiteral("100"), &v));
        for (const char *bad : {"", "abc", "5%", "1.2.3", "100.5", "1e3"})
            QVERIFY2(!CounterpartyRecord::parseDiscount(QString::fromLatin1(bad), &v), bad);
    }
};
VTEST(CounterpartySave)

#include "test_counterparty_record.moc"
