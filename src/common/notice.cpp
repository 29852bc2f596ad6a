#include "common/notice.h"

namespace Notice {
namespace {
std::function<void(const QString &)> &handler()
{
    static std::function<void(const QString &)> h;
    return h;
}
} // namespace

void setHandler(std::function<void(const QString &)> h)
{
    handler() = std::move(h);
}

void tell(const QString &text)
{
    if (handler())
        handler()(text);
}
} // namespace Notice
