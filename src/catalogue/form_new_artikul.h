#pragma once
#include "catalogue/article_code_entry.h"
#include "catalogue/article_entry.h"
#include "catalogue/article_record.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QToolButton;
class QWidget;

// "Редакция артикули": a new article or a stored one, with its barcodes,
// the numbers counterparties know it by, its serial numbers and its picture.
// A new window is made for every opening (ArticleEditor fills it). For a new
// article the barcodes and catalogue numbers are held here and written with
// the article; for a stored one they are written at once under the number it
// was opened with.
class TForm_NewArtikul : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_NewArtikul(QWidget *parent = nullptr);
    ~TForm_NewArtikul() override;

    // 0 new article, 1 edit; any other value makes "Приеми" store nothing.
    int ArticleEditMode = 0;

    QTabWidget *PageControl1;
    // "Основни данни"
    QLabel *Label_Grupa_name; // "Група: <ID>:<Opisanie>"
    QLineEdit *Edit_Art_N;
    QToolButton *SpeedButton1; // "Последен номер в групата"
    QToolButton *SpeedButton2; // "Свободни номера в групата"
    QLineEdit *Edit_Nom_N;
    QLineEdit *Edit_Opisanie;
    QLabel *Label_Dost_Cena;
    QComboBox *ComBox_Valuta;
    QLineEdit *Edit_Cena;
    QComboBox *ComBox_Mqrka;
    QCheckBox *ChkBox_Garancia;
    QCheckBox *ChkBox_Poredica;
    QLineEdit *Edit_Kasovo_ime;
    QLineEdit *Edit_Etiketno_ime;
    QLabel *Label_Dostav4ik; // "Последен доставчик"
    QSpinBox *SpinEdit_Min_Kol;
    QLineEdit *Edit_Max_TO;
    QComboBox *ComboBox_Godnost;
    QSpinBox *SpinEdit_dni;
    QSpinBox *SpinEdit_Kod_Vezna;
    QSpinBox *SpinEdit_Vezna; // "Везна номер": not stored
    QComboBox *ComboBox_Dan_Grupa;
    QComboBox *ComboBox_Prigotvq_Se;
    QGroupBox *GroupBox_Snimka; // "Снимка на артикула"
    QLabel *DBImage1;
    QPushButton *BitBtn_Edit_Snimka; // "Редактирай"
    QPushButton *BitBtn_Del_Snimka;  // "Изтрии"
    QComboBox *ComboBox_Sklad;
    QLabel *Label_Sklad_Kol;
    QLabel *Label_nali4nost;
    // "Баркод"
    QTableWidget *DBGrid_Barkodes;
    QPushButton *BitBtn_Add_Barkod;  // "Добави" / "Приеми"
    QPushButton *BitBtn_Del_Barkod;  // "Изтрии" / "Откажи"
    QPushButton *BitBtn_Edit_Barkod; // "Редакция"
    QWidget *Panel_Insert_Barkod;
    QLineEdit *Edit_Insert_Barkode;
    // "Номенклатура на контрагенти"
    QTableWidget *DBGrid1;
    QPushButton *BitBtn_Add_Nomenkl;
    QPushButton *BitBtn_Del_Nomenkl;
    QPushButton *BitBtn_Edit_Nomenkl;
    QWidget *Panel_Insert_Nomenkl;
    QLineEdit *Edit_Insert_Nomenkl_N;
    QPushButton *Label_Select_Kontrag; // "Контрагент:", opens the picker
    QLabel *Label_ID_Kontragent;
    // "Сериини номера"
    QWidget *TabSheet_Serials;
    QTableWidget *DBGrid_Serials;
    // Bottom
    QPushButton *BitBtn_OK;     // "Приеми"
    QPushButton *BitBtn_Cancel; // "Откажи"
    QPushButton *BitBtn_Help;   // "Помощ"

    static inline const char *NoCounterparty = "0: Няма избран контрагент";
    static constexpr int NumberPickMode = 14; // the counterparty pick of a catalogue number

    // Filled by the opener before the show.
    void setGroup(long long group, const QString &name);
    long long group() const { return m_group; }
    // A stored article: every field, its codes, the serial tab when it
    // carries a warranty. Lists must be filled first.
    void loadArticle(const Article &article);
    long long openedId() const { return m_openedId; }
    std::optional<long long> savedId() const { return m_savedId; }
    const PendingCodes &pendingCodes() const { return m_codes.pending(); }

    // Handlers
    void FormShow();
    void Edit_OpisanieChange();    // typed: mirrored into the two names
    void Edit_Art_NChange();       // typed: the scale code follows
    void Edit_Art_NExit();
    void Edit_Nom_NExit();
    void Edit_OpisanieExit();
    void Edit_CenaExit();
    void ChkBox_GaranciaClick();
    void ChkBox_PoredicaClick();
    void ComboBox_GodnostChange();
    void ComboBox_SkladChange();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void BitBtn_OKClick();
    void BitBtn_HelpClick();
    void BitBtn_Edit_SnimkaClick();
    void BitBtn_Del_SnimkaClick();
    void BitBtn_Add_BarkodClick();
    void BitBtn_Del_BarkodClick();
    void BitBtn_Edit_BarkodClick();
    void BitBtn_Add_NomenklClick();
    void BitBtn_Del_NomenklClick();
    void BitBtn_Edit_NomenklClick();
    void Label_Select_KontragClick();
    void DBGrid_SerialsClick();
    void PageControl1Change();

    int barcodeTag() const { return m_barcodeTag; }
    int numberTag() const { return m_numberTag; }
    void showPicture(const QByteArray &bytes);

private:
    void buildLayout();
    QWidget *buildMainTab();
    QWidget *buildBarcodeTab();
    QWidget *buildNumberTab();
    QWidget *buildSerialTab();
    bool isNew() const { return ArticleEditMode == 0; }
    void refreshBarcodes();
    void refreshNumbers();
    void setBarcodeTag(int tag);
    void setNumberTag(int tag);
    bool finish(const ArticleCodeEntry::Result &result, QWidget *focus); // shows its message; true when done
    CatalogueNumber enteredNumber() const;
    ArticleEntry::Fields entered() const;
    bool collect(Article *article); // false after a message
    void refuseNumber(const QString &message);
    bool busyMessage(const QString &text, QWidget *focus);

    long long m_group = 0;
    long long m_openedId = 0;
    std::optional<long long> m_savedId;
    Article m_loaded;
    ArticleCodeEntry m_codes;
    int m_barcodeTag = 0; // 0 idle, 1 adding, 2 editing
    int m_numberTag = 0;
    QString m_oldBarcode;
    CatalogueNumber m_oldNumber;
    ArticleEntry::Fields m_shown; // the fields as a stored article was opened
    bool m_inMessage = false;
};
