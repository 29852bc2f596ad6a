#pragma once
#include "documents/issued_documents.h"
#include "documents/report_parts.h"

#include <QDialog>

class PagedListModel;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStandardItemModel;
class QTableView;

// "Справка издадени документи": the documents printed and logged, the lines
// and total of the one clicked, its reprint, and its lines printed as a new
// document. Made once, shown modally.
class TForm_Spr_Izd_Dok : public ReportDialog
{
    Q_OBJECT
public:
    explicit TForm_Spr_Izd_Dok(QWidget *parent = nullptr);
    ~TForm_Spr_Izd_Dok() override;

    QCheckBox *ChkBox_Vid_Dok;      // "Вид документ"
    QComboBox *ComboBox_Vid_Dok;    // "ID:Opisanie" of the numbered kinds
    QCheckBox *ChkBox_N_Dok;        // "Номер документ"
    QLineEdit *Edit_N_Dok;
    QCheckBox *ChkBox_Data;         // "Дата на документ"
    QComboBox *ComboBox1;           // "равно", "по - малко", "по - голямо", "между"
    QDateEdit *DateTimePicker_Data;
    QLabel *Label_Do;
    QDateEdit *DateTimePicker_Do;
    QCheckBox *ChkBox_Kontragent;   // "Контрагент"
    QLabel *Label_Kontrag;          // "ID:Ime_Firma"
    QCheckBox *ChkBox_Artikul;      // "Артикул"
    QLabel *Label_Art;              // "ID:Opisanie"
    QCheckBox *ChkBox_Operator;     // "Оператор"
    QComboBox *ComboBox_Operator;
    QGroupBox *RadioGroup_Izd_Ot;   // "Издаден от "
    QRadioButton *RadioButton_Magazin;
    QRadioButton *RadioButton_Serviz;
    QTableView *DBGrid_Dok;
    QTableView *DBGrid_Art;
    QLabel *Label_SUM;
    QPushButton *Button_Search;     // "СПРАВКА"
    QPushButton *Button_Pe4at;      // "ПЕЧАТ"
    QPushButton *Button1;           // "Печат Нов Документ"
    QListWidget *CheckListBox_New_Dok;
    QPushButton *Button_Anulirai;   // "Анулирай документ": no behaviour

    void FormShow() override;
    void ChkBox_Vid_DokClick();
    void ChkBox_N_DokClick();
    void ChkBox_DataClick();
    void ComboBox1Change();
    void ChkBox_OperatorClick();
    void ChkBox_KontragentClick();
    void ChkBox_ArtikulClick();
    void Button_SearchClick();
    void DBGrid_DokCellClick();
    void Button_Pe4atClick();
    void Button1Click();

    IssuedDocuments::Filter filter() const;
    int origin() const; // OriginShop or OriginService, from the radio group
    // The document whose lines are shown (invalid before the first click).
    IssuedDocuments::Issued shownDocument() const { return m_shown; }
    const Report::Data &lines() const { return m_lines; }
    PagedListModel *documentsModel() const { return m_documents; }

    static QString noDocumentMessage(); // "Изберете документ"

private:
    void showLines();
    bool printable();

    PagedListModel *m_documents;
    QStandardItemModel *m_lineRows;
    Report::Data m_lines;
    IssuedDocuments::Issued m_shown;
    Decimal m_total;
};
