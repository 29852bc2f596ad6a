#include "shell/imports/imports.h"

#include "catalogue/article_groups.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "shell/imports/article_import.h"
#include "shell/imports/catalogue_number_import.h"
#include "shell/imports/counterparty_import.h"

#include <functional>
#include <memory>

namespace {
void runImport(QWidget *owner, const std::function<std::unique_ptr<ImportRun::Handler>()> &make)
{
    const QString path = ImportRun::chooseFile(owner);
    if (path.isEmpty())
        return;
    std::unique_ptr<ImportRun::Handler> handler;
    try {
        handler = make();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Импортът не може да започне: грешка в базата данни.\n") + e.message(),
                         owner);
        return;
    }
    ImportRun::runCommand(owner, path, *handler);
}
} // namespace

void Imports::N_Import_artClick(QWidget *owner)
{
    runImport(owner, [] {
        return std::make_unique<ArticleImport>(ArticleGroups::treeFilePath(), Settings::readBool(Keys::Tuning_12),
                                               Db::connection());
    });
}

void Imports::N_Import_KontragentsClick(QWidget *owner)
{
    runImport(owner, [] {
        return std::make_unique<CounterpartyImport>(Settings::readBool(Keys::Tuning_12), Db::connection());
    });
}

void Imports::N_Imp_Nomenkl_KontragClick(QWidget *owner)
{
    runImport(owner, [] { return std::make_unique<CatalogueNumberImport>(Db::connection()); });
}
