#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "print_fixture.h"

#include "app/app_state.h"
#include "app/data_module.h"
#include "documents/document_query.h"
#include "documents/layout_report.h"
#include "documents/print_numbering.h"
#include "platform/printers.h"
#include "platform/report/report_preview.h"
#include "platform/report/report_print.h"
#include "platform/script.h"

#include <QCoreApplication>
#include <QDate>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <stdexcept>

namespace {
const char *const RaceDbVariable = "VENTAROS_PRINT_RACE_DB";
constexpr int PrintoutsPerWorker = 50;

const QString Doc = QStringLiteral("Фактура");

QList<PrintLogLine> shopLines()
{
    return {{1, 12, 7, QStringLiteral("Иван"), OriginShop}, {2, 40, 7, QStringLiteral("Иван"), OriginShop}};
}

QString stored(const QString &name = Doc)
{
    return Db::scalar(QStringLiteral("SELECT N_Dok FROM Dokumenti WHERE Opisanie = ?"), {name}).toString();
}

QStringList logged()
{
    QStringList rows;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID_Prod, ID_Art, ID_Kontrag, N_Dok, Operator, "
                                                       "Ot_Kade_Prod FROM Printed_Dok ORDER BY rowid")))
        rows.append(QStringLiteral("%1/%2/%3/%4/%5/%6")
                        .arg(r.value(0).toString(), r.value(1).toString(), r.value(2).toString(),
                             r.value(3).toString(), r.value(4).toString(), r.value(5).toString()));
    return rows;
}

void registerDocument(const QString &number, const QString &name = Doc)
{
    Db::execute(QStringLiteral("INSERT INTO Dokumenti (Opisanie, Kade_se_izpolzva, N_Dok) VALUES (?, 'МАГАЗИН', ?)"),
                {name, number});
}

// The document as a road makes it: the number and the lines' quantities, "ОРИГИНАЛ" shown.
Report::Model documentModel()
{
    Layout::Document layout = PrintFixture::layout({{QStringLiteral("Dokumenti"), QStringLiteral("N_Dok")},
                                                    {QStringLiteral("Prodajbi_vremenni"), QStringLiteral("Kol")}});
    layout.originalVisible = true;
    Report::Model model = LayoutReport::model(layout, Doc);
    DocumentQuery::Context c;
    c.lines = {1, 2};
    c.counterparty = 7;
    c.documentName = Doc;
    QString error;
    if (!DocumentQuery::ADD_SQL_TO_QUERY_QUICKREPORT(layout, c, &model.data, &error))
        qWarning("%s", qPrintable(error));
    return model;
}

// The document numbered from `number`, its events attached for `caller`.
Report::Model armedDocument(const QString &number, int caller)
{
    PrintFixture::fill();
    registerDocument(number);
    PrintState &state = programPrintState();
    state.PrintCallerCode = caller;
    state.CurrentDocumentName = Doc;
    Report::Model model = documentModel();
    PrintNumbering::attach(model, state, shopLines());
    return model;
}

// The caption and the number a printed page carries.
QString printedNumber(const QStringList &texts)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{2,}$"));
    for (const QString &t : texts)
        if (digits.match(t).hasMatch())
            return t;
    return QString();
}
QString caption(const QStringList &texts)
{
    if (texts.contains(QStringLiteral("ОРИГИНАЛ")))
        return QStringLiteral("ОРИГИНАЛ");
    return texts.contains(QStringLiteral("КОПИЕ")) ? QStringLiteral("КОПИЕ") : QString();
}

// Each preview shown prints `printouts` times and closes.
void printFromPreviews(int printouts)
{
    driveWindows<ReportPreview>([printouts](ReportPreview *w) {
        for (int i = 0; i < printouts; ++i)
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
        QTest::mouseClick(w->Button_Close, Qt::LeftButton);
    });
}
} // namespace

