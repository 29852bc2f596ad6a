#include "platform/long_texts.h"

#include <QComboBox>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableView>

LongTextStyle::LongTextStyle(const QString &baseStyle)
    : QProxyStyle(baseStyle)
{
}

int LongTextStyle::comboWidthCap(const QWidget *widget)
{
    return widget->fontMetrics().averageCharWidth() * 40 + 48;
}

int LongTextStyle::columnWidthCap(const QWidget *grid)
{
    return grid->fontMetrics().averageCharWidth() * 50;
}

void LongTextStyle::fitColumns(QTableView *grid)
{
    grid->resizeColumnsToContents();
    const int cap = columnWidthCap(grid);
    for (int c = 0; grid->model() && c < grid->model()->columnCount(); ++c)
        if (grid->columnWidth(c) > cap)
            grid->setColumnWidth(c, cap);
}

void LongTextStyle::polish(QWidget *widget)
{
    QProxyStyle::polish(widget);
    // A width a window chose for the box itself is left alone.
    if (auto *combo = qobject_cast<QComboBox *>(widget); combo && combo->maximumWidth() == QWIDGETSIZE_MAX)
        combo->setMaximumWidth(qMax(combo->minimumWidth(), comboWidthCap(combo)));
}

void LongTextStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                                const QWidget *widget) const
{
    if (element == CE_ComboBoxLabel) {
        if (const auto *box = qstyleoption_cast<const QStyleOptionComboBox *>(option); box && !box->editable) {
            QStyleOptionComboBox shown(*box);
            int room = subControlRect(CC_ComboBox, box, SC_ComboBoxEditField, widget).width() - 4;
            if (!box->currentIcon.isNull())
                room -= box->iconSize.width() + 4;
            shown.currentText = box->fontMetrics.elidedText(box->currentText, Qt::ElideRight, qMax(0, room));
            QProxyStyle::drawControl(element, &shown, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

ElidedLabel::ElidedLabel(QWidget *parent)
    : ElidedLabel(QString(), parent)
{
}

ElidedLabel::ElidedLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

QRect ElidedLabel::textRect() const
{
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRect().width());
}

QSize ElidedLabel::sizeHint() const
{
    QSize size = QLabel::sizeHint();
    size.setWidth(qMax(minimumWidth(), qMin(size.width(), fontMetrics().averageCharWidth() * 40)));
    return size;
}

QSize ElidedLabel::minimumSizeHint() const
{
    QSize size = QLabel::minimumSizeHint();
    size.setWidth(qMin(size.width(), fontMetrics().averageCharWidth() * 8));
    return size;
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, textRect(), QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shownText(), foregroundRole());
}
