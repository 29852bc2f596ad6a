#pragma once
#include <QString>
#include <QStringList>

#include <optional>

// The places table Grad: a name with its postal (PK) and telephone area (TK)
// codes. Counterparty rows keep the name as text, without a key link; each
// place row has its own key so that an edit changes exactly that row, even
// when two rows read the same.
namespace Places {
struct Place {
    long long id = 0; // Grad.ID, 0 before the row is stored
    QString Opisanie;
    QString PK;
    QString TK;
};

// Names of the places whose name contains the text, without regard to case
// (Cyrillic included), in alphabetical order. Throws DbError.
QStringList byName(const QString &text);
// Every place name, in alphabetical order. Throws DbError.
QStringList all();
// "+<digits>" finds the places whose telephone code contains the digits,
// "-<digits>" those whose postal code does; names in alphabetical order.
// Nothing (nullopt) for a text that begins with neither. Throws DbError.
std::optional<QStringList> byCode(const QString &text);

std::optional<Place> read(long long id);
// Row keys in table order, for moving through the table.
QList<long long> keys();
long long insert(const Place &place); // returns the new row's key
void update(const Place &place);      // throws DbError when the row is gone
void remove(long long id);
} // namespace Places
