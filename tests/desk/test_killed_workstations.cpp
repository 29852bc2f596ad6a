// Workstations that die at any moment, and two that work on one database at
// once: the database and the receipt files never hold half of a sale.
#include "common/cp1251.h"
#include "common/ini_file.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "catalogue/deliveries.h"
#include "desk/desk_lines.h"
#include "desk/device_file_writer.h"
#include "desk/sale.h"
#include "documents/sales_report.h"
#include "platform/db/alias_file.h"
#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/work_tables.h"
#include "app/data_module.h"
#include "app/program_version.h"
#include "app/schema_version.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <limits>
#include <csignal>
#include <functional>

namespace {
constexpr int Articles = 20;
constexpr double StartStock = 1e9;

long long count(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

// Articles 1..20 at 2.50, each with StartStock in warehouse 1; a supplier and
// a document kind for deliveries.
void shop()
{
    Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
    Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('BGL', 1)"));
    Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (1, 'Доставчик ООД', 0)"));
    Db::execute(QStringLiteral("INSERT INTO Rab_Dokumenti (ID, Opisanie) VALUES (1, 'Фактура')"));
    for (int id = 1; id <= Articles; ++id) {
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P, Dan_Grup, Mqrka) "
                                   "VALUES (?, ?, 2.5, 'BGL', 2, 'бр.')"),
                    {id, QStringLiteral("Артикул %1").arg(id)});
        Db::execute(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (?, 1, ?)"), {id, StartStock});
    }
    Settings::writeInteger(Keys::Tuning_FB, 2);
}

QProcessEnvironment environment(const QString &home, const QString &workstation = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VENTAROS_HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!workstation.isEmpty())
        env.insert(QStringLiteral("VENTAROS_WORKSTATION"), workstation);
    return env;
}

// The quantities (each sale's line ordinal) of the fiscal records of a receipt.
QList<long long> receiptQuantities(const QByteArray &bytes)
{
    static const QRegularExpression record(QStringLiteral("^%(\\d+)\\^[^^\\r\\n]*\\^\\d+\\^(\\d+)\\^"),
                                           QRegularExpression::MultilineOption);
    QList<long long> out;
    auto it = record.globalMatch(Cp1251::decode(bytes));
    while (it.hasNext()) {
        const auto m = it.next();
        const long long code = m.captured(1).toLongLong();
        if (code >= 1 && code <= Articles)
            out << m.captured(2).toLongLong() / 1000;
    }
    return out;
}

// The quantities of every receipt of a workstation: its BON<n>.bon files in
// `folder` and its rows still to deliver (every workstation's when empty).
QList<long long> receiptsIn(const QString &folder, const QString &workstation = {})
{
    QList<long long> receipts;
    const QDir bon(folder);
    for (const QString &name : bon.entryList({QStringLiteral("BON*.bon")}, QDir::Files)) {
        QFile f(bon.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            receipts += receiptQuantities(f.readAll());
    }
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Bytes, Temp_Name, Workstation FROM Pending_Files "
                                                       "WHERE Dept = 0"))) {
        if (!workstation.isEmpty() && r.value(2).toString() != workstation)
            continue;
        // A row whose temporary file is gone was renamed into place: it is one of the files.
        const QString temp = r.value(1).toString();
        if (temp.isEmpty() || QFile::exists(bon.filePath(temp)))
            receipts += receiptQuantities(r.value(0).toByteArray());
    }
    std::sort(receipts.begin(), receipts.end());
    return receipts;
}

QString joined(const QList<long long> &values)
{
    QStringList out;
    for (long long v : values)
        out << QString::number(v);
    return out.join(QLatin1Char(' '));
}

// Checks everything a killed workstation may never leave behind once the
// program has started again: every receipt is a file.
void checkInvariants(const QString &folder, const QString &when)
{
    const QByteArray where = when.toUtf8();
    if (Db::engine() == Db::Engine::Sqlite)
        QCOMPARE(Db::scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    // No open line that was also sold or cancelled.
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni v WHERE v.N_Prodajba IN "
                                  "(SELECT ID_Prodajba FROM Prodajbi UNION ALL SELECT ID_Prodajba FROM Invalidate_Sales)"))
                 == 0,
             where.constData());
    // Every number once: the sales' numbers, and each line's ordinal over open, sold and cancelled lines.
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT n) FROM (SELECT ID_Prodajba AS n FROM Prodajbi "
                                  "UNION ALL SELECT ID_Prodajba FROM Invalidate_Sales) numbers"))
                 == 0,
             where.constData());
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT k) FROM (SELECT Kol AS k FROM Prodajbi UNION ALL "
                                  "SELECT Kol FROM Invalidate_Sales UNION ALL SELECT Kol FROM Prodajbi_Vremenni) ordinals"))
                 == 0,
             where.constData());
    // The day sums and the sales of no article kept beside the sales moved
    // with each sale and cancellation.
    QVERIFY2(SalesReport::keptSumsOutOfStep() == 0, where.constData());
    QVERIFY2(SalesReport::orphansOutOfStep() == 0, where.constData());
    // Stock = start - sold + cancelled + delivered, article by article.
    for (int a = 1; a <= Articles; ++a) {
        const double sold = Db::scalar(QStringLiteral("SELECT COALESCE(SUM(Kol), 0) FROM Prodajbi WHERE ID_Art = ?"), {a}).toDouble()
                            + Db::scalar(QStringLiteral("SELECT COALESCE(SUM(Kol), 0) FROM Invalidate_Sales WHERE ID_Art = ?"), {a})
                                  .toDouble();
        const double cancelled =
            Db::scalar(QStringLiteral("SELECT COALESCE(SUM(Kol), 0) FROM Invalidate_Sales WHERE ID_Art = ?"), {a}).toDouble();
        const double delivered =
            Db::scalar(QStringLiteral("SELECT COALESCE(SUM(Kolitchestvo), 0) FROM Dostavka_art WHERE Nomer_Produkt = ?"), {a})
                .toDouble();
        const double stock =
            Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = 1"), {a}).toDouble();
        QVERIFY2(stock == StartStock - sold + cancelled + delivered,
                 qPrintable(QStringLiteral("%1: article %2 stock %3, sold %4, cancelled %5, delivered %6")
                                .arg(when).arg(a).arg(stock, 0, 'f').arg(sold).arg(cancelled).arg(delivered)));
    }
    // Every cash sale has its receipt exactly once: a BON<n>.bon file or a row still to deliver.
    QList<long long> sales;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Kol FROM Prodajbi UNION ALL SELECT Kol FROM Invalidate_Sales")))
        sales << r.value(0).toLongLong();
    QList<long long> receipts = receiptsIn(folder);
    const QDir bon(folder);
    std::sort(sales.begin(), sales.end());
    QVERIFY2(sales == receipts,
             qPrintable(when + QStringLiteral(": sales ") + joined(sales) + QStringLiteral("; receipts ") + joined(receipts)));
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Pending_Files")) == 0, where.constData());
    // Nothing but receipts is left in the folder the device reads.
    static const QRegularExpression receiptName(QStringLiteral("^BON\\d+\\.bon$"));
    for (const QString &name : bon.entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(receiptName.match(name).hasMatch(), qPrintable(when + QStringLiteral(": left behind ") + name));
}

