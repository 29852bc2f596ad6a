// A workstation that works without a pause, for the fault tests: started in
// the program folder VENTAROS_HOME, it opens the database as the start-up
// does, prints "ready" (a writer) and writes until it is killed or its work
// is done.
// It retries nothing: what the program refuses is printed as the program
// says it, and anything else ends the worker with 3.
//
//   ventaros_desk_worker start              open the folder, deliver waiting files, end
//   ventaros_desk_worker hold               open the folder, print "running", wait to be killed
//   ventaros_desk_worker sell <op> [secs]   one line a sale, quantity = the line's ordinal
//   ventaros_desk_worker deliver [secs]     deliveries of 3 of one article
//   ventaros_desk_worker count [secs]       stock-takings of every article, one more than its stock
//   ventaros_desk_worker import <file>      the article import of <file>, once
//   ventaros_desk_worker upgrade            the database upgrade by SQLs/UpdateTables.nts
//   ventaros_desk_worker mixed <op> <secs>  sales and deliveries; prints what it did
//   ventaros_desk_worker lock <ms> <times>  holds the write lock <ms> at a time
//   ventaros_desk_worker number <secs>      new article groups by the next-number helper; prints their numbers
//   ventaros_desk_worker leave <op>         a sale, an open line of <op>, stock-taking and delivery lines; ends
//   ventaros_desk_worker own <op>           prints what this workstation finds of its own and of <op>'s
//   ventaros_desk_worker query <mb> <sql> [unbounded|<bytes>]
//                                           the typed query <sql> with <mb> MB of address space above
//                                           what the process holds (0: no limit), without its size
//                                           limit or with <bytes> as that limit when told; prints its
//                                           outcome, message, rows and the most it held,
//                                           then "alive"
//   ventaros_desk_worker new <folder> <name>  "Нова база" named <name> in <folder>, as the window makes it
//
// With VENTAROS_KILL_AT_SUPER_JOURNAL set, a stock-taking save (or any
// other write of both databases) kills its own process at the commit point of its transaction across the
// work database: when its super-journal is deleted, after every journal was
// written.
//
// With VENTAROS_KILL_AT_OPERATION=<n> and VENTAROS_KILL_IN=<folder>, the
// worker kills itself at the n-th operation on a database file of that
// folder (opened, written, cut, synced, closed or deleted: the file, its
// journal, a file under a temporary name); a worker that ends before prints
// "operations <count>".
#include "app/data_module.h"
#include "app/next_number.h"
#include "catalogue/article_groups.h"
#include "catalogue/deliveries.h"
#include "catalogue/stock_taking.h"
#include "common/program_folder.h"
#include "desk/desk_lines.h"
#include "desk/device_file_writer.h"
#include "desk/sale.h"
#include "desk/sales_cancel.h"
#include "platform/application.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/typed_query.h"
#include "platform/db/work_tables.h"
#include "platform/file_modes.h"
#include "platform/folder_tree.h"
#include "platform/instance_lock.h"
#include "platform/script.h"
#include "shell/database_open.h"
#include "shell/form_sazdava_nova_baza.h"
#include "shell/imports/article_import.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QThread>

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace {
constexpr long long Warehouse = 1;
constexpr int Articles = 20;

// ---- A kill at the commit point of a transaction across two files --------

sqlite3_vfs g_killingVfs;
bool g_armed = false;

bool armed()
{
    return qEnvironmentVariableIsSet("VENTAROS_KILL_AT_SUPER_JOURNAL");
}

int killingDelete(sqlite3_vfs *vfs, const char *name, int syncDir)
{
    if (g_armed && std::strstr(name, "-mj"))
        std::raise(SIGKILL);
    return sqlite3_vfs_find("unix")->xDelete(vfs, name, syncDir);
}

void installKillingVfs()
{
    g_killingVfs = *sqlite3_vfs_find(nullptr);
    g_killingVfs.zName = "killing";
    g_killingVfs.xDelete = killingDelete;
    sqlite3_vfs_register(&g_killingVfs, 1);
}

// ---- A kill at the n-th operation on the database files of a folder ------

struct CountedFile {
    sqlite3_file base;
    sqlite3_file *real;
    bool counted;
};

sqlite3_vfs g_countingVfs;
sqlite3_io_methods g_countedMethods;
long long g_operations = 0;
long long g_killAtOperation = 0;
QByteArray g_killFolder;

sqlite3_vfs *realVfs()
{
    return sqlite3_vfs_find("unix");
}

bool counted(const char *name)
{
    return name && QByteArray(name).startsWith(g_killFolder) && std::strstr(name, Db::DatabaseFileName);
}

void operation(bool counts)
{
    if (counts && ++g_operations == g_killAtOperation)
        std::raise(SIGKILL);
}

sqlite3_file *real(sqlite3_file *f)
{
    return reinterpret_cast<CountedFile *>(f)->real;
}

bool counts(sqlite3_file *f)
{
    return reinterpret_cast<CountedFile *>(f)->counted;
}

int countedOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *f = reinterpret_cast<CountedFile *>(file);
    f->real = reinterpret_cast<sqlite3_file *>(f + 1);
    f->counted = counted(name);
    operation(f->counted);
    const int rc = realVfs()->xOpen(realVfs(), name, f->real, flags, outFlags);
    file->pMethods = f->real->pMethods ? &g_countedMethods : nullptr;
    return rc;
}

