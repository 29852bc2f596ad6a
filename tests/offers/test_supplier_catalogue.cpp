#include "harness/query_plans.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "catalogue_data.h"
#include "offers/catalogue_search.h"
#include "offers/supplier_catalogue.h"
#include "platform/db/paged_list_model.h"
#include "platform/script.h"
#include "app/data_module.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

#include <algorithm>

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Descriptions a listing gives, in its order.
QStringList descriptions(const CatalogueSearch::Listing &listing, const QString &orderBy = QStringLiteral("Art_CL.ID"))
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(CatalogueSearch::listingSql(listing, orderBy), listing.params))
        out << r.value(QStringLiteral("Opisanie")).toString();
    return out;
}

void twoSuppliersOfTwoGroups()
{
    addSupplier(1, QStringLiteral("Алфа"), QStringLiteral("www.alfa.bg"));
    addSupplier(2, QStringLiteral("Бета"));
    addGroup(1, 1, QStringLiteral("Мляко"));
    addGroup(1, 3, QStringLiteral("Сирена"));
    addGroup(2, 1, QStringLiteral("Напитки"));
    addGroup(2, 3, QStringLiteral("Разни"));
    addArticles(1, 1, {{QStringLiteral("МЛЯКО 1Л"), 2.5, QStringLiteral("A-1")},
                       {QStringLiteral("Прясно Мляко"), 2.4, QStringLiteral("A-2")},
                       {QStringLiteral("Кисело 100%"), 1.1, QStringLiteral("A-3")}});
    addArticles(1, 3, {{QStringLiteral("Сирене_краве"), 9.9, QStringLiteral("A-4")},
                       {QStringLiteral("Кашкавал \"Витоша\""), 14, QStringLiteral("A-5")}});
    addArticles(2, 1, {{QStringLiteral("Opisanie"), 3, QStringLiteral("B-1")},
                       {QStringLiteral("Вода"), 0, QStringLiteral("B-2")}});
    addArticles(2, 3, {{QStringLiteral("Кафе"), 7, QStringLiteral("B-3")}});
    writeTree({QStringLiteral("1:Алфа"), QStringLiteral("\t1:Мляко"), QStringLiteral("\t3:Сирена"),
               QStringLiteral("2:Бета"), QStringLiteral("\t1:Напитки"), QStringLiteral("\t3:Разни")});
}
} // namespace

