#pragma once
#include <QDate>
#include <QString>

#include <optional>

// What the shop knows about a piece by its serial number: the supplier's
// warranty card that covers it, the sale in which it left the shop, and its
// model and batch. Every look-up asks the exact text first (an indexed
// equality) and compares upper-cased only when that finds nothing; of several
// matches the highest card number and the latest sale win. Reads only.
namespace SerialLookup {
struct Card {
    bool found = false;
    long long id = 0;
    QString kind;          // Rab_Dokumenti.Opisanie
    QString date;          // the card's date as stored
    QString document;      // the supplier's document number
    long long supplier = 0;
    QString supplierName;
    QString validUntil;    // the piece's warranty end as stored
    QString note;
};
struct Sale {
    bool found = false;
    long long article = 0;
    QString articleName;
    bool hasClient = false; // a sale without a counterparty has none
    long long client = 0;
    QString clientName;
    QString warranty;       // Pored_Do: the warranty given to the customer
    QString date;           // D_Prodajba as stored
};
struct Piece {
    bool found = false;
    QString model;
    QString batch;
};
struct Result {
    QString serial; // the text the look-ups used; empty when a part matched nothing
    Card card;
    Sale sale;
    Piece piece;
};

// nullopt for a blank serial: nothing is looked up. With `part` the first
// serial number containing the text (in serial order), else the first sold
// one, is looked up exactly, so card, sale and model describe one piece.
// Throws DbError.
std::optional<Result> find(const QString &typed, bool part);

// A stored date (ISO, or the short form of older rows); invalid otherwise.
QDate readDate(const QString &stored);
} // namespace SerialLookup
