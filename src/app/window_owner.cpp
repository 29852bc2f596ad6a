#include "app/window_owner.h"

#include <QPointer>
#include <QWidget>

namespace {
QPointer<QWidget> &owner()
{
    static QPointer<QWidget> w;
    return w;
}
} // namespace

void WindowOwner::setMainWindow(QWidget *mainWindow)
{
    owner() = mainWindow;
}

QWidget *WindowOwner::mainWindow()
{
    return owner().data();
}