// Prints numbered documents in the database the race test names; it runs in
// processes of its own, so it has no ctest entry of its own.
class PrintNumberingRaceWorker : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void printNumbered()
    {
        const QString folder = qEnvironmentVariable(RaceDbVariable);
        if (folder.isEmpty())
            QSKIP("started only by PrintNumberingRace");
        QString error;
        QVERIFY2(Db::openFolder(QStringLiteral("print-race"), folder, &error), qPrintable(error));
        Db::setCurrentConnection(QStringLiteral("print-race"));
        const long long worker = QCoreApplication::applicationPid();
        PrintState state;
        state.PrintCallerCode = CallerShop;
        state.CurrentDocumentName = Doc;
        Report::Model model = LayoutReport::model(
            PrintFixture::layout({{QStringLiteral("Dokumenti"), QStringLiteral("N_Dok")}}), Doc);
        model.data.setColumns({DocumentNumberColumn});
        model.data.addRow({QStringLiteral("?")});
        auto numbering = PrintNumbering::attach(model, state, {{worker, 12, 0, QStringLiteral("Иван"), OriginShop}});
        numbering->notify = [](const QString &text) { qWarning("%s", qPrintable(text)); };
        for (int i = 0; i < PrintoutsPerWorker; ++i) {
            RecordingPaintDevice device;
            QCOMPARE(Report::printout(model, device), Report::PrintResult::Sent);
            const QString number = printedNumber(device.pages().first().lineTexts());
            Db::execute(QStringLiteral("INSERT INTO T_Printed (W, N) VALUES (?, ?)"), {worker, number});
            numbering->afterPreview();
        }
        numbering.reset();
        Db::setCurrentConnection(QString());
        Db::close(QStringLiteral("print-race"));
    }
};
static vtest::Registrar printRaceWorker("PrintNumberingRaceWorker",
                                        []() -> QObject * { return new PrintNumberingRaceWorker; });

