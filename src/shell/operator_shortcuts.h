#pragma once
#include <QString>

class IniFile;
class MainMenuActions;

// Per-operator keyboard shortcuts of the main menu, kept in Firm_Data.ini of
// this workstation: section "Оператор: <name>", "Counts" = number of menu
// tree nodes, keys "1".."Counts-1" = the shortcut text of that node's item
// ("Ctrl+K"; empty for none).
namespace OperatorShortcuts {
// Every item back to its design shortcut, then the operator's own keys. A key
// the section lacks keeps the design shortcut.
void apply(const IniFile &ini, const QString &operatorName, MainMenuActions &menu);
void save(IniFile &ini, const QString &operatorName, const MainMenuActions &menu);
QString text(const MainMenuActions &menu, const QString &itemName); // "Ctrl+K" or ""
} // namespace OperatorShortcuts
