#pragma once
#include "app/mode_tab.h"

#include <QObject>
#include <QSqlRecord>
#include <QString>

#include <functional>
#include <optional>

class ClientSearch;
namespace Report {
class Data;
}
class PrinterCheckList;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimeEdit;
class QToolButton;
class SqlListModel;
class TabPrintPanel;
class TForm_Data_ToFisk_Serv;
class TForm_SPR_TDD_Fisk_Ser;

// The contract mode of the tab (button ДОГОВОР), installed by the contracts
// module; without one the button stays disabled.
class FiscalContractMode
{
public:
    virtual ~FiscalContractMode() = default;
    virtual void buttonClicked(bool down) = 0; // the button's handler
    virtual void save() = 0;                   // "ЗАПИС" in mode 6
};

// The fiscal-service tab: the register of customers' cash registers, the
// device view and the operations on a device.
class FiscalTab : public QObject, public ModeTabHandler
{
    Q_OBJECT
public:
    enum Mode { NoMode = 0, Registration = 1, Dismantling = 2, Change = 3, Notification = 4, Contract = 6 };
    enum Purpose { PickOwner = 5, PickService = 6, PickTaxOffice = 7, PickSealer = 8 };

    explicit FiscalTab(ModeTab *tab);
    ~FiscalTab() override;
    static FiscalTab *instance();

    void tabActivated() override;

    // The contract module; the tab does not own it.
    void setContractMode(FiscalContractMode *mode);
    // Opens the counterparty register for entering a new counterparty.
    std::function<void(QWidget *)> counterpartyOpener;

    // Device number and owner's devices
    QLineEdit *Edit_ID_EKA;
    QComboBox *ComboBox_All_EKA_Kontrag;
    QTableView *DBGrid2;
    SqlListModel *ownerDevicesModel;

    // Groups
    QGroupBox *GroupBox_Device, *GroupBox_Device_Main, *GroupBox_Device_More;
    QGroupBox *GroupBox_Owner, *GroupBox_Owner_Main, *GroupBox_Owner_More;

    // The view
    QLabel *Label_MFP_N, *Label_Opis, *Label_Data_Fisk, *Label_Time_Fisk, *Label_SV_N, *Label_SV_Data;
    QLabel *Label_Serviz_Ime, *Label_Servis_Adres, *Label_Grad_Ser, *Label_Tel_Serv, *Label_Dosie_ID;
    QLabel *Label_Plomb_Ot, *Label_Dog_ID, *Label_Data_Dog, *Label_Vid_Dog, *Label_Dog_Ot, *Label_Ime_TDD;
    QLabel *Label_Name_Obekt, *Label_Grad_Obekt, *Label_Adres_Obekt, *Label_Tel_Obekt, *Label_MOL_Obekt;
    QLabel *Label_Kontrag_Ime, *Label_Kontrag_EIK, *Label_Kontrag_MOL, *Label_Kontrag_Adres, *Label_Kontrag_EGN;
    QLabel *Label_Grad_Kontrag, *Label_Kontrag_Kol_Obekti, *Label_Kontrag_Kol_EKA, *Label_Kontrag_Kol_Dog_In;

    // Editors of an operation
    QLineEdit *Edit_Dosie_ID, *Edit_MFP, *Edit_Services, *Edit_TDD, *Edit_Kontrag, *Edit_Plomb_Ot;
    QComboBox *ComboBox_Model_EKA, *ComboBox_Sel_Obekt;
    QDateEdit *DateTimePicker_Data_Fisk;
    QTimeEdit *DateTimePicker_Time_Fisk;
    QListWidget *ListBox_Kontrag_Fisk;
    // Contract editors (the contract module gives them behaviour)
    QLineEdit *Edit_Dog_ID;
    QDateEdit *DateTimePicker_Dog_Ot, *DateTimePicker_Data_Dog;
    QComboBox *ComboBox_Vid_Dog;
    QSpinBox *SpinEdit_Period_Dog;
    QLabel *Label_Period_Dog, *Label_Period_Mes;

