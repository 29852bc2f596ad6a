#pragma once
#include <QString>
#include <QStringList>

#include <optional>

// What other users of the machine may do with the program's files. The shop's
// data (the database with the operators' password hashes, settings, work
// files, reports, exports, layouts, the log) gives them nothing; the folders
// of the fiscal devices and the files their drivers read there keep the modes
// the user's umask gives, as do files written outside the program folder for
// another program or person, and the programs the program starts.
namespace FileModes {
// Once at start, before anything makes a file: the process's umask takes
// every right of other users away; the group keeps what the umask gives
// (workstations of one machine under accounts of one group).
void keepFromOthers();
// The user's umask as it was before keepFromOthers().
unsigned userUmask();

// A file or folder a device's driver reads: the modes the user's umask gives
// (0644 and 0755 under the usual 022).
bool shareWithDevices(const QString &path);
// Makes a device's folder (one level), modes as above.
bool makeDeviceFolder(const QString &path);

// The rights of a new file at `path` that another program or person takes
// (the scale's software, the tax office's file, a saved PDF or list): outside
// the program folder what the user's umask gives (0644 under 022), as the
// reader may not be the shop's user; inside it none of its own, so the
// program's umask keeps it the shop's. For TextFile::writeAtomic.
std::optional<unsigned> forOthers(const QString &path);

// Takes other users' rights from the program folder's data that an older
// run left readable: Firm_Data.ini, Aliases.ini, Exceptions.log, FISKAL.SER,
// the folder SQLs/ and its Own_SQL.ini (with the settings files kept aside)
// and Data/, TEMP/, Documentations/ with all they hold.
void tightenProgramFolder();
// The same for the given files and folders (the database and its journals
// when it opens). A file that cannot be changed is named once in
// Exceptions.log and left as it is.
void tighten(const QStringList &paths);

// While it lives, programs started get the user's own umask.
class UserUmaskForChildren
{
public:
    UserUmaskForChildren();
    ~UserUmaskForChildren();
    UserUmaskForChildren(const UserUmaskForChildren &) = delete;
    UserUmaskForChildren &operator=(const UserUmaskForChildren &) = delete;

private:
    unsigned m_saved;
};
} // namespace FileModes
