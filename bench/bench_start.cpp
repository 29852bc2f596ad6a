// The real program (`ventaros`, next to the benchmark) started as a user
// starts it, up to its painted login window, against a Qt Widgets program
// with nothing of ours started up to its painted window: both on the same
// platform plugin, both timed from the start of the process to its end,
// which each makes once its window is painted (the program through the
// probe library the road loads into it). The first run of each starts with
// its files dropped from the OS cache.
#include "bench_roads.h"
#include "bench_support.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>

namespace Bench {
namespace {
Timing startTo(const QString &home, const QString &program, const QStringList &preload, const QStringList &files)
{
    bool cold = true;
    return measure(
        [&] {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("VENTAROS_HOME"), home);
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QGuiApplication::platformName());
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
} // namespace

void startUpRoad(const QString &home, const QString &self)
{
    const QDir here = QFileInfo(self).dir();
    const QString program = here.filePath(QStringLiteral("ventaros"));
    const QString probe = here.filePath(QStringLiteral("libventaros_bench_painted.so"));
    const QString blank = here.filePath(QStringLiteral("ventaros_bench_blank"));
    for (const QString &f : {program, probe, blank})
        if (!QFileInfo::exists(f))
            fail(QStringLiteral("missing: ") + f);
    const Timing time = startTo(home, program, {probe}, {program, databaseFile()});
    const Timing base = startTo(home, blank, {}, {blank});
    report({QStringLiteral("start"), QStringLiteral("старт до изрисуван вход"), time, base, 3,
            QStringLiteral("ventaros; база: празна Qt програма")});
}
} // namespace Bench
