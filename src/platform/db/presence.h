#pragma once
#include <QString>

// Which workstations run on the open database. A program is running there
// while it has the database open: on a server its sessions carry its
// workstation's name (PostgresEngine); on SQLite it holds a lock on a file
// of its name in the database folder (".workstation-<key>.lock"), which the
// system lets go with the process, killed or not.
namespace Presence {
// This program works on the database of `folder` from now on; the lock of
// the folder before is let go. A lock file that cannot be made is named in
// Exceptions.log; the program works on.
void markRunning(const QString &folder);
void release();
// Whether a program runs as the workstation `key` (WorkTables::derivedName of
// its name) on the open database. Throws DbError (a server that cannot be
// asked).
bool isRunning(const QString &key);
// The workstation name a key was derived from, as typed ("%XX" read back);
// a key shortened by its hash stays as it is.
QString nameOfKey(const QString &key);
} // namespace Presence
