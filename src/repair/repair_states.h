#pragma once
#include <QColor>
#include <QList>
#include <QPalette>
#include <QString>
#include <QStringList>

#include <optional>

// The user's repair states (Status_Remont) and their display colours. A
// state's colour is an index into one fixed list of 39 colour names; the
// system colours among them follow the palette's roles.
namespace RepairStates {
inline constexpr int ColourCount = 39;
inline constexpr int DefaultColour = 38; // "clWindowText"

QStringList colourNames(); // the colour combo's items, in index order
// The colour of an index; none outside 0..38 (the element keeps its own).
std::optional<QColor> colour(int index, const QPalette &palette);
std::optional<QColor> colour(int index); // on the application's palette

struct State {
    long long id = 0;
    QString name;
    int colour = -1;
};
// Every state by number. Throws DbError.
QList<State> all();
// A new state numbered MAX(ID)+1 in one write transaction; returns its ID. Throws DbError.
long long add(const QString &name, int colour);
// Throws DbError.
void update(long long id, const QString &name, int colour);
// Deletes the state unless an intake names it; returns an error text when it
// stays (empty when deleted or when no such state exists). Throws DbError.
QString remove(long long id);
} // namespace RepairStates