int countedDelete(sqlite3_vfs *, const char *name, int syncDir)
{
    operation(counted(name));
    return realVfs()->xDelete(realVfs(), name, syncDir);
}

void installCountingVfs()
{
    g_killAtOperation = qEnvironmentVariable("VENTAROS_KILL_AT_OPERATION").toLongLong();
    g_killFolder = QFile::encodeName(qEnvironmentVariable("VENTAROS_KILL_IN"));
    std::atexit([] { std::printf("operations %lld\n", g_operations); });
    g_countingVfs = *realVfs();
    g_countingVfs.zName = "counting";
    g_countingVfs.szOsFile = int(sizeof(CountedFile)) + realVfs()->szOsFile;
    g_countingVfs.xOpen = countedOpen;
    g_countingVfs.xDelete = countedDelete;
    // Version 1: no shared memory and no memory map, as a rollback journal uses none.
    g_countedMethods.iVersion = 1;
    g_countedMethods.xClose = [](sqlite3_file *f) {
        operation(counts(f));
        return real(f)->pMethods->xClose(real(f));
    };
    g_countedMethods.xRead = [](sqlite3_file *f, void *b, int n, sqlite3_int64 at) {
        return real(f)->pMethods->xRead(real(f), b, n, at);
    };
    g_countedMethods.xWrite = [](sqlite3_file *f, const void *b, int n, sqlite3_int64 at) {
        operation(counts(f));
        return real(f)->pMethods->xWrite(real(f), b, n, at);
    };
    g_countedMethods.xTruncate = [](sqlite3_file *f, sqlite3_int64 size) {
        operation(counts(f));
        return real(f)->pMethods->xTruncate(real(f), size);
    };
    g_countedMethods.xSync = [](sqlite3_file *f, int flags) {
        operation(counts(f));
        return real(f)->pMethods->xSync(real(f), flags);
    };
    g_countedMethods.xFileSize = [](sqlite3_file *f, sqlite3_int64 *size) {
        return real(f)->pMethods->xFileSize(real(f), size);
    };
    g_countedMethods.xLock = [](sqlite3_file *f, int lock) { return real(f)->pMethods->xLock(real(f), lock); };
    g_countedMethods.xUnlock = [](sqlite3_file *f, int lock) { return real(f)->pMethods->xUnlock(real(f), lock); };
    g_countedMethods.xCheckReservedLock = [](sqlite3_file *f, int *out) {
        return real(f)->pMethods->xCheckReservedLock(real(f), out);
    };
    g_countedMethods.xFileControl = [](sqlite3_file *f, int op, void *arg) {
        return real(f)->pMethods->xFileControl(real(f), op, arg);
    };
    g_countedMethods.xSectorSize = [](sqlite3_file *f) { return real(f)->pMethods->xSectorSize(real(f)); };
    g_countedMethods.xDeviceCharacteristics = [](sqlite3_file *f) {
        return real(f)->pMethods->xDeviceCharacteristics(real(f));
    };
    sqlite3_vfs_register(&g_countingVfs, 1);
}

