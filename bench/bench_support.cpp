#include "bench_support.h"

#include "platform/db/database.h"
#include "platform/script.h"

#include <QApplication>

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDriver>

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace Bench {
namespace {
Options g_options;
QList<Figure> g_figures;

void writeResult(const Figure &f)
{
    if (g_options.results.isEmpty())
        return;
    QFile out(g_options.results);
    if (!out.open(QIODevice::Append))
        fail(QStringLiteral("the results file cannot be written: ") + g_options.results);
    out.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8\t%9\n")
                  .arg(f.key, f.road)
                  .arg(f.time.median, 0, 'f', 3)
                  .arg(f.base.median, 0, 'f', 3)
                  .arg(f.target)
                  .arg(f.over() ? 1 : 0)
                  .arg(f.time.min, 0, 'f', 3)
                  .arg(f.time.first, 0, 'f', 3)
                  .arg(f.time.max, 0, 'f', 3)
                  .toUtf8());
}
} // namespace

const Options &options()
{
    return g_options;
}

void setOptions(const Options &o)
{
    g_options = o;
}

void fail(const QString &what)
{
    std::fprintf(stderr, "ventaros_bench: %s\n", qPrintable(what));
    std::exit(2);
}

bool onServer()
{
    return g_options.engine == QLatin1String("postgresql");
}

sqlite3 *handle()
{
    const QVariant v = Db::connection().driver()->handle();
    return *static_cast<sqlite3 *const *>(v.constData());
}

pg_conn *serverHandle()
{
    const QVariant v = Db::connection().driver()->handle();
    return *static_cast<pg_conn *const *>(v.constData());
}

namespace {
// The statement with libpq's numbered placeholders ($1, $2 ...) for the ?s
// outside quotes.
QByteArray numbered(const QString &sql, int *count)
{
    QString out;
    bool quoted = false;
    int n = 0;
    for (const QChar c : sql) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (c == QLatin1Char('?') && !quoted)
            out += QLatin1Char('$') + QString::number(++n);
        else
            out += c;
    }
    *count = n;
    return out.toUtf8();
}

void checked(PGresult *r, const QString &sql)
{
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const QString error = QString::fromUtf8(PQresultErrorMessage(r));
        PQclear(r);
        fail(error.trimmed() + QStringLiteral(": ") + sql);
    }
}
} // namespace

void rawExec(const char *sql)
{
    if (onServer()) {
        const QByteArray text = qstrcmp(sql, "BEGIN IMMEDIATE") == 0 ? QByteArray("BEGIN") : QByteArray(sql);
        PGresult *r = PQexec(serverHandle(), text.constData());
        checked(r, QString::fromUtf8(sql));
        PQclear(r);
        return;
    }
    char *error = nullptr;
    if (sqlite3_exec(handle(), sql, nullptr, nullptr, &error) != SQLITE_OK)
        fail(QString::fromUtf8(error ? error : "exec") + QStringLiteral(": ") + QString::fromUtf8(sql));
}

Raw::Raw(const QString &sql)
    : m_sql(sql)
{
    if (onServer()) {
        static int serial = 0;
        m_name = QByteArray("bench_raw_" + QByteArray::number(++serial));
        int count = 0;
        const QByteArray text = numbered(sql, &count);
        m_values.resize(count);
        m_binary.fill(0, count);
        PGresult *r = PQprepare(serverHandle(), m_name.constData(), text.constData(), 0, nullptr);
        checked(r, sql);
        PQclear(r);
        return;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(handle(), text.constData(), int(text.size()), &m_st, nullptr) != SQLITE_OK)
        fail(QStringLiteral("prepare: ") + QString::fromUtf8(sqlite3_errmsg(handle())) + QStringLiteral(": ") + sql);
}

Raw::~Raw()
{
    if (!m_name.isEmpty()) {
        PGresult *r = PQexec(serverHandle(), QByteArray("DEALLOCATE " + m_name).constData());
        PQclear(r);
    }
    sqlite3_finalize(m_st);
}

