#include "platform/report/report_layout.h"

#include "common/dates.h"
#include "platform/report/recording_paint_device.h"

#include <QAbstractTextDocumentLayout>
#include <QDateTime>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QTextLayout>

namespace {
constexpr double kMmPerInch = 25.4;
constexpr double kScale = Report::ReferenceDpi / Report::LayoutDpi; // reference pixels per layout pixel

double mm(double v)
{
    return v / kMmPerInch * Report::LayoutDpi;
}

struct Measured {
    QString text;
    double width = 0; // layout pixels
};

// Lines of a text as the reference breaks them; `width` <= 0: no wrapping.
QList<Measured> measureLines(const QString &text, const QFont &font, double width)
{
    QList<Measured> out;
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = plain.split(QLatin1Char('\n'));
    for (const QString &par : paragraphs) {
        QTextLayout layout(par, font, Report::referenceDevice());
        QTextOption option;
        option.setWrapMode(width > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            if (width > 0)
                line.setLineWidth(width * kScale);
        }
        layout.endLayout();
        if (layout.lineCount() == 0) {
            out.append({QString(), 0});
            continue;
        }
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            QString part = par.mid(line.textStart(), line.textLength());
            while (!part.isEmpty() && part.back().isSpace())
                part.chop(1);
            out.append({part, line.naturalTextWidth() / kScale});
        }
    }
    return out;
}

Qt::PenStyle penStyle(Qt::PenStyle s)
{
    return s == Qt::NoPen ? Qt::NoPen : s;
}

class Producer
{
public:
    explicit Producer(const Report::Model &model)
        : m(model)
        , now(QDateTime::currentDateTime())
    {
        doc.title = model.title;
    }

    Report::Document run()
    {
        const int rows = m.data.rowCount();
        if (rows == 0)
            return doc; // no rows, no pages
        row = 0;
        put(m.groupHeader);
        for (row = 0; row < rows; ++row)
            put(m.detail);
        row = rows - 1;
        put(m.groupFooter);
        put(m.child);
        if (pageOpen)
            closePage();
        return doc;
    }

private:
    const Report::Model &m;
    Report::Document doc;
    QDateTime now;
    int row = 0;
    bool pageOpen = false;
    double y = 0;
    double bodyTop = 0;
    double bodyBottom = 0;

    static bool shown(const Report::Band &b) { return b.enabled && b.height > 0; }

    void openPage()
    {
        const QRectF content = Report::contentRect();
        doc.pages.append(Report::Page());
        pageOpen = true;
        bodyTop = content.top();
        if (shown(m.pageHeader)) {
            const double h = qMin(m.pageHeader.height, content.height());
            const QRectF r(content.left(), content.top(), content.width(), m.pageHeader.height);
            layoutBand(m.pageHeader, r, r.intersected(content));
            bodyTop += h;
        }
        bodyBottom = content.bottom();
        if (shown(m.pageFooter))
            bodyBottom = qMax(bodyTop, content.bottom() - m.pageFooter.height);
        y = bodyTop;
    }

    void closePage()
    {
        const QRectF content = Report::contentRect();
        if (shown(m.pageFooter)) {
            const QRectF r(content.left(), qMax(bodyTop, content.bottom() - m.pageFooter.height), content.width(),
                           m.pageFooter.height);
            layoutBand(m.pageFooter, r, r.intersected(content));
        }
        // A page holds what its layout draws and nothing more: no frame of
        // its own down the right margin or along the bottom.
        pageOpen = false;
    }

    void put(const Report::Band &b)
    {
        if (!shown(b))
            return;
        constexpr double eps = 0.001;
        if (!pageOpen) {
            openPage();
        } else if (y + b.height > bodyBottom + eps && y > bodyTop + eps) {
            closePage(); // a band that does not fit starts a page
            openPage();
        }
        const QRectF content = Report::contentRect();
        const QRectF r(content.left(), y, content.width(), b.height);
        // One taller than the page is cut at the page's end.
        const QRectF body(content.left(), bodyTop, content.width(), qMax(0.0, bodyBottom - bodyTop));
        layoutBand(b, r, r.intersected(body));
        y += b.height;
    }

