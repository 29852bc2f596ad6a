#include "platform/instance_lock.h"

#include "common/program_folder.h"
#include "platform/db/work_tables.h"
#include "platform/exception_log.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// The lock this process holds; a test that moves to another program folder
// takes that folder's lock and lets the old one go.
QString g_path;
int g_fd = -1;
} // namespace

// In the program folder itself, not in TEMP/ among the report files a user
// clears, nor in the database folder, which other machines may share. The
// one place the file's name is built from the workstation's name.
QString InstanceLock::filePath()
{
    return ProgramFolder::file(QStringLiteral(".running-") + WorkTables::workstationKey() + QStringLiteral(".lock"));
}

bool InstanceLock::acquire()
{
    const QString path = filePath();
    if (g_fd >= 0 && path == g_path)
        return true;
    // Not inherited by programs this one starts: they must not keep it alive.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        ExceptionLog::write(QStringLiteral("InstanceLock"),
                            path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
        return true;
    }
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return false;
        ExceptionLog::write(QStringLiteral("InstanceLock"),
                            path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
        return true;
    }
    if (g_fd >= 0)
        ::close(g_fd);
    g_fd = fd;
    g_path = path;
    return true;
}

QString InstanceLock::refusalText()
{
    return QStringLiteral("Програмата вече работи на това работно място (%1).\n"
                          "Второ копие не се стартира: продължете в отворения прозорец.")
        .arg(WorkTables::workstationName());
}
