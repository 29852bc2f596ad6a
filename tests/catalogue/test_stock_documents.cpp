#include "app/app_state.h"
#include "catalogue/deliveries.h"
#include "catalogue/stock_taking.h"
#include "catalogue/stock_transfer.h"
#include "desk/sale.h"
#include "desk/sales_cancel.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "query_plans.h"
#include "stock_documents_support.h"
#include "test_registry.h"
#include "test_support.h"

#include <QTest>

using namespace StockTest;

namespace {
Deliveries::LineInput line(long long article, double quantity, double deliveryPrice = 2, bool withVat = true,
                           const QString &currency = QStringLiteral("BGN"))
{
    Deliveries::LineInput l;
    l.article = article;
    l.deliveryPrice = dec(deliveryPrice);
    l.deliveryCurrency = currency;
    l.salePrice = 5;
    l.saleCurrency = currency;
    l.quantity = dec(quantity);
    l.unit = QStringLiteral("кг.");
    l.withVat = withVat;
    return l;
}

struct DeliveryData {
    long long kind = 0;
    Deliveries::Head head;
};

DeliveryData deliverySetUp()
{
    addWarehouse(1, QStringLiteral("Магазин"));
    addWarehouse(2, QStringLiteral("Склад"));
    addSupplier(7, QStringLiteral("Доставчик ООД"));
    addArticle(10, QStringLiteral("Кафе"), 3);
    addArticle(11, QStringLiteral("Чай"), 4);
    DeliveryData d;
    d.kind = addDocumentKind(QStringLiteral("Фактура"));
    d.head.deliveryDate = QDate(2026, 12, 7);
    d.head.deliveryTime = QTime(9, 30);
    d.head.supplier = 7;
    d.head.documentKind = d.kind;
    d.head.documentDate = QDate(2026, 12, 6);
    d.head.documentNumber = QStringLiteral("0000012345");
    d.head.warehouse = 1;
    d.head.cash = 10;
    return d;
}

long long count(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

void otherWorkstationLine(long long article)
{
    Db::execute(QStringLiteral("INSERT INTO DostavkiTMP (Rab_Mqsto, Nomer_Produkt, Opisanie, Dostavna_Cena, Valuta_D, "
                               "Prodajna_Cena, Valuta_P, Kolitchestvo, Mqrka, Have_DDS) "
                               "VALUES ('other-till', ?, 'x', 100, 'BGN', 1, 'BGN', 9, 'бр.', 'True')"),
                {article});
}

// One step of a stock scenario: "deliver W q", "writeoff W q", "transfer A B q",
// "count W q q ...", "sell W q" (a bank sale at the desk), "cancel" (the last
// sale back into its warehouse). Article 10 throughout.
void stockStep(const QString &step, const DeliveryData &d)
{
    const QStringList w = step.split(QLatin1Char(' '));
    const auto q = [&w](int i) { return w.at(i).toDouble(); };
    const long long warehouse = w.value(1).toLongLong();
    if (w.first() == QLatin1String("deliver")) {
        Deliveries::addLine(line(10, q(2)), 1);
        Deliveries::Head h = d.head;
        h.warehouse = warehouse;
        QVERIFY(Deliveries::save(h, nullptr) > 0);
    } else if (w.first() == QLatin1String("writeoff") || w.first() == QLatin1String("transfer")) {
        const bool transfer = w.first() == QLatin1String("transfer");
        StockMoveList list(transfer ? StockMoveList::Transfer : StockMoveList::WriteOff);
        list.create();
        QVERIFY(list.addLine(10, dec(q(transfer ? 3 : 2)), warehouse, transfer ? w.at(2).toLongLong() : 0) > 0);
        QVERIFY(list.save(nullptr));
        list.drop();
    } else if (w.first() == QLatin1String("count")) {
        StockTaking::prepare();
        for (int i = 2; i < w.size(); ++i)
            QVERIFY(StockTaking::addLine(10, dec(q(i)), warehouse) > 0);
        QVERIFY(StockTaking::save({QDate(2026, 12, 7), QTime(10, 0), QStringLiteral("x"), warehouse}, nullptr) > 0);
    } else if (w.first() == QLatin1String("sell")) {
        Db::execute(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Ed_Cena, Valuta, Operator, "
                                   "T_O, Sm_N, Term_N, Dan_Grup) VALUES (10, 'Кафе', ?, 3, 'BGN', 'Иван', 0, 0, 1, 1)"),
                    {q(2)});
        Sale::Request r;
        r.lines = {Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong()};
        r.payType = Sale::Bank;
        r.op = QStringLiteral("Иван");
        r.warehouse = warehouse;
        const Sale::Result sold = Sale::sell(r);
        QVERIFY2(sold.ok, qPrintable(sold.message));
    } else if (w.first() == QLatin1String("cancel")) {
        const long long row = Db::scalar(QStringLiteral("SELECT MAX(ID_Red) FROM Prodajbi")).toLongLong();
        QCOMPARE(SalesCancel::cancel(row, QStringLiteral("x"), QStringLiteral("Иван"), true, 1),
                 SalesCancel::Cancelled);
    } else {
        QFAIL(qPrintable(step));
    }
}
} // namespace

