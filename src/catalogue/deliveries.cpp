#include "catalogue/deliveries.h"

#include "app/app_state.h"
#include "app/currency_rates.h"
#include "app/list_export.h"
#include "app/next_number.h"
#include "app/record_ops.h"
#include "catalogue/article_record.h"
#include "catalogue/stock_transfer.h"
#include "catalogue/stock_writer.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

#include <QSqlRecord>

namespace {
QString vatFlag(bool withVat)
{
    return withVat ? QStringLiteral("True") : QStringLiteral("False");
}

// A price as a line stores it: at the price decimals.
double price(Decimal value)
{
    return value.rounded(PriceDecimals).toDouble();
}

bool exists(const QString &sql, long long key)
{
    return key > 0 && Db::firstRow(sql, {key}).has_value();
}
} // namespace

QStringList Deliveries::suppliers(const QString &typed)
{
    QString column = QStringLiteral("Ime_Firma");
    QString text = typed;
    if (typed.startsWith(QLatin1Char('+')) || typed.startsWith(QLatin1Char('-'))) {
        column = typed.startsWith(QLatin1Char('+')) ? QStringLiteral("Dan_N") : QStringLiteral("EIK");
        text = typed.mid(1);
    }
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Ime_Firma FROM Firmi WHERE UPPER(%1) LIKE UPPER(?) "
                                                       "ESCAPE '\\' ORDER BY Ime_Firma, ID")
                                            .arg(column),
                                        {Db::likeContains(text.trimmed())}))
        out << ReferenceText::make(r.value(0).toLongLong(), r.value(1).toString());
    return out;
}

QStringList Deliveries::units()
{
    QStringList out = {QStringLiteral("бр."), QStringLiteral("кг."), QStringLiteral("гр."), QStringLiteral("л."),
                       QStringLiteral("пакет"), QStringLiteral("стек"), QStringLiteral("кашон"),
                       QStringLiteral("кв.м.")};
    for (const QString &u : ArticleRecord::unitsInUse())
        if (!u.isEmpty())
            out << u;
    out.removeDuplicates();
    out.sort();
    return out;
}

Deliveries::ArticleFields Deliveries::articleFields(const QSqlRecord &article)
{
    const auto currency = [&article](const char *field) {
        const QString c = article.value(QString::fromLatin1(field)).toString();
        return Db::firstRow(QStringLiteral("SELECT ID FROM Valuti WHERE Opisanie = ?"), {c}) ? c
                                                                                             : CurrencyRates::baseCurrency();
    };
    return {article.value(QStringLiteral("Mqrka")).toString(), currency("Valuta_D"), currency("Valuta_P")};
}

std::optional<QSqlRecord> Deliveries::articleByNumber(const QString &typed, bool supplierNumbers, long long supplier)
{
    if (supplierNumbers)
        return Db::firstRow(QStringLiteral("SELECT p.* FROM Nomenklatures n JOIN Produkti p ON p.ID = n.ID "
                                           "WHERE n.Nomenkl_N = ? AND n.ID_Kontrag = ?"),
                            {typed, supplier});
    return article(GetID_MFromTreeNodeName(typed));
}

std::optional<QSqlRecord> Deliveries::article(long long id)
{
    return Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = ?"), {id});
}

Decimal Deliveries::stock(long long article, long long warehouse)
{
    return StockMoveList::stock(article, warehouse);
}

QStringList Deliveries::currencies()
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Opisanie FROM Valuti ORDER BY ID")))
        out << r.value(0).toString();
    return out;
}

QStringList Deliveries::documentKinds()
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Opisanie FROM Rab_Dokumenti ORDER BY ID")))
        out << ReferenceText::make(r.value(0).toLongLong(), r.value(1).toString());
    return out;
}

std::optional<Decimal> Deliveries::rate(const QString &currency)
{
    const QVariant kurs = Db::scalar(QStringLiteral("SELECT Kurs FROM Valuti WHERE Opisanie = ?"), {currency});
    if (!kurs.isValid())
        return std::nullopt;
    return Decimal::fromVariant(kurs);
}

