#pragma once
#include "documents/layout_document.h"
#include "platform/report/report_model.h"

// A layout as the report engine's model: its elements on their bands, the
// header and footer texts one less than their bands, the "ОРИГИНАЛ" label
// when the layout switches it on, the page bands the editor switched on.
namespace LayoutReport {
Report::Model model(const Layout::Document &document, const QString &title = {});
Report::Element element(const Layout::Element &element);
} // namespace LayoutReport
