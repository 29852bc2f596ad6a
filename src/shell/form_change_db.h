#pragma once
#include <QDialog>

class FolderTree;
class QPushButton;

// "Смяна на работна база ": switches the program to the database in another folder.
class TForm_Change_DB : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Change_DB(QWidget *parent = nullptr);

    FolderTree *DirectoryListBox1;
    QPushButton *BitBtn_OK;
    QPushButton *BitBtn_Cancel;

    void BitBtn_OKClick();

protected:
    void showEvent(QShowEvent *event) override;
};
