#pragma once
#include "shell/main_menu.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <typeinfo>

class ClickPanel;
class ModeTab;
class QDialog;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class RatesTicker;
class ShopTab;
class TDataModule1;
class TForm_Dostap_Operators;
struct OperatorRecord;

// The program's frame: the three working-mode tabs, the main menu, the
// toolbar, the status panels with the rates ticker, the working-date watch;
// start-up, login and close.
class TGeneral_Form : public QMainWindow
{
    Q_OBJECT
public:
    explicit TGeneral_Form(QWidget *parent = nullptr);
    ~TGeneral_Form() override;

    // Start-up: the working-date question, the login, the version check, the
    // active warehouse, kiosk mode. false when the program is to end; an
    // exception that escapes a step is logged and said, and ends the start.
    bool FormCreate();
    void FormShow();
    void FormClose();

    void PageControl1Change();
    void Timer1Timer();
    void Timer2Timer();
    // The login; never two at once. true after a successful login.
    bool N_dostapClick();
    void N_IzhodClick();
    void BitBtn_Sel_CancelClick();
    void Panel_DateTimeClick();

    // The main menu and the one place that sets every item's enabled state.
    MainMenuActions &menu() { return m_menu; }
    QAction *action(const QString &name) const { return m_menu.action(name); }
    void applyItemStates();
    // Runs the opener of an item when the item is enabled; false otherwise
    // (the operator is told when his rights deny it).
    bool triggerItem(const QString &name);
    // Whether the operator's rights allow an item and every menu above it.
    // An unknown name is denied.
    bool itemAllowed(const QString &name) const;
    // "Номенклатури → Доставки": the item's place in the menu.
    QString itemPath(const QString &name) const;

    // A window created on first use, owned by the main window and kept.
    template <class W>
    W *formOnce()
    {
        QPointer<QWidget> &slot = m_forms[QString::fromLatin1(typeid(W).name())];
        if (!slot)
            slot = new W(this);
        return static_cast<W *>(slot.data());
    }
    static int showModal(QDialog *dialog);

    bool loginOpen() const { return m_loginOpen; }
    bool programEnded() const { return m_ended; }
    TForm_Dostap_Operators *loginForm() const { return m_loginForm; }
    ModeTab *activeTab() const;

    QMenuBar *MainMenu_General;
    QToolBar *ToolBar1;
    QToolButton *SpdBtn_Dostap;
    QToolButton *SpdBtn_Artikuli;
    QToolButton *SpdBtn_Kontragenti;
    QToolButton *SpdBtn_Sklad;
    QToolButton *SpdBtn_Dostavka;
    QToolButton *SpdBtn_Revizia;
    QToolButton *SpdBtn_Transfer;
    QToolButton *SpdBtn_Zada4i;
    QToolButton *SpdBtn_Oferti;
    QHBoxLayout *WorkArea; // PageControl1; other modules add their panels (Panel7) beside it
    QTabWidget *PageControl1;
    ShopTab *TabSheet_Magazin;
    ModeTab *TabSheet_Servis;
    ModeTab *TabSheet_Fisk_Ser;
    QWidget *Panel_Progress;
    QProgressBar *Gauge1;
    QPushButton *BitBtn_Sel_Cancel;
    ClickPanel *Panel_DateTime;
    ClickPanel *Panel_terminal;
    ClickPanel *Panel_Operator;
    ClickPanel *Panel_Sklad;
    ClickPanel *Panel_Database;
    RatesTicker *Image_Show_Valuta_Kurs;
    QTimer *Timer1;
    QTimer *Timer2;

    static inline const char *HintClick = "Кликнете за да промяна";

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool startUp(); // FormCreate's steps
    void buildToolBar();
    void buildStatusBar();
    void connectDataModule();
    void showDatabaseFolder();
    void applyLogin(const OperatorRecord &op);
    void endProgram();
    void refreshTicker();
    void showDateTime();
    void showActiveWarehouse();

    MainMenuActions m_menu;
    QHash<QString, QPointer<QWidget>> m_forms;
    TForm_Dostap_Operators *m_loginForm = nullptr;
    QPointer<TDataModule1> m_watchedModule;
    bool m_loginOpen = false;
    bool m_starting = false;
    bool m_ended = false;
    bool m_closed = false;
    bool m_switchingByCode = false;
    bool m_modesBuilt = false;
    ModeTab *m_lastTab = nullptr;
};

extern TGeneral_Form *General_Form;
