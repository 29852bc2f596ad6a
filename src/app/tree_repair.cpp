#include "app/tree_repair.h"

#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/exception_log.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {
using TreeRepair::Layout;

const QList<Layout> &layouts()
{
    static const QList<Layout> all = [] {
        TreeFileFormat catalogues;
        catalogues.crlf = true;
        catalogues.blanksIndent = true;
        return QList<Layout>{
            {QStringLiteral("Opis.pdt"), {}, QStringLiteral("Всички артикули"), QStringLiteral("Grupi"), {}},
            {QStringLiteral("Opis_Kontrag.pdt"), {}, QStringLiteral("0:Всички контрагенти"),
             QStringLiteral("Grupi_Kontrag"), {}},
            {QStringLiteral("CL.pdt"), catalogues, {}, QStringLiteral("Firm_CL"), QStringLiteral("Grupi_CL")},
        };
    }();
    return all;
}

// Rows by key, and their keys in order.
struct Rows {
    QList<long long> keys;
    QHash<long long, QString> names;
    void add(long long key, const QString &name)
    {
        keys << key;
        names.insert(key, name);
    }
};

// A node as the table names it, on one line of the file.
QString nodeText(long long key, QString name)
{
    for (QChar &c : name)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return ReferenceText::make(key, name);
}

struct Repairs {
    QStringList missing, repeated, renamed, added;

    // Whether the node stays: false for a row the table lacks or one seen
    // before; a stale name is set to the table's.
    bool check(TreeFileNode &node, long long key, const Rows &rows, QSet<long long> &seen)
    {
        const auto it = rows.names.constFind(key);
        if (it == rows.names.constEnd()) {
            missing << node.text;
            return false;
        }
        if (seen.contains(key)) {
            repeated << node.text;
            return false;
        }
        seen.insert(key);
        const QString text = nodeText(key, it.value());
        if (text != node.text) {
            renamed << node.text + QStringLiteral(" → ") + text;
            node.text = text;
        }
        return true;
    }
    void addUnseen(QList<TreeFileNode> &out, const Rows &rows, const QSet<long long> &seen, int depth)
    {
        for (long long key : rows.keys)
            if (!seen.contains(key)) {
                out.append({nodeText(key, rows.names.value(key)), depth});
                added << out.last().text;
            }
    }

    QStringList texts() const
    {
        QStringList out;
        auto list = [&out](const QString &what, const QStringList &nodes) {
            constexpr int Shown = 50;
            if (nodes.isEmpty())
                return;
            QString text = what + nodes.mid(0, Shown).join(QStringLiteral(", "));
            if (nodes.size() > Shown)
                text += QStringLiteral(" и още %1").arg(nodes.size() - Shown);
            out << text;
        };
        list(QStringLiteral("премахнати възли без запис в таблицата: "), missing);
        list(QStringLiteral("премахнати повторени възли: "), repeated);
        list(QStringLiteral("поправени имена: "), renamed);
        list(QStringLiteral("добавени възли: "), added);
        return out;
    }
};

// A group tree of any depth: a dropped node's children move up to its place.
void repairGroups(QList<TreeFileNode> &tree, const Rows &rows, Repairs &r)
{
    QList<TreeFileNode> out;
    out.reserve(tree.size());
    QSet<long long> seen;
    struct Above {
        int depth;
        bool dropped;
    };
    QList<Above> above; // the node's ancestors
    int droppedAbove = 0;
    for (TreeFileNode node : std::as_const(tree)) {
        while (!above.isEmpty() && above.last().depth >= node.depth)
            droppedAbove -= above.takeLast().dropped ? 1 : 0;
        const long long key = GetID_MFromTreeNodeName(node.text);
        const bool keep = key <= 0 || r.check(node, key, rows, seen);
        above.append({node.depth, !keep});
        if (!keep) {
            ++droppedAbove;
            continue;
        }
        node.depth -= droppedAbove;
        out.append(node);
    }
    r.addUnseen(out, rows, seen, 0);
    tree = out;
}

