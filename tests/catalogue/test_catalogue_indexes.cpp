// The catalogue at any size: the name search finds exactly what the
// upper-cased LIKE finds, in the same order; the name index and the
// upper-cased codes stay in step with every write; the catalogue's roads
// reach their rows by index.
#include "harness/query_plans.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "catalogue_test_support.h"

#include "catalogue/article_codes.h"
#include "catalogue/article_list.h"
#include "catalogue/article_record.h"
#include "catalogue/article_removal.h"
#include "catalogue/article_search.h"
#include "catalogue/bulk_article_edit.h"
#include "catalogue/deliveries.h"
#include "desk/desk_search.h"
#include "platform/db/paged_list_model.h"
#include "platform/db/transaction.h"
#include "app/data_module.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <sqlite3.h>

using namespace CatalogueTest;

namespace {
// Names that fold in every way: Cyrillic and Latin in mixed case, the LIKE
// wildcards and escape, quotes, letters whose upper case is longer (ß, ﬁ) or
// a title case (ǅ), blanks, an empty name and none.
const QStringList &namePieces()
{
    static const QStringList p{"Кисело мляко", "КИСЕЛО", "кисел", "мЛяКо", "Milk", "MILK", "milk 3%", "50%_ново",
                               "a_b", "a\\b", "15\"", "Straße", "STRASSE", "ǅem", "ﬁle", "FILE", "ё", "Ё", "  ",
                               "Ябълка", "яБЪЛКА", "xyz", "XY"};
    return p;
}

void generatedCatalogue(int articles)
{
    addGroup(1, QStringLiteral("Стоки"));
    QRandomGenerator rng(4747);
    WriteTransaction tx;
    for (int id = 1; id <= articles; ++id) {
        QVariant name;
        if (id % 97 != 0) {
            QString n;
            const int parts = 1 + int(rng.bounded(3));
            for (int i = 0; i < parts; ++i)
                n += namePieces().at(int(rng.bounded(int(namePieces().size())))) + (rng.bounded(2) ? QStringLiteral(" ") : QString());
            name = id % 89 == 0 ? QString() : n;
        }
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Nomenkl_N) VALUES (?, 1, ?, ?)"),
                    {id, name, QStringLiteral("n%1").arg(id % 50)});
        addBarcode(id, namePieces().at(id % namePieces().size()).left(6) + QString::number(id % 7));
    }
    tx.commit();
}

QStringList typedTexts()
{
    QStringList t{"кисел", "КИСЕЛО МЛЯКО", "ко м", "мля", "milk", "%", "_", "50%_", "\\", "\"", "ss", "ß", "straße",
                  "STRASSE", "ǆ", "ǆem", "ﬁ", "fi", "FIL", "ё", "  ", "ab", "a", "", "ябълка", "Ъ", "xyz", "я м"};
    // Parts of the names, their case turned at random.
    QRandomGenerator rng(47);
    for (int i = 0; i < 40; ++i) {
        const QString &n = namePieces().at(int(rng.bounded(int(namePieces().size()))));
        const int from = int(rng.bounded(int(n.size())));
        QString part = n.mid(from, 1 + int(rng.bounded(5)));
        for (QChar &c : part)
            if (rng.bounded(2))
                c = c.isUpper() ? c.toLower() : c.toUpper();
        t << part;
    }
    return t;
}

QList<long long> ids(const QString &sql, const QVariantList &params)
{
    QList<long long> out;
    for (const QSqlRecord &r : Db::rows(sql, params))
        out << r.value(0).toLongLong();
    return out;
}

// The statements of a road, but those `allowed` (none by default), that sort what they read.
QString sorts(const QStringList &roads, const QRegularExpression &allowed = {})
{
    QStringList found;
    for (const QString &sql : roads)
        if (allowed.pattern().isEmpty() || !allowed.match(sql).hasMatch())
            for (const QString &row : planOf(sql))
                if (row.contains(QLatin1String("TEMP B-TREE")))
                    found << row + QStringLiteral("  <=  ") + sql;
    return found.join(QLatin1Char('\n'));
}

