#pragma once
#include <QList>
#include <QString>
#include <QStringList>

class MainMenuActions;
class QTreeWidget;
class QTreeWidgetItem;

// Operators' menu rights. A rights text (Operators.Prava) holds
// "<node>=<state>," for every node of the menu tree, 0 allowed, 1 denied.
namespace Rights {
enum State { Allowed = 0, Denied = 1 };

// The entries of a rights text: every "," closes one; text after the last "," is dropped.
QStringList GETRIGHTS(const QString &rights);

// State of node `number` in a list of entries: Allowed / Denied, -1 when the
// list has no entry for it or its value is another number (the design state
// holds), Denied when the value is no number at all (a damaged text never
// opens an item).
int entryState(const QStringList &entries, int number);

// Whether a rights text lets its operator use item `number`: neither the
// item nor a menu above it is denied.
bool allows(const QStringList &entries, const MainMenuActions &menu, int number);

// Applies the entries to the menu: every item back to its design state first,
// then each node's own entry. Root (node 0) is never touched.
void SetMenuVisible(MainMenuActions &menu, const QStringList &entries);

// The rights text of a list of node states, root included: "0=0,1=1,...".
QString rightsText(const QList<int> &states);

// The menu tree in a tree widget: root "Основни менюта" and one item per
// node, depth first. Item i's data(0, Qt::UserRole) is its node number.
// Returns the items indexed by node number.
QList<QTreeWidgetItem *> buildTree(QTreeWidget *tree, const MainMenuActions &menu);
void Insert_Menus_to_TreeView(QTreeWidget *tree, QTreeWidgetItem *parentNode,
                              const MainMenuActions &menu, int number,
                              QList<QTreeWidgetItem *> &items);

// Rights images on a tree item (operators window).
int image(const QTreeWidgetItem *item);
void setImage(QTreeWidgetItem *item, int state);
// A click on a node: deny it with its whole branch (and the group above when
// that leaves the group without an allowed item), or allow it with its branch
// and every group above it. The root only toggles itself.
void toggle(QTreeWidgetItem *item);
} // namespace Rights
