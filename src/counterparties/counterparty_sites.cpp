#include "counterparties/counterparty_sites.h"

#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "app/next_number.h"

#include <algorithm>

namespace {
QString flag(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

void requireCounterparty(long long counterparty)
{
    if (counterparty <= 0)
        throw DbError(QStringLiteral("Няма избран контрагент"));
}

void requireOneRow(int changed)
{
    if (changed != 1)
        throw DbError(QStringLiteral("Редът не е намерен в базата данни"));
}

QString removeRow(const QString &table, const QString &keyColumn, long long counterparty, long long id)
{
    WriteTransaction transaction;
    const QString user = ColumnRegistry::referencedBy(table, keyColumn, id);
    if (!user.isEmpty())
        return user;
    // Identifiers come from this file only.
    Db::execute(QStringLiteral("DELETE FROM %1 WHERE %2 = ? AND ID_Kontrag = ?").arg(table, keyColumn),
                {id, counterparty});
    transaction.commit();
    return {};
}
} // namespace

long long CounterpartySites::insertSite(long long counterparty, const Site &s)
{
    requireCounterparty(counterparty);
    return NextNumber::insert(QStringLiteral("Kontrag_Sklad"), QStringLiteral("ID_SK"), [&](long long id) {
        Db::execute(QStringLiteral("INSERT INTO Kontrag_Sklad (ID_SK, Opisanie_SK, Grad_SK, Adres_SK, Tel_SK, MOL_SK, "
                                   "EGN_MOL_SK, LK_Mol_SK, LK_Izd_Ot, ID_Kontrag) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {id, s.Opisanie_SK, s.Grad_SK, s.Adres_SK, s.Tel_SK, s.MOL_SK, s.EGN_MOL_SK, s.LK_Mol_SK,
                     s.LK_Izd_Ot, counterparty});
    });
}

void CounterpartySites::updateSite(long long counterparty, const Site &s)
{
    requireOneRow(Db::execute(
        QStringLiteral("UPDATE Kontrag_Sklad SET Opisanie_SK = ?, Grad_SK = ?, Adres_SK = ?, Tel_SK = ?, MOL_SK = ?, "
                       "EGN_MOL_SK = ?, LK_Mol_SK = ?, LK_Izd_Ot = ? WHERE ID_Kontrag = ? AND ID_SK = ?"),
        {s.Opisanie_SK, s.Grad_SK, s.Adres_SK, s.Tel_SK, s.MOL_SK, s.EGN_MOL_SK, s.LK_Mol_SK, s.LK_Izd_Ot,
         counterparty, s.id}));
}

QString CounterpartySites::removeSite(long long counterparty, long long id)
{
    return removeRow(QStringLiteral("Kontrag_Sklad"), QStringLiteral("ID_SK"), counterparty, id);
}

long long CounterpartySites::insertAccount(long long counterparty, const Account &a)
{
    requireCounterparty(counterparty);
    return NextNumber::insert(QStringLiteral("Kontrag_SM"), QStringLiteral("ID_SM"), [&](long long id) {
        Db::execute(QStringLiteral("INSERT INTO Kontrag_SM (ID_SM, Smetka, Kod, Banka, Klon, DDS, ID_Kontrag) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    {id, a.Smetka, a.Kod, a.Banka, a.Klon, flag(a.DDS), counterparty});
    });
}

void CounterpartySites::updateAccount(long long counterparty, const Account &a)
{
    requireOneRow(Db::execute(QStringLiteral("UPDATE Kontrag_SM SET Smetka = ?, Kod = ?, Banka = ?, Klon = ?, DDS = ? "
                                             "WHERE ID_Kontrag = ? AND ID_SM = ?"),
                              {a.Smetka, a.Kod, a.Banka, a.Klon, flag(a.DDS), counterparty, a.id}));
}

QString CounterpartySites::removeAccount(long long counterparty, long long id)
{
    return removeRow(QStringLiteral("Kontrag_SM"), QStringLiteral("ID_SM"), counterparty, id);
}

QStringList CounterpartySites::bankNames()
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT DISTINCT Banka FROM Kontrag_SM WHERE Banka <> ''")))
        out << r.value(0).toString();
    std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) { return a.localeAwareCompare(b) < 0; });
    return out;
}
