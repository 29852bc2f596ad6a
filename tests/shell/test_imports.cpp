#include "harness/test_registry.h"
#include "harness/query_plans.h"
#include "harness/test_support.h"

#include "app/import_run.h"
#include "app/statistics_memo.h"
#include "catalogue/article_record.h"
#include "common/cp1251.h"
#include "common/settings.h"
#include "common/tree_file.h"
#include "desk/desk_search.h"
#include "offers/catalogue_import.h"
#include "offers/supplier_catalogue.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/script.h"
#include "shell/imports/article_import.h"
#include "shell/imports/catalogue_number_import.h"
#include "shell/imports/counterparty_import.h"
#include "shell/imports/imports.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <limits>

namespace {
QString writeFile(const TestProgram &program, const QByteArray &bytes, const QString &name = "import.txt")
{
    const QString path = program.file(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString treePath(const TestProgram &program)
{
    return QDir(program.file(QStringLiteral("Data"))).filePath(QStringLiteral("Opis.pdt"));
}

// Runs an import as the menu command does, without the file dialog; the memo's lines.
QStringList runImport(const QString &path, ImportRun::Handler &handler, ImportRun::Outcome *outcome = nullptr)
{
    StatisticsMemo *memo = StatisticsMemo::instance(nullptr);
    memo->start();
    const ImportRun::Outcome out = ImportRun::run(path, handler, memo, nullptr, Db::connection());
    if (outcome)
        *outcome = out;
    return memo->toPlainText().split(QLatin1Char('\n'));
}

QStringList importArticles(const TestProgram &program, const QString &text, bool replace,
                           ImportRun::Outcome *outcome = nullptr)
{
    ArticleImport handler(treePath(program), replace, Db::connection());
    return runImport(writeFile(program, text.toUtf8()), handler, outcome);
}

long long count(const QString &sql, const QVariantList &values = {})
{
    return Db::scalar(sql, values).toLongLong();
}

QStringList treeTexts(const TestProgram &program)
{
    QStringList out;
    for (const TreeFileNode &n : TreeFile::read(treePath(program)))
        out << QString(n.depth, QLatin1Char('\t')) + n.text;
    return out;
}

const QString kEsc = QString::fromUtf8(ImportRun::EscLine);
} // namespace

class ArticleImportTest : public QObject
{
    Q_OBJECT
private slots:
    void newArticlesGroupsAndMemo()
    {
        TestProgram program;
        const QStringList memo = importArticles(
            program,
            QStringLiteral("1:[100]2:[K-100]3:[Мляко \"Верея\" 1 л]4:[2,35]5:[лв]6:[бр.]7:[Млечни]8:[5]9:[5]"
                           "10:[Доставчик ООД]11:[3]12:[true]13:[FALSE]\r\n"
                           "1:[104]3:[Кашкавал]11:[2.5]\r\n"
                           "1:[101]3:[Сирене]7:[МЛЕЧНИ]\r\n"
                           "\r\n"
                           "1:[102]3:[Хляб]\r\n"
                           "1:[abc]3:[Лошо]\r\n"
                           "1:[103]3:[Вода]4:[евтина]\r\n"
                           "1:[105]3:[Сол]\r\n"
                           "1:[106]12:[да]\r\n"
                           "1:[107]3:[Отрязан"),
            false);
        QCOMPARE(memo,
                 QStringList({QStringLiteral("1- Артикул: 100[Мляко \"Верея\" 1 л] - ДОБАВЕН"),
                              QStringLiteral("Ред 2 е пропуснат: минималното количество (поле 11) не е цяло число от 0 нагоре"),
                              QStringLiteral("3- Артикул: 101[Сирене] - ДОБАВЕН"),
                              QStringLiteral("4- Артикул: 102[Хляб] - ДОБАВЕН"),
                              QStringLiteral("Ред 6 е пропуснат: номерът на артикула (поле 1) не е цяло число над 0"),
                              QStringLiteral("Ред 7 е пропуснат: цената (поле 4) не е число"),
                              QStringLiteral("7- Артикул: 105[Сол] - ДОБАВЕН"),
                              QStringLiteral("Ред 9 е пропуснат: полето 12 трябва да бъде True или False"),
                              QStringLiteral("Ред 10 е пропуснат: незатворена скоба \"[\""),
                              QString(),
                              QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ АРТИКУЛИ:4"),
                              QStringLiteral("Добавени: 4"),
                              QStringLiteral("Повторени: 0"),
                              QStringLiteral("Пропуснати: 5"),
                              QStringLiteral("  минималното количество (поле 11) не е цяло число от 0 нагоре: 1 (ред 2)"),
                              QStringLiteral("  номерът на артикула (поле 1) не е цяло число над 0: 1 (ред 6)"),
                              QStringLiteral("  цената (поле 4) не е число: 1 (ред 7)"),
                              QStringLiteral("  полето 12 трябва да бъде True или False: 1 (ред 9)"),
                              QStringLiteral("  незатворена скоба \"[\": 1 (ред 10)"),
                              kEsc}));
        const auto a = Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = 100"));
        QVERIFY(a);
        QCOMPARE(a->value("Nomenkl_N").toString(), QStringLiteral("K-100"));
        QCOMPARE(a->value("Nomer_Grupa").toLongLong(), 1LL);
        for (const char *c : {"Opisanie", "Kasovo_Ime", "Etiketno_Ime"})
            QCOMPARE(a->value(c).toString(), QStringLiteral("Мляко \"Верея\" 1 л"));
        QCOMPARE(a->value("Ed_Cena").toDouble(), 2.35);
        QCOMPARE(a->value("Dostavna_Cena").toDouble(), 0.0);
        QCOMPARE(a->value("Valuta_D").toString(), QStringLiteral("лв"));
        QCOMPARE(a->value("Valuta_P").toString(), QStringLiteral("лв"));
        QCOMPARE(a->value("Mqrka").toString(), QStringLiteral("бр."));
        QCOMPARE(a->value("Dostav4ik").toString(), QStringLiteral("Доставчик ООД"));
        QCOMPARE(a->value("Min_Kol").toDouble(), 3.0);
        QCOMPARE(a->value("Garancionen").toString(), QStringLiteral("True"));
        QCOMPARE(a->value("Poredica").toString(), QStringLiteral("False"));

        // The same group by name in another case; the default catalogue number is group + number.
        const auto b = Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = 101"));
        QCOMPARE(b->value("Nomer_Grupa").toLongLong(), 1LL);
        QCOMPARE(b->value("Nomenkl_N").toString(), QStringLiteral("1101"));
        // Lines without a group share one new "Група <n>".
        const auto c = Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = 102"));
        QCOMPARE(c->value("Nomer_Grupa").toLongLong(), 2LL);
        QCOMPARE(c->value("Nomenkl_N").toString(), QStringLiteral("2102"));
        QCOMPARE(c->value("Dostav4ik").toString(), QStringLiteral("0"));
        QCOMPARE(c->value("Min_Kol").toDouble(), 1.0);
        QCOMPARE(c->value("Garancionen").toString(), QStringLiteral("False"));
        QCOMPARE(count(QStringLiteral("SELECT Nomer_Grupa FROM Produkti WHERE ID = 105")), 2LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 2LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Grupi WHERE ID = 2")).toString(),
                 QStringLiteral("Група 2"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 4LL);
        QCOMPARE(treeTexts(program), QStringList({QStringLiteral("Всички артикули"), QStringLiteral("1:Млечни"),
                                                  QStringLiteral("2:Група 2")}));
    }

    void reimportWithoutReplaceWritesNothing()
    {
        TestProgram program;
        const QString text = QStringLiteral("1:[100]3:[Мляко]7:[Млечни]\n1:[101]3:[Хляб]\n");
        importArticles(program, text, false);
        Db::execute(QStringLiteral("UPDATE Produkti SET Dostavna_Cena = 9.5, Opisanie = 'Старо' WHERE ID = 100"));
        const QStringList memo = importArticles(program, text, false);
        QCOMPARE(memo, QStringList({QStringLiteral("1- Артикул: 100[Мляко] - Избраният номер за артикул СЪЩЕСТВУВА"),
                                    QStringLiteral("2- Артикул: 101[Хляб] - Избраният номер за артикул СЪЩЕСТВУВА"),
                                    QString(), QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ АРТИКУЛИ:2"),
                                    QStringLiteral("Добавени: 0"), QStringLiteral("Повторени: 2"), kEsc}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 2LL); // no second default group
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = 100")).toString(),
                 QStringLiteral("Старо"));
    }

    // A kill between the tree file and the chunk's commit leaves nodes of
    // groups the table lacks; the same file imported again (and again) leaves
    // each group once, in the table and in the tree.
    void importAfterAKilledImportLeavesEachGroupOnce()
    {
        TestProgram program;
        const QString text = QStringLiteral("1:[100]3:[Мляко]7:[Млечни]\n1:[101]3:[Хляб]7:[Хлебни]\n"
                                            "1:[102]3:[Сок]7:[Напитки]\n");
        importArticles(program, text, false);
        // What the kill left: the file written, the chunk not committed.
        Db::execute(QStringLiteral("DELETE FROM Produkti"));
        Db::execute(QStringLiteral("DELETE FROM Grupi"));
        const QStringList once{QStringLiteral("Всички артикули"), QStringLiteral("1:Млечни"), QStringLiteral("2:Хлебни"),
                               QStringLiteral("3:Напитки")};
        QCOMPARE(treeTexts(program), once);
        for (int run = 0; run < 2; ++run) {
            importArticles(program, text, false);
            QCOMPARE(treeTexts(program), once);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 3LL);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 3LL);
        }
    }

    void replaceChangesOnlyCarriedFields()
    {
        TestProgram program;
        importArticles(program,
                       QStringLiteral("1:[100]2:[K1]3:[Мляко]4:[2]5:[лв]6:[бр.]7:[Млечни]10:[Д1]11:[4]12:[True]\n"
                                      "1:[102]3:[Хляб]\n"),
                       false);
        Db::execute(QStringLiteral("UPDATE Produkti SET Dostavna_Cena = 9.5"));
        const QStringList memo = importArticles(
            program, QStringLiteral("1:[100]4:[3.10]7:[Хлебни]\n1:[102]3:[Бял хляб]\n1:[103]3:[Нов]7:[Хлебни]\n"),
            true);
        QCOMPARE(memo, QStringList({QStringLiteral("1- Артикул: 100[] - Избраният артикул е АКТУАЛИЗИРАН"),
                                    QStringLiteral("2- Артикул: 102[Бял хляб] - Избраният артикул е АКТУАЛИЗИРАН"),
                                    QStringLiteral("3- Артикул: 103[Нов] - ДОБАВЕН"), QString(),
                                    QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ АРТИКУЛИ:3"), QStringLiteral("Добавени: 1"),
                                    QStringLiteral("Актуализации: 2"), kEsc}));
        const auto a = Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = 100"));
        QCOMPARE(a->value("Ed_Cena").toDouble(), 3.1);
        QCOMPARE(a->value("Nomer_Grupa").toLongLong(), 3LL); // "Хлебни" was made
        QCOMPARE(a->value("Opisanie").toString(), QStringLiteral("Мляко"));
        QCOMPARE(a->value("Nomenkl_N").toString(), QStringLiteral("K1"));
        QCOMPARE(a->value("Valuta_D").toString(), QStringLiteral("лв"));
        QCOMPARE(a->value("Dostav4ik").toString(), QStringLiteral("Д1"));
        QCOMPARE(a->value("Min_Kol").toDouble(), 4.0);
        QCOMPARE(a->value("Garancionen").toString(), QStringLiteral("True"));
        QCOMPARE(a->value("Dostavna_Cena").toDouble(), 9.5);
        const auto b = Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = 102"));
        QCOMPARE(b->value("Nomer_Grupa").toLongLong(), 2LL); // no field 7: the group stays
        QCOMPARE(b->value("Kasovo_Ime").toString(), QStringLiteral("Бял хляб"));
        QCOMPARE(b->value("Dostavna_Cena").toDouble(), 9.5);
        QCOMPARE(count(QStringLiteral("SELECT Nomer_Grupa FROM Produkti WHERE ID = 103")), 3LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 3LL);
        // The new name is searched by the name index; the old one no more.
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(DeskSearch::find(QLatin1Char('i'), QStringLiteral("БЯЛ ХЛ"))->size(), 1);
        QCOMPARE(DeskSearch::find(QLatin1Char('i'), QStringLiteral("мляко"))->size(), 1);
    }

    void groupNamesMatch_data()
    {
        QTest::addColumn<QString>("field7");
        QTest::addColumn<long long>("group");
        QTest::newRow("only Ч..Я differ") << QStringLiteral("СИРЕНА И ЩУШКИ") << 4LL;
        QTest::newRow("lower case") << QStringLiteral("сирена и чушки") << 4LL;
        QTest::newRow("lowest ID wins") << QStringLiteral("чай") << 3LL;
        QTest::newRow("percent is no wildcard") << QStringLiteral("5% отстъпка") << 7LL;
        QTest::newRow("underscore is no wildcard") << QStringLiteral("a_b") << 7LL;
    }
    void groupNamesMatch()
    {
        QFETCH(QString, field7);
        QFETCH(long long, group);
        TestProgram program;
        for (const auto &[id, name] : QList<QPair<int, QString>>{{5, QStringLiteral("Чай")},
                                                                  {3, QStringLiteral("Щай")},
                                                                  {4, QStringLiteral("Сирена и Чушки")},
                                                                  {6, QStringLiteral("50 отстъпка")},
                                                                  {1, QStringLiteral("axb")}})
            Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (?, ?)"), {id, name});
        importArticles(program, QStringLiteral("1:[1]3:[x]7:[%1]").arg(field7), false);
        QCOMPARE(count(QStringLiteral("SELECT Nomer_Grupa FROM Produkti WHERE ID = 1")), group);
    }

    void supplierNameAndFailedRecordAtLineThree()
    {
        TestProgram program;
        // A record that the database refuses: lines 1 and 2 stay, nothing of line 3.
        refuseWrites(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Produkti WHEN NEW.ID = 3 "
                                   "BEGIN SELECT RAISE(ABORT, 'отказан запис'); END"));
        ImportRun::Outcome outcome;
        const QStringList memo = importArticles(program,
                                                QStringLiteral("1:[1]3:[Едно]10:[Доставчик \"Х\"]\n"
                                                               "1:[2]3:[Две]7:[Стари]\n"
                                                               "1:[3]3:[Три]7:[Нова група]\n"
                                                               "1:[4]3:[Четири]\n"),
                                                false, &outcome);
        QVERIFY(!outcome.completed);
        QCOMPARE(memo.size(), 8);
        QCOMPARE(memo.at(1), QStringLiteral("2- Артикул: 2[Две] - ДОБАВЕН"));
        QVERIFY2(memo.at(2).startsWith(QStringLiteral("ГРЕШКА на ред 3: ")), qPrintable(memo.at(2)));
        QVERIFY(memo.at(2).contains(QStringLiteral("отказан запис")));
        QCOMPARE(memo.mid(3), QStringList({QString(), QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ АРТИКУЛИ:2"),
                                           QStringLiteral("Добавени: 2"), QStringLiteral("Повторени: 0"), kEsc}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 2LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Dostav4ik FROM Produkti WHERE ID = 1")).toString(),
                 QStringLiteral("Доставчик \"Х\""));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi WHERE Opisanie = 'Нова група'")), 0LL);
        QVERIFY(!treeTexts(program).join('\n').contains(QStringLiteral("Нова група")));
        QCOMPARE(treeTexts(program).size(), 3); // root, "Група 1", "Стари"
    }

    // Rows go many at a time (on a server each statement is a round trip):
    // an import runs a few statements a batch beside its look-ups, not
    // several a line; a row still waiting in a batch is found by a later
    // line of the same key.
    void rowsGoInBatches_data()
    {
        QTest::addColumn<int>("road");
        QTest::addColumn<int>("limit"); // statements for 300 lines
        QTest::newRow("articles: one look-up a group of lines") << 0 << 40;
        QTest::newRow("supplier's catalogue") << 1 << 60;
        QTest::newRow("counterparties: one look-up a group of lines") << 2 << 40;
        QTest::newRow("catalogue numbers: three look-ups a group of lines") << 3 << 40;
    }
    void rowsGoInBatches()
    {
        if (testOnServer())
            QSKIP("statements are counted on SQLite; a server gets the same batches");
        QFETCH(int, road);
        QFETCH(int, limit);
        TestProgram program;
        const QString lines[] = {QStringLiteral("1:[%1]3:[Арт %1]7:[Г]\n"),
                                 QStringLiteral("1:[Арт %1]2:[1.50]3:[1]4:[1]5:[BGN]6:[наличен]7:[КН-%1]\n"),
                                 QStringLiteral("1:[%1]3:[Фирма %1]11:[Лице]\n"),
                                 QStringLiteral("1:[%1]2:[КН-%1]3:[7]\n")};
        const QString again[] = {QStringLiteral("1:[1]3:[Пак]\n"), {}, QStringLiteral("1:[1]3:[Пак]11:[Друго]\n"),
                                 QStringLiteral("1:[1]2:[КН-1]3:[7]\n")};
        QString text = road == 1 ? QStringLiteral("16:[Доставчик]\n11:[Група]\n") : QString();
        for (int i = 1; i <= 300; ++i)
            text += lines[road].arg(i) + (i == 2 ? again[road] : QString());
        const QString path = writeFile(program, text.toUtf8());
        int runs = 0;
        if (road == 0) {
            ArticleImport handler(treePath(program), false, Db::connection());
            runs = runsOf([&] { runImport(path, handler); });
            QCOMPARE(handler.counts().repeated, 1LL);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 300LL);
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = 1")).toString(),
                     QStringLiteral("Арт 1"));
        } else if (road == 1) {
            const CatalogueImport::Callbacks none;
            runs = runsOf([&] {
                CatalogueImport::run(path, CatalogueImport::Mode::Import, 0, SupplierCatalogue::treeFilePath(), none);
            });
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Art_CL")), 300LL);
        } else if (road == 3) {
            WriteTransaction tx;
            for (int i = 1; i <= 300; ++i)
                Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie) VALUES (?, ?)"),
                            {i, QStringLiteral("Арт %1").arg(i)});
            Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (7, 'Фирма', 7)"));
            tx.commit();
            CatalogueNumberImport handler(Db::connection());
            runs = runsOf([&] { runImport(path, handler); });
            QCOMPARE(handler.added(), 300LL);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures")), 300LL);
        } else {
            CounterpartyImport handler(false, Db::connection());
            runs = runsOf([&] { runImport(path, handler); });
            QCOMPARE(handler.repeated(), 1LL);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Firmi f JOIN Klienti k ON k.ID = f.ID_Mol "
                                          "WHERE f.EIK <> '0'")),
                     300LL);
        }
        QVERIFY2(runs < limit, qPrintable(QStringLiteral("%1 statements").arg(runs)));
    }

    void unwritableTreeFileRollsTheChunkBack()
    {
        TestProgram program;
        const QString blocked = program.file(QStringLiteral("blocked"));
        QDir().mkpath(blocked); // a folder where the file should be: neither read nor written
        ArticleImport handler(blocked, false, Db::connection());
        ImportRun::Outcome outcome;
        const QStringList memo =
            runImport(writeFile(program, "1:[1]3:[Едно]7:[Г]\n1:[2]3:[Две]\n"), handler, &outcome);
        QVERIFY(!outcome.completed);
        QVERIFY(outcome.error.contains(QStringLiteral("Новите групи не бяха записани")));
        QVERIFY(memo.first().startsWith(QStringLiteral("ГРЕШКА: ")));
        QVERIFY(memo.contains(QStringLiteral("Добавени: 0")));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 0LL);
    }

    void brokenFilesNeitherCrashNorHalfWrite()
    {
        TestProgram program;
        const QByteArray binary = noiseBytes(200000, 7);
        const QByteArray huge = "1:[1]3:[" + QByteArray(2 * 1024 * 1024, 'x') + "]\n1:[2]3:[Малък]\n";
        for (const QByteArray &bytes : {binary, huge}) {
            ArticleImport handler(treePath(program), false, Db::connection());
            ImportRun::Outcome outcome;
            runImport(writeFile(program, bytes), handler, &outcome);
            QVERIFY(outcome.completed || !outcome.error.isEmpty());
        }
        // Whatever got in is whole: every article has its group and names.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti p WHERE NOT EXISTS "
                                      "(SELECT 1 FROM Grupi g WHERE g.ID = p.Nomer_Grupa)")),
                 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE ID IN (1, 2)")), 1LL);
    }

    // A file in UTF-16 (with or without its byte-order mark) or holding a NUL
    // byte anywhere is refused whole, naming the file and its encoding.
    void utf16AndNulFilesAreRefusedWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        const QString text = QStringLiteral("1:[1]3:[Мляко]5:[BGN]\r\n1:[2]3:[Хляб]\r\n");
        QByteArray utf16("\xFF\xFE"); // the encodings themselves are told apart in the common tests
        for (const QChar c : text)
            utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        QTest::newRow("UTF-16 LE with BOM") << utf16 << QStringLiteral("UTF-16 LE");
        // A NUL far down a file of good lines: nothing of the lines before it either.
        QByteArray late;
        for (int i = 1; i <= 5000; ++i)
            late += QStringLiteral("1:[%1]3:[Артикул %1]\n").arg(i).toUtf8();
        late += QByteArray("1:[9999]3:[a\0b]\n", 16);
        QTest::newRow("NUL on the last line") << late << QStringLiteral("NUL");
    }
    void utf16AndNulFilesAreRefusedWhole()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        TestProgram program;
        ArticleImport handler(treePath(program), false, Db::connection());
        ImportRun::Outcome outcome;
        const QString path = writeFile(program, bytes, QStringLiteral("артикули.txt"));
        const QStringList memo = runImport(path, handler, &outcome);
        QVERIFY(!outcome.completed);
        QVERIFY2(outcome.error.contains(QDir::toNativeSeparators(path)) && outcome.error.contains(encoding),
                 qPrintable(outcome.error));
        QVERIFY(memo.first().startsWith(QStringLiteral("ГРЕШКА: ")));
        QVERIFY(memo.contains(QStringLiteral("Добавени: 0")));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 0LL);
        QCOMPARE(treeTexts(program), QStringList{QStringLiteral("Всички артикули")});
        // The menu command says so in a message.
        PlatformScript::clearEvents();
        PlatformScript::answer(path);
        Imports::N_Import_artClick(nullptr);
        const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(QDir::toNativeSeparators(path)) && messages.first().contains(encoding),
                 qPrintable(messages.first()));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 0LL);
    }

    // Control characters other than the tab never reach a stored field.
    void controlCharactersAreDropped()
    {
        TestProgram program;
        importArticles(program,
                       QString::fromUtf8("1:[1]3:[Мляко\x01 1\tл\x1B]6:[бр.\x0B]7:[Мле\x7F\xC2\x85чни]\r\n"
                                         "1:[2]3:[Хляб]\x1A\r\n"),
                       false);
        const auto a = Db::firstRow(QStringLiteral("SELECT Opisanie, Mqrka, Kasovo_Ime FROM Produkti WHERE ID = 1"));
        QVERIFY(a);
        QCOMPARE(a->value(0).toString(), QStringLiteral("Мляко 1\tл"));
        QCOMPARE(a->value(1).toString(), QStringLiteral("бр."));
        QCOMPARE(a->value(2).toString(), QStringLiteral("Мляко 1\tл"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Grupi WHERE ID = 1")).toString(), QStringLiteral("Млечни"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = 2")).toString(),
                 QStringLiteral("Хляб"));
        QVERIFY(treeTexts(program).contains(QStringLiteral("1:Млечни")));
    }

    // An imported article gets the VAT group an article made in the editor gets.
    void importedArticlesGetTheEditorsVatGroup()
    {
        TestProgram program;
        importArticles(program, QStringLiteral("1:[1]3:[Мляко]\n1:[2]3:[Хляб]7:[Хлебни]\n"), false);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE Dan_Grup = ?"),
                       {ArticleRecord::DefaultTaxGroup}),
                 2LL);
        QCOMPARE(Article().Dan_Grup, ArticleRecord::DefaultTaxGroup);
        // Replacing keeps the group the article has.
        Db::execute(QStringLiteral("UPDATE Produkti SET Dan_Grup = 3 WHERE ID = 1"));
        importArticles(program, QStringLiteral("1:[1]3:[Прясно мляко]\n"), true);
        QCOMPARE(count(QStringLiteral("SELECT Dan_Grup FROM Produkti WHERE ID = 1")), 3LL);
    }

    void menuCommandReadsTheSettingAndTheChosenFile()
    {
        TestProgram program;
        Settings::writeBool(Keys::Tuning_12, true);
        importArticles(program, QStringLiteral("1:[1]3:[Старо]\n"), false);
        const QString path = writeFile(program, QStringLiteral("1:[1]3:[Ново]7:[Меню]\n").toUtf8(), "menu.txt");
        PlatformScript::answer(path);
        Imports::N_Import_artClick(nullptr);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = 1")).toString(),
                 QStringLiteral("Ново"));
        // The new group's node goes to the tree file of the open database.
        QCOMPARE(treeTexts(program).last(), QStringLiteral("2:Меню"));
        StatisticsMemo *memo = StatisticsMemo::instance(nullptr);
        QVERIFY(memo->isVisible());
        QVERIFY(memo->toPlainText().contains(QStringLiteral("Актуализации: 1")));
        QTest::keyClick(memo, Qt::Key_Escape);
        QVERIFY(!memo->isVisible());
        // A cancelled file dialog does nothing.
        Imports::N_Import_artClick(nullptr);
        QVERIFY(!memo->isVisible());
    }
};

