#pragma once
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "Ценови групи": a price-formula editor that stores nothing yet.
class TForm_Cenovi_Listi : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Cenovi_Listi(QWidget *parent = nullptr);
    QLineEdit *Edit5; // the formula
    QLineEdit *Edit1;
    QLineEdit *Edit3; // the trial result
    QLineEdit *Edit4;
    QComboBox *ComboBox1;
    QCheckBox *CheckBox1;
    QTableWidget *Grid;
    QPushButton *Button_Proba; // hidden
    QPushButton *Button_Zapis;
    QPushButton *Button_Otkaz;

    void Edit5KeyPress(QChar key);
    void Button_ProbaClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
