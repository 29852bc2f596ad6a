// The benchmark of the roads a cashier, the catalogue, the reports, the
// stock-taking and the imports run, through the windows as a user works them
// (the handlers the keys and clicks run, the repaint included). In a
// temporary program folder on disk it generates a shop of the given size and
// times each road, at least 7 runs, against its raw equivalent in the same
// run and folder. Prints the first run (cold where the road says), min,
// median and max of each, min and median of the baseline and the ratio of
// the medians; ends with 1 when a ratio is over its target.
//
//   ventaros_bench [ARTICLES] [--runs N] [--engine sqlite|postgresql] [--folder DIR] [--roads A,B,...]
//   ventaros_bench --scale [--runs N] [--engine sqlite|postgresql] [--folder DIR] [--roads A,B,...]
//
// --roads runs only the named groups of roads (start, desk, delivery,
// catalogue, delete, report, counterparties, stocktaking, import, offers,
// counterpartyimport), in the order above, and generates only what they
// read: the 500 000 sales sold through the desk for the sales report and the
// article delete, the other history for the delete, the delivery and the
// stock-taking; without it the shop is generated whole.
//
// With --engine postgresql the shop lives in a fresh database on the server
// the environment names as for the tests (VENTAROS_TEST_PG_HOST, _PORT,
// _USER; the password from libpq's password file or PGPASSWORD), dropped at
// the end; the program folder's Data/ holds its connection file and the
// baselines are the same statements through libpq.
//
// --scale runs the benchmark at 10 000, 100 000 and 1 000 000 articles and
// adds the table of each road's growth (at most 2x from the smallest to the
// largest). The program folder is made under DIR (default: the current
// folder); never on tmpfs. With VENTAROS_BENCH_KEEP set it is kept.
#include "bench_roads.h"
#include "bench_shop.h"
#include "bench_support.h"
#include "bench_window.h"

#include "app/data_module.h"
#include "common/program_folder.h"
#include "platform/application.h"
#include "platform/db/server_connection.h"
#include "platform/script.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <sqlite3.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

using namespace Bench;

