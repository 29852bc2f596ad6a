#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "catalogue_data.h"
#include "app/long_operation.h"
#include "common/cp1251.h"
#include "offers/catalogue_import.h"
#include "offers/catalogue_import_command.h"
#include "offers/form_oferti.h"
#include "platform/db/transaction.h"
#include "platform/script.h"
#include "shell/test_main_window_support.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <unistd.h>

using namespace CatalogueImport;

namespace {
QString writeCatalogue(const TestProgram &program, const QString &text, const QString &name = "catalogue.txt")
{
    const QString path = program.file(name);
    QFile f(path);
    const QByteArray bytes = Cp1251::encode(text);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

Result importFile(const QString &path, Mode mode = Mode::Import, long long supplier = 0,
                  std::function<bool(int chunk)> between = {}, int chunkMs = 50)
{
    Callbacks cb;
    int chunk = 0;
    bool stop = false;
    cb.between = [&](qint64 done, qint64) {
        stop = stop || (done > 0 && between && !between(++chunk));
        return !stop;
    };
    cb.stopRequested = [&] { return stop; };
    return run(path, mode, supplier, SupplierCatalogue::treeFilePath(), cb, chunkMs);
}

QStringList rows(const QString &sql)
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(sql)) {
        QStringList values;
        for (int i = 0; i < r.count(); ++i)
            values << r.value(i).toString();
        out << values.join(QLatin1Char('|'));
    }
    return out;
}

QStringList articles()
{
    return rows(QStringLiteral("SELECT ID, Opisanie, Cena_1, Cena_2, Cena_3, Valuta, Status, ID_G, ID_F, Kat_N "
                               "FROM Art_CL ORDER BY ID"));
}

// Supplier 1 with two groups and three articles, supplier 2 with one of each.
void twoSuppliers()
{
    addSupplier(1, QStringLiteral("Алфа"), QStringLiteral("www.alfa.bg"));
    addSupplier(2, QStringLiteral("Бета"));
    addGroup(1, 1, QStringLiteral("Мляко"));
    addGroup(1, 3, QStringLiteral("Сирена"));
    addGroup(2, 1, QStringLiteral("Напитки"));
    addArticles(1, 1, {{QStringLiteral("Мляко 1л"), 2.5}, {QStringLiteral("Айран"), 1.1}});
    addArticles(1, 3, {{QStringLiteral("Сирене"), 9.9}});
    addArticles(2, 1, {{QStringLiteral("Вода"), 1.1}});
    writeTree({QStringLiteral("1:Алфа"), QStringLiteral("\t1:Мляко"), QStringLiteral("\t3:Сирена"),
               QStringLiteral("2:Бета"), QStringLiteral("\t1:Напитки")});
}

const QString kUpdateFile = QStringLiteral("16:[Алфа Нова]17:[друг линк]\n11:[Сухо]\n1:[Хляб]2:[1.5]5:[BGN]\n"
                                           "11:[Прясно]\n1:[Кисело]2:[2]5:[BGN]7:[K7]\n");

void refuseInsert(const QString &table, const QString &name)
{
    refuseWrites(QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE INSERT ON %1 WHEN NEW.Opisanie = '%2' "
                               "BEGIN SELECT RAISE(ABORT, 'отказан ред'); END")
                    .arg(table, name));
}
} // namespace

