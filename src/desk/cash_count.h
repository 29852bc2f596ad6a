#pragma once
#include "common/decimal.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// The cash count of the shop desk: today's turnover and the money counted
// in the drawer by denomination.
namespace CashCount {
inline constexpr int Denominations = 13;
// 0.01 ... 0.50 leva in coins, 1 ... 100 leva in notes.
const QList<Decimal> &denominations();
// The cash sales ("в брой") of the day, of every terminal and operator, each
// at its currency's rate (1 when the currency has none), less its discount;
// the exact sum. Throws DbError.
ExactSum turnover(const QDate &day);
// The sum of count x denomination.
Decimal counted(const QList<long long> &counts);
// The lines of the cash report (Account.tmp).
QStringList accountLines(const QString &turnoverText, const QString &cashText, const QString &operatorCaption,
                         const QStringList &countTexts, const QList<long long> &counts);
} // namespace CashCount
