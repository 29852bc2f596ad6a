#pragma once
#include <QString>

// One running program per program folder and workstation: the program holds
// an OS lock on .running-<workstation>.lock in the program folder for as long
// as it runs. The lock dies with the process, so a killed copy never blocks
// the next start.
namespace InstanceLock {
// Takes the lock for this process (again: true). False when another running
// program holds it; a lock file that cannot be opened does not stop the start
// (it is logged).
bool acquire();
QString filePath();
// The message of a second start.
QString refusalText();
} // namespace InstanceLock
