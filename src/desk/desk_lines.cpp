#include "desk/desk_lines.h"

#include "common/money.h"
#include "common/record_values.h"
#include "common/settings.h"
#include "desk/discounts.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QCollator>
#include <QSet>

#include <cmath>

long long DeskArticleID = 0;
double DeskListPrice = 0;
double DeskEnteredPrice = 0;
bool LineEditFlag = false;
long long EditedLineNumber = 0;

namespace DeskLines {
namespace {
const QString kLineColumns = QStringLiteral(
    "P.N_Prodajba, P.Barkod, P.Opisanie, P.Kol, P.Mqrka, P.Ed_Cena, P.Valuta, P.T_O, P.Operator");
// A line's amount in leva: quantity, price and rate, less its discount percent.
const QString kSuma = QStringLiteral("(P.Kol * P.Ed_Cena * V.Kurs - P.Kol * P.Ed_Cena * V.Kurs * P.T_O / 100) AS Suma ");
} // namespace

QHash<long long, double> amountsInLeva(const QList<long long> &lines)
{
    QHash<long long, double> amounts;
    if (lines.isEmpty())
        return amounts;
    QStringList marks;
    QVariantList params;
    for (long long l : lines) {
        marks << QStringLiteral("?");
        params << l;
    }
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT P.N_Prodajba, ") + kSuma
                                            + QStringLiteral("FROM Prodajbi_Vremenni P JOIN Valuti V ON V.Opisanie = "
                                                             "P.Valuta WHERE P.N_Prodajba IN (")
                                            + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                                        params))
        amounts.insert(r.value(0).toLongLong(), r.value(1).toDouble());
    return amounts;
}

QStringList openBills(const QString &op)
{
    QSet<QString> seen{QStringLiteral("0")};
    QStringList bills{QStringLiteral("0")};
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT DISTINCT Sm_N FROM Prodajbi_Vremenni WHERE Operator = ?"), {op})) {
        const QString bill = r.value(0).isNull() ? QStringLiteral("0") : QString::number(r.value(0).toLongLong());
        if (!seen.contains(bill)) {
            seen.insert(bill);
            bills << bill;
        }
    }
    std::sort(bills.begin(), bills.end()); // as text: "10" before "2"
    return bills;
}

QString billSql()
{
    return QStringLiteral("SELECT ") + kLineColumns
           + QStringLiteral(", ") + kSuma
           + QStringLiteral(", P.SUM_BezDDS, P.Bez_DDS "
                            "FROM Prodajbi_Vremenni P JOIN Valuti V ON V.Opisanie = P.Valuta "
                            "WHERE P.Operator = ? AND P.Sm_N = ? ORDER BY P.N_Prodajba");
}

QString allLinesSql()
{
    return QStringLiteral("SELECT ") + kLineColumns
           + QStringLiteral(", P.Sm_N, P.Term_N FROM Prodajbi_Vremenni P WHERE P.Operator = ? "
                            "ORDER BY P.N_Prodajba");
}

double vatPercent()
{
    double vat = 0;
    if (!ParseVatPercent(Settings::readString(Keys::Firm_Data_DDS), &vat))
        throw DbError(QStringLiteral("Невалиден процент ДДС в настройките"));
    return vat;
}

NetFigures netFigures(double quantity, double price, double discount, double vat, int priceDecimals)
{
    const double net = price / (1 + vat / 100);
    const double discounted = net - net * discount / 100;
    return {Money::round(quantity * discounted, priceDecimals), Money::round(discounted, priceDecimals)};
}

double recalculate(const QList<QSqlRecord> &bill, int priceDecimals)
{
    const double vat = vatPercent();
    double total = 0;
    QList<QVariantList> changes;
    for (const QSqlRecord &r : bill) {
        total += r.value(QStringLiteral("Suma")).toDouble();
        const NetFigures n = netFigures(r.value(QStringLiteral("Kol")).toDouble(),
                                        r.value(QStringLiteral("Ed_Cena")).toDouble(),
                                        r.value(QStringLiteral("T_O")).toDouble(), vat, priceDecimals);
        const QVariant lineNet = r.value(QStringLiteral("SUM_BezDDS")), unit = r.value(QStringLiteral("Bez_DDS"));
        if (lineNet.isNull() || unit.isNull() || lineNet.toDouble() != n.lineNet || unit.toDouble() != n.unit)
            changes << QVariantList{n.lineNet, n.unit, r.value(QStringLiteral("N_Prodajba"))};
    }
    if (!changes.isEmpty()) {
        WriteTransaction tx;
        for (const QVariantList &c : changes)
            Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET SUM_BezDDS = ?, Bez_DDS = ? WHERE N_Prodajba = ?"),
                        c);
        tx.commit();
    }
    return total;
}

