#pragma once
#include "desk/receipt_files.h"

#include <QObject>
#include <QSet>
#include <QSqlDatabase>

#include <functional>

class QTimer;
class TDataModule1;

// Device files are delivered exactly once, also across a crash and by two
// writers on one queue: the caller queues them as Pending_Files rows inside
// its own write transaction; after the commit this workstation writes each row
// whole under a temporary name of its own that the driver ignores, claims the
// row in a write transaction (it turns from unclaimed to naming that file, or
// it is another writer's and is left alone), renames the file into place and
// deletes the row. A claimed row whose temporary file is gone was renamed. A
// receipt never replaces another receipt (BON<n>.bon takes the first free n);
// a department ticket waits while the driver has not taken the previous one;
// no file overtakes an earlier one for the same target.
//
// A row says which file it is, not where it goes: a receipt goes into this
// workstation's receipt folder, a ticket into its department's folder, each
// under the name the program gives it. A row that names anything else (any
// other name, a path, a temporary name not of this workstation) was not
// queued by the program: it is named once in Exceptions.log and left in the
// table for the administrator, and the files after it go on.
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
    // A writer of its own: tests run a second one on the same database.
    explicit DeviceFileWriter(QObject *parent = nullptr);

    // Writes whenever this data module opens a database.
    void watch(TDataModule1 *module);
    // Writes this workstation's waiting rows in order; returns how many still wait.
    // A file that waits or fails is told once.
    int flush();
    void flushSoon(); // from the event loop, after the caller's commit
    // The next walk also finishes this workstation's files claimed by writers
    // that no longer run: one program per workstation makes every claim that
    // is not this writer's the claim of a killed copy. It also names, in a
    // message and in the log, the files queued under a workstation name that
    // no running program uses (a renamed computer): they wait for a start
    // under that name, and this workstation never writes them. Called when a
    // database opens.
    void recoverClaims()
    {
        m_recover = true;
        m_named.clear();
    }

    // This workstation's waiting files, one text each ("бон в <папка>", "отдел 3 ...").
    QStringList waiting() const;

    // Tests run code after each step of a delivery: another writer's walk,
    // or a throw of Stopped where a crash could come.
    enum class Step { Read, Written, Claimed, Renamed, Marked };
    void setStepHookForTest(std::function<void(Step)> hook) { m_stepHook = std::move(hook); }
    // Tests see the writer's message instead of a dialog, while it is open.
    void setMessageHookForTest(std::function<void(const QString &)> show) { m_show = std::move(show); }
    struct Stopped {};
    void resetForTest(); // forgets the counter and what was told

private:
    void step(Step s)
    {
        if (m_stepHook)
            m_stepHook(s);
    }
    struct Row {
        long long id = 0;
        int department = 0;
        QString queuedFolder, fileName, tempName; // as the row holds them
        QByteArray bytes;
        QString folder; // where it goes, found by target()
    };
    static QString target(Row &row);
    void refuse(const Row &row, const QString &why);
    // Others: claimed by another writer, or delivered by it meanwhile.
    enum class Outcome { Delivered, Waiting, Failed, Others };
    Outcome deliver(const Row &row);
    Outcome claim(const Row &row, QString *tempName);
    Outcome place(const Row &row, const QString &tempName);
    QString ownTempName(const Row &row) const;
    static bool isTempOfRow(const QString &name, const Row &row);
    bool placeReceipt(const QString &temp, const QString &folder);
    void tell(const Row &row, Outcome outcome);
    void nameOthers();
    void show(const QString &text);

    QTimer *m_timer;
    QSet<long long> m_told;
    QSet<long long> m_adopted; // rows claimed by a killed copy, taken over
    QSet<long long> m_refused; // named in the log already
    QSet<QString> m_named;     // workstations whose files were named since the database opened
    int m_receiptCounter = 1;
    bool m_flushing = false;
    bool m_recover = false;
    int m_unreachable = 0; // walks in a row that found the server unreachable
    QMetaObject::Connection m_watch; // to the module watched, one at a time
    bool m_showing = false; // its message is open: no walk meanwhile
    bool m_missed = false;  // a walk was asked for while it was open
    QString m_token;        // in this writer's temporary names
    std::function<void(Step)> m_stepHook;
    std::function<void(const QString &)> m_show;
    QStringList m_messages;
    QString m_reason; // why the row being delivered failed
};
