#include "harness/query_plans.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "print_fixture.h"

#include "app/app_state.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/counterparty_search.h"
#include "counterparties/form_kontrakents.h"
#include "documents/document_print_road.h"
#include "documents/form_spr_izd_dok.h"
#include "documents/issued_documents.h"
#include "documents/report_filter.h"
#include "platform/db/paged_list_model.h"
#include "platform/printers.h"
#include "platform/report/report_preview.h"
#include "platform/script.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace PrintFixture;

namespace {
int count(const QString &sql, const QVariantList &values = {})
{
    return Db::scalar(sql, values).toInt();
}

long long kindId(const QString &name)
{
    return Db::scalar(QStringLiteral("SELECT ID_Dokument FROM Dokumenti WHERE Opisanie = ?"), {name}).toLongLong();
}

// A layout with the firm's and the person's town, the document's number and the original caption.
Layout::Document paper()
{
    Layout::Document d = layout({{QStringLiteral("Firmi"), QStringLiteral("Grad")},
                                 {QStringLiteral("Klienti"), QStringLiteral("Grad")},
                                 {QStringLiteral("Dokumenti"), QStringLiteral("N_Dok")},
                                 {QStringLiteral("Produkti"), QStringLiteral("Opisanie")}});
    d.originalVisible = true;
    return d;
}

// "Фактура" 0012: five sales of article 12 for counterparty 7 on 01.03.2026;
// "Фактура" 0011: one sale in EUR without counterparty on 28.02.2026;
// "Протокол" 0004 from the service, naming line 1 (an unrelated sale number).
// Kinds: "Фактура" next 0013, "Стокова" next 007, "Нулев" 000, "Бележка" 0.
void issue()
{
    fill();
    QVERIFY(save(QStringLiteral("Фактура"), paper(), QStringLiteral("0013")));
    QVERIFY(save(QStringLiteral("Стокова"), paper(), QStringLiteral("007")));
    QVERIFY(save(QStringLiteral("Нулев"), paper(), QStringLiteral("000")));
    QVERIFY(save(QStringLiteral("Бележка"), paper(), QStringLiteral("0")));
    QVERIFY(save(QStringLiteral("Протокол"), paper(), QStringLiteral("0005"), QStringLiteral("СЕРВИЗ")));
    const char *sale = "INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, "
                       "Valuta, ID_Klient, T_O) VALUES (?, 12, ?, ?, '10:00:00', ?, ?, ?, ?, ?)";
    for (int i = 1; i <= 5; ++i)
        Db::execute(QString::fromUtf8(sale), {i, QStringLiteral("Иван"), QStringLiteral("2026-03-01"), double(i), 2.5,
                                              QStringLiteral("BGN"), 7, 0.0});
    // Article 12 is priced in leva today; this sale was in euro with 10 % off.
    Db::execute(QString::fromUtf8(sale), {6, QStringLiteral("Мария"), QStringLiteral("2026-02-28"), 2.0, 1.0,
                                          QStringLiteral("EUR"), 0, 10.0});
    const char *log = "INSERT INTO Printed_Dok (ID_Prod, ID_Dok, ID_Kontrag, ID_Art, N_Dok, Operator, Data, fTime, "
                      "Ot_Kade_Prod) VALUES (?, ?, ?, 12, ?, ?, ?, ?, ?)";
    for (int i = 1; i <= 5; ++i)
        Db::execute(QString::fromUtf8(log), {i, kindId(QStringLiteral("Фактура")), 7, QStringLiteral("0012"),
                                             QStringLiteral("Иван"), QStringLiteral("2026-03-01"),
                                             QStringLiteral("10:05:00"), int(OriginShop)});
    Db::execute(QString::fromUtf8(log), {6, kindId(QStringLiteral("Фактура")), 0, QStringLiteral("0011"),
                                         QStringLiteral("Мария"), QStringLiteral("2026-02-28"),
                                         QStringLiteral("17:30:00"), int(OriginShop)});
    Db::execute(QString::fromUtf8(log), {1, kindId(QStringLiteral("Протокол")), 7, QStringLiteral("0004"),
                                         QStringLiteral("Иван"), QStringLiteral("2026-03-01"),
                                         QStringLiteral("11:00:00"), int(OriginService)});
}

QList<QVariantList> listed(const IssuedDocuments::Filter &f)
{
    const IssuedDocuments::Query q = IssuedDocuments::documents(f);
    QList<QVariantList> rows;
    for (const QSqlRecord &r : Db::rows(q.sql, q.values))
        rows.append({r.value(0), r.value(1), r.value(2)});
    if (count(q.countSql, q.values) != rows.size())
        rows.append({QStringLiteral("count differs")});
    return rows;
}

IssuedDocuments::Issued invoice12()
{
    return {kindId(QStringLiteral("Фактура")), QStringLiteral("0012"), QStringLiteral("Фактура"), OriginShop, 7};
}

// Every preview is printed `printouts` times and closed.
void printPreviews(int printouts)
{
    driveWindows<ReportPreview>([printouts](ReportPreview *w) {
        for (int i = 0; i < printouts; ++i)
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
        QTest::mouseClick(w->Button_Close, Qt::LeftButton);
    });
}

// The window searched (shop) with the document of the given number clicked.
void clickDocument(TForm_Spr_Izd_Dok &w, const QString &number)
{
    w.Button_SearchClick();
    PagedListModel *m = w.documentsModel();
    for (int row = 0; row < m->rowCount(); ++row)
        if (m->value(row, QStringLiteral("N_Dok")).toString() == number) {
            w.DBGrid_Dok->setCurrentIndex(m->index(row, 0));
            w.DBGrid_DokCellClick();
            return;
        }
    QFAIL("document not listed");
}
} // namespace

