#pragma once
#include <QTreeView>

class QFileSystemModel;

// A tree of folders (no drives on Linux): the folder chooser of the
// database windows.
class FolderTree : public QTreeView
{
    Q_OBJECT
public:
    explicit FolderTree(QWidget *parent = nullptr);
    void setCurrentFolder(const QString &folder);
    QString currentFolder() const;

Q_SIGNALS:
    // The chosen folder changed: by a click, by Enter or from code.
    void folderChosen(const QString &folder);

private:
    void choose(const QString &folder);
    QFileSystemModel *m_model;
    QString m_folder; // the chosen folder, also before the model has loaded it
};
