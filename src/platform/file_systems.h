#pragma once
#include <QByteArray>
#include <QString>

#include <functional>

// What file system a folder lives on. A SQLite database on a network file
// system can be corrupted when the locks of that file system fail, so the
// program names such a folder.
namespace FileSystems {
// The type the kernel's mount table gives the file system holding `path`
// ("ext4", "nfs4", "cifs", "fuse.sshfs"); empty when it cannot be told.
QString typeOf(const QString &path);
// The type of the mount holding `canonicalPath` in a mount table written as
// /proc/self/mountinfo (the longest mount point that contains it).
QString typeInMountTable(const QByteArray &mountInfo, const QString &canonicalPath);
// NFS, SMB/CIFS, AFS, Coda, NCP, Ceph, GlusterFS, sshfs and the like.
bool isNetworkType(const QString &type);
// The type typeOf() reports instead of the kernel's (tests); empty to undo.
void setTypeHook(std::function<QString(const QString &path)> hook);
} // namespace FileSystems
