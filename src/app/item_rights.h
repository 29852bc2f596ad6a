#pragma once
#include <QString>

#include <functional>

class QWidget;

// The operator's rights on the items of the main menu, for the windows below
// the shell. A window that an item opens checks the item's right in its own
// opener, so every road to it (the menu, another window's button, a picker,
// a context menu) is guarded alike. The shell registers the check.
namespace ItemRights {
struct Check {
    std::function<bool(const QString &item)> allows; // the item and every menu above it allowed
    std::function<QString(const QString &item)> path; // "Номенклатури → Доставки"
};
// Replaces the check; an empty one (no main window) allows everything.
void install(Check check);

// Whether the operator may use `item` (the item's object name).
bool allows(const QString &item);
// allows(); else the operator is told so over `parent` and false returned.
bool permit(const QString &item, QWidget *parent);
// The message of a refusal.
QString refusal(const QString &path);
} // namespace ItemRights
