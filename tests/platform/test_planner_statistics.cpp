// The planner's statistics: an import that wrote many rows leaves those of
// the tables it wrote (SQLite's sqlite_stat1, a server's last analysis), a
// few rows leave them to the engine, and a SQLite connection's close leaves
// those of the tables written in bulk or read along an index without them,
// and then of every table that has rows.
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/data_module.h"
#include "app/import_run.h"
#include "offers/catalogue_import.h"
#include "offers/supplier_catalogue.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "shell/imports/article_import.h"
#include "shell/imports/counterparty_import.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
enum Road { Articles, Catalogue, Counterparties };

QString writeFile(const TestProgram &program, const QString &text)
{
    const QString path = program.file(QStringLiteral("import.txt"));
    QFile f(path);
    const QByteArray bytes = text.toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void runImport(const TestProgram &program, Road road, int lines)
{
    QString text = road == Catalogue ? QStringLiteral("16:[Доставчик]\n11:[Група]\n") : QString();
    const QString line[] = {QStringLiteral("1:[%1]3:[Арт %1]7:[Г]\n"),
                            QStringLiteral("1:[Арт %1]2:[1.50]3:[1]4:[1]5:[BGN]6:[наличен]7:[КН-%1]\n"),
                            QStringLiteral("1:[%1]3:[Фирма %1]11:[Лице]\n")};
    for (int i = 1; i <= lines; ++i)
        text += line[road].arg(i);
    const QString path = writeFile(program, text);
    if (road == Articles) {
        ArticleImport handler(QDir(program.file(QStringLiteral("Data"))).filePath(QStringLiteral("Opis.pdt")), false,
                              Db::connection());
        QVERIFY(ImportRun::run(path, handler, nullptr, nullptr, Db::connection()).completed);
    } else if (road == Catalogue) {
        const CatalogueImport::Result r = CatalogueImport::run(path, CatalogueImport::Mode::Import, 0,
                                                               SupplierCatalogue::treeFilePath(), {});
        QCOMPARE(int(r.ending), int(CatalogueImport::Ending::Completed));
    } else {
        CounterpartyImport handler(false, Db::connection());
        QVERIFY(ImportRun::run(path, handler, nullptr, nullptr, Db::connection()).completed);
    }
}

// The rows the statistics give the table (SQLite's estimate), or -1 when it
// has none; on a server 1 once it was analysed by a statement (not by the
// server's autovacuum, kept off the table for the test), else -1.
long long analysedRows(const QString &table)
{
    if (testOnServer())
        return Db::scalar(QStringLiteral("SELECT last_analyze IS NOT NULL FROM pg_stat_user_tables "
                                         "WHERE relname = lower(?)"),
                          {table})
                       .toBool()
                   ? 1
                   : -1;
    if (!Db::tableExists(QStringLiteral("sqlite_stat1")))
        return -1;
    const QVariant stat = Db::scalar(QStringLiteral("SELECT stat FROM sqlite_stat1 WHERE tbl = ? ORDER BY idx LIMIT 1"),
                                     {table});
    return stat.isValid() ? stat.toString().section(QLatin1Char(' '), 0, 0).toLongLong() : -1;
}
} // namespace

class PlannerStatisticsTest : public QObject
{
    Q_OBJECT

private slots:
    void importsLeaveStatistics_data()
    {
        QTest::addColumn<int>("road");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("analysed");
        QTest::newRow("articles") << int(Articles) << 1500 << "Produkti" << true;
        QTest::newRow("a few articles") << int(Articles) << 20 << "Produkti" << false;
        QTest::newRow("supplier catalogue") << int(Catalogue) << 1500 << "Art_CL" << true;
        QTest::newRow("counterparties") << int(Counterparties) << 1500 << "Firmi" << true;
        QTest::newRow("their persons") << int(Counterparties) << 1500 << "Klienti" << true;
    }
    void importsLeaveStatistics()
    {
        QFETCH(int, road);
        QFETCH(int, lines);
        QFETCH(QString, table);
        QFETCH(bool, analysed);
        TestProgram program;
        if (testOnServer())
            Db::execute(QStringLiteral("ALTER TABLE %1 SET (autovacuum_enabled = false)").arg(table));
        QCOMPARE(analysedRows(table), -1LL);
        runImport(program, Road(road), lines);
        const long long rows = analysedRows(table);
        if (!analysed)
            QCOMPARE(rows, -1LL);
        else if (testOnServer())
            QCOMPARE(rows, 1LL);
        else // analysed within the limit of rows read: an estimate
            QVERIFY2(rows > lines / 2 && rows < lines * 2, qPrintable(QString::number(rows)));
    }

