#pragma once
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

// Message boxes, questions, prompts and file dialogs of the whole program.
// Texts are always shown as plain text. Tests script them (platform/script.h).
namespace Dialogs {
enum class Answer { Yes, No, Cancel };

void message(const QString &text, QWidget *parent = nullptr);
bool yesNo(const QString &text, QWidget *parent = nullptr); // true on Yes
Answer yesNoCancel(const QString &text, QWidget *parent = nullptr);
// A question with buttons of its own; the index of the chosen button, -1 when closed.
int choose(const QString &text, const QStringList &buttons, QWidget *parent = nullptr);
// false when cancelled; *value holds the initial text and receives the typed one
bool inputText(const QString &title, const QString &label, QString *value, QWidget *parent = nullptr,
               bool password = false);
QString openFile(const QString &title, const QString &filter, const QString &folder = {},
                 QWidget *parent = nullptr);
QString saveFile(const QString &title, const QString &filter, const QString &folder = {},
                 QWidget *parent = nullptr);
QString chooseFolder(const QString &title, const QString &folder = {}, QWidget *parent = nullptr);
// Shows a window modally; under a test script the script's modal handler
// gets it instead.
int exec(QDialog *dialog);
} // namespace Dialogs