// ---- Writers --------------------------------------------------------------

// A message of the program on one line of the output.
QString oneLine(QString message)
{
    return message.replace(QLatin1Char('\n'), QStringLiteral(" | "));
}

long long scalar(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

// Lines of this operator ever written: open, sold or cancelled.
long long linesWritten(const QString &op)
{
    return scalar(QStringLiteral("SELECT (SELECT COUNT(*) FROM Prodajbi_Vremenni WHERE Operator = ?) + "
                                 "(SELECT COUNT(*) FROM Prodajbi WHERE Operator = ?) + "
                                 "(SELECT COUNT(*) FROM Invalidate_Sales WHERE Operator = ?)"),
                  {op, op, op});
}

bool sellOnce(const QString &op, QRandomGenerator &rng)
{
    DeskLines::NewLine line;
    const long long ordinal = linesWritten(op) + 1;
    line.article = 1 + ordinal % Articles;
    line.quantityText = QString::number(ordinal);
    line.priceText = QStringLiteral("2.5");
    line.op = op;
    if (DeskLines::insertLine(line).outcome != DeskLines::InsertResult::Written)
        return false;
    Sale::Request r;
    for (const QSqlRecord &row : Db::rows(QStringLiteral("SELECT N_Prodajba FROM Prodajbi_Vremenni "
                                                         "WHERE Operator = ? ORDER BY N_Prodajba"),
                                          {op}))
        r.lines << row.value(0).toLongLong();
    r.op = op;
    r.warehouse = Warehouse;
    const Sale::Result sold = Sale::sell(r);
    if (!sold.ok) {
        std::fprintf(stderr, "sale refused: %s\n", qPrintable(oneLine(sold.message)));
        return false;
    }
    DeviceFileWriter::instance().flush();
    if (rng.bounded(5) == 0) {
        const long long row = scalar(QStringLiteral("SELECT MAX(ID_Red) FROM Prodajbi WHERE Operator = ?"), {op});
        if (row > 0)
            SalesCancel::cancel(row, QStringLiteral("проба"), op, true, Warehouse);
    }
    return true;
}

// A delivery of 3 of one article, as the delivery window saves it: a failed
// save is told with the window's words and the program's reason. The number
// taken, or 0.
long long deliverOnce(QRandomGenerator &rng)
{
    Deliveries::removeAll();
    Deliveries::LineInput line;
    line.article = 1 + rng.bounded(Articles);
    line.deliveryPrice = 1;
    line.deliveryCurrency = line.saleCurrency = QStringLiteral("BGL");
    line.salePrice = Decimal::fromParts(25, 1);
    line.quantity = 3;
    if (Deliveries::addLine(line, 0) == 0 || Deliveries::lineCount() != 1) {
        std::fprintf(stderr, "delivery lines of another workstation\n");
        std::exit(3);
    }
    Deliveries::Head head;
    head.deliveryDate = head.documentDate = QDate::currentDate();
    head.deliveryTime = QTime::currentTime();
    head.supplier = 1;
    head.documentKind = 1;
    head.warehouse = Warehouse;
    QString refusal;
    long long n = 0;
    try {
        g_armed = armed();
        n = Deliveries::save(head, &refusal);
    } catch (const DbError &e) {
        refusal = QString::fromUtf8(Deliveries::NotSaved) + e.message();
    }
    g_armed = false;
    if (n <= 0)
        std::fprintf(stderr, "delivery refused: %s\n", qPrintable(oneLine(refusal)));
    return n;
}

// A stock-taking of every article: its lines in the work database, the save
// across both files.
long long countOnce()
{
    StockTaking::prepare();
    StockTaking::clear();
    for (int a = 1; a <= Articles; ++a)
        StockTaking::addLine(a, StockTaking::stock(a, Warehouse) + 1, Warehouse);
    StockTaking::Head head;
    head.date = QDate::currentDate();
    head.time = QTime::currentTime();
    head.warehouse = Warehouse;
    QString refusal;
    g_armed = armed();
    const long long n = StockTaking::save(head, &refusal);
    g_armed = false;
    if (n <= 0)
        std::fprintf(stderr, "stock-taking refused: %s\n", qPrintable(oneLine(refusal)));
    return n;
}

QRandomGenerator workerRandom()
{
    return QRandomGenerator(quint32(QCoreApplication::applicationPid()));
}

bool timeLeft(const QElapsedTimer &clock, int seconds)
{
    return seconds <= 0 || clock.elapsed() < seconds * 1000LL;
}

int sellLoop(const QString &op, int seconds)
{
    QRandomGenerator rng = workerRandom();
    QElapsedTimer clock;
    clock.start();
    long long sales = 0;
    while (timeLeft(clock, seconds))
        sales += sellOnce(op, rng) ? 1 : 0;
    std::printf("sales %lld\n", sales);
    return 0;
}

int deliverLoop(int seconds)
{
    QRandomGenerator rng = workerRandom();
    QElapsedTimer clock;
    clock.start();
    long long deliveries = 0;
    while (timeLeft(clock, seconds))
        deliveries += deliverOnce(rng) > 0 ? 1 : 0;
    std::printf("deliveries %lld\n", deliveries);
    return 0;
}

int countLoop(int seconds)
{
    QElapsedTimer clock;
    clock.start();
    long long counts = 0;
    while (timeLeft(clock, seconds))
        counts += countOnce() > 0 ? 1 : 0;
    std::printf("counts %lld\n", counts);
    return 0;
}

// Sales and deliveries of 3 to the same warehouse for `seconds`; prints the
// delivery numbers it took and what it delivered.
int mixedLoop(const QString &op, int seconds)
{
    QRandomGenerator rng = workerRandom();
    QElapsedTimer clock;
    clock.start();
    long long sales = 0, delivered = 0;
    QStringList numbers;
    while (timeLeft(clock, seconds)) {
        if (rng.bounded(2) == 0) {
            sales += sellOnce(op, rng) ? 1 : 0;
        } else if (const long long n = deliverOnce(rng); n > 0) {
            delivered += 3;
            numbers << QString::number(n);
        }
    }
    std::printf("sales %lld\ndelivered %lld\nnumbers %s\n", sales, delivered, qPrintable(numbers.join(QLatin1Char(' '))));
    return 0;
}

int importOnce(const QString &file)
{
    ArticleImport handler(ArticleGroups::treeFilePath(), false, Db::connection());
    const ImportRun::Outcome out = ImportRun::run(file, handler, nullptr, Db::connection(), 2, {});
    if (!out.completed) {
        std::fprintf(stderr, "import stopped: %s\n", qPrintable(out.error));
        return 1;
    }
    std::printf("added %lld\n", handler.counts().added);
    return 0;
}

int upgradeOnce()
{
    const TDataModule1::Upgrade u = DataModule1->upgradeDatabase(TDataModule1::updateTablesFile(), {});
    if (u.outcome != TDataModule1::Upgrade::Done) {
        std::fprintf(stderr, "upgrade not done (%d): %s\n", int(u.outcome), qPrintable(u.run.error));
        return 1;
    }
    return 0;
}

// Another workstation that keeps the write lock `ms` at a time, with as long
// a pause between.
int lockLoop(int ms, int times)
{
    for (int i = 0; i < times; ++i) {
        {
            WriteTransaction tx;
            std::printf("held\n");
            std::fflush(stdout);
            QThread::msleep(ulong(ms));
            tx.commit();
        }
        QThread::msleep(ulong(ms));
    }
    return 0;
}
// New groups for `seconds`, each numbered MAX(ID) + 1 by the next-number
// helper, as every window numbers its records.
int numberLoop(int seconds)
{
    QElapsedTimer clock;
    clock.start();
    QStringList numbers;
    while (timeLeft(clock, seconds)) {
        try {
            numbers << QString::number(NextNumber::insert(QStringLiteral("Grupi"), QStringLiteral("ID"), [](long long n) {
                Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (?, ?)"),
                            {n, QStringLiteral("Група %1").arg(n)});
            }));
        } catch (const DbError &e) {
            if (!e.busy())
                throw;
            std::fprintf(stderr, "number refused: %s\n", qPrintable(oneLine(e.message())));
        }
    }
    std::printf("numbers %s\n", qPrintable(numbers.join(QLatin1Char(' '))));
    return 0;
}