class CatalogueLineTest : public QObject
{
    Q_OBJECT
private slots:
    void prices_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("point") << "12.50" << true << 12.5;
        QTest::newRow("blanks") << " 12.5 " << true << 12.5;
        QTest::newRow("comma") << "12,50" << true << 12.5;
        QTest::newRow("sign exponent") << "-1.5e2" << true << -150.0;
        QTest::newRow("no fraction digits") << "7." << true << 7.0;
        QTest::newRow("thousands blank") << "1 234" << false << 0.0;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0;
        QTest::newRow("word") << "abc" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("point alone") << "." << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
    }
    void prices()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double v = -1;
        QCOMPARE(priceValue(text, &v), ok);
        QCOMPARE(v, value);
    }

    void lineKinds()
    {
        QCOMPARE(IMPORT_CL(QStringLiteral("1:[a:b[c]")).name, QStringLiteral("a:b[c"));
        const CatalogueLine quoted = IMPORT_CL(QStringLiteral("1:[\"Мляко\" 1л]2:[ 3,5 ]3:[x]5:[BGN]"));
        QCOMPARE(quoted.name, QStringLiteral("'Мляко' 1л"));
        QCOMPARE(quoted.price[0], 3.5);
        QCOMPARE(quoted.zeroedPrices, 1);
        QVERIFY(quoted.articleComplete());

        const CatalogueLine both = IMPORT_CL(QStringLiteral("1:[x]16:[Ф]11:[Г]2:[1]5:[BGN]"));
        QCOMPARE(both.kind, CatalogueLine::Supplier);
        QVERIFY(both.opensGroup);
        QVERIFY(both.name.isEmpty()); // article fields on a supplier line are dropped
        QCOMPARE(IMPORT_CL(QStringLiteral("016:[Ф]")).kind, CatalogueLine::Supplier);
        QCOMPARE(IMPORT_CL(QStringLiteral("12:[x]11:[Г]1:[y]")).kind, CatalogueLine::Group);
        QCOMPARE(IMPORT_CL(QStringLiteral("12:[x]17:[y]20:[z]")).kind, CatalogueLine::Nothing);
        QCOMPARE(IMPORT_CL(QStringLiteral("20:[x]1:[A]2:[1]5:[BGN]")).kind, CatalogueLine::Article);
        QVERIFY(!IMPORT_CL(QStringLiteral("8:[x]")).articleComplete());
    }
};

class CatalogueImportTest : public QObject
{
    Q_OBJECT
private slots:
    void importsSuppliersGroupsAndArticles()
    {
        TestProgram program;
        const QString path = writeCatalogue(
            program, QStringLiteral("11:[Сираче]\n"
                                    "16:[Алфа]17:[www.alfa.bg]18:[a]19:[b]\r\n"
                                    "1:[Преди група]2:[1]5:[BGN]\n"
                                    "11:[Мляко]1:[изпуснат]\n"
                                    "1:[\"Прясно\" мляко]2:[12,50]3:[12.5 ]4:[]5:[BGN]6:[нов]7:[K-1]\n"
                                    "1:[A]2:[1]5:[BGN]20:[x]\n"
                                    "1:[B]2:[2]5:[BGN]\n"
                                    "20:[x]1:[C]2:[3]5:[BGN]10:[y]\n"
                                    "1:[D]2:[1 234]5:[EUR]\n"
                                    "1:[Без цена]5:[BGN]\n"
                                    "12:[само]\n"
                                    "16:[Бета]11:[Напитки]\n"
                                    "1:[Вода]2:[1]5:[BGN]\n"));
        const Result r = importFile(path);
        QCOMPARE(r.ending, Ending::Completed);
        QCOMPARE(rows(QStringLiteral("SELECT ID, Opisanie, Link, Dop_1, Dop_2 FROM Firm_CL ORDER BY ID")),
                 QStringList({"1|Алфа|www.alfa.bg|a|b", "2|Бета|||"}));
        QCOMPARE(rows(QStringLiteral("SELECT ID_F, ID, Opisanie FROM Grupi_CL ORDER BY ID_F, ID")),
                 QStringList({"1|1|Мляко", "2|1|Напитки"}));
        QCOMPARE(articles(), QStringList({"1|'Прясно' мляко|12.5|12.5|0|BGN|нов|1|1|K-1", "2|A|1|0|0|BGN||1|1|",
                                          "3|B|2|0|0|BGN||1|1|", "4|C|3|0|0|BGN||1|1|", "5|D|0|0|0|EUR||1|1|",
                                          "6|Вода|1|0|0|BGN||1|2|"}));
        QCOMPARE(savedTree(), QStringList({"1:Алфа", "\t1:Мляко", "2:Бета", "\t1:Напитки"}));
        QCOMPARE(r.counts.zeroedPrices, 1LL);
        QCOMPARE(r.skipped, 4LL);
        const QString text = message(r, Mode::Import);
        QVERIFY2(text.contains(QStringLiteral("Добавени: доставчици 2, групи 2, артикули 6")), qPrintable(text));
        // Each reason names its lines, so a bad line can be found in the file.
        QVERIFY2(text.endsWith(QStringLiteral("Пропуснати редове: 4\n"
                                              "  група преди първия доставчик: 1 (ред 1)\n"
                                              "  артикул преди първата група на доставчика: 1 (ред 3)\n"
                                              "  липсва едно от полетата 1, 2 и 5: 1 (ред 10)\n"
                                              "  няма доставчик, група или артикул: 1 (ред 11)")),
                 qPrintable(text));
    }

