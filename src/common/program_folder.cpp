#include "common/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {
QString &folder()
{
    static QString path;
    return path;
}

QStringList &deliveryOverride()
{
    static QStringList folders;
    return folders;
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

QStringList ProgramFolder::deliveryFolders()
{
    if (!deliveryOverride().isEmpty())
        return deliveryOverride();
    const QString exe = QCoreApplication::applicationDirPath();
    return {exe, QDir::cleanPath(exe + QStringLiteral("/../share/ventaros"))};
}

void ProgramFolder::setDeliveryFolders(const QStringList &folders)
{
    deliveryOverride() = folders;
}

QString ProgramFolder::programFile(const QString &relative)
{
    const QString own = file(relative);
    if (QFileInfo::exists(own))
        return own;
    for (const QString &folder : deliveryFolders()) {
        const QString candidate = QDir(folder).filePath(relative);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return own;
}

QString ProgramFolder::writeProblem()
{
    const QString folder = path();
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("write-probe-XXXXXX")));
    if (QFileInfo(folder).isDir() && probe.open())
        return {};
    return QStringLiteral("Папката на програмата не позволява запис:\n") + QDir::toNativeSeparators(folder)
           + QStringLiteral("\nПрограмата пази в нея настройките и базата данни. Посочете папка с право на "
                            "запис (VENTAROS_HOME) или дайте право на запис в тази.");
}