double recalculate(const QString &op, long long bill, int priceDecimals)
{
    return recalculate(Db::rows(billSql(), {op, bill}), priceDecimals);
}

QString catalogueNumber(long long article, long long counterparty)
{
    return Db::scalar(QStringLiteral("SELECT Nomenkl_N FROM Nomenklatures WHERE ID = ? AND ID_Kontrag = ?"),
                      {article, counterparty})
        .toString();
}

InsertResult insertLine(const NewLine &l)
{
    InsertResult result;
    double quantity = 0, entered = 0;
    if (!Numbers::parse(l.quantityText, &quantity) || !Numbers::parse(l.priceText, &entered))
        return result;
    if (quantity < 0) {
        result.outcome = InsertResult::NegativeQuantity;
        return result;
    }
    if (quantity == 0 || entered < 0)
        return result;
    const auto article = Db::firstRow(
        QStringLiteral("SELECT ID, Opisanie, Mqrka, Valuta_P, Max_TO, Ed_Cena, Dan_Grup, Prigotvq_Se "
                       "FROM Produkti WHERE ID = ?"),
        {l.article});
    if (!article)
        return result;
    result.listPrice = article->value(5).toDouble();
    const double list = l.listPrice == 0 ? entered : l.listPrice;
    if (list == 0)
        return result; // both prices 0: nothing to take a discount from

    const double rule = Discounts::GET_TO(l.article, l.counterparty);
    const double discount = rule != 0 ? Money::round(rule, 4)
                                      : Money::round((list - entered) * 100 / list, l.priceDecimals);
    const double maxDiscount = article->value(4).toDouble();
    if (maxDiscount != 0 && discount > maxDiscount) {
        result.outcome = InsertResult::OverMaxDiscount;
        result.maxDiscount = maxDiscount;
        return result;
    }
    const QString catalogue = l.counterparty > 0 ? catalogueNumber(l.article, l.counterparty) : QStringLiteral("0");
    const double price = Money::round(list, l.priceDecimals);
    // The line's net figures as the recomputation of the bill would write
    // them, so adding a line is the scan's only write.
    double vat = 0;
    const NetFigures net = ParseVatPercent(Settings::readString(Keys::Firm_Data_DDS), &vat)
                               ? netFigures(quantity, price, discount, vat, l.priceDecimals)
                               : NetFigures{}; // the recomputation tells of the bad percent


    WriteTransaction tx;
    if (l.replacedLine == 0) {
        Db::execute(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Mqrka, Ed_Cena, Valuta, "
                                   "Operator, Pored_Ot, Pored_Do, T_O, SUM_BezDDS, Bez_DDS, Sm_N, Term_N, "
                                   "Nomenkl_N, Dan_Grup, Prigotvq_Se) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {l.article, article->value(1), quantity, article->value(2), price, article->value(3), l.op,
                     l.serialFrom, l.serialTo, discount, net.lineNet, net.unit, l.bill, l.terminal, catalogue,
                     article->value(6), article->value(7)});
    } else {
        // The bill and terminal stay; the article's own VAT group, department and number come along.
        if (Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET Barkod = ?, Opisanie = ?, Kol = ?, Mqrka = ?, "
                                       "Ed_Cena = ?, Valuta = ?, Operator = ?, Pored_Ot = ?, Pored_Do = ?, T_O = ?, "
                                       "SUM_BezDDS = ?, Bez_DDS = ?, Nomenkl_N = ?, Dan_Grup = ?, Prigotvq_Se = ? "
                                       "WHERE N_Prodajba = ?"),
                        {l.article, article->value(1), quantity, article->value(2), price, article->value(3),
                         l.op, l.serialFrom, l.serialTo, discount, net.lineNet, net.unit, catalogue,
                         article->value(6), article->value(7), l.replacedLine})
            != 1)
            return result; // the line is gone (sold or cancelled elsewhere)
    }
    tx.commit();
    result.outcome = InsertResult::Written;
    return result;
}

