#pragma once
#include "app/import_run.h"

#include <memory>

// The import of counterparties' catalogue numbers of articles: article (1),
// catalogue number (2), counterparty (3). Both records must exist, and a
// number already held for the pair is not added twice.
class CatalogueNumberImport : public ImportRun::Handler
{
public:
    explicit CatalogueNumberImport(const QSqlDatabase &db);
    ~CatalogueNumberImport() override;

    QString process(const TaggedLine &line, ImportRun::Memo &memo) override;
    void chunkEnded(bool committed) override;
    QStringList summary() const override;

    long long added() const { return m_added; }

private:
    std::unique_ptr<ImportRun::Statement> m_article, m_firm, m_exists, m_insert;
    long long m_added = 0, m_savedAdded = 0;
};
