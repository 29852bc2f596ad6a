#include "catalogue/article_groups.h"

#include "app/data_module.h"
#include "app/record_ops.h"
#include "app/tree_file_update.h"
#include "counterparties/counterparty_groups.h"
#include "catalogue/article_removal.h"
#include "catalogue/article_search.h"
#include "common/reference_text.h"
#include "platform/db/column_registry.h"
#include "platform/db/transaction.h"

#include <QDir>

#include <algorithm>
#include <optional>

namespace {
QString root()
{
    return QString::fromUtf8(ArticleSearch::RootNodeText);
}

bool groupExists(long long key, const QSqlDatabase &db)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Grupi WHERE ID = ?"), {key}, db).toLongLong() > 0;
}

const char *const kTaken = "Въведеният номер за група вече съществува!";

using TreeFileUpdate::findKey;

// The line of the node with this text, else of the node with its key.
int findNode(const QList<TreeFileNode> &tree, const QString &text)
{
    for (int i = 0; i < tree.size(); ++i)
        if (tree.at(i).text == text)
            return i;
    return findKey(tree, GetID_MFromTreeNodeName(text));
}

// One past the last line of the node's subtree.
int subtreeEnd(const QList<TreeFileNode> &tree, int line)
{
    const int depth = tree.at(line).depth;
    int end = line + 1;
    while (end < tree.size() && tree.at(end).depth > depth)
        ++end;
    return end;
}

// Runs a change of groups and their tree file; the tree as saved, or the message.
ArticleGroups::Result run(const QString &treePath, std::function<QString()> statements,
                          std::function<QString(QList<TreeFileNode> &)> edit, const QString &whatFailed,
                          const QString &nodeText, const QSqlDatabase &db)
{
    TreeFileUpdate::Change change;
    change.path = treePath;
    change.statements = std::move(statements);
    change.edit = [edit](QList<TreeFileNode> &tree) -> QString {
        if (tree.isEmpty())
            tree.append({root(), 0});
        return edit ? edit(tree) : QString();
    };
    const TreeFileUpdate::Result done = TreeFileUpdate::apply(change, db);
    ArticleGroups::Result r;
    r.ok = done.ok();
    r.tree = done.tree;
    r.nodeText = nodeText;
    if (!r.ok)
        r.message = TreeFileUpdate::failureText(done, whatFailed, QStringLiteral("групите"));
    return r;
}

// A group as typed: a number above 0 and a name on one line.
struct Entry {
    long long number = 0;
    QString name;
    QString nodeText;
};

std::optional<Entry> checkEntry(const QString &numberText, const QString &typedName, QString *message)
{
    Entry e;
    if (!CounterpartyGroups::parseNumber(numberText, &e.number)) {
        *message = QStringLiteral("Номерът на групата трябва да бъде цяло число, по-голямо от 0!");
        return std::nullopt;
    }
    e.name = ArticleGroups::cleanName(typedName);
    if (e.name.isEmpty()) {
        *message = QStringLiteral("Въведете описание на групата!");
        return std::nullopt;
    }
    e.nodeText = ReferenceText::make(e.number, e.name);
    return e;
}

} // namespace

QString ArticleGroups::treeFilePath(const QString &databaseFolder)
{
    return QDir(databaseFolder).filePath(QString::fromLatin1(TreeFileName));
}

QString ArticleGroups::treeFilePath()
{
    return treeFilePath(DataModule1 ? DataModule1->databaseFolder() : QString());
}

QString ArticleGroups::cleanName(const QString &typed)
{
    QString name = typed;
    for (QChar &c : name)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return name.trimmed();
}

QList<TreeFileNode> ArticleGroups::loadTree(const QString &path, bool *ok)
{
    return TreeFileUpdate::load(path, root(), ok);
}

long long ArticleGroups::proposedNumber()
{
    return GET_MAX_NUMBER(QStringLiteral("Grupi"), QStringLiteral("ID"));
}

