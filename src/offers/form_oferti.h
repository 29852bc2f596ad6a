#pragma once
#include "offers/catalogue_search.h"

#include <QPointer>
#include <QSqlRecord>
#include <QStringList>
#include <QWidget>

#include <functional>

class PagedListModel;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// "Оферти": the suppliers' catalogues as a supplier and group tree, the
// catalogue list of a group or of a search, and below it the offer being
// composed (built by the offer module into Panel_Oferta through the hooks).
// One instance for the run, shown modeless; it minimises itself when it loses
// activation, except while a dialog or picker it opened is up.
class TForm_Oferti : public QWidget
{
    Q_OBJECT
public:
    explicit TForm_Oferti(QWidget *parent = nullptr);
    ~TForm_Oferti() override;

    // Supplier tree: a node's image 1 leaves its supplier out of searches.
    QTreeWidget *TreeView1;
    QMenu *PopupMenu_Tree;
    QAction *N_Import_CL;       // "Добави" (Insert): the catalogue import's
    QAction *N_Actualizacia;    // "Актуализирай" (Ctrl+Insert): the catalogue import's
    QAction *N_Delete_Selected; // "Изтрии" (Delete)
    QAction *N_Delete_All;      // "Изтрии всичко" (Ctrl+Delete)

    // Search
    QLabel *Label_Search_Kriteria;
    QLineEdit *Edit_Search;
    QToolButton *SpdBtn_Select_Search_Kriteria;
    QListWidget *ListBox_Search_Kriterii; // shown under Edit_Search while choosing
    QPushButton *Button_Search;           // "Търсене"

    // Catalogue list
    QTableView *DBGrid_Art;
    QMenu *PopupMenu_Art;
    QAction *N_Select_All_Art; // "Маркирай всичко" (Ctrl+A)
    QAction *N1;               // "Настройка колони"
    QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6, *CheckBox7, *CheckBox8;
    QPushButton *SpdBtn_Multi_Sort; // "Подреди"
    QLabel *Label_Count;

    // Progress of a long operation (the catalogue import)
    QProgressBar *Gauge1;
    QWidget *Panel14;
    QPushButton *BitBtn_Sel_Cancel; // its Tag is 1 once pressed during a run

    QWidget *Panel_Oferta; // the offer half

    int SearchCriterion = 0;

    // ---- for the offer and import modules ----
    // The offer half is built into Panel_Oferta when the window is made; the
    // show hook runs with the window's opening work, the close hook when it
    // closes; "Добави" (and a double click in the list) runs the add hook.
    using Hook = std::function<void(TForm_Oferti &)>;
    static void setBuildHook(Hook hook);
    static void setShowHook(Hook hook);
    static void setCloseHook(Hook hook);
    static void setAddHook(Hook hook);
    // "Добави" and "Актуализирай" of the tree menu; disabled until set.
    static void setImportHooks(Hook import, Hook update);

    PagedListModel *artList() const { return m_list; }
    // The marked rows of the list, in grid order, every field by name (Ctrl+A
    // marks the whole result, not only the rows read so far). Throws DbError.
    QList<QSqlRecord> markedRecords() const;
    const CatalogueSearch::Summary &summary() const { return m_summary; }
    QStringList sortList() const { return m_sortList; }
    int cancelTag() const { return m_cancelTag; }
    void setCancelTag(int tag) { m_cancelTag = tag; }
    QString treeFilePath() const;
    // Reads the tree from CL.pdt; every node takes part again (image 0).
    void loadTree();
    static int nodeImage(const QTreeWidgetItem *node);
    QList<long long> searchSuppliers() const; // the supplier set of a search

    // Counts a dialog or picker this window opens, so that losing activation
    // to it does not minimise the window.
    class OwnDialog
    {
    public:
        explicit OwnDialog(TForm_Oferti *form);
        ~OwnDialog();

    private:
        QPointer<TForm_Oferti> m_form;
    };

    // The main menu's "Оферти...": the first opening (or one after a close)
    // does the opening work and shows the window; an open window is only
    // restored and raised.
    static void open(TForm_Oferti *form);

    void FormShow();
    void FormClose();
    void FormDeactivate();

    void TreeView1Click();
    void TreeView1MouseDown(QTreeWidgetItem *node); // Ctrl + left button
    void N_Delete_SelectedClick();
    void N_Delete_AllClick();
    void BitBtn_Sel_CancelClick();

    void SpdBtn_Select_Search_KriteriaClick();
    void ListBox_Search_KriteriiChoose(); // double click, Enter or leaving the list
    void Button_SearchClick();
    void DBGrid_ArtTitleClick(int column);
    void CheckBoxClick(QCheckBox *box);
    void SpdBtn_Multi_SortClick();
    void N_Select_All_ArtClick();
    CatalogueSearch::PriceMark DBGrid_ArtDrawColumnCell(int row) const; // how a row is drawn
    void N1Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void buildMenus();
    void say(const QString &text);
    bool ask(const QString &text);
    void runListing(const CatalogueSearch::Listing &listing);
    void applyOrder(const QStringList &fields, int direction);
    void clearListing();
    void showFirstRow();
    void keepColumns(const std::function<void()> &change);

    PagedListModel *m_list;
    CatalogueSearch::Listing m_listing; // of the list shown
    CatalogueSearch::Summary m_summary;
    QStringList m_sortList;
    int m_cancelTag = 0;
    int m_ownDialogs = 0;
};

extern QPointer<TForm_Oferti> Form_Oferti;
