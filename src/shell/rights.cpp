#include "shell/rights.h"

#include "shell/main_menu.h"

#include <QAction>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QTreeWidget>

namespace {
constexpr int ImageRole = Qt::UserRole + 1;

// The two rights pictures: a green tick for allowed, a red cross for denied.
QIcon stateIcon(int state)
{
    static QIcon icons[2];
    QIcon &icon = icons[state == Rights::Denied ? 1 : 0];
    if (icon.isNull()) {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        if (state == Rights::Denied) {
            p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(4, 4, 12, 12);
            p.drawLine(12, 4, 4, 12);
        } else {
            p.setPen(QPen(QColor(20, 150, 40), 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(3, 9, 7, 13);
            p.drawLine(7, 13, 13, 3);
        }
        p.end();
        icon = QIcon(pm);
    }
    return icon;
}

void setBranch(QTreeWidgetItem *item, int state)
{
    for (int i = 0; i < item->childCount(); ++i) {
        Rights::setImage(item->child(i), state);
        setBranch(item->child(i), state);
    }
}
} // namespace

QStringList Rights::GETRIGHTS(const QString &rights)
{
    QStringList entries = rights.split(QLatin1Char(','));
    entries.removeLast(); // what follows the last "," is no entry
    return entries;
}

int Rights::entryState(const QStringList &entries, int number)
{
    const QString name = QString::number(number);
    for (const QString &e : entries) {
        const int eq = e.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? e : e.left(eq)).trimmed();
        if (key != name)
            continue;
        bool ok = false;
        const int value = (eq < 0 ? QString() : e.mid(eq + 1)).trimmed().toInt(&ok);
        if (!ok)
            return Denied;
        return value == Allowed || value == Denied ? value : -1;
    }
    return -1;
}

bool Rights::allows(const QStringList &entries, const MainMenuActions &menu, int number)
{
    for (int n = number; n > 0; n = menu.node(n).parent)
        if (entryState(entries, n) == Denied)
            return false;
    return true;
}

void Rights::SetMenuVisible(MainMenuActions &menu, const QStringList &entries)
{
    menu.resetRights();
    for (int i = 1; i < menu.count(); ++i) {
        const int state = entryState(entries, i);
        if (state >= 0)
            menu.node(i).allowed = state == Allowed;
    }
}

QString Rights::rightsText(const QList<int> &states)
{
    QString text;
    for (int i = 0; i < states.size(); ++i)
        text += QString::number(i) + QLatin1Char('=') + QString::number(states.at(i)) + QLatin1Char(',');
    return text;
}

void Rights::Insert_Menus_to_TreeView(QTreeWidget *tree, QTreeWidgetItem *parentNode,
                                      const MainMenuActions &menu, int number,
                                      QList<QTreeWidgetItem *> &items)
{
    const MainMenuActions::Node &n = menu.node(number);
    auto *item = parentNode ? new QTreeWidgetItem(parentNode) : new QTreeWidgetItem(tree);
    item->setText(0, number == 0 ? QString::fromUtf8(MainMenuActions::RootCaption)
                                 : QString::fromUtf8(n.def->caption).trimmed());
    item->setData(0, Qt::UserRole, number);
    items[number] = item;
    for (int c : n.children)
        Insert_Menus_to_TreeView(tree, item, menu, c, items);
}

QList<QTreeWidgetItem *> Rights::buildTree(QTreeWidget *tree, const MainMenuActions &menu)
{
    tree->clear();
    QList<QTreeWidgetItem *> items(menu.count(), nullptr);
    if (menu.count() > 0)
        Insert_Menus_to_TreeView(tree, nullptr, menu, 0, items);
    return items;
}

int Rights::image(const QTreeWidgetItem *item)
{
    return item->data(0, ImageRole).toInt() == Denied ? Denied : Allowed;
}

void Rights::setImage(QTreeWidgetItem *item, int state)
{
    const int s = state == Denied ? Denied : Allowed;
    item->setData(0, ImageRole, s);
    item->setIcon(0, stateIcon(s));
}

void Rights::toggle(QTreeWidgetItem *item)
{
    QTreeWidgetItem *parent = item->parent();
    if (image(item) == Allowed) {
        setImage(item, Denied);
        if (!parent)
            return;
        setBranch(item, Denied);
        bool allDenied = true;
        for (int i = 0; i < parent->childCount(); ++i)
            allDenied = allDenied && image(parent->child(i)) == Denied;
        if (allDenied)
            setImage(parent, Denied);
    } else {
        setImage(item, Allowed);
        if (!parent)
            return;
        setBranch(item, Allowed);
        // An allowed item inside a denied group could not be reached.
        for (QTreeWidgetItem *p = parent; p; p = p->parent())
            setImage(p, Allowed);
    }
}
