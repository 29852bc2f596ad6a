#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "catalogue_test_support.h"

#include "catalogue/article_list.h"
#include "catalogue/catalogue_exports.h"
#include "catalogue/form_artikuli.h"
#include "common/cp1251.h"
#include "counterparties/counterparty_record.h"
#include "platform/script.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace CatalogueTest;

namespace {
QSqlRecord articleRecord(const ArticleRow &a)
{
    addArticle(a);
    return Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = ?"), {a.id}).value();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void open(TForm_Artikuli &w)
{
    w.loadTree(ArticleGroups::loadTree(ArticleGroups::treeFilePath()));
    w.TreeView1->setCurrentItem(w.TreeView1->topLevelItem(0));
    w.FormShow();
}

void markRows(TForm_Artikuli &w, const QList<int> &rows)
{
    w.DBGrid_Articles->clearSelection();
    for (int r : rows)
        w.DBGrid_Articles->selectionModel()->select(w.list()->index(r, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
}
} // namespace

class ScaleFileTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        PlatformScript::activate();
    }
    void cleanup()
    {
        PlatformScript::deactivate();
    }

    void lines()
    {
        TestProgram program;
        const QSqlRecord cheese = articleRecord({120, QStringLiteral("Сирене"), 1, 8.5, QStringLiteral("S-1"), 15,
                                                 QStringLiteral("1:30"), QStringLiteral("Сирене"),
                                                 QStringLiteral("Сирене краве")});
        QCOMPARE(ScaleFile::contents({cheese}),
                 Cp1251::encode(QStringLiteral("15;Сирене;Сирене;Сирене краве;120;1;30;S-1;8.5;0;")) + "\r\n");
        const QSqlRecord noShelf = articleRecord({121, QStringLiteral("Кашкавал"), 1, 12, QStringLiteral("S-1"), 16});
        QVERIFY(ScaleFile::line(noShelf).contains(QStringLiteral(";121;-1;;S-1;12;0;")));
        const QSqlRecord named = articleRecord({122, QStringLiteral("Мед; буркан\r\n1 кг"), 1, 1e-7, QString(), 17});
        QCOMPARE(ScaleFile::line(named), QStringLiteral("17;Мед, буркан 1 кг;;;122;-1;;;0.0000001;0;"));
        QCOMPARE(ScaleFile::line(articleRecord({123, QStringLiteral("Без код"), 1})), QString());

        const struct {
            double value;
            const char *text;
        } prices[] = {{8.5, "8.5"}, {0.1 + 0.2, "0.3"}, {1e15, "1000000000000000"}, {1e20, "100000000000000000000"},
                      {123456789.123456, "123456789.123456"}, {-2.25, "-2.25"}, {0, "0"}};
        for (const auto &p : prices)
            QCOMPARE(ScaleFile::priceText(p.value), QString::fromLatin1(p.text));
    }

    void windowWritesMarkedRowsOnly()
    {
        TestProgram program;
        writeTree({QStringLiteral("Всички артикули"), QStringLiteral("1:Стоки")});
        addGroup(1, QStringLiteral("Стоки"));
        TForm_Artikuli w;
        open(w);
        QVERIFY(!w.EVLXX1Click());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Няма данни за печат")});

        addArticle({1, QStringLiteral("Първи"), 1, 2, QString(), 0});
        addArticle({2, QStringLiteral("Втори"), 1, 3, QString(), 22});
        addArticle({3, QStringLiteral("Трети"), 1, 4, QString(), 23});
        w.TreeView1Click();
        const QString target = program.file(QStringLiteral("Artikules"));
        // Only code-0 rows marked: the file exists and is empty.
        markRows(w, {0});
        PlatformScript::answer(target);
        QVERIFY(w.EVLXX1Click());
        QCOMPARE(fileBytes(target + QStringLiteral(".txt")), QByteArray());
        markRows(w, {2, 0});
        PlatformScript::answer(QString(target + QStringLiteral(".txt")));
        QVERIFY(w.EVLXX1Click());
        QCOMPARE(fileBytes(target + QStringLiteral(".txt")), Cp1251::encode(QStringLiteral("23;Трети;;;3;-1;;;4;0;\r\n")));
        // Cancelled dialog: nothing written.
        QVERIFY(!w.EVLXX1Click());

        // A write that fails says so and leaves the old file.
        QFile blocker(program.file(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        PlatformScript::clearEvents();
        PlatformScript::answer(program.file(QStringLiteral("not-a-folder/Artikules.txt")));
        QVERIFY(!w.EVLXX1Click());
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).value(0).startsWith(
            QStringLiteral("Файлът за везната не беше записан")));
    }

    // The scale's software may run as another user: outside the program
    // folder the file is made as the user's umask gives, inside it the shop's.
    void theScaleFileIsReadableAsTheUsersUmaskGives()
    {
        UserUmask user(022);
        TestProgram program;
        writeTree({QStringLiteral("Всички артикули"), QStringLiteral("1:Стоки")});
        addGroup(1, QStringLiteral("Стоки"));
        addArticle({1, QStringLiteral("Първи"), 1, 2, QString(), 22});
        TForm_Artikuli w;
        open(w);
        w.TreeView1Click();
        markRows(w, {0});
        QTemporaryDir outside;
        const QString shared = QDir(outside.path()).filePath(QStringLiteral("Artikules.txt"));
        const QString own = program.file(QStringLiteral("TEMP/Artikules.txt"));
        for (const QString &path : {shared, own}) {
            PlatformScript::answer(path);
            QVERIFY(w.EVLXX1Click());
        }
        QCOMPARE(fileMode(shared), 0644);
        QCOMPARE(fileMode(own), 0640);
        // A file that was there keeps its own rights.
        QVERIFY(QFile::setPermissions(shared, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup));
        PlatformScript::answer(shared);
        QVERIFY(w.EVLXX1Click());
        QCOMPARE(fileMode(shared), 0660);
    }

    void listExportIncludesTheNinthColumn()
    {
        TestProgram program;
        writeTree({QStringLiteral("Всички артикули"), QStringLiteral("1:Стоки"), QStringLiteral("2:Празна")});
        addGroup(1, QStringLiteral("Стоки"));
        addGroup(2, QStringLiteral("Празна"));
        addArticle({1, QStringLiteral("Винт"), 1});
        CounterpartyFields f;
        f.Ime_Firma = QStringLiteral("Железария ЕООД");
        addCatalogueNumber(1, QStringLiteral("V-100"), CounterpartyRecord::insertPair(f, 0).id);
        TForm_Artikuli w;
        open(w);
        w.ComboBox_Select_Kriteria_Art->setCurrentIndex(ArticleSearch::CounterpartyNumber);
        w.ComboBox_Select_Kriteria_ArtChange();
        w.Edit_Ot->setText(QStringLiteral("v-1"));
        w.Button_artikulClick();
        QCOMPARE(w.list()->columnCount(), 9);
        QVERIFY(w.N11Click());
        const QStringList opened = PlatformScript::texts(QStringLiteral("openFile.shell"));
        QCOMPARE(opened.size(), 1);
        QVERIFY(QFileInfo(opened.first()).fileName().startsWith(QStringLiteral("Export_Articles")));
        const QString text = QString::fromUtf8(fileBytes(opened.first()));
        QVERIFY(text.contains(QStringLiteral("\tЕкспорт артикули ")));
        QVERIFY(text.contains(QStringLiteral("Име на фирма")));
        QVERIFY(text.contains(QStringLiteral("Железария")));

        // A group column as the criterion: the message, the node listed again.
        w.DBGrid_ArticlesCellClick(6);
        w.Button_artikulClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Некоректен критерии за търсене!"));
        QCOMPARE(w.list()->columnCount(), 8);

        PlatformScript::clearEvents();
        QTreeWidgetItem *empty = node(w.TreeView1, QStringLiteral("2:Празна"));
        w.TreeView1->setCurrentItem(empty);
        w.TreeView1Click();
        QVERIFY(!w.N11Click());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Няма данни за печат")});
        QVERIFY(PlatformScript::texts(QStringLiteral("openFile.shell")).isEmpty());
    }
};

VTEST(ScaleFileTest)

#include "test_catalogue_exports.moc"
