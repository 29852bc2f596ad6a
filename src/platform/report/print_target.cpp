#include "platform/report/print_target.h"

#include "common/file_names.h"
#include "common/program_folder.h"
#include "common/text_file.h"
#include "platform/dialogs.h"
#include "platform/file_modes.h"
#include "platform/printers.h"

#include <QBuffer>
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace {
std::function<std::unique_ptr<Report::PrintTarget>(const QString &)> &maker()
{
    static std::function<std::unique_ptr<Report::PrintTarget>(const QString &)> m;
    return m;
}

// A title as a file name: characters no file name may hold become "_".
QString fileNameOf(const QString &title)
{
    QString name = title;
    for (QChar &c : name)
        if (QStringLiteral(":*?\"<>|").contains(c))
            c = QLatin1Char('_');
    return FileNames::plainFrom(name, QStringLiteral("Документ"));
}
} // namespace

bool Report::PrintTarget::prepare(const QString &)
{
    return true;
}

Report::PrinterTarget::PrinterTarget(const QString &printerName)
    : m_own(std::make_unique<QPrinter>(QPrinter::HighResolution))
    , m_printer(m_own.get())
    , m_pdf(printerName.isEmpty() || printerName == Printers::PdfFile)
{
    if (!m_pdf)
        m_printer->setPrinterName(printerName);
}

Report::PrinterTarget::PrinterTarget(QPrinter *printer)
    : m_printer(printer)
{
}

Report::PrinterTarget::~PrinterTarget() = default;

bool Report::PrinterTarget::prepare(const QString &title)
{
    if (!m_pdf)
        return true;
    const QString suggested = QDir(ProgramFolder::tempFolder()).filePath(fileNameOf(title) + QStringLiteral(".pdf"));
    QString file = Dialogs::saveFile(QStringLiteral("Запис в PDF файл"), QStringLiteral("PDF (*.pdf)"), suggested);
    if (file.isEmpty())
        return false;
    if (!file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        file += QStringLiteral(".pdf");
    m_pdfFile = file;
    return true;
}

bool Report::PrinterTarget::begin(const QString &jobTitle)
{
    m_error.clear();
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
    if (m_pdf) {
        if (m_pdfFile.isEmpty()) {
            m_error = QStringLiteral("не е избран PDF файл");
            return false;
        }
        // Made in memory and written whole by the atomic writer: a full disk
        // never leaves a cut PDF in place of the old one.
        m_pdfBytes = std::make_unique<QBuffer>();
        m_pdfBytes->open(QIODevice::WriteOnly);
        m_pdfWriter = std::make_unique<QPdfWriter>(m_pdfBytes.get());
        m_pdfWriter->setTitle(jobTitle);
        m_pdfWriter->setPageLayout(a4);
        return true;
    }
    m_printer->setDocName(jobTitle);
    m_printer->setFullPage(true);
    m_printer->setPageLayout(a4);
    return true;
}

QPaintDevice *Report::PrinterTarget::device()
{
    if (m_pdfWriter)
        return m_pdfWriter.get();
    return m_printer;
}

bool Report::PrinterTarget::newPage()
{
    if (m_pdfWriter)
        return m_pdfWriter->newPage();
    return m_printer->newPage();
}

QString Report::PrinterTarget::refusedMessage() const
{
    if (m_pdf || m_printer->outputFormat() == QPrinter::PdfFormat) {
        const QString file = m_pdf ? m_pdfFile : m_printer->outputFileName();
        if (file.isEmpty())
            return QStringLiteral("не е избран файл за печата");
        return QStringLiteral("файлът \"%1\" не може да бъде записан").arg(file);
    }
    if (m_printer->printerName().isEmpty())
        return QStringLiteral("не е избран принтер");
    return QStringLiteral("принтерът \"%1\" не приема печат").arg(m_printer->printerName());
}

bool Report::PrinterTarget::end(bool painted)
{
    if (m_pdfWriter) {
        m_pdfWriter.reset(); // the PDF is complete in the buffer
        const QByteArray pdf = m_pdfBytes->data();
        m_pdfBytes.reset();
        if (!painted) {
            m_error = refusedMessage();
            return false;
        }
        return TextFile::writeAtomic(m_pdfFile, pdf, &m_error, FileModes::forOthers(m_pdfFile));
    }
    if (!painted || m_printer->printerState() == QPrinter::Error || m_printer->printerState() == QPrinter::Aborted) {
        m_error = refusedMessage();
        return false;
    }
    return true;
}

std::unique_ptr<Report::PrintTarget> Report::makePrintTarget(const QString &printerName)
{
    if (maker())
        return maker()(printerName);
    return std::make_unique<PrinterTarget>(printerName);
}

void Report::setPrintTargetMaker(std::function<std::unique_ptr<PrintTarget>(const QString &)> m)
{
    maker() = std::move(m);
}
