#pragma once
#include <QList>
#include <QString>

class QWidget;
class TGeneral_Form;

// What each main-menu item opens. Toolbar buttons, tab buttons and status
// panels share their item's action, so this is the one table of openers; an
// item without an entry here stays disabled. A window of another module is
// added with one line when that window exists.
struct Opener {
    const char *item;                  // objectName of the menu item
    void (*open)(TGeneral_Form &form); // runs on the item's action
    const char *needs = nullptr;       // another item whose opener this one calls
    bool (*ready)() = nullptr;         // when set, the item works only while this holds
};

namespace Openers {
const QList<Opener> &table();
const Opener *find(const QString &item);
// In the table, ready, and so is what it needs.
bool available(const QString &item);
// The one road to an item's opener: it runs when the operator's rights allow
// the item and the items its opener calls (else he is told, over `asker` or
// the main window, which one is denied) and the item is available. False
// when it did not run.
bool open(TGeneral_Form &form, const QString &item, QWidget *asker = nullptr);

// Start-up step 4: the message listener of the workstation messages module.
void startMessageListener(TGeneral_Form &form);
// What the windows of the working modes reach through the main window (the
// documents' counterparty and active tab, the openers other modules call).
void installProgramLinks(TGeneral_Form &form);
// The working modes build their controls and install their handlers on the
// three tabs here: once, at the first login (the login window comes first).
void installWorkingModes(TGeneral_Form &form);
} // namespace Openers
