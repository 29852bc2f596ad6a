#include "offers/new_order.h"

#include "common/dates.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

#include <QSqlRecord>

namespace {
const QString kTable = QStringLiteral("Zaqvki_TMP");

QString table()
{
    return WorkTables::qualified(kTable);
}

QVariantList values(const OrderList::Line &l, const char *number)
{
    return {Dates::toIso(l.date), l.article, QString::fromUtf8(number), l.description, l.quantity, l.price,
            l.currency, l.requester, l.supplier};
}
} // namespace

QString NewOrder::noRequester()
{
    return QStringLiteral("0:Няма избран Заявител");
}

QString NewOrder::noSupplier()
{
    return QStringLiteral("0:Няма избран Доставчик");
}

QString NewOrder::noArticle()
{
    return QStringLiteral("0:Няма избран артикул");
}

void NewOrder::createTable()
{
    WorkTables::create(kTable, QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT, Data TEXT, Art_ID INTEGER, "
                                              "Kat_N TEXT, Opisanie TEXT, Kol DOUBLE, Dost_Cena DOUBLE, Valuta TEXT, "
                                              "Klient_Ime TEXT, Dost_Ime TEXT"));
}

void NewOrder::dropTable()
{
    WorkTables::drop(kTable);
}

QString NewOrder::listSql()
{
    return QStringLiteral("SELECT ID, Art_ID, Kat_N, Opisanie, Kol, Dost_Cena, Valuta, Data, Klient_Ime, Dost_Ime "
                          "FROM ")
           + table() + QStringLiteral(" ORDER BY ID");
}

long long NewOrder::add(const OrderList::Line &line)
{
    const long long id = Db::insert(QStringLiteral("INSERT INTO ") + table()
                                        + QStringLiteral(" (Data, Art_ID, Kat_N, Opisanie, Kol, Dost_Cena, Valuta, "
                                                         "Klient_Ime, Dost_Ime) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                                    values(line, InsertedNumber), QStringLiteral("ID"));
    return id;
}

void NewOrder::change(long long id, const OrderList::Line &line)
{
    QVariantList params = values(line, ChangedNumber);
    params << id;
    Db::execute(QStringLiteral("UPDATE ") + table()
                    + QStringLiteral(" SET Data = ?, Art_ID = ?, Kat_N = ?, Opisanie = ?, Kol = ?, Dost_Cena = ?, "
                                     "Valuta = ?, Klient_Ime = ?, Dost_Ime = ? WHERE ID = ?"),
                params);
}

void NewOrder::remove(const QList<long long> &ids)
{
    for (long long id : ids)
        Db::execute(QStringLiteral("DELETE FROM ") + table() + QStringLiteral(" WHERE ID = ?"), {id});
}

QList<OrderList::Line> NewOrder::lines()
{
    QList<OrderList::Line> out;
    for (const QSqlRecord &r : Db::rows(listSql())) {
        OrderList::Line l;
        l.date = Dates::fromIso(r.value(QStringLiteral("Data")).toString());
        l.article = r.value(QStringLiteral("Art_ID")).toLongLong();
        l.catalogueNumber = r.value(QStringLiteral("Kat_N")).toString();
        l.description = r.value(QStringLiteral("Opisanie")).toString();
        l.quantity = r.value(QStringLiteral("Kol")).toDouble();
        l.price = r.value(QStringLiteral("Dost_Cena")).toDouble();
        l.currency = r.value(QStringLiteral("Valuta")).toString();
        l.requester = r.value(QStringLiteral("Klient_Ime")).toString();
        l.supplier = r.value(QStringLiteral("Dost_Ime")).toString();
        out << l;
    }
    return out;
}

int NewOrder::count()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table()).toInt();
}

void NewOrder::save()
{
    WriteTransaction tx;
    OrderList::append(lines()); // joins this transaction
    tx.commit();
}

bool NewOrder::isPicked(const QString &description, long long article)
{
    return GetID_MFromTreeNodeName(description) == article;
}
