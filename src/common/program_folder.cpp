#include "common/program_folder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString &folder()
{
    static QString path;
    return path;
}
} // namespace

void ProgramFolder::resolve()
{
    const QByteArray home = qgetenv("VENTAROS_HOME");
    if (!home.isEmpty())
        setPath(QString::fromLocal8Bit(home));
    else
        setPath(QCoreApplication::applicationDirPath());
}

void ProgramFolder::setPath(const QString &path)
{
    folder() = QDir(path).absolutePath();
    QDir().mkpath(folder());
}

QString ProgramFolder::path()
{
    if (folder().isEmpty())
        resolve();
    return folder();
}

QString ProgramFolder::file(const QString &relative)
{
    return QDir(path()).filePath(relative);
}

QString ProgramFolder::tempFolder()
{
    const QString temp = file(QStringLiteral("TEMP"));
    QDir().mkpath(temp);
    return temp;
}

QString ProgramFolder::defaultDatabaseFolder()
{
    return file(QStringLiteral("Data"));
}
