#include "common/cp1251.h"
#include "platform/report/rtf.h"
#include "test_registry.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
QTextCharFormat formatAt(const QTextDocument &doc, const QString &text)
{
    const QTextCursor c = doc.find(text);
    if (c.isNull())
        return QTextCharFormat();
    QTextCursor at(const_cast<QTextDocument *>(&doc));
    at.setPosition(c.selectionStart() + 1);
    return at.charFormat();
}

QString plain(const QByteArray &bytes)
{
    QTextDocument doc;
    Rtf::read(bytes, &doc);
    return doc.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}
} // namespace

class TestRtf : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cyrillicRoundTripIsAscii()
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextCharFormat normal;
        normal.setFontFamilies({QStringLiteral("Arial")});
        normal.setFontPointSize(10);
        c.insertText(QStringLiteral("Фирма „Вентарос“ ООД {скоби} \\ наклонена"), normal);
        QTextBlockFormat centre;
        centre.setAlignment(Qt::AlignHCenter);
        c.insertBlock(centre);
        QTextCharFormat strong = normal;
        strong.setFontWeight(QFont::Bold);
        strong.setFontItalic(true);
        strong.setForeground(QColor(200, 0, 0));
        strong.setFontPointSize(14);
        strong.setFontFamilies({QStringLiteral("Times New Roman")});
        c.insertText(QStringLiteral("Гаранционна карта"), strong);
        c.insertText(QString(QChar::LineSeparator) + QStringLiteral("ред\tдва"), normal);
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        c.insertBlock(right);
        QTextCharFormat under = normal;
        under.setFontUnderline(true);
        under.setFontStrikeOut(true);
        c.insertText(QStringLiteral("Подпис: ________ 😀"), under);

        const QByteArray rtf = Rtf::write(doc);
        QVERIFY(rtf.startsWith("{\\rtf1"));
        for (const char ch : rtf)
            QVERIFY2(static_cast<unsigned char>(ch) < 0x80, "written RTF is ASCII");

        QTextDocument back;
        Rtf::read(rtf, &back);
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(back.blockCount(), 3);
        QCOMPARE(back.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::Alignment(Qt::AlignHCenter));
        QCOMPARE(back.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::Alignment(Qt::AlignRight));
        const QTextCharFormat f = formatAt(back, QStringLiteral("Гаранционна"));
        QVERIFY(f.fontWeight() >= QFont::Bold);
        QVERIFY(f.fontItalic());
        QCOMPARE(f.foreground().color(), QColor(200, 0, 0));
        QCOMPARE(f.fontPointSize(), 14.0);
        QCOMPARE(f.fontFamilies().toStringList().value(0), QStringLiteral("Times New Roman"));
        const QTextCharFormat u = formatAt(back, QStringLiteral("Подпис"));
        QVERIFY(u.fontUnderline());
        QVERIFY(u.fontStrikeOut());
        QVERIFY(formatAt(back, QStringLiteral("Фирма")).fontWeight() < QFont::Bold);

        // A file written and read back through the disk.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Фактура.hdr"));
        QVERIFY(Rtf::writeFile(path, doc));
        QTextDocument fromFile;
        QVERIFY(Rtf::readFile(path, &fromFile));
        QCOMPARE(fromFile.toPlainText(), doc.toPlainText());
        QVERIFY(!Rtf::readFile(dir.filePath(QStringLiteral("липсва.hdr")), &fromFile));
    }

    void escapedText()
    {
        QCOMPARE(Rtf::escaped(QStringLiteral("a{b}\\c\td\x01Я")), QByteArray("a\\{b\\}\\\\c\\tab d \\u1071?"));
        QCOMPARE(Rtf::escaped(QString(QChar(0xFFFF))), QByteArray("\\u-1?"));
    }

    void readsForeignFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        // As WordPad writes it: \'hh in the font's charset (Cyrillic and Western).
        QTest::newRow("wordpad")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1026{\\fonttbl{\\f0\\fswiss\\fcharset204{\\*\\fname "
                          "Arial;}Arial CYR;}{\\f1\\fnil\\fcharset0 Courier New;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}"
                          "\r\n{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n\\pard\\sa200\\sl276\\slmult1"
                          "\\f0\\fs22\\lang2 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, \\cf1\\b\\'f1\\'e2\\'ff\\'f2\\cf0\\b0 !\\par\r\n"
                          "\\f1 caf\\'e9\\par\r\n}\r\n")
            << QStringLiteral("Привет, свят!\ncafé\n");
        QTest::newRow("unicode with fallbacks")
            << QByteArray("{\\rtf1\\ansi\\uc1 \\u1040?\\u1041?{\\uc2 \\u1042\\'c2\\'c2}\\uc0 \\u1043 x}")
            << QStringLiteral("АБВГx");
        QTest::newRow("unknown groups skipped")
            << QByteArray("{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title Скрит}{\\author x}}"
                          "{\\*\\unknownthing hidden {nested}}{\\pict\\bin4 {{{{}visible text}")
            << QStringLiteral("visible text");
        QTest::newRow("table cells as tabs")
            << QByteArray("{\\rtf1\\trowd\\cellx1000\\cellx2000\\cellx3000 \\intbl A\\cell B\\cell C\\cell\\row "
                          "\\trowd\\intbl 1\\cell 2\\cell\\row}")
            << QStringLiteral("A\tB\tC\n1\t2\n");
        QTest::newRow("escaped symbols") << QByteArray("{\\rtf1 a\\{b\\}c\\\\d\\~e\\-f\\_g\\tab h\\line i}")
                                         << QStringLiteral("a{b}c\\d\u00A0ef\u2011g\th\u2028i");
        QTest::newRow("plain 1251") << Cp1251::encode(QStringLiteral("Текст на документа\r\nред 2"))
                                    << QStringLiteral("Текст на документа\nред 2");
        QTest::newRow("plain utf-8") << QStringLiteral("Текст {\\rtf не е в началото}").toUtf8()
                                     << QStringLiteral("Текст {\\rtf не е в началото}");
    }
    void readsForeignFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(plain(bytes), text);
    }

    void wordpadFormats()
    {
        QTextDocument doc;
        Rtf::read("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}{\\colortbl ;\\red0\\green0\\blue255;}"
                  "\\pard\\qc\\li720\\f0\\fs28 \\'e0\\cf1\\ul\\i \\'e1\\par\\pard\\qr \\plain \\'e2}",
                  &doc);
        QCOMPARE(doc.toPlainText(), QStringLiteral("аб\nв"));
        QCOMPARE(doc.firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignHCenter));
        QCOMPARE(doc.firstBlock().blockFormat().leftMargin(), 48.0); // 720 twips
        QCOMPARE(doc.lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignRight));
        const QTextCharFormat b = formatAt(doc, QStringLiteral("б"));
        QCOMPARE(b.foreground().color(), QColor(0, 0, 255));
        QVERIFY(b.fontUnderline());
        QVERIFY(b.fontItalic());
        QCOMPARE(b.fontPointSize(), 14.0);
        QCOMPARE(b.fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
        QVERIFY(!formatAt(doc, QStringLiteral("в")).fontUnderline()); // \plain
    }

    void deepNestingNeverRecurses()
    {
        const int depth = 100000;
        QByteArray bytes = "{\\rtf1 start";
        bytes += QByteArray(depth, '{') + "hidden" + QByteArray(depth, '}') + " end}";
        QElapsedTimer timer;
        timer.start();
        const QString text = plain(bytes);
        QCOMPARE(text, QStringLiteral("start end"));
        // Unbalanced: nothing ever closes.
        plain("{\\rtf1 " + QByteArray(depth, '{'));
        plain("{\\rtf1 " + QByteArray(depth, '}') + "x");
        QVERIFY2(timer.elapsed() < 5000 * slowdown(), "nesting must cost linear time");
    }

    void malformedInputNeverCrashes()
    {
        QRandomGenerator random(20240301);
        const QList<QByteArray> pieces = {"{", "}", "\\", "\\'", "\\'c", "\\'cf", "\\u", "\\u-", "\\u99999999999", "\\uc9",
                                          "\\bin", "\\bin99999 ", "\\bin-5 ", "\\*", "\\fonttbl", "\\colortbl",
                                          "\\f", "\\f-3", "\\fs0", "\\fs99999999999", "\\cf77", "\\red300;", ";",
                                          "\\par", "\\cell", "\\row", "\\pict", "\\plain", "\\b", "\\b0", "\\qc",
                                          "\\li-99999999", "\\fcharset128", "\\'\xff", "\xd0\xaf", "\xcf", " ", "ab",
                                          "\\rtf1", "\\ansicpg932", "\\ansicpg-1", "\\deff9", "\\line", "\\"
                                                                                                        "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"};
        QElapsedTimer timer;
        timer.start();
        for (int round = 0; round < 1500; ++round) {
            QByteArray bytes = "{\\rtf1";
            const int n = random.bounded(1, 80);
            for (int i = 0; i < n; ++i) {
                if (random.bounded(5) == 0) {
                    bytes += char(random.bounded(256));
                } else {
                    bytes += pieces.at(random.bounded(int(pieces.size())));
                }
            }
            QTextDocument doc;
            Rtf::read(bytes, &doc);
            // Whatever was read writes out as ASCII and reads again.
            const QByteArray again = Rtf::write(doc);
            for (const char ch : again)
                QVERIFY(static_cast<unsigned char>(ch) < 0x80);
            QTextDocument back;
            Rtf::read(again, &back);
            QCOMPARE(back.toPlainText(), doc.toPlainText());
        }
        QVERIFY(timer.elapsed() < 60000 * slowdown());
    }
};
VTEST(TestRtf)
#include "test_rtf.moc"
