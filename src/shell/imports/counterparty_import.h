#pragma once
#include "app/import_run.h"
#include "counterparties/counterparty_record.h"

#include <QSet>

#include <memory>

// The counterparty import: a company with its person a line, written as one
// pair. An existing counterparty (same EIK; without an EIK, same name and the
// same person's EGN) is counted and never changed.
class CounterpartyImport : public ImportRun::Handler
{
public:
    CounterpartyImport(bool replace, const QSqlDatabase &db);
    ~CounterpartyImport() override;

    QString process(const TaggedLine &line, ImportRun::Memo &memo) override;
    void chunkEnded(bool committed) override;
    QStringList summary() const override;

    long long added() const { return m_added; }

    // The look-ups of an existing counterparty, with the values of a line:
    // by EIK, and by name and the person's EGN.
    struct Lookup {
        QString sql;
        QVariantList params;
    };
    static QList<Lookup> lookups(const QString &eik, const QString &name, const QString &egn);
    long long repeated() const { return m_repeated; }

private:
    bool m_replace;
    std::unique_ptr<ImportRun::Statement> m_byEik, m_byNameAndEgn;
    Db::BatchInsert *m_companies, *m_persons;
    CounterpartyKeys m_next;  // the next pair's numbers; 0 until read in the chunk
    QSet<QString> m_waiting; // the look-up keys of the pairs added since the batch was last empty
    long long m_added = 0, m_repeated = 0;
    long long m_savedAdded = 0, m_savedRepeated = 0;
};