ArticleGroups::Result ArticleGroups::add(const QString &numberText, const QString &typedName,
                                         const QString &parentText, const QString &treePath,
                                         const QSqlDatabase &db)
{
    Result result;
    const std::optional<Entry> entry = checkEntry(numberText, typedName, &result.message);
    if (!entry)
        return result;
    const auto &[number, name, nodeText] = *entry;
    auto statements = [&]() -> QString {
        // Checked under the write lock: no other workstation takes the number meanwhile.
        if (groupExists(number, db))
            return QString::fromUtf8(kTaken);
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (?, ?)"), {number, name}, db);
        return {};
    };
    auto edit = [&](QList<TreeFileNode> &tree) -> QString {
        CounterpartyGroups::placeNode(tree, nodeText, ArticleSearch::isRoot(parentText) ? QString() : parentText);
        return {};
    };
    return run(treePath, statements, edit, QStringLiteral("Групата не беше записана"), nodeText, db);
}

ArticleGroups::Result ArticleGroups::edit(long long oldKey, const QString &numberText, const QString &typedName,
                                          const QString &treePath, const QSqlDatabase &db)
{
    Result result;
    const std::optional<Entry> entry = checkEntry(numberText, typedName, &result.message);
    if (!entry)
        return result;
    const auto &[number, name, nodeText] = *entry;
    auto statements = [&]() -> QString {
        if (!groupExists(oldKey, db))
            return QStringLiteral("Групата вече не съществува.");
        if (number != oldKey && groupExists(number, db))
            return QString::fromUtf8(kTaken);
        Db::execute(QStringLiteral("UPDATE Grupi SET ID = ?, Opisanie = ? WHERE ID = ?"), {number, name, oldKey},
                    db);
        if (number != oldKey)
            ColumnRegistry::moveReferences(QStringLiteral("Grupi"), QStringLiteral("ID"), oldKey, number, db);
        return {};
    };
    auto edit = [&](QList<TreeFileNode> &tree) -> QString {
        const int line = findKey(tree, oldKey);
        if (line >= 0)
            tree[line].text = nodeText;
        return {};
    };
    return run(treePath, statements, edit, QStringLiteral("Групата не беше записана"), nodeText, db);
}

long long ArticleGroups::articleCount(const QList<long long> &groups, const QSqlDatabase &db)
{
    long long n = 0;
    for (long long g : groups)
        n += Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE Nomer_Grupa = ?"), {g}, db).toLongLong();
    return n;
}

QList<long long> ArticleGroups::removalOrder(const QList<TreeFileNode> &tree, long long key, bool subtree)
{
    const int line = findKey(tree, key);
    if (line < 0 || !subtree)
        return {key};
    QList<int> lines;
    for (int i = line; i < subtreeEnd(tree, line); ++i)
        lines << i;
    // Deepest first; among equals the later line first. The group itself ends the list.
    std::stable_sort(lines.begin(), lines.end(), [&tree](int a, int b) {
        if (tree.at(a).depth != tree.at(b).depth)
            return tree.at(a).depth > tree.at(b).depth;
        return a > b;
    });
    QList<long long> keys;
    for (int i : lines) {
        const long long k = GetID_MFromTreeNodeName(tree.at(i).text);
        if (k > 0 && !keys.contains(k))
            keys << k;
    }
    return keys;
}

ArticleGroups::Result ArticleGroups::remove(long long key, bool subtree, bool articlesConfirmed,
                                            const QString &treePath, const QSqlDatabase &db)
{
    auto statements = [&]() -> QString {
        const QList<long long> keys = removalOrder(loadTree(treePath), key, subtree);
        if (!articlesConfirmed && articleCount(keys, db) > 0)
            return QStringLiteral("Групата съдържа артикули! Нищо не е изтрито.");
        for (long long k : keys) {
            QString refusal = ArticleRemoval::removeGroupArticlesIn(k, db);
            if (!refusal.isEmpty())
                return refusal + QStringLiteral("\nГрупата не е изтрита.");
            const QString user = ColumnRegistry::referencedBy(QStringLiteral("Grupi"), QStringLiteral("ID"), k, db);
            if (!user.isEmpty())
                return QStringLiteral("Група %1 не може да бъде изтрита: използва се в таблица %2.")
                    .arg(QString::number(k), user);
            Db::execute(QStringLiteral("DELETE FROM Grupi WHERE ID = ?"), {k}, db);
        }
        return {};
    };
    auto edit = [&](QList<TreeFileNode> &tree) -> QString {
        const int line = findKey(tree, key);
        if (line < 0)
            return {};
        const int end = subtreeEnd(tree, line);
        if (!subtree && end > line + 1)
            return QStringLiteral("Групата междувременно получи подгрупи. Нищо не е изтрито.");
        tree.remove(line, end - line);
        return {};
    };
    return run(treePath, statements, edit, QStringLiteral("Групата не беше изтрита"), QString(), db);
}

