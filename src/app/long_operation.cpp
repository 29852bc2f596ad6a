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
} // namespace

void LongOperation::setBar(Bar b)
{
    bar() = std::move(b);
}

void LongOperation::begin(long long maximum, const QString &hint)
{
    g_running = true;
    g_stop = false;
    if (bar().show)
        bar().show(maximum, hint);
}

bool LongOperation::step(long long value)
{
    if (bar().move)
        bar().move(value);
    QCoreApplication::processEvents();
    return !g_stop;
}

void LongOperation::end()
{
    g_running = false;
    g_stop = false;
    if (bar().hide)
        bar().hide();
}

bool LongOperation::running()
{
    return g_running;
}

void LongOperation::toggleStop()
{
    g_stop = !g_stop;
}

bool LongOperation::stopRequested()
{
    return g_stop;
}
