#pragma once
#include "common/tree_file.h"
#include "platform/db/database.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Article groups: the flat table Grupi (number, name) and their hierarchy,
// which lives only in the tree file Opis.pdt of the database folder (the
// keyless entry "Всички артикули" and one node "<number>:<name>" per group,
// depth by leading TABs). Each change runs through TreeFileUpdate: its
// statements and the file commit together, applied to the file as it is now,
// so other workstations' nodes stay.
namespace ArticleGroups {
inline constexpr const char *TreeFileName = "Opis.pdt";

QString treeFilePath(const QString &databaseFolder);
QString treeFilePath(); // in the folder of the open database
// The saved tree; the root entry alone when there is no file yet (or it
// cannot be read: *ok is then false).
QList<TreeFileNode> loadTree(const QString &path, bool *ok = nullptr);

// A group name as it is kept: control characters become blanks (a node stays
// on its one line of the tree file), blanks around it dropped.
QString cleanName(const QString &typed);

// The number the dialog proposes: the highest group number + 1 (1 for none).
long long proposedNumber();

struct Result {
    bool ok = false;
    QString message;          // Bulgarian, when !ok
    QString nodeText;         // the node added or changed
    QList<TreeFileNode> tree; // the tree as saved
};

// A new group: at the end of the top level, or as the last child of
// `parentText` (the top level when it is empty or not in the file).
Result add(const QString &numberText, const QString &name, const QString &parentText, const QString &treePath,
           const QSqlDatabase &db = Db::connection());
// The group `oldKey` gets a number and a name; a new number takes its
// articles and every other row that names the group along.
Result edit(long long oldKey, const QString &numberText, const QString &name, const QString &treePath,
            const QSqlDatabase &db = Db::connection());

// The number of articles in the groups, counted in the database.
long long articleCount(const QList<long long> &groups, const QSqlDatabase &db = Db::connection());
// The group and, with `subtree`, every group under it in the file, deepest
// first (the group itself last).
QList<long long> removalOrder(const QList<TreeFileNode> &tree, long long key, bool subtree);

// Removes the group (with `subtree`, its whole subtree) with their articles,
// barcodes and catalogue numbers, all or nothing. `articlesConfirmed` is the
// answer to the articles question; articles found without it refuse.
Result remove(long long key, bool subtree, bool articlesConfirmed, const QString &treePath,
              const QSqlDatabase &db = Db::connection());

// Whether a group dropped on `targetText` would land in its own subtree.
bool dropsIntoItself(const QList<TreeFileNode> &tree, long long key, const QString &targetText);
// Moves a group's node with its subtree to be the last child of the target.
Result moveGroup(long long key, const QString &targetText, const QString &treePath,
                 const QSqlDatabase &db = Db::connection());

// The group search: the node text "<ID>:<Opisanie>" of a typed code; of
// every group whose name holds the typed text (any case), by number; of the
// first group with exactly this name (any case). Throw DbError.
std::optional<QString> nodeTextOfCode(const QString &typed, const QSqlDatabase &db = Db::connection());
QStringList nodeTextsOfName(const QString &typed, const QSqlDatabase &db = Db::connection());
std::optional<QString> nodeTextOfName(const QString &name, const QSqlDatabase &db = Db::connection());
// A group's name; nothing when Grupi has no such row. Throws DbError.
std::optional<QString> name(long long key, const QSqlDatabase &db = Db::connection());

inline constexpr const char *InvalidGroup = "Необходимо е да изберете валидна група";
// Puts articles into the group of a node, in one transaction. "" when done;
// InvalidGroup for a node without a key above 0 or a Grupi row.
QString moveArticles(const QList<long long> &ids, const QString &targetText,
                     const QSqlDatabase &db = Db::connection());
} // namespace ArticleGroups