class TestPrintNumbering : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        PlatformScript::clearEvents();
        programPrintState() = PrintState();
        Printers::setInstalledForTests(QStringList{QStringLiteral("Kyocera")}, QStringLiteral("Kyocera"));
    }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        Printers::setInstalledForTests(std::nullopt);
    }

    void numberingEdgeCases_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("after");
        QTest::newRow("never numbered") << "0" << "" << 0 << "0";
        QTest::newRow("all zeros stay unnumbered") << "000" << "" << 0 << "000";
        QTest::newRow("width kept") << "007" << "007" << 2 << "008";
        QTest::newRow("grows a digit") << "99" << "99" << 2 << "100";
        QTest::newRow("never cut") << "999" << "999" << 2 << "1000";
        QTest::newRow("twelve digits") << "999999999999" << "999999999999" << 2 << "1000000000000";
    }
    void numberingEdgeCases()
    {
        QFETCH(QString, number);
        QFETCH(QString, printed);
        QFETCH(int, rows);
        QFETCH(QString, after);
        TestProgram program;
        registerDocument(number);
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(INC_NUMBER_PRINTED_DOK(Doc, shopLines(), Db::connection()), printed);
            QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok")).toInt(), rows);
            QCOMPARE(stored(), after);
            if (rows == 0)
                continue;
            const auto row = Db::firstRow(QStringLiteral("SELECT ID_Prod, ID_Dok, ID_Kontrag, ID_Art, N_Dok, Operator, "
                                                         "Data, fTime, Ot_Kade_Prod FROM Printed_Dok"));
            QCOMPARE(row->value(0).toLongLong(), 1LL);
            QCOMPARE(row->value(2).toLongLong(), 7LL);
            QCOMPARE(row->value(3).toLongLong(), 12LL);
            QCOMPARE(row->value(4).toString(), printed);
            QCOMPARE(row->value(5).toString(), QStringLiteral("Иван"));
            QCOMPARE(row->value(6).toString(), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
            QCOMPARE(row->value(8).toInt(), 1);
            break;
        }
    }

    // The report roads log what they captured: an issued document's own lines
    // (code 4), the marked sales that have a number (code 5).
    void reportRoadsLogTheirLines()
    {
        TestProgram program;
        registerDocument(QStringLiteral("007"));
        QCOMPARE(INC_NUMBER_PRINTED_DOK(Doc, {{1, 12, 7, QStringLiteral("Иван"), OriginShop},
                                              {9, 40, 5, QStringLiteral("Мария"), OriginService}},
                                        Db::connection()),
                 QStringLiteral("007"));
        registerDocument(QStringLiteral("1"), QStringLiteral("Стокова"));
        const long long id = Db::scalar(QStringLiteral("SELECT ID_Dokument FROM Dokumenti WHERE Opisanie = ?"), {Doc})
                                 .toLongLong();
        QCOMPARE(PrintLogLines::issuedDocument(id, QStringLiteral("7")).size(), 0); // the number as printed
        const QList<PrintLogLine> issued = PrintLogLines::issuedDocument(id, QStringLiteral("007"));
        QCOMPARE(issued.size(), 2);
        QCOMPARE(INC_NUMBER_PRINTED_DOK(QStringLiteral("Стокова"), issued, Db::connection()), QStringLiteral("1"));

        const QList<PrintLogLine> sold = PrintLogLines::sales(
            {{0, 12, 3}, {31, 12, 4}, {32, 40, 5}}, QStringLiteral("Петър"));
        QCOMPARE(sold.size(), 2);
        QCOMPARE(INC_NUMBER_PRINTED_DOK(Doc, sold, Db::connection()), QStringLiteral("008"));
        QCOMPARE(logged(), QStringList({"1/12/7/007/Иван/1", "9/40/5/007/Мария/2", "1/12/7/1/Иван/1",
                                        "9/40/5/1/Мария/2", "31/12/3/008/Петър/1", "32/40/3/008/Петър/1"}));
    }

    void unknownDocumentOrBadNumberLogsNothing()
    {
        TestProgram program;
        QCOMPARE(INC_NUMBER_PRINTED_DOK(QStringLiteral("Няма такъв"), shopLines(), Db::connection()), QString());
        registerDocument(QStringLiteral("12a"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, INC_NUMBER_PRINTED_DOK(Doc, shopLines(), Db::connection()));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok")).toInt(), 0);
        QCOMPARE(stored(), QStringLiteral("12a"));
    }

    // Only a preview's first printout numbers, later copies carry its number;
    // the next preview numbers again.
    void previewNumbersItsFirstPrintout()
    {
        TestProgram program;
        PrintFixture::Recorder recorder;
        Report::Model model = armedDocument(QStringLiteral("007"), CallerShop);
        PrintState &state = programPrintState();
        printFromPreviews(2);
        Report::preview(model);
        QCOMPARE(state.PrintCopyCounter, 0);
        QVERIFY(state.NumberingArmed);
        printFromPreviews(1);
        Report::preview(model);
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 3);
        QCOMPARE(caption(pages[0]), QStringLiteral("ОРИГИНАЛ"));
        QCOMPARE(printedNumber(pages[0]), QStringLiteral("007"));
        QCOMPARE(caption(pages[1]), QStringLiteral("КОПИЕ"));
        QCOMPARE(printedNumber(pages[1]), QStringLiteral("007"));
        QCOMPARE(caption(pages[2]), QStringLiteral("ОРИГИНАЛ"));
        QCOMPARE(printedNumber(pages[2]), QStringLiteral("008"));
        QCOMPARE(logged(), QStringList({"1/12/7/007/Иван/1", "2/40/7/007/Иван/1", "1/12/7/008/Иван/1",
                                        "2/40/7/008/Иван/1"}));
        // One date and time per printout.
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(DISTINCT Data || fTime) FROM Printed_Dok WHERE N_Dok = '007'"))
                     .toInt(),
                 1);
        QCOMPARE(stored(), QStringLiteral("009"));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
    }

    void callersThatNeverNumber_data()
    {
        QTest::addColumn<int>("caller");
        QTest::newRow("fiscal tab") << int(CallerFiscal);
        QTest::newRow("designer") << int(CallerDesigner);
        QTest::newRow("no road yet") << int(CallerNone);
    }
    void callersThatNeverNumber()
    {
        QFETCH(int, caller);
        TestProgram program;
        PrintFixture::Recorder recorder;
        Report::Model model = armedDocument(QStringLiteral("007"), caller);
        printFromPreviews(2);
        Report::preview(model);
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 2);
        QCOMPARE(caption(pages[0]), QStringLiteral("ОРИГИНАЛ"));
        QCOMPARE(caption(pages[1]), QStringLiteral("КОПИЕ"));
        QCOMPARE(printedNumber(pages[1]), QStringLiteral("007")); // as read with the data
        QVERIFY(logged().isEmpty());
        QCOMPARE(stored(), QStringLiteral("007"));
    }

    // A failing log insert or a failed send keeps no row and the number; the next printout numbers.
    void failedPrintoutsStayArmed()
    {
        TestProgram program;
        PrintFixture::Recorder recorder;
        Report::Model model = armedDocument(QStringLiteral("41"), CallerShop);
        PrintState &state = programPrintState();
        driveWindows<ReportPreview>([&](ReportPreview *w) {
            // The second line's log row fails.
            refuseWrites(QStringLiteral("CREATE TRIGGER Fail_Second BEFORE INSERT ON Printed_Dok WHEN NEW.ID_Prod = 2 "
                                       "BEGIN SELECT RAISE(ABORT, 'no room'); END"));
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
            QVERIFY(logged().isEmpty());
            QCOMPARE(stored(), QStringLiteral("41"));
            QVERIFY(state.NumberingArmed);
            dropTrigger(QStringLiteral("Fail_Second"));
            // The job is not sent.
            recorder.device.setFailSend(true);
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
            QVERIFY(logged().isEmpty());
            QCOMPARE(stored(), QStringLiteral("41"));
            recorder.device.setFailSend(false);
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
            QTest::mouseClick(w->Button_Close, Qt::LeftButton);
        });
        Report::preview(model);
        const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages[0].contains(QStringLiteral("no room")), qPrintable(messages[0]));
        QVERIFY2(messages[1].startsWith(QStringLiteral("Документът не е отпечатан")), qPrintable(messages[1]));
        QCOMPARE(logged(), QStringList({"1/12/7/41/Иван/1", "2/40/7/41/Иван/1"}));
        QCOMPARE(stored(), QStringLiteral("42"));
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 2);
        QCOMPARE(printedNumber(pages.last()), QStringLiteral("41"));
    }
};

