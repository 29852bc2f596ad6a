#pragma once
#include <QDialog>

class FolderTree;
class QPushButton;
class ServerFields;

// "Смяна на работна база ": switches the program to the database in another
// folder, or to a server database that the folder's connection file names.
class TForm_Change_DB : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Change_DB(QWidget *parent = nullptr);

    FolderTree *DirectoryListBox1;
    ServerFields *Server_Fields;
    QPushButton *BitBtn_OK;
    QPushButton *BitBtn_Cancel;

    void BitBtn_OKClick();

protected:
    void showEvent(QShowEvent *event) override;
};
