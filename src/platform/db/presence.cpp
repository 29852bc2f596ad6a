#include "platform/db/presence.h"

#include "common/file_names.h"
#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/server_connection.h"
#include "platform/db/work_tables.h"
#include "platform/exception_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
QString g_path; // the lock file this process holds
int g_fd = -1;

QString lockName(const QString &key)
{
    return QStringLiteral(".workstation-") + key + QStringLiteral(".lock");
}

int lockNow(int fd)
{
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc;
}
} // namespace

void Presence::release()
{
    if (g_fd >= 0)
        ::close(g_fd);
    g_fd = -1;
    g_path.clear();
}

void Presence::markRunning(const QString &folder)
{
    // A server names this program's sessions: no file.
    if (ServerConnection::existsIn(folder)) {
        release();
        return;
    }
    const QString path = QDir(folder).filePath(lockName(WorkTables::workstationKey()));
    if (g_fd >= 0 && path == g_path)
        return;
    release();
    // Not inherited by programs this one starts: they must not keep it alive.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        ExceptionLog::write(QStringLiteral("Presence"),
                            path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    // Held already: by a copy under this name, which shows the name running.
    if (lockNow(fd) != 0) {
        ::close(fd);
        return;
    }
    g_fd = fd;
    g_path = path;
}

bool Presence::isRunning(const QString &key)
{
    if (key == WorkTables::workstationKey())
        return true;
    const QSqlDatabase db = Db::connection();
    if (Db::engine(db) == Db::Engine::Postgres)
        return PostgresEngine::workstationRunning(key, db);
    // A key that is no plain file name was never a program's.
    if (!FileNames::isPlain(key))
        return false;
    const QString path = QFileInfo(db.databaseName()).dir().filePath(lockName(key));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false; // never made: no program ran under the name here since
    const bool held = lockNow(fd) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

QString Presence::nameOfKey(const QString &key)
{
    if (key.contains(QLatin1Char('~')))
        return key;
    const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(key.toUtf8()));
    return WorkTables::derivedName(name) == key ? name : key;
}
