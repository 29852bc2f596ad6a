// A seeded random run of the shop's money and stock operations through the
// module calls the windows make, checked after every operation against the
// test's own exact model (exact_model.h). Each check names the fault it
// would see. VENTAROS_EXACT_SEED repeats a run,
// VENTAROS_EXACT_OPERATIONS sets its length (5 000).
#include "exact_model.h"

#include "app/app_state.h"
#include "app/currency_rates.h"
#include "catalogue/deliveries.h"
#include "catalogue/stock_taking.h"
#include "catalogue/stock_transfer.h"
#include "common/cp1251.h"
#include "common/settings.h"
#include "desk/consignment.h"
#include "desk/desk_lines.h"
#include "desk/desk_money.h"
#include "desk/sale.h"
#include "desk/sales_cancel.h"
#include "platform/db/database.h"
#include "test_registry.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

using namespace ExactModel;

namespace {
const QString Op = QStringLiteral("Иван");
const QStringList Currencies = {QStringLiteral("BGN"), QStringLiteral("EUR"), QStringLiteral("USD")};
constexpr int Articles = 12;
constexpr int Warehouses = 2;

struct Article {
    X price;          // Ed_Cena as stored
    QString currency; // Valuta_P
    int group = 1;
    int vatGroup = 0; // Dan_Grup, 0 to 3
};

struct OpenLine {
    long long article = 0;
    X quantity, price, discount;
    QString currency;
};

struct SoldRow {
    long long article = 0, warehouse = 0, contract = 0;
    X quantity, price, discount;
    QString currency;
};

struct Contract {
    long long counterparty = 0;
    int count = 1;
    X rate, down;
    QList<long long> goods;     // rows (ID_Red) still on it
    QMap<int, QList<X>> paid;   // percents per instalment
    X cash;                     // the instalments' payments
    bool stable = true;         // no rate changed and no goods cancelled while open
    bool closed = false;
};

class Run
{
public:
    explicit Run(quint32 seed) : rng(seed) {}
    void setUp();
    void step(int i);
    void finalCheck();
    QString failure; // the first check that failed, naming its fault
    QMap<QString, int> done; // operations and outcomes, for the log

private:
    // --- operations ---
    void deskLine();
    void discount();
    void sale();
    void instalment();
    void delivery();
    void move(bool transfer);
    void stockTaking();
    void cancel();
    void rateChange();

    // --- checks ---
    bool expect(bool ok, const QString &fault, const QString &what);
    void checkStock();
    void checkOpenLines();
    void checkContract(long long id);
    void checkTails();

    // --- the model ---
    X rate(const QString &currency) const { return rates.value(currency); }
    X line(const OpenLine &l) const { return lineAmount(l.quantity, l.price, rate(l.currency), l.discount); }
    X goods(const SoldRow &r) const { return lineAmount(r.quantity, r.price, rate(r.currency), r.discount); }
    X ruleFor(long long article, long long counterparty) const;
    X randomMoney(int minDecimals, int maxDecimals, long long maxWhole);
    X randomQuantity(long long maxThousandths);
    long long pick(long long n) { return (long long)rng.bounded(quint64(n)); }
    void addStock(long long article, long long warehouse, X q) { stock[{article, warehouse}] += q; }
    struct ContractState {
        int current = 1;
        X instalment, rest, contractRest;
        bool paidUp = false;
    };
    ContractState contractState(const Contract &c) const;

