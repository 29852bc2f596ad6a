#include "app/long_operation.h"

#include <QCoreApplication>

namespace {
LongOperation::Bar &bar()
{
    static LongOperation::Bar b;
    return b;
}
bool g_running = false;
bool g_stop = false;
bool g_closing = false;
LongOperation::Cancel g_cancel = LongOperation::Cancel::Toggle;
} // namespace

void LongOperation::setBar(Bar b)
{
    bar() = std::move(b);
}

void LongOperation::begin(long long maximum, const QString &hint, Cancel cancel)
{
    g_running = true;
    g_stop = false;
    g_closing = false;
    g_cancel = cancel;
    if (bar().show)
        bar().show(maximum, hint);
    setCancelEnabled(true);
}

void LongOperation::move(long long value)
{
    if (bar().move)
        bar().move(value);
}

bool LongOperation::step(long long value)
{
    move(value);
    QCoreApplication::processEvents();
    return !g_stop;
}

void LongOperation::end()
{
    g_running = false;
    g_stop = false;
    g_cancel = Cancel::Toggle;
    setCancelEnabled(true);
    if (bar().hide)
        bar().hide();
}

bool LongOperation::running()
{
    return g_running;
}

void LongOperation::setCancelEnabled(bool enabled)
{
    if (bar().enableCancel)
        bar().enableCancel(enabled);
}

void LongOperation::cancelPressed()
{
    if (!g_running)
        return;
    g_stop = g_cancel == Cancel::Once ? true : !g_stop;
}

bool LongOperation::stopRequested()
{
    return g_stop;
}

void LongOperation::stopForClose()
{
    g_closing = true;
    if (g_running)
        g_stop = true;
}

bool LongOperation::closing()
{
    return g_closing;
}
