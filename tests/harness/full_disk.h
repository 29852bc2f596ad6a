#pragma once
#include <QString>
#include <QTemporaryDir>

// A folder on a file system with no room left, for what the program does on a
// full disk. Where the test may mount one it is a small tmpfs that fill()
// packs to the last byte; elsewhere (no root, no mount rights) a file-size
// limit of 0 with SIGXFSZ ignored makes every write of the process fail the
// same way while it is full. The program folder and database go in folder()
// before fill().
class FullDisk
{
public:
    enum class Kind { Tmpfs, SizeLimit };
    // Tmpfs when it can be mounted, else SizeLimit; SizeLimit when asked for.
    explicit FullDisk(Kind wanted = Kind::Tmpfs);
    ~FullDisk();
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    Kind kind() const { return m_kind; }
    QString folder() const { return m_dir.path(); }
    // No room from now on. With SizeLimit a file may still grow to `bytes`
    // (a write that is cut short); a full tmpfs takes nothing.
    void fill(long long bytes = 0);
    void release(); // room again

private:
    QTemporaryDir m_dir;
    Kind m_kind = Kind::SizeLimit;
    bool m_mounted = false;
    bool m_full = false;
    unsigned long long m_oldLimit = 0;
};
