#include "app/currency_rates.h"
#include "common/cp1251.h"
#include "common/money.h"
#include "common/settings.h"
#include "desk/consignment.h"
#include "desk/device_file_writer.h"
#include "desk/sale.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "test_registry.h"
#include "test_support.h"

#include <QTest>

namespace {
void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}

int count(const char *table)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QString::fromLatin1(table))).toInt();
}

// Warehouse 1, article 17 at 250 BGL, counterparty 5; open lines of Иван.
void shop()
{
    exec(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
    exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('BGL', 1, 'True')"));
    exec(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P, Dan_Grup) VALUES (17, 'Хладилник', "
                        "250, 'BGL', 1)"));
    exec(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (17, 1, 10)"));
    exec(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient) VALUES (1, 'Петър')"));
    exec(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (5, 'Чаша ООД', 1)"));
}

long long openLine(double qty = 2)
{
    exec(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Ed_Cena, Valuta, Operator, T_O, Sm_N, "
                        "Term_N, Dan_Grup) VALUES (17, 'Хладилник', ?, 250, 'BGL', 'Иван', 0, 0, 2, 1)"),
         {qty});
    return Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong();
}

Consignment::Draft draft(const QList<long long> &lines, double purchase, double down)
{
    Consignment::Draft d;
    d.shownNumber = 1;
    d.counterparty = 5;
    d.handOver = QDate(2026, 1, 31);
    d.finalDate = QDate(2026, 4, 30);
    d.count = 3;
    d.method = down > 0 ? Consignment::WithDownPayment : Consignment::EqualInstalments;
    d.downPayment = down;
    d.rate = 2;
    d.purchase = purchase;
    d.openLines = lines;
    return d;
}

Sale::Result sellDeferred(Sale::Request &r, const Consignment::Draft &d)
{
    r.lines = d.openLines;
    r.payType = Sale::Deferred;
    r.counterparty = d.counterparty;
    r.op = QStringLiteral("Иван");
    r.terminal = 2;
    r.warehouse = 1;
    r.inTransaction = [&r, d] { r.contract = Consignment::insertContract(d, r.op, r.terminal, r.warehouse); };
    return Sale::sell(r);
}

// A contract of counterparty 5 over goods worth `purchase`, made directly.
long long contract(long long id, double purchase, int instalments, double rate = 0, double down = 0)
{
    exec(QStringLiteral("INSERT INTO Konsignation (ID, ID_Kontrag, Date_Otd, Date_Pay, Broj_Vnosk, Vid_Pay, "
                        "Period_Vnosk, Operator, Payed, First_Vnosk, Lihva) VALUES (?, 5, '2026-01-01', '2026-06-01', "
                        "?, 0, 0, 'Иван', 'False', ?, ?)"),
         {id, instalments, down, rate});
    exec(QStringLiteral("INSERT INTO Prodajbi (ID_Art, Operator, D_Prodajba, Kol, ED_Cena, Valuta, ID_Klient, T_O, "
                        "Konsign_N, Type_Pay, Sklad_ID) VALUES (17, 'Иван', '2026-01-01', 1, ?, 'BGL', 5, 0, ?, "
                        "'отложено плащане', 1)"),
         {purchase, id});
    return id;
}

Consignment::Payment pay(long long c, const char *typed = nullptr)
{
    return Consignment::pay(5, c, typed != nullptr, QString::fromUtf8(typed ? typed : ""), QStringLiteral("Иван"), 2,
                            1);
}

QStringList percents(long long c)
{
    QStringList out;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT Procent_pay FROM Vnoski WHERE ID_Konsign = ? ORDER BY ID"), {c}))
        out << Money::fixed(r.value(0).toDouble(), 2);
    return out;
}

QStringList queuedTexts()
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Bytes FROM Pending_Files ORDER BY ID")))
        out << Cp1251::decode(r.value(0).toByteArray());
    return out;
}
} // namespace

class ConsignmentTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sums_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("purchase");
        QTest::addColumn<double>("down");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("instalment");
        QTest::newRow("interest and down payment") << 3 << 1000.0 << 200.0 << 2.0 << "848.9664" << "282.9888";
        QTest::newRow("no rate, no down payment") << 4 << 500.0 << 0.0 << 0.0 << "500.0000" << "125.0000";
        QTest::newRow("count 0 leaves the difference") << 0 << 300.0 << 100.0 << 5.0 << "200.0000" << "";
    }
    void sums()
    {
        QFETCH(int, count);
        QFETCH(double, purchase);
        QFETCH(double, down);
        QFETCH(double, rate);
        QFETCH(QString, total);
        QFETCH(QString, instalment);
        const QString t = Money::fixed(Consignment::CALCULATE_KONSIGNACION_SUM(count, purchase, down, rate), 4);
        QCOMPARE(t, total);
        if (!instalment.isEmpty())
            QCOMPARE(Money::fixed(t.toDouble() / count, 4), instalment);
    }

    void dueDates()
    {
        const QDate from(2026, 1, 31);
        QCOMPARE(Consignment::dueDate(from, Consignment::Months, 1), QDate(2026, 2, 28));
        QCOMPARE(Consignment::dueDate(from, Consignment::Months, 2), QDate(2026, 3, 31));
        QCOMPARE(Consignment::dueDate(from, Consignment::Months, 3), QDate(2026, 4, 30));
        QCOMPARE(Consignment::dueDate(QDate(2026, 11, 15), Consignment::Months, 3), QDate(2027, 2, 15));
        for (int k = 1; k <= 10; ++k)
            QCOMPARE(Consignment::dueDate(from, Consignment::Days, k), from.addDays(k));
        QCOMPARE(Consignment::dueDate(from, Consignment::Days, 10), QDate(2026, 2, 10));

        // The schedule of the contract text carries them without leading zeros.
        TestProgram program;
        shop();
        Consignment::ContractText t;
        t.number = 4;
        t.handOver = from;
        t.counterparty = 5;
        t.count = 3;
        t.instalment = 282.9888;
        t.total = 848.9664;
        t.downPayment = 200;
        t.lines << Consignment::ContractLine{0, QStringLiteral("17"), QStringLiteral("Хладилник"), 4, {}, 250,
                                             QStringLiteral("BGL")};
        const QString text = Consignment::contractLines(t).join(QLatin1Char('\n'));
        QVERIFY(text.contains(QStringLiteral("да се внесе до дата : 28.2.2026г")));
        QVERIFY(text.contains(QStringLiteral("да се внесе до дата : 30.4.2026г")));
        QVERIFY(text.contains(QStringLiteral("На: Чаша ООД")));
        QVERIFY(text.contains(QStringLiteral("|Хладилник                   |  4    |  250       |  BGL   |")));
    }

    void deferredSaleWritesContractDownPaymentAndGoods()
    {
        TestProgram program;
        shop();
        Settings::writeInteger(Keys::Tuning_FB, 2);
        const long long a = openLine(), b = openLine(2);
        Sale::Request r;
        const Consignment::Draft d = draft({a}, 500, 200); // b was removed from the contract
        const Sale::Result sold = sellDeferred(r, d);
        QVERIFY2(sold.ok, qPrintable(sold.message));
        QCOMPARE(r.contract, 1LL);
        const auto k = Db::firstRow(QStringLiteral("SELECT ID_Kontrag, Broj_Vnosk, Vid_Pay, First_Vnosk, Lihva, Payed, "
                                                   "Date_Otd, Date_Pay FROM Konsignation"));
        QCOMPARE(k->value(0).toLongLong(), 5LL);
        QCOMPARE(k->value(3).toDouble(), 200.0);
        QCOMPARE(k->value(5).toString(), QStringLiteral("False"));
        QCOMPARE(k->value(6).toString(), QStringLiteral("2026-01-31"));
        QCOMPARE(k->value(7).toString(), QStringLiteral("2026-04-30"));
        const auto goods = Db::firstRow(QStringLiteral("SELECT Konsign_N, Type_Pay, ID_Klient FROM Prodajbi WHERE "
                                                       "ID_Prodajba = ?"),
                                        {a});
        QCOMPARE(goods->value(0).toLongLong(), 1LL);
        QCOMPARE(goods->value(1).toString(), QStringLiteral("отложено плащане"));
        const auto down = Db::firstRow(QStringLiteral("SELECT ED_Cena, Konsign_N, Type_Pay, Valuta, Term_N FROM "
                                                      "Prodajbi WHERE ID_Art = 0"));
        QCOMPARE(down->value(0).toDouble(), 200.0);
        QCOMPARE(down->value(1).toLongLong(), 0LL);
        QCOMPARE(down->value(2).toString(), QStringLiteral("в брой"));
        QCOMPARE(down->value(3).toString(), CurrencyRates::baseCurrency());
        QCOMPARE(down->value(4).toInt(), 2);
        // The line removed from the contract stays open.
        QCOMPARE(Db::scalar(QStringLiteral("SELECT N_Prodajba FROM Prodajbi_Vremenni")).toLongLong(), b);
        // Only the down payment's receipt: a deferred sale itself writes none.
        const QStringList files = queuedTexts();
        QCOMPARE(files.size(), 1);
        QVERIFY2(files.first().contains(QStringLiteral("%0^Вн.:0 Кр.N: 1:^20000^1000^1^")), qPrintable(files.first()));
        exec(QStringLiteral("DELETE FROM Pending_Files"));

        // A contract number taken meanwhile: the next one is used.
        exec(QStringLiteral("INSERT INTO Konsignation (ID, ID_Kontrag, Payed) VALUES (2, 5, 'True')"));
        Sale::Request again;
        QVERIFY(sellDeferred(again, draft({b}, 500, 0)).ok);
        QCOMPARE(again.contract, 3LL);
        QCOMPARE(count("Pending_Files"), 0); // no down payment, no receipt
    }

    void failedSaleLeavesNoContract()
    {
        TestProgram program;
        shop();
        const long long a = openLine();
        refuseWrites(QStringLiteral("CREATE TEMP TRIGGER stop BEFORE INSERT ON Prodajbi WHEN NEW.ID_Art = 17 "
                            "BEGIN SELECT RAISE(ABORT, 'stop'); END"));
        Sale::Request r;
        QVERIFY(!sellDeferred(r, draft({a}, 500, 100)).ok);
        QCOMPARE(count("Konsignation"), 0);
        QCOMPARE(count("Prodajbi"), 0);
        QCOMPARE(count("Prodajbi_Vremenni"), 1);
    }

    void draftsRefused_data()
    {
        QTest::addColumn<long long>("counterparty");
        QTest::addColumn<bool>("lines");
        QTest::addColumn<double>("down");
        QTest::addColumn<bool>("ok");
        QTest::newRow("fine") << 5LL << true << 499.99 << true;
        QTest::newRow("no counterparty") << 0LL << true << 0.0 << false;
        QTest::newRow("no goods") << 5LL << false << 0.0 << false;
        QTest::newRow("down payment equal to purchase") << 5LL << true << 500.0 << false;
        QTest::newRow("down payment above purchase") << 5LL << true << 600.0 << false;
    }
    void draftsRefused()
    {
        QFETCH(long long, counterparty);
        QFETCH(bool, lines);
        QFETCH(double, down);
        QFETCH(bool, ok);
        Consignment::Draft d = draft(lines ? QList<long long>{1} : QList<long long>{}, 500, down);
        d.counterparty = counterparty;
        QCOMPARE(Consignment::checkDraft(d).isEmpty(), ok);
    }

    void partThenRest()
    {
        TestProgram program;
        shop();
        Settings::writeInteger(Keys::Tuning_FB, 2);
        const long long c = contract(7, 200, 2); // two instalments of 100
        Consignment::Payment p = pay(c, "40");
        QVERIFY2(p.ok, qPrintable(p.message));
        QCOMPARE(Consignment::state(5, c).current, 1);
        QCOMPARE(Consignment::state(5, c).rest, 60.0);
        p = pay(c);
        QVERIFY(p.ok);
        QCOMPARE(p.amount, 60.0);
        QCOMPARE(percents(c), (QStringList{QStringLiteral("40.00"), QStringLiteral("60.00")}));
        const QStringList files = queuedTexts();
        QCOMPARE(files.size(), 2);
        QVERIFY2(files.at(1).contains(QStringLiteral("%0^Вн.:1 Кр.N: 7:^6000^1000^1^")), qPrintable(files.join("|")));
        // The cash records hold what the receipts hold.
        QCOMPARE(Db::scalar(QStringLiteral("SELECT SUM(ED_Cena) FROM Prodajbi WHERE ID_Art = 0 AND Type_Pay = 'в брой' "
                                           "AND Konsign_N = 0 AND Term_N = 2"))
                     .toDouble(),
                 100.0);
        QCOMPARE(Consignment::state(5, c).current, 2);
        QVERIFY(!p.closed);
        QCOMPARE(Consignment::openContracts(5), QStringList{QStringLiteral("7")});
    }

    void roundedRestCompletes()
    {
        TestProgram program;
        shop();
        const long long c = contract(3, 1000, 3, 2, 200); // instalments of 282.9888
        QVERIFY(pay(c, "141.49").ok);
        const Consignment::State s = Consignment::state(5, c);
        QCOMPARE(s.current, 1);
        QCOMPARE(s.rest, 141.49); // 141.4944 in stotinki
        const Consignment::Payment p = pay(c);
        QVERIFY(p.ok);
        QCOMPARE(p.amount, 141.49);
        QCOMPARE(Consignment::state(5, c).current, 2);
        QCOMPARE(percents(c), (QStringList{QStringLiteral("50.00"), QStringLiteral("50.00")}));
    }

    void partsCloseTheContract()
    {
        TestProgram program;
        shop();
        const long long c = contract(9, 100, 1);
        for (const char *part : {"10.34", "31.46", "51.46"}) {
            const Consignment::Payment p = pay(c, part);
            QVERIFY2(p.ok && !p.closed, part);
        }
        // An overpayment, and what is no amount, are refused; nothing written.
        for (const char *bad : {"6.75", "50", "0", "-1", "abc"})
            QVERIFY2(!pay(c, bad).ok, bad);
        QCOMPARE(percents(c).size(), 3);
        const Consignment::Payment last = pay(c, "6,74");
        QVERIFY(last.ok);
        QVERIFY(last.closed);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Payed FROM Konsignation WHERE ID = 9")).toString(),
                 QStringLiteral("True"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Konsign_N FROM Prodajbi WHERE ID_Art = 17")).toLongLong(), -1LL);
        QVERIFY(Consignment::openContracts(5).isEmpty());
        QVERIFY(!Consignment::hasOpenContracts(5));
        QVERIFY(!pay(c).ok); // nothing left to pay
    }

    void counterpartyWithoutContracts()
    {
        TestProgram program;
        shop();
        QVERIFY(Consignment::openContracts(5).isEmpty());
        QVERIFY(!Consignment::state(5, 1).exists);
        QVERIFY(!pay(1).ok);
        QCOMPARE(count("Vnoski"), 0);
        QCOMPARE(count("Prodajbi"), 0);
        contract(4, 100, 1);
        QVERIFY(Db::rows(Consignment::debtorsSql()).size() == 1);
    }
};

VTEST(ConsignmentTest)
#include "test_consignment.moc"
