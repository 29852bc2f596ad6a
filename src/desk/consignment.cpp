#include "desk/consignment.h"

#include "app/app_state.h"
#include "app/currency_rates.h"
#include "app/list_export.h"
#include "app/next_number.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "common/settings.h"
#include "desk/desk_money.h"
#include "desk/device_file_writer.h"
#include "desk/receipt_files.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

#include <QDateTime>

#include <cmath>

namespace Consignment {
namespace {
QString table()
{
    return WorkTables::qualified(QString::fromLatin1(WorkTable));
}

QString pad(const QString &text, int width) // "%ns"
{
    return QStringLiteral("%1").arg(text, width);
}

QString left(const QString &text, int width) // "%-ns"
{
    return QStringLiteral("%1").arg(text, -width);
}

QString goodsRow(const QString &name, const QString &kol, const QString &price, const QString &currency)
{
    using ReceiptFiles::padCut;
    return QStringLiteral("|") + padCut(name, 28, 28) + left(QStringLiteral("|"), 3) + padCut(kol, 5, 7)
           + left(QStringLiteral("|"), 3) + left(price, 10) + left(QStringLiteral("|"), 3) + padCut(currency, 6, 6)
           + QStringLiteral("|");
}

QString dottedDate(const QDate &d) // day.month.yearг, no leading zeros
{
    return QStringLiteral("%1.%2.%3г").arg(d.day()).arg(d.month()).arg(d.year());
}

// The receipt of a payment record ("Вн.:<n> Кр.N: <contract>:"), queued in the caller's transaction.
void queueReceipt(int instalment, long long contract, Decimal amount, const QString &op, int terminal)
{
    const int mode = int(Settings::readInteger(Keys::Tuning_FB));
    if (mode != ReceiptFiles::ServiceReceipt && mode != ReceiptFiles::FiscalReceipt)
        return;
    BonCollector c;
    // Article 0, the text as its name, the price in stotinki, quantity 1.000, VAT group 1.
    c.receiptLines << QStringLiteral("%0^Вн.:") + QString::number(instalment) + QStringLiteral(" Кр.N: ")
                          + QString::number(contract) + QStringLiteral(":^")
                          + QString::number(ReceiptFiles::stotinki(amount)) + QStringLiteral("^1000^1^");
    c.receiptTotal = amount;
    const BonSettings s = BonSettings::read();
    PendingFiles::queue(ReceiptFiles::CREATE_BON_FILE(
        c, mode == ReceiptFiles::ServiceReceipt ? ReceiptFiles::KindService : ReceiptFiles::KindFiscal,
        BonContext{terminal, op}, s, Settings::receiptFolder(), departmentsFromDatabase()));
}

void insertPaymentRecord(Decimal amount, long long counterparty, const QString &op, int terminal,
                         long long warehouse)
{
    Db::execute(QStringLiteral("INSERT INTO Prodajbi (ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, "
                               "ID_Klient, T_O, Konsign_N, Pored_Ot, Pored_Do, Valuta, Type_Pay, Term_N, Sklad_ID) "
                               "VALUES (0, ?, ?, ?, 1, ?, ?, 0, 0, '0', '0', ?, ?, ?, ?)"),
                {op, Dates::todayIso(), Dates::nowTimeText(), amount.toDouble(), counterparty,
                 CurrencyRates::baseCurrency(),
                 QStringLiteral("в брой"), terminal, warehouse > 0 ? QVariant(warehouse) : QVariant()});
}

// A stored Procent_pay in 10^-12 percent: the column's double is the one
// nearest a percent of twelve decimals, which a double of up to 100 tells
// apart from every other (its error is far below half a unit).
long long percentUnits(const QVariant &stored)
{
    return std::llround(stored.toDouble() * 1e12);
}

QVariant storedPercent(long long units)
{
    return double(units) / 1e12; // both exact, the quotient the nearest double
}

// The percent of an instalment its payments paid, summed exactly.
long long percentPaid(long long contract, int instalment)
{
    long long sum = 0;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Procent_pay FROM Vnoski WHERE ID_Konsign = ? AND ID = ?"),
                                        {contract, instalment}))
        sum += percentUnits(r.value(0));
    return sum;
}

long long stotinkiOf(Decimal amount)
{
    return amount.rounded(2).units() / (Decimal::Unit / 100);
}

// n × m / d rounded half away from zero (d not 0).
long long mulDiv(long long n, long long m, long long d)
{
    __int128 p = __int128(n) * m;
    if (d < 0) {
        p = -p;
        d = -d;
    }
    return (long long)((p < 0 ? p - d / 2 : p + d / 2) / d);
}

