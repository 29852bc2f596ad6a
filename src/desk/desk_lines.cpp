#include "desk/desk_lines.h"

#include "catalogue/stock_writer.h"
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
Decimal DeskListPrice;
Decimal DeskEnteredPrice;
bool LineEditFlag = false;
long long EditedLineNumber = 0;

namespace DeskLines {
namespace {
const QString kLineColumns = QStringLiteral(
    "P.N_Prodajba, P.Barkod, P.Opisanie, P.Kol, P.Mqrka, P.Ed_Cena, P.Valuta, P.T_O, P.Operator");
// A line's amount in leva: quantity, price and rate, less its discount percent.
const QString kSuma = QStringLiteral("(P.Kol * P.Ed_Cena * V.Kurs - P.Kol * P.Ed_Cena * V.Kurs * P.T_O / 100) AS Suma ");
} // namespace

DeskMoney::Line lineMoney(const QSqlRecord &row)
{
    return {Decimal::fromVariant(row.value(QStringLiteral("Kol"))),
            Decimal::fromVariant(row.value(QStringLiteral("Ed_Cena"))),
            Decimal::fromVariant(row.value(QStringLiteral("Kurs"))),
            Decimal::fromVariant(row.value(QStringLiteral("T_O")))};
}

QHash<long long, ExactSum> amountsInLeva(const QList<long long> &lines)
{
    QHash<long long, ExactSum> amounts;
    if (lines.isEmpty())
        return amounts;
    QStringList marks;
    QVariantList params;
    for (long long l : lines) {
        marks << QStringLiteral("?");
        params << l;
    }
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT P.N_Prodajba, P.Kol, P.Ed_Cena, V.Kurs, P.T_O "
                                                       "FROM Prodajbi_Vremenni P JOIN Valuti V ON V.Opisanie = "
                                                       "P.Valuta WHERE P.N_Prodajba IN (")
                                            + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                                        params))
        amounts.insert(r.value(0).toLongLong(), DeskMoney::amount(lineMoney(r)));
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
    // The grid shows the columns in this order: the amount before the operator.
    return QStringLiteral("SELECT P.N_Prodajba, P.Barkod, P.Opisanie, P.Kol, P.Mqrka, P.Ed_Cena, P.Valuta, P.T_O, ")
           + kSuma
           + QStringLiteral(", P.Operator, P.SUM_BezDDS, P.Bez_DDS, V.Kurs "
                            "FROM Prodajbi_Vremenni P JOIN Valuti V ON V.Opisanie = P.Valuta "
                            "WHERE P.Operator = ? AND P.Sm_N = ? ORDER BY P.N_Prodajba");
}

QString allLinesSql()
{
    return QStringLiteral("SELECT ") + kLineColumns
           + QStringLiteral(", P.Sm_N, P.Term_N FROM Prodajbi_Vremenni P WHERE P.Operator = ? "
                            "ORDER BY P.N_Prodajba");
}

namespace {
std::optional<Decimal> vatPercent()
{
    double vat = 0;
    if (!ParseVatPercent(Settings::readString(Keys::Firm_Data_DDS), &vat))
        return std::nullopt;
    return Decimal::fromDouble(vat);
}

bool sameStored(const QVariant &stored, Decimal value)
{
    return !stored.isNull() && Decimal::fromVariant(stored) == value && stored.toDouble() == value.toDouble();
}
} // namespace

ExactSum recalculate(const QList<QSqlRecord> &bill, int priceDecimals)
{
    const auto vat = vatPercent();
    if (!vat)
        throw DbError(QStringLiteral("Невалиден процент ДДС в настройките"));
    ExactSum total;
    QList<QVariantList> changes;
    for (const QSqlRecord &r : bill) {
        const DeskMoney::Line line = lineMoney(r);
        total += DeskMoney::amount(line);
        const DeskMoney::NetFigures n = DeskMoney::netFigures(line, *vat, priceDecimals);
        if (!sameStored(r.value(QStringLiteral("SUM_BezDDS")), n.lineNet)
            || !sameStored(r.value(QStringLiteral("Bez_DDS")), n.unit))
            changes << QVariantList{n.lineNet.toVariant(), n.unit.toVariant(), r.value(QStringLiteral("N_Prodajba"))};
    }
    if (!DeskMoney::withinRange(total))
        throw DecimalOverflow();
    if (!changes.isEmpty()) {
        WriteTransaction tx;
        for (const QVariantList &c : changes)
            Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET SUM_BezDDS = ?, Bez_DDS = ? WHERE N_Prodajba = ?"),
                        c);
        tx.commit();
    }
    return total;
}

