#include "app/app_state.h"
#include "app/form_animations.h"
#include "app/form_get_kol.h"
#include "desk/cash_calculator.h"
#include "desk/cash_count.h"
#include "desk/form_smetki.h"
#include "desk/form_spr_invalidate_sales.h"
#include "documents/form_spravka_prodajba.h"
#include "platform/db/paged_list_model.h"
#include "desk/sales_cancel.h"
#include "desk/text_viewer.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "test_registry.h"
#include "test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDate>
#include <QFile>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QDir>
#include <QMovie>
#include <QTest>

namespace {
void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}

int count(const char *table)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QString::fromLatin1(table))).toInt();
}

long long sale(const QString &day, const char *pay, double kol, double price, const char *currency, int terminal,
               long long article = 17, long long number = 0, long long warehouse = 1)
{
    exec(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, "
                        "Valuta, ID_Klient, T_O, Konsign_N, Type_Pay, Term_N, Sklad_ID) VALUES (?, ?, 'Иван', ?, "
                        "'10:00:00', ?, ?, ?, 0, 0, 0, ?, ?, ?)"),
         {number > 0 ? QVariant(number) : QVariant(), article, day, kol, price, QString::fromLatin1(currency),
          QString::fromUtf8(pay), terminal, warehouse > 0 ? QVariant(warehouse) : QVariant()});
    return Db::scalar(QStringLiteral("SELECT MAX(ID_Red) FROM Prodajbi")).toLongLong();
}

double stock(long long warehouse)
{
    return Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 17 AND Sklad_ID = ?"), {warehouse})
        .toDouble();
}
} // namespace

class CashAndCancelTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void turnoverOfCashSales()
    {
        TestProgram program;
        exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('BGL', 1), ('EUR', 1.95583)"));
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        sale(today, "в брой", 2, 10, "BGL", 1);        // 20
        sale(today, "в брой", 1, 100, "EUR", 2);       // 195.583
        sale(today, "в брой", 1, 5, "XXX", 2);         // no rate: 5
        sale(today, "по банков път", 1, 1000, "BGL", 1);
        sale(today, "отложено плащане", 1, 1000, "BGL", 2);
        sale(QDate::currentDate().addDays(-1).toString(Qt::ISODate), "в брой", 1, 1000, "BGL", 1);
        QCOMPARE(CashCount::turnover(QDate::currentDate()).rounded(8), dec("220.583"));

        CashCalculator calc;
        calc.SpdBtn_KasaClick(true);
        QVERIFY(calc.isVisibleTo(nullptr) || !calc.isHidden());
        QCOMPARE(calc.Label_Oborot->text(), QStringLiteral("220.58"));
        calc.SpEdit[0]->setValue(3);  // 0.03
        calc.SpEdit[4]->setValue(1);  // 0.20
        calc.SpEdit[12]->setValue(2); // 200
        QTest::keyClick(calc.SpEdit[12], Qt::Key_Return); // Enter in a count recomputes
        QCOMPARE(calc.Label_Nali4no->text(), QStringLiteral("200.23"));
        QCOMPARE(calc.Label_Razlika->text(), QStringLiteral("-20.35"));

        QString viewed;
        TextViewer::setViewer([&](const QString &path, QWidget *) { viewed = path; });
        AppState::instance().setCurrentOperator(QStringLiteral("Иван"));
        calc.SpeedButton1Click();
        TextViewer::setViewer({});
        QFile f(viewed);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.at(0), QStringLiteral("ОТЧЕТ - КАСА"));
        QVERIFY(lines.at(1).startsWith(QStringLiteral("ЗА ДАТА: ")));
        QCOMPARE(lines.at(2), QStringLiteral("СУМА ОБОРОТ: 220.58 Лева"));
        QCOMPARE(lines.at(3), QStringLiteral("НАЛИЧНОСТ: 200.23 Лева"));
        QCOMPARE(lines.at(4), QStringLiteral("Оператор: Иван"));
        QCOMPARE(lines.at(5), QString());
        QCOMPARE(lines.at(6), QStringLiteral("ВАЛУТЕН ОПИС"));
        QCOMPARE(lines.at(8), QStringLiteral("3 x 0.01  = 0.03"));
        QCOMPARE(lines.at(9), QStringLiteral("0 x 0.02  = 0.00"));
        QCOMPARE(lines.at(12), QStringLiteral("1 x 0.20  = 0.20"));
        QCOMPARE(lines.at(20), QStringLiteral("2 x 100.00  = 200.00"));
        QCOMPARE(lines.at(21), QStringLiteral("ОБЩО: 200.23"));
        // Toggled again: the counts start from 0.
        calc.SpdBtn_KasaClick(false);
        QVERIFY(calc.isHidden());
        calc.SpdBtn_KasaClick(true);
        QCOMPARE(calc.SpEdit[12]->value(), 0);
    }

    void tablesAndPlaces()
    {
        TestProgram program;
        TForm_Smetki w;
        w.BillsFormMode = 1;
        w.show();
        QCOMPARE(w.ShapeTool, int(TForm_Smetki::RectangleTable));
        QVERIFY(w.Panel6->isVisible() && !w.Panel3->isVisible());
        QTest::mouseClick(w.Panel2, Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseClick(w.Panel2, Qt::LeftButton, {}, QPoint(120, 20));
        QCOMPARE(w.ComboBox_Masa->count(), 2);
        QCOMPARE(w.ComboBox_Masa->itemText(1), QStringLiteral("2:Маса"));
        w.toolClicked(TForm_Smetki::Place); // another tool while one is active: nothing
        QCOMPARE(w.ShapeTool, int(TForm_Smetki::RectangleTable));
        w.toolClicked(TForm_Smetki::RectangleTable);
        w.toolClicked(TForm_Smetki::Place);
        QCOMPARE(w.Edit_Object_Name->text(), QStringLiteral("Място 1"));
        QTest::mouseClick(w.Panel2, Qt::LeftButton, {}, QPoint(130, 90));
        QTest::mouseClick(w.Panel2, Qt::LeftButton, {}, QPoint(150, 90));
        // Back to table 1: its own numbering; table 2 continues at 3, never a second "Place2_1".
        w.ComboBox_Masa->setCurrentIndex(0);
        w.ComboBox_MasaChange();
        QTest::mouseClick(w.Panel2, Qt::LeftButton, {}, QPoint(30, 90));
        w.ComboBox_Masa->setCurrentIndex(1);
        QTest::mouseClick(w.Panel2, Qt::LeftButton, {}, QPoint(170, 90));
        QStringList names;
        for (QObject *o : w.Panel2->children())
            names << o->objectName();
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("Place1_1"), QStringLiteral("Place2_1"), QStringLiteral("Place2_2"),
                                     QStringLiteral("Place2_3"), QStringLiteral("Shape_Masa1"),
                                     QStringLiteral("Shape_Masa2")}));
    }

    void cancelMarkedSales()
    {
        TestProgram program;
        exec(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин'), (2, 'Склад')"));
        exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('BGL', 1)"));
        exec(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P) VALUES (17, 'Чай', 2, 'BGL')"));
        exec(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (17, 1, 10), (17, 2, 10)"));
        AppState::instance().setCurrentOperator(QStringLiteral("Мария"));
        AppState::instance().setActiveWarehouseText(QStringLiteral("2:Склад")); // another one is active
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        const long long r1 = sale(today, "в брой", 1, 2, "BGL", 1, 17, 101);
        const long long r2 = sale(today, "в брой", 2, 2, "BGL", 1, 17, 102);
        const long long r3 = sale(today, "в брой", 3, 2, "BGL", 1, 17, 103, 0); // no warehouse recorded
        const long long pay = sale(today, "в брой", 1, 50, "BGL", 1, 0);      // an instalment's record
        exec(QStringLiteral("INSERT INTO Printed_Dok (ID_Prod, Ot_Kade_Prod) VALUES (102, 1), (103, 2)"));

        bool reasonOk = false;
        const auto cancelMarked = [&](const QList<long long> &rows) {
            PlatformScript::setModalHandler([&, rows](QDialog *d) {
                if (auto *report = qobject_cast<TForm_Spravka_prodajba *>(d)) {
                    report->show();
                    report->Button_SearchClick();
                    for (int r = 0; r < report->DBGrid1->model()->rowCount(); ++r)
                        if (rows.contains(report->rowKey(r)))
                            report->DBGrid1->selectionModel()->select(
                                report->DBGrid1->model()->index(r, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
                    report->Button_Invalidate_SalesClick();
                    return int(QDialog::Accepted);
                }
                if (auto *prompt = qobject_cast<TForm_Get_Kol *>(d)) {
                    prompt->show();
                    if (!reasonOk)
                        return TForm_Get_Kol::ResultCancel;
                    prompt->Edit_Kol->setText(QStringLiteral("Дефект"));
                    prompt->BitBtn1Click();
                    return prompt->result();
                }
                return int(QDialog::Rejected);
            });
            TForm_Spravka_prodajba::open(nullptr);
        };
        // "ОТКАЖИ" of the reason: nothing cancelled.
        PlatformScript::answer(true);
        cancelMarked({r1, r2, r3});
        QCOMPARE(count("Invalidate_Sales"), 0);

        // Three rows, asked from the last marked to the first; the document question only for 102.
        reasonOk = true;
        PlatformScript::clearEvents();
        // Yes; 103 stock Yes; 102 documents Yes, stock No; 101 stock Yes.
        for (const QVariant &a : {QVariant(true), QVariant(true), QVariant(true), QVariant(false), QVariant(true)})
            PlatformScript::answer(a);
        cancelMarked({r1, r2, r3});
        // The report shows the list again without the cancelled rows.
        QCOMPARE(TForm_Spravka_prodajba::instance()->list()->rowCount(), 1);
        QStringList asked;
        for (const auto &e : PlatformScript::events())
            if (e.kind == QLatin1String("yesNo"))
                asked << e.text.left(12);
        QCOMPARE(asked, (QStringList{QStringLiteral("Найстина ли "), QStringLiteral("Желаете ли д"),
                                     QStringLiteral("Има издадени"), QStringLiteral("Желаете ли д"),
                                     QStringLiteral("Желаете ли д")}));
        QCOMPARE(count("Prodajbi"), 1);
        QCOMPARE(stock(1), 11.0); // 101 back to its own warehouse
        QCOMPARE(stock(2), 13.0); // 103 without one: to the active warehouse; 102 not returned
        const auto copy = Db::firstRow(QStringLiteral("SELECT Osnovanie, Anuliral, Kol, Type_pay, Date_Invalidate FROM "
                                                      "Invalidate_Sales WHERE ID_Prodajba = 102"));
        QCOMPARE(copy->value(0).toString(), QStringLiteral("Дефект"));
        QCOMPARE(copy->value(1).toString(), QStringLiteral("Мария"));
        QCOMPARE(copy->value(2).toDouble(), 2.0);
        QCOMPARE(copy->value(4).toString(), today);

        // A payment record is refused with a message.
        PlatformScript::clearEvents();
        PlatformScript::answer(true);
        cancelMarked({pay});
        QCOMPARE(count("Prodajbi"), 1);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).first().contains(QStringLiteral("не може да бъде")));
        QCOMPARE(SalesCancel::cancel(pay, QString(), QString(), false, 1), SalesCancel::PaymentRecord);
        QCOMPARE(SalesCancel::cancel(r1, QString(), QString(), false, 1), SalesCancel::Gone);
    }

    void failureStopsAtTheRow()
    {
        TestProgram program;
        exec(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
        exec(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P) VALUES (17, 'Чай', 2, 'BGL')"));
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        const long long a = sale(today, "в брой", 1, 2, "BGL", 1, 17, 201);
        const long long b = sale(today, "в брой", 1, 2, "BGL", 1, 17, 202);
        refuseWrites(QStringLiteral("CREATE TEMP TRIGGER stop BEFORE INSERT ON Invalidate_Sales WHEN NEW.ID_Prodajba = 201 "
                            "BEGIN SELECT RAISE(ABORT, 'stop'); END"));
        QCOMPARE(SalesCancel::cancel(b, QStringLiteral("x"), QStringLiteral("Мария"), true, 1), SalesCancel::Cancelled);
        QVERIFY_THROWS_EXCEPTION(std::exception, SalesCancel::cancel(a, QStringLiteral("x"), QStringLiteral("Мария"),
                                                                     true, 1));
        QCOMPARE(count("Invalidate_Sales"), 1);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT ID_Red FROM Prodajbi")).toLongLong(), a);
        QCOMPARE(stock(1), 1.0);
    }

    void reportFilters()
    {
        SalesCancel::Filter f;
        f.dateCompare = SalesCancel::Between;
        f.dateFrom = QDate(2026, 3, 1);
        f.dateTo = QDate(2026, 3, 5);
        f.payType = QStringLiteral("отложено плащане");
        const SalesCancel::Query q = SalesCancel::reportQuery(f);
        QVERIFY(q.sql.contains(QStringLiteral("I.D_Prodajba BETWEEN ? AND ?")));
        QCOMPARE(q.sql.count(QStringLiteral("BETWEEN")), 1);
        QCOMPARE(q.params, (QVariantList{QStringLiteral("2026-03-01"), QStringLiteral("2026-03-05"),
                                         QStringLiteral("отложено плащане")}));

        TestProgram program;
        exec(QStringLiteral("INSERT INTO Invalidate_Sales (ID_Prodajba, ID_Art, D_Prodajba, Type_pay, ID_Klient, Ed_Cena) "
                            "VALUES (1, 99, '2026-03-03', 'отложено плащане', 42, 16.1355975), "
                            "(2, 99, '2026-03-06', 'отложено плащане', 0, 2.5), (3, 99, '2026-03-04', 'в брой', 0, 1)"));
        QCOMPARE(Db::rows(q.sql, q.params).size(), 1); // no article or counterparty row: still listed
        const SalesCancel::Query all = SalesCancel::reportQuery({});
        QCOMPARE(Db::rows(all.sql, all.params).size(), 3);

        TForm_Spr_Invalidate_Sales w;
        QVERIFY(!w.Button_Print->isEnabled());
        QCOMPARE(w.ComboBox_Type_Pay->itemText(2), QStringLiteral("отложено плащане"));
        w.ChkBox_Data->click();
        QCOMPARE(w.ComboBox_Select_Data->currentText(), QStringLiteral("равно"));
        w.ComboBox_Select_Data->setCurrentIndex(SalesCancel::Between);
        w.ComboBox_Select_DataChange();
        QVERIFY(!w.DateTimePicker_Data_Do->isHidden());
        QCOMPARE(w.filter().dateCompare, int(SalesCancel::Between));

        // The search indicator runs around the query: started, then stopped.
        QDir().mkpath(program.file(QStringLiteral("Video")));
        QVERIFY(QFile::copy(QStringLiteral(VENTAROS_SOURCE_DIR "/Video/Search.gif"),
                            program.file(QStringLiteral("Video/Search.gif"))));
        delete Form_Animations;
        w.Button_SearchClick();
        QVERIFY(Form_Animations);
        QVERIFY(Form_Animations->isVisible());
        QCOMPARE(Form_Animations->movie()->state(), QMovie::NotRunning);
        delete Form_Animations;

        // Every title reads whole ("Дата анулиране" is wider than a default column).
        w.ChkBox_Data->click(); // all three rows
        w.Button_SearchClick();
        delete Form_Animations;
        const QHeaderView *titles = w.DBGrid1->horizontalHeader();
        QVERIFY(titles->count() > 15);
        for (int c = 0; c < titles->count(); ++c)
            QVERIFY2(w.DBGrid1->columnWidth(c) >= titles->sectionSizeHint(c),
                     qPrintable(w.DBGrid1->model()->headerData(c, Qt::Horizontal).toString()));
        // The unit price with the price decimals, as every other grid shows money.
        const QAbstractItemModel *rows = w.DBGrid1->model();
        int price = 0;
        while (price < rows->columnCount() && rows->headerData(price, Qt::Horizontal) != QStringLiteral("Ед. цена"))
            ++price;
        const auto *shown = qobject_cast<QStyledItemDelegate *>(w.DBGrid1->itemDelegateForColumn(price));
        QVERIFY(shown);
        QStringList prices;
        for (int r = 0; r < rows->rowCount(); ++r)
            prices << shown->displayText(rows->index(r, price).data(), QLocale());
        prices.sort();
        QCOMPARE(prices, (QStringList{QStringLiteral("1.0000"), QStringLiteral("16.1356"), QStringLiteral("2.5000")}));
    }
};

VTEST(CashAndCancelTest)
#include "test_cash_and_cancel.moc"
