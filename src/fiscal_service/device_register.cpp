#include "fiscal_service/device_register.h"

#include "common/dates.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QStringList>

namespace {
struct Field {
    const char *expr;
    const char *name;
};

// The device query's columns; names are an interface of the printed layouts.
const Field kDeviceFields[] = {
    {"Reg_EKA.Dosie_ID", "Dosie_ID"}, {"Reg_EKA.EKA", "EKA"}, {"Reg_EKA.MFP", "MFP"},
    {"Reg_EKA.Model", "Model"}, {"Reg_EKA.Svid_N", "Svid_N"}, {"Reg_EKA.Data_Reg", "Data_Reg"},
    {"Reg_EKA.Time_Reg", "Time_reg"}, {"Reg_EKA.ID_Serv", "ID_Serv"}, {"Reg_EKA.TDD_ID", "TDD_ID"},
    {"Reg_EKA.ID_Kontrag", "ID_Kontrag"}, {"Reg_EKA.ID_Sklad", "ID_Sklad"},
    {"Firmi.ID", "ID"}, {"Firmi.Ime_Firma", "Ime_Firma"}, {"Firmi.Grad", "Grad"},
    {"Firmi.Adres_Firma", "Adres_firma"}, {"Firmi.EIK", "EIK"}, {"Firmi.Dan_N", "DAN_N"},
    {"Firmi.Telefon", "Telefon"}, {"Firmi.Banka_Ime", "Banka_Ime"}, {"Firmi.Banka_Kod", "Banka_Kod"},
    {"Firmi.Banka_Smetka", "Banka_Smetka"}, {"Firmi.T_O", "T_O"}, {"Firmi.ID_Mol", "ID_MOL"},
    {"Firmi.Nomer_Grupa", "Nomer_grupa"},
    {"Klienti.ID", "ID"}, {"Klienti.Ime_Klient", "Ime_Klient"}, {"Klienti.Grad", "Grad"},
    {"Klienti.Adres_Klient", "Adres_klient"}, {"Klienti.Telefon_Klient", "Telefon_Klient"}, {"Klienti.EGN", "EGN"},
    {"Kontrag_Sklad.ID_SK", "ID_Sk"}, {"Kontrag_Sklad.Opisanie_SK", "Opisanie_Sk"},
    {"Kontrag_Sklad.Grad_SK", "Grad_SK"}, {"Kontrag_Sklad.Adres_SK", "Adres_SK"},
    {"Kontrag_Sklad.Tel_SK", "Tel_SK"}, {"Kontrag_Sklad.MOL_SK", "MOL_SK"},
    {"Kontrag_Sklad.EGN_MOL_SK", "EGN_MOL_SK"}, {"Kontrag_Sklad.LK_Mol_SK", "LK_Mol_Sk"},
    {"Kontrag_Sklad.LK_Izd_Ot", "LK_Izd_Ot"}, {"Kontrag_Sklad.ID_Kontrag", "ID_Kontrag"},
    {"SV_BIM.ID", "ID"}, {"SV_BIM.Model_Opis", "Model_Opis"}, {"SV_BIM.SV_ID", "SV_ID"},
    {"SV_BIM.SV_Data", "SV_Data"}, {"SV_BIM.ID_Plomb", "ID_Plomb"},
    {"Serv.ID", "Serv_ID"}, {"Serv.Ime_Firma", "Serv_Ime"}, {"Serv.Grad", "Serv_grad"},
    {"Serv.Adres_Firma", "Adres_Serv"}, {"Serv.EIK", "Serv_EIK"}, {"Serv.Dan_N", "Serv_Dan_N"},
    {"Serv.Telefon", "Serv_Tel"}, {"Serv.Banka_Ime", "Serv_Banka_Ime"}, {"Serv.Banka_Kod", "Serv_Banka_Kod"},
    {"Serv.Banka_Smetka", "Banka_Smetka"}, {"Serv.T_O", "T_O"}, {"Serv.ID_Mol", "ID_MOL"},
    {"Serv.Nomer_Grupa", "Nomer_grupa"},
};
const Field kContractFields[] = {
    {"Dogovor.Dog_ID", "Dog_ID"}, {"Dogovor.Prefics_ID", "Prefics_ID"}, {"Dogovor.Vid_Dog", "Vid_Dog"},
    {"Dogovor.Dog_Ot", "Dog_Ot"}, {"Dogovor.Valid_Do", "Valid_Do"},
};
const Field kOfficeFields[] = {
    {"TDD.ID", "TDD_ID"}, {"TDD.Ime_Firma", "TDD_Ime"}, {"TDD.Grad", "TDD_grad"},
    {"TDD.Adres_Firma", "TDD_Adres"}, {"TDD.Telefon", "TDD_Tel"},
    {"Plomb.ID", "Plomb_ID"}, {"Plomb.Ime_Firma", "Plomb_Ime"}, {"Plomb.Grad", "Plomb_grad"},
    {"Plomb.Adres_Firma", "Plomb_Adress"}, {"Plomb.EIK", "Plomb_EIK"}, {"Plomb.Dan_N", "Plomb_Dan_N"},
    {"Plomb.Telefon", "Plomb_Tel"},
};

template <std::size_t N>
void append(QStringList &out, const Field (&fields)[N])
{
    for (const Field &f : fields)
        out << QStringLiteral("%1 AS %2").arg(QLatin1String(f.expr), QLatin1String(f.name));
}

QString normalized(const QString &number)
{
    return number.trimmed().toUpper();
}

bool exists(const QString &sql, const QVariantList &params)
{
    return Db::firstRow(sql, params).has_value();
}
} // namespace

