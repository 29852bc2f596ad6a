#pragma once
#include "catalogue/article_record.h"

#include <QString>
#include <QStringList>

// The codes kept beside an article: its barcodes, the numbers under which
// counterparties know it, and its serial numbers (read only here). Writers
// join the caller's write transaction when one is open. All throw DbError.
namespace ArticleCodes {
QStringList barcodes(long long article);
void addBarcode(long long article, const QString &code);
// False when no row of the article held the old code.
bool changeBarcode(long long article, const QString &oldCode, const QString &newCode);
bool removeBarcode(long long article, const QString &code);

QList<CatalogueNumber> catalogueNumbers(long long article); // with the counterparty's name
void addCatalogueNumber(long long article, const QString &number, long long counterparty);
// The row is the one remembered when its edit began: article, old number
// and old counterparty. False when no row changed.
bool changeCatalogueNumber(long long article, const CatalogueNumber &old, const QString &number,
                           long long counterparty);
bool removeCatalogueNumber(long long article, const CatalogueNumber &row);

QStringList serials(long long article);

// The hint of a serial number: six parts, each ended by ";", separated by a
// carriage return, from the supplier warranty card that lists it. Plain text
// (the caller shows it escaped); dates in the short form. Empty when no card
// names the serial.
QString serialHint(const QString &serial);
} // namespace ArticleCodes
