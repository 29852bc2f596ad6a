#pragma once
#include "common/decimal.h"
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QButtonGroup;
class QTableView;
class SqlListModel;

// "Специални отстъпки/надбавки": a counterparty's discount rules for article
// groups and articles, edited in the work table T0_TMP and written on "Запис".
class TForm_Spec_Otstapki : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Spec_Otstapki(QWidget *parent = nullptr);
    ~TForm_Spec_Otstapki() override;

    // "Отстъпки/Надбавки..." and the counterparty editor's "Специални отстъпки",
    // both guarded by the right on "Отстъпки/Надбавки...".
    static void N_TOClick(QWidget *parent);

    QLabel *Label_TO_Klient;
    QLabel *Label_TO_Artikul;
    QPushButton *Button1; // "Добави" (a counterparty)
    QLineEdit *Edit_Kontrag_Search;
    QPushButton *Button2; // "Търси"
    QPushButton *Button_Show_All_TO;
    QTableView *DBGrid_Kontrag_TO;
    QTableView *DBGrid_Sp_Otstapka;
    QComboBox *ComboBox_Select_G_A;
    QLineEdit *Edit_TO;
    QLabel *Label_Cena1;
    QLineEdit *Edit_Cena1;
    QLabel *Label_Cena2;
    QLineEdit *Edit_Cena2;
    QLineEdit *Edit_Price_Up;
    QPushButton *Button_Nova_TO;
    QPushButton *ButtonRedaktiraj_TO;
    QPushButton *Button_Otkaji_TO;
    QPushButton *Button_New_T_O;
    QPushButton *Button_Cancel_All;
    QRadioButton *Pe4at_Izbran;
    QRadioButton *Pe4at_Vsi4ki;

    void Button1Click();
    void Button2Click();
    void Button_Show_All_TOClick();
    void loadCounterparty(long long id, const QString &name); // a grid click, the pick
    void ComboBox_Select_G_AChange();
    void Edit_Cena2Enter();
    void Button_Nova_TOClick();
    void ButtonRedaktiraj_TOClick();
    void Button_Otkaji_TOClick();
    void Button_New_T_OClick();
    void Button_Cancel_AllClick(); // discard, and close unless `keepOpen`
    void RadioGroupPe4at_TOClick(int item);

    SqlListModel *rules() const { return m_rules; }
    SqlListModel *counterparties() const { return m_counterparties; }

private:
    void reset();
    void reloadRules();
    // The rule's percent (up to 100) and its "Покупка над" amount; false after telling why.
    bool readPercent(const QString &text, Decimal *value);
    bool readAmount(const QString &text, Decimal *value);

    SqlListModel *m_rules;
    SqlListModel *m_counterparties;
    long long m_editedPor = 0;
};
