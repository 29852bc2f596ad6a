#pragma once
#include <QList>
#include <QPair>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <optional>

// The offer being composed: its lines in the workstation's work table
// Oferta_TMP, the price correction, the totals in leva and the comparison of
// one position's alternatives. Currencies are matched to Valuti by their
// trimmed, case-folded name; a repeated name counts once, at its smallest
// rate. A line whose currency has no rate stays in the offer but in no sum.
namespace OfferLines {
inline constexpr const char *WorkTable = "Oferta_TMP";
inline constexpr const char *StockFirm = "В наличност";

void createTable(); // creates it, or empties it when it exists; throws DbError
void dropTable();   // throws DbError

// The operator and correction applied to a base price.
struct Correction {
    QChar op;       // + - * /
    double value = 0;
    QString typed;  // the correction as typed, trimmed
    double apply(double price) const;
    QString korekt() const; // "<op> <typed>", e.g. "* 1.2"
};
// An operator other than + - * /, a correction that is no number (point or
// comma) or a division by 0 gives no correction and a Bulgarian *error.
std::optional<Correction> parseCorrection(const QString &op, const QString &typed, QString *error);

struct Line {
    QString grup, opisanie;
    double kol = 1, cena = 0, cena2 = 0, cena3 = 0;
    QString valuta, firma;
    long long mark = 1;
    QString korekt, katN;
};
// A catalogue row (Grupa, Opisanie, Cena_1..3, Valuta, Firma, Kat_N).
Line fromCatalogue(const QSqlRecord &row, double kol, long long mark, const Correction &c);
// An article of the own register (ID, Opisanie, Ed_Cena, Valuta_P, Nomenkl_N).
Line fromStock(const QSqlRecord &row, double kol, long long mark, const Correction &c);

void insert(const Line &line); // throws DbError
void remove(const QList<long long> &ids); // one transaction; throws DbError
QList<long long> markers(); // the markers that have lines, ascending; throws DbError

// Σ Kol × Cena × rate over the lines with a rate; throws DbError.
double total();
// The currencies (as the lines write them, trimmed) of lines without a rate.
QStringList currenciesWithoutRate(); // throws DbError

struct Comparison {
    bool hasLines = false; // the position has a line with a rate
    double sum = 0;        // Σ Kol × column × rate
    QString minText = QStringLiteral("0.0000"), maxText = QStringLiteral("0.0000"); // "%4.4f"
};
// priceColumn 1 compares Cena, 2 Cena_2, 3 Cena_3. Throws DbError.
Comparison compare(long long marker, int priceColumn);

// The offer grid's listing, every line of every position (on its first
// line; a sort goes on the second).
QString gridSql(int priceColumn);
// The ORDER BY field for an output field of the listing.
QString sortField(const QString &outputField);
// "%4.4f" of a value, as the comparison marks it.
QString markText(double value);
} // namespace OfferLines

// The mandatory elements of an offer: the N-th (in ID order) is position N's.
namespace MandatoryElements {
struct Element {
    long long id = 0;
    QString opisanie;
    QString text() const; // "<ID>:<Opisanie>"
};
QList<Element> load(); // throws DbError
Element add(const QString &opisanie); // next ID, Checked "False"; throws DbError
} // namespace MandatoryElements
