#include "documents/print_numbering.h"

#include "common/record_values.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/report/report_layout.h"

#include <QSqlRecord>

#include <stdexcept>

bool callerNumbers(int callerCode)
{
    return callerCode == CallerShop || callerCode == CallerService || callerCode == CallerIssuedReport
           || callerCode == CallerSalesReport;
}

PrintState &programPrintState()
{
    static PrintState state;
    return state;
}

QString DocumentNumber::text() const
{
    return FORMAT_NUMBERS(QString::number(number), width);
}

namespace PrintNumberingDb {

DocumentNumber readNumber(const QString &documentName, const QSqlDatabase &db)
{
    DocumentNumber n;
    const auto row = Db::firstRow(QStringLiteral("SELECT ID_Dokument, N_Dok FROM Dokumenti WHERE Opisanie = ?"),
                                  {documentName}, db);
    if (!row)
        return n; // no row: nothing is numbered
    const QString text = row->value(1).toString().trimmed();
    bool digits = !text.isEmpty() && text.size() <= 18;
    for (QChar c : text)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits)
        throw std::invalid_argument(
            QStringLiteral("Номерът \"%1\" на документ \"%2\" не е цяло число").arg(text, documentName).toStdString());
    n.documentId = row->value(0).toLongLong();
    n.number = text.toLongLong();
    n.width = int(text.size());
    return n;
}

void logAndAdvance(const DocumentNumber &number, const QList<PrintLogLine> &lines, const QDateTime &when,
                   const QSqlDatabase &db)
{
    if (!number.numbered())
        return;
    WriteTransaction tx(db);
    const QString text = number.text();
    const QString date = when.date().toString(QStringLiteral("yyyy-MM-dd"));
    const QString time = when.time().toString(QStringLiteral("HH:mm:ss"));
    for (const PrintLogLine &l : lines)
        Db::execute(QStringLiteral("INSERT INTO Printed_Dok (ID_Prod, ID_Dok, ID_Kontrag, ID_Art, N_Dok, Operator, "
                                   "Data, fTime, Ot_Kade_Prod) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {l.line, number.documentId, l.counterparty, l.article, text, l.operatorName, date, time,
                     l.origin},
                    db);
    DocumentNumber next = number;
    next.number = number.number + 1;
    Db::execute(QStringLiteral("UPDATE Dokumenti SET N_Dok = ? WHERE ID_Dokument = ?"),
                {next.text(), number.documentId}, db);
    tx.commit();
}

QString startNumberProblem(const QString &typed)
{
    bool digits = !typed.isEmpty() && typed.size() <= 12;
    for (QChar c : typed)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    return digits ? QString() : QStringLiteral("Номерът трябва да е от 1 до 12 цифри (0 – без номериране).");
}

namespace {
bool writeColumn(const char *column, long long documentId, const QString &value, QString *error)
{
    try {
        WriteTransaction tx;
        const int changed = Db::execute(
            QStringLiteral("UPDATE Dokumenti SET %1 = ? WHERE ID_Dokument = ?").arg(QLatin1String(column)),
            {value, documentId});
        if (changed != 1) {
            if (error)
                *error = QStringLiteral("Документът вече не съществува.");
            return false;
        }
        tx.commit();
        return true;
    } catch (const DbError &e) {
        if (error)
            *error = QStringLiteral("Промяната не беше записана: ") + e.message();
        return false;
    }
}
} // namespace

bool setStartNumber(long long documentId, const QString &typed, QString *error)
{
    const QString problem = startNumberProblem(typed);
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    return writeColumn("N_Dok", documentId, typed, error);
}

bool setWhereUsed(long long documentId, const QString &text, QString *error)
{
    return writeColumn("Kade_se_izpolzva", documentId, text, error);
}
} // namespace PrintNumberingDb

namespace PrintLogLines {
QList<PrintLogLine> issuedDocument(long long documentId, const QString &number)
{
    QList<PrintLogLine> lines;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID_Prod, ID_Art, ID_Kontrag, Operator, Ot_Kade_Prod "
                                                       "FROM Printed_Dok WHERE ID_Dok = ? AND N_Dok = ? ORDER BY rowid"),
                                        {documentId, number}))
        lines.append({r.value(0).toLongLong(), r.value(1).toLongLong(), r.value(2).toLongLong(), r.value(3).toString(),
                      r.value(4).toInt()});
    return lines;
}

