#pragma once
#include "app/import_run.h"

#include <QHash>
#include <QSet>

#include <memory>

// The import of counterparties' catalogue numbers of articles: article (1),
// catalogue number (2), counterparty (3). Both records must exist, and a
// number already held for the pair is not added twice. The articles, the
// counterparties and the numbers of a group of lines are asked at once.
class CatalogueNumberImport : public ImportRun::Handler
{
public:
    explicit CatalogueNumberImport(const QSqlDatabase &db);
    ~CatalogueNumberImport() override;

    int lookAheadLines() const override { return ImportRun::GroupLines; }
    void lookAhead(const QList<TaggedLine> &lines) override;
    QString process(const TaggedLine &line, ImportRun::Memo &memo) override;
    void chunkEnded(bool committed) override;
    QStringList summary() const override;

    long long added() const { return m_added; }

private:
    std::unique_ptr<ImportRun::KeyLookup> m_articles, m_firms, m_numbers;
    Db::BatchInsert *m_insert;
    QHash<long long, QString> m_articleNames, m_firmNames; // of the group's lines
    QSet<QString> m_held;    // article, number and counterparty of the group's lines the database holds
    QSet<QString> m_inChunk; // the same of those added in the chunk
    long long m_added = 0, m_savedAdded = 0;
};
