#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/import_run.h"
#include "app/statistics_memo.h"
#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "shell/imports/counterparty_import.h"

#include <QFile>
#include <QSqlQuery>
#include <QTest>

#include <memory>

namespace {
QString writeFile(const TestProgram &program, const QString &text)
{
    const QString path = program.file(QStringLiteral("counterparties.txt"));
    QFile f(path);
    const QByteArray bytes = text.toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The memo's lines of a run whose chunk takes the whole file unless `between` cuts it.
QStringList runImport(const QString &path, ImportRun::Handler &handler, ImportRun::Outcome *outcome = nullptr,
                      int chunkMs = 60000, const ImportRun::Between &between = {})
{
    StatisticsMemo *memo = StatisticsMemo::instance(nullptr);
    memo->start();
    const ImportRun::Outcome out = ImportRun::run(path, handler, memo, Db::connection(), chunkMs, between);
    if (outcome)
        *outcome = out;
    return memo->toPlainText().split(QLatin1Char('\n'));
}

long long count(const QString &sql)
{
    return Db::scalar(sql).toLongLong();
}

const QString kEsc = QString::fromUtf8(ImportRun::EscLine);

// The limit of an import's statements, shortened while it lives.
struct ShortBulkWait {
    explicit ShortBulkWait(int ms) { Db::setWaitLimitForTests(Db::Wait::Bulk, ms); }
    ~ShortBulkWait() { Db::setWaitLimitForTests(Db::Wait::Bulk, 0); }
};
} // namespace

// Counterparties repeated within one batch, by EIK and by name and EGN: each
// pair is written once, in one statement, and every repeat is counted and named.
class CounterpartyImportBatches : public QObject
{
    Q_OBJECT
private slots:
    void repeatsInsideOneBatch_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QStringList>("memo");
        const QString exists = QStringLiteral(" - Избраният контрагент СЪЩЕСТВУВА");
        QTest::newRow("without replacing")
            << false
            << QStringList({QStringLiteral("1- Контрагент: 111[Алфа] - ДОБАВЕН"),
                            QStringLiteral("2- Контрагент: [Частно лице] - ДОБАВЕН"),
                            QStringLiteral("3- Контрагент: 111[Алфа друго име]") + exists,
                            QStringLiteral("4- Контрагент: [Частно лице]") + exists,
                            QStringLiteral("5- Контрагент: [Алфа]") + exists,
                            QStringLiteral("6- Контрагент: [Частно лице] - ДОБАВЕН"),
                            QStringLiteral("7- Контрагент: 222[Бета] - ДОБАВЕН"),
                            QStringLiteral("8- Контрагент: 222[Бета]") + exists, QString(),
                            QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ ДАННИ:8"), QStringLiteral("Добавени: 4"),
                            QStringLiteral("Повторени: 4"), kEsc});
        QTest::newRow("replacing") << true
                                   << QStringList({QStringLiteral("1- Контрагент: 111[Алфа] - ДОБАВЕН"),
                                                   QStringLiteral("2- Контрагент: [Частно лице] - ДОБАВЕН"),
                                                   QStringLiteral("3- Контрагент: [Частно лице] - ДОБАВЕН"),
                                                   QStringLiteral("4- Контрагент: 222[Бета] - ДОБАВЕН"), QString(),
                                                   QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ ДАННИ:8"),
                                                   QStringLiteral("Добавени: 4"), QStringLiteral("Актуализации: 0"),
                                                   kEsc});
    }
    void repeatsInsideOneBatch()
    {
        QFETCH(bool, replace);
        QFETCH(QStringList, memo);
        TestProgram program;
        const QString path = writeFile(program, QStringLiteral("1:[111]3:[Алфа]11:[Иван]15:[7001011111]\n"
                                                               "3:[Частно лице]11:[Петър]15:[8001011234]\n"
                                                               "1:[111]3:[Алфа друго име]\n"
                                                               "3:[Частно лице]11:[Петър Друг]15:[8001011234]\n"
                                                               "3:[Алфа]11:[Иван]15:[7001011111]\n"
                                                               "3:[Частно лице]11:[Мария]15:[8502025678]\n"
                                                               "1:[222]3:[Бета]\n"
                                                               "1:[222]3:[Бета]\n"));
        CounterpartyImport handler(replace, Db::connection());
        QStringList lines;
        // The four new pairs wait in the batch till the chunk ends: a repeat sends nothing.
        const int inserts = insertStatements(QStringLiteral("Firmi"), [&] { lines = runImport(path, handler); });
        QCOMPARE(lines, memo);
        QCOMPARE(inserts, 1);
        QCOMPARE(handler.added(), 4LL);
        QCOMPARE(handler.repeated(), 4LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Firmi")), 4LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Klienti")), 4LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Firmi f JOIN Klienti k ON k.ID = f.ID_Mol")), 4LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Ime_Firma FROM Firmi WHERE EIK = '111'")).toString(),
                 QStringLiteral("Алфа"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Firmi f JOIN Klienti k ON k.ID = f.ID_Mol "
                                      "WHERE f.Ime_Firma = 'Частно лице'")),
                 2LL);
    }

    // A record the database refuses, after a repeat within the batch: the
    // chunk runs again record by record, the memo names the line, the lines
    // before it are written once.
    void aRefusedRecordIsNamed()
    {
        TestProgram program;
        refuseWrites(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Firmi WHEN NEW.EIK = '333' "
                                    "BEGIN SELECT RAISE(ABORT, 'отказан запис'); END"));
        const QString path = writeFile(program, QStringLiteral("1:[111]3:[Алфа]\n"
                                                               "3:[Лице]11:[Иван]15:[7001011111]\n"
                                                               "1:[111]3:[Алфа]\n"
                                                               "3:[Лице]11:[Иван]15:[7001011111]\n"
                                                               "1:[333]3:[Гама]\n"
                                                               "1:[444]3:[Делта]\n"));
        CounterpartyImport handler(false, Db::connection());
        ImportRun::Outcome outcome;
        const QStringList memo = runImport(path, handler, &outcome);
        QVERIFY(!outcome.completed);
        QCOMPARE(memo.size(), 10);
        QCOMPARE(memo.mid(0, 4),
                 QStringList({QStringLiteral("1- Контрагент: 111[Алфа] - ДОБАВЕН"),
                              QStringLiteral("2- Контрагент: [Лице] - ДОБАВЕН"),
                              QStringLiteral("3- Контрагент: 111[Алфа] - Избраният контрагент СЪЩЕСТВУВА"),
                              QStringLiteral("4- Контрагент: [Лице] - Избраният контрагент СЪЩЕСТВУВА")}));
        QVERIFY2(memo.at(4).startsWith(QStringLiteral("ГРЕШКА на ред 5: ")), qPrintable(memo.at(4)));
        QVERIFY(memo.at(4).contains(QStringLiteral("отказан запис")));
        QCOMPARE(memo.mid(5), QStringList({QString(), QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ ДАННИ:4"),
                                           QStringLiteral("Добавени: 2"), QStringLiteral("Повторени: 2"), kEsc}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Firmi")), 2LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Klienti")), 2LL);
    }
};

