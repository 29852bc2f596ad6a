#include "shell/status_widgets.h"

#include "common/money.h"
#include "platform/db/database.h"
#include "app/app_state.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

ClickPanel::ClickPanel(const QString &name, QWidget *parent)
    : ElidedLabel(parent)
{
    setObjectName(name);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMargin(2);
}

void ClickPanel::mouseReleaseEvent(QMouseEvent *event)
{
    ElidedLabel::mouseReleaseEvent(event);
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
