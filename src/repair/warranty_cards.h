#pragma once
#include <QDate>
#include <QList>
#include <QString>

// Supplier warranty cards: the pieces of the card being entered wait in the
// work table "Serials_TMP"; a save moves them to Serials under the card's
// row of Garancia_dostavtchik, all in one transaction.
namespace WarrantyCards {
inline constexpr const char *WorkTable = "Serials_TMP";

// Validity choices of the card window, in list order.
enum Validity { UntilDate = 0, InDays = 1, InMonths = 2 };
// The valid-until date of a piece: a month counts 30 days. An invalid date
// for UntilDate (the picker's own date is taken there).
QDate validUntil(int validity, const QDate &cardDate, int term);

// Creates the work table, or empties the one left over. Throws DbError.
void createWorkTable();
void dropWorkTable(); // throws DbError
// The number a new card is shown with (largest + 1). Throws DbError.
long long nextCardNumber();

struct Piece {
    long long article = 0;
    QString description; // the article's Opisanie, kept in the work table only
    QString model;
    QString batch;
    QString serial;
    QDate validUntil;
};
// Adds a piece to the work table under the card number. Throws DbError.
void addPiece(long long card, const Piece &piece);
// Removes work rows by their N. Throws DbError.
void removePieces(const QList<long long> &rows);
long long pieceCount(); // throws DbError

struct Header {
    long long shownNumber = 0;
    long long supplier = 0; // Firmi.ID
    long long kind = 0;     // Rab_Dokumenti.ID
    QString documentNumber; // the supplier's, at most 12 characters
    QDate date;
    QString note;
};

// The refusals of a save, before anything is written.
QString noPiecesMessage();    // "Няма въведени серийни номера"
QString noSupplierMessage();  // "Необходимо е да се посочи Контрагент"
QString noKindMessage();      // "Няма вид документ. ..."

struct SaveResult {
    long long number = 0; // the card number used (0 when refused)
    QString refusal;      // a check's message; nothing written
};
// One transaction: the card number (the shown one when still free, else the
// next), the articles marked warranted, the card, its serials and the work
// table emptied. A DbError rolls everything back and passes on.
SaveResult save(const Header &header);

// The warranty-product import into the work table under `card`: per piece
// field 1 article, 2 batch, 3 model, 4 serial, 5 valid-until; field 7 the
// supplier's document number, 8 the card date, 9 the note. Reads the whole
// file first; nothing is written when a line fails.
struct ImportResult {
    bool ok = false;
    QString error;         // "Грешка в ред <n> на файла", or why the file could not be read
    QString documentNumber;
    QString note;
    QDate date;            // today when no line has field 8
    int pieces = 0;
};
ImportResult importFile(const QString &path, long long card); // throws DbError
} // namespace WarrantyCards
