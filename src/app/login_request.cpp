#include "app/login_request.h"

namespace {
std::function<void()> &handler()
{
    static std::function<void()> h;
    return h;
}
} // namespace

void LoginRequest::setHandler(std::function<void()> h)
{
    handler() = std::move(h);
}

void LoginRequest::request()
{
    if (handler())
        handler()();
}
