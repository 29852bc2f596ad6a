#pragma once
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

class QTableView;

// The offer document ("Печат" and "Запис" of the offers window): the text
// file TEMP/Oferts<ExportExtension> addressed to the customer, and the copy of
// the offer's lines into the order list.
namespace OfferDocument {
struct Customer {
    QString name;  // Firmi.Ime_Firma
    QString phone; // Firmi.Telefon
};
// The firm's own row; empty for a number of 0 or less or a missing firm.
// Throws DbError.
Customer customer(long long id);

struct Content {
    Customer customer;
    bool withPhone = false;   // "Запис" adds the customer's telephone
    double total = 0;         // the offer total in leva
    QString avansTyped;       // the prepayment as typed
    double avans = 0;         // and as a number
    QString operatorName;
    QString today;            // short date text
    int decimals = 2;         // of the money texts
};
// The lines before the offer's list and those after it (the footer not
// included); own firm data from Firm_Data.ini.
QStringList headLines(const Content &c);
QStringList tailLines(const Content &c);

// Writes TEMP/Oferts<ExportExtension> whole (or not at all): head, the grid's
// visible columns and rows, tail and footer. False with *error on failure.
bool write(const Content &c, const QTableView *grid, QString *path, QString *error);

// Every offer line (Kat_N, Opisanie, Kol, Cena_2, Valuta, Firma) becomes an
// order-list row, all in one transaction: a failure copies nothing. Throws
// DbError.
void copyToOrderList(const QList<QSqlRecord> &lines, const QString &klientIme);
} // namespace OfferDocument
