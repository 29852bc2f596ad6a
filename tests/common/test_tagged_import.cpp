#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/cp1251.h"
#include "common/tagged_import.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
using Fields = QList<QPair<QString, QString>>;

Fields fieldsOf(const TaggedLine &line)
{
    Fields out;
    for (const TaggedField &f : line.fields)
        out.append({f.number, f.value});
    return out;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QList<TaggedFileReader::Line> readAll(const QString &path, TaggedFileReader *reader = nullptr)
{
    TaggedFileReader own(path);
    TaggedFileReader &r = reader ? *reader : own;
    if (!r.open())
        qFatal("cannot open %s", qPrintable(path));
    QList<TaggedFileReader::Line> lines;
    TaggedFileReader::Line line;
    while (r.next(&line))
        lines.append(line);
    return lines;
}
} // namespace

class TaggedLineParser : public QObject
{
    Q_OBJECT
private slots:
    void parses_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<bool>("open");
        QTest::newRow("example") << QStringLiteral("1:[100]3:[Мляко 1 л]")
                                 << Fields{{"1", "100"}, {"3", QStringLiteral("Мляко 1 л")}} << false;
        QTest::newRow("colon inside") << QStringLiteral("1:[ул. Витоша: 5]")
                                      << Fields{{"1", QStringLiteral("ул. Витоша: 5")}} << false;
        QTest::newRow("trailing text") << QStringLiteral("1:[a]2:[b] и още текст")
                                       << Fields{{"1", "a"}, {"2", "b"}} << false;
        QTest::newRow("bracket inside") << QStringLiteral("1:[a[b]2:[c]")
                                        << Fields{{"1", "a[b"}, {"2", "c"}} << false;
        QTest::newRow("double quote") << QStringLiteral("3:[ЕТ \"Иван\"]")
                                      << Fields{{"3", QStringLiteral("ЕТ \"Иван\"")}} << false;
        QTest::newRow("digits inside") << QStringLiteral("4:[12:30 5]") << Fields{{"4", "12:30 5"}} << false;
        QTest::newRow("open bracket") << QStringLiteral("1:[100]3:[Мляко") << Fields{{"1", "100"}} << true;
        // Digits between fields join the next field's number.
        QTest::newRow("digits between") << QStringLiteral("1:[a]22 3:[b]") << Fields{{"1", "a"}, {"223", "b"}}
                                        << false;
        QTest::newRow("stray closing") << QStringLiteral("]1:[x]") << Fields{{"1", "x"}} << false;
        QTest::newRow("empty value") << QStringLiteral("5:[]") << Fields{{"5", ""}} << false;
        QTest::newRow("no number") << QStringLiteral("[x]") << Fields{{"", "x"}} << false;
        QTest::newRow("nothing") << QStringLiteral("просто текст 12") << Fields{} << false;
    }
    void parses()
    {
        QFETCH(QString, line);
        QFETCH(Fields, fields);
        QFETCH(bool, open);
        const TaggedLine parsed = GET_IMPORTED_DATA(line);
        QCOMPARE(fieldsOf(parsed), fields);
        QCOMPARE(parsed.bracketOpen, open);
    }

    void firstOfRepeatedNumberCounts()
    {
        const TaggedLine line = GET_IMPORTED_DATA(QStringLiteral("1:[a]1:[b]2:[c]"));
        QCOMPARE(line.value(1), QStringLiteral("a"));
        QVERIFY(line.has(2));
        QVERIFY(!line.has(3));
        QCOMPARE(line.value(3, QStringLiteral("0")), QStringLiteral("0"));
        QVERIFY(!line.isEmpty());
        QVERIFY(GET_IMPORTED_DATA(QStringLiteral("[x]")).isEmpty()); // a value without a number is no field
    }
};

class TaggedFileReading : public QObject
{
    Q_OBJECT
private slots:
    void encodingsAndLineEndsGiveTheSameRows()
    {
        QTemporaryDir dir;
        const QString text = QStringLiteral("1:[100]3:[Мляко Ъ]\n\n   \n1:[101]3:[Чушки, щипка]\n1:[102]");
        QByteArray utf8 = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        QByteArray cp = Cp1251::encode(text);
        const QList<TaggedFileReader::Line> expected = readAll(writeFile(dir, "u.txt", utf8));
        QCOMPARE(expected.size(), 3);
        QCOMPARE(expected.at(0).text, QStringLiteral("1:[100]3:[Мляко Ъ]"));
        QCOMPARE(expected.at(1).number, 4LL); // blank lines are passed over but counted
        QCOMPARE(expected.at(2).text, QStringLiteral("1:[102]"));
        for (const QByteArray &bytes : {cp, QByteArray(utf8).replace("\n", "\r\n"), QByteArray(cp).replace("\n", "\r\n")}) {
            const QList<TaggedFileReader::Line> got = readAll(writeFile(dir, "x.txt", bytes));
            QCOMPARE(got.size(), expected.size());
            for (int i = 0; i < got.size(); ++i) {
                QCOMPARE(got.at(i).text, expected.at(i).text);
                QCOMPARE(got.at(i).number, expected.at(i).number);
            }
        }
    }

