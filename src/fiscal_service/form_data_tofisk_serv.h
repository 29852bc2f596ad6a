#pragma once
#include <QDialog>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// "Демонтаж ФП": the amounts of the four VAT groups and the period of a
// dismantled fiscal device, with their total and the total in words.
class TForm_Data_ToFisk_Serv : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Data_ToFisk_Serv(QWidget *parent = nullptr);

    QLineEdit *Edit_DDS_A, *Edit_DDS_B, *Edit_DDS_V, *Edit_DDS_G;
    QLineEdit *Edit_DDS_SUM;
    QLabel *Label5;
    QDateEdit *DateTimePicker_Ot, *DateTimePicker_Do;
    QPushButton *BitBtn1, *BitBtn2;

    void FormShow();
    // Recomputes the total from the four entries; an entry that holds no
    // amount becomes "0.0000". Returns the total text.
    QString CALCULATE_STAVKA_DDS_SUM();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QLineEdit *> amounts() const;
    bool m_calculating = false;
};
