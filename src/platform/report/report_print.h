#pragma once
#include "platform/report/report_layout.h"
#include "platform/report/report_model.h"

class QWidget;

namespace Report {
class PrintTarget;

enum class PrintResult {
    Sent,      // AfterPrint ran
    Failed,    // not sent; PrintFailed ran
    NoData,    // no pages: no job was opened; PrintFailed ran
    Cancelled, // the PDF file was not chosen: nothing ran
};

// One printout on a target: the target prepares (a PDF asks its file),
// BeforePrint, the pages are made and sent, then AfterPrint or PrintFailed.
// Nothing in it processes events or shows a window, so a caller may hold a
// write transaction around it. `error` receives a Bulgarian reason.
PrintResult printout(Model &model, PrintTarget &target, QString *error = nullptr,
                     Document *produced = nullptr);

// A printout on the program's selected printer ("PDF файл" when none is
// installed or selected), without preview.
PrintResult print(Model &model, QString *error = nullptr);

// The Bulgarian message for a result that the user should read; empty for
// Sent and Cancelled.
QString resultMessage(PrintResult result, const QString &error);

// The printer a printout goes to: the selected one, else "PDF файл".
QString printerForPrintout();

// The modal preview; returns when it is closed (AfterPreview has run).
void preview(Model &model, QWidget *parent = nullptr);
} // namespace Report
