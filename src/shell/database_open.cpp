#include "shell/database_open.h"

#include "app/data_module.h"
#include "platform/db/alias_file.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/file_systems.h"
#include "shell/form_change_db.h"
#include "shell/form_sazdava_nova_baza.h"

#include <QFileInfo>

namespace DatabaseOpen {

bool openAliasFolder(QWidget *parent)
{
    if (!DataModule1)
        return false;
    const TDataModule1::AliasOpen result = DataModule1->openAliasFolder();
    for (const QString &problem : result.problems)
        Dialogs::message(problem, parent);
    if (result.opened)
        return true;
    QString path = result.path;
    if (result.canCreate
        && Dialogs::yesNo(QStringLiteral("В папката на базата данни\n") + path
                              + QStringLiteral("\nняма база данни. Да бъде ли създадена сега?"),
                          parent)) {
        QString error;
        if (DataModule1->createInFolder(path, &error) && DataModule1->SET_NEW_DATABASE(path))
            return true;
        Dialogs::message(QStringLiteral("Неуспешно създаване на базата данни:\n") + error, parent);
    }
    bool fileExists = result.fileExists;
    QString why = result.why;
    for (;;) {
        // A database file that is there but does not open is never replaced
        // by a new one from here: the user sees why and may pick another folder.
        const QStringList choices = fileExists ? QStringList{QStringLiteral("Отвори"), QStringLiteral("Изход")}
                                               : QStringList{QStringLiteral("Отвори"), QStringLiteral("Нова база"),
                                                             QStringLiteral("Изход")};
        const QString text = fileExists
                                 ? QString(QStringLiteral("Базата данни в папката\n") + path
                                           + QStringLiteral("\nне може да бъде отворена.\n") + why
                                           + QStringLiteral("\nИзберете друга папка или излезте от програмата."))
                                 : QString(QStringLiteral("Папката на базата данни\n") + path
                                           + QStringLiteral("\nне е достъпна или не съдържа база данни.\n"
                                                            "Изберете друга папка или създайте нова база данни."));
        const int choice = Dialogs::choose(text, choices, parent);
        if (choice == 0) {
            TForm_Change_DB form(parent);
            Dialogs::exec(&form);
        } else if (choice == 1 && !fileExists) {
            DatabaseFormMode = 1;
            TForm_Sazdava_Nova_Baza form(parent);
            Dialogs::exec(&form);
        } else {
            return DataModule1->isOpen();
        }
        if (DataModule1->holdsAliasFolder())
            return true;
        path = AliasFile::path();
        why.clear();
        if (!path.isEmpty() && DataModule1->SET_NEW_DATABASE(path, &why))
            return true;
        fileExists = Db::folderNamesDatabase(path);
    }
}

QString networkFolderWarning()
{
    if (!DataModule1 || !DataModule1->isOpen() || Db::engine(DataModule1->connection()) != Db::Engine::Sqlite)
        return {};
    const QString folder = DataModule1->databaseFolder();
    const QString type = FileSystems::typeOf(folder);
    if (!FileSystems::isNetworkType(type))
        return {};
    return QStringLiteral("Базата данни е в папка на мрежова файлова система (%1):\n%2\n"
                          "Файлът на базата данни може да се повреди, когато няколко компютъра работят с него през "
                          "мрежата. За работни места на няколко компютъра използвайте база данни на сървър "
                          "PostgreSQL (\"Отвори\" в менюто \"База данни\", README: \"Several machines\"). "
                          "Програмата продължава с базата данни в тази папка.")
        .arg(type, folder);
}

} // namespace DatabaseOpen
