#include "full_disk.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
const char *const kFiller = "filler";

bool mountTmpfs(const QString &at)
{
    return ::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                   "size=8m,mode=0700")
           == 0;
}

// Writes until the file system refuses even one byte.
void fillUp(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        qFatal("cannot create %s", qPrintable(path));
    static const char block[65536] = {};
    for (size_t size = sizeof block; size > 0; size /= 2)
        while (::write(fd, block, size) > 0) {
        }
    ::close(fd);
}
} // namespace

FullDisk::FullDisk(Kind wanted)
{
    if (wanted == Kind::Tmpfs && ::geteuid() == 0 && mountTmpfs(m_dir.path())) {
        m_kind = Kind::Tmpfs;
        m_mounted = true;
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

FullDisk::~FullDisk()
{
    release();
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

void FullDisk::fill(long long bytes)
{
    if (m_full)
        return;
    m_full = true;
    if (m_kind == Kind::Tmpfs) {
        fillUp(QDir(folder()).filePath(QString::fromLatin1(kFiller)));
        return;
    }
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    m_oldLimit = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

void FullDisk::release()
{
    if (!m_full)
        return;
    m_full = false;
    if (m_kind == Kind::Tmpfs) {
        QFile::remove(QDir(folder()).filePath(QString::fromLatin1(kFiller)));
        return;
    }
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_oldLimit);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}
