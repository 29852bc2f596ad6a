#pragma once
#include "catalogue/article_pick.h"
#include "catalogue/article_search.h"
#include "common/tree_file.h"
#include "platform/browser_widgets.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class ArticleList;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

// "Артикули": the catalogue and the one article picker of the program. The
// group tree (Opis.pdt) on the left, the article list with its search bar on
// the right. Opened with a pick mode (ArticlePickMode 0 and up) it also shows
// "ИЗБЕРИ", which hands the picked articles to the receiver registered for
// that mode (article_pick.h). Made once, shown modally through N_ArtikuliClick.
class TForm_Artikuli : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Artikuli(QWidget *parent = nullptr);

    QMenuBar *MainMenu1;
    QAction *N_Artikul;      // "Артикул" Ctrl+A
    QAction *N_PodGrupa;     // "Подгрупа" Ctrl+P
    QAction *N_Grupa;        // "Група" Ctrl+G
    QAction *N_Kontragenti;  // "Контрагенти" Ctrl+K
    QAction *N_Dokumentacia; // "Документация..." Ctrl+Alt+D, hidden from the menu

    // Group search above the tree
    QComboBox *ComboBox2; // "Код", "Име"
    QLineEdit *Edit_Tarsi_grupa;
    QPushButton *Button_Tarsi_Grupa;
    QListWidget *ListBox_All_Grupi;
    QTreeWidget *TreeView1;

    // Search bar (Panel2)
    QLabel *Label_Search_Kriteria;
    QComboBox *ComboBox_Select_Kriteria_Art;
    QComboBox *ComboBox1; // "равно", "по - голямо", "по - малко", "между"
    QCheckBox *CheckBox_4ast_Duma;
    QLabel *Label_Ot;
    QLineEdit *Edit_Ot;
    QLabel *Label_Do;
    QLineEdit *Edit_Do;
    QPushButton *Button_artikul; // "Търси"
    QCheckBox *ChkBox_Show_Nali4no;
    QTableView *DBGrid_Articles;

    QWidget *Panel_Izberi;
    QPushButton *BitBtn1; // "ИЗБЕРИ"
    QPushButton *BitBtn2; // "ОТКАЖИ"

    QMenu *PopupMenu_Tree;
    QAction *N_Dobavi_Grupa;     // "Добави" -> "Група"
    QAction *N_Dobavi_PodGrupa;  // "Добави" -> "Подгрупа"
    QAction *N_Redaktiraj_Grupa; // "Редактирай" Ctrl+F2
    QAction *N_Iztrii_Grupa;     // "Изтрии" Ctrl+Del
    QAction *N_Dostavka_Grupa;   // "Доставка": the group's articles into a new delivery
    QMenu *PopupMenu_Articles;
    QAction *N_Nov;               // "Нов" Ins
    QAction *N_Redaktiraj;        // "Редактирай" F2
    QAction *N_Iztrii;            // "Изтрии" Del
    QAction *N_Markiraj_Vsi4ki;   // "Маркирай всички" Ctrl+A
    QAction *N_Dostavka_Art;      // the four operations on marked articles: no action yet
    QAction *N_Nali4nosti;        // "Справка наличности ..."
    QAction *N_Ob6ti_Danni;       // "Укажи общи данни ..."
    QAction *N11;                 // "Печат" -> "Файл"
    QAction *EVLXX1;              // "Печат" -> "Везна" -> "Еликом"
    QAction *N_Nastr_Koloni;      // "Настройка колони ..."

    int GroupEditMode = 0;     // 0 new group, 1 new subgroup, 2 edit
    long long EditedGroupID = 0;
    QStringList GroupSearchTexts;
    QString FoundGroupName;


    ArticleList *list() const { return m_list; }
    QSqlRecord currentRecord() const;
    QList<QSqlRecord> markedRecords() const; // in grid order
    QList<long long> markedIds() const;
    bool positionOn(long long id);
    long long currentGroupKey() const { return m_currentGroupKey; }
    int criterion() const { return m_criterion; }
    QTreeWidgetItem *nodeOfKey(long long key) const;
    QTreeWidgetItem *rootNode() const;

    // Each showing: the pick panel, the selected node's list, the criteria.
    void FormShow();
    void loadTree(const QList<TreeFileNode> &tree);

    void TreeView1Click();
    // A group node (groupDragged) or the marked articles dropped on a node.
    bool TreeView1DragDrop(QTreeWidgetItem *node, bool groupDragged);
    void DBGrid_ArticlesCellClick(int column);
    void DBGrid_ArticlesTitleClick(int column);
    void DBGrid_ArticlesDblClick();
    void ComboBox_Select_Kriteria_ArtChange();
    void ComboBox1Change();
    void CheckBox_4ast_DumaClick();
    void Button_artikulClick();
    void Button_Tarsi_GrupaClick();
    void ListBox_All_GrupiDblClick();
    void ComboBox2Change();

    void N_GrupaClick();
    void N_PodGrupaClick();
    void PopupMenu_TreePopup(); // enables "Доставка"
    void N_Dostavka_GrupaClick();
    void N_Redaktiraj_GrupaClick();
    void N_Iztrii_GrupaClick();
    void N_KontragentiClick();
    // "Документация...": the document designer, maximised and modal, through
    // the opener the program registers (the catalogue cannot reach it itself).
    void N_DokumentaciqClick();
    using DocumentationOpener = std::function<void(QWidget *owner)>;
    static void setDocumentationOpener(DocumentationOpener opener);

    void PopupMenu_ArticlesPopup(); // enables the article commands
    void N_NovClick();
    void N_RedaktirajClick();
    void N_IztriiClick();
    void N_Markiraj_Vsi4kiClick();
    void N_Nali4nostiClick();
    void N_Ob6ti_DanniClick();
    bool N11Click();    // false when nothing was written
    bool EVLXX1Click(); // false when nothing was written
    void N_Nastr_KoloniClick();

    void BitBtn1Click();
    void BitBtn2Click();
    void done(int result) override; // every close ends the pick

    // The main window's "Артикули ..." and every pick-mode setter: makes the
    // catalogue once, loads its tree, shows it modally and returns when it
    // closes; ArticlePickMode is then -1. Asked by a window over the showing
    // catalogue, it shows a catalogue of its own over that window, in the
    // mode asked; the mode then returns to the one of the catalogue beneath.
    // Every road is guarded by the right on "Артикули ...".
    static void N_ArtikuliClick(QWidget *caller);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void buildMenus();
    void setCriterion(int criterion, bool fromColumn);
    void listNode(QTreeWidgetItem *node);
    bool runList(const ArticleSearch::ListQuery &query); // false after a failure
    void showFirstRow();
    bool setCurrentRow(int row); // false when the list has no such row
    void selectNode(QTreeWidgetItem *node);
    bool selectSearchText(const QString &nodeText); // by its place in GroupSearchTexts
    void openGroupDialog(int mode);
    void afterTreeChange(const QList<TreeFileNode> &tree, long long selectKey);
    void afterEditor(long long savedId);
    void openEditor(int mode);
    QString selectedNodeText() const;
    QString treePath() const;

    ArticleList *m_list;
    BrowserWidgets::RangeEdits m_range;
    int m_criterion = -1;
    long long m_currentGroupKey = 0; // CurrentGroupNode, by its key; 0 none
};

extern QPointer<TForm_Artikuli> Form_Artikuli;
