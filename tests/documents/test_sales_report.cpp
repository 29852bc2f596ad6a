#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "print_fixture.h"

#include "app/app_state.h"
#include "app/list_export.h"
#include "catalogue/article_pick.h"
#include "common/program_folder.h"
#include "documents/form_spravka_prodajba.h"
#include "documents/print_numbering.h"
#include "documents/report_filter.h"
#include "platform/db/database.h"
#include "platform/db/paged_list_model.h"
#include "platform/report/report_preview.h"
#include "platform/script.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>

using namespace PrintFixture;

namespace {
// Sale rows (ID_Red in insert order):
// 1 sale 1, article 12, counterparty 7, 2 x 2.50 BGN, 05.03.2024, cash
// 2 sale 2, article 40 (group 0: none), counterparty 0, 1 x 10 EUR, 31.03.2024, bank
// 3 sale 3, article 12, counterparty 7, 4 x 5 BGN, 01.03.2024, deferred, contract 7 (open)
// 4 sale 4, article 12, counterparty 7, 1 x 20 BGN, 15.02.2024, deferred, paid off (-1)
// 5 instalment record: article 0, counterparty 7, 30 BGN, 01.04.2024, cash, no ID_Prodajba
void sales()
{
    fill();
    const char *sql = "INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, "
                      "Valuta, ID_Klient, T_O, Konsign_N, Type_Pay, Term_N, Sklad_ID) VALUES (?, ?, ?, ?, ?, ?, ?, ?, "
                      "?, 0, ?, ?, 1, 1)";
    auto sale = [sql](const QVariant &no, int art, const char *op, const char *date, const char *time, double kol,
                      double price, const char *cur, int klient, int konsign, const char *pay) {
        Db::execute(QString::fromUtf8(sql), {no, art, QString::fromUtf8(op), QString::fromUtf8(date),
                                             QString::fromUtf8(time), kol, price, QString::fromUtf8(cur), klient,
                                             konsign, QString::fromUtf8(pay)});
    };
    sale(1, 12, "Иван", "2024-03-05", "09:00:00", 2, 2.5, "BGN", 7, 0, "в брой");
    sale(2, 40, "Мария", "2024-03-31", "18:00:00", 1, 10, "EUR", 0, 0, "по банков път");
    sale(3, 12, "Иван", "2024-03-01", "10:00:00", 4, 5, "BGN", 7, 7, "отложено плащане");
    sale(4, 12, "Иван", "2024-02-15", "11:00:00", 1, 20, "BGN", 7, -1, "отложено плащане");
    sale(QVariant(), 0, "Иван", "2024-04-01", "12:00:00", 1, 30, "BGN", 7, 0, "в брой");
}

QList<long long> listedKeys(TForm_Spravka_prodajba &w)
{
    QList<long long> keys;
    for (int r = 0; r < w.list()->rowCount(); ++r)
        keys.append(w.rowKey(r));
    return keys;
}

void tick(QCheckBox *box, bool on = true)
{
    box->setChecked(on);
}

void markAll(TForm_Spravka_prodajba &w, const QList<long long> &keys)
{
    w.DBGrid1->clearSelection();
    for (int r = 0; r < w.list()->rowCount(); ++r)
        if (keys.contains(w.rowKey(r)))
            w.DBGrid1->selectionModel()->select(w.DBGrid1->model()->index(r, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void checkDocument(TForm_Spravka_prodajba &w, const QString &name)
{
    for (int i = 0; i < w.CheckListBox_Dok->count(); ++i)
        if (w.CheckListBox_Dok->item(i)->text() == name)
            w.CheckListBox_Dok->item(i)->setCheckState(Qt::Checked);
}
} // namespace

class TestSalesReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void withoutFilterEverySaleIsListedAndCounted()
    {
        TestProgram program;
        sales();
        TForm_Spravka_prodajba w;
        w.Button_SearchClick();
        QCOMPARE(listedKeys(w), (QList<long long>{1, 2, 3, 4, 5}));
        double listed = 0;
        for (int r = 0; r < w.list()->rowCount(); ++r)
            listed += w.list()->value(r, QStringLiteral("Suma")).toDouble();
        // cash 5 + 19.5583 + 30; open 20; paid 20
        QCOMPARE(w.Label_Ob6to_SUM->text(), QStringLiteral("Обща сума платено в брой лева: 54.5583"));
        QCOMPARE(w.Label_Ob6to_SUM_Konsign->text(), QStringLiteral("Обща сума на задължения в лева : 20.0000"));
        QCOMPARE(w.Label_Ob6to_SUM_Plateni_Konsign->text(),
                 QStringLiteral("Обща сума на платени задължения в лева : 20.0000"));
        QCOMPARE(qRound(listed * 10000), qRound((54.5583 + 20 + 20) * 10000));
        // Colours: open credit red, paid-off credit blue, cash the window's text colour.
        QAbstractItemModel *m = w.DBGrid1->model();
        QCOMPARE(m->index(2, 4).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
        QCOMPARE(m->index(3, 4).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
        QVERIFY(!m->index(0, 4).data(Qt::ForegroundRole).isValid());
        // Dates shown short; the row key is no column.
        QCOMPARE(m->index(0, SalesReport::listFields().indexOf(QStringLiteral("D_Prodajba"))).data().toString(),
                 QStringLiteral("05.03.2024"));
        QCOMPARE(m->columnCount(), int(SalesReport::listFields().size()));
        // Title click sorts by the column, the direction flips.
        SortDirection = 0;
        w.DBGrid1TitleClick(SalesReport::listFields().indexOf(QStringLiteral("Suma")));
        QCOMPARE(listedKeys(w), (QList<long long>{5, 4, 3, 2, 1})); // ties by the row key, the same way
        w.DBGrid1TitleClick(SalesReport::listFields().indexOf(QStringLiteral("Suma")));
        QCOMPARE(listedKeys(w), (QList<long long>{1, 2, 3, 4, 5}));
    }

    void filters_data()
    {
        QTest::addColumn<QString>("case_");
        QTest::addColumn<QList<long long>>("keys");
        QTest::addColumn<QString>("message");
        QTest::newRow("deferred") << "pay" << QList<long long>{3, 4} << QString();
        QTest::newRow("between 01.03 and 31.03") << "between" << QList<long long>{1, 2, 3} << QString();
        QTest::newRow("at most 31.03") << "atmost" << QList<long long>{1, 2, 3, 4} << QString();
        QTest::newRow("amount over 10") << "amount" << QList<long long>{2, 3, 4, 5} << QString();
        QTest::newRow("amount abc") << "abc" << QList<long long>{} << "Некоректен критерии за търсене!";
        QTest::newRow("counterparty 0") << "nobody" << QList<long long>{2} << QString();
        QTest::newRow("no article picked") << "nopick" << QList<long long>{} << "Изберете артикул";
        QTest::newRow("operator") << "operator" << QList<long long>{2} << QString();
    }
    void filters()
    {
        QFETCH(QString, case_);
        QFETCH(QList<long long>, keys);
        QFETCH(QString, message);
        TestProgram program;
        sales();
        TForm_Spravka_prodajba w;
        if (case_ == QLatin1String("pay")) {
            tick(w.CheckBox_Type_Pay);
            w.CheckBox_Type_PayClick();
            w.ComboBox_Type_Pay->setCurrentText(QStringLiteral("отложено плащане"));
        } else if (case_ == QLatin1String("between") || case_ == QLatin1String("atmost")) {
            tick(w.ChkBox_Data);
            w.ChkBox_DataClick();
            const bool between = case_ == QLatin1String("between");
            w.ComboBox_Select_Data->setCurrentIndex(between ? ReportFilter::Between : ReportFilter::AtMost);
            w.ComboBox_Select_DataChange();
            w.DateTimePicker_Data_Ot->setDate(between ? QDate(2024, 3, 1) : QDate(2024, 3, 31));
            w.DateTimePicker_Data_Do->setDate(QDate(2024, 3, 31));
        } else if (case_ == QLatin1String("amount") || case_ == QLatin1String("abc")) {
            tick(w.ChkBox_Suma);
            w.ChkBox_SumaClick();
            w.ComboBox_Select_Suma->setCurrentIndex(ReportFilter::AtLeast);
            w.Edit_Ot->setText(case_ == QLatin1String("abc") ? QStringLiteral("abc") : QStringLiteral("10"));
        } else if (case_ == QLatin1String("nobody")) {
            tick(w.ChkBox_Kontragent);
            w.Label_Kontragent->setText(QStringLiteral("0: Няма избран контрагент"));
        } else if (case_ == QLatin1String("nopick")) {
            tick(w.ChkBox_Artikul);
        } else if (case_ == QLatin1String("operator")) {
            tick(w.ChkBox_Operators);
            w.ChkBox_OperatorsClick();
            w.ComboBox_Operators->setCurrentText(QStringLiteral("Мария"));
        }
        w.Button_SearchClick();
        QCOMPARE(listedKeys(w), keys);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).value(0), message);
    }

    void eachReportKeepsItsOwnPick()
    {
        TestProgram program;
        sales();
        TForm_Spravka_prodajba w;
        tick(w.ChkBox_Artikul);
        ArticlePick::Picked picked;
        picked.current = Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = 40")).value();
        picked.marked = {picked.current};
        QVERIFY(ArticlePick::deliver(4, picked));
        QCOMPARE(w.Label_artikul->text(), QStringLiteral("40:Щепсел"));
        // Another report's pick fills the shared list, not this report's filter.
        PickList = QStringList{QStringLiteral("12")};
        w.Button_SearchClick();
        QCOMPARE(listedKeys(w), (QList<long long>{2}));
        QCOMPARE(w.pickedArticles(), QStringList{QStringLiteral("40")});
    }

    void exportLines()
    {
        TestProgram program;
        sales();
        TForm_Spravka_prodajba w;
        w.Button1Click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Няма данни за печат")});
        tick(w.ChkBox_Kontragent);
        w.Label_Kontragent->setText(QStringLiteral("5:Фирма"));
        tick(w.ChkBox_Data);
        w.ChkBox_DataClick();
        w.ComboBox_Select_Data->setCurrentIndex(ReportFilter::Between);
        w.ComboBox_Select_DataChange();
        w.DateTimePicker_Data_Ot->setDate(QDate(2024, 3, 1));
        w.DateTimePicker_Data_Do->setDate(QDate(2024, 3, 31));
        tick(w.ChkBox_Kontragent, false); // listed rows, yet the label as ticked below
        w.Button_SearchClick();
        tick(w.ChkBox_Kontragent);
        const QString now = QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        w.Button1Click();
        QStringList lines = exportFileLines(QStringLiteral("Spr_Prod"));
        QVERIFY(!lines.isEmpty());
        if (lines.last().isEmpty())
            lines.removeLast();
        QCOMPARE(lines.mid(0, 3), (QStringList{QString(), QStringLiteral("\tСправка продажби "), QString()}));
        QVERIFY2(lines.at(3) == QStringLiteral("\tДата:") + now || lines.at(3).startsWith(QStringLiteral("\tДата:")),
                 qPrintable(lines.at(3)));
        QCOMPARE(lines.mid(4, 3), (QStringList{QStringLiteral("\tТЪРСЕНЕ ПО:"), QStringLiteral("\t  Контрагент:5:Фирма"),
                                               QStringLiteral("\t  Дата:между 01.03.2024 - 31.03.2024")}));
        const QStringList tail = lines.mid(lines.size() - 9);
        QCOMPARE(tail, (QStringList{QString(), QString(), QStringLiteral("\tОбща сума платено в брой лева: 24.5583"),
                                    QString(), QStringLiteral("\tОбща сума на задължения в лева : 20.0000"), QString(),
                                    QStringLiteral("\tОбща сума на платени задължения в лева : 0.0000"), QString(),
                                    QLatin1Char('\t') + ReportFooter}));
        QVERIFY2(lines.size() >= 7 + 1 + 3 + 9, qPrintable(lines.join('\n'))); // title lines, header, 3 rows, totals
    }

    void salesDocumentThroughTheRoad()
    {
        TestProgram program;
        sales();
        QVERIFY(save(QStringLiteral("Фактура"), layout({{QStringLiteral("Firmi"), QStringLiteral("Grad")},
                                                         {QStringLiteral("Klienti"), QStringLiteral("Grad")},
                                                         {QStringLiteral("Dokumenti"), QStringLiteral("N_Dok")},
                                                         {QStringLiteral("Produkti"), QStringLiteral("Opisanie")}}),
                     QStringLiteral("0042")));
        QVERIFY(save(QStringLiteral("Стокова"), layout({{QStringLiteral("Produkti"), QStringLiteral("Opisanie")},
                                                         {QStringLiteral("Prodajbi"), QStringLiteral("Valuta")}})));
        AppState::instance().setCurrentOperator(QStringLiteral("Мария"));
        Recorder recorder;
        QStringList titles;
        int previews = 0;
        int invoice = 0; // the preview of "Фактура" prints
        driveWindows<ReportPreview>([&](ReportPreview *p) {
            ++previews;
            titles << p->windowTitle();
            if (previews == invoice)
                QTest::mouseClick(p->Button_Print, Qt::LeftButton);
            QTest::mouseClick(p->Button_Close, Qt::LeftButton);
        });
        TForm_Spravka_prodajba w;
        w.FormShow();
        w.Button3Click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Не са избрани данни за документа")});
        QCOMPARE(programPrintState().PrintCallerCode, int(CallerSalesReport));
        w.Button_SearchClick();
        markAll(w, {2, 3, 5});
        checkDocument(w, QStringLiteral("Фактура"));
        checkDocument(w, QStringLiteral("Стокова"));
        for (int i = 0; i < w.CheckListBox_Dok->count(); ++i)
            if (w.CheckListBox_Dok->item(i)->checkState() == Qt::Checked) {
                ++invoice;
                if (w.CheckListBox_Dok->item(i)->text() == QStringLiteral("Фактура"))
                    break;
            }
        PlatformScript::clearEvents();
        w.Button3Click();
        QCOMPARE(previews, 2);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList());
        for (int i = 0; i < w.CheckListBox_Dok->count(); ++i)
            QCOMPARE(w.CheckListBox_Dok->item(i)->checkState(), Qt::Unchecked);
        // The printout went to "PDF файл" with the logged number; the sale without counterparty printed its line.
        QCOMPARE(recorder.printers, QStringList{QStringLiteral("PDF файл")});
        const QStringList page = recorder.sentTexts().value(0);
        QVERIFY2(page.contains(QStringLiteral("0042")) && page.contains(QStringLiteral("Щепсел"))
                     && page.contains(QStringLiteral("Пловдив")) && page.contains(QStringLiteral("Варна")),
                 qPrintable(page.join('|')));
        QCOMPARE(joinedRows(QStringLiteral("SELECT ID_Prod || ':' || ID_Art || ':' || ID_Kontrag || ':' "
                                           "|| Operator || ':' || N_Dok FROM Printed_Dok ORDER BY rowid"),
                                    QStringLiteral(" ")),
                 QStringLiteral("2:40:0:Мария:0042 3:12:0:Мария:0042"));
    }

    void documentLinesUseTheSaleCurrency()
    {
        TestProgram program;
        sales();
        Report::Data data;
        QString error;
        QVERIFY2(SalesReport::documentLines(QStringLiteral("Фактура"), {2, 5}, QStringLiteral("Иван"), &data, &error),
                 qPrintable(error));
        QCOMPARE(data.rowCount(), 1); // the instalment record has no article
        QCOMPARE(data.value(0, data.columnNamed(QStringLiteral("Valuta"))).toString(), QStringLiteral("EUR"));
        QCOMPARE(data.value(0, data.columnNamed(QStringLiteral("Suma"))).toDouble(), 19.5583);
        QVERIFY(data.value(0, data.columnOf(QStringLiteral("Firmi"), QStringLiteral("Grad"))).isNull());
    }
};
VTEST(TestSalesReport)

#include "test_sales_report.moc"
