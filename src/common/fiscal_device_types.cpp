#include "common/fiscal_device_types.h"

#include "common/reference_text.h"

QStringList FiscalDeviceTypes::all()
{
    return {
        QStringLiteral("0: НЕ РАЗПЕЧАТВА"),
        QStringLiteral("1: ЕЛТРЕЙД - Фискален принтер"),
        QStringLiteral("2: ЕЛТРЕЙД - Касов апарат"),
        QStringLiteral("3: ДАТЕКС - Касов апарат MP5000"),
        QStringLiteral("4: ДАТЕКС - Касов апарат MP500"),
        QStringLiteral("5: ДАТЕКС - Касов апарат MP500 TR"),
        QStringLiteral("6: ДАТЕКС - Касов апарат MP50"),
        QStringLiteral("7: ДАТЕКС - Касов апарат MP55"),
        QStringLiteral("8: ДАТЕКС - Касов апарат MP55 M"),
        QStringLiteral("9: ДАТЕКС - Касов апарат MP55 L"),
        QStringLiteral("10: ДАТЕКС - Касов апарат MP50 LD"),
        QStringLiteral("11: ДАТЕКС - Касов апарат DP50"),
        QStringLiteral("12: ДАТЕКС - Касов апарат DP50 D"),
        QStringLiteral("13: ДАТЕКС - Касов апарат Samsung ER250 F"),
        QStringLiteral("14: ДАТЕКС - Фискален принтер FP 3530"),
        QStringLiteral("15: ДАТЕКС - Фискален принтер FP 300"),
        QStringLiteral("16: ДАТЕКС - Фискален принтер FP 1000"),
        QStringLiteral("17: ДАТЕКС - Фискален принтер FP 550F"),
        QStringLiteral("18: ДАТЕКС - Фискален принтер FP 550F - 40"),
    };
}

int FiscalDeviceTypes::number(const QString &text)
{
    const int n = GetID_MFromTreeNodeName(text);
    return n >= 0 && n < all().size() ? n : -1;
}

int FiscalDeviceTypes::itemFor(const QString &text)
{
    const QStringList items = all();
    const int exact = items.indexOf(text);
    if (exact >= 0)
        return exact;
    const int n = number(text);
    return n >= 0 ? n : 0;
}