QList<QPair<QString, QString>> Deliveries::lineColumns()
{
    static const char *const columns[][2] = {
        {"Nomer_Produkt", "Арт. №"},    {"Opisanie", "Описание"},          {"Dostavna_Cena", "Доставна цена"},
        {"Valuta_D", "Валута"},         {"Kolitchestvo", "Доставено кол."}, {"Mqrka", "Мярка"},
        {"Suma_D", "Общо в лв"},        {"Prodajna_Cena", "Продажна цена"}, {"Valuta_P", "Валута"},
        {"Have_DDS", "Вкл. ДДС"}};
    QList<QPair<QString, QString>> out;
    for (const auto &c : columns)
        out.append({QString::fromLatin1(c[0]), QString::fromUtf8(c[1])});
    return out;
}

QStringList Deliveries::printoutHead(const Printout &p)
{
    return {QString(),
            QStringLiteral("\tДОСТАВКА АРТИКУЛИ"),
            QStringLiteral("\t") + Dates::todayShort() + QLatin1Char(' ') + Dates::nowTimeText(),
            QString(),
            QStringLiteral("\tДата на доставка :") + Dates::toShort(p.deliveryDate) + QStringLiteral(", ")
                + Dates::timeText(p.deliveryTime),
            QStringLiteral("\tДОСТАВЧИК: ") + p.supplier,
            QStringLiteral("\tДокумент: ") + p.documentKind,
            QStringLiteral("\tДокумент N: ") + p.documentNumber + QStringLiteral("\tОт дата: ")
                + Dates::toShort(p.documentDate),
            QStringLiteral("\tСклад: ") + p.warehouse,
            QStringLiteral("\tЗабележка: ") + p.note};
}

QStringList Deliveries::printoutTail(const Printout &p)
{
    return {QString(),
            QString(),
            QStringLiteral("\tДължима сума: ") + Money::format42(p.due),
            QStringLiteral("\tПлатено в брой: ") + Money::format42(p.cash),
            QStringLiteral("\tПлатено по банка: ") + Money::format42(p.bank),
            QStringLiteral("\tНе платено: ") + Money::format42(p.unpaid),
            QString(),
            QStringLiteral("\t") + ReportFooter};
}

QString Deliveries::workstation()
{
    return WorkTables::workstationKey();
}