ExactSum recalculate(const QString &op, long long bill, int priceDecimals)
{
    return recalculate(Db::rows(billSql(), {op, bill}), priceDecimals);
}

QString catalogueNumber(long long article, long long counterparty)
{
    return Db::scalar(QStringLiteral("SELECT Nomenkl_N FROM Nomenklatures WHERE ID = ? AND ID_Kontrag = ?"),
                      {article, counterparty})
        .toString();
}

namespace {
// The operator's bill with the new line in place (of the replaced one)
// adds up within the range. Lines of a currency without a rate count in no
// total, so not here either.
bool billWithinRange(const NewLine &l, Decimal quantity, Decimal price, Decimal discount, const QVariant &rate)
{
    ExactSum bill;
    if (!rate.isNull())
        bill = DeskMoney::amount({quantity, price, Decimal::fromVariant(rate), discount});
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT P.Kol, P.Ed_Cena, V.Kurs, P.T_O FROM Prodajbi_Vremenni P "
                                                       "JOIN Valuti V ON V.Opisanie = P.Valuta WHERE P.Operator = ? "
                                                       "AND P.Sm_N = ? AND P.N_Prodajba <> ?"),
                                        {l.op, l.bill, l.replacedLine}))
        bill += DeskMoney::amount(lineMoney(r));
    return DeskMoney::withinRange(bill);
}
} // namespace

