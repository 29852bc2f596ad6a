#include "app/statistics_memo.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace {
QPointer<StatisticsMemo> &theMemo()
{
    static QPointer<StatisticsMemo> memo;
    return memo;
}
} // namespace

StatisticsMemo::StatisticsMemo(QWidget *owner)
    : QPlainTextEdit(owner)
{
    setObjectName(QStringLiteral("fMemo"));
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    resize(500, 270);
}

StatisticsMemo *StatisticsMemo::instance(QWidget *owner)
{
    QPointer<StatisticsMemo> &memo = theMemo();
    if (!memo)
        memo = new StatisticsMemo(owner);
    return memo;
}

void StatisticsMemo::start()
{
    clear();
    show();
    raise();
}

void StatisticsMemo::keyPressEvent(QKeyEvent *event)
{
    fMemoKeyPress(event);
}

void StatisticsMemo::fMemoKeyPress(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void SHOW_STATISTIC(StatisticsMemo *memo)
{
    if (!memo)
        return;
    const QScreen *screen = memo->screen() ? memo->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        const QPoint topLeft(area.left() + qRound((area.width() - memo->width()) / 2.0),
                             area.top() + qRound((area.height() - memo->height()) / 2.0));
        QWidget *parent = memo->parentWidget();
        memo->move(parent ? parent->mapFromGlobal(topLeft) : topLeft);
    }
    memo->show();
    memo->raise();
    memo->setFocus();
}
