#include "offers/offer_lines.h"

#include "app/next_number.h"
#include "common/money.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

#include <QVariant>

#include <cmath>

namespace {
QString table()
{
    return WorkTables::qualified(QString::fromLatin1(OfferLines::WorkTable));
}

// One row per currency name, trimmed and case-folded, at its smallest rate.
QString rates()
{
    return QStringLiteral("(SELECT UPPER(TRIM(Opisanie)) AS Val_Key, MIN(Kurs) AS Kurs FROM Valuti "
                          "GROUP BY UPPER(TRIM(Opisanie))) Valuti");
}

QString rateCondition()
{
    return QStringLiteral("Valuti.Val_Key = UPPER(TRIM(Oferta_TMP.Valuta))");
}

QString priceColumn(int n)
{
    return n == 2 ? QStringLiteral("Oferta_TMP.Cena_2")
           : n == 3 ? QStringLiteral("Oferta_TMP.Cena_3")
                    : QStringLiteral("Oferta_TMP.Cena");
}

double number(const QSqlRecord &row, const char *field)
{
    const QVariant v = row.value(QString::fromLatin1(field));
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? d : 0;
}
} // namespace

void OfferLines::createTable()
{
    WorkTables::create(QString::fromLatin1(WorkTable),
                       QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT, Grup TEXT, Opisanie TEXT, Kol DOUBLE, "
                                      "Cena DOUBLE, Cena_2 DOUBLE, Cena_3 DOUBLE, Valuta TEXT, Firma TEXT, "
                                      "ID_Mark INTEGER, Korekt TEXT, Kat_N TEXT"));
}

void OfferLines::dropTable()
{
    WorkTables::drop(QString::fromLatin1(WorkTable));
}

double OfferLines::Correction::apply(double price) const
{
    switch (op.unicode()) {
    case '-':
        return price - value;
    case '*':
        return price * value;
    case '/':
        return price / value;
    default:
        return price + value;
    }
}

QString OfferLines::Correction::korekt() const
{
    return QString(op) + QLatin1Char(' ') + typed;
}

std::optional<OfferLines::Correction> OfferLines::parseCorrection(const QString &op, const QString &typed,
                                                                   QString *error)
{
    const QString o = op.trimmed();
    if (o.size() != 1 || !QStringLiteral("+-*/").contains(o.at(0))) {
        *error = QStringLiteral("Непознат знак за корекция: \"") + o + QStringLiteral("\". Изберете +, -, * или /.");
        return std::nullopt;
    }
    Correction c;
    c.op = o.at(0);
    c.typed = typed.trimmed();
    if (!Numbers::parse(c.typed, &c.value)) {
        *error = QStringLiteral("Корекцията не е число: \"") + c.typed + QStringLiteral("\"");
        return std::nullopt;
    }
    if (c.op == QLatin1Char('/') && c.value == 0) {
        *error = QStringLiteral("Корекцията не може да бъде 0 при деление.");
        return std::nullopt;
    }
    return c;
}

OfferLines::Line OfferLines::fromCatalogue(const QSqlRecord &row, double kol, long long mark, const Correction &c)
{
    Line l;
    l.grup = row.value(QStringLiteral("Grupa")).toString();
    l.opisanie = row.value(QStringLiteral("Opisanie")).toString();
    l.kol = kol;
    l.cena = c.apply(number(row, "Cena_1"));
    l.cena2 = number(row, "Cena_2");
    l.cena3 = number(row, "Cena_3");
    l.valuta = row.value(QStringLiteral("Valuta")).toString();
    l.firma = row.value(QStringLiteral("Firma")).toString();
    l.mark = mark;
    l.korekt = c.korekt();
    l.katN = row.value(QStringLiteral("Kat_N")).toString();
    return l;
}

OfferLines::Line OfferLines::fromStock(const QSqlRecord &row, double kol, long long mark, const Correction &c)
{
    Line l;
    l.grup = QStringLiteral("Арт. N: ") + row.value(QStringLiteral("ID")).toString();
    l.opisanie = row.value(QStringLiteral("Opisanie")).toString();
    l.kol = kol;
    l.cena = c.apply(number(row, "Ed_Cena"));
    l.valuta = row.value(QStringLiteral("Valuta_P")).toString();
    l.firma = QString::fromUtf8(StockFirm);
    l.mark = mark;
    l.korekt = c.korekt();
    l.katN = QStringLiteral("Ном. N: ") + row.value(QStringLiteral("Nomenkl_N")).toString();
    return l;
}

