#pragma once
#include <QObject>

class QLineEdit;
class QListWidget;
class QWidget;

// The drop list of place names that serves the company's and the person's
// place edits of the counterparty editor:
// - typing a name part lists the places whose name contains it;
// - a blank lists every place and gives the list the focus;
// - Down moves into a shown list;
// - Enter takes a place: "+<code>" looks the telephone code up, "-<code>"
//   the postal code; one match is taken at once, several are listed and the
//   first (alphabetically) is taken; Enter in the company's edit also copies
//   the place into the person's edit;
// - in the list, Enter or a double click takes the selected name, Escape
//   returns to the edit, leaving the list hides it.
// The list only ever holds the results of its owner's last search, so Enter
// never takes a name left over from another edit or an earlier text.
class PlaceList : public QObject
{
    Q_OBJECT
public:
    PlaceList(QWidget *window, QListWidget *list, QLineEdit *companyEdit, QLineEdit *personEdit);

    QLineEdit *owner() const { return m_owner; }
    void setOwner(QLineEdit *edit);

    void search(QLineEdit *edit);            // the edit's text was typed
    void showAll(QLineEdit *edit);           // a blank typed into the edit
    bool GetGrad(QLineEdit *edit, const QString &text); // false for a text without "+"/"-"
    void enterIn(QLineEdit *edit);           // Enter in a place edit
    void takeSelected();                     // Enter or double click in the list
    void hide();
    void reset(); // empties and hides the list

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fill(const QStringList &names);
    void placeUnder(QLineEdit *edit);
    void clearList();

    QWidget *m_window;
    QListWidget *m_list;
    QLineEdit *m_company;
    QLineEdit *m_person;
    QLineEdit *m_owner;
};