// What a workstation leaves for its next run: a sold receipt still to
// deliver (when its folder cannot be written), an open line of `op`, a
// stock-taking and a delivery line typed.
int leaveWork(const QString &op)
{
    QRandomGenerator rng = workerRandom();
    if (!sellOnce(op, rng))
        return 1;
    DeskLines::NewLine line;
    line.article = 1;
    line.quantityText = QStringLiteral("1");
    line.priceText = QStringLiteral("2.5");
    line.op = op;
    if (DeskLines::insertLine(line).outcome != DeskLines::InsertResult::Written)
        return 1;
    StockTaking::prepare();
    for (int a = 1; a <= Articles; ++a)
        StockTaking::addLine(a, 1, Warehouse);
    Deliveries::LineInput typed;
    typed.article = 2;
    typed.deliveryCurrency = typed.saleCurrency = QStringLiteral("BGL");
    typed.quantity = 3;
    Deliveries::addLine(typed, 0);
    std::printf("left\n");
    return 0;
}

// What this workstation finds: its stock-taking and delivery lines, its
// receipts still to deliver, and the open lines of `op` (shared by operator).
// "Нова база" in the window: a database named `name` in `parent`.
int newDatabase(const QString &parent, const QString &name)
{
    DatabaseFormMode = 1;
    TForm_Sazdava_Nova_Baza form;
    form.Edit_ime_baza->setText(name);
    form.DirectoryListBox1->setCurrentFolder(parent);
    form.BitBtn_OK->click();
    const QString folder = QDir(parent).filePath(name);
    if (!DataModule1->holdsAliasFolder() || DataModule1->databaseFolder() != QDir::cleanPath(folder)) {
        for (const PlatformScript::Event &e : PlatformScript::events())
            std::fprintf(stderr, "%s: %s\n", qPrintable(e.kind), qPrintable(e.text));
        return 1;
    }
    return 0;
}