// What `percent` (10^-12) of an instalment is, to the stotinka. The percent
// a payment stores gives back exactly the stotinki paid: one unit of it is
// below a thousandth of a stotinka of any instalment in the range.
Decimal partOf(Decimal instalment, long long percent)
{
    return Decimal::fromParts(mulDiv(stotinkiOf(instalment), percent, WholePercent), 2);
}

// The percent (10^-12) `paid` is of `instalment`.
long long percentOf(Decimal paid, Decimal instalment)
{
    return mulDiv(stotinkiOf(paid), WholePercent, stotinkiOf(instalment));
}

void close(long long counterparty, long long contract)
{
    Db::execute(QStringLiteral("UPDATE Konsignation SET Payed = 'True' WHERE ID = ? AND ID_Kontrag = ?"),
                {contract, counterparty});
    Db::execute(QStringLiteral("UPDATE Prodajbi SET Konsign_N = -1 WHERE Konsign_N = ?"), {contract});
}

const Decimal Hundred(100);
} // namespace

Decimal CALCULATE_KONSIGNACION_SUM(int count, Decimal purchase, Decimal downPayment, Decimal rate)
{
    Decimal x = purchase - downPayment;
    for (int i = 0; i < count; ++i)
        x = x + Decimal::mulDivRounded(x, rate, Hundred, Decimal::Scale);
    return x;
}

QList<Decimal> instalments(Decimal debt, int count)
{
    QList<Decimal> out;
    if (count < 1)
        return out;
    const long long stotinki = debt.rounded(2).units() / (Decimal::Unit / 100);
    const Decimal part = Decimal::fromParts(stotinki / count, 2); // cut towards zero
    for (int k = 1; k < count; ++k)
        out << part;
    out << Decimal::fromParts(stotinki, 2) - part * Decimal(count - 1);
    return out;
}

QDate dueDate(const QDate &handOver, int period, int k)
{
    return period == Days ? handOver.addDays(k) : handOver.addMonths(k);
}

std::optional<ContractLine> GETDATA_TO_KONSIGNATION(long long openLine)
{
    const auto r = Db::firstRow(QStringLiteral("SELECT Barkod, Opisanie, Kol, Mqrka, Ed_Cena, Valuta, Operator, "
                                               "Pored_Ot, Pored_Do, T_O FROM Prodajbi_Vremenni WHERE N_Prodajba = ?"),
                                {openLine});
    if (!r)
        return std::nullopt;
    ContractLine l;
    l.openLine = openLine;
    l.barkod = r->value(0).toString();
    l.opisanie = r->value(1).toString();
    l.kol = r->value(2).toDouble();
    l.mqrka = r->value(3).toString();
    l.edCena = r->value(4).toDouble();
    l.valuta = r->value(5).toString();
    l.op = r->value(6).toString();
    l.poredOt = r->value(7).toString();
    l.poredDo = r->value(8).toString();
    l.to = r->value(9).toDouble();
    return l;
}

ContractLine repairLine(const QSqlRecord &row)
{
    ContractLine l;
    const QString repair = row.value(QStringLiteral("Remont")).toString();
    const long long key = GetID_MFromTreeNodeName(repair);
    l.barkod = key > 0 ? QString::number(key) : QStringLiteral("-1");
    l.opisanie = repair;
    l.kol = row.value(QStringLiteral("Kol")).toDouble();
    l.mqrka = QStringLiteral("бр.");
    l.edCena = row.value(QStringLiteral("Ed_cena")).toDouble();
    l.valuta = row.value(QStringLiteral("Valuta")).toString();
    l.op = row.value(QStringLiteral("Oper_Remont")).toString();
    l.poredOt = row.value(QStringLiteral("SN")).toString();
    l.poredDo = row.value(QStringLiteral("Garan_Remont")).toString();
    return l;
}

void createWorkTable()
{
    WorkTables::create(QString::fromLatin1(WorkTable),
                       QStringLiteral("N_Prodajba INTEGER PRIMARY KEY, Line_N INTEGER, Barkod TEXT, Opisanie TEXT, "
                                      "Kol DOUBLE, Mqrka TEXT, Ed_Cena DOUBLE, Valuta TEXT, Operator TEXT, "
                                      "Pored_Ot TEXT, Pored_Do TEXT, T_O DOUBLE"));
}

