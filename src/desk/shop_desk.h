#pragma once
#include "app/mode_tab.h"
#include "common/decimal.h"

#include <QObject>

class CashCalculator;
class DeskEntry;
class PrinterCheckList;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStyledItemDelegate;
class QTableView;
class QToolButton;
class QVBoxLayout;
class SqlListModel;

// The shop tab's controls that the main window makes (they carry menu
// actions and login state); the desk fills DeskArea with the rest.
struct DeskControls {
    QLineEdit *Label_Selected_Kontragent = nullptr;
    QLabel *Label_Izbor_Kontragent = nullptr;
    QWidget *Panel_Smetki = nullptr;
    QComboBox *ComboBox_Smetka = nullptr;
    QLineEdit *Edit_Broj = nullptr;
    QPushButton *Button_Insert_in_List = nullptr;
    QPushButton *Button_Prodajba = nullptr;
    QWidget *DeskArea = nullptr;
    QVBoxLayout *DeskAreaLayout = nullptr;
};

// The sales desk on the shop tab: the operator's open lines of the current
// bill, the totals, the desk counterparty and the line insert.
class ShopDesk : public QObject, public ModeTabHandler
{
    Q_OBJECT
public:
    explicit ShopDesk(const DeskControls &controls, QObject *parent = nullptr);
    ~ShopDesk() override;
    static ShopDesk *instance(); // the desk of the main window, if any

    DeskControls c;
    QTableView *DBGrid1;
    QLabel *Ime_na_produkt;
    QLabel *Label_Leva;
    QLabel *Label_SUMA_BezDDS;
    QLabel *Label_DDS;
    QLabel *Label68;
    QLabel *Label_Words;
    QListWidget *ListBox_Selected_Kontrag;
    QToolButton *SpdBtn_Zadaljeniq;
    QToolButton *SpdBtn_Smetka;    // "Активни сметки"
    CashCalculator *GroupBox_Kasa; // shown while SpdBtn_Kasa is down
    QLabel *Label_Izbor_artikul;
    // entry row (the article search gives it behaviour)
    QLabel *Label_Search_In;
    QLineEdit *Edit_Barkod;
    QLineEdit *Edit_Cena_Nula;
    QLabel *Label_Edini4na_Cena;
    QLabel *Label14;
    QLineEdit *Edit_Serien_Nomer;
    QLineEdit *Edit_Do_Nomer;
    QToolButton *SpdBtn_Select_SN;
    QListWidget *ListBox_Select_SN;
    QListWidget *ListBox_Prefixes;
    QListWidget *ListBox_Opisanie_Artikuli;
    QLabel *Label_Cena_Ob6to;
    // documents to print and printers
    QListWidget *ChkListBox_Pokaj_Dokum;
    QPushButton *BitBtn_Sel_All;
    QPushButton *BitBtn_Clear_all;
    QListWidget *CheckListBox_Dokumenti_kam_Magazin;
    QPushButton *Button_Mark_Dokum;
    QPushButton *Button_Iz4isti_Dokum;
    PrinterCheckList *Printers;
    QToolButton *SpdBtn_Pokaji_Dokuments; // shows Panel_Dokumets
    QWidget *Panel_Dokumets;
    QToolButton *SpdBtn_Pokaji_Printers; // shows Panel_Printers
    QWidget *Panel_Printers;

    void tabActivated() override;
    void afterLogin() override;

    void Get_All_Smetki();
    void Calculate_SUM();
    void ComboBox_SmetkaChange();
    void Button_Insert_in_ListClick();
    void DBGrid1DblClick();
    void N_Show_Gre6ni_DanniClick();
    void N_Select_AllClick();
    void N_Ob6ta_TOClick();
    void Button_ProdajbaClick(); // the sale (Ins)
    void Button_OtkazClick();    // cancel the marked lines (Del)
    void Label_Selected_KontragentChange();
    void ListBox_Selected_KontragDblClick();
    void Label_Selected_KontragentExit();
    // The desk counterparty chosen (the list's take and pick mode 0).
    void takeCounterparty(const QString &referenceText);

    QString operatorName() const;
    long long counterpartyKey() const;
    QList<long long> markedLines() const; // grid order
    void showHitList(); // the names found, over the bill
    // The marked lines as the documents print them, in grid order. Throws DbError.
    struct MarkedLine {
        long long line = 0;
        long long article = 0;
        ExactSum amount; // in leva, exactly
        QString operatorName;
    };
    QList<MarkedLine> markedLineDetails() const;
    void markLines(const QList<long long> &lines); // exactly these, where listed
    // The desk counterparty choice inside the payment dialog; the lines first
    // marked are marked again and their amount due recomputed.
    void chooseSaleCounterparty(const QList<long long> &firstMarked, Decimal *amountDue);
    void SpdBtn_ZadaljeniqClick(); // the desk counterparty's instalments
    void SpdBtn_KasaClick(bool down);
    void N39Click();                // "Отвори сметка"
    void SpdBtn_SmetkaClick();
    SqlListModel *lines() const { return m_lines; }
    DeskEntry *entry() const { return m_entry; } // the entry row's search and keys

Q_SIGNALS:
    void articlesRequested();       // "Артикули": the catalogue in desk mode
    void counterpartiesRequested(); // "Клиент": the counterparty browser in desk mode

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildEntryRow(QVBoxLayout *layout);
    void buildDocuments(QVBoxLayout *layout);
    void showCounterpartyList();
    void placeHitList();
    void setCounterpartyText(const QString &text, bool red);
    void insertFailed(const QString &message);
    void showColumns();

    SqlListModel *m_lines;
    QStyledItemDelegate *m_money;
    DeskEntry *m_entry = nullptr;
};
