#pragma once
#include "platform/report/report_model.h"

#include <QFont>
#include <QLineF>
#include <QList>
#include <QRectF>

#include <memory>

class QPainter;
class QPaintDevice;
class QTextDocument;

// Production: the model laid out into pages once; every device then paints
// the same lines in the same rectangles. Text is measured on one 1200-dpi
// reference, never on the device that shows it, so the screen, a printer and
// a PDF break lines alike.
namespace Report {

// A4 portrait in layout pixels, 10 mm margins.
inline constexpr double LayoutDpi = 96.0;
inline constexpr double ReferenceDpi = 1200.0;
double pageWidth();
double pageHeight();
QRectF contentRect(); // the page less its margins

struct TextLine {
    QString text;
    QRectF rect; // on the page, layout pixels
};

struct PageItem {
    enum Kind { Text, RichText };
    Kind kind = Text;
    QRectF rect; // the element on the page
    QRectF clip; // what of it may be drawn (its band, cut at the page)
    QFont font;  // point size as laid out
    QColor colour = Qt::black;
    Qt::Alignment alignment = Qt::AlignLeft;
    QList<TextLine> lines;
    Frame frame;
    std::shared_ptr<QTextDocument> document; // rich text, laid out on the reference
};

struct Page {
    QList<PageItem> items;
};

struct Document {
    QString title;
    QList<Page> pages;
};

// The font of an element: "Arial" in its size and styles.
QFont elementFont(const Element &element);
// The reference device text is measured on.
QPaintDevice *referenceDevice();

// Lays the model out into pages (no rows: no pages). Fires no event.
Document produce(const Model &model);
int productionCount(); // how often produce() ran in this process (tests)

// Paints one page on the painter's device; `zoom` 1 is the natural size.
void paintPage(QPainter &painter, const Page &page, double zoom = 1.0);
} // namespace Report
