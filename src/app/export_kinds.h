#pragma once
#include <QList>
#include <QString>

// The four file kinds a list export can be written as. Every kind carries
// the same fixed-width columns; the extension decides how the file is laid
// out (plain text, RTF, HTML) and which program the desktop opens it with.
struct ExportKind {
    const char *caption;   // item of the export-type chooser
    const char *viewer;    // the program the kind was meant for (informative)
    const char *extension; // with its dot
    const char *separator; // put in front of every cell
};

namespace ExportKinds {
const QList<ExportKind> &all();
// Sets ExportViewer, ExportExtension and ExportSeparator from kind `index`;
// an index outside the list leaves them as they are (false).
bool apply(int index);
// The index of the kind whose extension ExportExtension holds, -1 when none.
int currentIndex();
// The values every run starts with: the first kind (".txt", "|").
void resetToStart();
} // namespace ExportKinds

// Program-wide values of the run, set by the export-type chooser and read by
// the list writer and by every caller that names its export file.
extern QString ExportViewer;
extern QString ExportExtension;
extern QString ExportSeparator;