// The program's own start-up open in a fresh process (the test's connection
// reads nothing before it): it must open the database, rolling back whatever
// a kill cut off, and deliver the waiting receipts.
void startUp(const QString &home, const QString &when)
{
    QProcess p;
    p.setProcessEnvironment(environment(home));
    p.start(deskWorkerProgram(), {QStringLiteral("start")});
    const bool ended = p.waitForFinished(60000);
    QVERIFY2(ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
             qPrintable(when + QStringLiteral(": the start-up did not open the database\n")
                        + QString::fromUtf8(p.readAllStandardError())));
}

QString journalOf(const TestProgram &program)
{
    return Db::databaseFile(program.file(QStringLiteral("Data"))) + QStringLiteral("-journal");
}

// A journal that a kill left for rollback: its header was synced (a journal
// whose header is still zero was never followed by a write to the database).
bool hotJournal(const TestProgram &program)
{
    QFile f(journalOf(program));
    char first = 0;
    return f.open(QIODevice::ReadOnly) && f.getChar(&first) && first != 0;
}

quint32 faultSeed()
{
    const quint32 seed = qEnvironmentVariableIsSet("VENTAROS_FAULT_SEED")
                             ? quint32(qEnvironmentVariableIntValue("VENTAROS_FAULT_SEED"))
                             : QRandomGenerator::global()->generate();
    qInfo("seed %u (VENTAROS_FAULT_SEED repeats the run)", seed);
    return seed;
}

// The server sessions of a workstation process: its application name ends in its pid.
QString sessionsOf()
{
    return QStringLiteral("FROM pg_stat_activity WHERE datname = current_database() AND application_name LIKE '%/' || ?");
}

// Stops a process: it sends nothing more, and the server has done all it
// sent before by the time this returns: each of its sessions waits for the
// client (nothing more to read, or a reply it cannot hand over) or for a lock.
void stop(qint64 pid)
{
    ::kill(pid_t(pid), SIGSTOP);
    const QString busy = QStringLiteral("SELECT COUNT(*) ") + sessionsOf()
                         + QStringLiteral(" AND wait_event_type IS DISTINCT FROM 'Client' AND "
                                          "wait_event_type IS DISTINCT FROM 'Lock'");
    const QDeadlineTimer patience(std::chrono::minutes(1));
    while (count(busy, {QString::number(pid)}) > 0 && !patience.hasExpired())
        QThread::msleep(5);
}

// On the server, the stopped process `pid` holds a transaction that has
// written (in `table` when given) and is not committing: a kill now cuts
// that write off, and only the server can take it back.
bool serverWriteOpen(qint64 pid, const QString &table = {})
{
    QString sql = QStringLiteral("SELECT COUNT(*) ") + sessionsOf()
                  + QStringLiteral(" AND backend_xid IS NOT NULL AND NOT (state = 'active' AND query ILIKE 'COMMIT%')");
    QVariantList params{QString::number(pid)};
    if (!table.isEmpty()) {
        sql += QStringLiteral(" AND pid IN (SELECT pid FROM pg_locks WHERE relation = CAST(? AS regclass) "
                              "AND mode = 'RowExclusiveLock')");
        params << table.toLower();
    }
    return count(sql, params) > 0;
}

// The server has ended the killed process's session, rolling back its open
// transaction (a client that is gone never commits).
bool serverSessionGone(qint64 pid)
{
    for (const QDeadlineTimer patience(std::chrono::minutes(1)); !patience.hasExpired(); QThread::msleep(50))
        if (count(QStringLiteral("SELECT COUNT(*) ") + sessionsOf(), {QString::number(pid)}) == 0)
            return true;
    return false;
}

// Kills the process; true when the kill cut a write off: a hot journal for
// the start-up to roll back, or (the process stopped first, so that it
// writes nothing more) a transaction with writes open on the server, in
// `table` when given.
bool killInWrite(QProcess &worker, const TestProgram &program, const QString &table = {})
{
    const pid_t pid = pid_t(worker.processId());
    bool open = false;
    if (testOnServer()) {
        stop(pid);
        open = serverWriteOpen(pid, table);
    }
    ::kill(pid, SIGKILL);
    worker.waitForFinished(10000);
    return testOnServer() ? open : hotJournal(program);
}

// Starts a writer, lets it work from its "ready" for a random time up to
// `maxMs`, kills it, then starts the program as a shop would after a power
// cut and hands the moment to `check`. Some kill must have cut a write off
// (left a hot journal for the start-up to roll back, or a transaction open
// on the server), or nothing was proved: while none has, up to `atMost`
// kills are made in all (a short write on a busy machine is often missed).
void killWriters(const TestProgram &program, int kills, int maxMs, const std::function<QStringList(int)> &args,
                 const std::function<void(const QString &)> &check, int atMost = 0)
{
    const quint32 seed = faultSeed();
    QRandomGenerator rng(seed);
    int cutOff = 0;
    int kill = 1;
    for (; kill <= kills || (cutOff == 0 && kill <= atMost); ++kill) {
        const QString when = QStringLiteral("seed %1, kill %2").arg(seed).arg(kill);
        QProcess worker;
        worker.setProcessEnvironment(environment(program.folder()));
        worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker.start(deskWorkerProgram(), args(kill));
        while (!worker.canReadLine() && worker.state() != QProcess::NotRunning)
            worker.waitForReadyRead(100);
        const QByteArray ready = worker.readLine();
        if (!ready.startsWith("ready")) {
            worker.waitForFinished(10000);
            QFAIL(qPrintable(when + QStringLiteral(": the writer did not start: ") + QString::fromUtf8(ready)));
        }
        QThread::msleep(rng.bounded(maxMs + 1));
        const qint64 pid = worker.processId();
        cutOff += killInWrite(worker, program) ? 1 : 0;
        if (worker.state() != QProcess::NotRunning)
            QFAIL(qPrintable(when + QStringLiteral(": the writer did not end")));
        startUp(program.folder(), when);
        if (QTest::currentTestFailed())
            return;
        if (testOnServer())
            QVERIFY2(serverSessionGone(pid), qPrintable(when + QStringLiteral(": the killed session stays")));
        else
            QVERIFY2(!hotJournal(program), qPrintable(when));
        check(when);
        if (QTest::currentTestFailed())
            return;
    }
    qInfo("%d of %d kills cut a write off", cutOff, kill - 1);
    QVERIFY2(cutOff > 0, "no kill cut a write off: the test proved nothing");
}

