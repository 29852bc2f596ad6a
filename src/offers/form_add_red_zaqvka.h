#pragma once
#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class SqlListModel;
class OrderLinesModel;

// "Нова Поръчка": order lines gathered one by one (requester, supplier and
// article picked or typed freely) and appended to the order list together by
// "Запис". Made once by the order list's "Добави"; each showing starts with
// no lines.
class TForm_Add_Red_Zaqvka : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Add_Red_Zaqvka(QWidget *parent = nullptr);
    ~TForm_Add_Red_Zaqvka() override;

    QLabel *Label_Zaqvitel;      // "Заявител:", opens the counterparty picker (mode 7)
    QLabel *Label_Zaqvitel_Name;
    QCheckBox *ChkBox_Free_Zaqvitel;
    QLineEdit *Edit_Free_Zaqvitel;
    QLabel *Label_Dostav4ik;     // "Доставчик", the picker in mode 8
    QLabel *Label_Dostav4ik_Name;
    QCheckBox *ChkBox_Free_Dostav4ik;
    QLineEdit *Edit_Free_Dostav4ik;
    QLabel *Label_Artikul;       // "Артикул:", the catalogue in mode 7
    QLabel *Label_Artikul_Name;
    QCheckBox *ChkBox_Free_Artikul;
    QLineEdit *Edit_Free_Artikul;
    QDateEdit *DateTimePicker_Data;
    QLineEdit *Edit_Kol;
    QLineEdit *Edit_Dost_Cena;
    QComboBox *ComboBox_Valuta;
    QPushButton *Button_Add;    // "Добави" / "Приеми", the default button
    QPushButton *Button_Delete; // "Изтрии" / "Откажи"
    QPushButton *Button_Redakt; // "Редактирай"
    QTableView *DBGrid1;
    QPushButton *Button_Save;   // "Запис"
    QPushButton *Button_Cancel; // "Отказ"

    enum Mode { Adding = 0, Changing = 1 };
    int mode() const { return m_mode; }
    SqlListModel *lines() const;
    long long articleId() const { return m_article; } // of Label_Artikul_Name

    void FormShow();
    void Label_ZaqvitelClick();
    void Label_Dostav4ikClick();
    void Label_ArtikulClick();
    void ChkBox_FreeClick(QCheckBox *box);
    void Button_AddClick();
    void Button_DeleteClick();
    void Button_RedaktClick();
    void Button_SaveClick();
    void done(int result) override; // every close drops the work table

Q_SIGNALS:
    void saved(); // the lines are on the order list

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void setMode(int mode);
    void resetLine();    // the line controls back to nothing chosen
    void reloadLines();  // the grid, "Редактирай" and "Запис"
    void say(const QString &text);

    OrderLinesModel *m_lines;
    int m_mode = Adding;
    long long m_article = 0;  // the article Label_Artikul_Name names
    long long m_changing = 0; // ID of the line being changed
    // The changed line's numbers and their rounded texts: an untouched text
    // keeps the stored number.
    struct Kept {
        QString shown;
        double value = 0;
    } m_keptKol, m_keptPrice;
};

extern QPointer<TForm_Add_Red_Zaqvka> Form_Add_Red_Zaqvka;
