#include "fiscal_service/sv_bim.h"

#include "app/next_number.h"
#include "common/dates.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

namespace {
bool sealerExists(long long id)
{
    return id > 0 && Db::firstRow(QStringLiteral("SELECT ID FROM Firmi WHERE ID = ?"), {id}).has_value();
}
} // namespace

QString SvBim::listSql()
{
    return QStringLiteral("SELECT SV_BIM.*, Firmi.Ime_Firma AS Ime_Firma FROM SV_BIM JOIN Firmi "
                          "ON SV_BIM.ID_Plomb = Firmi.ID ORDER BY SV_BIM.ID");
}

QString SvBim::message(Result result)
{
    switch (result) {
    case Result::Saved: return {};
    case Result::NoSealer: return QStringLiteral("Необходимо е да се посочи Контрагент");
    case Result::NotFound: return QStringLiteral("Свидетелството не е намерено");
    case Result::InUse: return QStringLiteral("Свидетелството е посочено в регистрирани устройства и не може да бъде изтрито");
    }
    return {};
}

SvBim::Result SvBim::add(const Certificate &c, long long *id)
{
    WriteTransaction t;
    if (!sealerExists(c.sealer))
        return Result::NoSealer;
    const long long n = NextNumber::insert(QStringLiteral("SV_BIM"), QStringLiteral("ID"), [&](long long number) {
        Db::execute(QStringLiteral("INSERT INTO SV_BIM (ID, Model_Opis, SV_ID, SV_Data, ID_Plomb) VALUES (?, ?, ?, ?, ?)"),
                    {number, c.model, c.number, Dates::toIso(c.date), c.sealer});
    });
    t.commit();
    if (id)
        *id = n;
    return Result::Saved;
}

SvBim::Result SvBim::update(long long id, const Certificate &c)
{
    WriteTransaction t;
    if (!sealerExists(c.sealer))
        return Result::NoSealer;
    if (Db::execute(QStringLiteral("UPDATE SV_BIM SET Model_Opis = ?, SV_ID = ?, SV_Data = ?, ID_Plomb = ? WHERE ID = ?"),
                    {c.model, c.number, Dates::toIso(c.date), c.sealer, id})
        == 0)
        return Result::NotFound;
    t.commit();
    return Result::Saved;
}

SvBim::Result SvBim::remove(long long id)
{
    WriteTransaction t;
    if (!ColumnRegistry::referencedBy(QStringLiteral("SV_BIM"), QStringLiteral("ID"), id).isEmpty())
        return Result::InUse;
    if (Db::execute(QStringLiteral("DELETE FROM SV_BIM WHERE ID = ?"), {id}) == 0)
        return Result::NotFound;
    t.commit();
    return Result::Saved;
}
