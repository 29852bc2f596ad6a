#include "desk/device_file_writer.h"

#include "app/data_module.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kRetryMs = 3000;

QString targetKey(int department, const QString &folder)
{
    return department > 0 ? QStringLiteral("D%1").arg(department) : QStringLiteral("F") + QDir::cleanPath(folder);
}

// Written whole and flushed to disk, so a rename never exposes half a file.
bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (f.write(bytes) != bytes.size() || !f.flush())
        return false;
    ::fsync(f.handle());
    f.close();
    return f.error() == QFileDevice::NoError;
}

// Moves `from` to `to` unless `to` exists, so two workstations never take
// one name: one atomic rename that cannot replace; where the file system has
// none, a hard link (a crash between the link and the unlink leaves two
// names: alreadyPlaced() sees it). 1 done, 0 taken, -1 failed.
int moveWithoutReplacing(const QString &from, const QString &to)
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
    // File systems without hard links: check, then rename.
    if (QFileInfo::exists(to))
        return 0;
    return QFile::rename(from, to) ? 1 : -1;
}
// A temporary file that also has its final name: linked before a crash.
bool alreadyPlaced(const QString &temp)
{
    struct stat st;
    return ::stat(QFile::encodeName(temp).constData(), &st) == 0 && st.st_nlink > 1;
}
} // namespace

namespace PendingFiles {
void queue(const QList<DeviceFile> &files)
{
    WriteTransaction tx;
    for (const DeviceFile &f : files)
        Db::execute(QStringLiteral("INSERT INTO Pending_Files (Workstation, Dept, Folder, File_Name, Bytes, "
                                   "Temp_Name) VALUES (?, ?, ?, ?, ?, '')"),
                    {WorkTables::workstationName(), f.department, f.folder, f.fileName, f.bytes});
    tx.commit();
    DeviceFileWriter::instance().flushSoon();
}
} // namespace PendingFiles

DeviceFileWriter &DeviceFileWriter::instance()
{
    static DeviceFileWriter *writer = new DeviceFileWriter;
    return *writer;
}

DeviceFileWriter::DeviceFileWriter(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(kRetryMs);
    connect(m_timer, &QTimer::timeout, this, [this] { flush(); });
}

void DeviceFileWriter::watch(TDataModule1 *module)
{
    if (!module)
        return;
    connect(module, &TDataModule1::databaseChanged, this, &DeviceFileWriter::flushSoon, Qt::UniqueConnection);
    flushSoon();
}

void DeviceFileWriter::flushSoon()
{
    QTimer::singleShot(0, this, [this] { flush(); });
}

void DeviceFileWriter::resetForTest()
{
    m_told.clear();
    m_receiptCounter = 1;
    m_stop = Stop::Never;
    m_timer->stop();
}

int DeviceFileWriter::flush()
{
    if (m_flushing || WriteTransaction::anyOpen())
        return -1;
    m_flushing = true;
    int remaining = 0;
    try {
        if (!Db::connection().isOpen() || !Db::tableExists(QStringLiteral("Pending_Files"))) {
            m_flushing = false;
            return 0;
        }
        const auto rows = Db::rows(QStringLiteral("SELECT ID, Dept, Folder, File_Name, Bytes, Temp_Name FROM "
                                                  "Pending_Files WHERE Workstation = ? ORDER BY ID"),
                                   {WorkTables::workstationName()});
        QSet<QString> blocked;
        for (const QSqlRecord &r : rows) {
            const long long id = r.value(0).toLongLong();
            const int department = r.value(1).toInt();
            const QString folder = r.value(2).toString();
            const QString key = targetKey(department, folder);
            if (blocked.contains(key)) {
                ++remaining;
                continue;
            }
            const Outcome o = deliver(id, department, folder, r.value(3).toString(), r.value(4).toByteArray(),
                                      r.value(5).toString());
            if (o != Outcome::Delivered) {
                blocked.insert(key);
                ++remaining;
                tell(id, o, department, folder);
            }
        }
    } catch (const Stopped &) {
        m_flushing = false;
        throw;
    } catch (const std::exception &e) {
        ExceptionLog::write(QStringLiteral("DeviceFileWriter"), QString::fromUtf8(e.what()));
        ++remaining;
    }
    m_flushing = false;
    if (remaining > 0)
        m_timer->start();
    else
        m_timer->stop();
    // Told after the walk, so no question runs inside it.
    const QStringList messages = std::exchange(m_messages, {});
    for (const QString &m : messages)
        Dialogs::message(m);
    return remaining;
}

