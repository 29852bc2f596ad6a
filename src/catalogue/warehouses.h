#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The warehouse register (Sklad) and the active warehouse of this
// workstation ([Store] Active, shown by the main window as "Склад: " + the
// warehouse's reference text).
struct Warehouse {
    long long id = 0; // ID_Sklad, typed by the operator, never changed afterwards
    QString name;     // Opis_Sklad
    QString town;     // Grad
    QString address;  // Adres
    QString mol;      // Mol_Sklad
    QString referenceText() const; // "<ID_Sklad>:<Opis_Sklad>"
};

// A row of the warehouse grid as the operator left it.
struct WarehouseEntry {
    long long savedId = 0; // the stored number; 0 for a row not saved yet
    QString number;        // as typed
    QString name, town, address, mol;
};

struct WarehouseSaveResult {
    bool ok = false;
    int entry = -1;  // the entry that was refused (-1: the whole save)
    int column = -1; // 0 number, 1 name
    QString message; // Bulgarian, for the operator
};

namespace Warehouses {
// What the panel shows when [Store] Active names no warehouse.
inline constexpr const char *NoWarehouseText = ":";

QList<Warehouse> all();                      // by number; throws DbError
std::optional<Warehouse> find(long long id); // throws DbError
QStringList referenceTexts();                // "<ID_Sklad>:<Opis_Sklad>" by number; throws DbError

// A warehouse number as typed: a whole number from 1 up to the largest key a
// reference text can carry; 0 for anything else.
long long parseNumber(const QString &typed);

// Stores new and changed rows of the grid in one write transaction. A number
// that is no whole number above 0 or that another warehouse has, a changed
// number of a stored warehouse and an empty name are refused before anything
// is written; a database failure writes nothing either.
WarehouseSaveResult save(const QList<WarehouseEntry> &entries);

// True when the warehouse is the active one of this workstation (the setting
// or the panel).
bool isActive(long long id);
// Deletes a warehouse unless it is active here or a registered column names
// it (checked again inside the transaction). On refusal *reason gets the
// Bulgarian text and nothing is deleted. Throws DbError.
bool remove(long long id, QString *reason = nullptr);
// The refusal text for a delete, empty when the warehouse may go.
QString removalRefusal(const Warehouse &warehouse);

// The reference text of the warehouse [Store] Active names; ":" when no
// warehouse has that number or the database cannot be read.
QString activeReferenceText();
// Start-up: the active warehouse from [Store] Active into AppState (the main
// window mirrors it into Panel_Sklad).
void LoadActiveWarehouse();
// "ИЗБЕРИ": writes [Store] Active and sets AppState. False when the setting
// could not be written (then nothing changes).
bool chooseActive(const Warehouse &warehouse, QString *error = nullptr);
} // namespace Warehouses