    // Operations
    QToolButton *SpdBtn_Reg, *SpdBtn_Dog, *SpdBtn_Demontaj, *SpdBtn_Uved, *SpdBtn_Change_Data;
    QWidget *Panel_Save;
    QPushButton *Button_Save_Fisk, *Button_Cancel_Fisk;
    // Reports and documents (their modules give them behaviour)
    QPushButton *Button7, *Button_Izt_Dog, *Button_Remont, *Button9;
    QToolButton *SpdBtn_Pokaji_Dokuments_FC, *SpdBtn_Pokaji_Printers_FC;
    QWidget *Panel26, *Panel_Dokumets_FC, *Panel_Printers_FC;
    QListWidget *ChkListBox_Pokaj_Dokum_FC;
    PrinterCheckList *CheckListBox_Printers_FC;

    // State
    int FiscalOperationMode = NoMode;
    int ExistingContractFlag = 0;
    // What the entry searched last is for (PickOwner ...); 0 before any search.
    int PickListPurpose() const { return m_purpose; }
    // The number the last lookup found, and the one it did not find.
    QString shownDevice() const { return m_shownDevice; }
    QString notFoundNumber() const { return m_notFoundNumber; }
    QSqlRecord shownRow() const { return m_shownRow; }

    // Handlers
    void Edit_ID_EKAKeyPress(); // Enter: the device lookup
    void ComboBox_All_EKA_KontragChange();
    void SpdBtn_RegClick();
    void SpdBtn_Change_DataClick();
    void SpdBtn_UvedClick();
    void SpdBtn_DemontajClick();
    void SpdBtn_DogClick();
    void Button_Save_FiskClick();
    void Button_Cancel_FiskClick();
    void ComboBox_Sel_ObektChange();
    void ComboBox_Model_EKAChange();
    void listChoice(int purpose, const QString &item);
    // Sets FiscalOperationMode; "ЗАПИС" is off in the modes that store nothing.
    void setMode(int mode);
    void press(QToolButton *button); // down, the others up, no handler run
    void raise(QToolButton *button);

    TForm_Data_ToFisk_Serv *dismantlingDialog() const { return m_dismantling; }

    // "ФАЙЛ ТДД": the period dialog of the tax-office file, made once.
    void Button7Click();
    TForm_SPR_TDD_Fisk_Ser *taxFileDialog() const { return m_taxFile; }
    // "Печат документи": the ticked documents of the device shown, on the ticked printers.
    void Button9Click();
    // The printed layouts' data: the device query of the device shown.
    bool deviceData(Report::Data *data, QString *error) const;
    TabPrintPanel *printPanel() const { return m_print; }
    static QString noDeviceMessage();

private:
    void build(ModeTab *tab);
    QWidget *buildView(QWidget *parent);
    QWidget *buildRightPanel(QWidget *parent);
    void modeButtonClicked(QToolButton *button);
    void showOperationEditors(bool on);
    void loadModels(long long select = -1);
    void loadSites(long long owner, long long select = -1);
    void ownerChosen(long long owner, const QString &item);
    void fillFound(const QSqlRecord &row);
    void fillNotFound(const QString &number);
    void fillOwnerDevices(const QString &number);
    void resetLabels(const QList<QLabel *> &labels);
    // The labels of the service centre and the tax office an entry names
    // ("Не е посочено" when it names none).
    void showService(const std::optional<QSqlRecord> &firm);
    void showTaxOffice(const std::optional<QSqlRecord> &firm);
    bool saveRegistration();
    bool saveChange();
    long long chosenKey(QComboBox *box) const;
    // Runs a database step; a failure is told in Bulgarian and the view stays as it was.
    void guarded(const std::function<void()> &work);
    void installReports();

    void attachSearch(QLineEdit *entry, int purpose, QWidget *group, QLabel *mirror);
    QList<ClientSearch *> m_searches;
    int m_purpose = 0;
    QLineEdit *m_searched = nullptr;
    FiscalContractMode *m_contract = nullptr;
    TForm_Data_ToFisk_Serv *m_dismantling = nullptr;
    TForm_SPR_TDD_Fisk_Ser *m_taxFile = nullptr;
    TabPrintPanel *m_print = nullptr;
    QList<QToolButton *> m_modeButtons;
    QString m_shownDevice;
    QString m_notFoundNumber;
    QSqlRecord m_shownRow;
};
