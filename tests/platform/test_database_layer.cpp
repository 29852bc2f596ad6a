#include "common/file_names.h"
#include "common/program_folder.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/sqlite_cache.h"
#include "platform/db/server_connection.h"
#include "platform/db/transaction.h"
#include "platform/db/typed_query.h"
#include "platform/db/work_tables.h"
#include "platform/instance_lock.h"
#include "query_plans.h"
#include "test_registry.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <dlfcn.h>

namespace {
const QString kMain = QStringLiteral("test-main");
const QString kOther = QStringLiteral("test-other");

int count(const QString &table, const QSqlDatabase &db)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table, {}, db).toInt();
}
} // namespace

class DatabaseLayer : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QSqlDatabase db() { return QSqlDatabase::database(kMain, false); }

private Q_SLOTS:
    void init()
    {
        ProgramFolder::setPath(m_dir.path());
        QFile::remove(m_dir.filePath(QStringLiteral("t.sqlite")));
        QString error;
        QVERIFY2(Db::open(kMain, m_dir.filePath(QStringLiteral("t.sqlite")), true, &error),
                 qPrintable(error));
        Db::setCurrentConnection(kMain);
        Db::execute(QStringLiteral("CREATE TABLE Produkti (ID INTEGER, Opisanie TEXT)"));
    }

    void cleanup()
    {
        Db::close(kOther);
        Db::close(kMain);
        Db::setCurrentConnection(QString());
    }

    // Statements are kept per connection: a connection closed and opened
    // again on another file, or another connection, never runs the old ones.
    void keptStatementsFollowTheirConnection()
    {
        const QString byId = QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = ?");
        const QString add = QStringLiteral("INSERT INTO Produkti (ID, Opisanie) VALUES (?, ?)");
        Db::execute(add, {1, QStringLiteral("първа")});
        QCOMPARE(Db::scalar(byId, {1}).toString(), QStringLiteral("първа"));
        Db::close(kMain);
        QString error;
        QVERIFY2(Db::open(kMain, m_dir.filePath(QStringLiteral("u.sqlite")), true, &error), qPrintable(error));
        Db::execute(QStringLiteral("CREATE TABLE IF NOT EXISTS Produkti (ID INTEGER, Opisanie TEXT)"));
        Db::execute(QStringLiteral("DELETE FROM Produkti"));
        Db::execute(add, {1, QStringLiteral("втора")});
        QCOMPARE(Db::scalar(byId, {1}).toString(), QStringLiteral("втора"));
        QCOMPARE(Db::rows(byId, {1}).size(), 1);
        QVERIFY(Db::open(kOther, m_dir.filePath(QStringLiteral("t.sqlite")), false, &error));
        const QSqlDatabase other = QSqlDatabase::database(kOther, false);
        QCOMPARE(Db::scalar(byId, {1}, other).toString(), QStringLiteral("първа"));
        QCOMPARE(Db::firstRow(byId, {1})->value(0).toString(), QStringLiteral("втора"));
        // A failing statement leaves nothing open: the next write of another workstation goes through.
        QVERIFY_THROWS_EXCEPTION(DbError, Db::execute(add, {QVariant(), QVariant(), 3}));
        QCOMPARE(Db::execute(add, {2, QStringLiteral("друга")}, other), 1);
        QFile::remove(m_dir.filePath(QStringLiteral("u.sqlite")));
    }

    void unicodeUpperAndLowerFoldCyrillic()
    {
        QCOMPARE(Db::scalar(QStringLiteral("SELECT UPPER(?)"), {QStringLiteral("хляб ё")}).toString(),
                 QStringLiteral("ХЛЯБ Ё"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT LOWER(?)"), {QStringLiteral("ХЛЯБ")}).toString(),
                 QStringLiteral("хляб"));
        QVERIFY(Db::scalar(QStringLiteral("SELECT UPPER(NULL)")).isNull());
        // Folded on the bytes or by Qt, each character as Qt folds it, alone
        // and among others.
        QString all;
        for (const auto &[from, to] : {std::pair{0x1, 0x500}, std::pair{0x2000, 0x2130}})
            for (char32_t u = char32_t(from); u < char32_t(to); ++u) {
                const QString one = QString::fromUcs4(&u, 1);
                all += one;
                QCOMPARE(Db::scalar(QStringLiteral("SELECT UPPER(?)"), {one}).toString(), one.toUpper());
            }
        for (const QString &text : {all, QStringLiteral("ѐџ абв – „Мляко“… xyz"), QStringLiteral("Мляко № 5 ß")})
            QCOMPARE(Db::scalar(QStringLiteral("SELECT UPPER(?)"), {text}).toString(), text.toUpper());
        for (const char *name : {"Бял Хляб", "Мляко", "100% сок", "a_b", "a\\b"})
            Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie) VALUES (1, ?)"),
                        {QString::fromUtf8(name)});
        auto found = [](const QString &typed) {
            QStringList out;
            for (const QSqlRecord &r :
                 Db::rows(QStringLiteral("SELECT Opisanie FROM Produkti WHERE UPPER(Opisanie) LIKE "
                                         "UPPER(?) ESCAPE '\\' ORDER BY Opisanie"),
                          {Db::likeContains(typed)}))
                out.append(r.value(0).toString());
            return out;
        };
        QCOMPARE(found(QStringLiteral("хляб")), QStringList{QStringLiteral("Бял Хляб")});
        QCOMPARE(found(QStringLiteral("%")), QStringList{QStringLiteral("100% сок")});
        QCOMPARE(found(QStringLiteral("_")), QStringList{QStringLiteral("a_b")});
        QCOMPARE(found(QStringLiteral("\\")), QStringList{QStringLiteral("a\\b")});
        QCOMPARE(found(QStringLiteral("\"")), QStringList{});
    }

    void nestedGuardJoinsTheOuterTransaction()
    {
        {
            WriteTransaction outer;
            Db::execute(QStringLiteral("INSERT INTO Produkti VALUES (1, 'a')"));
            {
                WriteTransaction inner;
                QVERIFY(inner.isNested());
                Db::execute(QStringLiteral("INSERT INTO Produkti VALUES (2, 'b')"));
                inner.commit();
            }
            QCOMPARE(count(QStringLiteral("Produkti"), db()), 2);
            outer.rollback();
        }
        QCOMPARE(count(QStringLiteral("Produkti"), db()), 0); // the outer rollback undoes both
        QVERIFY(!WriteTransaction::anyOpen());

        {
            WriteTransaction outer;
            Db::execute(QStringLiteral("INSERT INTO Produkti VALUES (1, 'a')"));
            try {
                WriteTransaction inner;
                Db::execute(QStringLiteral("INSERT INTO Produkti VALUES (2, 'b')"));
                Db::execute(QStringLiteral("INSERT INTO NoSuchTable VALUES (1)"));
                inner.commit();
            } catch (const DbError &) {
            }
            outer.commit();
        }
        QCOMPARE(Db::rows(QStringLiteral("SELECT ID FROM Produkti")).size(), 1); // only the outer row
        QVERIFY(!WriteTransaction::anyOpen());
    }

    void guardLeftWithoutCommitRollsBack()
    {
        try {
            WriteTransaction tx;
            Db::execute(QStringLiteral("INSERT INTO Produkti VALUES (1, 'a')"));
            throw DbError(QStringLiteral("stop"));
        } catch (const DbError &) {
        }
        QCOMPARE(count(QStringLiteral("Produkti"), db()), 0);
    }

    void otherWorkstationCommitsWhileAListIsOpen()
    {
        {
            WriteTransaction tx;
            for (int i = 0; i < 1000; ++i)
                Db::execute(QStringLiteral("INSERT INTO Produkti VALUES (?, ?)"),
                            {i, QStringLiteral("Артикул %1").arg(i)});
            tx.commit();
        }
        SqlListModel list;
        list.setQuery(QStringLiteral("SELECT * FROM Produkti WHERE ID >= ? ORDER BY ID"), {0});
        QCOMPARE(list.rowCount(), 1000);
        QCOMPARE(list.value(999, QStringLiteral("opisanie")).toString(), QStringLiteral("Артикул 999"));

        QString error;
        QVERIFY(Db::open(kOther, m_dir.filePath(QStringLiteral("t.sqlite")), false, &error));
        const QSqlDatabase other = QSqlDatabase::database(kOther, false);
        Db::execute(QStringLiteral("PRAGMA busy_timeout = 300"), {}, other);
        WriteTransaction tx(other);
        Db::execute(QStringLiteral("INSERT INTO Produkti VALUES (5000, 'нов')"), {}, other);
        tx.commit(); // would fail with "database is locked" while the list held its statement
        list.refresh();
        QCOMPARE(list.rowCount(), 1001);
    }

    void listModelReadsByFieldNameAndShowsShortDates()
    {
        ColumnRegistry::registerDateColumn(QStringLiteral("Data_Test"));
        Db::execute(QStringLiteral("CREATE TABLE D (ID INTEGER, Data_Test TEXT, Hidden TEXT)"));
        Db::execute(QStringLiteral("INSERT INTO D VALUES (7, '2026-12-07', 'x')"));
        SqlListModel list;
        list.setQuery(QStringLiteral("SELECT * FROM D"));
        list.setHeaderTitle(QStringLiteral("Data_Test"), QStringLiteral("Дата"));
        QCOMPARE(list.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Дата"));
        QCOMPARE(list.data(list.index(0, 1)).toString(), QStringLiteral("07.12.2026"));
        QCOMPARE(list.data(list.index(0, 1), Qt::EditRole).toString(), QStringLiteral("2026-12-07"));
        QCOMPARE(list.record(0).value(QStringLiteral("Hidden")).toString(), QStringLiteral("x"));
        QCOMPARE(list.findRow(QStringLiteral("ID"), 7), 0);
        QCOMPARE(list.fieldIndex(QStringLiteral("nope")), -1);
        Db::execute(QStringLiteral("CREATE TABLE N (Kol DOUBLE)"));
        Db::execute(QStringLiteral("INSERT INTO N VALUES (1000000), (0.1)"));
        list.setQuery(QStringLiteral("SELECT Kol FROM N ORDER BY Kol DESC"));
        QCOMPARE(list.data(list.index(0, 0)).toString(), QStringLiteral("1000000"));
        QCOMPARE(list.data(list.index(1, 0)).toString(), QStringLiteral("0.1"));
    }

    void workTablesJoinAndEmpty()
    {
        WorkTables::create(QStringLiteral("Oferta_TMP"), QStringLiteral("Art_ID INTEGER, Kol DOUBLE"));
        Db::execute(QStringLiteral("INSERT INTO Produkti VALUES (3, 'Хляб')"));
        Db::execute(QStringLiteral("INSERT INTO work.Oferta_TMP VALUES (3, 2.5)"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT p.Opisanie FROM work.Oferta_TMP o JOIN Produkti p "
                                           "ON p.ID = o.Art_ID"))
                     .toString(),
                 QStringLiteral("Хляб"));
        WorkTables::create(QStringLiteral("Oferta_TMP"), QStringLiteral("Art_ID INTEGER, Kol DOUBLE"));
        QCOMPARE(count(QStringLiteral("work.Oferta_TMP"), db()), 0);
        WorkTables::drop(QStringLiteral("Oferta_TMP"));
        QVERIFY_THROWS_EXCEPTION(DbError, count(QStringLiteral("work.Oferta_TMP"), db()));
        QVERIFY(WorkTables::filePath().startsWith(ProgramFolder::file(QStringLiteral("TEMP"))));
    }

    void referencedRecordsAreFound()
    {
        ColumnRegistry::clearReferences();
        ColumnRegistry::registerReference(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"),
                                          QStringLiteral("Store_Kol"), QStringLiteral("Sklad_ID"));
        ColumnRegistry::registerReference(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"),
                                          QStringLiteral("NotCreatedYet"), QStringLiteral("Sklad"));
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"), 2),
                 QString());
        Db::execute(QStringLiteral("CREATE TABLE Store_Kol (Art_ID INTEGER, Sklad_ID INTEGER, Kol DOUBLE)"));
        Db::execute(QStringLiteral("INSERT INTO Store_Kol VALUES (1, 2, 0)"));
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"), 2),
                 QStringLiteral("Store_Kol"));
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"), 3),
                 QString());
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"), 2, db(),
                                              {QStringLiteral("Store_Kol")}),
                 QString());

        // A column that names a group or an article by the value of another column.
        Db::execute(QStringLiteral("CREATE TABLE Rules (Kind TEXT, Target INTEGER)"));
        Db::execute(QStringLiteral("INSERT INTO Rules VALUES ('G', 5), ('A', 7)"));
        ColumnRegistry::registerReference(QStringLiteral("Grupi"), QStringLiteral("ID"), QStringLiteral("Rules"),
                                          QStringLiteral("Target"), QStringLiteral("Kind"), QStringLiteral("G"));
        ColumnRegistry::registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"), QStringLiteral("Rules"),
                                          QStringLiteral("Target"), QStringLiteral("Kind"), QStringLiteral("A"));
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Grupi"), QStringLiteral("ID"), 5), QStringLiteral("Rules"));
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Grupi"), QStringLiteral("ID"), 7), QString());
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Produkti"), QStringLiteral("ID"), 7),
                 QStringLiteral("Rules"));
        // A re-keyed group takes its rows along, the article's row stays.
        ColumnRegistry::moveReferences(QStringLiteral("Grupi"), QStringLiteral("ID"), 7, 8, db());
        ColumnRegistry::moveReferences(QStringLiteral("Grupi"), QStringLiteral("ID"), 5, 7, db());
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Rules WHERE Target = 7")).toInt(), 2);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Rules WHERE Target = 8")).toInt(), 0);
        ColumnRegistry::clearReferences();
    }

    void failedStatementCarriesItsText()
    {
        // Bulgarian first; the engine's own text follows for the log.
        try {
            Db::execute(QStringLiteral("SELECT * FROM Nowhere WHERE x = ?"), {1});
            QFAIL("no error");
        } catch (const DbError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Заявката към базата данни не беше изпълнена.\n(")),
                     qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("Nowhere")));
            QCOMPARE(QString::fromUtf8(e.what()), e.message());
            QCOMPARE(e.sql(), QStringLiteral("SELECT * FROM Nowhere WHERE x = ?"));
            QVERIFY(!e.busy());
        }
    }

    void engineErrorsAreToldInBulgarian()
    {
        const struct {
            int code;
            const char *engine;
            const char *bulgarian;
        } cases[] = {
            {SQLITE_BUSY, "database is locked", Db::BusyText},
            {SQLITE_LOCKED, "database table is locked", Db::BusyText},
            {SQLITE_FULL, "database or disk is full", "Няма място на диска за базата данни. Нищо не беше записано."},
            {SQLITE_CORRUPT, "database disk image is malformed", "Файлът на базата данни е повреден."},
            {SQLITE_NOTADB, "file is not a database", "Файлът на базата данни е повреден."},
            {SQLITE_READONLY, "attempt to write a readonly database",
             "Базата данни не може да бъде променяна: няма право на запис в папката или във файла й."},
            {SQLITE_IOERR | (10 << 8), "disk I/O error", "Грешка при четене или запис на файла на базата данни."},
            // The driver's own failure without a code of the engine.
            {-1, "database is locked", Db::BusyText},
        };
        for (const auto &c : cases) {
            const QSqlError error(QStringLiteral("Unable to fetch row"), QString::fromUtf8(c.engine),
                                  QSqlError::StatementError, QString::number(c.code));
            QCOMPARE(Db::errorText(error),
                     QString::fromUtf8(c.bulgarian) + QStringLiteral("\n(") + QString::fromUtf8(c.engine)
                         + QLatin1Char(')'));
        }
    }

    void busyDatabaseWaitsThenSaysSoInBulgarian()
    {
        QString error;
        QVERIFY(Db::open(kOther, m_dir.filePath(QStringLiteral("t.sqlite")), false, &error));
        const QSqlDatabase other = QSqlDatabase::database(kOther, false);
        Db::execute(QStringLiteral("PRAGMA busy_timeout = 300"), {}, db());
        WriteTransaction held(other); // another workstation writes
        QElapsedTimer waited;
        waited.start();
        try {
            WriteTransaction tx;
            Db::execute(QStringLiteral("INSERT INTO Produkti VALUES (1, 'хляб')"));
            tx.commit();
            QFAIL("written while another workstation held the database");
        } catch (const DbError &e) {
            QVERIFY(waited.elapsed() >= 250); // the wait was used, not skipped
            QVERIFY(e.busy());
            QVERIFY2(e.message().startsWith(QString::fromUtf8(Db::BusyText) + QStringLiteral("\n(database is locked")),
                     qPrintable(e.message()));
        }
        held.rollback();
        QCOMPARE(count(QStringLiteral("Produkti"), db()), 0);
    }

    // The name a till is known by gives every name derived from it one to
    // one: two names never meet; a name of letters, digits and "_.-" keeps
    // the derived names it always had.
    void workstationNamesStayApart()
    {
        const QString ascii300(300, QLatin1Char('k'));
        for (const QString &same : {QStringLiteral("KASA1"), QStringLiteral("kasa-2.shop_local"), QStringLiteral("x"), ascii300})
            QCOMPARE(WorkTables::derivedName(same), same);
        QCOMPARE(WorkTables::derivedName(QStringLiteral("Каса1")), QStringLiteral("%D0%9A%D0%B0%D1%81%D0%B01"));
        const QString longName = QString(100, QChar(0x0416));
        const QList<QPair<QString, QString>> apart{
            {QStringLiteral("Каса1"), QStringLiteral("Бара1")},
            {QStringLiteral("Каса1"), QStringLiteral("каса1")},
            {QStringLiteral("a b"), QStringLiteral("a_b")},
            {QStringLiteral("a+b"), QStringLiteral("a_b")},
            {QStringLiteral("a%20b"), QStringLiteral("a b")},
            {QStringLiteral("a%b"), QStringLiteral("a%25b")},
            {QStringLiteral("a~b"), QStringLiteral("a%7Eb")},
            {longName + QStringLiteral("а"), longName + QStringLiteral("б")},
            {longName, WorkTables::derivedName(longName)},
        };
        static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_.%~-]+$"));
        for (const auto &[a, b] : apart) {
            const QString da = WorkTables::derivedName(a), db = WorkTables::derivedName(b);
            QVERIFY2(da != db, qPrintable(a + QStringLiteral(" / ") + b));
            for (const QString &d : {da, db}) {
                QVERIFY2(plain.match(d).hasMatch() && d.size() <= 120, qPrintable(d));
                QVERIFY(FileNames::isPlain(QStringLiteral("query-") + d + QStringLiteral("-4194304-1000.sqlite")));
            }
        }

        // Everything named after this workstation takes the derived name; messages the typed one.
        const QByteArray saved = qgetenv("VENTAROS_WORKSTATION");
        qputenv("VENTAROS_WORKSTATION", QStringLiteral(" Каса1 ").toUtf8());
        const QString key = QStringLiteral("%D0%9A%D0%B0%D1%81%D0%B01");
        QCOMPARE(WorkTables::workstationName(), QStringLiteral("Каса1"));
        QCOMPARE(WorkTables::workstationKey(), key);
        QCOMPARE(QFileInfo(WorkTables::filePath()).fileName(), QStringLiteral("work-") + key + QStringLiteral(".sqlite"));
        QVERIFY(QFileInfo(InstanceLock::filePath()).fileName().contains(key));
        QCOMPARE(PostgresEngine::workSchema(), QStringLiteral("\"work_") + key + QLatin1Char('"'));
        QVERIFY(InstanceLock::refusalText().contains(QStringLiteral("Каса1")));
        qputenv("VENTAROS_WORKSTATION", QString(40, QChar(0x0416)).toUtf8());
        QVERIFY(PostgresEngine::workSchema().toUtf8().size() <= 63);
        qputenv("VENTAROS_WORKSTATION", saved);
    }

    // A connection's page cache and memory map follow the size of the file
    // it opens: SQLite's own cache for a small file, the file's size for a
    // larger one, the map the whole file with room to grow.
    // A shop on SQLite never loads libpq (nor the Kerberos, LDAP and TLS
    // libraries behind it): a start does not wait for them.
    void sqliteNeverLoadsTheServerClientLibrary()
    {
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Produkti")).toInt(), 0);
        void *pq = ::dlopen("libpq.so.5", RTLD_NOW | RTLD_NOLOAD);
        if (pq)
            ::dlclose(pq);
        QVERIFY(!pq);
    }

    void cacheAndMapSizedForTheFile()
    {
        const QString file = m_dir.filePath(QStringLiteral("t.sqlite"));
        Db::execute(QStringLiteral("CREATE TABLE Filler (B BLOB)"));
        for (const int megabytes : {0, 6}) {
            Db::execute(QStringLiteral("INSERT INTO Filler VALUES (zeroblob(?))"), {megabytes * 1024 * 1024});
            QString error;
            QVERIFY2(Db::open(kOther, file, false, &error), qPrintable(error));
            const QSqlDatabase other = QSqlDatabase::database(kOther, false);
            const SqliteCache::Sizes s = SqliteCache::sizesFor(QFileInfo(file).size());
            QCOMPARE(Db::scalar(QStringLiteral("PRAGMA main.cache_size"), {}, other).toLongLong(), -s.cacheKiB);
            QCOMPARE(Db::scalar(QStringLiteral("PRAGMA main.mmap_size"), {}, other).toLongLong(), s.mapBytes);
            Db::close(kOther);
        }
        const struct {
            qint64 file, cacheKiB, mapBytes;
        } cases[] = {{0, SqliteCache::DefaultCacheKiB, 64 * SqliteCache::MiB},
                     {10 * SqliteCache::MiB + 1, 10 * 1024 + 1, 84 * SqliteCache::MiB + 2},
                     {4096 * SqliteCache::MiB, 256 * 1024, SqliteCache::MapBound}};
        for (const auto &c : cases) {
            QCOMPARE(SqliteCache::sizesFor(c.file).cacheKiB, c.cacheKiB);
            QCOMPARE(SqliteCache::sizesFor(c.file).mapBytes, c.mapBytes);
        }
    }
};
VTEST(DatabaseLayer)

