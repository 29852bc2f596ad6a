#pragma once
#include <QString>
#include <QStringList>

class QWidget;

// The desktop programs the main window starts in place of the Windows ones.
namespace AuxPrograms {
// Environment variables that name a command line of this workstation's own.
inline constexpr const char *DateSettingsVariable = "VENTAROS_DATE_SETTINGS";
inline constexpr const char *LogOffVariable = "VENTAROS_LOGOFF_COMMAND";

// The date and time settings: the configured command, else the first
// installed desktop tool; when there is none, a message asks the user to
// correct the system date.
void startDateSettings(QWidget *parent);
void startCalculator(QWidget *parent);
// The text editor, with `file` opened in it when one is given.
void startNotepad(QWidget *parent, const QString &file = {});
// "Отвори програма...": an executable file is started directly (no shell);
// any other file is opened with its associated program.
void openProgram(QWidget *parent);
// Ends the desktop session: the configured command, else the session manager's.
void requestLogOff();

// The program and arguments of a configured command line; empty when unset.
QStringList configuredCommand(const char *variable);
} // namespace AuxPrograms