QString DeviceRegister::selectList(bool withContract)
{
    QStringList out;
    append(out, kDeviceFields);
    if (withContract)
        append(out, kContractFields);
    append(out, kOfficeFields);
    return out.join(QStringLiteral(", "));
}

QList<QPair<QString, QString>> DeviceRegister::resultFields()
{
    QList<QPair<QString, QString>> out;
    const auto add = [&out](const auto &fields) {
        for (const Field &f : fields) {
            const QString expr = QLatin1String(f.expr);
            out.append({expr.left(expr.indexOf(QLatin1Char('.'))), QLatin1String(f.name)});
        }
    };
    add(kDeviceFields);
    add(kContractFields);
    add(kOfficeFields);
    return out;
}

QString DeviceRegister::joins(bool withContract)
{
    QString sql = QStringLiteral(
        "Reg_EKA LEFT JOIN Firmi ON Firmi.ID = Reg_EKA.ID_Kontrag "
        "LEFT JOIN Klienti ON Klienti.ID = Firmi.ID_Mol "
        "LEFT JOIN Kontrag_Sklad ON Kontrag_Sklad.ID_SK = Reg_EKA.ID_Sklad "
        "AND Kontrag_Sklad.ID_Kontrag = Reg_EKA.ID_Kontrag "
        "LEFT JOIN SV_BIM ON SV_BIM.ID = Reg_EKA.Model "
        "LEFT JOIN Firmi AS Serv ON Serv.ID = Reg_EKA.ID_Serv "
        "LEFT JOIN Firmi AS TDD ON TDD.ID = Reg_EKA.TDD_ID "
        "LEFT JOIN Firmi AS Plomb ON Plomb.ID = SV_BIM.ID_Plomb");
    if (withContract)
        sql += QStringLiteral(" LEFT JOIN Dogovor ON Dogovor.EKA = Reg_EKA.EKA");
    return sql;
}

QString DeviceRegister::deviceSql()
{
    return QStringLiteral("SELECT DISTINCT ") + selectList(true) + QStringLiteral(" FROM ") + joins(true)
           + QStringLiteral(" WHERE Reg_EKA.EKA = ? ORDER BY Dogovor.Valid_Do DESC");
}

QList<QSqlRecord> DeviceRegister::deviceRows(const QString &number)
{
    return Db::rows(deviceSql(), {normalized(number)});
}

