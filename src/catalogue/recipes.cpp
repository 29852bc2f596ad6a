#include "catalogue/recipes.h"

#include "app/next_number.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"


namespace Recipes {
namespace {
QString work()
{
    return WorkTables::qualified(QString::fromLatin1(WorkTable));
}

bool isTrue(const QVariant &v)
{
    return v.toString().compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
}

// The same name within one article: compared case-insensitively.
bool nameTaken(long long article, const QString &name, long long exceptId)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Rezept_Art WHERE ID_Art = ? AND UPPER(Name_R) = UPPER(?) "
                                     "AND ID <> ?"),
                      {article, name, exceptId})
               .toLongLong()
           > 0;
}

QString takenMessage(const QString &name)
{
    return QStringLiteral("Операция със име: ") + name + QStringLiteral(" вече съществува.");
}

// The work rows of the variant become what is now stored.
void settleWorkRows(const QString &name, long long id)
{
    Db::execute(QStringLiteral("DELETE FROM %1 WHERE UPPER(Name_R) = UPPER(?) AND Changed = ?").arg(work()),
                {name, int(Removed)});
    Db::execute(QStringLiteral("UPDATE %1 SET ID_R = ?, Name_R = ?, Changed = ? WHERE UPPER(Name_R) = UPPER(?)")
                    .arg(work()),
                {id, name, int(Stored), name});
}

QList<QSqlRecord> workRows(const QString &name)
{
    return Db::rows(QStringLiteral("SELECT ID_El, Kol_El, Changed FROM %1 WHERE UPPER(Name_R) = UPPER(?) "
                                   "ORDER BY ID_El")
                        .arg(work()),
                    {name});
}

bool quantitiesValid(const QList<QSqlRecord> &rows)
{
    for (const QSqlRecord &r : rows) {
        bool ok = false;
        const double q = r.value(1).toDouble(&ok);
        if (r.value(2).toInt() != Removed && (!ok || !(q > 0)))
            return false;
    }
    return true;
}

const QString kBadQuantity = QStringLiteral("Количествата трябва да бъдат числа, по-големи от 0");
} // namespace

QStringList kinds()
{
    return {QStringLiteral("Рецепта"), QStringLiteral("Разпад"), QStringLiteral("Пройзводство")};
}

void createWorkTable()
{
    WorkTables::ensure(QString::fromLatin1(WorkTable),
                       QStringLiteral("ID_R INTEGER, ID_El INTEGER, Kol_El DOUBLE, Name_R TEXT, Changed INTEGER"),
                       Db::connection());
}

void emptyWorkTable()
{
    createWorkTable();
    Db::execute(QStringLiteral("DELETE FROM %1").arg(work()));
}

void dropWorkTable()
{
    WorkTables::drop(QString::fromLatin1(WorkTable));
}

QStringList names(long long article)
{
    QStringList list{QStringLiteral("Стандарт"), QStringLiteral("Минимум"), QStringLiteral("Максимум")};
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Name_R FROM Rezept_Art WHERE ID_Art = ?"), {article}))
        list << r.value(0).toString();
    std::sort(list.begin(), list.end()); // as text
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
}

void loadWorkTable(long long article)
{
    createWorkTable();
    WriteTransaction tx;
    Db::execute(QStringLiteral("DELETE FROM %1").arg(work()));
    Db::execute(QStringLiteral("INSERT INTO %1 (ID_R, ID_El, Kol_El, Name_R, Changed) "
                               "SELECT A.ID, E.ID_El, E.Kol_El, A.Name_R, ? FROM Rezept_Art A "
                               "JOIN Rezept_El E ON E.ID_R = A.ID JOIN Produkti P ON P.ID = E.ID_El "
                               "WHERE A.ID_Art = ?")
                    .arg(work()),
                {int(Stored), article});
    tx.commit();
}

