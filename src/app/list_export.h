#pragma once
#include <QList>
#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QTableView;

// One column of a list export: the model column, its title and its width in
// characters (a grid column gives its width in pixels / 5).
struct ExportColumn {
    int column = 0;
    QString title;
    int width = 0;
};

// The text with which list exports, text reports and protocols end.
extern const QString ReportFooter;

// An export file of a list, written in the order every list window follows:
//   ListExport file(QStringLiteral("Spr_Prod"));   // TEMP/Spr_Prod<ExportExtension>
//   file.addLine(); file.addLine("\tДата:" + ...); // the caller's title lines
//   file.PRINT_INTO(grid);                          // header and rows
//   file.addReportFooter();                         // footer lines
//   if (!file.finish()) Dialogs::message(file.failureMessage());
//   else SHELLEXECUTE_OPENFILE(file.filePath());
// Nothing reaches the disk before finish(), which replaces the file whole
// (temporary file, then rename): a failure anywhere leaves the old file as it
// was and is reported, never a half-written list.
//
// Every kind holds the same fixed-width lines, each cell the separator and the
// text cut or padded to the column's width. ".txt"/".xls" (and any other
// extension) are UTF-8 text with a byte-order mark and CR LF line ends; ".rtf"
// is rich text in a fixed-width font with tab stops on the columns; ".html"
// declares its charset, escapes every text and holds the list in a <pre> block.
class ListExport
{
public:
    // TEMP/<baseName><ExportExtension>, cells led by ExportSeparator.
    explicit ListExport(const QString &baseName);
    // Any file; its extension decides the layout.
    ListExport(const QString &filePath, const QString &separator);

    QString filePath() const { return m_path; }
    QString separator() const { return m_separator; }

    void addLine(const QString &line = QString());
    void addLines(const QStringList &lines);

    // The visible columns of the grid in screen order and every row of its
    // model (a model that fetches lazily is read to its end first).
    bool PRINT_INTO(const QTableView *grid);
    bool PRINT_INTO(QAbstractItemModel *model, const QList<ExportColumn> &columns);

    // Two empty lines and a TAB followed by ReportFooter.
    void addReportFooter();

    bool finish(); // false when any step failed; the file is then left untouched
    bool failed() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QString failureMessage() const; // Bulgarian text for the caller's message

    static QList<ExportColumn> visibleColumns(const QTableView *grid);
    // The separator followed by the text cut or padded with blanks to `width`.
    static QString cell(const QString &separator, const QString &text, int width);

    enum class Layout { Text, Rtf, Html };
    static Layout layoutOf(const QString &path);

private:
    struct Block {
        bool table = false;
        QString line;          // a caller's line
        QList<int> widths;     // a list: its column widths,
        QStringList listLines; // header line first, then one line per row
    };
    QByteArray render() const;
    QByteArray renderText() const;
    QByteArray renderRtf() const;
    QByteArray renderHtml() const;

    QString m_path;
    QString m_separator;
    QList<Block> m_blocks;
    QString m_error;
    bool m_finished = false;
};

// Opens a file with the program the desktop associates with its type.
bool SHELLEXECUTE_OPENFILE(const QString &fileName);

class QWidget;
// The title line "\tДата:" + today's date and the time.
QString exportDateLine();
// The whole export road of a list window: the export-type chooser, then
// TEMP/<baseName><ExportExtension> with the title lines, the grid and the
// footer; the file is opened with its program, or the failure is told.
// False when nothing was written.
bool exportGridToFile(QWidget *parent, const QString &baseName, const QStringList &titleLines,
                      const QTableView *grid);
// The same road for a list read whole for the export (a paged grid would read
// its pages one statement each): the columns name the model's columns.
bool exportListToFile(QWidget *parent, const QString &baseName, const QStringList &titleLines,
                      QAbstractItemModel *model, const QList<ExportColumn> &columns);
