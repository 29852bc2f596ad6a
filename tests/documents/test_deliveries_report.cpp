#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/app_state.h"
#include "catalogue/article_pick.h"
#include "documents/form_spr_dostavka.h"
#include "documents/report_filter.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/script.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSqlRecord>
#include <QTableView>
#include <QRegularExpression>
#include <QTest>

namespace {
void exec(const char *sql, const QVariantList &values = {})
{
    Db::execute(QString::fromUtf8(sql), values);
}

// Deliveries 1..5: numbers "12", "0012", "A123", "7%", "12" (5 from a supplier no longer listed).
// Delivery 1 holds articles 12 and 40 (40 in EUR), delivery 2 article 12.
void deliveries()
{
    exec("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('EUR', 2, 'False')");
    exec("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (7, 'Доставчик ООД', 0)");
    exec("INSERT INTO Rab_Dokumenti (ID, Opisanie) VALUES (1, 'Фактура'), (2, 'Стокова')");
    exec("DELETE FROM Sklad");
    exec("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Основен'), (2, 'Втори')");
    exec("INSERT INTO Produkti (ID, Opisanie) VALUES (12, 'Кабел'), (40, 'Щепсел')");
    const char *head = "INSERT INTO Dostavki (ID, Data_Dostavka, Time_Dostavka, Nomer_Dostav4ik, Vid_Dokument, "
                       "Data_Dokument, Nomer_Dokument, ID_Sklad, Pay_Cach, Pay_Bank, Pay_Not) "
                       "VALUES (?, ?, '10:00:00', ?, ?, ?, ?, ?, ?, 0, ?)";
    exec(head, {1, "2024-03-02", 7, 1, "2024-03-01", "12", 1, 10.5, 4.0});
    exec(head, {2, "2024-03-10", 7, 2, "2024-03-09", "0012", 2, 0.0, 0.0});
    exec(head, {3, "2024-03-20", 7, 1, "2024-03-19", "A123", 1, 0.0, 0.0});
    exec(head, {4, "2024-03-21", 7, 1, "2024-03-21", "7%", 1, 0.0, 0.0});
    exec(head, {5, "2024-03-22", 99, 1, "2024-03-22", "12", 1, 0.0, 0.0});
    const char *line = "INSERT INTO Dostavka_art (ID_Dostavka, Nomer_Produkt, Dostavna_Cena, Valuta_D, Prodajna_Cena, "
                       "Valuta_P, Kolitchestvo, Mqrka) VALUES (?, ?, ?, ?, ?, ?, ?, 'бр.')";
    exec(line, {1, 12, 1.5, "BGN", 2.5, "BGN", 4.0});
    exec(line, {1, 40, 3.0, "EUR", 8.0, "BGN", 2.0});
    exec(line, {2, 12, 1.5, "BGN", 2.5, "BGN", 1.0});
}

QList<long long> listed(TForm_SprDostavka &w)
{
    QList<long long> ids;
    for (int r = 0; r < w.deliveriesList()->rowCount(); ++r)
        ids.append(w.deliveriesList()->value(r, QStringLiteral("ID")).toLongLong());
    return ids;
}

void pick(const QList<int> &ids)
{
    ArticlePick::Picked p;
    for (int id : ids)
        p.marked.append(Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = ?"), {id}).value());
    p.current = p.marked.first();
    QVERIFY(ArticlePick::deliver(16, p));
}
} // namespace

class TestDeliveriesReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void filters_data()
    {
        QTest::addColumn<QString>("case_");
        QTest::addColumn<QList<long long>>("ids");
        QTest::addColumn<QString>("message");
        QTest::newRow("no filter: a missing supplier is never listed") << "none" << QList<long long>{1, 2, 3, 4}
                                                                          << QString();
        QTest::newRow("number 12") << "12" << QList<long long>{1, 2, 3} << QString();
        QTest::newRow("% is literal") << "%" << QList<long long>{4} << QString();
        QTest::newRow("kind not chosen") << "kind" << QList<long long>{} << QString();
        QTest::newRow("two picked articles list a delivery twice") << "articles" << QList<long long>{1, 1, 2}
                                                                    << QString();
        QTest::newRow("empty pick") << "nopick" << QList<long long>{} << "Изберете артикул";
        QTest::newRow("entry date between") << "between" << QList<long long>{2, 3} << QString();
        QTest::newRow("warehouse") << "warehouse" << QList<long long>{2} << QString();
    }
    void filters()
    {
        QFETCH(QString, case_);
        QFETCH(QList<long long>, ids);
        QFETCH(QString, message);
        TestProgram program;
        deliveries();
        TForm_SprDostavka w;
        w.FormShow();
        if (case_ == QLatin1String("12") || case_ == QLatin1String("%")) {
            w.ChkBox_Nom_Dok->setChecked(true);
            w.ChkBox_Nom_DokClick();
            w.Edit_Dok_N->setText(case_);
        } else if (case_ == QLatin1String("kind")) {
            w.ChkBox_Vid_Dok->setChecked(true);
            w.ChkBox_Vid_DokClick();
        } else if (case_ == QLatin1String("articles")) {
            w.ChkBox_Art->setChecked(true);
            pick({12, 40});
            QCOMPARE(w.Label_Art->text(), QStringLiteral("12;40;"));
        } else if (case_ == QLatin1String("nopick")) {
            w.ChkBox_Art->setChecked(true);
        } else if (case_ == QLatin1String("between")) {
            w.ChkBox_Data_Dost->setChecked(true);
            w.ChkBox_Data_DostClick();
            w.ComboBox3->setCurrentIndex(ReportFilter::Between);
            w.ComboBox3Change();
            w.DateTimePicker_Date_Dost_Ot->setDate(QDate(2024, 3, 10));
            w.DateTimePicker_Date_Dost_Do->setDate(QDate(2024, 3, 20));
        } else if (case_ == QLatin1String("warehouse")) {
            w.ChkBox_Sklad->setChecked(true);
            w.ChkBox_SkladClick();
            w.ComboBox_Sklad->setCurrentIndex(1);
        }
        w.Button_SearchClick();
        QCOMPARE(listed(w), ids);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).value(0), message);
        // Every column shown has a Bulgarian title, the article filter's too.
        static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
        for (int c = 0; c < w.DBGrid_Dokument->model()->columnCount(); ++c) {
            const QString title = w.DBGrid_Dokument->model()->headerData(c, Qt::Horizontal).toString();
            if (!w.DBGrid_Dokument->isColumnHidden(c))
                QVERIFY2(title.contains(cyrillic), qPrintable(title));
        }
    }

    void aDeliveryShowsItsAmountsAndLines()
    {
        TestProgram program;
        deliveries();
        PriceDecimals = 3;
        TForm_SprDostavka w;
        w.FormShow();
        w.Button_SearchClick();
        // The first delivery is shown at once.
        QCOMPARE(w.Label_Pay_Cach->text(), QStringLiteral("Общо сума платено в брой: 10.500"));
        QCOMPARE(w.Label_Pay_Not->text(), QStringLiteral("Общо сума не платено: 4.000"));
        QCOMPARE(w.Label_Pay_Bank->text(), QStringLiteral("Общо сума платено по банка: 0.000"));
        SqlListModel *lines = w.linesList();
        QCOMPARE(lines->rowCount(), 2);
        QCOMPARE(lines->value(0, QStringLiteral("Opisanie")).toString(), QStringLiteral("Кабел"));
        QCOMPARE(lines->value(1, QStringLiteral("Opisanie")).toString(), QStringLiteral("Щепсел"));
        // 4 x 1.50 BGN, and 2 x 3 EUR at 2 = 12 leva; selling 2 x 8 BGN.
        QCOMPARE(lines->value(0, QStringLiteral("Sum_Dost_Cena")).toDouble(), 6.0);
        QCOMPARE(lines->value(1, QStringLiteral("Sum_Dost_Cena")).toDouble(), 12.0);
        QCOMPARE(lines->value(1, QStringLiteral("Sum_Prod_Cena")).toDouble(), 16.0);
        QCOMPARE(w.Label_Ob6to_SUM->text(), QStringLiteral("Обща сума на документа : 18.000"));
        // An amount with two decimals whatever the price decimals.
        QCOMPARE(w.DBGrid_Art->model()->index(1, lines->fieldIndex(QStringLiteral("Sum_Dost_Cena"))).data().toString(),
                 QStringLiteral("12.00"));
        QVERIFY(lines->fieldIndex(QStringLiteral("Snimka")) < 0);
        QVERIFY(w.DBGrid_Art->isColumnHidden(lines->fieldIndex(QStringLiteral("Nomenkl_N"))));
        // Dates shown short.
        const int date = w.deliveriesList()->fieldIndex(QStringLiteral("Data_Dokument"));
        QCOMPARE(w.deliveriesList()->index(0, date).data().toString(), QStringLiteral("01.03.2024"));
        // Clicking another delivery shows its lines.
        w.DBGrid_Dokument->setCurrentIndex(w.deliveriesList()->index(1, 0));
        w.DBGrid_DokumentCellClick();
        QCOMPARE(lines->rowCount(), 1);
        QCOMPARE(w.Label_Ob6to_SUM->text(), QStringLiteral("Обща сума на документа : 1.500"));
        // Sorting by a title keeps the grid's columns.
        SortDirection = 0;
        w.DBGrid_DokumentTitleClick(2);
        QCOMPARE(listed(w), (QList<long long>{3, 4, 1, 2})); // descending
        QVERIFY(w.DBGrid_Dokument->isColumnHidden(w.deliveriesList()->fieldIndex(QStringLiteral("Pay_Cach"))));
        PriceDecimals = 4;
    }

    void printChoicesOnlyClear()
    {
        TestProgram program;
        TForm_SprDostavka w;
        auto *first = qobject_cast<QRadioButton *>(w.m_print->buttons().first());
        first->click();
        QVERIFY(!first->isChecked());
    }
};
VTEST(TestDeliveriesReport)

#include "test_deliveries_report.moc"
