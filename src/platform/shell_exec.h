#pragma once
#include <QString>
#include <QStringList>

// Starting programs and opening files with the desktop's associated program.
// Under a test script both are recorded and never executed.
namespace ShellExec {
// Starts a program detached, without a shell. false when it could not start.
bool startProgram(const QString &program, const QStringList &args = {});
// Opens a file with its associated program (xdg-open on the desktop).
bool openFile(const QString &path);
// Opens an address (http, mailto, ...) with the desktop's handler. The
// caller decides which addresses may be opened.
bool openUrl(const QString &url);
// The first of the programs that is installed (found on PATH), or empty.
QString findInstalled(const QStringList &candidates);
} // namespace ShellExec
