#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "print_fixture.h"

#include "app/app_state.h"
#include "documents/document_print_road.h"
#include "documents/form_generalform_dokumentaciq.h"
#include "documents/layout_document.h"
#include "documents/name_of_dokument.h"
#include "platform/printers.h"
#include "platform/report/report_preview.h"
#include "platform/script.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace PrintFixture;

namespace {
QList<PrintedLine> marked()
{
    return {{1, 12, Decimal::fromParts(25, 1), QStringLiteral("Иван")},
            {2, 40, Decimal::fromParts(391, 2), QStringLiteral("Иван")}};
}

// A layout with the lines' quantities, the document's number, the document's
// title and the total label.
Layout::Document documentLayout()
{
    Layout::Document d = layout({{QStringLiteral("Prodajbi_vremenni"), QStringLiteral("Kol")},
                                 {QStringLiteral("Dokumenti"), QStringLiteral("N_Dok")}});
    d.originalVisible = true;
    Layout::Element total;
    total.kind = Layout::Kind::Label;
    total.band = Layout::Band::Footer;
    total.name = QStringLiteral("QRLabel1");
    total.code = Layout::TotalAmount;
    total.caption = QStringLiteral("2:Общо");
    total.width = 120;
    d.elements.append(total);
    Layout::Element title;
    title.kind = Layout::Kind::SystemData;
    title.band = Layout::Band::Footer;
    title.name = QStringLiteral("QRSysData1");
    title.code = Layout::DocumentTitle;
    title.left = 300;
    title.width = 200;
    d.elements.append(title);
    return d;
}

struct Shown {
    QString title;
    QString printer;
};

// Every preview is noted (its title and the selected printer) and printed `printouts` times.
QList<Shown> *recordPreviews(int printouts = 0)
{
    static QList<Shown> shown;
    shown.clear();
    driveWindows<ReportPreview>([printouts](ReportPreview *w) {
        shown.append({w->model().title, Printers::selected()});
        for (int i = 0; i < printouts; ++i)
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
        QTest::mouseClick(w->Button_Close, Qt::LeftButton);
    });
    return &shown;
}

PrintRoadRequest shopRoad(const QStringList &documents, const QStringList &printers)
{
    PrintRoadRequest r;
    r.callerCode = CallerShop;
    r.documents = documents;
    r.printers = printers;
    r.lines = marked();
    r.counterparty = 7;
    r.total = Decimal::fromParts(641, 2);
    return r;
}

QString printed(const QStringList &texts, const QStringList &candidates)
{
    for (const QString &c : candidates)
        if (texts.contains(c))
            return c;
    return QString();
}
} // namespace

