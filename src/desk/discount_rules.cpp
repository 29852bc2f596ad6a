#include "desk/discount_rules.h"

#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

namespace DiscountRules {
namespace {
QString table()
{
    return WorkTables::qualified(QString::fromLatin1(WorkTable));
}
} // namespace

void createWorkTable()
{
    WorkTables::create(QString::fromLatin1(WorkTable),
                       QStringLiteral("Por INTEGER PRIMARY KEY AUTOINCREMENT, Changed INTEGER NOT NULL, "
                                      "Opisanie TEXT, Otnasq_se_za TEXT, ID_Art_Gr INTEGER, T_O DOUBLE, "
                                      "Suma_Up DOUBLE"));
}

void dropWorkTable()
{
    WorkTables::drop(QString::fromLatin1(WorkTable));
}

QString listSql()
{
    return QStringLiteral("SELECT Por, Otnasq_se_za, ID_Art_Gr, Opisanie, T_O, Suma_Up, Changed FROM %1 "
                          "WHERE Changed <> 3 ORDER BY Por")
        .arg(table());
}

void load(long long counterparty)
{
    WriteTransaction tx;
    Db::execute(QStringLiteral("DELETE FROM %1 WHERE Changed <> 0").arg(table()));
    Db::execute(QStringLiteral("INSERT INTO %1 (Changed, Otnasq_se_za, ID_Art_Gr, Opisanie, T_O, Suma_Up) "
                               "SELECT 1, S.Otnasq_se_za, S.ID_Art_Gr, G.Opisanie, S.T_O, S.Suma_Up "
                               "FROM SP_otstapka S JOIN Grupi G ON G.ID = S.ID_Art_Gr "
                               "WHERE S.ID_Klient = ? AND S.Otnasq_se_za = 'G' "
                               "UNION ALL SELECT 1, S.Otnasq_se_za, S.ID_Art_Gr, P.Opisanie, S.T_O, S.Suma_Up "
                               "FROM SP_otstapka S JOIN Produkti P ON P.ID = S.ID_Art_Gr "
                               "WHERE S.ID_Klient = ? AND S.Otnasq_se_za = 'A'")
                    .arg(table()),
                {counterparty, counterparty});
    tx.commit();
}

bool hasUnsaved()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Changed <> 1").arg(table())).toInt() > 0;
}

void discardUnsaved()
{
    Db::execute(QStringLiteral("DELETE FROM %1").arg(table()));
}

void add(QChar kind, long long key, const QString &name, Decimal percent, Decimal purchaseOver)
{
    Db::execute(QStringLiteral("INSERT INTO %1 (Changed, Otnasq_se_za, ID_Art_Gr, Opisanie, T_O, Suma_Up) "
                               "VALUES (0, ?, ?, ?, ?, ?)")
                    .arg(table()),
                {QString(kind), key, name, percent.toVariant(), purchaseOver.toVariant()});
}

void edit(long long por, Decimal percent)
{
    Db::execute(QStringLiteral("UPDATE %1 SET T_O = ?, Changed = CASE WHEN Changed = 0 THEN 0 ELSE 2 END "
                               "WHERE Por = ?")
                    .arg(table()),
                {percent.toVariant(), por});
}

void remove(long long por)
{
    // A stored rule is remembered for deletion; a row added here just goes.
    Db::execute(QStringLiteral("DELETE FROM %1 WHERE Por = ? AND Changed = 0").arg(table()), {por});
    Db::execute(QStringLiteral("UPDATE %1 SET Changed = 3 WHERE Por = ?").arg(table()), {por});
}

void save(long long counterparty)
{
    WriteTransaction tx;
    const auto rows = Db::rows(
        QStringLiteral("SELECT Changed, Otnasq_se_za, ID_Art_Gr, T_O, Suma_Up FROM %1 ORDER BY Por").arg(table()));
    for (const QSqlRecord &r : rows) {
        const int changed = r.value(0).toInt();
        const QVariantList identity{counterparty, r.value(1), r.value(2)};
        if (changed == 0 || changed == 2)
            Db::execute(QStringLiteral("INSERT INTO SP_otstapka (ID_Klient, Otnasq_se_za, ID_Art_Gr, T_O, Suma_Up) "
                                       "VALUES (?, ?, ?, ?, ?) ON CONFLICT (ID_Klient, Otnasq_se_za, ID_Art_Gr) "
                                       "DO UPDATE SET T_O = excluded.T_O, Suma_Up = excluded.Suma_Up"),
                        identity + QVariantList{r.value(3), r.value(4)});
        else if (changed == 3)
            Db::execute(QStringLiteral("DELETE FROM SP_otstapka WHERE ID_Klient = ? AND Otnasq_se_za = ? AND "
                                       "ID_Art_Gr = ?"),
                        identity);
    }
    Db::execute(QStringLiteral("DELETE FROM %1").arg(table()));
    tx.commit();
}

QString counterpartiesSql(bool filtered)
{
    return QStringLiteral("SELECT DISTINCT F.ID, F.Ime_Firma FROM SP_otstapka S JOIN Firmi F ON F.ID = S.ID_Klient")
           + (filtered ? QStringLiteral(" WHERE UPPER(F.Ime_Firma) LIKE UPPER(?) ESCAPE '\\'") : QString())
           + QStringLiteral(" ORDER BY F.ID");
}
} // namespace DiscountRules
