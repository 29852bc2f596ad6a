// A list read by key shows exactly the rows of its whole ordered statement,
// however it is walked: page after page, backwards from the last row, by
// jumps, from a row found by its key. The data has what breaks a naive
// keyset: NULLs, ties, rows of groups that do not exist, groups sharing a name.
#include "common/program_folder.h"
#include "platform/db/database.h"
#include "platform/db/paged_list_model.h"
#include "platform/db/transaction.h"
#include "test_registry.h"
#include "test_support.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>

Q_DECLARE_METATYPE(QList<KeysetList::Term>)

namespace {
const QString kConnection = QStringLiteral("keyset-test");
constexpr int Rows = 2345;

KeysetList listOf(const QList<KeysetList::Term> &order, int groupTerms, bool descending)
{
    KeysetList k;
    k.select = QStringLiteral("SELECT T.K AS K, T.A AS A, T.B AS B, GT.ID AS G, GT.Name AS GName");
    k.from = QStringLiteral(" FROM T JOIN GT ON GT.ID = T.G");
    k.where = QStringLiteral("T.K <> ?");
    k.params = {-1};
    k.order = order;
    k.groupTerms = groupTerms;
    k.descending = descending;
    return k;
}

// The keys in the order the whole statement gives.
QList<long long> expected(const KeysetList &k)
{
    QList<long long> out;
    for (const QSqlRecord &r : Db::rows(KeysetReader(k).sql(), k.params))
        out << r.value(QStringLiteral("K")).toLongLong();
    return out;
}

long long keyAt(const PagedListModel &m, int row)
{
    return m.value(row, QStringLiteral("K")).toLongLong();
}

sqlite3 *handle()
{
    const QVariant v = Db::connection().driver()->handle();
    return *static_cast<sqlite3 *const *>(v.constData());
}

int traced(unsigned, void *context, void *statement, void *)
{
    char *sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(statement));
    if (sql)
        static_cast<QStringList *>(context)->append(QString::fromUtf8(sql));
    sqlite3_free(sql);
    return 0;
}
// Walks the list every way and compares each row with the whole statement's.
void walk(const KeysetList &list)
{
    const QList<long long> all = expected(list);
    QVERIFY(all.size() > 4 * PagedListModel::PageSize);

    // Page after page.
    PagedListModel forward;
    forward.setKeysetQuery(list);
    QCOMPARE(forward.rowCount(), int(all.size()));
    for (int r = 0; r < all.size(); ++r)
        QCOMPARE(keyAt(forward, r), all.at(r));

    // From the last row backwards, a neighbouring page read from its neighbour's key.
    PagedListModel backward;
    backward.setKeysetQuery(list);
    for (int r = int(all.size()) - 1; r >= 0; --r)
        QCOMPARE(keyAt(backward, r), all.at(r));

    // Jumps: far pages are reached from the nearest row known.
    PagedListModel jumps;
    jumps.setKeysetQuery(list);
    QRandomGenerator rng(7);
    for (int i = 0; i < 60; ++i) {
        const int r = int(rng.bounded(int(all.size())));
        QCOMPARE(keyAt(jumps, r), all.at(r));
    }

    // A row found by its key; the rows around it read from that key.
    for (const int r : {0, 1, PagedListModel::PageSize - 1, PagedListModel::PageSize + 17, int(all.size()) / 2,
                        int(all.size()) - 1}) {
        PagedListModel found;
        found.setKeysetQuery(list);
        QCOMPARE(found.rowWhere(QStringLiteral("T.K = ?"), {all.at(r)}), r);
        for (int near = qMax(0, r - 230); near < qMin(int(all.size()), r + 230); near += 3)
            QCOMPARE(keyAt(found, near), all.at(near));
    }
    PagedListModel none;
    none.setKeysetQuery(list);
    QCOMPARE(none.rowWhere(QStringLiteral("T.K = ?"), {-5}), -1);

    // Marked rows handed over in runs.
    const QList<QSqlRecord> marked = forward.records({3, 4, 5, 900, 901, int(all.size()) - 1});
    QCOMPARE(marked.size(), 6);
    QCOMPARE(marked.at(3).value(QStringLiteral("K")).toLongLong(), all.at(900));
    QCOMPARE(marked.at(5).value(QStringLiteral("K")).toLongLong(), all.last());
}

