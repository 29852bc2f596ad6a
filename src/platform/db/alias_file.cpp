#include "platform/db/alias_file.h"

#include "common/ini_file.h"
#include "common/program_folder.h"

QString AliasFile::filePath()
{
    return ProgramFolder::file(QStringLiteral("Aliases.ini"));
}

bool AliasFile::exists()
{
    return IniFile(filePath()).valueExists(QLatin1String(ServiceAlias), QStringLiteral("PATH"));
}

QString AliasFile::path(const QString &alias)
{
    return IniFile(filePath()).readString(alias, QStringLiteral("PATH"));
}

bool AliasFile::setPath(const QString &folder, const QString &alias, QString *error)
{
    IniFile ini(filePath());
    ini.writeString(alias, QStringLiteral("DRIVER"), QLatin1String(Driver));
    ini.writeString(alias, QStringLiteral("PATH"), folder);
    return ini.save(error);
}
