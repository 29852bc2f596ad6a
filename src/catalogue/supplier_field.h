#pragma once
#include <QObject>

class QEvent;
class QLineEdit;
class QListWidget;

// The supplier field of the delivery: typing a part of the name lists the
// matching counterparties under the field ("+" and the VAT number, "-" and
// the EIK search those), a blank in the empty field lists all, Down moves
// into the list, Enter or a double click picks, Esc closes the list. A pick
// writes "<ID>:<Ime_Firma>" into the field and is announced.
class SupplierField : public QObject
{
    Q_OBJECT
public:
    SupplierField(QLineEdit *edit, QListWidget *list, QObject *parent);

    void search(const QString &text); // fills and shows the list
    void pick(const QString &item);

Q_SIGNALS:
    void picked(const QString &referenceText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void enter();
    void fill(const QString &text); // the list of Deliveries::suppliers

    QLineEdit *m_edit;
    QListWidget *m_list;
};