void insertElementLines(const QList<ElementLine> &lines, const QString &op, long long bill, int terminal,
                        long long counterparty)
{
    WriteTransaction tx;
    for (const ElementLine &l : lines) {
        const QString catalogue = counterparty > 0 ? catalogueNumber(l.article, counterparty) : QStringLiteral("0");
        Db::execute(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Mqrka, Ed_Cena, Valuta, "
                                   "Operator, Pored_Ot, Pored_Do, T_O, SUM_BezDDS, Bez_DDS, Sm_N, Term_N, "
                                   "Nomenkl_N, Dan_Grup, Prigotvq_Se) "
                                   "VALUES (?, ?, ?, ?, 0, ?, ?, ?, ?, 0, 0, 0, ?, ?, ?, ?, ?)"),
                    {l.article, l.Opisanie, l.quantity, l.Mqrka, l.Valuta, op, l.serialFrom, l.serialTo, bill,
                     terminal, catalogue, l.Dan_Grup, l.Prigotvq_Se});
    }
    tx.commit();
}

void applyCounterparty(const QList<long long> &lines, long long counterparty, bool discounts)
{
    WriteTransaction tx;
    for (long long line : lines) {
        const long long article =
            Db::scalar(QStringLiteral("SELECT Barkod FROM Prodajbi_Vremenni WHERE N_Prodajba = ?"), {line}).toLongLong();
        if (discounts)
            Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET T_O = ? WHERE N_Prodajba = ?"),
                        {Money::round(Discounts::GET_TO(article, counterparty), 4), line});
        if (counterparty > 0)
            Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET Nomenkl_N = ? WHERE N_Prodajba = ?"),
                        {catalogueNumber(article, counterparty), line});
    }
    tx.commit();
}

void applyGeneralDiscount(const QList<long long> &lines, double percent)
{
    WriteTransaction tx;
    for (long long line : lines)
        Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET T_O = ? WHERE N_Prodajba = ?"),
                    {Money::round(percent, 4), line});
    tx.commit();
}

Search counterpartySearch(const QString &typed)
{
    Search s;
    if (typed.isEmpty() || typed.startsWith(QLatin1Char('0')))
        return s;
    s.run = true;
    const QString base = QStringLiteral("SELECT ID, Ime_Firma FROM Firmi");
    const QChar first = typed.at(0);
    const QString rest = typed.mid(1);
    if (first == QLatin1Char('+')) {
        s.sql = base + QStringLiteral(" WHERE Dan_N = ?");
        s.params = {rest};
    } else if (first == QLatin1Char('-')) {
        s.sql = base + QStringLiteral(" WHERE EIK = ?");
        s.params = {rest};
    } else if (first == QLatin1Char('!')) {
        long long id = 0;
        if (!Numbers::parseInteger(rest, &id)) {
            s.sql = base + QStringLiteral(" WHERE 1 = 0"); // no number: nobody
        } else {
            s.sql = base + QStringLiteral(" WHERE ID = ?");
            s.params = {id};
        }
    } else if (first.unicode() >= 0x0410 && first.unicode() <= 0x044F) { // А..я, codes 192..255 of code page 1251
        // Every wildcard typed is escaped; Ч Щ Ю Я alone stand for any one character.
        QString pattern = Db::likeEscape(typed.toUpper());
        for (const QChar c : {QChar(0x0427), QChar(0x0429), QChar(0x042E), QChar(0x042F)})
            pattern.replace(c, QLatin1Char('_'));
        s.sql = base + QStringLiteral(" WHERE UPPER(Ime_Firma) LIKE ? ESCAPE '\\'");
        s.params = {QString(QLatin1Char('%') + pattern + QLatin1Char('%'))};
    } else {
        s.sql = base;
    }
    s.sql += QStringLiteral(" ORDER BY ID");
    return s;
}
} // namespace DeskLines
