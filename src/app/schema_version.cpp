#include "app/schema_version.h"

#include "platform/db/database.h"

int SchemaVersion::read(const QSqlDatabase &db)
{
    if (!db.isOpen() || !Db::tableExists(QStringLiteral("Versiq_Baza"), db))
        return 0;
    return Db::scalar(QStringLiteral("SELECT MAX(Ver) FROM Versiq_Baza"), {}, db).toInt();
}

void SchemaVersion::record(const QSqlDatabase &db, int version)
{
    Db::execute(QStringLiteral("DELETE FROM Versiq_Baza"), {}, db);
    Db::execute(QStringLiteral("INSERT INTO Versiq_Baza (Ver) VALUES (?)"), {version}, db);
}
