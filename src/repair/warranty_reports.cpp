#include "repair/warranty_reports.h"

#include "documents/report_filter.h"
#include "platform/db/database.h"

namespace WarrantyReports {
namespace {
void dates(ReportFilter &r, const DateFilter &d, const QString &column)
{
    r.compareDates(d.on, column, d.comparison, d.from, d.to);
}

void text(ReportFilter &r, const TextFilter &t, const QString &column)
{
    if (t.part)
        r.add(t.on, QStringLiteral("UPPER(%1) LIKE UPPER(?) ESCAPE '\\'").arg(column), {Db::likeContains(t.text)});
    else
        r.add(t.on, QStringLiteral("UPPER(%1) = UPPER(?)").arg(column), {t.text});
}

Query finish(const ReportFilter &r, const QString &select, const QString &order)
{
    Query q;
    if (!r.ok()) {
        q.error = r.error();
        return q;
    }
    q.sql = select + (r.isEmpty() ? QString() : QStringLiteral(" WHERE ") + r.sql()) + order;
    q.values = r.values();
    return q;
}
} // namespace

Query cards(const CardFilter &f)
{
    ReportFilter r;
    r.equal(f.supplier, QStringLiteral("Garancia_dostavtchik.ID_Kontrag"), f.supplierId);
    r.equal(f.kind, QStringLiteral("Garancia_dostavtchik.Vid_Dok"), f.kindId);
    r.equal(f.document, QStringLiteral("Garancia_dostavtchik.ID_Dok"), f.documentNumber);
    dates(r, f.cardDate, QStringLiteral("Garancia_dostavtchik.Data"));
    r.equal(f.article, QStringLiteral("Serials.ID"), f.articleId);
    // A serial is looked up as typed first, as at reception.
    if (f.serial.on && !f.serial.part &&
        Db::firstRow(QStringLiteral("SELECT ID_Karta FROM Serials WHERE Serial_ID = ?"), {f.serial.text}))
        r.equal(true, QStringLiteral("Serials.Serial_ID"), f.serial.text);
    else
        text(r, f.serial, QStringLiteral("Serials.Serial_ID"));
    text(r, f.model, QStringLiteral("Serials.Model"));
    text(r, f.batch, QStringLiteral("Serials.Partida"));
    dates(r, f.validUntil, QStringLiteral("Serials.Data"));
    const bool pieces = f.article || f.serial.on || f.model.on || f.batch.on || f.validUntil.on;
    QString select = QStringLiteral(
        "SELECT Garancia_dostavtchik.ID, Garancia_dostavtchik.ID_Dok, Garancia_dostavtchik.Data, "
        "Firmi.Ime_Firma AS Dost_Name, Rab_Dokumenti.Opisanie AS Dok_Name, Garancia_dostavtchik.Zabel, "
        "Garancia_dostavtchik.ID_Kontrag, Garancia_dostavtchik.Vid_Dok");
    if (pieces)
        select += QStringLiteral(", Serials.Serial_ID");
    select += QStringLiteral(" FROM Garancia_dostavtchik"
                             " JOIN Firmi ON Firmi.ID = Garancia_dostavtchik.ID_Kontrag"
                             " JOIN Rab_Dokumenti ON Rab_Dokumenti.ID = Garancia_dostavtchik.Vid_Dok");
    if (pieces)
        select += QStringLiteral(" JOIN Serials ON Serials.ID_Karta = Garancia_dostavtchik.ID");
    return finish(r, select,
                  pieces ? QStringLiteral(" ORDER BY Garancia_dostavtchik.ID, Serials.Serial_ID")
                         : QStringLiteral(" ORDER BY Garancia_dostavtchik.ID"));
}

Query cardPieces(long long card)
{
    Query q;
    q.sql = QStringLiteral("SELECT Serials.ID, Produkti.Opisanie AS Art_Name, Serials.Model, Serials.Partida, "
                           "Serials.Serial_ID, Serials.Data, Serials.ID_Karta FROM Serials "
                           "JOIN Produkti ON Produkti.ID = Serials.ID WHERE Serials.ID_Karta = ?");
    q.values = {card};
    return q;
}

Query issuedRepairs(const IssuedFilter &f)
{
    ReportFilter r;
    r.equal(f.counterparty, QStringLiteral("R_Priem.ID_Kontrag"), f.counterpartyId);
    r.add(f.reason, QStringLiteral("UPPER(R_Priem.Pri4ina) LIKE UPPER(?) ESCAPE '\\'"),
          {Db::likeContains(f.reasonText)});
    r.equal(f.op, QStringLiteral("R_Priem.Operator"), f.operatorName);
    r.equal(f.supplier, QStringLiteral("R_Priem.ID_Dostav4ik"), f.supplierId);
    r.equal(f.document, QStringLiteral("R_Priem.Gar_Dok_N"), f.documentNumber);
    dates(r, f.documentDate, QStringLiteral("R_Priem.Data_Gar_Dok"));
    for (auto [filter, column] : {std::pair{&f.model, "R_Priem.Model"}, {&f.batch, "R_Priem.Partida"},
                                  {&f.serial, "R_Priem.S_N"}}) {
        TextFilter part = *filter;
        part.part = true;
        text(r, part, QString::fromLatin1(column));
    }
    dates(r, f.issued, QStringLiteral("R_Priem.Data_Izd"));
    const QString from = QStringLiteral(" FROM R_Priem"
                                        " LEFT JOIN Firmi Kontrags ON Kontrags.ID = R_Priem.ID_Kontrag"
                                        " LEFT JOIN Firmi Dostav ON Dostav.ID = R_Priem.ID_Dostav4ik");
    const QString select = QStringLiteral("SELECT R_Priem.N_Priem, R_Priem.Opisanie, R_Priem.S_N, R_Priem.Model, "
                                          "R_Priem.Partida, R_Priem.Pri4ina, Kontrags.Ime_Firma AS Ime_Kontrag, "
                                          "Dostav.Ime_Firma AS Ime_Dostav4ik, R_Priem.Gar_Dok_N, R_Priem.Data_Gar_Dok, "
                                          "R_Priem.Data_Priem, R_Priem.Data_Izd, R_Priem.Time_Izd, R_Priem.Operator, "
                                          "R_Priem.ID_Kontrag, R_Priem.ID_Dostav4ik");
    Query q = finish(r, select + from, QStringLiteral(" ORDER BY R_Priem.N_Priem"));
    if (!q.ok())
        return q;
    q.list.select = select;
    q.list.from = from;
    q.list.where = r.sql();
    q.list.params = q.values;
    q.list.order = {{QStringLiteral("R_Priem.N_Priem"), QStringLiteral("N_Priem")}};
    const QString where = r.isEmpty() ? QString() : QStringLiteral(" WHERE ") + r.sql();
    q.countSql = QStringLiteral("SELECT (SELECT COUNT(*)") + from + where +
                 QStringLiteral("), (SELECT SUM(R_Remont.Kol * R_Remont.ED_Cena * Valuti.Kurs) FROM R_Remont"
                                " JOIN Valuti ON Valuti.Opisanie = R_Remont.Valuta"
                                " WHERE R_Remont.N_Priem IN (SELECT R_Priem.N_Priem") +
                 from + where + QStringLiteral("))");
    // The conditions appear twice in the counts.
    q.values += q.values;
    return q;
}

Query repairLines(long long intake)
{
    Query q;
    // Grouped by the line's own key too: two identical lines stay two rows.
    q.sql = QStringLiteral(
        "SELECT R_Remont.Remont, R_Remont.Kol, R_Remont.ED_Cena, R_Remont.Valuta, "
        "SUM(R_Remont.Kol * R_Remont.ED_Cena * Valuti.Kurs) AS Suma, R_Remont.Garan_Remont, R_Remont.SN, "
        "R_Remont.Zamqna, R_Remont.Oper_Remont, R_Remont.N_Priem, Valuti.Kurs "
        "FROM R_Remont JOIN Valuti ON Valuti.Opisanie = R_Remont.Valuta WHERE R_Remont.N_Priem = ? "
        "GROUP BY R_Remont.ID, R_Remont.N_Priem, R_Remont.Remont, R_Remont.Kol, R_Remont.ED_Cena, "
        "R_Remont.Valuta, R_Remont.Garan_Remont, R_Remont.SN, R_Remont.Zamqna, R_Remont.Oper_Remont, Valuti.Kurs "
        "ORDER BY R_Remont.ID");
    q.values = {intake};
    return q;
}
} // namespace WarrantyReports
