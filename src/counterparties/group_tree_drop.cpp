#include "counterparties/group_tree_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

GroupTreeDrop::GroupTreeDrop(QTreeWidget *tree, const QString &format, QObject *parent)
    : GroupTreeDrop(tree, QStringList{format}, parent)
{
}

GroupTreeDrop::GroupTreeDrop(QTreeWidget *tree, const QStringList &formats, QObject *parent)
    : QObject(parent)
    , m_tree(tree)
    , m_formats(formats)
{
    tree->setAcceptDrops(true);
    tree->viewport()->setAcceptDrops(true);
    tree->viewport()->installEventFilter(this);
}

bool GroupTreeDrop::contains(const QTreeWidgetItem *node) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if (*it == node)
            return true;
    return false;
}

bool GroupTreeDrop::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched != m_tree->viewport()
        || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QObject::eventFilter(watched, event);
    auto *e = static_cast<QDropEvent *>(event);
    QString format;
    for (const QString &f : m_formats)
        if (format.isEmpty() && e->mimeData()->hasFormat(f))
            format = f;
    if (format.isEmpty()) {
        e->ignore();
        return true;
    }
    if (type == QEvent::DragEnter) {
        e->acceptProposedAction();
        return true;
    }
    QTreeWidgetItem *node = m_tree->itemAt(e->position().toPoint());
    if (!node) {
        e->ignore();
        return true;
    }
    e->acceptProposedAction();
    if (type == QEvent::DragMove) {
        if (onOver)
            onOver(node);
    } else {
        QPointer<GroupTreeDrop> self(this);
        QTimer::singleShot(0, this, [self, node, format] {
            if (!self)
                return;
            self->m_dropped = format;
            if (self->contains(node) && self->onDrop)
                self->onDrop(node);
        });
    }
    return true;
}
