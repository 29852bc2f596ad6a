#include "app/pick_targets.h"

#include "platform/db/database.h"
#include "platform/dialogs.h"

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

void PickBrowser::Showings::run(int *mode, const std::function<void()> &show)
{
    m_served.append(*mode);
    struct Ended {
        QList<int> &served;
        int *mode;
        ~Ended()
        {
            served.removeLast();
            *mode = served.isEmpty() ? -1 : served.last();
        }
    } ended{m_served, mode};
    show();
}