// A list too long to pass over: a far row is reached by an estimate, its
// neighbours read from its key are exact, and no statement passes over or
// counts more than ExactRows rows; with `placed`, a far row found by its key
// is placed by an estimate too.
void farRows(const KeysetList &list, bool placed = true)
{
    const QList<long long> all = expected(list);
    const int n = int(all.size());
    QVERIFY(n / 2 > PagedListModel::ExactRows + PagedListModel::PageSize);
    QStringList seen;
    const bool onSqlite = Db::engine() == Db::Engine::Sqlite;
    PagedListModel jumped, found;
    jumped.setKeysetQuery(list);
    found.setKeysetQuery(list);
    if (onSqlite)
        sqlite3_trace_v2(handle(), SQLITE_TRACE_STMT, traced, &seen);

    // The scroll bar dragged to the middle, then a row above the page.
    QList<long long> shown;
    for (int r = n / 2 - 250; r < n / 2 + 250; ++r)
        shown << keyAt(jumped, r);
    const int at = int(all.indexOf(shown.first()));
    QVERIFY2(qAbs(at - (n / 2 - 250)) < n / 10, qPrintable(QString::number(at)));
    QCOMPARE(shown, all.mid(at, shown.size()));

    // A row found far from both ends is placed near its row, its neighbours exact; near an end exactly.
    for (const int r : placed ? QList<int>{n / 3, n / 2, 2 * n / 3} : QList<int>{}) {
        const int row = found.rowWhere(QStringLiteral("T.K = ?"), {all.at(r)});
        QVERIFY2(qAbs(row - r) < n / 10, qPrintable(QStringLiteral("%1 for %2").arg(row).arg(r)));
        QCOMPARE(keyAt(found, row), all.at(r));
        QCOMPARE(keyAt(found, row - 1), all.at(r - 1));
        QCOMPARE(keyAt(found, row + 1), all.at(r + 1));
    }
    if (onSqlite)
        sqlite3_trace_v2(handle(), 0, nullptr, nullptr);
    static const QRegularExpression offset(QStringLiteral("OFFSET (\\d+)"));
    for (const QString &sql : seen) {
        const auto m = offset.match(sql);
        QVERIFY2(!m.hasMatch() || m.captured(1).toLongLong() <= PagedListModel::ExactRows, qPrintable(sql));
        QVERIFY2(!sql.contains(QLatin1String("COUNT(")) || sql.contains(QLatin1String("LIMIT")), qPrintable(sql));
    }
    for (const int r : {5, int(PagedListModel::ExactRows) - 1, n - int(PagedListModel::ExactRows), n - 7}) {
        if (!placed)
            break;
        PagedListModel fresh;
        fresh.setKeysetQuery(list);
        QCOMPARE(fresh.rowWhere(QStringLiteral("T.K = ?"), {all.at(r)}), r);
    }
}

// Tables T and GT (the groups) of `rows` rows with NULLs, ties and missing groups.
void fill(int rows)
{
    Db::execute(QStringLiteral("CREATE TABLE T (K INTEGER NOT NULL, A TEXT, B DOUBLE PRECISION, G INTEGER)"));
    Db::execute(QStringLiteral("CREATE TABLE GT (ID INTEGER NOT NULL, Name TEXT)"));
    QRandomGenerator rng(47);
    WriteTransaction tx;
    // Group 13 has no row; groups 2 and 5 share a name, group 7 has none.
    for (int g = 1; g <= 12; ++g)
        Db::execute(QStringLiteral("INSERT INTO GT (ID, Name) VALUES (?, ?)"),
                    {g, g == 7 ? QVariant() : QVariant(g == 5 ? QStringLiteral("Група 2") : QStringLiteral("Група %1").arg(g))});
    const QStringList words{"мляко", "Мляко", "МЛЯКО", "сирене", "Ябълка", "apple", "Apple", "", "z"};
    for (int k = 1; k <= rows; ++k) {
        const int pick = int(rng.bounded(12));
        const QVariant a = pick < 3 ? QVariant() : QVariant(words.at(pick % words.size()));
        const QVariant b = pick == 4 ? QVariant() : QVariant(double(rng.bounded(20)) / 4);
        // The keys are not in the table's order.
        Db::execute(QStringLiteral("INSERT INTO T (K, A, B, G) VALUES (?, ?, ?, ?)"),
                    {(k * 7919) % 100003, a, b, 1 + int(rng.bounded(13))});
    }
    tx.commit();
}

