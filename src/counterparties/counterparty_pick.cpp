#include "counterparties/counterparty_pick.h"

#include "common/reference_text.h"

#include <QVariant>

#include <array>

namespace {
std::array<CounterpartyPick::Receiver, CounterpartyPick::ModeCount> &receivers()
{
    static std::array<CounterpartyPick::Receiver, CounterpartyPick::ModeCount> r;
    return r;
}

bool valid(int mode)
{
    return mode >= 0 && mode < CounterpartyPick::ModeCount;
}
} // namespace

long long CounterpartyPick::Picked::id() const
{
    return current.value(QStringLiteral("ID")).toLongLong();
}

QString CounterpartyPick::Picked::name() const
{
    return current.value(QStringLiteral("Ime_Firma")).toString();
}

QString CounterpartyPick::Picked::referenceText() const
{
    return CounterpartyPick::referenceText(current);
}

void CounterpartyPick::registerTarget(int mode, Receiver receiver)
{
    if (valid(mode))
        receivers()[size_t(mode)] = std::move(receiver);
}

void CounterpartyPick::unregisterTarget(int mode)
{
    registerTarget(mode, {});
}

bool CounterpartyPick::hasTarget(int mode)
{
    return valid(mode) && bool(receivers()[size_t(mode)]);
}

bool CounterpartyPick::deliver(int mode, const Picked &picked)
{
    if (!hasTarget(mode))
        return false;
    // A copy: the receiver may re-register its own mode.
    const Receiver receiver = receivers()[size_t(mode)];
    receiver(picked);
    return true;
}

QString CounterpartyPick::referenceText(const QSqlRecord &row)
{
    return ReferenceText::make(row.value(QStringLiteral("ID")).toLongLong(),
                               row.value(QStringLiteral("Ime_Firma")).toString());
}
