#pragma once
#include <QString>
#include <QStringList>

// The program's version: four numbers from the build. The third is the
// database version the program expects.
namespace ProgramVersion {
QString GETFILEVERSION();  // "1.0.3.0"
QStringList numbers();     // the four numbers as texts
int databaseVersion();     // the third number
} // namespace ProgramVersion
