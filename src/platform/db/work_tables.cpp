#include "platform/db/work_tables.h"

#include "common/program_folder.h"
#include "platform/db/database.h"

#include <QDir>
#include <QHostInfo>
#include <QRegularExpression>

QString WorkTables::workstationName()
{
    // Two program folders on one machine are two workstations when each names itself.
    QString host = qEnvironmentVariable("VENTAROS_WORKSTATION");
    if (host.trimmed().isEmpty())
        host = QHostInfo::localHostName();
    host.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return host.isEmpty() ? QStringLiteral("local") : host;
}

QString WorkTables::filePath()
{
    return QDir(ProgramFolder::tempFolder())
        .filePath(QStringLiteral("work-") + workstationName() + QStringLiteral(".sqlite"));
}

void WorkTables::attach(const QSqlDatabase &db)
{
    Db::execute(QStringLiteral("ATTACH DATABASE ? AS work"), {filePath()}, db);
}

QString WorkTables::qualified(const QString &name)
{
    return QStringLiteral("work.") + name;
}

void WorkTables::create(const QString &name, const QString &columns, const QSqlDatabase &db)
{
    Db::execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(qualified(name), columns),
                {}, db);
    Db::execute(QStringLiteral("DELETE FROM %1").arg(qualified(name)), {}, db);
}

void WorkTables::create(const QString &name, const QString &columns)
{
    create(name, columns, Db::connection());
}

void WorkTables::drop(const QString &name, const QSqlDatabase &db)
{
    Db::execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(qualified(name)), {}, db);
}

void WorkTables::drop(const QString &name)
{
    drop(name, Db::connection());
}
