#include "platform/db/work_tables.h"

#include "common/program_folder.h"
#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"

#include <QCryptographicHash>
#include <QDir>
#include <QHostInfo>
#include <QRegularExpression>

QString WorkTables::workstationName()
{
    // Two program folders on one machine are two workstations when each names itself.
    QString name = qEnvironmentVariable("VENTAROS_WORKSTATION").trimmed();
    if (name.isEmpty())
        name = QHostInfo::localHostName().trimmed();
    return name.isEmpty() ? QStringLiteral("local") : name;
}

QString WorkTables::workstationKey()
{
    return derivedName(workstationName());
}

QString WorkTables::derivedName(const QString &name)
{
    // Room for what the longest derived file name adds around it.
    constexpr qsizetype Longest = 120, Kept = 100;
    const QByteArray utf8 = name.toUtf8();
    QString out;
    for (const char byte : utf8) {
        const uchar b = uchar(byte);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_' || b == '.' || b == '-')
            out += QLatin1Char(char(b));
        else
            out += QString::asprintf("%%%02X", unsigned(b));
    }
    // A name of those characters alone keeps the name it always had, however long.
    if (out.size() <= Longest || out == name)
        return out;
    return out.left(Kept) + QLatin1Char('~')
           + QString::fromLatin1(QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex().left(16));
}

QString WorkTables::filePath()
{
    return QDir(ProgramFolder::tempFolder())
        .filePath(QStringLiteral("work-") + workstationKey() + QStringLiteral(".sqlite"));
}

void WorkTables::attach(const QSqlDatabase &db)
{
    Db::execute(QStringLiteral("ATTACH DATABASE ? AS work"), {filePath()}, db);
}

QString WorkTables::qualified(const QString &name, const QSqlDatabase &db)
{
    if (Db::engine(db) == Db::Engine::Postgres)
        return PostgresEngine::workSchema() + QLatin1Char('.') + name;
    return QStringLiteral("work.") + name;
}

QString WorkTables::qualified(const QString &name)
{
    return qualified(name, Db::connection());
}

void WorkTables::ensure(const QString &name, const QString &columns, const QSqlDatabase &db)
{
    static const QRegularExpression word(QStringLiteral("(?:^|,)\\s*([A-Za-z_][A-Za-z0-9_]*)"));
    for (auto it = word.globalMatch(columns); it.hasNext();)
        Db::registerSpelling(it.next().captured(1));
    const QString spelled = Db::engine(db) == Db::Engine::Postgres ? PostgresEngine::serverColumns(columns) : columns;
    Db::execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(qualified(name, db), spelled), {}, db);
}

void WorkTables::ensureIndex(const QString &index, const QString &table, const QString &columns,
                             const QSqlDatabase &db)
{
    // SQLite names the index in the table's schema, a server the table alone.
    const QString sql = Db::engine(db) == Db::Engine::Postgres
                            ? QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)").arg(index, qualified(table, db), columns)
                            : QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)").arg(qualified(index, db), table, columns);
    Db::execute(sql, {}, db);
}

void WorkTables::create(const QString &name, const QString &columns, const QSqlDatabase &db)
{
    ensure(name, columns, db);
    Db::execute(QStringLiteral("DELETE FROM %1").arg(qualified(name, db)), {}, db);
}

void WorkTables::create(const QString &name, const QString &columns)
{
    create(name, columns, Db::connection());
}

void WorkTables::drop(const QString &name, const QSqlDatabase &db)
{
    Db::execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(qualified(name, db)), {}, db);
}

void WorkTables::drop(const QString &name)
{
    drop(name, Db::connection());
}
