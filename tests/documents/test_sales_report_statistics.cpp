// The sales report with the planner's statistics of a shop of 500 000 sales
// (as its bulk work and its closes leave them on SQLite): a day with another
// filter ticked is listed along the index of the date, a few hundred sales,
// never along the index of a few-valued column that holds most of them.
#include "harness/query_plans.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "documents/report_filter.h"
#include "documents/sales_report.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QTest>

namespace {
struct Stat {
    const char *table, *index, *stat;
};
// Taken from the benchmark's shop of 1 000 000 articles and 500 000 sales
// (700 a day) after its statistics were gathered.
const Stat kShop[] = {
    {"Prodajbi", "Prodajbi_D_Prodajba", "602784 844 1"},
    {"Prodajbi", "Prodajbi_ED_Cena", "560196 101 1"},
    {"Prodajbi", "Prodajbi_ID_Art", "550130 2 1"},
    {"Prodajbi", "Prodajbi_ID_Klient", "613496 20 1"},
    {"Prodajbi", "Prodajbi_ID_Prodajba", "465060 1"},
    {"Prodajbi", "Prodajbi_Kol", "607392 202464 1"},
    {"Prodajbi", "Prodajbi_Konsign_N", "521536 521536"},
    {"Prodajbi", "Prodajbi_Operator", "571032 571032 1"},
    {"Prodajbi", "Prodajbi_Pored_Do", "619824 619824 1"},
    {"Prodajbi", "Prodajbi_Pored_Ot", "619824 619824 1"},
    {"Prodajbi", "Prodajbi_Sklad_ID", "619824 619824 1"},
    {"Prodajbi", "Prodajbi_T_O", "619824 619824 1"},
    {"Prodajbi", "Prodajbi_T_Prodajba", "598728 4187 1"},
    {"Prodajbi", "Prodajbi_Term_N", "619824 619824 1"},
    {"Prodajbi", "Prodajbi_Type_Pay", "644598 322299 1"},
    {"Prodajbi", "Prodajbi_Valuta", "575674 575674 1"},
    {"Prodajbi", "Prodajbi_Valuta_Suma", "510380 510380 34 1"},
    {"Valuti", "Valuti_Opisanie", "2 1"},
};

void loadShopStatistics()
{
    Db::execute(QStringLiteral("ANALYZE"));
    WriteTransaction tx;
    Db::execute(QStringLiteral("DELETE FROM sqlite_stat1"));
    for (const Stat &s : kShop)
        Db::execute(QStringLiteral("INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES (?, ?, ?)"),
                    {QLatin1String(s.table), QLatin1String(s.index), QLatin1String(s.stat)});
    tx.commit();
    Db::execute(QStringLiteral("ANALYZE sqlite_schema")); // the connection plans with them
}
} // namespace

class SalesReportStatisticsTest : public QObject
{
    Q_OBJECT

private slots:
    void aDayIsListedAlongItsIndex_data()
    {
        QTest::addColumn<QString>("also");
        QTest::newRow("a day") << QString();
        QTest::newRow("a day and the payment type") << QStringLiteral("payType");
        QTest::newRow("a day and the operator") << QStringLiteral("operator");
        QTest::newRow("a day and the warehouse") << QStringLiteral("warehouse");
    }
    void aDayIsListedAlongItsIndex()
    {
        if (testOnServer())
            QSKIP("the statistics are SQLite's");
        QFETCH(QString, also);
        TestProgram program;
        loadShopStatistics();
        SalesReport::Filter f;
        f.date = true;
        f.dateComparison = ReportFilter::Equal;
        f.dateFrom = QDate(2024, 3, 10);
        f.payType = also == QLatin1String("payType");
        f.payTypeText = QStringLiteral("в брой");
        f.operatorName = also == QLatin1String("operator");
        f.operatorText = QStringLiteral("Администратор");
        f.warehouse = also == QLatin1String("warehouse");
        f.warehouseId = 1;
        const SalesReport::Where w = SalesReport::where(f);
        QVERIFY(w.ok());
        const SalesReport::List l = SalesReport::list(w, 700);
        QVERIFY(!l.byIndex); // a few hundred sales: keyed
        const QString plan = planOf(l.keySql, l.params).join(QLatin1Char('|'));
        QVERIFY2(plan.contains(QLatin1String("INDEX Prodajbi_D_Prodajba ")), qPrintable(plan));
        QVERIFY2(wholeReads(planOf(l.keySql, l.params)).isEmpty(), qPrintable(plan));
    }
};

VTEST(SalesReportStatisticsTest)
#include "test_sales_report_statistics.moc"
