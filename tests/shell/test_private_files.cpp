#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "test_main_window_support.h"

#include "app/list_export.h"
#include "app/data_module.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "common/text_file.h"
#include "desk/device_file_writer.h"
#include "desk/sale.h"
#include "desk/text_viewer.h"
#include "documents/layout_save.h"
#include "platform/db/database.h"
#include "platform/db/server_connection.h"
#include "platform/db/work_tables.h"
#include "platform/exception_log.h"
#include "platform/file_modes.h"
#include "platform/shell_exec.h"

#include <QDirIterator>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

namespace {
constexpr QFileDevice::Permissions Others = QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

void setMode(const QString &path, int mode)
{
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
}

// Every file and folder under `folder` (but `except`) that others may use.
QStringList openToOthers(const QString &folder, const QString &except)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(folder).relativeFilePath(path);
        if (relative == except || relative.startsWith(except + QLatin1Char('/')))
            continue;
        if (QFileInfo(path).permissions() & Others)
            out << relative;
    }
    return out;
}

// The database's file in the program folder: the SQLite file, or the
// connection file of a server database.
QString databaseFile()
{
    return QStringLiteral("Data/")
           + (testOnServer() ? QString::fromLatin1(ServerConnection::FileName) : QString::fromLatin1(Db::DatabaseFileName));
}

void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}
} // namespace

class PrivateFilesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { ProgramFolder::setDeliveryFolders({}); }

    // Under the usual umask 022: a first start, a sale with its receipt and
    // department ticket, a report, an export, a layout and a logged error.
    void nothingButTheReceiptFolderIsOpenToOthers()
    {
        UserUmask user(022);
        QTemporaryDir devices;
        const QString bar = QDir(devices.path()).filePath(QStringLiteral("bar"));
        QVERIFY(FileModes::makeDeviceFolder(bar));
        TestProgram program(false);
        QVERIFY(QDir(program.file(QStringLiteral("SQLs"))).removeRecursively());
        ProgramFolder::setDeliveryFolders({QStringLiteral(VENTAROS_SOURCE_DIR)});
        FileModes::tightenProgramFolder();
        auto form = shelltest::startedWindow();
        QVERIFY(form);

        exec(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
        exec(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P, Dan_Grup, Prigotvq_Se) "
                            "VALUES (17, 'Кафе', 2.5, 'BGN', 1, 3)"));
        exec(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (17, 1, 10)"));
        exec(QStringLiteral("INSERT INTO Type_Prigotvq_Se (ID, Opisanie, Path, Vid_FU) VALUES (3, 'Бар', ?, '3: ДАТЕКС')"),
             {bar});
        exec(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Ed_Cena, Valuta, Operator, T_O, Sm_N, "
                            "Term_N, Dan_Grup, Prigotvq_Se) SELECT ID, Opisanie, 1, Ed_Cena, Valuta_P, 'Иван', 0, 0, 2, "
                            "Dan_Grup, Prigotvq_Se FROM Produkti WHERE ID = 17"));
        Settings::writeInteger(Keys::Tuning_FB, 2); // a receipt
        Settings::writeBool(Keys::Tuning_23, true);  // and a department ticket
        DeviceFileWriter::instance().resetForTest();
        Sale::Request sale;
        sale.lines = {Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong()};
        sale.op = QStringLiteral("Иван");
        sale.terminal = 2;
        sale.warehouse = 1;
        const Sale::Result sold = Sale::sell(sale);
        QVERIFY2(sold.ok, qPrintable(sold.message));
        QCOMPARE(DeviceFileWriter::instance().flush(), 0);
        QVERIFY(TextViewer::show(QStringLiteral("Account.tmp"), {QStringLiteral("Каса")}, nullptr));
        ListExport list(QStringLiteral("Own_Query"));
        list.addLine(QStringLiteral("ред"));
        QVERIFY(list.finish());
        QString error;
        LayoutSave::Request layout;
        layout.name = QStringLiteral("Бележка");
        QVERIFY2(LayoutSave::save(Layout::Document{}, layout, &error), qPrintable(error));
        ExceptionLog::write(QStringLiteral("Test"), QStringLiteral("записано"));

        for (const char *made : {"Firm_Data.ini", "Aliases.ini", "Exceptions.log", "Data/Opis.pdt",
                                 "TEMP/Account.tmp", "Documentations/Бележка.psc"})
            QVERIFY2(QFileInfo::exists(program.file(QString::fromUtf8(made))), made);
        QVERIFY(QFileInfo::exists(program.file(databaseFile())));
        // A server keeps the work tables in the database.
        QCOMPARE(QDir(program.file(QStringLiteral("TEMP"))).entryList({QStringLiteral("work-*.sqlite")}).isEmpty(),
                 testOnServer());
        QCOMPARE(openToOthers(program.folder(), QStringLiteral("Bon")), QStringList());
        QCOMPARE(fileMode(program.file(QStringLiteral("Data"))), 0750);

        // The devices' side reads as it always did.
        QCOMPARE(fileMode(program.file(QStringLiteral("Bon"))), 0755);
        const QStringList receipts = QDir(program.file(QStringLiteral("Bon"))).entryList(QDir::Files);
        QCOMPARE(receipts.size(), 1);
        QCOMPARE(fileMode(program.file(QStringLiteral("Bon/")) + receipts.first()), 0644);
        QCOMPARE(fileMode(bar), 0755);
        const QStringList tickets = QDir(bar).entryList(QDir::Files);
        QCOMPARE(tickets.size(), 1);
        QCOMPARE(fileMode(QDir(bar).filePath(tickets.first())), 0644);
    }

    // The private copy a typed query was running on when the program was
    // killed (it holds the password hashes until it is emptied) is gone at
    // the next start; another workstation's copy stays.
    void aCopyAKilledQueryLeftIsGoneAtStart()
    {
        TestProgram program;
        const QString temp = ProgramFolder::tempFolder();
        QVERIFY(QDir().mkpath(temp));
        const QString own = QDir(temp).filePath(QStringLiteral("query-%1-4242-0.sqlite").arg(WorkTables::workstationKey()));
        const QString other = QDir(temp).filePath(QStringLiteral("query-%1x-4242-0.sqlite").arg(WorkTables::workstationKey()));
        QVERIFY(TextFile::writeWhole(own, "hash"));
        QVERIFY(TextFile::writeWhole(other, "hash"));
        auto form = shelltest::startedWindow();
        QVERIFY(form);
        QVERIFY(!QFileInfo::exists(own));
        QVERIFY(QFileInfo::exists(other));
    }

    // A program folder and database of an older run, open to others (one
    // file also to the group): others lose their rights at the next start
    // and open, the group keeps its own, the delivered statements stay.
    void anOlderFolderIsTightenedWhenTheProgramOpensIt()
    {
        UserUmask user(022);
        TestProgram program;
        const QStringList old{QStringLiteral("Firm_Data.ini"), QStringLiteral("Aliases.ini"),
                              QStringLiteral("Exceptions.log"), QStringLiteral("FISKAL.SER"),
                              QStringLiteral("Firm_Data.ini.bad"),
                              QStringLiteral("SQLs/Own_SQL.ini"), QStringLiteral("TEMP/Account.tmp"),
                              QStringLiteral("TEMP/old/report.txt"), QStringLiteral("Documentations/a.psc")};
        for (const QString &f : old) {
            QDir().mkpath(QFileInfo(program.file(f)).absolutePath());
            TextFile::writeUtf8(program.file(f), QStringLiteral("[Old]\nx=1\n"));
            setMode(program.file(f), 0644);
        }
        for (const char *folder : {"TEMP", "TEMP/old", "Data", "Documentations", "SQLs"})
            setMode(program.file(QString::fromLatin1(folder)), 0755);
        setMode(program.file(databaseFile()), 0664);
        setMode(program.file(QStringLiteral("SQLs/NewTables.nts")), 0644);

        FileModes::tightenProgramFolder();
        QVERIFY(program.dataModule()->openAliasFolder().opened);
        QCOMPARE(openToOthers(program.folder(), QStringLiteral("SQLs")), QStringList());
        QCOMPARE(fileMode(program.file(QStringLiteral("SQLs/Own_SQL.ini"))), 0640);
        QCOMPARE(fileMode(program.file(databaseFile())), 0660);
        QCOMPARE(fileMode(program.file(QStringLiteral("TEMP/old"))), 0750);
        QCOMPARE(fileMode(program.file(QStringLiteral("SQLs"))), 0750);
        QCOMPARE(fileMode(program.file(QStringLiteral("SQLs/NewTables.nts"))), 0644);
        // The database works on, and its journal follows the file.
        exec(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (9, 'Склад')"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Sklad WHERE ID_Sklad = 9")).toInt(), 1);
        QCOMPARE(ExceptionLog::filePath(), program.file(QStringLiteral("Exceptions.log")));
        QCOMPARE(TextFile::readLines(ExceptionLog::filePath()), (QStringList{QStringLiteral("[Old]"), QStringLiteral("x=1")}));
    }

    // The receipt folder the writer makes takes the user's umask, as the
    // departments' folders do: a user who keeps everything private gets a
    // private folder.
    void theReceiptFolderTakesTheUsersUmask()
    {
        const struct {
            unsigned umask;
            int folder, file;
        } cases[] = {{022, 0755, 0644}, {077, 0700, 0600}, {027, 0750, 0640}};
        for (const auto &c : cases) {
            UserUmask user(c.umask);
            TestProgram program;
            DeviceFileWriter::instance().resetForTest();
            PendingFiles::queue({DeviceFile{0, Settings::receiptFolder(), QString(), QByteArray("#I\r\n")}});
            QCOMPARE(DeviceFileWriter::instance().flush(), 0);
            const QString bon = program.file(QStringLiteral("Bon"));
            QCOMPARE(fileMode(bon), c.folder);
            const QStringList receipts = QDir(bon).entryList(QDir::Files);
            QCOMPARE(receipts.size(), 1);
            QCOMPARE(fileMode(QDir(bon).filePath(receipts.first())), c.file);
        }
    }

    void aFileThatKeepsItsModeIsNamedOnce()
    {
        TestProgram program(false);
        const QString locked = program.file(QStringLiteral("TEMP/locked.txt"));
        QDir().mkpath(program.file(QStringLiteral("TEMP")));
        TextFile::writeUtf8(locked, QStringLiteral("x\n"));
        setMode(locked, 0644);
        // Only an immutable file refuses a new mode to its owner (and to root).
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), locked}) != 0)
            QSKIP("chattr +i is not available here");
        struct Unlock {
            QString path;
            ~Unlock() { QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path}); }
        } unlock{locked};
        FileModes::tightenProgramFolder();
        FileModes::tightenProgramFolder();
        FileModes::tighten({locked});
        QCOMPARE(fileMode(locked), 0644);
        const QStringList log = TextFile::readLines(ExceptionLog::filePath());
        QCOMPARE(log.filter(QStringLiteral("locked.txt")).size(), 1);
        QCOMPARE(log.size(), 1);
    }

    void programsStartedKeepTheUsersUmask()
    {
        UserUmask user(022);
        TestProgram program(false);
        PlatformScript::deactivate();
        const QString out = program.file(QStringLiteral("umask.txt"));
        QVERIFY(ShellExec::startProgram(QStringLiteral("/bin/sh"),
                                        {QStringLiteral("-c"), QStringLiteral("umask > '%1.part' && mv '%1.part' '%1'").arg(out)}));
        QTRY_VERIFY(QFileInfo::exists(out));
        QCOMPARE(TextFile::readLines(out).value(0), QStringLiteral("0022"));
        // and the program's own files stay private
        TextFile::writeUtf8(program.file(QStringLiteral("own.txt")), QStringLiteral("x"));
        QCOMPARE(fileMode(program.file(QStringLiteral("own.txt"))), 0640);
    }
};

VTEST(PrivateFilesTest)
#include "test_private_files.moc"
