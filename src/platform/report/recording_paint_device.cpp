#include "platform/report/recording_paint_device.h"

#include <QPaintEngine>
#include <QPainter>

namespace {
class RecordingEngine : public QPaintEngine
{
public:
    explicit RecordingEngine(RecordingPaintDevice *device)
        : QPaintEngine(QPaintEngine::AllFeatures)
        , m_device(device)
    {
    }
    bool begin(QPaintDevice *) override
    {
        if (m_device->refuses())
            return false;
        m_device->startPageIfNone();
        return true;
    }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPath(const QPainterPath &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    // Every line and rectangle side that reaches the page, wherever it was drawn.
    void drawLines(const QLineF *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            m_device->noteLine(toLayout(lines[i]));
    }
    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QRectF &r = rects[i];
            for (const QLineF &side : {QLineF(r.topLeft(), r.topRight()), QLineF(r.topRight(), r.bottomRight()),
                                       QLineF(r.bottomLeft(), r.bottomRight()), QLineF(r.topLeft(), r.bottomLeft())})
                m_device->noteLine(toLayout(side));
        }
    }
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        const QPointF at = painter()->combinedTransform().map(p) * scale();
        m_device->noteRun(item.text(), item.font(), at);
    }
    Type type() const override { return QPaintEngine::User; }

private:
    double scale() const { return 96.0 / m_device->logicalDpiX(); }
    QLineF toLayout(const QLineF &line) const
    {
        const QLineF mapped = painter()->combinedTransform().map(line);
        return QLineF(mapped.p1() * scale(), mapped.p2() * scale());
    }

    RecordingPaintDevice *m_device;
};
} // namespace

QStringList RecordingPaintDevice::Page::lineTexts() const
{
    QStringList out;
    for (const Text &t : texts)
        out.append(t.text);
    return out;
}

bool RecordingPaintDevice::Page::contains(const QString &text) const
{
    return lineTexts().contains(text);
}

RecordingPaintDevice::RecordingPaintDevice(int dpi)
    : m_dpi(dpi)
    , m_engine(std::make_unique<RecordingEngine>(this))
{
}

RecordingPaintDevice::~RecordingPaintDevice() = default;

int RecordingPaintDevice::sentCount() const
{
    int n = 0;
    for (const Job &j : m_jobs)
        n += j.sent ? 1 : 0;
    return n;
}

QList<RecordingPaintDevice::Page> RecordingPaintDevice::pages() const
{
    return m_jobs.isEmpty() ? QList<Page>() : m_jobs.last().pages;
}

void RecordingPaintDevice::clear()
{
    m_jobs.clear();
}

void RecordingPaintDevice::startPageIfNone()
{
    if (m_jobs.isEmpty())
        m_jobs.append(Job());
    if (m_jobs.last().pages.isEmpty())
        m_jobs.last().pages.append(Page());
}

void RecordingPaintDevice::noteText(const QString &text, const QFont &font, const QRectF &rect)
{
    startPageIfNone();
    m_jobs.last().pages.last().texts.append({text, font, rect});
}

void RecordingPaintDevice::noteLine(const QLineF &line)
{
    startPageIfNone();
    m_jobs.last().pages.last().lines.append(line);
}

void RecordingPaintDevice::noteRun(const QString &text, const QFont &font, const QPointF &baseline)
{
    startPageIfNone();
    m_jobs.last().pages.last().runs.append({text, font, baseline});
}

bool RecordingPaintDevice::prepare(const QString &)
{
    return !m_cancel;
}

bool RecordingPaintDevice::begin(const QString &jobTitle)
{
    Job job;
    job.title = jobTitle;
    m_jobs.append(job);
    return true;
}

bool RecordingPaintDevice::newPage()
{
    startPageIfNone();
    m_jobs.last().pages.append(Page());
    return true;
}

bool RecordingPaintDevice::end(bool painted)
{
    if (!painted || m_failSend || m_jobs.isEmpty()) {
        m_error = QStringLiteral("принтерът не прие документа");
        return false;
    }
    m_jobs.last().sent = true;
    return true;
}

QString RecordingPaintDevice::refusedMessage() const
{
    return QStringLiteral("принтерът не приема печат");
}

QPaintEngine *RecordingPaintDevice::paintEngine() const
{
    return m_engine.get();
}

int RecordingPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return qRound(210.0 / 25.4 * m_dpi);
    case PdmHeight:
        return qRound(297.0 / 25.4 * m_dpi);
    case PdmWidthMM:
        return 210;
    case PdmHeightMM:
        return 297;
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return m_dpi;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    default:
        return QPaintDevice::metric(metric);
    }
}
