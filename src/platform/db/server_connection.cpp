#include "platform/db/server_connection.h"

#include "common/ini_file.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString Section = QStringLiteral("Server");
}

QString ServerConnection::filePath(const QString &folder)
{
    return QDir(folder).filePath(QLatin1String(FileName));
}

bool ServerConnection::existsIn(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo::exists(filePath(folder));
}

std::optional<ServerConnection> ServerConnection::read(const QString &folder, QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<ServerConnection> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!existsIn(folder))
        return fail(QStringLiteral("В папката няма файл за връзка със сървъра ") + QLatin1String(FileName)
                    + QLatin1Char('.'));
    const IniFile ini(filePath(folder));
    if (!ini.readable())
        return fail(QStringLiteral("Файлът ") + filePath(folder) + QStringLiteral(" не може да бъде прочетен."));
    ServerConnection c;
    c.host = ini.readString(Section, QStringLiteral("Host")).trimmed();
    c.port = int(ini.readInteger(Section, QStringLiteral("Port"), DefaultPort));
    c.database = ini.readString(Section, QStringLiteral("Database")).trimmed();
    c.user = ini.readString(Section, QStringLiteral("User")).trimmed();
    const QString missing = c.problem();
    if (!missing.isEmpty())
        return fail(QStringLiteral("Файлът ") + filePath(folder) + QStringLiteral(": ") + missing);
    return c;
}

QString ServerConnection::problem() const
{
    if (host.isEmpty())
        return QStringLiteral("не е посочен сървър (Host).");
    if (port < 1 || port > 65535)
        return QStringLiteral("портът трябва да е число от 1 до 65535 (Port).");
    if (database.isEmpty())
        return QStringLiteral("не е посочена база данни (Database).");
    if (user.isEmpty())
        return QStringLiteral("не е посочен потребител (User).");
    return {};
}

bool ServerConnection::write(const QString &folder, QString *error) const
{
    IniFile ini(filePath(folder));
    ini.writeString(Section, QStringLiteral("Host"), host);
    ini.writeInteger(Section, QStringLiteral("Port"), port);
    ini.writeString(Section, QStringLiteral("Database"), database);
    ini.writeString(Section, QStringLiteral("User"), user);
    return ini.save(error);
}

QString ServerConnection::describe() const
{
    return database + QStringLiteral(" на ") + host + QLatin1Char(':') + QString::number(port);
}