// A server whose session stops answering in the middle of an import: the run
// stops at the program's limit with the message that names the server, and
// never writes the chunk again on a new connection (which would wait for the
// lock the stopped session holds). The chunks committed before stay, once.
class ImportOnAStalledServer : public QObject
{
    Q_OBJECT
private slots:
    void theRunStopsAtOnce()
    {
        if (!testOnServer())
            QSKIP("a session is stopped on a server only");
        TestProgram program;
        // A first chunk of new pairs; in the next, one new pair among repeats.
        QString text;
        for (int i = 1; i <= 256; ++i)
            text += QStringLiteral("1:[%1]3:[Фирма %1]11:[Лице]\n").arg(100000 + i);
        text += QStringLiteral("1:[999999]3:[Нова]11:[Лице]\n");
        for (int i = 1; i < 256; ++i)
            text += QStringLiteral("1:[%1]3:[Фирма %1]\n").arg(100000 + i);
        const QString path = writeFile(program, text);
        const ShortBulkWait wait(2000 * slowdown());
        const QString noAnswer = QString::fromUtf8(PostgresEngine::NoAnswerText);
        ImportRun::Outcome outcome;
        QStringList memo;
        {
            std::unique_ptr<StoppedSession> stopped;
            CounterpartyImport handler(false, Db::connection());
            // Once a chunk has committed, the session stops at its next row.
            memo = runImport(path, handler, &outcome, 0, [&](qint64 done, qint64) {
                if (done > 0 && !stopped)
                    stopped = std::make_unique<StoppedSession>(QStringLiteral("Firmi"));
                return true;
            });
            QVERIFY(stopped && stopped->stopped());
            // No session of the program waits behind the stopped one's lock.
            const QString name = QStringLiteral("watcher");
            {
                QSqlQuery q(otherConnection(name));
                QVERIFY(q.exec(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity "
                                              "WHERE datname = current_database() AND wait_event_type = 'Lock'")));
                QVERIFY(q.next());
                QCOMPARE(q.value(0).toInt(), 0);
            }
            Db::close(name);
        }
        QVERIFY(!outcome.completed);
        QVERIFY2(outcome.error.startsWith(noAnswer), qPrintable(outcome.error));
        const QStringList failures = memo.filter(QStringLiteral("ГРЕШКА"));
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.first().startsWith(QStringLiteral("ГРЕШКА: ") + noAnswer), qPrintable(failures.first()));
        const long long added = memo.filter(QStringLiteral(" - ДОБАВЕН")).size();
        QVERIFY(added > 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Firmi")), added);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(DISTINCT EIK) FROM Firmi")), added);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Firmi WHERE EIK = '999999'")), 0LL);
        QCOMPARE(memo.filter(QStringLiteral("Добавени: ")), QStringList({QStringLiteral("Добавени: %1").arg(added)}));
    }
};

VTEST(CounterpartyImportBatches)
VTEST(ImportOnAStalledServer)
#include "test_counterparty_import.moc"
