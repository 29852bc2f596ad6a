#include "common/program_folder.h"
#include "common/settings.h"
#include "common/text_file.h"
#include "common/tree_file.h"
#include "platform/db/alias_file.h"
#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/server_connection.h"
#include "platform/folder_tree.h"
#include "platform/script.h"
#include "app/data_module.h"
#include "catalogue/article_record.h"
#include "shell/database_open.h"
#include "shell/general_form.h"
#include "platform/exception_log.h"
#include "shell/form_change_db.h"
#include "shell/form_sazdava_nova_baza.h"
#include "shell/server_fields.h"
#include "platform/db/server_connection.h"
#include "app/login_request.h"
#include "app/program_version.h"
#include "app/schema_version.h"
#include "app/statement_file.h"
#include "shell/version_check.h"
#include "app/long_operation.h"
#include "desk/desk_search.h"
#include "harness/query_plans.h"
#include "repair/serial_lookup.h"
#include "test_registry.h"
#include "test_support.h"
#include "schema_description.h"
#include "test_main_window_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>

namespace {
// The articles the desk's search finds, every page of a name search read; -1 when none can be.
int hitsOf(char letter, const QString &typed)
{
    int n = 0;
    std::optional<DeskSearch::Hit> after;
    for (;;) {
        const auto hits = DeskSearch::find(QLatin1Char(letter), typed, after);
        if (!hits)
            return -1;
        n += int(hits->size());
        if (letter != 'i' || hits->size() < DeskSearch::PageHits)
            return n;
        after = hits->last();
    }
}

void writeText(const QString &path, const QString &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

QStringList memoLines(const std::function<void(std::function<void(const QString &)>)> &run)
{
    QStringList lines;
    run([&](const QString &l) { lines.append(l); });
    return lines;
}

// What `actual` has that `expected` lacks or spells otherwise, one line each;
// empty when the two are the same.
QString schemaDrift(const QMap<QString, QString> &actual, const QMap<QString, QString> &expected)
{
    QStringList out;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!actual.contains(it.key()))
            out << QStringLiteral("missing %1: %2").arg(it.key(), it.value());
        else if (actual.value(it.key()) != it.value())
            out << QStringLiteral("%1:\n  is        %2\n  should be %3").arg(it.key(), actual.value(it.key()), it.value());
    }
    for (auto it = actual.cbegin(); it != actual.cend(); ++it)
        if (!expected.contains(it.key()))
            out << QStringLiteral("extra %1: %2").arg(it.key(), it.value());
    return out.join(QLatin1Char('\n'));
}

// The rows of a table, each as its values in column order, sorted.
QString tableRows(const QString &table, const QSqlDatabase &db)
{
    const QSqlRecord columns = Db::tableColumns(table, db);
    QStringList names;
    for (int i = 0; i < columns.count(); ++i)
        names << columns.fieldName(i);
    QStringList rows;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT %1 FROM %2").arg(names.join(QStringLiteral(", ")), table), {}, db)) {
        QStringList values;
        for (int i = 0; i < r.count(); ++i)
            values << (r.isNull(i) ? QStringLiteral("NULL") : r.value(i).toString());
        rows << values.join(QLatin1Char('|'));
    }
    rows.sort();
    return rows.join(QLatin1Char('\n'));
}

// The database as version v left it: what the update file's later groups
// make is taken away again (their triggers, indexes, tables and a server's
// trigger functions dropped, the columns they add dropped) and v recorded. Later groups' indexes may stand
// on older tables: they go too. What a later group makes anew that an earlier
// one made is made again as the earlier group made it (a table with the rows
// that group put in it, a server's trigger function).
void backToVersion(const QSqlDatabase &db, const StatementFile &update, int v)
{
    const auto ci = QRegularExpression::CaseInsensitiveOption;
    static const QRegularExpression index(QStringLiteral("^\\s*CREATE\\s+(?:UNIQUE\\s+)?INDEX\\s+(\\w+)"), ci);
    // A server's trigger is dropped by its table, after it its function.
    static const QRegularExpression trigger(
        QStringLiteral("^\\s*CREATE\\s+TRIGGER\\s+(\\w+)\\s.*?\\bON\\s+(\\w+)"),
        ci | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression function(QStringLiteral("^\\s*CREATE\\s+(?:OR\\s+REPLACE\\s+)?FUNCTION\\s+(\\w+)"), ci);
    // A function a later group replaces by another is made again below.
    static const QRegularExpression droppedFunction(QStringLiteral("^\\s*DROP\\s+FUNCTION\\s+(?:IF\\s+EXISTS\\s+)?(\\w+)"), ci);
    static const QRegularExpression table(QStringLiteral("^\\s*CREATE\\s+(?:VIRTUAL\\s+)?TABLE\\s+(\\w+)"), ci);
    static const QRegularExpression column(QStringLiteral("^\\s*ALTER\\s+TABLE\\s+(\\w+)\\s+ADD\\s+COLUMN\\s+(\\w+)"), ci);
    const bool server = Db::engine(db) == Db::Engine::Postgres;
    QStringList tables, functions, dropped;
    QList<std::pair<QString, QString>> columns;
    for (auto it = update.statements.cbegin(); it != update.statements.cend(); ++it) {
        if (update.versionOf.value(it.key()) <= v)
            continue;
        if (const auto m = index.match(it.value()); m.hasMatch()) {
            Db::execute(QStringLiteral("DROP INDEX IF EXISTS ") + m.captured(1), {}, db);
            dropped << m.captured(1);
        }
        if (const auto m = trigger.match(it.value()); m.hasMatch()) {
            Db::execute(QStringLiteral("DROP TRIGGER IF EXISTS ") + m.captured(1)
                            + (server ? QStringLiteral(" ON ") + m.captured(2) : QString()),
                        {}, db);
            dropped << m.captured(1);
        }
        if (const auto m = function.match(it.value()); m.hasMatch())
            functions << m.captured(1);
        if (const auto m = droppedFunction.match(it.value()); m.hasMatch())
            dropped << m.captured(1);
        if (const auto m = table.match(it.value()); m.hasMatch())
            tables << m.captured(1);
        if (const auto m = column.match(it.value()); m.hasMatch())
            columns.append({m.captured(1), m.captured(2)});
    }
    for (const auto &[t, c] : columns)
        if (!tables.contains(t))
            Db::execute(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(t, c), {}, db);
    for (const QString &t : tables)
        Db::execute(QStringLiteral("DROP TABLE IF EXISTS ") + t, {}, db);
    for (const QString &f : functions)
        Db::execute(QStringLiteral("DROP FUNCTION IF EXISTS ") + f, {}, db);
    // The earlier groups' own making of what went, the latest group first found.
    dropped << tables << functions;
    QMap<QString, int> madeBy; // name -> statement
    static const QRegularExpression made(
        QStringLiteral("^\\s*CREATE\\s+(?:UNIQUE\\s+|VIRTUAL\\s+|OR\\s+REPLACE\\s+)?(?:INDEX|TRIGGER|TABLE|FUNCTION)\\s+(\\w+)"), ci);
    for (auto it = update.statements.cbegin(); it != update.statements.cend(); ++it)
        if (const auto m = made.match(it.value()); m.hasMatch() && update.versionOf.value(it.key()) <= v
            && dropped.contains(m.captured(1)))
            madeBy.insert(m.captured(1), it.key());
    QList<int> again = madeBy.values();
    for (auto it = update.statements.cbegin(); it != update.statements.cend(); ++it)
        for (const QString &t : tables)
            if (madeBy.contains(t) && update.versionOf.value(it.key()) == update.versionOf.value(madeBy.value(t))
                && it.value().startsWith(QStringLiteral("INSERT INTO ") + t + QLatin1Char(' ')))
                again << it.key();
    std::sort(again.begin(), again.end());
    for (int key : again)
        Db::execute(update.statements.value(key), {}, db);
    SchemaVersion::record(db, v);
}
// Fills the server fields of a database window as a user types them.
void typeServer(ServerFields *f, const ServerConnection &c)
{
    QTest::mouseClick(f->RadioButton_Server, Qt::LeftButton);
    for (auto [edit, text] : {std::pair{f->Edit_Host, c.host}, std::pair{f->Edit_Port, QString::number(c.port)},
                              std::pair{f->Edit_Database, c.database}, std::pair{f->Edit_User, c.user}}) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
}

// "Нова база" on the server database `c` as a user makes it, named `name` in
// `folder`: the last line its memo shows.
QString newServerDatabase(const QString &folder, const ServerConnection &c, const QString &name)
{
    DatabaseFormMode = 1;
    TForm_Sazdava_Nova_Baza form;
    form.DirectoryListBox1->setCurrentFolder(folder);
    form.Edit_ime_baza->setText(name);
    typeServer(form.Server_Fields, c);
    QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
    return form.Memo1->toPlainText().split(QLatin1Char('\n')).last();
}

// Nothing listens there: the server "does not answer".
ServerConnection silentServer()
{
    return {QStringLiteral("127.0.0.1"), 1, QStringLiteral("magazin"), QStringLiteral("kasa")};
}
} // namespace

class StatementFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void missingSectionIsSkippedNotRepeated()
    {
        TestProgram program;
        const QString path = program.file(QStringLiteral("x.nts"));
        writeText(path, QStringLiteral("[COUNT]\nMAX=3\n[1]\nSQL=CREATE TABLE T1 (a INTEGER)\n"
                                       "[3]\nSQL=INSERT INTO T1 VALUES (3)\n"));
        const StatementFile f = StatementFile::load(path);
        QVERIFY(f.loaded);
        StatementRun run;
        const QStringList memo = memoLines([&](auto sink) {
            run = runStatementFile(f, Db::connection(), {}, {}, sink);
        });
        QVERIFY2(run.ok, qPrintable(run.error));
        QCOMPARE(memo.filter(QStringLiteral("ОПЕРАЦИЯ: ")).size(), 3);
        QCOMPARE(memo.at(1), QStringLiteral("ОПЕРАЦИЯ: 1- БЕШЕ УСПЕШНА"));
        QVERIFY(memo.at(3).startsWith(QStringLiteral("ОПЕРАЦИЯ: 2- ЛИПСВА")));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM T1")).toInt(), 1);
    }

    void anErrorRollsTheWholeRunBack()
    {
        TestProgram program;
        const QString path = program.file(QStringLiteral("x.nts"));
        writeText(path, QStringLiteral("[COUNT]\nMAX=2\n[1]\nSQL=CREATE TABLE T1 (a INTEGER)\n"
                                       "[2]\nSQL=INSERT INTO Nowhere VALUES (1)\n"));
        const StatementRun run = runStatementFile(StatementFile::load(path), Db::connection(), {},
                                                  {}, {});
        QVERIFY(!run.ok);
        QCOMPARE(run.failedIndex, 2);
        QCOMPARE(run.failedSql, QStringLiteral("INSERT INTO Nowhere VALUES (1)"));
        QVERIFY(!Db::tableExists(QStringLiteral("T1")));
    }

    void filesWithoutCountAreRefused()
    {
        TestProgram program;
        QVERIFY(!StatementFile::load(program.file(QStringLiteral("none.nts"))).loaded);
        const QString path = program.file(QStringLiteral("x.nts"));
        writeText(path, QStringLiteral("[1]\nSQL=CREATE TABLE T1 (a INTEGER)\n"));
        const StatementFile f = StatementFile::load(path);
        QVERIFY(!f.loaded);
        QVERIFY(!f.error.isEmpty());
    }

    void updateRunsOnlyGroupsAboveTheDatabaseVersion()
    {
        TestProgram program;
        const QString path = program.file(QStringLiteral("u.nts"));
        writeText(path, QStringLiteral("[COUNT]\nMAX=2\n[1]\nSQL=CREATE TABLE Old (a INTEGER)\nVer=1\n"
                                       "[2]\nSQL=CREATE TABLE New (a INTEGER)\nVer=2\n"
                                       "[DBVer-2]\nVer=1\n[DBVer-3]\nVer=0\n"));
        const StatementFile f = StatementFile::load(path);
        QCOMPARE(f.announcedVersion(), 2);
        QVERIFY(f.announces(2));
        QVERIFY(!f.announces(3));
        const StatementRun run = runStatementFile(f, Db::connection(), {1}, {}, {});
        QVERIFY(run.ok);
        QVERIFY(!Db::tableExists(QStringLiteral("Old")));
        QVERIFY(Db::tableExists(QStringLiteral("New")));
    }

    void shippedFilesAreConsistent()
    {
        // The schema the program ships: one CREATE per table, and the update
        // file announces the program's own database version.
        const StatementFile create = StatementFile::load(sourceSqlFolder() + QStringLiteral("/NewTables.nts"));
        QVERIFY(create.loaded);
        QCOMPARE(int(create.statements.size()), create.max);
        QSet<QString> tables;
        for (const QString &sql : create.statements) {
            if (!sql.startsWith(QStringLiteral("CREATE TABLE"), Qt::CaseInsensitive))
                continue;
            const QString name = sql.section(QLatin1Char(' '), 2, 2).toUpper();
            QVERIFY2(!tables.contains(name), qPrintable(name));
            tables.insert(name);
        }
        const StatementFile update = StatementFile::load(sourceSqlFolder() + QStringLiteral("/UpdateTables.nts"));
        QVERIFY(update.loaded);
        QCOMPARE(int(update.statements.size()), update.max); // none lost to a broken section head
        QCOMPARE(update.announcedVersion(), ProgramVersion::databaseVersion());
        for (int v = 1; v <= ProgramVersion::databaseVersion(); ++v)
            QVERIFY2(update.announces(v), qPrintable(QString::number(v)));
        // The server's update file: every version from its first on.
        const StatementFile server = StatementFile::load(sourceSqlFolder() + QStringLiteral("/UpdateTables.pg.nts"));
        QVERIFY(server.loaded && !server.announced.isEmpty());
        QCOMPARE(server.announcedVersion(), ProgramVersion::databaseVersion());
        for (int v = *std::min_element(server.announced.cbegin(), server.announced.cend());
             v <= ProgramVersion::databaseVersion(); ++v)
            QVERIFY2(server.announces(v), qPrintable(QString::number(v)));
        for (auto it = server.versionOf.cbegin(); it != server.versionOf.cend(); ++it)
            QVERIFY(server.announces(it.value()));
    }

    void serverStatementsAreTheTwinsOfSqlites()
    {
        // The two statement files, each run on an empty database of its
        // engine, make the same tables, columns, keys and indexes, column by
        // column, and the same rows.
        if (!testOnServer())
            QSKIP("needs the test server (VENTAROS_TEST_ENGINE=postgresql)");
        TestProgram program(false);
        const QString server = program.file(QStringLiteral("server"));
        const ServerTestDatabase empty(server);
        const struct {
            Db::Engine engine;
            QString name;
            QString folder;
        } twins[] = {{Db::Engine::Sqlite, QStringLiteral("twin-sqlite"), program.file(QStringLiteral("sqlite"))},
                     {Db::Engine::Postgres, QStringLiteral("twin-server"), server}};
        QMap<QString, QString> made[2];
        for (int i = 0; i < 2; ++i) {
            const StatementFile file = StatementFile::load(TDataModule1::newTablesFile(twins[i].engine));
            QVERIFY(file.loaded);
            QDir().mkpath(twins[i].folder);
            QString error;
            QVERIFY2(Db::openForCreation(twins[i].name, twins[i].folder, &error), qPrintable(error));
            {
                const QSqlDatabase db = QSqlDatabase::database(twins[i].name, false);
                QCOMPARE(Db::engine(db), twins[i].engine);
                const StatementRun run = runStatementFile(file, db, {}, {}, {});
                QVERIFY2(run.ok, qPrintable(run.error));
                made[i] = schemaDescription(db);
                for (auto it = made[i].cbegin(); it != made[i].cend(); ++it)
                    if (it.key().startsWith(QLatin1String("table ")))
                        made[i].insert(QStringLiteral("rows ") + it.key().mid(6), tableRows(it.key().mid(6), db));
            }
            Db::discardCreation(twins[i].name);
        }
        const QString drift = schemaDrift(made[1], made[0]);
        QVERIFY2(drift.isEmpty(), qPrintable(drift));
    }

    void everyOlderVersionUpgradesToTheNewSchema()
    {
        // A database made at version v, upgraded by the shipped update file of
        // its engine, ends with exactly the schema a new database gets. A
        // server's file starts at the first version with server databases.
        const int current = ProgramVersion::databaseVersion();
        const Db::Engine engine = testOnServer() ? Db::Engine::Postgres : Db::Engine::Sqlite;
        const StatementFile shipped =
            StatementFile::load(sourceSqlFolder() + QLatin1Char('/') + Db::statementFileName(QStringLiteral("UpdateTables"), engine));
        QVERIFY(shipped.loaded);
        int first = current;
        for (int n : shipped.announced)
            first = qMin(first, n);
        for (int v = first; v <= current; ++v) {
            TestProgram program;
            const QSqlDatabase db = DataModule1->connection();
            const QMap<QString, QString> fresh = schemaDefinitions(db);
            const StatementFile update = StatementFile::load(TDataModule1::updateTablesFile());
            backToVersion(db, update, v);
            const StatementRun run = runStatementFile(
                update, db, {v, current}, [current](const QSqlDatabase &d) { SchemaVersion::record(d, current); }, {});
            QVERIFY2(run.ok, qPrintable(QStringLiteral("from %1: %2").arg(v).arg(run.error)));
            const QString drift = schemaDrift(schemaDefinitions(db), fresh);
            QVERIFY2(drift.isEmpty(), qPrintable(QStringLiteral("from %1:\n").arg(v) + drift));
        }
    }

    void upgradeGivesArticlesWithoutVatGroupTheDefault()
    {
        // Version 21 imported articles without a VAT group: the upgrade gives
        // them a new article's group and leaves every chosen group alone.
        if (testOnServer())
            QSKIP("no server database is as old as version 21");
        TestProgram program;
        const QSqlDatabase db = DataModule1->connection();
        const StatementFile update = StatementFile::load(TDataModule1::updateTablesFile());
        backToVersion(db, update, 21);
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Dan_Grup) VALUES (1, 'внесен', NULL), "
                                   "(2, 'Г', 3), (3, 'А', 0), (4, 'празен', '')"),
                    {}, db);
        const int current = ProgramVersion::databaseVersion();
        QVERIFY(runStatementFile(update, db, {21, current}, {}, {}).ok);
        QStringList groups;
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Dan_Grup FROM Produkti ORDER BY ID"), {}, db))
            groups << r.value(0).toString();
        const QString standard = QString::number(ArticleRecord::DefaultTaxGroup);
        QCOMPARE(groups, (QStringList{standard, QStringLiteral("3"), QStringLiteral("0"), standard}));
    }
};
VTEST(StatementFiles)

