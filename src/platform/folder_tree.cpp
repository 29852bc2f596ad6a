#include "platform/folder_tree.h"

#include <QDir>
#include <QFileSystemModel>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>

FolderTree::FolderTree(QWidget *parent)
    : QTreeView(parent)
    , m_model(new QFileSystemModel(this))
{
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_model->setRootPath(QDir::rootPath());
    setModel(m_model);
    setRootIndex(m_model->index(QDir::rootPath()));
    for (int c = 1; c < m_model->columnCount(); ++c)
        hideColumn(c);
    header()->hide();
    // The model reads folders in the background: the chosen folder is shown
    // once its parents have been read; the folders read later (those the user
    // opens) leave the current one where the user put it.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, &FolderTree::placeChosen);
}

void FolderTree::placeChosen(const QString &loaded)
{
    if (!m_placing)
        return;
    const QModelIndex index = m_model->index(m_folder);
    if (!index.isValid())
        return;
    if (currentIndex() != index)
        setCurrentIndex(index);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    if (QDir::cleanPath(loaded) == QFileInfo(m_folder).absolutePath())
        m_placing = false;
}

void FolderTree::keyPressEvent(QKeyEvent *event)
{
    m_placing = false;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        expand(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void FolderTree::mousePressEvent(QMouseEvent *event)
{
    m_placing = false;
    QTreeView::mousePressEvent(event);
}

void FolderTree::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    if (!m_placing && current.isValid())
        choose(m_model->filePath(current));
}

void FolderTree::choose(const QString &folder)
{
    if (folder == m_folder)
        return;
    m_folder = folder;
    Q_EMIT folderChosen(m_folder);
}

void FolderTree::setCurrentFolder(const QString &folder)
{
    choose(QDir::cleanPath(QDir(folder).absolutePath()));
    m_placing = true;
    const QModelIndex index = m_model->index(m_folder);
    if (index.isValid()) {
        setCurrentIndex(index);
        scrollTo(index);
        expand(index);
    }
}

QString FolderTree::currentFolder() const
{
    return m_folder;
}
