#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/export_kinds.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/transaction.h"
#include "platform/script.h"
#include "app/list_export.h"
#include "platform/report/rtf.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QSqlQueryModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Lines of a UTF-8 export without its byte-order mark and CR LF endings.
QStringList linesOf(const QString &path)
{
    QByteArray b = bytesOf(path);
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    QStringList lines = QString::fromUtf8(b).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A grid of three columns: "Име" 100 px, "Скрита" hidden, "Нула" 4 px wide.
struct SmallGrid {
    QStandardItemModel model{0, 3};
    QTableView view;
    SmallGrid()
    {
        model.setHorizontalHeaderLabels(
            {QStringLiteral("Име"), QStringLiteral("Скрита"), QStringLiteral("Нула")});
        view.setModel(&model);
        view.horizontalHeader()->setMinimumSectionSize(1);
        view.setColumnWidth(0, 100);
        view.setColumnWidth(2, 4);
        view.setColumnHidden(1, true);
    }
    void add(const QString &name, const QString &hidden, const QString &zero)
    {
        model.appendRow({new QStandardItem(name), new QStandardItem(hidden), new QStandardItem(zero)});
    }
};

QString exportOf(int kind, const QString &base, QAbstractItemModel *model, const QTableView *view)
{
    ExportKinds::apply(kind);
    ListExport file(base);
    file.addLine();
    file.addLine(QStringLiteral("\tСправка <клиенти> & доставчици"));
    if (view)
        file.PRINT_INTO(view);
    else
        file.PRINT_INTO(model, {});
    file.addReportFooter();
    if (!file.finish())
        qWarning("%s", qPrintable(file.failureMessage()));
    return file.filePath();
}
} // namespace

class TestListExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { ExportKinds::resetToStart(); }

    void cellsAreCutOrPadded()
    {
        QCOMPARE(ListExport::cell(QStringLiteral("|"), QStringLiteral("1234567890123456789012345"), 20),
                 QStringLiteral("|12345678901234567890"));
        QCOMPARE(ListExport::cell(QStringLiteral("\t"), QStringLiteral("abc"), 20),
                 QStringLiteral("\tabc") + QString(17, QLatin1Char(' ')));
        QCOMPARE(ListExport::cell(QStringLiteral("|"), QStringLiteral("abc"), 0), QStringLiteral("|"));
        // A title wider than its column is cut like any value; Cyrillic counts per letter.
        QCOMPARE(ListExport::cell(QStringLiteral("|"), QStringLiteral("Наименование на артикула"), 6),
                 QStringLiteral("|Наимен"));
        // A line break inside a value must not break the row.
        QCOMPARE(ListExport::cell(QStringLiteral("|"), QStringLiteral("a\nb\tc"), 5),
                 QStringLiteral("|a b c"));
    }

    void textExportOfASmallGrid()
    {
        TestProgram program(false);
        SmallGrid grid;
        grid.add(QStringLiteral("Кафе Лаваца 1 кг пакет вакуум"), QStringLiteral("x"), QStringLiteral("y"));
        grid.add(QStringLiteral("Чай"), QStringLiteral("x"), QStringLiteral("y"));
        const QString path = exportOf(0, QStringLiteral("Export_Test"), nullptr, &grid.view);
        QVERIFY(path.endsWith(QStringLiteral("TEMP/Export_Test.txt")));
        QVERIFY(bytesOf(path).startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytesOf(path).contains("\r\n"));
        const QStringList lines = linesOf(path);
        const QStringList expected = {
            QString(),
            QStringLiteral("\tСправка <клиенти> & доставчици"),
            QString(),
            QStringLiteral("|Име                 |"), // hidden column left out, 4 px column: separator only
            QString(),
            QStringLiteral("|Кафе Лаваца 1 кг пак|"),
            QStringLiteral("|Чай                 |"),
            QString(),
            QString(),
            QString(),
            QLatin1Char('\t') + ReportFooter,
        };
        QCOMPARE(lines, expected);
    }

    void everyKindIsAValidFileOfItsType()
    {
        TestProgram program(false);
        SmallGrid grid;
        grid.add(QStringLiteral("Болт <M8> & гайка"), QStringLiteral("x"), QStringLiteral("y"));

        const QString xls = exportOf(1, QStringLiteral("K"), nullptr, &grid.view);
        QVERIFY(xls.endsWith(QStringLiteral(".xls")));
        QVERIFY(bytesOf(xls).startsWith("\xEF\xBB\xBF"));
        QVERIFY(linesOf(xls).contains(QStringLiteral("\tБолт <M8> & гайка   \t")));

        const QString html = exportOf(3, QStringLiteral("K"), nullptr, &grid.view);
        QVERIFY(html.endsWith(QStringLiteral(".html")));
        const QString page = QString::fromUtf8(bytesOf(html));
        QVERIFY(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
        QVERIFY(page.contains(QStringLiteral("Болт &lt;M8&gt; &amp; гайка")));
        QVERIFY(page.contains(QStringLiteral("Справка &lt;клиенти&gt; &amp; доставчици")));
        QVERIFY(!page.contains(QStringLiteral("<M8>")));
        QVERIFY(!page.contains(QStringLiteral("<клиенти>")));
        // The list block opens after the title lines and the empty line, and closes.
        const QStringList lines = linesOf(html);
        const int pre = int(lines.indexOf(QStringLiteral("<pre>")));
        QVERIFY(pre > 0);
        QVERIFY(lines.at(pre - 2).contains(QStringLiteral("доставчици")));
        QCOMPARE(lines.at(pre - 1), QStringLiteral("<br>"));
        QCOMPARE(lines.at(pre + 1), QStringLiteral("\tИме                 \t"));
        QVERIFY(lines.indexOf(QStringLiteral("</pre>")) > pre);
        QCOMPARE(page.count(QStringLiteral("<pre>")), page.count(QStringLiteral("</pre>")));
        QVERIFY(page.trimmed().endsWith(QStringLiteral("</html>")));

        const QString rtf = exportOf(2, QStringLiteral("K"), nullptr, &grid.view);
        QVERIFY(rtf.endsWith(QStringLiteral(".rtf")));
        const QByteArray doc = bytesOf(rtf);
        QVERIFY(doc.startsWith("{\\rtf1"));
        for (char c : doc)
            QVERIFY2(uchar(c) < 0x80, "RTF is plain ASCII");
        int depth = 0;
        for (qsizetype i = 0; i < doc.size(); ++i) {
            if (doc[i] == '\\') {
                ++i;
                continue;
            }
            depth += doc[i] == '{' ? 1 : doc[i] == '}' ? -1 : 0;
            QVERIFY(depth >= 0);
        }
        QCOMPARE(depth, 0);
        QVERIFY(doc.contains("Courier New"));
        QVERIFY(doc.contains("\\tx108\\tx2376 ")); // a stop at each cell: 1 and 1+20+1 characters
        // "Болт" as \u escapes, "<M8>" literal, "&" literal
        QVERIFY(doc.contains("\\tab \\u1041?\\u1086?\\u1083?\\u1090? <M8> & "));
    }

    // Braces and backslashes are RTF's own syntax: in titles and cells they
    // must come back as typed, the same text as the tab-separated export.
    void rtfKeepsBracesAndBackslashesAsTyped()
    {
        TestProgram program(false);
        QStandardItemModel model(0, 2);
        model.setHorizontalHeaderLabels({QStringLiteral("Име {a}"), QStringLiteral("Път \\x")});
        model.appendRow({new QStandardItem(QStringLiteral("{\\rtf1 скоба}")), new QStandardItem(QStringLiteral("C:\\TEMP\\"))});
        model.appendRow({new QStandardItem(QStringLiteral("}{")), new QStandardItem(QStringLiteral("\\par \\u1041?"))});
        QTableView view;
        view.setModel(&model);
        view.setColumnWidth(0, 100);
        view.setColumnWidth(1, 100);

        auto make = [&](int kind) {
            ExportKinds::apply(kind);
            ListExport file(QStringLiteral("Braces"));
            file.addLine(QStringLiteral("\tСправка {клиенти} \\ доставчици"));
            file.PRINT_INTO(&view);
            if (!file.finish())
                qWarning("%s", qPrintable(file.failureMessage()));
            return file.filePath();
        };
        QStringList tabSeparated = linesOf(make(1));
        QVERIFY(tabSeparated.contains(QStringLiteral("\t{\\rtf1 скоба}       \tC:\\TEMP\\            ")));
        while (!tabSeparated.isEmpty() && tabSeparated.last().isEmpty())
            tabSeparated.removeLast();
        QTextDocument decoded;
        Rtf::read(bytesOf(make(2)), &decoded);
        QStringList rtfLines = decoded.toPlainText().split(QLatin1Char('\n'));
        while (!rtfLines.isEmpty() && rtfLines.last().isEmpty())
            rtfLines.removeLast();
        QCOMPARE(rtfLines, tabSeparated);
    }

    void emptyListGivesHeaderAndEmptyLines()
    {
        TestProgram program(false);
        SmallGrid grid;
        ExportKinds::apply(0);
        ListExport file(QStringLiteral("Empty"));
        QVERIFY(file.PRINT_INTO(&grid.view));
        QVERIFY(file.finish());
        QCOMPARE(linesOf(file.filePath()),
                 QStringList({QString(), QStringLiteral("|Име                 |"), QString(), QString()}));
    }

    void sqlListOfAThousandRowsWithDates()
    {
        TestProgram program;
        {
            WriteTransaction tx;
            for (int i = 1; i <= 1000; ++i)
                Db::execute(QStringLiteral("INSERT INTO Priem_Ser_Vremen (Opisanie, Data_Priem, Pred_Cena_Remont) "
                                           "VALUES (?, ?, ?)"),
                            {QStringLiteral("Ремонт %1").arg(i), QStringLiteral("2024-03-05"), i == 1 ? 1000000.0 : 0.1 + 0.2});
            tx.commit();
        }
        const QString sql = QStringLiteral(
            "SELECT N_Prodajba, Opisanie, Data_Priem, Pred_Cena_Remont FROM Priem_Ser_Vremen ORDER BY N_Prodajba");

        SqlListModel list;
        list.setQuery(sql);
        QTableView view;
        view.setModel(&list);
        for (int c = 0; c < 4; ++c)
            view.setColumnWidth(c, 75);
        ListExport a(QStringLiteral("List_A"));
        QVERIFY(a.PRINT_INTO(&view));
        QVERIFY(a.finish());
        QStringList lines = linesOf(a.filePath());
        QCOMPARE(lines.size(), 1000 + 4);
        // Numbers are written plainly, never in exponent form.
        QCOMPARE(lines.at(3), QStringLiteral("|1              |Ремонт 1       |05.03.2024     |1000000        "));
        QCOMPARE(lines.at(1002), QStringLiteral("|1000           |Ремонт 1000    |05.03.2024     |0.3            "));

        // A lazily fetching model is read to its end as well (a server's driver hands over every row at once).
        QSqlQueryModel lazy;
        lazy.setQuery(sql, Db::connection());
        QVERIFY(testOnServer() || lazy.canFetchMore());
        ListExport b(QStringLiteral("List_B"));
        QVERIFY(b.PRINT_INTO(&lazy, {{2, QStringLiteral("Дата"), 10}, {1, QStringLiteral("Опис"), 12}}));
        QVERIFY(b.finish());
        lines = linesOf(b.filePath());
        QCOMPARE(lines.size(), 1000 + 4);
        QCOMPARE(lines.at(3), QStringLiteral("|05.03.2024|Ремонт 1    "));
        QCOMPARE(lines.at(1002), QStringLiteral("|05.03.2024|Ремонт 1000 "));
    }

    void failureIsReportedAndLeavesTheOldFile()
    {
        TestProgram program(false);
        SmallGrid grid;
        grid.add(QStringLiteral("нов"), {}, {});
        ExportKinds::apply(0);
        const QString path = exportOf(0, QStringLiteral("Twice"), nullptr, &grid.view);
        QVERIFY(linesOf(path).contains(QStringLiteral("|нов                 |")));

        // The same name again overwrites it.
        grid.model.item(0, 0)->setText(QStringLiteral("втори"));
        exportOf(0, QStringLiteral("Twice"), nullptr, &grid.view);
        QVERIFY(linesOf(path).contains(QStringLiteral("|втори               |")));
        QVERIFY(!linesOf(path).contains(QStringLiteral("|нов                 |")));

        // A list that cannot be read: nothing is written, the old file stays.
        ListExport broken(QStringLiteral("Twice"));
        broken.addLine(QStringLiteral("\tзаглавие"));
        QVERIFY(!broken.PRINT_INTO(static_cast<QAbstractItemModel *>(nullptr), {}));
        QVERIFY(!broken.finish());
        QVERIFY(broken.failureMessage().contains(path));
        QVERIFY(linesOf(path).contains(QStringLiteral("|втори               |")));

        // A folder that cannot be made: false, no file.
        QFile blocker(program.file(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ListExport nowhere(program.file(QStringLiteral("blocker/sub/x.txt")), QStringLiteral("|"));
        nowhere.addLine(QStringLiteral("ред"));
        QVERIFY(!nowhere.finish());
        QVERIFY(!nowhere.errorString().isEmpty());
        QVERIFY(!QFile::exists(nowhere.filePath()));
    }

    // A list written outside the program folder is for someone else: made as
    // the user's umask gives; the lists in TEMP/ stay the shop's.
    void aListOutsideTheProgramFolderIsReadableAsTheUsersUmaskGives()
    {
        UserUmask user(022);
        TestProgram program(false);
        QTemporaryDir outside;
        const QString shared = QDir(outside.path()).filePath(QStringLiteral("list.txt"));
        for (const QString &path : {shared, program.file(QStringLiteral("TEMP/list.txt"))}) {
            ListExport file(path, QStringLiteral("|"));
            file.addLine(QStringLiteral("ред"));
            QVERIFY(file.finish());
        }
        QCOMPARE(fileMode(shared), 0644);
        QCOMPARE(fileMode(program.file(QStringLiteral("TEMP/list.txt"))), 0640);
    }

    void openingGoesThroughTheDesktop()
    {
        TestProgram program(false);
        QVERIFY(SHELLEXECUTE_OPENFILE(program.file(QStringLiteral("TEMP/x.txt"))));
        QCOMPARE(PlatformScript::texts(QStringLiteral("openFile.shell")),
                 QStringList{program.file(QStringLiteral("TEMP/x.txt"))});
    }
};
VTEST(TestListExport)

#include "test_list_export.moc"
