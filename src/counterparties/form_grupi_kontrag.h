#pragma once
#include "counterparties/counterparty_groups.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// "Нова група": enters a counterparty group or subgroup. Made anew by the
// browser for each entry; "Запис" stores the group and its tree node and
// closes, "Отказ" closes without storing. A refused entry stays on screen
// with what was typed.
class TForm_Grupi_Kontrag : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Grupi_Kontrag(QWidget *parent = nullptr);

    QLineEdit *Edit_Nomer_Grupa;
    QLineEdit *Edit_Ime_Grupa; // "Наименование"
    QPushButton *Button_Save;  // "Запис"
    QPushButton *Button_Cancel; // "Отказ"

    // groupMode 0: a group at the top level; 1: a subgroup of parentNode
    // (the browser's last group node; the top level when empty).
    void prepare(int groupMode, const QString &entryCaption, const QString &parentNode,
                 const QString &treePath);

    void Button_SaveClick();
    void Button_CancelClick();

    // What the last "Запис" stored (ok false until one succeeded).
    const CounterpartyGroups::AddResult &saved() const { return m_result; }

private:
    int m_groupMode = 0;
    QString m_parentNode;
    QString m_treePath;
    CounterpartyGroups::AddResult m_result;
};
