// The planner's statistics of the tables (how many rows, how many per value
// of each index), kept current after bulk work and, on SQLite, at a
// connection's close. SQLite has none until ANALYZE writes them; a server's
// own autovacuum gathers them too, but only a while after a bulk write.
#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/sqlite_engine.h"
#include "platform/db/transaction.h"
#include "platform/exception_log.h"

#include <sqlite3.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace {
// The rows each table of a SQLite connection had written since its last
// analysis, counted by the connection's update hook (every row an INSERT,
// UPDATE or DELETE touches, a trigger's too).
struct WrittenRows {
    struct Table {
        std::string schema, name;
        qint64 rows = 0;
    };
    std::vector<Table> tables;
    size_t last = 0; // the table of the last row: most rows follow one of the same table
};

std::mutex &countsLock()
{
    static std::mutex m;
    return m;
}

std::unordered_map<sqlite3 *, std::unique_ptr<WrittenRows>> &counts()
{
    static std::unordered_map<sqlite3 *, std::unique_ptr<WrittenRows>> c;
    return c;
}

void rowWritten(void *arg, int, const char *schema, const char *table, sqlite3_int64)
{
    auto *w = static_cast<WrittenRows *>(arg);
    auto same = [&](const WrittenRows::Table &t) { return t.name == table && t.schema == schema; };
    if (w->last < w->tables.size() && same(w->tables[w->last])) {
        ++w->tables[w->last].rows;
        return;
    }
    for (size_t i = 0; i < w->tables.size(); ++i)
        if (same(w->tables[i])) {
            w->last = i;
            ++w->tables[i].rows;
            return;
        }
    w->tables.push_back({schema, table, 1});
    w->last = w->tables.size() - 1;
}

WrittenRows *writtenRows(sqlite3 *h)
{
    std::lock_guard<std::mutex> lock(countsLock());
    const auto it = counts().find(h);
    return it == counts().end() ? nullptr : it->second.get();
}

QString quoted(const std::string &identifier)
{
    return QLatin1Char('"') + QString::fromStdString(identifier).replace(QLatin1Char('"'), QStringLiteral("\"\""))
           + QLatin1Char('"');
}

bool run(sqlite3 *h, const QString &sql)
{
    return sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

QStringList column(sqlite3 *h, const QString &sql, const QStringList &values = {}, int at = 0);

// The tables of each database of the connection that has statistics but
// none of them (never analysed, or empty): a planner that knows the size of
// some tables and takes each other one for a million rows plans worse than
// one that knows none.
QStringList unanalysed(sqlite3 *h)
{
    QStringList tables;
    for (const QString &schema : column(h, QStringLiteral("SELECT name FROM pragma_database_list WHERE name <> 'temp'"))) {
        const QString s = quoted(schema.toStdString());
        if (column(h, QStringLiteral("SELECT 1 FROM %1.sqlite_master WHERE name = 'sqlite_stat1'").arg(s)).isEmpty())
            continue;
        for (const QString &t : column(h, QStringLiteral("SELECT name FROM %1.sqlite_master m WHERE type = 'table' "
                                                         "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                                                         "AND sql NOT LIKE 'CREATE VIRTUAL%' AND NOT EXISTS "
                                                         "(SELECT 1 FROM %1.sqlite_stat1 st WHERE st.tbl = m.name)")
                                              .arg(s)))
            tables << s + QLatin1Char('.') + quoted(t.toStdString());
    }
    return tables;
}

// A column of a statement's rows (the first one unless told), its values
// bound as text.
QStringList column(sqlite3 *h, const QString &sql, const QStringList &values, int at)
{
    QStringList out;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(h, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        for (int i = 0; i < values.size(); ++i)
            sqlite3_bind_text(st, i + 1, values.at(i).toUtf8().constData(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, at)));
    }
    sqlite3_finalize(st);
    return out;
}

