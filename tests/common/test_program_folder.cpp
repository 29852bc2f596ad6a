#include "common/program_folder.h"
#include "test_registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}
} // namespace

class ProgramFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { ProgramFolder::setDeliveryFolders({}); }

    void programFolderFirstThenExecutableThenShare()
    {
        QTemporaryDir home, exe, share;
        ProgramFolder::setPath(home.path());
        ProgramFolder::setDeliveryFolders({exe.path(), share.path()});
        const QString rel = QStringLiteral("SQLs/NewTables.nts");
        // Nowhere: the program folder's path, so a message names it.
        QCOMPARE(ProgramFolder::programFile(rel), QDir(home.path()).filePath(rel));
        touch(QDir(share.path()).filePath(rel));
        QCOMPARE(ProgramFolder::programFile(rel), QDir(share.path()).filePath(rel));
        touch(QDir(exe.path()).filePath(rel));
        QCOMPARE(ProgramFolder::programFile(rel), QDir(exe.path()).filePath(rel));
        touch(QDir(home.path()).filePath(rel));
        QCOMPARE(ProgramFolder::programFile(rel), QDir(home.path()).filePath(rel));
        // Folders resolve the same way.
        QDir().mkpath(QDir(exe.path()).filePath(QStringLiteral("Video")));
        QCOMPARE(ProgramFolder::programFile(QStringLiteral("Video")),
                 QDir(exe.path()).filePath(QStringLiteral("Video")));
    }

    void unwritableFolderIsNamed()
    {
        QTemporaryDir dir;
        ProgramFolder::setPath(dir.path());
        QVERIFY(ProgramFolder::writeProblem().isEmpty());
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty()); // the probe is gone
        // A folder that cannot even be made: below a plain file.
        touch(QDir(dir.path()).filePath(QStringLiteral("plain")));
        const QString below = QDir(dir.path()).filePath(QStringLiteral("plain/home"));
        ProgramFolder::setPath(below);
        const QString problem = ProgramFolder::writeProblem();
        QVERIFY(problem.contains(QStringLiteral("не позволява запис")));
        QVERIFY(problem.contains(QLatin1Char('\n') + below + QLatin1Char('\n')));
        // A folder without write rights (meaningless for root, who writes anyway).
        const QString locked = QDir(dir.path()).filePath(QStringLiteral("locked"));
        QDir().mkpath(locked);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        ProgramFolder::setPath(locked);
        QFile probe(QDir(locked).filePath(QStringLiteral("x")));
        const bool rootWrites = probe.open(QIODevice::WriteOnly);
        probe.remove();
        QCOMPARE(ProgramFolder::writeProblem().isEmpty(), rootWrites);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        ProgramFolder::setPath(dir.path());
    }

    void defaultsAreTheExecutableFolderAndTheInstallShare()
    {
        const QString exe = QCoreApplication::applicationDirPath();
        QCOMPARE(ProgramFolder::deliveryFolders(),
                 (QStringList{exe, QDir::cleanPath(exe + QStringLiteral("/../share/ventaros"))}));
    }
};
VTEST(ProgramFiles)

#include "test_program_folder.moc"
