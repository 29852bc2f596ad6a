#include "offers/order_list.h"

#include "common/dates.h"
#include "common/money.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

namespace {
using OrderList::Kind;

const QList<OrderList::Column> kColumns = {
    {"Data", "Дата", 0, Kind::Date},
    {"Art_ID", "Арт. N", 68, Kind::Number},
    {"Kat_N", "Ном. N", 81, Kind::Text},
    {"Opisanie", "Описание", 200, Kind::Text},
    {"Kol", "Кол.", 40, Kind::Number},
    {"Dost_Cena", "Дост.цена", 0, Kind::Number},
    {"Valuta", "Валута", 0, Kind::Text},
    {"Klient_Ime", "Заявител", 120, Kind::Text},
    {"Dost_Ime", "Доставчик", 150, Kind::Text},
    {"Grupa", "Група", 100, Kind::None},
};

QString selectAll()
{
    QStringList fields;
    for (const OrderList::Column &c : kColumns)
        if (c.kind != Kind::None)
            fields << c.qualified();
    fields << QStringLiteral("Grupi.Opisanie AS Grupa") << QStringLiteral("Zaqvki_All.ID");
    return QStringLiteral("SELECT ") + fields.join(QStringLiteral(", "))
           + QStringLiteral(" FROM Zaqvki_All LEFT JOIN Produkti ON Zaqvki_All.Art_ID = Produkti.ID"
                            " LEFT JOIN Grupi ON Produkti.Nomer_Grupa = Grupi.ID");
}
} // namespace

QString OrderList::Column::qualified() const
{
    if (kind == Kind::None)
        return QStringLiteral("Grupi.Opisanie");
    return QStringLiteral("Zaqvki_All.") + QString::fromLatin1(field);
}

const QList<OrderList::Column> &OrderList::columns()
{
    return kColumns;
}

OrderList::ListQuery OrderList::all()
{
    return {selectAll(), {}};
}

QStringList OrderList::comparisonTitles()
{
    return {QStringLiteral("равно"), QStringLiteral("по - малко"), QStringLiteral("по - голямо"),
            QStringLiteral("между")};
}

std::optional<OrderList::ListQuery> OrderList::search(int column, const QString &comparison, const QString &from,
                                                      const QString &to, const QDate &fromDate, const QDate &toDate)
{
    if (column < 0 || column >= kColumns.size())
        return std::nullopt;
    const Column &c = kColumns.at(column);
    const QString col = c.qualified();
    QString condition;
    QVariantList params;
    switch (c.kind) {
    case Kind::None:
        return std::nullopt;
    case Kind::Text:
        // An empty value still contains the empty text.
        condition = QStringLiteral("UPPER(COALESCE(") + col + QStringLiteral(", '')) LIKE UPPER(?) ESCAPE '\\'");
        params = {Db::likeContains(from)};
        break;
    case Kind::Number:
    case Kind::Date: {
        const int which = comparisonTitles().indexOf(comparison);
        if (which < 0)
            return std::nullopt;
        QVariant low, high;
        if (c.kind == Kind::Date) {
            if (!fromDate.isValid() || (which == 3 && !toDate.isValid()))
                return std::nullopt;
            low = Dates::toIso(fromDate);
            high = Dates::toIso(toDate);
        } else {
            double a = 0, b = 0;
            if (!Numbers::parse(from, &a) || (which == 3 && !Numbers::parse(to, &b)))
                return std::nullopt;
            low = a;
            high = b;
        }
        static const char *const ops[] = {" = ?", " <= ?", " >= ?", " BETWEEN ? AND ?"};
        condition = col + QLatin1String(ops[which]);
        params = {low};
        if (which == 3)
            params << high;
        break;
    }
    }
    return ListQuery{selectAll() + QStringLiteral(" WHERE ") + condition + QStringLiteral("\n ORDER BY ") + col,
                     params};
}

void OrderList::remove(const QList<long long> &ids)
{
    WriteTransaction tx;
    for (long long id : ids)
        Db::execute(QStringLiteral("DELETE FROM Zaqvki_All WHERE ID = ?"), {id});
    tx.commit();
}

void OrderList::append(const QList<Line> &lines)
{
    WriteTransaction tx;
    for (const Line &l : lines)
        Db::execute(QStringLiteral("INSERT INTO Zaqvki_All (Data, Art_ID, Kat_N, Opisanie, Kol, Dost_Cena, Valuta, "
                                   "Klient_Ime, Dost_Ime) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {Dates::toIso(l.date), l.article, l.catalogueNumber, l.description, l.quantity, l.price,
                     l.currency, l.requester, l.supplier});
    tx.commit();
}
