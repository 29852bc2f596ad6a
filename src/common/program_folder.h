#pragma once
#include <QString>

// The program folder: VENTAROS_HOME when set, else the executable's folder.
// Resolved once at start; tests point it at a fresh temporary folder.
namespace ProgramFolder {
void resolve();                      // called once by main()
void setPath(const QString &folder); // tests
QString path();
QString file(const QString &relative); // program folder joined with a relative path
QString tempFolder();                  // TEMP/, created when missing
QString defaultDatabaseFolder();       // Data/
} // namespace ProgramFolder