Raw &Raw::value(int i, const QByteArray &v, bool binary)
{
    if (i < 1 || i > m_values.size())
        fail(QStringLiteral("no value %1 in: ").arg(i) + m_sql);
    m_values[i - 1] = v;
    m_binary[i - 1] = binary ? 1 : 0;
    return *this;
}

Raw &Raw::bind(int i, long long v)
{
    if (onServer())
        return value(i, QByteArray::number(v), false);
    sqlite3_bind_int64(m_st, i, v);
    return *this;
}

Raw &Raw::bind(int i, double v)
{
    if (onServer())
        return value(i, QByteArray::number(v, 'g', 17), false);
    sqlite3_bind_double(m_st, i, v);
    return *this;
}

Raw &Raw::bindAll(const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        if (v.typeId() == QMetaType::QString)
            bind(i + 1, v.toString().toUtf8());
        else if (v.typeId() == QMetaType::Double)
            bind(i + 1, v.toDouble());
        else
            bind(i + 1, v.toLongLong());
    }
    return *this;
}

Raw &Raw::bind(int i, const QByteArray &v)
{
    if (onServer())
        return value(i, v, false);
    sqlite3_bind_text(m_st, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    return *this;
}

Raw &Raw::blob(int i, const QByteArray &v)
{
    if (onServer())
        return value(i, v, true);
    sqlite3_bind_blob(m_st, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    return *this;
}

long long Raw::run()
{
    long long first = 0;
    m_rows = 0;
    m_first.clear();
    m_all.clear();
    if (onServer()) {
        QList<const char *> values;
        QList<int> lengths;
        for (const QByteArray &v : std::as_const(m_values)) {
            values << v.constData();
            lengths << int(v.size());
        }
        PGresult *r = PQexecPrepared(serverHandle(), m_name.constData(), int(values.size()), values.constData(),
                                     lengths.constData(), m_binary.constData(), 0);
        checked(r, m_sql);
        m_rows = PQntuples(r);
        if (m_rows > 0 && PQnfields(r) > 0)
            first = std::strtoll(PQgetvalue(r, 0, 0), nullptr, 10);
        for (int c = 0; m_rows > 0 && c < PQnfields(r); ++c)
            m_first << QByteArray(PQgetvalue(r, 0, c), PQgetlength(r, 0, c));
        for (int row = 0; m_keep && row < m_rows; ++row) {
            QList<QByteArray> values;
            for (int c = 0; c < PQnfields(r); ++c)
                values << QByteArray(PQgetvalue(r, row, c), PQgetlength(r, row, c));
            m_all << values;
        }
        PQclear(r);
        return first;
    }
    int rc;
    while ((rc = sqlite3_step(m_st)) == SQLITE_ROW) {
        if (m_rows == 0 || m_keep) {
            QList<QByteArray> values;
            for (int c = 0; c < sqlite3_column_count(m_st); ++c)
                values << QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(m_st, c)),
                                     sqlite3_column_bytes(m_st, c));
            if (m_rows == 0) {
                first = sqlite3_column_int64(m_st, 0);
                m_first = values;
            }
            if (m_keep)
                m_all << values;
        }
        ++m_rows;
    }
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("step: ") + QString::fromUtf8(sqlite3_errmsg(handle())) + QStringLiteral(": ") + m_sql);
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
    return first;
}

bool Raw::sortsWithoutIndex() const
{
    if (!m_st)
        return false;
    const QByteArray text = (QStringLiteral("EXPLAIN QUERY PLAN ") + m_sql).toUtf8();
    sqlite3_stmt *plan = nullptr;
    if (sqlite3_prepare_v2(handle(), text.constData(), int(text.size()), &plan, nullptr) != SQLITE_OK)
        return false;
    bool sorts = false;
    while (sqlite3_step(plan) == SQLITE_ROW)
        sorts = sorts || QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(plan, 3)))
                             .contains(QLatin1String("TEMP B-TREE FOR ORDER BY"));
    sqlite3_finalize(plan);
    return sorts;
}

