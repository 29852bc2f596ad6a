#include "platform/grid_text_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTableView>

GridTextDelegate::GridTextDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void GridTextDelegate::install(QAbstractItemView *view)
{
    QAbstractItemDelegate *own = view->itemDelegate();
    if (own && own->metaObject() != &QStyledItemDelegate::staticMetaObject)
        return;
    view->setItemDelegate(new GridTextDelegate(view));
    if (own && own->parent() == view)
        delete own;
    // A grid's rows hold one line: a text too long shows as much of itself
    // as fits, not only its first words.
    if (auto *table = qobject_cast<QTableView *>(view))
        table->setWordWrap(false);
}

const QStaticText *GridTextDelegate::laidOut(const QString &text, const QFont &font, int width,
                                             Qt::TextElideMode elide) const
{
    const Key key{text, font, width};
    if (const QStaticText *kept = m_texts.object(key))
        return kept;
    // Laying a text out to keep costs more than the style's paint: a text is
    // kept only when it is painted again (a bill, a page's repeated values),
    // so a list paged through costs what it did.
    const size_t seen = qHash(key, 0);
    if (!m_seen.contains(seen)) {
        if (m_seen.size() >= SeenBound)
            m_seen.clear();
        m_seen.insert(seen);
        return nullptr;
    }
    auto *made = new QStaticText(width < 0 ? text : QFontMetrics(font).elidedText(text, elide, width));
    made->setTextFormat(Qt::PlainText);
    made->prepare(QTransform(), font);
    m_texts.insert(key, made); // stays until the next insert at least
    return made;
}

void GridTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const auto byStyle = [&] { QStyledItemDelegate::paint(painter, option, index); };
    if ((opt.features & (QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration))
        || (opt.state & (QStyle::State_HasFocus | QStyle::State_Editing)) || opt.text.contains(QChar::LineSeparator))
        return byStyle();

    QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    // The style's own inset of a cell's text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
    const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
    const QStaticText *text = nullptr;
    if (!opt.text.isEmpty()) {
        text = laidOut(opt.text, opt.font, -1);
        if (!text)
            return byStyle();
        if (text->size().width() > textRect.width()) {
            // Cut short on one line as the style cuts it; a view that wraps
            // its texts leaves them to the style.
            if ((opt.features & QStyleOptionViewItem::WrapText) || opt.textElideMode == Qt::ElideNone)
                return byStyle();
            text = laidOut(opt.text, opt.font, textRect.width(), opt.textElideMode);
            if (!text)
                return byStyle();
        }
        if (text->size().height() > textRect.height())
            return byStyle();
    }

    painter->save();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, opt.widget);
    if (text) {
        QPalette::ColorGroup group = QPalette::Disabled;
        if (opt.state & QStyle::State_Enabled)
            group = opt.state & QStyle::State_Active ? QPalette::Normal : QPalette::Inactive;
        painter->setPen(
            opt.palette.color(group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(opt.font);
        // Across at a fraction of a pixel, as the style places a line.
        const Qt::Alignment across = QStyle::visualAlignment(opt.direction, opt.displayAlignment);
        const qreal room = textRect.width() - text->size().width();
        qreal x = textRect.left();
        if (across & Qt::AlignRight)
            x += room;
        else if (across & Qt::AlignHCenter)
            x += room / 2;
        const QRect at = QStyle::alignedRect(opt.direction, opt.displayAlignment, text->size().toSize(), textRect);
        painter->drawStaticText(QPointF(x, at.top()), *text);
    }
    painter->restore();
}
