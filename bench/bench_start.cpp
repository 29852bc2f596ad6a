// The real program (`ventaros`, next to the benchmark) started as a user
// starts it, up to its painted login window, against the same work done by
// Qt alone (`raw_login.cpp`: the database opened, the operators read, a
// login form painted): both on the same platform plugin, both timed from the
// start of the process to its end, which each makes once its window is
// painted (the program through the probe library the road loads into it).
// The first run of each starts with its files dropped from the OS cache.
#include "bench_roads.h"
#include "bench_support.h"
#include "platform/db/database.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QSqlDatabase>

namespace Bench {
namespace {
Timing startTo(const QString &home, const QString &program, const QStringList &preload, const QStringList &files,
              const QProcessEnvironment &extra = {})
{
    bool cold = true;
    return measure(
        [&] {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("VENTAROS_HOME"), home);
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QGuiApplication::platformName());
            env.insert(extra);
            if (!preload.isEmpty())
                env.insert(QStringLiteral("LD_PRELOAD"), preload.join(QLatin1Char(':')));
            p.setProcessEnvironment(env);
            p.start(program, {});
            if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
                fail(program + QStringLiteral(" did not end at its painted window: ")
                     + QString::fromUtf8(p.readAllStandardError()));
        },
        [&] {
            if (cold)
                for (const QString &f : files)
                    dropFileCache(f);
            cold = false;
        });
}
// The shop's connection as the program opened it, for the baseline to open
// the same way.
QProcessEnvironment connectionOf(const QSqlDatabase &db)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("RAW_LOGIN_DRIVER"), db.driverName());
    env.insert(QStringLiteral("RAW_LOGIN_DATABASE"), db.databaseName());
    env.insert(QStringLiteral("RAW_LOGIN_HOST"), db.hostName());
    if (db.port() >= 0)
        env.insert(QStringLiteral("RAW_LOGIN_PORT"), QString::number(db.port()));
    env.insert(QStringLiteral("RAW_LOGIN_USER"), db.userName());
    env.insert(QStringLiteral("RAW_LOGIN_PASSWORD"), db.password());
    env.insert(QStringLiteral("RAW_LOGIN_OPTIONS"), db.connectOptions());
    return env;
}
} // namespace

void startUpRoad(const QString &home, const QString &self)
{
    const QDir here = QFileInfo(self).dir();
    const QString program = here.filePath(QStringLiteral("ventaros"));
    const QString probe = here.filePath(QStringLiteral("libventaros_bench_painted.so"));
    const QString raw = here.filePath(QStringLiteral("ventaros_bench_raw_login"));
    for (const QString &f : {program, probe, raw})
        if (!QFileInfo::exists(f))
            fail(QStringLiteral("missing: ") + f);
    const Timing time = startTo(home, program, {probe}, {program, databaseFile()});
    const Timing base = startTo(home, raw, {}, {raw, databaseFile()}, connectionOf(Db::connection()));
    report({QStringLiteral("start"), QStringLiteral("старт до изрисуван вход"), time, base, 3,
            QStringLiteral("ventaros; база: Qt: базата, операторите, форма за вход")});
}
} // namespace Bench
