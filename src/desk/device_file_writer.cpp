#include "desk/device_file_writer.h"

#include "app/data_module.h"
#include "common/file_names.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "common/text_file.h"
#include "platform/db/database.h"
#include "platform/db/presence.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/file_modes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kRetryMs = 3000;
constexpr int kMaxRetryMs = 30000;

QString targetKey(int department)
{
    return department > 0 ? QStringLiteral("D%1").arg(department) : QStringLiteral("R");
}

// A value of a refused row for the log: quoted, its control characters visible.
QString shown(const QString &value)
{
    QString out;
    for (const QChar c : value)
        out += c.category() == QChar::Other_Control ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                                    : QString(c);
    return QLatin1Char('"') + out + QLatin1Char('"');
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
                    {WorkTables::workstationKey(), f.department, f.folder, f.fileName, f.bytes});
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
    , m_token(QString::number(QRandomGenerator::global()->generate(), 16))
{
    m_timer->setInterval(kRetryMs);
    connect(m_timer, &QTimer::timeout, this, [this] { flush(); });
}

void DeviceFileWriter::watch(TDataModule1 *module)
{
    if (!module)
        return;
    // Qt refuses a unique connection to a lambda, so the one watched before
    // is let go by hand; the main window asks again each time it is made.
    disconnect(m_watch);
    m_watch = connect(module, &TDataModule1::databaseChanged, this, [this] {
        recoverClaims();
        flushSoon();
    });
    recoverClaims();
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
    m_recover = false;
    m_adopted.clear();
    m_refused.clear();
    m_missed = false;
    m_stepHook = {};
    m_show = {};
    m_timer->stop();
    m_timer->setInterval(kRetryMs);
    m_unreachable = 0;
}

int DeviceFileWriter::flush()
{
    if (m_showing) {
        m_missed = true;
        return -1;
    }
    if (m_flushing || WriteTransaction::anyOpen())
        return -1;
    m_flushing = true;
    int remaining = 0;
    bool unreachable = false;
    try {
        // A server connection that broke is tried again (the look-up below
        // connects): the queue waits on the server, not on the next sale.
        if (!Db::inUse() || !Db::tableExists(QStringLiteral("Pending_Files"))) {
            m_flushing = false;
            return 0;
        }
        const auto rows = Db::rows(QStringLiteral("SELECT ID, Dept, Folder, File_Name, Bytes, Temp_Name FROM "
                                                  "Pending_Files WHERE Workstation = ? ORDER BY ID"),
                                   {WorkTables::workstationKey()});
        step(Step::Read);
        QSet<QString> blocked;
        for (const QSqlRecord &r : rows) {
            Row row{r.value(0).toLongLong(), r.value(1).toInt(), r.value(2).toString(), r.value(3).toString(),
                    r.value(5).toString(), r.value(4).toByteArray()};
            if (const QString why = target(row); !why.isEmpty()) {
                refuse(row, why);
                continue;
            }
            const QString key = targetKey(row.department);
            if (blocked.contains(key)) {
                ++remaining;
                continue;
            }
            m_reason.clear();
            const Outcome o = deliver(row);
            if (o != Outcome::Delivered) {
                // Another writer's file, too, goes before the later ones of its target.
                blocked.insert(key);
                ++remaining;
                if (o != Outcome::Others)
                    tell(row, o);
            }
        }
        if (m_recover)
            nameOthers();
        m_recover = false;
    } catch (const Stopped &) {
        m_flushing = false;
        throw;
    } catch (const DbError &e) {
        // A server that cannot be reached is tried again on the timer, unlogged.
        unreachable = e.lost();
        if (!unreachable)
            ExceptionLog::write(QStringLiteral("DeviceFileWriter"), e.message());
        ++remaining;
    } catch (const std::exception &e) {
        ExceptionLog::write(QStringLiteral("DeviceFileWriter"), QString::fromUtf8(e.what()));
        ++remaining;
    }
    m_flushing = false;
    // Each try at an unreachable server may wait for its connection: the
    // tries come less often while it stays away.
    m_unreachable = unreachable ? m_unreachable + 1 : 0;
    m_timer->setInterval(std::min(kRetryMs << std::clamp(m_unreachable - 1, 0, 4), kMaxRetryMs));
    // Told after the walk, so no question runs inside it; the retry waits
    // while the message is open.
    const QStringList messages = std::exchange(m_messages, {});
    if (!messages.isEmpty()) {
        m_timer->stop();
        show(messages.join(QStringLiteral("\n\n")));
    }
    if (remaining > 0)
        m_timer->start();
    else
        m_timer->stop();
    if (std::exchange(m_missed, false))
        flushSoon();
    return remaining;
}

