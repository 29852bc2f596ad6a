#include "query_plans.h"

#include "documents/sales_report.h"
#include "platform/db/database.h"

#include <QRegularExpression>
#include <QSqlDriver>

#include <sqlite3.h>

#include <cstring>

#include <QSqlField>
#include <QSqlRecord>

namespace {
sqlite3 *handle()
{
    const QVariant v = Db::connection().driver()->handle();
    return *static_cast<sqlite3 *const *>(v.constData());
}

int traced(unsigned, void *context, void *statement, void *)
{
    const char *sql = sqlite3_sql(static_cast<sqlite3_stmt *>(statement));
    if (sql)
        static_cast<QStringList *>(context)->append(QString::fromUtf8(sql));
    return 0;
}
int ran(unsigned, void *context, void *, void *text)
{
    // A trigger's statements come as comments: the statement that fired them
    // is counted. The planner's statistics gathered after bulk work are no
    // statements of the road.
    const char *t = static_cast<const char *>(text);
    if (!t || (std::strncmp(t, "--", 2) != 0 && std::strncmp(t, "ANALYZE ", 8) != 0))
        ++*static_cast<int *>(context);
    return 0;
}
int counted(unsigned, void *context, void *statement, void *)
{
    // Each statement's steps since its last run, taken when it ends.
    *static_cast<long long *>(context) +=
        sqlite3_stmt_status(static_cast<sqlite3_stmt *>(statement), SQLITE_STMTSTATUS_VM_STEP, 1);
    return 0;
}
} // namespace

long long stepsOf(const std::function<void()> &road)
{
    if (Db::engine() != Db::Engine::Sqlite)
        qFatal("the work of a road is counted on SQLite only");
    // Statements kept prepared count from their last reading: from now on.
    for (sqlite3_stmt *st = sqlite3_next_stmt(handle(), nullptr); st; st = sqlite3_next_stmt(handle(), st))
        sqlite3_stmt_status(st, SQLITE_STMTSTATUS_VM_STEP, 1);
    long long steps = 0;
    sqlite3_trace_v2(handle(), SQLITE_TRACE_PROFILE, counted, &steps);
    road();
    sqlite3_trace_v2(handle(), 0, nullptr, nullptr);
    return steps;
}

long long pagesOf(const std::function<void()> &road)
{
    if (Db::engine() != Db::Engine::Sqlite)
        qFatal("the pages of a road are counted on SQLite only");
    // A page read through the memory map is not counted: the map is off
    // while the road runs.
    const qint64 map = Db::scalar(QStringLiteral("PRAGMA main.mmap_size")).toLongLong();
    Db::execute(QStringLiteral("PRAGMA main.mmap_size = 0"));
    int current = 0, highest = 0;
    sqlite3_db_status(handle(), SQLITE_DBSTATUS_CACHE_HIT, &current, &highest, 1);
    sqlite3_db_status(handle(), SQLITE_DBSTATUS_CACHE_MISS, &current, &highest, 1);
    road();
    long long pages = 0;
    sqlite3_db_status(handle(), SQLITE_DBSTATUS_CACHE_HIT, &current, &highest, 1);
    pages += current;
    sqlite3_db_status(handle(), SQLITE_DBSTATUS_CACHE_MISS, &current, &highest, 1);
    pages += current;
    Db::execute(QStringLiteral("PRAGMA main.mmap_size = %1").arg(map));
    return pages;
}

int runsOf(const std::function<void()> &road)
{
    if (Db::engine() != Db::Engine::Sqlite)
        qFatal("the statements of a road are counted on SQLite only");
    int runs = 0;
    sqlite3_trace_v2(handle(), SQLITE_TRACE_STMT, ran, &runs);
    road();
    sqlite3_trace_v2(handle(), 0, nullptr, nullptr);
    return runs;
}

QStringList statementsOf(const std::function<void()> &road)
{
    if (Db::engine() != Db::Engine::Sqlite)
        qFatal("the statements of a road are traced on SQLite only");
    QStringList seen;
    sqlite3_trace_v2(handle(), SQLITE_TRACE_STMT, traced, &seen);
    road();
    sqlite3_trace_v2(handle(), 0, nullptr, nullptr);
    seen.removeDuplicates();
    return seen;
}

QStringList planOf(const QString &sql)
{
    if (Db::engine() != Db::Engine::Sqlite)
        qFatal("query plans are read on SQLite only");
    QStringList rows;
    sqlite3_stmt *st = nullptr;
    const QByteArray text = "EXPLAIN QUERY PLAN " + sql.toUtf8();
    if (sqlite3_prepare_v2(handle(), text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
        return {QStringLiteral("не се подготвя: ") + QString::fromUtf8(sqlite3_errmsg(handle()))};
    while (sqlite3_step(st) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 3)));
    sqlite3_finalize(st);
    return rows;
}

