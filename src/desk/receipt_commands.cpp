#include "desk/receipt_commands.h"

#include "app/app_state.h"
#include "common/settings.h"
#include "desk/device_file_writer.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"

#include <algorithm>

namespace ReceiptCommands {
using ReceiptFiles::CREATE_BON_FILE;
using ReceiptFiles::PREPARE_BON_FILE;

namespace {
std::function<QList<long long>()> &markedProvider()
{
    static std::function<QList<long long>()> provider;
    return provider;
}

// Nothing was queued: the message says why on its next line.
void failed(const std::exception &e, QWidget *parent)
{
    ExceptionLog::write(e);
    Dialogs::message(QStringLiteral("Неуспешен печат на бон\n") + QString::fromUtf8(e.what()), parent);
}
} // namespace

QString receiptFolder()
{
    return Settings::receiptFolder();
}

BonContext context()
{
    return BonContext{AppState::instance().terminal(), AppState::instance().currentOperator()};
}

QList<BonLine> loadLines(const QList<long long> &lineNumbers, ExactSum *total)
{
    QList<BonLine> lines;
    ExactSum sum;
    for (long long n : lineNumbers) {
        const auto r = Db::firstRow(
            QStringLiteral("SELECT P.Barkod, P.Opisanie, P.Kol, P.Ed_Cena, V.Kurs, P.T_O, P.Dan_Grup, "
                           "P.Prigotvq_Se, P.Sm_N FROM Prodajbi_Vremenni P JOIN Valuti V ON V.Opisanie = "
                           "P.Valuta WHERE P.N_Prodajba = ?"),
            {n});
        if (!r)
            continue;
        BonLine l;
        l.article = r->value(0).toLongLong();
        l.name = r->value(1).toString();
        l.quantity = Decimal::fromVariant(r->value(2));
        l.price = Decimal::fromVariant(r->value(3));
        l.rate = Decimal::fromVariant(r->value(4));
        l.discount = Decimal::fromVariant(r->value(5));
        l.vatGroup = r->value(6).toInt();
        l.department = r->value(7).toInt();
        l.bill = r->value(8).toLongLong();
        sum += DeskMoney::amount(l.money());
        lines << l;
    }
    if (total)
        *total = sum;
    return lines;
}

bool deliver(const QList<DeviceFile> &files, QWidget *parent)
{
    try {
        PendingFiles::queue(files);
    } catch (const std::exception &e) {
        failed(e, parent);
        return false;
    }
    DeviceFileWriter::instance().flush();
    return true;
}

void reportFile(int kind, QWidget *parent)
{
    try {
        const BonCollector empty;
        deliver(CREATE_BON_FILE(empty, kind, context(), BonSettings::read(), receiptFolder(),
                                departmentsFromDatabase()),
                parent);
    } catch (const std::exception &e) {
        failed(e, parent);
    }
}

void setMarkedLinesProvider(std::function<QList<long long>()> provider)
{
    markedProvider() = std::move(provider);
}

void N70Click(QWidget *parent)
{
    QList<long long> marked = markedProvider() ? markedProvider()() : QList<long long>();
    if (marked.isEmpty()) {
        Dialogs::message(QStringLiteral("Необходимо е да се изберат данни за издаване на служебен бон"), parent);
        return;
    }
    std::reverse(marked.begin(), marked.end()); // from the lowest marked line up
    try {
        ExactSum total;
        const QList<BonLine> lines = loadLines(marked, &total);
        const BonSettings settings = BonSettings::read();
        // "Общо" is the amount due of these lines, as the desk would ask it.
        const Decimal due = DeskMoney::payable(total, int(Settings::readInteger(Keys::Values_9)));
        BonCollector c;
        for (const BonLine &l : lines)
            PREPARE_BON_FILE(c, l, ReceiptFiles::ServiceReceipt, settings, due);
        deliver(CREATE_BON_FILE(c, ReceiptFiles::KindService, context(), settings, receiptFolder(),
                                departmentsFromDatabase()),
                parent);
    } catch (const std::exception &e) {
        failed(e, parent);
    }
}
} // namespace ReceiptCommands
