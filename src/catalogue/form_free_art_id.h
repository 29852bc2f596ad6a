#pragma once
#include <QDialog>

class QPushButton;
class QTableView;
class SqlListModel;

// "Свободни артикулни номера": the free numbers of a group found by the
// article editor's search (the work table Free_Art). "ИЗБЕРИ" hands the
// chosen number back to the editor.
class TForm_Free_Art_ID : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Free_Art_ID(QWidget *parent = nullptr);

    QTableView *DBGrid1;
    QPushButton *BitBtn1; // "ИЗБЕРИ"
    QPushButton *BitBtn2; // "ОТКАЖИ"

    bool reload(); // false (after a message) when the list cannot be read
    SqlListModel *list() const { return m_list; }
    long long chosen() const { return m_chosen; }

    void BitBtn1Click();

private:
    SqlListModel *m_list;
    long long m_chosen = 0;
};