void dropWorkTable()
{
    WorkTables::drop(QString::fromLatin1(WorkTable));
}

void insertIntoWorkTable(const ContractLine &l)
{
    Db::execute(QStringLiteral("INSERT INTO %1 (Line_N, Barkod, Opisanie, Kol, Mqrka, Ed_Cena, Valuta, Operator, "
                               "Pored_Ot, Pored_Do, T_O) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                    .arg(table()),
                {l.openLine, l.barkod, l.opisanie, l.kol, l.mqrka, l.edCena, l.valuta, l.op, l.poredOt, l.poredDo,
                 l.to});
}

void deleteFromWorkTable(const QList<long long> &rows)
{
    for (long long n : rows)
        Db::execute(QStringLiteral("DELETE FROM %1 WHERE N_Prodajba = ?").arg(table()), {n});
}

QString workTableSql()
{
    return QStringLiteral("SELECT N_Prodajba, Barkod, Opisanie, Kol, Mqrka, Ed_Cena, Valuta, T_O, Operator FROM %1 "
                          "ORDER BY N_Prodajba")
        .arg(table());
}

namespace {
// The purchase of goods rows (Kol, Ed_Cena, Kurs, T_O): their exact sum,
// rounded once at the eighth decimal, where the debt is worked out.
Decimal purchaseOf(const QList<QSqlRecord> &rows)
{
    ExactSum sum;
    for (const QSqlRecord &r : rows)
        sum += DeskMoney::amount({Decimal::fromVariant(r.value(0)), Decimal::fromVariant(r.value(1)),
                                  Decimal::fromVariant(r.value(2)), Decimal::fromVariant(r.value(3))});
    return sum.rounded(Decimal::Scale);
}
} // namespace

Decimal workTablePurchase()
{
    return purchaseOf(Db::rows(QStringLiteral("SELECT T.Kol, T.Ed_Cena, V.Kurs, T.T_O FROM %1 T JOIN Valuti V ON "
                                              "V.Opisanie = T.Valuta")
                                   .arg(table())));
}

QList<ContractLine> workTableLines()
{
    QList<ContractLine> out;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT Line_N, Barkod, Opisanie, Kol, Mqrka, Ed_Cena, Valuta, Operator, Pored_Ot, "
                                 "Pored_Do, T_O FROM %1 ORDER BY N_Prodajba")
                      .arg(table()))) {
        ContractLine l;
        l.openLine = r.value(0).toLongLong();
        l.barkod = r.value(1).toString();
        l.opisanie = r.value(2).toString();
        l.kol = r.value(3).toDouble();
        l.mqrka = r.value(4).toString();
        l.edCena = r.value(5).toDouble();
        l.valuta = r.value(6).toString();
        l.op = r.value(7).toString();
        l.poredOt = r.value(8).toString();
        l.poredDo = r.value(9).toString();
        l.to = r.value(10).toDouble();
        out << l;
    }
    return out;
}

QString checkDraft(const Draft &d)
{
    if (d.counterparty <= 0)
        return QStringLiteral("Необходимо е да се посочи контрагент за консигнацията!");
    if (d.openLines.isEmpty())
        return QStringLiteral("Договорът няма артикули.");
    if (d.count < 1 || d.count > 100)
        return QStringLiteral("Броят вноски трябва да бъде от 1 до 100.");
    if (d.rate.isNegative())
        return QStringLiteral("Лихвата не може да бъде отрицателна.");
    if (d.downPayment.isNegative()
        || (d.downPayment > Decimal() && d.downPayment.rounded(2) >= d.purchase.rounded(2)))
        return QStringLiteral("Първоначалната вноска трябва да бъде по-малка от сумата на покупката.");
    if (!d.handOver.isValid() || !d.finalDate.isValid())
        return QStringLiteral("Невалидна дата.");
    return {};
}

long long insertContract(const Draft &d, const QString &op, int terminal, long long warehouse)
{
    const QString problem = checkDraft(d);
    if (!problem.isEmpty())
        throw DbError(problem);
    const long long number = NextNumber::next(QStringLiteral("Konsignation"), QStringLiteral("ID"));
    Db::execute(QStringLiteral("INSERT INTO Konsignation (ID, ID_Kontrag, Date_Otd, Date_Pay, Broj_Vnosk, Vid_Pay, "
                               "Period_Vnosk, Operator, Payed, First_Vnosk, Lihva) VALUES (?, ?, ?, ?, ?, ?, ?, ?, "
                               "'False', ?, ?)"),
                {number, d.counterparty, Dates::toIso(d.handOver), Dates::toIso(d.finalDate), d.count, d.method,
                 d.period, op, d.method == WithDownPayment ? d.downPayment.rounded(2).toDouble() : 0.0,
                 d.rate.toDouble()});
    if (d.method == WithDownPayment && d.downPayment > Decimal()) {
        const Decimal amount = d.downPayment.rounded(2);
        insertPaymentRecord(amount, d.counterparty, op, terminal, warehouse);
        queueReceipt(0, number, amount, op, terminal);
    }
    return number;
}

