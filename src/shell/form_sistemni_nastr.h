#pragma once
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

// "Системни настройки": edits the keys of Firm_Data.ini at once. A new window
// on every opening; the controls are filled when it is created, without any
// side effect, and "Запис" writes every key in one atomic save.
class TForm_Sistemni_Nastr : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Sistemni_Nastr(QWidget *parent = nullptr);

    // Opens a new window modally and deletes it afterwards ("Системни...").
    static void open(QWidget *parent);

    QTabWidget *PageControl1;

    // "Общи"
    QCheckBox *ChkBox_Otorization;
    QCheckBox *ChkBox_End_Oder_Operators;
    QCheckBox *ChkBox_Seek_Trajnost;
    QComboBox *ComboBox1;
    QSpinBox *SpinEdit2;
    QCheckBox *ChkBox_Add_Min_Kol;
    QCheckBox *ChkBox_Calculate_Minus_Dostavka;
    QCheckBox *ChkBox_forbid_Konsignation;
    QCheckBox *ChkBox_Seek_NotPayed_Klients;
    QCheckBox *ChkBox_Seek_Prodajba_NotPayed_Klients;
    QCheckBox *ChkBox_Kasa_Name;
    QSpinBox *SpinEdit_Kasa_Name;
    QCheckBox *ChkBox_Etiket_Name;
    QSpinBox *SpinEdit_Etiket_Name;
    QCheckBox *ChkBox_Update_By_Import;
    QCheckBox *CheckBox_ShutDown;
    QCheckBox *CheckBox_Set_Trajnost;
    QCheckBox *CheckBox_Set_As_POS;
    QCheckBox *CheckBox_Start_with_Windows;
    QCheckBox *CheckBox_Show_Valutes;
    QCheckBox *CheckBox_Video_Help;
    QCheckBox *ChkBox_ShowProjzvodstvo_elements;
    QCheckBox *CheckBox1;
    QCheckBox *CheckBox3;
    QSpinBox *SpEdit_Zakraglenie;
    QSpinBox *SpinEdit_Term_N;

    // "Фискални"
    QComboBox *ComboBox_FB;
    QComboBox *ComboBox_Vid_FU;
    QLineEdit *Edit_Path_Temp_Bon;
    QPushButton *Button_Select_Dir;
    QCheckBox *ChkBox_Count_Copia_Bon;
    QSpinBox *SpinEdit_Copia_Fisk_Bon;
    QCheckBox *ChkBox_Print_Prigotvqse_Bon;

    // "Данни за фирмата"
    QLineEdit *Edit_Firm_Name;
    QLineEdit *Edit_Firm_EIK;
    QLineEdit *Edit_Firm_Mol;
    QLineEdit *Edit_Firm_Adres;
    QLineEdit *Edit_Firm_IBAN;
    QLineEdit *Edit_Firm_BIC;
    QLineEdit *Edit_Firm_Bank;
    QLineEdit *Edit_Firm_Phone;
    QLineEdit *Edit_Firm_IBAN_DDS;
    QLineEdit *Edit_Firm_BIC_DDS;
    QLineEdit *Edit_Firm_Bank_DDS;
    QLineEdit *Edit_Firm_Phone_DDS;
    QLineEdit *Edit_DDS_Percent;
    QLineEdit *Edit_ZDDS;
    QLineEdit *Edit_E_mail;

    // "Фискален сервиз"
    QLineEdit *Edit_FS_Name;
    QLineEdit *Edit_FS_EIK;
    QLineEdit *Edit_FS_Adres;
    QLineEdit *Edit_FS_Mol;
    QLineEdit *Edit_Phone_Ser;
    QSpinBox *SpinEdit_Kol_Cifri;
    QCheckBox *CheckBox_Prefix;
    QCheckBox *CheckBox_Dog_plus_Data;
    QCheckBox *CheckBox_Dog_Data_Por_N_den;
    QComboBox *ComboBox_FormatDate_Dogovor;

    QPushButton *Button_Save;
    QPushButton *Button_Cancel;

    void FormShow(); // loads every key that has a control
    bool Button_SaveClick(); // false when refused or not written

    void ChkBox_Kasa_NameClick();
    void ChkBox_Etiket_NameClick();
    void CheckBox_Dog_plus_DataClick();
    void CheckBox_Dog_Data_Por_N_denClick();
    void CheckBox_Set_As_POSClick();
    void CheckBox_Start_with_WindowsClick();
    void ComboBox_FBChange();

private:
    QWidget *buildGeneralTab();
    QWidget *buildFiscalTab();
    QWidget *buildFirmTab();
    QWidget *buildFiscalServiceTab();
};