class CounterpartyImportTest : public QObject
{
    Q_OBJECT
private slots:
    void pairsDuplicatesAndSkips()
    {
        TestProgram program;
        const QString text = QStringLiteral(
            "1:[000123456]2:[BG000123456]3:[Фирма \"Алфа\"]4:[София]5:[ул. Витоша: 5]6:[02 123]7:[ОББ]8:[0012]"
            "9:[0099]10:[2,5]11:[Иван Петров]12:[Перник]13:[ул. Черна 2]14:[0888]15:[0012345678]17:[бележка]\n"
            "1:[000123456]3:[Друго име]\n"
            "3:[Частно лице]11:[Петър]15:[8001011234]\n"
            "3:[Частно лице]11:[Мария]15:[8502025678]\n"
            "1:[999]3:[Бета]10:[много]\n"
            "1:[998]4:[Варна]\n");
        CounterpartyImport first(false, Db::connection());
        const QStringList memo = runImport(writeFile(program, text.toUtf8()), first);
        QCOMPARE(memo, QStringList({QStringLiteral("1- Контрагент: 000123456[Фирма \"Алфа\"] - ДОБАВЕН"),
                                    QStringLiteral("2- Контрагент: 000123456[Друго име] - Избраният контрагент СЪЩЕСТВУВА"),
                                    QStringLiteral("3- Контрагент: [Частно лице] - ДОБАВЕН"),
                                    QStringLiteral("4- Контрагент: [Частно лице] - ДОБАВЕН"),
                                    QStringLiteral("Ред 5 е пропуснат: отстъпката (поле 10) не е число до 100"),
                                    QStringLiteral("Ред 6 е пропуснат: липсва име (полета 3 и 11)"), QString(),
                                    QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ ДАННИ:4"), QStringLiteral("Добавени: 3"),
                                    QStringLiteral("Повторени: 1"), QStringLiteral("Пропуснати: 2"),
                                    QStringLiteral("  отстъпката (поле 10) не е число до 100: 1 (ред 5)"),
                                    QStringLiteral("  липсва име (полета 3 и 11): 1 (ред 6)"), kEsc}));
        const auto firm = Db::firstRow(QStringLiteral("SELECT f.*, k.Ime_Klient, k.EGN, k.Grad AS KGrad FROM Firmi f "
                                                      "JOIN Klienti k ON k.ID = f.ID_Mol WHERE f.EIK = '000123456'"));
        QVERIFY(firm);
        QCOMPARE(firm->value("Ime_Firma").toString(), QStringLiteral("Фирма \"Алфа\""));
        QCOMPARE(firm->value("Adres_Firma").toString(), QStringLiteral("ул. Витоша: 5"));
        QCOMPARE(firm->value("T_O").toDouble(), 2.5);
        QCOMPARE(firm->value("Banka_Kod").toString(), QStringLiteral("0012"));
        QCOMPARE(firm->value("Zabel").toString(), QStringLiteral("бележка"));
        QCOMPARE(firm->value("Nomer_Grupa").toLongLong(), 0LL);
        QCOMPARE(firm->value("Ime_Klient").toString(), QStringLiteral("Иван Петров"));
        QCOMPARE(firm->value("EGN").toString(), QStringLiteral("0012345678"));
        QCOMPARE(firm->value("KGrad").toString(), QStringLiteral("Перник"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Firmi")), 3LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Klienti")), 3LL);

