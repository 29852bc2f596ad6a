#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "print_fixture.h"

#include "app/app_state.h"
#include "documents/tab_print_panel.h"
#include "platform/printer_check_list.h"
#include "platform/printers.h"
#include "platform/report/report_preview.h"
#include "platform/script.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {
// A tab's print panel on bare controls.
struct Tab {
    QWidget window;
    QToolButton *docsButton = new QToolButton(&window);
    QWidget *docsPanel = new QWidget(&window);
    QListWidget *docs = new QListWidget(docsPanel);
    QToolButton *printersButton = new QToolButton(&window);
    QWidget *printersPanel = new QWidget(&window);
    PrinterCheckList *printers = new PrinterCheckList(QStringLiteral("CheckListBox_Printers"), printersPanel);
    QList<PrintedLine> lines;
    std::unique_ptr<TabPrintPanel> panel;

    explicit Tab(const QString &mark)
    {
        TabPrintPanel::Controls c;
        c.SpdBtn_Pokaji_Dokuments = docsButton;
        c.Panel_Dokumets = docsPanel;
        c.ChkListBox_Pokaj_Dokum = docs;
        c.SpdBtn_Pokaji_Printers = printersButton;
        c.Panel_Printers = printersPanel;
        c.Printers = printers;
        TabPrintPanel::Tab t;
        t.mark = mark;
        t.lines = [this] { return lines; };
        t.counterparty = [] { return 7LL; };
        panel = std::make_unique<TabPrintPanel>(c, t);
        window.show();
    }
    QStringList items() const
    {
        QStringList names;
        for (int i = 0; i < docs->count(); ++i)
            names.append(docs->item(i)->text());
        return names;
    }
    void tick(const QString &name)
    {
        for (int i = 0; i < docs->count(); ++i)
            if (docs->item(i)->text() == name)
                docs->item(i)->setCheckState(Qt::Checked);
    }
};
} // namespace

class TestTabPrintPanel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        PlatformScript::clearEvents();
        DefaultPrinterName.clear();
        Printers::setInstalledForTests(QStringList{QStringLiteral("Kyocera"), QStringLiteral("HP")},
                                       QStringLiteral("HP"));
        AppState::instance().setCurrentOperator(QStringLiteral("Иван"));
    }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        Printers::setInstalledForTests(std::nullopt);
    }

    // The list holds the documents whose where-used text contains the mark, case-sensitively, sorted.
    void documentListFollowsTheMark()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Dokumenti (Opisanie, Kade_se_izpolzva, N_Dok) VALUES "
                                   "('Стокова', 'МАГАЗИН ,,', '0'), ('Протокол', ',СЕРВИЗ ,', '0'), "
                                   "('Бележка', 'магазин', '0'), ('Акт', 'МАГАЗИН ,СЕРВИЗ ,Фискален сервиз', '0'), "
                                   "('Фактура', 'МАГАЗИН', '0')"));
        QCOMPARE(TabPrintPanel::documentsFor(QStringLiteral("МАГАЗИН")), QStringList({"Акт", "Стокова", "Фактура"}));
        QCOMPARE(TabPrintPanel::documentsFor(QStringLiteral("СЕРВИЗ")), QStringList({"Акт", "Протокол"}));
        QCOMPARE(TabPrintPanel::documentsFor(QStringLiteral("Фискален сервиз")), QStringList({"Акт"}));

        Tab tab(QStringLiteral("МАГАЗИН"));
        QVERIFY(!tab.docsPanel->isVisible());
        tab.panel->N_DokumentiClick(); // Ctrl+P
        QVERIFY(tab.docsButton->isChecked());
        QVERIFY(tab.printersButton->isChecked());
        QVERIFY(tab.docsPanel->isVisible());
        QVERIFY(tab.printersPanel->isVisible());
        QCOMPARE(tab.items(), QStringList({"Акт", "Стокова", "Фактура"}));
        QCOMPARE(tab.printers->checkedPrinters(), QStringList({"HP"}));
        QCOMPARE(DefaultPrinterName, QStringLiteral("HP"));
        // Up again: both lists hide and keep their ticks.
        tab.tick(QStringLiteral("Фактура"));
        tab.docsButton->click();
        QVERIFY(!tab.docsPanel->isVisible());
        QVERIFY(!tab.printersPanel->isVisible());
        QCOMPARE(tab.panel->tickedDocuments(), QStringList({"Фактура"}));
    }

    // The print button uses the ticks left from the last time the lists were
    // shown, and ends with both lists hidden and the buttons up.
    void printButtonRunsTheRoadForTheMarkedLines()
    {
        TestProgram program;
        PrintFixture::fill();
        QVERIFY(PrintFixture::save(QStringLiteral("Фактура"),
                                   PrintFixture::layout({{QStringLiteral("Prodajbi_vremenni"), QStringLiteral("Kol")}})));
        Tab tab(QStringLiteral("МАГАЗИН"));
        tab.panel->N_DokumentiClick();
        tab.tick(QStringLiteral("Фактура"));
        tab.printers->setChecked(QStringLiteral("Kyocera"), true);
        tab.docsButton->click(); // hidden, ticks kept
        PrintFixture::Recorder recorder;
        QStringList previews;
        driveWindows<ReportPreview>([&](ReportPreview *w) {
            previews.append(w->model().title + QStringLiteral("@") + Printers::selected());
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
            w->Button_Close->click();
        });
        tab.lines = {{3, 12, dec("12.5"), QStringLiteral("Мария")}};
        tab.panel->Button_Pe4at_DokumentiClick();
        QCOMPARE(previews, QStringList({"Фактура@Kyocera", "Фактура@HP"}));
        QCOMPARE(recorder.sentTexts().size(), 2);
        QVERIFY(recorder.sentTexts().first().contains(QStringLiteral("5.00"))); // Мария's line alone
        QVERIFY(!recorder.sentTexts().first().contains(QStringLiteral("1.00")));
        QVERIFY(!tab.docsButton->isChecked());
        QVERIFY(!tab.printersButton->isChecked());
        QVERIFY(!tab.docsPanel->isVisible());
        QCOMPARE(Printers::selected(), QStringLiteral("HP"));

        // No marked line: the message, nothing built.
        previews.clear();
        tab.lines.clear();
        tab.panel->Button_Pe4at_DokumentiClick();
        QVERIFY(previews.isEmpty());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList({DocumentPrintRoad::noLinesMessage()}));
    }
};

VTEST(TestTabPrintPanel)
#include "test_tab_print_panel.moc"