    QRandomGenerator rng;
    int priceDecimals = 2;
    QMap<QString, X> rates;
    QMap<QString, long long> rateIds;
    QMap<long long, Article> articles;
    QMap<QPair<long long, long long>, X> stock;
    QMap<long long, OpenLine> open;      // by N_Prodajba
    QMap<long long, SoldRow> sold;       // by ID_Red, goods rows not cancelled
    QMap<long long, Contract> contracts; // by ID
    long long deskCounterparty = 0;
    long long deliveries = 0, counts = 0;
    long long lastRow = 0, lastPaid = 0;
    QString kind; // of the operation running, for the messages
    int index = 0;
};

// ------------------------------------------------------------------ set-up

void Run::setUp()
{
    Settings::writeInteger(Keys::Tuning_FB, 2); // cash sales print a fiscal receipt
    const auto exec = [](const QString &sql, const QVariantList &p = {}) { Db::execute(sql, p); };
    for (int w = 1; w <= Warehouses; ++w)
        exec(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (?, ?)"),
             {w, QStringLiteral("Склад %1").arg(w)});
    rates[QStringLiteral("BGN")] = X::of(1, 0);
    for (const auto &[name, r] : {std::pair{QStringLiteral("EUR"), QStringLiteral("1.95583")},
                                 std::pair{QStringLiteral("USD"), QStringLiteral("1.72345")}}) {
        long long id = 0;
        QVERIFY(CurrencyRates::add(name, r, QStringLiteral("False"), &id).isEmpty());
        rates[name] = X::text(r);
        rateIds[name] = id;
    }
    exec(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Стоки'), (2, 'Храни')"));
    exec(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient) VALUES (1, 'Петър')"));
    // 5 no discount, 6 a trade discount of 5 %, 7 rules for an article and a group.
    exec(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol, T_O) VALUES (5, 'Чаша ООД', 1, 0), "
                        "(6, 'Лъжица ООД', 1, 5), (7, 'Вилица ООД', 1, 2.5)"));
    exec(QStringLiteral("INSERT INTO SP_otstapka (ID_Klient, Otnasq_se_za, ID_Art_Gr, T_O, Suma_Up) VALUES "
                        "(7, 'A', 3, 12.5, 0), (7, 'G', 2, 3.25, 0)"));
    exec(QStringLiteral("INSERT INTO Rab_Dokumenti (Opisanie) VALUES ('Фактура')"));
    exec(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (9, 'Доставчик ООД', 1)"));
    for (long long a = 1; a <= Articles; ++a) {
        Article art;
        art.price = randomMoney(2, 4, 300);
        art.currency = Currencies.at(pick(3));
        art.group = a % 3 == 0 ? 2 : 1;
        art.vatGroup = int(a % 4); // several VAT groups on most bills
        articles[a] = art;
        exec(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka, Dan_Grup, "
                            "Max_TO) VALUES (?, ?, ?, ?, ?, 'кг.', ?, 0)"),
             {a, art.group, QStringLiteral("Артикул %1").arg(a), art.price.toDouble(), art.currency, art.vatGroup});
    }
}

// ------------------------------------------------------------------ helpers

// From 1 up to `maxWhole`, with `minDecimals` to `maxDecimals` decimals.
X Run::randomMoney(int minDecimals, int maxDecimals, long long maxWhole)
{
    const int d = minDecimals + int(pick(maxDecimals - minDecimals + 1));
    const long long unit = (long long)pow10(d);
    return X::of(unit + pick((maxWhole - 1) * unit), d).tidy();
}

X Run::randomQuantity(long long maxThousandths)
{
    return X::of(1 + pick(maxThousandths), 3).tidy();
}

X Run::ruleFor(long long article, long long counterparty) const
{
    if (counterparty == 7)
        return article == 3 ? X::text(QStringLiteral("12.5"))
                            : articles.value(article).group == 2 ? X::text(QStringLiteral("3.25"))
                                                                 : X::text(QStringLiteral("2.5"));
    return counterparty == 6 ? X::of(5, 0) : X();
}

bool Run::expect(bool ok, const QString &fault, const QString &what)
{
    if (!ok && failure.isEmpty())
        failure = QStringLiteral("operation %1 (%2): %3: %4").arg(index).arg(kind, fault, what);
    return ok;
}

Run::ContractState Run::contractState(const Contract &c) const
{
    ContractState s;
    X purchase;
    for (long long row : c.goods)
        purchase += goods(sold.value(row));
    const QList<X> parts = split(debt(purchase, c.down, c.rate, c.count), c.count);
    int last = 0;
    for (auto it = c.paid.begin(); it != c.paid.end(); ++it)
        last = std::max(last, it.key());
    X percent;
    for (const X &p : c.paid.value(last))
        percent += p;
    if (percent < Hundred) {
        s.current = std::max(last, 1);
    } else {
        s.current = last + 1;
        percent = X();
    }
    s.paidUp = s.current > c.count;
    if (s.paidUp)
        return s;
    s.instalment = parts.at(s.current - 1);
    s.rest = s.instalment - X::div(s.instalment * percent, Hundred, 2);
    s.contractRest = s.rest;
    for (int k = s.current; k < c.count; ++k)
        s.contractRest += parts.at(k);
    return s;
}

// ------------------------------------------------------------------ operations

void Run::step(int i)
{
    index = i;
    if (i > 0 && i % 1000 == 0) {
        // [Values] 9 between 2 and 4 (the desk reads it at the login).
        priceDecimals = priceDecimals == 2 ? 4 : 2;
        Settings::writeInteger(Keys::Values_9, priceDecimals);
        PriceDecimals = priceDecimals;
    }
    const int r = int(pick(100));
    if (r < 28)
        deskLine();
    else if (r < 32)
        discount();
    else if (r < 50)
        sale();
    else if (r < 62)
        instalment();
    else if (r < 72)
        delivery();
    else if (r < 77)
        move(true);
    else if (r < 82)
        move(false);
    else if (r < 86)
        stockTaking();
    else if (r < 95)
        cancel();
    else
        rateChange();
    if (!failure.isEmpty())
        return;
    ++done[kind];
    checkStock();
    checkOpenLines();
    checkTails();
}

