#include "documents/issued_documents.h"

#include "app/record_ops.h"
#include "common/money.h"
#include "platform/db/database.h"

#include <QSqlRecord>

#include <stdexcept>

namespace IssuedDocuments {

namespace {
// A document is a group of its logged lines' values, listed in the order of
// the index on them; its kind's name and its counterparty's follow from them.
const char *const kDocumentsColumns =
    "SELECT MIN(Dokumenti.Opisanie) AS Opisanie, Printed_Dok.N_Dok, MIN(Firmi.Ime_Firma) AS Opisanie_K, "
    "Printed_Dok.Data, Printed_Dok.fTime, Printed_Dok.Operator, Printed_Dok.ID_Dok, Printed_Dok.ID_Kontrag, "
    "Printed_Dok.Ot_Kade_Prod";
const char *const kDocumentsFrom = " FROM Printed_Dok JOIN Dokumenti ON Dokumenti.ID_Dokument = Printed_Dok.ID_Dok "
                                   "LEFT JOIN Firmi ON Firmi.ID = Printed_Dok.ID_Kontrag";

// The line amounts in leva by the sale's currency; the net by the VAT percent bound twice.
const char *const kAmounts =
    "Prodajbi.Kol * Prodajbi.ED_Cena * Valuti.Kurs - (Prodajbi.Kol * Prodajbi.ED_Cena * Valuti.Kurs * "
    "COALESCE(Prodajbi.T_O, 0) / 100) AS Suma, "
    "((Prodajbi.ED_Cena * Valuti.Kurs) - (Prodajbi.ED_Cena * Valuti.Kurs * COALESCE(Prodajbi.T_O, 0) / 100)) "
    "/ (1 + ? / 100.0) AS Bez_DDS, "
    "Prodajbi.Kol * ((Prodajbi.ED_Cena * Valuti.Kurs) - (Prodajbi.ED_Cena * Valuti.Kurs * "
    "COALESCE(Prodajbi.T_O, 0) / 100)) / (1 + ? / 100.0) AS SUM_BezDDS, ";

const char *const kLineColumns =
    "Printed_Dok.ID_Prod, Printed_Dok.ID_Dok, Printed_Dok.ID_Kontrag, Printed_Dok.ID_Art AS Barkod, "
    "Printed_Dok.N_Dok AS \"Printed_Dok.N_Dok\", Printed_Dok.Data, Printed_Dok.Ot_Kade_Prod, Printed_Dok.fTime, "
    "Printed_Dok.Operator AS Operator, Produkti.Mqrka AS Mqrka, Prodajbi.Valuta AS Valuta, %1, "
    "Prodajbi.Kol, Prodajbi.ED_Cena AS Ed_Cena, Prodajbi.T_O, Prodajbi.Pored_Ot, Prodajbi.Pored_Do, "
    "Firmi.Ime_Firma, Firmi.Adres_Firma, Firmi.Grad AS \"Firmi.Grad\", Firmi.ID_Mol, Firmi.EIK, Firmi.Dan_N, "
    "Firmi.Telefon, Firmi.Banka_Ime, Firmi.Banka_Kod, Firmi.Banka_Smetka, "
    "Klienti.Ime_Klient, Klienti.Grad AS \"Klienti.Grad\", Klienti.Adres_Klient, Klienti.Telefon_Klient, "
    "Klienti.EGN, Valuti.Kurs ";

QString &serviceLines()
{
    static QString select;
    return select;
}

bool serviceRows(int origin)
{
    return origin == OriginService && !serviceLines().isEmpty();
}

// The columns of a line; a service line carries its own description.
QString lineColumns(int origin)
{
    return QString::fromLatin1(kLineColumns)
        .arg(serviceRows(origin) ? QStringLiteral("Prodajbi.Opisanie AS Opisanie") : QStringLiteral("Produkti.Opisanie"));
}

// The lines are sales, or the service's logged lines under the same names.
QString lineSource(int origin)
{
    return serviceRows(origin) ? QStringLiteral("(") + serviceLines() + QStringLiteral(") AS Prodajbi")
                               : QStringLiteral("Prodajbi");
}

const char *const kLineTables =
    "FROM Printed_Dok JOIN %1 ON Prodajbi.ID_Prodajba = Printed_Dok.ID_Prod "
    "LEFT JOIN Produkti ON Produkti.ID = Printed_Dok.ID_Art "
    "LEFT JOIN Valuti ON Valuti.Opisanie = Prodajbi.Valuta "
    "LEFT JOIN Firmi ON Firmi.ID = Printed_Dok.ID_Kontrag "
    "LEFT JOIN Klienti ON Klienti.ID = Firmi.ID_Mol ";

bool readLines(const Issued &document, const QString *newKind, Report::Data *data, QString *error)
{
    data->clear();
    double vat = 0;
    try {
        vat = GET_DDS(0).VatRate.toDouble();
    } catch (const std::invalid_argument &e) {
        if (error)
            *error = QString::fromStdString(e.what());
        return false;
    }
    QString sql = QStringLiteral("SELECT ") + QLatin1String(kAmounts);
    QVariantList values{vat, vat};
    if (newKind)
        sql += QStringLiteral("Dokumenti.ID_Dokument AS \"Dokumenti.ID_Dokument\", Dokumenti.Opisanie AS Opis_Dok, "
                              "Dokumenti.Opisanie AS \"Dokumenti.Opisanie\", Dokumenti.N_Dok AS \"Dokumenti.N_Dok\", ");
    else // the issued kind and its number, where a layout reads the document's own
        sql += QStringLiteral("Dokumenti.ID_Dokument AS \"Dokumenti.ID_Dokument\", "
                              "Dokumenti.Opisanie AS \"Dokumenti.Opisanie\", "
                              "Printed_Dok.N_Dok AS \"Dokumenti.N_Dok\", ");
    sql += lineColumns(document.origin) + QString::fromLatin1(kLineTables).arg(lineSource(document.origin));
    if (newKind) {
        sql += QStringLiteral("CROSS JOIN Dokumenti ");
    } else {
        sql += QStringLiteral("JOIN Dokumenti ON Dokumenti.ID_Dokument = Printed_Dok.ID_Dok ");
    }
    sql += QStringLiteral("WHERE Printed_Dok.ID_Dok = ? AND Printed_Dok.N_Dok = ? AND Printed_Dok.Ot_Kade_Prod = ?");
    values << document.documentId << document.number << document.origin;
    if (newKind) {
        sql += QStringLiteral(" AND Dokumenti.Opisanie = ?");
        values << *newKind;
    }
    // Without the service's lines a service document has none.
    if (!hasLines(document))
        sql += QStringLiteral(" AND 1 = 0");
    sql += QStringLiteral(" ORDER BY Printed_Dok.ID_Prod");
    QString why;
    if (!data->open(sql, values, &why)) {
        if (error)
            *error = QStringLiteral("Редовете на документа не могат да бъдат прочетени: ") + why;
        return false;
    }
    data->markRegistryColumns();
    data->markDateColumn(data->columnNamed(QStringLiteral("Data")));
    data->markTimeColumn(data->columnNamed(QStringLiteral("fTime")));
    data->setMoneyFormat(true);
    return true;
}
} // namespace

Query documents(const Filter &f)
{
    ReportFilter filter;
    filter.equal(f.kind, QStringLiteral("Printed_Dok.ID_Dok"), f.kindId);
    filter.equal(f.number, QStringLiteral("Printed_Dok.N_Dok"), f.numberText);
    filter.compareDates(f.date, QStringLiteral("Printed_Dok.Data"), f.dateComparison, f.from, f.to);
    filter.equal(f.counterparty, QStringLiteral("Printed_Dok.ID_Kontrag"), f.counterpartyId);
    filter.equal(f.article, QStringLiteral("Printed_Dok.ID_Art"), f.articleId);
    filter.equal(f.op, QStringLiteral("Printed_Dok.Operator"), f.operatorName);
    Query q;
    if (!filter.ok()) {
        q.error = filter.error();
        return q;
    }
    q.values = QVariantList{f.origin} + filter.values();
    q.list.select = QLatin1String(kDocumentsColumns);
    q.list.from = QLatin1String(kDocumentsFrom);
    q.list.where = QStringLiteral("Printed_Dok.Ot_Kade_Prod = ?") + filter.andSql();
    q.list.params = q.values;
    q.list.grouped = true;
    // A far jump: the documents of lines spread by their number.
    q.list.spreadBy = QStringLiteral("Printed_Dok.ID_Prod");
    for (const char *field : {"Data", "fTime", "ID_Dok", "N_Dok", "ID_Kontrag", "Operator", "Ot_Kade_Prod"})
        q.list.order << KeysetList::Term{QStringLiteral("Printed_Dok.") + QLatin1String(field), QLatin1String(field)};
    const KeysetReader reader(q.list);
    q.sql = reader.sql();
    q.countSql = reader.countSql();
    return q;
}

QStringList numberedKinds()
{
    QStringList kinds;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT ID_Dokument, Opisanie, N_Dok FROM Dokumenti ORDER BY ID_Dokument"))) {
        const QString number = r.value(2).toString().trimmed();
        bool allZeros = true;
        for (QChar c : number)
            allZeros = allZeros && c == QLatin1Char('0');
        if (!allZeros) // an empty number is never numbered either
            kinds.append(r.value(0).toString() + QLatin1Char(':') + r.value(1).toString());
    }
    return kinds;
}

void setServiceLines(const QString &select)
{
    serviceLines() = select;
}

bool hasLines(const Issued &document)
{
    return document.origin == OriginShop || serviceRows(document.origin);
}

bool lines(const Issued &document, Report::Data *data, QString *error)
{
    return readLines(document, nullptr, data, error);
}

bool newDocumentLines(const Issued &document, const QString &newKind, Report::Data *data, QString *error)
{
    return readLines(document, &newKind, data, error);
}

Decimal total(const Report::Data &lines)
{
    ExactSum sum;
    const auto column = [&](const char *name) { return lines.columnNamed(QString::fromLatin1(name)); };
    const int kol = column("Kol"), price = column("Ed_Cena"), rate = column("Kurs"), discount = column("T_O");
    for (int row = 0; row < lines.rowCount(); ++row)
        sum += Money::lineAmount(lines.value(row, kol), lines.value(row, price), lines.value(row, rate),
                                 lines.value(row, discount));
    return sum.rounded(2);
}
} // namespace IssuedDocuments
