#include "common/program_folder.h"
#include "full_disk.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/printer_check_list.h"
#include "platform/printers.h"
#include "platform/report/print_target.h"
#include "platform/report/recording_paint_device.h"
#include "platform/report/report_layout.h"
#include "platform/report/report_preview.h"
#include "platform/report/report_print.h"
#include "platform/report/rtf.h"
#include "platform/script.h"
#include "test_registry.h"
#include "test_support.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>

using namespace Report;

namespace {
Element element(ElementKind kind, const QString &name, double left, double top, double width, double height)
{
    Element e;
    e.name = name;
    e.kind = kind;
    e.left = left;
    e.top = top;
    e.width = width;
    e.height = height;
    return e;
}

Element label(const QString &name, const QString &caption, double left, double top)
{
    Element e = element(ElementKind::Label, name, left, top, 200, 20);
    e.caption = caption;
    return e;
}

Element field(const QString &name, const QString &table, const QString &fieldName)
{
    Element e = element(ElementKind::DataField, name, 10, 5, 300, 20);
    e.table = table;
    e.field = fieldName;
    return e;
}

Element system(const QString &name, SystemData kind, double left)
{
    Element e = element(ElementKind::SystemData, name, left, 0, 80, 18);
    e.system = kind;
    return e;
}

// An invoice of `rows` lines: header 100, a 40-pixel line per row, footer 60.
Model invoice(int rows, bool pageBands = false)
{
    Model m;
    m.title = QStringLiteral("Фактура");
    m.data.setColumns({QStringLiteral("Produkti.Opisanie"), QStringLiteral("Prodajbi_Vremenni.Kol")});
    for (int i = 0; i < rows; ++i)
        m.data.addRow({QStringLiteral("Артикул %1").arg(i + 1), i + 1});
    m.groupHeader.height = 100;
    m.groupHeader.elements.append(label(QStringLiteral("QRLabel1"), QStringLiteral("ФАКТУРА"), 300, 10));
    m.detail.height = 40;
    m.detail.elements.append(field(QStringLiteral("QRDBText1"), QStringLiteral("Produkti.db"),
                                   QStringLiteral("Opisanie")));
    m.groupFooter.height = 60;
    m.groupFooter.elements.append(label(QStringLiteral("QRLabel2"), QStringLiteral("Край на документа"), 10, 10));
    if (pageBands) {
        m.pageHeader.enabled = true;
        m.pageHeader.height = 40;
        m.pageHeader.elements.append(label(QStringLiteral("QRLabelPH"), QStringLiteral("Горен колонтитул"), 10, 5));
        m.pageFooter.enabled = true;
        m.pageFooter.height = 40;
        m.pageFooter.elements.append(system(QStringLiteral("QRSysDataPF"), SystemData::PageNumber, 600));
    }
    return m;
}

QList<RecordingPaintDevice::Page> record(const Document &doc, int dpi)
{
    if (doc.pages.isEmpty())
        return {};
    RecordingPaintDevice device(dpi);
    QPainter painter(&device);
    for (int i = 0; i < doc.pages.size(); ++i) {
        if (i > 0)
            device.newPage();
        paintPage(painter, doc.pages.at(i));
    }
    painter.end();
    return device.pages();
}

QStringList printedTexts(Model &m)
{
    const auto pages = record(produce(m), 96);
    QStringList out;
    for (const auto &p : pages)
        out += p.lineTexts();
    return out;
}

// Every printout of the test goes to one recording device.
struct SharedRecorder : PrintTarget {
    explicit SharedRecorder(RecordingPaintDevice *d, QStringList *log)
        : device_(d)
        , log_(log)
    {
    }
    bool prepare(const QString &t) override { return device_->prepare(t); }
    bool begin(const QString &t) override
    {
        log_->append(QStringLiteral("job:") + t);
        return device_->begin(t);
    }
    QPaintDevice *device() override { return device_; }
    bool newPage() override { return device_->newPage(); }
    bool end(bool painted) override { return device_->end(painted); }
    QString refusedMessage() const override { return device_->refusedMessage(); }
    QString errorString() const override { return device_->errorString(); }
    RecordingPaintDevice *device_;
    QStringList *log_;
};

void logEvents(Model &m, QStringList *log)
{
    m.beforePrint = [log](Model &, Production p) {
        log->append(p == Production::Preview ? QStringLiteral("before:preview") : QStringLiteral("before:printout"));
    };
    m.afterPrint = [log] { log->append(QStringLiteral("afterPrint")); };
    m.printFailed = [log](const QString &) { log->append(QStringLiteral("printFailed")); };
    m.afterPreview = [log] { log->append(QStringLiteral("afterPreview")); };
}

int pdfPages(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QString bytes = QString::fromLatin1(f.readAll());
    return int(bytes.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
}
} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        PlatformScript::activate();
        Printers::setInstalledForTests(QStringList{QStringLiteral("Kyocera")}, QStringLiteral("Kyocera"));
    }
    void cleanup()
    {
        setPrintTargetMaker(nullptr);
        Printers::setInstalledForTests(std::nullopt);
        PlatformScript::deactivate();
    }

    void arialIsLiberationSans()
    {
        // Fails when fonts-liberation2 is missing: documents would print in another width.
        QCOMPARE(QFontInfo(QFont(QStringLiteral("Arial"))).family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(QFontInfo(QFont(QStringLiteral("Times New Roman Cyr"))).family(), QStringLiteral("Liberation Serif"));
    }

    void pagesForRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("pageBands");
        QTest::addColumn<int>("pages");
        QTest::newRow("no rows") << 0 << true << 0;
        QTest::newRow("one row") << 1 << false << 1;
        QTest::newRow("one row, page bands") << 1 << true << 1;
        // 100 + 21 lines fill the first page between the page bands; 19 remain.
        QTest::newRow("40 rows, page bands") << 40 << true << 2;
    }
    void pagesForRows()
    {
        QFETCH(int, rows);
        QFETCH(bool, pageBands);
        QFETCH(int, pages);
        Model m = invoice(rows, pageBands);
        m.groupFooter.elements.first().frame.bottom = true; // the one line the layout draws
        const auto recorded = record(produce(m), 96);
        QCOMPARE(recorded.size(), pages);
        int lines = 0;
        for (int p = 0; p < recorded.size(); ++p) {
            const auto &page = recorded.at(p);
            for (const QString &t : page.lineTexts())
                lines += t.startsWith(QStringLiteral("Артикул")) ? 1 : 0;
            if (pageBands) {
                QVERIFY(page.contains(QStringLiteral("Горен колонтитул")));
                QVERIFY(page.contains(QString::number(p + 1))); // page footer's number
            }
            // Only what the layout draws: no frame of the page's own down
            // the right margin or along the bottom.
            QCOMPARE(page.lines.size(), p + 1 == recorded.size() ? 1 : 0);
            for (const QLineF &l : page.lines)
                QCOMPARE(qRound(l.dx()), 200); // the footer label's bottom side
            // Nothing below the page's content.
            for (const auto &t : page.texts)
                QVERIFY2(t.rect.top() < contentRect().bottom(), qPrintable(t.text));
        }
        QCOMPARE(lines, rows);
        if (pages > 0) {
            QCOMPARE(recorded.first().lineTexts().count(QStringLiteral("ФАКТУРА")), 1);
            QVERIFY(recorded.last().contains(QStringLiteral("Край на документа")));
            QVERIFY(recorded.last().contains(QStringLiteral("Стр.")));
            const QStringList credit = recorded.last().lineTexts().filter(QStringLiteral("кумент е издаден"));
            QVERIFY(!credit.isEmpty());
            QVERIFY(credit.first().startsWith(QStringLiteral("Този д") + QLatin1Char('o')));
        }
        if (rows == 40) {
            // Rows in order, the first page full up to its page footer.
            QCOMPARE(recorded.at(0).lineTexts().filter(QStringLiteral("Артикул")).size(), 21);
            QVERIFY(recorded.at(1).contains(QStringLiteral("Артикул 22")));
        }
    }

    void thousandsOfRowsStayFast()
    {
        Model m = invoice(5000);
        m.detail.height = 20;
        Element amount = field(QStringLiteral("QRDBText2"), QStringLiteral("Prodajbi_Vremenni"), QStringLiteral("Kol"));
        amount.left = 400;
        amount.alignment = Qt::AlignRight;
        m.detail.elements.append(amount);
        QElapsedTimer timer;
        timer.start();
        const Document doc = produce(m);
        qInfo("5000 rows: %d pages in %lld ms", int(doc.pages.size()), timer.elapsed());
        QCOMPARE(doc.pages.size(), 97); // 100 + 47 rows, then 52 rows a page, footers on the last
        QVERIFY(timer.elapsed() < 10000 * slowdown());
    }

    void bandTallerThanAPageIsClipped()
    {
        Model m = invoice(2);
        m.detail.height = 2000;
        m.detail.elements.first().top = 1500; // below the page end: cut away
        const auto recorded = record(produce(m), 96);
        QCOMPARE(recorded.size(), 4); // header + row 1, row 2, footer bands
        for (const auto &p : recorded)
            QVERIFY(!p.lineTexts().join(QString()).contains(QStringLiteral("Артикул")));
    }

    void sameLinesOnEveryDevice()
    {
        Model m = invoice(1);
        Element wrapped = label(QStringLiteral("QRLabel3"),
                                QStringLiteral("Гаранционни условия: стоката се приема за ремонт само с "
                                               "касова бележка и гаранционна карта, в оригинална опаковка."),
                                10, 30);
        wrapped.wordWrap = true;
        wrapped.width = 180;
        wrapped.height = 120;
        wrapped.fontSize = 9;
        wrapped.alignment = Qt::AlignHCenter;
        Element sized = label(QStringLiteral("QRLabel4"), QStringLiteral("Обща сума: 1 234.56 лв."), 400, 30);
        sized.autoSize = true;
        sized.alignment = Qt::AlignRight;
        sized.bold = true;
        sized.fontSize = 14;
        m.groupHeader.elements << wrapped << sized;
        const Document doc = produce(m);
        const auto screen = record(doc, 96);
        const auto printer = record(doc, 600);
        const auto pdf = record(doc, 1200); // a PDF is written at 1200 dpi
        const auto linesOf = [](const QList<RecordingPaintDevice::Page> &pages) {
            QStringList out;
            for (const auto &t : pages.first().texts)
                out << QStringLiteral("%1|%2,%3,%4,%5|%6")
                           .arg(t.text)
                           .arg(t.rect.x(), 0, 'f', 3)
                           .arg(t.rect.y(), 0, 'f', 3)
                           .arg(t.rect.width(), 0, 'f', 3)
                           .arg(t.rect.height(), 0, 'f', 3)
                           .arg(t.font.toString());
            return out;
        };
        QCOMPARE(linesOf(printer), linesOf(screen));
        QCOMPARE(linesOf(pdf), linesOf(screen));
        const QStringList texts = screen.first().lineTexts();
        const int first = int(texts.indexOf(QRegularExpression(QStringLiteral("^Гаранционни.*"))));
        QVERIFY(first >= 0);
        QVERIFY2(texts.at(first) != wrapped.caption, "the long text must wrap");
        // Each device really draws each line at its laid-out place.
        for (const auto *pages : {&screen, &printer, &pdf}) {
            const auto &page = pages->first();
            for (const auto &t : page.texts) {
                bool found = false;
                for (const auto &run : page.runs)
                    if (t.text.startsWith(run.text) && qAbs(run.baseline.x() - t.rect.x()) < 1.0
                        && run.baseline.y() > t.rect.top() && run.baseline.y() <= t.rect.bottom() + 0.5)
                        found = true;
                QVERIFY2(found, qPrintable(t.text));
            }
        }
        // The auto-sized element keeps its right edge (right alignment).
        for (const auto &t : screen.first().texts)
            if (t.text == sized.caption)
                QVERIFY(qAbs(t.rect.right() - (contentRect().left() + 400 + 200)) < 0.01);
    }

    void richTextPrintsInItsBand()
    {
        Model m = invoice(1);
        QTextDocument text;
        Rtf::read("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\\pard\\qc\\f0\\fs24 "
                  "\\b \\'d4\\'e8\\'f0\\'ec\\'e0\\b0\\par \\'c0\\'e4\\'f0\\'e5\\'f1}",
                  &text);
        Element header;
        header.name = QStringLiteral("QRRichText_Header");
        header.kind = ElementKind::RichText;
        header.width = contentRect().width();
        header.height = 5; // a rich text is always its band's height less one
        header.richText = text.toHtml();
        m.groupHeader.elements = {header};
        for (int dpi : {96, 600}) {
            const auto pages = record(produce(m), dpi);
            QStringList runs;
            for (const auto &run : pages.first().runs) {
                runs << run.text;
                if (run.text == QStringLiteral("Фирма") || run.text == QStringLiteral("Адрес")) {
                    QVERIFY(run.baseline.y() > contentRect().top());
                    QVERIFY(run.baseline.y() < contentRect().top() + m.groupHeader.height - 1);
                    QVERIFY(run.baseline.x() > contentRect().center().x() - 60); // centred
                }
            }
            QVERIFY2(runs.contains(QStringLiteral("Фирма")), qPrintable(runs.join(QLatin1Char('|'))));
            QVERIFY(runs.contains(QStringLiteral("Адрес")));
        }
    }

    void dataFieldPrintsItsOwnTable()
    {
        Model m = invoice(0);
        m.data.setColumns({QStringLiteral("Firmi.Grad"), QStringLiteral("Klienti.Grad"), QStringLiteral("Ime"),
                           QStringLiteral("Cena"), QStringLiteral("Nula")});
        m.data.addRow({QStringLiteral("Варна"), QStringLiteral("Русе"), QStringLiteral("Иван"), 1.005, QVariant()});
        m.data.setMoneyFormat(true);
        m.detail.elements = {field(QStringLiteral("A"), QStringLiteral("Klienti.db"), QStringLiteral("Grad")),
                             field(QStringLiteral("B"), QStringLiteral("KLIENTI"), QStringLiteral("ime")),
                             field(QStringLiteral("C"), QStringLiteral("Produkti"), QStringLiteral("Cena")),
                             field(QStringLiteral("D"), QStringLiteral("Firmi"), QStringLiteral("Nula")),
                             field(QStringLiteral("E"), QStringLiteral("Firmi"), QStringLiteral("Telefon"))};
        for (int i = 0; i < m.detail.elements.size(); ++i)
            m.detail.elements[i].left = 10 + i * 120;
        m.groupHeader.elements.clear();
        m.groupFooter.elements.clear();
        m.child.elements.clear();
        QCOMPARE(printedTexts(m), QStringList({QStringLiteral("Русе"), QStringLiteral("Иван"), QStringLiteral("1.01")}));
        QCOMPARE(m.data.columnOf(QStringLiteral("Firmi.db"), QStringLiteral("GRAD")), 0);
    }

    void dateAndTimeColumnsInShortForm()
    {
        Data d;
        d.setColumns({QStringLiteral("Prodajbi.D_Prodajba"), QStringLiteral("Prodajbi.T_Prodajba"),
                      QStringLiteral("Prodajbi.Kol")});
        d.addRow({QStringLiteral("2024-03-01"), QStringLiteral("10:05:00"), 2.5});
        ColumnRegistry::registerDateColumn(QStringLiteral("D_Prodajba"));
        ColumnRegistry::registerTimeColumn(QStringLiteral("T_Prodajba"));
        QCOMPARE(d.text(0, 0), QStringLiteral("2024-03-01")); // unmarked
        d.markRegistryColumns();
        QCOMPARE(d.text(0, 0), QStringLiteral("01.03.2024"));
        QCOMPARE(d.text(0, 1), QStringLiteral("10:05:00"));
        QCOMPARE(d.text(0, 2), QStringLiteral("2.5"));
    }

    void dataAreReadWhole()
    {
        TestProgram program;
        createTestTable(QStringLiteral("Probe"), QStringLiteral("Grad TEXT, Suma DOUBLE, D_Probe TEXT"));
        for (int i = 0; i < 3; ++i)
            Db::execute(QStringLiteral("INSERT INTO Probe VALUES (?, ?, ?)"),
                        {QStringLiteral("Град %1").arg(i), 2.5 * i, QStringLiteral("2024-03-0%1").arg(i + 1)});
        QString error;
        QVERIFY(Query_Dokumentation.open(QStringLiteral("SELECT Grad AS \"Probe.Grad\", Suma, D_Probe FROM Probe "
                                                        "WHERE Suma >= ? ORDER BY Suma"),
                                         {2.5}, &error));
        QCOMPARE(Query_Dokumentation.rowCount(), 2);
        QCOMPARE(Query_Dokumentation.columnOf(QStringLiteral("Probe.db"), QStringLiteral("Grad")), 0);
        Query_Dokumentation.markDateColumn(2);
        Query_Dokumentation.setMoneyFormat(true);
        QCOMPARE(Query_Dokumentation.text(1, 1), QStringLiteral("5.00"));
        QCOMPARE(Query_Dokumentation.text(0, 2), QStringLiteral("02.03.2024"));
        // A failed statement leaves no rows of the one before.
        QVERIFY(!Query_Dokumentation.open(QStringLiteral("SELECT Nothing FROM Probe"), {}, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(Query_Dokumentation.rowCount(), 0);
    }

    void beforePrintSetsAColumn()
    {
        Model m = invoice(3);
        m.detail.elements.append(field(QStringLiteral("N"), QStringLiteral("Dokumenti"), QStringLiteral("N_Dok")));
        m.detail.elements.last().left = 400;
        m.beforePrint = [](Model &model, Production) {
            model.data.setColumnValue(QStringLiteral("Dokumenti.N_Dok"), QStringLiteral("00041"));
        };
        RecordingPaintDevice device;
        QCOMPARE(printout(m, device), PrintResult::Sent);
        QCOMPARE(device.pages().first().lineTexts().count(QStringLiteral("00041")), 3);
        QCOMPARE(device.jobs().first().title, QStringLiteral("Фактура"));
    }

    void previewEventsAndPrintouts()
    {
        Model m = invoice(5);
        QStringList log;
        logEvents(m, &log);
        RecordingPaintDevice device;
        setPrintTargetMaker([&](const QString &printer) {
            log.append(QStringLiteral("printer:") + printer);
            return std::make_unique<SharedRecorder>(&device, &log);
        });
        int productions = -1;
        QStringList shown;
        driveWindows<ReportPreview>([&](ReportPreview *w) {
            QVERIFY(w->Button_Print->isEnabled());
            QVERIFY(!w->Label_NoData->isVisible());
            for (const auto &p : record(w->document(), 96))
                shown += p.lineTexts();
            productions = productionCount();
            // Zoom and repaint show the pages already made.
            w->ComboBox_Zoom->setCurrentIndex(4);
            w->ComboBox_ZoomChange();
            w->grab();
            QCOMPARE(w->zoom(), 2.0);
            QCOMPARE(productionCount(), productions);
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
            QTest::mouseClick(w->Button_Close, Qt::LeftButton);
        });
        preview(m);
        QCOMPARE(log, QStringList({QStringLiteral("before:preview"), QStringLiteral("printer:Kyocera"),
                                   QStringLiteral("before:printout"), QStringLiteral("job:Фактура"),
                                   QStringLiteral("afterPrint"), QStringLiteral("printer:Kyocera"),
                                   QStringLiteral("before:printout"), QStringLiteral("job:Фактура"),
                                   QStringLiteral("afterPrint"), QStringLiteral("afterPreview")}));
        QCOMPARE(productionCount(), productions + 2);
        QCOMPARE(device.sentCount(), 2);
        QVERIFY(shown.contains(QStringLiteral("Артикул 5")));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
    }

    void previewLeftOpenStillEndsOnce()
    {
        Model m = invoice(0);
        QStringList log;
        logEvents(m, &log);
        bool disabled = false;
        bool noData = false;
        driveWindows<ReportPreview>([&](ReportPreview *w) {
            disabled = !w->Button_Print->isEnabled();
            noData = w->Label_NoData->isVisible() && w->Label_NoData->text() == QStringLiteral("Няма данни за документа");
        });
        preview(m);
        QVERIFY(disabled);
        QVERIFY(noData);
        QCOMPARE(log, QStringList({QStringLiteral("before:preview"), QStringLiteral("afterPreview")}));
    }

    void failedPrintoutFiresFailure()
    {
        Model m = invoice(2);
        QStringList log;
        logEvents(m, &log);
        // A printer that names no printer and no file cannot print.
        QPrinter printer;
        printer.setPrinterName(QString());
        printer.setOutputFileName(QString());
        PrinterTarget target(&printer);
        QString error;
        QCOMPARE(printout(m, target, &error), PrintResult::Failed);
        QVERIFY2(error.startsWith(QStringLiteral("не е избран")), qPrintable(error));
        QCOMPARE(log, QStringList({QStringLiteral("before:printout"), QStringLiteral("printFailed")}));

        // A recording printer that refuses, and one that does not send.
        log.clear();
        RecordingPaintDevice refusing;
        refusing.setRefuse(true);
        QCOMPARE(printout(m, refusing), PrintResult::Failed);
        RecordingPaintDevice lost;
        lost.setFailSend(true);
        QCOMPARE(printout(m, lost), PrintResult::Failed);
        QCOMPARE(lost.sentCount(), 0);
        QCOMPARE(log, QStringList({QStringLiteral("before:printout"), QStringLiteral("printFailed"),
                                   QStringLiteral("before:printout"), QStringLiteral("printFailed")}));
    }

    void failedPrintoutFromPreviewIsTold()
    {
        Model m = invoice(2);
        QStringList log;
        logEvents(m, &log);
        RecordingPaintDevice device;
        device.setFailSend(true);
        setPrintTargetMaker([&](const QString &) { return std::make_unique<SharedRecorder>(&device, &log); });
        driveWindows<ReportPreview>([](ReportPreview *w) {
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
            QTest::mouseClick(w->Button_Close, Qt::LeftButton);
        });
        preview(m);
        QVERIFY(!log.contains(QStringLiteral("afterPrint")));
        QVERIFY(log.contains(QStringLiteral("printFailed")));
        const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().startsWith(QStringLiteral("Документът не е отпечатан")));
    }

    void directPrintoutWithoutRowsOpensNoJob()
    {
        Model m = invoice(0);
        QStringList log;
        logEvents(m, &log);
        RecordingPaintDevice device;
        setPrintTargetMaker([&](const QString &) { return std::make_unique<SharedRecorder>(&device, &log); });
        QString error;
        const PrintResult r = print(m, &error);
        QCOMPARE(r, PrintResult::NoData);
        QVERIFY(device.jobs().isEmpty());
        QCOMPARE(log, QStringList({QStringLiteral("before:printout"), QStringLiteral("printFailed")}));
        QCOMPARE(resultMessage(r, error), QStringLiteral("Няма данни за документа"));
    }

    void cancelledPdfDialogIsACancelledPrintout()
    {
        TestProgram program(false);
        Printers::setInstalledForTests(QStringList());
        QCOMPARE(printerForPrintout(), QStringLiteral("PDF файл")); // no printer installed
        Model m = invoice(3);
        QStringList log;
        logEvents(m, &log);
        const PrintResult r = print(m); // the save dialog gets no answer: cancelled
        QCOMPARE(r, PrintResult::Cancelled);
        QVERIFY(log.isEmpty());
        QVERIFY(resultMessage(r, QString()).isEmpty());
        const auto events = PlatformScript::events();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.first().kind, QStringLiteral("saveFile"));
        QCOMPARE(events.first().args.value(1), QDir(ProgramFolder::tempFolder()).filePath(QStringLiteral("Фактура.pdf")));
    }

    void pdfFileHasOnePagePerProducedPage()
    {
        TestProgram program(false);
        QVERIFY(SET_SELECTED_PRINTER(QStringLiteral("PDF файл"))); // never installed, always taken
        QCOMPARE(printerForPrintout(), QStringLiteral("PDF файл"));
        Model m = invoice(40, true);
        QStringList log;
        logEvents(m, &log);
        const QString file = program.file(QStringLiteral("doc"));
        PlatformScript::answer(file);
        QString error;
        QCOMPARE(print(m, &error), PrintResult::Sent);
        QCOMPARE(log, QStringList({QStringLiteral("before:printout"), QStringLiteral("afterPrint")}));
        QCOMPARE(pdfPages(file + QStringLiteral(".pdf")), 2);
        Printers::resetSelection();
    }

    // A PDF saved outside the program folder is for whoever the user gives it
    // to: made as the user's umask gives; in the program folder the shop's.
    void aPdfOutsideTheProgramFolderIsReadableAsTheUsersUmaskGives()
    {
        UserUmask user(022);
        TestProgram program(false);
        QVERIFY(SET_SELECTED_PRINTER(QStringLiteral("PDF файл")));
        QTemporaryDir outside;
        const QString shared = QDir(outside.path()).filePath(QStringLiteral("doc.pdf"));
        const QString own = program.file(QStringLiteral("TEMP/doc.pdf"));
        for (const QString &file : {shared, own}) {
            Model m = invoice(1);
            PlatformScript::answer(file);
            QCOMPARE(print(m), PrintResult::Sent);
        }
        QCOMPARE(fileMode(shared), 0644);
        QCOMPARE(fileMode(own), 0640);
        Printers::resetSelection();
    }

    // A PDF printed over an old one on a full disk: the old one stays whole.
    void pdfOnAFullDiskKeepsTheOldFile()
    {
        FullDisk disk;
        TestProgram program(false, disk.folder());
        QVERIFY(SET_SELECTED_PRINTER(QStringLiteral("PDF файл")));
        Model m = invoice(40, true);
        const QString file = program.file(QStringLiteral("doc.pdf"));
        QVERIFY(putFile(file, "%PDF-1.4 an older printout"));
        PlatformScript::answer(file);
        disk.fill();
        QString error;
        const PrintResult r = print(m, &error);
        disk.release();
        QCOMPARE(r, PrintResult::Failed);
        QCOMPARE(error, QStringLiteral("Няма място на диска: ") + file);
        QCOMPARE(fileContents(file), QByteArray("%PDF-1.4 an older printout"));
        QCOMPARE(QDir(program.folder()).entryList({QStringLiteral("doc*")}, QDir::Files), QStringList{"doc.pdf"});
        Printers::resetSelection();
    }

    void pdfEndsEveryPrinterList()
    {
        Printers::setInstalledForTests(QStringList{QStringLiteral("A")}, QStringLiteral("A"));
        PrinterCheckList list;
        list.reload();
        QCOMPARE(list.CheckListBox_Printers->count(), 2);
        QCOMPARE(list.CheckListBox_Printers->item(1)->text(), QStringLiteral("PDF файл"));
        Printers::setInstalledForTests(QStringList());
        list.reload();
        QCOMPARE(list.CheckListBox_Printers->count(), 1);
        QVERIFY(SET_SELECTED_PRINTER(QStringLiteral("PDF файл")));
        QVERIFY(!SET_SELECTED_PRINTER(QStringLiteral("pdf файл")));
    }
};
VTEST(TestReportEngine)
#include "test_report_engine.moc"