class TestPrintRoad : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        PlatformScript::clearEvents();
        programPrintState() = PrintState();
        DefaultPrinterName.clear();
        Printers::setInstalledForTests(QStringList{QStringLiteral("Kyocera"), QStringLiteral("HP")},
                                       QStringLiteral("Kyocera"));
        AppState::instance().setCurrentOperator(QStringLiteral("Иван"));
    }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        Printers::setInstalledForTests(std::nullopt);
        Layout::current().clear();
    }

    // Document 1 on printer 1 and 2, then document 2 on both; each titled by its name.
    void previewsPerDocumentAndPrinter()
    {
        TestProgram program;
        fill();
        QVERIFY(save(QStringLiteral("Фактура"), documentLayout()));
        QVERIFY(save(QStringLiteral("Стокова"), documentLayout()));
        Recorder recorder;
        QList<Shown> *shown = recordPreviews(1);
        bool ended = false;
        PrintRoadRequest r = shopRoad({QStringLiteral("Фактура"), QStringLiteral("Стокова")},
                                      {QStringLiteral("Kyocera"), QStringLiteral("HP")});
        r.atEnd = [&ended] {
            ended = true;
            QVERIFY(DocumentLineList.isEmpty());
        };
        SET_SELECTED_PRINTER(QStringLiteral("HP"));
        DefaultPrinterName = QStringLiteral("Kyocera");
        DocumentLineList = QStringList{QStringLiteral("left over")};
        DocumentPrintRoad(r).run();
        QCOMPARE(shown->size(), 4);
        const QStringList order = {(*shown)[0].title + "@" + (*shown)[0].printer,
                                   (*shown)[1].title + "@" + (*shown)[1].printer,
                                   (*shown)[2].title + "@" + (*shown)[2].printer,
                                   (*shown)[3].title + "@" + (*shown)[3].printer};
        QCOMPARE(order, QStringList({"Фактура@Kyocera", "Фактура@HP", "Стокова@Kyocera", "Стокова@HP"}));
        QCOMPARE(recorder.printers, QStringList({"Kyocera", "HP", "Kyocera", "HP"}));
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 4);
        for (const QStringList &p : pages) {
            QVERIFY2(p.contains(QStringLiteral("6.41")), qPrintable(p.join('|'))); // the same total each time
            QCOMPARE(printed(p, {"ОРИГИНАЛ", "КОПИЕ"}), QStringLiteral("ОРИГИНАЛ"));
        }
        QVERIFY(pages[0].contains(QStringLiteral("Фактура")));
        QVERIFY(pages[2].contains(QStringLiteral("Стокова")));
        QVERIFY(ended);
        QVERIFY(DocumentLineList.isEmpty());
        QCOMPARE(Printers::selected(), QStringLiteral("Kyocera"));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
        QCOMPARE(programPrintState().PrintCallerCode, int(CallerShop));
    }

    // A numbered document printed on two ticked printers carries 41, then 42.
    void twoPrintersNumberInTurn()
    {
        TestProgram program;
        fill();
        QVERIFY(save(QStringLiteral("Фактура"), documentLayout(), QStringLiteral("41")));
        Recorder recorder;
        recordPreviews(2);
        DocumentPrintRoad(shopRoad({QStringLiteral("Фактура")}, {QStringLiteral("Kyocera"), QStringLiteral("HP")}))
            .run();
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 4);
        QCOMPARE(printed(pages[0], {"41", "42"}), QStringLiteral("41"));
        QCOMPARE(printed(pages[1], {"41", "42"}), QStringLiteral("41"));
        QCOMPARE(printed(pages[1], {"ОРИГИНАЛ", "КОПИЕ"}), QStringLiteral("КОПИЕ"));
        QCOMPARE(printed(pages[2], {"41", "42"}), QStringLiteral("42"));
        QCOMPARE(printed(pages[2], {"ОРИГИНАЛ", "КОПИЕ"}), QStringLiteral("ОРИГИНАЛ"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT N_Dok FROM Dokumenti WHERE Opisanie = 'Фактура'")).toString(),
                 QStringLiteral("43"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok WHERE ID_Kontrag = 7 AND Ot_Kade_Prod = 1"))
                     .toInt(),
                 4);
        QCOMPARE(joinedRows(QStringLiteral("SELECT ID_Prod || ':' || ID_Art || ':' || N_Dok FROM Printed_Dok ORDER BY rowid"),
                                    QStringLiteral(" ")),
                 QStringLiteral("1:12:41 2:40:41 1:12:42 2:40:42"));
    }

    void noMarkedLineBuildsNothing()
    {
        TestProgram program;
        fill();
        QVERIFY(save(QStringLiteral("Фактура"), documentLayout()));
        Recorder recorder;
        QList<Shown> *shown = recordPreviews();
        bool ended = false;
        PrintRoadRequest r = shopRoad({QStringLiteral("Фактура")}, {QStringLiteral("Kyocera")});
        r.lines.clear();
        r.atEnd = [&ended] { ended = true; };
        DefaultPrinterName = QStringLiteral("HP");
        DocumentPrintRoad(r).run();
        QVERIFY(shown->isEmpty());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList({DocumentPrintRoad::noLinesMessage()}));
        QVERIFY(ended);
        QCOMPARE(Printers::selected(), QStringLiteral("HP"));
    }

    // A missing layout, a document that cannot be read and a printer that is
    // not installed are each named and skipped; the road goes on and ends whole.
    void failuresAreSkipped()
    {
        TestProgram program;
        fill();
        QVERIFY(save(QStringLiteral("Фактура"), documentLayout()));
        QVERIFY(save(QStringLiteral("Склад"), layout({{QStringLiteral("Sklad"), QStringLiteral("Opis_Sklad")}})));
        QVERIFY(save(QStringLiteral("Бележка"), documentLayout()));
        Recorder recorder;
        QList<Shown> *shown = recordPreviews();
        Layout::Document designing = layout({{QStringLiteral("Firmi"), QStringLiteral("Grad")}});
        Layout::current() = designing;
        bool ended = false;
        PrintRoadRequest r = shopRoad({QStringLiteral("Липсващ"), QStringLiteral("Склад"), QStringLiteral("Фактура"),
                                       QStringLiteral("Бележка")},
                                      {QStringLiteral("Canon"), QStringLiteral("HP")});
        r.atEnd = [&ended] { ended = true; };
        DefaultPrinterName = QStringLiteral("Kyocera");
        DocumentPrintRoad(r).run();
        QCOMPARE(shown->size(), 2);
        QCOMPARE((*shown)[0].title, QStringLiteral("Фактура"));
        QCOMPARE((*shown)[1].title, QStringLiteral("Бележка"));
        QCOMPARE((*shown)[0].printer, QStringLiteral("HP"));
        const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
        QCOMPARE(messages.size(), 4);
        QVERIFY2(messages[0].contains(QStringLiteral("Липсващ")), qPrintable(messages[0]));
        QVERIFY2(messages[1].contains(QStringLiteral("Склад")) && messages[1].contains(QStringLiteral("Sklad")),
                 qPrintable(messages[1]));
        QCOMPARE(messages[2], Printers::notFoundMessage(QStringLiteral("Canon")));
        QCOMPARE(messages[3], Printers::notFoundMessage(QStringLiteral("Canon")));
        QVERIFY(ended);
        QVERIFY(DocumentLineList.isEmpty());
        QCOMPARE(Printers::selected(), QStringLiteral("Kyocera"));
        QCOMPARE(Layout::current().LayoutFieldList(), designing.LayoutFieldList());
    }

    // Without a total the amounts are zero; a direct printout prints on each
    // printer at once, each an original.
    void directPrintoutsWithoutTotal()
    {
        TestProgram program;
        fill();
        QVERIFY(save(QStringLiteral("Протокол"), documentLayout(), QStringLiteral("5")));
        Recorder recorder;
        QList<Shown> *shown = recordPreviews();
        PrintRoadRequest r = shopRoad({QStringLiteral("Протокол")}, {QStringLiteral("Kyocera"), QStringLiteral("HP")});
        r.callerCode = CallerFiscal;
        r.total.reset();
        r.direct = true;
        r.lines.clear();
        r.query = [](const QString &document, const Layout::Document &, Report::Data *data, QString *) {
            data->setColumns({QStringLiteral("Dokumenti.N_Dok"), QStringLiteral("Prodajbi_Vremenni.Kol")});
            data->addRow({QStringLiteral("5"), 3.0});
            return document == QStringLiteral("Протокол");
        };
        DocumentPrintRoad(r).run();
        QVERIFY(shown->isEmpty());
        QCOMPARE(recorder.printers, QStringList({"Kyocera", "HP"}));
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 2);
        for (const QStringList &p : pages) {
            QVERIFY2(p.contains(QStringLiteral("0.00")), qPrintable(p.join('|')));
            QCOMPARE(printed(p, {"ОРИГИНАЛ", "КОПИЕ"}), QStringLiteral("ОРИГИНАЛ"));
            QVERIFY(p.contains(QStringLiteral("Протокол")));
        }
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok")).toInt(), 0);
        QCOMPARE(programPrintState().PrintCopyCounter, 0);
        QVERIFY(programPrintState().NumberingArmed);
    }

    // A failure inside a document (an exception) still ends the road whole.
    void errorInSecondDocumentEndsTheRoadWhole()
    {
        TestProgram program;
        fill();
        QVERIFY(save(QStringLiteral("Фактура"), documentLayout()));
        QVERIFY(save(QStringLiteral("Бележка"), documentLayout()));
        Recorder recorder;
        QList<Shown> *shown = recordPreviews();
        bool ended = false;
        PrintRoadRequest r = shopRoad({QStringLiteral("Фактура"), QStringLiteral("Бележка")}, {QStringLiteral("HP")});
        r.query = [](const QString &document, const Layout::Document &, Report::Data *data, QString *) {
            if (document == QStringLiteral("Бележка"))
                throw DbError(QStringLiteral("disk I/O error"));
            data->setColumns({QStringLiteral("Prodajbi_Vremenni.Kol")});
            data->addRow({1.0});
            return true;
        };
        r.atEnd = [&ended] { ended = true; };
        DefaultPrinterName = QStringLiteral("Kyocera");
        DocumentPrintRoad(r).run();
        QCOMPARE(shown->size(), 1);
        QVERIFY(ended);
        QVERIFY(DocumentLineList.isEmpty());
        QCOMPARE(Printers::selected(), QStringLiteral("Kyocera"));
        const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("Бележка")) && messages[0].contains(QStringLiteral("disk I/O")),
                 qPrintable(messages[0]));
    }

    // "Преглед" in the designer: the operator's lines, never numbered or logged.
    void designerPreviewNeverNumbers()
    {
        TestProgram program;
        fill();
        QVERIFY(save(QStringLiteral("Фактура"), documentLayout(), QStringLiteral("41")));
        AppState::instance().setCurrentOperator(QStringLiteral("Мария"));
        Recorder recorder;
        TForm_GeneralForm_Dokumentaciq form;
        form.show();
        QVERIFY(form.N_Pregled->isEnabled());
        form.N_Open_FileClick();
        form.ComboBox_Dokumenti->setCurrentIndex(form.ComboBox_Dokumenti->findText(QStringLiteral("Фактура")));
        form.ComboBox_DokumentiChange(form.ComboBox_Dokumenti->currentIndex());
        QList<Shown> *shown = recordPreviews(1);
        form.N_Pregled->trigger();
        QCOMPARE(shown->size(), 1);
        QCOMPARE((*shown)[0].title, QStringLiteral("Фактура"));
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].contains(QStringLiteral("5.00")), qPrintable(pages[0].join('|'))); // Мария's line
        QVERIFY(!pages[0].contains(QStringLiteral("2.00")));
        QVERIFY(pages[0].contains(QStringLiteral("41")));
        QCOMPARE(programPrintState().PrintCallerCode, int(CallerDesigner));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok")).toInt(), 0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT N_Dok FROM Dokumenti")).toString(), QStringLiteral("41"));
        // A layout the query refuses says why and shows nothing.
        Layout::current().elements.append(field(QStringLiteral("Sklad"), QStringLiteral("Grad"), 9));
        shown->clear();
        form.N_Pregled->trigger();
        QVERIFY(shown->isEmpty());
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).last().contains(QStringLiteral("Sklad")));
        form.reject();
    }

    // A design saved as "Бележка" is previewed under that name, and printed
    // to a PDF file it proposes TEMP/Бележка.pdf.
    void aDesignSavedByNameIsPreviewedAndFiledUnderIt()
    {
        TestProgram program;
        fill();
        Printers::setInstalledForTests(QStringList()); // the PDF file alone
        AppState::instance().setCurrentOperator(QStringLiteral("Мария"));
        TForm_GeneralForm_Dokumentaciq form;
        form.show();
        Layout::current() = documentLayout();
        driveWindows<TName_Of_Dokument>([](TName_Of_Dokument *d) {
            d->Edit_Name_Of_Dok->setText(QStringLiteral("Бележка"));
            d->OKBtn->click();
        });
        form.N2->trigger();
        QList<Shown> *shown = recordPreviews(1);
        PlatformScript::clearEvents();
        form.N_Pregled->trigger();
        QCOMPARE(shown->size(), 1);
        QCOMPARE((*shown)[0].title, QStringLiteral("Бележка"));
        QStringList proposed;
        for (const PlatformScript::Event &e : PlatformScript::events())
            if (e.kind == QLatin1String("saveFile"))
                proposed << e.args.value(1);
        QCOMPARE(proposed, QStringList{program.file(QStringLiteral("TEMP/Бележка.pdf"))});
        form.reject();
    }
};

VTEST(TestPrintRoad)
#include "test_print_road.moc"
