#include "documents/layout_report.h"

#include "platform/report/report_layout.h"

using namespace Layout;

namespace {
Qt::PenStyle penStyle(const QString &style)
{
    if (style == QLatin1String("psDash"))
        return Qt::DashLine;
    if (style == QLatin1String("psDot"))
        return Qt::DotLine;
    if (style == QLatin1String("psDashDot"))
        return Qt::DashDotLine;
    if (style == QLatin1String("psDashDotDot"))
        return Qt::DashDotDotLine;
    if (style == QLatin1String("psClear"))
        return Qt::NoPen;
    return Qt::SolidLine;
}

Report::Element richText(const char *name, const QString &html, int bandHeight)
{
    Report::Element e;
    e.name = QString::fromLatin1(name);
    e.kind = Report::ElementKind::RichText;
    e.width = Report::contentRect().width();
    e.height = qMax(0, bandHeight - 1);
    e.richText = html;
    return e;
}

Report::SystemData systemData(int code)
{
    switch (code) {
    case Date:
        return Report::SystemData::Date;
    case DateTime:
        return Report::SystemData::DateTime;
    case RecordCount:
        return Report::SystemData::RecordCount;
    case RecordNumber:
        return Report::SystemData::RecordNumber;
    case PageNumber:
        return Report::SystemData::PageNumber;
    case DocumentTitle:
        return Report::SystemData::ReportTitle;
    default:
        return Report::SystemData::Time;
    }
}
} // namespace

namespace LayoutReport {

Report::Element element(const Layout::Element &from)
{
    Report::Element e;
    e.name = from.name;
    switch (from.kind) {
    case Kind::Picture:
        e.kind = Report::ElementKind::Picture;
        return e; // the engine's own size and position; no picture is kept
    case Kind::DataField:
        e.kind = Report::ElementKind::DataField;
        e.table = from.table;
        e.field = from.field;
        e.wordWrap = true;
        break;
    case Kind::Label:
        e.kind = Report::ElementKind::Label;
        e.caption = from.text();
        break;
    case Kind::SystemData:
        e.kind = Report::ElementKind::SystemData;
        e.system = systemData(from.code);
        break;
    }
    e.left = from.left;
    e.top = from.top;
    e.width = from.width;
    e.height = from.height;
    e.autoSize = from.autoSize;
    e.alignment = from.alignment == Align::Right    ? Qt::AlignRight
                  : from.alignment == Align::Center ? Qt::AlignHCenter
                                                    : Qt::AlignLeft;
    e.frame.left = from.frameLeft;
    e.frame.right = from.frameRight;
    e.frame.top = from.frameTop;
    e.frame.bottom = from.frameBottom;
    e.frame.style = penStyle(from.frameStyle);
    e.frame.width = qMax(1, from.frameWidth);
    e.frame.colour = from.frameColour;
    e.fontSize = qBound(1, from.fontSize, 500);
    e.bold = from.bold;
    e.italic = from.italic;
    e.underline = from.underline;
    e.strikeOut = from.strikeOut;
    e.colour = from.fontColour;
    return e;
}

Report::Model model(const Document &document, const QString &title)
{
    Report::Model m;
    m.title = title;
    m.groupHeader.height = qMax(0, document.headerHeight);
    m.detail.height = qMax(0, document.detailHeight);
    m.groupFooter.height = qMax(0, document.footerHeight);
    m.groupHeader.elements.append(richText("QRRichText_Header", document.headerText, document.headerHeight));
    Report::Element original;
    original.name = QStringLiteral("QRLabel_ORIGINAL");
    original.kind = Report::ElementKind::Label;
    original.caption = QStringLiteral("ОРИГИНАЛ");
    original.alignment = Qt::AlignHCenter;
    original.autoSize = true;
    original.bold = true;
    original.fontSize = 20;
    original.width = 140;
    original.height = 32;
    original.left = (Report::contentRect().width() - original.width) / 2;
    original.enabled = document.originalVisible;
    m.groupHeader.elements.append(original);
    m.groupFooter.elements.append(richText("QRRichText_Footer", document.footerText, document.footerHeight));
    m.pageHeader.enabled = document.pageHeaderOn;
    m.pageHeader.height = qMax(0, document.pageHeaderHeight);
    m.pageHeader.elements.append(richText("QRRichText_Page_Header", {}, document.pageHeaderHeight));
    m.pageFooter.enabled = document.pageFooterOn;
    m.pageFooter.height = qMax(0, document.pageFooterHeight);
    m.pageFooter.elements.append(richText("QRRichText_Page_Footer", {}, document.pageFooterHeight));
    for (const Layout::Element &e : document.elements) {
        Report::Band &band = e.band == Band::Header   ? m.groupHeader
                             : e.band == Band::Footer ? m.groupFooter
                                                      : m.detail;
        band.elements.append(element(e));
    }
    return m;
}
} // namespace LayoutReport
