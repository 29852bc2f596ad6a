#pragma once
#include "documents/layout_document.h"

#include <QString>
#include <QStringList>

#include <optional>

// Saving a designed document: its three files and its row of Dokumenti
// (shared by every workstation), and the reads of that table the designer needs.
namespace LayoutSave {

// Where a document is offered, as the where-used check boxes tick it.
struct WhereUsed {
    bool magazin = true;
    bool serviz = false;
    bool fiskCentar = false;
};
// "МАГАЗИН ,СЕРВИЗ ,Фискален сервиз" with the unticked parts empty.
QString whereUsedText(const WhereUsed &where);
// A mark counts when its caption is contained in the text, case-sensitively.
WhereUsed whereUsedFrom(const QString &text);

struct Request {
    QString name;
    long long startNumber = 0; // 0 or more
    int digits = 1;            // 1 to 12
    WhereUsed where;
};
// The start number padded with "0" to the digits, never cut.
QString formattedNumber(long long startNumber, int digits);

struct Row {
    qint64 id = 0;
    QString opisanie;
    QString kadeSeIzpolzva;
    QString nDok;
};
// The registered documents in the order they were registered. Throws DbError.
QList<Row> documents();
std::optional<Row> document(const QString &name); // throws DbError

// A layout file or a row of that name is there: a save replaces them.
bool exists(const QString &name);

// Writes the layout's files under temporary names and renames them over the
// old ones, then registers the row (an existing row keeps its ID and number
// and takes the new where-used text). Makes Documentations/ when missing.
// false with a Bulgarian message when the name is refused or a step failed;
// a failed file write leaves the old layout as it was.
bool save(const Layout::Document &document, const Request &request, QString *error);
} // namespace LayoutSave