void Run::deskLine()
{
    kind = QStringLiteral("ред на каса");
    if (open.isEmpty())
        deskCounterparty = QList<long long>{0, 0, 5, 6, 7}.at(pick(5));
    const long long a = 1 + pick(Articles);
    const Article &art = articles[a];
    OpenLine l;
    l.article = a;
    l.quantity = randomQuantity(pick(4) == 0 ? 5000 : 20000);
    l.currency = art.currency;
    // The price the desk shows, accepted, or one typed lower.
    const X shown = art.price.round(priceDecimals);
    X entered = shown;
    if (pick(4) == 0 && shown > X::of(1, 0))
        entered = (shown - X::of(1 + pick(100), 2)).round(priceDecimals);
    DeskLines::NewLine n;
    n.article = a;
    n.quantityText = l.quantity.str(3);
    n.priceText = entered.str(priceDecimals);
    n.listPrice = *Decimal::fromText(art.price.str());
    n.counterparty = deskCounterparty;
    n.op = Op;
    n.terminal = 1;
    n.priceDecimals = priceDecimals;
    const DeskLines::InsertResult result = DeskLines::insertLine(n);
    if (!expect(result.outcome == DeskLines::InsertResult::Written, QStringLiteral("desk"),
                 QStringLiteral("line not written")))
        return;
    const X rule = ruleFor(a, deskCounterparty);
    l.price = shown;
    l.discount = !rule.isZero() ? rule : X::div((shown - entered) * Hundred, shown, priceDecimals);
    const long long key = Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong();
    open[key] = l;
}

void Run::discount()
{
    kind = QStringLiteral("отстъпка");
    if (open.isEmpty())
        return;
    const QList<long long> lines = open.keys();
    if (pick(10) == 0) {
        // F11 above 100 %: refused, nothing changes.
        const X percent = X::of(10001 + pick(5000), 2).tidy();
        bool refused = false;
        try {
            DeskLines::applyGeneralDiscount(lines, *Decimal::fromText(percent.str()));
        } catch (const DbError &) {
            refused = true;
        }
        expect(refused, QStringLiteral("fault 1 (discount over 100 %)"),
               QStringLiteral("a free discount of %1 % taken").arg(percent.str()));
    } else if (pick(2) == 0) {
        // F11: a free discount from 0 to 100 %.
        const X percent = X::of(pick(10001), 2).tidy();
        DeskLines::applyGeneralDiscount(lines, *Decimal::fromText(percent.str()));
        for (long long n : lines)
            open[n].discount = percent;
    } else {
        deskCounterparty = QList<long long>{5, 6, 7}.at(pick(3));
        DeskLines::applyCounterparty(lines, deskCounterparty, true);
        for (long long n : lines)
            open[n].discount = ruleFor(open[n].article, deskCounterparty);
    }
}

