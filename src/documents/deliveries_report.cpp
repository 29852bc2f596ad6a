#include "documents/deliveries_report.h"

#include "documents/report_filter.h"
#include "platform/db/database.h"

namespace DeliveriesReport {
namespace {
struct Column {
    const char *field;
    const char *expression;
    const char *title;
};
const Column kDeliveries[] = {
    {"ID", "Dostavki.ID", "Номер"},
    {"Ime_Firma", "Firmi.Ime_Firma", "Доставчик"},
    {"Nomer_Dokument", "Dostavki.Nomer_Dokument", "Номер документ"},
    {"Dok_Name", "Rab_Dokumenti.Opisanie", "Вид документ"},
    {"Data_Dokument", "Dostavki.Data_Dokument", "Дата документ"},
    {"Data_Dostavka", "Dostavki.Data_Dostavka", "Дата въвеждане"},
    {"Opis_Sklad", "Sklad.Opis_Sklad", "Склад"},
    {"Vid_Dokument", "Dostavki.Vid_Dokument", nullptr},
    {"Pay_Cach", "Dostavki.Pay_Cach", nullptr},
    {"Pay_Bank", "Dostavki.Pay_Bank", nullptr},
    {"Pay_Not", "Dostavki.Pay_Not", nullptr},
};

const Column kLines[] = {
    {"Nomer_Produkt", "Dostavka_art.Nomer_Produkt", "Артикул N:"},
    {"Opisanie", "Produkti.Opisanie", "Описание"},
    {"Kolitchestvo", "Dostavka_art.Kolitchestvo", "Кол."},
    {"Mqrka", "Dostavka_art.Mqrka", "Мярка"},
    {"Dostavna_Cena", "Dostavka_art.Dostavna_Cena", "Дост.цена"},
    {"Valuta_D", "Dostavka_art.Valuta_D", "Валута"},
    {"Sum_Dost_Cena", "Dostavka_art.Kolitchestvo*Dostavka_art.Dostavna_Cena*VD.Kurs", "Общо в лв"},
    {"Prodajna_Cena", "Dostavka_art.Prodajna_Cena", "Прод.цена"},
    {"Valuta_P", "Dostavka_art.Valuta_P", "Валута"},
    {"Sum_Prod_Cena", "Dostavka_art.Kolitchestvo*Dostavka_art.Prodajna_Cena*VP.Kurs", "Общо в лв"},
    // the rest of the line and of the article, by name only
    {"ID_Dostavka", "Dostavka_art.ID_Dostavka", nullptr},
    {"ID", "Produkti.ID", nullptr},
    {"Nomenkl_N", "Produkti.Nomenkl_N", nullptr},
    {"Nomer_Grupa", "Produkti.Nomer_Grupa", nullptr},
    {"Produkti_Dostavna_Cena", "Produkti.Dostavna_Cena", nullptr},
    {"Produkti_Valuta_D", "Produkti.Valuta_D", nullptr},
    {"Ed_Cena", "Produkti.Ed_Cena", nullptr},
    {"Produkti_Valuta_P", "Produkti.Valuta_P", nullptr},
    {"Produkti_Mqrka", "Produkti.Mqrka", nullptr},
    {"Garancionen", "Produkti.Garancionen", nullptr},
    {"Kasovo_Ime", "Produkti.Kasovo_Ime", nullptr},
    {"Etiketno_Ime", "Produkti.Etiketno_Ime", nullptr},
    {"Dostav4ik", "Produkti.Dostav4ik", nullptr},
    {"Poredica", "Produkti.Poredica", nullptr},
    {"Min_Kol", "Produkti.Min_Kol", nullptr},
    {"Max_TO", "Produkti.Max_TO", nullptr},
    {"Trajnost", "Produkti.Trajnost", nullptr},
    {"Kod_Vezna", "Produkti.Kod_Vezna", nullptr},
    {"Dan_Grup", "Produkti.Dan_Grup", nullptr},
    {"Prigotvq_Se", "Produkti.Prigotvq_Se", nullptr},
};

template <size_t N>
QString selectList(const Column (&columns)[N])
{
    QStringList out;
    for (const Column &c : columns)
        out.append(QString::fromLatin1(c.expression) + QStringLiteral(" AS ") + QString::fromLatin1(c.field));
    return out.join(QStringLiteral(", "));
}

template <size_t N>
QStringList shown(const Column (&columns)[N])
{
    QStringList out;
    for (const Column &c : columns)
        if (c.title)
            out.append(QString::fromLatin1(c.field));
    return out;
}

template <size_t N>
const char *titleOf(const Column (&columns)[N], const QString &field)
{
    for (const Column &c : columns)
        if (field == QLatin1String(c.field))
            return c.title;
    return nullptr;
}
} // namespace

QStringList deliveryFields()
{
    return shown(kDeliveries);
}

const char *deliveryTitle(const QString &field)
{
    if (const char *title = titleOf(kDeliveries, field))
        return title;
    return articleFilterFields().contains(field) ? titleOf(kLines, field) : nullptr;
}

QStringList articleFilterFields()
{
    return {QStringLiteral("Opisanie"), QStringLiteral("Nomer_Produkt")};
}

QStringList lineFields()
{
    return shown(kLines);
}

const char *lineTitle(const QString &field)
{
    return titleOf(kLines, field);
}

Query deliveries(const Filter &f)
{
    Query q;
    ReportFilter r;
    r.equal(f.counterparty, QStringLiteral("Dostavki.Nomer_Dostav4ik"), f.counterpartyId);
    r.equal(f.kind, QStringLiteral("Dostavki.Vid_Dokument"), f.kindId);
    r.add(f.number, QStringLiteral("UPPER(Dostavki.Nomer_Dokument) LIKE UPPER(?) ESCAPE '\\'"),
          {Db::likeContains(f.numberText)});
    r.compareDates(f.documentDate, QStringLiteral("Dostavki.Data_Dokument"), f.documentComparison, f.documentFrom,
                   f.documentTo);
    r.compareDates(f.entryDate, QStringLiteral("Dostavki.Data_Dostavka"), f.entryComparison, f.entryFrom, f.entryTo);
    QString columns = selectList(kDeliveries);
    // The supplier, document kind and warehouse of a delivery are kept while it names them.
    QString tables = QStringLiteral(" FROM Dostavki JOIN Firmi ON Firmi.ID = Dostavki.Nomer_Dostav4ik"
                                    " JOIN Rab_Dokumenti ON Rab_Dokumenti.ID = Dostavki.Vid_Dokument"
                                    " JOIN Sklad ON Sklad.ID_Sklad = Dostavki.ID_Sklad");
    QString order = QStringLiteral(" ORDER BY Dostavki.ID");
    if (f.articles) {
        // A delivery shows once for each of its lines with a picked article.
        columns += QStringLiteral(", Produkti.Opisanie AS Opisanie, Dostavka_art.Nomer_Produkt AS Nomer_Produkt");
        tables += QStringLiteral(" JOIN Dostavka_art ON Dostavka_art.ID_Dostavka = Dostavki.ID"
                                 " JOIN Produkti ON Produkti.ID = Dostavka_art.Nomer_Produkt");
        r.in(true, QStringLiteral("Dostavka_art.Nomer_Produkt"), ReportFilter::ids(f.articleIds),
             QStringLiteral("Изберете артикул"));
        order += QStringLiteral(", Dostavka_art.Nomer_Produkt");
    }
    r.equal(f.warehouse, QStringLiteral("Dostavki.ID_Sklad"), f.warehouseId);
    if (!r.ok()) {
        q.error = r.error();
        return q;
    }
    q.sql = QStringLiteral("SELECT ") + columns + tables + QStringLiteral(" WHERE 1 = 1") + r.andSql()
            + QLatin1Char('\n') + order;
    q.values = r.values();
    return q;
}

Query lines(long long deliveryId)
{
    Query q;
    q.sql = QStringLiteral("SELECT ") + selectList(kLines)
            + QStringLiteral(" FROM Dostavka_art JOIN Produkti ON Produkti.ID = Dostavka_art.Nomer_Produkt"
                             " LEFT JOIN Valuti VD ON VD.Opisanie = Dostavka_art.Valuta_D"
                             " LEFT JOIN Valuti VP ON VP.Opisanie = Dostavka_art.Valuta_P"
                             " WHERE Dostavka_art.ID_Dostavka = ?\n ORDER BY Dostavka_art.Nomer_Produkt");
    q.values = {deliveryId};
    return q;
}

Amounts amounts(long long deliveryId)
{
    Amounts a;
    if (const auto row = Db::firstRow(QStringLiteral("SELECT Pay_Cach, Pay_Not, Pay_Bank FROM Dostavki WHERE ID = ?"),
                                      {deliveryId})) {
        a.cash = row->value(0).toDouble();
        a.unpaid = row->value(1).toDouble();
        a.bank = row->value(2).toDouble();
    }
    return a;
}
} // namespace DeliveriesReport