    QString textOf(const Report::Element &e) const
    {
        using Report::SystemData;
        switch (e.kind) {
        case Report::ElementKind::Label:
            return e.caption;
        case Report::ElementKind::DataField:
            return m.data.text(row, m.data.columnOf(e.table, e.field));
        case Report::ElementKind::SystemData:
            switch (e.system) {
            case SystemData::Date:
                return Dates::toShort(now.date());
            case SystemData::DateTime:
                return Dates::toShort(now.date()) + QLatin1Char(' ') + Dates::timeText(now.time());
            case SystemData::Time:
                return Dates::timeText(now.time());
            case SystemData::RecordCount:
                return QString::number(m.data.rowCount());
            case SystemData::RecordNumber:
                return QString::number(row + 1);
            case SystemData::PageNumber:
                return QString::number(doc.pages.size());
            case SystemData::ReportTitle:
                return m.title;
            }
            break;
        case Report::ElementKind::Picture:
        case Report::ElementKind::RichText:
            break;
        }
        return QString();
    }

    void layoutBand(const Report::Band &b, const QRectF &bandRect, const QRectF &clip)
    {
        for (const Report::Element &e : b.elements) {
            if (!e.enabled || e.kind == Report::ElementKind::Picture)
                continue;
            if (e.kind == Report::ElementKind::RichText)
                layoutRichText(e, b, bandRect, clip);
            else
                layoutText(e, bandRect, clip);
        }
    }

    void layoutText(const Report::Element &e, const QRectF &bandRect, const QRectF &clip)
    {
        Report::PageItem item;
        item.kind = Report::PageItem::Text;
        item.font = Report::elementFont(e);
        item.colour = e.colour;
        item.alignment = e.alignment & Qt::AlignHorizontal_Mask;
        item.frame = e.frame;
        const QString text = textOf(e);
        QRectF rect(bandRect.left() + e.left, bandRect.top() + e.top, e.width, e.height);
        const QList<Measured> lines =
            measureLines(text, item.font, e.wordWrap && !e.autoSize ? qMax(1.0, e.width) : 0.0);
        if (e.autoSize) {
            double widest = 0;
            for (const Measured &l : lines)
                widest = qMax(widest, l.width);
            widest = std::ceil(widest) + 2; // room for a device that draws a hair wider
            if (item.alignment & Qt::AlignRight)
                rect.setLeft(rect.right() - widest);
            else if (item.alignment & Qt::AlignHCenter)
                rect.setLeft(rect.center().x() - widest / 2);
            rect.setWidth(widest);
        }
        item.rect = rect;
        item.clip = rect.intersected(clip);
        const double lineHeight = QFontMetricsF(item.font, Report::referenceDevice()).height() / kScale;
        for (int i = 0; i < lines.size(); ++i) {
            const Measured &l = lines.at(i);
            if (l.text.isEmpty())
                continue;
            double x = rect.left();
            if (item.alignment & Qt::AlignRight)
                x = rect.right() - l.width;
            else if (item.alignment & Qt::AlignHCenter)
                x = rect.left() + (rect.width() - l.width) / 2;
            const QRectF lineRect(x, rect.top() + i * lineHeight, l.width, lineHeight);
            if (lineRect.intersects(item.clip)) // cut away lines are not drawn at all
                item.lines.append({l.text, lineRect});
        }
        if (!item.lines.isEmpty() || item.frame.any())
            doc.pages.last().items.append(item);
    }

