// A stock-taking of thousands of lines: a typed line costs the same at any
// number of lines (its article's lines looked up by index, the grid read a
// page at a time, the totals kept as the lines change), and the kept totals
// are what the lines add up to.
#include "harness/query_plans.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "stock_documents_support.h"

#include "catalogue/form_revision.h"
#include "catalogue/stock_lines.h"
#include "catalogue/stock_taking.h"
#include "platform/db/keyset_reader.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"
#include "platform/script.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTableView>
#include <QTest>

#include <optional>

using namespace StockTest;

namespace {
constexpr int Articles = 3000;

void shop()
{
    addWarehouse(1, QStringLiteral("Магазин"));
    addCurrency(QStringLiteral("EUR2"), 2);
    WriteTransaction tx;
    for (int id = 1; id <= Articles; ++id)
        addArticle(id, QStringLiteral("Артикул %1").arg(id), 1 + id % 7, id % 3 ? QStringLiteral("BGN") : QStringLiteral("EUR2"));
    tx.commit();
}

// Lines counted for the articles after the first `from`, up to `to` lines.
void countUpTo(int from, int to)
{
    StockTaking::prepare();
    WriteTransaction tx;
    for (int line = from; line < to; ++line)
        StockTaking::addLine(1 + line % Articles, line % 5, 1);
    tx.commit();
}

// A line typed into the window: the article, Enter, the count, Enter, the
// grid repainted.
void typeLine(TForm_Revision &w, long long article, const QString &counted)
{
    w.Edit_Art_ID->setText(QString::number(article));
    w.Edit_Art_IDKeyPress();
    w.Edit_Kol->setText(counted);
    w.Edit_KolKeyPress();
    w.DBGrid1->viewport()->repaint();
}

// Whether a plan reads `alias` (a table of the statement) whole.
bool readsWhole(const QStringList &plan, const QString &alias)
{
    for (const QString &row : wholeReads(plan)) {
        const QString table = row.section(QLatin1String("  ("), 0, 0); // a server's costs go
        if (table.startsWith(QStringLiteral("SCAN ") + alias) || table.endsWith(QLatin1Char(' ') + alias))
            return true;
    }
    return false;
}

} // namespace

