#include "common/program_folder.h"
#include "platform/application.h"
#include "shell/data_module.h"
#include "shell/version_check.h"

int main(int argc, char **argv)
{
    Application app(argc, argv);
    ProgramFolder::resolve();
    TDataModule1 dataModule;
    if (!dataModule.openAliasFolder(nullptr))
        return 0;
    VersionCheck::run(nullptr);
    return 0;
}
