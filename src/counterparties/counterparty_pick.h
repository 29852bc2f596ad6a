#pragma once
#include <QList>
#include <QSqlRecord>
#include <QString>

#include <functional>

// What a pick in the counterparty browser delivers. A window that needs a
// counterparty registers a receiver for its pick mode (once, e.g. when it is
// built), sets CounterpartyPickMode to that mode and opens the browser
// (TForm_Kontrakents::N_KlientiClick). "ИЗБЕРИ" hands the receiver the picked
// counterparty; the mode returns to -1 on a pick, a cancel and every close.
namespace CounterpartyPick {
inline constexpr int ModeCount = 18; // modes 0..17

struct Picked {
    QSqlRecord current;       // the current row, every Firmi column by field name
    QList<QSqlRecord> marked; // the marked rows, in grid order (topmost first)
    long long id() const;     // the current row's ID
    QString name() const;     // its Ime_Firma
    QString referenceText() const; // "<ID>:<Ime_Firma>"
};

using Receiver = std::function<void(const Picked &picked)>;

// One receiver per mode; registering again replaces it, an empty receiver
// removes it. Modes outside 0..17 are ignored.
void registerTarget(int mode, Receiver receiver);
void unregisterTarget(int mode);
bool hasTarget(int mode);

// Hands the pick to the mode's receiver; false when the mode has none (then
// nothing is written). A receiver's exception passes on to the caller.
bool deliver(int mode, const Picked &picked);

// "<ID>:<Ime_Firma>" of a Firmi row.
QString referenceText(const QSqlRecord &row);
} // namespace CounterpartyPick
