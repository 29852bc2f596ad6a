#pragma once
#include "app/mode_tab.h"

#include <QObject>

class ClientSearch;
class PrinterCheckList;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QToolButton;
class SqlListModel;
class TabPrintPanel;

// The service tab: reception of the clients' items into the operator's
// pending lines, their acceptance into intakes, cancel and printing.
class ServiceTab : public QObject, public ModeTabHandler
{
    Q_OBJECT
public:
    explicit ServiceTab(ModeTab *tab, QObject *parent = nullptr);
    ~ServiceTab() override;
    static ServiceTab *instance(); // the main window's, if any

    static constexpr const char *NoClient = "0: Няма избран Контрагент";
    static constexpr const char *NoSupplier = "0: Няма избран контрагент";

    // client
    QLabel *Label_Sel_Kontragent; // link "Клиент: "
    QLineEdit *Label_Selected_Kontragent_Ser;
    QListWidget *ListBox_Selected_Kontrag_Ser;
    // article
    QLabel *Label_Sel_Art; // link "Артикул"
    QLineEdit *Edit_Art;
    QLabel *Label_Opis_art;
    QCheckBox *ChkBox_Free_Tekst;
    QCheckBox *ChkBox_Gar;
    QLineEdit *Edit_SN;
    QCheckBox *CheckBox_Select_Chast;
    QPlainTextEdit *Memo1;
    QLineEdit *Edit_Pred_Cena_Priem;
    QComboBox *ComboBox_Valuta;
    QDateEdit *DateTimePicker_Krai_Data;
    // warranty
    QLineEdit *Edit_Gar_Dok_N;
    QDateEdit *DateTimePicker_Data_Dok;
    QLabel *Label_Sel_Dost; // link "Доставчик"
    QLabel *Label_Ime_Dost;
    QLineEdit *Edit_Model;
    QLineEdit *Edit_Partida;
    // serial-number lookup groups
    QGroupBox *GroupBox_Dostav4ik; // "Данни от Доставчика"
    QLabel *Label_Dost_Vid_Dok;
    QLabel *Label_Dost_Data;
    QLabel *Label_Dost_Dok_ID;
    QLabel *Label_Dost;
    QLabel *Label_Dost_Garanc;
    QLabel *Label_Dost_zabel;
    QGroupBox *GroupBox_Artikul; // "Данни за артикула"
    QLabel *Label_Garanc_art;
    QLabel *Label_Art_Data_Prod;
    QLabel *Label_Art_Model;
    QLabel *Label_Art_Partida;
    // buttons and the list
    QPushButton *Button2;       // "Добави в списък"
    QPushButton *Button_Cancel; // "Откажи"
    QPushButton *Button8;       // "Избери всичко"
    QPushButton *Button4;       // "ПРИЕМИ"
    QPushButton *Button_Remont; // "СЕРВИЗ"
    QPushButton *Button_Refresh_Priem; // "Обнови"
    QTableView *DBGrid_Ser;
    // department ticket
    QComboBox *ComboBox_Otdel;
    QPushButton *Button1; // "Печат"
    // documents and printers
    QToolButton *SpdBtn_Pokaji_Dokuments_Ser;
    QToolButton *SpdBtn_Pokaji_Printers_Ser;
    QWidget *Panel_Dokumets_Ser;
    QListWidget *ChkListBox_Pokaj_Dokum_Ser;
    QWidget *Panel_Printers_Ser;
    PrinterCheckList *Printers;
    QPushButton *Button3; // "Печат документи"

    void tabActivated() override;
    void afterLogin() override;

    void Label_Sel_KontragentClick();
    void Label_Sel_DostClick();
    void Label_Sel_ArtClick();
    void ChkBox_Free_TekstClick();
    void Edit_ArtChange();
    void ChkBox_GarClick();
    void Button2Click();
    void Button_CancelClick();
    void Button8Click();
    void Button4Click();
    void Button_RemontClick();
    void Button_Refresh_PriemClick();
    void Button3Click();
    void Button1Click();    // the reception ticket to the chosen department
    void Edit_SNKeyPress(); // Enter in the serial number: the look-up

    QString operatorName() const;
    QList<long long> markedLines() const; // grid order
    SqlListModel *lines() const { return m_lines; }
    TabPrintPanel *printPanel() const { return m_print; }
    // The client of the marked lines (0: none marked or no such line). Throws DbError.
    long long markedClient() const;

Q_SIGNALS:
    // The browser to open in a pick mode (the openers run it).
    void counterpartiesRequested(int mode);
    void articlesRequested(int mode);

private:
    void build(ModeTab *tab);
    void buildPrinting(QWidget *area);
    void resetEntry();
    void requestClient();

    ClientSearch *m_search;
    SqlListModel *m_lines;
    TabPrintPanel *m_print;
    QList<QWidget *> m_warranty;
};
