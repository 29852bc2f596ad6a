#include "common/cp1251.h"
#include "common/settings.h"
#include "desk/device_file_writer.h"
#include "desk/form_pay_type.h"
#include "desk/sale.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "query_plans.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

namespace {
void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}

// Warehouse 1; article 17 "Кафе еспресо дълго" 9.99 BGL (VAT group 1, department 3 "Бар", Min_Kol 5);
// stock 10 in warehouse 1.
void shop(const QString &barFolder = QString())
{
    exec(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
    exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('BGL', 1)"));
    exec(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P, Min_Kol, Dan_Grup, Prigotvq_Se) "
                        "VALUES (17, 'Кафе еспресо дълго', 9.99, 'BGL', 5, 1, 3), (18, 'Чай', 2, 'BGL', 0, 2, 0)"));
    exec(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (17, 1, 10), (17, 2, 100)"));
    exec(QStringLiteral("INSERT INTO Type_Prigotvq_Se (ID, Opisanie, Path, Vid_FU) VALUES (3, 'Бар', ?, '3: ДАТЕКС')"),
         {barFolder});
}

long long openLine(long long article = 17, double qty = 2, double discount = 10, const char *op = "Иван")
{
    exec(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Ed_Cena, Valuta, Operator, T_O, Sm_N, "
                        "Term_N, Dan_Grup, Prigotvq_Se) SELECT ID, Opisanie, ?, Ed_Cena, Valuta_P, ?, ?, 0, 2, "
                        "Dan_Grup, Prigotvq_Se FROM Produkti WHERE ID = ?"),
         {qty, QString::fromUtf8(op), discount, article});
    return Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong();
}

Sale::Request request(const QList<long long> &lines, int pay = Sale::Cash)
{
    Sale::Request r;
    r.lines = lines;
    r.payType = pay;
    r.op = QStringLiteral("Иван");
    r.terminal = 2;
    r.warehouse = 1;
    return r;
}

int count(const char *table)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QString::fromLatin1(table))).toInt();
}

double stock()
{
    return Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 17 AND Sklad_ID = 1")).toDouble();
}
} // namespace

class SaleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void minimumStockAndOrderList()
    {
        TestProgram program;
        shop();
        QVERIFY(Sale::belowMinimum(17, 1, 5));   // 10 - 5 = Min_Kol
        QVERIFY(!Sale::belowMinimum(17, 1, 4));  // 6 > 5
        QVERIFY(Sale::belowMinimum(17, 3, 0));   // none in warehouse 3
        QVERIFY(Sale::addToOrderList(17, QStringLiteral("BGL")));
        const auto row = Db::firstRow(QStringLiteral("SELECT Art_ID, Kat_N, Opisanie, Kol, Dost_Cena, Valuta, Klient_Ime, "
                                                     "Dost_Ime, Data FROM Zaqvki_All"));
        QCOMPARE(row->value(1).toString(), QStringLiteral("17"));
        QCOMPARE(row->value(2).toString(), QStringLiteral("Кафе еспресо дълго"));
        QCOMPARE(row->value(3).toDouble(), 1.0);
        QCOMPARE(row->value(6).toString(), QStringLiteral("0:Няма избран клиент"));
        QCOMPARE(row->value(7).toString(), QStringLiteral("0:Няма избран доставчик"));
        QVERIFY(!Sale::belowMinimum(17, 1, 5)); // listed already
        QVERIFY(!Sale::addToOrderList(17, QStringLiteral("BGL"))); // a row appeared meanwhile: one row
        QCOMPARE(count("Zaqvki_All"), 1);
    }

    void saleRecordsAndRollsBackWhole()
    {
        TestProgram program;
        shop();
        const long long a = openLine(), b = openLine(18, 1, 0), c = openLine();
        exec(QStringLiteral("UPDATE Prodajbi_Vremenni SET Pored_Ot = 'sn-a' WHERE N_Prodajba = ?"), {a});
        // The lowest marked line first.
        Sale::Result r = Sale::sell(request({c, a}, Sale::Bank));
        QVERIFY2(r.ok, qPrintable(r.message));
        // The sold serial is found in any case.
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Pored_Ot_Up FROM Prodajbi WHERE ID_Prodajba = ?"), {a}).toString(),
                 QStringLiteral("SN-A"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT ID_Prodajba FROM Prodajbi ORDER BY ID_Red")).toLongLong(), c);
        const auto rec = Db::firstRow(QStringLiteral("SELECT Type_Pay, Sklad_ID, Term_N, ID_Klient, Konsign_N, T_O FROM "
                                                     "Prodajbi WHERE ID_Prodajba = ?"),
                                      {a});
        QCOMPARE(rec->value(0).toString(), QStringLiteral("по банков път"));
        QCOMPARE(rec->value(1).toInt(), 1);
        QCOMPARE(rec->value(2).toInt(), 2);
        QCOMPARE(rec->value(5).toDouble(), 10.0);
        QCOMPARE(stock(), 6.0);
        QCOMPARE(count("Pending_Files"), 0); // a bank sale writes no receipt

        // A line sold elsewhere meanwhile: the whole sale stays undone.
        const long long d = openLine(), e = openLine();
        QVERIFY(!Sale::sell(request({a, d})).ok);
        // A failure at the second of three lines: no record, no stock change, every line open, nothing queued.
        Settings::writeInteger(Keys::Tuning_FB, 2);
        refuseWrites(QStringLiteral("CREATE TEMP TRIGGER stop BEFORE INSERT ON Prodajbi WHEN NEW.ID_Prodajba = %1 "
                            "BEGIN SELECT RAISE(ABORT, 'stop'); END").arg(e));
        r = Sale::sell(request({b, e, d}));
        QVERIFY(!r.ok);
        QVERIFY(r.message.startsWith(QStringLiteral("Продажбата не беше извършена")));
        QCOMPARE(count("Prodajbi"), 2);
        QCOMPARE(count("Prodajbi_Vremenni"), 3);
        QCOMPARE(stock(), 6.0);
        QCOMPARE(count("Pending_Files"), 0);
        dropTrigger(QStringLiteral("stop"));
        // No warehouse; a currency without a rate.
        Sale::Request none = request({b});
        none.warehouse = 9;
        QVERIFY(!Sale::sell(none).ok);
        exec(QStringLiteral("UPDATE Prodajbi_Vremenni SET Valuta = 'XXX' WHERE N_Prodajba = ?"), {b});
        QString missing;
        QCOMPARE(Sale::linesTotal({b}, &missing), Decimal());
        QCOMPARE(missing, QStringLiteral("XXX"));
        QVERIFY(Sale::sell(request({b})).message.contains(QStringLiteral("XXX")));
    }

    void receiptsOfACashSale()
    {
        TestProgram program;
        const QString bar = program.file(QStringLiteral("Bar"));
        QDir().mkpath(bar);
        shop(bar);
        DeviceFileWriter::instance().resetForTest();
        const QString folder = Settings::receiptFolder();
        const auto receipt = [&](int n) {
            QFile f(QDir(folder).filePath(QStringLiteral("BON%1.bon").arg(n)));
            return f.open(QIODevice::ReadOnly) ? Cp1251::decode(f.readAll()) : QString();
        };
        Settings::writeInteger(Keys::Tuning_FB, 2);
        QVERIFY(Sale::sell(request({openLine()})).ok);
        DeviceFileWriter::instance().flush();
        QCOMPARE(receipt(1), QStringLiteral(":ПОС: 2\r\n:Опер.: Иван            \r\n%17^Кафе еспресо^899^2000^1^\r\n"
                                            ":отстъпка: 10.00%\r\n"));
        QCOMPARE(QDir(bar).entryList(QDir::Files), QStringList());
        Settings::writeInteger(Keys::Tuning_FB, 1);
        Settings::writeString(Keys::Tuning_24, QStringLiteral("1: ЕЛТРЕЙД"));
        QVERIFY(Sale::sell(request({openLine()})).ok);
        DeviceFileWriter::instance().flush();
        QVERIFY(receipt(2).contains(QStringLiteral(":Общо: 17.98\r\n")));
        Settings::writeInteger(Keys::Tuning_FB, 0);
        QVERIFY(Sale::sell(request({openLine()})).ok);
        DeviceFileWriter::instance().flush();
        QCOMPARE(receipt(3), QString());
        // Department tickets with every payment, the bill line when no receipt is written.
        Settings::writeBool(Keys::Tuning_23, true);
        QVERIFY(Sale::sell(request({openLine()}, Sale::Bank)).ok);
        DeviceFileWriter::instance().flush();
        QFile ticket(QDir(bar).filePath(QStringLiteral("ToPrepare3.bon")));
        QVERIFY(ticket.open(QIODevice::ReadOnly));
        QVERIFY(Cp1251::decode(ticket.readAll()).contains(QStringLiteral("P,1,______,_,__;ПОРЪЧКА: 0;")));
    }

    void payDialogAndCancel()
    {
        TestProgram program;
        shop();
        int result = 0;
        PlatformScript::setModalHandler([](QDialog *d) {
            auto *pay = qobject_cast<TForm_Pay_Type *>(d);
            for (const char *bad : {"abc", "-5", "10"}) { // 10 is short of 17.98
                pay->Edit_Dadena_Sum->setText(QString::fromLatin1(bad));
                pay->BitBtn_PriemiClick();
                if (pay->result() == QDialog::Accepted)
                    return int(QDialog::Accepted);
            }
            pay->Edit_Dadena_Sum->clear();
            QTest::keyClicks(pay->Edit_Dadena_Sum, QStringLiteral("20"));
            if (pay->Label_Resto->text() != QStringLiteral("РЕСТО: 2.02"))
                return int(QDialog::Rejected);
            pay->BitBtn_PriemiClick();
            return pay->result();
        });
        TForm_Pay_Type *pay = TForm_Pay_Type::GET_PAY_TYPE(nullptr, 0, QStringLiteral("17.98"), &result);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(pay->itemIndex(), 0);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 4); // short cash without a counterparty asks for one
        QVERIFY(!pay->Item[2]->isVisibleTo(pay));

        const long long a = openLine();
        exec(QStringLiteral("INSERT INTO Printed_Dok (ID_Prod, Ot_Kade_Prod) VALUES (?, 1), (?, 2)"), {a, a});
        Sale::cancelLines({a}, QStringLiteral("Иван"));
        QCOMPARE(count("Prodajbi_Vremenni"), 0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Ot_Kade_Prod FROM Printed_Dok")).toInt(), 2);
    }
};

VTEST(SaleTest)
#include "test_sale.moc"