// How many values the leading column of an index holds, stepping from each
// to the next along the index: at most `most`, or -1 when the index cannot
// be stepped along so (its order or collation is not the column's).
qint64 valuesAlong(sqlite3 *h, const QString &table, const QString &index, const QString &col, qint64 most)
{
    const QString from = QStringLiteral(" FROM %1 INDEXED BY %2 ").arg(table, index);
    const QString next = QStringLiteral("SELECT %1").arg(col) + from
                         + QStringLiteral("WHERE %1 > ?1 ORDER BY %1 LIMIT 1").arg(col);
    // Each step a seek along the index, never a walk or a sort of it.
    const QString plan = column(h, QStringLiteral("EXPLAIN QUERY PLAN ") + next, {}, 3).join(QLatin1Char(' '));
    if (!plan.startsWith(QLatin1String("SEARCH")) || plan.contains(QLatin1String("TEMP B-TREE")))
        return -1;
    qint64 values = column(h, QStringLiteral("SELECT 1") + from + QStringLiteral("WHERE %1 IS NULL LIMIT 1").arg(col), {})
                        .size();
    sqlite3_stmt *first = nullptr, *step = nullptr;
    sqlite3_value *at = nullptr;
    if (sqlite3_prepare_v2(h, (QStringLiteral("SELECT %1").arg(col) + from
                               + QStringLiteral("WHERE %1 IS NOT NULL ORDER BY %1 LIMIT 1").arg(col))
                                  .toUtf8()
                                  .constData(),
                           -1, &first, nullptr)
            == SQLITE_OK
        && sqlite3_prepare_v2(h, next.toUtf8().constData(), -1, &step, nullptr) == SQLITE_OK
        && sqlite3_step(first) == SQLITE_ROW)
        at = sqlite3_value_dup(sqlite3_column_value(first, 0));
    while (at && values < most) {
        ++values;
        sqlite3_reset(step);
        sqlite3_bind_value(step, 1, at);
        sqlite3_value_free(at);
        at = sqlite3_step(step) == SQLITE_ROW ? sqlite3_value_dup(sqlite3_column_value(step, 0)) : nullptr;
    }
    sqlite3_value_free(at);
    sqlite3_finalize(first);
    sqlite3_finalize(step);
    return values;
}

// A bounded analysis reads the first AnalysisLimit entries of each index: a
// leading value with more rows than that (a payment type of half the sales,
// a group of thousands of articles) is told as some AnalysisLimit rows a
// value, whatever it holds, and the planner would read such an index for one
// value, or join along it, as if it were selective. The values of such a
// column are counted along the index instead (at most DistinctSteps seeks)
// and the rows a value holds written as the table's rows over their count.
constexpr qint64 DistinctSteps = 1000;

void countCappedValues(sqlite3 *h)
{
    bool changed = false;
    for (const QString &schema : column(h, QStringLiteral("SELECT name FROM pragma_database_list WHERE name <> 'temp'"))) {
        const QString s = quoted(schema.toStdString());
        if (column(h, QStringLiteral("SELECT 1 FROM %1.sqlite_master WHERE name = 'sqlite_stat1'").arg(s)).isEmpty())
            continue;
        const QStringList stats = column(
            h, QStringLiteral("SELECT tbl || char(9) || idx || char(9) || stat FROM %1.sqlite_stat1 WHERE idx IS NOT NULL")
                   .arg(s));
        for (const QString &line : stats) {
            const QStringList f = line.split(QLatin1Char('\t'));
            QStringList stat = f.value(2).split(QLatin1Char(' '));
            bool known = false, counted = false;
            const qint64 rows = stat.value(0).toLongLong(&known);
            const qint64 perValue = stat.value(1).toLongLong(&counted);
            if (!known || !counted || perValue < Db::AnalysisLimit || perValue > Db::AnalysisLimit + 1)
                continue;
            const QString col = column(h, QStringLiteral("SELECT name FROM pragma_index_info(?, ?) WHERE seqno = 0"),
                                       {f.value(1), schema})
                                    .value(0);
            if (col.isEmpty()) // an expression
                continue;
            const qint64 values = valuesAlong(h, s + QLatin1Char('.') + quoted(f.value(0).toStdString()),
                                              quoted(f.value(1).toStdString()), quoted(col.toStdString()),
                                              DistinctSteps);
            if (values <= 0)
                continue;
            const qint64 held = values < DistinctSteps ? (rows + values - 1) / values
                                                            : qMin(perValue, rows / DistinctSteps);
            if (held == perValue)
                continue;
            stat[1] = QString::number(held);
            // The prefixes of more columns hold no more rows than the first.
            for (int i = 2; i < stat.size(); ++i)
                if (bool number = false; stat.at(i).toLongLong(&number) > held && number)
                    stat[i] = QString::number(held);
            sqlite3_stmt *st = nullptr;
            const QByteArray text = stat.join(QLatin1Char(' ')).toUtf8(), tbl = f.value(0).toUtf8(),
                             idx = f.value(1).toUtf8();
            if (sqlite3_prepare_v2(h,
                                   QStringLiteral("UPDATE %1.sqlite_stat1 SET stat = ?1 WHERE tbl = ?2 AND idx = ?3")
                                       .arg(s)
                                       .toUtf8()
                                       .constData(),
                                   -1, &st, nullptr)
                == SQLITE_OK) {
                sqlite3_bind_text(st, 1, text.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 2, tbl.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 3, idx.constData(), -1, SQLITE_TRANSIENT);
                changed = sqlite3_step(st) == SQLITE_DONE || changed;
            }
            sqlite3_finalize(st);
        }
    }
    // The connection plans with them at once; the others once they commit.
    if (changed)
        run(h, QStringLiteral("ANALYZE sqlite_schema"));
}

