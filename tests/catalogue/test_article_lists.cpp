#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "harness/query_plans.h"

#include "catalogue_test_support.h"

#include "catalogue/article_list.h"
#include "catalogue/article_search.h"
#include "catalogue/form_artikuli.h"
#include "desk/desk_search.h"
#include "platform/script.h"
#include "counterparties/counterparty_record.h"
#include "platform/db/paged_list_model.h"
#include "platform/db/transaction.h"

#include <QFile>
#include <QTest>
#include <QTreeWidget>

using namespace CatalogueTest;

namespace {
QStringList names(ArticleList &list)
{
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.value(r, QStringLiteral("Opisanie")).toString();
    out.sort();
    return out;
}

QStringList found(int criterion, int comparison, const QString &from, const QString &to = {}, bool part = true)
{
    QString message;
    const auto q = ArticleSearch::search(criterion, comparison, from, to, part, &message);
    if (!q)
        return {message};
    ArticleList list;
    list.run(*q);
    return names(list);
}

// Every row's ID, the list read to its end as the grid reaching it does.
QList<long long> listed(ArticleList &list)
{
    list.fetchAll();
    QList<long long> out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.value(r, QStringLiteral("ID")).toLongLong();
    return out;
}

int criterionOf(const char *field)
{
    return ArticleSearch::criterionOfColumn(ArticleSearch::columnOfField(QString::fromLatin1(field)));
}

void catalogue()
{
    addGroup(3, QStringLiteral("Компютри"));
    addGroup(12, QStringLiteral("Лаптопи"));
    addArticle(1, QStringLiteral("Мляко прясно"), 3, 2.5);
    addArticle(2, QStringLiteral("Кисело мляко"), 3, 10);
    addArticle(3, QStringLiteral("Лаптоп 15\""), 12, 1200);
    addArticle(4, QStringLiteral("Сирене 50%_ново"), 12, 10.01);
    addArticle(5, QStringLiteral("Без група"), 99, 1); // its group has no row
}
} // namespace

class ArticleListStatements : public QObject
{
    Q_OBJECT
private slots:
    void nodeListsShowExistingGroupsOnly()
    {
        TestProgram program;
        catalogue();
        ArticleList list;
        list.run(ArticleSearch::nodeList(QStringLiteral("Всички артикули")));
        QCOMPARE(names(list), (QStringList{"Кисело мляко", "Лаптоп 15\"", "Мляко прясно", "Сирене 50%_ново"}));
        // A group lists its own articles only, not its subgroup's.
        list.run(ArticleSearch::nodeList(QStringLiteral("3:Компютри")));
        QCOMPARE(names(list), (QStringList{"Кисело мляко", "Мляко прясно"}));
        QCOMPARE(list.value(0, QStringLiteral("Grupa_Opis")).toString(), QStringLiteral("Компютри"));
        QCOMPARE(list.columnCount(), 8);
        QCOMPARE(list.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Цена"));
        // The picture is read by the editor only.
        QCOMPARE(list.fieldIndex(QStringLiteral("Snimka")), -1);
        QVERIFY(list.fieldIndex(QStringLiteral("Kod_Vezna")) >= 0);
    }

    void searches_data()
    {
        QTest::addColumn<int>("criterion");
        QTest::addColumn<int>("comparison");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("part");
        QTest::addColumn<QStringList>("expected");
        const QString bad = QString::fromUtf8(ArticleSearch::BadCriteria);
        const int name = criterionOf("Opisanie");
        const int price = criterionOf("Ed_Cena");
        const int number = criterionOf("ID");
        QTest::newRow("Cyrillic, any case, inside a word")
            << name << 0 << "МЛЯКО" << "" << true << QStringList{"Кисело мляко", "Мляко прясно"};
        QTest::newRow("whole text only") << name << 0 << "мляко" << "" << false << QStringList{};
        QTest::newRow("whole text matches") << name << 0 << "кисело МЛЯКО" << "" << false
                                            << QStringList{"Кисело мляко"};
        QTest::newRow("% and _ typed are plain") << name << 0 << "50%_" << "" << true
                                                 << QStringList{"Сирене 50%_ново"};
        QTest::newRow("quote typed") << name << 0 << "15\"" << "" << true << QStringList{"Лаптоп 15\""};
        QTest::newRow("at most 10 includes 10") << price << int(ArticleSearch::AtMost) << "10" << "" << true
                                                << QStringList{"Кисело мляко", "Мляко прясно"};
        QTest::newRow("at least, comma decimal") << price << int(ArticleSearch::AtLeast) << "10,01" << "" << true
                                                 << QStringList{"Лаптоп 15\"", "Сирене 50%_ново"};
        QTest::newRow("equal number") << number << 0 << " 3 " << "" << true << QStringList{"Лаптоп 15\""};
        QTest::newRow("between") << price << int(ArticleSearch::Between) << "2" << "10.01" << true
                                 << QStringList{"Кисело мляко", "Мляко прясно", "Сирене 50%_ново"};
        QTest::newRow("between with a word") << price << int(ArticleSearch::Between) << "2" << "много" << true
                                             << QStringList{bad};
        QTest::newRow("price not a number") << price << 0 << "12x" << "" << true << QStringList{bad};
        QTest::newRow("group number column") << criterionOf("ID_Grupa") << 0 << "3" << "" << true
                                             << QStringList{bad};
        QTest::newRow("group name column") << criterionOf("Grupa_Opis") << 0 << "Комп" << "" << true
                                           << QStringList{bad};
    }

    void searches()
    {
        QFETCH(int, criterion);
        QFETCH(int, comparison);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, part);
        QFETCH(QStringList, expected);
        TestProgram program;
        catalogue();
        QCOMPARE(found(criterion, comparison, from, to, part), expected);
    }

