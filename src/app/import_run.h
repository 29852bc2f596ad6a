#pragma once
#include "common/tagged_import.h"
#include "platform/db/batch_insert.h"
#include "platform/db/database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QStringList>
#include <QMap>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QWidget;
class StatisticsMemo;

// The common frame of the tagged-text imports: the file is chosen, read line
// by line and written in short chunks, one write transaction each. A chunk's
// inserts go many rows at a time; should the chunk fail, it is run again with
// every record in a savepoint of its own and every row sent at once, so the
// records before the failing line are written and the memo names that line.
// A connection lost or a server that stopped answering is no row's fault:
// the run stops at once, the chunks committed before kept.
// Events run only between chunks, when a modal indicator over the bytes read
// moves; there is no cancel.
namespace ImportRun {
inline constexpr int MaxMemoLines = 200000;
inline constexpr const char *EscLine = "Натиснете ESC - за изход от Статистиката";

// The file to import, through the open-file dialog; empty when cancelled.
QString chooseFile(QWidget *parent);

// A statement prepared once for a whole run.
using Statement = Db::Statement;

// The lines a handler that looks its lines up a group at a time reads ahead.
inline constexpr int GroupLines = 256;

// A look-up of many keys in one statement: `pattern` holds "%1" where the
// list of placeholders goes, once for each value of a key (a key of two
// values: "... a IN (%1) AND b IN (%1)"). A statement is prepared once a
// size, a power of two; a shorter list is made up with its last key again.
class KeyLookup
{
public:
    KeyLookup(const QSqlDatabase &db, const QString &pattern);
    ~KeyLookup();
    KeyLookup(const KeyLookup &) = delete;
    KeyLookup &operator=(const KeyLookup &) = delete;
    // Every row of the statement for these keys (each of the same size).
    QList<QVariantList> rows(const QList<QVariantList> &keys);
    static QString sql(const QString &pattern, int keys);

private:
    QSqlDatabase m_db;
    QString m_pattern;
    std::map<int, std::unique_ptr<Db::Statement>> m_statements;
};

// Memo lines of a run, kept in memory and handed to the memo after each
// chunk commits. A record line is numbered: the memo's line count + 1.
class Memo
{
public:
    void record(const QString &text); // numbered
    void note(const QString &text);   // a line of its own, unnumbered
    long long lines() const { return m_lines; }
    long long hidden() const { return m_hidden; }

private:
    friend struct Runner;
    void add(const QString &line);
    QStringList m_pending;
    long long m_lines = 0;  // lines in the memo, pending ones included
    long long m_hidden = 0; // lines past the limit, counted only
    long long m_savedLines = 0;
    long long m_savedHidden = 0;
};

// What an import does with its lines. Every call but summary() runs inside
// the chunk's write transaction.
class Handler
{
public:
    virtual ~Handler() = default;
    // One line with at least one field and no open bracket, inside its own
    // savepoint. Returns the reason when the line is skipped (nothing written);
    // a DbError rolls back the record and stops the run.
    virtual QString process(const TaggedLine &line, Memo &memo) = 0;
    // The run reads this many lines ahead and hands them to lookAhead()
    // before it processes the first of them; a chunk ends only between such
    // groups.
    virtual int lookAheadLines() const { return 1; }
    // The lines of the group about to be processed (those process() will
    // get, in order), in the chunk's transaction: what they look up can be
    // asked once for all of them. A DbError fails the chunk as process()'s does.
    virtual void lookAhead(const QList<TaggedLine> &lines) { Q_UNUSED(lines); }
    // The last record was rolled back: forget what it left behind.
    virtual void recordFailed() {}
    // Before the chunk commits; a text rolls the chunk back and stops the run.
    virtual QString beforeCommit() { return {}; }
    // The chunk committed (true) or was rolled back (false).
    virtual void chunkEnded(bool committed) { Q_UNUSED(committed); }
    // The lines between the records and "Пропуснати" (the empty line first).
    virtual QStringList summary() const = 0;

protected:
    // An INSERT whose rows the run sends many at a time, before the chunk
    // commits; a read of the rows still waiting must flush() it first.
    Db::BatchInsert &batchInsert(const QSqlDatabase &db, const QString &table, const QStringList &columns);

private:
    friend struct Runner;
    std::vector<std::unique_ptr<Db::BatchInsert>> m_batches;
};

// The skipped lines of one reason: how many, and the numbers of the first.
struct SkipReason {
    static constexpr int NamedLines = 5;
    QString reason;
    long long count = 0;
    QList<long long> firstLines; // at most NamedLines, in file order
};

// One line per reason, in the order the reasons first came:
// "  <reason>: <count> (ред 7)" or "(редове 2, 6, 9, 11, 15 и още 7)".
QStringList skippedSummary(const QList<SkipReason> &reasons);

struct Outcome {
    bool completed = false; // read to the end without an error
    bool stopped = false;   // the caller's progress asked to stop
    QString error;          // what stopped the run, when it stopped
    QString failure;        // the memo's "ГРЕШКА" line, when the run stopped on an error
    long long skipped = 0;
    QList<SkipReason> skippedBy; // the same lines, by reason
};

// The run itself: the memo gets the records' lines, a "ГРЕШКА" line when the
// run stops (or the file is refused: nothing of it is written), the summary,
// the skipped lines by reason and the Esc line. `chunkMs` is how long a chunk may
// write before it commits and the indicator moves.
Outcome run(const QString &path, Handler &handler, StatisticsMemo *memo, QWidget *owner,
            const QSqlDatabase &db, int chunkMs = 100);

// The same run without its own indicator: after each chunk has committed (no
// transaction open) `between` gets the bytes read and the file's size; it may
// let events run, and false stops the run before the next chunk. `memo` may
// be null.
using Between = std::function<bool(qint64 done, qint64 total)>;
Outcome run(const QString &path, Handler &handler, StatisticsMemo *memo, const QSqlDatabase &db, int chunkMs,
            const Between &between);

// The frame around a menu command, once the file is chosen: the memo shown
// empty, the run, a message when the run could not go on, the statistics.
Outcome runCommand(QWidget *owner, const QString &path, Handler &handler);
} // namespace ImportRun
