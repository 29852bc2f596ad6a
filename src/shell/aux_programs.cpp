#include "shell/aux_programs.h"

#include "platform/dialogs.h"
#include "platform/shell_exec.h"

#include <QFileInfo>
#include <QProcess>

namespace {
struct Candidate {
    const char *program;
    QStringList args;
};

// Starts the first installed candidate; false when none is installed.
bool startFirst(const QList<Candidate> &candidates)
{
    for (const Candidate &c : candidates) {
        const QString found = ShellExec::findInstalled({QString::fromLatin1(c.program)});
        if (!found.isEmpty() && ShellExec::startProgram(found, c.args))
            return true;
    }
    return false;
}

bool startConfigured(const char *variable)
{
    QStringList cmd = AuxPrograms::configuredCommand(variable);
    if (cmd.isEmpty())
        return false;
    const QString program = cmd.takeFirst();
    return ShellExec::startProgram(program, cmd);
}
} // namespace

QStringList AuxPrograms::configuredCommand(const char *variable)
{
    const QString line = qEnvironmentVariable(variable).trimmed();
    return line.isEmpty() ? QStringList() : QProcess::splitCommand(line);
}

void AuxPrograms::startDateSettings(QWidget *parent)
{
    if (startConfigured(DateSettingsVariable))
        return;
    if (startFirst({{"gnome-control-center", {QStringLiteral("datetime")}},
                    {"systemsettings", {QStringLiteral("kcm_clock")}},
                    {"time-admin", {}},
                    {"xfce4-datetime-settings", {}}}))
        return;
    Dialogs::message(QStringLiteral("Моля, поправете системната дата и час на компютъра."), parent);
}

void AuxPrograms::startCalculator(QWidget *parent)
{
    if (!startFirst({{"gnome-calculator", {}},
                     {"kcalc", {}},
                     {"mate-calc", {}},
                     {"galculator", {}},
                     {"qalculate-gtk", {}},
                     {"xcalc", {}}}))
        Dialogs::message(QStringLiteral("Не е намерен калкулатор на този компютър."), parent);
}

void AuxPrograms::startNotepad(QWidget *parent, const QString &file)
{
    const QStringList args = file.isEmpty() ? QStringList() : QStringList{file};
    if (!startFirst({{"gnome-text-editor", args},
                     {"gedit", args},
                     {"kate", args},
                     {"kwrite", args},
                     {"mousepad", args},
                     {"pluma", args},
                     {"xed", args},
                     {"featherpad", args},
                     {"leafpad", args}})) {
        // No editor installed: the desktop's program for text files.
        if (!file.isEmpty() && ShellExec::openFile(file))
            return;
        Dialogs::message(QStringLiteral("Не е намерен текстов редактор на този компютър."), parent);
    }
}

void AuxPrograms::openProgram(QWidget *parent)
{
    const QString file = Dialogs::openFile(QStringLiteral("Отвори програма"),
                                           QStringLiteral("Всички файлове (*);;Текстови файлове (*.txt)"),
                                           {}, parent);
    if (file.isEmpty())
        return;
    const QFileInfo info(file);
    const bool ok = info.isFile() && info.isExecutable() ? ShellExec::startProgram(info.absoluteFilePath())
                                                         : ShellExec::openFile(info.absoluteFilePath());
    if (!ok)
        Dialogs::message(QStringLiteral("Файлът не може да бъде отворен: ") + file, parent);
}

void AuxPrograms::requestLogOff()
{
    if (startConfigured(LogOffVariable))
        return;
    const QString session = qEnvironmentVariable("XDG_SESSION_ID");
    if (!session.isEmpty()) {
        const QString loginctl = ShellExec::findInstalled({QStringLiteral("loginctl")});
        if (!loginctl.isEmpty()) {
            ShellExec::startProgram(loginctl, {QStringLiteral("terminate-session"), session});
            return;
        }
    }
    startFirst({{"gnome-session-quit", {QStringLiteral("--logout"), QStringLiteral("--no-prompt")}},
                {"xfce4-session-logout", {QStringLiteral("--logout")}}});
}