void orders()
{
    QTest::addColumn<QList<KeysetList::Term>>("order");
    QTest::addColumn<int>("groupTerms");
    QTest::addColumn<bool>("descending");
    const KeysetList::Term k{QStringLiteral("T.K"), QStringLiteral("K")};
    const KeysetList::Term a{QStringLiteral("T.A"), QStringLiteral("A")};
    const KeysetList::Term b{QStringLiteral("T.B"), QStringLiteral("B")};
    const KeysetList::Term gName{QStringLiteral("GT.Name"), QStringLiteral("GName")};
    const KeysetList::Term g{QStringLiteral("GT.ID"), QStringLiteral("G")};
    for (const bool descending : {false, true}) {
        const char *way = descending ? " descending" : "";
        QTest::addRow("key%s", way) << QList<KeysetList::Term>{k} << 0 << descending;
        QTest::addRow("text with NULLs and ties%s", way) << QList<KeysetList::Term>{a, k} << 0 << descending;
        QTest::addRow("number with NULLs%s", way) << QList<KeysetList::Term>{b, k} << 0 << descending;
        QTest::addRow("two columns%s", way) << QList<KeysetList::Term>{a, b, k} << 0 << descending;
        QTest::addRow("group name, group by group%s", way) << QList<KeysetList::Term>{gName, g, k} << 2 << descending;
    }
}
} // namespace

class KeysetPages : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        ProgramFolder::setPath(m_dir.path());
        QString error;
        QVERIFY2(Db::open(kConnection, m_dir.filePath(QStringLiteral("k.sqlite")), true, &error), qPrintable(error));
        Db::setCurrentConnection(kConnection);
        fill(Rows);
    }

    void cleanupTestCase()
    {
        Db::close(kConnection);
        Db::setCurrentConnection(QString());
    }

    void pagesShowTheOrderedStatement_data() { orders(); }

    void pagesShowTheOrderedStatement()
    {
        QFETCH(QList<KeysetList::Term>, order);
        QFETCH(int, groupTerms);
        QFETCH(bool, descending);
        walk(listOf(order, groupTerms, descending));
    }

    void aNeighbouringPageIsReadByKeyNotByPosition()
    {
        const KeysetList list = listOf({{QStringLiteral("T.A"), QStringLiteral("A")}, {QStringLiteral("T.K"), QStringLiteral("K")}},
                                       0, false);
        const QList<long long> all = expected(list);
        PagedListModel m;
        m.setKeysetQuery(list);
        QStringList seen;
        sqlite3_trace_v2(handle(), SQLITE_TRACE_STMT, traced, &seen);
        QCOMPARE(keyAt(m, PagedListModel::PageSize), all.at(PagedListModel::PageSize));
        QCOMPARE(keyAt(m, int(all.size()) - 1), all.last());
        QCOMPARE(keyAt(m, int(all.size()) - 1 - PagedListModel::PageSize), all.at(all.size() - 1 - PagedListModel::PageSize));
        sqlite3_trace_v2(handle(), 0, nullptr, nullptr);
        QVERIFY(!seen.isEmpty());
        for (const QString &sql : seen)
            QVERIFY2(sql.endsWith(QLatin1String("OFFSET 0")), qPrintable(sql));
    }

    // More pages read than are kept: each new page evicts the oldest, and
    // the row handed back must be the new page's, whatever the eviction
    // moved in the page table.
    void aRowReadWhileAPageIsEvictedIsItsOwn()
    {
        const int rows = PagedListModel::PageSize * 150;
        Db::execute(QStringLiteral("CREATE TABLE N (I INTEGER PRIMARY KEY)"));
        Db::execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                                   "INSERT INTO N (I) SELECT i FROM n"),
                    {rows - 1});
        PagedListModel m;
        m.setQuery(QStringLiteral("SELECT I FROM N ORDER BY I"), {}, rows);
        QRandomGenerator rng(11);
        for (int i = 0; i < 3000; ++i) {
            const int r = int(rng.bounded(rows));
            QCOMPARE(m.value(r, QStringLiteral("I")).toInt(), r);
        }
        Db::execute(QStringLiteral("DROP TABLE N"));
    }

    void anEmptyListKeepsItsColumns()
    {
        KeysetList list = listOf({{QStringLiteral("GT.Name"), QStringLiteral("GName")},
                                  {QStringLiteral("GT.ID"), QStringLiteral("G")},
                                  {QStringLiteral("T.K"), QStringLiteral("K")}},
                                 2, false);
        list.where = QStringLiteral("T.K = ?");
        PagedListModel m;
        m.setKeysetQuery(list);
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(m.fieldIndex(QStringLiteral("GName")), 4);
    }

    // The names of the columns follow each new statement, whatever order it
    // gives them in, and go with clear().
    void theColumnsFollowEachStatement()
    {
        PagedListModel m;
        m.setQuery(QStringLiteral("SELECT T.A AS A, T.K AS K FROM T WHERE T.K = ? ORDER BY T.K"), {7919}, 1);
        QCOMPARE(m.fieldIndex(QStringLiteral("k")), 1);
        QCOMPARE(m.data(m.index(0, 1)).toLongLong(), 7919LL);
        QCOMPARE(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("K"));
        m.setKeysetQuery(listOf({{QStringLiteral("T.K"), QStringLiteral("K")}}, 0, false));
        QCOMPARE(m.fieldIndex(QStringLiteral("k")), 0);
        QCOMPARE(m.fieldIndex(QStringLiteral("GNAME")), 4);
        QCOMPARE(m.data(m.index(0, 0)).toLongLong(), expected(listOf({{QStringLiteral("T.K"), QStringLiteral("K")}}, 0, false)).first());
        QCOMPARE(m.headerData(4, Qt::Horizontal).toString(), QStringLiteral("GName"));
        m.setHeaderTitle(QStringLiteral("gname"), QStringLiteral("Група"));
        QCOMPARE(m.headerData(4, Qt::Horizontal).toString(), QStringLiteral("Група"));
        m.clear();
        QCOMPARE(m.fieldIndex(QStringLiteral("K")), -1);
        QVERIFY(!m.data(m.index(0, 0)).isValid());
    }
};

