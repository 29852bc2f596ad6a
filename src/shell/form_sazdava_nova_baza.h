#pragma once
#include <QDialog>

class FolderTree;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ServerFields;

// The database window: in mode 1 ("Създаване на нова база данни") it builds a
// new database in a new folder, in mode 2 ("Актуализация на база данни") it
// runs SQLs/UpdateTables.nts on the open database. The mode is read from
// DatabaseFormMode when the window is created. A new database is a SQLite
// file in the new folder, or the tables of an empty server database that
// the folder's connection file names.
class TForm_Sazdava_Nova_Baza : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Sazdava_Nova_Baza(QWidget *parent = nullptr);

    int mode() const { return m_mode; }

    QLabel *Label1;
    QLineEdit *Edit_ime_baza;
    FolderTree *DirectoryListBox1;
    ServerFields *Server_Fields;
    QPushButton *BitBtn_OK;
    QPushButton *BitBtn_Cancel;
    QPlainTextEdit *Memo1;

    void BitBtn_OKClick();

private:
    void createNew();
    void update();
    void memo(const QString &line);
    int m_mode;
};
