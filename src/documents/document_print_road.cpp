#include "documents/document_print_road.h"

#include "app/app_state.h"
#include "app/record_ops.h"
#include "documents/document_query.h"
#include "documents/layout_build.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/printers.h"
#include "platform/report/report_print.h"

#include <stdexcept>

QString DefaultPrinterName;

namespace {
// The end of every road, whatever happened on it.
class RoadEnd
{
public:
    explicit RoadEnd(std::function<void()> atEnd)
        : m_atEnd(std::move(atEnd))
        , m_layout(Layout::current())
        , m_printer(Printers::selected())
    {
    }
    ~RoadEnd()
    {
        DocumentLineList.clear();
        Layout::current() = m_layout;
        try {
            if (m_atEnd)
                m_atEnd();
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
        }
        const QString printer = DefaultPrinterName.isEmpty() ? m_printer : DefaultPrinterName;
        if (printer.isEmpty() || !SET_SELECTED_PRINTER(printer))
            Printers::resetSelection();
    }

private:
    std::function<void()> m_atEnd;
    Layout::Document m_layout;
    QString m_printer;
};
} // namespace

DocumentPrintRoad::DocumentPrintRoad(PrintRoadRequest request)
    : m_request(std::move(request))
{
}

QString DocumentPrintRoad::noLinesMessage()
{
    return QStringLiteral("Моля избер") + QLatin1Char('e')
           + QStringLiteral("те артикулите, за които\nще се разпечатват документи");
}

QList<PrintLogLine> DocumentPrintRoad::logLines() const
{
    if (m_request.logLines)
        return *m_request.logLines;
    const int origin = m_request.callerCode == CallerService ? OriginService : OriginShop;
    QList<PrintLogLine> log;
    for (const PrintedLine &l : m_request.lines)
        log.append({l.line, l.article, m_request.counterparty, l.operatorName, origin});
    return log;
}

void DocumentPrintRoad::run()
{
    DocumentLineList.clear();
    RoadEnd end(m_request.atEnd);
    PrintState &state = programPrintState();
    state.PrintCallerCode = m_request.callerCode;
    const bool needsLines = m_request.callerCode == CallerShop || m_request.callerCode == CallerService;
    if (needsLines && m_request.lines.isEmpty()) {
        Dialogs::message(noLinesMessage(), m_request.parent);
        return;
    }
    for (const PrintedLine &l : m_request.lines)
        DocumentLineList.append(QString::number(l.line));
    for (const QString &document : m_request.documents) {
        bool printed = false;
        try {
            printed = printDocument(document);
        } catch (const std::exception &e) {
            // The document is skipped; the road goes on with the next, unless the caller stops.
            ExceptionLog::write(e);
            Dialogs::message(QStringLiteral("Документ \"%1\" не е отпечатан: %2")
                                 .arg(document, QString::fromStdString(e.what())),
                             m_request.parent);
        }
        if (!printed && m_request.stopAtError)
            return;
    }
}

bool DocumentPrintRoad::printDocument(const QString &document)
{
    PrintState &state = programPrintState();
    DdsSplit amounts;
    try {
        amounts = GET_DDS(m_request.total.value_or(Decimal()));
    } catch (const std::invalid_argument &e) {
        Dialogs::message(QString::fromStdString(e.what()), m_request.parent);
        return false;
    }
    std::optional<Report::Model> model = LayoutBuild::reportModel(document, amounts, true, m_request.parent, document);
    if (!model)
        return false; // missing layout (told) or a prompt closed
    state.CurrentDocumentName = document;

    QString error;
    bool ok = false;
    if (m_request.query) {
        ok = m_request.query(document, Layout::current(), &model->data, &error);
    } else {
        DocumentQuery::Context c;
        c.tab = m_request.callerCode == CallerService ? DocumentQuery::ServiceTab : DocumentQuery::ShopTab;
        c.counterparty = m_request.counterparty;
        for (const PrintedLine &l : m_request.lines)
            c.lines.append(l.line);
        c.operatorName = AppState::instance().currentOperator();
        c.documentName = document;
        ok = DocumentQuery::ADD_SQL_TO_QUERY_QUICKREPORT(Layout::current(), c, &model->data, &error);
    }
    if (!ok) {
        Dialogs::message(QStringLiteral("Документ \"%1\" не е отпечатан: %2").arg(document, error), m_request.parent);
        return false;
    }
    const Report::Data data = model->data;
    auto numbering = PrintNumbering::attach(*model, state, logLines());
    if (m_request.copy) {
        // An issued document has one original: its reprints are copies.
        model->beforePrint = [numbering](Report::Model &m, Report::Production p) {
            numbering->beforePrint(m, p);
            if (Report::Element *e = m.element(QStringLiteral("QRLabel_ORIGINAL")))
                e->caption = QStringLiteral("КОПИЕ");
        };
    }
    bool all = true;
    for (const QString &printer : m_request.printers) {
        if (!SET_SELECTED_PRINTER(printer)) {
            Dialogs::message(Printers::notFoundMessage(printer), m_request.parent);
            if (m_request.stopAtError)
                return false;
            all = false;
            continue;
        }
        model->data = data; // each preview starts from the document's own data
        if (m_request.direct) {
            QString why;
            const Report::PrintResult result = Report::print(*model, &why);
            numbering->afterPreview(); // as a closed preview: the next starts at "ОРИГИНАЛ"
            const QString message = Report::resultMessage(result, why);
            if (!message.isEmpty()) {
                Dialogs::message(message, m_request.parent);
                if (m_request.stopAtError)
                    return false;
                all = false;
            }
        } else {
            Report::preview(*model, m_request.parent);
        }
    }
    return all;
}
