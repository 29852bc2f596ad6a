#include "repair/reception.h"

#include "common/money.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QStringList>

namespace {
QString isoDate(const QDate &d)
{
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

// The columns an intake copies from its pending line, in this order.
const char *const Copied =
    "N_Prodajba, Barkod, S_N, Opisanie, Pri4ina, Gar, Gar_Dok_N, Data_Gar_Dok, ID_Kontrag, Data_Priem, Time_Priem, "
    "Operator, Pred_Cena_Remont, Valuta, ID_Dostav4ik, Model, Partida, Krai_Data";
} // namespace

namespace Reception {

ListQuery pending(const QString &operatorName)
{
    return {QStringLiteral("SELECT N_Prodajba, Barkod, S_N, Opisanie, Pri4ina, Pred_Cena_Remont, Valuta, Krai_Data, "
                           "Operator, ID_Kontrag FROM Priem_Ser_Vremen WHERE Operator = ? ORDER BY N_Prodajba"),
            {operatorName}};
}

bool parsePrice(const QString &typed, int decimals, double *price)
{
    double v = 0;
    if (!Numbers::parse(typed, &v))
        return false;
    *price = Money::round(v, decimals);
    return true;
}

QString joinReason(const QString &memoText)
{
    QString joined = memoText;
    joined.remove(QLatin1Char('\r'));
    joined.remove(QLatin1Char('\n'));
    return joined.left(255);
}

long long add(const Line &l)
{
    WriteTransaction t;
    const long long number = Db::insert(QStringLiteral("INSERT INTO Priem_Ser_Vremen (Barkod, S_N, Opisanie, Pri4ina, Gar, Gar_Dok_N, "
                               "Data_Gar_Dok, ID_Kontrag, Data_Priem, Time_Priem, Operator, Pred_Cena_Remont, Valuta, "
                               "ID_Dostav4ik, Model, Partida, Krai_Data) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                               "?, ?, ?, ?, ?)"),
                {l.article, l.serial, l.description, l.reason,
                 l.warranty ? QStringLiteral("True") : QStringLiteral("False"), l.warrantyDocument,
                 isoDate(l.warrantyDocumentDate), l.client, isoDate(l.taken),
                 l.takenAt.isValid() ? l.takenAt.toString(QStringLiteral("HH:mm:ss")) : QString(), l.operatorName,
                 l.price, l.currency, l.supplier, l.model, l.batch, isoDate(l.repairBy)},
                QStringLiteral("N_Prodajba"));
    t.commit();
    return number;
}

QString accept(const QList<long long> &lines, const QString &operatorName)
{
    try {
        WriteTransaction t;
        for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
            const int copied = Db::execute(QStringLiteral("INSERT INTO Priem_Ser (%1, Status) SELECT %1, ? FROM "
                                                          "Priem_Ser_Vremen WHERE N_Prodajba = ? AND Operator = ?")
                                               .arg(QString::fromLatin1(Copied)),
                                           {FirstState, *it, operatorName});
            const int removed = Db::execute(
                QStringLiteral("DELETE FROM Priem_Ser_Vremen WHERE N_Prodajba = ? AND Operator = ?"),
                {*it, operatorName});
            if (copied != 1 || removed != 1)
                return QStringLiteral("Ред %1 вече не е в списъка (приет или отказан междувременно).\n"
                                      "Нищо не беше прието.")
                    .arg(*it); // the guard rolls back
        }
        t.commit();
    } catch (const DbError &e) {
        return QStringLiteral("Приемането не беше извършено:\n") + e.message();
    }
    return {};
}

void cancel(const QList<long long> &lines, const QString &operatorName)
{
    WriteTransaction t;
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        Db::execute(QStringLiteral("DELETE FROM Priem_Ser_Vremen WHERE N_Prodajba = ? AND Operator = ?"),
                    {*it, operatorName});
        Db::execute(QStringLiteral("DELETE FROM Printed_Dok WHERE ID_Prod = ? AND Ot_Kade_Prod = ?"),
                    {*it, ServiceOrigin});
    }
    t.commit();
}

QList<long long> clientsOf(const QList<long long> &lines, const QString &operatorName)
{
    QList<long long> clients;
    for (long long line : lines) {
        const QVariant c = Db::scalar(
            QStringLiteral("SELECT ID_Kontrag FROM Priem_Ser_Vremen WHERE N_Prodajba = ? AND Operator = ?"),
            {line, operatorName});
        if (c.isValid() && !clients.contains(c.toLongLong()))
            clients.append(c.toLongLong());
    }
    return clients;
}

QString loggedLinesSql()
{
    static const char *const Sources[][3] = {
        {"Priem_Ser_Vremen", "N_Prodajba", "0"}, {"Priem_Ser", "N_Prodajba", "1"}, {"R_Priem", "N_Priem", "2"}};
    QStringList parts;
    for (const auto &s : Sources)
        parts << QStringLiteral("SELECT %2 AS ID_Prodajba, Barkod AS ID_Art, Opisanie, 1 AS Kol, Pred_Cena_Remont AS "
                                "ED_Cena, Valuta, 0 AS T_O, S_N AS Pored_Ot, '' AS Pored_Do, %3 AS Stage FROM %1")
                     .arg(QString::fromLatin1(s[0]), QString::fromLatin1(s[1]), QString::fromLatin1(s[2]));
    return parts.join(QStringLiteral(" UNION ALL "));
}

std::optional<LoggedLine> loggedLine(long long number)
{
    const std::optional<QSqlRecord> r = Db::firstRow(
        QStringLiteral("SELECT ID_Art, Opisanie, Kol, ED_Cena, Valuta, Pored_Ot FROM (") + loggedLinesSql()
            + QStringLiteral(") AS l WHERE ID_Prodajba = ? ORDER BY Stage"),
        {number});
    if (!r)
        return std::nullopt;
    LoggedLine l;
    l.number = number;
    l.article = r->value(0).isNull() ? -1 : r->value(0).toLongLong();
    l.description = r->value(1).toString();
    l.quantity = r->value(2).toDouble();
    l.price = r->value(3).toDouble();
    l.currency = r->value(4).toString();
    l.serial = r->value(5).toString();
    return l;
}

} // namespace Reception
