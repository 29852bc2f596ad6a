#include "repair/serial_lookup.h"

#include "common/dates.h"
#include "platform/db/database.h"

namespace SerialLookup {
namespace {
enum class Match { Exact, Folded };

// The exact text by the column's index, or the code in any case.
Db::Condition compare(const QString &column, Match m, const QString &serial)
{
    return m == Match::Exact ? Db::Condition{column + QStringLiteral(" = ?"), {serial}}
                             : Db::codeInAnyCase(column, serial);
}

// Tries the exact text, then (unless `exactOnly`) the upper-cased comparison.
template <class Run>
bool exactThenFolded(bool exactOnly, Run run)
{
    if (run(Match::Exact))
        return true;
    return !exactOnly && run(Match::Folded);
}

bool card(const QString &serial, Match m, Result *r)
{
    // Inner joins: a card is shown with its supplier and its kind.
    const Db::Condition where = compare(QStringLiteral("S.Serial_ID"), m, serial);
    const auto row = Db::firstRow(
        QStringLiteral("SELECT G.ID, G.ID_Dok, G.Data, G.Zabel, S.Data, F.ID, F.Ime_Firma, R.Opisanie, S.Model, "
                       "S.Partida FROM Serials S JOIN Garancia_dostavtchik G ON G.ID = S.ID_Karta "
                       "JOIN Firmi F ON F.ID = G.ID_Kontrag JOIN Rab_Dokumenti R ON R.ID = G.Vid_Dok WHERE ")
            + where.sql + QStringLiteral(" ORDER BY G.ID DESC"),
        where.params);
    if (!row)
        return false;
    Card &c = r->card;
    c.found = true;
    c.id = row->value(0).toLongLong();
    c.document = row->value(1).toString();
    c.date = row->value(2).toString();
    c.note = row->value(3).toString();
    c.validUntil = row->value(4).toString();
    c.supplier = row->value(5).toLongLong();
    c.supplierName = row->value(6).toString();
    c.kind = row->value(7).toString();
    // the model of the very piece the card covers
    r->piece.found = true;
    r->piece.model = row->value(8).toString();
    r->piece.batch = row->value(9).toString();
    return true;
}

bool sale(const QString &serial, Match m, Sale *s)
{
    const Db::Condition c = compare(QStringLiteral("P.Pored_Ot"), m, serial);
    const auto row = Db::firstRow(
        QStringLiteral("SELECT P.ID_Art, A.Opisanie, F.ID, F.Ime_Firma, P.Pored_Do, P.D_Prodajba FROM Prodajbi P "
                       "JOIN Produkti A ON A.ID = P.ID_Art LEFT JOIN Firmi F ON F.ID = P.ID_Klient WHERE ")
            + c.sql + QStringLiteral(" ORDER BY P.D_Prodajba DESC, P.T_Prodajba DESC, P.ID_Red DESC"),
        c.params);
    if (!row)
        return false;
    s->found = true;
    s->article = row->value(0).toLongLong();
    s->articleName = row->value(1).toString();
    s->hasClient = !row->value(2).isNull();
    s->client = row->value(2).toLongLong();
    s->clientName = row->value(3).toString();
    s->warranty = row->value(4).toString();
    s->date = row->value(5).toString();
    return true;
}

bool piece(const QString &serial, Match m, Piece *p)
{
    const Db::Condition c = compare(QStringLiteral("Serial_ID"), m, serial);
    const auto row = Db::firstRow(QStringLiteral("SELECT Model, Partida FROM Serials WHERE ") + c.sql
                                      + QStringLiteral(" ORDER BY ID_Karta DESC"),
                                  c.params);
    if (!row)
        return false;
    p->found = true;
    p->model = row->value(0).toString();
    p->batch = row->value(1).toString();
    return true;
}

// The whole serial number a part of it names; empty when none contains it.
QString resolvePart(const QString &part)
{
    const QString pattern = Db::likeContains(part);
    QVariant v = Db::scalar(QStringLiteral("SELECT Serial_ID FROM Serials WHERE UPPER(Serial_ID) LIKE UPPER(?) "
                                           "ESCAPE '\\' ORDER BY Serial_ID"),
                            {pattern});
    if (v.isNull())
        v = Db::scalar(QStringLiteral("SELECT Pored_Ot FROM Prodajbi WHERE UPPER(Pored_Ot) LIKE UPPER(?) "
                                      "ESCAPE '\\' ORDER BY Pored_Ot"),
                       {pattern});
    return v.toString();
}
} // namespace

std::optional<Result> find(const QString &typed, bool part)
{
    if (typed.trimmed().isEmpty())
        return std::nullopt;
    Result r;
    r.serial = part ? resolvePart(typed) : typed;
    if (r.serial.isEmpty())
        return r;
    exactThenFolded(part, [&](Match m) { return card(r.serial, m, &r); });
    exactThenFolded(part, [&](Match m) { return sale(r.serial, m, &r.sale); });
    if (!r.piece.found)
        exactThenFolded(part, [&](Match m) { return piece(r.serial, m, &r.piece); });
    return r;
}

QDate readDate(const QString &stored)
{
    const QDate iso = Dates::fromIso(stored.trimmed());
    return iso.isValid() ? iso : Dates::fromShort(stored.trimmed());
}
} // namespace SerialLookup
