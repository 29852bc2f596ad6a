#pragma once
#include "app/mode_tab.h"

class MainMenuActions;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;

// The shop tab TabSheet_Magazin with the desk controls that the login and the
// rights address. The desk module fills DeskArea (the open lines and the
// search) and installs its handler; the buttons that mirror menu items share
// those items' actions.
class ShopTab : public ModeTab
{
    Q_OBJECT
public:
    explicit ShopTab(QWidget *parent = nullptr);

    QLabel *Label_Izbor_Kontragent;
    QLineEdit *Label_Selected_Kontragent; // the desk counterparty as a reference text
    QWidget *Panel_Smetki;
    QComboBox *ComboBox_Smetka;
    QWidget *DeskArea;
    QVBoxLayout *DeskAreaLayout;
    QLineEdit *Edit_Broj;
    QPushButton *Button_Insert_in_List;
    QPushButton *Button_Prodajba;
    QPushButton *Button_Otkaz;
    QPushButton *Button_Select_all;
    QPushButton *Button_TO;
    QPushButton *Button_Refresh;
    QPushButton *Button_Pe4at_Dokumenti;
    QToolButton *SpdBtn_Kasa;

    static inline const char *NoCounterparty = "0: Няма избран контрагент";

    // The buttons work as their menu items (Enter1, N_Prodajba, N_Cancel_Prodajba,
    // N_Select_All, N_Ob6ta_TO, N_Refresh, N_Kasa); Button_Pe4at_Dokumenti is
    // enabled with N_Dokumenti and runs the print road of the tab.
    void bindActions(const MainMenuActions &menu);
    // Captions with the items' current shortcut texts; the shortcuts window
    // writes "Добави в списък" with three blanks, the login with eight.
    void rebuildCaptions(const MainMenuActions &menu, bool fromShortcutsWindow = false);

    void Edit_BrojChange();
};