// Deliveries are whole: one line each, its head, and the article's delivery
// price of the same save.
void checkDeliveries(const QString &when)
{
    const QByteArray where = when.toUtf8();
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Dostavki d WHERE "
                                  "(SELECT COUNT(*) FROM Dostavka_art a WHERE a.ID_Dostavka = d.ID) <> 1"))
                 == 0,
             where.constData());
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Dostavka_art WHERE ID_Dostavka NOT IN (SELECT ID FROM Dostavki)"))
                 == 0,
             where.constData());
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT ID) FROM Dostavki")) == 0, where.constData());
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Produkti p WHERE (p.Dostavna_Cena IS NULL) = "
                                  "EXISTS (SELECT 1 FROM Dostavka_art a WHERE a.Nomer_Produkt = p.ID)"))
                 == 0,
             where.constData());
}

constexpr int ImportLines = 20000;

// The article import file of kill `k`: its own numbers, groups shared by all.
QString importFile(const TestProgram &program, int k)
{
    const QString path = program.file(QStringLiteral("import-%1.txt").arg(k));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray text;
    for (int i = 1; i <= ImportLines; ++i)
        text += QStringLiteral("1:[%1]2:[N-%1]3:[Внос %1]4:[12.50]5:[BGL]6:[бр.]7:[Група на вноса %2]8:[1]9:[1]"
                               "10:[Доставчик ООД]11:[2]12:[False]13:[True]\r\n")
                    .arg(100000LL * k + i)
                    .arg(i % 10)
                    .toUtf8();
    f.write(text);
    return path;
}

// Each run imported whole chunks: the first lines of its file, each article
// whole and in a group that exists; no group twice.
void checkImports(int runs, const QString &when)
{
    const QByteArray where = when.toUtf8();
    for (int k = 1; k <= runs; ++k) {
        const auto r = Db::firstRow(QStringLiteral("SELECT COUNT(*), COALESCE(MAX(ID), ?) FROM Produkti "
                                                   "WHERE ID > ? AND ID <= ?"),
                                    {100000LL * k, 100000LL * k, 100000LL * k + ImportLines});
        QVERIFY2(r->value(0).toLongLong() == r->value(1).toLongLong() - 100000LL * k,
                 qPrintable(when + QStringLiteral(": run %1 imported %2 lines up to %3")
                                       .arg(k).arg(r->value(0).toLongLong()).arg(r->value(1).toLongLong())));
    }
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE ID > 100000 AND (Opisanie <> 'Внос ' || ID "
                                  "OR Nomer_Grupa NOT IN (SELECT ID FROM Grupi))"))
                 == 0,
             where.constData());
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT Opisanie) FROM Grupi")) == 0, where.constData());
}

constexpr int UpgradeRows = 100000;

// An upgrade to the program's version that takes a while: a new table of
// more than the page cache holds (so the database file is written before
// the commit) and every article renamed, in one run.
void writeSlowUpgrade(const TestProgram &program, int version)
{
    QFile f(program.file(testSqlFile(QStringLiteral("UpdateTables"))));
    QVERIFY(f.open(QIODevice::WriteOnly));
    const bool server = testOnServer();
    f.write(QStringLiteral("[COUNT]\nMAX=3\n[1]\nSQL=CREATE TABLE Upgrade_Probe (N INTEGER, Filler %3)\nVer=%1\n"
                           "[2]\nSQL=INSERT INTO Upgrade_Probe (N, Filler) WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                           "SELECT x + 1 FROM c WHERE x < %2) SELECT x, %4 FROM c\nVer=%1\n"
                           "[3]\nSQL=UPDATE Produkti SET Opisanie = Opisanie || ' *'\nVer=%1\n[DBVer-%1]\nVer=1\n")
                .arg(version)
                .arg(UpgradeRows)
                .arg(server ? QStringLiteral("BYTEA") : QStringLiteral("BLOB"),
                     server ? QStringLiteral("decode(repeat('00', 200), 'hex')") : QStringLiteral("zeroblob(200)"))
                .toUtf8());
}

// The database one version behind the program, as before the upgrade.
void undoUpgrade(int version)
{
    if (Db::tableExists(QStringLiteral("Upgrade_Probe")))
        Db::execute(QStringLiteral("DROP TABLE Upgrade_Probe"));
    Db::execute(QStringLiteral("UPDATE Produkti SET Opisanie = 'Артикул ' || ID"));
    SchemaVersion::record(Db::connection(), version - 1);
    Settings::writeInteger(Keys::DBVer_Ver, version - 1);
}

// Whole or absent: the old version with nothing of the upgrade, or the new
// one with all of it; the settings file names the version the database has.
void checkUpgrade(int version, const QString &when)
{
    const int found = SchemaVersion::read(Db::connection());
    const long long renamed = count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE Opisanie LIKE '% *'"));
    if (found == version - 1) {
        QVERIFY2(!Db::tableExists(QStringLiteral("Upgrade_Probe")) && renamed == 0, qPrintable(when));
    } else {
        QVERIFY2(found == version, qPrintable(when + QStringLiteral(": version %1").arg(found)));
        QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Upgrade_Probe")) == UpgradeRows && renamed == Articles,
                 qPrintable(when));
    }
    QVERIFY2(Settings::readInteger(Keys::DBVer_Ver) == found, qPrintable(when));
}
} // namespace

// Writers killed at random moments, then the program started as a shop does
// after a power cut: it opens the database by itself and finds every
// operation whole or absent.
class KilledSaleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedSalesLeaveNothingHalfWritten()
    {
        TestProgram program;
        shop();
        const QString folder = Settings::receiptFolder();
        killWriters(
            program, 40, 400, [](int) { return QStringList{QStringLiteral("sell"), QStringLiteral("Иван")}; },
            [&](const QString &when) { checkInvariants(folder, when); });
        if (QTest::currentTestFailed())
            return;
        const long long sold = count(QStringLiteral("SELECT (SELECT COUNT(*) FROM Prodajbi) + "
                                                    "(SELECT COUNT(*) FROM Invalidate_Sales)"));
        qInfo("%lld sales", sold);
        QVERIFY2(sold >= 40, "the workstation sold too little to prove anything");
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM Invalidate_Sales")) > 0);
    }
};

class KilledDeliveryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killAtTheCommitPointOfATransactionAcrossTheWorkDatabase()
    {
        if (testOnServer())
            QSKIP("SQLite's super-journal; on a server the work schema is in the same database and transaction");
        // Every journal written and the super-journal still there: the next
        // start rolls the save back, and what was typed stays. (A delivery
        // writes the shop database alone: it makes no super-journal.)
        const struct {
            const char *writer;
            const char *saved;     // rows of the save
            const char *typed;     // the lines it would have removed
            long long typedLines;
        } writers[] = {
            {"count", "SELECT COUNT(*) FROM Revision_Art", "SELECT COUNT(*) FROM work.Revision_TMP", Articles},
        };
        for (const auto &w : writers) {
            const QByteArray writer(w.writer);
            TestProgram program;
            shop();
            QProcess worker;
            QProcessEnvironment env = environment(program.folder());
            env.insert(QStringLiteral("VENTAROS_KILL_AT_SUPER_JOURNAL"), QStringLiteral("1"));
            worker.setProcessEnvironment(env);
            worker.start(deskWorkerProgram(), {QString::fromUtf8(writer)});
            QVERIFY(worker.waitForFinished(30000));
            QVERIFY2(worker.exitStatus() == QProcess::CrashExit, writer);
            const QDir data(program.file(QStringLiteral("Data")));
            QVERIFY2(hotJournal(program), writer);
            QCOMPARE(data.entryList({QStringLiteral("ventaros.sqlite-mj*")}, QDir::Files).size(), 1);
            startUp(program.folder(), QString::fromUtf8(writer));
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(count(QString::fromUtf8(w.saved)) == 0, writer);
            QVERIFY2(count(QString::fromUtf8(w.typed)) == w.typedLines, writer);
            QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Store_Kol WHERE Kol <> ?"), {StartStock}) == 0, writer);
            QVERIFY2(!QFile::exists(journalOf(program)), writer);
            QVERIFY2(data.entryList({QStringLiteral("ventaros.sqlite-mj*")}, QDir::Files).isEmpty(), writer);
        }
    }

    void aClientKilledInTheMiddleOfASaveIsRolledBackByTheServer()
    {
        // The server's side of the test above: the work tables are in the
        // same database and transaction, and a client that dies with its
        // save's rows written but not committed leaves none of them; what was
        // typed stays.
        if (!testOnServer())
            QSKIP("a server's rollback of a killed client; SQLite's is the super-journal above");
        const struct {
            const char *writer;
            const char *table;    // written by the save only
            const char *saved;    // rows of the saves
            const char *typed;    // the work table of the lines the save removes
            long long typedLines;
        } writers[] = {
            {"deliver", "Dostavka_art", "SELECT COUNT(*) FROM Dostavka_art", "DostavkiTMP", 1},
            {"count", "Revision_Art", "SELECT COUNT(*) FROM Revision_Art", "Revision_TMP", Articles},
        };
        QRandomGenerator rng(faultSeed());
        for (const auto &w : writers) {
            const QByteArray writer(w.writer);
            TestProgram program;
            shop();
            QProcess worker;
            worker.setProcessEnvironment(environment(program.folder()));
            worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            worker.start(deskWorkerProgram(), {QString::fromUtf8(writer)});
            QVERIFY(worker.waitForReadyRead(30000) && worker.readLine().startsWith("ready"));
            const pid_t pid = pid_t(worker.processId());
            // Stopped at random moments until it is caught inside a save.
            bool caught = false;
            long long saved = 0;
            for (int attempt = 0; attempt < 500 && !caught; ++attempt) {
                QThread::msleep(rng.bounded(30));
                stop(pid);
                caught = serverWriteOpen(pid, QString::fromUtf8(w.table));
                saved = count(QString::fromUtf8(w.saved));
                if (!caught)
                    ::kill(pid, SIGCONT);
            }
            ::kill(pid, SIGKILL);
            QVERIFY(worker.waitForFinished(10000));
            QVERIFY2(caught, writer);
            startUp(program.folder(), QString::fromUtf8(writer));
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(serverSessionGone(pid), writer);
            QCOMPARE(count(QString::fromUtf8(w.saved)), saved);
            const QString typed = QString::fromUtf8(w.typed) == QLatin1String("Revision_TMP")
                                      ? WorkTables::qualified(QString::fromUtf8(w.typed))
                                      : QString::fromUtf8(w.typed);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM ") + typed), w.typedLines);
            checkDeliveries(QString::fromUtf8(writer));
            QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Revision r WHERE (SELECT COUNT(*) FROM Revision_Art a "
                                          "WHERE a.ID_Rev = r.ID) <> ?"),
                           {QVariant(Articles)})
                         == 0,
                     writer);
        }
    }

    void killedDeliveriesLeaveNothingHalfWritten()
    {
        TestProgram program;
        shop();
        const QString folder = Settings::receiptFolder();
        killWriters(
            program, 20, 300, [](int) { return QStringList{QStringLiteral("deliver")}; },
            [&](const QString &when) {
                checkDeliveries(when);
                checkInvariants(folder, when);
            });
        if (QTest::currentTestFailed())
            return;
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM Dostavki")) >= 20);
    }
};

class KilledImportTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedImportsKeepWholeChunksAndRunAgain()
    {
        TestProgram program;
        shop();
        constexpr int kills = 15;
        for (int k = 1; k <= kills; ++k)
            importFile(program, k);
        // While no kill has cut a write off, the files are imported again
        // (a run adds what the killed one did not): a few of 15 random
        // moments hit a chunk's write on two busy cores, sometimes none.
        killWriters(
            program, kills, 400,
            [&](int k) {
                return QStringList{QStringLiteral("import"),
                                   program.file(QStringLiteral("import-%1.txt").arg((k - 1) % kills + 1))};
            },
            [&](const QString &when) { checkImports(kills, when); }, 60);
        if (QTest::currentTestFailed())
            return;
        // The same file once more adds what the killed run did not.
        QProcess again;
        again.setProcessEnvironment(environment(program.folder()));
        again.start(deskWorkerProgram(),
                    {QStringLiteral("import"), program.file(QStringLiteral("import-%1.txt").arg(kills))});
        QVERIFY(again.waitForFinished(120000));
        QCOMPARE(again.exitCode(), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE ID > ?"), {100000LL * kills}),
                 qint64(ImportLines));
        checkImports(kills, QStringLiteral("after the last run"));
    }
};

class KilledUpgradeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedUpgradeLeavesTheOldVersionAndRunsAgain()
    {
        TestProgram program;
        shop();
        const int version = ProgramVersion::databaseVersion();
        writeSlowUpgrade(program, version);
        undoUpgrade(version);
        killWriters(
            program, 15, 300,
            [&](int) {
                if (SchemaVersion::read(Db::connection()) == version)
                    undoUpgrade(version);
                return QStringList{QStringLiteral("upgrade")};
            },
            [&](const QString &when) { checkUpgrade(version, when); }, 60);
        if (QTest::currentTestFailed())
            return;
        // Not killed: the upgrade runs again to its end.
        if (SchemaVersion::read(Db::connection()) == version)
            undoUpgrade(version);
        QProcess again;
        again.setProcessEnvironment(environment(program.folder()));
        again.start(deskWorkerProgram(), {QStringLiteral("upgrade")});
        QVERIFY(again.waitForFinished(120000));
        QCOMPARE(again.exitCode(), 0);
        QCOMPARE(SchemaVersion::read(Db::connection()), version);
        checkUpgrade(version, QStringLiteral("after the last run"));
    }
};

