#pragma once
#include <QDialog>
#include <QPointer>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QButtonGroup;
class QGroupBox;
class QTableView;
class SqlListModel;

// "Пройзводство": the named variants of a base article's composition. Its
// mode is PromptMode when it is shown: 0 editing recipes (from the menu),
// 1 selling a variant from the desk, which has loaded the article's recipes
// into the work table. Made once (recipeWindow()) and shown modally.
class TForm_Projzvodstvo : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Projzvodstvo(QWidget *parent = nullptr);
    ~TForm_Projzvodstvo() override;

    QGroupBox *RadioGroup1;
    QButtonGroup *RadioGroup1Buttons; // ids 0..2: Vid_R
    QLabel *Label_Sel_Osn_Art;
    QLabel *Label_Osn_Art;
    QLineEdit *Edit_Kol_Art;
    QComboBox *ComboBox_Name;
    QLabel *Label_Oper_ID;
    QWidget *Panel_Elements;
    QPushButton *Button_Add;
    QPushButton *Button_Delete;
    QPushButton *Button_Edit;
    QPushButton *BitBtn_Save;
    QPushButton *BitBtn_Cancel;
    QPushButton *Button_Priem;
    QPushButton *BitBtn_OnRedaktion;
    QLineEdit *Edit_Osnova;
    QLineEdit *Edit_DDS;
    QLineEdit *Edit_SUM;
    QTableView *DBGrid2;

    // A line of the sale made from one element of the chosen variant.
    struct SaleLine {
        long long article = 0;
        QString Opisanie, Mqrka, Valuta;
        double quantity = 0;
        QString serial, warranty; // Pored_Ot, Pored_Do
        int Dan_Grup = 0;
        long long Prigotvq_Se = 0;
    };
    // The desk registers how "ПРИЕМИ" puts the lines into the open sale, all
    // or none; it returns an empty text, or the message of a failure.
    using SaleWriter = std::function<QString(const QString &baseQuantity, const QList<SaleLine> &lines)>;
    static void setSaleWriter(SaleWriter writer);

    void FormShow();
    void RadioGroup1Click();
    void Label_Sel_Osn_ArtClick();
    void Button_AddClick();
    void ComboBox_NameChange();
    void Button_EditClick();
    void Button_DeleteClick();
    void BitBtn_OnRedaktionClick();
    void BitBtn_SaveClick();
    void Button_PriemClick();
    void BitBtn_CancelClick();
    void FormClose();

    // Sell mode for the desk's article: its recipes in the work table, the
    // names offered and the first one shown. PromptMode becomes 1.
    void loadForSale(long long article, const QString &referenceText); // throws DbError
    // The picks of modes 12 (base article) and 13 (elements).
    void takeBaseArticle(long long id, const QString &referenceText);
    void loadNames(long long article);

    int editingState() const; // the tag of "РЕДАКЦИЯ": 0 new, 1 stored
    int kind() const;         // -1 none selected
    void setKind(int kind);
    SqlListModel *elements() const { return m_elements; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setEditingState(int state);
    long long currentElement() const;
    QString variantName() const;
    void resetValues();

    SqlListModel *m_elements;
    int m_mode = 0;
    long long m_recipeEditArticle = 0; // RecipeEditArticle
};

extern QPointer<TForm_Projzvodstvo> Form_Projzvodstvo;
// The one recipe window of the run, made on first use.
TForm_Projzvodstvo *recipeWindow();
