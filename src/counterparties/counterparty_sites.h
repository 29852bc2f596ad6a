#pragma once
#include <QString>
#include <QStringList>

// A counterparty's sites (Kontrag_Sklad) and bank accounts (Kontrag_SM).
// Site and account numbers run in one sequence each over all counterparties
// and are taken inside the insert's write transaction. Every operation throws
// DbError when its statement fails.
namespace CounterpartySites {
struct Site {
    long long id = 0; // ID_SK
    QString Opisanie_SK;
    QString Grad_SK;
    QString Adres_SK;
    QString Tel_SK;
    QString MOL_SK;
    QString EGN_MOL_SK;
    QString LK_Mol_SK;
    QString LK_Izd_Ot;
};

struct Account {
    long long id = 0; // ID_SM
    QString Smetka;
    QString Kod;
    QString Banka;
    QString Klon;
    bool DDS = false; // stored as "True" / "False"
};

long long insertSite(long long counterparty, const Site &site); // returns the new ID_SK
// Changes the site of that counterparty; an error when no such row exists.
void updateSite(long long counterparty, const Site &site);
// Deletes the site unless another table names it: then nothing is deleted
// and the naming table is returned.
QString removeSite(long long counterparty, long long id);

long long insertAccount(long long counterparty, const Account &account); // returns the new ID_SM
void updateAccount(long long counterparty, const Account &account);
QString removeAccount(long long counterparty, long long id);

// Every bank name of the stored accounts, each once, in alphabetical order.
QStringList bankNames();
} // namespace CounterpartySites