DeviceFileWriter::Outcome DeviceFileWriter::deliver(long long id, int department, const QString &folder,
                                                    const QString &fileName, const QByteArray &bytes,
                                                    QString tempName)
{
    const QDir dir(folder);
    const bool receipt = department == 0;
    const QString final = receipt ? QString() : dir.filePath(fileName);
    if (tempName.isEmpty()) {
        if (receipt && !dir.exists())
            Settings::makeReceiptFolder(folder); // one level, as the receipt folder always was
        if (folder.isEmpty() || !dir.exists())
            return Outcome::Failed;
        if (!receipt && QFileInfo::exists(final))
            return Outcome::Waiting;
        // Named by workstation and row: a rewrite after a crash replaces it.
        tempName = QStringLiteral("%1-%2-%3.tmp")
                       .arg(receipt ? QStringLiteral("BON") : fileName.section(QLatin1Char('.'), 0, 0),
                            WorkTables::workstationName())
                       .arg(id);
        if (!writeWhole(dir.filePath(tempName), bytes)) {
            QFile::remove(dir.filePath(tempName));
            return Outcome::Failed;
        }
        if (m_stop == Stop::AfterTemporaryFile)
            throw Stopped{};
        WriteTransaction tx;
        Db::execute(QStringLiteral("UPDATE Pending_Files SET Temp_Name = ? WHERE ID = ?"), {tempName, id});
        tx.commit();
        if (m_stop == Stop::AfterRecord)
            throw Stopped{};
    } else if (!QFileInfo::exists(dir.filePath(tempName))) {
        // Renamed before the row could be deleted: delivered.
        WriteTransaction tx;
        Db::execute(QStringLiteral("DELETE FROM Pending_Files WHERE ID = ?"), {id});
        tx.commit();
        return Outcome::Delivered;
    }
    const QString temp = dir.filePath(tempName);
    if (alreadyPlaced(temp)) {
        QFile::remove(temp);
    } else if (receipt) {
        if (!placeReceipt(temp, folder))
            return Outcome::Failed;
    } else {
        const int moved = moveWithoutReplacing(temp, final);
        if (moved == 0)
            return Outcome::Waiting;
        if (moved < 0)
            return Outcome::Failed;
    }
    if (m_stop == Stop::AfterRename)
        throw Stopped{};
    WriteTransaction tx;
    Db::execute(QStringLiteral("DELETE FROM Pending_Files WHERE ID = ?"), {id});
    tx.commit();
    return Outcome::Delivered;
}

bool DeviceFileWriter::placeReceipt(const QString &temp, const QString &folder)
{
    const QDir dir(folder);
    for (int tries = 0; tries < 100000; ++tries, ++m_receiptCounter) {
        const int moved = moveWithoutReplacing(
            temp, dir.filePath(QStringLiteral("BON%1.bon").arg(m_receiptCounter)));
        if (moved < 0)
            return false;
        if (moved > 0) {
            ++m_receiptCounter;
            return true;
        }
    }
    return false;
}

void DeviceFileWriter::tell(long long id, Outcome outcome, int department, const QString &folder)
{
    if (m_told.contains(id))
        return;
    m_told.insert(id);
    if (department == 0)
        m_messages << QStringLiteral("Неуспешен печат на бон\nПапка: ") + folder;
    else if (outcome == Outcome::Waiting)
        m_messages << QStringLiteral("Бонът за отдел %1 чака: предишният бон още не е взет от папка ")
                              .arg(department)
                          + folder;
    else
        m_messages << QStringLiteral("Неуспешен печат на бон за отдел %1\nПапка: ").arg(department) + folder;
}

QStringList DeviceFileWriter::waiting() const
{
    QStringList out;
    try {
        if (!Db::connection().isOpen() || !Db::tableExists(QStringLiteral("Pending_Files")))
            return out;
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Dept, Folder FROM Pending_Files WHERE "
                                                           "Workstation = ? ORDER BY ID"),
                                            {WorkTables::workstationName()})) {
            const int d = r.value(0).toInt();
            out << (d == 0 ? QStringLiteral("бон в папка ") + r.value(1).toString()
                           : QStringLiteral("бон за отдел %1 в папка ").arg(d) + r.value(1).toString());
        }
    } catch (const std::exception &e) {
        ExceptionLog::write(QStringLiteral("DeviceFileWriter"), QString::fromUtf8(e.what()));
    }
    return out;
}
