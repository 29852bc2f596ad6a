#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/data_module.h"
#include "platform/db/database.h"
#include "app/next_number.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace {
const char *const RaceDbVariable = "VENTAROS_RACE_DB";
constexpr int RowsPerWorker = 150;
} // namespace

// Numbers rows in the database the race test names; it runs in processes of
// its own, so it is registered without a ctest entry of its own.
class NextNumberRaceWorker : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numberRows()
    {
        const QString folder = qEnvironmentVariable(RaceDbVariable);
        if (folder.isEmpty())
            QSKIP("started only by NextNumberRace");
        QString error;
        QVERIFY2(Db::openFolder(QStringLiteral("race"), folder, &error), qPrintable(error));
        Db::setCurrentConnection(QStringLiteral("race"));
        const QString worker = QString::number(QCoreApplication::applicationPid());
        for (int i = 0; i < RowsPerWorker; ++i)
            NextNumber::insert(QStringLiteral("T_Race"), QStringLiteral("N"), [&](long long n) {
                Db::execute(QStringLiteral("INSERT INTO T_Race (N, W) VALUES (?, ?)"), {n, worker});
            });
        Db::setCurrentConnection(QString());
        Db::close(QStringLiteral("race"));
    }
};
static vtest::Registrar raceWorker("NextNumberRaceWorker", []() -> QObject * { return new NextNumberRaceWorker; });

// Two workstations numbering one table at once never get the same number.
class NextNumberRace : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void twoProcessesNeverShareANumber()
    {
        TestProgram program;
        auto db = [] { return Db::connection(); };
        // No unique index: a shared number would show as two rows.
        createTestTable(QStringLiteral("T_Race"), QStringLiteral("N INTEGER, W TEXT"), db());

        QList<QProcess *> workers;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(RaceDbVariable), DataModule1->databaseFolder());
        env.insert(QStringLiteral("VENTAROS_HOME"), program.folder());
        for (int i = 0; i < 2; ++i) {
            auto *p = new QProcess(this);
            // Two workstations: a server refuses one name from two places.
            env.insert(QStringLiteral("VENTAROS_WORKSTATION"), QStringLiteral("race%1").arg(i + 1));
            p->setProcessEnvironment(env);
            p->setProcessChannelMode(QProcess::MergedChannels);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--class"), QStringLiteral("NextNumberRaceWorker")});
            workers.append(p);
        }
        for (QProcess *p : workers) {
            QVERIFY(p->waitForFinished(120000));
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, p->readAll().constData());
        }
        const int total = 2 * RowsPerWorker;
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM T_Race"), {}, db()).toInt(), total);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(DISTINCT N) FROM T_Race"), {}, db()).toInt(), total);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT MAX(N) FROM T_Race"), {}, db()).toInt(), total);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(DISTINCT W) FROM T_Race"), {}, db()).toInt(), 2);
    }
};
VTEST(NextNumberRace)

#include "test_next_number_race.moc"