std::optional<QSqlRecord> DeviceRegister::findDevice(const QString &number)
{
    const QList<QSqlRecord> rows = deviceRows(number);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

bool DeviceRegister::contractExpired(const QString &validDoIso, const QDateTime &now)
{
    const QDate until = Dates::fromIso(validDoIso);
    if (!until.isValid())
        return true; // a date that cannot be read keeps nothing valid
    return now > QDateTime(until, QTime(0, 0));
}

QString DeviceRegister::contractNumber(const QSqlRecord &row)
{
    const QString number = row.value(QStringLiteral("Prefics_ID")).toString()
                           + row.value(QStringLiteral("Dog_ID")).toString();
    return row.value(QStringLiteral("Valid_Do")).isNull() && number.isEmpty() ? QString::fromLatin1(NoContractNumber)
                                                                              : number;
}

std::optional<QSqlRecord> DeviceRegister::saleOf(const QString &number)
{
    const QString x = normalized(number);
    if (x.isEmpty())
        return std::nullopt;
    const QString head = QStringLiteral(
        "SELECT Prodajbi.Pored_Do AS Pored_Do, Produkti.Opisanie AS Opisanie, Firmi.ID AS Firm_ID, "
        "Firmi.Ime_Firma AS Ime_Firma, Firmi.EIK AS EIK, Firmi.Grad AS Grad, Firmi.Adres_Firma AS Adres_Firma, "
        "Klienti.Ime_Klient AS Ime_Klient, Klienti.EGN AS EGN "
        "FROM Prodajbi JOIN Produkti ON Produkti.ID = Prodajbi.ID_Art "
        "LEFT JOIN Firmi ON Firmi.ID = Prodajbi.ID_Klient LEFT JOIN Klienti ON Klienti.ID = Firmi.ID_Mol ");
    const QString order = QStringLiteral(
        " ORDER BY Prodajbi.D_Prodajba DESC, Prodajbi.T_Prodajba DESC, Prodajbi.ID_Red DESC LIMIT 1");
    const Db::Condition serial = Db::codeInAnyCase(QStringLiteral("Prodajbi.Pored_Ot"), x);
    if (auto exact = Db::firstRow(head + QStringLiteral("WHERE ") + serial.sql + order, serial.params))
        return exact;
    return Db::firstRow(head + QStringLiteral("WHERE UPPER(Prodajbi.Pored_Ot) LIKE UPPER(?) ESCAPE '\\'") + order,
                        {Db::likeContains(x)});
}

std::optional<QSqlRecord> DeviceRegister::firmWithPerson(long long firm)
{
    return Db::firstRow(QStringLiteral("SELECT Firmi.*, Klienti.Ime_Klient AS Ime_Klient, Klienti.EGN AS EGN "
                                       "FROM Firmi LEFT JOIN Klienti ON Klienti.ID = Firmi.ID_Mol WHERE Firmi.ID = ?"),
                        {firm});
}

std::optional<QSqlRecord> DeviceRegister::firm(long long id)
{
    return Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = ?"), {id});
}

std::optional<QSqlRecord> DeviceRegister::namedFirm(const QString &entryText)
{
    const long long id = GetID_MFromTreeNodeName(entryText);
    return id > 0 ? firm(id) : std::nullopt;
}

QList<QSqlRecord> DeviceRegister::sitesOf(long long owner)
{
    return Db::rows(QStringLiteral("SELECT * FROM Kontrag_Sklad WHERE ID_Kontrag = ? ORDER BY ID_SK"), {owner});
}

std::optional<QSqlRecord> DeviceRegister::site(long long owner, long long site)
{
    return Db::firstRow(QStringLiteral("SELECT * FROM Kontrag_Sklad WHERE ID_Kontrag = ? AND ID_SK = ?"),
                        {owner, site});
}

QString DeviceRegister::ownerDevicesSql()
{
    return QStringLiteral("SELECT * FROM Reg_EKA WHERE ID_Kontrag = ? ORDER BY Dosie_ID");
}

QList<QSqlRecord> DeviceRegister::ownerDevices(long long owner)
{
    return Db::rows(ownerDevicesSql(), {owner});
}

int DeviceRegister::ownedCount(long long owner)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Reg_EKA WHERE ID_Kontrag = ?"), {owner}).toInt();
}

int DeviceRegister::expiredCount(long long owner, const QDate &today)
{
    // Expired from the first moment of its valid-until day: valid only when later than today.
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Reg_EKA WHERE ID_Kontrag = ? "
                                     "AND EXISTS (SELECT 1 FROM Dogovor WHERE Dogovor.EKA = Reg_EKA.EKA) "
                                     "AND NOT EXISTS (SELECT 1 FROM Dogovor WHERE Dogovor.EKA = Reg_EKA.EKA "
                                     "AND Dogovor.Valid_Do > ?)"),
                      {owner, Dates::toIso(today)})
        .toInt();
}

QList<QSqlRecord> DeviceRegister::models()
{
    return Db::rows(QStringLiteral("SELECT * FROM SV_BIM ORDER BY ID"));
}

std::optional<QSqlRecord> DeviceRegister::model(long long id)
{
    return Db::firstRow(QStringLiteral("SELECT SV_BIM.*, Firmi.Ime_Firma AS Ime_Firma FROM SV_BIM "
                                       "LEFT JOIN Firmi ON Firmi.ID = SV_BIM.ID_Plomb WHERE SV_BIM.ID = ?"),
                        {id});
}

long long DeviceRegister::nextDossier()
{
    const QVariant max = Db::scalar(QStringLiteral("SELECT MAX(Dosie_ID) FROM Reg_EKA"));
    return max.isNull() ? 1 : max.toLongLong() + 1;
}