// Two workstations printing one document at once: every printout carries the
// number it logged, and no number is given twice.
class PrintNumberingRace : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void twoProcessesNumberInTurn()
    {
        TestProgram program;
        registerDocument(QStringLiteral("001"));
        createTestTable(QStringLiteral("T_Printed"), QStringLiteral("W INTEGER, N TEXT"));
        QList<QProcess *> workers;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(RaceDbVariable), DataModule1->databaseFolder());
        env.insert(QStringLiteral("VENTAROS_HOME"), program.folder());
        for (int i = 0; i < 2; ++i) {
            auto *p = new QProcess(this);
            // Two workstations, as two machines on a server database are.
            env.insert(QStringLiteral("VENTAROS_WORKSTATION"), QStringLiteral("race-%1").arg(i));
            p->setProcessEnvironment(env);
            p->setProcessChannelMode(QProcess::MergedChannels);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--class"), QStringLiteral("PrintNumberingRaceWorker")});
            workers.append(p);
        }
        for (QProcess *p : workers) {
            QVERIFY(p->waitForFinished(240000));
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, p->readAll().constData());
        }
        const int total = 2 * PrintoutsPerWorker;
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok")).toInt(), total);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(DISTINCT N_Dok) FROM Printed_Dok")).toInt(), total);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT MIN(N_Dok) FROM Printed_Dok")).toString(), QStringLiteral("001"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT MAX(N_Dok) FROM Printed_Dok")).toString(), QStringLiteral("100"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(DISTINCT ID_Prod) FROM Printed_Dok")).toInt(), 2);
        // Each paper carries what its workstation logged.
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM T_Printed t JOIN Printed_Dok p "
                                           "ON p.ID_Prod = t.W AND p.N_Dok = t.N"))
                     .toInt(),
                 total);
        QCOMPARE(stored(), QStringLiteral("101"));
    }
};

VTEST(TestPrintNumbering)
VTEST(PrintNumberingRace)
#include "test_print_numbering.moc"