void Run::sale()
{
    kind = QStringLiteral("продажба");
    if (open.isEmpty())
        return;
    QList<long long> lines;
    for (long long n : open.keys())
        if (pick(4) != 0)
            lines << n;
    if (lines.isEmpty())
        lines << open.firstKey();
    const int pay = deskCounterparty > 0 ? int(pick(3)) : int(pick(2));
    const long long warehouse = 1 + pick(Warehouses);
    X exact;
    QMap<int, X> groups; // each VAT group's exact amount
    for (long long n : lines) {
        exact += line(open[n]);
        groups[articles[open[n].article].vatGroup] += line(open[n]);
    }
    const X due = exact.round(priceDecimals);

    Sale::Request q;
    q.lines = lines;
    q.payType = pay;
    q.counterparty = deskCounterparty;
    q.op = Op;
    q.terminal = 1;
    q.warehouse = warehouse;
    Contract contract;
    Consignment::Draft draft;
    if (pay == Sale::Deferred) {
        // As the contract window makes it: the marked lines into its work table, its purchase.
        Consignment::createWorkTable();
        for (long long n : lines)
            Consignment::insertIntoWorkTable(*Consignment::GETDATA_TO_KONSIGNATION(n));
        draft.purchase = Consignment::workTablePurchase();
        expect(X::text(draft.purchase.toString()) == exact.round(8), QStringLiteral("fault 2 (instalments)"),
               QStringLiteral("contract purchase %1, the lines make %2").arg(draft.purchase.toString(), exact.str()));
        contract.counterparty = deskCounterparty;
        contract.count = 1 + int(pick(6));
        contract.rate = pick(2) == 0 ? X() : X::of(pick(400), 2).tidy();
        const X purchase2 = exact.round(2);
        contract.down = pick(2) == 0 || purchase2 <= X::of(1, 2) ? X() : X::of(pick(purchase2.units(2)), 2).tidy();
        draft.shownNumber = contracts.size() + 1;
        draft.counterparty = deskCounterparty;
        draft.handOver = draft.finalDate = QDate(2026, 12, 7);
        draft.count = contract.count;
        draft.method = contract.down.isZero() ? Consignment::EqualInstalments : Consignment::WithDownPayment;
        draft.downPayment = *Decimal::fromText(contract.down.str());
        draft.rate = *Decimal::fromText(contract.rate.str());
        draft.openLines = lines;
        q.inTransaction = [&q, draft] { q.contract = Consignment::insertContract(draft, q.op, q.terminal, q.warehouse); };
    }
    Db::execute(QStringLiteral("DELETE FROM Pending_Files"));
    const Sale::Result result = Sale::sell(q);
    if (pay == Sale::Deferred)
        Consignment::dropWorkTable();
    if (!expect(result.ok, QStringLiteral("desk"), QStringLiteral("sale refused: ") + result.message))
        return;
    // The lines' exact sum, and the amount due the payment window shows from it.
    expect(X::text(result.total.rounded(8).toString()) == exact.round(8)
               && X::text(DeskMoney::amountDue(result.total, priceDecimals).toString()) == due,
           QStringLiteral("fault 7 (desk amount due)"),
           QStringLiteral("sum %1, due %2; exactly %3, due %4")
               .arg(result.total.rounded(8).toString(), DeskMoney::amountDue(result.total, priceDecimals).toString(), exact.str(),
                    due.str()));
    if (pay == Sale::Deferred) {
        const long long id = contracts.size() + 1;
        expect(q.contract == id, QStringLiteral("document numbers"),
               QStringLiteral("contract %1, expected %2").arg(q.contract).arg(id));
        contracts[q.contract] = contract;
    }
    // The sales records: one per line, numbered by the line, as the model holds it.
    for (long long n : lines) {
        const auto row = Db::firstRow(QStringLiteral("SELECT ID_Red, ID_Art, Kol, ED_Cena, Valuta, T_O, Konsign_N, "
                                                     "Sklad_ID, Type_Pay, ID_Klient FROM Prodajbi WHERE ID_Prodajba = ?"),
                                      {n});
        if (!expect(row.has_value(), QStringLiteral("document numbers"), QStringLiteral("no sale of line %1").arg(n)))
            return;
        const OpenLine &l = open[n];
        const SoldRow s{l.article, warehouse, pay == Sale::Deferred ? q.contract : 0, l.quantity, l.price,
                        l.discount, l.currency};
        expect(row->value(1).toLongLong() == l.article && X::stored(row->value(2).toDouble(), 3) == l.quantity
                   && X::stored(row->value(3).toDouble(), 4) == l.price
                   && X::stored(row->value(5).toDouble(), 4) == l.discount && row->value(4).toString() == l.currency
                   && row->value(6).toLongLong() == s.contract && row->value(7).toLongLong() == warehouse
                   && row->value(8).toString() == Sale::payTypes().at(pay),
               QStringLiteral("fault 7 (sales records)"),
               QStringLiteral("line %1 recorded as %2 %3 × %4 %5 less %6 %, contract %7, warehouse %8, %9")
                   .arg(n)
                   .arg(row->value(1).toLongLong())
                   .arg(row->value(2).toDouble())
                   .arg(row->value(3).toDouble())
                   .arg(row->value(4).toString())
                   .arg(row->value(5).toDouble())
                   .arg(row->value(6).toLongLong())
                   .arg(row->value(7).toLongLong())
                   .arg(row->value(8).toString()));
        sold[row->value(0).toLongLong()] = s;
        if (pay == Sale::Deferred)
            contracts[q.contract].goods << row->value(0).toLongLong();
        addStock(l.article, warehouse, -l.quantity);
        open.remove(n);
    }
    if (pay == Sale::Deferred)
        checkContract(q.contract);
    if (pay != Sale::Cash)
        return;
    // The fiscal receipt: its records total the amount due.
    const QList<QSqlRecord> files = Db::rows(QStringLiteral("SELECT Bytes FROM Pending_Files"));
    if (!expect(files.size() == 1, QStringLiteral("fault 6 (fiscal records)"), QStringLiteral("no receipt")))
        return;
    long long total = 0;
    QMap<int, long long> charged; // stotinki by VAT group, records and corrections
    QMap<int, int> corrections;
    for (const QString &t : Cp1251::decode(files.first().value(0).toByteArray()).split(QStringLiteral("\r\n"))) {
        if (!t.startsWith(QLatin1Char('%')))
            continue;
        const QStringList f = t.split(QLatin1Char('^'));
        // The device multiplies each record's price by its quantity and rounds.
        const long long amount = (long long)divRound(i128(f.value(2).toLongLong()) * f.value(3).toLongLong(), 1000);
        const int group = f.value(4).toInt();
        if (!expect(f.size() == 6 && f.value(2).toLongLong() >= 0 && groups.contains(group),
                    QStringLiteral("issue 76 (VAT groups)"), QStringLiteral("record \"%1\"").arg(t)))
            return;
        if (f.value(1) == QLatin1String("КОРЕКЦИЯ:"))
            ++corrections[group];
        total += amount;
        charged[group] += amount;
    }
    const X payable = exact.round(std::min(priceDecimals, 2));
    expect(total == payable.units(2), QStringLiteral("fault 6 (fiscal records)"),
           QStringLiteral("records total %1 stotinki, amount due %2").arg(total).arg(payable.str()));
    // Each VAT group charges its own exact amount to the stotinka (one more or
    // less where the groups must add up to the amount due), in at most one
    // correction of its own: no money moves between groups.
    for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
        const long long own = it.value().units(2);
        expect(std::abs(charged.value(it.key()) - own) <= 1 && corrections.value(it.key()) <= 1,
               QStringLiteral("issue 76 (VAT groups)"),
               QStringLiteral("group %1 charged %2 stotinki in %3 corrections, its lines make %4")
                   .arg(it.key())
                   .arg(charged.value(it.key()))
                   .arg(corrections.value(it.key()))
                   .arg(it.value().str()));
    }
}

