#pragma once
#include <QGroupBox>

class QLabel;
class QPushButton;
class QSpinBox;

// "КАСА": today's turnover, the money in the drawer counted by denomination
// and the difference, with the cash report. Shown while SpdBtn_Kasa is down.
class CashCalculator : public QGroupBox
{
    Q_OBJECT
public:
    explicit CashCalculator(QWidget *parent = nullptr);

    QSpinBox *SpEdit[13]; // SpEdit_1st ... SpEdit_100lv
    QLabel *Label_Oborot;
    QLabel *Label_Nali4no;
    QLabel *Label_Razlika;
    QPushButton *SpdBtn_Iz4isli;
    QPushButton *SpeedButton1;

    void SpdBtn_KasaClick(bool down);
    void SpdBtn_Iz4isliClick();
    void SpeedButton1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override; // Enter in a count recomputes
};