QList<PrintLogLine> sales(const QList<MarkedSale> &marked, const QString &printingOperator)
{
    QList<PrintLogLine> lines;
    const long long counterparty = marked.isEmpty() ? 0 : marked.first().counterparty;
    for (const MarkedSale &s : marked)
        if (s.idProdajba > 0)
            lines.append({s.idProdajba, s.article, counterparty, printingOperator, OriginShop});
    return lines;
}
} // namespace PrintLogLines

QString INC_NUMBER_PRINTED_DOK(const QString &documentName, const QList<PrintLogLine> &lines, const QSqlDatabase &db)
{
    WriteTransaction tx(db);
    const DocumentNumber n = PrintNumberingDb::readNumber(documentName, db);
    PrintNumberingDb::logAndAdvance(n, lines, QDateTime::currentDateTime(), db);
    tx.commit();
    return n.numbered() ? n.text() : QString();
}

PrintNumbering::PrintNumbering(PrintState &state, QList<PrintLogLine> lines, QString connectionName)
    : m_state(state)
    , m_lines(std::move(lines))
    , m_connection(std::move(connectionName))
{
}

PrintNumbering::~PrintNumbering() = default;

std::shared_ptr<PrintNumbering> PrintNumbering::attach(Report::Model &model, PrintState &state,
                                                       QList<PrintLogLine> lines, QString connectionName)
{
    auto n = std::make_shared<PrintNumbering>(state, std::move(lines), std::move(connectionName));
    model.beforePrint = [n](Report::Model &m, Report::Production p) { n->beforePrint(m, p); };
    model.afterPrint = [n] { n->afterPrint(); };
    model.printFailed = [n](const QString &reason) { n->printFailed(reason); };
    model.afterPreview = [n] { n->afterPreview(); };
    return n;
}

QSqlDatabase PrintNumbering::db() const
{
    return m_connection.isEmpty() ? Db::connection() : QSqlDatabase::database(m_connection, false);
}

void PrintNumbering::tell(const QString &text)
{
    m_error = text;
    if (notify)
        notify(text);
    else
        Dialogs::message(text);
}

void PrintNumbering::beforePrint(Report::Model &model, Report::Production production)
{
    if (Report::Element *e = model.element(QStringLiteral("QRLabel_ORIGINAL"))) {
        e->caption = m_state.PrintCopyCounter == 0 ? QStringLiteral("ОРИГИНАЛ") : QStringLiteral("КОПИЕ");
        e->left = int((Report::contentRect().width() - e->width) / 2); // centred across the report
    }
    if (production != Report::Production::Printout)
        return;
    m_tx.reset(); // a stray one from a printout that never ended
    if (!m_state.NumberingArmed || !callerNumbers(m_state.PrintCallerCode)) {
        // A copy carries the number of its original.
        if (!m_printed.isEmpty())
            model.data.setColumnValue(DocumentNumberColumn, m_printed);
        return;
    }
    try {
        m_tx = std::make_unique<WriteTransaction>(db());
        m_number = PrintNumberingDb::readNumber(m_state.CurrentDocumentName, db());
        if (m_number.numbered())
            model.data.setColumnValue(DocumentNumberColumn, m_number.text());
    } catch (const std::exception &e) {
        // The printout goes out unnumbered; the next one tries again.
        m_tx.reset();
        m_number = DocumentNumber();
        ExceptionLog::write(e);
    }
}

void PrintNumbering::afterPrint()
{
    const bool armed = m_state.NumberingArmed && callerNumbers(m_state.PrintCallerCode);
    ++m_state.PrintCopyCounter;
    if (!armed)
        return;
    if (!m_tx)
        return; // the number could not be read: still armed
    try {
        PrintNumberingDb::logAndAdvance(m_number, m_lines, QDateTime::currentDateTime(), db());
        m_tx->commit();
        m_tx.reset();
    } catch (const DbError &e) {
        m_tx.reset(); // rolls back: no row, the number unchanged
        ExceptionLog::write(e);
        tell(QStringLiteral("Документът е отпечатан, но номерът му не беше записан: %1\n"
                            "Следващият печат ще го номерира.")
                 .arg(e.message()));
        return;
    }
    if (m_number.numbered())
        m_printed = m_number.text();
    m_state.NumberingArmed = false;
}

void PrintNumbering::printFailed(const QString &)
{
    m_tx.reset(); // rolled back; the next printout numbers
    m_number = DocumentNumber();
}

void PrintNumbering::afterPreview()
{
    m_tx.reset();
    m_state.reset();
    m_printed.clear();
}