        // Again, replacing: nothing is added and the stored counterparty stays as it was.
        CounterpartyImport again(true, Db::connection());
        const QStringList second = runImport(writeFile(program, text.toUtf8()), again);
        QCOMPARE(second.mid(second.size() - 8, 5),
                 QStringList({QString(), QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ ДАННИ:4"), QStringLiteral("Добавени: 0"),
                              QStringLiteral("Актуализации: 0"), QStringLiteral("Пропуснати: 2")}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Firmi")), 3LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Ime_Firma FROM Firmi WHERE EIK = '000123456'")).toString(),
                 QStringLiteral("Фирма \"Алфа\""));
    }

    // Without EIK a line is looked up by name and the person's EGN: by the
    // register's index, so an import costs the same per line whatever the
    // register holds.
    void aLineCostsTheSameAtAnyRegisterSize()
    {
        if (testOnServer())
            QSKIP("the work of a road is counted on SQLite; lookUpsUseIndexes holds on the server");
        TestProgram program;
        long long steps[2] = {0, 0};
        const int sizes[2] = {200, 4000};
        for (int i = 0; i < 2; ++i) {
            addRegister(sizes[i]);
            Db::afterBulkWork(); // the register's statistics gathered, as its own writing would leave them
            QString text;
            for (int line = 0; line < 50; ++line)
                text += QStringLiteral("3:[Внос %1 %2]11:[Лице]15:[%3]\n").arg(i).arg(line).arg(9000000000LL + line);
            const QString path = writeFile(program, text.toUtf8());
            CounterpartyImport handler(false, Db::connection());
            steps[i] = stepsOf([&] { runImport(path, handler); });
            QCOMPARE(handler.added(), 50LL);
        }
        QVERIFY2(steps[1] < steps[0] * 3 / 2,
                 qPrintable(QStringLiteral("%1 steps at %2 counterparties, %3 at %4")
                                .arg(steps[0]).arg(sizes[0]).arg(steps[1]).arg(sizes[1])));
    }

    void lookUpsUseIndexes()
    {
        TestProgram program;
        addRegister(100);
        QList<CounterpartyImport::Lookup> lookups = CounterpartyImport::lookups(
            QStringLiteral("000123456"), QStringLiteral("Фирма 7"), QStringLiteral("7000000007"));
        // A whole group's: every list full.
        constexpr int keys = CounterpartyImport::LookAheadLines;
        QVariantList eiks, names, egns;
        for (int i = 0; i < keys; ++i) {
            eiks << QString::number(100000000 + i);
            names << QStringLiteral("Фирма %1").arg(i);
            egns << QString::number(7000000000LL + i);
        }
        lookups.append({CounterpartyImport::lookupSql(CounterpartyImport::By::Eik, keys), eiks});
        lookups.append({CounterpartyImport::lookupSql(CounterpartyImport::By::NameAndEgn, keys), names + egns});
        for (const CounterpartyImport::Lookup &l : std::as_const(lookups)) {
            const QStringList whole = wholeReads(planOf(l.sql, l.params));
            QVERIFY2(whole.isEmpty(), qPrintable(whole.join('|') + QStringLiteral("  <=  ") + l.sql));
        }
    }

