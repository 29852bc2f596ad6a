#pragma once
#include "common/decimal.h"
#include "documents/print_numbering.h"
#include "documents/report_filter.h"
#include "platform/db/keyset_reader.h"
#include "platform/report/report_model.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The issued-documents report: the documents logged in Printed_Dok (one row
// per issued document), the lines of one of them, and the data of its
// reprint or of its lines printed as a new document.
namespace IssuedDocuments {

// The ticked filters of the report, in the order they are applied.
struct Filter {
    bool kind = false;
    long long kindId = 0;          // Dokumenti.ID_Dokument
    bool number = false;
    QString numberText;            // compared exactly with the stored number
    bool date = false;
    int dateComparison = ReportFilter::Equal;
    QDate from, to;
    bool counterparty = false;
    long long counterpartyId = 0;
    bool article = false;
    long long articleId = 0;
    bool op = false;
    QString operatorName;
    int origin = OriginShop;       // always applied
};

struct Query {
    QString sql;       // whole, ordered completely
    KeysetList list;   // the same, read a page at a time along its index
    QString countSql;  // the number of rows it gives
    QVariantList values;
    QString error;     // a refused filter, in Bulgarian
    bool ok() const { return error.isEmpty(); }
};

// The issued documents: Opisanie, N_Dok, Opisanie_K, Data, fTime, Operator
// (the grid's columns), then ID_Dok, ID_Kontrag, Ot_Kade_Prod. A document
// without counterparty is listed too.
Query documents(const Filter &filter);
inline constexpr int ShownColumns = 6;

// The kinds a document can be issued as: "ID:Opisanie" of every Dokumenti
// row whose number is not all zeros (such a kind is never numbered, so never
// logged). Throws DbError.
QStringList numberedKinds();

// One issued document, as its list row names it.
struct Issued {
    long long documentId = 0; // ID_Dok
    QString number;           // N_Dok, as stored
    QString name;             // its kind's Opisanie
    int origin = OriginShop;
    long long counterparty = 0;
    bool valid() const { return documentId > 0; }
};

// The service's logged lines, registered by the service module: a SELECT
// whose rows give ID_Prodajba (the line's number), ID_Art, Opisanie, Kol,
// ED_Cena, Valuta, T_O, Pored_Ot and Pored_Do.
void setServiceLines(const QString &select);
// Whether the document's lines can be read: the shop's sales, and the
// service's lines once the service has registered them.
bool hasLines(const Issued &document);

// The lines of an issued document, one row per logged line, for the lines
// grid and its reprint: the amounts in leva by the sale's own currency, the
// net amounts by the VAT of the settings; the counterparty's firm and person
// as Firmi.* / Klienti.* where both have the field (Firmi.Grad, Klienti.Grad);
// Data and fTime marked as date and time; Dokumenti.Opisanie and
// Dokumenti.N_Dok carry the issued kind and number. A service document has no
// rows until the service has registered its lines. false with the reason when
// it cannot be read or the VAT is not set right.
bool lines(const Issued &document, Report::Data *data, QString *error);
// The same lines printed as the new kind `newKind`: Dokumenti.* is the new
// kind's row (its current number), Printed_Dok.N_Dok the issued number.
bool newDocumentLines(const Issued &document, const QString &newKind, Report::Data *data, QString *error);

// The lines' amount in leva (Kol, Ed_Cena, Kurs, T_O): their exact sum
// rounded once to stotinki.
Decimal total(const Report::Data &lines);
} // namespace IssuedDocuments
