#include "platform/report/report_preview.h"

#include "platform/dialogs.h"
#include "platform/report/print_target.h"
#include "platform/report/report_print.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int kGap = 12; // device pixels between pages and around them
const int kZooms[] = {50, 75, 100, 150, 200};
} // namespace

ReportPageView::ReportPageView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PageView"));
    setAutoFillBackground(false);
}

void ReportPageView::setDocument(const Report::Document *document)
{
    m_document = document;
    updateGeometry();
    resize(sizeHint());
    update();
}

void ReportPageView::setZoom(double zoom)
{
    m_zoom = zoom;
    updateGeometry();
    resize(sizeHint());
    update();
}

QSizeF ReportPageView::pageSize() const
{
    return QSizeF(Report::pageWidth() * m_zoom * logicalDpiX() / Report::LayoutDpi,
                  Report::pageHeight() * m_zoom * logicalDpiY() / Report::LayoutDpi);
}

QSize ReportPageView::sizeHint() const
{
    const QSizeF page = pageSize();
    const int n = m_document ? int(m_document->pages.size()) : 0;
    return QSize(qCeil(page.width()) + 2 * kGap, qMax(1, n) * (qCeil(page.height()) + kGap) + kGap);
}

void ReportPageView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(0x80, 0x80, 0x80));
    if (!m_document)
        return;
    const QSizeF page = pageSize();
    const int step = qCeil(page.height()) + kGap;
    for (int i = 0; i < m_document->pages.size(); ++i) {
        const QRect r(kGap, kGap + i * step, qCeil(page.width()), qCeil(page.height()));
        if (!r.intersects(event->rect()))
            continue;
        painter.save();
        painter.fillRect(r, Qt::white);
        painter.translate(r.topLeft());
        painter.setClipRect(QRect(QPoint(0, 0), r.size()));
        Report::paintPage(painter, m_document->pages.at(i), m_zoom);
        painter.restore();
    }
}

ReportPreview::ReportPreview(Report::Model &model, QWidget *parent)
    : QDialog(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("Form_Preview"));
    setWindowTitle(model.title.isEmpty() ? QStringLiteral("Преглед") : QStringLiteral("Преглед: ") + model.title);

    Button_Print = new QPushButton(QStringLiteral("Печат"), this);
    Button_Print->setObjectName(QStringLiteral("Button_Print"));
    Button_Close = new QPushButton(QStringLiteral("Затвори"), this);
    Button_Close->setObjectName(QStringLiteral("Button_Close"));
    ComboBox_Zoom = new QComboBox(this);
    ComboBox_Zoom->setObjectName(QStringLiteral("ComboBox_Zoom"));
    for (int z : kZooms)
        ComboBox_Zoom->addItem(QString::number(z) + QStringLiteral(" %"), z);
    ComboBox_Zoom->setCurrentIndex(2);
    Label_Pages = new QLabel(this);
    Label_Pages->setObjectName(QStringLiteral("Label_Pages"));
    Label_NoData = new QLabel(Report::noDataMessage(), this);
    Label_NoData->setObjectName(QStringLiteral("Label_NoData"));
    Label_NoData->setAlignment(Qt::AlignCenter);
    QFont big = Label_NoData->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    Label_NoData->setFont(big);

    PageView = new ReportPageView;
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScrollArea_Pages"));
    m_scroll->setWidget(PageView);
    m_scroll->setAlignment(Qt::AlignHCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);

    auto *bar = new QHBoxLayout;
    bar->addWidget(Button_Print);
    bar->addWidget(new QLabel(QStringLiteral("Мащаб:"), this));
    bar->addWidget(ComboBox_Zoom);
    bar->addWidget(Label_Pages);
    bar->addStretch();
    bar->addWidget(Button_Close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(Label_NoData);
    layout->addWidget(m_scroll, 1);

    connect(Button_Print, &QPushButton::clicked, this, &ReportPreview::Button_PrintClick);
    connect(Button_Close, &QPushButton::clicked, this, &ReportPreview::Button_CloseClick);
    connect(ComboBox_Zoom, &QComboBox::activated, this, &ReportPreview::ComboBox_ZoomChange);

    // The one production of the preview.
    if (m_model.beforePrint)
        m_model.beforePrint(m_model, Report::Production::Preview);
    m_document = Report::produce(m_model);

    const bool empty = m_document.pages.isEmpty();
    Label_NoData->setVisible(empty);
    m_scroll->setVisible(!empty);
    Button_Print->setEnabled(!empty);
    Label_Pages->setText(QStringLiteral("Страници: ") + QString::number(m_document.pages.size()));
    PageView->setDocument(&m_document);
    resize(qMin(PageView->sizeHint().width() + 60, 1000), 800);
}

ReportPreview::~ReportPreview() = default;

double ReportPreview::zoom() const
{
    return PageView->zoom();
}

void ReportPreview::setZoom(double zoom)
{
    PageView->setZoom(zoom);
}

void ReportPreview::ComboBox_ZoomChange()
{
    setZoom(ComboBox_Zoom->currentData().toInt() / 100.0);
}

void ReportPreview::Button_PrintClick()
{
    if (m_document.pages.isEmpty())
        return;
    QString error;
    const std::unique_ptr<Report::PrintTarget> target = Report::makePrintTarget(Report::printerForPrintout());
    const Report::PrintResult result = Report::printout(m_model, *target, &error);
    const QString message = Report::resultMessage(result, error);
    if (!message.isEmpty())
        Dialogs::message(message, this);
}

void ReportPreview::Button_CloseClick()
{
    accept();
}

void ReportPreview::finishPreview()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_model.afterPreview)
        m_model.afterPreview();
}

void ReportPreview::done(int result)
{
    QDialog::done(result);
    finishPreview();
}