    // A UTF-16 catalogue or one holding NUL bytes is refused whole; control
    // characters other than the tab never reach a stored field.
    void utf16AndNulCataloguesAreRefusedWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        const QString text = QStringLiteral("16:[Доставчик]\r\n11:[Група]\r\n1:[Артикул]2:[1]5:[BGN]\r\n");
        QByteArray le("\xFF\xFE"), be;
        for (const QChar c : text) {
            le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
            be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
        }
        QTest::newRow("UTF-16 LE with BOM") << le << QStringLiteral("UTF-16 LE");
        QTest::newRow("UTF-16 BE without BOM") << be << QStringLiteral("UTF-16 BE");
        QTest::newRow("a NUL in a good file") << Cp1251::encode(text) + QByteArray("1:[B\0]2:[1]5:[BGN]\r\n", 20)
                                           << QStringLiteral("NUL");
    }
    void utf16AndNulCataloguesAreRefusedWhole()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        TestProgram program;
        const QString path = program.file(QStringLiteral("каталог.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        const Result r = importFile(path);
        QCOMPARE(r.ending, Ending::Failed);
        const QString text = message(r, Mode::Import);
        QVERIFY2(text.contains(QDir::toNativeSeparators(path)) && text.contains(encoding), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Добавени: доставчици 0, групи 0, артикули 0")));
        QCOMPARE(rowCount(QStringLiteral("Firm_CL")), 0LL);
        QCOMPARE(rowCount(QStringLiteral("Art_CL")), 0LL);
        QVERIFY(savedTree().isEmpty());
    }

    void controlCharactersNeverReachAField()
    {
        TestProgram program;
        const Result r = importFile(writeCatalogue(
            program, QStringLiteral("16:[Ал\x01фа]17:[www\x07.bg]\n11:[Мля\x1Fко]\n"
                                    "1:[Мляко\t1 л\x0C]2:[1]5:[BG\x7FN]6:[\x1B]7:[K\x02-1]\n")));
        QCOMPARE(r.ending, Ending::Completed);
        QCOMPARE(rows(QStringLiteral("SELECT Opisanie, Link FROM Firm_CL")), QStringList{"Алфа|www.bg"});
        QCOMPARE(rows(QStringLiteral("SELECT Opisanie FROM Grupi_CL")), QStringList{"Мляко"});
        QCOMPARE(articles(), QStringList{"1|Мляко\t1 л|1|0|0|BGN||1|1|K-1"});
        QCOMPARE(savedTree(), QStringList({"1:Алфа", "\t1:Мляко"}));
    }

    void failingLineLeavesNothingOfItself()
    {
        TestProgram program;
        refuseInsert(QStringLiteral("Grupi_CL"), QStringLiteral("ЛОША"));
        const QString path = writeCatalogue(program, QStringLiteral("16:[Алфа]\n11:[Мляко]\n1:[A]2:[1]5:[BGN]\n"
                                                                    "16:[Бета]11:[ЛОША]\n1:[B]2:[1]5:[BGN]\n"));
        const Result r = importFile(path);
        QCOMPARE(r.ending, Ending::Failed);
        QVERIFY2(r.message.contains(QStringLiteral("ред 4")) && r.message.contains(QStringLiteral("отказан ред")),
                 qPrintable(r.message));
        QCOMPARE(rows(QStringLiteral("SELECT Opisanie FROM Firm_CL")), QStringList{"Алфа"});
        QCOMPARE(rowCount(QStringLiteral("Art_CL")), 1LL);
        QCOMPARE(savedTree(), QStringList({"1:Алфа", "\t1:Мляко"}));
    }

    void stopKeepsCommittedChunksAndTheirNodes()
    {
        TestProgram program;
        const QString path = writeCatalogue(program, QStringLiteral("16:[Алфа]\n11:[Г1]\n1:[A]2:[1]5:[BGN]\n"
                                                                    "16:[Бета]\n11:[Г2]\n1:[B]2:[1]5:[BGN]\n"));
        // One line a chunk: the stop comes after the third line; another
        // workstation's supplier reaches the file after the first.
        const Result r = importFile(
            path, Mode::Import, 0,
            [](int chunk) {
                if (chunk == 1) {
                    addSupplier(7, QStringLiteral("Чужд"));
                    writeTree(savedTree() + QStringList{QStringLiteral("7:Чужд")});
                }
                return chunk < 3;
            },
            0);
        QCOMPARE(r.ending, Ending::Stopped);
        QCOMPARE(rows(QStringLiteral("SELECT ID, Opisanie FROM Firm_CL ORDER BY ID")),
                 QStringList({"1|Алфа", "7|Чужд"}));
        QCOMPARE(rowCount(QStringLiteral("Art_CL")), 1LL);
        QCOMPARE(savedTree(), QStringList({"1:Алфа", "\t1:Г1", "7:Чужд"}));
    }

    void unwritableTreeFileRollsTheChunkBack()
    {
        TestProgram program;
        writeTree({});
        const QString tree = SupplierCatalogue::treeFilePath();
        const bool root = getuid() == 0;
        if (root ? QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), tree}) != 0
                 : !QFile::setPermissions(tree, QFile::ReadOwner))
            QSKIP("the tree file cannot be made read-only here");
        const Result r = importFile(writeCatalogue(program, QStringLiteral("16:[Алфа]\n11:[Г]\n")));
        if (root)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), tree});
        QCOMPARE(r.ending, Ending::Failed);
        QVERIFY2(r.message.contains(QStringLiteral("не може да бъде записан")), qPrintable(r.message));
        QCOMPARE(rowCount(QStringLiteral("Firm_CL")) + rowCount(QStringLiteral("Grupi_CL")), 0LL);
        QVERIFY(savedTree().isEmpty());
    }

    void timersFindNoOpenTransaction()
    {
        TestProgram program;
        QString text;
        for (int i = 0; i < 300; ++i)
            text += (i % 100 == 0 ? QStringLiteral("16:[Ф%1]\n11:[Г]\n").arg(i) : QString())
                    + QStringLiteral("1:[А%1]2:[1]5:[BGN]\n").arg(i);
        const QString path = writeCatalogue(program, text);
        QSqlDatabase other = otherConnection(QStringLiteral("other"));
        shortenBusyWait(1, other);
        int fired = 0, blocked = 0;
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++fired;
            if (WriteTransaction::anyOpen() || !writeLockFree(other))
                ++blocked;
        });
        timer.start();
        const Result r = importFile(path, Mode::Import, 0, [](int) {
            QCoreApplication::processEvents();
            return true;
        }, 0);
        timer.stop();
        other = QSqlDatabase();
        Db::close(QStringLiteral("other"));
        QCOMPARE(r.ending, Ending::Completed);
        QVERIFY(fired > 100);
        QCOMPARE(blocked, 0);
    }
};

