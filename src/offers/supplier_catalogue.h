#pragma once
#include "common/tree_file.h"
#include "platform/db/database.h"

#include <QList>
#include <QString>

// Suppliers' price catalogues: Firm_CL (suppliers), Grupi_CL (groups, keyed
// by supplier and number, numbers repeating between suppliers) and Art_CL
// (articles of a supplier's group), shown as a two-level tree that lives in
// the tree file CL.pdt of the database folder: one node "<number>:<name>" per
// line, groups one TAB deeper than their supplier, CR LF line ends.
namespace SupplierCatalogue {
inline constexpr const char *TreeFileName = "CL.pdt";

TreeFileFormat treeFileFormat(); // CR LF; a leading blank counts as a TAB
QString treeFilePath(const QString &databaseFolder);
QString treeFilePath(); // in the folder of the open database
// Creates an empty tree file when there is none; false (with the reason) when it cannot.
bool ensureTreeFile(const QString &path, QString *error = nullptr);
QList<TreeFileNode> loadTree(const QString &path, bool *ok = nullptr);

struct DeleteResult {
    bool ok = false;
    QString message;          // Bulgarian, when !ok
    QList<TreeFileNode> tree; // the tree as written
};
// A supplier's groups and articles go, and its node with the groups under it
// (its Firm_CL row stays); a group goes with its articles and node. Each is
// one transaction that also rewrites the tree file, read afresh and changed
// by node key only; a file that cannot be written rolls the rows back.
DeleteResult deleteSupplier(long long supplier, const QString &treePath,
                            const QSqlDatabase &db = Db::connection());
DeleteResult deleteGroup(long long supplier, long long group, const QString &treePath,
                         const QSqlDatabase &db = Db::connection());
// Every catalogue: articles, groups and suppliers; the tree file emptied.
DeleteResult deleteAll(const QString &treePath, const QSqlDatabase &db = Db::connection());

// The link of a supplier (Firm_CL.Link); empty when none. Throws DbError.
QString supplierLink(long long supplier, const QSqlDatabase &db = Db::connection());

// What a supplier's link may open: a web, ftp or mail address (one without a
// scheme is a web address), or an existing file that is neither executable
// nor a desktop entry. Anything else is refused: a supplier's file must not
// start programs here.
struct LinkTarget {
    enum Kind { Refused, Url, File } kind = Refused;
    QString target; // the address, or the file's absolute path
};
LinkTarget resolveLink(const QString &link);
} // namespace SupplierCatalogue