long long Deliveries::addLine(const LineInput &line, long long deliveryNumber, QString *refusal)
{
    if (!StockQuantity::acceptable(line.quantity)) {
        if (refusal)
            StockQuantity::parse(line.quantity.toString(), refusal);
        return 0;
    }
    const auto article = Db::firstRow(QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = ?"), {line.article});
    if (!article)
        return 0;
    WriteTransaction tx;
    Db::execute(QStringLiteral("INSERT INTO DostavkiTMP (Rab_Mqsto, ID_Dostavka, Nomer_Produkt, Opisanie, "
                               "Dostavna_Cena, Valuta_D, Prodajna_Cena, Valuta_P, Kolitchestvo, Mqrka, Have_DDS) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {workstation(), deliveryNumber, line.article, article->value(0), price(line.deliveryPrice),
                 line.deliveryCurrency, price(line.salePrice), line.saleCurrency, line.quantity.toDouble(), line.unit,
                 vatFlag(line.withVat)});
    const long long n = Db::scalar(QStringLiteral("SELECT MAX(N) FROM DostavkiTMP WHERE Rab_Mqsto = ?"),
                                   {workstation()})
                            .toLongLong();
    tx.commit();
    return n;
}

bool Deliveries::updateLine(long long n, const LineInput &line)
{
    if (!StockQuantity::acceptable(line.quantity))
        return false;
    const auto article = Db::firstRow(QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = ?"), {line.article});
    if (!article)
        return false;
    return Db::execute(QStringLiteral("UPDATE DostavkiTMP SET Nomer_Produkt = ?, Opisanie = ?, Dostavna_Cena = ?, "
                                      "Valuta_D = ?, Prodajna_Cena = ?, Valuta_P = ?, Kolitchestvo = ?, Mqrka = ?, "
                                      "Have_DDS = ? WHERE N = ? AND Rab_Mqsto = ?"),
                       {line.article, article->value(0), price(line.deliveryPrice), line.deliveryCurrency,
                        price(line.salePrice), line.saleCurrency, line.quantity.toDouble(), line.unit,
                        vatFlag(line.withVat), n, workstation()})
           > 0;
}

bool Deliveries::removeLine(long long n)
{
    return Db::execute(QStringLiteral("DELETE FROM DostavkiTMP WHERE N = ? AND Rab_Mqsto = ?"), {n, workstation()})
           > 0;
}

int Deliveries::removeAll()
{
    return Db::execute(QStringLiteral("DELETE FROM DostavkiTMP WHERE Rab_Mqsto = ?"), {workstation()});
}

int Deliveries::lineCount()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM DostavkiTMP WHERE Rab_Mqsto = ?"), {workstation()})
        .toInt();
}

int Deliveries::addGroup(long long groupKey)
{
    return Db::execute(QStringLiteral("INSERT INTO DostavkiTMP (Rab_Mqsto, Nomer_Produkt, Opisanie, Dostavna_Cena, "
                                      "Valuta_D, Prodajna_Cena, Valuta_P, Kolitchestvo, Mqrka, Have_DDS) "
                                      "SELECT ?, ID, Opisanie, 0, Valuta_P, Ed_Cena, Valuta_P, 0, Mqrka, 'True' "
                                      "FROM Produkti WHERE Nomer_Grupa = ? ORDER BY ID"),
                       {workstation(), groupKey});
}

QString Deliveries::linesSql(QVariantList *params)
{
    *params = {workstation()};
    return QStringLiteral("SELECT d.N, d.ID_Dostavka, d.Nomer_Produkt, d.Opisanie, d.Dostavna_Cena, d.Valuta_D, "
                          "d.Kolitchestvo, d.Mqrka, d.Dostavna_Cena * d.Kolitchestvo * v.Kurs AS Suma_D, "
                          "d.Prodajna_Cena, d.Valuta_P, d.Have_DDS, v.Kurs "
                          "FROM DostavkiTMP d LEFT JOIN Valuti v ON v.Opisanie = d.Valuta_D "
                          "WHERE d.Rab_Mqsto = ? ORDER BY d.N");
}

Deliveries::Sums Deliveries::sums(Decimal bank, Decimal unpaid)
{
    Sums s;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT d.Dostavna_Cena, d.Kolitchestvo, v.Kurs, d.Have_DDS "
                                                       "FROM DostavkiTMP d LEFT JOIN Valuti v ON v.Opisanie = "
                                                       "d.Valuta_D WHERE d.Rab_Mqsto = ?"),
                                        {workstation()})) {
        if (r.value(2).isNull()) {
            ++s.unknownCurrency;
            continue;
        }
        const ExactSum amount = ExactSum::product(
            {Decimal::fromVariant(r.value(0)), Decimal::fromVariant(r.value(1)), Decimal::fromVariant(r.value(2))});
        s.total += amount;
        if (r.value(3).toString() != QLatin1String("True"))
            s.excluded += amount;
    }
    const DdsSplit split = GET_DDS((s.total - s.excluded).rounded(2));
    s.net = split.netShown();
    s.vat = split.vatShown();
    s.cash = s.total.rounded(2) - bank - unpaid;
    return s;
}

