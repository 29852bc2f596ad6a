#include "platform/shell_exec.h"

#include "platform/file_modes.h"
#include "platform/script.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

bool ShellExec::startProgram(const QString &program, const QStringList &args)
{
    if (PlatformScript::isActive()) {
        PlatformScript::record({QStringLiteral("startProgram"), program, args, QVariant()});
        return true;
    }
    FileModes::UserUmaskForChildren umask;
    return QProcess::startDetached(program, args);
}

bool ShellExec::openFile(const QString &path)
{
    if (PlatformScript::isActive()) {
        PlatformScript::record({QStringLiteral("openFile.shell"), path, {}, QVariant()});
        return true;
    }
    FileModes::UserUmaskForChildren umask;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

bool ShellExec::openUrl(const QString &url)
{
    if (PlatformScript::isActive()) {
        PlatformScript::record({QStringLiteral("openUrl.shell"), url, {}, QVariant()});
        return true;
    }
    FileModes::UserUmaskForChildren umask;
    return QDesktopServices::openUrl(QUrl(url, QUrl::StrictMode));
}

QString ShellExec::findInstalled(const QStringList &candidates)
{
    for (const QString &name : candidates) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return {};
}