// What the database layer offers where the engines differ, on the tests' engine.
class EngineHelpers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void leadingIntegerReadsTextsAsSqliteCastDoes()
    {
        TestProgram program;
        createTestTable(QStringLiteral("T_Numbers"), QStringLiteral("N INTEGER, S TEXT"));
        const struct {
            const char *text;
            long long value;
        } rows[] = {{"0041", 41}, {"  7", 7}, {"12a", 12}, {"-3", -3}, {"", 0}, {"abc", 0}, {"1234567890123", 1234567890123}};
        int n = 0;
        for (const auto &r : rows)
            Db::execute(QStringLiteral("INSERT INTO T_Numbers (N, S) VALUES (?, ?)"), {++n, QString::fromUtf8(r.text)});
        const QString number = Db::leadingInteger(QStringLiteral("S"));
        n = 0;
        for (const auto &r : rows)
            QCOMPARE(Db::scalar(QStringLiteral("SELECT COALESCE(%1, 0) FROM T_Numbers WHERE N = ?").arg(number), {++n})
                         .toLongLong(),
                     r.value);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT MAX(%1) FROM T_Numbers").arg(number)).toLongLong(), 1234567890123LL);
    }

    // A server connection's own settings: a list's statement is planned with
    // its values and never compiled for the cost guessed for every row; a
    // page is looked up along the indexes, its plan weighing no cache of
    // look-ups.
    void aServerSessionIsSetForTheProgram()
    {
        if (!testOnServer())
            QSKIP("a server's session");
        TestProgram program;
        for (const auto &[name, value] : {std::pair{"jit", "off"}, std::pair{"plan_cache_mode", "force_custom_plan"},
                                          std::pair{"client_min_messages", "warning"}, std::pair{"tcp_keepalives_idle", "20"},
                                          std::pair{"random_page_cost", "1.1"}, std::pair{"enable_memoize", "off"}})
            QCOMPARE(Db::scalar(QStringLiteral("SELECT current_setting(?)"), {QString::fromLatin1(name)}).toString(),
                     QString::fromLatin1(value));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT setting FROM pg_settings WHERE name = 'lock_timeout'")).toInt(),
                 Db::BusyTimeoutMs);
    }

    // A server whose machine takes a connection and never answers it (its
    // server stopped): each road that connects gives up at the program's
    // limit and says that the server does not answer.
    void aServerThatTakesNoConnectionIsNamed()
    {
        if (!QSqlDatabase::isDriverAvailable(QLatin1String(PostgresEngine::Driver)))
            QSKIP("no PostgreSQL driver");
        // Never accepted: the system completes the connection and the client waits for an answer.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const int port = silent.serverPort();
        Db::setWaitLimitForTests(Db::Wait::Connect, 2000);
        QString error;
        const bool opened = PostgresEngine::open(QStringLiteral("silent-open"), {QStringLiteral("127.0.0.1"), port,
                                                                                  QStringLiteral("shop"), QStringLiteral("till")},
                                                 true, &error);
        QString again, typed;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(PostgresEngine::Driver), QStringLiteral("silent-again"));
            db.setHostName(QStringLiteral("127.0.0.1"));
            db.setPort(port);
            db.setDatabaseName(QStringLiteral("shop"));
            db.setUserName(QStringLiteral("till"));
            db.setConnectOptions(QStringLiteral("connect_timeout=2"));
            if (PostgresEngine::reconnect(db, &again))
                again = QStringLiteral("connected");
            try {
                TypedQueryConnection::open(QStringLiteral("silent-again"));
                typed = QStringLiteral("connected");
            } catch (const DbError &e) {
                typed = e.message();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("silent-again"));
        Db::setWaitLimitForTests(Db::Wait::Connect, 0);
        QVERIFY(!opened);
        QVERIFY2(error.startsWith(QStringLiteral("Сървърът на базата данни 127.0.0.1:%1 не отговаря.").arg(port)),
                 qPrintable(error));
        const QString noAnswer = QString::fromUtf8(PostgresEngine::NoAnswerText);
        QVERIFY2(again.startsWith(noAnswer), qPrintable(again));
        QVERIFY2(typed.startsWith(noAnswer), qPrintable(typed));
    }

    // Whether a table is there is asked at every start and every receipt
    // file: on a server it reads the catalogue, a plan of 9 rows, where the
    // information schema's view (17) was planned whole at each run (custom
    // plans are forced), 0.4 to 1.3 ms a time.
    void aTableIsLookedUpInAnyCaseByASmallPlan()
    {
        if (!testOnServer())
            QSKIP("a server's catalogue");
        TestProgram program;
        for (const char *name : {"Produkti", "PRODUKTI", "produkti", "Versiq_Baza"})
            QVERIFY2(Db::tableExists(QString::fromLatin1(name)), name);
        QVERIFY(!Db::tableExists(QStringLiteral("Produkti_Nqma")));
        const QStringList plan = planOf(PostgresEngine::tableExistsSql(), {QStringLiteral("Produkti")});
        QVERIFY2(plan.size() <= 10, qPrintable(plan.join(QLatin1Char('\n'))));
    }
};
VTEST(EngineHelpers)

#include "test_database_layer.moc"
