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

// How one tree file is laid out. The default is LF line ends and TABs only;
// the supplier catalogue tree is written with CR LF and read with a blank
// counting one level as a TAB does.
struct TreeFileFormat {
    bool crlf = false;
    bool blanksIndent = false;
};

namespace TreeFile {
QList<TreeFileNode> read(const QString &path, bool *ok = nullptr, const TreeFileFormat &format = {});
bool write(const QString &path, const QList<TreeFileNode> &nodes, QString *error = nullptr,
           const TreeFileFormat &format = {});
// Fills a tree widget; a line deeper than its predecessor allows hangs under it.
void loadInto(QTreeWidget *tree, const QList<TreeFileNode> &nodes);
QList<TreeFileNode> fromTree(const QTreeWidget *tree);
} // namespace TreeFile
