#include "shell/version_check.h"

#include "common/settings.h"
#include "platform/dialogs.h"
#include "app/data_module.h"
#include "shell/form_sazdava_nova_baza.h"
#include "app/program_version.h"
#include "app/statement_file.h"

VersionCheck::Outcome VersionCheck::run(QWidget *parent)
{
    if (!DataModule1 || !DataModule1->isOpen())
        return Outcome::UpToDate;
    return run(ProgramVersion::databaseVersion(), DataModule1->databaseVersion(), parent);
}

VersionCheck::Outcome VersionCheck::run(int programVersion, int databaseVersion, QWidget *parent)
{
    if (databaseVersion > programVersion) {
        Dialogs::message(newerDatabaseText(databaseVersion, programVersion), parent);
        return Outcome::DatabaseNewer;
    }
    if (databaseVersion == programVersion)
        return Outcome::UpToDate;
    Dialogs::message(QStringLiteral("Необходимо е базата данни да бъде актуализирана с версия N:")
                         + QString::number(programVersion) + QStringLiteral(" от ")
                         + Settings::readString(Keys::DBVer_Date),
                     parent);
    const StatementFile update = StatementFile::load(TDataModule1::updateTablesFile());
    if (!update.loaded || !update.announces(programVersion)) {
        Dialogs::message(QStringLiteral("Не беше открит файл за актуализация"), parent);
        return Outcome::NoUpdateFile;
    }
    DatabaseFormMode = 2;
    TForm_Sazdava_Nova_Baza form(parent);
    Dialogs::exec(&form);
    return Outcome::UpdateOpened;
}

QString VersionCheck::newerDatabaseText(int databaseVersion, int programVersion)
{
    return QStringLiteral("Базата данни е с версия N:") + QString::number(databaseVersion)
           + QStringLiteral(", по-нова от версията на програмата (N:") + QString::number(programVersion)
           + QStringLiteral(").\nОбновете програмата, преди да работите с тази база.");
}
