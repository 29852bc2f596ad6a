#pragma once
#include "platform/report/print_target.h"

#include <QFont>
#include <QLineF>
#include <QList>
#include <QPaintDevice>
#include <QRectF>
#include <QStringList>

#include <memory>

class QPaintEngine;

// A paint device that keeps what is drawn on it instead of printing: per
// page, each text line the report engine lays out (its font and rectangle in
// layout pixels), each text run that reaches the device (with its baseline)
// and each line or rectangle side painted (layout pixels). It stands in for a printer in tests, at any
// resolution, and can refuse the job or fail to send it.
class RecordingPaintDevice : public QPaintDevice, public Report::PrintTarget
{
public:
    struct Text {
        QString text;
        QFont font;
        QRectF rect; // layout pixels
    };
    struct Run {
        QString text;
        QFont font;
        QPointF baseline; // layout pixels
    };
    struct Page {
        QList<Text> texts;
        QList<Run> runs;
        QList<QLineF> lines;
        QStringList lineTexts() const; // the texts in drawing order
        bool contains(const QString &text) const;
    };
    struct Job {
        QString title;
        QList<Page> pages;
        bool sent = false;
    };

    explicit RecordingPaintDevice(int dpi = 96);
    ~RecordingPaintDevice() override;

    // Printing: what was started, what was sent.
    QList<Job> jobs() const { return m_jobs; }
    int sentCount() const;
    QList<Page> pages() const; // of the last job (or of plain painting)
    void clear();

    void setRefuse(bool on) { m_refuse = on; }     // the painter cannot start
    void setFailSend(bool on) { m_failSend = on; } // the job is not sent
    void setCancelPrepare(bool on) { m_cancel = on; }

    // The report engine's notes of what it lays out.
    void noteText(const QString &text, const QFont &font, const QRectF &rect);
    void noteLine(const QLineF &line); // layout pixels
    void noteRun(const QString &text, const QFont &font, const QPointF &baseline);
    void startPageIfNone();

    // Report::PrintTarget
    bool prepare(const QString &title) override;
    bool begin(const QString &jobTitle) override;
    QPaintDevice *device() override { return this; }
    bool newPage() override;
    bool end(bool painted) override;
    QString refusedMessage() const override;

    // QPaintDevice
    QPaintEngine *paintEngine() const override;
    bool refuses() const { return m_refuse; }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    int m_dpi;
    QList<Job> m_jobs;
    bool m_refuse = false;
    bool m_failSend = false;
    bool m_cancel = false;
    std::unique_ptr<QPaintEngine> m_engine;
};
