#pragma once
#include <QStringList>
#include <QVariantList>
#include <QString>

#include <optional>

// A counterparty is two rows: the company in Firmi and its responsible (or
// private) person in Klienti, joined by Firmi.ID_Mol = Klienti.ID. Codes
// (EIK, EGN, phones, bank codes) are kept as typed texts, leading zeros and all.
struct CounterpartyFields {
    // Firmi
    QString Ime_Firma;
    QString Grad;
    QString Adres_Firma;
    QString EIK = QStringLiteral("0");
    QString Dan_N = QStringLiteral("0");
    QString Telefon;
    QString Banka_Ime;
    QString Banka_Kod;
    QString Banka_Smetka;
    double T_O = 0; // general trade discount in percent; negative is a surcharge
    QString Zabel;
    // Klienti
    QString Ime_Klient;
    QString Grad_Klient;
    QString Adres_Klient;
    QString Telefon_Klient;
    QString EGN = QStringLiteral("0");
};

struct CounterpartyKeys {
    long long id = 0;    // Firmi.ID
    long long idMol = 0; // Klienti.ID
};

namespace CounterpartyRecord {
// The discount as typed: a number (point or comma) no higher than 100, since
// a larger discount would sell below nothing. False for anything else.
// A negative discount is a surcharge.
bool parseDiscount(const QString &text, double *percent);
// What the user is told when parseDiscount refuses a text.
QString discountRefusal();

// Inserts the pair with new numbers taken inside one write transaction (the
// caller's, when one is open): the company row first, then its person. Both
// rows or neither. Throws DbError.
CounterpartyKeys insertPair(const CounterpartyFields &fields, long long group);
// The pair's two rows for a writer of many pairs, which numbers them itself:
// the company's columns and values, then the person's.
QStringList companyColumns();
QVariantList companyValues(const CounterpartyFields &fields, const CounterpartyKeys &keys, long long group);
QStringList personColumns();
QVariantList personValues(const CounterpartyFields &fields, long long idMol);

// Changes both rows of a stored counterparty in one transaction; ID, ID_Mol
// and Nomer_Grupa stay as they are. A company row that no longer exists is an
// error; a missing person row (left by an old, half-written pair) is written
// anew under the company's ID_Mol, so nothing typed is lost. Throws DbError.
void updatePair(long long id, const CounterpartyFields &fields);

// Both rows of a counterparty; the person fields stay empty when its person
// row is missing. Nothing when the company row does not exist.
std::optional<CounterpartyFields> read(long long id, CounterpartyKeys *keys = nullptr);
} // namespace CounterpartyRecord
