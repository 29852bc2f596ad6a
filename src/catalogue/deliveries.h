#pragma once
#include "common/decimal.h"

#include <QDate>
#include <QPair>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariantList>

#include <optional>

// A delivery from a supplier: its lines wait in DostavkiTMP, each row owned
// by one workstation (Rab_Mqsto) and keyed by N, until the save turns them
// into a Dostavki head with its Dostavka_art lines, adds every delivered
// quantity to the warehouse's stock and sets the articles' prices.
namespace Deliveries {
// The values of one line as the window holds them (already parsed).
struct LineInput {
    long long article = 0;
    Decimal deliveryPrice; // stored at the price decimals
    QString deliveryCurrency;
    Decimal salePrice;
    QString saleCurrency;
    Decimal quantity; // above 0, at most three decimals
    QString unit;
    bool withVat = true;
};

// Suppliers as "<ID>:<Ime_Firma>" for the supplier field: a text led by
// "+" searches the VAT number, by "-" the EIK, anything else the name (each
// contained, case-insensitive); an empty text lists every counterparty.
QStringList suppliers(const QString &typed); // throws DbError

// The units offered: the usual ones and every unit in use, sorted, once each.
QStringList units(); // throws DbError

// What the line fields show of an article: its stored unit and its two
// currencies, since a save writes them back to the article. A currency that
// Valuti lacks (or none) shows as the base currency. Throws DbError.
struct ArticleFields {
    QString unit;
    QString deliveryCurrency;
    QString saleCurrency;
};
ArticleFields articleFields(const QSqlRecord &article);

// The article a typed number names: the own number, or (supplierNumbers)
// the supplier's catalogue number. Throws DbError.
std::optional<QSqlRecord> articleByNumber(const QString &typed, bool supplierNumbers, long long supplier);
std::optional<QSqlRecord> article(long long id); // throws DbError
// An article's stock in a warehouse, in every warehouse when `warehouse` is
// not above 0. Throws DbError.
Decimal stock(long long article, long long warehouse);

// The window's lists: the currencies in their order, the document kinds as
// "<ID>:<Opisanie>". Throw DbError.
QStringList currencies();
QStringList documentKinds();
// A currency's rate; nothing when Valuti lacks it. Throws DbError.
std::optional<Decimal> rate(const QString &currency);

// The line grid's columns: field and title, in grid order.
QList<QPair<QString, QString>> lineColumns();

// The printed delivery: the lines above the line grid and below it.
struct Printout {
    QDate deliveryDate;
    QTime deliveryTime;
    QString supplier, documentKind, documentNumber, warehouse, note; // as the window shows them
    QDate documentDate;
    Decimal due, cash, bank, unpaid;
};
QStringList printoutHead(const Printout &p);
QStringList printoutTail(const Printout &p);

// This workstation's name in Rab_Mqsto.
QString workstation();

// Adds a line of this workstation for an existing article (its description
// is copied); returns its N, 0 (nothing written) when the article does not
// exist or the quantity is not above 0 with at most three decimals (then
// *refusal says so). Throws DbError.
long long addLine(const LineInput &line, long long deliveryNumber, QString *refusal = nullptr);
// Replaces this workstation's line N; false when it is gone or the quantity
// is not acceptable. Throws DbError.
bool updateLine(long long n, const LineInput &line);
bool removeLine(long long n);
int removeAll(); // this workstation's lines; throws DbError
int lineCount(); // this workstation's lines

// "Доставка" of the catalogue's group tree: one line per article of the
// group (delivery price 0 in the sale currency, quantity 0, with VAT).
// Returns the number of lines added. Throws DbError.
int addGroup(long long groupKey);

// The grid statement: this workstation's lines in entry order, each with
// Suma_D = delivery price * quantity * rate and Kurs (both empty when the
// line's currency is missing from Valuti).
QString linesSql(QVariantList *params);

// Exact: each line's price * quantity * rate, summed.
struct Sums {
    ExactSum total;    // every line with a known rate, in the base currency
    ExactSum excluded; // of which lines whose price excludes VAT
    Decimal net;       // VAT split of total - excluded as shown: with two decimals,
    Decimal vat;       // adding up to it
    Decimal cash;     // total in stotinki - bank - unpaid (may be negative)
    int unknownCurrency = 0; // lines whose currency Valuti lacks
};
// Throws DbError; std::invalid_argument when the VAT percent is unusable.
Sums sums(Decimal bank, Decimal unpaid);

struct Head {
    QDate deliveryDate;
    QTime deliveryTime;
    long long supplier = 0; // Firmi.ID
    long long documentKind = 0; // Rab_Dokumenti.ID
    QDate documentDate;
    QString documentNumber;
    QString note;
    long long warehouse = 0; // Sklad.ID_Sklad
    Decimal cash, bank, unpaid; // stored in stotinki
};

inline constexpr const char *NoSupplier = "Непълни данни за Доставчик";
inline constexpr const char *NoWarehouse = "Непълни данни за Склад";
inline constexpr const char *NegativeQuantity =
    "Доставката съдържа редове с количество под 0.\n"
    "Поправете количеството им или ги изтрийте преди записа.";
inline constexpr const char *UnknownCurrency =
    "Доставката съдържа редове с валута, която липсва в курсовете на валутите.\n"
    "Поправете валутата им или ги изтрийте преди записа.";
// What a window says before the reason of a DbError from save().
inline constexpr const char *NotSaved = "Доставката не беше записана; наличностите и цените не са променени.\n";

// Saves the delivery in one write transaction: a new number, the head, one
// Dostavka_art row, one stock addition and one price update per line with a
// quantity (lines of quantity 0 are left out), then this workstation's lines
// are removed. A supplier, document kind or warehouse that does not exist, a
// line whose currency Valuti lacks or whose quantity is below 0 (left by an
// older program) refuses the save (*refusal gets the
// message, nothing is written, 0 is returned). Returns the delivery number.
// A database failure throws DbError and writes nothing.
long long save(const Head &head, QString *refusal);
} // namespace Deliveries

// The price arithmetic of the delivery window, exact to the fourth decimal
// (each result shown "%3.4f").
namespace DeliveryPrices {
// Markup percent of a sale price over a delivery price; nothing when the
// delivery price is 0.
std::optional<Decimal> markup(Decimal delivery, Decimal sale);
Decimal saleFromMarkup(Decimal delivery, Decimal percent);
Decimal deliveryFromDiscount(Decimal sale, Decimal percent);
QString text(Decimal value); // "%3.4f"
} // namespace DeliveryPrices
