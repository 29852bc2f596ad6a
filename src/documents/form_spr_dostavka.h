#pragma once
#include "documents/deliveries_report.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class SqlListModel;

// "СПРАВКА ДОСТАВКИ": the deliveries chosen by the ticked filters and, for the
// clicked one, its payments and lines. Made once, shown modally.
class TForm_SprDostavka : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_SprDostavka(QWidget *parent = nullptr);
    ~TForm_SprDostavka() override;

    QCheckBox *ChkBox_Kontrag;     // "Контрагент"
    QLabel *Label_Kontrag;
    QCheckBox *ChkBox_Vid_Dok;     // "Вид на документ"
    QComboBox *ComboBox_Vid_Dok;   // "ID:Opisanie"
    QCheckBox *ChkBox_Nom_Dok;     // "Номер на документ"
    QLineEdit *Edit_Dok_N;
    QCheckBox *ChkBox_Data_Dok;    // "Дата на документ"
    QComboBox *ComboBox_Between;
    QDateEdit *DateTimePicker_Date_Dok_Ot;
    QLabel *Label_Dok_Do;
    QDateEdit *DateTimePicker_Date_Dok_Do;
    QCheckBox *ChkBox_Data_Dost;   // "Дата на въвеждане"
    QComboBox *ComboBox3;
    QDateEdit *DateTimePicker_Date_Dost_Ot;
    QLabel *Label_Dost_Do;
    QDateEdit *DateTimePicker_Date_Dost_Do;
    QCheckBox *ChkBox_Art;         // "Артикул"
    QLabel *Label_Art;
    QCheckBox *ChkBox_Sklad;       // "Склад"
    QComboBox *ComboBox_Sklad;     // "ID_Sklad:Opis_Sklad"

    QTableView *DBGrid_Dokument;
    QTableView *DBGrid_Art;
    QLabel *Label_Ob6to_SUM;
    QLabel *Label_Pay_Cach;
    QLabel *Label_Pay_Not;
    QLabel *Label_Pay_Bank;
    QPushButton *Button_Search;    // "ТЪРСИ"
    QGroupBox *RadioGroup1;        // "ПЕЧАТ": no behaviour
    QButtonGroup *m_print;

    static void open(QWidget *owner); // made once, shown modally

    void FormShow();
    void ChkBox_KontragClick();
    void ChkBox_ArtClick();
    void ChkBox_Vid_DokClick();
    void ChkBox_SkladClick();
    void ChkBox_Nom_DokClick();
    void ChkBox_Data_DokClick();
    void ChkBox_Data_DostClick();
    void ComboBox_BetweenChange();
    void ComboBox3Change();
    void Button_SearchClick();
    void DBGrid_DokumentCellClick();
    void DBGrid_DokumentTitleClick(int column);
    void DBGrid_ArtTitleClick(int column);
    void RadioGroup1Click();

    DeliveriesReport::Filter filter() const;
    QStringList pickedArticles() const { return m_articles; }
    SqlListModel *deliveriesList() const { return m_deliveries; }
    SqlListModel *linesList() const { return m_lines; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showLines(int row);

    SqlListModel *m_deliveries;
    SqlListModel *m_lines;
    QStringList m_articles;
};
