#include "platform/report/report_print.h"

#include "platform/printers.h"
#include "platform/report/print_target.h"
#include "platform/report/report_preview.h"

#include "platform/dialogs.h"

#include <QPainter>

namespace {
void failed(Report::Model &model, const QString &reason, QString *error)
{
    if (error)
        *error = reason;
    if (model.printFailed)
        model.printFailed(reason);
}
} // namespace

Report::PrintResult Report::printout(Model &model, PrintTarget &target, QString *error, Document *produced)
{
    if (!target.prepare(model.title))
        return PrintResult::Cancelled;
    if (model.beforePrint)
        model.beforePrint(model, Production::Printout);
    const Document doc = produce(model);
    if (produced)
        *produced = doc;
    if (doc.pages.isEmpty()) {
        // A blank page would be sent and counted: no job at all.
        failed(model, noDataMessage(), error);
        return PrintResult::NoData;
    }
    if (!target.begin(model.title)) {
        failed(model, target.errorString(), error);
        return PrintResult::Failed;
    }
    QPainter painter;
    if (!painter.begin(target.device())) {
        target.end(false);
        failed(model, target.refusedMessage(), error);
        return PrintResult::Failed;
    }
    bool ok = true;
    for (int i = 0; i < doc.pages.size() && ok; ++i) {
        if (i > 0 && !target.newPage()) {
            ok = false;
            break;
        }
        paintPage(painter, doc.pages.at(i));
    }
    ok = painter.end() && ok;
    if (!target.end(ok)) {
        failed(model, target.errorString(), error);
        return PrintResult::Failed;
    }
    if (model.afterPrint)
        model.afterPrint();
    return PrintResult::Sent;
}

QString Report::printerForPrintout()
{
    const QString name = Printers::selected();
    return name.isEmpty() ? Printers::PdfFile : name;
}

Report::PrintResult Report::print(Model &model, QString *error)
{
    const std::unique_ptr<PrintTarget> target = makePrintTarget(printerForPrintout());
    return printout(model, *target, error);
}

QString Report::resultMessage(PrintResult result, const QString &error)
{
    switch (result) {
    case PrintResult::NoData:
        return noDataMessage();
    case PrintResult::Failed:
        return QStringLiteral("Документът не е отпечатан: ") + error;
    case PrintResult::Sent:
    case PrintResult::Cancelled:
        break;
    }
    return QString();
}

void Report::preview(Model &model, QWidget *parent)
{
    ReportPreview window(model, parent);
    Dialogs::exec(&window);
    window.finishPreview();
}
