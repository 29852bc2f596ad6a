#include "common/passwords.h"
#include "common/program_folder.h"
#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/sqlite_engine.h"
#include "platform/db/transaction.h"
#include "platform/db/typed_query.h"
#include "platform/db/work_tables.h"
#include "common/text_file.h"
#include "test_registry.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>
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

// The server session a typed query of this test's database runs on, 0 while there is none.
qint64 queryBackend()
{
    return Db::scalar(QStringLiteral("SELECT max(pid) FROM pg_stat_activity WHERE datname = current_database() "
                                     "AND usename = ?"),
                      {PostgresEngine::queryRole(qEnvironmentVariable("VENTAROS_TEST_PG_USER"))})
        .toLongLong();
}

// A function of a SQLite copy that holds its query in one step until released.
struct HoldOn {
    QSemaphore entered;
    QSemaphore released;
    std::atomic<bool> holding{false};

    static void call(sqlite3_context *context, int, sqlite3_value **)
    {
        auto *me = static_cast<HoldOn *>(sqlite3_user_data(context));
        me->holding = true;
        me->entered.release();
        me->released.tryAcquire(1, 30000);
        me->holding = false;
        sqlite3_result_int(context, 1);
    }
};
} // namespace

class TypedQueryTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<ServerTestDatabase> m_server;
    QString m_hash; // the administrator's password hash

    // Texts whose presence in a result gives the hash (or a part of it) away.
    QStringList hashTraces() const
    {
        const QStringList parts = m_hash.split(QLatin1Char('$'));
        QStringList traces{parts.at(2), parts.at(3)};
        for (qsizetype i = 0; i + 8 <= parts.at(3).size(); i += 8)
            traces << parts.at(3).mid(i, 8);
        for (const QString &t : QStringList(traces))
            traces << QString::fromLatin1(t.toUtf8().toHex());
        return traces;
    }
    // What in `r` gives away one of `secrets` (plain, or as hex of its text).
    static QString giveaway(const TypedQuery::Result &r, const QStringList &secrets)
    {
        QStringList values = r.fields;
        for (const QVariantList &row : r.rows)
            for (const QVariant &v : row)
                values << v.toString()
                       << (v.typeId() == QMetaType::QByteArray ? QString::fromLatin1(v.toByteArray()) : QString());
        for (const QString &v : values)
            for (const QString &s : secrets)
                if (v.contains(s, Qt::CaseInsensitive))
                    return s + QStringLiteral(" in ") + v.left(200);
        return {};
    }

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
        m_hash = Passwords::hash(QStringLiteral("тайна"));
        Db::execute(QStringLiteral("INSERT INTO Operators (Ime, Par) VALUES ('Администратор', ?)"), {m_hash});
        Db::execute(QStringLiteral("CREATE VIEW Everyone AS SELECT Ime, Par FROM Operators"));
        QVERIFY2(Db::completeCreation(kMain, m_dir.path(), &error), qPrintable(error));
        QVERIFY2(Db::openFolder(kMain, m_dir.path(), &error), qPrintable(error));
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
        QTest::newRow("join using") << "SELECT Ime FROM Operators JOIN (SELECT '' AS Par) x USING (Par)" << password;
        QTest::newRow("full join using") << "SELECT count(*) FROM Operators FULL JOIN (SELECT NULL AS par) x USING (par)"
                                         << password;
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
            QTest::newRow("using a string for the name")
                << "SELECT Ime FROM Operators JOIN (SELECT '' AS Par) x USING ('Par')" << password;
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
        QCOMPARE(giveaway(r, hashTraces()), QString());
        QCOMPARE(Db::scalar(QStringLiteral("SELECT count(*) FROM Operators")).toInt(), 1);
    }

    // Forms no list of refusals knows of: whatever each does (runs, is
    // refused, fails), nothing of the hash and nothing of another
    // workstation's work tables comes out, and a yes/no question about the
    // hash answers as the same question about a text it cannot be.
    void noFormReadsWhatIsKeptFromTypedQueries_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("twin"); // answers the same, when given
        const QString joined = QStringLiteral("Operators FULL JOIN (SELECT NULL AS Par) x USING (Par)");
        QTest::newRow("full join using") << "SELECT Ime, Par FROM " + joined << QString();
        QTest::newRow("natural full join") << "SELECT * FROM Operators NATURAL FULL JOIN (SELECT NULL AS Par) x" << QString();
        QTest::newRow("full outer join, Operators right")
            << "SELECT Par FROM (SELECT NULL AS Par) x FULL OUTER JOIN Operators USING (Par)" << QString();
        QTest::newRow("hex of the join") << "SELECT hex(Par) FROM " + joined << QString();
        QTest::newRow("server's hex of the join") << "SELECT encode(convert_to(Par, 'UTF8'), 'hex') FROM " + joined
                                                  << QString();
        QTest::newRow("with around the join") << "WITH j AS (SELECT Ime, Par FROM " + joined + ") SELECT Par FROM j"
                                              << QString();
        QTest::newRow("subquery of the join")
            << "SELECT (SELECT Par FROM (SELECT NULL AS Par) x FULL JOIN Operators USING (Par) LIMIT 1) AS p" << QString();
        QTest::newRow("like oracle") << "SELECT Ime FROM " + joined + " WHERE Par LIKE 'pbkdf2-sha256$60000$%'"
                                     << "SELECT Ime FROM " + joined + " WHERE Par LIKE 'zzz%'";
        QTest::newRow("substring oracle") << "SELECT count(*) FROM " + joined + " WHERE substr(Par, 1, 6) = 'pbkdf2'"
                                          << "SELECT count(*) FROM " + joined + " WHERE substr(Par, 1, 6) = 'zzzzzz'";
        QTest::newRow("natural join with the hash") << "SELECT Ime FROM Operators NATURAL JOIN (SELECT 'HASH' AS Par) x"
                                                    << "SELECT Ime FROM Operators NATURAL JOIN (SELECT 'zzz' AS Par) x";
        QTest::newRow("unicode name") << "SELECT Ime, U&\"p\\0061r\" FROM Operators" << QString();
        QTest::newRow("ts_stat of a query")
            << "SELECT * FROM ts_stat('SELECT to_tsvector(''simple'', encode(convert_to(par,''UTF8''),''hex'')) FROM "
               "operators')"
            << QString();
        QTest::newRow("ts_rewrite of a query")
            << "SELECT ts_rewrite('a'::tsquery, 'SELECT ''a''::tsquery, quote_literal(par)::tsquery FROM operators')::text"
            << QString();
        QTest::newRow("ts_rewrite of the hex")
            << "SELECT ts_rewrite('a'::tsquery, 'SELECT ''a''::tsquery, encode(convert_to(par,''UTF8''),''hex'')::tsquery "
               "FROM operators')::text"
            << QString();
        QTest::newRow("query_to_xml") << "SELECT query_to_xml('SELECT par FROM operators', true, false, '')::text"
                                      << QString();
        QTest::newRow("role of the shop") << "SELECT set_config('role', current_setting('role'), false)" << QString();
        QTest::newRow("another workstation's table") << "SELECT * FROM \"work_OTHER\".revision_tmp" << QString();
        QTest::newRow("another workstation's table, rewritten")
            << "SELECT ts_rewrite('a'::tsquery, 'SELECT ''a''::tsquery, quote_literal(line)::tsquery FROM "
               "\"work_OTHER\".revision_tmp')::text"
            << QString();
    }
    void noFormReadsWhatIsKeptFromTypedQueries()
    {
        QFETCH(QString, sql);
        QFETCH(QString, twin);
        sql.replace(QStringLiteral("HASH"), m_hash);
        const QString otherLine = QStringLiteral("отворена ревизия 4711");
        if (testOnServer()) {
            Db::execute(QStringLiteral("CREATE SCHEMA \"work_OTHER\""));
            Db::execute(QStringLiteral("CREATE TABLE \"work_OTHER\".revision_tmp (line TEXT)"));
            Db::execute(QStringLiteral("INSERT INTO \"work_OTHER\".revision_tmp VALUES (?)"), {otherLine});
        }
        auto c = TypedQueryConnection::open(kMain);
        const QString checked = c->check(sql);
        const TypedQuery::Result r = c->run(sql, {});
        QCOMPARE(giveaway(r, hashTraces() << otherLine), QString());
        if (r.outcome == TypedQuery::Outcome::Done)
            QCOMPARE(checked, QString());
        if (!twin.isEmpty()) {
            const TypedQuery::Result other = c->run(twin, {});
            QCOMPARE(r.outcome, other.outcome);
            QCOMPARE(r.rows, other.rows);
        }
    }

    // The private copy a query runs on holds nothing of the hash, in no page.
    void theCopyHoldsNothingOfTheHash()
    {
        if (testOnServer())
            QSKIP("a server makes no copy");
        QByteArray copy;
        const QDir temp(ProgramFolder::tempFolder());
        QStringList during;
        const QString reading = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                                               "SELECT count(*) FROM c, Operators");
        runOnThread(reading, {100000, 60s}, [&](TypedQueryConnection *c) {
            // Made, emptied and running long since.
            QTest::qWait(500 * slowdown());
            during = temp.entryList({QStringLiteral("query-*")}, QDir::Files);
            if (during.size() == 1) {
                QFile f(temp.filePath(during.first()));
                if (f.open(QIODevice::ReadOnly))
                    copy = f.readAll();
            }
            c->stop();
        });
        QCOMPARE(during.size(), 1); // no journal beside it
        QVERIFY(copy.size() > 0);
        for (const QString &t : hashTraces())
            QVERIFY2(!copy.contains(t.toUtf8()), qPrintable(t));
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

    // The server's own wall: without the query role, or with a role that
    // holds more than it may, no typed query runs, and the reason names it.
    void aQueryRoleMissingOrHoldingTooMuchRunsNothing_data()
    {
        QTest::addColumn<QString>("role");  // empty: the shop's own query role
        QTest::addColumn<QString>("setUp"); // run in the database first, by the server's administrator
        QTest::addColumn<QString>("named"); // in the reason
        if (!testOnServer())
            return;
        const QString role = PostgresEngine::queryRole(qEnvironmentVariable("VENTAROS_TEST_PG_USER"));
        QTest::newRow("no such role") << "ventaros_nobody_query" << QString() << "ventaros_nobody_query";
        QTest::newRow("a function that runs SQL")
            << QString() << "GRANT EXECUTE ON FUNCTION ts_stat(text) TO " + role << "ts_stat(text)";
        QTest::newRow("a function of every role, reinstated")
            << QString() << "GRANT EXECUTE ON FUNCTION query_to_xml(text, boolean, boolean, text) TO PUBLIC"
            << "query_to_xml(text,boolean,boolean,text)";
        QTest::newRow("a work schema") << QString()
                                       << "CREATE SCHEMA work_x; GRANT USAGE ON SCHEMA work_x TO " + role << "work_x";
        QTest::newRow("a view of the hash") << QString() << "GRANT SELECT ON everyone TO " + role << "everyone";
        QTest::newRow("another workstation's query texts")
            << QString() << "GRANT EXECUTE ON FUNCTION pg_stat_get_activity(integer) TO PUBLIC"
            << "pg_stat_get_activity(integer)";
        QTest::newRow("a function with its owner's rights")
            << QString()
            << "CREATE FUNCTION hash_of(text) RETURNS text LANGUAGE sql SECURITY DEFINER AS "
               "'SELECT par FROM operators WHERE ime = $1'"
            << "hash_of(text)";
    }
    void aQueryRoleMissingOrHoldingTooMuchRunsNothing()
    {
        if (!testOnServer())
            QSKIP("SQLite has no roles");
        QFETCH(QString, role);
        QFETCH(QString, setUp);
        QFETCH(QString, named);
        QString error;
        QVERIFY2(setUp.isEmpty() || m_server->superuser(setUp, &error), qPrintable(error));
        PostgresEngine::setQueryRoleForTests(role);
        QString why;
        try {
            TypedQueryConnection::open(kMain);
        } catch (const DbError &e) {
            why = e.message();
        }
        PostgresEngine::setQueryRoleForTests(QString());
        QVERIFY2(why.contains(QStringLiteral("Собствените справки")) && why.contains(named), qPrintable(why));
        TypedQueryRun run;
        QSignalSpy finished(&run, &TypedQueryRun::finished);
        PostgresEngine::setQueryRoleForTests(role);
        run.start(QStringLiteral("SELECT Ime FROM Operators"), {});
        QTRY_COMPARE(finished.size(), 1);
        PostgresEngine::setQueryRoleForTests(QString());
        QCOMPARE(finished.at(0).at(0).value<TypedQuery::Result>().outcome, TypedQuery::Outcome::Failed);
        QCOMPARE(finished.at(0).at(0).value<TypedQuery::Result>().message, why);
    }

    // A right given by hand to the whole table is taken back before the next
    // query, and a table made since is readable.
    void theQueryRoleReadsWhatItMayBeforeEachQuery()
    {
        if (!testOnServer())
            QSKIP("SQLite has no roles");
        const QString role = PostgresEngine::queryRole(qEnvironmentVariable("VENTAROS_TEST_PG_USER"));
        Db::execute(QStringLiteral("GRANT SELECT ON Operators TO ") + role);
        createTestTable(QStringLiteral("Later"), QStringLiteral("A INTEGER"));
        Db::execute(QStringLiteral("INSERT INTO Later VALUES (7)"));
        auto c = TypedQueryConnection::open(kMain);
        QCOMPARE(c->run(QStringLiteral("SELECT A FROM Later"), {}).rows, QList<QVariantList>{{7LL}});
        QCOMPARE(c->run(QStringLiteral("SELECT Ime, Prava FROM Operators"), {}).outcome, TypedQuery::Outcome::Done);
        QCOMPARE(c->run(QStringLiteral("SELECT Ime, U&\"p\\0061r\" FROM Operators"), {}).outcome,
                 TypedQuery::Outcome::Refused);
        QVERIFY(!Db::scalar(QStringLiteral("SELECT has_column_privilege(?::name, 'operators', 'par', 'SELECT')"), {role})
                     .toBool());
    }

    // The administrator's set-up takes from PUBLIC the very functions the
    // program checks the query role for.
    void theSetUpRevokesTheFunctionsTheProgramChecks()
    {
        const QByteArray setUp = fileContents(sourceSqlFolder() + QStringLiteral("/TypedQueries.pg.sql"));
        QVERIFY(setUp.contains(QByteArray("WHERE p.proname ~ '").append(PostgresEngine::SqlTextFunctions).append('\'')));
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
        const QString left = temp.filePath(QStringLiteral("query-") + WorkTables::workstationKey()
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

    // One query role serves every workstation: no typed query reads the
    // text of another one running.
    void noTypedQueryReadsAnothersText_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("activity") << "SELECT query FROM pg_stat_activity";
        QTest::newRow("a backend's activity")
            << "SELECT pg_stat_get_backend_activity(s) FROM pg_stat_get_backend_idset() AS s";
    }
    void noTypedQueryReadsAnothersText()
    {
        if (!testOnServer())
            QSKIP("SQLite shows no other connection's statements");
        QFETCH(QString, sql);
        const QString secret = QStringLiteral("справката на другата каса 4711");
        // The other query waits for a lock on its table meanwhile.
        openWriter();
        QSqlDatabase writer = QSqlDatabase::database(kWriter, false);
        Db::execute(QStringLiteral("BEGIN"), {}, writer);
        Db::execute(QStringLiteral("LOCK TABLE Operators IN ACCESS EXCLUSIVE MODE"), {}, writer);
        TypedQueryRun other;
        other.start(QStringLiteral("SELECT '%1' FROM Operators").arg(secret), {100000, 60s});
        QTRY_VERIFY_WITH_TIMEOUT(Db::scalar(QStringLiteral("SELECT count(*) FROM pg_locks l JOIN pg_class c ON c.oid = "
                                                           "l.relation JOIN pg_database d ON d.oid = l.database WHERE "
                                                           "d.datname = current_database() AND c.relname = 'operators' "
                                                           "AND NOT l.granted"))
                                         .toInt()
                                     > 0,
                                 30000);
        const TypedQuery::Result r = runOnThread(sql, {});
        other.stop();
        Db::execute(QStringLiteral("ROLLBACK"), {}, writer);
        QCOMPARE(giveaway(r, {secret}), QString());
        QVERIFY2(r.outcome != TypedQuery::Outcome::Done, qPrintable(r.message));
    }

    // A server that stops answering a typed query is named as such at the
    // query's own limit.
    void aServerThatStopsAnsweringIsNamed()
    {
        if (!testOnServer())
            QSKIP("a server's session: a SQLite file has none to stop");
        std::unique_ptr<StoppedSession> stopped;
        const TypedQuery::Result r =
            runOnThread(QStringLiteral("SELECT pg_sleep(30)"), {100000, 1s},
                        [&](TypedQueryConnection *) { stopped = std::make_unique<StoppedSession>(queryBackend()); });
        stopped.reset();
        QCOMPARE(r.outcome, TypedQuery::Outcome::Failed);
        QCOMPARE(r.message, QString::fromUtf8(PostgresEngine::NoAnswerText));
    }

    // What a query sorts beyond its memory goes to temporary files of
    // TEMP/, bounded in size and by the room left on that disk.
    void theTemporaryFilesOfAQueryAreBounded_data()
    {
        QTest::addColumn<bool>("room"); // the disk's room runs low, else the files pass their size
        QTest::newRow("past their size") << false;
        QTest::newRow("the disk's room low") << true;
    }
    void theTemporaryFilesOfAQueryAreBounded()
    {
        if (testOnServer())
            QSKIP("a server keeps its temporary files");
        QFETCH(bool, room);
        const QString sorted = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c LIMIT 200000) "
                                              "SELECT x, printf('%.*c', 200, 'x') AS v FROM c ORDER BY x DESC");
        const QString temp = ProgramFolder::tempFolder();
        TypedQuery::Limits limits;
        limits.tempBytes = 1024 * 1024;
        if (room)
            limits.keepFree = QStorageInfo(temp).bytesAvailable() + (1LL << 40);
        const TypedQuery::Result r = runOnThread(sorted, limits);
        QCOMPARE(r.outcome, TypedQuery::Outcome::Failed);
        QCOMPARE(r.message, room ? TypedQuery::diskRoomMessage(QDir::toNativeSeparators(temp), limits.keepFree)
                                 : TypedQuery::tempLimitMessage(limits.tempBytes));
        QVERIFY(r.rows.isEmpty());
        QCOMPARE(runOnThread(sorted, {}).outcome, TypedQuery::Outcome::Done);
        QCOMPARE(QDir(temp).entryList({QStringLiteral("query-*")}), QStringList());
    }

    // Stopped from the window thread, a query that holds on in one step (a
    // function of SQLite, a server that stopped answering) is not waited
    // for: its thread ends by itself.
    void theWindowThreadNeverWaitsForAStoppedQuery()
    {
        HoldOn hold;
        std::unique_ptr<StoppedSession> stopped;
        SqliteEngine::setTypedQueryHookForTests([&hold](sqlite3 *db) {
            sqlite3_create_function(db, "hold_on", 0, SQLITE_UTF8, &hold, &HoldOn::call, nullptr, nullptr);
        });
        TypedQueryRun run;
        run.start(testOnServer() ? QStringLiteral("SELECT pg_sleep(60)") : QStringLiteral("SELECT hold_on()"), {100000, 60s});
        if (testOnServer()) {
            QTRY_VERIFY_WITH_TIMEOUT(queryBackend() != 0, 30000);
            stopped = std::make_unique<StoppedSession>(queryBackend());
        } else {
            QVERIFY(hold.entered.tryAcquire(1, 30000));
        }
        run.stop();
        QVERIFY(!run.running());
        const bool held = testOnServer() || hold.holding;
        const int ending = TypedQueryRun::stillEnding();
        hold.released.release();
        stopped.reset();
        QVERIFY(held);
        QCOMPARE(ending, 1);
        QTRY_COMPARE_WITH_TIMEOUT(TypedQueryRun::stillEnding(), 0, 60000);
        SqliteEngine::setTypedQueryHookForTests({});
        QCOMPARE(QDir(ProgramFolder::tempFolder()).entryList({QStringLiteral("query-*")}), QStringList());
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