void DeviceFileWriter::show(const QString &text)
{
    const QScopedValueRollback open(m_showing, true);
    if (m_show)
        m_show(text);
    else
        Dialogs::message(text);
}

namespace {
QString tempBase(int department, const QString &fileName)
{
    return department == 0 ? QStringLiteral("BON") : fileName.section(QLatin1Char('.'), 0, 0);
}
} // namespace

// "<base>-<workstation>+<writer>-<row>.tmp": a workstation key never holds
// "+", so the names of one workstation's files are told apart from another's.
QString DeviceFileWriter::ownTempName(const Row &row) const
{
    return QStringLiteral("%1-%2+%3-%4.tmp")
        .arg(tempBase(row.department, row.fileName), WorkTables::workstationKey(), m_token)
        .arg(row.id);
}

// Whether a file is a temporary file of this workstation for the row, of any
// writer (or named as before writers had their own names).
bool DeviceFileWriter::isTempOfRow(const QString &name, const Row &row)
{
    const QString head = tempBase(row.department, row.fileName) + QLatin1Char('-') + WorkTables::workstationKey();
    const QString tail = QStringLiteral("-%1.tmp").arg(row.id);
    return name == head + tail
           || (name.startsWith(head + QLatin1Char('+')) && name.endsWith(tail)
               && !name.mid(head.size() + 1, name.size() - head.size() - 1 - tail.size()).contains(QLatin1Char('-')));
}

QString DeviceFileWriter::target(Row &row)
{
    if (row.department == 0) {
        if (!row.fileName.isEmpty())
            return QStringLiteral("бонът има име, а програмата дава името на бона сама");
        row.folder = Settings::receiptFolder();
    } else if (row.department > 0) {
        if (row.fileName != ticketFileName(row.department)
            && row.fileName != QLatin1String(ServiceTicketFileName))
            return QStringLiteral("името не е име на бон за отдел");
        row.folder = Db::scalar(QStringLiteral("SELECT Path FROM Type_Prigotvq_Se WHERE ID = ?"), {row.department})
                         .toString();
    } else {
        return QStringLiteral("няма отдел с отрицателен номер");
    }
    if (!row.tempName.isEmpty() && !(FileNames::isPlain(row.tempName) && isTempOfRow(row.tempName, row)))
        return QStringLiteral("временното име не е на това работно място");
    return {};
}

void DeviceFileWriter::refuse(const Row &row, const QString &why)
{
    if (m_refused.contains(row.id))
        return;
    m_refused.insert(row.id);
    ExceptionLog::write(QStringLiteral("DeviceFileWriter"),
                        QStringLiteral("Файлът на ред %1 от Pending_Files не е записан: %2 (работно място %3, "
                                       "отдел %4, папка %5, име %6, временно име %7). Редът остава в таблицата.")
                            .arg(QString::number(row.id), why, shown(WorkTables::workstationName()),
                                 QString::number(row.department), shown(row.queuedFolder), shown(row.fileName),
                                 shown(row.tempName)));
}

