#pragma once
#include <functional>

// "The operator logs in again": every such place calls request(). The main
// window installs the handler; the handler itself guards against a second
// login dialog while one is open.
namespace LoginRequest {
void setHandler(std::function<void()> handler);
void request();
} // namespace LoginRequest
