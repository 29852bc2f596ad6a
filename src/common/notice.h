#pragma once
#include <QString>

#include <functional>

// A message for the user from code that sits below the dialog layer. The
// dialog layer registers the handler; without one the text goes nowhere.
namespace Notice {
void setHandler(std::function<void(const QString &)> handler);
void tell(const QString &text);
}
