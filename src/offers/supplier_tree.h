#pragma once
#include "common/tree_file.h"

#include <QList>

class QTreeWidget;
class QTreeWidgetItem;

// The supplier and group tree of the offers window. Each node shows one of
// two images: 0 when its supplier takes part in catalogue searches, 1 when it
// is left out. Images are never stored; a fresh load shows every node at 0.
namespace SupplierTree {
int image(const QTreeWidgetItem *node);
void setImage(QTreeWidgetItem *node, int image);
// Shows the nodes; `keepImages` keeps each supplier's and group's image by
// number (after a change of the tree file), otherwise every node is 0.
void show(QTreeWidget *tree, const QList<TreeFileNode> &nodes, bool keepImages);
// The suppliers a search covers: supplier nodes with groups and image 0,
// in reverse tree order.
QList<long long> searchSuppliers(const QTreeWidget *tree);
} // namespace SupplierTree
