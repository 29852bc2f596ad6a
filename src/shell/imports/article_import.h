#pragma once
#include "app/import_run.h"
#include "app/tree_file_update.h"

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QStringList>

#include <memory>

// The article import: one article a line (field 1 its number), its group
// found by name or created, with its node in the article tree file. With
// "Замени старите данни при Импорт" an existing article takes the fields the
// line carries; without it an existing article is left as it is.
class ArticleImport : public ImportRun::Handler
{
public:
    ArticleImport(const QString &treePath, bool replace, const QSqlDatabase &db);
    ~ArticleImport() override;

    int lookAheadLines() const override { return ImportRun::GroupLines; }
    void lookAhead(const QList<TaggedLine> &lines) override;
    QString process(const TaggedLine &line, ImportRun::Memo &memo) override;
    QString beforeCommit() override;
    void chunkEnded(bool committed) override;
    QStringList summary() const override;

    // The LIKE pattern of a group name: %, _ and \ escaped, each of Ч Щ Ъ Ь
    // Ю Я (either case) any one character, upper case.
    static QString groupPattern(const QString &name);

    struct Counts {
        long long added = 0;
        long long repeated = 0;
        long long updated = 0;
    };
    Counts counts() const { return m_counts; }

private:
    struct Groups {
        QHash<QString, long long> byPattern;
        long long defaultGroup = 0; // "Група <n>" of the lines without a group
        QStringList newNodes;       // tree nodes of groups created
    };
    long long findOrCreateGroup(const QString &name, Groups &record);
    long long lookupGroup(const QString &pattern, const Groups &record) const;
    static void merge(Groups &into, const Groups &from);

    QString m_treePath;
    bool m_replace;
    QSqlDatabase m_db;
    std::unique_ptr<ImportRun::KeyLookup> m_existing;
    std::unique_ptr<ImportRun::Statement> m_findGroup, m_insertGroup;
    Db::BatchInsert *m_insert;
    QSet<long long> m_found;   // numbers of the group's lines the database holds
    QSet<long long> m_inChunk; // numbers added in the chunk, written or waiting in the batch
    QHash<int, std::shared_ptr<ImportRun::Statement>> m_updates; // by the set of columns
    Groups m_run;   // committed
    Groups m_chunk; // in the open chunk
    Counts m_counts, m_committed;
    TreeFileUpdate::PendingWrite m_tree;
};
