#include "catalogue/stock_taking.h"

#include "app/next_number.h"
#include "catalogue/stock_writer.h"
#include "common/dates.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

#include <QSqlRecord>

namespace {
QString table()
{
    return WorkTables::qualified(QString::fromLatin1(StockTaking::WorkTable));
}
} // namespace

void StockTaking::prepare()
{
    // Not WorkTables::create: that empties the table, and an unfinished count must survive.
    WorkTables::ensure(QString::fromLatin1(StockTaking::WorkTable),
                       QStringLiteral("N INTEGER PRIMARY KEY AUTOINCREMENT, Sklad_ID INTEGER NOT NULL, "
                                      "Art_ID INTEGER NOT NULL, Opisanie TEXT, Nal_Kol DOUBLE, Otkr_Kol DOUBLE, "
                                      "Mqrka TEXT, Ed_Cena DOUBLE, Valuta TEXT"),
                       Db::connection());
}

int StockTaking::lineCount()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table())).toInt();
}

long long StockTaking::pendingWarehouse()
{
    return Db::scalar(QStringLiteral("SELECT Sklad_ID FROM %1 ORDER BY N LIMIT 1").arg(table())).toLongLong();
}

double StockTaking::stock(long long article, long long warehouse)
{
    return Db::scalar(QStringLiteral("SELECT SUM(Kol) FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = ?"),
                      {article, warehouse})
        .toDouble();
}

double StockTaking::heldFor(long long article, long long warehouse)
{
    const QVariant earlier =
        Db::scalar(QStringLiteral("SELECT Nal_Kol FROM %1 WHERE Art_ID = ? ORDER BY N LIMIT 1").arg(table()),
                   {article});
    return earlier.isValid() ? earlier.toDouble() : stock(article, warehouse);
}

long long StockTaking::addLine(long long article, double counted, long long warehouse)
{
    const auto row = Db::firstRow(QStringLiteral("SELECT Opisanie, Mqrka, Ed_Cena, Valuta_P FROM Produkti WHERE ID = ?"),
                                  {article});
    if (!row)
        return 0;
    WriteTransaction tx;
    Db::execute(QStringLiteral("INSERT INTO %1 (Sklad_ID, Art_ID, Opisanie, Nal_Kol, Otkr_Kol, Mqrka, Ed_Cena, Valuta) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
                    .arg(table()),
                {warehouse, article, row->value(0), heldFor(article, warehouse), counted, row->value(1),
                 row->value(2), row->value(3)});
    const long long n = Db::scalar(QStringLiteral("SELECT MAX(N) FROM %1").arg(table())).toLongLong();
    tx.commit();
    return n;
}

bool StockTaking::setCounted(long long n, double counted)
{
    return Db::execute(QStringLiteral("UPDATE %1 SET Otkr_Kol = ? WHERE N = ?").arg(table()), {counted, n}) > 0;
}

bool StockTaking::removeLine(long long n)
{
    return Db::execute(QStringLiteral("DELETE FROM %1 WHERE N = ?").arg(table()), {n}) > 0;
}

void StockTaking::clear()
{
    Db::execute(QStringLiteral("DELETE FROM %1").arg(table()));
}

QString StockTaking::linesSql(QVariantList *params)
{
    params->clear();
    return QStringLiteral("SELECT t.N, t.Art_ID, t.Opisanie AS Art_Opis, "
                          "(SELECT SUM(s.Otkr_Kol) FROM %1 s WHERE s.Art_ID = t.Art_ID) - t.Nal_Kol AS Difrents, "
                          "t.Nal_Kol, t.Otkr_Kol, t.Mqrka, t.Ed_Cena, t.Valuta, "
                          "t.Nal_Kol * t.Ed_Cena * v.Kurs AS Nal_Sum, t.Otkr_Kol * t.Ed_Cena * v.Kurs AS Otkr_Sum, "
                          "v.Kurs, t.Sklad_ID FROM %1 t LEFT JOIN Valuti v ON v.Opisanie = t.Valuta ORDER BY t.N")
        .arg(table());
}

StockTaking::Totals StockTaking::totals()
{
    Totals t;
    t.found = Db::scalar(QStringLiteral("SELECT SUM(t.Otkr_Kol * t.Ed_Cena * v.Kurs) FROM %1 t "
                                        "JOIN Valuti v ON v.Opisanie = t.Valuta")
                             .arg(table()))
                  .toDouble();
    // The held quantity once per article: that of its first line.
    t.held = Db::scalar(QStringLiteral("SELECT SUM(t.Nal_Kol * t.Ed_Cena * v.Kurs) FROM %1 t "
                                       "JOIN Valuti v ON v.Opisanie = t.Valuta "
                                       "WHERE t.N = (SELECT MIN(f.N) FROM %1 f WHERE f.Art_ID = t.Art_ID)")
                            .arg(table()))
                 .toDouble();
    return t;
}

long long StockTaking::save(const Head &head, QString *refusal)
{
    WriteTransaction tx;
    if (head.warehouse <= 0
        || !Db::firstRow(QStringLiteral("SELECT ID_Sklad FROM Sklad WHERE ID_Sklad = ?"), {head.warehouse})) {
        if (refusal)
            *refusal = QString::fromUtf8(NoWarehouse);
        return 0;
    }
    // One row per article: the held quantity and the other values of its
    // first line, the counted quantity summed over its lines.
    const QList<QSqlRecord> articles =
        Db::rows(QStringLiteral("SELECT t.Art_ID, t.Nal_Kol, (SELECT SUM(s.Otkr_Kol) FROM %1 s WHERE s.Art_ID = t.Art_ID), "
                                "t.Mqrka, t.Ed_Cena, t.Valuta FROM %1 t "
                                "WHERE t.N = (SELECT MIN(f.N) FROM %1 f WHERE f.Art_ID = t.Art_ID) ORDER BY t.N")
                     .arg(table()));
    if (articles.isEmpty()) {
        if (refusal)
            *refusal = QStringLiteral("Няма въведени артикули.");
        return 0;
    }
    const long long id = NextNumber::next(QStringLiteral("Revision"), QStringLiteral("ID"));
    Db::execute(QStringLiteral("INSERT INTO Revision (ID, Date_Rev, Time_Rev, Osnovanie, Sklad_ID) VALUES (?, ?, ?, ?, ?)"),
                {id, Dates::toIso(head.date), Dates::timeText(head.time), head.reason, head.warehouse});
    const QString warehouse = QString::number(head.warehouse);
    for (const QSqlRecord &a : articles) {
        Db::execute(QStringLiteral("INSERT INTO Revision_Art (ID_Rev, Art_ID, Nal_Kol, Otkr_Kol, Mqrka, Ed_Cena, Valuta) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    {id, a.value(0), a.value(1), a.value(2), a.value(3), a.value(4), a.value(5)});
        GET_NALI4NOST(a.value(0).toString(), warehouse, a.value(2).toDouble(), 1);
    }
    clear();
    tx.commit();
    return id;
}