namespace {
const QList<int> kScaleSizes = {10000, 100000, 1000000};
constexpr double ScaleTarget = 2;

QString fileSystemOf(const QString &path)
{
    struct statfs s;
    if (statfs(QFile::encodeName(path).constData(), &s) != 0)
        return QStringLiteral("?");
    switch (s.f_type) {
    case 0xEF53: return QStringLiteral("ext2/3/4");
    case 0x01021994: return QStringLiteral("tmpfs");
    case 0x58465342: return QStringLiteral("xfs");
    case 0x9123683E: return QStringLiteral("btrfs");
    case 0x794C7630: return QStringLiteral("overlayfs");
    default: return QStringLiteral("0x%1").arg(qulonglong(s.f_type), 0, 16);
    }
}

QString cpuName()
{
    QFile f(QStringLiteral("/proc/cpuinfo"));
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
    return QStringLiteral("?");
}

QString memoryText()
{
    QFile f(QStringLiteral("/proc/meminfo"));
    if (f.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> first = f.readLine().simplified().split(' ');
        return QStringLiteral("%1 GiB").arg(first.value(1).toDouble() / 1048576.0, 0, 'f', 1);
    }
    return QStringLiteral("?");
}

void printMachine(const QString &folder)
{
    std::printf("Машина: %s, %ld ядра, %s памет; %s; Qt %s, SQLite %s, платформа %s\n", qPrintable(cpuName()),
                sysconf(_SC_NPROCESSORS_ONLN), qPrintable(memoryText()), qPrintable(QSysInfo::prettyProductName()),
                qVersion(), sqlite3_libversion(), qPrintable(QGuiApplication::platformName()));
    std::printf("Програмна папка: %s (%s)\n", qPrintable(folder), qPrintable(fileSystemOf(folder)));
    std::fflush(stdout);
}

// The groups of roads in the order they run: the desk's main window holds the
// program folder's instance lock until the process ends, so the start runs
// before it.
// Each says what of the shop it reads besides what every road has.
struct RoadGroup {
    const char *name;
    std::function<void(const QString &home, const QString &self)> run;
    Contents reads;
};
constexpr Contents None{false, false};
constexpr Contents Sales{true, false};
constexpr Contents History{false, true};
constexpr Contents All{true, true};
const QList<RoadGroup> &roadGroups()
{
    static const QList<RoadGroup> groups = {
        {"start", [](const QString &home, const QString &self) { startUpRoad(home, self); }, None},
        {"desk", [](const QString &, const QString &) { deskRoads(); }, None},
        {"delivery", [](const QString &, const QString &) { deliveryRoad(); }, History},
        {"catalogue", [](const QString &, const QString &) { catalogueRoads(); }, None},
        {"delete", [](const QString &, const QString &) { articleDeleteRoad(); }, All},
        {"report", [](const QString &, const QString &) { salesReportRoads(); }, Sales},
        {"counterparties", [](const QString &, const QString &) { counterpartyBrowserRoads(); }, None},
        {"stocktaking", [](const QString &, const QString &) { stockTakingRoads(); }, History},
        {"import", [](const QString &home, const QString &) { articleImportRoad(home); }, None},
        {"offers", [](const QString &home, const QString &) { catalogueImportRoad(home); }, None},
        {"counterpartyimport", [](const QString &home, const QString &) { counterpartyImportRoad(home); }, None},
    };
    return groups;
}

bool chosen(const RoadGroup &g)
{
    return options().roads.isEmpty() || options().roads.contains(QString::fromLatin1(g.name));
}

// What the chosen roads read; all of it for a full run.
Contents contentsForRoads()
{
    Contents c = None;
    for (const RoadGroup &g : roadGroups())
        if (chosen(g)) {
            c.sales = c.sales || g.reads.sales;
            c.history = c.history || g.reads.history;
        }
    return c;
}

[[noreturn]] void usage()
{
    QStringList names;
    for (const RoadGroup &g : roadGroups())
        names << QString::fromLatin1(g.name);
    std::fprintf(stderr,
                 "usage: ventaros_bench [ARTICLES] [--runs N] [--engine sqlite|postgresql] [--folder DIR] [--roads A,B,...]\n"
                 "       ventaros_bench --scale [--runs N] [--engine sqlite|postgresql] [--folder DIR] [--roads A,B,...]\n"
                 "roads: %s\n",
                 qPrintable(names.join(QLatin1Char(','))));
    std::exit(2);
}

// A fresh database for the run on the server the environment names, UTF-8
// with the C.UTF-8 locale as the README makes a shop's; dropped at its end.
class ServerDatabase
{
public:
    ServerDatabase()
    {
        m_connection.host = qEnvironmentVariable("VENTAROS_TEST_PG_HOST", QStringLiteral("127.0.0.1"));
        m_connection.port = qEnvironmentVariableIntValue("VENTAROS_TEST_PG_PORT");
        if (m_connection.port == 0)
            m_connection.port = ServerConnection::DefaultPort;
        m_connection.user = qEnvironmentVariable("VENTAROS_TEST_PG_USER", qEnvironmentVariable("USER"));
        m_connection.database = QStringLiteral("ventaros_bench_%1").arg(QCoreApplication::applicationPid());
        admin(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' "
                             "LC_CTYPE 'C.UTF-8'")
                  .arg(m_connection.database));
    }
    // FORCE may not end a session of a role ours is no member of (an
    // autovacuum worker of the freshly written tables): a plain drop has the
    // server end its own workers.
    ~ServerDatabase()
    {
        const QString drop = QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_connection.database);
        if (!admin(drop + QStringLiteral(" WITH (FORCE)"), nullptr, false) && !admin(drop, nullptr, false))
            std::fprintf(stderr, "the database %s was not dropped\n", qPrintable(m_connection.database));
    }
    const ServerConnection &connection() const { return m_connection; }
    QString version()
    {
        QString v;
        admin(QStringLiteral("SELECT version()"), &v);
        return v.section(QLatin1Char(' '), 0, 1);
    }
    // What the server's column ran with: a durable cluster has all three on.
    QString durability()
    {
        QString v;
        admin(QStringLiteral("SELECT string_agg(name || '=' || setting, ', ' ORDER BY name) FROM pg_settings "
                             "WHERE name IN ('fsync', 'synchronous_commit', 'full_page_writes')"),
              &v);
        return v;
    }

