#include "catalogue/departments.h"

#include "catalogue/article_record.h"
#include "common/reference_text.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QSqlRecord>
#include <QVariant>

#include <algorithm>
#include <climits>

namespace {
const QString Table = QStringLiteral("Type_Prigotvq_Se");

QString numberRefusal(const QString &typed)
{
    return QStringLiteral("Номерът на отдела \"") + typed
           + QStringLiteral("\" трябва да бъде цяло число по-голямо от 0!");
}

bool taken(long long id)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Type_Prigotvq_Se WHERE ID = ?"), {id}).toLongLong() > 0;
}

QString takenRefusal(long long id)
{
    return QStringLiteral("Отдел с номер ") + QString::number(id) + QStringLiteral(" вече съществува!");
}

QString inUse(long long id)
{
    const QString user = ColumnRegistry::referencedBy(Table, QStringLiteral("ID"), id);
    return user.isEmpty() ? QString()
                          : QStringLiteral("Отделът се използва в таблица ") + user
                                + QStringLiteral(" и не може да бъде изтрит или преномериран!");
}
} // namespace

QList<PreparationDepartment> Departments::all()
{
    QList<PreparationDepartment> list;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT ID, Opisanie, Path, Vid_FU FROM Type_Prigotvq_Se ORDER BY ID"))) {
        PreparationDepartment d;
        d.id = r.value(0).toLongLong();
        d.name = r.value(1).toString();
        d.path = r.value(2).toString();
        d.device = r.value(3).toString();
        list.append(d);
    }
    return list;
}

QStringList Departments::listItems()
{
    QStringList items = {QString::fromUtf8(ArticleRecord::NotPreparedItem)};
    for (const PreparationDepartment &d : all())
        items.append(ReferenceText::make(d.id, d.name));
    return items;
}

long long Departments::parseNumber(const QString &typed)
{
    return ReferenceText::parseKey(typed);
}

QString Departments::add(const QString &number, const PreparationDepartment &fields, long long *id)
{
    const long long n = parseNumber(number);
    if (n == 0)
        return numberRefusal(number);
    try {
        WriteTransaction tx;
        if (taken(n))
            return takenRefusal(n);
        Db::execute(QStringLiteral("INSERT INTO Type_Prigotvq_Se (ID, Opisanie, Path, Vid_FU) VALUES (?, ?, ?, ?)"),
                    {n, fields.name, fields.path, fields.device});
        tx.commit();
    } catch (const DbError &e) {
        return QStringLiteral("Отделът не е записан:\n") + e.message();
    }
    if (id)
        *id = n;
    return {};
}

QString Departments::renumber(long long id, const QString &number)
{
    const long long n = parseNumber(number);
    if (n == 0)
        return numberRefusal(number);
    if (n == id)
        return {};
    try {
        WriteTransaction tx;
        if (taken(n))
            return takenRefusal(n);
        const QString used = inUse(id);
        if (!used.isEmpty())
            return used;
        Db::execute(QStringLiteral("UPDATE Type_Prigotvq_Se SET ID = ? WHERE ID = ?"), {n, id});
        tx.commit();
    } catch (const DbError &e) {
        return QStringLiteral("Отделът не е записан:\n") + e.message();
    }
    return {};
}

QString Departments::setField(long long id, const QString &column, const QString &value)
{
    static const QStringList columns = {QStringLiteral("Opisanie"), QStringLiteral("Path"), QStringLiteral("Vid_FU")};
    if (!columns.contains(column))
        return QStringLiteral("Неизвестна колона ") + column;
    try {
        WriteTransaction tx;
        Db::execute(QStringLiteral("UPDATE Type_Prigotvq_Se SET ") + column + QStringLiteral(" = ? WHERE ID = ?"),
                    {value, id});
        tx.commit();
    } catch (const DbError &e) {
        return QStringLiteral("Отделът не е записан:\n") + e.message();
    }
    return {};
}

QString Departments::remove(long long id)
{
    try {
        WriteTransaction tx;
        const QString used = inUse(id);
        if (!used.isEmpty())
            return used;
        Db::execute(QStringLiteral("DELETE FROM Type_Prigotvq_Se WHERE ID = ?"), {id});
        tx.commit();
    } catch (const DbError &e) {
        return QStringLiteral("Отделът не е изтрит:\n") + e.message();
    }
    return {};
}
