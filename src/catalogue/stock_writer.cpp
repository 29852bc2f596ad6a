#include "catalogue/stock_writer.h"

#include "platform/db/batch_insert.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QHash>

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

long long positiveKey(long long key, const QString &what)
{
    return positiveKey(QString::number(key), what);
}

const char *const SetKol = "ON CONFLICT (Art_ID, Sklad_ID) DO UPDATE SET Kol = excluded.Kol";
} // namespace

void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, Decimal Kol, int Mode)
{
    GET_NALI4NOST(ArtID, SkladID, Kol, Mode, Db::connection());
}

void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, double Kol, int Mode)
{
    Decimal quantity;
    try {
        quantity = Decimal::fromDouble(Kol);
    } catch (const std::exception &) {
        throw DbError(QStringLiteral("Невалидно количество"));
    }
    GET_NALI4NOST(ArtID, SkladID, quantity, Mode, Db::connection());
}

void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, Decimal Kol, int Mode,
                   const QSqlDatabase &db)
{
    const long long article = positiveKey(ArtID, QStringLiteral("артикул"));
    const long long warehouse = positiveKey(SkladID, QStringLiteral("склад"));
    WriteTransaction tx(db);
    Decimal stock = Kol;
    if (Mode != 1) {
        const QVariant old = Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = ?"),
                                        {article, warehouse}, db);
        try {
            // A stored value is read by its decimal text: an old binary tail goes.
            stock = Decimal::fromVariant(old) + Kol;
        } catch (const std::exception &) {
            throw DbError(QStringLiteral("Наличността на артикул %1 в склад %2 е извън допустимия обхват.")
                              .arg(article)
                              .arg(warehouse));
        }
    }
    Db::execute(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (?, ?, ?) ")
                    + QString::fromLatin1(SetKol),
                {article, warehouse, stock.toDouble()}, db);
    tx.commit();
}

void setStockQuantities(long long warehouse, const QList<StockSetting> &settings)
{
    setStockQuantities(warehouse, settings, Db::connection());
}

void setStockQuantities(long long warehouse, const QList<StockSetting> &settings, const QSqlDatabase &db)
{
    positiveKey(warehouse, QStringLiteral("склад"));
    // One row an article: a statement that reached a row twice would be refused.
    QList<StockSetting> rows;
    QHash<long long, qsizetype> at;
    rows.reserve(settings.size());
    for (const StockSetting &s : settings) {
        positiveKey(s.article, QStringLiteral("артикул"));
        const auto seen = at.constFind(s.article);
        if (seen != at.cend()) {
            rows[*seen].quantity = s.quantity;
            continue;
        }
        at.insert(s.article, rows.size());
        rows << s;
    }
    WriteTransaction tx(db);
    Db::BatchInsert insert(db, QStringLiteral("Store_Kol"),
                           {QStringLiteral("Art_ID"), QStringLiteral("Sklad_ID"), QStringLiteral("Kol")},
                           QString::fromLatin1(SetKol));
    for (const StockSetting &s : rows)
        insert.add({s.article, warehouse, s.quantity.toDouble()});
    insert.flush();
    tx.commit();
}

bool StockQuantity::acceptable(Decimal quantity)
{
    return quantity > Decimal() && quantity.decimals() <= Decimals;
}

std::optional<Decimal> StockQuantity::parseSigned(const QString &typed, QString *error)
{
    QString why;
    const std::optional<Decimal> q = Decimal::parse(typed, Decimals, &why);
    if (!q && error)
        *error = QStringLiteral("Количество: ") + why;
    return q;
}

std::optional<Decimal> StockQuantity::parse(const QString &typed, QString *error, bool aboveZero)
{
    const std::optional<Decimal> q = parseSigned(typed, error);
    if (!q)
        return std::nullopt;
    if (aboveZero ? *q <= Decimal() : *q < Decimal()) {
        if (error)
            *error = refusal(typed, aboveZero);
        return std::nullopt;
    }
    return q;
}

QString StockQuantity::refusal(const QString &typed, bool aboveZero)
{
    return QStringLiteral("Количество: \"") + typed.trimmed()
           + (aboveZero ? QStringLiteral("\" не е число, по-голямо от 0")
                        : QStringLiteral("\" не е число, по-голямо или равно на 0"));
}

QString StockQuantity::text(Decimal quantity)
{
    return quantity.toString(Decimals);
}