private:
    // Companies with their persons, numbered after the register's last, till it holds `size`.
    static void addRegister(int size)
    {
        WriteTransaction tx;
        const int last = Db::scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) FROM Firmi")).toInt();
        const int held = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Firmi")).toInt();
        for (int id = last + 1; id <= last + size - held; ++id) {
            Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, EIK, ID_Mol) VALUES (?, ?, ?, ?)"),
                        {id, QStringLiteral("Фирма %1").arg(id), QString::number(100000000 + id), id});
            Db::execute(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient, EGN) VALUES (?, 'Лице', ?)"),
                        {id, QString::number(7000000000LL + id)});
        }
        tx.commit();
    }
};

class CatalogueNumberImportTest : public QObject
{
    Q_OBJECT
private slots:
    void memoAndSkips()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie) VALUES (100, 'Мляко')"));
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (1, 'Фирма', 1)"));
        CatalogueNumberImport handler(Db::connection());
        const QStringList memo = runImport(writeFile(program, "1:[100]2:[NK-1]3:[1]\n"
                                                              "1:[100]2:[NK-1]3:[1]\n"
                                                              "1:[100]3:[1]\n"
                                                              "1:[999]2:[X]3:[1]\n"
                                                              "1:[100]2:[X]3:[77]\n"
                                                              "1:[0]2:[X]3:[1]\n"
                                                              "1:[100]2:[NK-2]3:[1]\n"),
                                           handler);
        QCOMPARE(memo,
                 QStringList({QStringLiteral("1- Артикул: [100 - Мляко], Номенклатурен N: [NK-1], Контрагент N: [1 - Фирма] - ДОБАВЕН"),
                              QStringLiteral("Ред 2 е пропуснат: номенклатурният номер вече е записан за този артикул и контрагент"),
                              QStringLiteral("Ред 3 е пропуснат: липсва едно от полетата 1, 2 и 3"),
                              QStringLiteral("Ред 4 е пропуснат: артикул 999 не съществува"),
                              QStringLiteral("Ред 5 е пропуснат: контрагент 77 не съществува"),
                              QStringLiteral("Ред 6 е пропуснат: номерът на артикула (поле 1) не е цяло число над 0"),
                              QStringLiteral("7- Артикул: [100 - Мляко], Номенклатурен N: [NK-2], Контрагент N: [1 - Фирма] - ДОБАВЕН"),
                              QString(), QStringLiteral("Добавени: 2"), QStringLiteral("Пропуснати: 5"),
                              QStringLiteral("  номенклатурният номер вече е записан за този артикул и контрагент: 1 (ред 2)"),
                              QStringLiteral("  липсва едно от полетата 1, 2 и 3: 1 (ред 3)"),
                              QStringLiteral("  артикул 999 не съществува: 1 (ред 4)"),
                              QStringLiteral("  контрагент 77 не съществува: 1 (ред 5)"),
                              QStringLiteral("  номерът на артикула (поле 1) не е цяло число над 0: 1 (ред 6)"), kEsc}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures")), 2LL);
    }
};

