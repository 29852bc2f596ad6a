// Workstations that die at any moment, and two that work on one database at
// once: the database and the receipt files never hold half of a sale.
#include "common/cp1251.h"
#include "common/ini_file.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "platform/db/alias_file.h"
#include "platform/db/database.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <csignal>

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

// Checks everything a killed workstation may never leave behind. After a
// start-up every receipt is a file.
void checkInvariants(const QString &folder, bool afterStart, const QString &when)
{
    const QByteArray where = when.toUtf8();
    QCOMPARE(Db::scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    // No open line that was also sold or cancelled.
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni v WHERE v.N_Prodajba IN "
                                  "(SELECT ID_Prodajba FROM Prodajbi UNION ALL SELECT ID_Prodajba FROM Invalidate_Sales)"))
                 == 0,
             where.constData());
    // Every number once: the sales' numbers, and each line's ordinal over open, sold and cancelled lines.
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT n) FROM (SELECT ID_Prodajba AS n FROM Prodajbi "
                                  "UNION ALL SELECT ID_Prodajba FROM Invalidate_Sales)"))
                 == 0,
             where.constData());
    QVERIFY2(count(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT k) FROM (SELECT Kol AS k FROM Prodajbi UNION ALL "
                                  "SELECT Kol FROM Invalidate_Sales UNION ALL SELECT Kol FROM Prodajbi_Vremenni)"))
                 == 0,
             where.constData());
    // Stock = start - sold + cancelled, article by article.
    for (int a = 1; a <= Articles; ++a) {
        const double sold = Db::scalar(QStringLiteral("SELECT TOTAL(Kol) FROM Prodajbi WHERE ID_Art = ?"), {a}).toDouble()
                            + Db::scalar(QStringLiteral("SELECT TOTAL(Kol) FROM Invalidate_Sales WHERE ID_Art = ?"), {a})
                                  .toDouble();
        const double cancelled =
            Db::scalar(QStringLiteral("SELECT TOTAL(Kol) FROM Invalidate_Sales WHERE ID_Art = ?"), {a}).toDouble();
        const double stock =
            Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = 1"), {a}).toDouble();
        QVERIFY2(stock == StartStock - sold + cancelled,
                 qPrintable(QStringLiteral("%1: article %2 stock %3, sold %4, cancelled %5")
                                .arg(when).arg(a).arg(stock, 0, 'f').arg(sold).arg(cancelled)));
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
    if (afterStart) {
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Pending_Files")), 0LL);
        // Nothing but receipts is left in the folder the device reads.
        static const QRegularExpression receiptName(QStringLiteral("^BON\\d+\\.bon$"));
        for (const QString &name : bon.entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(receiptName.match(name).hasMatch(), qPrintable(when + QStringLiteral(": left behind ") + name));
    }
}

bool startUp(const QString &home)
{
    QProcess p;
    p.setProcessEnvironment(environment(home));
    p.start(QStringLiteral(VENTAROS_DESK_WORKER), {QStringLiteral("start")});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
} // namespace

class KilledSaleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hundredKillsLeaveNothingHalfWritten()
    {
        TestProgram program;
        shop();
        const QString folder = Settings::receiptFolder();
        const quint32 seed = qEnvironmentVariableIsSet("VENTAROS_FAULT_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("VENTAROS_FAULT_SEED"))
                                 : QRandomGenerator::global()->generate();
        qInfo("seed %u (VENTAROS_FAULT_SEED repeats the run)", seed);
        QRandomGenerator rng(seed);
        QElapsedTimer clock;
        clock.start();
        for (int kill = 1; kill <= 100; ++kill) {
            QProcess worker;
            worker.setProcessEnvironment(environment(program.folder()));
            worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            worker.start(QStringLiteral(VENTAROS_DESK_WORKER), {QStringLiteral("sell"), QStringLiteral("Иван")});
            QVERIFY(worker.waitForStarted());
            QThread::msleep(40 + rng.bounded(360));
            ::kill(pid_t(worker.processId()), SIGKILL);
            QVERIFY(worker.waitForFinished(10000));
            checkInvariants(folder, false, QStringLiteral("seed %1, kill %2").arg(seed).arg(kill));
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(startUp(program.folder()));
        checkInvariants(folder, true, QStringLiteral("seed %1, after the start-up").arg(seed));
        const long long sold = count(QStringLiteral("SELECT (SELECT COUNT(*) FROM Prodajbi) + "
                                                    "(SELECT COUNT(*) FROM Invalidate_Sales)"));
        qInfo("%lld sales in %lld ms", sold, clock.elapsed());
        QVERIFY2(sold >= 100, "the workstation sold too little to prove anything");
        QVERIFY2(clock.elapsed() < 120000, "a hundred kills took more than two minutes");
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM Invalidate_Sales")) > 0);
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
        QDir().mkpath(second.filePath(QStringLiteral("SQLs")));
        for (const QString &name : QDir(sourceSqlFolder()).entryList(QDir::Files))
            QFile::copy(QDir(sourceSqlFolder()).filePath(name), second.filePath(QStringLiteral("SQLs/") + name));
        ProgramFolder::setPath(second.path());
        QVERIFY(AliasFile::setPath(program.file(QStringLiteral("Data"))));
        Settings::writeInteger(Keys::Tuning_FB, 2);
        const QString secondBon = Settings::receiptFolder();
        ProgramFolder::setPath(program.folder());
        const QString firstBon = Settings::receiptFolder();
        QVERIFY(firstBon != secondBon);

        const QStringList folders{program.folder(), second.path()};
        const QStringList stations{QStringLiteral("kasa1"), QStringLiteral("kasa2")};
        const QStringList ops{QStringLiteral("Иван"), QStringLiteral("Мария")};
        QList<QProcess *> workers;
        for (int w = 0; w < 2; ++w) {
            auto *p = new QProcess(this);
            p->setProcessEnvironment(environment(folders.at(w), stations.at(w)));
            p->start(QStringLiteral(VENTAROS_DESK_WORKER), {QStringLiteral("mixed"), ops.at(w), QStringLiteral("10")});
            workers << p;
        }
        double delivered = 0;
        QStringList numbers;
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
            // A busy database is waited for and tried again, or refused with a message; never lost silently.
            for (const QString &line : err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                QVERIFY2(line.startsWith(QLatin1String("retry: ")) || line.startsWith(QLatin1String("sale refused: Продажбата"))
                             || line.startsWith(QLatin1String("delivery refused: ")) || line.startsWith(QLatin1String("QStandardPaths")),
                         qPrintable(line));
        }
        qDeleteAll(workers);

        QCOMPARE(Db::scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        // Delivery numbers: each taken once, and every delivery reported is there.
        QCOMPARE(qsizetype(QSet<QString>(numbers.cbegin(), numbers.cend()).size()), numbers.size());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dostavki")), qint64(numbers.size()));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT TOTAL(Kolitchestvo) FROM Dostavka_art")).toDouble(), delivered);
        QVERIFY(delivered > 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM DostavkiTMP")), 0LL);
        // Stock = start - sold + cancelled + delivered.
        for (int a = 1; a <= Articles; ++a) {
            const double sold = Db::scalar(QStringLiteral("SELECT TOTAL(Kol) FROM Prodajbi WHERE ID_Art = ?"), {a}).toDouble();
            const double in = Db::scalar(QStringLiteral("SELECT TOTAL(Kolitchestvo) FROM Dostavka_art WHERE Nomer_Produkt = ?"),
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
            QVERIFY(QFile::exists(QDir(folders.at(w)).filePath(QStringLiteral("TEMP/work-") + stations.at(w)
                                                                 + QStringLiteral(".sqlite"))));
        }
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Pending_Files WHERE Workstation NOT IN ('kasa1', 'kasa2')")),
                 0LL);
    }
};

VTEST(KilledSaleTest)
VTEST(TwoWorkstationsTest)
#include "test_killed_workstations.moc"