class TestReportFilter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void titlesAreTheListsOwn()
    {
        QCOMPARE(ReportFilter::comparisonTitles(), CounterpartySearch::comparisonTitles());
        QCOMPARE(ReportFilter::comparisonTitles(),
                 QStringList({"равно", "по - малко", "по - голямо", "между"}));
    }

    // The four comparisons on a date and on a typed number, both bounds included.
    void comparisons_data()
    {
        QTest::addColumn<int>("comparison");
        QTest::addColumn<QString>("numberFrom");
        QTest::addColumn<QString>("numberTo");
        QTest::addColumn<int>("dates");   // rows matched by the dates 02.01.2026 (and 03.01.2026)
        QTest::addColumn<int>("numbers"); // rows matched by the numbers
        QTest::newRow("равно") << int(ReportFilter::Equal) << "2,5" << "" << 1 << 1;
        QTest::newRow("по - малко") << int(ReportFilter::AtMost) << "2.5" << "" << 2 << 2;
        QTest::newRow("по - голямо") << int(ReportFilter::AtLeast) << "2,5" << "" << 3 << 3;
        QTest::newRow("между") << int(ReportFilter::Between) << "1" << " 2,5 " << 2 << 2;
    }
    void comparisons()
    {
        QFETCH(int, comparison);
        QFETCH(QString, numberFrom);
        QFETCH(QString, numberTo);
        QFETCH(int, dates);
        QFETCH(int, numbers);
        TestProgram program;
        createTestTable(QStringLiteral("T"), QStringLiteral("D TEXT, N DOUBLE"));
        Db::execute(QStringLiteral("INSERT INTO T VALUES ('2026-01-01', 1), ('2026-01-02', 2.5), "
                                   "('2026-01-03', 3), ('2026-01-04', 4)"));
        ReportFilter byDate;
        byDate.compareDates(true, QStringLiteral("T.D"), comparison, QDate(2026, 1, 2), QDate(2026, 1, 3));
        QVERIFY(byDate.ok());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM T WHERE ") + byDate.sql(), byDate.values()), dates);
        ReportFilter byNumber;
        byNumber.compareNumbers(true, QStringLiteral("T.N"), comparison, numberFrom, numberTo, QStringLiteral("Сума"));
        QVERIFY2(byNumber.ok(), qPrintable(byNumber.error()));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM T WHERE ") + byNumber.sql(), byNumber.values()), numbers);
        for (const QVariant &v : byNumber.values())
            QCOMPARE(v.typeId(), int(QMetaType::Double)); // bound as numbers, never as the typed text
    }

    void uncheckedAndRefused()
    {
        ReportFilter f;
        f.equal(false, QStringLiteral("A"), 1);
        f.compareNumbers(false, QStringLiteral("N"), ReportFilter::Equal, QStringLiteral("x"), {}, QStringLiteral("Сума"));
        f.compareDates(false, QStringLiteral("D"), ReportFilter::Between, QDate(), QDate());
        QVERIFY(f.ok());
        QVERIFY(f.isEmpty());
        QCOMPARE(f.andSql(), QString());
        f.equal(true, QStringLiteral("A"), QStringLiteral("x\"; DROP"));
        f.compareNumbers(true, QStringLiteral("N"), ReportFilter::Between, QStringLiteral("1"), QStringLiteral("2a"),
                         QStringLiteral("Сума"));
        QVERIFY(!f.ok());
        QVERIFY2(f.error().contains(QStringLiteral("Сума")), qPrintable(f.error()));
        QCOMPARE(f.sql(), QStringLiteral("A = ?")); // the refused row adds nothing
        QCOMPARE(f.values(), QVariantList({QStringLiteral("x\"; DROP")}));
        ReportFilter t;
        t.compareTimes(true, QStringLiteral("T"), ReportFilter::Between, QTime(10, 0), QTime(11, 5, 9));
        QCOMPARE(t.sql(), QStringLiteral("T BETWEEN ? AND ?"));
        QCOMPARE(t.values(), QVariantList({QStringLiteral("10:00:00"), QStringLiteral("11:05:09")}));
        t.compareDates(true, QStringLiteral("D"), ReportFilter::Between, QDate(2026, 1, 1), QDate());
        QVERIFY(!t.ok()); // "между" needs both dates
        ReportFilter g;
        g.compare(true, QStringLiteral("A"), 7, 1);
        QVERIFY(!g.ok());
        QVERIFY(g.isEmpty());
    }
};
VTEST(TestReportFilter)