void Run::instalment()
{
    kind = QStringLiteral("вноска");
    QList<long long> openOnes;
    for (auto it = contracts.begin(); it != contracts.end(); ++it)
        if (!it->closed)
            openOnes << it.key();
    if (openOnes.isEmpty())
        return;
    const long long id = openOnes.at(pick(openOnes.size()));
    Contract &c = contracts[id];
    const ContractState s = contractState(c);
    const int how = int(pick(10));
    const bool partial = how < 5 && s.rest > X::of(1, 2);
    X amount = s.rest;
    if (partial)
        amount = how == 0 ? s.rest + X::of(1, 2) // more than the rest: refused
                          : X::of(1 + pick(s.rest.units(2) - 1), 2).tidy();
    lastPaid = id;
    const Consignment::Payment p = Consignment::pay(c.counterparty, id, partial, amount.str(2), Op, 1, 1);
    const bool refused = partial && amount > s.rest;
    if (!expect(p.ok != refused, QStringLiteral("fault 2 (instalments)"),
                QStringLiteral("contract %1: payment of %2 %3 (%4)")
                    .arg(id)
                    .arg(amount.str(2), p.ok ? QStringLiteral("taken") : QStringLiteral("refused"), p.message)))
        return;
    if (refused)
        return;
    if (s.contractRest <= X()) {
        expect(p.closed && X::text(p.amount.toString()).isZero(), QStringLiteral("fault 3 (closing at zero)"),
               QStringLiteral("contract %1 with rest %2 not closed").arg(id).arg(s.contractRest.str(2)));
        c.closed = true;
        ++done[QStringLiteral("договор закрит при остатък 0 или по-малко")];
        return;
    }
    const X paid = s.rest <= X() ? X() : amount;
    expect(X::text(p.amount.toString()) == paid, QStringLiteral("fault 2 (instalments)"),
           QStringLiteral("contract %1 took %2 for %3").arg(id).arg(p.amount.toString(), paid.str(2)));
    X percent;
    for (const X &x : c.paid.value(s.current))
        percent += x;
    X credit = Hundred - percent;
    if (paid < s.rest) {
        const X after = X::div((s.instalment - s.rest + paid) * Hundred, s.instalment, 12);
        credit = std::min(after, Hundred - X::of(1, 12)) - percent;
    }
    c.paid[s.current] << credit;
    c.cash += paid;
    c.closed = s.contractRest - paid <= X();
    expect(p.closed == c.closed, QStringLiteral("fault 3 (closing at zero)"),
           QStringLiteral("contract %1 %2").arg(id).arg(p.closed ? QStringLiteral("closed early")
                                                                  : QStringLiteral("left open at zero")));
    if (c.closed) {
        ++done[QStringLiteral("договор изплатен")];
        // Paid in all: the debt to the stotinka, when it stayed what it was at the sale.
        X purchase;
        for (long long row : c.goods)
            purchase += goods(sold.value(row));
        const X owed = debt(purchase, c.down, c.rate, c.count).round(2);
        expect(!c.stable || c.cash == owed, QStringLiteral("fault 2 (instalments)"),
               QStringLiteral("contract %1 closed after %2 paid of %3").arg(id).arg(c.cash.str(2), owed.str(2)));
        return;
    }
    // A part credits what was paid: the rest falls by exactly that.
    const ContractState after = contractState(c);
    expect(paid == s.rest || after.rest == s.rest - paid, QStringLiteral("fault 2 (instalments)"),
           QStringLiteral("contract %1: %2 paid of %3 leaves %4").arg(id).arg(paid.str(2), s.rest.str(2), after.rest.str(2)));
    checkContract(id);
}

