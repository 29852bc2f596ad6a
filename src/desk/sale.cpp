#include "desk/sale.h"

#include "app/app_state.h"
#include "catalogue/stock_writer.h"
#include "common/dates.h"
#include "common/settings.h"
#include "desk/desk_money.h"
#include "desk/device_file_writer.h"
#include "desk/receipt_commands.h"
#include "desk/receipt_files.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QDate>
#include <QTime>

namespace Sale {
namespace {
struct StoredLine {
    BonLine bon;
    QString currency;
    QString serialFrom, serialTo;
    int terminal = 0;
    ExactSum amount;
    bool hasRate = false;
};

std::optional<StoredLine> readLine(long long n)
{
    const auto r = Db::firstRow(QStringLiteral("SELECT P.Barkod, P.Opisanie, P.Kol, P.Ed_Cena, V.Kurs, P.T_O, "
                                               "P.Dan_Grup, P.Prigotvq_Se, P.Sm_N, P.Valuta, P.Pored_Ot, P.Pored_Do, "
                                               "P.Term_N, V.Opisanie FROM Prodajbi_Vremenni P LEFT JOIN Valuti V "
                                               "ON V.Opisanie = P.Valuta WHERE P.N_Prodajba = ?"),
                                {n});
    if (!r)
        return std::nullopt;
    StoredLine l;
    l.bon.article = r->value(0).toLongLong();
    l.bon.name = r->value(1).toString();
    l.bon.quantity = Decimal::fromVariant(r->value(2));
    l.bon.price = Decimal::fromVariant(r->value(3));
    l.bon.rate = Decimal::fromVariant(r->value(4));
    l.bon.discount = Decimal::fromVariant(r->value(5));
    l.bon.vatGroup = r->value(6).toInt();
    l.bon.department = r->value(7).toInt();
    l.bon.bill = r->value(8).toLongLong();
    l.currency = r->value(9).toString();
    l.serialFrom = r->value(10).toString();
    l.serialTo = r->value(11).toString();
    l.terminal = r->value(12).toInt();
    l.hasRate = !r->value(13).isNull();
    l.amount = DeskMoney::amount(l.bon.money());
    return l;
}
} // namespace

ExactSum linesTotal(const QList<long long> &lines, QString *missingRate)
{
    ExactSum total;
    for (long long n : lines) {
        const auto l = readLine(n);
        if (!l)
            continue;
        if (!l->hasRate) {
            if (missingRate)
                *missingRate = l->currency;
            return ExactSum();
        }
        total += l->amount;
    }
    return total;
}

Result sell(const Request &q)
{
    Result result;
    if (q.lines.isEmpty()) {
        result.message = QStringLiteral("Необходимо е да изберете артикули за продажба");
        return result;
    }
    if (q.warehouse <= 0
        || !Db::scalar(QStringLiteral("SELECT 1 FROM Sklad WHERE ID_Sklad = ?"), {q.warehouse}).isValid()) {
        result.message = QStringLiteral("Няма избран активен склад. Изберете склад от \"Складове...\".");
        return result;
    }
    const int receiptMode = int(Settings::readInteger(Keys::Tuning_FB));
    const int priceDecimals = int(Settings::readInteger(Keys::Values_9));
    const BonSettings settings = BonSettings::read();
    const bool cash = q.payType == Cash;
    try {
        WriteTransaction tx;
        if (q.inTransaction)
            q.inTransaction();
        QList<StoredLine> lines;
        for (long long n : q.lines) {
            const auto l = readLine(n);
            if (!l)
                throw DbError(QStringLiteral("Ред %1 вече не е отворен (продаден или отказан на друго място).").arg(n));
            if (!l->hasRate)
                throw DbError(QStringLiteral("Няма курс за валутата \"%1\".").arg(l->currency));
            if (l->bon.discount > DeskMoney::MaxDiscount)
                throw DbError(QStringLiteral("Отстъпката на \"%1\" е %2 %: над 100 % не се продава.")
                                  .arg(l->bon.name, l->bon.discount.toString()));
            lines << *l;
            result.total += l->amount;
        }
        BonCollector receipt;
        for (int i = 0; i < lines.size(); ++i) {
            const StoredLine &l = lines.at(i);
            const long long n = q.lines.at(i);
            if (Db::execute(QStringLiteral("DELETE FROM Prodajbi_Vremenni WHERE N_Prodajba = ? AND Operator = ?"),
                            {n, q.op})
                != 1)
                throw DbError(QStringLiteral("Ред %1 вече не е отворен (продаден или отказан на друго място).").arg(n));
            Db::execute(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, "
                                       "Kol, ED_Cena, Valuta, ID_Klient, T_O, Konsign_N, Pored_Ot, Pored_Do, "
                                       "Type_Pay, Term_N, Sklad_ID) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                       "?, ?, ?)"),
                        {n, l.bon.article, q.op, Dates::toIso(QDate::currentDate()),
                         QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), l.bon.quantity.toVariant(),
                         l.bon.price.toVariant(), l.currency, q.counterparty, l.bon.discount.toVariant(), q.contract,
                         l.serialFrom, l.serialTo,
                         payTypes().value(q.payType), l.terminal, q.warehouse});
            GET_NALI4NOST(QString::number(l.bon.article), QString::number(q.warehouse), -l.bon.quantity.toDouble(), 0);
            // Cash collects the receipt; every payment collects the department tickets.
            ReceiptFiles::PREPARE_BON_FILE(receipt, l.bon, cash ? receiptMode : ReceiptFiles::NoReceipt, settings);
            result.sold << n;
        }
        // The service receipt's total is the amount due in stotinki.
        receipt.receiptTotal = DeskMoney::payable(result.total, priceDecimals);
        const BonContext ctx{q.terminal, q.op};
        QList<DeviceFile> files;
        if (cash && receiptMode == ReceiptFiles::ServiceReceipt) {
            files = ReceiptFiles::CREATE_BON_FILE(receipt, ReceiptFiles::KindService, ctx, settings, Settings::receiptFolder(),
                                    departmentsFromDatabase());
        } else if (cash && receiptMode == ReceiptFiles::FiscalReceipt) {
            ReceiptFiles::addCorrectionRecord(receipt, priceDecimals);
            files = ReceiptFiles::CREATE_BON_FILE(receipt, ReceiptFiles::KindFiscal, ctx, settings, Settings::receiptFolder(),
                                    departmentsFromDatabase());
        } else {
            files = ReceiptFiles::tickets(receipt, true, ctx, departmentsFromDatabase());
        }
        if (!files.isEmpty())
            PendingFiles::queue(files);
        tx.commit();
    } catch (const DbError &e) {
        result.sold.clear();
        // Never "not sold" of a sale that may be saved: selling it again would sell it twice.
        result.message = e.outcomeUnknown() ? e.message() : QStringLiteral("Продажбата не беше извършена:\n") + e.message();
        return result;
    } catch (const std::exception &e) {
        result.sold.clear();
        result.message = QStringLiteral("Продажбата не беше извършена:\n") + QString::fromUtf8(e.what());
        return result;
    }
    result.ok = true;
    return result;
}

