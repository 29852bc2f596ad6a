#pragma once
#include <QPlainTextEdit>
#include <QPointer>

// The statistics memo of the imports: one read-only, flat memo laid over the
// main window and reused by every import; Esc hides it.
class StatisticsMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    // The one memo, created the first time as a child of `owner`.
    static StatisticsMemo *instance(QWidget *owner);
    // Empties the memo and makes it visible (the start of an import).
    void start();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    explicit StatisticsMemo(QWidget *owner);
    void fMemoKeyPress(QKeyEvent *event);
};

// Centres the memo on the screen, shows it and gives it the focus.
void SHOW_STATISTIC(StatisticsMemo *memo);
