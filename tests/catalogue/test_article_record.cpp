#include "catalogue/article_code_entry.h"
#include "catalogue/article_codes.h"
#include "catalogue/article_record.h"
#include "catalogue/departments.h"
#include "catalogue/free_article_numbers.h"
#include "platform/db/database.h"
#include "platform/db/work_tables.h"
#include "app/schema_columns.h"
#include "test_registry.h"
#include "test_support.h"

#include <QSqlRecord>
#include <QTest>

#include <climits>

namespace {
void addArticle(long long id, long long group, const QString &name = QStringLiteral("Артикул"))
{
    Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Mqrka) VALUES (?, ?, ?, 'бр.')"),
                {id, group, name});
}

Article article(long long id, long long group = 3)
{
    Article a;
    a.id = id;
    a.Nomer_Grupa = group;
    a.Opisanie = QStringLiteral("Чаша");
    a.Valuta_D = a.Valuta_P = QStringLiteral("BGN");
    a.Mqrka = QStringLiteral("бр.");
    a.Trajnost = QStringLiteral("0:0");
    return a;
}

long long count(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

QList<long long> freeNumbers()
{
    QList<long long> list;
    for (const QSqlRecord &r : Db::rows((QStringLiteral("SELECT Art_ID FROM ") + WorkTables::qualified(QStringLiteral("Free_Art")) + QStringLiteral(" ORDER BY Art_ID"))))
        list.append(r.value(0).toLongLong());
    return list;
}
} // namespace

class ArticleRecordTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerSchemaColumns(); }

    void numbersAreWholeNumbersAboveZero()
    {
        QCOMPARE(ArticleRecord::parseNumber(QStringLiteral(" 125 ")), 125LL);
        QCOMPARE(ArticleRecord::parseNumber(QStringLiteral("2147483647")), (long long)INT_MAX);
        for (const char *bad : {"", "0", "-1", "+3", "1.5", "12a", "2147483648", "абв"})
            QCOMPARE(ArticleRecord::parseNumber(QString::fromLatin1(bad)), 0LL);
        QCOMPARE(ArticleRecord::defaultCatalogueNumber(3, QStringLiteral("125")), QStringLiteral("3125"));
    }

    void shelfLifeTexts()
    {
        QCOMPARE(ArticleRecord::shelfLife(2, 6), QStringLiteral("2:6"));
        int unit = -1;
        long long value = -1;
        ArticleRecord::parseShelfLife(QStringLiteral("1:730"), &unit, &value);
        QCOMPARE(unit, 1);
        QCOMPARE(value, 730LL);
        ArticleRecord::parseShelfLife(QString(), &unit, &value);
        QCOMPARE(unit, 0);
        QCOMPARE(value, 0LL);
    }

    void unitListIsSortedWithoutRepeats()
    {
        TestProgram program;
        addArticle(1, 1);
        Db::execute(QStringLiteral("UPDATE Produkti SET Mqrka = 'м.'"));
        addArticle(2, 1); // "бр." again
        const QStringList units = ArticleRecord::unitList();
        QCOMPARE(units.size(), 9);
        QVERIFY(units.contains(QStringLiteral("м.")));
        QCOMPARE(units.count(QStringLiteral("бр.")), 1);
        QStringList sorted = units;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) < 0; });
        QCOMPARE(units, sorted);
    }

    void newArticleNeedsAFreeNumber()
    {
        TestProgram program;
        addArticle(5, 3);
        ArticleSaveResult r = ArticleRecord::insert(article(5), {});
        QVERIFY(!r.ok);
        QVERIFY(r.numberRefused);
        QCOMPARE(r.message, QStringLiteral("Некоректен номер за артикул!"));
        QVERIFY(!ArticleRecord::insert(article(0), {}).ok);

        Article a = article(6);
        a.Ed_Cena = 12.5;
        a.Garancionen = true;
        QVERIFY(ArticleRecord::insert(a, {}).ok);
        const auto row = Db::firstRow(QStringLiteral("SELECT Ed_Cena, Garancionen, Poredica, Dostavna_Cena, Dostav4ik, "
                                                     "Nomer_Grupa FROM Produkti WHERE ID = 6"));
        QCOMPARE(row->value(0).toDouble(), 12.5);
        QCOMPARE(row->value(1).toString(), QStringLiteral("True"));
        QCOMPARE(row->value(2).toString(), QStringLiteral("False"));
        QCOMPARE(row->value(3).toDouble(), 0.0);
        QCOMPARE(row->value(4).toString(), QStringLiteral("0"));
        QCOMPARE(row->value(5).toLongLong(), 3LL);
    }

    void newArticleWritesItsHeldCodesInTheSameTransaction()
    {
        TestProgram program;
        PendingCodes codes;
        codes.barcodes = {QStringLiteral("3800001")};
        codes.numbers = {CatalogueNumber{QStringLiteral("X-1"), 7, QString()}};
        QVERIFY(ArticleRecord::insert(article(10), codes).ok);
        QCOMPARE(ArticleCodes::barcodes(10), QStringList{QStringLiteral("3800001")});
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures WHERE ID = 10 AND ID_Kontrag = 7")), 1LL);

        // A failing article INSERT, or a failure after it, leaves neither the row nor its codes.
        for (const char *table : {"Produkti", "Nomenklatures"}) {
            refuseWrites(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON %1 "
                                       "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                            .arg(QString::fromLatin1(table)));
            const ArticleSaveResult r = ArticleRecord::insert(article(11), codes);
            QVERIFY(!r.ok);
            QVERIFY(!r.numberRefused);
            QVERIFY(r.message.contains(QStringLiteral("refused")));
            QVERIFY(!ArticleRecord::exists(11));
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Barkodes WHERE ID = 11")), 0LL);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures WHERE ID = 11")), 0LL);
            dropTrigger(QStringLiteral("fail"));
        }
    }

    void editKeepsItsNumberGroupAndDeliveryData()
    {
        TestProgram program;
        QVERIFY(ArticleRecord::insert(article(7), {}).ok);
        Db::execute(QStringLiteral("UPDATE Produkti SET Dostavna_Cena = 3.2, Dostav4ik = 'Доставчик' WHERE ID = 7"));
        Article a = article(7, 99);
        a.Opisanie = QStringLiteral("Чиния");
        QVERIFY(ArticleRecord::update(7, a).ok);
        const Article stored = *ArticleRecord::read(7);
        QCOMPARE(stored.Opisanie, QStringLiteral("Чиния"));
        QCOMPARE(stored.Nomer_Grupa, 3LL);
        QCOMPARE(stored.Dostavna_Cena, 3.2);
        QCOMPARE(stored.Dostav4ik, QStringLiteral("Доставчик"));
    }

    void renumberingMovesTheCodesOrIsRefused()
    {
        TestProgram program;
        QVERIFY(ArticleRecord::insert(article(20), {}).ok);
        addArticle(21, 3);
        ArticleCodes::addBarcode(20, QStringLiteral("111"));
        ArticleCodes::addCatalogueNumber(20, QStringLiteral("N-20"), 4);

        struct Case {
            long long to;
            bool ok;
        };
        // a used number, an empty number
        for (const Case &c : {Case{21, false}, Case{0, false}}) {
            const ArticleSaveResult r = ArticleRecord::update(20, article(c.to));
            QCOMPARE(r.ok, c.ok);
            QVERIFY(r.numberRefused);
        }
        QVERIFY(ArticleRecord::exists(20));

        QVERIFY(ArticleRecord::update(20, article(30)).ok);
        QVERIFY(!ArticleRecord::exists(20));
        QCOMPARE(ArticleCodes::barcodes(30), QStringList{QStringLiteral("111")});
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures WHERE ID = 30")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Barkodes WHERE ID = 20")), 0LL);

        // A stock row names the article: its number stays.
        Db::execute(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (30, 1, 2)"));
        const ArticleSaveResult r = ArticleRecord::update(30, article(31));
        QVERIFY(!r.ok);
        QVERIFY(r.message.contains(QStringLiteral("Store_Kol")));
        QVERIFY(ArticleRecord::exists(30));
        QCOMPARE(ArticleCodes::barcodes(30), QStringList{QStringLiteral("111")});
    }

    void lastNumberInTheGroup()
    {
        TestProgram program;
        QCOMPARE(ArticleRecord::lastNumberInGroup(4), 1LL);
        addArticle(40, 4);
        addArticle(90, 5);
        QCOMPARE(ArticleRecord::lastNumberInGroup(4), 41LL);
        QCOMPARE(ArticleRecord::proposedNumber(), 91LL);
    }

    void freeNumbersOfAGroup()
    {
        TestProgram program;
        for (long long id : {1, 2, 5})
            addArticle(id, 7);
        FreeArticleNumbers::Result r = FreeArticleNumbers::search(7);
        QCOMPARE(r.listed, 2LL);
        QCOMPARE(freeNumbers(), (QList<long long>{3, 4}));

        // A number another group uses is not free; a second search empties the table first.
        addArticle(4, 8);
        FreeArticleNumbers::search(7);
        QCOMPARE(freeNumbers(), QList<long long>{3});

        // An empty group has nothing free.
        QCOMPARE(FreeArticleNumbers::search(9).listed, 0LL);
        QVERIFY(freeNumbers().isEmpty());
        FreeArticleNumbers::dropWorkTable();
        QCOMPARE(workTableExists(QStringLiteral("Free_Art")), false);
    }

    void freeNumberSearchStopsBetweenChunks()
    {
        TestProgram program;
        addArticle(1, 7);
        addArticle(10001, 7);
        int calls = 0;
        const FreeArticleNumbers::Result r = FreeArticleNumbers::search(7, [&](long long) { return ++calls < 2; });
        QVERIFY(r.stopped);
        QCOMPARE(calls, 2);
        QCOMPARE(r.listed, 4000LL);
        QCOMPARE(freeNumbers().size(), 4000);
    }

    void serialHintIsPlainTextWithShortDates()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Rab_Dokumenti (ID, Opisanie) VALUES (2, 'Фактура')"));
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (4, 'Доставчик ООД', 1)"));
        Db::execute(QStringLiteral("INSERT INTO Garancia_dostavtchik (ID, ID_Kontrag, Vid_Dok, ID_Dok, Data, Zabel) "
                                   "VALUES (1, 4, 2, '0000123', '2026-03-05', 'внимание <b>чупливо</b>')"));
        Db::execute(QStringLiteral("INSERT INTO Serials (ID_Karta, ID, Serial_ID, Data) "
                                   "VALUES (1, 5, 'SN-1', '2028-03-05')"));
        QCOMPARE(ArticleCodes::serialHint(QStringLiteral("SN-1")),
                 QStringLiteral("Вид документ: Фактура;\rОт Дата: 05.03.2026;\rНомер на документ: 0000123;\r"
                                "Доставчик: Доставчик ООД;\rВалиден до: 05.03.2028;\r"
                                "Забележка: внимание <b>чупливо</b>;"));
        QCOMPARE(ArticleCodes::serialHint(QStringLiteral("SN-2")), QString());
    }

    void codeEntryHoldsForANewArticleAndWritesForAStoredOne()
    {
        TestProgram program;
        ArticleCodeEntry held;
        QVERIFY(!held.addBarcode(QStringLiteral("  ")).done);
        QVERIFY(held.addBarcode(QStringLiteral("1")).done);
        QVERIFY(held.addBarcode(QStringLiteral("2")).done);
        QVERIFY(held.changeBarcode(QStringLiteral("1"), QStringLiteral("3")).done);
        QVERIFY(held.removeBarcode(1, QStringLiteral("2")).done);
        QCOMPARE(held.barcodes(), QStringList{QStringLiteral("3")});
        const ArticleCodeEntry::Result noFirm = held.addNumber(CatalogueNumber{QStringLiteral("N"), 0, {}});
        QVERIFY(!noFirm.done);
        QCOMPARE(noFirm.message, QStringLiteral("Изберете контрагент на когото е посоченият номер!"));
        QVERIFY(held.addNumber(CatalogueNumber{QStringLiteral("N"), 4, QStringLiteral("Ф")}).done);
        QCOMPARE(held.pending().numbers.size(), 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Barkodes")) + count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures")), 0LL);

        ArticleCodeEntry stored;
        stored.setStoredArticle(8);
        QVERIFY(stored.addBarcode(QStringLiteral("77")).done);
        QCOMPARE(ArticleCodes::barcodes(8), QStringList{QStringLiteral("77")});
        const ArticleCodeEntry::Result gone = stored.changeBarcode(QStringLiteral("78"), QStringLiteral("79"));
        QVERIFY(gone.done);
        QVERIFY(gone.message.contains(QStringLiteral("нищо не е променено")));
        QCOMPARE(ArticleCodes::barcodes(8), QStringList{QStringLiteral("77")});
    }

    void catalogueNumberEditAddressesTheRememberedRow()
    {
        TestProgram program;
        ArticleCodes::addCatalogueNumber(5, QStringLiteral("A"), 1);
        ArticleCodes::addCatalogueNumber(5, QStringLiteral("A"), 2);
        QVERIFY(ArticleCodes::changeCatalogueNumber(5, CatalogueNumber{QStringLiteral("A"), 2, {}}, QStringLiteral("B"), 3));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures WHERE ID = 5 AND Nomenkl_N = 'A' "
                                      "AND ID_Kontrag = 1")),
                 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures WHERE ID = 5 AND Nomenkl_N = 'B' "
                                      "AND ID_Kontrag = 3")),
                 1LL);
        QVERIFY(!ArticleCodes::changeCatalogueNumber(5, CatalogueNumber{QStringLiteral("A"), 2, {}}, QStringLiteral("C"), 3));
    }
};
VTEST(ArticleRecordTest)

class DepartmentsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerSchemaColumns(); }

    void numbersAreCheckedAndUsedDepartmentsStay()
    {
        TestProgram program;
        long long id = 0;
        for (const char *bad : {"0", "кухня", "-2", "1,5", ""})
            QVERIFY(!Departments::add(QString::fromUtf8(bad), PreparationDepartment{}, &id).isEmpty());
        QVERIFY(Departments::add(QStringLiteral("1"), PreparationDepartment{0, QStringLiteral("Кухня"), {}, {}}, &id).isEmpty());
        QCOMPARE(id, 1LL);
        QCOMPARE(Departments::add(QStringLiteral("1"), PreparationDepartment{}, &id),
                 QStringLiteral("Отдел с номер 1 вече съществува!"));
        QVERIFY(Departments::add(QStringLiteral("2"), PreparationDepartment{0, QStringLiteral("Бар"), {}, {}}, &id).isEmpty());
        QCOMPARE(Departments::listItems(),
                 (QStringList{QStringLiteral("0:Не се приготвя"), QStringLiteral("1:Кухня"), QStringLiteral("2:Бар")}));
        QVERIFY(!Departments::renumber(2, QStringLiteral("1")).isEmpty());

        addArticle(3, 1);
        Db::execute(QStringLiteral("UPDATE Produkti SET Prigotvq_Se = 1"));
        QVERIFY(Departments::remove(1).contains(QStringLiteral("Produkti")));
        QVERIFY(!Departments::renumber(1, QStringLiteral("5")).isEmpty());
        QVERIFY(Departments::remove(2).isEmpty());
        QCOMPARE(Departments::all().size(), 1);
        QVERIFY(Departments::setField(1, QStringLiteral("Path"), QStringLiteral("/tmp/кухня")).isEmpty());
        QCOMPARE(Departments::all().first().path, QStringLiteral("/tmp/кухня"));
    }
};
VTEST(DepartmentsTest)

#include "test_article_record.moc"
