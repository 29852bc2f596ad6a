// A fresh process started up to its painted login window, against a Qt
// Widgets program with nothing of ours started up to its painted window:
// both on the same platform plugin, both timed from the start of the
// process to its end, which each makes once its window is painted.
#include "bench_roads.h"
#include "bench_support.h"

#include "common/program_folder.h"
#include "platform/db/work_tables.h"
#include "platform/instance_lock.h"
#include "shell/form_dostap_operators.h"
#include "shell/general_form.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace Bench {
namespace {
// Ends the process after the first paint pass of the login window.
class EndAtLogin : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_ending && watched->isWidgetType()
            && qobject_cast<TForm_Dostap_Operators *>(static_cast<QWidget *>(watched)->window())) {
            m_ending = true;
            QTimer::singleShot(0, [] {
                std::fflush(nullptr);
                ::_exit(0);
            });
        }
        return false;
    }

private:
    bool m_ending = false;
};

Timing startTo(const QString &home, const QString &program, const QStringList &args)
{
    return measure([&] {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VENTAROS_HOME"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QGuiApplication::platformName());
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            fail(program + QStringLiteral(" did not end well: ") + QString::fromUtf8(p.readAllStandardError()));
    });
}
} // namespace

int startToLogin()
{
    ProgramFolder::resolve();
    // Where the benchmark's own main window still holds this workstation's
    // lock of the folder, the fresh start is another workstation's.
    if (!InstanceLock::acquire())
        qputenv("VENTAROS_WORKSTATION", (WorkTables::workstationName() + QStringLiteral("-start")).toUtf8());
    EndAtLogin end;
    qApp->installEventFilter(&end);
    TGeneral_Form form;
    form.FormCreate();
    std::fprintf(stderr, "the login window was never painted\n");
    return 3;
}

void startUpRoad(const QString &home, const QString &self)
{
    const QString blank = QFileInfo(self).dir().filePath(QStringLiteral("ventaros_bench_blank"));
    if (!QFileInfo(blank).isExecutable())
        fail(QStringLiteral("the empty program is missing: ") + blank);
    const Timing time = startTo(home, self, {QStringLiteral("--start-to-login")});
    const Timing base = startTo(home, blank, {});
    report({QStringLiteral("start"), QStringLiteral("старт до изрисуван вход"), time, base, 3,
            QStringLiteral("база: празна Qt програма")});
}
} // namespace Bench
