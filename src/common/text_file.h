#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Whole-file reads and atomic replacement (temporary file, then rename), so a
// crash or a full disk never leaves half a settings, tree or device file.
namespace TextFile {
// Replaces the file (following a link) only by a complete new one: every
// write checked, the file on the disk and of its full size before the rename.
// On any failure the old file stays, no new or temporary file is left, the
// reason goes to the exception log and to `error` ("Няма място на диска: <file>").
// A file that was there keeps its rights; a new one gets `newFileMode` when
// given, else what the umask gives. The temporary file is "<name>.~<random>"
// beside it; such files a killed writer left before this run began go first.
bool writeAtomic(const QString &path, const QByteArray &bytes, QString *error = nullptr,
                 std::optional<unsigned> newFileMode = std::nullopt);
// The same checks for a file that only its writer knows by this name (made or
// emptied first, removed on failure); nothing is logged.
bool writeWhole(const QString &path, const QByteArray &bytes, QString *error = nullptr);
bool writeUtf8(const QString &path, const QString &text, QString *error = nullptr);
// Why a file could not be written, for the user: "Няма място на диска:
// <file>", no rights, a read-only disk, else the system's reason.
QString failureText(int error, const QString &path);
// Moves `from` to `to` unless `to` exists: one rename that cannot replace,
// else a hard link and an unlink (a crash between the two leaves both names),
// else, on a file system with neither, a check and a rename. 1 moved, 0 `to`
// was there, -1 failed (errno tells why).
int moveWithoutReplacing(const QString &from, const QString &to);
// The folder's entries (a rename, a new or removed file) on the disk.
bool syncFolder(const QString &folder);
// The file was last written before this run of the program began: a
// temporary file that old has no writer left.
bool olderThanThisRun(const QString &path);
// Reads a text file: UTF-8, falling back to code page 1251. Missing file: ok=false.
QString read(const QString &path, bool *ok = nullptr);
// Lines of a text file without their CR/LF endings.
QStringList readLines(const QString &path, bool *ok = nullptr);
} // namespace TextFile
