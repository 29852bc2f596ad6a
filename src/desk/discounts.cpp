#include "desk/discounts.h"

#include "platform/db/database.h"

namespace Discounts {
Decimal GET_TO(long long article, long long counterparty)
{
    if (counterparty == 0)
        return Decimal();
    const QString rule = QStringLiteral("SELECT T_O FROM SP_otstapka WHERE ID_Klient = ? AND ID_Art_Gr = ? AND "
                                        "Otnasq_se_za = ?");
    QVariant v = Db::scalar(rule, {counterparty, article, QStringLiteral("A")});
    if (v.isValid())
        return Decimal::fromVariant(v);
    const QVariant group = Db::scalar(QStringLiteral("SELECT Nomer_Grupa FROM Produkti WHERE ID = ?"), {article});
    if (group.isValid() && !group.isNull()) {
        v = Db::scalar(rule, {counterparty, group.toLongLong(), QStringLiteral("G")});
        if (v.isValid())
            return Decimal::fromVariant(v);
    }
    return Decimal::fromVariant(Db::scalar(QStringLiteral("SELECT T_O FROM Firmi WHERE ID = ?"), {counterparty}));
}
} // namespace Discounts
