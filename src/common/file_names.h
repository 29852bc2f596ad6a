#pragma once
#include <QString>

// Names of files that come from outside the program's code: a row of the
// shared database, an imported file, a name a user typed. Joined to a
// folder, a plain name stays in that folder and makes no hidden file.
namespace FileNames {
// Not empty; no "/" or "\"; no ".."; not beginning with a dot; no control
// character; at most 255 bytes, as the file system takes them.
bool isPlain(const QString &name);
// `text` made plain: what no plain name may hold becomes "_"; empty gives
// `fallback`. For names the program proposes (a document's title).
QString plainFrom(const QString &text, const QString &fallback);
} // namespace FileNames
