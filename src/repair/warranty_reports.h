#pragma once
#include "platform/db/keyset_reader.h"

#include <QDate>
#include <QString>
#include <QVariantList>

// The queries of the warranty report and the issued-repair report. Every
// value is bound; the columns come from here.
namespace WarrantyReports {
struct Query {
    QString sql;
    QVariantList values;
    QString countSql; // issued repairs only: the rows and the list's value in lev
    KeysetList list;  // issued repairs only: the list read a page at a time by number
    QString error;    // a refusal, in Bulgarian
    bool ok() const { return error.isEmpty(); }
};

// A text filter: "Търси част" compares a part in any case, otherwise the
// whole text.
struct TextFilter {
    bool on = false;
    QString text;
    bool part = false;
};

struct DateFilter {
    bool on = false;
    int comparison = 0; // ReportFilter::Comparison
    QDate from;
    QDate to;
};

struct CardFilter {
    bool supplier = false;
    long long supplierId = 0;
    bool kind = false;
    long long kindId = 0;
    bool document = false;
    QString documentNumber;
    DateFilter cardDate;
    bool article = false;
    long long articleId = 0;
    TextFilter serial, model, batch;
    DateFilter validUntil;
};
// The cards, one row per matching piece when a piece filter is on. The
// whole serial is looked up as typed first, then in any case when that finds
// none. Throws DbError.
Query cards(const CardFilter &f);
// All pieces of a card with their article names.
Query cardPieces(long long card);

struct IssuedFilter {
    bool counterparty = false;
    long long counterpartyId = 0;
    bool reason = false;
    QString reasonText;
    bool op = false;
    QString operatorName;
    bool supplier = false;
    long long supplierId = 0;
    bool document = false;
    QString documentNumber;
    DateFilter documentDate;
    TextFilter model, batch, serial; // parts, in any case
    DateFilter issued;
};
// The issued repairs with their client and supplier (either may be missing);
// countSql gives the number of rows and the value of their lines in lev.
Query issuedRepairs(const IssuedFilter &f);
// One row per line of a repair, with its value Suma in lev.
Query repairLines(long long intake);
} // namespace WarrantyReports
