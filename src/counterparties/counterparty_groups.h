#pragma once
#include "common/tree_file.h"
#include "platform/db/database.h"

#include <QList>
#include <QString>

// Counterparty groups: the flat table Grupi_Kontrag (number, name) and their
// hierarchy, which lives only in the tree file Opis_Kontrag.pdt of the
// database folder (one node "<number>:<name>" per line, depth by leading
// TABs, the root "0:Всички контрагенти" first). A counterparty belongs to one
// group through Firmi.Nomer_Grupa; 0 is no group.
namespace CounterpartyGroups {
inline constexpr const char *TreeFileName = "Opis_Kontrag.pdt";

QString treeFilePath(const QString &databaseFolder);
QString treeFilePath(); // in the folder of the open database

// The saved tree; the root alone when there is no file yet (or it cannot be
// read: *ok is then false).
QList<TreeFileNode> loadTree(const QString &path, bool *ok = nullptr);

// The number the dialog proposes: the highest group number + 1 (1 when there
// is none; 0 when it cannot be read).
long long proposedNumber();
// A group number as typed: a whole number above 0.
bool parseNumber(const QString &text, long long *number);

// Puts a node into a tree held as lines: at the end of the top level, or as
// the last child of `parentText` (found by its text, else by its key; the top
// level when it is not there). A node with the key already in the tree keeps
// its place and takes the text. Returns the node's line index.
int placeNode(QList<TreeFileNode> &tree, const QString &nodeText, const QString &parentText = {});

struct NewGroup {
    QString numberText;
    QString name;
    bool subgroup = false; // under parentText; else at the top level
    QString parentText;    // the browser's last group node
};

struct AddResult {
    bool ok = false;
    QString message;            // Bulgarian, when !ok
    QString nodeText;           // "<number>:<name>"
    int nodeLine = -1;          // its line in `tree`
    QList<TreeFileNode> tree;   // the tree as saved
};

// Stores a group: in one write transaction the number is checked, the row
// inserted, the tree file read afresh (so no other workstation's new group is
// dropped), the node placed and the file replaced; only then the insert
// commits. A file that cannot be written rolls the insert back.
AddResult add(const NewGroup &group, const QString &treePath, const QSqlDatabase &db = Db::connection());

// Puts the counterparties into a group (0 = none), all or none. Throws DbError.
void moveCounterparties(const QList<long long> &ids, long long group,
                        const QSqlDatabase &db = Db::connection());
} // namespace CounterpartyGroups