DeviceFileWriter::Outcome DeviceFileWriter::deliver(const Row &row)
{
    QString tempName = row.tempName;
    if (tempName.isEmpty()) {
        const Outcome claimed = claim(row, &tempName);
        if (claimed != Outcome::Delivered)
            return claimed;
    } else if (tempName != ownTempName(row) && !m_adopted.contains(row.id)) {
        if (!m_recover)
            return Outcome::Others;
        m_adopted.insert(row.id); // a killed copy's: finished by this writer from now on
    }
    // Ours now: every other temporary file of the row is one whose writer
    // lost the claim or was killed before it.
    const QDir dir(row.folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden))
        if (name != tempName && isTempOfRow(name, row))
            QFile::remove(dir.filePath(name));
    const Outcome placed = place(row, tempName);
    if (placed != Outcome::Delivered)
        return placed;
    step(Step::Renamed);
    WriteTransaction tx;
    Db::execute(QStringLiteral("DELETE FROM Pending_Files WHERE ID = ?"), {row.id});
    tx.commit();
    m_adopted.remove(row.id);
    step(Step::Marked);
    return Outcome::Delivered;
}

// Writes the row's file under this writer's temporary name and claims the
// row for it; Delivered means claimed.
DeviceFileWriter::Outcome DeviceFileWriter::claim(const Row &row, QString *tempName)
{
    const QDir dir(row.folder);
    const bool receipt = row.department == 0;
    // The queue was read before: another writer may have delivered the row
    // meanwhile (its ticket is the one in the way), which is not ours to tell.
    auto unlessTaken = [&row](Outcome o) {
        const QVariant temp = Db::scalar(QStringLiteral("SELECT Temp_Name FROM Pending_Files WHERE ID = ?"), {row.id});
        return temp.isValid() && temp.toString().isEmpty() ? o : Outcome::Others;
    };
    if (receipt && !dir.exists())
        FileModes::makeDeviceFolder(row.folder); // one level, as the receipt folder always was
    if (row.folder.isEmpty() || !dir.exists()) {
        m_reason = QStringLiteral("Папката не съществува: ") + QDir::toNativeSeparators(row.folder);
        return unlessTaken(Outcome::Failed);
    }
    if (!receipt && QFileInfo::exists(dir.filePath(row.fileName)))
        return unlessTaken(Outcome::Waiting);
    *tempName = ownTempName(row);
    const QString temp = dir.filePath(*tempName);
    // Written whole and on the disk, so a rename never exposes half a file;
    // the driver may run as another user and reads it as the user's umask gives.
    if (!TextFile::writeWhole(temp, row.bytes, &m_reason))
        return unlessTaken(Outcome::Failed);
    if (!FileModes::shareWithDevices(temp)) {
        m_reason = TextFile::failureText(errno, temp);
        QFile::remove(temp);
        return unlessTaken(Outcome::Failed);
    }
    step(Step::Written);
    WriteTransaction tx;
    const int changed = Db::execute(
        QStringLiteral("UPDATE Pending_Files SET Temp_Name = ? WHERE ID = ? AND (Temp_Name = '' OR Temp_Name IS NULL)"),
        {*tempName, row.id});
    tx.commit();
    if (changed != 1) {
        QFile::remove(temp);
        return Outcome::Others;
    }
    step(Step::Claimed);
    return Outcome::Delivered;
}

// Renames the claimed row's temporary file into place; Delivered when it is
// there, also when another writer renamed it.
DeviceFileWriter::Outcome DeviceFileWriter::place(const Row &row, const QString &tempName)
{
    const QDir dir(row.folder);
    const QString temp = dir.filePath(tempName);
    if (!QFileInfo::exists(temp))
        return Outcome::Delivered; // renamed before the row could be deleted
    if (alreadyPlaced(temp)) {
        QFile::remove(temp);
        return Outcome::Delivered;
    }
    const int moved = row.department == 0 ? (placeReceipt(temp, row.folder) ? 1 : -1)
                                          : TextFile::moveWithoutReplacing(temp, dir.filePath(row.fileName));
    if (moved < 0)
        m_reason = TextFile::failureText(errno, row.department == 0 ? temp : dir.filePath(row.fileName));
    if (moved > 0 || !QFileInfo::exists(temp))
        return Outcome::Delivered;
    return moved == 0 ? Outcome::Waiting : Outcome::Failed;
}

