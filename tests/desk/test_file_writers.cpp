// Two writers over one queue (two copies of the program, or a copy and the
// one that starts after it was killed): every file is delivered once, and
// nobody is told of a failure that did not happen.
#include "app/data_module.h"
#include "desk/device_file_writer.h"
#include "platform/db/database.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

using Step = DeviceFileWriter::Step;
Q_DECLARE_METATYPE(DeviceFileWriter::Step)

namespace {
// The contents of the files of a folder, sorted; "?" for a temporary file.
QStringList contents(const QString &folder)
{
    QStringList out;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::ReadOnly);
        out << (name.endsWith(QLatin1String(".tmp")) ? QStringLiteral("?") : QString::fromLatin1(f.readAll()));
    }
    out.sort();
    return out;
}

int pendingRows()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Pending_Files")).toInt();
}

struct Told {
    QStringList messages;
    int open = 0;
    int mostOpen = 0;
};

void listen(DeviceFileWriter &w, Told &told, const std::function<void()> &whileOpen = {})
{
    w.setMessageHookForTest([&told, whileOpen](const QString &text) {
        told.messages << text;
        told.mostOpen = qMax(told.mostOpen, ++told.open);
        if (whileOpen)
            whileOpen();
        --told.open;
    });
}
} // namespace

class FileWritersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyFileOnceWhereverTheOtherWriterCutsIn_data()
    {
        QTest::addColumn<Step>("at");
        QTest::newRow("queue read") << Step::Read;
        QTest::newRow("written") << Step::Written;
        QTest::newRow("claimed") << Step::Claimed;
        QTest::newRow("renamed") << Step::Renamed;
        QTest::newRow("marked") << Step::Marked;
    }

    void everyFileOnceWhereverTheOtherWriterCutsIn()
    {
        QFETCH(Step, at);
        TestProgram program;
        const QString bon = program.file(QStringLiteral("Bon"));
        const QString kitchen = program.file(QStringLiteral("Kitchen"));
        QDir().mkpath(bon);
        QDir().mkpath(kitchen);
        PendingFiles::queue({DeviceFile{0, bon, {}, "r1"}, DeviceFile{3, kitchen, QStringLiteral("ToPrepare3.bon"), "t1"},
                             DeviceFile{0, bon, {}, "r2"}});
        DeviceFileWriter a, b;
        Told told;
        listen(a, told);
        listen(b, told);
        bool cut = false;
        a.setStepHookForTest([&](Step s) {
            if (s == at && !std::exchange(cut, true))
                b.flush();
        });
        a.flush();
        QVERIFY(cut);
        // Whatever one left to the other is done at their next walks.
        a.flush();
        b.flush();
        QCOMPARE(contents(bon), (QStringList{QStringLiteral("r1"), QStringLiteral("r2")}));
        QCOMPARE(contents(kitchen), QStringList{QStringLiteral("t1")});
        QCOMPARE(pendingRows(), 0);
        QCOMPARE(told.messages, QStringList());
    }

    // A writer killed at a step: a live writer leaves its claim alone; the
    // next start at the workstation finishes it, once.
    void killedWritersFileIsDeliveredOnce_data()
    {
        QTest::addColumn<Step>("at");
        QTest::addColumn<bool>("leftToTheStart");
        QTest::newRow("written") << Step::Written << false;
        QTest::newRow("claimed") << Step::Claimed << true;
        QTest::newRow("renamed") << Step::Renamed << true;
    }

    void killedWritersFileIsDeliveredOnce()
    {
        QFETCH(Step, at);
        QFETCH(bool, leftToTheStart);
        TestProgram program;
        const QString bon = program.file(QStringLiteral("Bon"));
        QDir().mkpath(bon);
        PendingFiles::queue({DeviceFile{0, bon, {}, "r1"}});
        Told told;
        {
            DeviceFileWriter killed;
            killed.setStepHookForTest([at](Step s) {
                if (s == at)
                    throw DeviceFileWriter::Stopped{};
            });
            QVERIFY_THROWS_EXCEPTION(DeviceFileWriter::Stopped, killed.flush());
        }
        DeviceFileWriter live;
        listen(live, told);
        live.flush();
        QCOMPARE(pendingRows(), leftToTheStart ? 1 : 0);
        if (!leftToTheStart)
            QCOMPARE(contents(bon), QStringList{QStringLiteral("r1")}); // and its half-done temporary file is gone

        DeviceFileWriter next;
        listen(next, told);
        next.recoverClaims();
        QCOMPARE(next.flush(), 0);
        QCOMPARE(contents(bon), QStringList{QStringLiteral("r1")});
        QCOMPARE(pendingRows(), 0);
        QCOMPARE(told.messages, QStringList());
    }

    // A switch of database hands the running writer what a killed copy
    // claimed there, however often the main window asked it to watch.
    void aSwitchOfDatabaseTakesOverTheClaimsThere()
    {
        TestProgram program;
        const QString bon = program.file(QStringLiteral("Bon"));
        QDir().mkpath(bon);
        PendingFiles::queue({DeviceFile{0, bon, {}, "r1"}});
        {
            DeviceFileWriter killed;
            killed.setStepHookForTest([](Step s) {
                if (s == Step::Claimed)
                    throw DeviceFileWriter::Stopped{};
            });
            QVERIFY_THROWS_EXCEPTION(DeviceFileWriter::Stopped, killed.flush());
        }
        Told told;
        DeviceFileWriter live;
        listen(live, told);
        live.watch(program.dataModule());
        live.watch(program.dataModule());
        QTest::qWait(10); // the flush the watch itself asks for runs first
        QCOMPARE(pendingRows(), 0);
        PendingFiles::queue({DeviceFile{0, bon, {}, "r2"}});
        {
            DeviceFileWriter killed;
            killed.setStepHookForTest([](Step s) {
                if (s == Step::Claimed)
                    throw DeviceFileWriter::Stopped{};
            });
            QVERIFY_THROWS_EXCEPTION(DeviceFileWriter::Stopped, killed.flush());
        }
        QCOMPARE(pendingRows(), 1);
        Q_EMIT program.dataModule()->databaseChanged(program.file(QStringLiteral("Data")));
        QTRY_COMPARE(pendingRows(), 0);
        QCOMPARE(contents(bon), (QStringList{QStringLiteral("r1"), QStringLiteral("r2")}));
        QCOMPARE(told.messages, QStringList());
    }

    // A ticket a killed copy claimed waits at the start for the driver; the
    // same writer places it once the driver took the previous one.
    void takenOverTicketWaitsAndIsPlacedLater()
    {
        TestProgram program;
        const QString kitchen = program.file(QStringLiteral("Kitchen"));
        QDir().mkpath(kitchen);
        PendingFiles::queue({DeviceFile{3, kitchen, QStringLiteral("T3.bon"), "t1"}});
        {
            DeviceFileWriter killed;
            killed.setStepHookForTest([](Step s) {
                if (s == Step::Claimed)
                    throw DeviceFileWriter::Stopped{};
            });
            QVERIFY_THROWS_EXCEPTION(DeviceFileWriter::Stopped, killed.flush());
        }
        QFile previous(QDir(kitchen).filePath(QStringLiteral("T3.bon")));
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("t0");
        previous.close();
        DeviceFileWriter next;
        Told told;
        listen(next, told);
        next.recoverClaims();
        QCOMPARE(next.flush(), 1);
        QCOMPARE(told.messages.size(), 1);
        QVERIFY(previous.remove());
        QCOMPARE(next.flush(), 0);
        QCOMPARE(contents(kitchen), QStringList{QStringLiteral("t1")});
        QCOMPARE(pendingRows(), 0);
    }

    // Failures of one walk are told in one message; while it is open no walk
    // runs (no second message on top of it) and the retry timer waits.
    void oneMessageAtATime()
    {
        TestProgram program;
        const QString missing = program.file(QStringLiteral("no/such"));
        const QString kitchen = program.file(QStringLiteral("Kitchen"));
        QDir().mkpath(kitchen);
        QFile::copy(program.file(QStringLiteral("SQLs/NewTables.nts")), QDir(kitchen).filePath(QStringLiteral("T3.bon")));
        PendingFiles::queue({DeviceFile{0, missing, {}, "r1"}, DeviceFile{3, kitchen, QStringLiteral("T3.bon"), "t1"}});
        DeviceFileWriter w;
        QTimer *retry = w.findChild<QTimer *>();
        QVERIFY(retry);
        Told told;
        int walkWhileOpen = 0;
        listen(w, told, [&] {
            QVERIFY(!retry->isActive());
            PendingFiles::queue({DeviceFile{5, missing, QStringLiteral("T5.bon"), "t5"}});
            walkWhileOpen = w.flush();
        });
        QCOMPARE(w.flush(), 2);
        QCOMPARE(told.mostOpen, 1);
        QCOMPARE(told.messages.size(), 1);
        QVERIFY(told.messages.first().startsWith(QStringLiteral("Неуспешен печат на бон\nПапка: ") + missing));
        QVERIFY(told.messages.first().contains(QStringLiteral("Бонът за отдел 3 чака")));
        QCOMPARE(walkWhileOpen, -1);
        QVERIFY(retry->isActive());
        // The file queued meanwhile is walked once the message is closed.
        QTRY_COMPARE(told.messages.size(), 2);
        QVERIFY(told.messages.last().startsWith(QStringLiteral("Неуспешен печат на бон за отдел 5")));
        QCOMPARE(told.mostOpen, 1);
    }
};

VTEST(FileWritersTest)
#include "test_file_writers.moc"