void cancelLines(const QList<long long> &lines, const QString &op)
{
    WriteTransaction tx;
    for (long long n : lines) {
        Db::execute(QStringLiteral("DELETE FROM Prodajbi_Vremenni WHERE N_Prodajba = ? AND Operator = ?"), {n, op});
        Db::execute(QStringLiteral("DELETE FROM Printed_Dok WHERE ID_Prod = ? AND Ot_Kade_Prod = 1"), {n});
    }
    tx.commit();
}

bool belowMinimum(long long article, long long warehouse, Decimal quantity)
{
    const auto a = Db::firstRow(QStringLiteral("SELECT Min_Kol FROM Produkti WHERE ID = ?"), {article});
    if (!a)
        return false;
    const Decimal stock = Decimal::fromVariant(
        Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = ?"), {article, warehouse}));
    if (stock - quantity > Decimal::fromVariant(a->value(0)))
        return false;
    return !Db::scalar(QStringLiteral("SELECT 1 FROM Zaqvki_All WHERE Art_ID = ?"), {article}).isValid();
}

bool addToOrderList(long long article, const QString &currency)
{
    WriteTransaction tx;
    if (Db::scalar(QStringLiteral("SELECT 1 FROM Zaqvki_All WHERE Art_ID = ?"), {article}).isValid())
        return false;
    const QString name = Db::scalar(QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = ?"), {article}).toString();
    Db::execute(QStringLiteral("INSERT INTO Zaqvki_All (Data, Art_ID, Kat_N, Opisanie, Kol, Dost_Cena, Valuta, "
                               "Klient_Ime, Dost_Ime) VALUES (?, ?, ?, ?, 1, 0, ?, ?, ?)"),
                {Dates::toIso(QDate::currentDate()), article, QString::number(article), name, currency,
                 QStringLiteral("0:Няма избран клиент"), QStringLiteral("0:Няма избран доставчик")});
    tx.commit();
    return true;
}
} // namespace Sale
