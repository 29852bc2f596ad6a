#include "catalogue/stock_transfer.h"

#include "catalogue/stock_writer.h"
#include "common/money.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

#include <QSqlRecord>

StockMoveList::StockMoveList(Kind kind)
    : m_kind(kind)
{
}

QString StockMoveList::table() const
{
    return WorkTables::qualified(m_kind == Transfer ? QStringLiteral("Transfer_TMP") : QStringLiteral("Brak_TMP"));
}

void StockMoveList::create()
{
    WorkTables::create(m_kind == Transfer ? QStringLiteral("Transfer_TMP") : QStringLiteral("Brak_TMP"),
                       QStringLiteral("N INTEGER PRIMARY KEY AUTOINCREMENT, Art_ID INTEGER NOT NULL, Opisanie TEXT, "
                                      "Kol DOUBLE, Sklad_Ot INTEGER, Sklad_Do INTEGER, Mqrka TEXT, Ed_Cena DOUBLE, "
                                      "Valuta TEXT"));
}

void StockMoveList::drop()
{
    WorkTables::drop(m_kind == Transfer ? QStringLiteral("Transfer_TMP") : QStringLiteral("Brak_TMP"));
}

long long StockMoveList::addLine(long long article, Decimal quantity, long long from, long long to, QString *refusal)
{
    auto refuse = [refusal](const QString &text) {
        if (refusal)
            *refusal = text;
        return 0LL;
    };
    if (refusal)
        refusal->clear();
    if (!StockQuantity::acceptable(quantity)) {
        QString why;
        StockQuantity::parse(quantity.toString(), &why);
        return refuse(why);
    }
    if (m_kind == WriteOff)
        to = 0;
    const auto row = Db::firstRow(QStringLiteral("SELECT Opisanie, Mqrka, Ed_Cena, Valuta_P FROM Produkti WHERE ID = ?"),
                                  {article});
    if (!row)
        return 0;
    WriteTransaction tx;
    // What is booked and what the list prints must name the same warehouses.
    if (Db::firstRow(QStringLiteral("SELECT N FROM %1 WHERE Sklad_Ot <> ? OR COALESCE(Sklad_Do, 0) <> ?").arg(table()),
                     {from, to}))
        return refuse(QString::fromUtf8(OtherWarehouses));
    Db::execute(QStringLiteral("INSERT INTO %1 (Art_ID, Opisanie, Kol, Sklad_Ot, Sklad_Do, Mqrka, Ed_Cena, Valuta) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
                    .arg(table()),
                {article, row->value(0), quantity.toDouble(), from, m_kind == Transfer ? QVariant(to) : QVariant(),
                 row->value(1), row->value(2), row->value(3)});
    const long long n = Db::scalar(QStringLiteral("SELECT MAX(N) FROM %1").arg(table())).toLongLong();
    tx.commit();
    return n;
}

bool StockMoveList::setQuantity(long long n, Decimal quantity)
{
    if (!StockQuantity::acceptable(quantity))
        return false;
    return Db::execute(QStringLiteral("UPDATE %1 SET Kol = ? WHERE N = ?").arg(table()), {quantity.toDouble(), n}) > 0;
}

bool StockMoveList::removeLine(long long n)
{
    return Db::execute(QStringLiteral("DELETE FROM %1 WHERE N = ?").arg(table()), {n}) > 0;
}

int StockMoveList::lineCount() const
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table())).toInt();
}

Decimal StockMoveList::stock(long long article, long long warehouse)
{
    // Summed here, exactly: a sum in SQL would carry a binary tail.
    Decimal sum;
    for (const QSqlRecord &r :
         warehouse > 0 ? Db::rows(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = ?"),
                                  {article, warehouse})
                       : Db::rows(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ?"), {article}))
        sum += Decimal::fromVariant(r.value(0));
    return sum;
}

QString StockMoveList::linesSql(QVariantList *params) const
{
    params->clear();
    return QStringLiteral("SELECT t.N, t.Art_ID, t.Opisanie, t.Kol, t.Mqrka, t.Ed_Cena, t.Valuta, "
                          "t.Kol * t.Ed_Cena * v.Kurs AS Sum_Row, v.Kurs, t.Sklad_Ot, t.Sklad_Do "
                          "FROM %1 t LEFT JOIN Valuti v ON v.Opisanie = t.Valuta ORDER BY t.N")
        .arg(table());
}

ExactSum StockMoveList::total() const
{
    ExactSum sum;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT t.Kol, t.Ed_Cena, v.Kurs FROM %1 t "
                                                       "JOIN Valuti v ON v.Opisanie = t.Valuta")
                                            .arg(table())))
        sum += ExactSum::product(
            {Decimal::fromVariant(r.value(0)), Decimal::fromVariant(r.value(1)), Decimal::fromVariant(r.value(2))});
    return sum;
}

bool StockMoveList::save(QString *refusal)
{
    auto refuse = [refusal](const char *text) {
        if (refusal)
            *refusal = QString::fromUtf8(text);
        return false;
    };
    WriteTransaction tx;
    const QList<QSqlRecord> lines =
        Db::rows(QStringLiteral("SELECT Art_ID, Kol, Sklad_Ot, Sklad_Do FROM %1 ORDER BY N").arg(table()));
    if (lines.isEmpty())
        return refuse(EmptyList);
    if (m_kind == Transfer)
        for (const QSqlRecord &l : lines)
            if (l.value(2).toLongLong() == l.value(3).toLongLong())
                return refuse(SameWarehouse);
    for (const QSqlRecord &l : lines) {
        const QString article = l.value(0).toString();
        const Decimal quantity = Decimal::fromVariant(l.value(1));
        GET_NALI4NOST(article, l.value(2).toString(), -quantity, 0);
        if (m_kind == Transfer)
            GET_NALI4NOST(article, l.value(3).toString(), quantity, 0);
    }
    Db::execute(QStringLiteral("DELETE FROM %1").arg(table()));
    tx.commit();
    return true;
}
