// The files the program replaces, each through its own caller on a disk with
// no room: the old file stays whole, no new or half file is left, the user
// is told why, and nothing reports success or a count after it.
#include "harness/full_disk.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/export_kinds.h"
#include "app/list_export.h"
#include "catalogue/article_groups.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "desk/desk_lines.h"
#include "desk/device_file_writer.h"
#include "desk/receipt_commands.h"
#include "desk/receipt_files.h"
#include "desk/sale.h"
#include "documents/form_generalform_dokumentaciq.h"
#include "documents/layout_file.h"
#include "documents/layout_save.h"
#include "documents/name_of_dokument.h"
#include "fiscal_service/form_spr_tdd_fisk_ser.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "shell/form_sistemni_nastr.h"

#include <QAction>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

namespace {
// The files of a folder whose names begin with `prefix`: a temporary file left
// behind would show here.
QStringList filesOf(const QString &folder, const QString &prefix)
{
    return QDir(folder).entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden, QDir::Name);
}

QString noRoom(const QString &path)
{
    return QStringLiteral("Няма място на диска: ") + path;
}

QStringList messages()
{
    return PlatformScript::texts(QStringLiteral("message"));
}

// A cash sale of one line, its fiscal receipt queued and handed to the writer.
bool sellOne()
{
    Settings::writeInteger(Keys::Tuning_FB, 2);
    Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
    Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('BGL', 1)"));
    Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P, Dan_Grup, Mqrka) "
                               "VALUES (1, 'Хляб', 2.5, 'BGL', 2, 'бр.')"));
    Db::execute(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (1, 1, 100)"));
    DeskLines::NewLine line;
    line.article = 1;
    line.quantityText = QStringLiteral("1");
    line.priceText = QStringLiteral("2.5");
    line.op = QStringLiteral("Иван");
    if (DeskLines::insertLine(line).outcome != DeskLines::InsertResult::Written)
        return false;
    Sale::Request r;
    r.lines << Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong();
    r.op = line.op;
    r.warehouse = 1;
    const bool sold = Sale::sell(r).ok;
    DeviceFileWriter::instance().flush();
    return sold;
}
} // namespace

class FullDiskCallersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PlatformScript::clearEvents(); }

    // "Запис" of the system settings and the login's write of the operator.
    void settingsFile()
    {
        FullDisk disk;
        TestProgram program(false, disk.folder());
        const QString path = Settings::filePath();
        const QByteArray old = QStringLiteral("[Firm_Data]\nName=Магазин\n[Store]\nActive=3\n[Tuning]\n20=1\n").toUtf8();
        QVERIFY(putFile(path, old));
        TForm_Sistemni_Nastr form;
        form.Edit_Firm_Name->setText(QStringLiteral("Нов магазин"));
        disk.fill();
        const bool saved = form.Button_SaveClick();
        const bool loggedIn = Settings::writeString(Keys::Store_ActiveOper, QStringLiteral("Мария"));
        disk.release();
        QVERIFY(!saved);
        QVERIFY(!loggedIn);
        QCOMPARE(messages(), QStringList{QStringLiteral("Настройките не бяха записани: ") + noRoom(path)});
        QCOMPARE(fileContents(path), old);
        QCOMPARE(filesOf(program.folder(), QStringLiteral("Firm_Data")), QStringList{QStringLiteral("Firm_Data.ini")});
    }

    // A group moved in the catalogue tree: only the tree file changes.
    void treeFile()
    {
        FullDisk disk;
        TestProgram program(true, disk.folder());
        const QString tree = ArticleGroups::treeFilePath();
        QVERIFY(ArticleGroups::add(QStringLiteral("1"), QStringLiteral("Храни"), {}, tree).ok);
        QVERIFY(ArticleGroups::add(QStringLiteral("2"), QStringLiteral("Млечни"), {}, tree).ok);
        const QByteArray old = fileContents(tree);
        QVERIFY(old.contains("\n2:Млечни"));
        disk.fill();
        const ArticleGroups::Result r = ArticleGroups::moveGroup(2, QStringLiteral("1:Храни"), tree);
        disk.release();
        QVERIFY(!r.ok);
        QVERIFY2(r.message.endsWith(noRoom(tree)), qPrintable(r.message));
        QCOMPARE(fileContents(tree), old);
        QCOMPARE(filesOf(QFileInfo(tree).absolutePath(), QStringLiteral("Opis")), QStringList{QStringLiteral("Opis.pdt")});
    }

    // A new layout saved from the designer leaves no file and no row; an
    // existing one keeps its three files.
    void layout()
    {
        FullDisk disk;
        TestProgram program(true, disk.folder());
        TForm_GeneralForm_Dokumentaciq form;
        auto save = [&form](const QString &name) {
            driveWindows<TName_Of_Dokument>([name](TName_Of_Dokument *d) {
                d->Edit_Name_Of_Dok->setText(name);
                d->OKBtn->click();
            });
            form.N2->trigger();
            PlatformScript::setModalHandler({});
        };
        save(QStringLiteral("Стар"));
        const QString folder = LayoutFile::folder();
        const QStringList files{QStringLiteral("Стар.ftr"), QStringLiteral("Стар.hdr"), QStringLiteral("Стар.psc")};
        QCOMPARE(filesOf(folder, QStringLiteral("Стар")), files);
        QList<QByteArray> old;
        for (const QString &f : files)
            old << fileContents(QDir(folder).filePath(f));
        PlatformScript::clearEvents();

        disk.fill();
        save(QStringLiteral("Нов"));
        PlatformScript::answer(true); // replace "Стар"
        save(QStringLiteral("Стар"));
        disk.release();
        const QStringList said = messages();
        QCOMPARE(said.size(), 2);
        for (const QString &m : said)
            QVERIFY2(m.startsWith(QStringLiteral("Документът не е записан:\n") + noRoom(folder)), qPrintable(m));
        QCOMPARE(filesOf(folder, QStringLiteral("Нов")), QStringList());
        QCOMPARE(filesOf(folder, QStringLiteral("Стар")), files);
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(fileContents(QDir(folder).filePath(files.at(i))), old.at(i));
        QCOMPARE(LayoutSave::documents().size(), 1);
    }

    // A list export: the old file stays, nothing is opened.
    void listExport()
    {
        FullDisk disk;
        TestProgram program(false, disk.folder());
        ExportKinds::resetToStart();
        QStandardItemModel model(0, 1);
        model.appendRow(new QStandardItem(QStringLiteral("ред")));
        QTableView view;
        view.setModel(&model);
        const QString path = QDir(ProgramFolder::tempFolder()).filePath(QStringLiteral("Spr.txt"));
        QVERIFY(putFile(path, "old export"));
        disk.fill();
        const bool kept = exportGridToFile(nullptr, QStringLiteral("Spr"), {QStringLiteral("\tСправка")}, &view);
        const bool fresh = exportGridToFile(nullptr, QStringLiteral("Nova"), {QStringLiteral("\tСправка")}, &view);
        disk.release();
        QVERIFY(!kept);
        QVERIFY(!fresh);
        const QString freshPath = QDir(ProgramFolder::tempFolder()).filePath(QStringLiteral("Nova.txt"));
        QCOMPARE(messages(), (QStringList{QStringLiteral("Файлът за печат не беше записан:\n") + noRoom(path),
                                          QStringLiteral("Файлът за печат не беше записан:\n") + noRoom(freshPath)}));
        QVERIFY(PlatformScript::texts(QStringLiteral("openFile.shell")).isEmpty());
        QCOMPARE(fileContents(path), QByteArray("old export"));
        QCOMPARE(filesOf(ProgramFolder::tempFolder(), QStringLiteral("Spr")), QStringList{QStringLiteral("Spr.txt")});
        QCOMPARE(filesOf(ProgramFolder::tempFolder(), QStringLiteral("Nova")), QStringList());
    }

    // "ФАЙЛ ТДД": the old report stays and no copy of it is offered.
    void taxOfficeFile()
    {
        FullDisk disk;
        TestProgram program(true, disk.folder());
        const QString path = program.file(QStringLiteral("FISKAL.SER"));
        const QByteArray old(226, 'o');
        QVERIFY(putFile(path, old));
        TForm_SPR_TDD_Fisk_Ser dialog;
        dialog.show();
        PlatformScript::answer(QStringLiteral("ok"));
        PlatformScript::answer(true); // a copy, were it offered
        disk.fill();
        dialog.Button1->click();
        disk.release();
        QCOMPARE(messages(), (QStringList{QStringLiteral("Открити са :0 записа.\nГенериране на справка!"),
                                          QStringLiteral("Неуспешен запис на данни!\nПрепоръчва се повторно "
                                                         "генериране на файл.\n")
                                              + noRoom(path)}));
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
        QCOMPARE(fileContents(path), old);
        QCOMPARE(filesOf(program.folder(), QStringLiteral("FISKAL")), QStringList{QStringLiteral("FISKAL.SER")});
    }

    // The receipt of a sale and "Копие на последен бон" with the receipt
    // folder on a full disk or missing, and the copy with the database on a
    // full disk: the sale is saved, and each message keeps its own text and
    // says why on the next line.
    void receiptFiles()
    {
        DeviceFileWriter::instance().resetForTest();
        const struct {
            const char *name;
            bool fullFolder;   // else a folder that cannot be made
            bool fullDatabase; // the program folder and the database on the full disk too
        } cases[] = {{"full receipt folder", true, false}, {"missing folder", false, false}, {"full database", true, true}};
        for (const auto &c : cases) {
            FullDisk disk;
            if (!c.fullDatabase && c.fullFolder && disk.kind() != FullDisk::Kind::Tmpfs)
                continue; // a file-size limit fills the database as well
            if (c.fullDatabase && testOnServer())
                continue; // the server's database is elsewhere
            TestProgram program(true, c.fullDatabase ? disk.folder() : QString());
            QVERIFY(putFile(program.file(QStringLiteral("plain")), "x"));
            const QString folder = c.fullFolder ? QDir(disk.folder()).filePath(QStringLiteral("Bon"))
                                                : program.file(QStringLiteral("plain/Bon"));
            QVERIFY(Settings::writeString(Keys::Tuning_19, folder));
            QDir().mkpath(folder);
            const QString reasonHead = c.fullFolder ? noRoom(folder) : QStringLiteral("Папката не съществува: ") + folder;
            if (!c.fullDatabase) {
                PlatformScript::clearEvents();
                if (c.fullFolder)
                    disk.fill();
                const bool sold = sellOne();
                disk.release();
                QVERIFY2(sold, c.name);
                QCOMPARE(messages().size(), 1);
                const QStringList lines = messages().first().split(QLatin1Char('\n'));
                QCOMPARE(lines.value(0), QStringLiteral("Неуспешен печат на бон"));
                QCOMPARE(lines.value(1), QStringLiteral("Папка: ") + folder);
                QVERIFY2(lines.value(2).startsWith(reasonHead), qPrintable(lines.value(2)));
                DeviceFileWriter::instance().resetForTest();
            }
            PlatformScript::clearEvents();
            if (c.fullFolder)
                disk.fill();
            ReceiptCommands::reportFile(ReceiptFiles::KindCopy, nullptr);
            disk.release();
            QCOMPARE(messages().size(), 1);
            const QStringList lines = messages().first().split(QLatin1Char('\n'));
            QCOMPARE(lines.value(0), QStringLiteral("Неуспешен печат на бон"));
            if (c.fullDatabase) {
                // Nothing queued: the database's own reason.
                QVERIFY2(!lines.value(1).isEmpty() && !lines.value(1).startsWith(QStringLiteral("Папка")),
                         qPrintable(messages().first()));
                QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Pending_Files")).toInt(), 0);
            } else {
                QCOMPARE(lines.value(1), QStringLiteral("Папка: ") + folder);
                QVERIFY2(lines.value(2).startsWith(reasonHead), qPrintable(lines.value(2)));
            }
            DeviceFileWriter::instance().resetForTest();
            Db::execute(QStringLiteral("DELETE FROM Pending_Files"));
        }
    }
};

VTEST(FullDiskCallersTest)
#include "test_full_disk_callers.moc"
