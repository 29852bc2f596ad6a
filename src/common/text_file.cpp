#include "common/text_file.h"

#include "common/cp1251.h"
#include "common/log_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// When this run began (the library is set up as the process starts).
const QDateTime g_runStarted = QDateTime::currentDateTimeUtc();

// The file a name stands for: a link is followed, so the link stays a link.
QString finalPath(const QString &path)
{
    QString target = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            break;
        target = info.symLinkTarget();
    }
    return target;
}

} // namespace

QString TextFile::failureText(int error, const QString &path)
{
    const QString file = QDir::toNativeSeparators(path);
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: // a quota or a file-size limit leaves no room all the same
        return QStringLiteral("Няма място на диска: ") + file;
    case EROFS:
        return QStringLiteral("Дискът е само за четене: ") + file;
    case EACCES:
    case EPERM:
        return QStringLiteral("Няма права за запис: ") + file;
    default:
        return QStringLiteral("Файлът не може да бъде записан: ") + file + QStringLiteral(" (")
               + QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char(')');
    }
}

namespace {

// The temporary names of `target`'s writers: "<name>.~<random>", a mark no
// file of a user's carries, so that what a killed writer left can be told.
QString temporaryPrefix(const QString &target)
{
    return QFileInfo(target).fileName() + QStringLiteral(".~");
}

// Removes the temporary files of `target` that were last written before this
// run began: their writers were killed before the rename. A writer of this
// run, or of another program writing now, has a newer file.
void removeKilledWritersFiles(const QString &target)
{
    const QDir folder = QFileInfo(target).dir();
    const QString prefix = temporaryPrefix(target);
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks))
        if (name.size() > prefix.size() && name.startsWith(prefix)
            && TextFile::olderThanThisRun(folder.filePath(name)))
            QFile::remove(folder.filePath(name));
}

// A new file beside `target` that no one else has, with the rights a new file
// gets (the umask applies); -1 with errno set when none can be made.
int createTemporary(const QString &target, QByteArray *name)
{
    const QByteArray prefix = QFile::encodeName(QFileInfo(target).dir().filePath(temporaryPrefix(target)));
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = prefix + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Every byte written and on the disk; the errno of the first failure otherwise.
int writeAll(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        at += n;
        left -= n;
    }
    // A network share or a delayed allocation may refuse only now.
    if (::fsync(fd) != 0)
        return errno;
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return errno;
    return st.st_size == bytes.size() ? 0 : ENOSPC;
}

// writeAll(), then the file closed (a network share may refuse only then).
int writeAndClose(int fd, const QByteArray &bytes)
{
    int failure = writeAll(fd, bytes);
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    return failure;
}
} // namespace

bool TextFile::writeAtomic(const QString &path, const QByteArray &bytes, QString *error,
                           std::optional<unsigned> newFileMode)
{
    const QString target = finalPath(path);
    auto fail = [&](const QString &why) {
        LogFile::append(QStringLiteral("TextFile"), why);
        if (error)
            *error = why;
        return false;
    };
    QDir().mkpath(QFileInfo(target).absolutePath());
    // A file marked read-only is not replaced, whoever runs the program (the
    // rename would otherwise go round the mark).
    const QFileInfo existing(target);
    if (existing.exists() && existing.isFile() && !(existing.permissions() & QFileDevice::WriteOwner))
        return fail(QStringLiteral("Файлът е само за четене: ") + QDir::toNativeSeparators(target));

    removeKilledWritersFiles(target);
    QByteArray temporary;
    const int fd = createTemporary(target, &temporary);
    if (fd < 0)
        return fail(TextFile::failureText(errno, target));
    struct stat old;
    // The new file keeps the old one's rights.
    if (::stat(QFile::encodeName(target).constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
    else if (newFileMode)
        ::fchmod(fd, mode_t(*newFileMode));
    int failure = writeAndClose(fd, bytes);
    // Only a whole new file takes the old one's place.
    if (failure == 0 && ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temporary.constData());
        return fail(TextFile::failureText(failure, target));
    }
    return true;
}

bool TextFile::writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    const int failure = fd < 0 ? errno : writeAndClose(fd, bytes);
    if (failure == 0)
        return true;
    if (fd >= 0)
        ::unlink(name.constData());
    if (error)
        *error = TextFile::failureText(failure, path);
    return false;
}

bool TextFile::writeUtf8(const QString &path, const QString &text, QString *error)
{
    return writeAtomic(path, text.toUtf8(), error);
}

int TextFile::moveWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 1;
    if (errno == EEXIST)
        return 0;
    if (::link(a.constData(), b.constData()) == 0) {
        ::unlink(a.constData());
        return 1;
    }
    if (errno == EEXIST)
        return 0;
    if (QFileInfo::exists(to))
        return 0;
    return ::rename(a.constData(), b.constData()) == 0 ? 1 : -1;
}

bool TextFile::syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool TextFile::olderThanThisRun(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.lastModified().toUTC() < g_runStarted;
}

QString TextFile::read(const QString &path, bool *ok)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return {};
    }
    if (ok)
        *ok = true;
    return Cp1251::decodeText(file.readAll());
}

QStringList TextFile::readLines(const QString &path, bool *ok)
{
    QString text = read(path, ok);
    if (text.isEmpty())
        return {};
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
