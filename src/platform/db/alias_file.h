#pragma once
#include <QString>

// The alias "Service": which database folder the program works on. Kept in
// Aliases.ini in the program folder (driver and PATH), written atomically.
namespace AliasFile {
inline constexpr const char *ServiceAlias = "Service";
inline constexpr const char *Driver = "SQLITE";
QString filePath();
bool exists(); // the file holds the alias
QString path(const QString &alias = QLatin1String(ServiceAlias));
// `error` gets why the file could not be written.
bool setPath(const QString &folder, const QString &alias = QLatin1String(ServiceAlias), QString *error = nullptr);
} // namespace AliasFile