void Run::delivery()
{
    kind = QStringLiteral("доставка");
    const long long warehouse = 1 + pick(Warehouses);
    const int lines = 1 + int(pick(3));
    QList<std::pair<long long, X>> moved;
    for (int i = 0; i < lines; ++i) {
        Deliveries::LineInput l;
        l.article = 1 + pick(Articles);
        const X q = randomQuantity(30000);
        l.quantity = *Decimal::fromText(q.str());
        const X dp = randomMoney(2, 4, 200), sp = randomMoney(2, 4, 300);
        l.deliveryPrice = *Decimal::fromText(dp.str());
        l.salePrice = *Decimal::fromText(sp.str());
        l.deliveryCurrency = l.saleCurrency = Currencies.at(pick(3));
        l.unit = QStringLiteral("кг.");
        if (!expect(Deliveries::addLine(l, deliveries + 1) > 0, QStringLiteral("fault 5 (quantities)"),
                    QStringLiteral("line of %1 refused").arg(q.str())))
            return;
        // A fourth decimal is refused.
        Deliveries::LineInput extra = l;
        extra.quantity = *Decimal::fromText(q.str(3) + QStringLiteral("5"));
        QString refusal;
        expect(Deliveries::addLine(extra, deliveries + 1, &refusal) == 0 && !refusal.isEmpty(),
               QStringLiteral("fault 5 (quantities)"), QStringLiteral("a quantity of four decimals taken"));
        moved.append({l.article, q});
        articles[l.article].price = sp.round(priceDecimals);
        articles[l.article].currency = l.saleCurrency;
    }
    Deliveries::Head h;
    h.deliveryDate = h.documentDate = QDate(2026, 12, 7);
    h.deliveryTime = QTime(10, 0);
    h.supplier = 9;
    h.documentKind = 1;
    h.warehouse = warehouse;
    QString refusal;
    const long long id = Deliveries::save(h, &refusal);
    ++deliveries;
    expect(id == deliveries, QStringLiteral("document numbers"),
           QStringLiteral("delivery %1, expected %2 %3").arg(id).arg(deliveries).arg(refusal));
    for (const auto &[a, q] : moved)
        addStock(a, warehouse, q);
}

void Run::move(bool transfer)
{
    kind = transfer ? QStringLiteral("трансфер") : QStringLiteral("брак");
    StockMoveList list(transfer ? StockMoveList::Transfer : StockMoveList::WriteOff);
    list.create();
    const long long from = 1 + pick(Warehouses), to = from == 1 ? 2 : 1;
    const int lines = 1 + int(pick(3));
    QList<std::pair<long long, X>> moved;
    for (int i = 0; i < lines; ++i) {
        const long long a = 1 + pick(Articles);
        // Often all of the stock there, so it reaches zero.
        X q = stock.value({a, from});
        if (q <= X() || pick(2) == 0)
            q = randomQuantity(10000);
        QString refusal;
        if (!expect(list.addLine(a, *Decimal::fromText(q.str()), from, transfer ? to : 0, &refusal) > 0,
                    QStringLiteral("fault 5 (quantities)"), refusal))
            return;
        moved.append({a, q});
    }
    QString refusal;
    expect(list.save(&refusal), QStringLiteral("fault 7 (stock)"), refusal);
    list.drop();
    for (const auto &[a, q] : moved) {
        addStock(a, from, -q);
        if (transfer)
            addStock(a, to, q);
    }
}

void Run::stockTaking()
{
    kind = QStringLiteral("ревизия");
    StockTaking::prepare();
    const long long warehouse = 1 + pick(Warehouses);
    QMap<long long, X> counted;
    const int lines = 1 + int(pick(4));
    for (int i = 0; i < lines; ++i) {
        const long long a = 1 + pick(3); // often one article in several lines
        const X q = pick(5) == 0 ? X() : randomQuantity(5000);
        if (!expect(StockTaking::addLine(a, *Decimal::fromText(q.str()), warehouse) > 0,
                    QStringLiteral("fault 5 (quantities)"), QStringLiteral("count of %1 refused").arg(q.str())))
            return;
        counted[a] += q;
    }
    const long long id = StockTaking::save({QDate(2026, 12, 7), QTime(10, 0), QStringLiteral("x"), warehouse}, nullptr);
    ++counts;
    expect(id == counts, QStringLiteral("document numbers"), QStringLiteral("count %1, expected %2").arg(id).arg(counts));
    for (auto it = counted.begin(); it != counted.end(); ++it)
        stock[{it.key(), warehouse}] = it.value();
}

