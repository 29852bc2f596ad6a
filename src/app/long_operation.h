#pragma once
#include <QString>

#include <functional>

// The main window's long-operation bar (Panel_Progress with Gauge1 and
// BitBtn_Sel_Cancel) for work that runs in steps on the GUI thread. The main
// window registers how the bar is shown; a click on its cancel button while
// such work runs acts on the stop request. Without a main window (tests)
// nothing is shown and the stop request works all the same.
namespace LongOperation {
struct Bar {
    std::function<void(long long maximum, const QString &hint)> show;
    std::function<void(long long value)> move;
    std::function<void()> hide;
    std::function<void(bool enabled)> enableCancel;
};
void setBar(Bar bar);

// What a press of a cancel button does: Toggle switches between "stop" and
// "go on"; Once asks for the stop, and a second press does not take it back.
enum class Cancel { Toggle, Once };

// Shows the bar running up to `maximum`; clears the stop request.
void begin(long long maximum, const QString &hint, Cancel cancel = Cancel::Toggle);
// Moves the gauge and lets pending events run (never call it inside a write
// transaction). False once a stop is requested.
bool step(long long value);
// Moves the gauge without letting events run.
void move(long long value);
void end();
bool running();
// Greys the cancel button (a part of the work that cannot stop half-way).
void setCancelEnabled(bool enabled);

// A press of a cancel button, by the run's Cancel mode.
void cancelPressed();
bool stopRequested();
// The program closes: the running work stops at its next step, quietly.
void stopForClose();
bool closing();
} // namespace LongOperation
