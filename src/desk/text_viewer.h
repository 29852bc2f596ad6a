#pragma once
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Plain-text protocols of the desk (contracts, payment notes, the cash
// report): written whole in UTF-8 to TEMP and shown in the program that the
// main window registers (the Notepad stand-in).
namespace TextViewer {
void setViewer(std::function<void(const QString &path, QWidget *parent)> viewer);
// Writes TEMP/<fileName> with CR LF lines and shows it; false with the reason
// when it could not be written (then nothing is shown).
bool show(const QString &fileName, const QStringList &lines, QWidget *parent, QString *error = nullptr);
QString path(const QString &fileName); // TEMP/<fileName>
} // namespace TextViewer