QStringList openContracts(long long counterparty)
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID FROM Konsignation WHERE ID_Kontrag = ? AND "
                                                       "(Payed IS NULL OR Payed <> 'True')"),
                                        {counterparty})) {
        const QString id = r.value(0).toString();
        if (!out.contains(id))
            out << id;
    }
    out.sort();
    return out;
}

bool hasOpenContracts(long long counterparty)
{
    if (counterparty <= 0)
        return false;
    try {
        return Db::scalar(QStringLiteral("SELECT 1 FROM Konsignation WHERE ID_Kontrag = ? AND "
                                         "(Payed IS NULL OR Payed <> 'True')"),
                          {counterparty})
            .isValid();
    } catch (const std::exception &) {
        return false;
    }
}

QString debtorsSql()
{
    return QStringLiteral("SELECT * FROM Firmi WHERE ID IN (SELECT ID_Kontrag FROM Konsignation WHERE Payed IS NULL "
                          "OR Payed <> 'True') ORDER BY Ime_Firma");
}

State state(long long counterparty, long long contract)
{
    State s;
    s.contract = contract;
    const int last = Db::scalar(QStringLiteral("SELECT MAX(ID) FROM Vnoski WHERE ID_Konsign = ?"), {contract}).toInt();
    const long long paid = percentPaid(contract, last);
    if (paid < WholePercent) {
        s.current = last > 0 ? last : 1;
        s.paidPercent = paid;
    } else {
        s.current = last + 1;
    }
    const auto c = Db::firstRow(QStringLiteral("SELECT Broj_Vnosk, Lihva, First_Vnosk, Payed FROM Konsignation WHERE "
                                               "ID_Kontrag = ? AND ID = ?"),
                                {counterparty, contract});
    if (!c || c->value(0).toInt() <= 0)
        return s;
    s.exists = true;
    s.count = c->value(0).toInt();
    s.rate = Decimal::fromVariant(c->value(1));
    s.downPayment = Decimal::fromVariant(c->value(2));
    s.closed = c->value(3).toString() == QLatin1String("True");
    s.purchase = purchaseOf(Db::rows(QStringLiteral("SELECT P.Kol, P.ED_Cena, V.Kurs, P.T_O FROM Prodajbi P JOIN "
                                                    "Valuti V ON V.Opisanie = P.Valuta WHERE P.ID_Klient = ? AND "
                                                    "P.Konsign_N = ?"),
                                     {counterparty, contract}));
    s.total = CALCULATE_KONSIGNACION_SUM(s.count, s.purchase, s.downPayment, s.rate);
    s.paidUp = s.current > s.count;
    if (s.paidUp)
        return s;
    const QList<Decimal> parts = instalments(s.total, s.count);
    s.instalment = parts.at(s.current - 1);
    s.rest = s.instalment - partOf(s.instalment, s.paidPercent);
    s.contractRest = s.rest;
    for (int k = s.current; k < s.count; ++k)
        s.contractRest += parts.at(k);
    return s;
}

QString goodsSql()
{
    return QStringLiteral("SELECT P.ID_Art, PR.Opisanie, P.Kol, P.ED_Cena AS Ed_Cena, P.Valuta, P.T_O, P.Operator "
                          "FROM Prodajbi P LEFT JOIN Produkti PR ON PR.ID = P.ID_Art WHERE P.ID_Klient = ? AND "
                          "P.Konsign_N = ? ORDER BY P.ID_Red");
}

