#pragma once
#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <QVariantList>

#include <optional>

// The service reception's pending lines (Priem_Ser_Vremen) and their
// acceptance into intakes (Priem_Ser). Every pending line belongs to the
// operator who entered it: it is listed, accepted and deleted by that exact
// name.
namespace Reception {
inline constexpr int FirstState = 1; // every accepted intake starts here
inline constexpr int ServiceOrigin = 2; // the print log's origin of this tab

struct Line {
    long long article = -1; // Barkod: -1 for free text
    QString serial;         // S_N
    QString description;    // Opisanie
    QString reason;         // Pri4ina
    bool warranty = false;  // Gar
    QString warrantyDocument;
    QDate warrantyDocumentDate;
    long long client = 0;
    QDate taken;
    QTime takenAt;
    QString operatorName;
    double price = 0;
    QString currency;
    long long supplier = 0;
    QString model;
    QString batch;
    QDate repairBy; // Krai_Data
};

// The operator's pending lines, by number.
struct ListQuery {
    QString sql;
    QVariantList params;
};
ListQuery pending(const QString &operatorName);

// A price as typed, rounded to the price decimals; false when it is no number.
bool parsePrice(const QString &typed, int decimals, double *price);
// The reason memo's lines joined with nothing between them, at most 255 characters.
QString joinReason(const QString &memoText);

// Adds the line; returns its number. Throws DbError.
long long add(const Line &line);

// Accepts the lines (numbers in grid order), last to first, in one
// transaction: each pending row of the operator becomes an intake with its
// own number and the first state, and the pending row goes. A line that is
// no longer pending (accepted or cancelled meanwhile) rolls everything back.
// Returns an empty text on success, else why nothing was accepted.
QString accept(const QList<long long> &lines, const QString &operatorName);

// Deletes the operator's lines and the print-log rows made for them from the
// service tab, in one transaction. Throws DbError.
void cancel(const QList<long long> &lines, const QString &operatorName);

// The clients (ID_Kontrag) of the lines, each once, in grid order. Throws DbError.
QList<long long> clientsOf(const QList<long long> &lines, const QString &operatorName);

// A logged service line by its number: from the pending lines, the intakes
// or the archive, in that order. Quantity 1; the price and currency taken in.
struct LoggedLine {
    long long number = 0;
    long long article = -1;
    QString description;
    double quantity = 1;
    double price = 0;
    QString currency;
    QString serial;
};
std::optional<LoggedLine> loggedLine(long long number); // throws DbError
// The same lines as one SELECT, named as sales are: ID_Prodajba, ID_Art,
// Opisanie, Kol, ED_Cena, Valuta, T_O, Pored_Ot (the serial), Pored_Do,
// then Stage (0 pending, 1 intake, 2 archive). The issued-documents report
// reads service documents' lines through it.
QString loggedLinesSql();
} // namespace Reception
