#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QDialog;

// Tests script the platform: dialogs take their answers from a queue and
// programs and files are recorded instead of started. Outside tests the
// script is inactive and the real dialogs and programs are used.
namespace PlatformScript {
struct Event {
    QString kind;  // "message", "yesNo", "yesNoCancel", "choose", "input", "openFile",
                   // "chooseFolder", "startProgram", "openFile.shell",
                   // "openUrl.shell"
    QString text;  // the text shown, or the program / file
    QStringList args;
    QVariant answer; // what the script answered
};

void activate();   // tests: start scripting (clears answers and events)
void deactivate();
bool isActive();

// Answers are taken in order; each dialog takes one. A dialog with no answer
// queued gets the safe one: No / Cancel / empty, and is still recorded.
void answer(const QVariant &value); // bool for Yes/No, "yes"/"no"/"cancel", index, text
void clearAnswers();
int pendingAnswers();

QList<Event> events();
QStringList texts(const QString &kind); // texts of the recorded events of one kind
void clearEvents();

// Modal windows opened through Dialogs::exec() are handed to this handler
// (which may drive them and returns their result) instead of being shown.
// Without a handler they are recorded and answered "rejected".
void setModalHandler(std::function<int(QDialog *)> handler);
int runModal(QDialog *dialog);

// used by the platform layer itself
bool takeAnswer(QVariant *value);
void record(const Event &event);
} // namespace PlatformScript
