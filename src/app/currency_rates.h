#pragma once
#include <QList>
#include <QString>

// The currency table Valuti: a currency's name (Opisanie) is what every
// currency column of the program names, its rate (Kurs) is to the lev.
// Each change returns an empty text on success, otherwise the Bulgarian
// message that says why nothing was written.
namespace CurrencyRates {
struct Row {
    long long id = 0;
    QString name;
    double rate = 1;
    QString basic = QStringLiteral("False"); // "True" / "False"
};

QList<Row> all(); // in the order they were added; throws DbError

QString setRate(long long id, const QString &typed);
QString setBasic(long long id, const QString &value);
QString rename(long long id, const QString &newName);
QString add(const QString &name, const QString &typedRate, const QString &basic, long long *newId);
QString remove(long long id);

// The base currency's name: the row marked basic ("True"), else the one with
// rate 1, else "BGL". Throws DbError.
QString baseCurrency();

// The rate a user typed: a number above 0 (point or comma); an error text otherwise.
QString parseRate(const QString &typed, double *rate);
} // namespace CurrencyRates