class ImportMemoLimit : public QObject
{
    Q_OBJECT
private slots:
    void memoStopsAtItsLimitAndCountersCountAll()
    {
        TestProgram program;
        const int lines = ImportRun::MaxMemoLines + 3;
        QByteArray text;
        text.reserve(lines * 20);
        for (int i = 0; i < lines; ++i)
            text += "1:[x]2:[a]3:[1]\n";
        CatalogueNumberImport handler(Db::connection());
        const QStringList memo = runImport(writeFile(program, text), handler);
        QCOMPARE(memo.size(), ImportRun::MaxMemoLines + 6);
        QCOMPARE(memo.at(ImportRun::MaxMemoLines - 1),
                 QStringLiteral("Ред %1 е пропуснат: номерът на артикула (поле 1) не е цяло число над 0")
                     .arg(ImportRun::MaxMemoLines));
        QCOMPARE(memo.mid(ImportRun::MaxMemoLines),
                 QStringList({QStringLiteral("Още 3 обработени реда не са показани."), QString(),
                              QStringLiteral("Добавени: 0"), QStringLiteral("Пропуснати: %1").arg(lines),
                              QStringLiteral("  номерът на артикула (поле 1) не е цяло число над 0: %1 "
                                             "(редове 1, 2, 3, 4, 5 и още %2)")
                                  .arg(lines)
                                  .arg(lines - 5),
                              kEsc}));
    }
};

// A file of many lines: every article and its group written, and counted.
class ArticleImportManyLines : public QObject
{
    Q_OBJECT
private slots:
    void everyLineWritten()
    {
        constexpr int n = 5000;
        QByteArray text;
        for (int i = 1; i <= n; ++i)
            text += QStringLiteral("1:[%1]2:[N-%1]3:[Артикул номер %1]4:[12.50]5:[лв]6:[бр.]7:[Стоки %2]8:[1]9:[1]"
                                   "10:[Доставчик ООД]11:[2]12:[False]13:[True]\r\n")
                        .arg(i)
                        .arg(i % 10)
                        .toUtf8();
        TestProgram program;
        ArticleImport handler(treePath(program), false, Db::connection());
        const QStringList memo = runImport(writeFile(program, text), handler);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), qint64(n));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 10LL);
        QCOMPARE(memo.at(memo.size() - 3), QStringLiteral("Добавени: %1").arg(n));
    }
};

VTEST(ArticleImportTest)
VTEST(CounterpartyImportTest)
VTEST(CatalogueNumberImportTest)
VTEST(ImportMemoLimit)
VTEST(ArticleImportManyLines)
#include "test_imports.moc"
