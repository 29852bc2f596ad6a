#pragma once
#include <QLabel>

class QTableView;
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
    // The widest a grid column grows for its texts.
    static int columnWidthCap(const QWidget *grid);
    // The grid's columns as wide as their texts, none wider than the cap.
    static void fitColumns(QTableView *grid);

    void polish(QWidget *widget) override;
    using QProxyStyle::polish;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
};

// A label that shows a user's text (an article's, a counterparty's, a
// group's or a document's name, a reference text). A long text is painted
// elided and never widens the window; text() keeps it whole for the code
// that reads it back. Plain text only.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);
    explicit ElidedLabel(const QString &text, QWidget *parent = nullptr);

    QString shownText() const; // the text as painted
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textRect() const;
};