    // Once a table has statistics every other one gets them: a planner that
    // takes the tables it knows nothing of for a million rows each plans
    // worse than one that knows none.
    void closeLeavesStatistics_data()
    {
        QTest::addColumn<bool>("writtenHere");
        QTest::addColumn<bool>("readHere");
        QTest::addColumn<int>("rows");
        QTest::newRow("written here in bulk") << true << false << 4000;
        QTest::newRow("a few written here") << true << false << 20;
        QTest::newRow("written elsewhere, read here along its index") << false << true << 4000;
        QTest::newRow("written elsewhere, never read here") << false << false << 4000;
    }
    void closeLeavesStatistics()
    {
        if (testOnServer())
            QSKIP("a server gathers its statistics by itself");
        QFETCH(bool, writtenHere);
        QFETCH(bool, readHere);
        QFETCH(int, rows);
        TestProgram program;
        Db::execute(QStringLiteral("CREATE TABLE Counted (ID INTEGER PRIMARY KEY, Code TEXT)"));
        Db::execute(QStringLiteral("CREATE INDEX Counted_Code ON Counted (Code)"));
        const QSqlDatabase other = writtenHere ? Db::connection() : otherConnection(QStringLiteral("stats-other"));
        {
            WriteTransaction tx(other);
            for (int i = 1; i <= rows; ++i)
                Db::execute(QStringLiteral("INSERT INTO Counted (ID, Code) VALUES (?, ?)"),
                            {i, QStringLiteral("K%1").arg(i % 2)}, other);
            tx.commit();
        }
        if (!writtenHere)
            Db::close(QStringLiteral("stats-other"));
        if (readHere)
            QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Counted WHERE Code = ?"), {QStringLiteral("K1")})
                         .toInt(),
                     rows / 2);
        QCOMPARE(analysedRows(QStringLiteral("Counted")), -1LL);
        // Opened again: the old connection closes.
        QVERIFY(program.dataModule()->SET_NEW_DATABASE(program.dataModule()->databaseFolder()));
        const long long estimate = analysedRows(QStringLiteral("Counted"));
        QVERIFY2(estimate >= rows / 2 && estimate <= rows * 2, qPrintable(QString::number(estimate)));
        // Each of the two codes holds half the rows, many more than a
        // bounded analysis reads of the index.
        const QString stat = Db::scalar(QStringLiteral("SELECT stat FROM sqlite_stat1 WHERE idx = 'Counted_Code'"))
                                 .toString();
        const long long perCode = stat.section(QLatin1Char(' '), 1, 1).toLongLong();
        QVERIFY2(perCode >= rows / 2 / 2 && perCode <= rows / 2 * 2, qPrintable(stat));
        QStringList without;
        for (const QSqlRecord &t : Db::rows(QStringLiteral(
                 "SELECT name FROM sqlite_master m WHERE type = 'table' AND name NOT LIKE 'sqlite%' AND sql NOT LIKE "
                 "'CREATE VIRTUAL%' AND NOT EXISTS (SELECT 1 FROM sqlite_stat1 s WHERE s.tbl = m.name)")))
            if (Db::scalar(QStringLiteral("SELECT 1 FROM \"%1\" LIMIT 1").arg(t.value(0).toString())).isValid())
                without << t.value(0).toString();
        QCOMPARE(without, QStringList());
    }
};

VTEST(PlannerStatisticsTest)
#include "test_planner_statistics.moc"
