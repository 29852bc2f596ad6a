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
};

VTEST(FullDiskCallersTest)
#include "test_full_disk_callers.moc"
