#pragma once
#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>

class QLineEdit;
class QListWidget;
class QWidget;

// A counterparty search as the user types into an edit: the first character
// chooses the condition, the rows fill a pick list under the edit. The
// service reception and the fiscal-service entries share it, each with its
// own rules. Several searches may share one list: it answers the one that
// filled it last.
class ClientSearch : public QObject
{
    Q_OBJECT
public:
    struct Rules {
        // "!" ID, "+" Dan_N, "-" EIK followed by the value; without them
        // those characters list every firm like any other.
        bool keyPrefixes = true;
        int listHeight = 80;
        // The edit's text when it is left without a counterparty key; empty: kept.
        QString placeholderOnExit;
        QString declinedText = QStringLiteral("0: Няма избран потребител"); // "No" to a new counterparty
        // A failed search empties the edit; else the list stays as it was.
        bool clearOnError = true;
        // Where the list lies, under the edit; none: the edit's own parent.
        QWidget *listHost = nullptr;
    };
    struct Query {
        bool run = false; // false: no search at all
        QString sql;      // "ID", "Ime_Firma", by ID
        QVariantList params;
    };
    // The query of a typed text under the rules.
    static Query query(const QString &typed, const Rules &rules);

    ClientSearch(QLineEdit *edit, QListWidget *list, Rules rules, QObject *parent = nullptr);

    // The item taken: the edit has it and the list is hidden.
    std::function<void(const QString &item)> onTaken;
    // "Yes" to entering a new counterparty (the list is hidden already).
    std::function<void()> onNewCounterparty;

    void search();  // the edit's text changed
    void take();    // Enter in the edit or the list, a double click in the list
    void leaveEdit();
    void showList();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_edit;
    bool ownsList() const;
    QListWidget *m_list;
    Rules m_rules;
};
