#pragma once
#include "app/item_rights.h"
#include "app/window_owner.h"

#include <QHash>
#include <QList>
#include <QPointer>

#include <functional>
#include <memory>

class QDialog;
class QWidget;

// The receivers of a browser's picks, one per pick mode: a window that needs
// a record registers what a pick in its mode delivers, sets the browser's
// program-wide mode and opens the browser.
template <class Picked>
class PickTargets
{
public:
    using Receiver = std::function<void(const Picked &picked)>;

    // Modes 0 .. modeCount - 1; any mode from 0 up when modeCount is negative.
    explicit PickTargets(int modeCount = -1)
        : m_modeCount(modeCount)
    {
    }

    // Registering again replaces the receiver, an empty one removes it.
    // Modes outside the range are ignored.
    void registerTarget(int mode, Receiver receiver)
    {
        if (!valid(mode))
            return;
        if (receiver)
            m_receivers.insert(mode, std::move(receiver));
        else
            m_receivers.remove(mode);
    }
    bool hasTarget(int mode) const { return valid(mode) && m_receivers.contains(mode); }
    // False when the mode has none (nothing is written). A receiver's
    // exception passes on to the caller.
    bool deliver(int mode, const Picked &picked) const
    {
        if (!hasTarget(mode))
            return false;
        // A copy: the receiver may re-register its own mode.
        const Receiver receiver = m_receivers.value(mode);
        receiver(picked);
        return true;
    }

private:
    bool valid(int mode) const { return mode >= 0 && (m_modeCount < 0 || mode < m_modeCount); }
    int m_modeCount;
    QHash<int, Receiver> m_receivers;
};

namespace PickBrowser {
// Runs a delivery; a failure of the receiver is told and gives false (the
// browser then stays open with what was marked).
bool deliver(QWidget *parent, const std::function<void()> &delivery);

// The showings of one kind of browser, innermost last, each with the pick
// mode it serves. A browser that shows lies under the window that asks
// again (each is modal) and takes no input there, so every request gets a
// browser of its own.
class Showings
{
public:
    bool any() const { return !m_served.isEmpty(); }
    // Runs one showing serving *mode; when it ends *mode returns to the one
    // the browser beneath serves, -1 when none shows.
    void run(int *mode, const std::function<void()> &show);

private:
    QList<int> m_served;
};

// A browser for a request: the kept one (made on first use, owned by the
// main window), or, while one shows already beneath the asking window, one
// of its own over the caller. `show` readies it and shows it modally. The
// operator's right on the menu item `item` guards every request: refused, no
// browser shows and the mode returns as after a showing.
template <class Browser>
void open(QPointer<Browser> &kept, QWidget *caller, int *mode, const QString &item,
          const std::function<void(Browser *)> &show)
{
    static Showings showings;
    if (!ItemRights::permit(item, caller)) {
        showings.run(mode, [] {});
        return;
    }
    std::unique_ptr<Browser> own;
    Browser *browser = kept;
    if (showings.any()) {
        own = std::make_unique<Browser>(caller);
        browser = own.get();
    } else if (!browser) {
        QWidget *owner = WindowOwner::mainWindow();
        browser = kept = new Browser(owner ? owner : caller);
    }
    showings.run(mode, [&] { show(browser); });
}
} // namespace PickBrowser
