#pragma once
#include <QDialog>
#include <QPointer>
#include <QStringList>

class AvailabilityList;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// "Справка наличности артикули": the stock of articles, summed over the
// warehouses. Each ticked box narrows the list (an article number, a group
// number, one warehouse); with no box ticked every article is listed.
// "ПЕЧАТ" exports the list. Made once and kept for the run.
class TForm_Nali4nosti_Artikuli : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Nali4nosti_Artikuli(QWidget *parent = nullptr);

    QCheckBox *ChkBox_Art;      // "Артикул"
    QLineEdit *Edit_Sel_Art;    // article number, "0", enabled while ticked
    QLabel *Label_Art_Name;     // "0:Няма избран артикул"
    QCheckBox *CheckBox1;       // "Група"
    QLineEdit *Edit1;           // group number, "0", enabled while ticked
    QLabel *Label_Grupa_Name;   // "0:Няма избрана група"
    QCheckBox *ChkBox_Sklad;    // "Склад"
    QComboBox *ComboBox_Sklad;  // "<ID_Sklad>:<Opis_Sklad>", enabled while ticked
    QPushButton *Button_Search; // "Търси", the default button
    QPushButton *Button2;       // "ПЕЧАТ"
    QTableView *DBGrid1;

    AvailabilityList *list() const { return m_list; }

    void ChkBox_ArtClick();
    void CheckBox1Click();
    void ChkBox_SkladClick();
    void Edit_Sel_ArtChange(); // the typed article's name into its label
    void Edit1Change();        // the typed group's name into its label
    bool Button_SearchClick(); // false (after a message) when nothing was searched
    bool Button2Click();       // false when no export file was written

    // "Наличности артикули" (N_Spr_Nali4nosti_Art): the window of the run, modally.
    static void open(QWidget *parent);

private:
    void sizeColumns();
    AvailabilityList *m_list;
    QStringList m_filterLines;
};

extern QPointer<TForm_Nali4nosti_Artikuli> Form_Nali4nosti_Artikuli;
