#include "common/program_folder.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/typed_query.h"
#include "platform/db/work_tables.h"
#include "common/text_file.h"
#include "test_registry.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {
const QString kMain = QStringLiteral("typed-main");
const QString kWriter = QStringLiteral("typed-writer");
const QString kEndless =
    QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c");

TypedQuery::Result runOnThread(const QString &sql, const TypedQuery::Limits &limits,
                               std::function<void(TypedQueryConnection *)> meanwhile = {})
{
    TypedQuery::Result result;
    std::atomic<TypedQueryConnection *> running{nullptr};
    QThread *worker = QThread::create([&] {
        auto c = TypedQueryConnection::open(kMain);
        running = c.get();
        result = c->run(sql, limits);
        running = nullptr;
    });
    worker->start();
    if (meanwhile) {
        QTest::qWaitFor([&] { return running.load() != nullptr || worker->isFinished(); });
        if (TypedQueryConnection *c = running.load())
            meanwhile(c);
    }
    worker->wait();
    delete worker;
    return result;
}
} // namespace

class TypedQueryTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<ServerTestDatabase> m_server;

    void openWriter()
    {
        QString error;
        QVERIFY2(Db::openFolder(kWriter, m_dir.path(), &error), qPrintable(error));
    }

private Q_SLOTS:
    void init()
    {
        ProgramFolder::setPath(m_dir.path());
        QFile::remove(Db::databaseFile(m_dir.path()));
        m_server = prepareDatabaseFolder(m_dir.path());
        QString error;
        QVERIFY2(Db::openForCreation(kMain, m_dir.path(), &error), qPrintable(error));
        Db::setCurrentConnection(kMain);
        createTestTable(QStringLiteral("Operators"), QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT, Ime TEXT "
                                                                    "NOT NULL, Par TEXT NOT NULL, Prava TEXT NOT NULL "
                                                                    "DEFAULT ''"));
        Db::execute(QStringLiteral("INSERT INTO Operators (Ime, Par) VALUES ('Администратор', 'salt$hash')"));
        Db::execute(QStringLiteral("CREATE VIEW Everyone AS SELECT Ime, Par FROM Operators"));
    }

    void cleanup()
    {
        Db::close(kWriter);
        Db::close(kMain);
        Db::setCurrentConnection(QString());
        m_server.reset();
    }

    void everyFormOfReadingThePasswordIsRefused_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("refusal"); // empty: the query runs
        const QString password = TypedQuery::refusal(TypedQuery::protectedColumns().first());
        const QString onlySelect = QStringLiteral("Разрешена е само една заявка SELECT или WITH.");
        QTest::newRow("column") << "SELECT Par FROM Operators" << password;
        // A server's quoted names keep their case.
        QTest::newRow("quoted") << (testOnServer() ? "select \"par\" from \"operators\"" : "select \"PAR\" from \"operators\"")
                                << password;
        QTest::newRow("alias") << "SELECT o.Par AS x FROM Operators o" << password;
        QTest::newRow("star") << "SELECT * FROM Operators" << password;
        QTest::newRow("table star") << "SELECT o.* FROM Operators o" << password;
        QTest::newRow("subquery") << "SELECT (SELECT Par FROM Operators LIMIT 1) AS x" << password;
        QTest::newRow("in a condition") << "SELECT Ime FROM Operators WHERE Par LIKE 's%'" << password;
        QTest::newRow("in a function") << "SELECT length(Par) FROM Operators" << password;
        QTest::newRow("cte") << "WITH x AS (SELECT * FROM Operators) SELECT Ime FROM x" << password;
        QTest::newRow("view") << "SELECT * FROM Everyone" << password;
        QTest::newRow("union") << "SELECT 'a' UNION SELECT Par FROM Operators" << password;
        QTest::newRow("names") << "SELECT Ime FROM Operators" << QString();
        QTest::newRow("count") << "SELECT count(*) FROM Operators" << QString();
        QTest::newRow("with, comments, ;") << "-- x\n/* y */ WITH a AS (SELECT 1 AS n) SELECT n FROM a ; ;" << QString();
        QTest::newRow("delete") << "DELETE FROM Operators" << onlySelect;
        QTest::newRow("with delete") << "WITH x AS (SELECT 1) DELETE FROM Operators" << onlySelect;
        QTest::newRow("two statements") << "SELECT 1; DELETE FROM Operators" << onlySelect;
        QTest::newRow("unclosed comment after") << "SELECT 1; /* x" << onlySelect;
        QTest::newRow("pragma") << "PRAGMA query_only = 0" << onlySelect;
        QTest::newRow("empty") << " -- nothing" << QStringLiteral("Няма въведена заявка.");
        if (!testOnServer()) {
            QTest::newRow("tokenizer") << "SELECT fts3_tokenizer('simple', x'4141414141414141')"
                                       << "Функцията fts3_tokenizer не е разрешена в собствените справки.";
            return;
        }
        QTest::newRow("whole row") << "SELECT o FROM Operators o" << password;
        QTest::newRow("row as json") << "SELECT row_to_json(x) FROM Operators AS x" << password;
        QTest::newRow("alias a server quotes") << "SELECT row_to_json(\"user\") FROM Operators \"user\"" << password;
        QTest::newRow("quoted alias") << "SELECT \"O\".ime FROM Operators \"O\" WHERE \"O\".par <> ''" << password;
        QTest::newRow("statistics") << "SELECT most_common_vals::text FROM pg_stats WHERE attname = 'par'" << password;
        QTest::newRow("in a string") << "SELECT 'Par; *' AS x, $$;$$ AS y, E'\\';' AS z" << QString();
        QTest::newRow("for update") << "SELECT Ime FROM Operators FOR UPDATE" << onlySelect;
        QTest::newRow("sql of its own") << "SELECT query_to_xml('SELECT Par FROM Operators', true, false, '')"
                                        << "Функцията query_to_xml не е разрешена в собствените справки.";
        QTest::newRow("writers' lock") << "SELECT pg_advisory_lock(1)"
                                       << "Функцията pg_advisory_lock не е разрешена в собствените справки.";
        QTest::newRow("nested comment") << "SELECT 1 /* a /* b */ ; */" << QString();
        QTest::newRow("dollar after ;") << "SELECT 1; $$ x" << onlySelect;
    }
    void everyFormOfReadingThePasswordIsRefused()
    {
        QFETCH(QString, sql);
        QFETCH(QString, refusal);
        auto c = TypedQueryConnection::open(kMain);
        QCOMPARE(c->check(sql), refusal);
        const TypedQuery::Result r = c->run(sql, {});
        QCOMPARE(r.outcome, refusal.isEmpty() ? TypedQuery::Outcome::Done : TypedQuery::Outcome::Refused);
        QCOMPARE(r.message, refusal);
        for (const QVariantList &row : r.rows)
            for (const QVariant &v : row)
                QVERIFY(!v.toString().contains(QStringLiteral("hash")));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT count(*) FROM Operators")).toInt(), 1);
    }

    // The server keeps every workstation's work tables in the database: no
    // typed query reads them, as on SQLite, where they are never attached.
    void workTablesAreNotRead()
    {
        if (!testOnServer())
            QSKIP("SQLite's typed queries never see the work database");
        WorkTables::create(QStringLiteral("TypedWork"), QStringLiteral("A INTEGER"));
        const QString sql = QStringLiteral("SELECT count(*) FROM ") + WorkTables::qualified(QStringLiteral("TypedWork"));
        QVERIFY(TypedQueryConnection::open(kMain)->check(sql).startsWith(QStringLiteral("Справката чете работна таблица")));
    }

    void theRefusalNamesTheColumn()
    {
        const QString text = TypedQuery::refusal(TypedQuery::protectedColumns().first());
        QVERIFY(text.contains(QStringLiteral("Par")) && text.contains(QStringLiteral("Operators")));
        const TypedQuery::Result r = TypedQueryConnection::open(kMain)->run(QStringLiteral("SELECT Ime FROM Operators"), {});
        QCOMPARE(r.fields, QStringList{QStringLiteral("Ime")});
        QCOMPARE(r.rows, QList<QVariantList>{{QStringLiteral("Администратор")}});
    }

    void anEndlessQueryEndsAtTheTimeLimitOrWhenStopped()
    {
        const TypedQuery::Result timedOut = runOnThread(kEndless, {100000, 200ms});
        QCOMPARE(timedOut.outcome, TypedQuery::Outcome::TimedOut);
        QCOMPARE(timedOut.message, TypedQuery::timeLimitMessage(200ms));
        QVERIFY(timedOut.rows.isEmpty());

        // Rows that keep coming end at the limit too, and a stop from another thread ends them.
        const QString rows = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                                            "SELECT x FROM c WHERE x % 1000000 = 0");
        QCOMPARE(runOnThread(rows, {100000, 200ms}).outcome, TypedQuery::Outcome::TimedOut);
        QElapsedTimer clock;
        clock.start();
        const TypedQuery::Result stopped = runOnThread(kEndless, {100000, 60s}, [](TypedQueryConnection *c) {
            QTest::qWait(100);
            c->stop();
        });
        QCOMPARE(stopped.outcome, TypedQuery::Outcome::Stopped);
        QVERIFY(stopped.message.isEmpty());
        QVERIFY(clock.elapsed() < 30000);
    }

    void aQueryWaitingForAWriterStopsAtOnce()
    {
        // Another workstation holds the write lock: the query waits for it and
        // still ends when stopped or out of time.
        openWriter();
        QSqlDatabase writer = QSqlDatabase::database(kWriter, false);
        if (testOnServer()) {
            Db::execute(QStringLiteral("BEGIN"), {}, writer);
            Db::execute(QStringLiteral("LOCK TABLE Operators IN ACCESS EXCLUSIVE MODE"), {}, writer);
        } else {
            Db::execute(QStringLiteral("BEGIN EXCLUSIVE"), {}, writer);
        }
        QCOMPARE(runOnThread(QStringLiteral("SELECT Ime FROM Operators"), {100000, 300ms}).outcome,
                 TypedQuery::Outcome::TimedOut);
        const TypedQuery::Result stopped =
            runOnThread(QStringLiteral("SELECT Ime FROM Operators"), {100000, 60s}, [](TypedQueryConnection *c) {
                QTest::qWait(100);
                c->stop();
            });
        QCOMPARE(stopped.outcome, TypedQuery::Outcome::Stopped);
        Db::execute(QStringLiteral("ROLLBACK"), {}, writer);
        QCOMPARE(QDir(ProgramFolder::tempFolder()).entryList({QStringLiteral("query-*")}), QStringList());
    }

    // The query reads a private copy: another workstation saves while it
    // runs, and the copy is gone when it ends however it ends.
    void otherWorkstationsSaveWhileAQueryRuns()
    {
        const QDir temp(ProgramFolder::tempFolder());
        const QStringList before = temp.entryList(QDir::Files);
        // A copy a killed run left behind goes with the next run.
        const QString left = temp.filePath(QStringLiteral("query-") + WorkTables::workstationName()
                                           + QStringLiteral("-1-7.sqlite"));
        QVERIFY(testOnServer() || TextFile::writeWhole(left, "x"));
        openWriter();
        QSqlDatabase writer = QSqlDatabase::database(kWriter, false);
        shortenBusyWait(300, writer);
        QStringList during;
        int copyMode = 0;
        QString saved = QStringLiteral("no");
        // Endless, and reading a table all the while.
        const QString reading = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                                               "SELECT count(*) FROM c, Operators");
        const TypedQuery::Result r = runOnThread(reading, {100000, 60s}, [&](TypedQueryConnection *c) {
            QTest::qWait(300);
            during = temp.entryList(QDir::Files);
            struct stat st;
            for (const QString &f : during)
                if (f.startsWith(QLatin1String("query-"))
                    && ::stat(QFile::encodeName(temp.filePath(f)).constData(), &st) == 0)
                    copyMode = int(st.st_mode & 0777);
            try {
                WriteTransaction tx(writer);
                Db::execute(QStringLiteral("INSERT INTO Operators (Ime, Par) VALUES ('Касиер', 'x')"), {}, writer);
                tx.commit();
                saved.clear();
            } catch (const DbError &e) {
                saved = e.message();
            }
            c->stop();
        });
        QCOMPARE(saved, QString());
        QCOMPARE(r.outcome, TypedQuery::Outcome::Stopped);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT count(*) FROM Operators")).toInt(), 2);
        if (testOnServer()) {
            // The stopped query runs on no session of the server.
            QTRY_COMPARE_WITH_TIMEOUT(Db::scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                                                                "current_database() AND query LIKE "
                                                                "'%FROM c, Operators%' AND pid <> pg_backend_pid()"))
                                          .toInt(),
                                      0, 60000);
        } else {
            QCOMPARE(during.size(), before.size() + 1);
            QCOMPARE(copyMode, 0600);
            QCOMPARE(temp.entryList(QDir::Files), before);
        }

        // Refused, done, out of time while copying or while running: nothing is left either.
        const struct {
            QString sql;
            std::chrono::milliseconds limit;
            TypedQuery::Outcome outcome;
        } runs[] = {{QStringLiteral("SELECT Par FROM Operators"), 60s, TypedQuery::Outcome::Refused},
                    {QStringLiteral("SELECT 1"), 60s, TypedQuery::Outcome::Done},
                    {QStringLiteral("SELECT 1"), 0ms, TypedQuery::Outcome::TimedOut},
                    {kEndless, 200ms, TypedQuery::Outcome::TimedOut}};
        for (const auto &run : runs) {
            QCOMPARE(runOnThread(run.sql, {100000, run.limit}).outcome, run.outcome);
            QCOMPARE(temp.entryList(QDir::Files), before);
        }
    }

    void theRunnerAnswersOnItsThreadAndStopsQuietly()
    {
        TypedQueryRun run;
        QSignalSpy finished(&run, &TypedQueryRun::finished);
        run.start(QStringLiteral("SELECT Ime FROM Operators"), {});
        QVERIFY(run.running());
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(!run.running());
        const auto result = finished.at(0).at(0).value<TypedQuery::Result>();
        QCOMPARE(result.outcome, TypedQuery::Outcome::Done);
        QCOMPARE(result.rows.size(), 1);

        run.start(kEndless, {100000, 60s});
        run.start(QStringLiteral("SELECT 1"), {}); // ignored while one runs
        QTest::qWait(100);
        QVERIFY(run.running());
        run.stop();
        QVERIFY(!run.running());
        QTest::qWait(50);
        QCOMPARE(finished.size(), 1);

        // Without a program database there is nothing to run on.
        Db::setCurrentConnection(QStringLiteral("none"));
        run.start(QStringLiteral("SELECT 1"), {});
        QTRY_COMPARE(finished.size(), 2);
        QCOMPARE(finished.at(1).at(0).value<TypedQuery::Result>().outcome, TypedQuery::Outcome::Failed);
        QVERIFY(!finished.at(1).at(0).value<TypedQuery::Result>().message.isEmpty());
    }
};

VTEST(TypedQueryTest)
#include "test_typed_query.moc"