QString shownSql()
{
    return QStringLiteral("SELECT T.ID_El, P.Opisanie, T.Kol_El, P.Mqrka, P.Ed_Cena, P.Valuta_P, T.ID_R, T.Changed, "
                          "A.Vid_R FROM %1 T JOIN Produkti P ON P.ID = T.ID_El "
                          "LEFT JOIN Rezept_Art A ON A.ID = T.ID_R AND UPPER(A.Name_R) = UPPER(T.Name_R) "
                          "WHERE UPPER(T.Name_R) = UPPER(?) AND T.Changed <> 3 ORDER BY T.ID_El")
        .arg(work());
}

std::optional<Variant> find(long long article, const QString &name)
{
    const auto r = Db::firstRow(QStringLiteral("SELECT ID, ID_Art, Kol_Art, Vid_R, Name_R FROM Rezept_Art "
                                               "WHERE ID_Art = ? AND UPPER(Name_R) = UPPER(?) ORDER BY ID"),
                                {article, name});
    if (!r)
        return std::nullopt;
    Variant v;
    v.id = r->value(0).toLongLong();
    v.article = r->value(1).toLongLong();
    v.quantity = r->value(2).toDouble();
    v.kind = r->value(3).toInt();
    v.name = r->value(4).toString();
    return v;
}

void addElement(long long variantNumber, const QString &name, long long element, double quantity)
{
    WriteTransaction tx;
    const auto held = Db::firstRow(
        QStringLiteral("SELECT Kol_El, Changed FROM %1 WHERE UPPER(Name_R) = UPPER(?) AND ID_El = ?").arg(work()),
        {name, element});
    if (!held) {
        Db::execute(QStringLiteral("INSERT INTO %1 (ID_R, ID_El, Kol_El, Name_R, Changed) VALUES (?, ?, ?, ?, ?)")
                        .arg(work()),
                    {variantNumber, element, quantity, name, int(Added)});
    } else {
        const int mark = held->value(1).toInt();
        // An element marked for removal comes back with the new quantity alone.
        const double total = mark == Removed ? quantity : held->value(0).toDouble() + quantity;
        const int newMark = mark == Added ? int(Added) : int(QuantityChanged);
        Db::execute(QStringLiteral("UPDATE %1 SET Kol_El = ?, Changed = ? WHERE UPPER(Name_R) = UPPER(?) AND ID_El = ?")
                        .arg(work()),
                    {total, newMark, name, element});
    }
    tx.commit();
}

void changeQuantity(const QString &name, long long element, double quantity)
{
    // An element not stored yet stays "added", so the save inserts it.
    Db::execute(QStringLiteral("UPDATE %1 SET Kol_El = ?, Changed = CASE WHEN Changed = ? THEN CAST(? AS INTEGER) "
                               "ELSE CAST(? AS INTEGER) END "
                               "WHERE UPPER(Name_R) = UPPER(?) AND ID_El = ?")
                    .arg(work()),
                {quantity, int(Added), int(Added), int(QuantityChanged), name, element});
}

void removeElement(const QString &name, long long element, bool editingStored)
{
    if (editingStored)
        Db::execute(QStringLiteral("UPDATE %1 SET Changed = ? WHERE UPPER(Name_R) = UPPER(?) AND ID_El = ? "
                                   "AND Changed <> ?")
                        .arg(work()),
                    {int(Removed), name, element, int(Added)});
    Db::execute(QStringLiteral("DELETE FROM %1 WHERE UPPER(Name_R) = UPPER(?) AND ID_El = ?%2")
                    .arg(work(), editingStored ? QStringLiteral(" AND Changed = 1") : QString()),
                {name, element});
}

// The checks of a save, inside its transaction: the message of the first
// that fails, empty when the variant may be stored. `rows` gets the work rows.
QString refusal(long long article, double quantity, const QString &name, long long exceptId, QList<QSqlRecord> *rows)
{
    if (!(quantity > 0))
        return kBadQuantity;
    if (nameTaken(article, name, exceptId))
        return takenMessage(name);
    *rows = workRows(name);
    return quantitiesValid(*rows) ? QString() : kBadQuantity;
}

