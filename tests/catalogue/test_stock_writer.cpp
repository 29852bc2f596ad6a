#include "catalogue/stock_writer.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "app/data_module.h"
#include "test_registry.h"
#include "test_support.h"

#include <QTest>

#include <atomic>
#include <thread>

namespace {
double stock(int article, int warehouse)
{
    return Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = ?"),
                      {article, warehouse})
        .toDouble();
}
int rows()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Store_Kol")).toInt();
}
} // namespace

class StockWriter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstMovementCreatesTheRowInEitherMode()
    {
        TestProgram program;
        GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("1"), 3, 0);
        GET_NALI4NOST(QStringLiteral("6"), QStringLiteral("1"), 7.5, 1);
        QCOMPARE(stock(5, 1), 3.0);
        QCOMPARE(stock(6, 1), 7.5);
        QCOMPARE(rows(), 2);
    }

    void setAddAndNegativeStock()
    {
        TestProgram program;
        GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("1"), 1, 0);
        GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("1"), -0.25, 0);
        QCOMPARE(stock(5, 1), 0.75); // decimals kept, no rounding
        GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("1"), -2, 0);
        QCOMPARE(stock(5, 1), -1.25); // a sale below zero is allowed
        GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("1"), 0, 1);
        QCOMPARE(stock(5, 1), 0.0);
        GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("1"), 12, 1);
        QCOMPARE(stock(5, 1), 12.0);
        GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("2"), 4, 0); // another warehouse
        QCOMPARE(stock(5, 1), 12.0);
        QCOMPARE(rows(), 2);
    }

    void badKeysAreRefusedAndRollTheCallerBack()
    {
        TestProgram program;
        for (const auto &[art, sklad] :
             QList<std::pair<QString, QString>>{{QStringLiteral("5"), QStringLiteral("-1")},
                                                {QStringLiteral("5"), QStringLiteral("0")},
                                                {QStringLiteral("abc"), QStringLiteral("1")},
                                                {QStringLiteral("5"), QString()}})
            QVERIFY_THROWS_EXCEPTION(DbError, GET_NALI4NOST(art, sklad, 1, 0));
        try {
            WriteTransaction sale;
            GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("1"), -1, 0);
            GET_NALI4NOST(QStringLiteral("6"), QStringLiteral("-1"), -1, 0);
            sale.commit();
        } catch (const DbError &) {
        }
        QCOMPARE(rows(), 0);
    }

    // The set form for many articles: rows made or set, an article named
    // twice keeps its last quantity, a bad key writes none of them.
    void manyArticlesSetAtOnce_data()
    {
        QTest::addColumn<long long>("warehouse");
        QTest::addColumn<QList<long long>>("articles");
        QTest::addColumn<QList<double>>("quantities");
        // Articles 5, 6 and 7 in warehouse 1 after it (4, 9 and none before); -1: no row.
        QTest::addColumn<QList<double>>("after");
        QTest::newRow("set and made") << 1LL << QList<long long>{5, 6} << QList<double>{0.125, 0} << QList<double>{0.125, 0, -1};
        QTest::newRow("named twice") << 1LL << QList<long long>{6, 7, 6} << QList<double>{1, 2, 3} << QList<double>{4, 3, 2};
        QTest::newRow("a bad article") << 1LL << QList<long long>{6, 0} << QList<double>{1, 2} << QList<double>{4, 9, -1};
        QTest::newRow("a bad warehouse") << 0LL << QList<long long>{6} << QList<double>{1} << QList<double>{4, 9, -1};
    }
    void manyArticlesSetAtOnce()
    {
        QFETCH(long long, warehouse);
        QFETCH(QList<long long>, articles);
        QFETCH(QList<double>, quantities);
        QFETCH(QList<double>, after);
        TestProgram program;
        GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("1"), 4, 1);
        GET_NALI4NOST(QStringLiteral("6"), QStringLiteral("1"), 9, 1);
        GET_NALI4NOST(QStringLiteral("5"), QStringLiteral("2"), 8, 1);
        QList<StockSetting> settings;
        for (int i = 0; i < articles.size(); ++i)
            settings << StockSetting{articles.at(i), Decimal::fromDouble(quantities.at(i))};
        const bool bad = warehouse <= 0 || articles.contains(0);
        if (bad)
            QVERIFY_THROWS_EXCEPTION(DbError, setStockQuantities(warehouse, settings));
        else
            setStockQuantities(warehouse, settings);
        for (int article = 5; article <= 7; ++article) {
            const QVariant kol = Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = 1"),
                                            {article});
            QCOMPARE(kol.isValid() ? kol.toDouble() : -1.0, after.at(article - 5));
        }
        QCOMPARE(stock(5, 2), 8.0);
    }

    void twoWorkstationsAddingEndWithTheSum()
    {
        TestProgram program;
        const QString folder = DataModule1->databaseFolder();
        std::atomic<int> failures{0};
        // The other workstation: its own connection in its own thread.
        std::thread other([&] {
            const QString name = QStringLiteral("second-workstation");
            QString error;
            if (!Db::openFolder(name, folder, &error)) {
                failures = 1000;
                return;
            }
            const QSqlDatabase db2 = QSqlDatabase::database(name, false);
            for (int i = 0; i < 100; ++i) {
                try {
                    GET_NALI4NOST(QStringLiteral("9"), QStringLiteral("3"), 2, 0, db2);
                } catch (const DbError &) {
                    ++failures;
                }
            }
            Db::close(name);
        });
        for (int i = 0; i < 100; ++i)
            GET_NALI4NOST(QStringLiteral("9"), QStringLiteral("3"), 1, 0);
        other.join();
        QCOMPARE(failures.load(), 0);
        QCOMPARE(stock(9, 3), 300.0);
    }
};
VTEST(StockWriter)

#include "test_stock_writer.moc"