// In one transaction, each analysis bounded by AnalysisLimit rows an index:
// each table with at least BulkRows rows written since its last analysis;
// then SQLite's own choice (the tables whose statistics the planner of this
// connection missed or that grew many times since); then the tables left
// without any while others have them; then the values of the columns a
// bounded analysis could not count. After bulk work only when some table
// was written in bulk.
void analyzeSqlite(sqlite3 *h, bool atClose)
{
    WrittenRows *w = writtenRows(h);
    // By place: the analysis writes rows, which the hook counts, maybe of a new table.
    QList<size_t> bulk;
    if (w)
        for (size_t i = 0; i < w->tables.size(); ++i)
            if (w->tables[i].rows >= Db::BulkRows && w->tables[i].name.rfind("sqlite_", 0) != 0)
                bulk << i;
    if (bulk.isEmpty() && !atClose)
        return;
    run(h, QStringLiteral("PRAGMA analysis_limit = %1").arg(Db::AnalysisLimit));
    if (!run(h, QStringLiteral("BEGIN")))
        return;
    // A table dropped since is passed over.
    for (size_t i : bulk)
        run(h, QStringLiteral("ANALYZE %1.%2").arg(quoted(w->tables[i].schema), quoted(w->tables[i].name)));
    run(h, QStringLiteral("PRAGMA optimize"));
    for (const QString &t : unanalysed(h))
        run(h, QStringLiteral("ANALYZE ") + t);
    countCappedValues(h);
    // Another workstation writing: all is left for the next time.
    if (!run(h, QStringLiteral("COMMIT"))) {
        run(h, QStringLiteral("ROLLBACK"));
        return;
    }
    for (size_t i : bulk)
        w->tables[i].rows = 0;
}

// A server counts each table's rows changed since its last analysis itself;
// a session's own counts reach that view at the end of its next statement
// once asked to (PostgreSQL 15 on; before, a moment later by themselves).
void analyzeServer(const QSqlDatabase &db)
{
    Db::execute(QStringLiteral("DO $$BEGIN IF to_regproc('pg_stat_force_next_flush') IS NOT NULL THEN "
                               "PERFORM pg_stat_force_next_flush(); END IF; END$$"),
                {}, db);
    const QList<QSqlRecord> written =
        Db::rows(QStringLiteral("SELECT quote_ident(schemaname) || '.' || quote_ident(relname) FROM pg_stat_user_tables "
                                "WHERE n_mod_since_analyze >= ? AND schemaname = ANY (current_schemas(false)) "
                                "ORDER BY 1"),
                 {Db::BulkRows}, db);
    for (const QSqlRecord &t : written) {
        // One table at a time: a table another session dropped meanwhile is skipped.
        try {
            Db::execute(QStringLiteral("ANALYZE ") + t.value(0).toString(), {}, db);
        } catch (const DbError &e) {
            if (PostgresEngine::lost(db))
                throw;
            ExceptionLog::write(e);
        }
    }
}
} // namespace

void SqliteEngine::countWrittenRows(sqlite3 *h)
{
    if (!h)
        return;
    std::lock_guard<std::mutex> lock(countsLock());
    auto &w = counts()[h];
    w = std::make_unique<WrittenRows>();
    sqlite3_update_hook(h, rowWritten, w.get());
}

void SqliteEngine::analyzeAtClose(sqlite3 *h)
{
    if (!h)
        return;
    // Never after another workstation's write: the statistics wait for the next close.
    sqlite3_busy_timeout(h, 0);
    if (sqlite3_get_autocommit(h))
        analyzeSqlite(h, true);
    sqlite3_update_hook(h, nullptr, nullptr);
    std::lock_guard<std::mutex> lock(countsLock());
    counts().erase(h);
}

void Db::afterBulkWork(const QSqlDatabase &db)
{
    if (!db.isOpen() || WriteTransaction::isOpen(db))
        return;
    if (engine(db) == Engine::Sqlite) {
        if (sqlite3 *h = SqliteEngine::handle(db); h && sqlite3_get_autocommit(h))
            analyzeSqlite(h, false);
        return;
    }
    try {
        const BulkWait bulk;
        analyzeServer(db);
    } catch (const DbError &e) {
        // The work is saved; only the plans may be slower until the server analyses.
        ExceptionLog::write(e);
    }
}
