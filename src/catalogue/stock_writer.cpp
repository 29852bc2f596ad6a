#include "catalogue/stock_writer.h"

#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <cmath>

namespace {
long long positiveKey(const QString &text, const QString &what)
{
    bool ok = false;
    const long long key = text.trimmed().toLongLong(&ok);
    if (!ok || key <= 0)
        throw DbError(QStringLiteral("Невалиден номер на ") + what + QStringLiteral(": \"") + text
                      + QStringLiteral("\""));
    return key;
}
} // namespace

void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, double Kol, int Mode)
{
    GET_NALI4NOST(ArtID, SkladID, Kol, Mode, Db::connection());
}

void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, double Kol, int Mode,
                   const QSqlDatabase &db)
{
    const long long article = positiveKey(ArtID, QStringLiteral("артикул"));
    const long long warehouse = positiveKey(SkladID, QStringLiteral("склад"));
    if (!std::isfinite(Kol))
        throw DbError(QStringLiteral("Невалидно количество"));
    WriteTransaction tx(db);
    Db::execute(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (?, ?, ?) "
                               "ON CONFLICT (Art_ID, Sklad_ID) DO UPDATE SET Kol = "
                               "CASE WHEN ? = 1 THEN excluded.Kol ELSE Store_Kol.Kol + excluded.Kol END"),
                {article, warehouse, Kol, Mode}, db);
    tx.commit();
}

bool StockQuantity::acceptable(double quantity)
{
    return std::isfinite(quantity) && quantity > 0;
}

QString StockQuantity::refusal(const QString &typed)
{
    return QStringLiteral("Количество: \"") + typed.trimmed() + QStringLiteral("\" не е число, по-голямо от 0");
}