private:
    bool admin(const QString &sql, QString *first = nullptr, bool mustRun = true)
    {
        bool ran = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench-admin"));
            db.setHostName(m_connection.host);
            db.setPort(m_connection.port);
            db.setUserName(m_connection.user);
            db.setDatabaseName(QStringLiteral("postgres"));
            if (!db.open())
                fail(QStringLiteral("the server cannot be reached: ") + db.lastError().text());
            QSqlQuery q(db);
            ran = q.exec(sql);
            if (!ran && mustRun)
                fail(q.lastError().text() + QStringLiteral(": ") + sql);
            if (!ran)
                std::fprintf(stderr, "%s: %s\n", qPrintable(q.lastError().text()), qPrintable(sql));
            if (first && q.next())
                *first = q.value(0).toString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
        return ran;
    }
    ServerConnection m_connection;
};

int runOnce(const QString &self)
{
    const Options &o = options();
    QTemporaryDir dir(QDir(o.parent).filePath(QStringLiteral("ventaros-bench-XXXXXX")));
    if (!dir.isValid())
        fail(QStringLiteral("no temporary folder in ") + o.parent);
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("VENTAROS_BENCH_KEEP")); // to look at the shop afterwards
    printMachine(dir.path());
    if (fileSystemOf(dir.path()) == QLatin1String("tmpfs"))
        fail(QStringLiteral("the folder is on tmpfs: give a folder on a disk"));
    ProgramFolder::setPath(dir.path());
    std::unique_ptr<ServerDatabase> server;
    if (onServer()) {
        server = std::make_unique<ServerDatabase>();
        QDir().mkpath(ProgramFolder::defaultDatabaseFolder());
        if (!server->connection().write(ProgramFolder::defaultDatabaseFolder()))
            fail(QStringLiteral("the connection file was not written"));
        std::printf("База данни: PostgreSQL %s, %s (%s)\n", qPrintable(server->version()),
                    qPrintable(server->connection().describe()), qPrintable(server->durability()));
    }
    PlatformScript::activate(); // the first start's questions answered, as a user would
    {
        TDataModule1 module;
        if (!module.openAliasFolder().opened)
            fail(QStringLiteral("the database was not created: ") + lastMessage());
        const Contents made = contentsForRoads();
        const Generation took = generateShop(made);
        std::printf("База: %d артикула, %d групи, %d баркода, %d контрагента, %d склада, %d отстъпки, %d продажби, "
                    "%d доставени, %d ревизирани, %d анулирани и %d документирани реда, %d отворени реда (%.1f s, "
                    "продажбите през касата %.1f s, проверка на броячите %.1f s, статистики %.1f s); %d пускания "
                    "на път\n\n",
                    o.articles, GroupCount, barcodeCount(), CounterpartyCount, WarehouseCount, DiscountRules,
                    made.sales ? SalesRecords : 0, made.history ? DeliveredLines : 0, made.history ? CountedRows : 0,
                    made.history ? CancelledSales : 0, made.history ? DocumentLines : 0, OpenLines,
                    took.rest, took.sales, took.check, took.statistics, o.runs);
        printHeader();
        // First: the main window of the desk roads holds the program folder's
        // instance lock until this process ends, and a second start refuses.
        for (const RoadGroup &g : roadGroups()) {
            if (!chosen(g))
                continue;
            // The other roads' windows are driven from the logged-in main
            // window, made once (its login answered) before any of them.
            if (qstrcmp(g.name, "start") != 0)
                mainWindow();
            g.run(dir.path(), self);
        }
    }
    PlatformScript::deactivate();
    bool over = false;
    for (const Figure &f : figures())
        over = over || f.over();
    std::printf("\n%s\n", over ? "Има път над целта." : "Всички пътища са в целта.");
    return over ? 1 : 0;
}

