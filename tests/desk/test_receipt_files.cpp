#include "common/cp1251.h"
#include "common/settings.h"
#include "desk/device_file_writer.h"
#include "desk/receipt_commands.h"
#include "desk/receipt_files.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace ReceiptFiles;

namespace {
// Article 17 "Кафе еспресо дълго", 9.99 BGL, 2 pieces, 10 %, VAT group 1, department 3, bill 0.
BonLine coffee()
{
    BonLine l;
    l.article = 17;
    l.name = QStringLiteral("Кафе еспресо дълго");
    l.quantity = 2;
    l.price = dec("9.99");
    l.discount = 10;
    l.vatGroup = 1;
    l.department = 3;
    return l;
}

const BonContext kCtx{2, QStringLiteral("Иван")};

QString text(const QByteArray &bytes)
{
    return Cp1251::decode(bytes);
}

QString lines(const QStringList &l)
{
    return l.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

DepartmentLookup bar(int type)
{
    return [type](int id, Department *d) {
        if (id != 3)
            return false;
        *d = Department{3, QStringLiteral("Бар"), QStringLiteral("/nowhere"), type};
        return true;
    };
}

BonCollector fiscal(const QList<BonLine> &ls, bool tickets = false)
{
    BonCollector c;
    for (const BonLine &l : ls)
        PREPARE_BON_FILE(c, l, FiscalReceipt, BonSettings{1, tickets});
    addCorrectionRecord(c);
    return c;
}

BonLine line(double price, double qty, double discount = 10, double rate = 1)
{
    BonLine l = coffee();
    l.price = Decimal::fromDouble(price);
    l.quantity = Decimal::fromDouble(qty);
    l.discount = Decimal::fromDouble(discount);
    l.rate = Decimal::fromDouble(rate);
    l.name = QStringLiteral("Артикул");
    return l;
}

QStringList files(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

QByteArray read(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

int pendingRows()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Pending_Files")).toInt();
}
} // namespace

class ReceiptFilesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layouts()
    {
        const QString op = QStringLiteral("Иван            ");
        QCOMPARE(text(receiptBytes(fiscal({coffee()}), KindFiscal, kCtx, {0, false})),
                 lines({QStringLiteral(":ПОС: 2"), QStringLiteral(":Опер.: ") + op,
                        QStringLiteral("%17^Кафе еспресо^899^2000^1^"), QStringLiteral(":отстъпка: 10.00%")}));

        for (int type : {1, 2, 3}) {
            BonCollector c;
            PREPARE_BON_FILE(c, coffee(), ServiceReceipt, {type, false}, dec("17.982"));
            const QStringList body{QStringLiteral("ПОС: 2"), QStringLiteral("ПОРЪЧКА: 0"),
                                   QStringLiteral("Опер.: ") + op, QStringLiteral("Кафе еспрес 2.00 x 9.99    "),
                                   QStringLiteral("отстъпка: 10.00%"), QStringLiteral("======================="),
                                   QStringLiteral("Общо: 17.98"), QStringLiteral("=======================")};
            QStringList expected;
            if (type == 1)
                expected << QStringLiteral("*");
            for (int i = 0; i < body.size(); ++i)
                expected << (type == 3 ? QString((i == 0 ? QStringLiteral("Y,1,______,_,__;")
                                                         : QStringLiteral("P,1,______,_,__;"))
                                                 + body.at(i) + QLatin1Char(';'))
                                       : QString(QLatin1Char(':') + body.at(i)));
            QCOMPARE(text(receiptBytes(c, KindService, kCtx, {type, false})), lines(expected));
        }

        // The bar's ticket after a fiscal receipt has no bill line; after a service receipt it has.
        const QStringList ticket{QStringLiteral("Y,1,______,_,__;ПОС: 2;"),
                                 QStringLiteral("P,1,______,_,__;Опер.: ") + op + QLatin1Char(';'),
                                 QStringLiteral("P,1,______,_,__;=======================;"),
                                 QStringLiteral("P,1,______,_,__;БАР;"),
                                 QStringLiteral("P,1,______,_,__;=======================;"),
                                 QStringLiteral("P,1,______,_,__;Кафе еспрес 2.00 x 9.99    ;"),
                                 QStringLiteral("P,1,______,_,__;отстъпка: 10.00%;"),
                                 QStringLiteral("P,1,______,_,__;=======================;")};
        const QList<DeviceFile> out = CREATE_BON_FILE(fiscal({coffee()}, true), KindFiscal, kCtx, {1, true},
                                                      QStringLiteral("/r"), bar(3));
        QCOMPARE(out.size(), 2);
        QCOMPARE(out.at(1).fileName, QStringLiteral("ToPrepare3.bon"));
        QCOMPARE(out.at(1).folder, QStringLiteral("/nowhere"));
        QCOMPARE(text(out.at(1).bytes), lines(ticket));
        BonCollector service;
        PREPARE_BON_FILE(service, coffee(), NoReceipt, {1, true});
        QStringList withBill = ticket;
        withBill.insert(1, QStringLiteral("P,1,______,_,__;ПОРЪЧКА: 0;"));
        QCOMPARE(text(CREATE_BON_FILE(service, KindService, kCtx, {1, true}, {}, bar(3)).at(1).bytes),
                 lines(withBill));
        // Department 0 and a department of device type 0 get no ticket.
        BonLine notPrepared = coffee();
        notPrepared.department = 0;
        QCOMPARE(CREATE_BON_FILE(fiscal({notPrepared}, true), KindFiscal, kCtx, {1, true}, {}, bar(3)).size(), 1);
        QCOMPARE(CREATE_BON_FILE(fiscal({coffee()}, true), KindFiscal, kCtx, {1, true}, {}, bar(0)).size(), 1);
    }

    void commandsAndOddTexts()
    {
        const BonCollector empty;
        QCOMPARE(receiptBytes(empty, KindZeroingReport, kCtx, {5, false}), QByteArray("#N\r\n"));
        QCOMPARE(receiptBytes(empty, KindDailyReport, kCtx, {0, false}), QByteArray("#I\r\n"));
        QCOMPARE(receiptBytes(empty, KindCopy, kCtx, {1, false}), QByteArray("#C\r\n"));
        QCOMPARE(receiptBytes(fiscal({coffee()}), KindService, kCtx, {0, false}), QByteArray());
        QCOMPARE(receiptBytes(fiscal({coffee()}), 7, kCtx, {1, false}), QByteArray());

        BonLine odd = coffee();
        odd.name = QStringLiteral("Müller^a;b\nc");
        odd.quantity = 12345;
        odd.discount = -5;
        BonCollector c;
        PREPARE_BON_FILE(c, odd, ServiceReceipt, {1, false});
        PREPARE_BON_FILE(c, odd, FiscalReceipt, {1, false});
        QCOMPARE(c.receiptLines.at(0), QStringLiteral("Müller a b  12345 x 9.99    "));
        QCOMPARE(c.receiptLines.at(1), QStringLiteral("надбавка: -5.00%"));
        QCOMPARE(c.receiptLines.at(3), QStringLiteral(":надбавка: -5.00%"));
        QVERIFY(receiptBytes(c, KindFiscal, kCtx, {1, false}).contains("M?ller a b c^"));
    }

    void moneyInFiscalRecords()
    {
        QCOMPARE(stotinki(dec("0.29")), 29LL);
        QCOMPARE(stotinki(dec("8.991")), 899LL);
        QCOMPARE(stotinki(dec("1.035")), 104LL);
        // The records total the amount due: lowered where they would charge
        // more, the shortfall in a correction of the line's VAT group.
        const struct {
            QList<BonLine> lines;
            QStringList records; // every line after the ":ПОС"/":Опер." header
        } cases[] = {
            // 10 × 1.035 = 10.35: 1.04 would print 10.40; 1.03 prints 10.30, 5 stotinki come back.
            {{line(1.15, 10)}, {"%17^Артикул     ^103^10000^1^", ":отстъпка: 10.00%", "%0000^КОРЕКЦИЯ:^5^1000^1^"}},
            {{line(0.991, 12, 0)}, {"%17^Артикул     ^99^12000^1^", "%0000^КОРЕКЦИЯ:^1^1000^1^"}},
            {{line(0.991, 9, 0)}, {"%17^Артикул     ^99^9000^1^", "%0000^КОРЕКЦИЯ:^1^1000^1^"}}, // 8.919 asks 8.92
            // Two lines: only the later one is lowered, as far as needed.
            {{line(1.15, 1), line(1.15, 1)},
             {"%17^Артикул     ^104^1000^1^", ":отстъпка: 10.00%", "%17^Артикул     ^103^1000^1^",
              ":отстъпка: 10.00%"}},
            // A EUR line is priced in leva, at the amount due: 19.5583 asks 19.56.
            {{line(10, 1, 0, 1.95583)}, {"%17^Артикул     ^1956^1000^1^"}},
            // 4.899 × 13.81 would print 67.66 of 67.65 due: 13.80 prints 67.61, 4 stotinki come back.
            {{line(16.25, 4.899, 15.02)},
             {"%17^Артикул     ^1380^4899^1^", ":отстъпка: 15.02%", "%0000^КОРЕКЦИЯ:^4^1000^1^"}},
        };
        for (const auto &k : cases) {
            const BonCollector c = fiscal(k.lines);
            QCOMPARE(c.receiptLines, k.records);
        }
        // The shortfall goes to the VAT group it comes from.
        BonLine water = line(0.991, 9, 0);
        water.vatGroup = 2;
        QCOMPARE(fiscal({line(2, 1, 0), water}).receiptLines.last(), QStringLiteral("%0000^КОРЕКЦИЯ:^1^1000^2^"));
    }

    void deliveryNeverLosesNorRepeats()
    {
        TestProgram program;
        DeviceFileWriter &w = DeviceFileWriter::instance();
        w.resetForTest();
        const QString folder = program.file(QStringLiteral("Bon"));
        QDir().mkpath(folder);
        { QFile f(QDir(folder).filePath(QStringLiteral("BON1.bon"))); f.open(QIODevice::WriteOnly); f.write("old"); }
        const DeviceFile receipt{0, folder, {}, "#I\r\n"};
        PendingFiles::queue({receipt});
        QCOMPARE(w.flush(), 0);
        QCOMPARE(files(folder), (QStringList{QStringLiteral("BON1.bon"), QStringLiteral("BON2.bon")}));
        QCOMPARE(read(QDir(folder).filePath(QStringLiteral("BON1.bon"))), QByteArray("old"));

        // A crash at each step, then a start-up: every file exactly once.
        using Step = DeviceFileWriter::Step;
        for (const Step at : {Step::Written, Step::Claimed, Step::Renamed}) {
            w.setStepHookForTest([at](Step s) {
                if (s == at)
                    throw DeviceFileWriter::Stopped{};
            });
            PendingFiles::queue({DeviceFile{0, folder, {}, "#C\r\n"}});
            QVERIFY_THROWS_EXCEPTION(DeviceFileWriter::Stopped, w.flush());
            w.setStepHookForTest({});
            QCOMPARE(w.flush(), 0);
            QCOMPARE(pendingRows(), 0);
        }
        QStringList expected{QStringLiteral("BON1.bon"), QStringLiteral("BON2.bon"), QStringLiteral("BON3.bon"),
                             QStringLiteral("BON4.bon"), QStringLiteral("BON5.bon")};
        QCOMPARE(files(folder), expected);
        QCOMPARE(read(QDir(folder).filePath(QStringLiteral("BON5.bon"))), QByteArray("#C\r\n"));

        // A ticket waits while the driver has not taken the previous one; the next one waits behind it.
        const QString kitchen = program.file(QStringLiteral("Kitchen"));
        QDir().mkpath(kitchen);
        Db::execute(QStringLiteral("INSERT INTO Type_Prigotvq_Se (ID, Opisanie, Path, Vid_FU) VALUES (3, 'Кухня', ?, "
                                   "'3: ДАТЕКС')"),
                    {kitchen});
        PendingFiles::queue({DeviceFile{3, kitchen, QStringLiteral("ToPrepare3.bon"), "one"}});
        PendingFiles::queue({DeviceFile{3, kitchen, QStringLiteral("ToPrepare3.bon"), "two"}});
        PlatformScript::clearEvents();
        QCOMPARE(w.flush(), 1);
        QCOMPARE(read(QDir(kitchen).filePath(QStringLiteral("ToPrepare3.bon"))), QByteArray("one"));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QCOMPARE(w.waiting().size(), 1);
        QCOMPARE(w.flush(), 1); // told once
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QFile::remove(QDir(kitchen).filePath(QStringLiteral("ToPrepare3.bon")));
        QCOMPARE(w.flush(), 0);
        QCOMPARE(read(QDir(kitchen).filePath(QStringLiteral("ToPrepare3.bon"))), QByteArray("two"));

        // A folder that cannot hold the receipt: told, kept, and the next receipt does not overtake it.
        const QString missing = program.file(QStringLiteral("no/such/folder"));
        Settings::writeString(Keys::Tuning_19, missing);
        PlatformScript::clearEvents();
        PendingFiles::queue({DeviceFile{0, missing, {}, "a"}, DeviceFile{0, missing, {}, "b"}});
        QCOMPARE(w.flush(), 2);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).value(0).section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Неуспешен печат на бон"));
        QDir().mkpath(missing);
        QCOMPARE(w.flush(), 0);
        QCOMPARE(read(QDir(missing).filePath(QStringLiteral("BON6.bon"))), QByteArray("a"));
        QCOMPARE(read(QDir(missing).filePath(QStringLiteral("BON7.bon"))), QByteArray("b"));
    }

