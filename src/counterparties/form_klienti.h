#pragma once
#include "counterparties/counterparty_record.h"

#include <QDialog>

class PlaceList;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TForm_Kontrag_Sklad;
class TForm_Kontrag_Smetki;

// "Контрагенти": creates and changes a counterparty, its company row and its
// person row together. Made once by the browser and reused; each opening sets
// its mode, kept in Button_Insert's tag: 1 new, 2 edit, 0 idle. Opened through
// CounterpartyEditor::open.
class TForm_Klienti : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Klienti(QWidget *parent = nullptr);

    QLabel *Label_ID_Klient;
    QGroupBox *GroupBox_Firma;
    QLineEdit *Edit_Ime_Firma;
    QLineEdit *EditGrad_Firma;
    QPushButton *Button1; // "Нов" place, beside the company's place edit
    QLineEdit *Edit_Adres_Firma;
    QLineEdit *Edit_EIK;
    QLineEdit *Edit_Dan_N;
    QLineEdit *Edit_Telefoni_Firma;
    QLineEdit *Edit_BankaIme;
    QLineEdit *Edit_BankaKod;
    QLineEdit *EditBanka_Smetka;
    QLineEdit *Edit_Otsapka;
    QGroupBox *GroupBox_Mol;
    QLineEdit *Edit_Ime_Mol;
    QLineEdit *EditGrad_Mol;
    QPushButton *Button2; // "Нов" place, beside the person's place edit
    QLineEdit *EditAdres_Mol;
    QLineEdit *Edit_Telefon_Mol;
    QLineEdit *Edit_EGN_Mol;
    QLineEdit *Edit1; // "E - mail": shown, neither filled nor stored
    QPlainTextEdit *Memo_Zabel;
    QListWidget *ListBox_Grad;
    QPushButton *Button_Klient_Karti; // "Клиентски карти": no action
    QPushButton *Button_Sklad;
    QPushButton *Button_Bank_Sm;
    QPushButton *Button_Sp_TO;
    QPushButton *Button_Insert;
    QPushButton *Button_Cancel;

    // Prepare the window for a new counterparty in the group, or for the
    // stored counterparty `id` (false, with a message, when it is not there).
    void openNew(long long group);
    bool openEdit(long long id);
    int showModal();

    int mode() const;
    long long savedId() const { return m_savedId; } // 0 when the last opening saved nothing
    PlaceList *placeList() const { return m_places; }
    TForm_Kontrag_Sklad *sitesWindow() const { return m_sites; }
    TForm_Kontrag_Smetki *accountsWindow() const { return m_accounts; }

    void Button_InsertClick();
    void Button_CancelClick();
    void Button_SkladClick();
    void Button_Bank_SmClick();
    void Button_Sp_TOClick();
    void Button1Click();
    void Edit_EIKExit();
    void Edit_EGN_MolExit();
    // Typing: quotes become apostrophes where the name or address is typed,
    // and the company's name, address and telephone are copied to the person.
    void Edit_Ime_FirmaChange();
    void Edit_Adres_FirmaChange();
    void Edit_Telefoni_FirmaChange();
    void Edit_BankaImeChange();
    void EditAdres_MolChange();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildLayout();
    void setMode(int mode);
    void setRecordButtons(bool enabled);
    bool fieldsFromEdits(CounterpartyFields *fields); // false when the discount is refused
    void saveNew();
    void saveEdit();

    PlaceList *m_places;
    TForm_Kontrag_Sklad *m_sites = nullptr;
    TForm_Kontrag_Smetki *m_accounts = nullptr;
    long long m_id = 0;    // the counterparty being edited
    long long m_group = 0; // the group of a new counterparty
    long long m_savedId = 0;
    bool m_checking = false;
};