bool ArticleGroups::dropsIntoItself(const QList<TreeFileNode> &tree, long long key, const QString &targetText)
{
    const int line = findKey(tree, key);
    if (line < 0)
        return false;
    const int target = findNode(tree, targetText);
    return target >= line && target < subtreeEnd(tree, line);
}

ArticleGroups::Result ArticleGroups::moveGroup(long long key, const QString &targetText, const QString &treePath,
                                               const QSqlDatabase &db)
{
    QString nodeText;
    auto edit = [&](QList<TreeFileNode> &tree) -> QString {
        if (dropsIntoItself(tree, key, targetText))
            return QStringLiteral("Групата не може да бъде преместена в себе си или в своя подгрупа!");
        const int line = findKey(tree, key);
        if (line < 0)
            return QStringLiteral("Групата вече не е в дървото.");
        const int end = subtreeEnd(tree, line);
        QList<TreeFileNode> moved = tree.mid(line, end - line);
        tree.remove(line, end - line);
        const int target = findNode(tree, targetText);
        if (target < 0)
            return QStringLiteral("Групата, в която се премества, вече не е в дървото.");
        const int shift = tree.at(target).depth + 1 - moved.first().depth;
        for (TreeFileNode &n : moved)
            n.depth += shift;
        const int at = subtreeEnd(tree, target);
        for (int i = 0; i < moved.size(); ++i)
            tree.insert(at + i, moved.at(i));
        nodeText = moved.first().text;
        return {};
    };
    Result r = run(treePath, {}, edit, QStringLiteral("Групата не беше преместена"), QString(), db);
    r.nodeText = nodeText;
    return r;
}

std::optional<QString> ArticleGroups::nodeTextOfCode(const QString &typed, const QSqlDatabase &db)
{
    long long code = 0;
    if (!CounterpartyGroups::parseNumber(typed, &code))
        return std::nullopt;
    const auto row = Db::firstRow(QStringLiteral("SELECT Opisanie FROM Grupi WHERE ID = ?"), {code}, db);
    if (!row)
        return std::nullopt;
    return ReferenceText::make(code, row->value(0).toString());
}

QStringList ArticleGroups::nodeTextsOfName(const QString &typed, const QSqlDatabase &db)
{
    QStringList out;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT ID, Opisanie FROM Grupi WHERE UPPER(Opisanie) LIKE UPPER(?) ESCAPE '\\' "
                                 "ORDER BY ID"),
                  {Db::likeContains(typed.trimmed())}, db))
        out << ReferenceText::make(r.value(0).toLongLong(), r.value(1).toString());
    return out;
}

std::optional<QString> ArticleGroups::nodeTextOfName(const QString &name, const QSqlDatabase &db)
{
    const auto row = Db::firstRow(
        QStringLiteral("SELECT ID, Opisanie FROM Grupi WHERE UPPER(Opisanie) = UPPER(?) ORDER BY ID"), {name}, db);
    if (!row)
        return std::nullopt;
    return ReferenceText::make(row->value(0).toLongLong(), row->value(1).toString());
}

std::optional<QString> ArticleGroups::name(long long key, const QSqlDatabase &db)
{
    const auto row = Db::firstRow(QStringLiteral("SELECT Opisanie FROM Grupi WHERE ID = ?"), {key}, db);
    if (!row)
        return std::nullopt;
    return row->value(0).toString();
}

QString ArticleGroups::moveArticles(const QList<long long> &ids, const QString &targetText, const QSqlDatabase &db)
{
    const long long key = GetID_MFromTreeNodeName(targetText);
    try {
        WriteTransaction tx(db);
        if (key <= 0 || !groupExists(key, db))
            return QString::fromUtf8(InvalidGroup);
        for (long long id : ids)
            Db::execute(QStringLiteral("UPDATE Produkti SET Nomer_Grupa = ? WHERE ID = ?"), {key, id}, db);
        tx.commit();
    } catch (const DbError &e) {
        return QStringLiteral("Артикулите не бяха преместени: грешка в базата данни.\n") + e.message();
    }
    return {};
}