    void codesAndCounterpartyNumbers()
    {
        TestProgram program;
        catalogue();
        addBarcode(1, QStringLiteral("3800001"));
        addBarcode(2, QStringLiteral("3800001"));
        Db::execute(QStringLiteral("INSERT INTO Serials (ID, Serial_ID) VALUES (3, 'sn-77')"));
        QCOMPARE(found(ArticleSearch::Barcode, 0, QStringLiteral("3800001")),
                 (QStringList{"Кисело мляко", "Мляко прясно"}));
        QCOMPARE(found(ArticleSearch::Barcode, 0, QStringLiteral("380000")), QStringList{}); // exact
        QCOMPARE(found(ArticleSearch::Serial, 0, QStringLiteral("SN-77")), QStringList{"Лаптоп 15\""});

        CounterpartyFields f;
        f.Ime_Firma = QStringLiteral("Доставчик ООД");
        const long long firm = CounterpartyRecord::insertPair(f, 0).id;
        addCatalogueNumber(4, QStringLiteral("ab-12"), firm);
        ArticleList list;
        list.run(*ArticleSearch::search(ArticleSearch::CounterpartyNumber, 0, QStringLiteral("B-1"), {}, false));
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.columnCount(), 9);
        QCOMPARE(list.headerData(8, Qt::Horizontal).toString(), QStringLiteral("Име на фирма"));
        QCOMPARE(list.data(list.index(0, 8)).toString(), QStringLiteral("Доставчик ООД"));
        // Nothing found: no firm column; the next search of another kind drops it.
        list.run(*ArticleSearch::search(ArticleSearch::CounterpartyNumber, 0, QStringLiteral("zz"), {}, true));
        QCOMPARE(list.columnCount(), 8);
        list.run(*ArticleSearch::search(ArticleSearch::CounterpartyNumber, 0, QStringLiteral("ab"), {}, true));
        QCOMPARE(list.columnCount(), 9);
        list.run(*ArticleSearch::search(criterionOf("Opisanie"), 0, QStringLiteral("мляко"), {}, true));
        QCOMPARE(list.columnCount(), 8);
    }

    void availabilityCountsMissingStockAsZero()
    {
        TestProgram program;
        catalogue();
        Db::execute(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (1, 1, 2.5), (1, 2, 4)"));
        ArticleList list;
        list.run(ArticleSearch::availability({1, 2}));
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.headerData(8, Qt::Horizontal).toString(), QStringLiteral("Нал. кол."));
        QCOMPARE(list.value(0, QStringLiteral("All_Kol")).toDouble(), 6.5);
        QCOMPARE(list.value(1, QStringLiteral("All_Kol")).toDouble(), 0.0);
    }
};

