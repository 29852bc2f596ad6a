#include "app/action_button.h"

#include <QAbstractButton>
#include <QAction>
#include <QPointer>

void bindButtonToAction(QAbstractButton *button, QAction *action)
{
    button->setProperty(BoundItemProperty, action->objectName());
    button->setEnabled(action->isEnabled());
    if (action->isCheckable()) {
        button->setCheckable(true);
        button->setChecked(action->isChecked());
        QObject::connect(action, &QAction::toggled, button, &QAbstractButton::setChecked);
    }
    QObject::connect(action, &QAction::changed, button,
                     [button, action] { button->setEnabled(action->isEnabled()); });
    QPointer<QAction> guarded(action);
    QObject::connect(button, &QAbstractButton::clicked, button, [button, guarded] {
        if (!guarded)
            return;
        if (!guarded->isEnabled()) { // a button enabled by other code still obeys the item
            if (button->isCheckable())
                button->setChecked(guarded->isChecked());
            return;
        }
        guarded->trigger();
        if (button->isCheckable())
            button->setChecked(guarded->isChecked());
    });
}