QString DeviceRegister::message(Result result, const QString &dossier)
{
    const QString need = QStringLiteral("Необходимо е да се посочи ");
    switch (result) {
    case Result::Saved: return {};
    case Result::MissingOwner: return need + QStringLiteral("собственик");
    case Result::MissingSite: return need + QStringLiteral("обект");
    case Result::MissingModel: return need + QStringLiteral("модел");
    case Result::MissingService: return need + QStringLiteral("сервизен център");
    case Result::MissingTaxOffice: return need + QStringLiteral("данъчна служба");
    case Result::BadDossier: return QStringLiteral("Досие N трябва да е цяло число, по-голямо от 0");
    case Result::DossierTaken: return QStringLiteral("Досие N %1 е заето").arg(dossier);
    case Result::AlreadyRegistered: return QStringLiteral("Устройството вече е регистрирано");
    case Result::NoNumber: return QStringLiteral("Въведете номер на ЕКА и натиснете Enter");
    case Result::NotRegistered: return QStringLiteral("Устройството не е регистрирано");
    }
    return {};
}

namespace {
using DeviceRegister::Registration;
using DeviceRegister::Result;

// The checks both saves share, run inside their transaction.
Result check(const Registration &d, long long *dossier)
{
    const auto isFirm = [](long long id) {
        return id > 0 && exists(QStringLiteral("SELECT ID FROM Firmi WHERE ID = ?"), {id});
    };
    if (!isFirm(d.owner))
        return Result::MissingOwner;
    if (d.site <= 0 || !DeviceRegister::site(d.owner, d.site))
        return Result::MissingSite;
    if (d.model <= 0 || !exists(QStringLiteral("SELECT ID FROM SV_BIM WHERE ID = ?"), {d.model}))
        return Result::MissingModel;
    if (!isFirm(d.service))
        return Result::MissingService;
    if (!isFirm(d.taxOffice))
        return Result::MissingTaxOffice;
    bool ok = false;
    *dossier = d.dossier.trimmed().toLongLong(&ok);
    if (!ok || *dossier <= 0)
        return Result::BadDossier;
    return Result::Saved;
}

QVariantList values(const Registration &d, long long dossier)
{
    const QVariant svid = Db::scalar(QStringLiteral("SELECT SV_ID FROM SV_BIM WHERE ID = ?"), {d.model});
    return {dossier, d.mfp, d.model, svid.toString(), Dates::toIso(d.date), Dates::timeText(d.time),
            d.service, d.taxOffice, d.owner, d.site};
}
} // namespace

DeviceRegister::Result DeviceRegister::registerDevice(const QString &number, const Registration &data)
{
    const QString x = normalized(number);
    if (x.isEmpty())
        return Result::NoNumber;
    WriteTransaction t;
    if (exists(QStringLiteral("SELECT EKA FROM Reg_EKA WHERE EKA = ?"), {x}))
        return Result::AlreadyRegistered;
    long long dossier = 0;
    if (Result r = check(data, &dossier); r != Result::Saved)
        return r;
    if (exists(QStringLiteral("SELECT Dosie_ID FROM Reg_EKA WHERE Dosie_ID = ?"), {dossier}))
        return Result::DossierTaken;
    QVariantList v = values(data, dossier);
    v.insert(1, x);
    Db::execute(QStringLiteral("INSERT INTO Reg_EKA (Dosie_ID, EKA, MFP, Model, Svid_N, Data_Reg, Time_Reg, ID_Serv, "
                               "TDD_ID, ID_Kontrag, ID_Sklad) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                v);
    t.commit();
    return Result::Saved;
}

DeviceRegister::Result DeviceRegister::changeDevice(const QString &number, const Registration &data)
{
    const QString x = normalized(number);
    if (x.isEmpty())
        return Result::NoNumber;
    WriteTransaction t;
    if (!exists(QStringLiteral("SELECT EKA FROM Reg_EKA WHERE EKA = ?"), {x}))
        return Result::NotRegistered;
    long long dossier = 0;
    if (Result r = check(data, &dossier); r != Result::Saved)
        return r;
    if (exists(QStringLiteral("SELECT Dosie_ID FROM Reg_EKA WHERE Dosie_ID = ? AND EKA <> ?"), {dossier, x}))
        return Result::DossierTaken;
    QVariantList v = values(data, dossier);
    v << x;
    Db::execute(QStringLiteral("UPDATE Reg_EKA SET Dosie_ID = ?, MFP = ?, Model = ?, Svid_N = ?, Data_Reg = ?, "
                               "Time_Reg = ?, ID_Serv = ?, TDD_ID = ?, ID_Kontrag = ?, ID_Sklad = ? WHERE EKA = ?"),
                v);
    t.commit();
    return Result::Saved;
}
