#include "common/tree_file.h"

#include "common/text_file.h"

#include <QTreeWidget>

QList<TreeFileNode> TreeFile::read(const QString &path, bool *ok, const TreeFileFormat &format)
{
    QList<TreeFileNode> nodes;
    for (const QString &line : TextFile::readLines(path, ok)) {
        int depth = 0;
        while (depth < line.size()
               && (line.at(depth) == QLatin1Char('\t') || (format.blanksIndent && line.at(depth) == QLatin1Char(' '))))
            ++depth;
        const QString text = line.mid(depth);
        if (text.trimmed().isEmpty())
            continue;
        nodes.append({text, depth});
    }
    return nodes;
}

bool TreeFile::write(const QString &path, const QList<TreeFileNode> &nodes, QString *error,
                     const TreeFileFormat &format)
{
    const QString end = format.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const TreeFileNode &n : nodes)
        text += QString(n.depth, QLatin1Char('\t')) + n.text + end;
    return TextFile::writeUtf8(path, text, error);
}

void TreeFile::loadInto(QTreeWidget *tree, const QList<TreeFileNode> &nodes)
{
    tree->clear();
    QList<QTreeWidgetItem *> chain; // chain[d] = last item placed at depth d
    for (const TreeFileNode &n : nodes) {
        const int depth = qMin(n.depth, int(chain.size()));
        QTreeWidgetItem *item = depth == 0 ? new QTreeWidgetItem(tree)
                                           : new QTreeWidgetItem(chain.at(depth - 1));
        item->setText(0, n.text);
        chain.resize(depth);
        chain.append(item);
    }
}

namespace {
void collect(const QTreeWidgetItem *item, int depth, QList<TreeFileNode> &out)
{
    out.append({item->text(0), depth});
    for (int i = 0; i < item->childCount(); ++i)
        collect(item->child(i), depth + 1, out);
}
} // namespace

QList<TreeFileNode> TreeFile::fromTree(const QTreeWidget *tree)
{
    QList<TreeFileNode> out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        collect(tree->topLevelItem(i), 0, out);
    return out;
}
