#include "app/tree_file_update.h"

#include "app/tree_repair.h"
#include "common/reference_text.h"
#include "common/text_file.h"
#include "platform/db/transaction.h"

#include <QFile>
#include <QFileInfo>

TreeFileUpdate::Result TreeFileUpdate::apply(const Change &change, const QSqlDatabase &db)
{
    Result result;
    bool hadFile = false;
    QByteArray before;
    try {
        WriteTransaction tx(db);
        // Under the write lock: no other workstation changes the file meanwhile.
        // The change applies to the tree as the tables have it (a crash may
        // have left them apart).
        TreeRepair::repairFile(change.path, db);
        hadFile = QFileInfo::exists(change.path);
        if (change.statements) {
            const QString refusal = change.statements();
            if (!refusal.isEmpty())
                return {Outcome::Refused, refusal, {}};
        }
        QList<TreeFileNode> tree;
        if (hadFile) {
            QFile file(change.path);
            if (!file.open(QIODevice::ReadOnly))
                // Writing a tree that could not be read would drop every other node.
                return {Outcome::Unreadable, file.errorString(), {}};
            before = file.readAll();
            bool readable = true;
            tree = TreeFile::read(change.path, &readable, change.format);
            if (!readable)
                return {Outcome::Unreadable, QString(), {}};
        }
        if (change.edit) {
            const QString refusal = change.edit(tree);
            if (!refusal.isEmpty())
                return {Outcome::Refused, refusal, {}};
        }
        QString error;
        if (!TreeFile::write(change.path, tree, &error, change.format)) {
            tx.rollback();
            return {Outcome::NotWritten, error, {}};
        }
        try {
            tx.commit();
        } catch (const DbError &) {
            // The file must not show what the tables do not hold.
            if (hadFile)
                TextFile::writeAtomic(change.path, before);
            else
                QFile::remove(change.path);
            throw;
        }
        result.tree = tree;
    } catch (const DbError &e) {
        return {Outcome::DatabaseError, e.message(), {}};
    }
    return result;
}

QList<TreeFileNode> TreeFileUpdate::load(const QString &path, const QString &rootText, bool *ok)
{
    QList<TreeFileNode> nodes;
    bool read = true;
    if (QFileInfo::exists(path))
        nodes = TreeFile::read(path, &read);
    if (ok)
        *ok = read;
    if (nodes.isEmpty())
        nodes.append({rootText, 0});
    return nodes;
}

QString TreeFileUpdate::failureText(const Result &result, const QString &whatFailed, const QString &tree)
{
    switch (result.outcome) {
    case Outcome::Done:
        return {};
    case Outcome::Refused:
        return result.detail;
    case Outcome::Unreadable:
        return whatFailed + QStringLiteral(": файлът с дървото на ") + tree
               + QStringLiteral(" не може да бъде прочетен.");
    case Outcome::NotWritten:
        return whatFailed + QStringLiteral(": файлът с дървото на ") + tree
               + QStringLiteral(" не може да бъде записан.\n") + result.detail;
    case Outcome::DatabaseError:
        return whatFailed + QStringLiteral(": грешка в базата данни.\n") + result.detail;
    }
    return {};
}

int TreeFileUpdate::findChild(const QList<TreeFileNode> &tree, int parent, long long key)
{
    const int depth = parent < 0 ? 0 : tree.at(parent).depth + 1;
    for (int i = parent + 1; i < tree.size(); ++i) {
        if (tree.at(i).depth < depth)
            break;
        if (tree.at(i).depth == depth && GetID_MFromTreeNodeName(tree.at(i).text) == key)
            return i;
    }
    return -1;
}

int TreeFileUpdate::findKey(const QList<TreeFileNode> &tree, long long key)
{
    if (key <= 0)
        return -1;
    for (int i = 0; i < tree.size(); ++i)
        if (GetID_MFromTreeNodeName(tree.at(i).text) == key)
            return i;
    return -1;
}

void TreeFileUpdate::removeSubtree(QList<TreeFileNode> &tree, int line)
{
    if (line < 0 || line >= tree.size())
        return;
    const int depth = tree.at(line).depth;
    int end = line + 1;
    while (end < tree.size() && tree.at(end).depth > depth)
        ++end;
    tree.remove(line, end - line);
}

QString TreeFileUpdate::PendingWrite::write(const QString &path, const TreeFileFormat &format,
                                            const std::function<void(QList<TreeFileNode> &)> &edit,
                                            const QString &whatFailed, const QString &tree)
{
    m_path = path;
    m_written = false;
    m_before.clear();
    m_hadFile = QFileInfo::exists(path);
    m_tree.clear();
    if (m_hadFile) {
        // Read afresh, so nodes other workstations added meanwhile stay.
        QFile file(path);
        bool readable = file.open(QIODevice::ReadOnly);
        if (readable) {
            m_before = file.readAll();
            m_tree = TreeFile::read(path, &readable, format);
        }
        if (!readable)
            return failureText({Outcome::Unreadable, file.errorString(), {}}, whatFailed, tree);
    }
    edit(m_tree);
    QString error;
    if (!TreeFile::write(path, m_tree, &error, format))
        return failureText({Outcome::NotWritten, error, {}}, whatFailed, tree);
    m_written = true;
    return {};
}

void TreeFileUpdate::PendingWrite::committed()
{
    m_written = false;
    m_before.clear();
}

void TreeFileUpdate::PendingWrite::restore()
{
    if (!m_written)
        return;
    // The file must not show what the tables do not hold.
    if (m_hadFile)
        TextFile::writeAtomic(m_path, m_before);
    else
        QFile::remove(m_path);
    m_written = false;
    m_before.clear();
}
