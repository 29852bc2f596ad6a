#include "counterparties/counterparty_pick.h"

#include "app/pick_targets.h"
#include "common/reference_text.h"

#include <QVariant>


namespace {
PickTargets<CounterpartyPick::Picked> &targets()
{
    static PickTargets<CounterpartyPick::Picked> t(CounterpartyPick::ModeCount);
    return t;
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
    targets().registerTarget(mode, std::move(receiver));
}

void CounterpartyPick::unregisterTarget(int mode)
{
    registerTarget(mode, {});
}

bool CounterpartyPick::hasTarget(int mode)
{
    return targets().hasTarget(mode);
}

bool CounterpartyPick::deliver(int mode, const Picked &picked)
{
    return targets().deliver(mode, picked);
}

QString CounterpartyPick::referenceText(const QSqlRecord &row)
{
    return ReferenceText::make(row.value(QStringLiteral("ID")).toLongLong(),
                               row.value(QStringLiteral("Ime_Firma")).toString());
}
