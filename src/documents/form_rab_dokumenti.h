#pragma once
#include <QDialog>
#include <QSet>

class QAction;
class QStandardItemModel;
class QTableView;

// "Видове документи": the kinds of purchase documents, edited in place in a
// one-column grid. Insert adds a row, Ctrl+Del deletes the current one (also
// on the grid's right-click menu); a row is saved when its cell is committed.
// A new window is made at each opening.
class TForm_Rab_Dokumenti : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Rab_Dokumenti(QWidget *parent = nullptr);

    QTableView *DBGrid1;
    QAction *Action_Insert; // "Нов вид документ"
    QAction *Action_Delete; // "Изтрий вида документ"

    static constexpr int IdRole = Qt::UserRole + 1;    // 0 for a row not saved yet
    static constexpr int SavedRole = Qt::UserRole + 2; // the text as stored

    bool reload(); // false (after a message) when the list cannot be read
    QStandardItemModel *model() const { return m_model; }

    void Action_InsertExecute();
    void Action_DeleteExecute();
    void saveRow(int row); // after the user committed a cell
    void flushPending();   // saves the rows committed so far
    void done(int result) override;

    // "Работни документи ...": a new window owned by `owner`, shown modally.
    static void open(QWidget *owner);

private:
    void rowCommitted(int row);
    QStandardItemModel *m_model;
    QSet<int> m_pending;
};