// The catalogue's roads at a size where reading every row would show: each
// costs a page, the same work for a catalogue four times as long.
class CatalogueAtScale : public QObject
{
    Q_OBJECT
private slots:
    // A part found in most names: the search shows its first page, and the
    // header click after it, without finding every article first (and the
    // desk's name search its first names); the rows are the whole search's
    // first rows, the list grows to all of them as the grid reaches its end,
    // and a catalogue four times as long costs no more work.
    void aCommonPartOfANameShowsItsFirstPage()
    {
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        QList<long long> work, deskWork;
        for (const int size : {4000, 16000}) {
            // A name in 97 is salt, the others grams.
            Db::execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT CAST(? AS INTEGER) UNION ALL SELECT i + 1 FROM n "
                                       "WHERE i < ?) INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena) "
                                       "SELECT i, 1, 'Стока ' || CAST((i * 7919) % 100003 AS VARCHAR(10)) || "
                                       "CASE WHEN i % 97 = 0 THEN ' сол' ELSE ' 500 гр.' END, 1 FROM n"),
                        {qlonglong(work.isEmpty() ? 1 : 4001), qlonglong(size)});
            const auto whole = [](const QString &order) {
                QList<long long> ids;
                for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Produkti.ID FROM Produkti JOIN Grupi ON Grupi.ID = "
                                                                   "Produkti.Nomer_Grupa WHERE UPPER(Produkti.Opisanie) "
                                                                   "LIKE '%ГР.%' ORDER BY ")
                                                    + order))
                    ids << r.value(0).toLongLong();
                return ids;
            };
            long long steps = 0, deskSteps = 0;
            const auto measure = [](long long *into, const std::function<void()> &road) {
                if (testOnServer())
                    road();
                else
                    *into += stepsOf(road);
            };
            ArticleList list;
            QList<long long> first, byName;
            std::optional<QList<DeskSearch::Hit>> hits;
            measure(&steps, [&] {
                list.run(*ArticleSearch::search(criterionOf("Opisanie"), 0, QStringLiteral("гр."), {}, true));
                for (int r = 0; r < PagedListModel::PageSize; ++r)
                    first << list.value(r, QStringLiteral("ID")).toLongLong();
                list.setOrder(QStringLiteral("Opisanie"), true);
                for (int r = 0; r < PagedListModel::PageSize; ++r)
                    byName << list.value(r, QStringLiteral("ID")).toLongLong();
            });
            measure(&deskSteps, [&] { hits = DeskSearch::find(QLatin1Char('i'), QStringLiteral("гр.")); });
            work << steps;
            deskWork << deskSteps;
            const QList<long long> all = whole(QStringLiteral("Produkti.ID"));
            const QList<long long> descending = whole(QStringLiteral("Produkti.Opisanie DESC, Produkti.ID DESC"));
            QCOMPARE(first, all.mid(0, PagedListModel::PageSize));
            QCOMPARE(byName, descending.mid(0, PagedListModel::PageSize));
            QVERIFY(hits);
            QList<long long> deskIds;
            for (const DeskSearch::Hit &h : *hits)
                deskIds << h.id;
            QCOMPARE(deskIds, whole(QStringLiteral("Produkti.Opisanie, Produkti.ID")).mid(0, DeskSearch::PageHits));

            // An article far down is returned to; the grid reaching the end reads on to the last.
            const long long far = descending.at(descending.size() - 300);
            const int row = list.rowOfArticle(far);
            QCOMPARE(row, int(descending.size()) - 300);
            QCOMPARE(list.value(row - 1, QStringLiteral("ID")).toLongLong(), descending.at(row - 1));
            list.fetchAll();
            QCOMPARE(list.rowCount(), int(descending.size()));
            QCOMPARE(list.value(list.rowCount() - 1, QStringLiteral("ID")).toLongLong(), descending.last());
            QVERIFY(!list.canFetchMore({}));

            // A part found in few names is counted whole at once.
            ArticleList salt;
            salt.run(*ArticleSearch::search(criterionOf("Opisanie"), 0, QStringLiteral("сол"), {}, true));
            QCOMPARE(salt.rowCount(), size / 97);
            QVERIFY(!salt.canFetchMore({}));
        }
        if (testOnServer())
            return;
        QVERIFY2(work.at(1) < work.at(0) * 3 / 2, qPrintable(QStringLiteral("%1 -> %2").arg(work.at(0)).arg(work.at(1))));
        QVERIFY2(deskWork.at(1) < deskWork.at(0) * 3 / 2,
                 qPrintable(QStringLiteral("%1 -> %2").arg(deskWork.at(0)).arg(deskWork.at(1))));
    }

    // The same in the «Група» order, either way: the search's first page
    // stepped group by group (two groups share a name), no hit keyed first,
    // no group's articles sorted; the grid reaching the end reads on to the
    // last.
    void aCommonPartOfANameShowsItsFirstPageByGroup()
    {
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        addGroup(2, QStringLiteral("Вафли"));
        addGroup(3, QStringLiteral("Стоки"));
        QList<long long> work;
        for (const int size : {4000, 16000}) {
            Db::execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT CAST(? AS INTEGER) UNION ALL SELECT i + 1 FROM n "
                                       "WHERE i < ?) INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena) "
                                       "SELECT i, 1 + i % 3, 'Стока ' || CAST(i AS VARCHAR(10)) || "
                                       "CASE WHEN i % 97 = 0 THEN ' сол' ELSE ' 500 гр.' END, 1 FROM n"),
                        {qlonglong(work.isEmpty() ? 1 : 4001), qlonglong(size)});
            long long steps = 0;
            for (const bool descending : {false, true}) {
                const QString d = descending ? QStringLiteral(" DESC") : QString();
                QList<long long> whole;
                for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Produkti.ID FROM Produkti JOIN Grupi ON Grupi.ID = "
                                                                   "Produkti.Nomer_Grupa WHERE UPPER(Produkti.Opisanie) LIKE "
                                                                   "'%ГР.%' ORDER BY Grupi.Opisanie%1, Grupi.ID%1, Produkti.ID%1")
                                                        .arg(d)))
                    whole << r.value(0).toLongLong();
                ArticleList list;
                list.run(*ArticleSearch::search(criterionOf("Opisanie"), 0, QStringLiteral("гр."), {}, true));
                QList<long long> first;
                const auto road = [&] {
                    list.setOrder(QStringLiteral("Grupa_Opis"), descending);
                    for (int r = 0; r < PagedListModel::PageSize; ++r)
                        first << list.value(r, QStringLiteral("ID")).toLongLong();
                };
                if (testOnServer())
                    road();
                else
                    steps += stepsOf(road);
                QCOMPARE(first, whole.mid(0, PagedListModel::PageSize));
                QVERIFY(list.canFetchMore({}));
                QCOMPARE(listed(list), whole);
            }
            work << steps;
        }
        if (!testOnServer())
            QVERIFY2(work.at(1) < work.at(0) * 3 / 2, qPrintable(QStringLiteral("%1 -> %2").arg(work.at(0)).arg(work.at(1))));
    }

    // The scroll bar dragged to the middle of the catalogue by name, and the
    // article returned to after an edit there: the rows shown are the list's
    // own around it, and a catalogue four times as long costs no more work.
    void farRowsCostThePageAtAnySize()
    {
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        QList<long long> work;
        for (const int size : {8000, 32000}) {
            Db::execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT CAST(? AS INTEGER) UNION ALL SELECT i + 1 FROM n "
                                       "WHERE i < ?) INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena) "
                                       "SELECT i, 1, 'Артикул ' || CAST((i * 7919) % 100003 AS VARCHAR(10)), 1 FROM n"),
                        {qlonglong(work.isEmpty() ? 1 : 8001), qlonglong(size)});
            ArticleList list;
            list.run(ArticleSearch::nodeList(QStringLiteral("Всички артикули")));
            list.setOrder(QStringLiteral("Opisanie"), false);
            QCOMPARE(list.rowCount(), size);
            const auto byName = [&](int row) {
                return Db::scalar(QStringLiteral("SELECT ID FROM Produkti ORDER BY Opisanie, ID LIMIT 1 OFFSET ?"), {row})
                    .toLongLong();
            };
            const auto rowOf = [](long long id) {
                return int(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE Opisanie < (SELECT Opisanie "
                                                     "FROM Produkti WHERE ID = ?)"),
                                      {id})
                               .toLongLong());
            };
            long long steps = 0;
            auto measure = [&](const std::function<void()> &road) {
                if (testOnServer())
                    road();
                else
                    steps += stepsOf(road);
            };
            // The scroll bar: the rows shown follow one another as in the whole list.
            const int middle = size / 2;
            long long shown = 0, next = 0;
            measure([&] {
                shown = list.value(middle, QStringLiteral("ID")).toLongLong();
                next = list.value(middle + 1, QStringLiteral("ID")).toLongLong();
            });
            const int at = rowOf(shown);
            QVERIFY2(qAbs(at - middle) < size / 10, qPrintable(QString::number(at)));
            QCOMPARE(next, byName(at + 1));
            // An article a third of the way down renamed: the list read again and positioned on it.
            const long long id = byName(size / 3);
            Db::execute(QStringLiteral("UPDATE Produkti SET Opisanie = Opisanie || 'я' WHERE ID = ?"), {id});
            int row = -1;
            long long onRow = 0, above = 0;
            measure([&] {
                list.refresh();
                row = list.rowOfArticle(id);
                onRow = list.value(row, QStringLiteral("ID")).toLongLong();
                above = list.value(row - 1, QStringLiteral("ID")).toLongLong();
            });
            QVERIFY2(qAbs(row - rowOf(id)) < size / 10, qPrintable(QString::number(row)));
            QCOMPARE(onRow, id);
            QCOMPARE(above, byName(rowOf(id) - 1));
            work << steps;
        }
        if (!testOnServer())
            QVERIFY2(work.at(1) < work.at(0) * 3 / 2, qPrintable(QStringLiteral("%1 -> %2").arg(work.at(0)).arg(work.at(1))));
    }
};