class SupplierCatalogueTest : public QObject
{
    Q_OBJECT
private slots:
    void treeFileIsCrLfAndReadsBlanksAsLevels()
    {
        TestProgram program;
        twoSuppliersOfTwoGroups();
        const QString path = SupplierCatalogue::treeFilePath();
        QCOMPARE(path, QDir(DataModule1->databaseFolder()).filePath(QStringLiteral("CL.pdt")));
        QCOMPARE(bytesOf(path), QStringLiteral("1:Алфа\r\n\t1:Мляко\r\n\t3:Сирена\r\n2:Бета\r\n\t1:Напитки\r\n"
                                               "\t3:Разни\r\n")
                                    .toUtf8());
        // A file whose groups stand one blank in.
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("1:Алфа\r\n 1:Мляко\r\n \t7:Дълбоко\r\n2:Бета\r\n").toUtf8());
        f.close();
        QCOMPARE(savedTree(), (QStringList{QStringLiteral("1:Алфа"), QStringLiteral("\t1:Мляко"),
                                           QStringLiteral("\t\t7:Дълбоко"), QStringLiteral("2:Бета")}));
        // The other tree files keep TABs only and LF.
        QCOMPARE(TreeFile::read(path).at(1).depth, 0);
    }

    void deletesGoByKeyAndKeepOtherWorkstationsNodes()
    {
        TestProgram program;
        twoSuppliersOfTwoGroups();
        const QString path = SupplierCatalogue::treeFilePath();
        // Another workstation imported supplier 3 after this one loaded the tree.
        addSupplier(3, QStringLiteral("Гама"));
        addGroup(3, 1, QStringLiteral("Чай"));
        addArticles(3, 1, generated(QStringLiteral("Чай"), 5));
        writeTree(savedTree() + QStringList{QStringLiteral("3:Гама"), QStringLiteral("\t1:Чай")});

        auto r = SupplierCatalogue::deleteGroup(1, 3, path);
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Art_CL WHERE ID_F = 1 AND ID_G = 3")).toInt(), 0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Art_CL WHERE ID_F = 2 AND ID_G = 3")).toInt(), 1);
        QCOMPARE(rowCount(QStringLiteral("Grupi_CL")), 4LL);

        r = SupplierCatalogue::deleteSupplier(2, path);
        QVERIFY(r.ok);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Art_CL WHERE ID_F = 2")).toInt(), 0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Grupi_CL WHERE ID_F = 2")).toInt(), 0);
        QCOMPARE(rowCount(QStringLiteral("Firm_CL")), 3LL); // the supplier's row stays
        QCOMPARE(savedTree(), (QStringList{QStringLiteral("1:Алфа"), QStringLiteral("\t1:Мляко"),
                                           QStringLiteral("3:Гама"), QStringLiteral("\t1:Чай")}));
        QCOMPARE(r.tree.size(), 4);

        r = SupplierCatalogue::deleteAll(path);
        QVERIFY(r.ok);
        QCOMPARE(rowCount(QStringLiteral("Art_CL")) + rowCount(QStringLiteral("Grupi_CL"))
                     + rowCount(QStringLiteral("Firm_CL")),
                 0LL);
        QCOMPARE(bytesOf(path), QByteArray());
    }

    void aReadOnlyTreeFileKeepsTheRows()
    {
        TestProgram program;
        twoSuppliersOfTwoGroups();
        const QString path = SupplierCatalogue::treeFilePath();
        const QByteArray before = bytesOf(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        for (const auto &r : {SupplierCatalogue::deleteGroup(1, 1, path), SupplierCatalogue::deleteSupplier(2, path),
                              SupplierCatalogue::deleteAll(path)}) {
            QVERIFY(!r.ok);
            QVERIFY2(r.message.startsWith(QStringLiteral("Нищо не беше изтрито")), qPrintable(r.message));
        }
        QCOMPARE(rowCount(QStringLiteral("Art_CL")), 8LL);
        QCOMPARE(rowCount(QStringLiteral("Grupi_CL")), 4LL);
        QCOMPARE(bytesOf(path), before);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(SupplierCatalogue::deleteGroup(1, 1, path).ok);
    }

    void linksOpenOnlyAddressesAndPlainFiles()
    {
        QTemporaryDir dir;
        auto make = [&](const QString &name, QFileDevice::Permissions permissions) {
            const QString path = dir.filePath(name);
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write("x");
            f.close();
            QFile::setPermissions(path, permissions);
            return path;
        };
        const auto plain = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const QString pdf = make(QStringLiteral("ценова листа.pdf"), plain);
        const QString script = make(QStringLiteral("run.sh"), plain | QFileDevice::ExeOwner);
        const QString desktop = make(QStringLiteral("x.desktop"), plain);
        using K = SupplierCatalogue::LinkTarget::Kind;
        const struct {
            QString link;
            K kind;
            QString target;
        } cases[] = {
            {QStringLiteral("www.a.bg"), K::Url, QStringLiteral("http://www.a.bg")},
            {QStringLiteral("www.a.bg:8080/ceni"), K::Url, QStringLiteral("http://www.a.bg:8080/ceni")},
            {QStringLiteral("https://a.bg/x?y=1"), K::Url, QStringLiteral("https://a.bg/x?y=1")},
            {QStringLiteral("FTP://f.a.bg/list.txt"), K::Url, QStringLiteral("ftp://f.a.bg/list.txt")},
            {QStringLiteral("mailto:office@a.bg"), K::Url, QStringLiteral("mailto:office@a.bg")},
            {pdf, K::File, pdf},
            {QUrl::fromLocalFile(pdf).toString(), K::File, pdf},
            {script, K::Refused, {}},
            {desktop, K::Refused, {}},
            {dir.path(), K::Refused, {}},
            {dir.filePath(QStringLiteral("missing.pdf")), K::Refused, {}},
            {QStringLiteral("smb://h/x"), K::Refused, {}},
            {QStringLiteral("javascript:alert(1)"), K::Refused, {}},
            {QStringLiteral("C:\\Ceni\\list.xls"), K::Refused, {}},
            {QStringLiteral("   "), K::Refused, {}},
        };
        for (const auto &c : cases) {
            const auto t = SupplierCatalogue::resolveLink(c.link);
            QVERIFY2(t.kind == c.kind, qPrintable(c.link));
            QCOMPARE(t.target, c.target);
        }
    }

    void searchCriteria()
    {
        TestProgram program;
        twoSuppliersOfTwoGroups();
        // Of a group no longer there: listed by no criterion, counted by none.
        addArticles(1, 9, {{QStringLiteral("Мляко без група"), 2.5, QStringLiteral("A-9")}});
        const QList<long long> both{2, 1};
        auto find = [&](int criterion, const QString &text, const QList<long long> &suppliers) {
            const auto listing = CatalogueSearch::searchListing(criterion, text, suppliers);
            if (!listing.ok)
                return QStringList{listing.message};
            const QStringList found = descriptions(listing);
            const auto summary = CatalogueSearch::summarize(listing);
            if (summary.count != found.size())
                return QStringList{QStringLiteral("counted %1").arg(summary.count)};
            return found;
        };
        const struct {
            int criterion;
            QString text;
            QStringList found;
        } cases[] = {
            {0, QStringLiteral("мляко"), {QStringLiteral("МЛЯКО 1Л"), QStringLiteral("Прясно Мляко")}},
            {0, QStringLiteral("%"), {QStringLiteral("Кисело 100%")}},
            {0, QStringLiteral("_"), {QStringLiteral("Сирене_краве")}},
            {0, QStringLiteral("\""), {QStringLiteral("Кашкавал \"Витоша\"")}},
            {0, QStringLiteral("Opisanie"), {QStringLiteral("Opisanie")}},
            {1, QStringLiteral("сирена"), {QStringLiteral("Сирене_краве"), QStringLiteral("Кашкавал \"Витоша\"")}},
            {2, QStringLiteral("3"),
             {QStringLiteral("Сирене_краве"), QStringLiteral("Кашкавал \"Витоша\""), QStringLiteral("Кафе")}},
            {3, QStringLiteral("2,5"), {QStringLiteral("МЛЯКО 1Л")}},
            {3, QStringLiteral("abc"), {QStringLiteral("Некоректни данни за търсене")}},
            {2, QStringLiteral("3.5"), {QStringLiteral("Некоректни данни за търсене")}},
            {5, QString(), {QStringLiteral("Некоректни данни за търсене")}},
            {8, QStringLiteral("бет"), {QStringLiteral("Opisanie"), QStringLiteral("Вода"), QStringLiteral("Кафе")}},
            {9, QStringLiteral("b-"), {QStringLiteral("Opisanie"), QStringLiteral("Вода"), QStringLiteral("Кафе")}},
        };
        for (const auto &c : cases)
            QCOMPARE(find(c.criterion, c.text, both), c.found);
        // Only the suppliers taking part; none at all is refused.
        QCOMPARE(find(2, QStringLiteral("3"), {2}), QStringList{QStringLiteral("Кафе")});
        QCOMPARE(find(0, QStringLiteral("мляко"), {}), QStringList{QStringLiteral("Няма доставчици за търсене")});
    }

    void countAndExtremesComeFromOneStatement()
    {
        TestProgram program;
        twoSuppliersOfTwoGroups();
        addArticles(2, 1, {{QStringLiteral("Евтино"), 1.1}, {QStringLiteral("Скъпо"), 14}});
        const auto s = CatalogueSearch::summarize(CatalogueSearch::searchListing(0, QString(), {1, 2}));
        QCOMPARE(s.count, 10LL);
        QCOMPARE(s.minText, QStringLiteral("1.1000")); // "Вода" at 0 does not count
        QCOMPARE(s.maxText, QStringLiteral("14.0000"));
        using M = CatalogueSearch::PriceMark;
        QCOMPARE(CatalogueSearch::priceMark(1.1, s), M::Lowest); // every tie at the lowest
        QCOMPARE(CatalogueSearch::priceMark(14.0, s), M::Highest);
        QCOMPARE(CatalogueSearch::priceMark(9.9, s), M::Plain);
        QCOMPARE(CatalogueSearch::priceMark(0.0, s), M::Plain);
        QCOMPARE(CatalogueSearch::priceMark(QVariant(), s), M::Plain);
        const auto none = CatalogueSearch::summarize(CatalogueSearch::groupListing(2, 9));
        QCOMPARE(none.count, 0LL);
        QVERIFY(none.minText.isEmpty() && none.maxText.isEmpty());
    }

    void sortOrders()
    {
        QCOMPARE(CatalogueSearch::orderBy({}, 1), QStringLiteral("Art_CL.ID"));
        QCOMPARE(CatalogueSearch::orderBy({QStringLiteral("Cena_1"), QStringLiteral("Opisanie")}, 1),
                 QStringLiteral("Art_CL.Cena_1, Art_CL.Opisanie DESC, Art_CL.ID DESC"));
        QCOMPARE(CatalogueSearch::orderBy({QStringLiteral("Firma")}, 0),
                 QStringLiteral("Firm_CL.Opisanie ASC, Art_CL.ID ASC"));
        QCOMPARE(CatalogueSearch::orderBy({QStringLiteral("Grupa; DROP TABLE Art_CL")}, 0), QStringLiteral("Art_CL.ID"));
    }

    void aLongListingByNameIsReadAlongItsIndex()
    {
        // Past KeyedRows rows a listing sorted by name reads each page along
        // the index of the name and key, namesakes by their key in the
        // sort's direction: the rows of the whole statement, in its order.
        TestProgram program;
        addSupplier(1, QStringLiteral("Алфа"));
        addGroup(1, 1, QStringLiteral("Едно"));
        addArticles(1, 1, namesakes(QStringLiteral("Болт "), 300, 7, 5.0));
        addArticles(1, 1, generated(QStringLiteral("Болт"), int(CatalogueSearch::KeyedRows)));
        addArticles(1, 1, generated(QStringLiteral("Гайка"), 500));
        const auto listing = CatalogueSearch::searchListing(0, QStringLiteral("болт"), {1});
        const qint64 rows = CatalogueSearch::summarize(listing).count;
        QCOMPARE(rows, CatalogueSearch::KeyedRows + 300);
        const QStringList byName{QStringLiteral("Opisanie")};
        // No index orders by a price; a short listing is keyed.
        QVERIFY(!CatalogueSearch::sortedList(listing, {QStringLiteral("Cena_1")}, 0, rows));
        QVERIFY(!CatalogueSearch::sortedList(listing, byName, 0, CatalogueSearch::KeyedRows));
        for (const int direction : {0, 1}) {
            const auto sorted = CatalogueSearch::sortedList(listing, byName, direction, rows);
            QVERIFY(sorted);
            const QString page = KeysetReader(*sorted).sql() + QStringLiteral(" LIMIT 200");
            const QStringList plan = planOf(page, listing.params, true);
            QVERIFY2(sortsIn(plan).isEmpty(), qPrintable(plan.join('|')));
            QList<long long> expected;
            for (const QSqlRecord &r : Db::rows(
                     CatalogueSearch::listingSql(listing, CatalogueSearch::orderBy(byName, direction)), listing.params))
                expected << r.value(QStringLiteral("ID")).toLongLong();
            QCOMPARE(expected.size(), rows);
            PagedListModel forward;
            forward.setKeysetQuery(*sorted, rows);
            for (int r = 0; r < rows; ++r)
                QCOMPARE(forward.value(r, QStringLiteral("ID")).toLongLong(), expected.at(r));
            PagedListModel fromTheEnd; // Ctrl+End first
            fromTheEnd.setKeysetQuery(*sorted, rows);
            for (int r = int(rows) - 1; r >= 0; r -= 7)
                QCOMPARE(fromTheEnd.value(r, QStringLiteral("ID")).toLongLong(), expected.at(r));
        }
    }

    void pagesListEveryRowOnce()
    {
        TestProgram program;
        addSupplier(1, QStringLiteral("Алфа"));
        addGroup(1, 1, QStringLiteral("Едно"));
        addArticles(1, 1, namesakes(QStringLiteral("Болт "), 1000, 7, 5.0));
        addArticles(1, 1, generated(QStringLiteral("Гайка"), 2500));
        const auto listing = CatalogueSearch::searchListing(0, QStringLiteral("болт"), {1});
        const auto summary = CatalogueSearch::summarize(listing);
        QCOMPARE(summary.count, 1000LL);
        for (const QStringList &sort : {QStringList{QStringLiteral("Cena_1")},
                                        QStringList{QStringLiteral("Opisanie"), QStringLiteral("Cena_1")},
                                        QStringList{}}) {
            for (const bool keyed : {false, true}) {
                PagedListModel model;
                const QString order = CatalogueSearch::orderBy(sort, 1);
                if (keyed)
                    model.setKeyedQuery(CatalogueSearch::keySql(listing, order), listing.params,
                                        CatalogueSearch::rowsByKeySql(), QStringLiteral("ID"));
                else
                    model.setQuery(CatalogueSearch::listingSql(listing, order), listing.params, summary.count);
                QCOMPARE(model.rowCount(), 1000);
                QCOMPARE(model.columnCount(), 12);
                QCOMPARE(model.statementsRun(), 1);
                QSet<long long> seen;
                QStringList names;
                for (int r = 0; r < model.rowCount(); ++r) {
                    seen.insert(model.value(r, QStringLiteral("ID")).toLongLong());
                    names << model.value(r, QStringLiteral("Opisanie")).toString();
                }
                QCOMPARE(seen.size(), 1000);
                QCOMPARE(model.statementsRun(), 5); // one per page of 200
                if (sort.value(0) == QLatin1String("Opisanie"))
                    QVERIFY(std::is_sorted(names.begin(), names.end()));
                // Neighbouring rows come in one statement.
                QList<int> all;
                for (int r = 0; r < 1000; ++r)
                    all << r;
                const auto records = model.records(all);
                QCOMPARE(records.size(), 1000);
                QCOMPARE(model.statementsRun(), 6);
                for (int r : {0, 199, 200, 999})
                    QCOMPARE(records.at(r).value(QStringLiteral("ID")), model.value(r, QStringLiteral("ID")));
            }
        }
        // The listing in its own order, read by key: the same rows as the whole statement.
        PagedListModel byKey;
        byKey.setKeysetQuery(CatalogueSearch::listingList(listing), summary.count);
        QList<long long> expected;
        for (const QSqlRecord &r : Db::rows(CatalogueSearch::listingSql(listing, CatalogueSearch::orderBy({}, 0)),
                                            listing.params))
            expected << r.value(QStringLiteral("ID")).toLongLong();
        for (int r = 999; r >= 0; r -= 3)
            QCOMPARE(byKey.value(r, QStringLiteral("ID")).toLongLong(), expected.at(r));
        // A group's listing is read along the index of its supplier, group and key.
        const auto group = CatalogueSearch::groupListing(1, 1);
        const QString page = KeysetReader(CatalogueSearch::listingList(group)).sql() + QStringLiteral(" LIMIT 200");
        const QStringList plan = planOf(page, group.params, true);
        QVERIFY2(sortsIn(plan).isEmpty(), qPrintable(plan.join('|')));
        // A sorted listing of nothing still has its columns.
        PagedListModel none;
        const auto nothing = CatalogueSearch::searchListing(0, QStringLiteral("няма такова"), {1});
        none.setKeyedQuery(CatalogueSearch::keySql(nothing, CatalogueSearch::orderBy({QStringLiteral("Cena_1")}, 0)),
                           nothing.params, CatalogueSearch::rowsByKeySql(), QStringLiteral("ID"));
        QCOMPARE(none.rowCount(), 0);
        QCOMPARE(none.columnCount(), 12);
    }
};
VTEST(SupplierCatalogueTest)

#include "test_supplier_catalogue.moc"