namespace {
// A worker that kills itself at operation `at` on the database files of
// `folder` (its file, journal and the file under a temporary name); the
// number of operations it made when it was not killed, else -1.
long long cutAt(const QString &home, const QStringList &args, const QString &folder, long long at, const QString &when)
{
    QProcess p;
    QProcessEnvironment env = environment(home);
    env.insert(QStringLiteral("VENTAROS_KILL_AT_OPERATION"), QString::number(at));
    env.insert(QStringLiteral("VENTAROS_KILL_IN"), QDir::cleanPath(folder) + QLatin1Char('/'));
    p.setProcessEnvironment(env);
    p.start(deskWorkerProgram(), args);
    if (!p.waitForFinished(60000))
        QTest::qFail(qPrintable(when + QStringLiteral(": the worker did not end")), __FILE__, __LINE__);
    if (p.exitStatus() == QProcess::CrashExit)
        return -1;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression operations(QStringLiteral("operations (\\d+)"));
    if (p.exitCode() != 0 || !operations.match(out).hasMatch())
        QTest::qFail(qPrintable(when + QStringLiteral(": ") + out + QString::fromUtf8(p.readAllStandardError())),
                     __FILE__, __LINE__);
    return operations.match(out).captured(1).toLongLong();
}

// Moments of a run of `total` operations: its first ones, its last ones
// (the commit, the file closed before it takes its name) and between.
QList<long long> moments(long long total)
{
    QList<long long> out;
    for (long long at : {1LL, 2LL, 3LL, total / 8, total / 4, total / 2, total * 3 / 4, total - 3, total - 2,
                         total - 1, total})
        if (at >= 1 && at <= total && !out.contains(at))
            out << at;
    return out;
}

// Every file of a folder but the workstations' running locks.
QStringList filesIn(const QString &folder)
{
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    files.removeIf([](const QString &f) {
        return f.startsWith(QLatin1String(".workstation-")) && f.endsWith(QLatin1String(".lock"));
    });
    return files;
}
} // namespace

// A database is made under a temporary name and named only when whole: a
// creation killed at any moment leaves nothing that a start takes for a
// database, and the next start makes it (or offers to).
class KilledCreationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aFirstStartCutOffIsMadeAgainByTheNextStart()
    {
        if (testOnServer()) {
            cutOnTheServer();
            return;
        }
        long long total = 0;
        {
            TestProgram program(false);
            const QString data = ProgramFolder::defaultDatabaseFolder();
            QVERIFY(QDir().mkpath(data));
            total = cutAt(program.folder(), {QStringLiteral("start")}, data, std::numeric_limits<long long>::max(),
                          QStringLiteral("uncut"));
            QVERIFY2(total > 10, "the creation made too few operations to cut");
        }
        int cutOff = 0;
        for (long long at : moments(total)) {
            const QString when = QStringLiteral("cut at operation %1 of %2").arg(at).arg(total);
            TestProgram program(false);
            const QString data = ProgramFolder::defaultDatabaseFolder();
            QVERIFY(QDir().mkpath(data));
            QVERIFY2(cutAt(program.folder(), {QStringLiteral("start")}, data, at, when) < 0, qPrintable(when));
            cutOff += QFile::exists(Db::databaseFile(data)) ? 0 : 1;
            // The start-up's own open in a fresh process: it makes the
            // database again (or opens the one made whole before the cut).
            startUp(program.folder(), when);
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(Db::folderHoldsDatabase(data), qPrintable(when));
            QCOMPARE(AliasFile::path(), data);
            QCOMPARE(filesIn(data), (QStringList{QStringLiteral("Opis.pdt"), QString::fromLatin1(Db::DatabaseFileName)}));
        }
        qInfo("%d of %d kills cut the creation off", cutOff, int(moments(total).size()));
        QVERIFY2(cutOff >= 5, "too few kills cut the creation off");
    }

    void aNewDatabaseCutOffLeavesNoDatabaseInItsFolder()
    {
        if (testOnServer())
            QSKIP("a server's creation is one transaction: the first start's cut above proves it");
        const QString name = QStringLiteral("Втора база");
        long long total = 0;
        {
            TestProgram program;
            const QString parent = program.file(QStringLiteral("new"));
            QVERIFY(QDir().mkpath(parent));
            total = cutAt(program.folder(), {QStringLiteral("new"), parent, name}, QDir(parent).filePath(name),
                          std::numeric_limits<long long>::max(), QStringLiteral("uncut"));
            QVERIFY2(total > 10, "the creation made too few operations to cut");
            QVERIFY(Db::folderHoldsDatabase(QDir(parent).filePath(name)));
        }
        int cutOff = 0;
        for (long long at : moments(total)) {
            const QString when = QStringLiteral("cut at operation %1 of %2").arg(at).arg(total);
            TestProgram program;
            const QString parent = program.file(QStringLiteral("new"));
            QVERIFY(QDir().mkpath(parent));
            const QString folder = QDir(parent).filePath(name);
            QVERIFY2(cutAt(program.folder(), {QStringLiteral("new"), parent, name}, folder, at, when) < 0,
                     qPrintable(when));
            startUp(program.folder(), when);
            if (QTest::currentTestFailed())
                return;
            if (QFile::exists(Db::databaseFile(folder))) { // made whole before the cut
                QVERIFY2(Db::folderHoldsDatabase(folder), qPrintable(when));
                continue;
            }
            // Nothing there is taken for a database: the start works on the
            // one it had, and a creation in the folder finds nothing in its way.
            ++cutOff;
            QCOMPARE(AliasFile::path(), ProgramFolder::defaultDatabaseFolder());
            QVERIFY2(Db::canCreateIn(folder), qPrintable(when));
            QString error;
            QVERIFY2(program.dataModule()->createInFolder(folder, &error), qPrintable(when + error));
            QVERIFY2(Db::folderHoldsDatabase(folder), qPrintable(when));
        }
        qInfo("%d of %d kills cut the creation off", cutOff, int(moments(total).size()));
        QVERIFY2(cutOff >= 5, "too few kills cut the creation off");
    }

private:
    // On a server the creation runs in one transaction: a client killed in
    // it leaves the server database empty, and the next start makes it.
    void cutOnTheServer()
    {
        QRandomGenerator rng(faultSeed());
        int caught = 0;
        for (int attempt = 0; attempt < 20 && caught < 3; ++attempt) {
            TestProgram program(false);
            const QString data = ProgramFolder::defaultDatabaseFolder();
            // The test's own session on the empty server database, to watch the worker's.
            const QString watcher = QStringLiteral("watcher");
            QString error;
            QVERIFY2(Db::openForCreation(watcher, data, &error), qPrintable(error));
            Db::setCurrentConnection(watcher);
            const auto closeWatcher = qScopeGuard([&] {
                Db::setCurrentConnection(QString());
                Db::discardCreation(watcher);
            });
            QProcess worker;
            worker.setProcessEnvironment(environment(program.folder()));
            worker.start(deskWorkerProgram(), {QStringLiteral("hold")});
            QVERIFY(worker.waitForStarted(10000));
            const pid_t pid = pid_t(worker.processId());
            bool open = false;
            for (int tries = 0; tries < 400 && !open && worker.state() == QProcess::Running
                                && !worker.canReadLine();
                 ++tries) {
                QThread::msleep(rng.bounded(15));
                stop(pid);
                open = serverWriteOpen(pid);
                if (!open)
                    ::kill(pid, SIGCONT);
                worker.waitForReadyRead(0);
            }
            ::kill(pid, SIGKILL);
            QVERIFY(worker.waitForFinished(10000));
            if (!open)
                continue;
            ++caught;
            QVERIFY(serverSessionGone(pid));
            QVERIFY2(Db::canCreateIn(data), "the cut creation left tables on the server");
            startUp(program.folder(), QStringLiteral("after the cut"));
            if (QTest::currentTestFailed())
                return;
            QVERIFY(Db::folderHoldsDatabase(data));
        }
        qInfo("%d creations killed inside their transaction", caught);
        QVERIFY2(caught > 0, "no kill caught the creation: the test proved nothing");
    }
};

