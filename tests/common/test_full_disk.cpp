// The atomic writer on a file system with no room: the old file stays whole,
// no new or temporary file is left, and the caller is told why.
#include "full_disk.h"
#include "test_registry.h"
#include "test_support.h"

#include "common/text_file.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}
} // namespace

class FullDiskWriterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void oldFileStaysAndTheReasonIsGiven()
    {
        const QByteArray old(226, 'o');
        for (FullDisk::Kind kind : {FullDisk::Kind::Tmpfs, FullDisk::Kind::SizeLimit}) {
            FullDisk disk(kind);
            // Sizes around the writer's buffers; a write cut short after a few bytes too.
            const struct {
                int size;
                long long room;
            } cases[] = {{1, 0}, {226, 0}, {226, 100}, {4097, 0}, {16385, 4096}, {70000, 0}, {70000, 65536}};
            int n = 0;
            for (const auto &c : cases) {
                for (bool hadFile : {true, false}) {
                    const QString folder = QDir(disk.folder()).filePath(QString::number(n++));
                    QVERIFY(QDir().mkpath(folder));
                    const QString path = QDir(folder).filePath(QStringLiteral("Firm_Data.ini"));
                    if (hadFile)
                        QVERIFY(putFile(path, old));
                    const QString at = QStringLiteral("kind %1, size %2, room %3, old file %4")
                                           .arg(int(disk.kind()))
                                           .arg(c.size)
                                           .arg(c.room)
                                           .arg(hadFile);
                    disk.fill(c.room);
                    QString error;
                    const bool written = TextFile::writeAtomic(path, QByteArray(c.size, 'n'), &error);
                    disk.release();
                    QVERIFY2(!written, qPrintable(at));
                    QCOMPARE(error, QStringLiteral("Няма място на диска: ") + path);
                    QCOMPARE(entries(folder), hadFile ? QStringList{QStringLiteral("Firm_Data.ini")} : QStringList());
                    if (hadFile)
                        QVERIFY2(fileContents(path) == old, qPrintable(at));
                }
            }
            // With room again the same write goes through.
            const QString path = QDir(disk.folder()).filePath(QStringLiteral("0/Firm_Data.ini"));
            QVERIFY(TextFile::writeAtomic(path, "[A]\nk=1\n"));
            QCOMPARE(fileContents(path), QByteArray("[A]\nk=1\n"));
        }
    }
};

VTEST(FullDiskWriterTest)
#include "test_full_disk.moc"
