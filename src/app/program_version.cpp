#include "app/program_version.h"

#include "ventaros_version.h"

QStringList ProgramVersion::numbers()
{
    return {QString::number(VENTAROS_VERSION_MAJOR), QString::number(VENTAROS_VERSION_MINOR),
            QString::number(VENTAROS_VERSION_PATCH), QString::number(VENTAROS_VERSION_TWEAK)};
}

QString ProgramVersion::GETFILEVERSION()
{
    return numbers().join(QLatin1Char('.'));
}

int ProgramVersion::databaseVersion()
{
    return VENTAROS_VERSION_PATCH;
}