class TestIssuedDocuments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        PlatformScript::clearEvents();
        programPrintState() = PrintState();
        DefaultPrinterName.clear();
        Printers::setInstalledForTests(QStringList{QStringLiteral("Kyocera")}, QStringLiteral("Kyocera"));
        AppState::instance().setCurrentOperator(QStringLiteral("Мария"));
    }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        Printers::setInstalledForTests(std::nullopt);
        Layout::current().clear();
    }

    void listFoldsAndFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("numbers");
        QTest::newRow("all shop") << "" << QStringList({"0011", "0012"});
        QTest::newRow("service") << "service" << QStringList({"0004"});
        QTest::newRow("number typed short") << "number 12" << QStringList();
        QTest::newRow("number as stored") << "number 0012" << QStringList({"0012"});
        QTest::newRow("between the same day") << "between 2026-03-01" << QStringList({"0012"});
        QTest::newRow("at most") << "atmost 2026-02-28" << QStringList({"0011"});
        QTest::newRow("at least") << "atleast 2026-02-28" << QStringList({"0011", "0012"});
        QTest::newRow("counterparty 0") << "counterparty 0" << QStringList({"0011"});
        QTest::newRow("counterparty 7") << "counterparty 7" << QStringList({"0012"});
        QTest::newRow("article 40") << "article 40" << QStringList();
        QTest::newRow("operator") << "operator Мария" << QStringList({"0011"});
        QTest::newRow("kind") << "kind Стокова" << QStringList();
    }
    void listFoldsAndFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, numbers);
        TestProgram program;
        issue();
        IssuedDocuments::Filter f;
        const QString word = filter.section(' ', 0, 0);
        const QString value = filter.section(' ', 1);
        if (word == "service")
            f.origin = OriginService;
        if (word == "number") {
            f.number = true;
            f.numberText = value;
        }
        if (word == "between" || word == "atmost" || word == "atleast") {
            f.date = true;
            f.dateComparison = word == "between" ? ReportFilter::Between
                               : word == "atmost" ? ReportFilter::AtMost
                                                  : ReportFilter::AtLeast;
            f.from = f.to = QDate::fromString(value, Qt::ISODate);
        }
        if (word == "counterparty") {
            f.counterparty = true;
            f.counterpartyId = value.toLongLong();
        }
        if (word == "article") {
            f.article = true;
            f.articleId = value.toLongLong();
        }
        if (word == "operator") {
            f.op = true;
            f.operatorName = value;
        }
        if (word == "kind") {
            f.kind = true;
            f.kindId = kindId(value);
        }
        QStringList got;
        for (const QVariantList &row : listed(f))
            got.append(row.value(1).toString());
        QCOMPARE(got, numbers);
    }

    void numberedKindsOnly()
    {
        TestProgram program;
        issue();
        QStringList names;
        for (const QString &k : IssuedDocuments::numberedKinds())
            names.append(k.section(':', 1));
        QCOMPARE(names, QStringList({"Фактура", "Стокова", "Протокол"}));
    }

    // Five lines and their total; the firm's and the person's towns apart; the
    // net by the VAT of the settings.
    void linesOfADocument()
    {
        TestProgram program;
        issue();
        Report::Data data;
        QString error;
        QVERIFY2(IssuedDocuments::lines(invoice12(), &data, &error), qPrintable(error));
        QCOMPARE(data.rowCount(), 5);
        QCOMPARE(IssuedDocuments::total(data), dec("37.5"));
        QCOMPARE(data.text(0, data.columnOf(QStringLiteral("Firmi"), QStringLiteral("Grad"))), QStringLiteral("Пловдив"));
        QCOMPARE(data.text(0, data.columnOf(QStringLiteral("Klienti"), QStringLiteral("Grad"))), QStringLiteral("Варна"));
        QCOMPARE(data.text(0, data.columnNamed(QStringLiteral("Data"))), QStringLiteral("01.03.2026"));
        QCOMPARE(data.text(0, data.columnNamed(QStringLiteral("fTime"))), QStringLiteral("10:05:00"));
        QCOMPARE(data.text(4, data.columnOf(QStringLiteral("Dokumenti"), QStringLiteral("N_Dok"))),
                 QStringLiteral("0012"));
        QCOMPARE(data.value(4, data.columnNamed(QStringLiteral("SUM_BezDDS"))).toDouble(), 12.5 / 1.2);
    }

    // A euro sale counts by the euro's rate and shows its own currency, whatever the article's is today.
    void foreignSaleByItsOwnRate()
    {
        TestProgram program;
        issue();
        IssuedDocuments::Issued doc = invoice12();
        doc.number = QStringLiteral("0011");
        doc.counterparty = 0;
        Report::Data data;
        QVERIFY(IssuedDocuments::lines(doc, &data, nullptr));
        QCOMPARE(data.rowCount(), 1); // no counterparty, still listed
        QCOMPARE(data.value(0, data.columnNamed(QStringLiteral("Valuta"))).toString(), QStringLiteral("EUR"));
        QCOMPARE(IssuedDocuments::total(data), dec("3.52")); // 2 × 1.95583 less 10 %: 3.520494, charged 3.52
    }

    void serviceDocumentHasNoLines()
    {
        TestProgram program;
        issue();
        IssuedDocuments::Issued doc{kindId(QStringLiteral("Протокол")), QStringLiteral("0004"),
                                    QStringLiteral("Протокол"), OriginService, 7};
        Report::Data data;
        QVERIFY(IssuedDocuments::lines(doc, &data, nullptr));
        QCOMPARE(data.rowCount(), 0);
    }

    void windowShowsTheClickedDocument()
    {
        TestProgram program;
        issue();
        TForm_Spr_Izd_Dok w;
        w.FormShow();
        QCOMPARE(w.CheckListBox_New_Dok->count(), 4); // the shop's kinds
        clickDocument(w, QStringLiteral("0012"));
        QCOMPARE(w.DBGrid_Art->model()->rowCount(), 5);
        QCOMPARE(w.Label_SUM->text(), QStringLiteral("37.50"));
        QCOMPARE(w.DBGrid_Art->model()->index(0, 7).data().toString(), QStringLiteral("2.50"));
        // The service's documents: listed, no lines, nothing to print.
        w.RadioButton_Serviz->setChecked(true);
        clickDocument(w, QStringLiteral("0004"));
        QCOMPARE(w.DBGrid_Art->model()->rowCount(), 0);
        QVERIFY(!w.Button_Pe4at->isEnabled());
        QVERIFY(!w.Button1->isEnabled());
        // "Вид документ" offers the numbered kinds.
        w.ChkBox_Vid_Dok->setChecked(true);
        w.ChkBox_Vid_DokClick();
        QCOMPARE(w.ComboBox_Vid_Dok->count(), 3);
        QVERIFY(w.ComboBox_Vid_Dok->findText(QStringLiteral("Нулев"), Qt::MatchEndsWith) < 0);
        // "между" shows the second date.
        w.ChkBox_Data->setChecked(true);
        w.ChkBox_DataClick();
        QVERIFY(w.DateTimePicker_Do->isHidden());
        w.ComboBox1->setCurrentIndex(ReportFilter::Between);
        w.ComboBox1Change();
        QVERIFY(!w.DateTimePicker_Do->isHidden());
    }

    // Ticking "Контрагент" and "Артикул" opens their browsers in mode 6, whose
    // picks land in the labels; unticking shows "nothing chosen" again.
    void picksInMode6()
    {
        TestProgram program;
        issue();
        TForm_Spr_Izd_Dok w;
        w.FormShow();
        int counterpartyMode = -2;
        driveWindows<TForm_Kontrakents>([&counterpartyMode](TForm_Kontrakents *) {
            counterpartyMode = CounterpartyPickMode;
            CounterpartyPick::Picked p;
            p.current = *Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = 7"));
            CounterpartyPick::deliver(6, p);
        });
        w.ChkBox_Kontragent->setChecked(true);
        w.ChkBox_KontragentClick();
        QCOMPARE(counterpartyMode, 6);
        QCOMPARE(CounterpartyPickMode, -1);
        QCOMPARE(w.Label_Kontrag->text(), QStringLiteral("7:Фирма ООД"));
        QCOMPARE(w.filter().counterpartyId, 7);
        int articleMode = -2;
        driveWindows<TForm_Artikuli>([&articleMode](TForm_Artikuli *) {
            articleMode = ArticlePickMode;
            ArticlePick::Picked p;
            p.current = *Db::firstRow(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID = 40"));
            ArticlePick::deliver(6, p);
        });
        w.ChkBox_Artikul->setChecked(true);
        w.ChkBox_ArtikulClick();
        QCOMPARE(articleMode, 6);
        QCOMPARE(w.Label_Art->text(), QStringLiteral("40:Щепсел"));
        w.ChkBox_Kontragent->setChecked(false);
        w.ChkBox_KontragentClick();
        QCOMPARE(w.Label_Kontrag->text(), QStringLiteral("0: Няма избран контрагент"));
        QVERIFY(!w.Label_Kontrag->isEnabled());
    }

    void printingBeforeAClick()
    {
        TestProgram program;
        issue();
        Recorder recorder;
        printPreviews(1);
        TForm_Spr_Izd_Dok w;
        w.FormShow();
        w.Button_SearchClick();
        w.Button_Pe4atClick();
        w.CheckListBox_New_Dok->item(0)->setCheckState(Qt::Checked);
        w.Button1Click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList({"Изберете документ", "Изберете документ"}));
        QVERIFY(recorder.sentTexts().isEmpty());
    }

    // A reprint printed twice: "КОПИЕ" both times, nothing logged or numbered,
    // the firm's and the person's towns printed apart, titled by its name.
    void reprintIsACopy()
    {
        TestProgram program;
        issue();
        Recorder recorder;
        QStringList titles;
        driveWindows<ReportPreview>([&titles](ReportPreview *p) {
            titles.append(p->model().title);
            QTest::mouseClick(p->Button_Print, Qt::LeftButton);
            QTest::mouseClick(p->Button_Print, Qt::LeftButton);
            QTest::mouseClick(p->Button_Close, Qt::LeftButton);
        });
        programPrintState().PrintCallerCode = CallerShop; // left by an earlier road
        const int logged = count(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok"));
        TForm_Spr_Izd_Dok w;
        w.FormShow();
        clickDocument(w, QStringLiteral("0012"));
        w.Button_Pe4atClick();
        QCOMPARE(titles, QStringList({"Фактура"}));
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 2);
        for (const QStringList &p : pages) {
            QVERIFY2(p.contains(QStringLiteral("КОПИЕ")) && !p.contains(QStringLiteral("ОРИГИНАЛ")),
                     qPrintable(p.join('|')));
            QVERIFY(p.contains(QStringLiteral("Пловдив")) && p.contains(QStringLiteral("Варна")));
            QVERIFY(p.contains(QStringLiteral("0012")));
        }
        QCOMPARE(recorder.printers, QStringList({"Kyocera", "Kyocera"}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok")), logged);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT N_Dok FROM Dokumenti WHERE Opisanie = 'Фактура'")).toString(),
                 QStringLiteral("0013"));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
    }

    // The lines printed as "Стокова": logged under its number 007 as they were
    // logged (line, article, operator, counterparty, origin), the next number 008.
    void newDocumentIsLoggedAsTheOriginal()
    {
        TestProgram program;
        issue();
        Recorder recorder;
        printPreviews(2);
        TForm_Spr_Izd_Dok w;
        w.FormShow();
        clickDocument(w, QStringLiteral("0012"));
        for (int i = 0; i < w.CheckListBox_New_Dok->count(); ++i)
            if (w.CheckListBox_New_Dok->item(i)->text() == QStringLiteral("Стокова"))
                w.CheckListBox_New_Dok->item(i)->setCheckState(Qt::Checked);
        w.Button1Click();
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 2);
        QVERIFY2(pages[0].contains(QStringLiteral("007")) && pages[0].contains(QStringLiteral("ОРИГИНАЛ")),
                 qPrintable(pages[0].join('|')));
        QVERIFY(pages[1].contains(QStringLiteral("007")) && pages[1].contains(QStringLiteral("КОПИЕ")));
        QCOMPARE(joinedRows(QStringLiteral("SELECT ID_Prod || ':' || ID_Art || ':' || ID_Kontrag || ':' || "
                                           "Operator || ':' || Ot_Kade_Prod FROM Printed_Dok "
                                           "WHERE ID_Dok = ? AND N_Dok = '007' ORDER BY rowid"),
                            QStringLiteral(" "), {kindId(QStringLiteral("Стокова"))}),
                 QStringLiteral("1:12:7:Иван:1 2:12:7:Иван:1 3:12:7:Иван:1 4:12:7:Иван:1 5:12:7:Иван:1"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT N_Dok FROM Dokumenti WHERE Opisanie = 'Стокова'")).toString(),
                 QStringLiteral("008"));
        QCOMPARE(programPrintState().PrintCallerCode, int(CallerIssuedReport));
        for (int i = 0; i < w.CheckListBox_New_Dok->count(); ++i)
            QCOMPARE(w.CheckListBox_New_Dok->item(i)->checkState(), Qt::Unchecked);
        // The new document is listed beside the original.
        w.Button_SearchClick();
        QCOMPARE(w.documentsModel()->rowCount(), 3);
    }

    // Hundreds of documents of two logged lines each: the list read page by
    // page along the index of its order is the whole statement's, and no page
    // sorts the log.
    void documentsAreReadAlongTheirIndex()
    {
        TestProgram program;
        issue();
        Db::execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT CAST(1 AS INTEGER) UNION ALL SELECT i + 1 FROM n WHERE i < 1300) "
                                   "INSERT INTO Printed_Dok (ID_Prod, ID_Dok, ID_Kontrag, ID_Art, N_Dok, Operator, Data, fTime, "
                                   "Ot_Kade_Prod) SELECT 100 + i, ?, CASE i % 3 WHEN 0 THEN 7 ELSE 0 END, 12, "
                                   "'1' || (i / 2), CASE i % 5 WHEN 0 THEN NULL ELSE 'Иван' END, '2026-0' || (1 + i % 8) || '-1' "
                                   "|| (i % 10), '10:00:00', ? FROM n"),
                    {kindId(QStringLiteral("Фактура")), int(OriginShop)});
        IssuedDocuments::Filter f;
        f.origin = OriginShop;
        const IssuedDocuments::Query q = IssuedDocuments::documents(f);
        QList<QString> expected;
        for (const QSqlRecord &r : Db::rows(q.sql, q.values))
            expected << r.value(QStringLiteral("N_Dok")).toString() + QLatin1Char('|') + r.value(QStringLiteral("Data")).toString();
        QVERIFY(expected.size() > 3 * PagedListModel::PageSize);
        PagedListModel list;
        list.setKeysetQuery(q.list, count(q.countSql, q.values));
        QCOMPARE(list.rowCount(), int(expected.size()));
        for (int r = int(expected.size()) - 1; r >= 0; r -= 3)
            QCOMPARE(list.value(r, QStringLiteral("N_Dok")).toString() + QLatin1Char('|')
                         + list.value(r, QStringLiteral("Data")).toString(),
                     expected.at(r));
        const QString page = KeysetReader(q.list).sql() + QStringLiteral(" LIMIT 200");
        const QStringList plan = planOf(page, q.values, true);
        QVERIFY2(sortsIn(plan).isEmpty(), qPrintable(plan.join('|')));
        // A far jump's documents, spread by their lines' numbers: each found
        // by a step along the index of the number, not by a walk of the log.
        if (!testOnServer()) {
            const QStringList spread = statementsOf([&] { QCOMPARE(KeysetReader(q.list).spread(16).size(), 16); });
            QVERIFY2(scans(spread).isEmpty(), qPrintable(scans(spread).join('|')));
            for (const QString &statement : spread) {
                const QStringList plan = planOf(statement, {});
                QVERIFY2(plan.filter(QStringLiteral("(Ot_Kade_Prod=?)")).isEmpty(), qPrintable(plan.join('|')));
            }
        }
    }
};
VTEST(TestIssuedDocuments)

#include "test_issued_documents.moc"