void Run::cancel()
{
    kind = QStringLiteral("анулиране");
    if (sold.isEmpty())
        return;
    const long long row = sold.keys().at(pick(sold.size()));
    const SoldRow s = sold.take(row);
    const bool restore = pick(4) != 0;
    const SalesCancel::Outcome done = SalesCancel::cancel(row, QStringLiteral("Върната стока"), Op, restore, 1);
    if (!expect(done == SalesCancel::Cancelled, QStringLiteral("fault 7 (stock)"), QStringLiteral("not cancelled")))
        return;
    if (restore)
        addStock(s.article, s.warehouse, s.quantity);
    if (s.contract > 0 && contracts.contains(s.contract)) {
        contracts[s.contract].goods.removeAll(row);
        contracts[s.contract].stable = false;
        if (!contracts[s.contract].closed)
            checkContract(s.contract);
    }
}

void Run::rateChange()
{
    kind = QStringLiteral("курс");
    const QString currency = pick(2) == 0 ? QStringLiteral("EUR") : QStringLiteral("USD");
    const X r = X::of(150000 + pick(50001), 5).tidy();
    if (!expect(CurrencyRates::setRate(rateIds[currency], r.str()).isEmpty(), QStringLiteral("rates"),
                QStringLiteral("rate %1 refused").arg(r.str())))
        return;
    rates[currency] = r;
    for (auto it = contracts.begin(); it != contracts.end(); ++it)
        if (!it->closed) {
            it->stable = false;
            checkContract(it.key());
        }
}

// ------------------------------------------------------------------ checks

void Run::checkStock()
{
    QMap<QPair<long long, long long>, X> found;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Art_ID, Sklad_ID, Kol FROM Store_Kol"))) {
        const double kol = r.value(2).toDouble();
        const QPair<long long, long long> key{r.value(0).toLongLong(), r.value(1).toLongLong()};
        if (!expect(noTail(kol, 3), QStringLiteral("fault 7 (stock)"),
                    QStringLiteral("article %1 warehouse %2 holds %3")
                        .arg(key.first)
                        .arg(key.second)
                        .arg(QString::number(kol, 'g', 17))))
            return;
        found[key] = X::stored(kol, 3);
    }
    QMap<QPair<long long, long long>, X> all = found;
    all.insert(stock);
    for (auto it = all.begin(); it != all.end(); ++it)
        if (!expect(found.value(it.key()) == stock.value(it.key()), QStringLiteral("fault 7 (stock)"),
                    QStringLiteral("article %1 warehouse %2: %3, exactly %4")
                        .arg(it.key().first)
                        .arg(it.key().second)
                        .arg(found.value(it.key()).str(), stock.value(it.key()).str())))
            return;
}

void Run::checkOpenLines()
{
    const QList<QSqlRecord> rows =
        Db::rows(QStringLiteral("SELECT N_Prodajba, Kol, Ed_Cena, T_O FROM Prodajbi_Vremenni ORDER BY N_Prodajba"));
    if (!expect(rows.size() == open.size(), QStringLiteral("desk"), QStringLiteral("open lines differ")))
        return;
    for (const QSqlRecord &r : rows) {
        const OpenLine l = open.value(r.value(0).toLongLong());
        expect(X::stored(r.value(1).toDouble(), 3) == l.quantity, QStringLiteral("fault 5 (quantities)"),
               QStringLiteral("line %1 quantity").arg(r.value(0).toLongLong()));
        expect(X::stored(r.value(2).toDouble(), 4) == l.price, QStringLiteral("fault 4 (shown price)"),
               QStringLiteral("line %1 price %2, expected %3")
                   .arg(r.value(0).toLongLong())
                   .arg(r.value(2).toDouble())
                   .arg(l.price.str()));
        expect(X::stored(r.value(3).toDouble(), 4) == l.discount, QStringLiteral("fault 1/4 (discount)"),
               QStringLiteral("line %1 discount %2, expected %3")
                   .arg(r.value(0).toLongLong())
                   .arg(r.value(3).toDouble())
                   .arg(l.discount.str()));
    }
}

void Run::checkContract(long long id)
{
    const Contract &c = contracts[id];
    const Consignment::State s = Consignment::state(c.counterparty, id);
    const ContractState m = contractState(c);
    const auto x = [](const Decimal &d) { return X::text(d.toString()); };
    expect(s.current == m.current && s.paidUp == m.paidUp, QStringLiteral("fault 2 (instalments)"),
           QStringLiteral("contract %1 at instalment %2, expected %3").arg(id).arg(s.current).arg(m.current));
    if (m.paidUp)
        return;
    expect(x(s.instalment) == m.instalment && x(s.rest) == m.rest && x(s.contractRest) == m.contractRest,
           QStringLiteral("fault 2 (instalments)"),
           QStringLiteral("contract %1: instalment %2 rest %3 of %4, expected %5 %6 of %7")
               .arg(id)
               .arg(s.instalment.toString(), s.rest.toString(), s.contractRest.toString(), m.instalment.str(),
                    m.rest.str(), m.contractRest.str()));
}

