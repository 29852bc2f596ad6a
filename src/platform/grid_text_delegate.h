#pragma once
#include <QCache>
#include <QFont>
#include <QSet>
#include <QStaticText>
#include <QStyledItemDelegate>

// The grids' cell painter. A grid repaints every cell it shows on each change
// of its list (a scanned line repaints the whole bill), and the style lays a
// cell's text out twice, shaping its glyphs each time. A plain text cell that
// shows on one line and is painted again is drawn here from glyphs laid out
// once and kept (cut short as the style cuts it); any other cell (a check
// box, an icon, the focus frame, an editor open, a long text in a view that
// wraps) is painted by the style as before.
class GridTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit GridTextDelegate(QObject *parent = nullptr);
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Gives the view this painter when it still has Qt's own; a view with a
    // painter of its own keeps it.
    static void install(class QAbstractItemView *view);

private:
    struct Key {
        QString text;
        QFont font;
        int width; // cut short to it; -1: whole
        bool operator==(const Key &o) const { return width == o.width && text == o.text && font == o.font; }
    };
    friend size_t qHash(const Key &k, size_t seed) { return qHashMulti(seed, k.text, k.font, k.width); }
    // The text laid out in the font, kept for the next paint; null the first
    // time it is asked for.
    const QStaticText *laidOut(const QString &text, const QFont &font, int width,
                               Qt::TextElideMode elide = Qt::ElideRight) const;
    // A screen's cells, the longest unused going first, so a list paged
    // through does not grow the program (a text keeps some 1 KB).
    mutable QCache<Key, QStaticText> m_texts{300};
    // The texts painted once, by their hash; forgotten all at once when full.
    static constexpr qsizetype SeenBound = 4000;
    mutable QSet<size_t> m_seen;
};
