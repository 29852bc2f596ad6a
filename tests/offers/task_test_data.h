#pragma once
#include "counterparties/counterparty_record.h"
#include "platform/db/database.h"

#include <QString>

// A counterparty for the task tests; the tax number is written directly, as
// no window writes it.
inline long long addTaskCounterparty(const QString &name, const QString &eik = QStringLiteral("0"),
                                     const QString &taxNumber = {})
{
    CounterpartyFields f;
    f.Ime_Firma = name;
    f.Ime_Klient = name;
    f.EIK = eik;
    const long long id = CounterpartyRecord::insertPair(f, 0).id;
    if (!taxNumber.isEmpty())
        Db::execute(QStringLiteral("UPDATE Firmi SET Danatchen_Nomer = ? WHERE ID = ?"), {taxNumber, id});
    return id;
}
