#pragma once
#include <QString>

#include <functional>

// The main window's long-operation bar (Panel_Progress with Gauge1 and
// BitBtn_Sel_Cancel) for work that runs in steps on the GUI thread. The main
// window registers how the bar is shown; a click on its cancel button while
// such work runs toggles the stop request. Without a main window (tests)
// nothing is shown and stop() requests a stop all the same.
namespace LongOperation {
struct Bar {
    std::function<void(long long maximum, const QString &hint)> show;
    std::function<void(long long value)> move;
    std::function<void()> hide;
};
void setBar(Bar bar);

// Shows the bar running up to `maximum`; clears the stop request.
void begin(long long maximum, const QString &hint);
// Moves the gauge and lets pending events run (never call it inside a write
// transaction). False once a stop is requested.
bool step(long long value);
void end();
bool running();

// The cancel button: toggles between "stop" and "go on".
void toggleStop();
bool stopRequested();
} // namespace LongOperation
