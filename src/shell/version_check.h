#pragma once
#include <QString>

class QWidget;

// The start-up check of the database version against the program's own,
// run again after every switch of database.
namespace VersionCheck {
enum class Outcome { UpToDate, UpdateOpened, NoUpdateFile, DatabaseNewer };
Outcome run(QWidget *parent); // the open database against this program
Outcome run(int programVersion, int databaseVersion, QWidget *parent);
QString newerDatabaseText(int databaseVersion, int programVersion);
} // namespace VersionCheck
