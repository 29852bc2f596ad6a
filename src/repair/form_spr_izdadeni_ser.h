#pragma once
#include "documents/report_parts.h"
#include "repair/report_rows.h"

#include <QDialog>

class PagedListModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class SqlListModel;

// "Справка за издадени от ремонт": the repairs issued to customers, from the
// archive, and the lines of the one clicked with their value in lev. Made
// once, shown modally.
class TForm_Spr_Izdadeni_Ser : public ReportDialog
{
    Q_OBJECT
public:
    explicit TForm_Spr_Izdadeni_Ser(QWidget *parent = nullptr);
    ~TForm_Spr_Izdadeni_Ser() override;

    static constexpr int ClientMode = 16;
    static constexpr int SupplierMode = 17;
    static QString noClientText();   // "0:Няма избран контрагент"
    static QString noSupplierText(); // "0: Няма избран доставчик"

    QCheckBox *ChkBox_Kontrag; // "Контрагент"
    QLabel *Label_Kontrag;
    ReportRows::TextRow reason; // ChkBox_Pri4ina, Edit_Pri4ina
    QCheckBox *ChkBox_Operator;
    QComboBox *ComboBox_Operator;
    QCheckBox *ChkBox_Dostav4ik; // "Доставчик"
    QLabel *Label_Dostav4ik;
    ReportRows::TextRow document; // ChkBox_Gar_Dok, Edit_Gar_Dok
    ReportRows::DateRow documentDate; // ChkBox_Gar_Data, ComboBox_Gar_Data, DateTimePicker_Gar_Data_Ot/_Do
    ReportRows::TextRow model;    // ChkBox_Model, Edit_Model
    ReportRows::TextRow batch;    // ChkBox_Partida, Edit_Partida
    ReportRows::TextRow serial;   // ChkBox_SN, Edit_SN
    ReportRows::TextRow dossier;  // ChkBox_Dosie, Edit_Dosie: nothing feeds it, disabled
    QCheckBox *ChkBox_Artikul;    // nothing feeds it, disabled
    ReportRows::DateRow issued;   // ChkBox_Data_Izd, ComboBox_Izd_Data, DateTimePicker_Izd_Data_Ot/_Do
    QPushButton *Button1;         // "ТЪРСИ"
    QTableView *DBGrid_Danni_Priem;
    QTableView *DBGrid_Danni_Remont;
    QLabel *Label_Suma_Remont;  // "Обща сума за ремонт: "
    QLabel *Label_Suma_Spravka; // "Обща сума на справка: "

    PagedListModel *repairs() const { return m_repairs; }
    SqlListModel *lines() const { return m_lines; }
    WarrantyReports::IssuedFilter filter() const;

    void FormShow() override;
    void ChkBox_KontragClick();
    void ChkBox_Dostav4ikClick();
    void ChkBox_OperatorClick();
    void Button1Click();
    void DBGrid_Danni_PriemCellClick();

private:
    bool pick(QCheckBox *box, QLabel *label, int mode, const QString &none);

    PagedListModel *m_repairs;
    SqlListModel *m_lines;
    bool m_picked = false;
};
