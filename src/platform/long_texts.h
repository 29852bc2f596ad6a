#pragma once
#include <QProxyStyle>

// Names, warehouses and other texts from the database can be of any length.
// Combo boxes show them elided within a bounded width, so a long text never
// stretches a window past the screen; the boxes' own texts stay whole.
class LongTextStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Over the style of that name (the desktop's or the one asked with -style).
    explicit LongTextStyle(const QString &baseStyle);

    // The widest a combo box grows for its texts.
    static int comboWidthCap(const QWidget *widget);

    void polish(QWidget *widget) override;
    using QProxyStyle::polish;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
};
