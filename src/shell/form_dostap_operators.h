#pragma once
#include "shell/operator_login.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

// The login window: an operator and a password. It closes only after a
// successful login or when the user ends the program ("Cancel", Esc and
// closing the window all ask first).
class TForm_Dostap_Operators : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Dostap_Operators(QWidget *parent = nullptr);

    QComboBox *ComboBox_Operators;
    QLineEdit *Edit_Password;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;

    // Before each showing: the database folder of the alias, the operator
    // list, the last operator preselected. false when no database can be
    // opened (the program cannot go on).
    bool FormShow(bool cancelAllowed);

    void OKBtnClick();
    void CancelBtnClick();

    bool firstLogin() const; // OKBtn's tag: 0 the first login of the run, 1 a repeat
    std::optional<OperatorRecord> loggedIn() const { return m_operator; }
    bool endRequested() const { return m_end; }

    void reject() override; // Esc and the close box run "Cancel"

private:
    std::optional<OperatorRecord> m_operator;
    bool m_end = false;
};
