#pragma once
#include <QByteArray>
#include <QList>
#include <QSqlRecord>
#include <QString>

// The catalogue's scale file: one line per article with a scale code above
// 0, ten fields each ended by ";", code page 1251, CR LF, no header:
// <Kod_Vezna>;<Opisanie>;<Kasovo_Ime>;<Etiketno_Ime>;<ID>;<unit>;<value>;<Nomenkl_N>;<Ed_Cena>;0;
namespace ScaleFile {
// The shortest text of a price (up to 15 significant digits), point
// separated, never with an exponent.
QString priceText(double value);
// One article's line without its line end; empty when its scale code is 0 or
// less. A ";" inside a text becomes "," and a line break a blank, so the
// scale never reads shifted fields.
QString line(const QSqlRecord &article);
// The whole file of the rows, in their order.
QByteArray contents(const QList<QSqlRecord> &articles);
// Replaces the file whole; a failed write keeps the old file (false, *error).
bool write(const QString &path, const QList<QSqlRecord> &articles, QString *error = nullptr);
} // namespace ScaleFile
