#pragma once

class QAbstractButton;
class QAction;

// A tab or toolbar button that works as its menu item: it is enabled exactly
// while the item's action is, a click triggers the action, and a checkable
// button follows the action's check mark. So the operator's rights govern
// the button as they govern the item.
// The button's property "menuItem" names the item.
void bindButtonToAction(QAbstractButton *button, QAction *action);
inline constexpr const char *BoundItemProperty = "menuItem";
