#include "platform/file_modes.h"

#include "common/program_folder.h"
#include "platform/exception_log.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {
constexpr mode_t OthersBits = S_IRWXO;

struct Umasks {
    mode_t user = 0;
    mode_t ours = 0;
    bool set = false;
};

Umasks &umasks()
{
    static Umasks u;
    return u;
}

// Files named once in the exception log, so a start or an open does not repeat them.
QSet<QString> &named()
{
    static QSet<QString> paths;
    return paths;
}

void tightenOne(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    // A link is not followed: what it points at is not the program's.
    if (::lstat(native.constData(), &st) != 0 || S_ISLNK(st.st_mode) || !(st.st_mode & OthersBits))
        return;
    if (::chmod(native.constData(), st.st_mode & 07777 & ~OthersBits) == 0)
        return;
    const QString why = QString::fromLocal8Bit(std::strerror(errno));
    if (named().contains(path))
        return;
    named().insert(path);
    ExceptionLog::write(QStringLiteral("FileModes"),
                        QStringLiteral("Правата на другите потребители не могат да бъдат отнети: %1 (%2)")
                            .arg(QDir::toNativeSeparators(path), why));
}

void tightenTree(const QString &folder)
{
    if (!QFileInfo(folder).isDir() || QFileInfo(folder).isSymLink())
        return;
    tightenOne(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        tightenOne(it.next());
}
} // namespace

void FileModes::keepFromOthers()
{
    const mode_t current = ::umask(0);
    Umasks &u = umasks();
    // Called again (tests set a umask of their own first): the user's is the one not ours.
    if (!u.set || current != u.ours)
        u.user = current;
    u.ours = u.user | OthersBits;
    u.set = true;
    ::umask(u.ours);
}

unsigned FileModes::userUmask()
{
    if (umasks().set)
        return umasks().user;
    const mode_t current = ::umask(0);
    ::umask(current);
    return current;
}

bool FileModes::shareWithDevices(const QString &path)
{
    const mode_t all = QFileInfo(path).isDir() ? 0777 : 0666;
    return ::chmod(QFile::encodeName(path).constData(), all & ~mode_t(userUmask())) == 0;
}

bool FileModes::makeDeviceFolder(const QString &path)
{
    if (QFileInfo(path).isDir())
        return true;
    return QDir().mkdir(path) && shareWithDevices(path);
}

std::optional<unsigned> FileModes::forOthers(const QString &path)
{
    // Links and "..": the folder as it really is; one not made yet by the
    // nearest one that is.
    const auto real = [](const QString &p) -> QString {
        QString rest;
        QString at = QDir::cleanPath(QFileInfo(p).absoluteFilePath());
        while (!QFileInfo::exists(at) && at != QDir::rootPath()) {
            rest = QLatin1Char('/') + QFileInfo(at).fileName() + rest;
            at = QFileInfo(at).absolutePath();
        }
        return QFileInfo(at).canonicalFilePath() + rest;
    };
    const QString program = real(ProgramFolder::path());
    const QString folder = real(QFileInfo(path).absolutePath());
    if (folder == program || folder.startsWith(program + QLatin1Char('/')))
        return std::nullopt;
    return 0666 & ~userUmask();
}

void FileModes::tightenProgramFolder()
{
    for (const char *file : {"Firm_Data.ini", "Firm_Data.ini.bad", "Aliases.ini", "Aliases.ini.bad", "Exceptions.log",
                             "FISKAL.SER", "SQLs/Own_SQL.ini", "SQLs/Own_SQL.ini.bad"})
        tightenOne(ProgramFolder::file(QString::fromLatin1(file)));
    // The statements delivered in it are the program's, not the shop's: the
    // folder closes them with the shop's own queries.
    tightenOne(ProgramFolder::file(QStringLiteral("SQLs")));
    for (const char *folder : {"Data", "TEMP", "Documentations"})
        tightenTree(ProgramFolder::file(QString::fromLatin1(folder)));
}

void FileModes::tighten(const QStringList &paths)
{
    for (const QString &path : paths)
        tightenOne(path);
}

FileModes::UserUmaskForChildren::UserUmaskForChildren()
    : m_saved(::umask(mode_t(userUmask())))
{
}

FileModes::UserUmaskForChildren::~UserUmaskForChildren()
{
    ::umask(mode_t(m_saved));
}
