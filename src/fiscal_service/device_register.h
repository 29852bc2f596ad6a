#pragma once
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QSqlRecord>
#include <QString>
#include <QTime>
#include <QVariantList>

#include <optional>

// The register of customers' cash registers (Reg_EKA), their contracts
// (Dogovor) and what the fiscal tab reads of sales, owners and sites.
// Device numbers are stored upper-cased and compared with "=".
namespace DeviceRegister {
inline constexpr const char *NotGiven = "Не е посочено";
inline constexpr const char *NoContractNumber = "0000000000";

// The device query's select list, in the order and with the result names the
// fiscal-centre layouts print. Where a plain name occurs twice (ID, Grad) the
// first is the one read by name.
QString selectList(bool withContract);
// The result names of the device query with contracts, each with the table
// (or its alias) it comes from, in select order: ("Serv", "Serv_Ime") ...
QList<QPair<QString, QString>> resultFields();
// The FROM part: the register with owner, person, site, model, service
// centre, tax office and sealing firm left-joined, and with `withContract`
// the device's contracts too (one row per contract). The tax-office file
// uses it without contracts: one row per registration.
QString joins(bool withContract);
// Every row of a device, the latest valid-until date first; bound: the number.
QString deviceSql();
QList<QSqlRecord> deviceRows(const QString &number); // throws DbError
std::optional<QSqlRecord> findDevice(const QString &number);

// A contract is valid while now is not later than the start of its
// valid-until day.
bool contractExpired(const QString &validDoIso, const QDateTime &now = QDateTime::currentDateTime());
QString contractNumber(const QSqlRecord &deviceRow); // prefix + serial, "0000000000" without a contract

// The sale of a device: an exact serial first, else one whose serial contains
// the number; the latest sale. Fields Pored_Do, Opisanie, Firm_ID, Ime_Firma,
// EIK, Grad, Adres_Firma, Ime_Klient, EGN.
std::optional<QSqlRecord> saleOf(const QString &number);
// A firm with its person (left-joined: a firm without one still has its own data).
std::optional<QSqlRecord> firmWithPerson(long long firm);
std::optional<QSqlRecord> firm(long long firm);
// The firm an entry's reference text names ("2:Сервиз ООД" names firm 2);
// nothing when its key is no firm's.
std::optional<QSqlRecord> namedFirm(const QString &entryText);
QList<QSqlRecord> sitesOf(long long owner);
std::optional<QSqlRecord> site(long long owner, long long site);
QString ownerDevicesSql(); // bound: the owner
QList<QSqlRecord> ownerDevices(long long owner);
int ownedCount(long long owner);
// Devices of the owner that have contracts, all of them expired.
int expiredCount(long long owner, const QDate &today = QDate::currentDate());
QList<QSqlRecord> models();
// A model with its sealing firm's name (left-joined).
std::optional<QSqlRecord> model(long long model);

long long nextDossier(); // MAX(Dosie_ID) + 1

// What registration and change store.
struct Registration {
    QString dossier; // as typed
    QString mfp;
    long long model = -1;
    QDate date;
    QTime time;
    long long service = -1;
    long long taxOffice = -1;
    long long owner = -1;
    long long site = -1;
};

enum class Result { Saved, MissingOwner, MissingSite, MissingModel, MissingService, MissingTaxOffice,
                    BadDossier, DossierTaken, AlreadyRegistered, NoNumber, NotRegistered };
// The Bulgarian message of a refusal; empty for Saved.
QString message(Result result, const QString &dossier = {});

// Checks the references (each must name an existing record; the site one of
// the owner's) and the dossier, then inserts the number upper-cased, in one
// transaction. Throws DbError on a database failure.
Result registerDevice(const QString &number, const Registration &data);
// Rewrites the device's registration (its number stays). Same checks.
Result changeDevice(const QString &number, const Registration &data);
} // namespace DeviceRegister
