#pragma once
#include <QDialog>
#include <QList>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Укажи общи данни за артикули": gives the ticked fields one common value
// in every article handed over (the catalogue's marked rows, in grid order).
// Made once and kept; every opening starts with nothing ticked.
class TForm_Ob6ti_Danni_artikuli : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Ob6ti_Danni_artikuli(QWidget *parent = nullptr);

    QCheckBox *ChkBox_Dan_Grup;
    QComboBox *ComboBox_Dan_Grup;
    QCheckBox *ChkBox_Prigotvq_Se;
    QComboBox *ComboBox_Prigotvq_Se;
    QCheckBox *ChkBox_Trajnost;
    QComboBox *ComboBox_Trajnost;
    QSpinBox *SpinEdit_Trajnost_Value;
    QCheckBox *ChkBox_Valuta;
    QComboBox *ComBox_Valuta;
    QCheckBox *ChkBox_Mqrka;
    QComboBox *ComBox_Mqrka;
    QCheckBox *ChkBox_Min_Kol;
    QSpinBox *SpinEdit_Min_Kol;
    QCheckBox *ChkBox_Max_TO;
    QLineEdit *Edit_Max_TO;
    QCheckBox *ChkBox_Garancionen;
    QComboBox *ComboBox_Garancionen;
    QCheckBox *ChkBox_Poredica;
    QComboBox *ComboBox_Poredica;
    QCheckBox *ChkBox_Otstapka; // hidden, writes nothing
    QLineEdit *Edit_Otstapka;   // hidden, writes nothing
    QPushButton *BitBtn1;       // "ЗАПИС"
    QPushButton *BitBtn2;       // "ОТКАЖИ"

    // Every opening: the articles to write, nothing ticked.
    void FormShow(const QList<long long> &articles);
    bool wrote() const { return m_wrote; }

    void ChkBox_Click(QCheckBox *box); // a tick enables its control and fills its list
    void BitBtn1Click();

    // The catalogue's "Укажи общи данни ...": true when the articles were written.
    static bool open(const QList<long long> &articles, QWidget *parent);

private:
    QList<long long> m_articles;
    bool m_wrote = false;
};

extern QPointer<TForm_Ob6ti_Danni_artikuli> Form_Ob6ti_Danni_artikuli;
