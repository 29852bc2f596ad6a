#pragma once
#include "common/tree_file.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The tree files of a database folder mirror tables: Opis.pdt the article
// groups (Grupi), Opis_Kontrag.pdt the counterparty groups (Grupi_Kontrag),
// CL.pdt the supplier catalogues (Firm_CL, with their Grupi_CL under each).
// A change writes its file inside its transaction, so a crash can leave the
// file naming rows the tables lack (or the other way round). The repair makes
// them agree: a node whose row is missing goes (a group's children move up to
// its place; a supplier's groups go with it), a second node of one row goes,
// a node's name follows the table, and a group that no node names is added
// (at the top level; a supplier's group under its supplier, whose node comes
// back with it; a supplier without groups needs no node). One read of
// each table and one pass over the file; what was repaired goes to
// Exceptions.log.
namespace TreeRepair {
struct Layout {
    QString fileName;
    TreeFileFormat format;
    QString rootText; // the entry a new file begins with; empty for none
    QString table;    // rows named by the nodes (ID, Opisanie)
    QString childTable; // rows under each row of `table` (ID, Opisanie, ID_F); empty for none
};
// The layout of a tree file by its name; nullptr for a file that is none of them.
const Layout *layoutOf(const QString &path);

// Repairs the nodes against the rows read from `db`; the repairs done, one
// text each (empty: the tree agreed). Throws DbError.
QStringList repair(QList<TreeFileNode> &tree, const Layout &layout, const QSqlDatabase &db);

// Repairs a tree file in its own write transaction (or the caller's) and
// writes it back atomically when anything changed. A file that is none of the
// tree files, or that cannot be read, is left alone. Throws DbError.
void repairFile(const QString &path, const QSqlDatabase &db);
// Every tree file of a database folder, when the database opens; a failure is
// logged and does not stop the open.
void repairFolder(const QString &folder, const QSqlDatabase &db);
} // namespace TreeRepair