SaveResult saveNew(long long article, double quantity, int kind, const QString &name)
{
    SaveResult result;
    WriteTransaction tx;
    QList<QSqlRecord> rows;
    result.message = refusal(article, quantity, name, 0, &rows);
    if (!result.message.isEmpty())
        return result;
    result.id = NextNumber::insert(QStringLiteral("Rezept_Art"), QStringLiteral("ID"), [&](long long id) {
        Db::execute(QStringLiteral("INSERT INTO Rezept_Art (ID, ID_Art, Kol_Art, Vid_R, Name_R) VALUES (?, ?, ?, ?, ?)"),
                    {id, article, quantity, kind, name});
        for (const QSqlRecord &r : rows)
            if (r.value(2).toInt() != Removed)
                Db::execute(QStringLiteral("INSERT INTO Rezept_El (ID_R, ID_El, Kol_El) VALUES (?, ?, ?)"),
                            {id, r.value(0), r.value(1).toDouble()});
    });
    settleWorkRows(name, result.id);
    tx.commit();
    result.ok = true;
    return result;
}

SaveResult saveStored(long long id, long long editedArticle, long long article, double quantity, int kind,
                      const QString &name)
{
    SaveResult result;
    result.id = id;
    WriteTransaction tx;
    QList<QSqlRecord> rows;
    result.message = refusal(article, quantity, name, id, &rows);
    if (!result.message.isEmpty())
        return result;
    if (Db::execute(QStringLiteral("UPDATE Rezept_Art SET ID_Art = ?, Kol_Art = ?, Vid_R = ?, Name_R = ? "
                                   "WHERE ID_Art = ? AND ID = ?"),
                    {article, quantity, kind, name, editedArticle, id})
        != 1) {
        result.message = QStringLiteral("Операцията не е намерена. Може да е променена от друго работно място.");
        return result;
    }
    for (const QSqlRecord &r : rows) {
        const QVariant element = r.value(0);
        switch (r.value(2).toInt()) {
        case Added:
            Db::execute(QStringLiteral("INSERT INTO Rezept_El (ID_R, ID_El, Kol_El) VALUES (?, ?, ?)"),
                        {id, element, r.value(1).toDouble()});
            break;
        case QuantityChanged:
            Db::execute(QStringLiteral("UPDATE Rezept_El SET Kol_El = ? WHERE ID_R = ? AND ID_El = ?"),
                        {r.value(1).toDouble(), id, element});
            break;
        case Removed:
            Db::execute(QStringLiteral("DELETE FROM Rezept_El WHERE ID_R = ? AND ID_El = ?"), {id, element});
            break;
        default:
            break;
        }
    }
    settleWorkRows(name, id);
    tx.commit();
    result.ok = true;
    return result;
}

QList<SaleElement> saleElements(const QString &name)
{
    QList<SaleElement> list;
    const auto rows = Db::rows(
        QStringLiteral("SELECT P.ID, P.Opisanie, P.Mqrka, P.Valuta_P, P.Trajnost, P.Garancionen, P.Poredica, "
                       "P.Dan_Grup, P.Prigotvq_Se, T.Kol_El, A.Kol_Art FROM %1 T "
                       "JOIN Produkti P ON P.ID = T.ID_El LEFT JOIN Rezept_Art A ON A.ID = T.ID_R "
                       "WHERE UPPER(T.Name_R) = UPPER(?) AND T.Changed <> 3 ORDER BY T.ID_El")
            .arg(work()),
        {name});
    for (const QSqlRecord &r : rows) {
        SaleElement e;
        e.article = r.value(0).toLongLong();
        e.Opisanie = r.value(1).toString();
        e.Mqrka = r.value(2).toString();
        e.Valuta_P = r.value(3).toString();
        e.Trajnost = r.value(4).toString();
        e.Garancionen = isTrue(r.value(5));
        e.Poredica = isTrue(r.value(6));
        e.Dan_Grup = r.value(7).toInt();
        e.Prigotvq_Se = r.value(8).toLongLong();
        const double base = r.value(10).isNull() ? 1 : r.value(10).toDouble();
        e.quantity = base > 0 ? r.value(9).toDouble() / base : r.value(9).toDouble();
        list << e;
    }
    return list;
}
} // namespace Recipes
