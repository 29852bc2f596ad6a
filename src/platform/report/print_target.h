#pragma once
#include <QString>

#include <functional>
#include <memory>

class QBuffer;
class QPaintDevice;
class QPdfWriter;
class QPrinter;

namespace Report {

// Where a printout goes: a printer, a PDF file, or a recording device in
// tests. A printout asks prepare() first (a PDF asks its file name there,
// before anything is produced); then begin() sets the job up, a painter
// paints the pages on device() (newPage() between them) and end() sends it.
class PrintTarget
{
public:
    virtual ~PrintTarget() = default;
    // False: the user cancelled; nothing is produced.
    virtual bool prepare(const QString &title);
    virtual bool begin(const QString &jobTitle) = 0;
    virtual QPaintDevice *device() = 0;
    virtual bool newPage() = 0;
    // `painted`: the painter ended without error. False when the job was not sent.
    virtual bool end(bool painted) = 0;
    // Why the painter could not start on device().
    virtual QString refusedMessage() const = 0;
    virtual QString errorString() const { return m_error; }

protected:
    QString m_error;
};

// A printer of the system, or a PDF file when the printer is "PDF файл".
class PrinterTarget : public PrintTarget
{
public:
    // The printer named, or the PDF file road for Printers::PdfFile.
    explicit PrinterTarget(const QString &printerName);
    // A printer made by the caller, used as it is.
    explicit PrinterTarget(QPrinter *printer);
    ~PrinterTarget() override;

    bool prepare(const QString &title) override;
    bool begin(const QString &jobTitle) override;
    QPaintDevice *device() override;
    bool newPage() override;
    bool end(bool painted) override;
    QString refusedMessage() const override;
    QString pdfFile() const { return m_pdfFile; }

private:
    std::unique_ptr<QPrinter> m_own;
    QPrinter *m_printer = nullptr;
    bool m_pdf = false;
    QString m_pdfFile;
    std::unique_ptr<QBuffer> m_pdfBytes;
    std::unique_ptr<QPdfWriter> m_pdfWriter;
};

// The target of a printout on a printer name ("PDF файл" or empty: a PDF
// file). Tests replace the maker (nullptr restores the real one).
std::unique_ptr<PrintTarget> makePrintTarget(const QString &printerName);
void setPrintTargetMaker(std::function<std::unique_ptr<PrintTarget>(const QString &printerName)> maker);

} // namespace Report