class PagedList : public QObject
{
    Q_OBJECT
private slots:
    void readsPagesNotTheTable()
    {
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        {
            // One statement: a row per round trip costs minutes on a server under load.
            WriteTransaction tx;
            Db::execute(QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                "INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena) "
                "SELECT i, 1, 'Артикул ' || (100001 - i), i % 97 FROM n"));
            tx.commit();
        }
        ArticleList list;
        list.run(ArticleSearch::nodeList(QStringLiteral("1:Стоки")));
        QCOMPARE(list.rowCount(), 100000);
        QCOMPARE(list.data(list.index(0, 0)).toString(), QStringLiteral("1"));
        QCOMPARE(list.statementsRun(), 1);
        QCOMPARE(list.value(99999, QStringLiteral("ID")).toLongLong(), 100000LL);
        QCOMPARE(list.value(PagedListModel::PageSize, QStringLiteral("ID")).toLongLong(),
                 qlonglong(PagedListModel::PageSize + 1));
        QCOMPARE(list.statementsRun(), 3);

        // Ordered by a field, ties by the key in the same direction; a row is found without reading the list.
        list.setOrder(QStringLiteral("Opisanie"), false);
        QCOMPARE(list.value(0, QStringLiteral("Opisanie")).toString(), QStringLiteral("Артикул 1"));
        QCOMPARE(list.rowOfArticle(100000), 0);
        list.setOrder(QStringLiteral("Ed_Cena"), true);
        QCOMPARE(list.value(0, QStringLiteral("Ed_Cena")).toDouble(), 96.0);
        QCOMPARE(list.value(0, QStringLiteral("ID")).toLongLong(), 99909LL);
        QCOMPARE(list.rowOfArticle(193), 1028);
        QCOMPARE(list.rowOfArticle(424242), -1);
        QVERIFY_THROWS_EXCEPTION(DbError, list.setOrder(QStringLiteral("Ed_Cena; DROP TABLE Produkti"), false));

