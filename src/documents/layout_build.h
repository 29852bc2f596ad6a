#pragma once
#include "app/record_ops.h"
#include "documents/layout_document.h"
#include "platform/report/report_model.h"

#include <QString>

#include <optional>

class QWidget;

// Building a document from its layout: the layout read over the current one,
// its labels given their amounts or the texts the prompts ask for.
namespace LayoutBuild {

// The printed texts of the labels: net, VAT, total and words from `amounts`
// (a total with no amount set is 0.00); with `prompts`, the free-text and
// number labels ask in element order (a number is asked again until it is
// one). false when a prompt was closed: the document is not to be printed.
bool fillLabels(Layout::Document &document, const DdsSplit &amounts, bool prompts, QWidget *parent = nullptr);

// Reads `name` over the current layout and fills its labels; on success it
// becomes the current layout. A missing layout says "Липсва файл на документ:
// <name>" and leaves the current layout as it was.
bool build(const QString &name, const DdsSplit &amounts, bool prompts, QWidget *parent = nullptr);

// The build of a print road: the report engine's model of the document, or
// none when its layout is missing or a prompt was closed.
std::optional<Report::Model> reportModel(const QString &name, const DdsSplit &amounts, bool prompts,
                                         QWidget *parent = nullptr, const QString &title = {});
} // namespace LayoutBuild