    void menuCommandsAndServiceReceipt()
    {
        TestProgram program;
        DeviceFileWriter::instance().resetForTest();
        const QString folder = program.file(QStringLiteral("Bon"));
        Settings::writeString(Keys::Tuning_19, folder);
        Settings::writeString(Keys::Tuning_24, QStringLiteral("1: ЕЛТРЕЙД - Фискален принтер"));
        ReceiptCommands::reportFile(KindDailyReport, nullptr);
        QCOMPARE(read(QDir(folder).filePath(QStringLiteral("BON1.bon"))), QByteArray("#I\r\n"));

        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('BGL', 1, 'True')"));
        for (int bill : {4, 4})
            Db::execute(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Ed_Cena, Valuta, "
                                       "Operator, T_O, Sm_N, Dan_Grup, Prigotvq_Se) VALUES (17, 'Кафе', 2, 9.99, "
                                       "'BGL', 'Иван', 0, ?, 1, 0)"),
                        {bill});
        ReceiptCommands::setMarkedLinesProvider({});
        PlatformScript::clearEvents();
        ReceiptCommands::N70Click(nullptr);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Необходимо е да се изберат данни за издаване на служебен бон")});
        ReceiptCommands::setMarkedLinesProvider([] { return QList<long long>{1, 2}; });
        ReceiptCommands::N70Click(nullptr);
        const QString receipt = text(read(QDir(folder).filePath(QStringLiteral("BON2.bon"))));
        QVERIFY2(receipt.contains(QStringLiteral(":ПОРЪЧКА: 4\r\n")), qPrintable(receipt));
        QVERIFY(receipt.contains(QStringLiteral(":Общо: 39.96\r\n")));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni")).toInt(), 2);
        ReceiptCommands::setMarkedLinesProvider({});
    }
};

VTEST(ReceiptFilesTest)
#include "test_receipt_files.moc"
