#pragma once
#include "documents/report_parts.h"
#include "repair/report_rows.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class SqlListModel;

// "Справка гаранционни продукти": the supplier warranty cards by nine
// filters, and the pieces of the card clicked. Made once, shown modally.
class TForm_Garancionni_Prod : public ReportDialog
{
    Q_OBJECT
public:
    explicit TForm_Garancionni_Prod(QWidget *parent = nullptr);
    ~TForm_Garancionni_Prod() override;

    static constexpr int CounterpartyMode = 12;
    static constexpr int ArticleMode = 10;
    static QString noSupplierText(); // "0 : Няма избран контрагент"
    static QString noArticleText();  // "0 : Няма избран артикул"

    QCheckBox *ChkBox_Kontrag; // "Доставчик"
    QLabel *Label_Kontrag;
    QCheckBox *ChkBox_Vid_Dok;
    QComboBox *ComboBox_Vid_Dok;
    QCheckBox *ChkBox_Dok_N;
    QLineEdit *Edit_ID_Dok;
    ReportRows::DateRow cardDate;   // ChkBox_Data, ComboBox1, DateTimePicker_Ot_Dost, DateTimePicker_Do_Dost
    QCheckBox *ChkBox_Art;
    QLabel *Label_art;
    ReportRows::TextRow serial;     // ChkBox_SN, Edit_SN, ChkBox_4ast_SN
    ReportRows::TextRow model;      // ChkBox_Model, Edit_Model, ChkBox_4ast_Model
    ReportRows::TextRow batch;      // ChkBox_Partida, Edit_Partida, ChkBox_4ast_Partida
    ReportRows::DateRow validUntil; // ChkBox_Data_Art, ComboBox4, DateTimePicker_Ot_Art, DateTimePicker_Do_art
    QPushButton *Button_Search;     // "ТЪРСИ"
    QTableView *DBGrid_Dok;
    QTableView *DBGrid_art;

    SqlListModel *cards() const { return m_cards; }
    SqlListModel *pieces() const { return m_pieces; }
    WarrantyReports::CardFilter filter() const;

    void FormShow() override;
    void ChkBox_KontragClick();
    void ChkBox_Vid_DokClick();
    void ChkBox_Dok_NClick();
    void ChkBox_ArtClick();
    void Button_SearchClick();
    void DBGrid_DokCellClick();

private:
    SqlListModel *m_cards;
    SqlListModel *m_pieces;
    bool m_picked = false;
};
