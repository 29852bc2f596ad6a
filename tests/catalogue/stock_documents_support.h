#pragma once
#include "catalogue_test_support.h"
#include "common/decimal.h"
#include "platform/db/database.h"
#include "harness/test_support.h"

#include <QVariant>

// Warehouses, currencies, suppliers and stock of the stock-document tests.
namespace StockTest {
// A number written in a test, as the exact decimal it reads as.
inline Decimal dec(double v)
{
    return Decimal::fromDouble(v);
}

inline void addWarehouse(long long id, const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (?, ?)"), {id, name});
}

inline void addCurrency(const QString &name, double rate)
{
    Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES (?, ?, 'False')"), {name, rate});
}

inline void addSupplier(long long id, const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (?, ?, 0)"), {id, name});
}

inline long long addDocumentKind(const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Rab_Dokumenti (Opisanie) VALUES (?)"), {name});
    return Db::scalar(QStringLiteral("SELECT MAX(ID) FROM Rab_Dokumenti")).toLongLong();
}

// An article priced in BGN (the base currency of a new database).
inline void addArticle(long long id, const QString &name, double price, const QString &currency = QStringLiteral("BGN"))
{
    Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka, "
                               "Dostavna_Cena, Valuta_D, Dostav4ik) VALUES (?, 1, ?, ?, ?, 'бр.', 0, ?, 'old')"),
                {id, name, price, currency, currency});
}

inline void setStock(long long article, long long warehouse, double kol)
{
    Db::execute(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (?, ?, ?) "
                               "ON CONFLICT (Art_ID, Sklad_ID) DO UPDATE SET Kol = excluded.Kol"),
                {article, warehouse, kol});
}

inline QVariant stock(long long article, long long warehouse)
{
    return Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = ?"),
                      {article, warehouse});
}

// A statement that fails when `table` gets a row whose `column` is `value`.
inline void failInsertOf(const QString &table, const QString &column, long long value)
{
    refuseWrites(QStringLiteral("CREATE TRIGGER fail_%1 BEFORE INSERT ON %1 WHEN NEW.%2 = %3 "
                                "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                     .arg(table, column)
                     .arg(value));
}
inline void stopFailing(const QString &table)
{
    dropTrigger(QStringLiteral("fail_") + table);
}
} // namespace StockTest
