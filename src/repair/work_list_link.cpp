#include "repair/work_list_link.h"

#include <utility>

namespace {
WorkListLink::Opener &opener()
{
    static WorkListLink::Opener o;
    return o;
}
std::function<void()> &refill()
{
    static std::function<void()> r;
    return r;
}
} // namespace

namespace WorkListLink {
void setOpener(Opener o)
{
    opener() = std::move(o);
}
bool available()
{
    return bool(opener());
}
void open(QWidget *parent)
{
    if (opener())
        opener()(parent);
}
void setStatesRefill(std::function<void()> r)
{
    refill() = std::move(r);
}
bool refillStates()
{
    if (!refill())
        return false;
    refill()();
    return true;
}
} // namespace WorkListLink
