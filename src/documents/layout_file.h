#pragma once
#include "documents/layout_document.h"

#include <QString>

class IniFile;

// The files of a designed document in Documentations/ of the program folder
// (each workstation keeps its own): <name>.psc, the INI list of band heights
// and elements, and <name>.hdr / <name>.ftr, the header and footer rich texts.
namespace LayoutFile {
QString folder();                       // Documentations/
QString basePath(const QString &name);  // Documentations/<name>, no extension

// Why a name cannot name a layout (Bulgarian), empty when it can: empty,
// a path character, "..", a blank or point at either end.
QString nameProblem(const QString &name);

// The layout's sections written into `ini` anew: the three height sections,
// one "Object<i>" section per element, Object_Counts. Old element sections
// go; sections the program does not write ([Original]) stay.
void write(IniFile &ini, const Layout::Document &document, const QString &headerFile,
           const QString &footerFile);

// Reads a layout over `previous` (what a missing key keeps: band heights, the
// ORIGINAL mark). Only the "Object<i>" sections present with i up to Max are
// read, in order. Labels get their stored code and caption, not yet a built
// text. The rich texts are not read here.
Layout::Document read(const IniFile &ini, const Layout::Document &previous);

// The whole layout of `name`: .psc, then the own .hdr/.ftr or, when one is
// missing, the file its NameOfFile names (missing files give empty texts).
// false with "Липсва файл на документ: <name>" when there is no .psc.
bool load(const QString &name, const Layout::Document &previous, Layout::Document *document,
          QString *error);
} // namespace LayoutFile