long long nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

double msSince(long long startNs)
{
    return double(nowNs() - startNs) / 1e6;
}

Timing summary(const QList<double> &samples)
{
    Timing t;
    if (samples.isEmpty())
        return t;
    t.first = samples.first();
    QList<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    t.min = sorted.first();
    t.max = sorted.last();
    const qsizetype n = sorted.size();
    t.median = n % 2 ? sorted.at(n / 2) : (sorted.at(n / 2 - 1) + sorted.at(n / 2)) / 2;
    return t;
}

QString databaseFile()
{
    if (onServer())
        return {};
    const char *file = sqlite3_db_filename(handle(), "main");
    return file ? QString::fromLocal8Bit(file) : QString();
}

void dropFileCache(const QString &path)
{
    if (path.isEmpty())
        return;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        fail(QStringLiteral("cannot be opened: ") + path);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

void dropCaches()
{
    if (onServer())
        return;
    rawExec("PRAGMA shrink_memory");
    dropFileCache(databaseFile());
}

Timing measureTimed(const std::function<double()> &work, const std::function<void()> &reset, First first)
{
    QList<double> samples;
    for (int i = 0; i < g_options.runs; ++i) {
        if (reset)
            reset();
        if (i == 0 && first == First::Cold)
            dropCaches();
        samples << work();
    }
    return summary(samples);
}

Timing measure(const std::function<void()> &work, const std::function<void()> &reset, First first)
{
    return measureTimed(
        [&] {
            const long long start = nowNs();
            work();
            return msSince(start);
        },
        reset, first);
}

void Samples::add(const QString &key, double v)
{
    if (!ms.contains(key))
        order << key;
    ms[key] << v;
}

void Samples::timed(const QString &key, int run, const std::function<void()> &work)
{
    if (run == 0)
        dropCaches();
    const long long t = nowNs();
    work();
    settle();
    add(key, msSince(t));
}

namespace {
constexpr int RoadWidth = 52;
// printf pads bytes; a Cyrillic letter is two.
QString padded(const QString &text, int width)
{
    return text.rightJustified(width);
}
} // namespace

void printHeader()
{
    QString line = QStringLiteral("път").leftJustified(RoadWidth);
    for (const auto &[title, width] : {std::pair{QStringLiteral("първо"), 9}, std::pair{QStringLiteral("мин."), 9},
                                       std::pair{QStringLiteral("медиана"), 9}, std::pair{QStringLiteral("макс."), 9},
                                       std::pair{QStringLiteral("база мин."), 10}, std::pair{QStringLiteral("база мед."), 10},
                                       std::pair{QStringLiteral("отн."), 7}, std::pair{QStringLiteral("цел"), 5}})
        line += QLatin1Char(' ') + padded(title, width);
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void report(const Figure &f)
{
    g_figures << f;
    writeResult(f);
    const QString target = f.target > 0 ? QString::number(f.target) : QStringLiteral("—");
    std::printf("%s %9.2f %9.2f %9.2f %9.2f %10.3f %10.3f %7.2f %s %s%s\n", qPrintable(f.road.leftJustified(RoadWidth)),
                f.time.first, f.time.min, f.time.median, f.time.max, f.base.min, f.base.median, f.ratio(),
                qPrintable(padded(target, 5)),
                f.over() ? "НАД ЦЕЛТА" : "ok", qPrintable(f.note.isEmpty() ? QString() : QStringLiteral("  ") + f.note));
    std::fflush(stdout);
}

const QList<Figure> &figures()
{
    return g_figures;
}

void settle()
{
    QCoreApplication::sendPostedEvents();
    QApplication::processEvents();
}

QString lastMessage()
{
    const QStringList m = PlatformScript::texts(QStringLiteral("message"));
    return m.isEmpty() ? QString() : m.last();
}

long long residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}
} // namespace Bench