QStringList scans(const QStringList &statements)
{
    static const QStringList growing{"Produkti", "Barkodes", "Serials", "Karti", "Prodajbi_Vremenni", "Prodajbi",
                                     "Store_Kol"};
    static const QRegularExpression source(QStringLiteral("\\b(?:FROM|JOIN|UPDATE|INTO)\\s+(\\w+)(?:\\s+(?:AS\\s+)?(\\w+))?"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression scan(QStringLiteral("^SCAN (?:TABLE )?(\\w+)"));
    static const QStringList keywords{"WHERE", "JOIN", "LEFT", "INNER", "ON", "ORDER", "GROUP", "SET", "VALUES",
                                      "LIMIT", "SELECT", "USING", "CROSS", "NATURAL", "UNION", "DEFAULT"};
    QStringList found;
    for (const QString &sql : statements) {
        if (sql.startsWith(QLatin1String("BEGIN")) || sql.startsWith(QLatin1String("COMMIT"))
            || sql.startsWith(QLatin1String("ROLLBACK")) || sql.startsWith(QLatin1String("SAVEPOINT"))
            || sql.startsWith(QLatin1String("RELEASE")))
            continue;
        QStringList names = growing;
        auto it = source.globalMatch(sql);
        while (it.hasNext()) {
            const auto m = it.next();
            const QString alias = m.captured(2);
            if (growing.contains(m.captured(1)) && !alias.isEmpty() && !keywords.contains(alias.toUpper()))
                names << alias;
        }
        for (const QString &row : planOf(sql)) {
            const auto m = scan.match(row);
            if ((m.hasMatch() && names.contains(m.captured(1))) || row.startsWith(QStringLiteral("не се")))
                found << row + QStringLiteral("  <=  ") + sql;
        }
    }
    return found;
}

QString scansButAlongAnIndex(const QStringList &statements)
{
    static const QRegularExpression alongIndex(QStringLiteral("^SCAN \\w+ USING (COVERING )?INDEX .* LIMIT "));
    QStringList found = scans(statements);
    found.removeIf([](const QString &s) { return alongIndex.match(s).hasMatch(); });
    return found.join(QLatin1Char('\n'));
}

QString indexesOutOfStep()
{
    static const char *const codes[][2] = {
        {"Produkti", "Nomenkl_N"}, {"Barkodes", "Barkode"}, {"Serials", "Serial_ID"}, {"Karti", "Karts"}, {"Prodajbi", "Pored_Ot"}};
    QStringList out;
    for (const auto &c : codes) {
        const QString table = QString::fromLatin1(c[0]), column = QString::fromLatin1(c[1]);
        const long long n =
            Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2_Up IS DISTINCT FROM (CASE WHEN UPPER(%2) <> %2 THEN UPPER(%2) END)")
                           .arg(table, column))
                .toLongLong();
        if (n > 0)
            out << QStringLiteral("%1.%2_Up: %3").arg(table, column).arg(n);
    }
    if (Db::engine() != Db::Engine::Sqlite)
        return out.join(QStringLiteral("; ")); // a server's name index is the database's own
    // The name index keeps no names to compare with: its terms, article by
    // article, are compared with those of an index built anew from the names.
    const QStringList build{
        QStringLiteral("CREATE VIRTUAL TABLE temp.Ime_Anew USING fts5(Ime, tokenize = 'trigram', content = '', columnsize = 0)"),
        QStringLiteral("INSERT INTO temp.Ime_Anew (rowid, Ime) SELECT ID, UPPER(Opisanie) FROM Produkti"),
        QStringLiteral("CREATE VIRTUAL TABLE temp.Ime_Kept_Terms USING fts5vocab(main, Produkti_Ime, instance)"),
        QStringLiteral("CREATE VIRTUAL TABLE temp.Ime_Anew_Terms USING fts5vocab(temp, Ime_Anew, instance)")};
    auto drop = [] {
        for (const char *table : {"Ime_Anew_Terms", "Ime_Kept_Terms", "Ime_Anew"})
            Db::execute(QStringLiteral("DROP TABLE IF EXISTS temp.") + QLatin1String(table));
    };
    drop();
    for (const QString &sql : build)
        Db::execute(sql);
    const QString keptTerms = QStringLiteral("SELECT doc, term, offset FROM temp.Ime_Kept_Terms");
    const QString anewTerms = QStringLiteral("SELECT doc, term, offset FROM temp.Ime_Anew_Terms");
    const long long unnamed =
        Db::scalar(QStringLiteral("SELECT COUNT(DISTINCT doc) FROM (%1 EXCEPT %2)").arg(anewTerms, keptTerms)).toLongLong();
    const long long stale =
        Db::scalar(QStringLiteral("SELECT COUNT(DISTINCT doc) FROM (%1 EXCEPT %2)").arg(keptTerms, anewTerms)).toLongLong();
    drop();
    if (unnamed + stale > 0)
        out << QStringLiteral("Produkti_Ime: %1 missing, %2 stale").arg(unnamed).arg(stale);
    // The articles counted per group, both ways round.
    const QString counted = QStringLiteral("SELECT Nomer_Grupa, COUNT(*) FROM Produkti WHERE Nomer_Grupa IS NOT NULL GROUP BY Nomer_Grupa");
    const QString kept = QStringLiteral("SELECT Nomer_Grupa, Broi FROM Produkti_Broi");
    const long long miscounted =
        Db::scalar(QStringLiteral("SELECT COUNT(*) FROM (%1 EXCEPT %2)").arg(counted, kept)).toLongLong()
        + Db::scalar(QStringLiteral("SELECT COUNT(*) FROM (%2 EXCEPT %1)").arg(counted, kept)).toLongLong();
    if (miscounted > 0)
        out << QStringLiteral("Produkti_Broi: %1 groups miscounted").arg(miscounted);
    if (const qint64 rows = SalesReport::keptSumsOutOfStep())
        out << QStringLiteral("Prodajbi_Sumi: %1 kept sums out of step").arg(rows);
    if (const qint64 sales = SalesReport::orphansOutOfStep())
        out << QStringLiteral("Prodajbi_Bez_Art: %1 sales out of step").arg(sales);
    try {
        Db::execute(QStringLiteral("INSERT INTO Produkti_Ime (Produkti_Ime) VALUES ('integrity-check')"));
    } catch (const DbError &e) {
        out << e.message();
    }
    return out.join(QStringLiteral("; "));
}

QStringList nameIndexTables()
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE ? "
                                                       "ORDER BY name"),
                                        {QStringLiteral("Produkti_Ime_%")}))
        out << r.value(0).toString();
    return out;
}

