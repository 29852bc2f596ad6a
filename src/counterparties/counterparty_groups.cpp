#include "counterparties/counterparty_groups.h"

#include "common/money.h"
#include "common/reference_text.h"
#include "counterparties/counterparty_search.h"
#include "platform/db/transaction.h"
#include "app/tree_file_update.h"
#include "app/data_module.h"
#include "app/record_ops.h"

#include <QDir>
#include <QFileInfo>

QString CounterpartyGroups::treeFilePath(const QString &databaseFolder)
{
    return QDir(databaseFolder).filePath(QString::fromLatin1(TreeFileName));
}

QString CounterpartyGroups::treeFilePath()
{
    return treeFilePath(DataModule1 ? DataModule1->databaseFolder() : QString());
}

QList<TreeFileNode> CounterpartyGroups::loadTree(const QString &path, bool *ok)
{
    return TreeFileUpdate::load(path, QString::fromUtf8(CounterpartySearch::RootNodeText), ok);
}

long long CounterpartyGroups::proposedNumber()
{
    return GET_MAX_NUMBER(QStringLiteral("Grupi_Kontrag"), QStringLiteral("ID"));
}

bool CounterpartyGroups::parseNumber(const QString &text, long long *number)
{
    long long n = 0;
    if (!Numbers::parseInteger(text, &n) || n <= 0)
        return false;
    if (number)
        *number = n;
    return true;
}

int CounterpartyGroups::placeNode(QList<TreeFileNode> &tree, const QString &nodeText, const QString &parentText)
{
    // By key: a group has one node.
    const int existing = TreeFileUpdate::findKey(tree, GetID_MFromTreeNodeName(nodeText));
    if (existing >= 0) {
        tree[existing].text = nodeText;
        return existing;
    }
    int parent = -1;
    if (!parentText.isEmpty()) {
        for (int i = 0; i < tree.size() && parent < 0; ++i)
            if (tree.at(i).text == parentText)
                parent = i;
        const int key = GetID_MFromTreeNodeName(parentText);
        for (int i = 0; i < tree.size() && parent < 0 && key > 0; ++i)
            if (GetID_MFromTreeNodeName(tree.at(i).text) == key)
                parent = i;
    }
    if (parent < 0) {
        tree.append({nodeText, 0});
        return int(tree.size()) - 1;
    }
    // After the parent's last descendant.
    const int depth = tree.at(parent).depth;
    int at = parent + 1;
    while (at < tree.size() && tree.at(at).depth > depth)
        ++at;
    tree.insert(at, {nodeText, depth + 1});
    return at;
}

CounterpartyGroups::AddResult CounterpartyGroups::add(const NewGroup &group, const QString &treePath,
                                                      const QSqlDatabase &db)
{
    AddResult result;
    long long number = 0;
    if (!parseNumber(group.numberText, &number)) {
        result.message = QStringLiteral("Номерът на групата трябва да бъде цяло число, по-голямо от 0!");
        return result;
    }
    const QString name = group.name.trimmed();
    if (name.isEmpty()) {
        result.message = QStringLiteral("Въведете наименование на групата!");
        return result;
    }
    result.nodeText = ReferenceText::make(number, name);

    TreeFileUpdate::Change change;
    change.path = treePath;
    change.statements = [&]() -> QString {
        // Checked under the write lock: another workstation cannot take the
        // number between the check and the insert.
        if (Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Grupi_Kontrag WHERE ID = ?"), {number}, db)
                .toLongLong()
            > 0)
            return QStringLiteral("Въведеният номер за група вече съществува!");
        Db::execute(QStringLiteral("INSERT INTO Grupi_Kontrag (ID, Opisanie) VALUES (?, ?)"), {number, name}, db);
        return {};
    };
    change.edit = [&](QList<TreeFileNode> &tree) -> QString {
        if (tree.isEmpty())
            tree.append({QString::fromUtf8(CounterpartySearch::RootNodeText), 0});
        result.nodeLine = placeNode(tree, result.nodeText, group.subgroup ? group.parentText : QString());
        return {};
    };
    const TreeFileUpdate::Result done = TreeFileUpdate::apply(change, db);
    if (done.ok()) {
        result.tree = done.tree;
        result.ok = true;
        return result;
    }
    result.message = TreeFileUpdate::failureText(done, QStringLiteral("Групата не беше записана"),
                                                 QStringLiteral("групите"));
    result.nodeLine = -1;
    return result;
}

void CounterpartyGroups::moveCounterparties(const QList<long long> &ids, long long group, const QSqlDatabase &db)
{
    WriteTransaction tx(db);
    for (long long id : ids)
        Db::execute(QStringLiteral("UPDATE Firmi SET Nomer_Grupa = ? WHERE ID = ?"), {group, id}, db);
    tx.commit();
}