long long Deliveries::save(const Head &head, QString *refusal)
{
    auto refuse = [refusal](const char *text) {
        if (refusal)
            *refusal = QString::fromUtf8(text);
        return 0LL;
    };
    WriteTransaction tx;
    // Checked inside the transaction: another workstation may have removed them.
    const auto supplier = Db::firstRow(QStringLiteral("SELECT Ime_Firma FROM Firmi WHERE ID = ?"), {head.supplier});
    if (head.supplier <= 0 || !supplier
        || !exists(QStringLiteral("SELECT ID FROM Rab_Dokumenti WHERE ID = ?"), head.documentKind))
        return refuse(NoSupplier);
    if (!exists(QStringLiteral("SELECT ID_Sklad FROM Sklad WHERE ID_Sklad = ?"), head.warehouse))
        return refuse(NoWarehouse);
    const QString station = workstation();
    if (Db::scalar(QStringLiteral("SELECT COUNT(*) FROM DostavkiTMP d LEFT JOIN Valuti v ON v.Opisanie = d.Valuta_D "
                                  "WHERE d.Rab_Mqsto = ? AND v.ID IS NULL"),
                   {station})
            .toInt()
        > 0)
        return refuse(UnknownCurrency);
    if (Db::firstRow(QStringLiteral("SELECT N FROM DostavkiTMP WHERE Rab_Mqsto = ? AND Kolitchestvo < 0"), {station}))
        return refuse(NegativeQuantity);

    const long long id = NextNumber::next(QStringLiteral("Dostavki"), QStringLiteral("ID"));
    const QString supplierName = supplier->value(0).toString();
    const QList<QSqlRecord> lines = Db::rows(
        QStringLiteral("SELECT Nomer_Produkt, Dostavna_Cena, Valuta_D, Prodajna_Cena, Valuta_P, Kolitchestvo, Mqrka "
                       "FROM DostavkiTMP WHERE Rab_Mqsto = ? AND Kolitchestvo > 0 ORDER BY N"),
        {station});
    const QString warehouse = QString::number(head.warehouse);
    for (const QSqlRecord &l : lines) {
        Db::execute(QStringLiteral("INSERT INTO Dostavka_art (ID_Dostavka, Nomer_Produkt, Dostavna_Cena, Valuta_D, "
                                   "Prodajna_Cena, Valuta_P, Kolitchestvo, Mqrka) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                    {id, l.value(0), l.value(1), l.value(2), l.value(3), l.value(4), l.value(5), l.value(6)});
        GET_NALI4NOST(l.value(0).toString(), warehouse, Decimal::fromVariant(l.value(5)), 0);
        Db::execute(QStringLiteral("UPDATE Produkti SET Ed_Cena = ?, Valuta_P = ?, Mqrka = ?, Dostavna_Cena = ?, "
                                   "Valuta_D = ?, Dostav4ik = ? WHERE ID = ?"),
                    {l.value(3), l.value(4), l.value(6), l.value(1), l.value(2), supplierName, l.value(0)});
    }
    Db::execute(QStringLiteral("INSERT INTO Dostavki (ID, Data_Dostavka, Time_Dostavka, Nomer_Dostav4ik, "
                               "Vid_Dokument, Data_Dokument, Nomer_Dokument, Zabel, ID_Sklad, Pay_Cach, Pay_Bank, "
                               "Pay_Not) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {id, Dates::toIso(head.deliveryDate), Dates::timeText(head.deliveryTime), head.supplier,
                 head.documentKind, Dates::toIso(head.documentDate), head.documentNumber.left(12), head.note,
                 head.warehouse, head.cash.rounded(2).toDouble(), head.bank.rounded(2).toDouble(),
                 head.unpaid.rounded(2).toDouble()});
    Db::execute(QStringLiteral("DELETE FROM DostavkiTMP WHERE Rab_Mqsto = ?"), {station});
    tx.commit();
    return id;
}

std::optional<Decimal> DeliveryPrices::markup(Decimal delivery, Decimal sale)
{
    if (delivery.isZero())
        return std::nullopt;
    return Decimal::mulDivRounded(sale - delivery, Decimal(100), delivery, 4);
}

Decimal DeliveryPrices::saleFromMarkup(Decimal delivery, Decimal percent)
{
    return delivery + Decimal::mulDivRounded(delivery, percent, Decimal(100), 4);
}

Decimal DeliveryPrices::deliveryFromDiscount(Decimal sale, Decimal percent)
{
    return sale - Decimal::mulDivRounded(sale, percent, Decimal(100), 4);
}

QString DeliveryPrices::text(Decimal value)
{
    return Money::formatWidth(value, 3, 4);
}
