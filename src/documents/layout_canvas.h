#pragma once
#include <QWidget>

// The designer's page: the current layout in design mode. Each band is a
// titled strip as high as the band; the header and footer texts fill their
// band less one pixel; elements are drawn as outlines with their caption,
// data field or system-data kind.
class LayoutCanvas : public QWidget
{
    Q_OBJECT
public:
    explicit LayoutCanvas(QWidget *parent = nullptr);
    static constexpr int PageWidth = 794; // A4 at 96 dpi
    static constexpr int TitleHeight = 16;
    // Refits the page to the layout and repaints.
    void refresh();
    // What the canvas shows for an element (tests read it).
    static QString elementText(int index);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int pageHeight() const;
};
