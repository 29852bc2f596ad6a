#pragma once
#include <functional>

class QWidget;

// What the service tab and the states window need of the repair work list,
// which registers itself here once it exists. Until then "СЕРВИЗ" stays off
// and the states window refills nothing.
namespace WorkListLink {
using Opener = std::function<void(QWidget *parent)>;
void setOpener(Opener opener);
bool available();
void open(QWidget *parent);

// The work list's state combo refilled from the table; set while the work
// list window exists.
void setStatesRefill(std::function<void()> refill);
bool refillStates(); // false when there is no work list
} // namespace WorkListLink