// The benchmark at each size in its own process, then each road's growth.
int runScale(const QString &self)
{
    struct Row {
        QString road;
        QHash<int, double> ms;
    };
    QList<QString> order;
    QHash<QString, Row> rows;
    bool over = false;
    for (int size : kScaleSizes) {
        QTemporaryFile results;
        if (!results.open())
            fail(QStringLiteral("no results file"));
        std::printf("\n===== %d артикула =====\n", size);
        std::fflush(stdout);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(self, {QString::number(size), QStringLiteral("--runs"), QString::number(options().runs),
                           QStringLiteral("--engine"), options().engine, QStringLiteral("--folder"), options().parent,
                           QStringLiteral("--results"), results.fileName(), QStringLiteral("--roads"),
                           options().roads.join(QLatin1Char(','))});
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() > 1)
            fail(QStringLiteral("the run at %1 articles failed").arg(size));
        over = over || child.exitCode() == 1;
        for (const QByteArray &line : results.readAll().split('\n')) {
            const QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
            if (f.size() < 3)
                continue;
            if (!rows.contains(f.at(0))) {
                order << f.at(0);
                rows.insert(f.at(0), Row{f.at(1), {}});
            }
            rows[f.at(0)].ms.insert(size, f.at(2).toDouble());
        }
    }
    std::printf("\nРастеж на медианите (ms) с броя на артикулите; цел: до %.0f пъти от %d до %d\n\n", ScaleTarget,
                kScaleSizes.first(), kScaleSizes.last());
    std::printf("%s", qPrintable(QStringLiteral("път").leftJustified(36)));
    for (int size : kScaleSizes)
        std::printf(" %12d", size);
    std::printf(" %8s\n", "ръст");
    for (const QString &key : order) {
        const Row &r = rows.value(key);
        std::printf("%s", qPrintable(r.road.leftJustified(36)));
        for (int size : kScaleSizes)
            std::printf(" %12.2f", r.ms.value(size));
        const double small = r.ms.value(kScaleSizes.first()), large = r.ms.value(kScaleSizes.last());
        const double growth = small > 0 ? large / small : 0;
        const bool grew = growth > ScaleTarget;
        over = over || grew;
        std::printf(" %8.2f %s\n", growth, grew ? "НАД ЦЕЛТА" : "ok");
    }
    std::printf("\n%s\n", over ? "Има път над целта." : "Всички пътища са в целта.");
    return over ? 1 : 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes on window features would drown the table.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg && type != QtInfoMsg && !text.startsWith(QLatin1String("This plugin does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    Application app(argc, argv);
    QStringList args = app.arguments();
    const QString self = args.takeFirst();
    Options o;
    o.parent = QDir::currentPath();
    bool scale = false;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        bool ok = true;
        if (a == QLatin1String("--scale"))
            scale = true;
        else if (a == QLatin1String("--runs"))
            o.runs = args.isEmpty() ? 0 : args.takeFirst().toInt(&ok);
        else if (a == QLatin1String("--folder") && !args.isEmpty())
            o.parent = args.takeFirst();
        else if (a == QLatin1String("--results") && !args.isEmpty())
            o.results = args.takeFirst();
        else if (a == QLatin1String("--engine") && !args.isEmpty())
            o.engine = args.takeFirst();
        else if (a == QLatin1String("--roads") && !args.isEmpty())
            o.roads = args.takeFirst().split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (!a.startsWith(QLatin1Char('-')))
            o.articles = a.toInt(&ok);
        else
            usage();
        if (!ok)
            usage();
    }
    // The database engine the roads and their raw baselines run on.
    if (o.engine != QLatin1String("sqlite") && o.engine != QLatin1String("postgresql"))
        fail(QStringLiteral("unknown database engine: ") + o.engine + QStringLiteral(" (known: sqlite, postgresql)"));
    if (o.runs < 7)
        fail(QStringLiteral("at least 7 runs"));
    if (o.articles < 10000)
        fail(QStringLiteral("at least 10000 articles"));
    for (const QString &name : o.roads) {
        bool known = false;
        for (const RoadGroup &g : roadGroups())
            known = known || name == QLatin1String(g.name);
        if (!known)
            usage();
    }
    setOptions(o);
    return scale ? runScale(self) : runOnce(self);
}
