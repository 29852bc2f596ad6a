#pragma once
#include <QDialog>
#include <QHash>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QWidget;
class IntakeListModel;
class RepairLinesModel;

// "РЕМОНТ": the intakes waiting for repair (upper grid, coloured by state,
// overdue ones red and bold), the repair lines of the current intake (lower
// grid) with their total in lev, the state change and the issue of marked
// intakes into the archive. Made once under the main window, shown modally.
class TForm_Remont : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Remont(QWidget *parent = nullptr);
    ~TForm_Remont() override;

    // Search
    QLabel *Label_Search_Po;
    QComboBox *ComboBox_Select_Kriteria;
    QWidget *Panel_Search;
    QLineEdit *Edit_Search_Text;
    QComboBox *ComboBox_Sreach_Status;
    QDateEdit *DateTimePicker_Data;
    QLabel *Label_Sel_Kontrag_Ser; // link "Контрагент:"
    QLabel *Label_Sel_Kontrag;
    QPushButton *Button_Search;
    QTableView *DBGrid_Priem;
    // State
    QComboBox *ComboBox_Status;
    QLabel *Label_Status_Remont; // link "Промени статус"
    // A new line
    QCheckBox *ChkBox_Free_Tekst;
    QCheckBox *ChkBox_Zamqna;
    QLabel *Label_Select_art; // link "Артикул :"
    QLabel *Label_Opis_art;
    QLineEdit *Edit_Free_Tekst;
    QLabel *Label_SN;
    QLineEdit *Edit_SN;
    QLineEdit *Edit_Kol;
    QLineEdit *Edit_Cena;
    QComboBox *ComboBox_Valuta;
    QComboBox *ComboBox_Sel_SpinEdit_Gar_Do;
    QSpinBox *SpinEdit_Gar_Do;
    QDateEdit *DateTimePicker_Garan_Remont;
    QLabel *Label_Gar_Do_Data;
    QPushButton *Button_Insert;
    QPushButton *Button_Delete;
    QTableView *DBGrid_Remont;
    QLabel *Label_Ob6to_SUM;
    QPushButton *Button_Print;
    QPushButton *Button_Izdavane;
    QPushButton *Button_Cancel;

    long long CurrentIntakeNumber = 0; // the intake grid's current row; 0 with none listed

    IntakeListModel *intakes() const { return m_intakes; }
    RepairLinesModel *lines() const { return m_lines; }

    void FormShow();
    void Button_SearchClick();
    void DBGrid_PriemCellClick(int column);
    void ComboBox_Select_KriteriaChange();
    void DBGrid_PriemKeyUp(int key);
    void Label_Sel_Kontrag_SerClick();
    void Label_Select_artClick();
    void ChkBox_Free_TekstClick();
    void ChkBox_ZamqnaClick();
    void Button_InsertClick();
    void Button_DeleteClick();
    void ComboBox_Sel_SpinEdit_Gar_DoChange();
    void SpinEdit_Gar_DoChange();
    void DateTimePicker_Garan_Remont_SpinEdit_Gar_DoChange();
    void ComboBox_StatusChange();
    void Label_Status_RemontClick();
    void Button_IzdavaneClick();
    // The repair protocol of the current intake; false when nothing was written.
    bool Button_PrintClick();
    void Button_CancelClick();

    // The state combo refilled from the table, first item selected; writes nothing.
    void refillStates();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void chooseCriterion(int column);
    void loadLines();
    void currentRowChanged();
    int criterion() const;
    RepairLinesModel *m_lines;
    IntakeListModel *m_intakes;
    bool m_widthsSet = false;
    int m_criterion = -1; // -1 until the first choice: the first search lists all
};