InsertResult insertLine(const NewLine &l)
{
    InsertResult result;
    const auto refuse = [&result](const QString &message) {
        result.outcome = InsertResult::Refused;
        result.message = message;
        return result;
    };
    const auto entered = Decimal::parse(l.priceText, Decimal::Scale);
    if (!entered)
        return result;
    QString why;
    const auto parsed = StockQuantity::parseSigned(l.quantityText, &why);
    if (!parsed)
        return Decimal::parse(l.quantityText) ? refuse(why) : result; // a number with too many decimals: say so
    const Decimal quantity = *parsed;
    if (quantity.isNegative()) {
        result.outcome = InsertResult::NegativeQuantity;
        return result;
    }
    if (quantity.isZero() || entered->isNegative())
        return result;
    const auto article = Db::firstRow(
        QStringLiteral("SELECT A.ID, A.Opisanie, A.Mqrka, A.Valuta_P, A.Max_TO, A.Ed_Cena, A.Dan_Grup, A.Prigotvq_Se, "
                       "V.Kurs FROM Produkti A LEFT JOIN Valuti V ON V.Opisanie = A.Valuta_P WHERE A.ID = ?"),
        {l.article});
    if (!article)
        return result;
    result.listPrice = Decimal::fromVariant(article->value(5));
    const Decimal list = l.listPrice.isZero() ? *entered : l.listPrice;
    // The line keeps the list price at the price decimals; the percent is
    // taken against that price, so the price shown and accepted gives none.
    const Decimal price = list.rounded(l.priceDecimals);
    if (price.isZero())
        return result; // both prices 0: nothing to take a discount from

    const Decimal rule = Discounts::GET_TO(l.article, l.counterparty);
    const Decimal discount = !rule.isZero() ? rule.rounded(DeskMoney::DiscountDecimals)
                                            : DeskMoney::discountFromPrices(price, *entered, l.priceDecimals);
    if (discount > DeskMoney::MaxDiscount)
        return refuse(QStringLiteral("Отстъпката на контрагента за артикула (%1 %) е над 100 %: редът не е записан.")
                          .arg(discount.toString()));
    const Decimal maxDiscount = Decimal::fromVariant(article->value(4));
    if (!maxDiscount.isZero() && discount > maxDiscount) {
        result.outcome = InsertResult::OverMaxDiscount;
        result.maxDiscount = maxDiscount;
        return result;
    }
    const QString catalogue = l.counterparty > 0 ? catalogueNumber(l.article, l.counterparty) : QStringLiteral("0");
    // The line's net figures as the recomputation of the bill would write
    // them, so adding a line is the scan's only write.
    const auto vat = vatPercent();
    DeskMoney::NetFigures net; // without a percent the recomputation tells of it
    try {
        if (!billWithinRange(l, quantity, price, discount, article->value(8)))
            return refuse(DeskMoney::pastRangeMessage());
        if (vat)
            net = DeskMoney::netFigures({quantity, price, Decimal(1), discount}, *vat, l.priceDecimals);
    } catch (const DecimalOverflow &) {
        return refuse(DeskMoney::pastRangeMessage());
    }

    WriteTransaction tx;
    if (l.replacedLine == 0) {
        Db::execute(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Mqrka, Ed_Cena, Valuta, "
                                   "Operator, Pored_Ot, Pored_Do, T_O, SUM_BezDDS, Bez_DDS, Sm_N, Term_N, "
                                   "Nomenkl_N, Dan_Grup, Prigotvq_Se) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {l.article, article->value(1), quantity.toVariant(), article->value(2), price.toVariant(),
                     article->value(3), l.op, l.serialFrom, l.serialTo, discount.toVariant(), net.lineNet.toVariant(),
                     net.unit.toVariant(), l.bill, l.terminal, catalogue, article->value(6), article->value(7)});
    } else {
        // The bill and terminal stay; the article's own VAT group, department and number come along.
        if (Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET Barkod = ?, Opisanie = ?, Kol = ?, Mqrka = ?, "
                                       "Ed_Cena = ?, Valuta = ?, Operator = ?, Pored_Ot = ?, Pored_Do = ?, T_O = ?, "
                                       "SUM_BezDDS = ?, Bez_DDS = ?, Nomenkl_N = ?, Dan_Grup = ?, Prigotvq_Se = ? "
                                       "WHERE N_Prodajba = ?"),
                        {l.article, article->value(1), quantity.toVariant(), article->value(2), price.toVariant(),
                         article->value(3), l.op, l.serialFrom, l.serialTo, discount.toVariant(),
                         net.lineNet.toVariant(), net.unit.toVariant(), catalogue, article->value(6),
                         article->value(7), l.replacedLine})
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
                    {l.article, l.Opisanie, l.quantity.toVariant(), l.Mqrka, l.Valuta, op, l.serialFrom, l.serialTo, bill,
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
        if (discounts) {
            const Decimal rule = Discounts::GET_TO(article, counterparty).rounded(DeskMoney::DiscountDecimals);
            if (rule > DeskMoney::MaxDiscount)
                throw DbError(QStringLiteral("Отстъпката на контрагента за артикул %1 (%2 %) е над 100 %.")
                                  .arg(article)
                                  .arg(rule.toString()));
            Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET T_O = ? WHERE N_Prodajba = ?"),
                        {rule.toVariant(), line});
        }
        if (counterparty > 0)
            Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET Nomenkl_N = ? WHERE N_Prodajba = ?"),
                        {catalogueNumber(article, counterparty), line});
    }
    tx.commit();
}

void applyGeneralDiscount(const QList<long long> &lines, Decimal percent)
{
    percent = percent.rounded(DeskMoney::DiscountDecimals);
    if (percent > DeskMoney::MaxDiscount)
        throw DbError(QStringLiteral("Отстъпката не може да бъде над 100 % (%1 %).").arg(percent.toString()));
    WriteTransaction tx;
    for (long long line : lines)
        Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET T_O = ? WHERE N_Prodajba = ?"),
                    {percent.toVariant(), line});
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
