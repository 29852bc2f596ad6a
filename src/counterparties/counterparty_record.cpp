#include "counterparties/counterparty_record.h"

#include "common/money.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "app/next_number.h"

bool CounterpartyRecord::parseDiscount(const QString &text, double *percent)
{
    double value = 0;
    if (!Numbers::parse(text, &value) || value > 100)
        return false;
    if (percent)
        *percent = value;
    return true;
}

QString CounterpartyRecord::discountRefusal()
{
    return QStringLiteral("Търговска отстъпка %: въведете число не по-голямо от 100 "
                          "(отрицателно число е надбавка).");
}

QStringList CounterpartyRecord::companyColumns()
{
    return QStringLiteral("ID Ime_Firma Grad Adres_Firma EIK Dan_N Telefon Banka_Ime Banka_Kod Banka_Smetka T_O Zabel "
                          "ID_Mol Nomer_Grupa")
        .split(QLatin1Char(' '));
}

QVariantList CounterpartyRecord::companyValues(const CounterpartyFields &f, const CounterpartyKeys &keys,
                                               long long group)
{
    return {keys.id,   f.Ime_Firma,    f.Grad, f.Adres_Firma, f.EIK,      f.Dan_N, f.Telefon, f.Banka_Ime,
            f.Banka_Kod, f.Banka_Smetka, f.T_O,  f.Zabel,       keys.idMol, group};
}

QStringList CounterpartyRecord::personColumns()
{
    return QStringLiteral("ID Ime_Klient Grad Adres_Klient Telefon_Klient EGN").split(QLatin1Char(' '));
}

QVariantList CounterpartyRecord::personValues(const CounterpartyFields &f, long long idMol)
{
    return {idMol, f.Ime_Klient, f.Grad_Klient, f.Adres_Klient, f.Telefon_Klient, f.EGN};
}

namespace {
QString insertInto(const QString &table, const QStringList &columns)
{
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, columns.join(QStringLiteral(", ")),
             QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
}

void insertPerson(long long idMol, const CounterpartyFields &f)
{
    Db::execute(insertInto(QStringLiteral("Klienti"), CounterpartyRecord::personColumns()),
                CounterpartyRecord::personValues(f, idMol));
}
} // namespace

CounterpartyKeys CounterpartyRecord::insertPair(const CounterpartyFields &f, long long group)
{
    WriteTransaction transaction;
    CounterpartyKeys keys;
    keys.idMol = NextNumber::next(QStringLiteral("Klienti"), QStringLiteral("ID"));
    keys.id = NextNumber::next(QStringLiteral("Firmi"), QStringLiteral("ID"));
    Db::execute(insertInto(QStringLiteral("Firmi"), companyColumns()), companyValues(f, keys, group));
    insertPerson(keys.idMol, f);
    transaction.commit();
    return keys;
}

void CounterpartyRecord::updatePair(long long id, const CounterpartyFields &f)
{
    WriteTransaction transaction;
    const auto company = Db::firstRow(QStringLiteral("SELECT ID_Mol FROM Firmi WHERE ID = ?"), {id});
    if (!company)
        throw DbError(QStringLiteral("Контрагент с номер %1 не съществува").arg(id));
    long long idMol = company->value(0).toLongLong();
    Db::execute(QStringLiteral("UPDATE Firmi SET Ime_Firma = ?, Grad = ?, Adres_Firma = ?, EIK = ?, Dan_N = ?, "
                               "Telefon = ?, Banka_Ime = ?, Banka_Kod = ?, Banka_Smetka = ?, T_O = ?, Zabel = ? "
                               "WHERE ID = ?"),
                {f.Ime_Firma, f.Grad, f.Adres_Firma, f.EIK, f.Dan_N, f.Telefon, f.Banka_Ime, f.Banka_Kod,
                 f.Banka_Smetka, f.T_O, f.Zabel, id});
    const int changed = Db::execute(QStringLiteral("UPDATE Klienti SET Ime_Klient = ?, Grad = ?, Adres_Klient = ?, "
                                                   "Telefon_Klient = ?, EGN = ? WHERE ID = ?"),
                                    {f.Ime_Klient, f.Grad_Klient, f.Adres_Klient, f.Telefon_Klient, f.EGN, idMol});
    if (changed == 0) {
        if (idMol <= 0) {
            idMol = NextNumber::next(QStringLiteral("Klienti"), QStringLiteral("ID"));
            Db::execute(QStringLiteral("UPDATE Firmi SET ID_Mol = ? WHERE ID = ?"), {idMol, id});
        }
        insertPerson(idMol, f);
    }
    transaction.commit();
}

std::optional<CounterpartyFields> CounterpartyRecord::read(long long id, CounterpartyKeys *keys)
{
    const auto company = Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = ?"), {id});
    if (!company)
        return std::nullopt;
    auto text = [](const QSqlRecord &r, const char *field) { return r.value(QLatin1String(field)).toString(); };
    CounterpartyFields f;
    f.Ime_Firma = text(*company, "Ime_Firma");
    f.Grad = text(*company, "Grad");
    f.Adres_Firma = text(*company, "Adres_Firma");
    f.EIK = text(*company, "EIK");
    f.Dan_N = text(*company, "Dan_N");
    f.Telefon = text(*company, "Telefon");
    f.Banka_Ime = text(*company, "Banka_Ime");
    f.Banka_Kod = text(*company, "Banka_Kod");
    f.Banka_Smetka = text(*company, "Banka_Smetka");
    f.T_O = company->value(QStringLiteral("T_O")).toDouble();
    f.Zabel = text(*company, "Zabel");
    const long long idMol = company->value(QStringLiteral("ID_Mol")).toLongLong();
    f.EGN.clear();
    if (const auto person = Db::firstRow(QStringLiteral("SELECT * FROM Klienti WHERE ID = ?"), {idMol})) {
        f.Ime_Klient = text(*person, "Ime_Klient");
        f.Grad_Klient = text(*person, "Grad");
        f.Adres_Klient = text(*person, "Adres_Klient");
        f.Telefon_Klient = text(*person, "Telefon_Klient");
        f.EGN = text(*person, "EGN");
    }
    if (keys)
        *keys = {id, idMol};
    return f;
}