class CatalogueUpdateTest : public QObject
{
    Q_OBJECT
private slots:
    void replacesTheSupplierInOneSwap()
    {
        TestProgram program;
        twoSuppliers();
        const QStringList others = rows(QStringLiteral("SELECT * FROM Art_CL WHERE ID_F = 2"));
        const Result r = importFile(writeCatalogue(program, kUpdateFile), Mode::Update, 1);
        QCOMPARE(r.ending, Ending::Completed);
        QCOMPARE(rows(QStringLiteral("SELECT ID, Opisanie, Link FROM Firm_CL ORDER BY ID")),
                 QStringList({"1|Алфа Нова|www.alfa.bg", "2|Бета|"})); // fields 17-19 stay
        QCOMPARE(rows(QStringLiteral("SELECT ID_F, ID, Opisanie FROM Grupi_CL ORDER BY ID_F, ID")),
                 QStringList({"1|1|Сухо", "1|2|Прясно", "2|1|Напитки"}));
        QCOMPARE(rows(QStringLiteral("SELECT Opisanie, ID_G, Kat_N FROM Art_CL WHERE ID_F = 1 ORDER BY ID")),
                 QStringList({"Хляб|1|", "Кисело|2|K7"}));
        QCOMPARE(rows(QStringLiteral("SELECT * FROM Art_CL WHERE ID_F = 2")), others);
        QCOMPARE(savedTree(), QStringList({"1:Алфа Нова", "\t1:Сухо", "\t2:Прясно", "2:Бета", "\t1:Напитки"}));
        QCOMPARE(message(r, Mode::Update, QStringLiteral("1:Алфа Нова")).section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Каталогът на 1:Алфа Нова е актуализиран."));
    }

    void everyOtherEndingKeepsTheCatalogue_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("stopped") << "stop";
        QTest::newRow("stopped after the last line") << "stop at the end";
        QTest::newRow("failure at the last line") << "fail";
        QTest::newRow("supplier deleted meanwhile") << "deleted";
        QTest::newRow("catalogue deleted meanwhile") << "node";
        QTest::newRow("foreign staged row") << "foreign";
    }
    void everyOtherEndingKeepsTheCatalogue()
    {
        QFETCH(QString, ending);
        TestProgram program;
        twoSuppliers();
        // Another workstation may delete supplier 1's catalogue meanwhile.
        const QString gone = ending == QLatin1String("node") ? QStringLiteral("1") : QStringLiteral("0");
        auto catalogues = [&gone] {
            return rows(QStringLiteral("SELECT ID, Opisanie, Cena_1, Cena_2, Cena_3, Valuta, Status, ID_G, ID_F, Kat_N "
                                       "FROM Art_CL WHERE ID_F <> %1 ORDER BY ID").arg(gone))
                   + rows(QStringLiteral("SELECT * FROM Grupi_CL WHERE ID_F <> %1 ORDER BY ID_F, ID").arg(gone));
        };
        const QStringList before = catalogues();
        QStringList tree = savedTree();
        // A crash's staged rows go at the next update.
        addArticles(-1, 1, {{QStringLiteral("остатък"), 1}});
        if (ending == QLatin1String("fail"))
            refuseInsert(QStringLiteral("Art_CL"), QStringLiteral("Кисело"));
        const Result r = importFile(writeCatalogue(program, kUpdateFile), Mode::Update, 1, [&](int chunk) {
            if (ending == QLatin1String("stop at the end"))
                return chunk < 6; // five lines, then the chunk that finds the end
            if (chunk != 2)
                return true;
            if (ending == QLatin1String("deleted")) {
                Db::execute(QStringLiteral("DELETE FROM Firm_CL WHERE ID = 1"));
                tree = tree.mid(3); // a node of a supplier the table lacks goes at the swap
            }
            if (ending == QLatin1String("node")) {
                if (!SupplierCatalogue::deleteSupplier(1, SupplierCatalogue::treeFilePath()).ok)
                    return false;
                tree = tree.mid(3);
            }
            if (ending == QLatin1String("foreign"))
                addArticles(-1, 1, {{QStringLiteral("чужд"), 1}});
            return ending != QLatin1String("stop");
        }, 0);
        QCOMPARE(r.ending, ending.startsWith(QLatin1String("stop")) ? Ending::Stopped
                           : ending == QLatin1String("fail") ? Ending::Failed
                                                             : Ending::Refused);
        if (r.ending == Ending::Refused)
            QVERIFY(message(r, Mode::Update).contains(QStringLiteral("беше изтрит или променен")));
        else
            QVERIFY(message(r, Mode::Update).contains(QStringLiteral("остава непроменен")));
        if (ending == QLatin1String("fail"))
            QVERIFY(r.message.contains(QStringLiteral("отказан ред")));
        QCOMPARE(catalogues(), before);
        QCOMPARE(savedTree(), tree);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Firm_CL WHERE ID = 1")).toString(),
                 ending == QLatin1String("deleted") ? QString() : QStringLiteral("Алфа"));
    }
};

