#pragma once
#include "platform/report/report_layout.h"
#include "platform/report/report_model.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

// The pages of a produced report, one below the other, at a zoom.
class ReportPageView : public QWidget
{
    Q_OBJECT
public:
    explicit ReportPageView(QWidget *parent = nullptr);
    void setDocument(const Report::Document *document);
    void setZoom(double zoom);
    double zoom() const { return m_zoom; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSizeF pageSize() const; // device pixels at the zoom
    const Report::Document *m_document = nullptr;
    double m_zoom = 1.0;
};

// The modal preview of a report: it is produced once when the window is made
// (BeforePrint, then the pages); zoom and repaint show those pages again.
// "Печат" makes a printout on the program's selected printer; "Затвори" (or
// any close) ends the preview, firing AfterPreview once.
class ReportPreview : public QDialog
{
    Q_OBJECT
public:
    explicit ReportPreview(Report::Model &model, QWidget *parent = nullptr);
    ~ReportPreview() override;

    QPushButton *Button_Print;  // "Печат"
    QPushButton *Button_Close;  // "Затвори"
    QComboBox *ComboBox_Zoom;   // "50 %" ... "200 %"
    QLabel *Label_Pages;        // "Страници: n"
    QLabel *Label_NoData;       // "Няма данни за документа"
    ReportPageView *PageView;

    const Report::Document &document() const { return m_document; }
    Report::Model &model() { return m_model; }
    double zoom() const;
    void setZoom(double zoom);

    void Button_PrintClick();
    void Button_CloseClick();
    void ComboBox_ZoomChange();

    // Fires AfterPreview unless it ran.
    void finishPreview();

    void done(int result) override;

private:
    Report::Model &m_model;
    Report::Document m_document;
    QScrollArea *m_scroll;
    bool m_finished = false;
};
