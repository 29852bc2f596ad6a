#include "platform/file_systems.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/vfs.h>

namespace {
std::function<QString(const QString &)> &typeHook()
{
    static std::function<QString(const QString &)> hook;
    return hook;
}

// The mount table writes a space, tab, newline and backslash as \ and three octal digits.
QString unescaped(const QByteArray &field)
{
    QByteArray out;
    for (int i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int c = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(c));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return QFile::decodeName(out);
}

bool contains(const QString &mountPoint, const QString &path)
{
    if (mountPoint == QLatin1String("/"))
        return true;
    return path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

// The kernel's magic numbers, where the mount table cannot be read.
QString typeOfMagic(const QString &path)
{
    struct statfs s;
    if (statfs(QFile::encodeName(path).constData(), &s) != 0)
        return {};
    switch (static_cast<unsigned long>(s.f_type)) {
    case 0x6969: return QStringLiteral("nfs");
    case 0x517B: return QStringLiteral("smbfs");
    case 0xFF534D42: return QStringLiteral("cifs");
    case 0xFE534D42: return QStringLiteral("smb2");
    case 0x5346414F: return QStringLiteral("afs");
    case 0x73757245: return QStringLiteral("coda");
    case 0x564C: return QStringLiteral("ncpfs");
    case 0x00C36400: return QStringLiteral("ceph");
    default: return {};
    }
}
} // namespace

QString FileSystems::typeInMountTable(const QByteArray &mountInfo, const QString &canonicalPath)
{
    QString best, bestType;
    for (const QByteArray &line : mountInfo.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const QList<QByteArray> f = line.split(' ');
        const int dash = int(f.indexOf("-"));
        if (f.size() < 5 || dash < 6 || dash + 1 >= f.size())
            continue;
        const QString mountPoint = unescaped(f.at(4));
        // The last mount over a point hides the earlier ones.
        if (contains(mountPoint, canonicalPath) && mountPoint.size() >= best.size()) {
            best = mountPoint;
            bestType = QString::fromUtf8(f.at(dash + 1));
        }
    }
    return bestType;
}

QString FileSystems::typeOf(const QString &path)
{
    if (typeHook())
        return typeHook()(path);
    // A folder still to be made lives on the file system of its nearest parent.
    QFileInfo info(QDir::cleanPath(QDir(path).absolutePath()));
    while (!info.exists() && !info.isRoot() && info.absolutePath() != info.absoluteFilePath())
        info = QFileInfo(info.absolutePath());
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        return {};
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (table.open(QIODevice::ReadOnly)) {
        const QString type = typeInMountTable(table.readAll(), canonical);
        if (!type.isEmpty())
            return type;
    }
    return typeOfMagic(canonical);
}

bool FileSystems::isNetworkType(const QString &type)
{
    static const QStringList network{
        QStringLiteral("nfs"),   QStringLiteral("nfs4"),     QStringLiteral("cifs"),  QStringLiteral("smb3"),
        QStringLiteral("smbfs"), QStringLiteral("smb2"),     QStringLiteral("afs"),   QStringLiteral("coda"),
        QStringLiteral("ncpfs"), QStringLiteral("ncp"),      QStringLiteral("ceph"),  QStringLiteral("glusterfs"),
        QStringLiteral("fuse.sshfs"),
        QStringLiteral("fuse.glusterfs"), QStringLiteral("fuse.ceph"), QStringLiteral("fuse.smbnetfs")};
    return network.contains(type.toLower());
}

void FileSystems::setTypeHook(std::function<QString(const QString &)> hook)
{
    typeHook() = std::move(hook);
}
