#pragma once
#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// "Справка изготвени оферти": the controls of a report on prepared offers.
// Offers are not stored, so there is nothing to show: "Справка" and "Печат"
// stay disabled and the grids empty. Made once, shown modally.
class TForm_Izgotveni_Oferti : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Izgotveni_Oferti(QWidget *parent = nullptr);

    QCheckBox *CheckBox_Kontragent; // "Контрагент"
    QCheckBox *CheckBox_Artikul;    // "Артикул"
    QCheckBox *CheckBox_Data;       // "Дата"
    QCheckBox *CheckBox_Nomer_Dok;  // "Номер на документ"
    QLabel *Label_Kontragent;       // "0:Няма избран контрагент"
    QLabel *Label_Artikul;          // "0:Няма избран артикул"
    QComboBox *ComboBox1;
    QDateEdit *DateTimePicker_Ot;
    QDateEdit *DateTimePicker_Do;
    QLineEdit *Edit_Nomer_Dok;
    QLabel *Label_Predplata;        // "Предплата: 0.00"
    QLabel *Label_Stojnost;         // "Стойност на офертата: 0.00"
    QPushButton *Button_Spravka;    // "Справка"
    QPushButton *Button_Pechat;     // "Печат"
    QTableView *DBGrid1;
    QTableView *DBGrid2;
};
