#pragma once
#include <QDate>
#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class SqlListModel;

// "Гаранционни продукти": one supplier warranty card at a time, its pieces
// collected in a work table until "Запис". Made anew at each opening (which
// empties the work table and shows the next card number); shown modally.
class TForm_Garanc_Produkti : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Garanc_Produkti(QWidget *parent = nullptr);
    ~TForm_Garanc_Produkti() override;

    static constexpr int CounterpartyMode = 2;
    static constexpr int ArticleMode = 3;
    static QString noCounterpartyText(); // "0:Няма избран контрагент"
    static QString noArticleText();      // "0:Няма избран артикул"

    QLabel *Label_ID_Karta;
    QComboBox *ComboBox_Vid_Dok; // "ID:Opisanie" of the document kinds
    QLineEdit *Edit_Garanc_Nomer;
    QDateEdit *DateTimePicker_Garanc_Data;
    QLineEdit *Edit_Zabel;
    QLabel *Label1; // "Контрагент:", opens the counterparty picker
    QLabel *Label_Kontragent;
    QLabel *Label2; // "Артикул:", opens the catalogue
    QLabel *Label_Artikul;
    QLineEdit *Edit_Sel_Art;
    QLineEdit *Edit_Opisanie;
    QLineEdit *Edit_Model;
    QLineEdit *Edit_Partida;
    QLineEdit *Edit_SN;
    QComboBox *ComboBox1; // "до дата", "в дни", "в месеци"
    QDateEdit *DateTimePicker_Art_Data;
    QSpinBox *SpinEdit_Srok;
    QLabel *Label_Art_date; // the valid-until date that is stored
    QTableView *DBGrid1;
    QPushButton *BitBtn_Dobavi;
    QPushButton *BitBtn_Delete;
    QPushButton *Button_Insert;
    QPushButton *Button3;

    long long cardNumber() const { return m_card; }
    SqlListModel *pieces() const { return m_pieces; }

    // What the delivery's "Серийни номера" hands over.
    void prefill(const QString &kind, const QString &documentNumber, const QDate &date, const QString &supplier,
                 long long article);
    // The import: header fields of the file (the pieces are in the work table).
    void takeImported(const QString &documentNumber, const QString &note, const QDate &date);

    void Label1Click();
    void Label2Click();
    void Edit_Sel_ArtKeyPress(); // Enter
    void ComboBox1Change();
    void SpinEdit_SrokChange();
    void DateTimePicker_Art_DataChange();
    void BitBtn_DobaviClick();
    void BitBtn_DeleteClick();
    void Button_InsertClick();
    void reload(); // the grid, from the work table

    void reject() override; // closing with pieces listed asks first

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void recompute();
    void readyForNextCard();

    long long m_card = 0;
    bool m_workTable = false;
    SqlListModel *m_pieces;
};