// The same on the engine of the test run: a server sorts NULL after every
// value, SQLite before.
class KeysetPagesOnTheEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pagesShowTheOrderedStatement_data() { orders(); }
    void pagesShowTheOrderedStatement()
    {
        QFETCH(QList<KeysetList::Term>, order);
        QFETCH(int, groupTerms);
        QFETCH(bool, descending);
        TestProgram program;
        fill(1000);
        walk(listOf(order, groupTerms, descending));
    }

    // A grouped list: its groups, not its table's rows, are counted and
    // passed over, also on a far jump.
    void groupedRows()
    {
        TestProgram program;
        fill(4000);
        for (const bool descending : {false, true}) {
            KeysetList k;
            k.select = QStringLiteral("SELECT T.A AS A, T.B AS B, T.G AS G, MIN(T.K) AS K");
            k.from = QStringLiteral(" FROM T");
            k.order = {{QStringLiteral("T.A"), QStringLiteral("A")}, {QStringLiteral("T.B"), QStringLiteral("B")},
                       {QStringLiteral("T.G"), QStringLiteral("G")}};
            k.descending = descending;
            k.grouped = true;
            QList<long long> all;
            for (const QSqlRecord &r : Db::rows(KeysetReader(k).sql()))
                all << r.value(QStringLiteral("K")).toLongLong();
            QVERIFY(all.size() > 1500);
            for (const int r : {int(all.size()) / 2 + 7, 2, int(all.size()) - 3, 1300}) {
                PagedListModel m;
                m.setKeysetQuery(k);
                QCOMPARE(m.rowCount(), int(all.size()));
                QCOMPARE(keyAt(m, r), all.at(r));
                QCOMPARE(keyAt(m, qMax(0, r - 1)), all.at(qMax(0, r - 1)));
            }
        }
    }

    // The list made anew in the same order (as after an edit) places a far
    // row by the rows it spread over the list before: read once, not per
    // list; the rows around it are counted in one statement.
    void aListMadeAnewInTheSameOrderKeepsItsSpreadRows()
    {
        if (testOnServer())
            QSKIP("statements are traced on SQLite");
        TestProgram program;
        fill(9000);
        const KeysetList list = listOf({{QStringLiteral("T.B"), QStringLiteral("B")}, {QStringLiteral("T.K"), QStringLiteral("K")}},
                                       0, false);
        const QList<long long> all = expected(list);
        const int n = int(all.size());
        PagedListModel m;
        for (const int r : {n / 3, n / 2}) {
            m.setKeysetQuery(list);
            QStringList seen;
            sqlite3_trace_v2(handle(), SQLITE_TRACE_STMT, traced, &seen);
            const int row = m.rowWhere(QStringLiteral("T.K = ?"), {all.at(r)});
            sqlite3_trace_v2(handle(), 0, nullptr, nullptr);
            QVERIFY2(qAbs(row - r) < n / 10, qPrintable(QStringLiteral("%1 for %2").arg(row).arg(r)));
            QCOMPARE(keyAt(m, row + 1), all.at(r + 1));
            QCOMPARE(seen.filter(QStringLiteral("spread(v) AS")).size(), r == n / 3 ? 1 : 0);
            // The rows before and after it counted (up to a bound) in one statement.
            QCOMPARE(seen.filter(QStringLiteral("COUNT(")).size(), 1);
        }
        // Another order spreads its own.
        m.setKeysetQuery(listOf({{QStringLiteral("T.A"), QStringLiteral("A")}, {QStringLiteral("T.K"), QStringLiteral("K")}}, 0, false));
        QStringList seen;
        sqlite3_trace_v2(handle(), SQLITE_TRACE_STMT, traced, &seen);
        QVERIFY(m.rowWhere(QStringLiteral("T.K = ?"), {all.at(n / 2)}) > 0);
        sqlite3_trace_v2(handle(), 0, nullptr, nullptr);
        QCOMPARE(seen.filter(QStringLiteral("spread(v) AS")).size(), 1);
    }

    // A list's page statements stay prepared on the connection: the list
    // read again is prepared anew by neither engine, and statements made
    // since push out the longest unused one, not the list's.
    void pageStatementsStayPrepared_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"by key", "keyed rows", "by offset"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void pageStatementsStayPrepared()
    {
        QFETCH(QString, kind);
        TestProgram program;
        fill(1000);
        const KeysetList list = listOf({{QStringLiteral("T.A"), QStringLiteral("A")}, {QStringLiteral("T.K"), QStringLiteral("K")}},
                                       0, false);
        const QString ordered = KeysetReader(list).sql();
        const auto readAgain = [&] {
            PagedListModel m;
            if (kind == QLatin1String("by key"))
                m.setKeysetQuery(list);
            else if (kind == QLatin1String("keyed rows"))
                m.setKeyedQuery(QStringLiteral("SELECT K FROM (%1) listed").arg(ordered), list.params,
                                list.select + list.from + QStringLiteral(" WHERE T.K IN (%1)"), QStringLiteral("K"));
            else
                m.setQuery(ordered, list.params, 1000);
            return keyAt(m, 700);
        };
        const long long key = readAgain();
        const QMultiHash<QString, QString> before = preparedStatements();
        const auto page = std::find_if(before.keyBegin(), before.keyEnd(), [](const QString &sql) {
            return sql.contains(QLatin1String(" FROM T ")) && (sql.contains(QLatin1String("OFFSET")) || sql.contains(QLatin1String(" IN (")));
        });
        QVERIFY(page != before.keyEnd());
        for (int i = 0; i < 250; ++i) {
            QCOMPARE(Db::scalar(QStringLiteral("SELECT %1 + ?").arg(i), {1}).toInt(), i + 1);
            if (i % 40 == 0)
                QCOMPARE(readAgain(), key);
        }
        const QMultiHash<QString, QString> after = preparedStatements();
        QCOMPARE(after.values(*page), before.values(*page));
        QVERIFY(after.size() <= before.size() + 200);
    }

    void aFarRowCostsAPage_data() { orders(); }
    void aFarRowCostsAPage()
    {
        QFETCH(QList<KeysetList::Term>, order);
        QFETCH(int, groupTerms);
        QFETCH(bool, descending);
        TestProgram program;
        fill(6000);
        farRows(listOf(order, groupTerms, descending));
    }

    // A grouped list too long to pass over, spread by a number of its
    // table's rows: the scroll bar's far group is reached by an estimate all
    // the same (a group found by its key is still counted to).
    void aFarGroupCostsAPage()
    {
        TestProgram program;
        fill(12000);
        Db::execute(QStringLiteral("CREATE INDEX T_K ON T (K)"));
        for (const bool descending : {false, true}) {
            KeysetList k;
            k.select = QStringLiteral("SELECT T.A AS A, T.K / 3 AS KG, MIN(T.K) AS K");
            k.from = QStringLiteral(" FROM T");
            k.where = QStringLiteral("T.K <> ?");
            k.params = {-1};
            k.order = {{QStringLiteral("T.A"), QStringLiteral("A")}, {QStringLiteral("T.K / 3"), QStringLiteral("KG")}};
            k.descending = descending;
            k.grouped = true;
            k.spreadBy = QStringLiteral("T.K");
            farRows(k, false);
        }
    }
};

VTEST(KeysetPages)
VTEST(KeysetPagesOnTheEngine)
#include "test_keyset_pages.moc"