class StockDocuments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void deliverySaveAddsStockAndSetsPrices()
    {
        TestProgram program;
        DeliveryData d = deliverySetUp();
        setStock(10, 1, 4);
        Deliveries::addLine(line(10, 6, 2.5), 1);
        Deliveries::addLine(line(11, 1.5), 1);
        otherWorkstationLine(10);
        QString refusal;
        const long long id = Deliveries::save(d.head, &refusal);
        QCOMPARE(refusal, QString());
        QCOMPARE(id, 1LL);
        QCOMPARE(stock(10, 1).toDouble(), 10.0);
        QCOMPARE(stock(11, 1).toDouble(), 1.5);
        const auto p = Db::firstRow(QStringLiteral("SELECT Ed_Cena, Valuta_P, Mqrka, Dostavna_Cena, Valuta_D, Dostav4ik "
                                                   "FROM Produkti WHERE ID = 10"));
        QCOMPARE(p->value(0).toDouble(), 5.0);
        QCOMPARE(p->value(1).toString(), QStringLiteral("BGN"));
        QCOMPARE(p->value(2).toString(), QStringLiteral("кг."));
        QCOMPARE(p->value(3).toDouble(), 2.5);
        QCOMPARE(p->value(4).toString(), QStringLiteral("BGN"));
        QCOMPARE(p->value(5).toString(), QStringLiteral("Доставчик ООД"));
        const auto h = Db::firstRow(QStringLiteral("SELECT Data_Dostavka, Nomer_Dostav4ik, Vid_Dokument, ID_Sklad, "
                                                   "Nomer_Dokument, Pay_Cach FROM Dostavki"));
        QCOMPARE(h->value(0).toString(), QStringLiteral("2026-12-07"));
        QCOMPARE(h->value(1).toLongLong(), 7LL);
        QCOMPARE(h->value(2).toLongLong(), d.kind);
        QCOMPARE(h->value(3).toLongLong(), 1LL);
        QCOMPARE(h->value(4).toString(), QStringLiteral("0000012345"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavka_art WHERE ID_Dostavka = 1")), 2LL);
        QCOMPARE(indexesOutOfStep(), QString());
        // this workstation's lines are gone, the other's stay
        QCOMPARE(Deliveries::lineCount(), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM DostavkiTMP WHERE Rab_Mqsto = 'other-till'")), 1LL);
        // the head names the warehouse, supplier and kind: they may not go
        QVERIFY(!ColumnRegistry::referencedBy(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"), 1).isEmpty());
        QVERIFY(!ColumnRegistry::referencedBy(QStringLiteral("Rab_Dokumenti"), QStringLiteral("ID"), d.kind).isEmpty());
    }

    void failedDeliverySaveChangesNothingAndTheRetryAddsOnce()
    {
        TestProgram program;
        DeliveryData d = deliverySetUp();
        Deliveries::addLine(line(10, 6), 1);
        Deliveries::addLine(line(11, 2), 1);
        failInsertOf(QStringLiteral("Dostavka_art"), QStringLiteral("Nomer_Produkt"), 11);
        QVERIFY_THROWS_EXCEPTION(DbError, Deliveries::save(d.head, nullptr));
        QVERIFY(!stock(10, 1).isValid());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavki")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavka_art")), 0LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Dostav4ik FROM Produkti WHERE ID = 10")).toString(),
                 QStringLiteral("old"));
        QCOMPARE(Deliveries::lineCount(), 2);
        stopFailing(QStringLiteral("Dostavka_art"));
        QCOMPARE(Deliveries::save(d.head, nullptr), 1LL);
        QCOMPARE(stock(10, 1).toDouble(), 6.0);
        QCOMPARE(stock(11, 1).toDouble(), 2.0);
    }

    void deliveryRefusals_data()
    {
        QTest::addColumn<long long>("supplier");
        QTest::addColumn<bool>("kind");
        QTest::addColumn<long long>("warehouse");
        QTest::addColumn<bool>("unknownCurrency");
        QTest::addColumn<QString>("message");
        QTest::newRow("supplier never picked") << -1LL << true << 1LL << false << QString::fromUtf8(Deliveries::NoSupplier);
        QTest::newRow("supplier gone") << 99LL << true << 1LL << false << QString::fromUtf8(Deliveries::NoSupplier);
        QTest::newRow("no document kind") << 7LL << false << 1LL << false << QString::fromUtf8(Deliveries::NoSupplier);
        QTest::newRow("no warehouse") << 7LL << true << -1LL << false << QString::fromUtf8(Deliveries::NoWarehouse);
        QTest::newRow("warehouse gone") << 7LL << true << 5LL << false << QString::fromUtf8(Deliveries::NoWarehouse);
        QTest::newRow("currency missing") << 7LL << true << 1LL << true << QString::fromUtf8(Deliveries::UnknownCurrency);
    }
    void deliveryRefusals()
    {
        QFETCH(long long, supplier);
        QFETCH(bool, kind);
        QFETCH(long long, warehouse);
        QFETCH(bool, unknownCurrency);
        QFETCH(QString, message);
        TestProgram program;
        DeliveryData d = deliverySetUp();
        Deliveries::addLine(line(10, 6), 1);
        if (unknownCurrency)
            Deliveries::addLine(line(11, 1, 2, true, QStringLiteral("XYZ")), 1);
        d.head.supplier = supplier;
        d.head.documentKind = kind ? d.kind : 0;
        d.head.warehouse = warehouse;
        QString refusal;
        QCOMPARE(Deliveries::save(d.head, &refusal), 0LL);
        QCOMPARE(refusal, message);
        QVERIFY(!stock(10, 1).isValid());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavki")), 0LL);
        QCOMPARE(Deliveries::lineCount(), unknownCurrency ? 2 : 1);
    }

    // Lines of these documents take quantities above 0 only; a delivery line
    // left below 0 (by an older program) stops the save.
    void quantitiesAboveZeroOnly()
    {
        TestProgram program;
        DeliveryData d = deliverySetUp();
        StockMoveList off(StockMoveList::WriteOff);
        off.create();
        for (const double q : {-2.0, 0.0, -0.001}) {
            QString refusal;
            QCOMPARE(off.addLine(10, dec(q), 1, 0, &refusal), 0LL);
            QVERIFY(refusal.contains(QStringLiteral("Количество")));
            QCOMPARE(Deliveries::addLine(line(10, q), 1), 0LL);
        }
        QCOMPARE(off.lineCount(), 0);
        QCOMPARE(Deliveries::lineCount(), 0);
        const long long n = off.addLine(10, 2, 1);
        QVERIFY(!off.setQuantity(n, -2));
        QVERIFY(!off.setQuantity(n, 0));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM %1").arg(off.table())).toDouble(), 2.0);
        const long long l = Deliveries::addLine(line(10, 4), 1);
        QVERIFY(!Deliveries::updateLine(l, line(10, -4)));
        QVERIFY(!Deliveries::updateLine(l, line(10, 0)));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kolitchestvo FROM DostavkiTMP WHERE N = ?"), {l}).toDouble(), 4.0);
        Db::execute(QStringLiteral("UPDATE DostavkiTMP SET Kolitchestvo = -4 WHERE N = ?"), {l});
        QString refusal;
        QCOMPARE(Deliveries::save(d.head, &refusal), 0LL);
        QCOMPARE(refusal, QString::fromUtf8(Deliveries::NegativeQuantity));
        QVERIFY(!stock(10, 1).isValid());
        QCOMPARE(Deliveries::lineCount(), 1);
    }

    void deliveryLinesAreKeyedAndBelongToTheirWorkstation()
    {
        TestProgram program;
        deliverySetUp();
        const long long first = Deliveries::addLine(line(10, 1), 1);
        const long long second = Deliveries::addLine(line(10, 1), 1); // equal lines stay two rows
        otherWorkstationLine(10);
        QVERIFY(first > 0 && second > first);
        QVERIFY(Deliveries::updateLine(second, line(10, 4)));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kolitchestvo FROM DostavkiTMP WHERE N = ?"), {first}).toDouble(), 1.0);
        QVERIFY(Deliveries::removeLine(first));
        QCOMPARE(Deliveries::lineCount(), 1);
        // the other workstation's line is out of reach
        const long long foreign = count(QStringLiteral("SELECT N FROM DostavkiTMP WHERE Rab_Mqsto = 'other-till'"));
        QVERIFY(!Deliveries::removeLine(foreign));
        QVERIFY(!Deliveries::updateLine(foreign, line(10, 1)));
        QCOMPARE(Deliveries::removeAll(), 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM DostavkiTMP")), 1LL);
        QCOMPARE(Deliveries::addLine(line(999, 1), 1), 0LL); // no such article
    }

    void zeroQuantityLinesLeaveTheirArticles()
    {
        TestProgram program;
        DeliveryData d = deliverySetUp();
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Напитки')"));
        QCOMPARE(Deliveries::addGroup(1), 2);
        const auto l = Db::firstRow(QStringLiteral("SELECT Dostavna_Cena, Valuta_D, Prodajna_Cena, Kolitchestvo, Have_DDS "
                                                   "FROM DostavkiTMP WHERE Nomer_Produkt = 11"));
        QCOMPARE(l->value(0).toDouble(), 0.0);
        QCOMPARE(l->value(1).toString(), QStringLiteral("BGN"));
        QCOMPARE(l->value(2).toDouble(), 4.0);
        QCOMPARE(l->value(3).toDouble(), 0.0);
        QCOMPARE(l->value(4).toString(), QStringLiteral("True"));
        const long long n = count(QStringLiteral("SELECT N FROM DostavkiTMP WHERE Nomer_Produkt = 10"));
        QVERIFY(Deliveries::updateLine(n, line(10, 3, 1.5)));
        QCOMPARE(Deliveries::save(d.head, nullptr), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavka_art")), 1LL);
        QVERIFY(!stock(11, 1).isValid());
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Dostav4ik FROM Produkti WHERE ID = 11")).toString(),
                 QStringLiteral("old"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Ed_Cena FROM Produkti WHERE ID = 11")).toDouble(), 4.0);
        QCOMPARE(Deliveries::lineCount(), 0);
    }

    void deliverySums_data()
    {
        QTest::addColumn<bool>("firstWithVat");
        QTest::addColumn<bool>("secondWithVat");
        QTest::addColumn<double>("bank");
        QTest::addColumn<double>("unpaid");
        QTest::addColumn<double>("net");
        QTest::addColumn<double>("vat");
        QTest::addColumn<double>("cash");
        // lines: 2 * 5 = 10 and 10 * 2 (rate 2 of EUR2) = 40 => total 50
        // The split as shown: the net rounded once, the VAT the rest of the amount.
        QTest::newRow("all with VAT") << true << true << 0.0 << 0.0 << 41.67 << 8.33 << 50.0;
        QTest::newRow("all without VAT") << false << false << 0.0 << 0.0 << 0.0 << 0.0 << 50.0;
        QTest::newRow("mixed") << true << false << 10.5 << 5.0 << 8.33 << 1.67 << 34.5;
        QTest::newRow("cash negative") << true << true << 40.0 << 20.0 << 41.67 << 8.33 << -10.0;
    }
    void deliverySums()
    {
        QFETCH(bool, firstWithVat);
        QFETCH(bool, secondWithVat);
        QFETCH(double, bank);
        QFETCH(double, unpaid);
        QFETCH(double, net);
        QFETCH(double, vat);
        QFETCH(double, cash);
        TestProgram program;
        deliverySetUp();
        addCurrency(QStringLiteral("EUR2"), 2);
        Deliveries::addLine(line(10, 5, 2, firstWithVat), 1);
        Deliveries::addLine(line(11, 10, 2, secondWithVat, QStringLiteral("EUR2")), 1);
        Deliveries::addLine(line(11, 10, 2, true, QStringLiteral("XYZ")), 1); // shown, no rate: no sum
        otherWorkstationLine(10);
        const Deliveries::Sums s = Deliveries::sums(dec(bank), dec(unpaid));
        QCOMPARE(s.total.rounded(8), Decimal(50));
        QCOMPARE(s.net, Decimal::fromDouble(net));
        QCOMPARE(s.vat, Decimal::fromDouble(vat));
        QCOMPARE(s.cash, dec(cash));
        QCOMPARE(s.unknownCurrency, 1);
        QVariantList params;
        const QList<QSqlRecord> rows = Db::rows(Deliveries::linesSql(&params), params);
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows.at(2).value(QStringLiteral("Suma_D")).isNull());
    }

    void supplierSearch()
    {
        TestProgram program;
        addSupplier(7, QStringLiteral("Доставчик ООД"));
        addSupplier(8, QStringLiteral("Други 100%"));
        Db::execute(QStringLiteral("UPDATE Firmi SET EIK = '0123', Dan_N = 'BG0123' WHERE ID = 7"));
        QCOMPARE(Deliveries::suppliers(QStringLiteral("доСТ")), QStringList{QStringLiteral("7:Доставчик ООД")});
        QCOMPARE(Deliveries::suppliers(QStringLiteral("-012")), QStringList{QStringLiteral("7:Доставчик ООД")});
        QCOMPARE(Deliveries::suppliers(QStringLiteral("+BG01")), QStringList{QStringLiteral("7:Доставчик ООД")});
        QCOMPARE(Deliveries::suppliers(QStringLiteral("0%")), QStringList{QStringLiteral("8:Други 100%")});
        QCOMPARE(Deliveries::suppliers(QString()).size(), 2);
        addArticle(10, QStringLiteral("Кафе"), 3);
        Db::execute(QStringLiteral("UPDATE Produkti SET Mqrka = 'чифт' WHERE ID = 10"));
        const QStringList units = Deliveries::units();
        QVERIFY(units.contains(QStringLiteral("чифт")));
        QCOMPARE(units.count(QStringLiteral("бр.")), 1);
        QCOMPARE(units.size(), 9);
    }

    // What the delivery window reads: articles by either number, stock, lists, rates.
    void deliveryLookups()
    {
        TestProgram program;
        addSupplier(7, QStringLiteral("Доставчик ООД"));
        addArticle(10, QStringLiteral("Кафе"), 3);
        CatalogueTest::addCatalogueNumber(10, QStringLiteral("K-10"), 7);
        addWarehouse(1, QStringLiteral("Магазин"));
        addWarehouse(2, QStringLiteral("Склад"));
        setStock(10, 1, 4);
        setStock(10, 2, 2.5);
        QCOMPARE(Deliveries::articleByNumber(QStringLiteral("10"), false, 0)->value("Opisanie").toString(),
                 QStringLiteral("Кафе"));
        QCOMPARE(Deliveries::articleByNumber(QStringLiteral("10:Кафе"), false, 0)->value("ID").toLongLong(), 10LL);
        QCOMPARE(Deliveries::articleByNumber(QStringLiteral("K-10"), true, 7)->value("ID").toLongLong(), 10LL);
        QVERIFY(!Deliveries::articleByNumber(QStringLiteral("K-10"), true, 8)); // another supplier's numbers
        QVERIFY(!Deliveries::articleByNumber(QStringLiteral("K-10"), false, 7));
        QCOMPARE(Deliveries::stock(10, 2), dec(2.5));
        QCOMPARE(Deliveries::stock(10, 0), dec(6.5));
        QCOMPARE(Deliveries::stock(11, 0), Decimal());
        addCurrency(QStringLiteral("EUR"), 1.95583);
        QCOMPARE(Deliveries::currencies(), (QStringList{QStringLiteral("BGN"), QStringLiteral("EUR")}));
        QCOMPARE(Deliveries::rate(QStringLiteral("EUR")), std::optional<Decimal>(dec(1.95583)));
        QVERIFY(!Deliveries::rate(QStringLiteral("USD")));
        const long long kind = addDocumentKind(QStringLiteral("Фактура"));
        QCOMPARE(Deliveries::documentKinds(), QStringList{QStringLiteral("%1:Фактура").arg(kind)});
        QCOMPARE(Deliveries::lineColumns().size(), 10);
        QCOMPARE(Deliveries::lineColumns().first(), (QPair<QString, QString>{QStringLiteral("Nomer_Produkt"),
                                                                            QStringLiteral("Арт. №")}));

        Deliveries::Printout p;
        p.deliveryDate = QDate(2026, 3, 4);
        p.deliveryTime = QTime(9, 5, 0);
        p.supplier = QStringLiteral("7:Доставчик ООД");
        p.documentKind = QStringLiteral("1:Фактура");
        p.documentNumber = QStringLiteral("0012");
        p.documentDate = QDate(2026, 3, 3);
        p.due = dec(10.5);
        p.cash = dec(10.5);
        const QStringList head = Deliveries::printoutHead(p);
        QCOMPARE(head.at(4), QStringLiteral("\tДата на доставка :04.03.2026, 09:05:00"));
        QCOMPARE(head.at(7), QStringLiteral("\tДокумент N: 0012\tОт дата: 03.03.2026"));
        const QStringList tail = Deliveries::printoutTail(p);
        QCOMPARE(tail.mid(2, 4), (QStringList{QStringLiteral("\tДължима сума: 10.50"), QStringLiteral("\tПлатено в брой: 10.50"),
                                            QStringLiteral("\tПлатено по банка: 0.00"), QStringLiteral("\tНе платено: 0.00")}));
    }

    void priceArithmetic()
    {
        QVERIFY(!DeliveryPrices::markup(0, 10)); // a delivery price of 0 leaves the markup
        QCOMPARE(DeliveryPrices::text(*DeliveryPrices::markup(8, 10)), QStringLiteral("25.0000"));
        QCOMPARE(DeliveryPrices::text(*DeliveryPrices::markup(3, 1)), QStringLiteral("-66.6667"));
        QCOMPARE(DeliveryPrices::text(DeliveryPrices::saleFromMarkup(8, 25)), QStringLiteral("10.0000"));
        QCOMPARE(DeliveryPrices::text(DeliveryPrices::deliveryFromDiscount(10, dec(12.5))), QStringLiteral("8.7500"));
        // 1.13 marked up 50 %: 1.695, not 1.6949
        QCOMPARE(DeliveryPrices::text(DeliveryPrices::saleFromMarkup(dec(1.13), 50)), QStringLiteral("1.6950"));
    }

    // ---- stock-taking ----------------------------------------------------------------------

    void countSetsTheStockAlsoWhenEqual()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Магазин"));
        addWarehouse(2, QStringLiteral("Склад"));
        addArticle(10, QStringLiteral("Кафе"), 3);
        addArticle(11, QStringLiteral("Чай"), 4);
        setStock(10, 1, 5);
        setStock(11, 1, 2);
        setStock(11, 2, 9);
        StockTaking::prepare();
        StockTaking::addLine(10, 5, 1);
        StockTaking::addLine(11, dec(7.5), 1);
        QString refusal;
        const long long id = StockTaking::save({QDate(2026, 12, 7), QTime(10, 0), QStringLiteral("Проверка"), 1}, &refusal);
        QCOMPARE(id, 1LL);
        QCOMPARE(stock(10, 1).toDouble(), 5.0);
        QCOMPARE(stock(11, 1).toDouble(), 7.5);
        QCOMPARE(stock(11, 2).toDouble(), 9.0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Revision_Art WHERE ID_Rev = 1")), 2LL);
        QCOMPARE(StockTaking::lineCount(), 0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Date_Rev FROM Revision")).toString(), QStringLiteral("2026-12-07"));
    }

    void twoLinesOfOneArticle()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Магазин"));
        addWarehouse(2, QStringLiteral("Склад"));
        addArticle(10, QStringLiteral("Кафе"), 2);
        setStock(10, 2, 8);
        setStock(10, 1, 100); // another warehouse's stock is never held
        StockTaking::prepare();
        const long long five = StockTaking::addLine(10, 5, 2);
        const long long three = StockTaking::addLine(10, 3, 2);
        QCOMPARE(StockTaking::heldFor(10, 2), Decimal(8));
        StockTaking::Totals t = StockTaking::totals();
        QCOMPARE(t.held, Decimal(16)); // 8 held once, at price 2
        QCOMPARE(t.found, Decimal(16));
        QCOMPARE(t.difference(), Decimal());
        QVariantList params;
        QList<QSqlRecord> rows = Db::rows(StockTaking::linesSql(&params), params);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).value(QStringLiteral("Difrents")).toDouble(), 0.0);
        QCOMPARE(rows.at(1).value(QStringLiteral("Nal_Kol")).toDouble(), 8.0);
        // editing the 5 to 4 leaves the 3
        QVERIFY(StockTaking::setCounted(five, 4));
        rows = Db::rows(StockTaking::linesSql(&params), params);
        QCOMPARE(rows.at(1).value(QStringLiteral("Otkr_Kol")).toDouble(), 3.0);
        QCOMPARE(rows.at(1).value(QStringLiteral("Difrents")).toDouble(), -1.0);
        QCOMPARE(StockTaking::save({QDate::currentDate(), QTime::currentTime(), QString(), 2}, nullptr), 1LL);
        QCOMPARE(stock(10, 2).toDouble(), 7.0);
        QCOMPARE(stock(10, 1).toDouble(), 100.0);
        const QList<QSqlRecord> art = Db::rows(QStringLiteral("SELECT Nal_Kol, Otkr_Kol FROM Revision_Art"));
        QCOMPARE(art.size(), 1);
        QCOMPARE(art.at(0).value(0).toDouble(), 8.0);
        QCOMPARE(art.at(0).value(1).toDouble(), 7.0);
        Q_UNUSED(three);
    }

    void deletingOneLineKeepsTheOther()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Магазин"));
        addArticle(10, QStringLiteral("Кафе"), 2);
        setStock(10, 1, 8);
        StockTaking::prepare();
        const long long five = StockTaking::addLine(10, 5, 1);
        StockTaking::addLine(10, 3, 1);
        QVERIFY(StockTaking::removeLine(five));
        QCOMPARE(StockTaking::lineCount(), 1);
        QCOMPARE(StockTaking::totals().held, Decimal(16)); // the held quantity went with the line left
        StockTaking::save({QDate::currentDate(), QTime::currentTime(), QString(), 1}, nullptr);
        QCOMPARE(stock(10, 1).toDouble(), 3.0);
    }

    void unfinishedCountIsKept()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Магазин"));
        addWarehouse(2, QStringLiteral("Склад"));
        addArticle(10, QStringLiteral("Кафе"), 2);
        Db::execute(QStringLiteral("INSERT INTO Revision (ID, Sklad_ID) VALUES (1, 1)"));
        StockTaking::prepare();
        StockTaking::addLine(10, 4, 2);
        StockTaking::prepare(); // reopened: the lines stay
        QCOMPARE(StockTaking::lineCount(), 1);
        QCOMPARE(StockTaking::pendingWarehouse(), 2LL);
        QCOMPARE(StockTaking::save({QDate::currentDate(), QTime::currentTime(), QString(), 2}, nullptr), 2LL);
        QCOMPARE(stock(10, 2).toDouble(), 4.0);
        QCOMPARE(StockTaking::pendingWarehouse(), 0LL);
    }

    void failedCountWritesNothing()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Магазин"));
        addArticle(10, QStringLiteral("Кафе"), 2);
        addArticle(11, QStringLiteral("Чай"), 2);
        setStock(10, 1, 8);
        StockTaking::prepare();
        StockTaking::addLine(10, 5, 1);
        StockTaking::addLine(11, 3, 1);
        failInsertOf(QStringLiteral("Revision_Art"), QStringLiteral("Art_ID"), 11);
        QVERIFY_THROWS_EXCEPTION(DbError, StockTaking::save({QDate::currentDate(), QTime::currentTime(), QString(), 1},
                                                            nullptr));
        QCOMPARE(stock(10, 1).toDouble(), 8.0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Revision")), 0LL);
        QCOMPARE(StockTaking::lineCount(), 2);
        QString refusal;
        QCOMPARE(StockTaking::save({QDate::currentDate(), QTime::currentTime(), QString(), 9}, &refusal), 0LL);
        QCOMPARE(refusal, QString::fromUtf8(StockTaking::NoWarehouse));
    }

    // ---- transfer and write-off -----------------------------------------------------------

    void transferMovesBothWaysOrNothing()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Магазин"));
        addWarehouse(2, QStringLiteral("Склад"));
        addArticle(10, QStringLiteral("Кафе"), 2);
        addArticle(11, QStringLiteral("Чай"), 2);
        setStock(10, 1, 5);
        StockMoveList list(StockMoveList::Transfer);
        list.create();
        QString refusal;
        QVERIFY(!list.save(&refusal));
        QCOMPARE(refusal, QString::fromUtf8(StockMoveList::EmptyList));
        // a list whose one line goes into its own source moves nothing
        const long long same = list.addLine(10, 1, 2, 2);
        QVERIFY(!list.save(&refusal));
        QCOMPARE(refusal, QString::fromUtf8(StockMoveList::SameWarehouse));
        QVERIFY(list.removeLine(same));
        const long long a = list.addLine(10, 3, 1, 2);
        list.addLine(11, 1, 1, 2);
        // the lines fix the list's warehouses
        QCOMPARE(list.addLine(10, 1, 2, 2, &refusal), 0LL);
        QCOMPARE(refusal, QString::fromUtf8(StockMoveList::OtherWarehouses));
        QCOMPARE(list.addLine(10, 1, 1, 3, &refusal), 0LL);
        QCOMPARE(list.lineCount(), 2);
        failInsertOf(QStringLiteral("Store_Kol"), QStringLiteral("Art_ID"), 11);
        QVERIFY_THROWS_EXCEPTION(DbError, list.save(nullptr));
        QCOMPARE(stock(10, 1).toDouble(), 5.0);
        QVERIFY(!stock(10, 2).isValid());
        QCOMPARE(list.lineCount(), 2);
        stopFailing(QStringLiteral("Store_Kol"));
        QVERIFY(list.setQuantity(a, 4));
        QVERIFY(list.save(nullptr));
        QCOMPARE(stock(10, 1).toDouble(), 1.0);
        QCOMPARE(stock(10, 2).toDouble(), 4.0);
        QCOMPARE(stock(11, 1).toDouble(), -1.0);
        QCOMPARE(stock(11, 2).toDouble(), 1.0);
        QCOMPARE(list.lineCount(), 0);
    }

    void transferValuesAndWriteOff()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Магазин"));
        addCurrency(QStringLiteral("EUR2"), 2);
        addArticle(10, QStringLiteral("Кафе"), 10, QStringLiteral("EUR2"));
        addArticle(11, QStringLiteral("Чай"), 10, QStringLiteral("XYZ"));
        setStock(10, 1, 5);
        StockMoveList list(StockMoveList::WriteOff);
        list.create();
        list.addLine(10, 3, 1);
        list.addLine(11, 2, 1);
        QVariantList params;
        const QList<QSqlRecord> rows = Db::rows(list.linesSql(&params), params);
        QCOMPARE(rows.size(), 2); // the line without a rate is shown
        QCOMPARE(rows.at(0).value(QStringLiteral("Sum_Row")).toDouble(), 60.0);
        QVERIFY(rows.at(1).value(QStringLiteral("Sum_Row")).isNull());
        QCOMPARE(list.total().rounded(8), Decimal(60));
        QCOMPARE(StockMoveList::stock(10, 1), Decimal(5));
        QCOMPARE(StockMoveList::stock(10, 3), Decimal());
        QVERIFY(list.save(nullptr));
        QCOMPARE(stock(10, 1).toDouble(), 2.0);
        QCOMPARE(stock(11, 1).toDouble(), -2.0); // booked although its currency is unknown
    }

    // Stock is exact: what the documents add and take is what stays, a stock
    // that reaches zero is zero, and no stored quantity carries a binary tail.
    void stockReachesZero_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("stock"); // warehouses 1 and 2, shortest exact text
        QTest::newRow("0.1 + 0.2 delivered, 0.3 written off")
            << QStringList{"deliver 1 0.1", "deliver 1 0.2", "writeoff 1 0.3"} << QStringList{"0", "none"};
        QTest::newRow("1.235 delivered at price decimals 2, 1.235 sold")
            << QStringList{"deliver 1 1.235", "sell 1 1.235"} << QStringList{"0", "none"};
        QTest::newRow("0.1 and 0.2 transferred, 0.3 back")
            << QStringList{"deliver 1 1", "transfer 1 2 0.1", "transfer 1 2 0.2", "transfer 2 1 0.3"}
            << QStringList{"1", "0"};
        QTest::newRow("counted in lines of 0.1 and 0.2, 0.3 written off")
            << QStringList{"count 1 0.1 0.2", "writeoff 1 0.3"} << QStringList{"0", "none"};
        QTest::newRow("counted 0.1 + 0.2 is 0.3") << QStringList{"count 2 0.1 0.2"} << QStringList{"none", "0.3"};
        QTest::newRow("0.1 and 0.2 sold, one cancelled")
            << QStringList{"deliver 1 0.3", "sell 1 0.1", "sell 1 0.2", "cancel"} << QStringList{"0.2", "none"};
        QTest::newRow("sold to zero") << QStringList{"deliver 1 0.3", "sell 1 0.1", "sell 1 0.2"}
                                      << QStringList{"0", "none"};
    }
    void stockReachesZero()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, stock);
        TestProgram program;
        PriceDecimals = 2;
        const DeliveryData d = deliverySetUp();
        const auto restore = qScopeGuard([] { PriceDecimals = 4; });
        for (const QString &s : steps) {
            stockStep(s, d);
            if (QTest::currentTestFailed())
                return;
        }
        for (int w = 1; w <= 2; ++w) {
            const QVariant kol = StockTest::stock(10, w);
            // The shortest text that reads back shows a binary tail (5.551115123125783e-17, 0.30000000000000004).
            QCOMPARE(kol.isValid() ? QString::number(kol.toDouble(), 'g', QLocale::FloatingPointShortest)
                                   : QStringLiteral("none"),
                     stock.at(w - 1));
        }
    }
};

VTEST(StockDocuments)

#include "test_stock_documents.moc"
