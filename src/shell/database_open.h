#pragma once
#include <QString>

class QWidget;

namespace DatabaseOpen {
// Opens the alias folder's database through the data module and talks to the
// user about it: tells what went wrong and, while no database is open,
// offers "Отвори", "Нова база" and "Изход" ("Нова база" only when the folder
// has no database file: a file that does not open is named with the reason).
// True once a database is open on the alias folder.
bool openAliasFolder(QWidget *parent);
// The start-up's warning that the open SQLite database lies on a network
// file system, whose failing locks can corrupt it; empty otherwise.
QString networkFolderWarning();
}
