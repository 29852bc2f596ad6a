#include "common/program_folder.h"
#include "platform/application.h"
#include "platform/file_modes.h"
#include "shell/about_box.h"
#include "shell/general_form.h"

int main(int argc, char **argv)
{
    FileModes::keepFromOthers(); // before anything makes a file
    Application app(argc, argv);
    ProgramFolder::resolve();
    FileModes::tightenProgramFolder();

    TGeneral_Form form;
    // Start-up ends the program when the working date is refused or no
    // operator logs in.
    if (!form.FormCreate())
        return 0;
    form.formOnce<TAboutBox>();
    form.showMaximized();
    return app.exec();
}