// `size` articles in two groups, each column varied, each name ending in `nameEnd`.
void longCatalogue(int size, const QString &nameEnd)
{
    addGroup(1, QStringLiteral("Стоки"));
    addGroup(2, QStringLiteral("Други"));
    Db::execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                               "INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Nomenkl_N, Ed_Cena, Valuta_P, Mqrka) "
                               "SELECT i, 1 + i % 2, 'Артикул ' || (i * 7919 % 100003) || ?, 'N' || (i % 777), i % 13, "
                               "'BGN', 'бр.' FROM n"),
                {size, nameEnd});
}

QList<long long> listed(ArticleList &list)
{
    list.fetchAll(); // as the grid reaching its end does
    QList<long long> out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.value(r, QStringLiteral("ID")).toLongLong();
    return out;
}

int criterionOf(const char *field)
{
    return ArticleSearch::criterionOfColumn(ArticleSearch::columnOfField(QString::fromLatin1(field)));
}
} // namespace

class NameSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findsWhatTheUpperCasedLikeFinds()
    {
        TestProgram program;
        generatedCatalogue(1500);
        const QString today = QStringLiteral("SELECT P.ID FROM Produkti P WHERE UPPER(P.Opisanie) LIKE UPPER(?) ESCAPE '\\' "
                                             "ORDER BY P.Opisanie, P.ID");
        int nonEmpty = 0;
        for (const QString &typed : typedTexts()) {
            for (const auto match : {Db::NameMatch::Contains, Db::NameMatch::Whole}) {
                const bool contains = match == Db::NameMatch::Contains;
                const Db::Condition c = Db::articleName(QStringLiteral("P"), typed, match);
                const QList<long long> expected =
                    ids(today, {contains ? Db::likeContains(typed) : Db::likeEscape(typed)});
                QCOMPARE(ids(QStringLiteral("SELECT P.ID FROM Produkti P WHERE ") + c.sql
                                 + QStringLiteral(" ORDER BY P.Opisanie, P.ID"),
                             c.params),
                         expected);
                nonEmpty += expected.isEmpty() ? 0 : 1;
                // From three characters on, the index narrows the rows (on a server its own index serves the condition).
                if (!testOnServer())
                    QCOMPARE(c.sql.contains(QLatin1String("MATCH")), Db::upper(typed).toUcs4().size() >= 3);
            }
            // The desk's hit list, its first page of names, in name order.
            const auto hits = DeskSearch::find(QLatin1Char('i'), typed);
            QList<long long> desk;
            for (const DeskSearch::Hit &h : *hits)
                desk << h.id;
            QCOMPARE(desk, ids(today + QStringLiteral(" LIMIT %1").arg(DeskSearch::PageHits), {Db::likeContains(typed)}));
        }
        QVERIFY(nonEmpty > 40);
    }

    void theCatalogueSearchListsTheSameArticles()
    {
        TestProgram program;
        generatedCatalogue(700);
        const QString today = QStringLiteral("SELECT Produkti.ID FROM Produkti JOIN Grupi ON Grupi.ID = Produkti.Nomer_Grupa "
                                             "WHERE UPPER(Produkti.Opisanie) LIKE UPPER(?) ESCAPE '\\' ORDER BY Produkti.ID");
        ArticleList list;
        for (const QString &typed : typedTexts().mid(0, 30)) {
            for (const bool part : {true, false}) {
                list.run(*ArticleSearch::search(criterionOf("Opisanie"), 0, typed, {}, part));
                QCOMPARE(listed(list), ids(today, {part ? Db::likeContains(typed.trimmed()) : Db::likeEscape(typed.trimmed())}));
            }
        }
    }

    void codesAreFoundInAnyCaseAsUpperCasedEquality()
    {
        TestProgram program;
        generatedCatalogue(300);
        for (const QString &code : {QStringLiteral("Кисело0"), QStringLiteral("КИСЕЛО0"), QStringLiteral("straße3"),
                                    QStringLiteral("STRASSE3"), QStringLiteral("ǆem6"), QStringLiteral("ǅEM6"),
                                    QStringLiteral("ﬁle1"), QStringLiteral("FILE1"), QStringLiteral("a_b5"),
                                    QStringLiteral("A%B5"), QStringLiteral("  4"), QStringLiteral("none")}) {
            const Db::Condition c = Db::codeInAnyCase(QStringLiteral("B.Barkode"), code);
            QCOMPARE(ids(QStringLiteral("SELECT B.ID FROM Barkodes B WHERE ") + c.sql + QStringLiteral(" ORDER BY B.ID"),
                         c.params),
                     ids(QStringLiteral("SELECT B.ID FROM Barkodes B WHERE UPPER(B.Barkode) = UPPER(?) ORDER BY B.ID"),
                         {code}));
        }
    }
};