// The window's commands, with the main window's bar and cancel button.
class CatalogueCommandTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        TForm_Oferti::setImportHooks({}, {});
        CatalogueImportCommand::setChunkMs(50);
        PlatformScript::setModalHandler({});
    }

    void updateNeedsASupplierAndACatalogue()
    {
        TestProgram program;
        twoSuppliers();
        CatalogueImportCommand::install();
        TForm_Oferti w;
        TForm_Oferti::open(&w);
        w.TreeView1->setCurrentItem(w.TreeView1->topLevelItem(0)->child(0));
        w.N_Actualizacia->trigger();
        const QString text = PlatformScript::texts(QStringLiteral("message")).value(0);
        QCOMPARE(text, QStringLiteral("Необходимо е да изберете Фирма за актуализацията"));
        for (const QChar c : text)
            QVERIFY(c.unicode() < 'a' || c.unicode() > 'z'); // all Cyrillic
        const QStringList before = articles();
        w.TreeView1->setCurrentItem(w.TreeView1->topLevelItem(0));
        w.N_Actualizacia->trigger(); // the file dialog is cancelled
        QCOMPARE(articles(), before);
        QCOMPARE(savedTree().size(), 5);
    }

    void cancelButtonsStopTheRunOnce()
    {
        TestProgram program;
        auto main = shelltest::startedWindow();
        QVERIFY(main);
        auto *w = main->formOnce<TForm_Oferti>();
        TForm_Oferti::open(w);
        QString text = QStringLiteral("16:[Алфа]\n11:[Г]\n");
        for (int i = 0; i < 40; ++i)
            text += QStringLiteral("1:[А%1]2:[1]5:[BGN]\n").arg(i);
        const QString path = writeCatalogue(program, text);
        CatalogueImportCommand::setChunkMs(0);

        // During the run: flag 1, both bars up, the grid off, the window
        // minimised, and nothing but the cancel buttons takes input.
        int lines = 0;
        int sortDirection = SortDirection;
        bool duringRun = false;
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!LongOperation::running())
                return;
            if (++lines == 10) {
                duringRun = LongOperationFlag == 1 && !w->Gauge1->isHidden()
                            && !w->Panel14->isHidden() && !w->DBGrid_Art->isEnabled()
                            && main->Panel_Progress->isVisibleTo(main.get())
                            && main->Gauge1->toolTip() == QStringLiteral("Добавяне на оферти");
                QTest::mouseClick(w->SpdBtn_Multi_Sort, Qt::LeftButton);
                QTest::keyClick(w->TreeView1, Qt::Key_Delete);
                w->BitBtn_Sel_Cancel->click();
                w->BitBtn_Sel_Cancel->click(); // a second press does not resume
            }
        });
        timer.start();
        PlatformScript::answer(path);
        w->N_Import_CL->trigger();
        QVERIFY(duringRun);
        QCOMPARE(SortDirection, sortDirection);
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty()); // no delete asked
        const long long kept = rowCount(QStringLiteral("Art_CL"));
        QVERIFY2(kept > 0 && kept < 40, qPrintable(QString::number(kept)));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).last().startsWith(
            QStringLiteral("Импортът на каталога е прекъснат.")));
        QCOMPARE(LongOperationFlag, -1);
        QVERIFY(w->Gauge1->isHidden() && w->Panel14->isHidden() && w->DBGrid_Art->isEnabled());
        QVERIFY(!main->Panel_Progress->isVisibleTo(main.get()));
        QVERIFY(!w->isMinimized());
        QCOMPARE(w->TreeView1->topLevelItemCount(), 1);

        // The main window's cancel stops the next run; pressed idle, it spares the one after.
        lines = 0;
        QObject::disconnect(&timer, nullptr, nullptr, nullptr);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (LongOperation::running() && ++lines == 5)
                main->BitBtn_Sel_Cancel->click();
        });
        PlatformScript::answer(path);
        w->N_Import_CL->trigger();
        QVERIFY(rowCount(QStringLiteral("Art_CL")) < kept + 40);
        main->BitBtn_Sel_Cancel->click();
        timer.stop();
        PlatformScript::answer(path);
        const long long before = rowCount(QStringLiteral("Art_CL"));
        w->N_Import_CL->trigger();
        QCOMPARE(rowCount(QStringLiteral("Art_CL")), before + 40);
        QCOMPARE(LongOperationFlag, -1);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).last().startsWith(
            QStringLiteral("Импортът на каталога завърши.")));
    }

    void updateThroughTheWindowAndCloseStopsIt()
    {
        TestProgram program;
        auto main = shelltest::startedWindow();
        QVERIFY(main);
        twoSuppliers();
        auto *w = main->formOnce<TForm_Oferti>();
        TForm_Oferti::open(w);
        CatalogueImportCommand::setChunkMs(0);
        const QString path = writeCatalogue(program, kUpdateFile);
        bool seen = false, closeNow = false;
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!LongOperation::running())
                return;
            seen = seen || (LongOperationFlag == 2 && main->Gauge1->toolTip() == QStringLiteral("Актуализация на оферти"));
            if (closeNow)
                main->close();
        });
        timer.start();
        w->TreeView1->setCurrentItem(w->TreeView1->topLevelItem(0));
        PlatformScript::answer(path);
        w->N_Actualizacia->trigger();
        QVERIFY(seen);
        QCOMPARE(w->TreeView1->currentItem()->text(0), QStringLiteral("1:Алфа Нова"));
        QCOMPARE(w->TreeView1->currentItem()->childCount(), 2);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last().section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Каталогът на 1:Алфа Нова е актуализиран."));

        // Closing the program stops the next run first; it says nothing more.
        const QStringList before = articles();
        const int messages = PlatformScript::texts(QStringLiteral("message")).size();
        closeNow = true;
        PlatformScript::answer(path);
        w->N_Actualizacia->trigger();
        timer.stop();
        QCOMPARE(articles(), before);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), messages);
        QCOMPARE(LongOperationFlag, -1);
    }
};

