#pragma once
#include "app/import_run.h"
#include "counterparties/counterparty_record.h"

#include <QSet>

#include <memory>

// The counterparty import: a company with its person a line, written as one
// pair. An existing counterparty (same EIK; without an EIK, same name and the
// same person's EGN) is counted and never changed. The run hands the lines
// over a group at a time: the database is asked once a group which of them it
// holds, and a pair added earlier in the chunk is known from memory, so a
// line repeating one still waiting in the batch sends nothing.
class CounterpartyImport : public ImportRun::Handler
{
public:
    CounterpartyImport(bool replace, const QSqlDatabase &db);
    ~CounterpartyImport() override;

    static constexpr int LookAheadLines = ImportRun::GroupLines;
    int lookAheadLines() const override { return LookAheadLines; }
    void lookAhead(const QList<TaggedLine> &lines) override;
    QString process(const TaggedLine &line, ImportRun::Memo &memo) override;
    void chunkEnded(bool committed) override;
    QStringList summary() const override;

    long long added() const { return m_added; }
    long long repeated() const { return m_repeated; }

    // The look-ups of existing counterparties, with the values of one line:
    // by EIK, and by name and the person's EGN. A group asks the same with
    // `keys` values in each list (lookupSql).
    struct Lookup {
        QString sql;
        QVariantList params;
    };
    static QList<Lookup> lookups(const QString &eik, const QString &name, const QString &egn);
    enum class By { Eik, NameAndEgn };
    static QString lookupSql(By by, int keys);

private:
    bool m_replace;
    std::unique_ptr<ImportRun::KeyLookup> m_byEik, m_byNameAndEgn;
    Db::BatchInsert *m_companies, *m_persons;
    CounterpartyKeys m_next; // the next pair's numbers; 0 until read in the chunk
    QSet<QString> m_found;   // the keys of the group's lines the database holds
    QSet<QString> m_inChunk; // the keys of the pairs added in the chunk, written or waiting in the batch
    long long m_added = 0, m_repeated = 0;
    long long m_savedAdded = 0, m_savedRepeated = 0;
};