class StockTakingAtScale : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PlatformScript::activate(); }
    void cleanup() { PlatformScript::deactivate(); }

    void aLineCostsTheSameAtAnyCount()
    {
        if (testOnServer())
            QSKIP("the work of a road is counted on SQLite");
        TestProgram program;
        shop();
        TForm_Revision w;
        w.show();
        long long steps[2] = {0, 0};
        const int counts[2] = {300, 3000};
        int from = 0;
        for (int i = 0; i < 2; ++i) {
            countUpTo(from, counts[i] - 1);
            from = counts[i] - 1;
            w.FormShow();
            QCOMPARE(w.model()->rowCount(), counts[i] - 1);
            steps[i] = stepsOf([&] { typeLine(w, 7, QStringLiteral("2")); });
            QCOMPARE(w.model()->rowCount(), counts[i]);
            ++from;
        }
        // Ten times the lines, the same work for the next one.
        QVERIFY2(steps[1] < steps[0] * 3 / 2, qPrintable(QStringLiteral("%1 steps at %2 lines, %3 at %4")
                                                             .arg(steps[0]).arg(counts[0]).arg(steps[1]).arg(counts[1])));
        w.hide();
    }

    void workTableLookUpsUseItsIndex()
    {
        TestProgram program;
        shop();
        countUpTo(0, 500);
        const QList<StockTaking::Lookup> lookups{StockTaking::heldLookup(7), StockTaking::articleTotalsLookup(7)};
        for (const StockTaking::Lookup &l : lookups) {
            const QStringList plan = planOf(l.sql, l.params);
            QVERIFY2(!readsWhole(plan, QStringLiteral("t")) && !readsWhole(plan, QStringLiteral("f")),
                     qPrintable(plan.join('|') + QStringLiteral("  <=  ") + l.sql));
        }
        // A page of the grid sums each line's article by the index too.
        const QString page = KeysetReader(StockTaking::linesList()).sql() + QStringLiteral(" LIMIT 200");
        const QStringList plan = planOf(page, {});
        QVERIFY2(!readsWhole(plan, QStringLiteral("s")), qPrintable(plan.join('|') + QStringLiteral("  <=  ") + page));
    }

    void keptTotalsFollowEveryChange()
    {
        TestProgram program;
        shop();
        countUpTo(0, 40);
        StockTaking::Sheet sheet;
        sheet.load();
        QRandomGenerator rng(57);
        QList<long long> lines;
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT N FROM ") + WorkTables::qualified(QStringLiteral("Revision_TMP"))))
            lines << r.value(0).toLongLong();
        for (int step = 0; step < 200; ++step) {
            const int kind = int(rng.bounded(3));
            // Few articles, so lines of one article come and go, its first line too.
            const long long article = 1 + rng.bounded(12);
            if (kind == 0 || lines.isEmpty()) {
                lines << sheet.addLine(article, Decimal::fromParts(25 * rng.bounded(20), 2), 1);
            } else if (kind == 1) {
                QVERIFY(sheet.setCounted(lines.at(int(rng.bounded(int(lines.size())))), Decimal::fromParts(5 * rng.bounded(9), 1)));
            } else {
                QVERIFY(sheet.removeLine(lines.takeAt(int(rng.bounded(int(lines.size()))))));
            }
            const StockTaking::Totals kept = sheet.totals(), counted = StockTaking::totals();
            QVERIFY2(kept.held == counted.held && kept.found == counted.found,
                     qPrintable(QStringLiteral("step %1: kept %2 / %3, counted %4 / %5")
                                    .arg(step)
                                    .arg(kept.held.toString(), kept.found.toString(), counted.held.toString(),
                                         counted.found.toString())));
            QCOMPARE(sheet.lineCount(), qint64(StockTaking::lineCount()));
        }
        sheet.clear();
        QCOMPARE(sheet.lineCount(), 0);
        QVERIFY(sheet.totals().found.isZero());
    }

    // Each article's stock and Revision_Art row, however many articles a save
    // writes: an article counted on several lines (three decimals summed
    // exactly), one with no stock row yet, one counted 0.
    void aSaveOfManyArticles_data()
    {
        QTest::addColumn<int>("articles");
        QTest::newRow("one article of each kind") << 4;
        QTest::newRow("more articles than one statement carries") << 600;
    }
    void aSaveOfManyArticles()
    {
        QFETCH(int, articles);
        TestProgram program;
        addWarehouse(1, QStringLiteral("Магазин"));
        addWarehouse(2, QStringLiteral("Склад"));
        struct Kind {
            std::optional<double> stock; // before the count
            QList<double> lines;
            double held;
            QString after; // the stock's shortest text
        };
        const QList<Kind> kinds{{5, {0}, 5, QStringLiteral("0")},
                                {std::nullopt, {0.001, 0.002}, 0, QStringLiteral("0.003")},
                                {1, {1.1, 2.2, 3.3}, 1, QStringLiteral("6.6")},
                                {7.25, {2.5}, 7.25, QStringLiteral("2.5")}};
        {
            WriteTransaction tx;
            for (int a = 1; a <= articles; ++a) {
                addArticle(a, QStringLiteral("Артикул %1").arg(a), 1 + a % 7);
                if (const std::optional<double> before = kinds.at(a % 4).stock)
                    setStock(a, 1, *before);
                setStock(a, 2, 100); // another warehouse's stock stays
            }
            tx.commit();
        }
        StockTaking::prepare();
        {
            WriteTransaction tx;
            // The articles' lines interleaved, as a count finds them on the shelves.
            for (int round = 0; round < 3; ++round)
                for (int a = 1; a <= articles; ++a)
                    if (round < kinds.at(a % 4).lines.size())
                        QVERIFY(StockTaking::addLine(a, dec(kinds.at(a % 4).lines.at(round)), 1) > 0);
            tx.commit();
        }
        QString refusal;
        QCOMPARE(StockTaking::save({QDate(2026, 12, 7), QTime(10, 0), QStringLiteral("Проверка"), 1}, &refusal), 1LL);
        QCOMPARE(StockTaking::lineCount(), 0);
        const auto count = [](const char *sql) { return Db::scalar(QString::fromLatin1(sql)).toInt(); };
        QCOMPARE(count("SELECT COUNT(*) FROM Revision_Art WHERE ID_Rev = 1"), articles);
        QCOMPARE(count("SELECT COUNT(*) FROM Store_Kol WHERE Sklad_ID = 1"), articles);
        QCOMPARE(count("SELECT COUNT(*) FROM Store_Kol WHERE Sklad_ID = 2 AND Kol = 100"), articles);
        const auto shortest = [](const QVariant &v) {
            return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
        };
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT r.Art_ID, r.Nal_Kol, r.Otkr_Kol, r.Mqrka, r.Ed_Cena, "
                                                            "r.Valuta, s.Kol FROM Revision_Art r JOIN Store_Kol s "
                                                            "ON s.Art_ID = r.Art_ID AND s.Sklad_ID = 1"))) {
            const long long a = r.value(0).toLongLong();
            const Kind &k = kinds.at(a % 4);
            QCOMPARE(r.value(1).toDouble(), k.held);
            QCOMPARE(shortest(r.value(2)), k.after);
            QCOMPARE(r.value(3).toString(), QStringLiteral("бр."));
            QCOMPARE(r.value(4).toDouble(), double(1 + a % 7));
            QCOMPARE(r.value(5).toString(), QStringLiteral("BGN"));
            QCOMPARE(shortest(r.value(6)), k.after);
        }
    }
};

VTEST(StockTakingAtScale)
#include "test_stock_taking_scale.moc"
