#include "app/currency_rates.h"

#include "common/money.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

namespace {
QString failed(const DbError &e)
{
    return QStringLiteral("Промяната не беше записана:\n") + e.message();
}

QString inUse(const QString &name, const QString &table, const QString &what)
{
    return QStringLiteral("Валутата \"") + name + QStringLiteral("\" се използва в таблица ") + table
           + QStringLiteral(" и не може да бъде ") + what + QLatin1Char('.');
}

QString nameOf(long long id)
{
    return Db::scalar(QStringLiteral("SELECT Opisanie FROM Valuti WHERE ID = ?"), {id}).toString();
}

bool nameTaken(const QString &name, long long except)
{
    return Db::scalar(QStringLiteral("SELECT 1 FROM Valuti WHERE Opisanie = ? AND ID <> ?"), {name, except})
        .isValid();
}
} // namespace

QList<CurrencyRates::Row> CurrencyRates::all()
{
    QList<Row> out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Opisanie, Kurs, Osn FROM Valuti ORDER BY ID"))) {
        Row row;
        row.id = r.value(0).toLongLong();
        row.name = r.value(1).toString();
        row.rate = r.value(2).toDouble();
        row.basic = r.value(3).toString();
        out.append(row);
    }
    return out;
}

QString CurrencyRates::parseRate(const QString &typed, double *rate)
{
    double value = 0;
    if (!Numbers::parse(typed, &value) || !(value > 0))
        return QStringLiteral("Курсът трябва да бъде число, по-голямо от 0.");
    *rate = value;
    return {};
}

QString CurrencyRates::setRate(long long id, const QString &typed)
{
    double rate = 0;
    const QString error = parseRate(typed, &rate);
    if (!error.isEmpty())
        return error;
    try {
        WriteTransaction tx;
        Db::execute(QStringLiteral("UPDATE Valuti SET Kurs = ? WHERE ID = ?"), {rate, id});
        tx.commit();
    } catch (const DbError &e) {
        return failed(e);
    }
    return {};
}

QString CurrencyRates::setBasic(long long id, const QString &value)
{
    if (value != QLatin1String("True") && value != QLatin1String("False"))
        return QStringLiteral("Изберете \"True\" или \"False\".");
    try {
        WriteTransaction tx;
        Db::execute(QStringLiteral("UPDATE Valuti SET Osn = ? WHERE ID = ?"), {value, id});
        tx.commit();
    } catch (const DbError &e) {
        return failed(e);
    }
    return {};
}

QString CurrencyRates::rename(long long id, const QString &newName)
{
    const QString name = newName.trimmed();
    if (name.isEmpty())
        return QStringLiteral("Въведете описание на валутата.");
    try {
        WriteTransaction tx;
        const QString old = nameOf(id);
        if (old == name)
            return {};
        const QString table = ColumnRegistry::referencedBy(QStringLiteral("Valuti"), QStringLiteral("Opisanie"), old);
        if (!table.isEmpty())
            return inUse(old, table, QStringLiteral("преименувана"));
        if (nameTaken(name, id))
            return QStringLiteral("Вече има валута \"") + name + QStringLiteral("\".");
        Db::execute(QStringLiteral("UPDATE Valuti SET Opisanie = ? WHERE ID = ?"), {name, id});
        tx.commit();
    } catch (const DbError &e) {
        return failed(e);
    }
    return {};
}

QString CurrencyRates::add(const QString &newName, const QString &typedRate, const QString &basic,
                           long long *newId)
{
    const QString name = newName.trimmed();
    if (name.isEmpty())
        return QStringLiteral("Въведете описание на валутата.");
    double rate = 0;
    const QString error = parseRate(typedRate, &rate);
    if (!error.isEmpty())
        return error;
    try {
        WriteTransaction tx;
        if (nameTaken(name, 0))
            return QStringLiteral("Вече има валута \"") + name + QStringLiteral("\".");
        const long long id = Db::insert(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES (?, ?, ?)"),
                                        {name, rate, basic == QLatin1String("True") ? basic : QStringLiteral("False")},
                                        QStringLiteral("ID"));
        tx.commit();
        if (newId)
            *newId = id;
    } catch (const DbError &e) {
        return failed(e);
    }
    return {};
}

QString CurrencyRates::remove(long long id)
{
    try {
        WriteTransaction tx;
        const QString name = nameOf(id);
        const QString table = ColumnRegistry::referencedBy(QStringLiteral("Valuti"), QStringLiteral("Opisanie"), name);
        if (!table.isEmpty())
            return inUse(name, table, QStringLiteral("изтрита"));
        Db::execute(QStringLiteral("DELETE FROM Valuti WHERE ID = ?"), {id});
        tx.commit();
    } catch (const DbError &e) {
        return failed(e);
    }
    return {};
}

QString CurrencyRates::baseCurrency()
{
    QVariant name = Db::scalar(QStringLiteral("SELECT Opisanie FROM Valuti WHERE Osn = 'True' ORDER BY ID"));
    if (!name.isValid())
        name = Db::scalar(QStringLiteral("SELECT Opisanie FROM Valuti WHERE Kurs = 1 ORDER BY ID"));
    return name.isValid() ? name.toString() : QStringLiteral("BGL");
}
