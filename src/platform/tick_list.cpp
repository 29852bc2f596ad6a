#include "platform/tick_list.h"

#include <QEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {
// The view's own rule toggles only on the box; this one on the whole item.
// A double click is two clicks, so it toggles twice.
class TickDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        const Qt::ItemFlags flags = model->flags(index);
        if (!(flags & Qt::ItemIsUserCheckable) || !(flags & Qt::ItemIsEnabled))
            return QStyledItemDelegate::editorEvent(event, model, option, index);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // Selection and the item signals still follow the press.
            return false;
        case QEvent::MouseButtonRelease: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->position().toPoint()))
                return false;
            const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            model->setData(index, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
            return false; // the view still reports the click
        }
        default:
            return QStyledItemDelegate::editorEvent(event, model, option, index);
        }
    }
};
} // namespace

void TickList::install(QListWidget *list)
{
    list->setItemDelegate(new TickDelegate(list));
}

QListWidgetItem *TickList::addItem(QListWidget *list, const QString &text, bool ticked)
{
    auto *item = new QListWidgetItem(text, list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    return item;
}

void TickList::setAll(QListWidget *list, bool ticked)
{
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

QStringList TickList::tickedTexts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            out.append(list->item(i)->text());
    return out;
}