void OfferLines::insert(const Line &l)
{
    Db::execute(QStringLiteral("INSERT INTO %1 (Grup, Opisanie, Kol, Cena, Cena_2, Cena_3, Valuta, Firma, ID_Mark, "
                               "Korekt, Kat_N) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                    .arg(table()),
                {l.grup, l.opisanie, l.kol, l.cena, l.cena2, l.cena3, l.valuta, l.firma, l.mark, l.korekt, l.katN});
}

void OfferLines::remove(const QList<long long> &ids)
{
    WriteTransaction tx;
    for (long long id : ids)
        Db::execute(QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(table()), {id});
    tx.commit();
}

QList<long long> OfferLines::markers()
{
    QList<long long> out;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT DISTINCT ID_Mark FROM %1 ORDER BY ID_Mark").arg(table())))
        out << r.value(0).toLongLong();
    return out;
}

double OfferLines::total()
{
    return Db::scalar(QStringLiteral("SELECT COALESCE(SUM(Oferta_TMP.Kol * Oferta_TMP.Cena * Valuti.Kurs), 0) "
                                     "FROM %1 Oferta_TMP JOIN %2 ON %3")
                          .arg(table(), rates(), rateCondition()))
        .toDouble();
}

QStringList OfferLines::currenciesWithoutRate()
{
    QStringList out;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT DISTINCT TRIM(Oferta_TMP.Valuta) FROM %1 Oferta_TMP LEFT JOIN %2 ON %3 "
                                 "WHERE Valuti.Val_Key IS NULL ORDER BY 1")
                      .arg(table(), rates(), rateCondition())))
        out << r.value(0).toString();
    return out;
}

OfferLines::Comparison OfferLines::compare(long long marker, int column)
{
    const QString value = QStringLiteral("Oferta_TMP.Kol * %1 * Valuti.Kurs").arg(priceColumn(column));
    const auto row = Db::firstRow(QStringLiteral("SELECT COUNT(*), SUM(%1), MIN(%1), MAX(%1) FROM %2 Oferta_TMP "
                                                 "JOIN %3 ON %4 WHERE Oferta_TMP.ID_Mark = ?")
                                      .arg(value, table(), rates(), rateCondition()),
                                  {marker});
    Comparison c;
    if (!row || row->value(0).toLongLong() == 0)
        return c;
    c.hasLines = true;
    c.sum = row->value(1).toDouble();
    c.minText = markText(row->value(2).toDouble());
    c.maxText = markText(row->value(3).toDouble());
    return c;
}

QString OfferLines::gridSql(int column)
{
    const QString value = QStringLiteral("Oferta_TMP.Kol * %1 * Valuti.Kurs").arg(priceColumn(column));
    return QStringLiteral("SELECT %1 AS Suma, Oferta_TMP.Kol * Oferta_TMP.Cena * Valuti.Kurs - %1 AS Pe4alba, "
                          "Oferta_TMP.ID AS ID, Oferta_TMP.Grup AS Grup, Oferta_TMP.Opisanie AS Opisanie, "
                          "Oferta_TMP.Kol AS Kol, Oferta_TMP.Cena AS Cena, Oferta_TMP.Valuta AS Valuta, "
                          "Oferta_TMP.Firma AS Firma, Oferta_TMP.ID_Mark AS ID_Mark, Oferta_TMP.Korekt AS Korekt, "
                          "Oferta_TMP.Kat_N AS Kat_N, Oferta_TMP.Cena_2 AS Cena_2, Oferta_TMP.Cena_3 AS Cena_3, "
                          "Oferta_TMP.Kat_N AS Kat_N_1, Valuti.Kurs AS Kurs FROM %2 Oferta_TMP LEFT JOIN %3 ON %4")
        .arg(value, table(), rates(), rateCondition());
}

QString OfferLines::sortField(const QString &field)
{
    if (field.compare(QStringLiteral("Suma"), Qt::CaseInsensitive) == 0
        || field.compare(QStringLiteral("Pe4alba"), Qt::CaseInsensitive) == 0)
        return field;
    if (field.compare(QStringLiteral("Kurs"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Valuti.Kurs");
    if (field.compare(QStringLiteral("Kat_N_1"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Oferta_TMP.Kat_N");
    return QStringLiteral("Oferta_TMP.") + field;
}

QString OfferLines::markText(double value)
{
    return Money::formatWidth(value, 4, 4);
}

// ---- mandatory elements --------------------------------------------------------------

QString MandatoryElements::Element::text() const
{
    return QString::number(id) + QLatin1Char(':') + opisanie;
}

QList<MandatoryElements::Element> MandatoryElements::load()
{
    QList<Element> out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Opisanie FROM Zad_el ORDER BY ID")))
        out.append({r.value(0).toLongLong(), r.value(1).toString()});
    return out;
}

MandatoryElements::Element MandatoryElements::add(const QString &opisanie)
{
    Element e;
    e.opisanie = opisanie;
    e.id = NextNumber::insert(QStringLiteral("Zad_el"), QStringLiteral("ID"), [&](long long id) {
        Db::execute(QStringLiteral("INSERT INTO Zad_el (ID, Opisanie, Checked) VALUES (?, ?, 'False')"),
                    {id, opisanie});
    });
    return e;
}