    void overlongLineIsSkippedAndReadingGoesOn()
    {
        QTemporaryDir dir;
        QByteArray bytes = "1:[a]\r\n1:[" + QByteArray(2 * 1024 * 1024, 'x') + "]\r\n1:[b]\n"
                           + QByteArray(TaggedFileReader::MaxLineBytes + 10, 'y');
        const QString path = writeFile(dir, "long.txt", bytes);
        TaggedFileReader reader(path);
        const QList<TaggedFileReader::Line> got = readAll(path, &reader);
        QCOMPARE(got.size(), 4);
        QCOMPARE(got.at(0).text, QStringLiteral("1:[a]"));
        QVERIFY(got.at(1).tooLong);
        QVERIFY(got.at(1).text.isEmpty());
        QCOMPARE(got.at(2).text, QStringLiteral("1:[b]"));
        QCOMPARE(got.at(2).number, 3LL);
        QVERIFY(got.at(3).tooLong); // the last line, without a line end
        QCOMPARE(reader.tooLongSkipped(), 2LL);
        QCOMPARE(reader.bytesRead(), reader.size());
        QVERIFY(!reader.failed());
    }

    // UTF-16 and UTF-32, marked or not, and any file holding a NUL byte are
    // refused before a line is read; UTF-8 and code page 1251 are read.
    void refusedEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        const QString text = QStringLiteral("1:[100]3:[Мляко 1 л]\r\n1:[101]3:[Хляб]\r\n");
        QByteArray le, be;
        for (const QChar c : text) {
            le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
            be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
        }
        QTest::newRow("UTF-8") << text.toUtf8() << QString();
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << QString();
        QTest::newRow("1251") << Cp1251::encode(text) << QString();
        QTest::newRow("UTF-16 LE, BOM") << QByteArray("\xFF\xFE") + le << QStringLiteral("UTF-16 LE");
        QTest::newRow("UTF-16 BE, BOM") << QByteArray("\xFE\xFF") + be << QStringLiteral("UTF-16 BE");
        QTest::newRow("UTF-16 LE") << le << QStringLiteral("UTF-16 LE");
        QTest::newRow("UTF-16 BE") << be << QStringLiteral("UTF-16 BE");
        QTest::newRow("UTF-32 LE, BOM") << QByteArray("\xFF\xFE\0\0" "1\0\0\0", 8) << QStringLiteral("UTF-32 LE");
        QTest::newRow("UTF-32 BE, BOM") << QByteArray("\0\0\xFE\xFF" "\0\0\0" "1", 8) << QStringLiteral("UTF-32 BE");
        QTest::newRow("one NUL") << QByteArray("1:[a\0b]\n1:[c]\n", 14) << QStringLiteral("NUL");
        // past the first block read, where only the scan of the whole file finds it
        QTest::newRow("NUL far down") << QByteArray(600000, 'x') + QByteArray("\n1:[\0]\n", 7) << QStringLiteral("NUL");
        QTest::newRow("binary") << noiseBytes(300000, 12345) << QStringLiteral("NUL");
    }
    void refusedEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("файл.txt"), bytes);
        TaggedFileReader reader(path);
        QString error;
        QCOMPARE(reader.open(&error), encoding.isEmpty());
        if (encoding.isEmpty()) {
            QCOMPARE(readAll(path).size(), 2);
            return;
        }
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)) && error.contains(encoding), qPrintable(error));
        TaggedFileReader::Line line;
        QVERIFY(!reader.next(&line));
    }

    void controlCharactersNeverEnterAValue()
    {
        const TaggedLine line = GET_IMPORTED_DATA(QString::fromUtf8("1:[a\x01" "b\tc\x1B]2:[\x7F\xC2\x85]3:[x\ry]"));
        QCOMPARE(fieldsOf(line), (Fields{{"1", "ab\tc"}, {"2", ""}, {"3", "xy"}}));
        QCOMPARE(GET_IMPORTED_DATA(QString(QStringLiteral("1:[a") + QChar(0) + QStringLiteral("b]"))).value(1),
                 QStringLiteral("ab"));
    }

    void missingFileDoesNotOpen()
    {
        TaggedFileReader reader(QStringLiteral("/nonexistent/x.txt"));
        QString error;
        QVERIFY(!reader.open(&error));
        QVERIFY(!error.isEmpty());
    }
};

VTEST(TaggedLineParser)
VTEST(TaggedFileReading)
#include "test_tagged_import.moc"
