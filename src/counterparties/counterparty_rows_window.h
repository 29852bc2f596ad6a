#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class QSqlRecord;
class QTableView;
class SqlListModel;

// What the sites and accounts windows share: a counterparty's rows in a grid,
// a few edits and two buttons whose captions follow the state kept in the
// left button's tag: 0 idle ("НОВ" / "ИЗТРИИ"), 1 new and 2 edit ("ЗАПИС" /
// "ОТКАЖИ"). A save leaves its state only after its statement succeeded, so
// a retry after an error repeats the same insert or update.
class CounterpartyRowsWindow : public QDialog
{
    Q_OBJECT
public:
    QLabel *Label_Kontrag_ID;  // the counterparty's reference text "<ID>:<name>"
    QTableView *DBGrid1;
    QPushButton *Button_Del_Cancel;
    QPushButton *Button_Refresh; // hidden

    // Sets the counterparty and lists its rows; a window left in the middle
    // of an entry for another counterparty returns to idle with empty edits.
    void openFor(const QString &counterpartyReference);

    void Button_RefreshClick();
    void Button_Del_CancelClick();
    void DBGrid1DblClick(const QModelIndex &index);

    int state() const;
    long long editedId() const { return m_editedId; }
    long long counterpartyKey() const;
    SqlListModel *list() const { return m_list; }

protected:
    CounterpartyRowsWindow(const QString &objectName, const QString &caption, const QString &leftButtonName,
                           const QString &table, const QString &keyColumn, QWidget *parent);
    QPushButton *leftButton() const { return m_left; }
    void leftButtonClick();
    // The edits and the buttons of the subclass go into this layout place.
    void setEditArea(QLayout *edits);

    virtual void titleColumns() = 0;
    virtual void clearEdits(bool afterSave) = 0; // after a save (true) and a cancel (false)
    virtual void fillEdits(const QSqlRecord &row) = 0;
    virtual void startNew() {}                  // "НОВ" pressed
    virtual void insertRow(long long counterparty) = 0;
    virtual void updateRow(long long counterparty, long long id) = 0;
    virtual QString removeRow(long long counterparty, long long id) = 0; // naming table when refused
    virtual QString deleteQuestion() const = 0;
    virtual QString deleteRefused(const QString &table) const = 0;

private:
    void setState(int state);

    QPushButton *m_left;
    SqlListModel *m_list;
    QString m_table;
    QString m_keyColumn;
    long long m_editedId = 0;
    QString m_shownFor;
};
