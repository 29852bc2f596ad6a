#pragma once
#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;

// One entry of the main menu MainMenu_General. The table order is frozen:
// operators' rights (Operators.Prava) and shortcut sections are numbered by
// it, so entries are only ever appended at the end of their menu (or
// inserted where the numbering is then migrated). Separators carry no number.
struct MenuItemDef {
    enum Flag : unsigned { None = 0, Submenu = 1, Hidden = 2, Checkable = 4, Separator = 8 };
    const char *name;     // objectName of the item's QAction (and of the QMenu of a submenu)
    const char *caption;  // shown text
    const char *parent;   // objectName of the submenu holding it; nullptr: the menu bar
    const char *shortcut; // design shortcut in portable text ("Ctrl+K"); nullptr: none
    unsigned flags = None;
};

namespace MainMenu {
// The table, in its frozen order; parents come before their children and a
// menu's items follow in the order they are shown.
const QList<MenuItemDef> &items();
QString caption(const QString &name); // empty for an unknown name
} // namespace MainMenu

// The menu tree over the table: node 0 is the root "Основни менюта", nodes
// 1..N the items depth first in menu order, hidden ones included, separators
// left out. Built once per main window; the actions live on the window, so the
// shortcuts of hidden items work too.
class MainMenuActions
{
public:
    struct Node {
        int number = 0;
        int parent = -1; // node number of the parent (0 for top-level items), -1 for the root
        QList<int> children;
        const MenuItemDef *def = nullptr; // nullptr for the root
        QAction *action = nullptr;        // the item's action (a submenu's menuAction)
        QMenu *menu = nullptr;            // for submenus
        QKeySequence designShortcut;
        bool allowed = true; // by the operator's rights
    };

    static inline const char *RootCaption = "Основни менюта";

    // Creates the menus and actions on the window and fills its menu bar.
    void build(QMainWindow *window, QMenuBar *bar);

    int count() const { return int(m_nodes.size()); } // root included
    const Node &node(int number) const { return m_nodes.at(number); }
    Node &node(int number) { return m_nodes[number]; }
    int numberOf(const QString &name) const { return m_byName.value(name, -1); }
    QAction *action(const QString &name) const;
    QMenu *menu(const QString &name) const;

    // Design state: every item allowed, every shortcut as designed.
    void resetRights();
    void resetShortcuts();

    // The one place that decides whether an item can be used: its rights and
    // those of every menu above it allow it, and a command item has an opener.
    void applyStates(const std::function<bool(const QString &)> &hasOpener);
    bool effectiveAllowed(int number) const;

    // The item that already uses `key`, other than `except`; -1 when none.
    int nodeWithShortcut(const QKeySequence &key, int except) const;

private:
    QList<Node> m_nodes;
    QHash<QString, int> m_byName;
};