bool DeviceFileWriter::placeReceipt(const QString &temp, const QString &folder)
{
    const QDir dir(folder);
    for (int tries = 0; tries < 100000; ++tries, ++m_receiptCounter) {
        const int moved = TextFile::moveWithoutReplacing(
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

void DeviceFileWriter::tell(const Row &row, Outcome outcome)
{
    if (m_told.contains(row.id))
        return;
    m_told.insert(row.id);
    // A failure says why on its last line: no room, no rights, no folder.
    const QString why = m_reason.isEmpty() ? QString() : QStringLiteral("\n") + m_reason;
    if (row.department == 0)
        m_messages << QStringLiteral("Неуспешен печат на бон\nПапка: ") + row.folder + why;
    else if (outcome == Outcome::Waiting)
        m_messages << QStringLiteral("Бонът за отдел %1 чака: предишният бон още не е взет от папка ")
                              .arg(row.department)
                          + row.folder;
    else
        m_messages << QStringLiteral("Неуспешен печат на бон за отдел %1\nПапка: ").arg(row.department)
                          + row.folder + why;
}

// Rows under another name wait for their own workstation: its device prints
// its sales (on a server the queue holds every till's rows). Those of a name
// that no program runs under are told, as they would otherwise wait unseen.
void DeviceFileWriter::nameOthers()
{
    const auto groups = Db::rows(QStringLiteral("SELECT Workstation, COUNT(*) FROM Pending_Files WHERE Workstation <> ? "
                                                "GROUP BY Workstation ORDER BY Workstation"),
                                 {WorkTables::workstationKey()});
    for (const QSqlRecord &g : groups) {
        const QString key = g.value(0).toString();
        if (m_named.contains(key) || Presence::isRunning(key))
            continue;
        m_named.insert(key);
        const long long files = g.value(1).toLongLong();
        const QString name = Presence::nameOfKey(key);
        const QString text =
            (files == 1 ? QStringLiteral("1 бон чака") : QStringLiteral("%1 бона чакат").arg(files))
            + QStringLiteral(" за печат под името на работно място \"%1\", с което в момента не работи никоя "
                             "програма.\nБоновете се печатат само от работното място, под чието име са записани, "
                             "и тук няма да бъдат отпечатани. За да бъдат отпечатани, стартирайте програмата веднъж "
                             "с това име (VENTAROS_WORKSTATION=\"%1\"), например на компютъра, чието име е било "
                             "сменено.")
                  .arg(name);
        ExceptionLog::write(QStringLiteral("DeviceFileWriter"), QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        m_messages << text;
    }
}

QStringList DeviceFileWriter::waiting() const
{
    QStringList out;
    try {
        if (!Db::connection().isOpen() || !Db::tableExists(QStringLiteral("Pending_Files")))
            return out;
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Dept, Folder, File_Name, Temp_Name FROM "
                                                           "Pending_Files WHERE Workstation = ? ORDER BY ID"),
                                            {WorkTables::workstationKey()})) {
            Row row{r.value(0).toLongLong(), r.value(1).toInt(), r.value(2).toString(), r.value(3).toString(),
                    r.value(4).toString(), {}};
            if (!target(row).isEmpty())
                continue; // never delivered: the log names it
            out << (row.department == 0 ? QStringLiteral("бон в папка ") + row.folder
                                        : QStringLiteral("бон за отдел %1 в папка ").arg(row.department) + row.folder);
        }
    } catch (const std::exception &e) {
        ExceptionLog::write(QStringLiteral("DeviceFileWriter"), QString::fromUtf8(e.what()));
    }
    return out;
}
