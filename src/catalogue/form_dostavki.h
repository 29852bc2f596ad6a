#pragma once
#include "catalogue/deliveries.h"

#include <QDate>
#include <QDialog>
#include <QPointer>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimeEdit;
class QSqlRecord;
class QWidget;
class StockLinesModel;
class SupplierField;

// "ДОСТАВКИ": one receipt of goods from a supplier into a warehouse under one
// purchase document. The lines wait in DostavkiTMP (this workstation's rows);
// "Запис" stores the delivery, adds the stock and sets the articles' prices
// in one transaction (deliveries.h). Made once, shown modally by the main
// menu and by the catalogue's group command "Доставка".
class TForm_Dostavki : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Dostavki(QWidget *parent = nullptr);
    ~TForm_Dostavki() override;

    QPushButton *Btn_Nov;    // "Нова доставка" (tag 0) / "Запис" (tag 1)
    QPushButton *Btn_Cancel; // "Откажи"
    QLabel *Label12;         // the delivery number
    QLineEdit *Edit_Dostav4ik;
    QListWidget *ListBox_SelectDostav4ik;
    QPushButton *Button_NovDostav4ik;
    QComboBox *ComboBox_Dok_Vid;
    QLineEdit *Edit_Nomer_Dokument;
    QDateEdit *DateTimePicker_Dok;
    QDateEdit *DateTimePicker_Date;
    QTimeEdit *DateTimePicker_Time;
    QComboBox *ComboBox_Sklad;
    QLineEdit *Edit_Zabel;
    QLabel *Label5;    // "Нал. кол. всички складове" / "Нал. кол в склад:" + warehouse
    QLabel *Label_Kol; // stock of the chosen article

    QWidget *Panel_Art; // the article entry
    QLineEdit *Edit_Art_ID;
    QLabel *Label_Sel_Art;
    QLabel *Label_Sel_Nomenkl; // "а." own numbers, "н." the supplier's catalogue numbers
    QPushButton *Button_Dobavi; // the article picker
    QLineEdit *Edit_dost_Cena;
    QComboBox *ComboBox_Valuta;
    QLineEdit *Edit_Cena;
    QComboBox *ComboBoxValuta_P;
    QLineEdit *Edit_Nadcenka;
    QLineEdit *Edit_TO;
    QLineEdit *Edit_Kol;
    QComboBox *ComboBox_Mqrka;
    QCheckBox *ChkBox_Have_DDS;
    QPushButton *Button_Convert;

    QWidget *Panel_Buttons; // the line buttons
    QPushButton *Button_Add;    // "Добави" / "Приеми"
    QPushButton *Button_Edit;   // "Редактирай"
    QPushButton *Button_Delete; // "Изтрии" / "Откажи"
    QPushButton *Button1;       // "Серийни номера": on only when the warranty cards are registered
    QPushButton *Button_Print;  // "ПЕЧАТ"
    QTableView *DBGrid_Art_Dost;

    QLineEdit *Edit_Plateno_Broj;
    QLineEdit *Edit_Plateno_Banka;
    QLineEdit *Edit_Neplateno;
    QLabel *Label_SUM_BezDDS;
    QLabel *Label_DDS;

    static constexpr int PickMode = 15;
    static constexpr const char *NoArticle = "0:Няма  избран артикул";

    int state() const { return m_state; } // 0 no delivery open, 1 open
    int lineEditState() const { return m_lineEdit; } // 0 adding, 1 replacing
    StockLinesModel *model() const { return m_model; }
    long long EditedDeliveryArticle = 0;
    bool KeepDeliveryOpen = false;

    void FormShow();
    void Btn_NovClick();
    bool save(); // "Запис"; false keeps the delivery open with its lines
    void Btn_CancelClick();
    void Edit_Art_IDKeyPress();
    void Label_Sel_NomenklClick();
    void Button_DobaviClick();
    void Edit_CenaExit();
    void Edit_NadcenkaExit();
    void Edit_TOExit();
    void Button_ConvertClick();
    void ComboBox_ValutaClick();
    void ComboBoxValuta_PClick();
    bool Button_AddClick();
    void Button_EditClick();
    void Button_DeleteClick();
    void Button_Calculate_SUMsClick();
    void ComboBox_SkladChange();
    bool Button_PrintClick();
    void pickSupplier(const QString &item); // the supplier list's pick
    void reject() override;                 // closing with a delivery open asks first

    // What "Серийни номера" hands the supplier warranty card of the repair
    // service, which registers its opener here (an empty one switches the
    // button off).
    struct SerialNumbersRequest {
        QString documentKind; // reference text
        QString documentNumber;
        QDate documentDate;
        QString supplier; // reference text
        long long article = 0;
    };
    using SerialNumbersOpener = std::function<void(const SerialNumbersRequest &request, QWidget *parent)>;
    static void setSerialNumbersOpener(SerialNumbersOpener opener);
    void Button1Click();

    // True while the window is shown (the catalogue's "Доставка" is then off).
    static bool isOpen();
    // "Доставки..." (N_Dostavka). Both openers are guarded by its right.
    static void open(QWidget *mainWindow);
    // The catalogue's group command: the group's articles as lines of this
    // workstation, then a new delivery above the catalogue. False (after a
    // message) when nothing was added or the right is denied.
    static bool openForGroup(long long groupKey, QWidget *catalogue);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void fillLists();
    void setOpen(bool open);
    void setLineEdit(int state);
    void articleFound(const QSqlRecord &article);
    void showArticleAgain();
    void showStock(long long article);
    void rateCaption(const QString &currency);
    void supplierPicked();
    void clearPayments(); // bank and unpaid to zero, then the sums
    bool readLine(Deliveries::LineInput *line);
    long long currentArticle() const;

    StockLinesModel *m_model;
    SupplierField *m_supplier;
    int m_state = 0;
    int m_lineEdit = 0;
    long long m_editedLine = 0;
    bool m_pickTaken = false; // the picker's quantity prompt was answered
    Deliveries::Sums m_sums;
};

extern QPointer<TForm_Dostavki> Form_Dostavki;
