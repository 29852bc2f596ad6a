#include "app/list_export.h"
#include "platform/dialogs.h"
#include "common/dates.h"
#include "app/form_print_vid_fail.h"

#include "common/money.h"
#include "common/program_folder.h"
#include "common/text_file.h"
#include "app/export_kinds.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/file_modes.h"
#include "platform/report/rtf.h"
#include "platform/shell_exec.h"

#include <QDir>
#include <functional>
#include <QFileInfo>
#include <QHeaderView>
#include <QSqlError>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTableView>

const QString ReportFooter =
    QStringLiteral("Документът е изготвен с програмата ВЕНТАРОС за управление на магазин и сервиз.");

namespace {
const char *const kCrLf = "\r\n";

// Width of one character of the RTF font (Courier New, 9 pt) in twips.
constexpr int kRtfCharTwips = 108;
constexpr int kRtfMargin = 720;

// A cell must stay on its line: breaks and tabs inside a value become blanks.
QString flattened(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return text;
}

QString fieldName(const QAbstractItemModel *model, int column)
{
    if (const auto *q = qobject_cast<const QSqlQueryModel *>(model))
        return q->record().fieldName(column);
    if (const auto *l = qobject_cast<const SqlListModel *>(model))
        return l->record().fieldName(column);
    return {};
}

bool isFloating(const QVariant &v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

// The text of a cell as the grid shows it, except that a number shown in
// its raw form ("1e+06", "0.30000000000000004") is written plainly.
QString cellValue(const QAbstractItemModel *model, const QModelIndex &index)
{
    const QVariant shown = model->data(index, Qt::DisplayRole);
    if (isFloating(shown))
        return Numbers::toText(shown.toDouble());
    const QVariant raw = model->data(index, Qt::EditRole);
    if (isFloating(raw) && shown.toString() == raw.toString())
        return Numbers::toText(raw.toDouble());
    return shown.toString();
}
} // namespace

ListExport::ListExport(const QString &baseName)
    : m_path(QDir(ProgramFolder::tempFolder()).filePath(baseName + ExportExtension))
    , m_separator(ExportSeparator)
{
}

ListExport::ListExport(const QString &filePath, const QString &separator)
    : m_path(filePath)
    , m_separator(separator)
{
}

ListExport::Layout ListExport::layoutOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("rtf"))
        return Layout::Rtf;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return Layout::Html;
    return Layout::Text;
}

void ListExport::addLine(const QString &line)
{
    Block b;
    b.line = line;
    m_blocks.append(b);
}

void ListExport::addLines(const QStringList &lines)
{
    for (const QString &line : lines)
        addLine(line);
}

void ListExport::addReportFooter()
{
    addLine();
    addLine();
    addLine(QLatin1Char('\t') + ReportFooter);
}

QString ListExport::cell(const QString &separator, const QString &text, int width)
{
    if (width <= 0)
        return separator;
    return separator + flattened(text).left(width).leftJustified(width, QLatin1Char(' '));
}

QList<ExportColumn> ListExport::visibleColumns(const QTableView *grid)
{
    QList<ExportColumn> columns;
    if (!grid || !grid->model())
        return columns;
    const QHeaderView *header = grid->horizontalHeader();
    const QAbstractItemModel *model = grid->model();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || header->isSectionHidden(logical))
            continue;
        ExportColumn c;
        c.column = logical;
        c.title = model->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString();
        c.width = header->sectionSize(logical) / 5;
        columns.append(c);
    }
    return columns;
}

bool ListExport::PRINT_INTO(const QTableView *grid)
{
    if (!grid || !grid->model()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("Списъкът няма данни");
        return false;
    }
    return PRINT_INTO(grid->model(), visibleColumns(grid));
}

bool ListExport::PRINT_INTO(QAbstractItemModel *model, const QList<ExportColumn> &columns)
{
    if (!failed() && !model)
        m_error = QStringLiteral("Списъкът няма данни");
    if (failed())
        return false;
    // Every row, not only the ones a lazy model has fetched so far.
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());
    if (const auto *q = qobject_cast<const QSqlQueryModel *>(model)) {
        if (q->lastError().isValid()) {
            m_error = Db::errorText(q->lastError());
            return false;
        }
    }

    Block b;
    b.table = true;
    QString header;
    QStringList fields;
    for (const ExportColumn &c : columns) {
        b.widths.append(qMax(0, c.width));
        header += cell(m_separator, c.title, c.width);
        fields.append(fieldName(model, c.column));
    }
    b.listLines.append(header);
    const int rows = model->rowCount();
    b.listLines.reserve(rows + 1);
    for (int r = 0; r < rows; ++r) {
        QString line;
        for (int i = 0; i < columns.size(); ++i) {
            const ExportColumn &c = columns.at(i);
            QString text = cellValue(model, model->index(r, c.column));
            if (!fields.at(i).isEmpty())
                text = ColumnRegistry::displayText(fields.at(i), text);
            line += cell(m_separator, text, c.width);
        }
        b.listLines.append(line);
    }
    m_blocks.append(b);
    return true;
}

QByteArray ListExport::renderText() const
{
    QByteArray out("\xEF\xBB\xBF");
    auto put = [&out](const QString &line) {
        out += line.toUtf8();
        out += kCrLf;
    };
    for (const Block &b : m_blocks) {
        if (!b.table) {
            put(b.line);
            continue;
        }
        put(QString());
        put(b.listLines.first());
        put(QString());
        for (qsizetype i = 1; i < b.listLines.size(); ++i)
            put(b.listLines.at(i));
        put(QString());
    }
    return out;
}

