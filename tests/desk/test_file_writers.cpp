// Two writers over one queue (two copies of the program, or a copy and the
// one that starts after it was killed): every file is delivered once, and
// nobody is told of a failure that did not happen.
#include "app/data_module.h"
#include "desk/device_file_writer.h"
#include "common/settings.h"
#include "common/text_file.h"
#include "platform/db/database.h"
#include "platform/db/work_tables.h"
#include "platform/exception_log.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
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

// A preparation department and the folder its tickets go to.
void department(int id, const QString &folder)
{
    Db::execute(QStringLiteral("INSERT INTO Type_Prigotvq_Se (ID, Opisanie, Path, Vid_FU) VALUES (?, ?, ?, '3: ДАТЕКС')"),
                {id, QStringLiteral("Отдел %1").arg(id), folder});
}

// A row as anyone with the shop's login can put it in the shared table.
void insertRow(int dept, const QString &folder, const QString &name, const QString &temp = {})
{
    Db::execute(QStringLiteral("INSERT INTO Pending_Files (Workstation, Dept, Folder, File_Name, Bytes, Temp_Name) "
                               "VALUES (?, ?, ?, ?, ?, ?)"),
                {WorkTables::workstationKey(), dept, folder, name, QByteArray("pwned"), temp});
}

// Every file and folder under `root`, relative, sorted.
QStringList tree(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
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
        department(3, kitchen);
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
        department(3, kitchen);
        PendingFiles::queue({DeviceFile{3, kitchen, QStringLiteral("ToPrepare3.bon"), "t1"}});
        {
            DeviceFileWriter killed;
            killed.setStepHookForTest([](Step s) {
                if (s == Step::Claimed)
                    throw DeviceFileWriter::Stopped{};
            });
            QVERIFY_THROWS_EXCEPTION(DeviceFileWriter::Stopped, killed.flush());
        }
        QFile previous(QDir(kitchen).filePath(QStringLiteral("ToPrepare3.bon")));
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
        department(3, kitchen);
        department(5, missing);
        Settings::writeString(Keys::Tuning_19, missing);
        QFile::copy(program.file(QStringLiteral("SQLs/NewTables.nts")),
                    QDir(kitchen).filePath(QStringLiteral("ToPrepare3.bon")));
        PendingFiles::queue(
            {DeviceFile{0, missing, {}, "r1"}, DeviceFile{3, kitchen, QStringLiteral("ToPrepare3.bon"), "t1"}});
        DeviceFileWriter w;
        QTimer *retry = w.findChild<QTimer *>();
        QVERIFY(retry);
        Told told;
        int walkWhileOpen = 0;
        listen(w, told, [&] {
            QVERIFY(!retry->isActive());
            PendingFiles::queue({DeviceFile{5, missing, QStringLiteral("ToPrepare5.bon"), "t5"}});
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

    // A row names its file; where it goes is this workstation's to know. A
    // row that names anything else is refused: nothing is written, the row
    // stays for the administrator, the log names it once, and the files
    // queued after it are delivered.
    void aRowNamingAnotherPlaceIsRefused_data()
    {
        QTest::addColumn<int>("dept");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("temp");
        QTest::newRow("up and out") << 1 << QStringLiteral("../pwned.desktop") << QString();
        QTest::newRow("absolute") << 1 << QStringLiteral("{place}/pwned.desktop") << QString();
        QTest::newRow("into a folder") << 1 << QStringLiteral("sub/ToPrepare1.bon") << QString();
        QTest::newRow("backslash") << 1 << QStringLiteral("..\\ToPrepare1.bon") << QString();
        QTest::newRow("hidden") << 1 << QStringLiteral(".ToPrepare1.bon") << QString();
        QTest::newRow("control character") << 1 << QStringLiteral("ToPrepare1.bon\n") << QString();
        QTest::newRow("plain but foreign") << 1 << QStringLiteral("pwned.desktop") << QString();
        QTest::newRow("another department's") << 1 << QStringLiteral("ToPrepare2.bon") << QString();
        QTest::newRow("a receipt with a name") << 0 << QStringLiteral("BON1.bon") << QString();
        QTest::newRow("a receipt going up") << 0 << QStringLiteral("../pwned.desktop") << QString();
        QTest::newRow("no such department") << -1 << QStringLiteral("ToPrepare-1.bon") << QString();
        QTest::newRow("temporary name elsewhere") << 1 << QStringLiteral("ToPrepare1.bon") << QStringLiteral("../victim");
        QTest::newRow("temporary name of another") << 1 << QStringLiteral("ToPrepare1.bon")
                                                   << QStringLiteral("ToPrepare1-other+1-1.tmp");
    }

    void aRowNamingAnotherPlaceIsRefused()
    {
        QFETCH(int, dept);
        QFETCH(QString, name);
        QFETCH(QString, temp);
        TestProgram program;
        QTemporaryDir place;
        const QString out = QDir(place.path()).filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(out));
        QVERIFY(TextFile::writeWhole(QDir(place.path()).filePath(QStringLiteral("victim")), "secret"));
        department(1, out);
        Settings::writeString(Keys::Tuning_19, out);
        name.replace(QStringLiteral("{place}"), place.path());
        insertRow(dept, out, name, temp);
        PendingFiles::queue({DeviceFile{1, out, QStringLiteral("ToPrepare1.bon"), "t1"}});
        const QStringList after{QStringLiteral("out"), QStringLiteral("out/ToPrepare1.bon"), QStringLiteral("victim")};

        DeviceFileWriter w;
        Told told;
        listen(w, told);
        w.recoverClaims(); // a start: claims not of a running writer are taken over
        QCOMPARE(w.flush(), 0);
        QCOMPARE(tree(place.path()), after);
        QCOMPARE(contents(out), QStringList{QStringLiteral("t1")});
        QCOMPARE(contents(place.path()), QStringList{QStringLiteral("secret")});
        QCOMPARE(pendingRows(), 1);
        QCOMPARE(told.messages, QStringList());
        QCOMPARE(w.waiting(), QStringList());
        // Walked again and again: one line in the log, naming the row.
        w.recoverClaims();
        w.flush();
        w.flush();
        const QStringList log = TextFile::readLines(ExceptionLog::filePath());
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().contains(QStringLiteral("Pending_Files")), qPrintable(log.first()));
        QVERIFY2(log.first().contains(name.left(4)), qPrintable(log.first()));
        QCOMPARE(tree(place.path()), after);
    }

    // The folder a row holds is not where its file goes: a receipt goes
    // into this workstation's receipt folder, a ticket into its
    // department's, whatever the row says.
    void theFolderOfARowIsNeverUsed()
    {
        TestProgram program;
        QTemporaryDir place;
        const QString elsewhere = QDir(place.path()).filePath(QStringLiteral("autostart"));
        const QString kitchen = program.file(QStringLiteral("Kitchen"));
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QDir().mkpath(kitchen));
        department(3, kitchen);
        PendingFiles::queue({DeviceFile{0, elsewhere, {}, "r1"}, DeviceFile{3, elsewhere, QStringLiteral("ToPrepare3.bon"), "t1"}});
        DeviceFileWriter w;
        QCOMPARE(w.flush(), 0);
        QCOMPARE(tree(place.path()), QStringList{QStringLiteral("autostart")});
        QCOMPARE(contents(program.file(QStringLiteral("Bon"))), QStringList{QStringLiteral("r1")});
        QCOMPARE(contents(kitchen), QStringList{QStringLiteral("t1")});
    }

    // Files queued under a workstation name that no running program uses
    // (the computer renamed, VENTAROS_WORKSTATION changed) are named at the
    // start, in a message and in the log: how many, under which name. They
    // are never written here; the name of a program that runs is not named.
    void filesOfANameNoProgramUsesAreNamedNotWritten()
    {
        TestProgram program;
        const QString kitchen = program.file(QStringLiteral("Kitchen"));
        QVERIFY(QDir().mkpath(kitchen));
        department(3, kitchen);
        const QString receipts = Settings::receiptFolder();
        QProcess running;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VENTAROS_HOME"), program.folder());
        env.insert(QStringLiteral("VENTAROS_WORKSTATION"), QStringLiteral("Каса 2"));
        running.setProcessEnvironment(env);
        running.start(deskWorkerProgram(), {QStringLiteral("hold")});
        const auto stop = qScopeGuard([&running] {
            running.kill();
            running.waitForFinished(10000);
        });
        QVERIFY(running.waitForStarted(10000));
        while (!running.canReadLine() && running.state() == QProcess::Running)
            running.waitForReadyRead(1000);
        QCOMPARE(running.readLine().trimmed(), QByteArray("running"));
        const auto queueAs = [](const QString &name, int dept, const QString &file) {
            Db::execute(QStringLiteral("INSERT INTO Pending_Files (Workstation, Dept, Folder, File_Name, Bytes, "
                                       "Temp_Name) VALUES (?, ?, '', ?, 'bon', '')"),
                        {WorkTables::derivedName(name), dept, file});
        };
        queueAs(QStringLiteral("Стара каса"), 0, {});
        queueAs(QStringLiteral("Стара каса"), 3, QStringLiteral("ToPrepare3.bon"));
        queueAs(QStringLiteral("Стара каса"), 0, {});
        queueAs(QStringLiteral("Каса 2"), 0, {});

        DeviceFileWriter w;
        Told told;
        listen(w, told);
        w.recoverClaims(); // the start
        QCOMPARE(w.flush(), 0);
        QCOMPARE(told.messages.size(), 1);
        const QString message = told.messages.first();
        QVERIFY2(message.contains(QStringLiteral("3 бона")) && message.contains(QStringLiteral("\"Стара каса\""))
                     && message.contains(QStringLiteral("VENTAROS_WORKSTATION")) && !message.contains(QStringLiteral("Каса 2")),
                 qPrintable(message));
        const QStringList log = TextFile::readLines(ExceptionLog::filePath());
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().contains(QStringLiteral("3 бона")) && log.first().contains(QStringLiteral("Стара каса")),
                 qPrintable(log.first()));
        // Walked again, and at the next start: nothing written here, told once a start.
        w.flush();
        QCOMPARE(told.messages.size(), 1);
        w.recoverClaims();
        w.flush();
        QCOMPARE(told.messages.size(), 2);
        QCOMPARE(contents(receipts), QStringList());
        QCOMPARE(contents(kitchen), QStringList());
        QCOMPARE(pendingRows(), 4);
    }
};

VTEST(FileWritersTest)
#include "test_file_writers.moc"