namespace {
// Another workstation's program folder in `dir` on the database of
// `program`, printing fiscal receipts into `receipts` (its own folder when
// empty); the receipt folder it prints into.
QString otherProgramFolder(const QTemporaryDir &dir, const TestProgram &program, const QString &receipts = {})
{
    QDir().mkpath(dir.filePath(QStringLiteral("SQLs")));
    for (const QString &name : QDir(sourceSqlFolder()).entryList(QDir::Files))
        QFile::copy(QDir(sourceSqlFolder()).filePath(name), dir.filePath(QStringLiteral("SQLs/") + name));
    ProgramFolder::setPath(dir.path());
    AliasFile::setPath(program.file(QStringLiteral("Data")));
    Settings::writeInteger(Keys::Tuning_FB, 2);
    if (!receipts.isEmpty())
        Settings::writeString(Keys::Tuning_19, receipts);
    const QString folder = Settings::receiptFolder();
    ProgramFolder::setPath(program.folder());
    return folder;
}

// A worker run to its end in `home` as `workstation`: its output, or a failure.
QStringList runWorker(const QString &home, const QString &workstation, const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(environment(home, workstation));
    p.start(deskWorkerProgram(), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QTest::qFail(qPrintable(workstation + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(": ")
                                + QString::fromUtf8(p.readAllStandardError())),
                     __FILE__, __LINE__);
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// An open line of 2 of article 1 by Иван; its sale; a typed delivery of 3 of article 2.
long long openLine()
{
    DeskLines::NewLine line;
    line.article = 1;
    line.quantityText = QStringLiteral("2");
    line.priceText = QStringLiteral("2.5");
    line.op = QStringLiteral("Иван");
    return DeskLines::insertLine(line).outcome == DeskLines::InsertResult::Written
               ? Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong()
               : 0;
}
Sale::Request sale(long long line)
{
    Sale::Request r;
    r.lines = {line};
    r.op = QStringLiteral("Иван");
    r.warehouse = 1;
    return r;
}
Deliveries::Head delivery()
{
    Deliveries::LineInput line;
    line.article = 2;
    line.deliveryCurrency = line.saleCurrency = QStringLiteral("BGL");
    line.quantity = 3;
    Deliveries::addLine(line, 0);
    Deliveries::Head head;
    head.deliveryDate = head.documentDate = QDate::currentDate();
    head.supplier = 1;
    head.documentKind = 1;
    head.warehouse = 1;
    return head;
}
} // namespace

// Another workstation holds the write lock: a write waits for it as long as
// the busy timeout allows and goes through, or says in Bulgarian that
// nothing was saved.
class BusyDatabaseTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writesWaitForAnotherWorkstation()
    {
        TestProgram program;
        shop();
        const long long line = openLine();
        const Deliveries::Head head = delivery();
        {
            WriteLockHolder holder(300); // lets go by itself
            QVERIFY(Sale::sell(sale(line)).ok);
        }
        {
            WriteLockHolder holder(300);
            QCOMPARE(Deliveries::save(head, nullptr), 1LL);
        }
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavka_art")), 1LL);
    }

    void aDatabaseBusyPastTheWaitSavesNothingAndSaysSo()
    {
        TestProgram program;
        shop();
        const long long line = openLine();
        const Deliveries::Head head = delivery();
        shortenBusyWait(200); // the wait, shortened
        // The engine's own words follow in brackets, for the log.
        const QString busy = QString::fromUtf8(Db::BusyText) + QStringLiteral("\n(");
        {
            WriteLockHolder holder;
            const Sale::Result sold = Sale::sell(sale(line));
            QVERIFY(!sold.ok);
            QVERIFY2(sold.message.startsWith(QStringLiteral("Продажбата не беше извършена:\n") + busy),
                     qPrintable(sold.message));
            try {
                Deliveries::save(head, nullptr);
                QFAIL("saved while another workstation held the database");
            } catch (const DbError &e) {
                QVERIFY2(e.busy() && e.message().startsWith(busy), qPrintable(e.message()));
            }
        }
        // Nothing saved; what the user entered stays.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavki")), 0LL);
        QCOMPARE(Deliveries::lineCount(), 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Store_Kol WHERE Kol <> ?"), {StartStock}), 0LL);
    }
};

// The connection to the server lost in the middle of an operation (the
// server stopped or the session ended from another connection): the
// operation is rolled back whole and says so in Bulgarian, and the next one
// connects again by itself.
class LostConnectionTest : public QObject
{
    Q_OBJECT
    static void nothingHalfWritten(const QString &receipts)
    {
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Pending_Files")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavki")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavka_art")), 0LL);
        QCOMPARE(Deliveries::lineCount(), 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Store_Kol WHERE Kol <> ?"), {StartStock}), 0LL);
        QCOMPARE(QDir(receipts).entryList(QDir::Files).size(), 0);
    }

private Q_SLOTS:
    void anOperationCutOffSavesNothingAndSaysSo()
    {
        if (!testOnServer())
            QSKIP("a connection to a server: a SQLite file has none to lose");
        TestProgram program;
        shop();
        const QString receipts = Settings::receiptFolder();
        const long long line = openLine();
        const Deliveries::Head head = delivery();
        const QString lost = QString::fromUtf8(PostgresEngine::LostText);
        {
            // Cut at the stock, after the sale's own rows were written.
            ConnectionCutter cutter(QStringLiteral("Store_Kol"));
            const Sale::Result sold = Sale::sell(sale(line));
            QVERIFY2(cutter.cut(), qPrintable(sold.message));
            QVERIFY(!sold.ok);
            QVERIFY2(sold.message.startsWith(QStringLiteral("Продажбата не беше извършена:\n") + lost),
                     qPrintable(sold.message));
        }
        nothingHalfWritten(receipts);
        {
            ConnectionCutter cutter(QStringLiteral("Store_Kol"));
            try {
                Deliveries::save(head, nullptr);
                QFAIL("saved on a connection that was cut");
            } catch (const DbError &e) {
                QVERIFY2(cutter.cut(), qPrintable(e.message()));
                QVERIFY2(e.lost() && e.message().startsWith(lost), qPrintable(e.message()));
            }
        }
        nothingHalfWritten(receipts);
        // The next operations connect again by themselves and go through.
        const Sale::Result sold = Sale::sell(sale(line));
        QVERIFY2(sold.ok, qPrintable(sold.message));
        QCOMPARE(Deliveries::save(head, nullptr), 1LL);
        DeviceFileWriter::instance().flush();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavka_art")), 1LL);
        QCOMPARE(QDir(receipts).entryList(QDir::Files).size(), 1);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 1")).toDouble(), StartStock - 2);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 2")).toDouble(), StartStock + 3);
    }

    void aSaleTheServerCommittedAsTheConnectionBrokeIsNotRepeated()
    {
        if (!testOnServer())
            QSKIP("a connection to a server: a SQLite file has none to lose");
        TestProgram program;
        shop();
        const QString receipts = Settings::receiptFolder();
        const auto saved = [&](long long sales, long long open) {
            DeviceFileWriter::instance().flush();
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi")), sales);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni")), open);
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 1")).toDouble(),
                     StartStock - 2 * sales);
        };
        {
            // Committed, the reply lost: the server, asked again, says saved.
            const long long line = openLine();
            CommitCut cut;
            const Sale::Result sold = Sale::sell(sale(line));
            QVERIFY(cut.cut());
            QVERIFY2(sold.ok, qPrintable(sold.message));
        }
        saved(1, 0);
        QCOMPARE(QDir(receipts).entryList(QDir::Files).size(), 1);
        {
            // Committed, and the server cannot be asked: never "not sold".
            const long long line = openLine();
            CommitCut cut(true);
            const Sale::Result sold = Sale::sell(sale(line));
            QVERIFY(cut.cut());
            QVERIFY(!sold.ok);
            QCOMPARE(sold.message, QString::fromUtf8(PostgresEngine::UnknownOutcomeText));
            QCoreApplication::processEvents(); // the receipt's first try: no server
        }
        // Its receipt comes as soon as the server answers again, with no other sale.
        QTRY_COMPARE_WITH_TIMEOUT(QDir(receipts).entryList(QDir::Files).size(), 2, 30000 * slowdown());
        saved(2, 0);
        {
            // Cut while the server commits, before it has: rolled back, and said so.
            const long long line = openLine();
            ConnectionCutter cutter(QStringLiteral("Store_Kol"), true);
            const Sale::Result sold = Sale::sell(sale(line));
            QVERIFY2(cutter.cut(), qPrintable(sold.message));
            QVERIFY(!sold.ok);
            QVERIFY2(sold.message.startsWith(QStringLiteral("Продажбата не беше извършена:\n")
                                             + QString::fromUtf8(PostgresEngine::LostText)),
                     qPrintable(sold.message));
        }
        saved(2, 1);
    }
};

class TwoWorkstationsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sellAndDeliverOnOneDatabase()
    {
        TestProgram program;
        shop();
        // The second workstation: its own program folder on the first one's database.
        QTemporaryDir second;
        const QString secondBon = otherProgramFolder(second, program);
        const QString firstBon = Settings::receiptFolder();
        QVERIFY(firstBon != secondBon);

        const QStringList folders{program.folder(), second.path()};
        const QStringList stations{QStringLiteral("kasa1"), QStringLiteral("kasa2")};
        const QStringList ops{QStringLiteral("Иван"), QStringLiteral("Мария")};
        QList<QProcess *> workers;
        for (int w = 0; w < 2; ++w) {
            auto *p = new QProcess(this);
            p->setProcessEnvironment(environment(folders.at(w), stations.at(w)));
            p->start(deskWorkerProgram(), {QStringLiteral("mixed"), ops.at(w), QStringLiteral("10")});
            workers << p;
        }
        // A third workstation keeps the write lock 1.5 s at a time: the two
        // wait for it by themselves (nobody tries again for them).
        QProcess holder;
        holder.setProcessEnvironment(environment(program.folder(), QStringLiteral("kasa3")));
        holder.start(deskWorkerProgram(), {QStringLiteral("lock"), QStringLiteral("1500"), QStringLiteral("3")});
        double delivered = 0;
        QStringList numbers;
        int refused = 0;
        for (int w = 0; w < 2; ++w) {
            QProcess *p = workers.at(w);
            QVERIFY(p->waitForFinished(60000));
            const QString err = QString::fromUtf8(p->readAllStandardError());
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, qPrintable(err));
            const QStringList out = QString::fromUtf8(p->readAllStandardOutput()).split(QLatin1Char('\n'));
            qInfo("%s: %s", qPrintable(stations.at(w)), qPrintable(out.mid(0, 3).join(QStringLiteral(", "))));
            for (const QString &line : out) {
                if (line.startsWith(QLatin1String("delivered ")))
                    delivered += line.mid(10).toDouble();
                if (line.startsWith(QLatin1String("numbers ")))
                    numbers += line.mid(8).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            }
            // A database still busy after the wait is refused in Bulgarian, by the program itself.
            for (const QString &line : err.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                if (line.startsWith(QLatin1String("QStandardPaths")))
                    continue;
                QVERIFY2((line.startsWith(QLatin1String("sale refused: Продажбата не беше извършена"))
                          || line.startsWith(QStringLiteral("delivery refused: ") + QString::fromUtf8(Deliveries::NotSaved).trimmed()))
                             && line.contains(QString::fromUtf8(Db::BusyText)),
                         qPrintable(line));
                ++refused;
            }
        }
        qDeleteAll(workers);
        QVERIFY(holder.waitForFinished(60000));
        QCOMPARE(holder.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(holder.readAllStandardOutput()).count(QStringLiteral("held")), 3);
        qInfo("%d writes refused as busy", refused);

        if (!testOnServer())
            QCOMPARE(Db::scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        // Sale numbers: each taken once.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT n) FROM (SELECT ID_Prodajba AS n, Operator "
                                      "FROM Prodajbi UNION SELECT ID_Prodajba, Operator FROM Invalidate_Sales) numbers")),
                 0LL);
        // Delivery numbers: each taken once, and every delivery reported is there.
        QCOMPARE(qsizetype(QSet<QString>(numbers.cbegin(), numbers.cend()).size()), numbers.size());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavki")), qint64(numbers.size()));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COALESCE(SUM(Kolitchestvo), 0) FROM Dostavka_art")).toDouble(), delivered);
        QVERIFY(delivered > 0);
        // A refused delivery keeps its typed line.
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM DostavkiTMP")) <= (refused > 0 ? 2 : 0));
        // Stock = start - sold + cancelled + delivered.
        for (int a = 1; a <= Articles; ++a) {
            const double sold = Db::scalar(QStringLiteral("SELECT COALESCE(SUM(Kol), 0) FROM Prodajbi WHERE ID_Art = ?"), {a}).toDouble();
            const double in = Db::scalar(QStringLiteral("SELECT COALESCE(SUM(Kolitchestvo), 0) FROM Dostavka_art WHERE Nomer_Produkt = ?"),
                                         {a}).toDouble();
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = 1"), {a}).toDouble(),
                     StartStock - sold + in);
        }
        // Each workstation's receipts in its own folder, its own work database.
        for (int w = 0; w < 2; ++w) {
            QList<long long> sales;
            for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Kol FROM Prodajbi WHERE Operator = ? UNION ALL "
                                                               "SELECT Kol FROM Invalidate_Sales WHERE Operator = ?"),
                                                {ops.at(w), ops.at(w)}))
                sales << r.value(0).toLongLong();
            std::sort(sales.begin(), sales.end());
            QVERIFY(!sales.isEmpty());
            const QList<long long> receipts = receiptsIn(w == 0 ? firstBon : secondBon, stations.at(w));
            QVERIFY2(sales == receipts, qPrintable(stations.at(w) + QStringLiteral(": sales ") + joined(sales)
                                                   + QStringLiteral("; receipts ") + joined(receipts)));
            if (testOnServer())
                QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM information_schema.schemata WHERE schema_name = ?"),
                              {QString(QStringLiteral("work_") + stations.at(w))})
                        == 1);
            else
                QVERIFY(QFile::exists(QDir(folders.at(w)).filePath(QStringLiteral("TEMP/work-") + stations.at(w)
                                                                     + QStringLiteral(".sqlite"))));
        }
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Pending_Files WHERE Workstation NOT IN ('kasa1', 'kasa2')")),
                 0LL);
    }

    void numbersTakenAtTheSameMomentAreNeverTheSame()
    {
        // Four workstations number new records at once, each by the
        // maximum plus one: no number twice, none skipped.
        TestProgram program;
        shop();
        QList<QProcess *> workers;
        for (int w = 1; w <= 4; ++w) {
            auto *p = new QProcess(this);
            p->setProcessEnvironment(environment(program.folder(), QStringLiteral("kasa%1").arg(w)));
            p->start(deskWorkerProgram(), {QStringLiteral("number"), QStringLiteral("2")});
            workers << p;
        }
        QStringList numbers;
        for (QProcess *p : workers) {
            QVERIFY(p->waitForFinished(60000));
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0,
                     qPrintable(QString::fromUtf8(p->readAllStandardError())));
            for (const QString &line : QString::fromUtf8(p->readAllStandardOutput()).split(QLatin1Char('\n')))
                if (line.startsWith(QLatin1String("numbers ")))
                    numbers += line.mid(8).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        }
        qDeleteAll(workers);
        qInfo("%lld numbers taken", qint64(numbers.size()));
        QVERIFY(numbers.size() > 8);
        QCOMPARE(qsizetype(QSet<QString>(numbers.cbegin(), numbers.cend()).size()), numbers.size());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), qint64(numbers.size()));
        QCOMPARE(count(QStringLiteral("SELECT MAX(ID) FROM Grupi")), qint64(numbers.size()));
    }

    // Names that differ only where the old derivation put "_" (every
    // Cyrillic letter) are two workstations, too; each is shown as typed.
    void eachWorkstationKeepsItsOwnWorkAndReceipts_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("latin") << QStringLiteral("kasa1") << QStringLiteral("kasa2");
        QTest::newRow("cyrillic") << QStringLiteral("Каса1") << QStringLiteral("Бара1");
    }

    void eachWorkstationKeepsItsOwnWorkAndReceipts()
    {
        // Two workstations on one database: the work tables and the receipts
        // still to deliver of one are never seen or taken by the other; open
        // lines are the operator's, wherever they were typed.
        QFETCH(QString, first);
        QFETCH(QString, second);
        TestProgram program;
        shop();
        const QString blocked = program.file(QStringLiteral("not-a-folder"));
        QVERIFY(putFile(blocked, "x"));
        QTemporaryDir firstFolder, secondFolder;
        otherProgramFolder(firstFolder, program, blocked + QStringLiteral("/bon")); // its receipts wait
        const QString secondBon = otherProgramFolder(secondFolder, program);
        const QString op = QStringLiteral("Иван");
        QCOMPARE(runWorker(firstFolder.path(), first, {QStringLiteral("leave"), op}).value(1), QStringLiteral("left"));
        const QStringList nothing{QStringLiteral("ready"), QStringLiteral("stock-taking 0"), QStringLiteral("delivery 0"),
                                  QStringLiteral("pending 0"), QStringLiteral("open 1")};
        QCOMPARE(runWorker(secondFolder.path(), second, {QStringLiteral("own"), op}), nothing);
        // In the first one's program folder, too: its work file is not the other's.
        QCOMPARE(runWorker(firstFolder.path(), second, {QStringLiteral("own"), op}), nothing);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Pending_Files WHERE Workstation = ? AND "
                                      "COALESCE(Temp_Name, '') = ''"),
                       {WorkTables::derivedName(first)}),
                 1LL);
        QCOMPARE(QDir(secondBon).entryList(QDir::Files).size(), 0);
        const QStringList kept{QStringLiteral("ready"), QStringLiteral("stock-taking %1").arg(Articles),
                               QStringLiteral("delivery 1"), QStringLiteral("pending 1"), QStringLiteral("open 1")};
        QCOMPARE(runWorker(firstFolder.path(), first, {QStringLiteral("own"), op}), kept);
        if (!testOnServer())
            return;
        // A second machine under a working station's name would share them: refused.
        QProcess working;
        working.setProcessEnvironment(environment(firstFolder.path(), first));
        working.start(deskWorkerProgram(), {QStringLiteral("hold")});
        QVERIFY(working.waitForReadyRead(30000) && working.readLine().startsWith("running"));
        QProcess twin;
        twin.setProcessEnvironment(environment(secondFolder.path(), first));
        twin.start(deskWorkerProgram(), {QStringLiteral("own"), op});
        QVERIFY(twin.waitForFinished(60000));
        // ... and the other name works beside it.
        const QStringList beside = runWorker(secondFolder.path(), second, {QStringLiteral("own"), op});
        working.kill();
        working.waitForFinished(10000);
        QCOMPARE(twin.exitCode(), 2);
        const QString refusal = QString::fromUtf8(twin.readAllStandardError());
        QVERIFY2(refusal.contains(QStringLiteral("Работно място с името \"%1\" вече работи с тази база данни").arg(first)),
                 qPrintable(refusal));
        QCOMPARE(beside, nothing);
    }
};

VTEST(KilledSaleTest)
VTEST(KilledDeliveryTest)
VTEST(KilledImportTest)
VTEST(KilledUpgradeTest)
VTEST(KilledCreationTest)
VTEST(BusyDatabaseTest)
VTEST(LostConnectionTest)
VTEST(TwoWorkstationsTest)
#include "test_killed_workstations.moc"
