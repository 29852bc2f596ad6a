#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

// Lets a group tree take rows dragged from a list: the node under the pointer
// is reported while dragging, and the node dropped on once the drag has ended
// (so the drop may ask a question). Drops of other data are refused.
class GroupTreeDrop : public QObject
{
public:
    GroupTreeDrop(QTreeWidget *tree, const QString &format, QObject *parent = nullptr);
    // Takes drops of any of the formats; droppedFormat() tells which one came.
    GroupTreeDrop(QTreeWidget *tree, const QStringList &formats, QObject *parent = nullptr);
    QString droppedFormat() const { return m_dropped; }

    std::function<void(QTreeWidgetItem *node)> onOver;
    std::function<void(QTreeWidgetItem *node)> onDrop;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool contains(const QTreeWidgetItem *node) const;
    QTreeWidget *m_tree;
    QStringList m_formats;
    QString m_dropped;
};
