#pragma once
#include <QString>
#include <QStringList>

// The program folder: VENTAROS_HOME when set, else the executable's folder.
// Resolved once at start; tests point it at a fresh temporary folder.
namespace ProgramFolder {
void resolve();                      // called once by main()
void setPath(const QString &folder); // tests
QString path();
QString file(const QString &relative); // program folder joined with a relative path
QString tempFolder();                  // TEMP/, created when missing
QString defaultDatabaseFolder();       // Data/
// Empty when the program folder exists and takes new files; otherwise the
// message that names it and says it cannot be written.
QString writeProblem();

// A file or folder delivered with the program (SQLs/..., Video/...): the
// program folder's own copy when present, else the one beside the executable,
// else the one an install put in <prefix>/share/ventaros. When none exists,
// the program folder's path, so a message names where it was looked for.
QString programFile(const QString &relative);
// The folders searched after the program folder, in order.
QStringList deliveryFolders();
void setDeliveryFolders(const QStringList &folders); // tests; empty: the defaults
} // namespace ProgramFolder