void Run::checkTails()
{
    // The rows written since the last check (by key), each value to its scale.
    const auto scan = [this](const QString &sql, const QVariantList &params, const QList<int> &scales,
                             const QString &what) {
        for (const QSqlRecord &r : Db::rows(sql, params))
            for (int i = 0; i < scales.size(); ++i)
                if (!r.value(i + 1).isNull() && !expect(noTail(r.value(i + 1).toDouble(), scales.at(i)),
                                                        QStringLiteral("fault 7 (binary tail)"),
                                                        QStringLiteral("%1 %2 column %3 holds %4")
                                                            .arg(what)
                                                            .arg(r.value(0).toLongLong())
                                                            .arg(i + 1)
                                                            .arg(QString::number(r.value(i + 1).toDouble(), 'g', 17))))
                    return;
    };
    scan(QStringLiteral("SELECT ID_Red, Kol, ED_Cena, T_O FROM Prodajbi WHERE ID_Red > ?"), {lastRow}, {3, 4, 4},
         QStringLiteral("Prodajbi"));
    lastRow = Db::scalar(QStringLiteral("SELECT COALESCE(MAX(ID_Red), 0) FROM Prodajbi")).toLongLong();
    scan(QStringLiteral("SELECT N_Prodajba, Kol, Ed_Cena, T_O, SUM_BezDDS, Bez_DDS FROM Prodajbi_Vremenni"), {},
         {3, 4, 4, 4, 4}, QStringLiteral("Prodajbi_Vremenni"));
    scan(QStringLiteral("SELECT ID_Dostavka, Kolitchestvo, Dostavna_Cena, Prodajna_Cena FROM Dostavka_art WHERE "
                        "ID_Dostavka = ?"),
         {deliveries}, {3, 4, 4}, QStringLiteral("Dostavka_art"));
    scan(QStringLiteral("SELECT ID_Rev, Nal_Kol, Otkr_Kol FROM Revision_Art WHERE ID_Rev = ?"), {counts}, {3, 3},
         QStringLiteral("Revision_Art"));
    scan(QStringLiteral("SELECT ID, First_Vnosk, Lihva FROM Konsignation WHERE ID = ?"), {contracts.size()}, {2, 4},
         QStringLiteral("Konsignation"));
    scan(QStringLiteral("SELECT ID_Konsign, Procent_pay FROM Vnoski WHERE ID_Konsign = ?"), {lastPaid}, {12},
         QStringLiteral("Vnoski"));
    scan(QStringLiteral("SELECT ID, Ed_Cena FROM Produkti"), {}, {4}, QStringLiteral("Produkti"));
}

void Run::finalCheck()
{
    kind = QStringLiteral("край");
    for (auto it = contracts.begin(); it != contracts.end(); ++it) {
        const bool closed = Db::scalar(QStringLiteral("SELECT Payed FROM Konsignation WHERE ID = ?"), {it.key()})
                                .toString()
                            == QLatin1String("True");
        expect(closed == it->closed, QStringLiteral("fault 3 (closing at zero)"),
               QStringLiteral("contract %1 closed %2").arg(it.key()).arg(closed));
        if (!it->closed)
            checkContract(it.key());
    }
}

quint32 seed()
{
    const quint32 s = qEnvironmentVariableIsSet("VENTAROS_EXACT_SEED")
                          ? quint32(qEnvironmentVariableIntValue("VENTAROS_EXACT_SEED"))
                          : QRandomGenerator::global()->generate();
    qInfo("seed %u (VENTAROS_EXACT_SEED repeats the run)", s);
    return s;
}
} // namespace

class ExactRandomTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { PriceDecimals = 4; }

    void randomRun()
    {
        // In memory when the machine has it: thousands of commits, each synced on a disk.
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        TestProgram program(true, shm.isDir() && shm.isWritable() ? shm.filePath() : QString());
        const quint32 s = seed();
        const int operations = qEnvironmentVariableIsSet("VENTAROS_EXACT_OPERATIONS")
                                   ? qEnvironmentVariableIntValue("VENTAROS_EXACT_OPERATIONS")
                                   : 5000;
        Run run(s);
        run.setUp();
        PriceDecimals = 2;
        Settings::writeInteger(Keys::Values_9, 2);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < operations && run.failure.isEmpty(); ++i)
            run.step(i);
        if (run.failure.isEmpty())
            run.finalCheck();
        qInfo("%d operations in %lld ms", operations, t.elapsed());
        for (auto it = run.done.begin(); it != run.done.end(); ++it)
            qInfo("%s: %d", qPrintable(it.key()), it.value());
        QVERIFY2(run.failure.isEmpty(), qPrintable(QStringLiteral("seed %1, ").arg(s) + run.failure));
    }
};

VTEST(ExactRandomTest)
#include "test_exact_random.moc"
