#pragma once
#include "catalogue/article_groups.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Група": enters a new article group or subgroup, or changes the number
// and name of one. Made anew for every entry; "ПРИЕМИ" stores the group and
// its tree node and closes, "ОТКАЖИ" closes without storing. A refused entry
// stays on screen with what was typed.
class TForm_Grupi : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Grupi(QWidget *parent = nullptr);

    QLineEdit *Edit_Nomer_Grupa; // "Номер на група"
    QLineEdit *Edit_Opisanie;    // "Описание на група"
    QPushButton *BitBtn_Priemi;  // "ПРИЕМИ"
    QPushButton *BitBtn_Otkaji;  // "ОТКАЖИ"
    // "Документация към група": the registered documents (Dokumenti); stores nothing.
    QComboBox *DBLookupComboBox1;
    QPlainTextEdit *DBMemo1;
    QCheckBox *CheckBox1; // "Групата поддържа допълнителни данни": stores nothing

    // GroupEditMode 0 new group, 1 new subgroup of `parentNode` (the top level
    // when empty), 2 the group `editedKey` (EditedGroupID).
    void prepare(int groupEditMode, const QString &parentNode, long long editedKey, const QString &treePath);
    void fillDocuments(); // the documents list anew, nothing chosen

    void BitBtn_PriemiClick();
    void BitBtn_OtkajiClick();

    const ArticleGroups::Result &saved() const { return m_result; }

private:
    int m_mode = 0;
    QString m_parentNode;
    long long m_editedKey = 0;
    QString m_treePath;
    ArticleGroups::Result m_result;
};
