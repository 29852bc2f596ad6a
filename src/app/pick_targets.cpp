#include "app/pick_targets.h"

#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QDialog>

bool PickBrowser::deliver(QWidget *parent, const std::function<void()> &delivery)
{
    try {
        delivery();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Изборът не беше записан: грешка в базата данни.\n") + e.message(), parent);
        return false;
    } catch (const std::exception &e) {
        Dialogs::message(QStringLiteral("Изборът не беше записан.\n") + QString::fromUtf8(e.what()), parent);
        return false;
    }
    return true;
}

bool PickBrowser::bringForward(QDialog *browser, int servedMode, int *mode)
{
    if (!browser || !browser->isVisible())
        return false;
    *mode = servedMode;
    browser->raise();
    browser->activateWindow();
    return true;
}
