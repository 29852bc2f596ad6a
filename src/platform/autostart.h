#pragma once
#include <QString>

// Starting the program with the user's desktop session: a per-user XDG
// autostart entry, $XDG_CONFIG_HOME/autostart/ventaros.desktop (by default
// under ~/.config). Its command starts the program's executable and carries
// VENTAROS_HOME when that is set, so the same program folder opens.
namespace Autostart {
QString entryPath();
// The Exec value for the executable (default: the running program).
QString command(const QString &executable = {});
// True when the entry exists and starts this executable the same way.
bool isEnabled(const QString &executable = {});
// Writes the entry (atomically). false with *error when it cannot be written.
bool enable(const QString &executable = {}, QString *error = nullptr);
// Removes the entry; true when it is gone.
bool disable(QString *error = nullptr);
} // namespace Autostart
