#pragma once
#include <QList>
#include <QString>

class QTreeWidget;

// A group tree kept as text: one node per line, its depth given by that many
// leading TABs. Read and written whole; written atomically as UTF-8.
struct TreeFileNode {
    QString text;
    int depth = 0;
};

namespace TreeFile {
QList<TreeFileNode> read(const QString &path, bool *ok = nullptr);
bool write(const QString &path, const QList<TreeFileNode> &nodes, QString *error = nullptr);
// Fills a tree widget; a line deeper than its predecessor allows hangs under it.
void loadInto(QTreeWidget *tree, const QList<TreeFileNode> &nodes);
QList<TreeFileNode> fromTree(const QTreeWidget *tree);
} // namespace TreeFile
