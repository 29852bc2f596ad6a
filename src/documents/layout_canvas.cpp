#include "documents/layout_canvas.h"

#include "documents/layout_document.h"

#include <QPainter>
#include <QTextDocument>

using namespace Layout;

namespace {
const int kMaxBandShown = 4000; // a huge band from a file is drawn cut

int shown(int height)
{
    return qBound(0, height, kMaxBandShown);
}

QString systemText(int code)
{
    const QStringList kinds = systemKinds();
    return code >= 0 && code < kinds.size() ? kinds.at(code) : QString();
}
} // namespace

LayoutCanvas::LayoutCanvas(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("QuickRep1"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    setPalette(p);
    refresh();
}

int LayoutCanvas::pageHeight() const
{
    const Document &d = current();
    int h = 0;
    if (d.pageHeaderOn)
        h += TitleHeight + shown(d.pageHeaderHeight);
    h += 3 * TitleHeight + shown(d.headerHeight) + shown(d.detailHeight) + shown(d.footerHeight);
    if (d.pageFooterOn)
        h += TitleHeight + shown(d.pageFooterHeight);
    return h + 20;
}

QSize LayoutCanvas::sizeHint() const
{
    return {PageWidth + 20, pageHeight()};
}

void LayoutCanvas::refresh()
{
    setMinimumSize(sizeHint());
    resize(sizeHint().expandedTo(size()));
    update();
}

QString LayoutCanvas::elementText(int index)
{
    const Document &d = current();
    if (index < 0 || index >= d.elements.size())
        return {};
    const Element &e = d.elements.at(index);
    switch (e.kind) {
    case Kind::DataField:
        return e.field.isEmpty() ? e.name : e.table + QLatin1Char('.') + e.field;
    case Kind::SystemData:
        return systemText(e.code);
    case Kind::Picture:
        return e.name;
    case Kind::Label:
        break;
    }
    return e.caption.isEmpty() ? e.name : e.caption;
}

void LayoutCanvas::paintEvent(QPaintEvent *)
{
    const Document &d = current();
    QPainter p(this);
    const int x0 = 10;
    int y = 10;
    QFont titleFont = font();
    titleFont.setPointSize(7);

    auto strip = [&](const QString &title, int height, const QString &richText) {
        p.setFont(titleFont);
        p.fillRect(QRect(x0, y, PageWidth, TitleHeight), QColor(0xB0, 0xC4, 0xDE));
        p.setPen(Qt::black);
        p.drawText(QRect(x0 + 4, y, PageWidth - 8, TitleHeight), Qt::AlignVCenter | Qt::AlignLeft, title);
        y += TitleHeight;
        const QRect band(x0, y, PageWidth, shown(height));
        p.fillRect(band, Qt::white);
        p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
        p.drawRect(band.adjusted(0, 0, -1, -1));
        if (!richText.isEmpty() && height > 1) {
            QTextDocument text;
            text.setHtml(richText);
            text.setTextWidth(PageWidth);
            p.save();
            p.translate(band.topLeft());
            text.drawContents(&p, QRectF(0, 0, PageWidth, shown(height) - 1));
            p.restore();
        }
        const int top = y;
        y += shown(height);
        return top;
    };

    if (d.pageHeaderOn)
        strip(QStringLiteral("QRBand_Page_Header"), d.pageHeaderHeight, {});
    const int headerTop = strip(bandName(Band::Header), d.headerHeight, d.headerText);
    const int detailTop = strip(bandName(Band::Detail), d.detailHeight, {});
    const int footerTop = strip(bandName(Band::Footer), d.footerHeight, d.footerText);
    if (d.pageFooterOn)
        strip(QStringLiteral("QRBand_Page_Footer"), d.pageFooterHeight, {});

    for (int i = 0; i < d.elements.size(); ++i) {
        const Element &e = d.elements.at(i);
        const int top = e.band == Band::Header ? headerTop : e.band == Band::Footer ? footerTop : detailTop;
        const QRect clip(x0, top, PageWidth, shown(d.bandHeight(e.band)));
        const QRect r(x0 + e.left, top + e.top, qMax(e.width, 4), qMax(e.height, 4));
        p.save();
        p.setClipRect(clip);
        QFont f(QStringLiteral("Arial"));
        f.setPointSize(qBound(1, e.fontSize, 200));
        f.setBold(e.bold);
        f.setItalic(e.italic);
        f.setUnderline(e.underline);
        f.setStrikeOut(e.strikeOut);
        p.setFont(f);
        p.setPen(QPen(QColor(0x40, 0x40, 0xC0), 1, Qt::DashLine));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(QPen(e.frameColour, qMax(1, e.frameWidth)));
        if (e.frameLeft)
            p.drawLine(r.topLeft(), r.bottomLeft());
        if (e.frameRight)
            p.drawLine(r.topRight(), r.bottomRight());
        if (e.frameTop)
            p.drawLine(r.topLeft(), r.topRight());
        if (e.frameBottom)
            p.drawLine(r.bottomLeft(), r.bottomRight());
        p.setPen(e.fontColour);
        const Qt::Alignment h = e.alignment == Align::Right    ? Qt::AlignRight
                                : e.alignment == Align::Center ? Qt::AlignHCenter
                                                               : Qt::AlignLeft;
        p.drawText(r.adjusted(2, 0, -2, 0), int(h | Qt::AlignVCenter), elementText(i));
        p.restore();
    }
}
