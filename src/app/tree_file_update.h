#pragma once
#include "common/tree_file.h"
#include "platform/db/database.h"

#include <QList>
#include <QString>

#include <functional>

// A change of tables that a tree file mirrors (the group trees). In one write
// transaction the file is first made to agree with the tables (TreeRepair),
// the statements run, the file is read afresh (so no node that
// another workstation added since this one loaded it is lost), the change is
// applied to it by node key, and the file is replaced atomically before the
// statements commit. A file that cannot be read or written rolls the
// statements back; a failed commit puts the old file back.
namespace TreeFileUpdate {
enum class Outcome { Done, Refused, Unreadable, NotWritten, DatabaseError };

struct Change {
    QString path;
    TreeFileFormat format;
    // Runs first, inside the transaction; a non-empty text refuses the
    // change and nothing is written. A failed statement throws DbError.
    std::function<QString()> statements;
    // Edits the tree as just read (empty when there is no file yet); a
    // non-empty text refuses the change.
    std::function<QString(QList<TreeFileNode> &)> edit;
};

struct Result {
    Outcome outcome = Outcome::Done;
    QString detail;           // the refusal, or the file's or the engine's text
    QList<TreeFileNode> tree; // the tree as written
    bool ok() const { return outcome == Outcome::Done; }
};

Result apply(const Change &change, const QSqlDatabase &db = Db::connection());
// A group tree as saved; `rootText` alone when there is no file yet (or it
// cannot be read: *ok is then false).
QList<TreeFileNode> load(const QString &path, const QString &rootText, bool *ok = nullptr);
// The user's text of a failed change: "<what failed>: файлът с дървото на
// <tree> не може да бъде прочетен." and the like; a refusal as it was given.
QString failureText(const Result &result, const QString &whatFailed, const QString &tree);

// A tree file written inside a write transaction that the caller commits
// later (a chunk of an import): read afresh, edited, replaced atomically;
// restore() puts the old file back when that transaction fails after all.
class PendingWrite
{
public:
    // The user's text of the failure (see failureText), empty when written.
    QString write(const QString &path, const TreeFileFormat &format,
                  const std::function<void(QList<TreeFileNode> &)> &edit, const QString &whatFailed,
                  const QString &tree);
    void committed(); // the transaction committed: nothing to restore
    void restore();   // the transaction failed: the file as it was
    const QList<TreeFileNode> &tree() const { return m_tree; }

private:
    QString m_path;
    bool m_written = false;
    bool m_hadFile = false;
    QByteArray m_before;
    QList<TreeFileNode> m_tree;
};

// The line of the node whose key (the number before its colon) is `key`,
// among the children of line `parent` (-1: the top level); -1 when absent.
int findChild(const QList<TreeFileNode> &tree, int parent, long long key);
// The first line, at any depth, whose node has the key; -1 when none (keys
// below 1 never match).
int findKey(const QList<TreeFileNode> &tree, long long key);
// Removes a line together with the lines nested under it.
void removeSubtree(QList<TreeFileNode> &tree, int line);
} // namespace TreeFileUpdate