class IndexesInStep : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyWriteOfANameOrCodeKeepsThemInStep()
    {
        TestProgram program;
        addGroup(3, QStringLiteral("Млечни"));
        addGroup(4, QStringLiteral("Плодове"));
        writeTree({QStringLiteral("Всички артикули"), QStringLiteral("3:Млечни"), QStringLiteral("4:Плодове")});
        auto byCode = [](char letter, const QString &typed) {
            const auto hits = DeskSearch::find(QLatin1Char(letter), typed);
            QList<long long> out;
            for (const DeskSearch::Hit &h : *hits)
                out << h.id;
            return out;
        };
        auto found = [&](const QString &typed) { return byCode('i', typed); };

        // The editor: a new article with its codes, then its name, catalogue number and number changed.
        Article a;
        a.id = 10;
        a.Nomer_Grupa = 3;
        a.Opisanie = QStringLiteral("Кисело мляко");
        a.Nomenkl_N = QStringLiteral("km-1");
        a.Valuta_P = QStringLiteral("BGN");
        QVERIFY(ArticleRecord::insert(a, {{QStringLiteral("bc-10")}, {}}).ok);
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(found(QStringLiteral("КИСЕЛО")), QList<long long>{10});
        QCOMPARE(byCode('b', QStringLiteral("BC-10")), QList<long long>{10});
        QCOMPARE(byCode('n', QStringLiteral("KM-1")), QList<long long>{10});
        a.id = 11;
        a.Opisanie = QStringLiteral("Прясно мляко");
        a.Nomenkl_N = QStringLiteral("PM-1");
        QVERIFY(ArticleRecord::update(10, a).ok);
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(found(QStringLiteral("кисело")), QList<long long>{});
        QCOMPARE(found(QStringLiteral("прясно")), QList<long long>{11});
        QCOMPARE(byCode('b', QStringLiteral("Bc-10")), QList<long long>{11});
        QCOMPARE(byCode('n', QStringLiteral("pm-1")), QList<long long>{11});
        QCOMPARE(byCode('n', QStringLiteral("km-1")), QList<long long>{});

        // The editor's barcodes.
        ArticleCodes::addBarcode(11, QStringLiteral("xx-1"));
        QVERIFY(ArticleCodes::changeBarcode(11, QStringLiteral("bc-10"), QStringLiteral("BC-11")));
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(byCode('b', QStringLiteral("bc-11")), QList<long long>{11});
        QCOMPARE(byCode('b', QStringLiteral("bc-10")), QList<long long>{});
        QVERIFY(ArticleCodes::removeBarcode(11, QStringLiteral("xx-1")));
        QCOMPARE(byCode('b', QStringLiteral("XX-1")), QList<long long>{});
        QCOMPARE(indexesOutOfStep(), QString());

        // Bulk edit, a group renumbered with its articles, a group deleted with its articles, an article deleted.
        addArticle(ArticleRow{20, QStringLiteral("Ябълки червени"), 4, 1, QStringLiteral("ab-20")});
        addArticle(ArticleRow{21, QStringLiteral("Круши"), 4, 1, QStringLiteral("kr-21")});
        addBarcode(21, QStringLiteral("kr-bc"));
        BulkArticleFields f;
        f.Mqrka = QStringLiteral("кг.");
        QCOMPARE(BulkArticleEdit::apply(f, {11, 20, 21}), 3);
        QCOMPARE(indexesOutOfStep(), QString());
        QVERIFY(ArticleGroups::edit(4, QStringLiteral("40"), QStringLiteral("Плодове"), ArticleGroups::treeFilePath()).ok);
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(found(QStringLiteral("ЯБЪЛ")), QList<long long>{20});
        QCOMPARE(ArticleRemoval::remove(21), QString());
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(byCode('b', QStringLiteral("KR-BC")), QList<long long>{});
        QCOMPARE(found(QStringLiteral("круш")), QList<long long>{});
        QVERIFY(ArticleGroups::remove(40, false, true, ArticleGroups::treeFilePath()).ok);
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(found(QStringLiteral("ябълки")), QList<long long>{});
        QCOMPARE(byCode('n', QStringLiteral("AB-20")), QList<long long>{});
    }

    void theNameIndexKeepsNoCopyOfTheNamesNorTheirSizes()
    {
        if (testOnServer())
            QSKIP("a server's name index is an index on the articles' table");
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        addArticle(1, QStringLiteral("Кисело мляко"), 1);
        QCOMPARE(ids(QStringLiteral("SELECT rowid FROM Produkti_Ime WHERE Produkti_Ime MATCH ?"), {QStringLiteral("\"кис\"")}),
                 QList<long long>{1});
        QCOMPARE(nameIndexTables(), (QStringList{QStringLiteral("Produkti_Ime_config"), QStringLiteral("Produkti_Ime_data"),
                                               QStringLiteral("Produkti_Ime_idx")}));
        // With no names kept, a term dropped that the name holds shows only against an index built anew.
        QCOMPARE(indexesOutOfStep(), QString());
        Db::execute(QStringLiteral("INSERT INTO Produkti_Ime (Produkti_Ime, rowid, Ime) VALUES ('delete', 1, 'КИСЕЛО')"));
        QVERIFY(indexesOutOfStep().contains(QStringLiteral("Produkti_Ime: 1 missing, 0 stale")));
    }

    void everyCyrillicLetterIsFoundInEitherCase()
    {
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        // Each letter that has another case, in a name of its own in each case.
        QList<std::pair<QString, QString>> letters;
        for (char32_t u = 0x400; u <= 0x4FF; ++u) {
            const QString upper = QString::fromUcs4(&u, 1);
            if (upper.toLower() != upper && upper.toLower().toUpper() == upper)
                letters.append({upper, upper.toLower()});
        }
        QVERIFY(letters.size() > 100);
        long long id = 0;
        for (const auto &[upper, lower] : letters) {
            addArticle(++id, QStringLiteral("ж") + lower + QStringLiteral("ка"), 1);
            addArticle(++id, QStringLiteral("Ж") + upper + QStringLiteral("КА"), 1);
        }
        const QString scan = QStringLiteral("SELECT P.ID FROM Produkti P WHERE UPPER(P.Opisanie) LIKE UPPER(?) ESCAPE '\\' "
                                            "ORDER BY P.ID");
        for (const auto &[upper, lower] : letters)
            for (const QString &typed : QStringList{QStringLiteral("ж") + upper + QStringLiteral("к"),
                                                    QStringLiteral("Ж") + lower + QStringLiteral("К")}) {
                const Db::Condition c = Db::articleName(QStringLiteral("P"), typed, Db::NameMatch::Contains);
                const QList<long long> hits =
                    ids(QStringLiteral("SELECT P.ID FROM Produkti P WHERE ") + c.sql + QStringLiteral(" ORDER BY P.ID"), c.params);
                QCOMPARE(hits.size(), 2);
                QCOMPARE(hits, ids(scan, {Db::likeContains(typed)}));
            }
    }

    void aNameIsWrittenOnlyWithTheProgramsUpperCase()
    {
        if (testOnServer())
            QSKIP("a server upper-cases names itself");
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        addArticle(1, QStringLiteral("Кисело мляко"), 1);
        addArticle(2, QStringLiteral("Straße"), 1);
        // A tool's connection, SQLite's own UPPER (ASCII only): the name index
        // would drop other terms than it holds, so no name is written there.
        sqlite3 *tool = nullptr;
        QCOMPARE(sqlite3_open_v2(Db::databaseFile(DataModule1->databaseFolder()).toUtf8().constData(), &tool,
                                 SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        for (const char *sql : {"UPDATE Produkti SET Opisanie = 'Прясно мляко' WHERE ID = 1", "DELETE FROM Produkti WHERE ID = 2",
                                "INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie) VALUES (3, 1, 'ß')"}) {
            QCOMPARE(sqlite3_exec(tool, sql, nullptr, nullptr, nullptr), SQLITE_CONSTRAINT);
            QVERIFY2(QString::fromUtf8(sqlite3_errmsg(tool)).contains(QStringLiteral("само от програмата")), sql);
        }
        QCOMPARE(sqlite3_exec(tool, "UPDATE Produkti SET Ed_Cena = 2 WHERE ID = 2", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(tool);
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(ids(QStringLiteral("SELECT ID FROM Produkti ORDER BY ID"), {}), (QList<long long>{1, 2}));
        const Db::Condition c = Db::articleName(QStringLiteral("P"), QStringLiteral("STRASSE"), Db::NameMatch::Contains);
        QCOMPARE(ids(QStringLiteral("SELECT P.ID FROM Produkti P WHERE ") + c.sql, c.params), QList<long long>{2});
    }

    void theWholeCatalogueCountsWhatItLists()
    {
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        addGroup(2, QStringLiteral("Други"));
        for (int id = 1; id <= 6; ++id)
            addArticle(ArticleRow{id, QStringLiteral("Артикул %1").arg(id), id <= 3 ? 1 : 2, 1, {}});
        addArticle(ArticleRow{7, QStringLiteral("Без група"), 99, 1, {}}); // its group has no row
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie) VALUES (8, 'Без номер на група')"));
        ArticleList list;
        const QString joined = QStringLiteral("SELECT COUNT(*) FROM Produkti JOIN Grupi ON Grupi.ID = Produkti.Nomer_Grupa");
        const struct {
            const char *write;
            long long listed;
        } steps[] = {
            {"SELECT 1", 6},
            {"DELETE FROM Grupi WHERE ID = 2", 3},                  // a group's row gone: its articles drop out
            {"INSERT INTO Grupi (ID, Opisanie) VALUES (99, 'Нова')", 4}, // the article's group appears
            {"UPDATE Produkti SET Nomer_Grupa = 1 WHERE ID IN (4, 8)", 6},
            {"UPDATE Produkti SET Nomer_Grupa = NULL WHERE ID = 1", 5},
            {"UPDATE Produkti SET Nomer_Grupa = '99' WHERE ID = 2", 5},
            {"DELETE FROM Produkti WHERE Nomer_Grupa = 1", 2},
            {"DELETE FROM Produkti", 0},
        };
        for (const auto &s : steps) {
            Db::execute(QString::fromUtf8(s.write));
            QCOMPARE(indexesOutOfStep(), QString());
            list.run(ArticleSearch::nodeList(QStringLiteral("Всички артикули")));
            QCOMPARE(list.rowCount(), int(s.listed));
            QCOMPARE(count(joined), s.listed);
            // Every order counts the same.
            list.setOrder(QStringLiteral("Opisanie"), true);
            QCOMPARE(list.rowCount(), int(s.listed));
        }
    }
};

class CatalogueQueryPlans : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void catalogueRoadsReadByIndex()
    {
        if (testOnServer())
            QSKIP("the plans read here are SQLite's");
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        addGroup(2, QStringLiteral("Други"));
        for (int id = 1; id <= 30; ++id)
            addArticle(ArticleRow{id, QStringLiteral("Артикул %1").arg(id), 1 + id % 2, double(id % 4), QStringLiteral("N%1").arg(id)});
        addBarcode(3, QStringLiteral("bc-3"));
        Db::execute(QStringLiteral("INSERT INTO Serials (ID, Serial_ID) VALUES (3, 'sn-3')"));
        ArticleList list;
        const QStringList roads = statementsOf([&] {
            list.run(ArticleSearch::nodeList(QStringLiteral("Всички артикули")));
            for (const ArticleSearch::Column &c : ArticleSearch::columns()) {
                for (const bool descending : {false, true}) {
                    list.setOrder(QString::fromLatin1(c.field), descending);
                    QVERIFY(list.rowOfArticle(17) >= 0);
                    list.value(list.rowCount() - 1, QStringLiteral("ID"));
                    list.value(list.rowOfArticle(17), QStringLiteral("ID"));
                }
            }
            list.run(ArticleSearch::nodeList(QStringLiteral("2:Други")));
            list.setOrder(QStringLiteral("Grupa_Opis"), false);
            list.value(list.rowCount() - 1, QStringLiteral("ID"));
            for (const int criterion : {int(ArticleSearch::Barcode), int(ArticleSearch::Serial)})
                list.run(*ArticleSearch::search(criterion, 0, QStringLiteral("SN-3"), {}, true));
            list.run(*ArticleSearch::search(criterionOf("Opisanie"), 0, QStringLiteral("тикул 2"), {}, true));
            QCOMPARE(list.rowCount(), 11);
            list.value(5, QStringLiteral("ID"));
        });
        // A page read along an index in its order stops at the page's end; the whole catalogue is counted
        // from its groups' counts.
        const QString whole = scansButAlongAnIndex(roads);
        QVERIFY2(whole.isEmpty(), qPrintable(whole));
    }

    // The units offered by the article editor and the delivery: each unit in
    // use found by one step of its index, none of the articles read.
    void unitsInUseAreStepsOfTheirIndex()
    {
        if (testOnServer())
            QSKIP("the plans read here are SQLite's");
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        const QStringList used{QStringLiteral("кг."), QStringLiteral(""), QStringLiteral("бр."), QStringLiteral("метър")};
        for (int id = 1; id <= 40; ++id) {
            addArticle(id, QStringLiteral("Артикул %1").arg(id), 1, 1);
            Db::execute(QStringLiteral("UPDATE Produkti SET Mqrka = ? WHERE ID = ?"), {used.at(id % used.size()), id});
        }
        QStringList found, offered;
        const QStringList roads = statementsOf([&] {
            found = ArticleRecord::unitsInUse();
            offered = Deliveries::units();
        });
        QCOMPARE(found, (QStringList{QString(), QStringLiteral("бр."), QStringLiteral("кг."), QStringLiteral("метър")}));
        QVERIFY(offered.contains(QStringLiteral("метър")) && !offered.contains(QString()));
        const QString whole = scans(roads).join(QLatin1Char('\n'));
        QVERIFY2(whole.isEmpty(), qPrintable(whole));
    }

    // A part found in most names, in every order and at the desk: pages read
    // along the order's index with the name as a filter, nothing sorted.
    void commonNamePartsReadAlongAnIndex()
    {
        if (testOnServer())
            QSKIP("the plans read here are SQLite's");
        TestProgram program;
        longCatalogue(3000, QStringLiteral(" 200 гр."));
        ArticleList list;
        const QStringList roads = statementsOf([&] {
            list.run(*ArticleSearch::search(criterionOf("Opisanie"), 0, QStringLiteral("гр."), {}, true));
            QVERIFY(list.canFetchMore({}));
            for (const ArticleSearch::Column &c : ArticleSearch::columns()) {
                for (const bool descending : {false, true}) {
                    list.setOrder(QString::fromLatin1(c.field), descending);
                    list.fetchMore({}); // the grid at the first page's end
                    QVERIFY(list.value(PagedListModel::PageSize + 5, QStringLiteral("ID")).toLongLong() > 0);
                }
            }
            QCOMPARE(DeskSearch::find(QLatin1Char('i'), QStringLiteral("гр.")).value().size(), DeskSearch::PageHits);
        });
        const QString whole = scansButAlongAnIndex(roads);
        QVERIFY2(whole.isEmpty(), qPrintable(whole));
        const QString sorted = sorts(roads);
        QVERIFY2(sorted.isEmpty(), qPrintable(sorted));
    }

    // A part the names a list reads first hold is judged common without the
    // name index, in either order: the index's pieces lie all over the file,
    // each a read of the disk after a start, where the list's first rows are
    // read for its first page anyway. A rare part is still counted there.
    void aCommonPartIsJudgedWithoutTheNameIndex()
    {
        if (testOnServer())
            QSKIP("the name index judged here is SQLite's");
        TestProgram program;
        longCatalogue(3000, QStringLiteral(" 200 гр."));
        for (const bool inNameOrder : {false, true}) {
            for (const auto &[typed, common] : {std::pair{QStringLiteral("гр."), true},
                                                std::pair{QStringLiteral("Артикул 7919 "), false}}) {
                Db::Condition c;
                const QStringList statements = statementsOf(
                    [&] { c = Db::articleName(QStringLiteral("Produkti"), typed, Db::NameMatch::Contains, inNameOrder); });
                QCOMPARE(c.many, common);
                QCOMPARE(statements.filter(QStringLiteral("Produkti_Ime")).isEmpty(), common);
            }
        }
    }

    // A part in one name of 15, prices in no order of the numbers: the
    // price order walks its index until a page of hits is found, some 3 000
    // entries, and checks each name in the index itself; an article's row is
    // read only for a hit shown: a few hundred pages for the page, where
    // looking every entry walked up in the table took over 3 000.
    void aSearchInPriceOrderReadsOnlyTheRowsItShows()
    {
        if (testOnServer())
            QSKIP("the pages counted here are SQLite's");
        TestProgram program;
        addGroup(1, QStringLiteral("Стоки"));
        Db::execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                                   "INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka) "
                                   "SELECT i, 1, 'Артикул ' || i || CASE WHEN i % 15 = 0 THEN ' кисело' ELSE '' END, "
                                   "(i * 7919 % 100003) / 100.0, 'BGN', 'бр.' FROM n"));
        ArticleList list;
        list.run(*ArticleSearch::search(criterionOf("Opisanie"), 0, QStringLiteral("кис"), {}, true));
        QVERIFY(list.canFetchMore({})); // read in order with the name as a filter
        const long long pages = pagesOf([&] { list.setOrder(QStringLiteral("Ed_Cena"), false); });
        QCOMPARE(list.rowCount(), int(PagedListModel::PageSize));
        double last = -1;
        for (int r = 0; r < list.rowCount(); ++r) {
            QVERIFY(list.value(r, QStringLiteral("Opisanie")).toString().endsWith(QStringLiteral(" кисело")));
            QVERIFY(list.value(r, QStringLiteral("Ed_Cena")).toDouble() >= last);
            last = list.value(r, QStringLiteral("Ed_Cena")).toDouble();
        }
        QVERIFY2(pages < 3 * PagedListModel::PageSize, qPrintable(QString::number(pages)));
    }

    // On a server, whether a part is in many names is read from a sample of
    // a fixed number of articles: the trigram index would hand over every
    // hit up to a fiftieth of the catalogue, each checked in its row, so
    // the question cost more as the catalogue grew.
    void manyNamesAreEstimatedFromASampleOnAServer()
    {
        if (!testOnServer())
            QSKIP("SQLite counts the hits in its name index");
        TestProgram program;
        longCatalogue(3 * int(Db::SampledNames), QStringLiteral(" кисело"));
        const QStringList plan = planOf(Db::namesSampleSql(), {Db::likeContains(QStringLiteral("кис")), 33.3});
        QVERIFY2(plan.filter(QStringLiteral("Sample Scan on produkti"), Qt::CaseInsensitive).size() == 1
                     && plan.filter(QRegularExpression(QStringLiteral("Bitmap|Index|Seq Scan"))).isEmpty(),
                 qPrintable(plan.join(QLatin1Char('\n'))));
        // Every name holds the first; one name in the catalogue the second.
        QVERIFY(Db::articleName(QStringLiteral("Produkti"), QStringLiteral("КИСЕЛО"), Db::NameMatch::Contains).many);
        QVERIFY(!Db::articleName(QStringLiteral("Produkti"), QStringLiteral("Артикул 7919 "), Db::NameMatch::Contains)
                     .many);
        ArticleList list;
        list.run(*ArticleSearch::search(criterionOf("Opisanie"), 0, QStringLiteral("кисело"), {}, true));
        QVERIFY(list.rowCount() > 0);
        QVERIFY(list.value(0, QStringLiteral("Opisanie")).toString().endsWith(QStringLiteral(" кисело")));
    }

    // Far from both ends of a long list, in every order: the scroll bar's row
    // and an article's row come from rows spread over the list, each found by
    // one step along an index, and bounded counts.
    void farRowsReadByIndex()
    {
        if (testOnServer())
            QSKIP("the plans read here are SQLite's");
        TestProgram program;
        const int size = 5 * PagedListModel::ExactRows;
        longCatalogue(size, QStringLiteral(""));
        ArticleList list;
        const QStringList roads = statementsOf([&] {
            list.run(ArticleSearch::nodeList(QStringLiteral("Всички артикули")));
            for (const ArticleSearch::Column &c : ArticleSearch::columns()) {
                for (const bool descending : {false, true}) {
                    list.setOrder(QString::fromLatin1(c.field), descending);
                    const long long middle = list.value(size / 2, QStringLiteral("ID")).toLongLong();
                    QVERIFY(middle > 0);
                    list.refresh();
                    QVERIFY(list.rowOfArticle(middle) >= 0);
                }
            }
            list.run(ArticleSearch::nodeList(QStringLiteral("2:Други")));
            QVERIFY(list.value(size / 4, QStringLiteral("ID")).toLongLong() > 0);
            QVERIFY(list.rowOfArticle(size / 2 + 1) >= 0);
        });
        const QString whole = scansButAlongAnIndex(roads);
        QVERIFY2(whole.isEmpty(), qPrintable(whole));
        // The spread rows are put in order, and an article among them: a few hundred rows; no other
        // statement sorts (a group's articles come in the order of its index).
        const QString sorted = sorts(roads, QRegularExpression(QStringLiteral(" spread\\)|\\.ID IN \\(:0,")));
        QVERIFY2(sorted.isEmpty(), qPrintable(sorted));
        // A spread statement is the same few steps whatever the number of
        // rows spread (a server plans it whole at each run).
        const QStringList spreads = roads.filter(QStringLiteral("spread"));
        QVERIFY(!spreads.isEmpty());
        for (const QString &sql : spreads)
            QVERIFY2(planOf(sql).size() <= 20, qPrintable(planOf(sql).mid(0, 20).join(QLatin1Char('|'))));
    }
};

VTEST(NameSearch)
VTEST(IndexesInStep)
VTEST(CatalogueQueryPlans)
#include "test_catalogue_indexes.moc"
