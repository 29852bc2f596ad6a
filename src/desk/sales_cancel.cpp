#include "desk/sales_cancel.h"

#include "catalogue/stock_writer.h"
#include "common/dates.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

namespace SalesCancel {
std::optional<Sale> read(long long rowKey)
{
    const auto r = Db::firstRow(QStringLiteral("SELECT ID_Prodajba, ID_Art, Kol FROM Prodajbi WHERE ID_Red = ?"),
                                {rowKey});
    if (!r)
        return std::nullopt;
    return Sale{rowKey, r->value(0).toLongLong(), r->value(1).toLongLong(), r->value(2).toDouble()};
}

bool hasShopDocuments(long long number)
{
    return number > 0
           && Db::scalar(QStringLiteral("SELECT 1 FROM Printed_Dok WHERE ID_Prod = ? AND Ot_Kade_Prod = 1"), {number})
                  .isValid();
}

Outcome cancel(long long rowKey, const QString &reason, const QString &op, bool restoreStock,
               long long activeWarehouse)
{
    WriteTransaction tx;
    const auto r = Db::firstRow(QStringLiteral("SELECT ID_Art, Kol, Sklad_ID FROM Prodajbi WHERE ID_Red = ?"), {rowKey});
    if (!r)
        return Gone;
    const long long article = r->value(0).toLongLong();
    if (article == 0)
        return PaymentRecord;
    Db::execute(QStringLiteral("INSERT INTO Invalidate_Sales (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, "
                               "Kol, Ed_Cena, Valuta, ID_Klient, T_O, Pored_Ot, Pored_Do, Konsign_N, Type_pay, Term_N, "
                               "Osnovanie, Anuliral, Date_Invalidate, Time_Invalidate) SELECT ID_Prodajba, ID_Art, "
                               "Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, Valuta, ID_Klient, T_O, Pored_Ot, "
                               "Pored_Do, Konsign_N, Type_Pay, Term_N, ?, ?, ?, ? FROM Prodajbi WHERE ID_Red = ?"),
                {reason, op, Dates::todayIso(), Dates::nowTimeText(), rowKey});
    if (Db::execute(QStringLiteral("DELETE FROM Prodajbi WHERE ID_Red = ?"), {rowKey}) != 1)
        throw DbError(QStringLiteral("Продажбата не беше изтрита."));
    if (restoreStock) {
        const long long warehouse = r->value(2).toLongLong() > 0 ? r->value(2).toLongLong() : activeWarehouse;
        if (warehouse <= 0)
            throw DbError(QStringLiteral("Няма склад, в който да бъде върнато количеството."));
        GET_NALI4NOST(QString::number(article), QString::number(warehouse), r->value(1).toDouble(), 0);
    }
    tx.commit();
    return Cancelled;
}

Query reportQuery(const Filter &f)
{
    Query q;
    q.sql = QStringLiteral("SELECT I.ID_Prodajba, I.ID_Art, I.Operator, I.D_Prodajba, I.T_Prodajba, I.Kol, I.Ed_Cena, "
                           "I.Valuta, I.ID_Klient, I.T_O, I.Konsign_N, I.Pored_Ot, I.Pored_Do, I.Type_pay, I.Term_N, "
                           "I.Osnovanie, I.Anuliral, I.Date_Invalidate, I.Time_Invalidate, F.Ime_Firma, P.Opisanie "
                           "FROM Invalidate_Sales I LEFT JOIN Firmi F ON F.ID = I.ID_Klient LEFT JOIN Produkti P ON "
                           "P.ID = I.ID_Art WHERE 1 = 1");
    const auto compare = [&q](const QString &column, int how, const QVariant &from, const QVariant &to) {
        switch (how) {
        case Equal: q.sql += QStringLiteral(" AND ") + column + QStringLiteral(" = ?"); q.params << from; break;
        case AtMost: q.sql += QStringLiteral(" AND ") + column + QStringLiteral(" <= ?"); q.params << from; break;
        case AtLeast: q.sql += QStringLiteral(" AND ") + column + QStringLiteral(" >= ?"); q.params << from; break;
        case Between:
            q.sql += QStringLiteral(" AND ") + column + QStringLiteral(" BETWEEN ? AND ?");
            q.params << from << to;
            break;
        default: break;
        }
    };
    compare(QStringLiteral("I.D_Prodajba"), f.dateCompare, Dates::toIso(f.dateFrom), Dates::toIso(f.dateTo));
    compare(QStringLiteral("I.T_Prodajba"), f.timeCompare, Dates::timeText(f.timeFrom), Dates::timeText(f.timeTo));
    if (!f.op.isEmpty()) {
        q.sql += QStringLiteral(" AND I.Operator = ?");
        q.params << f.op;
    }
    if (!f.payType.isEmpty()) {
        q.sql += QStringLiteral(" AND I.Type_pay = ?");
        q.params << f.payType;
    }
    q.sql += QStringLiteral(" ORDER BY I.Date_Invalidate, I.Time_Invalidate, I.ID_Prodajba");
    return q;
}
const QList<std::pair<const char *, const char *>> &titles()
{
    static const QList<std::pair<const char *, const char *>> t = {
        {"ID_Prodajba", "Продажба N"}, {"ID_Art", "Арт. №"},         {"Operator", "Оператор"},
        {"D_Prodajba", "Дата"},        {"T_Prodajba", "Час"},         {"Kol", "Кол."},
        {"Ed_Cena", "Ед. цена"},       {"Valuta", "Валута"},          {"ID_Klient", "Контрагент N"},
        {"T_O", "TO в %"},             {"Konsign_N", "Договор N"},    {"Pored_Ot", "Сериен N от"},
        {"Pored_Do", "Сериен N до"},   {"Type_pay", "Тип плащане"},   {"Term_N", "Терминал"},
        {"Osnovanie", "Основание"},    {"Anuliral", "Анулирал"},      {"Date_Invalidate", "Дата анулиране"},
        {"Time_Invalidate", "Час анулиране"}, {"Ime_Firma", "Контрагент"}, {"Opisanie", "Артикул"}};
    return t;
}
} // namespace SalesCancel
