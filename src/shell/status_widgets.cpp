#include "shell/status_widgets.h"

#include "common/money.h"
#include "platform/db/database.h"
#include "app/app_state.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

ClickPanel::ClickPanel(const QString &name, QWidget *parent)
    : QLabel(parent)
{
    setObjectName(name);
    setTextFormat(Qt::PlainText);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMargin(2);
}

QRect ClickPanel::textRect() const
{
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

QString ClickPanel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRect().width());
}

QSize ClickPanel::sizeHint() const
{
    QSize size = QLabel::sizeHint();
    size.setWidth(qMin(size.width(), fontMetrics().averageCharWidth() * 40));
    return size;
}

QSize ClickPanel::minimumSizeHint() const
{
    QSize size = QLabel::minimumSizeHint();
    size.setWidth(qMin(size.width(), fontMetrics().averageCharWidth() * 8));
    return size;
}

void ClickPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, textRect(), QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

void ClickPanel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

RatesTicker::RatesTicker(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Image_Show_Valuta_Kurs"));
    setMinimumHeight(fontMetrics().height() + 6);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(20, 20, 60));
    p.setColor(QPalette::WindowText, QColor(255, 220, 90));
    setPalette(p);
}

QString RatesTicker::readText()
{
    QString text;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Opisanie, Kurs FROM Valuti ORDER BY ID")))
        text += r.value(0).toString() + QStringLiteral(" - ")
                + Money::formatWidth(r.value(1).toDouble(), 4, PriceDecimals) + QString(10, QLatin1Char(' '));
    return text;
}

void RatesTicker::setPosition(int x)
{
    m_position = x;
    update();
}

int RatesTicker::textWidth() const
{
    return fontMetrics().horizontalAdvance(m_text);
}

void RatesTicker::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(m_position, 2 + fontMetrics().ascent(), m_text);
}

void RatesTicker::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
}