Payment pay(long long counterparty, long long contract, bool partial, const QString &typed, const QString &op,
            int terminal, long long warehouse)
{
    Payment p;
    Decimal amount;
    if (partial) {
        QString error;
        const std::optional<Decimal> t = Decimal::parse(typed, 2, &error);
        if (!t) {
            p.message = QStringLiteral("Сумата за частично плащане: ") + error;
            return p;
        }
        amount = *t;
    }
    try {
        WriteTransaction tx;
        const State s = state(counterparty, contract);
        if (!s.exists) {
            p.message = QStringLiteral("Няма такъв договор на контрагента.");
            return p;
        }
        if (s.closed) {
            p.message = QStringLiteral("Всички вноски по договора са изплатени.");
            return p;
        }
        if (s.contractRest <= Decimal()) {
            // Nothing is owed (today's rates, goods cancelled): the contract closes, no money is taken.
            close(counterparty, contract);
            tx.commit();
            p.ok = p.closed = true;
            p.instalment = s.current;
            return p;
        }
        if (s.rest <= Decimal()) {
            amount = Decimal(); // an instalment of 0 is complete as it is
        } else {
            if (!partial)
                amount = s.rest;
            if (amount <= Decimal() || amount > s.rest) {
                p.message = QStringLiteral("Сумата трябва да бъде над 0 и не повече от остатъка от вноската (%1).")
                                .arg(s.rest.toString(2));
                return p;
            }
        }
        // The percent of the instalment paid after this payment, worked out from
        // the money paid, so the credit is exact to the stotinka however many
        // parts; the whole rest completes the instalment exactly.
        long long percent = WholePercent - s.paidPercent;
        if (amount < s.rest)
            percent = std::min(percentOf(s.instalment - s.rest + amount, s.instalment), WholePercent - 1)
                      - s.paidPercent;
        Db::execute(QStringLiteral("INSERT INTO Vnoski (ID, Data_Pay, ID_Konsign, Procent_pay) VALUES (?, ?, ?, ?)"),
                    {s.current, Dates::todayIso(), contract, storedPercent(percent)});
        if (amount > Decimal()) {
            insertPaymentRecord(amount, counterparty, op, terminal, warehouse);
            queueReceipt(s.current, contract, amount, op, terminal);
        }
        if (s.contractRest - amount <= Decimal()) {
            close(counterparty, contract);
            p.closed = true;
        }
        tx.commit();
        p.instalment = s.current;
    } catch (const std::exception &e) {
        p.message = QStringLiteral("Вноската не беше записана:\n") + QString::fromUtf8(e.what());
        p.closed = false;
        return p;
    }
    DeviceFileWriter::instance().flushSoon();
    p.ok = true;
    p.amount = amount;
    return p;
}

QStringList contractLines(const ContractText &t)
{
    QStringList out;
    const QString date = Dates::toShort(t.handOver);
    out << QString() << pad(QStringLiteral("ПРИЕМО - ПРЕДАВАТЕЛЕН ПРОТОКОЛ "), 40) << QString();
    out << pad(QStringLiteral("ДОГОВОР ЗА ОТЛОЖЕНО ПЛАЩАНЕ N: "), 30) + QString::number(t.number)
               + QStringLiteral(" / ") + date
        << QString();
    out << QStringLiteral("Днес ") + date + QStringLiteral(", представител на ")
               + ReceiptFiles::padCut(Settings::readString(Keys::Firm_Data_Name), 35, 35);
    out << QStringLiteral("представляван от  ") + Settings::readString(Keys::Firm_Data_Mol)
        << QStringLiteral("със седалище и адрес на управление ") + Settings::readString(Keys::Firm_Data_Adress)
        << QStringLiteral("Булстат: ") + Settings::readString(Keys::Firm_Data_EIK) << QString()
        << QStringLiteral("предаде стоката: ") << QString();
    out << QStringLiteral("+-----Описание---------------+--Кол--+--Ед. цена--+-Валута-+");
    QString currency;
    for (const ContractLine &l : t.lines) {
        out << goodsRow(l.opisanie, Numbers::toText(l.kol), Numbers::toText(l.edCena), l.valuta);
        currency = l.valuta;
    }
    out << QStringLiteral("+----------------------------+-------+------------+--------+") << QString();
    const auto f = Db::firstRow(QStringLiteral("SELECT F.Ime_Firma, F.Grad, F.Adres_Firma, F.EIK, K.Ime_Klient, K.EGN, "
                                               "F.Telefon FROM Firmi F JOIN Klienti K ON K.ID = F.ID_Mol WHERE F.ID = ?"),
                                {t.counterparty});
    const auto v = [&](int i) { return f ? f->value(i).toString() : QString(); };
    out << QStringLiteral("На: ") + v(0) << QStringLiteral("с адресна регистрация: ") + v(1) + QStringLiteral(", ") + v(2)
        << QStringLiteral("Булстат: ") + v(3) << QStringLiteral("представлявана от :") + v(4)
        << QStringLiteral("ЕГН: ") + v(5) << QStringLiteral("телефон: ") + v(6) << QString() << QString();
    out << pad(QStringLiteral(" С ПОГАСИТЕЛНА СХЕМА"), 40) << QString()
        << pad(QStringLiteral("КЪМ ДОГОВОР ЗА ЛИЗИНГ N: "), 30) + QString::number(t.number) + QStringLiteral(" / ")
               + date
        << QString() << QString();
    out << pad(QStringLiteral("Първоначална вноска  ") + Money::fixed(t.downPayment, 4) + QStringLiteral(" ,")
                   + currency,
               40);
    const QList<Decimal> parts = instalments(t.total, t.count);
    for (int k = 1; k <= parts.size(); ++k)
        out << pad(QString::number(k) + QStringLiteral(" вноска  ") + Money::fixed(parts.at(k - 1), 4)
                       + QStringLiteral(" ,") + currency,
                   30)
                   + pad(QStringLiteral("да се внесе до дата : ") + dottedDate(dueDate(t.handOver, t.period, k)), 40);
    out << QString() << QString() << QString();
    out << QStringLiteral("Обща сума на задължението: ") + Money::fixed(t.total.rounded(2) + t.downPayment, PriceDecimals)
               + QStringLiteral(", ") + currency;
    out << QString() << QString() << QString() << QString()
        << QStringLiteral("      Приел:...........             Предал:..............   ") << QString()
        << QStringLiteral("      /               /              ") + t.op << QString() << QString() << QString()
        << QString() << QLatin1Char('\t') + ReportFooter;
    return out;
}

