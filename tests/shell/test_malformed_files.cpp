// Malformed files from a fixed seed: the tagged import, the statement files,
// the tree files and the INI class never crash or hang, never write half a
// record, and say what was wrong where a user opened the file.
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/import_run.h"
#include "app/statement_file.h"
#include "app/statistics_memo.h"
#include "common/ini_file.h"
#include "common/tagged_import.h"
#include "common/tree_file.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "shell/imports/article_import.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace {
constexpr quint32 Seed = 20261207;

// Damages a valid text: bytes replaced, dropped, doubled, brackets and line
// ends thrown in, invalid UTF-8, NULs, a long run, a cut end.
QByteArray damage(const QByteArray &good, QRandomGenerator &rng)
{
    static constexpr char kSpecials[] = "[]:=\r\n\t\0\xff\xd0\xc0;%";
    static const QByteArray specials(kSpecials, sizeof kSpecials - 1);
    QByteArray b = good;
    const int edits = 1 + int(rng.bounded(12));
    for (int e = 0; e < edits; ++e) {
        const int at = b.isEmpty() ? 0 : int(rng.bounded(b.size()));
        switch (rng.bounded(7)) {
        case 0:
            if (!b.isEmpty())
                b[at] = char(rng.bounded(256));
            break;
        case 1:
            b.remove(at, 1 + int(rng.bounded(8)));
            break;
        case 2:
            b.insert(at, specials.at(int(rng.bounded(specials.size()))));
            break;
        case 3:
            b.insert(at, b.mid(at, 1 + int(rng.bounded(40))));
            break;
        case 4:
            b.insert(at, QByteArray(int(rng.bounded(5000)), rng.bounded(2) ? '[' : '\t'));
            break;
        case 5:
            b.truncate(at);
            break;
        default:
            b.insert(at, QByteArray::number(qint64(rng.generate64() >> 1)));
            break;
        }
    }
    return b;
}

QString write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

long long count(const QString &sql)
{
    return Db::scalar(sql).toLongLong();
}
} // namespace

class MalformedFilesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void taggedLinesParse()
    {
        QRandomGenerator rng(Seed);
        const QByteArray good = "1:[100]2:[N-1]3:[Мляко 1 л]4:[2.35]7:[Млечни]";
        for (int i = 0; i < 2000; ++i) {
            const TaggedLine line = GET_IMPORTED_DATA(QString::fromUtf8(damage(good, rng)));
            for (const TaggedField &f : line.fields) {
                for (QChar c : f.number)
                    QVERIFY2(c.isDigit(), qPrintable(QStringLiteral("case %1: number %2").arg(i).arg(f.number)));
                QVERIFY(!f.value.contains(QLatin1Char(']')));
            }
        }
    }

    void articleImportWritesWholeRecordsOnly()
    {
        QRandomGenerator rng(Seed + 1);
        QByteArray good;
        for (int i = 1; i <= 40; ++i)
            good += QStringLiteral("1:[%1]2:[N-%1]3:[Артикул %1]4:[1.%1]5:[лв]7:[Група %2]\r\n").arg(i).arg(i % 4).toUtf8();
        for (int i = 0; i < 30; ++i) {
            TestProgram program;
            const QString path = write(program.file(QStringLiteral("import.txt")), damage(good, rng));
            const QString tree = QDir(program.file(QStringLiteral("Data"))).filePath(QStringLiteral("Opis.pdt"));
            StatisticsMemo *memo = StatisticsMemo::instance(nullptr);
            memo->start();
            ArticleImport handler(tree, false, Db::connection());
            ImportRun::run(path, handler, memo, nullptr, Db::connection());
            const QString stats = memo->toPlainText();
            QVERIFY2(!stats.trimmed().isEmpty(), "the import says nothing");
            // Every article written whole: a group that exists, in the tree file too.
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE Nomer_Grupa NOT IN "
                                          "(SELECT ID FROM Grupi)")),
                     0LL);
            QStringList nodes;
            for (const TreeFileNode &n : TreeFile::read(tree))
                nodes << n.text;
            for (const QSqlRecord &g : Db::rows(QStringLiteral("SELECT ID || ':' || Opisanie FROM Grupi")))
                QVERIFY2(nodes.contains(g.value(0).toString()), qPrintable(g.value(0).toString()));
            QVERIFY(stats.contains(QStringLiteral("Добавени: %1").arg(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")))));
        }
    }

    void statementFilesLoadOrSayWhy()
    {
        TestProgram program(false);
        QRandomGenerator rng(Seed + 2);
        const QByteArray good = readAll(sourceSqlFolder() + QStringLiteral("/UpdateTables.nts")).left(6000)
                                + "\r\n[COUNT]\r\nMAX=12\r\n";
        QVERIFY(!good.isEmpty());
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 300; ++i) {
            QByteArray bytes = damage(good, rng);
            if (i % 10 == 0) // a count far beyond the sections the file has
                bytes += "\n[COUNT]\nMAX=" + QByteArray::number(qint64(rng.bounded(2000000000)) + 1000) + "\n";
            const StatementFile f = StatementFile::load(write(program.file(QStringLiteral("s.nts")), bytes));
            QVERIFY2(f.loaded || !f.error.isEmpty(), qPrintable(QString::number(i)));
            for (auto it = f.statements.cbegin(); it != f.statements.cend(); ++it)
                QVERIFY(it.key() >= 1 && it.key() <= f.max);
        }
        QVERIFY2(clock.elapsed() < 20000 * slowdown(), "malformed statement files load too slowly");
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList());
    }

    void treeFilesReadAndRoundTrip()
    {
        TestProgram program(false);
        QRandomGenerator rng(Seed + 3);
        const QByteArray good = "Стоки\n\tХрани\n\t\tМлечни\n\tНапитки\nУслуги\n\tРемонт\n";
        for (int i = 0; i < 500; ++i) {
            const TreeFileFormat format{bool(i % 2), bool(i % 3 == 0)};
            bool ok = false;
            const QList<TreeFileNode> nodes =
                TreeFile::read(write(program.file(QStringLiteral("t.pdt")), damage(good, rng)), &ok, format);
            QVERIFY(ok);
            for (const TreeFileNode &n : nodes) {
                QVERIFY(n.depth >= 0);
                QVERIFY(!n.text.contains(QLatin1Char('\n')) && !n.text.contains(QLatin1Char('\r')));
            }
            // What was read is written and read back the same.
            const QString copy = program.file(QStringLiteral("copy.pdt"));
            QVERIFY(TreeFile::write(copy, nodes, nullptr, format));
            const QList<TreeFileNode> again = TreeFile::read(copy, &ok, format);
            QVERIFY(ok);
            QCOMPARE(again.size(), nodes.size());
            for (int n = 0; n < nodes.size(); ++n) {
                QCOMPARE(again.at(n).text, nodes.at(n).text);
                QCOMPARE(again.at(n).depth, nodes.at(n).depth);
            }
        }
        // A tree file that cannot be read says so: a missing one, and a folder in its place.
        QDir().mkpath(program.file(QStringLiteral("dir.pdt")));
        for (const char *name : {"none.pdt", "dir.pdt"}) {
            bool ok = true;
            QVERIFY2(TreeFile::read(program.file(QString::fromLatin1(name)), &ok).isEmpty(), name);
            QVERIFY2(!ok, name);
        }
    }

    void iniKeepsWhatItCannotParse()
    {
        TestProgram program(false);
        QRandomGenerator rng(Seed + 4);
        const QByteArray good = "; comment\n[Firm_Data]\nName=Магазин\nDDS=20\n[Tuning]\nFB=2\n24=1: ЕЛТРЕЙД\n";
        for (int i = 0; i < 500; ++i) {
            const QByteArray bytes = damage(good, rng);
            const QString path = write(program.file(QStringLiteral("f.ini")), bytes);
            {
                IniFile ini(path);
                QVERIFY(ini.readable());
                ini.writeString(QStringLiteral("Проба"), QStringLiteral("Ключ"), QStringLiteral("стойност"));
                QString error;
                QVERIFY2(ini.save(&error), qPrintable(error));
            }
            const IniFile again(path);
            QCOMPARE(again.readString(QStringLiteral("Проба"), QStringLiteral("Ключ")), QStringLiteral("стойност"));
            // Every line of an old UTF-8 file is still there (another file is read as code page 1251).
            const QString saved = QString::fromUtf8(readAll(path));
            if (QString::fromUtf8(bytes).toUtf8() != bytes)
                continue;
            for (const QByteArray &raw : bytes.split('\n')) {
                const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
                if (line.contains('\r') || line.contains('\0') || line.trimmed().isEmpty())
                    continue;
                const QString text = QString::fromUtf8(line);
                if (text.contains(QChar::ReplacementCharacter) || text.toUtf8() != line)
                    continue;
                QVERIFY2(saved.contains(text), qPrintable(QStringLiteral("case %1 lost: %2").arg(i).arg(text)));
            }
        }
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList());
    }
};

VTEST(MalformedFilesTest)
#include "test_malformed_files.moc"