    void layoutRichText(const Report::Element &e, const Report::Band &b, const QRectF &bandRect,
                        const QRectF &clip)
    {
        if (e.richText.isEmpty())
            return;
        Report::PageItem item;
        item.kind = Report::PageItem::RichText;
        item.rect = QRectF(bandRect.left() + e.left, bandRect.top() + e.top, e.width, qMax(0.0, b.height - 1));
        item.clip = item.rect.intersected(clip);
        auto document = std::make_shared<QTextDocument>();
        document->documentLayout()->setPaintDevice(Report::referenceDevice());
        QFont base(QStringLiteral("Arial"));
        base.setPointSizeF(10);
        document->setDefaultFont(base);
        document->setDocumentMargin(0);
        document->setHtml(e.richText);
        document->setTextWidth(e.width * kScale);
        item.document = document;
        item.frame = e.frame;
        doc.pages.last().items.append(item);
    }
};
} // namespace

double Report::pageWidth()
{
    return mm(210);
}

double Report::pageHeight()
{
    return mm(297);
}

QRectF Report::contentRect()
{
    return QRectF(mm(10), mm(10), mm(190), mm(277));
}

QFont Report::elementFont(const Element &element)
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(qMax(1, element.fontSize));
    f.setBold(element.bold);
    f.setItalic(element.italic);
    f.setUnderline(element.underline);
    f.setStrikeOut(element.strikeOut);
    // Kerning and hinting would make widths depend on the device.
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QPaintDevice *Report::referenceDevice()
{
    static QImage device = [] {
        QImage image(8, 8, QImage::Format_RGB32);
        const int dpm = qRound(ReferenceDpi / 0.0254);
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
        return image;
    }();
    return &device;
}

namespace {
int g_productions = 0;
}

Report::Document Report::produce(const Model &model)
{
    ++g_productions;
    return Producer(model).run();
}

int Report::productionCount()
{
    return g_productions;
}

void Report::paintPage(QPainter &painter, const Page &page, double zoom)
{
    QPaintDevice *device = painter.device();
    const double sx = zoom * device->logicalDpiX() / LayoutDpi;
    const double sy = zoom * device->logicalDpiY() / LayoutDpi;
    const auto map = [&](const QRectF &r) { return QRectF(r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy); };
    auto *recording = dynamic_cast<RecordingPaintDevice *>(device);

    for (const PageItem &item : page.items) {
        painter.save();
        switch (item.kind) {
        case PageItem::Text: {
            painter.setClipRect(map(item.clip));
            QFont f = item.font;
            f.setPointSizeF(f.pointSizeF() * zoom);
            painter.setFont(f);
            painter.setPen(item.colour);
            for (const TextLine &line : item.lines) {
                if (recording)
                    recording->noteText(line.text, item.font, line.rect);
                painter.drawText(map(line.rect), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                                 line.text);
            }
            break;
        }
        case PageItem::RichText: {
            painter.setClipRect(map(item.clip));
            const QRectF r = map(item.rect);
            painter.translate(r.topLeft());
            painter.scale(zoom * device->logicalDpiX() / ReferenceDpi, zoom * device->logicalDpiY() / ReferenceDpi);
            item.document->drawContents(&painter, QRectF(0, 0, item.rect.width() * kScale, item.rect.height() * kScale));
            break;
        }
        }
        painter.restore();

        if (item.frame.any() && item.frame.style != Qt::NoPen) {
            painter.save();
            // The pen straddles the element's edge: half of it lies outside.
            const double w = qMax(1, item.frame.width);
            painter.setClipRect(map(item.clip.adjusted(-w, -w, w, w)));
            QPen pen(item.frame.colour);
            pen.setWidthF(qMax(1, item.frame.width) * sx);
            pen.setStyle(penStyle(item.frame.style));
            painter.setPen(pen);
            const QRectF r = map(item.rect);
            if (item.frame.left)
                painter.drawLine(r.topLeft(), r.bottomLeft());
            if (item.frame.right)
                painter.drawLine(r.topRight(), r.bottomRight());
            if (item.frame.top)
                painter.drawLine(r.topLeft(), r.topRight());
            if (item.frame.bottom)
                painter.drawLine(r.bottomLeft(), r.bottomRight());
            painter.restore();
        }
    }
}
