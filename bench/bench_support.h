// What every road of the benchmark shares: the options, the raw baseline
// statements (plain SQLite calls, or libpq's on a server), the timing of runs
// and the table of figures.
#pragma once
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;
struct pg_conn;

namespace Bench {
struct Options {
    int articles = 100000; // the size of the generated shop
    int runs = 7;          // at least 7
    QString engine = QStringLiteral("sqlite"); // or "postgresql"
    QString parent;        // the program folder is made under it
    QString results;       // --results: the figures as tab-separated lines, for --scale
    QStringList roads;     // --roads: the groups of roads to run; none: all
};
const Options &options();
void setOptions(const Options &o);

[[noreturn]] void fail(const QString &what);

// ---- the raw baseline: the same work as plain engine calls ------------------
bool onServer(); // --engine postgresql
sqlite3 *handle();
pg_conn *serverHandle();
// A statement without values; "BEGIN IMMEDIATE" is a plain BEGIN on a server.
void rawExec(const char *sql);

// One prepared statement, bound and run by hand.
class Raw
{
public:
    explicit Raw(const QString &sql);
    ~Raw();
    Raw(const Raw &) = delete;
    Raw &operator=(const Raw &) = delete;
    Raw &bind(int i, long long v);
    Raw &bind(int i, double v);
    Raw &bind(int i, const QByteArray &v);
    Raw &blob(int i, const QByteArray &v);
    // Each value as the program binds it: text, a real or a whole number.
    Raw &bindAll(const QVariantList &values);
    // Steps through every row; the first column of the first row.
    long long run();
    int rows() const { return m_rows; } // rows the last run gave
    const QList<QByteArray> &firstRow() const { return m_first; } // its first row, as text
    // Every row of the next runs kept as text (a page a baseline shows).
    void keepRows() { m_keep = true; }
    const QList<QList<QByteArray>> &allRows() const { return m_all; }
    // True when SQLite's plan for it sorts with a temporary b-tree (no index
    // gives its order); never told on a server.
    bool sortsWithoutIndex() const;

private:
    sqlite3_stmt *m_st = nullptr;
    QString m_sql;
    int m_rows = 0;
    QList<QByteArray> m_first;
    bool m_keep = false;
    QList<QList<QByteArray>> m_all;
    // On a server: the prepared statement's name and the values bound.
    QByteArray m_name;
    QList<QByteArray> m_values;
    QList<int> m_binary;
    Raw &value(int i, const QByteArray &v, bool binary);
};

// ---- timing -----------------------------------------------------------------
struct Timing {
    double min = 0, median = 0, max = 0; // ms
    double first = 0;                    // the first run, cold where the road says so
};
Timing summary(const QList<double> &samples); // in the order they were taken

// Where a road's first run is cold: the first run after dropCaches().
enum class First { Warm, Cold };
// The database as after a restart of the machine: the file's pages dropped
// from the OS cache (posix_fadvise, which needs no root and leaves other
// programs' files cached) and the connection's own page cache emptied. On a
// server only the connection's side: the server keeps its buffers.
void dropCaches();
void dropFileCache(const QString &path);
QString databaseFile(); // the SQLite file of the shop; empty on a server

// Runs `work` options().runs times, `reset` (untimed) before each.
Timing measure(const std::function<void()> &work, const std::function<void()> &reset = {},
               First first = First::Warm);
// The same, where the work times itself (the part it leaves out is not
// counted); returns ms.
Timing measureTimed(const std::function<double()> &work, const std::function<void()> &reset = {},
                    First first = First::Warm);
double msSince(long long startNs);
long long nowNs();

// The figures of runs taken inside a window that is opened once per run, by
// road, in the order first taken.
struct Samples {
    QStringList order;
    QMap<QString, QList<double>> ms;
    void add(const QString &key, double v);
    // Times `work` with what the event loop does after it; run 0 follows
    // dropCaches().
    void timed(const QString &key, int run, const std::function<void()> &work);
    Timing of(const QString &key) const { return summary(ms.value(key)); }
};

struct Figure {
    QString key;  // stable name, for the scale table
    QString road; // as printed
    Timing time, base;
    double target = 0; // the highest ratio of the medians; 0: none (only the scale counts)
    QString note;
    bool failed = false; // a check besides the ratio (memory) is over
    double ratio() const { return base.median > 0 ? time.median / base.median : 0; }
    double minRatio() const { return base.min > 0 ? time.min / base.min : 0; }
    bool over() const { return failed || (target > 0 && ratio() > target); }
};
void report(const Figure &f);
void printHeader();
const QList<Figure> &figures();

long long residentBytes();

// What the event loop does after the handlers: deferred handlers, layout
// and paint.
void settle();
QString lastMessage(); // the last message the scripted dialogs were given
} // namespace Bench
