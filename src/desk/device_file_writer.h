#pragma once
#include "desk/receipt_files.h"

#include <QObject>
#include <QSet>
#include <QSqlDatabase>

class QTimer;
class TDataModule1;

// Device files are delivered exactly once, also across a crash: the caller
// queues them as Pending_Files rows inside its own write transaction; after
// the commit this workstation writes each row whole under a temporary name
// the driver ignores, records that name, renames the file into place and
// deletes the row. A receipt never replaces another receipt (BON<n>.bon takes
// the first free n); a department ticket waits while the driver has not taken
// the previous one; no file overtakes an earlier one for the same target.
namespace PendingFiles {
// Inserts the files in order; joins the caller's write transaction (or runs
// a short one of its own). Throws DbError.
void queue(const QList<DeviceFile> &files);
}

class DeviceFileWriter : public QObject
{
    Q_OBJECT
public:
    static DeviceFileWriter &instance();

    // Writes whenever this data module opens a database.
    void watch(TDataModule1 *module);
    // Writes this workstation's waiting rows in order; returns how many still wait.
    // A file that waits or fails is told once.
    int flush();
    void flushSoon(); // from the event loop, after the caller's commit

    // This workstation's waiting files, one text each ("бон в <папка>", "отдел 3 ...").
    QStringList waiting() const;

    // Tests stop the writer where a crash could: after the temporary file,
    // after recording its name, after the rename.
    enum class Stop { Never, AfterTemporaryFile, AfterRecord, AfterRename };
    void setStopForTest(Stop stop) { m_stop = stop; }
    struct Stopped {};
    void resetForTest(); // forgets the counter and what was told

private:
    explicit DeviceFileWriter(QObject *parent = nullptr);
    enum class Outcome { Delivered, Waiting, Failed };
    Outcome deliver(long long id, int department, const QString &folder, const QString &fileName,
                    const QByteArray &bytes, QString tempName);
    bool placeReceipt(const QString &temp, const QString &folder);
    void tell(long long id, Outcome outcome, int department, const QString &folder);

    QTimer *m_timer;
    QSet<long long> m_told;
    int m_receiptCounter = 1;
    bool m_flushing = false;
    Stop m_stop = Stop::Never;
    QStringList m_messages;
};