QByteArray ListExport::renderHtml() const
{
    QByteArray out;
    auto put = [&out](const QString &text) {
        out += text.toUtf8();
        out += kCrLf;
    };
    put(QStringLiteral("<!DOCTYPE html>"));
    put(QStringLiteral("<html>"));
    put(QStringLiteral("<head>"));
    put(QStringLiteral("<meta charset=\"utf-8\">"));
    put(QStringLiteral("<title>") + QFileInfo(m_path).completeBaseName().toHtmlEscaped()
        + QStringLiteral("</title>"));
    put(QStringLiteral("</head>"));
    put(QStringLiteral("<body style=\"font-family: monospace\">"));
    for (const Block &b : m_blocks) {
        if (!b.table) {
            put(b.line.toHtmlEscaped() + QStringLiteral("<br>"));
            continue;
        }
        put(QStringLiteral("<br>"));
        put(QStringLiteral("<pre>"));
        put(b.listLines.first().toHtmlEscaped());
        put(QString());
        for (qsizetype i = 1; i < b.listLines.size(); ++i)
            put(b.listLines.at(i).toHtmlEscaped());
        put(QString());
        put(QStringLiteral("</pre>"));
    }
    put(QStringLiteral("</body>"));
    put(QStringLiteral("</html>"));
    return out;
}

QByteArray ListExport::renderRtf() const
{
    // The widest list decides the paper: portrait A4, landscape A4, or wider.
    int widest = 0;
    for (const Block &b : m_blocks) {
        if (!b.table)
            continue;
        int chars = int(b.widths.size());
        for (int w : b.widths)
            chars += w;
        widest = qMax(widest, chars);
    }
    const int needed = widest * kRtfCharTwips + 2 * kRtfMargin;
    int paperW = 11906, paperH = 16838;
    bool landscape = false;
    if (needed > paperW) {
        landscape = true;
        paperW = qMax(16838, needed);
        paperH = 11906;
    }

    QByteArray out;
    out += "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1";
    out += "{\\fonttbl{\\f0\\fmodern\\fcharset204 Courier New;}}";
    out += kCrLf;
    out += "\\paperw" + QByteArray::number(paperW) + "\\paperh" + QByteArray::number(paperH);
    out += "\\margl" + QByteArray::number(kRtfMargin) + "\\margr" + QByteArray::number(kRtfMargin);
    out += "\\margt" + QByteArray::number(kRtfMargin) + "\\margb" + QByteArray::number(kRtfMargin);
    if (landscape)
        out += "\\landscape";
    out += kCrLf;
    out += "\\pard\\plain\\f0\\fs18 ";
    out += kCrLf;
    bool inList = false;
    auto para = [&out](const QString &text) {
        out += Rtf::escaped(text);
        out += "\\par";
        out += kCrLf;
    };
    for (const Block &b : m_blocks) {
        if (!b.table) {
            if (inList) {
                out += "\\pard ";
                inList = false;
            }
            para(b.line);
            continue;
        }
        // A tab stop at the start of every cell, one character after the
        // previous cell's padded text, so the columns line up in the editor.
        out += "\\pard";
        int at = 0;
        for (int w : b.widths) {
            at += 1;
            out += "\\tx" + QByteArray::number(at * kRtfCharTwips);
            at += w;
        }
        out += ' ';
        inList = true;
        para(QString());
        para(b.listLines.first());
        para(QString());
        for (qsizetype i = 1; i < b.listLines.size(); ++i)
            para(b.listLines.at(i));
        para(QString());
    }
    out += "}";
    out += kCrLf;
    return out;
}

QByteArray ListExport::render() const
{
    switch (layoutOf(m_path)) {
    case Layout::Rtf:
        return renderRtf();
    case Layout::Html:
        return renderHtml();
    case Layout::Text:
        break;
    }
    return renderText();
}

bool ListExport::finish()
{
    if (failed())
        return false;
    if (m_finished)
        return true;
    QString error;
    if (!TextFile::writeAtomic(m_path, render(), &error, FileModes::forOthers(m_path))) {
        m_error = error.isEmpty() ? QStringLiteral("грешка при запис") : error;
        return false;
    }
    m_finished = true;
    return true;
}

QString ListExport::failureMessage() const
{
    // The writer's reason names the file already.
    return QStringLiteral("Файлът за печат не беше записан:\n")
           + (m_error.contains(m_path) ? m_error : m_path + QStringLiteral("\n") + m_error);
}

bool SHELLEXECUTE_OPENFILE(const QString &fileName)
{
    return ShellExec::openFile(fileName);
}

QString exportDateLine()
{
    return QStringLiteral("\tДата:") + Dates::todayShort() + QLatin1Char(' ') + Dates::nowTimeText();
}

namespace {
bool exportToFile(QWidget *parent, const QString &baseName, const QStringList &titleLines,
                  const std::function<void(ListExport &)> &list)
{
    showExportChooser();
    ListExport file(baseName);
    file.addLines(titleLines);
    list(file);
    file.addReportFooter();
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), parent);
        return false;
    }
    SHELLEXECUTE_OPENFILE(file.filePath());
    return true;
}
} // namespace

bool exportGridToFile(QWidget *parent, const QString &baseName, const QStringList &titleLines,
                      const QTableView *grid)
{
    return exportToFile(parent, baseName, titleLines, [grid](ListExport &file) { file.PRINT_INTO(grid); });
}

bool exportListToFile(QWidget *parent, const QString &baseName, const QStringList &titleLines,
                      QAbstractItemModel *model, const QList<ExportColumn> &columns)
{
    return exportToFile(parent, baseName, titleLines,
                        [model, &columns](ListExport &file) { file.PRINT_INTO(model, columns); });
}
