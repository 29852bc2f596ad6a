#include "platform/db/database.h"
#include "platform/db/sqlite_engine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {
// BEGIN IMMEDIATE would take the attached work database's lock as well: the
// commit then counts both as written and goes through a super-journal, its
// file and syncs, even for one line of the shop. A delete of no row takes
// the shop database's lock alone, and takes it at once as BEGIN IMMEDIATE
// does (waiting for another workstation's write the same way).
const char *LockShopOnly = "DELETE FROM main.Operators WHERE 0";

bool hasOperators(sqlite3 *h)
{
    return h && sqlite3_table_column_metadata(h, "main", "Operators", nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr) == SQLITE_OK;
}

// The super-journal a rollback journal names at its end (SQLite's layout:
// the name, its length, its checksum, then the journal's magic); empty when
// it names none. `unread` is set when the journal is there but cannot be read.
QByteArray namedSuperJournal(const QString &journal, bool *unread)
{
    static const QByteArray magic = QByteArray::fromHex("d9d505f920a163d7");
    QFile f(journal);
    if (!f.open(QIODevice::ReadOnly)) {
        *unread = QFile::exists(journal);
        return {};
    }
    const qint64 size = f.size();
    if (size < 16 || !f.seek(size - 16)) {
        *unread = size >= 16;
        return {};
    }
    const QByteArray tail = f.read(16);
    if (tail.size() != 16) {
        *unread = true;
        return {};
    }
    if (tail.right(8) != magic)
        return {};
    const quint32 length = (quint32(uchar(tail[0])) << 24) | (quint32(uchar(tail[1])) << 16)
                           | (quint32(uchar(tail[2])) << 8) | quint32(uchar(tail[3]));
    if (length == 0 || length > size - 16 || !f.seek(size - 16 - length)) {
        return {};
    }
    const QByteArray name = f.read(length);
    if (name.size() != qsizetype(length))
        *unread = true;
    return name;
}

// A journal the super-journal lists still names it (or may: it cannot be read).
bool stillNamed(const QString &superJournal)
{
    QFile f(superJournal);
    if (!f.open(QIODevice::ReadOnly))
        return true;
    const QByteArray own = QFile::encodeName(QFileInfo(superJournal).fileName());
    for (const QByteArray &child : f.readAll().split('\0')) {
        if (child.isEmpty())
            continue;
        bool unread = false;
        const QByteArray named = namedSuperJournal(QFile::decodeName(child), &unread);
        if (unread || named.mid(named.lastIndexOf('/') + 1) == own)
            return true;
    }
    return false;
}
} // namespace

void SqliteEngine::beginWrite(const QSqlDatabase &db)
{
    if (!hasOperators(handle(db))) {
        Db::execute(QStringLiteral("BEGIN IMMEDIATE"), {}, db);
        return;
    }
    Db::execute(QStringLiteral("BEGIN"), {}, db);
    try {
        Db::execute(QString::fromLatin1(LockShopOnly), {}, db);
    } catch (const DbError &) {
        Db::execute(QStringLiteral("ROLLBACK"), {}, db);
        throw;
    }
}

void SqliteEngine::removeSuperJournalLeftovers(const QSqlDatabase &db, const QString &file)
{
    const QFileInfo info(file);
    const QDir folder = info.dir();
    const QStringList found =
        folder.entryList({info.fileName() + QStringLiteral("-mj*")}, QDir::Files | QDir::Hidden | QDir::System);
    sqlite3 *h = handle(db);
    if (found.isEmpty() || !hasOperators(h))
        return;
    // Every commit that makes a super-journal holds the shop database's lock
    // until it has removed it: with the lock, what is there is a killed
    // commit's. Another workstation writing now is not waited for; the next
    // open looks again.
    sqlite3_busy_timeout(h, 0);
    try {
        beginWrite(db);
    } catch (const DbError &) {
        sqlite3_busy_timeout(h, Db::BusyTimeoutMs);
        return;
    }
    sqlite3_busy_timeout(h, Db::BusyTimeoutMs);
    for (const QString &name : found) {
        const QString path = folder.filePath(name);
        if (!stillNamed(path))
            QFile::remove(path);
    }
    try {
        Db::execute(QStringLiteral("ROLLBACK"), {}, db);
    } catch (const DbError &) {
        // nothing was written; the lock goes with the statement's end
    }
}
