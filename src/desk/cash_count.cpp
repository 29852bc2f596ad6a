#include "desk/cash_count.h"

#include "common/dates.h"
#include "common/money.h"
#include "platform/db/database.h"

#include <QDateTime>

namespace CashCount {
const QList<double> &denominations()
{
    static const QList<double> d{0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100};
    return d;
}

double turnover(const QDate &day)
{
    return Db::scalar(QStringLiteral("SELECT SUM(P.Kol * P.ED_Cena * COALESCE(V.Kurs, 1) - P.Kol * P.ED_Cena * "
                                     "COALESCE(V.Kurs, 1) * P.T_O / 100) FROM Prodajbi P LEFT JOIN Valuti V ON "
                                     "V.Opisanie = P.Valuta WHERE P.D_Prodajba = ? AND P.Type_Pay = ?"),
                      {Dates::toIso(day), QStringLiteral("в брой")})
        .toDouble();
}

double counted(const QList<long long> &counts)
{
    // In stotinki, so 0.1 + 0.2 adds up exactly.
    long long stotinki = 0;
    for (int i = 0; i < counts.size() && i < Denominations; ++i)
        stotinki += counts.at(i) * std::llround(denominations().at(i) * 100);
    return double(stotinki) / 100;
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
