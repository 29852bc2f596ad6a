#pragma once

class TForm_Oferti;

// "Добави" (N_Import_CLClick) and "Актуализирай" (N_ActualizaciaClick) of the
// offers window's tree: the file is chosen, read in short chunks with both
// progress bars moving (the window's and the main window's), and the tree is
// read anew from CL.pdt at the end. While a run goes only the two cancel
// buttons take input in the two windows; a press asks the run to stop.
namespace CatalogueImportCommand {
// Sets the window's hooks; called once at start-up.
void install();
void N_Import_CLClick(TForm_Oferti &form);
void N_ActualizaciaClick(TForm_Oferti &form);
// For tests: the chunk length in milliseconds (0: one line a chunk).
void setChunkMs(int ms);
} // namespace CatalogueImportCommand
