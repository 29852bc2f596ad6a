#pragma once

class QWidget;

// The owner of the small windows that are made once and kept for the whole
// run (column chooser, prompt, export-type chooser, search indicator, video
// help). The main window registers itself when it is built, so these windows
// never belong to whichever list window happened to open them first. Until it
// does, they are made without an owner.
namespace WindowOwner {
void setMainWindow(QWidget *mainWindow);
QWidget *mainWindow(); // null when none is registered (or it is gone)
} // namespace WindowOwner