QStringList planOf(const QString &sql, const QVariantList &params, bool sortLast)
{
    QStringList rows;
    if (Db::engine() == Db::Engine::Sqlite) {
        for (const QSqlRecord &r : Db::rows(QStringLiteral("EXPLAIN QUERY PLAN ") + sql, params))
            rows << r.value(QStringLiteral("detail")).toString();
        return rows;
    }
    // A server prepares no EXPLAIN: the statement is prepared by name and
    // explained run with its values as literals.
    QString numbered;
    int n = 0;
    bool quoted = false;
    for (QChar c : sql) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (c == QLatin1Char('?') && !quoted)
            numbered += QLatin1Char('$') + QString::number(++n);
        else
            numbered += c;
    }
    QStringList values;
    for (const QVariant &p : params) {
        QSqlField field(QString(), p.metaType());
        field.setValue(p);
        values << Db::connection().driver()->formatValue(field);
    }
    Db::execute(QStringLiteral("SET enable_seqscan = off"));
    if (sortLast)
        Db::execute(QStringLiteral("SET enable_sort = off"));
    Db::execute(QStringLiteral("PREPARE test_plan AS ") + numbered);
    for (const QSqlRecord &r : Db::rows(QStringLiteral("EXPLAIN EXECUTE test_plan")
                                        + (values.isEmpty() ? QString() : QLatin1Char('(') + values.join(',') + QLatin1Char(')'))))
        rows << r.value(0).toString().trimmed();
    Db::execute(QStringLiteral("DEALLOCATE test_plan"));
    Db::execute(QStringLiteral("RESET enable_seqscan"));
    Db::execute(QStringLiteral("RESET enable_sort"));
    return rows;
}

QStringList wholeReads(const QStringList &plan)
{
    QStringList found;
    for (int i = 0; i < plan.size(); ++i) {
        const QString &row = plan.at(i);
        if (row.startsWith(QLatin1String("SCAN")) && !row.contains(QLatin1String("VIRTUAL TABLE INDEX"))) {
            found << row;
            continue;
        }
        if (row.contains(QLatin1String("Seq Scan"))) {
            found << row;
            continue;
        }
        if (!row.contains(QLatin1String("Index Scan")) && !row.contains(QLatin1String("Index Only Scan")))
            continue;
        // The node's own lines follow it up to the next node.
        bool bounded = false;
        for (int j = i + 1; j < plan.size() && !plan.at(j).startsWith(QLatin1String("->")); ++j)
            bounded = bounded || plan.at(j).startsWith(QLatin1String("Index Cond"));
        if (!bounded)
            found << row;
    }
    return found;
}

QStringList sortsIn(const QStringList &plan)
{
    static const QRegularExpression sort(QStringLiteral("^(->\\s+)?Sort\\s+\\("));
    QStringList found;
    for (const QString &row : plan)
        if (row.contains(QLatin1String("TEMP B-TREE FOR ORDER BY")) || sort.match(row).hasMatch())
            found << row;
    return found;
}
