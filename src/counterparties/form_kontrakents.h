#pragma once
#include "counterparties/counterparty_pick.h"
#include "counterparties/counterparty_search.h"
#include "platform/browser_widgets.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class CounterpartyList;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

// "Контрагенти": the counterparty register's browser and the one
// counterparty picker of the program. A group tree on the left, the list of
// counterparties with a search bar on the right. Opened with a pick mode
// (CounterpartyPickMode 0..15) it also shows "ИЗБЕРИ", which hands the
// current counterparty to the receiver registered for that mode
// (counterparty_pick.h). Made once, shown modally through N_KlientiClick.
class TForm_Kontrakents : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Kontrakents(QWidget *parent = nullptr);

    QTreeWidget *TreeView_Kontrag;
    QTableView *DBGrid_Kontragenti;
    QLabel *Label_Search_Kriteria;
    QComboBox *ComboBox_Kriteria_Kontrag; // the grid's column titles
    QComboBox *ComboBox1;                 // "равно", "по - малко", "по - голямо", "между"
    QLabel *Label_Ot;                     // "От"
    QLineEdit *Edit_Ot;
    QLabel *Label_Do;                     // "До"
    QLineEdit *Edit_Do;
    QPushButton *BitBtn_Tarsi_Kontragenti; // "Търси", the default button
    QPushButton *BitBtn1;                  // "Нов"
    QPushButton *BitBtn_Redaktiraj_Kontragent; // "Редактирай"
    QPushButton *Button_Print_Kontrag;     // "Печат"
    QPushButton *BitBtn_Help;              // "Помощ": video help "2"
    QWidget *Panel_IZberi;                 // shown while picking
    QPushButton *BitBtn_Izberi_Kontragent; // "ИЗБЕРИ"
    QPushButton *BitBtn_Otkaji_Kontragent; // "ОТКАЖИ"

    QMenu *PopupMenu_Grid;
    QAction *N_Nov_Kontrag;        // "Нов"
    QAction *N_Redaktiraj_Kontrag; // "Редактирай"
    QAction *N_Pe4at_Kontrag;      // "Печат"
    QAction *N_Nastr_Koloni;       // "Настроика колони ..."
    QAction *N_Vnoski;             // "Изплащане на вноски" of the current counterparty
    QAction *N_Dlajnici;           // "Покажи само длъжници"
    QMenu *PopupMenu_Tree;
    QAction *N_Grupa_Kontrag;      // "Добави" -> "Група"
    QAction *N_PodGrupa_Kontrag;   // "Добави" -> "Подгрупа"

    int GroupMode = 0; // 0 new group, 1 new subgroup (set by the tree menu)

    CounterpartyList *list() const { return m_list; }
    int selectedColumn() const { return m_column; } // the search criterion; -1 none
    QTreeWidgetItem *lastTreeNode() const { return m_lastNode; }
    QSqlRecord currentRecord() const;         // every Firmi column, read by field name
    QList<QSqlRecord> markedRecords() const;  // in grid order
    bool positionOn(long long id);            // false when the list has no such row

    // Each showing: the criterion list, the pick panel, the tree read from
    // its file, the first node listed, "Помощ" only with its clip.
    void FormShow();

    void TreeView_KontragClick();
    void TreeView_KontragDragOver(QTreeWidgetItem *node);
    // Moves the marked counterparties into the node's group, after asking.
    // True when they were moved.
    bool TreeView_KontragDragDrop(QTreeWidgetItem *node);

    void DBGrid_KontragentiCellClick(int column);
    void DBGrid_KontragentiTitleClick(int column);
    void DBGrid_KontragentiDblClick();
    void ComboBox_Kriteria_KontragChange();
    void ComboBox1Change();
    void BitBtn_Tarsi_KontragentiClick();

    void BitBtn1Click();
    void BitBtn_Redaktiraj_KontragentClick();
    bool Button_Print_KontragClick(); // false when no file was written
    void N_Nastr_KoloniClick();
    void BitBtn_HelpClick();
    void N_Grupa_KontragClick();
    void N_PodGrupa_KontragClick();

    void BitBtn_Izberi_KontragentClick();
    void BitBtn_Otkaji_KontragentClick();

    void done(int result) override; // every close ends the pick mode

    // The main window's "Контрагенти..." (and every pick-mode setter): makes
    // the browser once, starts it on the criterion "Номер", shows it modally
    // and returns when it closes; CounterpartyPickMode is then -1. Asked by a
    // window over the showing browser, it shows a browser of its own over
    // that window, in the mode asked; the mode then returns to the one of the
    // browser beneath. Every road is guarded by the right on "Контрагенти...".
    static void N_KlientiClick(QWidget *caller);

    // Registered by the deferred payments: the instalment window for a
    // counterparty's reference text, and the statement that lists the
    // counterparties with open contracts (every Firmi column; the browser
    // lists them by name). Until then
    // "Изплащане на вноски" and "Покажи само длъжници" stay disabled.
    static inline std::function<void(QWidget *parent, const QString &counterparty)> InstalmentsOpener;
    static inline QString DebtorsSql;
    void N_VnoskiClick();
    void N_DlajniciClick();

private:
    void buildLayout();
    void buildMenus();
    void setCriterion(int column);
    bool runList(const CounterpartySearch::ListQuery &query); // false after a message
    void showFirstRow();
    bool setCurrentRow(int row); // false when the list has no such row
    void afterEditor(long long savedId);
    void openGroupDialog(int mode, const QString &caption);
    long long selectedGroupKey() const;

    CounterpartyList *m_list;
    BrowserWidgets::RangeEdits m_range;
    int m_column = -1;
    QTreeWidgetItem *m_lastNode = nullptr;
};

extern QPointer<TForm_Kontrakents> Form_Kontrakents;
