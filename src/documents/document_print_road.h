#pragma once
#include "common/decimal.h"
#include "documents/layout_document.h"
#include "documents/print_numbering.h"
#include "platform/report/report_model.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// The printer that was the program's when a tab's printer list was last
// filled; every road ends by selecting it again. Shared by the tabs.
extern QString DefaultPrinterName;

// A line a tab hands to the road, in grid order.
struct PrintedLine {
    long long line = 0;    // N_Prodajba
    long long article = 0; // Barkod
    ExactSum amount;       // in leva, exactly
    QString operatorName;
};

// The print road of the working tabs and reports: each ticked document is
// built from its layout and given its data, then shown in a modal preview on
// each ticked printer (or printed there at once when the caller asks).
struct PrintRoadRequest {
    int callerCode = CallerShop;
    QStringList documents;      // ticked, in list order
    QStringList printers;       // ticked, in list order
    QList<PrintedLine> lines;   // the printed lines, grid order
    long long counterparty = 0; // the tab's counterparty
    std::optional<Decimal> total; // the lines' exact sum rounded once to stotinki; none: zero amounts
    bool direct = false;        // no preview: a printout per printer
    bool copy = false;          // a reprint: every printout says "КОПИЕ"
    bool stopAtError = false;   // a document or printer that fails ends the road
    // Fills the document's data; by default the shop's or the service's query of the lines.
    std::function<bool(const QString &document, const Layout::Document &layout, Report::Data *data,
                       QString *error)>
        query;
    // The log of a numbered printout; by default the lines under the counterparty.
    std::optional<QList<PrintLogLine>> logLines;
    std::function<void()> atEnd; // the caller's panels hidden
    QWidget *parent = nullptr;
};

class DocumentPrintRoad
{
public:
    explicit DocumentPrintRoad(PrintRoadRequest request);
    // Runs the road. A document that cannot be built or read is named and
    // skipped; a printer that is not installed is named and skipped. At the end,
    // whatever happened: DocumentLineList empty, the caller's end, the
    // remembered printer selected again, the current layout as it was.
    void run();

    // The message when a shop or service road has no marked line.
    static QString noLinesMessage();

private:
    // false when the document was not printed everywhere (told).
    bool printDocument(const QString &document);
    QList<PrintLogLine> logLines() const;

    PrintRoadRequest m_request;
};
