#pragma once
#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;

// The printer the program prints on. It is the program's own choice, made
// per print by the document printing of the working tabs; the system's
// default printer is never changed.
namespace Printers {
// The printer that writes a PDF file: ends every printer list, and is taken
// when no printer is installed or selected.
inline const QString PdfFile = QStringLiteral("PDF файл");

QStringList installed(); // names of the installed printers
QString systemDefault(); // empty when the system has none

// The program's selected printer: the last one SET_SELECTED_PRINTER chose,
// else the system default.
QString selected();
// Points a printer at the selected one before it prints ("PDF файл": the
// PDF output, whose file the caller names).
void applySelected(QPrinter &printer);

// Bulgarian text for a printer that is not installed (the caller skips it).
QString notFoundMessage(const QString &name);

// tests: pretend these printers are installed (std::nullopt: the real list)
void setInstalledForTests(const std::optional<QStringList> &names,
                          const QString &systemDefault = QString());
void resetSelection(); // back to the system default
} // namespace Printers

// Makes the printer whose name equals `name` exactly (case-sensitive) the
// program's selected printer. A name that is not installed changes nothing
// and gives false; "PDF файл" is always taken.
bool SET_SELECTED_PRINTER(const QString &name);
