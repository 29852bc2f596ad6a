#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// "Населени места": one place at a time, with the insert, delete, edit,
// post and cancel buttons of a record navigator. It opens on a new blank
// record; closing drops a record that was not posted. Each row is changed
// by its own key, so of two rows that read the same only the shown one
// changes.
class TForm_Grad : public QDialog
{
    Q_OBJECT
public:
    enum class State { Browse, Insert, Edit };

    explicit TForm_Grad(QWidget *parent = nullptr);

    QLineEdit *DBEdit_Opisanie; // "Име на населено място"
    QLineEdit *DBEdit_PK;       // "Пощенски код"
    QLineEdit *DBEdit_TK;       // "Телефонен код"
    QPushButton *Nav_Insert;
    QPushButton *Nav_Delete;
    QPushButton *Nav_Edit;
    QPushButton *Nav_Post;
    QPushButton *Nav_Cancel;

    // Opens the table and starts a new record (the "Нов" buttons of the
    // counterparty editor).
    void startNewRecord();

    void Nav_InsertClick();
    void Nav_DeleteClick();
    void Nav_EditClick();
    bool Nav_PostClick(); // false when nothing was stored
    void Nav_CancelClick();

    State state() const { return m_state; }
    long long currentId() const { return m_current; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void showCurrent();
    void setState(State state);
    void editStarted(); // typing into a shown record starts editing it

    State m_state = State::Browse;
    long long m_current = 0; // Grad.ID of the shown record, 0 for none
};
