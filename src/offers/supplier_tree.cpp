#include "offers/supplier_tree.h"

#include "common/reference_text.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QTreeWidget>

namespace {
constexpr int ImageRole = Qt::UserRole + 1;

QIcon icon(int image)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (image == 0) {
        p.setBrush(QColor(0x2e, 0x9d, 0x3a));
        p.setPen(Qt::NoPen);
        p.drawEllipse(3, 3, 10, 10);
    } else {
        p.setPen(QPen(QColor(0xb0, 0x20, 0x20), 2));
        p.drawLine(4, 4, 12, 12);
        p.drawLine(12, 4, 4, 12);
    }
    return QIcon(pixmap);
}

int key(const QTreeWidgetItem *node)
{
    return GetID_MFromTreeNodeName(node->text(0));
}
} // namespace

int SupplierTree::image(const QTreeWidgetItem *node)
{
    return node ? node->data(0, ImageRole).toInt() : 0;
}

void SupplierTree::setImage(QTreeWidgetItem *node, int image)
{
    node->setData(0, ImageRole, image);
    node->setIcon(0, icon(image));
}

void SupplierTree::show(QTreeWidget *tree, const QList<TreeFileNode> &nodes, bool keepImages)
{
    QHash<QPair<int, int>, int> images; // (supplier, group or 0) -> image
    if (keepImages)
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *s = tree->topLevelItem(i);
            images.insert({key(s), 0}, image(s));
            for (int g = 0; g < s->childCount(); ++g)
                images.insert({key(s), key(s->child(g))}, image(s->child(g)));
        }
    TreeFile::loadInto(tree, nodes);
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *s = tree->topLevelItem(i);
        setImage(s, images.value({key(s), 0}, 0));
        for (int g = 0; g < s->childCount(); ++g)
            setImage(s->child(g), images.value({key(s), key(s->child(g))}, 0));
    }
}

QList<long long> SupplierTree::searchSuppliers(const QTreeWidget *tree)
{
    QList<long long> suppliers;
    for (int i = tree->topLevelItemCount() - 1; i >= 0; --i) {
        const QTreeWidgetItem *s = tree->topLevelItem(i);
        if (s->childCount() > 0 && image(s) == 0 && key(s) > 0)
            suppliers << key(s);
    }
    return suppliers;
}
