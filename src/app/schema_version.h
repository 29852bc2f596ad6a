#pragma once
#include <QSqlDatabase>

// The schema version kept inside the database (one-row table Versiq_Baza).
namespace SchemaVersion {
int read(const QSqlDatabase &db);                 // 0 when not recorded
void record(const QSqlDatabase &db, int version); // inside the caller's transaction
} // namespace SchemaVersion
