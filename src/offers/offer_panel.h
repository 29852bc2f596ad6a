#pragma once
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QWidget>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QStyledItemDelegate;
class QPushButton;
class QSpinBox;
class QTableView;
class SqlListModel;
class TForm_Oferti;

// The lower half of "Оферти": the offer being composed for one customer, the
// comparison of a position's alternatives, the mandatory elements, and the
// offer document. Built into TForm_Oferti::Panel_Oferta by the window's hooks.
class OfferPanel : public QWidget
{
    Q_OBJECT
public:
    explicit OfferPanel(TForm_Oferti *form);
    ~OfferPanel() override;

    // Sets the offers window's hooks; call before the window is made.
    static void install();
    static OfferPanel *of(const TForm_Oferti *form);

    QSpinBox *SpinEdit_Marker;     // position 1..10000
    QSpinBox *SpinEdit_Kol;        // quantity 1..10000
    QComboBox *ComboBox_Znak_Korekcia; // + - * / (may be typed)
    QLineEdit *Edit_Korekcia;
    QSpinBox *SpinEdit_Cena_N;     // compared price column 1..3
    QPushButton *Button_Insert;    // "Добави"
    QPushButton *Button_Delete;    // "Изтрии"
    QPushButton *Button1;          // "Налично"
    QPushButton *SpdBtn_Sravni;    // "Сравни"
    QTableView *DBGrid_Oferta;
    QMenu *PopupMenu_Oferta;
    QAction *N_Select_All_Oferta;  // "Маркирай всичко" (Ctrl+A)
    QAction *N_Koloni_Oferta;      // "Настройка колони" (Ctrl+K)
    QLabel *Label3;                // "Контрагент:", a click picks the customer
    QLabel *Label_ID_Kontragent;
    QLineEdit *Edit_Avans;
    QLabel *Label_Sum;
    QPushButton *Button_Print;       // "Печат"
    QPushButton *Button_Save_Oferta; // "Запис"
    QListWidget *CheckListBox_Zad_el; // ticks are the program's
    QLineEdit *Edit_Zad_El;
    QPushButton *Button_Add_Zad_Elem; // "Добави" / "Запис"
    QPushButton *Button_Del_Zad_Elem; // "Изтрии" / "Откажи"

    SqlListModel *offerList() const { return m_list; }
    QString OfferMinValue, OfferMaxValue;
    bool StockArticlesPending = false;

    void FormShow();  // the window's opening (from hidden)
    void FormClose();

    void Button_InsertClick();
    void addStockArticles(const QList<QSqlRecord> &marked); // article pick mode 5
    void Button_DeleteClick();
    void SpdBtn_SravniClick();
    void Button1Click();
    void Label3Click();
    void SpinEdit_Cena_NChange();
    void ComboBox_Znak_KorekciaChange();
    void Button_Add_Zad_ElemClick();
    void Button_Del_Zad_ElemClick();
    void Edit_Zad_ElKeyPress(); // Enter
    void N_Select_All_OfertaClick();
    void N_Koloni_OfertaClick();
    void DBGrid_OfertaTitleClick(int column);
    enum class Mark { Plain, Lowest, Highest };
    Mark DBGrid_OfertaDrawColumnCell(int row) const;
    void DBGrid_OfertaDblClick() {}

    void Button_PrintClick();
    void Button_Save_OfertaClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void say(const QString &text);
    bool ask(const QString &text);
    void loadElements();
    void refreshTicks();
    void refreshTotal();
    void refreshGrid(const QString &orderBy = {});
    bool currenciesRated(); // false (told) while a line has no rate
    QStringList untickedElements() const;
    bool readAvans(double *value);
    bool writeDocument(bool withPhone, double avans);
    long long customerId() const;

    TForm_Oferti *m_form;
    SqlListModel *m_list;
    QStyledItemDelegate *m_moneyDelegate = nullptr; // the money columns of the offer grid
    QList<QSqlRecord> m_stockRows;
};
