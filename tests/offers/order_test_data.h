#pragma once
#include "platform/db/database.h"
#include "platform/script.h"

#include <QDate>
#include <QString>

// Rows of the order list written straight into the table, as the desk, the
// offers and the new order leave them.
struct OrderRow {
    QDate date;
    long long article = 0;
    QString description;
    double quantity = 1;
    double price = 0;
    QString katN = QStringLiteral("Ном.N");
    QString requester = QStringLiteral("0:Няма избран клиент");
    QString supplier = QStringLiteral("0:Няма избран доставчик");
};

inline long long addOrderRow(const OrderRow &r)
{
    QSqlQuery q = Db::exec(QStringLiteral("INSERT INTO Zaqvki_All (Data, Art_ID, Kat_N, Opisanie, Kol, Dost_Cena, "
                                          "Valuta, Klient_Ime, Dost_Ime) VALUES (?, ?, ?, ?, ?, ?, 'лв.', ?, ?)"),
                           {r.date.toString(Qt::ISODate), r.article, r.katN, r.description, r.quantity, r.price,
                            r.requester, r.supplier});
    const long long id = q.lastInsertId().toLongLong();
    q.finish();
    return id;
}

inline int orderRowCount()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Zaqvki_All")).toInt();
}

// The text of the last message box, empty when none was shown.
inline QString lastMessage()
{
    const QStringList m = PlatformScript::texts(QStringLiteral("message"));
    return m.isEmpty() ? QString() : m.last();
}