// A catalogue of many lines in many groups: read in chunks with events let
// run between them, every article written.
class CatalogueImportManyLines : public QObject
{
    Q_OBJECT
private slots:
    void everyLineWritten()
    {
        constexpr int n = 5000;
        constexpr int groups = 50;
        TestProgram program;
        QString text = QStringLiteral("16:[Доставчик ООД]17:[www.d.bg]18:[София]19:[бележка]\r\n");
        for (int i = 0; i < n; ++i) {
            if (i % (n / groups) == 0)
                text += QStringLiteral("11:[Група %1]\r\n").arg(i / (n / groups) + 1);
            text += QStringLiteral("1:[Артикул номер %1]2:[%2.50]3:[%3.10]4:[%4]5:[BGN]6:[наличен]7:[КН-%1]\r\n")
                        .arg(i)
                        .arg(i % 90 + 1)
                        .arg(i % 80 + 1)
                        .arg(i % 70 + 1);
        }
        int chunks = 0;
        const Result r = importFile(writeCatalogue(program, text), Mode::Import, 0,
                                    [&](int) {
                                        ++chunks;
                                        QCoreApplication::processEvents();
                                        return true;
                                    },
                                    1);
        QCOMPARE(r.ending, Ending::Completed);
        QCOMPARE(r.counts.articles, qint64(n));
        QCOMPARE(r.counts.groups, qint64(groups));
        QVERIFY(chunks > 1);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Art_CL")).toLongLong(), qint64(n));
    }
};

VTEST(CatalogueLineTest)
VTEST(CatalogueImportTest)
VTEST(CatalogueUpdateTest)
VTEST(CatalogueCommandTest)
VTEST(CatalogueImportManyLines)
#include "test_catalogue_import.moc"
