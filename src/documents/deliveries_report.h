#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The deliveries report's queries: the deliveries chosen by the ticked
// filters, and one delivery's amounts and lines.
namespace DeliveriesReport {

struct Filter {
    bool counterparty = false;
    long long counterpartyId = 0;
    bool kind = false;
    long long kindId = -1; // none chosen: lists nothing
    bool number = false;
    QString numberText; // contained, typed characters literal
    bool documentDate = false;
    int documentComparison = 0; // ReportFilter::Comparison
    QDate documentFrom, documentTo;
    bool entryDate = false;
    int entryComparison = 0;
    QDate entryFrom, entryTo;
    bool articles = false;
    QStringList articleIds; // the report's own copy of its pick
    bool warehouse = false;
    long long warehouseId = -1;
};

struct Query {
    QString sql; // line 1 the statement, line 2 its order
    QVariantList values;
    QString error; // in Bulgarian when the filter is refused
    bool ok() const { return error.isEmpty(); }
};
Query deliveries(const Filter &f);
QStringList deliveryFields(); // the grid's fields, in column order
// The article filter's two columns, shown after them.
QStringList articleFilterFields();
const char *deliveryTitle(const QString &field); // also of the article filter's columns

// Every line of the delivery with its article (all but the picture) and the
// line's sums in leva at today's rates of its two currencies.
Query lines(long long deliveryId);
QStringList lineFields();
const char *lineTitle(const QString &field);

struct Amounts {
    double cash = 0, unpaid = 0, bank = 0;
};
Amounts amounts(long long deliveryId); // throws DbError
} // namespace DeliveriesReport