int ownWork(const QString &op)
{
    StockTaking::prepare();
    std::printf("stock-taking %d\ndelivery %d\npending %lld\nopen %lld\n", StockTaking::lineCount(),
                Deliveries::lineCount(),
                scalar(QStringLiteral("SELECT COUNT(*) FROM Pending_Files WHERE Workstation = ?"),
                       {WorkTables::workstationKey()}),
                scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni WHERE Operator = ?"), {op}));
    return 0;
}
} // namespace

// A typed query as the window runs it, within `headroomMb` MB of address
// space more than the process holds now.
int typedQuery(int headroomMb, const QString &sql, const QString &bound)
{
    if (headroomMb > 0) {
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return 3;
        const rlim_t held = rlim_t(statm.readAll().split(' ').value(0).toULongLong()) * rlim_t(::sysconf(_SC_PAGESIZE));
        const rlimit limit{held + rlim_t(headroomMb) * 1024 * 1024, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_AS, &limit) != 0)
            return 3;
    }
    TypedQueryRun run;
    QEventLoop loop;
    TypedQuery::Result result;
    QObject::connect(&run, &TypedQueryRun::finished, &loop, [&](const TypedQuery::Result &r) {
        result = r;
        loop.quit();
    });
    TypedQuery::Limits limits;
    if (bound == QLatin1String("unbounded"))
        limits.bytes = std::numeric_limits<qint64>::max() / 2;
    else if (!bound.isEmpty())
        limits.bytes = bound.toLongLong();
    run.start(sql, limits);
    loop.exec();
    std::printf("outcome %d\n%s\nrows %lld\npeak %lld\nalive\n", int(result.outcome), qPrintable(result.message),
                static_cast<long long>(result.rows.size()), static_cast<long long>(result.peakBytes));
    return 0;
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    FileModes::keepFromOthers();
    if (qEnvironmentVariableIsSet("VENTAROS_KILL_AT_SUPER_JOURNAL"))
        installKillingVfs();
    if (qEnvironmentVariableIsSet("VENTAROS_KILL_AT_OPERATION"))
        installCountingVfs();
    Application app(argc, argv);
    ProgramFolder::resolve();
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    // As the program starts: one copy per workstation.
    if (!InstanceLock::acquire()) {
        std::fprintf(stderr, "%s\n", qPrintable(InstanceLock::refusalText()));
        return 4;
    }
    TDataModule1 module;
    // The start-up's own road; its questions get the safe answer ("Изход").
    PlatformScript::activate();
    if (!DatabaseOpen::openAliasFolder(nullptr)) {
        for (const PlatformScript::Event &e : PlatformScript::events())
            std::fprintf(stderr, "%s: %s\n", qPrintable(e.kind), qPrintable(e.text));
        std::fprintf(stderr, "the database did not open\n");
        return 2;
    }
    DeviceFileWriter::instance().recoverClaims(); // what a killed copy left
    DeviceFileWriter::instance().flush();
    if (mode == QLatin1String("start"))
        return 0;
    if (mode == QLatin1String("hold")) {
        std::printf("running\n");
        std::fflush(stdout);
        QThread::sleep(120);
        return 0;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    try {
        if (mode == QLatin1String("sell"))
            return sellLoop(args.value(2), args.value(3).toInt());
        if (mode == QLatin1String("deliver"))
            return deliverLoop(args.value(2).toInt());
        if (mode == QLatin1String("count"))
            return countLoop(args.value(2).toInt());
        if (mode == QLatin1String("import"))
            return importOnce(args.value(2));
        if (mode == QLatin1String("upgrade"))
            return upgradeOnce();
        if (mode == QLatin1String("mixed"))
            return mixedLoop(args.value(2), args.value(3).toInt());
        if (mode == QLatin1String("lock"))
            return lockLoop(args.value(2).toInt(), args.value(3).toInt());
        if (mode == QLatin1String("number"))
            return numberLoop(args.value(2).toInt());
        if (mode == QLatin1String("leave"))
            return leaveWork(args.value(2));
        if (mode == QLatin1String("own"))
            return ownWork(args.value(2));
        if (mode == QLatin1String("query"))
            return typedQuery(args.value(2).toInt(), args.value(3), args.value(4));
        if (mode == QLatin1String("new"))
            return newDatabase(args.value(2), args.value(3));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 3;
    }
    std::fprintf(stderr, "usage: %s start | hold | sell <op> [secs] | deliver [secs] | count [secs] | import <file> | "
                         "upgrade | mixed <op> <secs> | lock <ms> <times> | number <secs> | leave <op> | own <op> | "
                         "new <folder> <name>\n",
                 argv[0]);
    return 2;
}
