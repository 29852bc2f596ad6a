#include "desk/cash_count.h"

#include "common/dates.h"
#include "common/money.h"
#include "desk/desk_money.h"
#include "platform/db/database.h"

#include <QDateTime>

namespace CashCount {
const QList<Decimal> &denominations()
{
    static const QList<Decimal> d{Decimal::fromParts(1, 2),  Decimal::fromParts(2, 2),  Decimal::fromParts(5, 2),
                                  Decimal::fromParts(10, 2), Decimal::fromParts(20, 2), Decimal::fromParts(50, 2),
                                  Decimal(1),  Decimal(2),   Decimal(5),  Decimal(10), Decimal(20), Decimal(50),
                                  Decimal(100)};
    return d;
}

ExactSum turnover(const QDate &day)
{
    ExactSum sum;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT P.Kol, P.ED_Cena, COALESCE(V.Kurs, 1), P.T_O FROM Prodajbi P LEFT JOIN "
                                 "Valuti V ON V.Opisanie = P.Valuta WHERE P.D_Prodajba = ? AND P.Type_Pay = ?"),
                  {Dates::toIso(day), QStringLiteral("в брой")}))
        sum += DeskMoney::amount({Decimal::fromVariant(r.value(0)), Decimal::fromVariant(r.value(1)),
                                  Decimal::fromVariant(r.value(2)), Decimal::fromVariant(r.value(3))});
    return sum;
}

Decimal counted(const QList<long long> &counts)
{
    Decimal sum;
    for (int i = 0; i < counts.size() && i < Denominations; ++i)
        sum += Decimal(counts.at(i)) * denominations().at(i);
    return sum;
}

QStringList accountLines(const QString &turnoverText, const QString &cashText, const QString &operatorCaption,
                         const QStringList &countTexts, const QList<long long> &counts)
{
    static const char *const factors[Denominations] = {" x 0.01  = ", " x 0.02  = ", " x 0.05  = ", " x 0.10  = ",
                                                        " x 0.20  = ", " x 0.50  = ", " x 1.00  = ", " x 2.00  = ",
                                                        " x 5.00  = ", " x 10.00  = ", " x 20.00  = ",
                                                        " x 50.00  = ", " x 100.00  = "};
    QStringList out{QStringLiteral("ОТЧЕТ - КАСА"),
                    QStringLiteral("ЗА ДАТА: ") + Dates::todayShort() + QLatin1Char(' ') + Dates::nowTimeText(),
                    QStringLiteral("СУМА ОБОРОТ: ") + turnoverText + QStringLiteral(" Лева"),
                    QStringLiteral("НАЛИЧНОСТ: ") + cashText + QStringLiteral(" Лева"), operatorCaption, QString(),
                    QStringLiteral("ВАЛУТЕН ОПИС"), QStringLiteral("-------------------------")};
    for (int i = 0; i < Denominations; ++i) {
        const long long n = counts.value(i);
        out << countTexts.value(i) + QString::fromUtf8(factors[i])
                   + Money::format42(counted(QList<long long>(i, 0) << n));
    }
    out << QStringLiteral("ОБЩО: ") + Money::format42(counted(counts));
    return out;
}
} // namespace CashCount
