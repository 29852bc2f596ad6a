#pragma once
#include "platform/report/report_model.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>

class WriteTransaction;

// Who printed: the log and the number follow the caller.
enum PrintCaller {
    CallerNone = -1,
    CallerShop = 0,
    CallerService = 1,
    CallerFiscal = 2,       // never numbered
    CallerDesigner = 3,     // the designer's preview: never numbered
    CallerIssuedReport = 4,
    CallerSalesReport = 5,
};
// Where a logged line comes from (Printed_Dok.Ot_Kade_Prod): fixed, never a tab index.
enum PrintOrigin { OriginShop = 1, OriginService = 2 };

bool callerNumbers(int callerCode);

// The print state of a road: the caller, the printouts made from the current
// preview and whether the next one numbers.
struct PrintState {
    int PrintCallerCode = CallerNone;
    int PrintCopyCounter = 0;
    bool NumberingArmed = true;
    QString CurrentDocumentName;
    void reset() // a preview closed, a direct printout done
    {
        PrintCopyCounter = 0;
        NumberingArmed = true;
    }
};
PrintState &programPrintState(); // the program's one state

// One row of the print log: the printed line as its caller captured it.
struct PrintLogLine {
    long long line = 0;         // ID_Prod: the open line, the logged line, the sale
    long long article = 0;      // ID_Art
    long long counterparty = 0; // ID_Kontrag
    QString operatorName;
    int origin = OriginShop;
};

// The log lines of the roads that print report rows, captured when the road starts.
namespace PrintLogLines {
// Issued-documents report (code 4): every logged line of the issued document
// (its ID_Dok and N_Dok), with its own article, operator, counterparty and
// origin. Throws DbError.
QList<PrintLogLine> issuedDocument(long long documentId, const QString &number);
// Sales report (code 5): the marked sales that have an ID_Prodajba, under the
// printing operator and the first marked sale's counterparty, origin shop.
struct MarkedSale {
    long long idProdajba = 0; // 0: none
    long long article = 0;
    long long counterparty = 0;
};
QList<PrintLogLine> sales(const QList<MarkedSale> &marked, const QString &printingOperator);
} // namespace PrintLogLines

// The number a printout of a document carries.
struct DocumentNumber {
    long long documentId = 0; // ID_Dokument, 0 when the document has no row
    long long number = 0;
    int width = 0;
    bool numbered() const { return documentId > 0 && number > 0; }
    QString text() const; // left-padded with "0" to the width, never cut
};

namespace PrintNumberingDb {
// Reads the document's number. An all-zero text is unnumbered; a text that
// is no whole number throws std::invalid_argument. Throws DbError.
DocumentNumber readNumber(const QString &documentName, const QSqlDatabase &db);
// Logs the lines under `number` (one date and time for all) and stores the
// next number, inside the caller's write transaction. Throws DbError.
void logAndAdvance(const DocumentNumber &number, const QList<PrintLogLine> &lines, const QDateTime &when,
                   const QSqlDatabase &db);

// Why a typed start number is refused (Bulgarian), empty when it is 1 to 12 digits.
QString startNumberProblem(const QString &typed);
// Writes the document's number alone, by its ID, in one write transaction;
// false with the reason when refused, failed or the row is gone.
bool setStartNumber(long long documentId, const QString &typed, QString *error);
// Writes the document's where-used text alone, by its ID.
bool setWhereUsed(long long documentId, const QString &text, QString *error);
} // namespace PrintNumberingDb

// Logs the printed lines and advances the document's number in one write
// transaction (joining the caller's). Returns the number printed, empty when
// the document is unnumbered. Throws DbError and std::invalid_argument.
QString INC_NUMBER_PRINTED_DOK(const QString &documentName, const QList<PrintLogLine> &lines,
                               const QSqlDatabase &db);

// The report engine's events of one document on a road: the "ОРИГИНАЛ" /
// "КОПИЕ" caption, and the numbering of an armed printout: BEGIN IMMEDIATE
// and the number read in BeforePrint (the paper carries it in the data's
// Dokumenti.N_Dok), the log and the next number committed in AfterPrint, a
// rollback in PrintFailed (still armed). Later copies carry the same number.
class PrintNumbering
{
public:
    PrintNumbering(PrintState &state, QList<PrintLogLine> lines, QString connectionName = {});
    ~PrintNumbering();

    // Sets the model's events; the model keeps this object alive.
    static std::shared_ptr<PrintNumbering> attach(Report::Model &model, PrintState &state,
                                                  QList<PrintLogLine> lines, QString connectionName = {});

    void beforePrint(Report::Model &model, Report::Production production);
    void afterPrint();
    void printFailed(const QString &reason);
    void afterPreview();

    // What a failure after the paper went out says (default: a message box).
    std::function<void(const QString &)> notify;
    QString printedNumber() const { return m_printed; } // the number of the first printout
    QString lastError() const { return m_error; }

private:
    QSqlDatabase db() const;
    void tell(const QString &text);

    PrintState &m_state;
    QList<PrintLogLine> m_lines;
    QString m_connection;
    std::unique_ptr<WriteTransaction> m_tx;
    DocumentNumber m_number;
    QString m_printed;
    QString m_error;
};

// The data column the paper's number goes into.
inline const QString DocumentNumberColumn = QStringLiteral("Dokumenti.N_Dok");
