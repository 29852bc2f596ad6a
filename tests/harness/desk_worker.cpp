// A workstation that works without a pause, for the fault tests: started in
// the program folder VENTAROS_HOME, it sells (and cancels, and delivers)
// until it is killed or its time is up.
//
//   ventaros_desk_worker start              open the folder, deliver waiting files, end
//   ventaros_desk_worker hold               open the folder, print "running", wait to be killed
//   ventaros_desk_worker sell <op> [secs]   one line a sale, quantity = the line's ordinal
//   ventaros_desk_worker mixed <op> <secs>  sales and deliveries; prints what it did
#include "app/data_module.h"
#include "catalogue/deliveries.h"
#include "common/program_folder.h"
#include "desk/desk_lines.h"
#include "desk/device_file_writer.h"
#include "desk/sale.h"
#include "desk/sales_cancel.h"
#include "platform/application.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/instance_lock.h"

#include <QElapsedTimer>
#include <QThread>
#include <QRandomGenerator>

#include <cstdio>

namespace {
constexpr long long Warehouse = 1;
constexpr int Articles = 20;

long long scalar(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

// Lines of this operator ever written: open, sold or cancelled.
long long linesWritten(const QString &op)
{
    return scalar(QStringLiteral("SELECT (SELECT COUNT(*) FROM Prodajbi_Vremenni WHERE Operator = ?) + "
                                 "(SELECT COUNT(*) FROM Prodajbi WHERE Operator = ?) + "
                                 "(SELECT COUNT(*) FROM Invalidate_Sales WHERE Operator = ?)"),
                  {op, op, op});
}

bool sellOnce(const QString &op, QRandomGenerator &rng)
{
    DeskLines::NewLine line;
    const long long ordinal = linesWritten(op) + 1;
    line.article = 1 + ordinal % Articles;
    line.quantityText = QString::number(ordinal);
    line.priceText = QStringLiteral("2.5");
    line.op = op;
    if (DeskLines::insertLine(line).outcome != DeskLines::InsertResult::Written)
        return false;
    Sale::Request r;
    for (const QSqlRecord &row : Db::rows(QStringLiteral("SELECT N_Prodajba FROM Prodajbi_Vremenni "
                                                         "WHERE Operator = ? ORDER BY N_Prodajba"),
                                          {op}))
        r.lines << row.value(0).toLongLong();
    r.op = op;
    r.warehouse = Warehouse;
    const Sale::Result sold = Sale::sell(r);
    if (!sold.ok) {
        std::fprintf(stderr, "sale refused: %s\n", qPrintable(sold.message));
        return false;
    }
    DeviceFileWriter::instance().flush();
    if (rng.bounded(5) == 0) {
        const long long row = scalar(QStringLiteral("SELECT MAX(ID_Red) FROM Prodajbi WHERE Operator = ?"), {op});
        if (row > 0)
            SalesCancel::cancel(row, QStringLiteral("проба"), op, true, Warehouse);
    }
    return true;
}

int sellLoop(const QString &op, int seconds)
{
    QRandomGenerator rng(quint32(QCoreApplication::applicationPid()));
    QElapsedTimer clock;
    clock.start();
    long long sales = 0;
    while (seconds <= 0 || clock.elapsed() < seconds * 1000LL) {
        try {
            if (sellOnce(op, rng))
                ++sales;
        } catch (const std::exception &e) {
            // A busy database after the open routine's wait: wait and try again.
            std::fprintf(stderr, "retry: %s\n", e.what());
        }
    }
    std::printf("sales %lld\n", sales);
    return 0;
}

// Sales and deliveries of 3 to the same warehouse for `seconds`; prints the
// delivery numbers it took and what it delivered.
int mixedLoop(const QString &op, int seconds)
{
    QRandomGenerator rng(quint32(QCoreApplication::applicationPid()));
    QElapsedTimer clock;
    clock.start();
    long long sales = 0, delivered = 0, busy = 0;
    QStringList numbers;
    while (clock.elapsed() < seconds * 1000LL) {
        try {
            switch (rng.bounded(2)) {
            case 0:
                if (sellOnce(op, rng))
                    ++sales;
                break;
            case 1: {
                Deliveries::removeAll();
                Deliveries::LineInput line;
                line.article = 1 + rng.bounded(Articles);
                line.deliveryPrice = 1;
                line.deliveryCurrency = line.saleCurrency = QStringLiteral("BGL");
                line.salePrice = 2.5;
                line.quantity = 3;
                if (Deliveries::addLine(line, 0) == 0 || Deliveries::lineCount() != 1) {
                    std::fprintf(stderr, "delivery lines of another workstation\n");
                    return 3;
                }
                Deliveries::Head head;
                head.deliveryDate = head.documentDate = QDate::currentDate();
                head.deliveryTime = QTime::currentTime();
                head.supplier = 1;
                head.documentKind = 1;
                head.warehouse = Warehouse;
                QString refusal;
                const long long n = Deliveries::save(head, &refusal);
                if (n > 0) {
                    delivered += 3;
                    numbers << QString::number(n);
                } else {
                    std::fprintf(stderr, "delivery refused: %s\n", qPrintable(refusal));
                }
                break;
            }
            default:
                DeviceFileWriter::instance().flush();
                break;
            }
        } catch (const std::exception &e) {
            ++busy;
            std::fprintf(stderr, "retry: %s\n", e.what());
        }
    }
    std::printf("sales %lld\ndelivered %lld\nbusy %lld\nnumbers %s\n", sales, delivered, busy,
                qPrintable(numbers.join(QLatin1Char(' '))));
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    ProgramFolder::resolve();
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    // As the program starts: one copy per workstation.
    if (!InstanceLock::acquire()) {
        std::fprintf(stderr, "%s\n", qPrintable(InstanceLock::refusalText()));
        return 4;
    }
    TDataModule1 module;
    if (!module.openAliasFolder().opened) {
        std::fprintf(stderr, "the database did not open\n");
        return 2;
    }
    DeviceFileWriter::instance().recoverClaims(); // what a killed copy left
    DeviceFileWriter::instance().flush();
    if (mode == QLatin1String("start"))
        return 0;
    if (mode == QLatin1String("hold")) {
        std::printf("running\n");
        std::fflush(stdout);
        QThread::sleep(120);
        return 0;
    }
    if (mode == QLatin1String("sell"))
        return sellLoop(args.value(2), args.value(3).toInt());
    if (mode == QLatin1String("mixed"))
        return mixedLoop(args.value(2), args.value(3).toInt());
    std::fprintf(stderr, "usage: %s start | hold | sell <op> [seconds] | mixed <op> <seconds>\n", argv[0]);
    return 2;
}