        // The window: every row marked, handed over and exported in runs, not page by page.
        PlatformScript::activate();
        writeTree({QStringLiteral("Всички артикули"), QStringLiteral("1:Стоки")});
        TForm_Artikuli w;
        w.loadTree(ArticleGroups::loadTree(ArticleGroups::treeFilePath()));
        w.TreeView1->setCurrentItem(w.TreeView1->topLevelItem(0));
        w.FormShow();
        w.DBGrid_ArticlesTitleClick(2); // by name: each page would sort the table again
        const int pagesBefore = w.list()->statementsRun();
        w.N_Markiraj_Vsi4kiClick();
        const QList<long long> ids = w.markedIds();
        QCOMPARE(ids.size(), 100000);
        QCOMPARE(ids.first(), 100000LL);
        QVERIFY(w.N11Click());
        QVERIFY2(w.list()->statementsRun() - pagesBefore < 10, qPrintable(QString::number(w.list()->statementsRun())));
        QFile exported(PlatformScript::texts(QStringLiteral("openFile.shell")).value(0));
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QCOMPARE(exported.readAll().count("\r\n"), 100000 + 11); // four title lines, the header and its blanks, the footer
        PlatformScript::deactivate();
    }
};

VTEST(ArticleListStatements)
VTEST(CatalogueAtScale)
VTEST(PagedList)

#include "test_article_lists.moc"
