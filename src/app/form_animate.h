#pragma once
#include <QDialog>
#include <QPointer>

class QLabel;
class QMovie;
class QPushButton;
class QToolButton;

// "ВИДЕО ПОМОЩ": plays a help clip, with pause and frame stepping.
class TForm_Animate : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Animate(QWidget *parent = nullptr);

    QLabel *Animate1;
    QPushButton *BitBtn_Pause;  // "Стоп" / "Старт"; Esc presses it
    QToolButton *SpdBtn_Left;   // "Предишен"
    QToolButton *SpdBtn_Rigth;  // "Следващ"
    QPushButton *BitBtn_Cancel; // "Отказ"

    // Loads a clip; false when the file is missing or unreadable, and the
    // window then says so instead of playing.
    bool setClip(const QString &clipFile);
    QString clip() const { return m_clip; }
    QMovie *movie() const { return m_movie; }
    void startClip();

    void BitBtn_PauseClick();
    void SpdBtn_LeftClick();
    void SpdBtn_RigthClick();
    void BitBtn_CancelClick();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showFrame(int frame); // counted from 1
    QMovie *m_movie = nullptr;
    QString m_clip;
};

extern QPointer<TForm_Animate> Form_Animate;
// The frame the step buttons show, counted from 1; kept between showings.
extern int VideoFrameCounter;