QStringList noteLines(const NoteText &t)
{
    QStringList out;
    out << QStringLiteral("+----------------------------------------------------------+");
    if (t.partial)
        out << QStringLiteral("|") + left(QStringLiteral("ЧАСТИЧНО ПЛАЩАНЕ - ВНОСКА КЪМ КРЕДИТ: ") + QString::number(t.contract), 40)
                   + pad(QStringLiteral("|"), 19);
    else
        out << QStringLiteral("|") + pad(QStringLiteral("ВНОСКА КЪМ КРЕДИТ: ") + QString::number(t.contract), 40)
                   + pad(QStringLiteral("|"), 19);
    out << QStringLiteral("|----------------------------------------------------------|");
    out << pad(QStringLiteral("|     Дата:") + Dates::todayShort() + QLatin1Char(' ') + Dates::nowTimeText(), 20)
               + pad(QStringLiteral("|"), 30);
    out << QStringLiteral("|     Клиент: ") + ReceiptFiles::padCut(t.counterpartyText, 35, 35) + pad(QStringLiteral("|"), 11);
    out << QStringLiteral("|     Вноска N:") + left(QString::number(t.instalment) + QStringLiteral(";От общо:") + t.count, 44)
               + QStringLiteral("|");
    out << QStringLiteral("|     За стоката:") + pad(QStringLiteral("|"), 43);
    out << QStringLiteral("+-----Описание---------------+--Кол--+--Ед. цена--+-Валута-+");
    for (const QSqlRecord &r : t.goods)
        out << goodsRow(r.value(QStringLiteral("Opisanie")).toString(),
                        Numbers::toText(r.value(QStringLiteral("Kol")).toDouble()),
                        Numbers::toText(r.value(QStringLiteral("Ed_Cena")).toDouble()),
                        r.value(QStringLiteral("Valuta")).toString());
    out << QStringLiteral("+----------------------------------------------------------+");
    if (t.partial) {
        out << left(QStringLiteral("|     Сума:") + Money::fixed(t.typed, 2) + QStringLiteral(", лева"), 59)
                   + QStringLiteral("|");
        out << left(QStringLiteral("|     ОСТАТЪК:") + Money::fixed(std::max(Decimal(), t.rest - t.typed), 2)
                        + QStringLiteral(", лева"),
                    59)
                   + QStringLiteral("|");
    } else {
        out << left(QStringLiteral("|     Сума:") + Money::fixed(t.instalmentAmount, 2) + QStringLiteral(", лева"), 59)
                   + QStringLiteral("|");
    }
    out << QStringLiteral("|                                                          |")
        << QStringLiteral("|     Приел:...........             Предал:..............  |")
        << QStringLiteral("+----------------------------------------------------------+") << QString() << QString()
        << QLatin1Char('\t') + ReportFooter;
    return out;
}

} // namespace Consignment
