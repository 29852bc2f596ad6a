#pragma once
#include <QPointer>
#include <QWidget>

class QLabel;
class QMovie;

// The search indicator: a small stay-on-top window in the lower right corner
// that plays the search clip while a long report query runs. It stays on the
// screen after the search until the user closes it.
class TForm_Animations : public QWidget
{
    Q_OBJECT
public:
    explicit TForm_Animations(QWidget *parent = nullptr);

    QLabel *Animate1;
    QMovie *movie() const { return m_movie; }

    bool play(const QString &clipFile); // loads the clip and starts it
    void stopNearEnd();                 // stops and rests on the clip's next-to-last frame

private:
    QMovie *m_movie = nullptr;
};

extern QPointer<TForm_Animations> Form_Animations;