// Suppliers at the top, their groups one level below: a group's key counts
// within its supplier, so a dropped supplier takes its groups along.
void repairCatalogues(QList<TreeFileNode> &tree, const Rows &suppliers, const QHash<long long, Rows> &groups,
                      Repairs &r)
{
    struct Block {
        long long supplier = 0; // 0: a node without a key, or lines before the first supplier
        QList<TreeFileNode> lines;
        QSet<long long> seen;
    };
    QList<Block> blocks;
    QSet<long long> seenSuppliers;
    int skipBelow = -1; // lines deeper than this belong to a dropped node
    for (TreeFileNode node : std::as_const(tree)) {
        if (skipBelow >= 0 && node.depth > skipBelow)
            continue;
        skipBelow = -1;
        const long long key = GetID_MFromTreeNodeName(node.text);
        if (node.depth == 0) {
            if (key > 0 && !r.check(node, key, suppliers, seenSuppliers)) {
                skipBelow = 0;
                continue;
            }
            blocks.append(Block{qMax(key, 0LL), {node}, {}});
            continue;
        }
        if (blocks.isEmpty())
            blocks.append(Block{});
        Block &b = blocks.last();
        if (node.depth == 1 && b.supplier > 0 && key > 0
            && !r.check(node, key, groups.value(b.supplier), b.seen)) {
            skipBelow = 1;
            continue;
        }
        b.lines.append(node);
    }
    QList<TreeFileNode> out;
    out.reserve(tree.size());
    for (const Block &b : std::as_const(blocks)) {
        out << b.lines;
        if (b.supplier > 0)
            r.addUnseen(out, groups.value(b.supplier), b.seen, 1);
    }
    // A supplier whose catalogue was deleted keeps its row without a node;
    // one with groups needs its node for them.
    for (long long s : suppliers.keys)
        if (!seenSuppliers.contains(s) && !groups.value(s).keys.isEmpty()) {
            out.append({nodeText(s, suppliers.names.value(s)), 0});
            r.added << out.last().text;
            r.addUnseen(out, groups.value(s), {}, 1);
        }
    tree = out;
}
} // namespace

const TreeRepair::Layout *TreeRepair::layoutOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    for (const Layout &l : layouts())
        if (l.fileName == name)
            return &l;
    return nullptr;
}

QStringList TreeRepair::repair(QList<TreeFileNode> &tree, const Layout &layout, const QSqlDatabase &db)
{
    Repairs r;
    Rows rows;
    for (const QSqlRecord &rec :
         Db::rows(QStringLiteral("SELECT ID, Opisanie FROM %1 ORDER BY ID").arg(layout.table), {}, db))
        rows.add(rec.value(0).toLongLong(), rec.value(1).toString());
    if (layout.childTable.isEmpty()) {
        repairGroups(tree, rows, r);
        return r.texts();
    }
    // Staged rows (a negative owner) belong to no one until they replace a catalogue.
    QHash<long long, Rows> children;
    for (const QSqlRecord &rec : Db::rows(
             QStringLiteral("SELECT ID_F, ID, Opisanie FROM %1 WHERE ID_F > 0 ORDER BY ID_F, ID").arg(layout.childTable),
             {}, db))
        children[rec.value(0).toLongLong()].add(rec.value(1).toLongLong(), rec.value(2).toString());
    repairCatalogues(tree, rows, children, r);
    return r.texts();
}

namespace {
// The file's nodes and what the repair changed in them; false when the file
// cannot be read.
bool readAndRepair(const QString &path, const Layout &layout, const QSqlDatabase &db, QList<TreeFileNode> *tree,
                   QStringList *repairs)
{
    tree->clear();
    if (QFileInfo::exists(path)) {
        bool readable = true;
        *tree = TreeFile::read(path, &readable, layout.format);
        if (!readable)
            return false; // a change says so when it needs the file
    }
    const bool empty = tree->isEmpty();
    *repairs = TreeRepair::repair(*tree, layout, db);
    if (empty && !repairs->isEmpty() && !layout.rootText.isEmpty())
        tree->prepend({layout.rootText, 0});
    return true;
}
} // namespace

void TreeRepair::repairFile(const QString &path, const QSqlDatabase &db)
{
    const Layout *layout = layoutOf(path);
    if (!layout || !Db::tableExists(layout->table, db)
        || (!layout->childTable.isEmpty() && !Db::tableExists(layout->childTable, db)))
        return;
    QList<TreeFileNode> tree;
    QStringList repairs;
    // An agreeing file (the usual case) costs no write lock.
    if (!readAndRepair(path, *layout, db, &tree, &repairs) || repairs.isEmpty())
        return;
    // Again under the write lock: no other workstation changes the file meanwhile.
    WriteTransaction tx(db);
    if (!readAndRepair(path, *layout, db, &tree, &repairs) || repairs.isEmpty())
        return;
    QString error;
    if (!TreeFile::write(path, tree, &error, layout->format)) {
        ExceptionLog::write(QStringLiteral("TreeRepair"),
                            path + QStringLiteral(": не може да бъде поправен: ") + error);
        return;
    }
    tx.commit();
    ExceptionLog::write(QStringLiteral("TreeRepair"),
                        path + QStringLiteral(": поправен по таблицата: ") + repairs.join(QStringLiteral("; ")));
}

void TreeRepair::repairFolder(const QString &folder, const QSqlDatabase &db)
{
    for (const Layout &l : layouts()) {
        try {
            repairFile(QDir(folder).filePath(l.fileName), db);
        } catch (const DbError &e) {
            ExceptionLog::write(e);
        }
    }
}
