#include "app/currency_rates.h"
#include "common/cp1251.h"
#include "common/money.h"
#include "common/settings.h"
#include "desk/consignment.h"
#include "desk/device_file_writer.h"
#include "desk/sale.h"
#include "desk/sales_cancel.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "test_registry.h"
#include "test_support.h"

#include <QTest>

namespace {
Decimal dec(double v)
{
    return Decimal::fromDouble(v);
}

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
    d.downPayment = dec(down);
    d.rate = 2;
    d.purchase = dec(purchase);
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
// The money the counterparty's cash records hold, in stotinki.
long long paidStotinki()
{
    return std::llround(Db::scalar(QStringLiteral("SELECT SUM(ED_Cena) FROM Prodajbi WHERE ID_Art = 0 AND ID_Klient = 5"))
                            .toDouble()
                        * 100);
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
        QTest::addColumn<QString>("instalments");
        QTest::newRow("interest and down payment")
            << 3 << 1000.0 << 200.0 << 2.0 << "848.9664" << "282.99 282.99 282.99";
        QTest::newRow("no rate, no down payment") << 4 << 500.0 << 0.0 << 0.0 << "500.0000" << "125.00 125.00 125.00 125.00";
        QTest::newRow("the remainder on the last") << 3 << 200.0 << 0.0 << 0.0 << "200.0000" << "66.66 66.66 66.68";
        QTest::newRow("below the down payment") << 2 << 850.0 << 860.0 << 0.0 << "-10.0000" << "-5.00 -5.00";
        QTest::newRow("count 0 leaves the difference") << 0 << 300.0 << 100.0 << 5.0 << "200.0000" << "";
    }
    void sums()
    {
        QFETCH(int, count);
        QFETCH(double, purchase);
        QFETCH(double, down);
        QFETCH(double, rate);
        QFETCH(QString, total);
        QFETCH(QString, instalments);
        const Decimal t = Consignment::CALCULATE_KONSIGNACION_SUM(count, dec(purchase), dec(down), dec(rate));
        QCOMPARE(Money::fixed(t, 4), total);
        QStringList parts;
        for (const Decimal &v : Consignment::instalments(t, count))
            parts << Money::fixed(v, 2);
        QCOMPARE(parts.join(QLatin1Char(' ')), instalments);
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
        t.total = dec(848.9664);
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
        QCOMPARE(Consignment::state(5, c).rest, Decimal(60));
        p = pay(c);
        QVERIFY(p.ok);
        QCOMPARE(p.amount, Decimal(60));
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
        const long long c = contract(3, 1000, 3, 2, 200); // 848.9664: three instalments of 282.99
        QVERIFY(pay(c, "141.49").ok);
        const Consignment::State s = Consignment::state(5, c);
        QCOMPARE(s.current, 1);
        QCOMPARE(s.rest, dec(141.50));
        const Consignment::Payment p = pay(c);
        QVERIFY(p.ok);
        QCOMPARE(p.amount, dec(141.50));
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

    // A payment credits what was paid, to the stotinka; the instalments are
    // the debt in stotinki split evenly with the remainder on the last, so a
    // contract closes when exactly its debt has been paid.
    void instalmentsCreditWhatWasPaid_data()
    {
        QTest::addColumn<double>("purchase");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("down");
        QTest::addColumn<QStringList>("payments"); // typed part, "" for the rest of the instalment
        QTest::addColumn<QStringList>("after");    // amount paid / instalment then / its rest
        QTest::newRow("0.40 and 1.00 of 9 000.00")
            << 9000.0 << 1 << 0.0 << 0.0 << QStringList{"0.40", "1.00", ""}
            << QStringList{"0.40/1/8999.60", "1.00/1/8998.60", "8998.60/closed"};
        QTest::newRow("100.00 in 3") << 100.0 << 3 << 0.0 << 0.0 << QStringList{"", "", ""}
                                     << QStringList{"33.33/2/33.33", "33.33/3/33.34", "33.34/closed"};
        QTest::newRow("200.00 in 3, parts") << 200.0 << 3 << 0.0 << 0.0 << QStringList{"", "66.65", "", "0.01", ""}
                                            << QStringList{"66.66/2/66.66", "66.65/2/0.01", "0.01/3/66.68",
                                                           "0.01/3/66.67", "66.67/closed"};
        QTest::newRow("interest and down payment: 848.9664 is 848.97")
            << 1000.0 << 3 << 2.0 << 200.0 << QStringList{"141.49", "", "", "0.03", ""}
            << QStringList{"141.49/1/141.50", "141.50/2/282.99", "282.99/3/282.99", "0.03/3/282.96", "282.96/closed"};
    }
    void instalmentsCreditWhatWasPaid()
    {
        QFETCH(double, purchase);
        QFETCH(int, count);
        QFETCH(double, rate);
        QFETCH(double, down);
        QFETCH(QStringList, payments);
        QFETCH(QStringList, after);
        TestProgram program;
        shop();
        const long long c = contract(8, purchase, count, rate, down);
        for (int i = 0; i < payments.size(); ++i) {
            const QByteArray typed = payments.at(i).toUtf8();
            const Consignment::Payment p = pay(c, typed.isEmpty() ? nullptr : typed.constData());
            QVERIFY2(p.ok, qPrintable(p.message));
            const Consignment::State s = Consignment::state(5, c);
            const QString now = p.closed ? QStringLiteral("closed")
                                         : QString::number(s.current) + QLatin1Char('/') + Money::fixed(s.rest, 2);
            QCOMPARE(Money::fixed(p.amount, 2) + QLatin1Char('/') + now, after.at(i));
        }
        // Paid in all: the debt to the stotinka, less the down payment paid at the sale.
        const Decimal debt = Consignment::CALCULATE_KONSIGNACION_SUM(count, dec(purchase), dec(down), dec(rate));
        QCOMPARE(paidStotinki(), std::llround(debt.toDouble() * 100));
        QVERIFY(Consignment::openContracts(5).isEmpty());
    }

    // A contract whose rest is zero or less (today's rate under the one of
    // the sale, goods cancelled) is closed by "ИЗПЛАТИ", with no money taken.
    void contractAtZeroOrLessCloses_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("the rate fell under the down payment") << "rate";
        QTest::newRow("the goods cancelled after a payment") << "cancel";
    }
    void contractAtZeroOrLessCloses()
    {
        QFETCH(QString, how);
        TestProgram program;
        shop();
        Settings::writeInteger(Keys::Tuning_FB, 2);
        exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('USD', 1.72345, 'False')"));
        long long c = 0;
        if (how == QLatin1String("rate")) {
            // 500 USD sold at 1.72345 (861.725), 860.00 down: 1.73 in 2 instalments.
            c = contract(6, 0, 2, 0, 860);
            exec(QStringLiteral("UPDATE Prodajbi SET ED_Cena = 500, Valuta = 'USD' WHERE Konsign_N = 6"));
            exec(QStringLiteral("UPDATE Valuti SET Kurs = 1.70 WHERE Opisanie = 'USD'")); // 850.00: -10.00
        } else {
            c = contract(6, 100, 2);
            QVERIFY(pay(c).ok);
            const long long goods = Db::scalar(QStringLiteral("SELECT ID_Red FROM Prodajbi WHERE ID_Art = 17")).toLongLong();
            QCOMPARE(SalesCancel::cancel(goods, QStringLiteral("Върната стока"), QStringLiteral("Иван"), true, 1),
                     SalesCancel::Cancelled);
        }
        const long long paidBefore = paidStotinki();
        exec(QStringLiteral("DELETE FROM Pending_Files"));
        QVERIFY(Consignment::state(5, c).rest <= Decimal());
        const Consignment::Payment p = pay(c);
        QVERIFY2(p.ok, qPrintable(p.message));
        QVERIFY(p.closed);
        QCOMPARE(p.amount, Decimal());
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Payed FROM Konsignation WHERE ID = ?"), {c}).toString(),
                 QStringLiteral("True"));
        QVERIFY(Consignment::openContracts(5).isEmpty());
        QCOMPARE(paidStotinki(), paidBefore); // no money taken
        QCOMPARE(count("Pending_Files"), 0);  // and no receipt
        if (how == QLatin1String("rate"))
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Konsign_N FROM Prodajbi WHERE ID_Art = 17")).toLongLong(), -1LL);
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
