#include "shell/database_open.h"

#include "app/data_module.h"
#include "platform/db/alias_file.h"
#include "platform/dialogs.h"
#include "shell/form_change_db.h"
#include "shell/form_sazdava_nova_baza.h"

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
    for (;;) {
        const int choice = Dialogs::choose(
            QStringLiteral("Папката на базата данни\n") + path
                + QStringLiteral("\nне е достъпна или не съдържа база данни.\n"
                                 "Изберете друга папка или създайте нова база данни."),
            {QStringLiteral("Отвори"), QStringLiteral("Нова база"), QStringLiteral("Изход")},
            parent);
        if (choice == 0) {
            TForm_Change_DB form(parent);
            Dialogs::exec(&form);
        } else if (choice == 1) {
            DatabaseFormMode = 1;
            TForm_Sazdava_Nova_Baza form(parent);
            Dialogs::exec(&form);
        } else {
            return DataModule1->isOpen();
        }
        if (DataModule1->holdsAliasFolder())
            return true;
        path = AliasFile::path();
        if (!path.isEmpty() && DataModule1->SET_NEW_DATABASE(path))
            return true;
    }
}

} // namespace DatabaseOpen
