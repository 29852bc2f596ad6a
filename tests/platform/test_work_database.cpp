// The work database joins a write only when the write changes it, and what a
// killed commit across both databases left (a super-journal) is removed only
// when nothing can still need it.
#include "common/program_folder.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {
const QString kConn = QStringLiteral("work-db-test");
const QString kOther = QStringLiteral("work-db-test-other");

// Whether a write transaction could begin on the file now, without waiting.
bool freeToWrite(const QString &file)
{
    sqlite3 *h = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &h, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(h);
        return false;
    }
    const bool free = sqlite3_exec(h, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    return free;
}

// The names of the files made in `folder` since the watch began.
QStringList createdSince(int watch)
{
    QStringList names;
    alignas(inotify_event) char buffer[8192];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char *at = buffer; at < buffer + n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(at);
            if (e->len > 0)
                names << QFile::decodeName(e->name);
            at += sizeof(inotify_event) + e->len;
        }
    return names;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray bigEndian(quint32 v)
{
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

// A rollback journal as SQLite leaves it in a commit across databases: its
// pages, then the super-journal's name, its length, checksum and the magic.
QByteArray journalNaming(const QByteArray &superJournal)
{
    quint32 sum = 0;
    for (char c : superJournal)
        sum += uchar(c);
    return QByteArray(1024, '\0') + bigEndian(1u + 0x40000000u / 4096u) + superJournal
           + bigEndian(quint32(superJournal.size())) + bigEndian(sum)
           + QByteArray::fromHex("d9d505f920a163d7");
}
} // namespace

class WorkDatabaseTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        Db::close(kOther);
        Db::close(kConn);
        Db::setCurrentConnection(QString());
    }

    // Every write used to begin on the work database too, so each commit went
    // through a super-journal and its syncs; only a write of both may now.
    void aWriteJoinsTheWorkDatabaseOnlyWhenItWritesIt()
    {
        struct Case {
            const char *what;
            QStringList statements;
            bool workFree;     // while the transaction is open
            bool superJournal; // made by the commit
        };
        const QList<Case> cases{
            {"one line of the shop", {QStringLiteral("INSERT INTO Produkti VALUES (1, 'хляб')")}, true, false},
            {"one line of the shop, then a read of the work table",
             {QStringLiteral("INSERT INTO Produkti VALUES (3, 'сол')"), QStringLiteral("SELECT COUNT(*) FROM work.Lines")},
             true,
             false},
            {"both, as one",
             {QStringLiteral("INSERT INTO Produkti VALUES (2, 'мляко')"), QStringLiteral("DELETE FROM work.Lines")},
             false,
             true},
        };
        QTemporaryDir dir;
        ProgramFolder::setPath(dir.path());
        QString error;
        QVERIFY2(Db::open(kConn, dir.filePath(QStringLiteral("ventaros.sqlite")), true, &error), qPrintable(error));
        Db::setCurrentConnection(kConn);
        Db::execute(QStringLiteral("CREATE TABLE Operators (ID INTEGER PRIMARY KEY AUTOINCREMENT, Ime TEXT)"));
        Db::execute(QStringLiteral("CREATE TABLE Produkti (ID INTEGER, Opisanie TEXT)"));
        WorkTables::create(QStringLiteral("Lines"), QStringLiteral("Art_ID INTEGER"));
        Db::execute(QStringLiteral("INSERT INTO work.Lines VALUES (1)"));
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_CREATE) >= 0);
        for (const Case &c : cases) {
            createdSince(watch);
            {
                WriteTransaction tx;
                for (const QString &sql : c.statements)
                    Db::execute(sql);
                QVERIFY2(freeToWrite(WorkTables::filePath()) == c.workFree, c.what);
                QVERIFY2(!freeToWrite(dir.filePath(QStringLiteral("ventaros.sqlite"))), c.what);
                tx.commit();
            }
            const QStringList made = createdSince(watch).filter(QStringLiteral("-mj"));
            QVERIFY2(made.isEmpty() != c.superJournal, qPrintable(QString::fromLatin1(c.what) + made.join(u' ')));
        }
        ::close(watch);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Produkti")).toInt(), 3);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM work.Lines")).toInt(), 0);
        QVERIFY(QDir(dir.path()).entryList({QStringLiteral("*-mj*")}, QDir::Files).isEmpty());
    }

    // A super-journal left by a kill goes once the database has opened, only
    // when no journal names it (SQLite takes a journal whose super-journal
    // is gone as committed) and no other connection may be committing.
    void leftSuperJournalsGoOnlyWhenNothingNeedsThem()
    {
        struct Case {
            const char *what;
            bool journalThere;
            bool journalNamesIt;
            bool otherWrites;
            bool removed;
        };
        const Case cases[] = {
            {"no journal of it is left", false, false, false, true},
            {"its journal names another", true, false, false, true},
            {"a journal names it", true, true, false, false},
            {"another connection writes", false, false, true, false},
        };
        for (const Case &c : cases) {
            QTemporaryDir dir;
            ProgramFolder::setPath(dir.path());
            const QString file = dir.filePath(QStringLiteral("ventaros.sqlite"));
            QString error;
            QVERIFY2(Db::open(kConn, file, true, &error), qPrintable(error));
            Db::execute(QStringLiteral("CREATE TABLE Operators (ID INTEGER PRIMARY KEY, Ime TEXT)"), {},
                        QSqlDatabase::database(kConn, false));
            Db::close(kConn);

            const QString superJournal = file + QStringLiteral("-mj1A2B3C94D");
            // Another workstation's work database, somewhere this one may not see.
            const QString journal = dir.filePath(QStringLiteral("elsewhere-work.sqlite-journal"));
            writeFile(superJournal, QFile::encodeName(journal) + '\0');
            if (c.journalThere)
                writeFile(journal, journalNaming(QFile::encodeName(c.journalNamesIt ? superJournal
                                                                                     : file + "-mj0000000AA")));
            if (c.otherWrites) {
                QVERIFY(Db::open(kOther, file, false, &error));
                Db::execute(QStringLiteral("BEGIN IMMEDIATE"), {}, QSqlDatabase::database(kOther, false));
            }
            QVERIFY2(Db::openFolder(kConn, dir.path(), &error), qPrintable(error));
            QVERIFY2(QFile::exists(superJournal) != c.removed, c.what);
            if (c.journalThere)
                QVERIFY2(QFile::exists(journal), c.what); // never ours to remove
            cleanup();
        }
    }
};

VTEST(WorkDatabaseTest)
#include "test_work_database.moc"