class DatabaseFolder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstRunCreatesTheAliasAndTheDatabase()
    {
        TestProgram program;
        QCOMPARE(AliasFile::path(), ProgramFolder::defaultDatabaseFolder());
        QVERIFY(Db::folderHoldsDatabase(ProgramFolder::defaultDatabaseFolder()));
        QCOMPARE(DataModule1->databaseVersion(), ProgramVersion::databaseVersion());
        QCOMPARE(Settings::readInteger(Keys::DBVer_Ver), ProgramVersion::databaseVersion());
        QCOMPARE(TreeFile::read(program.file(QStringLiteral("Data/Opis.pdt"))).value(0).text,
                 QStringLiteral("Всички артикули"));
        const auto op = Db::firstRow(QStringLiteral("SELECT Ime, Par, Prava FROM Operators"));
        QVERIFY(op.has_value());
        QCOMPARE(op->value(0).toString(), QString::fromUtf8(TDataModule1::FirstOperatorName));
        QVERIFY(op->value(1).toString().startsWith(QStringLiteral("pbkdf2")));
        QCOMPARE(op->value(2).toString(), QString());
    }

    // Opening the database the settings already name (every start after the
    // first) leaves the settings file as it was: nothing is written before the
    // login window.
    void reopeningTheSameDatabaseWritesNoSettings()
    {
        TestProgram program;
        const QString folder = DataModule1->databaseFolder();
        QCOMPARE(Settings::readString(Keys::DBVer_DBPath), folder);
        const QByteArray file = QFile::encodeName(Settings::filePath());
        struct stat before = {};
        QCOMPARE(::stat(file.constData(), &before), 0);
        QVERIFY(DataModule1->SET_NEW_DATABASE(folder));
        struct stat after = {};
        QCOMPARE(::stat(file.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino); // a write puts a new file in its place
        QCOMPARE(Settings::readString(Keys::DBVer_DBPath), folder);
    }

    void firstStartInAnEmptyProgramFolder()
    {
        // The program folder holds nothing; the statement files come from
        // beside the executable (here: the source tree).
        TestProgram program(false);
        QVERIFY(QDir(program.file(QStringLiteral("SQLs"))).removeRecursively());
        ProgramFolder::setDeliveryFolders({QStringLiteral(VENTAROS_SOURCE_DIR)});
        TDataModule1 dm;
        const TDataModule1::AliasOpen opened = dm.openAliasFolder();
        ProgramFolder::setDeliveryFolders({});
        QVERIFY2(opened.opened, qPrintable(opened.problems.join(QLatin1Char('\n'))));
        QVERIFY(opened.problems.isEmpty());
        QVERIFY(Db::folderHoldsDatabase(ProgramFolder::defaultDatabaseFolder()));
        QVERIFY(!QFileInfo::exists(program.file(QStringLiteral("SQLs"))));
    }

    void failedFirstStartLeavesNothingAndTheNextOffersCreation()
    {
        TestProgram program(false);
        QVERIFY(QDir(program.file(QStringLiteral("SQLs"))).removeRecursively());
        QTemporaryDir nowhere;
        ProgramFolder::setDeliveryFolders({nowhere.path()});
        const QString data = ProgramFolder::defaultDatabaseFolder();
        {
            TDataModule1 dm;
            const TDataModule1::AliasOpen failed = dm.openAliasFolder();
            QVERIFY(!failed.opened);
            QVERIFY(failed.problems.value(0).startsWith(QStringLiteral("Неуспешно създаване на базата данни")));
            QVERIFY(failed.canCreate);
            if (testOnServer()) {
                // The folder named its server database before the start: only that stays, the database empty.
                QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                         QStringList{QString::fromLatin1(ServerConnection::FileName)});
                QVERIFY(Db::canCreateIn(data));
            } else {
                QVERIFY(!QFileInfo::exists(data)); // neither Data/ nor Opis.pdt stays
            }
            QCOMPARE(AliasFile::path(), data);
        }
        // The next start, with the statement files in place.
        ProgramFolder::setDeliveryFolders({QStringLiteral(VENTAROS_SOURCE_DIR)});
        PlatformScript::clearEvents();
        PlatformScript::answer(true);
        TDataModule1 dm;
        const bool opened = DatabaseOpen::openAliasFolder(nullptr);
        ProgramFolder::setDeliveryFolders({});
        QVERIFY(opened);
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).value(0).contains(data));
        QVERIFY(Db::folderHoldsDatabase(data));
        QCOMPARE(TreeFile::read(QDir(data).filePath(QStringLiteral("Opis.pdt"))).value(0).text,
                 QStringLiteral("Всички артикули"));
    }

    void existingDataFolderKeepsWhatItHeldAfterAFailure()
    {
        // A creation that fails in a folder it did not make removes only its own files.
        TestProgram program;
        const QString folder = program.file(QStringLiteral("kept"));
        QDir().mkpath(folder);
        writeText(QDir(folder).filePath(QStringLiteral("notes.txt")), QStringLiteral("x"));
        writeText(program.file(QStringLiteral("SQLs/NewTables.nts")), QStringLiteral("[COUNT]\nMAX=1\n[1]\nSQL=BROKEN\n"));
        QString error;
        QVERIFY(!DataModule1->createInFolder(folder, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("notes.txt"))));
        QVERIFY(!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("Opis.pdt"))));
        QVERIFY(!QFileInfo::exists(Db::databaseFile(folder)));
    }

    void aliasToAFolderWithoutDatabaseCreatesNothing()
    {
        TestProgram program(false);
        const QString elsewhere = program.file(QStringLiteral("elsewhere"));
        QDir().mkpath(elsewhere);
        AliasFile::setPath(elsewhere);
        PlatformScript::answer(2); // "Изход"
        TDataModule1 dm;
        QVERIFY(!DatabaseOpen::openAliasFolder(nullptr));
        QVERIFY(!QFile::exists(Db::databaseFile(elsewhere)));
        QVERIFY(!QFile::exists(Db::databaseFile(ProgramFolder::defaultDatabaseFolder())));
        QCOMPARE(PlatformScript::events().value(0).args,
                 (QStringList{QStringLiteral("Отвори"), QStringLiteral("Нова база"),
                              QStringLiteral("Изход")}));
    }

    // A damaged database file, whatever part of it is damaged, never ends the
    // program: the start names it and offers only "Отвори" and "Изход" (never
    // a new database in its place), "Отвори" of it keeps the database that
    // was open, and neither road writes a byte of it.
    void aDamagedDatabaseFileNeverEndsTheStart()
    {
        const auto zeroPage = [](int page) {
            return [page](const QString &f) {
                QFile x(f);
                QVERIFY(x.open(QIODevice::ReadWrite));
                const QByteArray head = x.read(100);
                const int size = (uchar(head.at(16)) << 8 | uchar(head.at(17))) == 1
                                     ? 65536 : (uchar(head.at(16)) << 8 | uchar(head.at(17)));
                const qint64 at = page > 0 ? qint64(page - 1) * size : x.size() - size;
                QVERIFY(x.seek(at));
                x.write(QByteArray(size, '\0'));
            };
        };
        const char *const damaged = "Файлът на базата данни е повреден.";
        const struct {
            const char *name;
            std::function<void(const QString &file)> make;
            const char *reason;
        } cases[] = {
            {"page 1 zeroed", zeroPage(1), damaged},
            {"page 2 zeroed", zeroPage(2), damaged},
            {"last page zeroed", zeroPage(0), damaged},
            {"truncated", [](const QString &f) { QVERIFY(QFile::resize(f, QFileInfo(f).size() / 2)); }, damaged},
            {"wrong header",
             [](const QString &f) {
                 QFile x(f);
                 QVERIFY(x.open(QIODevice::ReadWrite));
                 x.write("Not a database!");
             },
             damaged},
            {"a directory",
             [](const QString &f) {
                 QVERIFY(QFile::remove(f));
                 QVERIFY(QDir().mkpath(f));
             },
             "не е обикновен файл"},
            {"an empty file", [](const QString &f) { QVERIFY(QFile::resize(f, 0)); }, "не е база данни на програмата"},
        };
        const auto state = [](const QString &f) {
            const QFileInfo info(f);
            return info.isDir() ? QDir(f).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(QLatin1Char('/'))
                                   + QStringLiteral("/dir")
                                : QString::fromLatin1(
                                      QCryptographicHash::hash(fileContents(f), QCryptographicHash::Sha256).toHex());
        };
        for (const auto &c : cases) {
            TestProgram program(false);
            const QString folder = program.file(QStringLiteral("shop"));
            const QString working = program.file(QStringLiteral("working"));
            QDir().mkpath(folder);
            QDir().mkpath(working);
            {
                TDataModule1 dm;
                QVERIFY(dm.createDatabase(folder, {}, nullptr));
                QVERIFY(dm.createDatabase(working, {}, nullptr));
            }
            const QString file = Db::databaseFile(folder);
            c.make(file);
            const QString before = state(file);
            QVERIFY(AliasFile::setPath(folder));
            const auto choices = [&](int count) {
                const QStringList texts = PlatformScript::texts(QStringLiteral("choose"));
                QVERIFY2(texts.size() == count, c.name);
                for (const PlatformScript::Event &e : PlatformScript::events()) {
                    if (e.kind != QLatin1String("choose"))
                        continue;
                    QCOMPARE(e.args, (QStringList{QStringLiteral("Отвори"), QStringLiteral("Изход")}));
                    QVERIFY2(e.text.contains(QString::fromUtf8(c.reason)), qPrintable(e.text));
                    QVERIFY2(e.text.contains(folder), c.name);
                }
            };
            const QString refused = QStringLiteral("Неуспешна смяна на базата данни:\n");
            // The start: "Отвори" on the damaged folder, then "Изход".
            {
                shelltest::resetProgramState();
                TGeneral_Form form;
                PlatformScript::answer(0);
                PlatformScript::answer(1);
                PlatformScript::setModalHandler([&](QDialog *d) {
                    auto *change = qobject_cast<TForm_Change_DB *>(d);
                    if (!change)
                        return int(QDialog::Rejected);
                    change->DirectoryListBox1->setCurrentFolder(folder);
                    QTest::mouseClick(change->BitBtn_OK, Qt::LeftButton);
                    return change->result();
                });
                QVERIFY2(!form.FormCreate(), c.name);
                PlatformScript::setModalHandler({});
                QVERIFY(form.programEnded());
                choices(2);
                const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
                QCOMPARE(messages.size(), 1);
                QVERIFY2(messages.first().startsWith(refused)
                             && messages.first().contains(QString::fromUtf8(c.reason)),
                         qPrintable(messages.first()));
                QVERIFY(!DataModule1->isOpen());
            }
            // "Отвори" while another database is open keeps that one.
            {
                PlatformScript::clearEvents();
                TDataModule1 dm;
                QVERIFY(dm.SET_NEW_DATABASE(working));
                TForm_Change_DB form;
                form.DirectoryListBox1->setCurrentFolder(folder);
                QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
                const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
                QCOMPARE(messages.size(), 1);
                QVERIFY2(messages.first().startsWith(refused)
                             && messages.first().contains(QString::fromUtf8(c.reason)),
                         qPrintable(messages.first()));
                QCOMPARE(dm.databaseFolder(), QDir::cleanPath(working));
                QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Operators")).toInt(), 1);
                QCOMPARE(AliasFile::path(), folder);
            }
            QVERIFY2(state(file) == before, c.name);
            QVERIFY2(!QFile::exists(file + QStringLiteral("-journal")), c.name);
            QVERIFY2(!QFile::exists(ExceptionLog::filePath()), c.name); // nothing escaped a road
        }
        // The upgrade of a database with a damaged page stops, says why and
        // leaves the file as it was.
        {
            TestProgram program(false);
            const QString folder = program.file(QStringLiteral("old"));
            QDir().mkpath(folder);
            TDataModule1 dm;
            QVERIFY(dm.createDatabase(folder, {}, nullptr));
            QVERIFY(dm.SET_NEW_DATABASE(folder));
            const int version = ProgramVersion::databaseVersion();
            SchemaVersion::record(dm.connection(), version - 1);
            const int root = Db::scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'Valuti'"))
                                 .toInt();
            const int pageSize = Db::scalar(QStringLiteral("PRAGMA page_size")).toInt();
            {
                QFile x(Db::databaseFile(folder));
                QVERIFY(x.open(QIODevice::ReadWrite) && x.seek(qint64(root - 1) * pageSize));
                x.write(QByteArray(pageSize, '\0'));
            }
            QVERIFY(dm.SET_NEW_DATABASE(folder)); // read afresh
            writeText(program.file(QStringLiteral("SQLs/UpdateTables.nts")),
                      QStringLiteral("[COUNT]\nMAX=2\n[1]\nSQL=CREATE TABLE Extra (a INTEGER)\nVer=%1\n"
                                     "[2]\nSQL=CREATE INDEX Valuti_Kurs ON Valuti (Kurs)\nVer=%1\n[DBVer-%1]\nVer=1\n")
                          .arg(version));
            const QString before = state(Db::databaseFile(folder));
            DatabaseFormMode = 2;
            TForm_Sazdava_Nova_Baza form;
            QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
            const QString text = PlatformScript::texts(QStringLiteral("message")).value(0);
            QVERIFY2(text.startsWith(QStringLiteral("Прекратена актуализация")) && text.contains(QString::fromUtf8(damaged)),
                     qPrintable(text));
            QCOMPARE(state(Db::databaseFile(folder)), before);
            QCOMPARE(SchemaVersion::read(dm.connection()), version - 1);
        }
        // An exception that escapes the start for any other reason is logged,
        // said, and ends the start in order.
        TestProgram program;
        shelltest::resetProgramState();
        TGeneral_Form form;
        PlatformScript::setModalHandler([](QDialog *) -> int { throw std::runtime_error("login window broke"); });
        QVERIFY(!form.FormCreate());
        PlatformScript::setModalHandler({});
        QVERIFY(form.programEnded());
        QVERIFY(TextFile::readLines(ExceptionLog::filePath()).join(QLatin1Char('\n')).contains(
            QStringLiteral("!login window broke!")));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
    }

    void aWriteCutOffByACrashIsRolledBackWhenTheFolderOpens()
    {
        // Copies of a database taken in the middle of a write that had
        // already reached the file: what a power cut leaves.
        TestProgram program;
        const QString crashed = program.file(QStringLiteral("crashed"));
        QDir().mkpath(crashed);
        QVERIFY(DataModule1->createDatabase(crashed, {}, nullptr));
        const QString kept = program.file(QStringLiteral("kept.sqlite"));
        {
            sqlite3 *raw = nullptr;
            QCOMPARE(sqlite3_open_v2(Db::databaseFile(crashed).toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE,
                                     nullptr),
                     SQLITE_OK);
            QCOMPARE(sqlite3_exec(raw,
                                  "PRAGMA cache_size = 10; BEGIN IMMEDIATE; DELETE FROM Operators; "
                                  "CREATE TABLE Half (x BLOB); WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 "
                                  "FROM c WHERE n < 2000) INSERT INTO Half SELECT zeroblob(500) FROM c",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
            QVERIFY(QFile::copy(Db::databaseFile(crashed), kept));
            QVERIFY(QFile::copy(Db::databaseFile(crashed) + QStringLiteral("-journal"), kept + QStringLiteral("-journal")));
            sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(raw);
        }
        int copies = 0;
        auto crashedCopy = [&] {
            const QString folder = program.file(QStringLiteral("copy%1").arg(++copies));
            QDir().mkpath(folder);
            QFile::copy(kept, Db::databaseFile(folder));
            QFile::copy(kept + QStringLiteral("-journal"), Db::databaseFile(folder) + QStringLiteral("-journal"));
            // An upgrade cut off between its commit and the settings file.
            Settings::writeInteger(Keys::DBVer_Ver, 1);
            PlatformScript::clearEvents();
            return folder;
        };
        auto rolledBack = [&](const QString &folder) {
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList());
            QCOMPARE(PlatformScript::texts(QStringLiteral("choose")), QStringList());
            QCOMPARE(DataModule1->databaseFolder(), QDir::cleanPath(folder));
            QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Operators")).toInt(), 1);
            QVERIFY(!Db::tableExists(QStringLiteral("Half")));
            QVERIFY(!QFile::exists(Db::databaseFile(folder) + QStringLiteral("-journal")));
            QCOMPARE(Settings::readInteger(Keys::DBVer_Ver), ProgramVersion::databaseVersion());
        };
        // The switch of database.
        const QString switched = crashedCopy();
        {
            TForm_Change_DB form;
            form.DirectoryListBox1->setCurrentFolder(switched);
            QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        }
        rolledBack(switched);
        // The start-up.
        const QString started = crashedCopy();
        QVERIFY(AliasFile::setPath(started));
        TDataModule1 dm;
        QVERIFY(DatabaseOpen::openAliasFolder(nullptr));
        rolledBack(started);
    }

    // The chosen folder is put in view when the window shows; the folders
    // the tree reads after the user has moved leave the user where he is.
    void keyboardNavigationIsNotUndoneByFoldersBeingRead()
    {
        TestProgram program;
        for (const char *folder : {"box/one", "box/two"})
            QVERIFY(QDir(program.folder()).mkpath(QString::fromLatin1(folder)));
        TForm_Change_DB form;
        FolderTree *tree = form.DirectoryListBox1;
        auto *model = qobject_cast<QFileSystemModel *>(tree->model());
        QVERIFY(model);
        const auto current = [&] { return model->filePath(tree->currentIndex()); };
        QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(loaded.contains(QVariantList{program.folder()}));
        QTRY_COMPARE(current(), DataModule1->databaseFolder());
        tree->setFocus();
        const QString box = program.file(QStringLiteral("box"));
        QTest::keyClicks(tree, QStringLiteral("box")); // the sibling whose name is typed
        QCOMPARE(current(), box);
        QTest::keyClick(tree, Qt::Key_Right); // opens it: the model reads it
        QTRY_VERIFY(loaded.contains(QVariantList{box}));
        QTRY_COMPARE(model->rowCount(model->index(box)), 2);
        QCOMPARE(current(), box);
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(current(), program.file(QStringLiteral("box/one")));
        QTest::keyClick(tree, Qt::Key_Return);
        QCOMPARE(tree->currentFolder(), program.file(QStringLiteral("box/one")));
    }

    void switchToAFolderWithoutDatabaseKeepsTheOldOne()
    {
        TestProgram program;
        const QString old = DataModule1->databaseFolder();
        const QString empty = program.file(QStringLiteral("empty"));
        QDir().mkpath(empty);
        TForm_Change_DB form;
        form.DirectoryListBox1->setCurrentFolder(empty);
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Неуспешна смяна на базата данни:\nВ папката няма файл на базата данни "
                                            "ventaros.sqlite.")});
        QCOMPARE(DataModule1->databaseFolder(), old);
        QCOMPARE(AliasFile::path(), old);
        QVERIFY(DataModule1->isOpen());
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Operators")).toInt(), 1);
    }

    void switchToAnotherDatabaseFollowsAndKeepsUnicodeUpper()
    {
        TestProgram program;
        const QString second = program.file(QStringLiteral("second"));
        QDir().mkpath(second);
        QVERIFY(DataModule1->createDatabase(second, {}, nullptr));
        int logins = 0;
        LoginRequest::setHandler([&] { ++logins; });
        QString switchedTo;
        connect(DataModule1, &TDataModule1::databaseChanged, this,
                [&](const QString &f) { switchedTo = f; });
        TForm_Change_DB form;
        form.DirectoryListBox1->setCurrentFolder(second);
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        LoginRequest::setHandler({});
        QCOMPARE(logins, 1);
        QCOMPARE(switchedTo, QDir::cleanPath(second));
        QCOMPARE(AliasFile::path(), QDir::cleanPath(second));
        QCOMPARE(Settings::readString(Keys::DBVer_DBPath), QDir::cleanPath(second));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT UPPER(?)"), {QStringLiteral("хляб")}).toString(),
                 QStringLiteral("ХЛЯБ"));
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES (?, 1)"),
                    {QStringLiteral("Лев")});
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Valuti WHERE UPPER(Opisanie) LIKE "
                                           "UPPER(?) ESCAPE '\\'"),
                            {Db::likeContains(QStringLiteral("ЛЕВ"))})
                     .toInt(),
                 1);
    }

    void failedAliasWriteKeepsTheOldDatabase()
    {
        TestProgram program;
        const QString old = DataModule1->databaseFolder();
        const QString second = program.file(QStringLiteral("second"));
        QDir().mkpath(second);
        QVERIFY(DataModule1->createDatabase(second, {}, nullptr));
        // The alias file cannot be replaced (a folder took its name).
        QVERIFY(QFile::remove(AliasFile::filePath()));
        QVERIFY(QDir().mkpath(AliasFile::filePath()));
        int logins = 0;
        LoginRequest::setHandler([&] { ++logins; });
        TForm_Change_DB form;
        form.DirectoryListBox1->setCurrentFolder(second);
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        LoginRequest::setHandler({});
        // The reason on the next line.
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Неуспешна смяна на базата данни:\nНастройката на базата данни не може да "
                                            "бъде записана в ")
                             + AliasFile::filePath() + QStringLiteral("\nФайлът ") + AliasFile::filePath()
                             + QStringLiteral(" не може да бъде прочетен; записът върху него е отказан.")});
        QCOMPARE(DataModule1->databaseFolder(), old);
        QCOMPARE(logins, 0);
        QVERIFY(DataModule1->isOpen());
    }

    // A line of stray bytes in a settings file (typed in another editor) reads
    // as code page 1251 alone: the Cyrillic firm name and the program folder's
    // Cyrillic path around it read as they were written, after every save too,
    // and the start finds the database whole.
    void aStrayLineInASettingsFileLeavesTheOtherLinesAsTheyRead()
    {
        QTemporaryDir parent;
        const QString cyrillic = parent.filePath(QStringLiteral("Магазин Първи"));
        QVERIFY(QDir().mkpath(cyrillic));
        TestProgram program(true, cyrillic);
        const QString name = QStringLiteral("Магазин Първи ООД");
        const QString data = ProgramFolder::defaultDatabaseFolder();
        QVERIFY(Settings::writeString(Keys::Firm_Data_Name, name));
        const QByteArray stray("\x80\x81\xff junk\n");
        for (const QString &file : {Settings::filePath(), AliasFile::filePath()})
            QVERIFY(putFile(file, fileContents(file) + stray));
        for (int round = 0; round < 2; ++round) { // as the junk left it, then as written back
            QCOMPARE(Settings::readString(Keys::Firm_Data_Name), name);
            QCOMPARE(AliasFile::path(), data);
            TDataModule1 dm;
            PlatformScript::clearEvents();
            QVERIFY(DatabaseOpen::openAliasFolder(nullptr));
            QCOMPARE(PlatformScript::events().size(), 0);
            QCOMPARE(dm.databaseFolder(), data);
            QVERIFY(Settings::writeString(Keys::Store_ActiveOper, QStringLiteral("Мария")));
            QVERIFY(AliasFile::setPath(dm.databaseFolder()));
        }
        QVERIFY(QString::fromUtf8(fileContents(Settings::filePath())).contains(QStringLiteral("Name=") + name));
        QVERIFY(QString::fromUtf8(fileContents(AliasFile::filePath())).contains(QStringLiteral("PATH=") + data));
    }

    void startupVersionCheckTexts()
    {
        TestProgram program;
        PlatformScript::clearEvents();
        QCOMPARE(VersionCheck::run(5, 5, nullptr), VersionCheck::Outcome::UpToDate);
        QVERIFY(PlatformScript::events().isEmpty());

        writeText(program.file(testSqlFile(QStringLiteral("UpdateTables"))),
                  QStringLiteral("[COUNT]\nMAX=0\n[DBVer-23]\nVer=1\n"));
        QCOMPARE(VersionCheck::run(23, 22, nullptr), VersionCheck::Outcome::UpdateOpened);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).value(0),
                 QStringLiteral("Необходимо е базата данни да бъде актуализирана с версия N:23 от 0"));
        QCOMPARE(PlatformScript::texts(QStringLiteral("modal")),
                 QStringList{QStringLiteral("Form_Sazdava_Nova_Baza")});

        PlatformScript::clearEvents();
        writeText(program.file(testSqlFile(QStringLiteral("UpdateTables"))),
                  QStringLiteral("[COUNT]\nMAX=0\n[DBVer-22]\nVer=1\n"));
        QCOMPARE(VersionCheck::run(23, 22, nullptr), VersionCheck::Outcome::NoUpdateFile);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).value(1),
                 QStringLiteral("Не беше открит файл за актуализация"));

        PlatformScript::clearEvents();
        QCOMPARE(VersionCheck::run(2, 3, nullptr), VersionCheck::Outcome::DatabaseNewer);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
    }
};
VTEST(DatabaseFolder)

class DatabaseWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newDatabaseIsBuiltSwitchedToAndLoggedInto()
    {
        TestProgram program;
        int logins = 0;
        LoginRequest::setHandler([&] { ++logins; });
        DatabaseFormMode = 1;
        TForm_Sazdava_Nova_Baza form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Създаване на нова база данни"));
        form.DirectoryListBox1->setCurrentFolder(program.folder());
        form.Edit_ime_baza->setText(QStringLiteral("Магазин2"));
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        LoginRequest::setHandler({});
        const QString folder = program.file(QStringLiteral("Магазин2"));
        const QStringList memo = form.Memo1->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(memo.last(), QStringLiteral("СЪЗДАВАНЕТО НА НОВАТА БАЗА ДАННИ ЗАВЪРШИ УСПЕШНО"));
        QVERIFY(memo.contains(QStringLiteral("ОПЕРАЦИЯ: 1- БЕШЕ УСПЕШНА")));
        QCOMPARE(DataModule1->databaseFolder(), QDir::cleanPath(folder));
        QCOMPARE(AliasFile::path(), folder);
        QVERIFY(QFile::exists(folder + QStringLiteral("/Opis.pdt")));
        QCOMPARE(logins, 1);
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    // The chosen folder is the one the tree shows, however the user got
    // there: a click on one folder, then the keyboard to another, and
    // "Приеми" works on the second. Enter opens a folder and leaves the
    // window open.
    void theFolderReachedByKeyboardIsTheChosenOne_data()
    {
        QTest::addColumn<bool>("create");
        QTest::newRow("Нова база") << true;
        QTest::newRow("Отвори") << false;
    }

    void theFolderReachedByKeyboardIsTheChosenOne()
    {
        QFETCH(bool, create);
        TestProgram program;
        for (const char *folder : {"box/one", "box/two", "clicked/inner"})
            QVERIFY(QDir(program.folder()).mkpath(QString::fromLatin1(folder)));
        const QString one = program.file(QStringLiteral("box/one"));
        const QString clicked = program.file(QStringLiteral("clicked"));
        if (!create)
            QVERIFY(DataModule1->createDatabase(one, {}, nullptr));
        int logins = 0;
        LoginRequest::setHandler([&] { ++logins; });
        const auto noHandler = qScopeGuard([] { LoginRequest::setHandler({}); });
        DatabaseFormMode = 1;
        std::unique_ptr<QDialog> form;
        FolderTree *tree = nullptr;
        QPushButton *ok = nullptr;
        if (create) {
            auto *w = new TForm_Sazdava_Nova_Baza;
            w->Edit_ime_baza->setText(QStringLiteral("Нова"));
            tree = w->DirectoryListBox1;
            ok = w->BitBtn_OK;
            form.reset(w);
        } else {
            auto *w = new TForm_Change_DB;
            tree = w->DirectoryListBox1;
            ok = w->BitBtn_OK;
            form.reset(w);
        }
        auto *model = qobject_cast<QFileSystemModel *>(tree->model());
        QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_VERIFY(loaded.contains(QVariantList{program.folder()}));
        const QModelIndex clickedIndex = model->index(clicked);
        tree->scrollTo(clickedIndex);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(clickedIndex).center());
        QCOMPARE(tree->currentFolder(), clicked);
        tree->setFocus();
        QTest::keyClicks(tree, QStringLiteral("box"));
        QTest::keyClick(tree, Qt::Key_Right);
        QTRY_COMPARE(model->rowCount(model->index(program.file(QStringLiteral("box")))), 2);
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(model->filePath(tree->currentIndex()), one);
        QCOMPARE(tree->currentFolder(), one);
        // Enter on a folder opens it; the window stays.
        QTest::keyClick(tree, Qt::Key_Up);
        QTest::keyClick(tree, Qt::Key_Left);
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(tree->isExpanded(tree->currentIndex()));
        QVERIFY(form->isVisible());
        QCOMPARE(form->result(), 0);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList());
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentFolder(), one);
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList());
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QCOMPARE(logins, 1);
        const QString expected = create ? QDir(one).filePath(QStringLiteral("Нова")) : one;
        QCOMPARE(DataModule1->databaseFolder(), QDir::cleanPath(expected));
        QVERIFY(Db::folderHoldsDatabase(expected));
        QCOMPARE(QDir(clicked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("inner")});
    }

    void serverKindIsCheckedBeforeAnythingIsWritten()
    {
        // Refusals with the window still open: nothing written, nothing switched.
        TestProgram program;
        const QString old = DataModule1->databaseFolder();
        const QString shared = program.file(QStringLiteral("shared"));
        QDir().mkpath(shared);
        const struct {
            const char *name;
            ServerConnection server;
            const char *message;
        } cases[] = {
            {"no host", {QString(), 5432, QStringLiteral("m"), QStringLiteral("u")},
             "Връзката със сървъра: не е посочен сървър (Host)."},
            {"port 0", {QStringLiteral("h"), 0, QStringLiteral("m"), QStringLiteral("u")},
             "Връзката със сървъра: портът трябва да е число от 1 до 65535 (Port)."},
            {"no database", {QStringLiteral("h"), 5432, QString(), QStringLiteral("u")},
             "Връзката със сървъра: не е посочена база данни (Database)."},
            {"no user", {QStringLiteral("h"), 5432, QStringLiteral("m"), QString()},
             "Връзката със сървъра: не е посочен потребител (User)."},
        };
        for (const auto &c : cases) {
            PlatformScript::clearEvents();
            TForm_Change_DB change;
            change.DirectoryListBox1->setCurrentFolder(shared);
            typeServer(change.Server_Fields, c.server);
            QTest::mouseClick(change.BitBtn_OK, Qt::LeftButton);
            DatabaseFormMode = 1;
            TForm_Sazdava_Nova_Baza create;
            create.DirectoryListBox1->setCurrentFolder(program.folder());
            create.Edit_ime_baza->setText(QStringLiteral("Нова"));
            typeServer(create.Server_Fields, c.server);
            QTest::mouseClick(create.BitBtn_OK, Qt::LeftButton);
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList(2, QString::fromUtf8(c.message)));
            QCOMPARE(change.result(), 0);
            QCOMPARE(create.result(), 0);
            QVERIFY2(!ServerConnection::existsIn(shared), c.name);
            QVERIFY2(!QFileInfo::exists(program.file(QStringLiteral("Нова"))), c.name);
        }
        QCOMPARE(DataModule1->databaseFolder(), old);
    }

    void aServerThatDoesNotAnswerLeavesTheFoldersAsTheyWere()
    {
        TestProgram program;
        const QString old = DataModule1->databaseFolder();
        int logins = 0;
        LoginRequest::setHandler([&] { ++logins; });
        // The change: a folder without a connection file keeps none; one with
        // a file gets it back byte for byte, and shows it in the fields.
        const QString bare = program.file(QStringLiteral("bare"));
        const QString named = program.file(QStringLiteral("named"));
        QDir().mkpath(bare);
        const QByteArray before = "; the shop's own notes\n[Server]\nHost=db.local\nPort=6543\nDatabase=shop\nUser=till\n";
        QVERIFY(putFile(ServerConnection::filePath(named), before));
        for (const QString &folder : {bare, named}) {
            PlatformScript::clearEvents();
            TForm_Change_DB form;
            form.DirectoryListBox1->setCurrentFolder(folder);
            QCOMPARE(form.Server_Fields->serverChosen(), folder == named);
            if (folder == named)
                QCOMPARE(form.Server_Fields->connection(nullptr)->describe(), QStringLiteral("shop на db.local:6543"));
            typeServer(form.Server_Fields, silentServer());
            QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
            const QString text = PlatformScript::texts(QStringLiteral("message")).value(0);
            QVERIFY2(text.startsWith(QStringLiteral("Неуспешна смяна на базата данни:\nНяма връзка със сървъра на "
                                                    "базата данни 127.0.0.1:1.")),
                     qPrintable(text));
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        QVERIFY(!ServerConnection::existsIn(bare));
        QCOMPARE(fileContents(ServerConnection::filePath(named)), before);
        // A SQLite folder cannot be named a server's without choosing so.
        PlatformScript::clearEvents();
        {
            TForm_Change_DB form;
            form.DirectoryListBox1->setCurrentFolder(named);
            QTest::mouseClick(form.Server_Fields->RadioButton_Papka, Qt::LeftButton);
            QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
            QCOMPARE(form.result(), 0);
            QVERIFY(PlatformScript::texts(QStringLiteral("message")).value(0).contains(QStringLiteral("Server.ini")));
        }
        // The creation: the folder it made goes with everything in it.
        PlatformScript::clearEvents();
        DatabaseFormMode = 1;
        TForm_Sazdava_Nova_Baza create;
        create.DirectoryListBox1->setCurrentFolder(program.folder());
        create.Edit_ime_baza->setText(QStringLiteral("Обект2"));
        typeServer(create.Server_Fields, silentServer());
        QTest::mouseClick(create.BitBtn_OK, Qt::LeftButton);
        QVERIFY(create.Memo1->toPlainText().contains(QStringLiteral("ГРЕШКА: ")));
        QVERIFY(PlatformScript::texts(QStringLiteral("message"))
                    .value(0)
                    .startsWith(QStringLiteral("Неуспешно създаване на базата данни:\nНяма връзка със сървъра")));
        QVERIFY(!QFileInfo::exists(program.file(QStringLiteral("Обект2"))));
        LoginRequest::setHandler({});
        QCOMPARE(DataModule1->databaseFolder(), old);
        QCOMPARE(AliasFile::path(), old);
        QVERIFY(DataModule1->isOpen());
    }

    void serverDatabaseIsBuiltInAnEmptyOneAndSwitchedTo()
    {
        if (!testOnServer())
            QSKIP("needs a PostgreSQL server (VENTAROS_TEST_ENGINE=postgresql)");
        TestProgram program;
        int logins = 0;
        LoginRequest::setHandler([&] { ++logins; });
        ServerTestDatabase empty;
        QCOMPARE(newServerDatabase(program.folder(), empty.connection(), QStringLiteral("Обект2")),
                 QStringLiteral("СЪЗДАВАНЕТО НА НОВАТА БАЗА ДАННИ ЗАВЪРШИ УСПЕШНО"));
        const QString shared = QDir::cleanPath(program.file(QStringLiteral("Обект2")));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList());
        QCOMPARE(DataModule1->databaseFolder(), shared);
        QCOMPARE(AliasFile::path(), shared);
        QCOMPARE(logins, 1);
        QCOMPARE(Db::describeFolder(shared), empty.connection().describe() + QStringLiteral(" (") + shared + QLatin1Char(')'));
        // The folder keeps the connection (never a password) and the tree.
        QCOMPARE(QDir(shared).entryList(QDir::Files), (QStringList{QStringLiteral("Opis.pdt"), QStringLiteral("Server.ini")}));
        QVERIFY(!fileContents(ServerConnection::filePath(shared)).toLower().contains("pass"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Ime FROM Operators")).toString(), QStringLiteral("Администратор"));
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (7, 'Напитки')"));

        // A database with tables is never built over: the new folder goes.
        {
            TForm_Sazdava_Nova_Baza form;
            form.DirectoryListBox1->setCurrentFolder(program.folder());
            form.Edit_ime_baza->setText(QStringLiteral("Обект3"));
            typeServer(form.Server_Fields, empty.connection());
            QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        }
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).value(0).contains(QStringLiteral("не е празна")));
        QVERIFY(!QFileInfo::exists(program.file(QStringLiteral("Обект3"))));
        QCOMPARE(DataModule1->databaseFolder(), shared);

        // Back to SQLite, then a second workstation's folder pointed at the
        // same server database: its tree file is repaired from the tables at
        // the switch (the group the file lacks is added).
        const QString local = program.file(QStringLiteral("local"));
        QVERIFY(DataModule1->createInFolder(local, nullptr));
        {
            TForm_Change_DB form;
            form.DirectoryListBox1->setCurrentFolder(local);
            QVERIFY(!form.Server_Fields->serverChosen());
            QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        }
        QCOMPARE(DataModule1->databaseFolder(), QDir::cleanPath(local));
        QCOMPARE(Db::engine(), Db::Engine::Sqlite);
        const QString second = program.file(QStringLiteral("second"));
        QDir().mkpath(second);
        QVERIFY(TreeFile::write(second + QStringLiteral("/Opis.pdt"), {{QStringLiteral("Всички артикули"), 0}}, nullptr));
        {
            TForm_Change_DB form;
            form.DirectoryListBox1->setCurrentFolder(second);
            typeServer(form.Server_Fields, empty.connection());
            QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        }
        LoginRequest::setHandler({});
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QCOMPARE(DataModule1->databaseFolder(), QDir::cleanPath(second));
        QCOMPARE(Db::engine(), Db::Engine::Postgres);
        QCOMPARE(ServerConnection::read(second)->describe(), empty.connection().describe());
        QVERIFY(TextFile::read(second + QStringLiteral("/Opis.pdt")).contains(QStringLiteral("Напитки")));
    }

    // A server that lacks pg_trgm, or refuses it to the shop's role (here an
    // object of the extension's own is in the way), still gets every other
    // table and index from "Нова база" and the whole upgrade; the name
    // searches find the same articles as with the trigram index.
    void theTrigramExtensionIsOptionalOnAServer()
    {
        if (!testOnServer())
            QSKIP("needs a PostgreSQL server (VENTAROS_TEST_ENGINE=postgresql)");
        TestProgram program;
        LoginRequest::setHandler([] {});
        ServerTestDatabase empty;
        const QString inTheWay = QStringLiteral("CREATE FUNCTION show_trgm(text) RETURNS text[] LANGUAGE sql AS "
                                                "'SELECT NULL::text[]'");
        QString error;
        QVERIFY2(empty.superuser(inTheWay, &error), qPrintable(error));
        QCOMPARE(newServerDatabase(program.folder(), empty.connection(), QStringLiteral("Обект2")),
                 QStringLiteral("СЪЗДАВАНЕТО НА НОВАТА БАЗА ДАННИ ЗАВЪРШИ УСПЕШНО"));
        LoginRequest::setHandler({});
        QCOMPARE(Db::engine(), Db::Engine::Postgres);
        auto relations = [] {
            return joinedRows(QStringLiteral("SELECT relname FROM pg_class WHERE relname IN ('produkti_ime', "
                                             "'art_cl_opisanie', 'prodajbi') ORDER BY 1"));
        };
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM pg_extension WHERE extname = 'pg_trgm'")).toInt(), 0);
        QCOMPARE(relations(), QStringLiteral("art_cl_opisanie,prodajbi"));
        QCOMPARE(SchemaVersion::read(Db::connection()), ProgramVersion::databaseVersion());

        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Храни')"));
        const QStringList names{QStringLiteral("Мляко прясно"), QStringLiteral("Мляко кисело"),
                                QStringLiteral("кисело мляко"), QStringLiteral("Кафе 100%"), QStringLiteral("Чай_зелен"),
                                QStringLiteral("Сирене")};
        for (int i = 0; i < names.size(); ++i)
            Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P) "
                                       "VALUES (?, 1, ?, 1, 'BGN')"),
                        {i + 1, names.at(i)});
        const QStringList typed{QStringLiteral("мляко"), QStringLiteral("КИСЕЛО"), QStringLiteral("ко"),
                                QStringLiteral("%"), QStringLiteral("_"), QStringLiteral("няма")};
        auto found = [&] {
            QStringList out;
            for (const QString &t : typed) {
                QStringList ids;
                for (const auto &m : {Db::NameMatch::Contains, Db::NameMatch::Whole}) {
                    const Db::Condition c = Db::articleName(QStringLiteral("P"), t, m);
                    ids << joinedRows(QStringLiteral("SELECT P.ID FROM Produkti P WHERE ") + c.sql
                                          + QStringLiteral(" ORDER BY P.ID"),
                                      QStringLiteral(","), c.params);
                }
                const auto hits = DeskSearch::find(QLatin1Char('i'), t);
                QStringList desk;
                for (const DeskSearch::Hit &h : hits.value_or(QList<DeskSearch::Hit>{}))
                    desk << QString::number(h.id);
                out << t + QLatin1Char(':') + ids.join(QLatin1Char('/')) + QLatin1Char('/') + desk.join(QLatin1Char(','));
            }
            return out;
        };
        const QStringList without = found();
        QCOMPARE(without.first(), QStringLiteral("мляко:1,2,3//2,1,3"));

        // The extension added later, its index made: the same articles.
        QVERIFY2(empty.superuser(QStringLiteral("DROP FUNCTION show_trgm(text)"), &error), qPrintable(error));
        Db::execute(QStringLiteral("CREATE EXTENSION pg_trgm"));
        Db::execute(QStringLiteral("CREATE INDEX Produkti_Ime ON Produkti USING gin (UPPER(Opisanie) gin_trgm_ops)"));
        Db::execute(QStringLiteral("ANALYZE Produkti"));
        QCOMPARE(found(), without);

        // An upgrade without the extension: whole.
        Db::execute(QStringLiteral("DROP EXTENSION pg_trgm CASCADE"));
        QVERIFY2(empty.superuser(inTheWay, &error), qPrintable(error));
        const StatementFile update = StatementFile::load(TDataModule1::updateTablesFile());
        backToVersion(Db::connection(), update, ProgramVersion::databaseVersion() - 1);
        QCOMPARE(relations(), QStringLiteral("prodajbi"));
        QCOMPARE(DataModule1->upgradeDatabase(TDataModule1::updateTablesFile(), {}).outcome, TDataModule1::Upgrade::Done);
        QCOMPARE(relations(), QStringLiteral("art_cl_opisanie,prodajbi"));
        QCOMPARE(found(), without);
    }

    void badNamesAndExistingFoldersAreRefused()
    {
        TestProgram program;
        DatabaseFormMode = 1;
        TForm_Sazdava_Nova_Baza form;
        form.DirectoryListBox1->setCurrentFolder(program.folder());
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        form.Edit_ime_baza->setText(QStringLiteral("a/b"));
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        form.Edit_ime_baza->setText(QStringLiteral("Data"));
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 3);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).at(2).contains(QStringLiteral("вече съществува")));
        QVERIFY(!QDir(program.file(QStringLiteral("a"))).exists());
        QVERIFY(Db::folderHoldsDatabase(program.file(QStringLiteral("Data")))); // untouched
        QCOMPARE(form.result(), 0);
    }

    void failedNewDatabaseRemovesOnlyWhatItCreated()
    {
        TestProgram program;
        writeText(program.file(QStringLiteral("SQLs/NewTables.nts")),
                  QStringLiteral("[COUNT]\nMAX=2\n[1]\nSQL=CREATE TABLE Operators (ID INTEGER)\n"
                                 "[2]\nSQL=THIS IS NOT SQL\n"));
        const QString old = DataModule1->databaseFolder();
        DatabaseFormMode = 1;
        TForm_Sazdava_Nova_Baza form;
        form.DirectoryListBox1->setCurrentFolder(program.folder());
        form.Edit_ime_baza->setText(QStringLiteral("Нова"));
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        QVERIFY(form.Memo1->toPlainText().contains(QStringLiteral("ГРЕШКА: ")));
        // The window closes: the error is told in a message box.
        const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().startsWith(QStringLiteral("Неуспешно създаване на базата данни:\n")));
        QVERIFY(!QDir(program.file(QStringLiteral("Нова"))).exists());
        QCOMPARE(DataModule1->databaseFolder(), old);
        QCOMPARE(AliasFile::path(), old);
    }

    void updateRunsTheAnnouncedFileAndRecordsItsVersion()
    {
        TestProgram program;
        const int version = ProgramVersion::databaseVersion();
        const QSqlDatabase db = DataModule1->connection();
        Db::execute(QStringLiteral("UPDATE Versiq_Baza SET Ver = ?"), {version - 1}, db);
        writeText(program.file(testSqlFile(QStringLiteral("UpdateTables"))),
                  QStringLiteral("[COUNT]\nMAX=2\n[1]\nSQL=CREATE TABLE Extra (a INTEGER)\nVer=%1\n"
                                 "[2]\nSQL=INSERT INTO Extra VALUES (1)\nVer=%1\n[DBVer-%1]\nVer=1\n")
                      .arg(version));
        DatabaseFormMode = 2;
        TForm_Sazdava_Nova_Baza form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Актуализация на база данни"));
        QCOMPARE(form.DirectoryListBox1->currentFolder(), program.file(QStringLiteral("SQLs")));
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("АКТУАЛИЗАЦИЯТА НА БАЗА ДАННИ ЗАВЪРШИ УСПЕШНО")});
        QCOMPARE(SchemaVersion::read(db), version);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Extra")).toInt(), 1);
    }

    // The role typed queries run as reads every column of a new database but
    // the password hashes, and the tables an upgrade adds.
    void theQueryRoleReadsWhatANewDatabaseAndAnUpgradeMake()
    {
        if (!testOnServer())
            QSKIP("needs the test server (VENTAROS_TEST_ENGINE=postgresql)");
        TestProgram program;
        const QSqlDatabase db = DataModule1->connection();
        const QString role = PostgresEngine::queryRole(db.userName());
        auto unreadable = [&] {
            return joinedRows(QStringLiteral("SELECT c.relname || '.' || a.attname FROM pg_class c JOIN pg_attribute a "
                                             "ON a.attrelid = c.oid WHERE c.relnamespace = current_schema()::regnamespace "
                                             "AND c.relkind = 'r' AND a.attnum > 0 AND NOT a.attisdropped AND NOT "
                                             "has_column_privilege(?::name, c.oid, a.attnum, 'SELECT') ORDER BY 1"),
                              QStringLiteral(","), {role});
        };
        QCOMPARE(unreadable(), QStringLiteral("operators.par"));
        const int version = ProgramVersion::databaseVersion();
        Db::execute(QStringLiteral("UPDATE Versiq_Baza SET Ver = ?"), {version - 1}, db);
        writeText(program.file(testSqlFile(QStringLiteral("UpdateTables"))),
                  QStringLiteral("[COUNT]\nMAX=1\n[1]\nSQL=CREATE TABLE Extra (a BIGINT)\nVer=%1\n[DBVer-%1]\nVer=1\n")
                      .arg(version));
        QCOMPARE(DataModule1->upgradeDatabase(TDataModule1::updateTablesFile(), {}).outcome, TDataModule1::Upgrade::Done);
        QCOMPARE(unreadable(), QStringLiteral("operators.par"));
    }

    void failedUpdateKeepsTheOldVersionSoARetryWorks()
    {
        TestProgram program;
        const int version = ProgramVersion::databaseVersion();
        const QSqlDatabase db = DataModule1->connection();
        Db::execute(QStringLiteral("UPDATE Versiq_Baza SET Ver = ?"), {version - 1}, db);
        Settings::writeInteger(Keys::DBVer_Ver, version - 1);
        writeText(program.file(testSqlFile(QStringLiteral("UpdateTables"))),
                  QStringLiteral("[COUNT]\nMAX=2\n[1]\nSQL=CREATE TABLE Extra (a INTEGER)\nVer=%1\n"
                                 "[2]\nSQL=BROKEN\nVer=%1\n[DBVer-%1]\nVer=1\n")
                      .arg(version));
        DatabaseFormMode = 2;
        TForm_Sazdava_Nova_Baza form;
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        const QString text = PlatformScript::texts(QStringLiteral("message")).value(0);
        QVERIFY(text.startsWith(QStringLiteral("Прекратена актуализация при изпълнението на \nОПЕРАЦИЯ: 2\n:BROKEN")));
        QCOMPARE(SchemaVersion::read(db), version - 1);
        QCOMPARE(Settings::readInteger(Keys::DBVer_Ver), version - 1);
        QVERIFY(!Db::tableExists(QStringLiteral("Extra")));
    }

    void updateStopsAtTheProgramsVersion()
    {
        TestProgram program;
        const int version = ProgramVersion::databaseVersion();
        const QSqlDatabase db = DataModule1->connection();
        SchemaVersion::record(db, version - 1);
        // The file also carries the next version's group.
        writeText(program.file(testSqlFile(QStringLiteral("UpdateTables"))),
                  QStringLiteral("[COUNT]\nMAX=2\n[1]\nSQL=CREATE TABLE Extra (a INTEGER)\nVer=%1\n"
                                 "[2]\nSQL=CREATE TABLE Later (a INTEGER)\nVer=%2\n[DBVer-%1]\nVer=1\n[DBVer-%2]\nVer=1\n")
                      .arg(version)
                      .arg(version + 1));
        DatabaseFormMode = 2;
        {
            TForm_Sazdava_Nova_Baza form;
            QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        }
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("АКТУАЛИЗАЦИЯТА НА БАЗА ДАННИ ЗАВЪРШИ УСПЕШНО")});
        QVERIFY(Db::tableExists(QStringLiteral("Extra")));
        QVERIFY(!Db::tableExists(QStringLiteral("Later")));
        QCOMPARE(SchemaVersion::read(db), version);

        // A database newer than the program: refused, its version stays.
        SchemaVersion::record(db, version + 1);
        Settings::writeInteger(Keys::DBVer_Ver, version + 1);
        PlatformScript::clearEvents();
        {
            TForm_Sazdava_Nova_Baza form;
            QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        }
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{VersionCheck::newerDatabaseText(version + 1, version)});
        QCOMPARE(SchemaVersion::read(db), version + 1);
        QCOMPARE(Settings::readInteger(Keys::DBVer_Ver), version + 1LL);
        QVERIFY(!Db::tableExists(QStringLiteral("Later")));
    }

    void updateBuildsTheIndexesOfAnOldShopAndShowsItsProgress()
    {
        if (testOnServer())
            QSKIP("the server's update file starts at the first version with server databases: no older server shop exists");
        TestProgram program;
        const int version = ProgramVersion::databaseVersion();
        const QSqlDatabase db = DataModule1->connection();
        const StatementFile update = StatementFile::load(TDataModule1::updateTablesFile());
        // Before the codes' upper-cased copies, the name index and the articles counted per group.
        const int from = 22;
        backToVersion(db, update, from);
        Settings::writeInteger(Keys::DBVer_Ver, from);
        // A shop of that version, its names and codes in every case, an article whose group has no row.
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Стоки')"));
        for (int id = 1; id <= 300; ++id) {
            Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Nomenkl_N) VALUES (?, 1, ?, ?)"),
                        {id, (id % 2 ? QStringLiteral("Кисело мляко %1") : QStringLiteral("ябълка %1")).arg(id),
                         QStringLiteral("kat-%1").arg(id)});
            Db::execute(QStringLiteral("INSERT INTO Barkodes (ID, Barkode) VALUES (?, ?)"),
                        {id, QStringLiteral("bc-%1").arg(id)});
        }
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie) VALUES (301, 9, 'Без група')"));
        Db::execute(QStringLiteral("INSERT INTO Serials (ID, Serial_ID) VALUES (5, 'sn-5')"));
        Db::execute(QStringLiteral("INSERT INTO Karti (ID, Karts) VALUES (6, 'card-6')"));
        Db::execute(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Pored_Ot) VALUES (1, 7, 'sold-7')"));

        int shown = -1;
        QList<long long> moves;
        bool hidden = false;
        LongOperation::setBar({[&](long long maximum, const QString &) { shown = int(maximum); },
                               [&](long long value) { moves << value; }, [&] { hidden = true; }, [](bool) {}});
        DatabaseFormMode = 2;
        TForm_Sazdava_Nova_Baza form;
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        LongOperation::setBar({});
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("АКТУАЛИЗАЦИЯТА НА БАЗА ДАННИ ЗАВЪРШИ УСПЕШНО")});
        QCOMPARE(SchemaVersion::read(db), version);
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(hitsOf('b', QStringLiteral("BC-77")), 1);
        QCOMPARE(hitsOf('n', QStringLiteral("KAT-78")), 1);
        QCOMPARE(hitsOf('s', QStringLiteral("SN-5")), 1);
        QCOMPARE(hitsOf('k', QStringLiteral("CARD-6")), 1);
        QCOMPARE(hitsOf('i', QStringLiteral("КИСЕЛО МЛЯКО 1")), 56);
        QVERIFY(SerialLookup::find(QStringLiteral("SOLD-7"), false)->sale.found);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT SUM(Broi) FROM Produkti_Broi")).toLongLong(), 301LL);
        // The main window's bar and the memo followed the versions' statements one by one.
        int statements = 0;
        for (auto it = update.versionOf.cbegin(); it != update.versionOf.cend(); ++it)
            statements += it.value() > from ? 1 : 0;
        QVERIFY(statements > 30);
        QCOMPARE(shown, statements);
        QList<long long> each;
        for (int i = 0; i <= statements; ++i)
            each << i;
        QCOMPARE(moves, each);
        QVERIFY(hidden);
        QCOMPARE(int(form.Memo1->toPlainText().count(QStringLiteral("БЕШЕ УСПЕШНА"))), statements);
        QVERIFY(form.BitBtn_OK->isEnabled());
    }

    void updateKeepsTheNameIndexWithoutASecondCopyOfTheNames()
    {
        if (testOnServer())
            QSKIP("a server's name index is an index on the articles' table");
        TestProgram program;
        const QSqlDatabase db = DataModule1->connection();
        const StatementFile update = StatementFile::load(TDataModule1::updateTablesFile());
        // The index as version 27 kept it: each name stored a second time, with its sizes.
        backToVersion(db, update, 27);
        Settings::writeInteger(Keys::DBVer_Ver, 27);
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Стоки')"));
        for (int id = 1; id <= 200; ++id)
            Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie) VALUES (?, 1, ?)"),
                        {id, (id % 4 ? QStringLiteral("кисело мляко %1") : QStringLiteral("STRAßE %1")).arg(id)});
        Db::execute(QStringLiteral("UPDATE Produkti SET Opisanie = 'Ябълки' WHERE ID = 7"));
        Db::execute(QStringLiteral("DELETE FROM Produkti WHERE ID = 9"));
        QVERIFY(nameIndexTables().contains(QStringLiteral("Produkti_Ime_content")));

        DatabaseFormMode = 2;
        TForm_Sazdava_Nova_Baza form;
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("АКТУАЛИЗАЦИЯТА НА БАЗА ДАННИ ЗАВЪРШИ УСПЕШНО")});
        QCOMPARE(SchemaVersion::read(db), ProgramVersion::databaseVersion());
        QCOMPARE(nameIndexTables(), (QStringList{QStringLiteral("Produkti_Ime_config"), QStringLiteral("Produkti_Ime_data"),
                                                 QStringLiteral("Produkti_Ime_idx")}));
        QCOMPARE(indexesOutOfStep(), QString());
        auto found = [](const QString &typed) { return hitsOf('i', typed); };
        QCOMPARE(found(QStringLiteral("КИСЕЛО")), 148);
        QCOMPARE(found(QStringLiteral("strasse 1")),
                 Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE UPPER(Opisanie) LIKE '%STRASSE 1%'")).toInt());
        QCOMPARE(found(QStringLiteral("ябълки")), 1);
        // Written after the update, the index follows.
        Db::execute(QStringLiteral("UPDATE Produkti SET Opisanie = 'Круши' WHERE ID = 8"));
        Db::execute(QStringLiteral("DELETE FROM Produkti WHERE ID = 12"));
        QCOMPARE(found(QStringLiteral("strasse")), 48);
        QCOMPARE(found(QStringLiteral("круш")), 1);
        QCOMPARE(indexesOutOfStep(), QString());
    }

    void updateFileForAnotherVersionIsRefused()
    {
        TestProgram program;
        writeText(program.file(testSqlFile(QStringLiteral("UpdateTables"))),
                  QStringLiteral("[COUNT]\nMAX=1\n[1]\nSQL=CREATE TABLE Extra (a INTEGER)\nVer=999\n"
                                 "[DBVer-999]\nVer=1\n"));
        DatabaseFormMode = 2;
        TForm_Sazdava_Nova_Baza form;
        QTest::mouseClick(form.BitBtn_OK, Qt::LeftButton);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Не беше открит файл за актуализация")});
        QVERIFY(!Db::tableExists(QStringLiteral("Extra")));
    }
};
VTEST(DatabaseWindow)

#include "test_database_folder.moc"
