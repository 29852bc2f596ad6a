#pragma once
#include <QTreeView>

class QFileSystemModel;

// A tree of folders (no drives on Linux): the folder chooser of the
// database windows. The chosen folder is the tree's current folder, however
// the user reached it (mouse or keyboard); Enter opens a folder and is not
// passed on to the window's default button.
class FolderTree : public QTreeView
{
    Q_OBJECT
public:
    explicit FolderTree(QWidget *parent = nullptr);
    void setCurrentFolder(const QString &folder);
    QString currentFolder() const;

Q_SIGNALS:
    // The chosen folder changed: by the user's move or from code.
    void folderChosen(const QString &folder);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void choose(const QString &folder);
    void placeChosen(const QString &loaded);
    QFileSystemModel *m_model;
    QString m_folder; // the chosen folder, also before the model has loaded it
    // Until its parent has been read (or the user moves first), the chosen
    // folder is put back in view after each folder the model reads, and the
    // current item the view picks meanwhile is not a choice.
    bool m_placing = false;
};
