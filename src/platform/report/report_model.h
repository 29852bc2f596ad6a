#pragma once
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QSqlQuery;

// The report engine's model: a report is six bands of elements over one data
// set. Positions and sizes are layout pixels (96 per inch) relative to the
// band; the page is A4 portrait with 10 mm margins.
namespace Report {

enum class ElementKind { DataField, Label, SystemData, Picture, RichText };
enum class SystemData { Date, DateTime, Time, RecordCount, RecordNumber, PageNumber, ReportTitle };
enum class BandKind { PageHeader, GroupHeader, Detail, GroupFooter, Child, PageFooter };

struct Frame {
    bool left = false;
    bool right = false;
    bool top = false;
    bool bottom = false;
    Qt::PenStyle style = Qt::SolidLine;
    int width = 1;
    QColor colour = Qt::black;
    bool any() const { return left || right || top || bottom; }
};

struct Element {
    QString name;
    ElementKind kind = ElementKind::Label;
    double left = 0;
    double top = 0;
    double width = 50;
    double height = 20; // a rich text is always its band's height less one
    bool autoSize = false;
    bool wordWrap = false;
    Qt::Alignment alignment = Qt::AlignLeft; // horizontal only
    Frame frame;
    int fontSize = 10; // points; the font is always "Arial"
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor colour = Qt::black;
    bool enabled = true;

    QString caption;                       // label
    QString table;                         // data field: "Klienti" or "Klienti.db"
    QString field;                         // data field: "Grad"
    SystemData system = SystemData::Date;  // system data
    QString richText;                      // rich text: the document as HTML
};

struct Band {
    bool enabled = true;
    double height = 0;
    QList<Element> elements;
    Element *element(const QString &name); // nullptr when none has the name
};

// The data set of a report, read whole before it is produced, so no
// statement stays open while the report is shown or printed.
class Data
{
public:
    void clear();
    void setColumns(const QStringList &names);
    void addRow(const QVariantList &values); // padded or cut to the columns
    // Reads every row of an executed SELECT; false (and the error) when it fails.
    bool read(QSqlQuery &query, QString *error = nullptr);
    // Runs a SELECT with bound values on the program's connection and reads
    // it whole; on failure the data are empty and `error` says why.
    bool open(const QString &sql, const QVariantList &values = {}, QString *error = nullptr);

    QStringList columns() const { return m_columns; }
    int columnCount() const { return int(m_columns.size()); }
    int rowCount() const { return int(m_rows.size()); }
    QVariant value(int row, int column) const;
    void setValue(int row, int column, const QVariant &value);
    // Sets the column in every row; a column the data lack is added.
    void setColumnValue(const QString &name, const QVariant &value);

    // The column of a data field: the one named "table.field" (a ".db" on the
    // table is ignored), else the first named "field"; case-insensitive.
    // -1 when there is none.
    int columnOf(const QString &table, const QString &field) const;
    int columnNamed(const QString &name) const;

    // Columns shown in the short date or time form.
    void markDateColumn(int column);
    void markTimeColumn(int column);
    // Marks the columns that the database layer lists as dates or times,
    // by the field part of "Table.Field".
    void markRegistryColumns();
    // Floating-point values as "0.00".
    void setMoneyFormat(bool on) { m_money = on; }
    bool moneyFormat() const { return m_money; }

    // The text a data field prints: NULL empty, dates dd.MM.yyyy.
    QString text(int row, int column) const;

private:
    QStringList m_columns;
    QList<QVariantList> m_rows;
    QList<bool> m_date;
    QList<bool> m_time;
    bool m_money = false;
};

enum class Production { Preview, Printout };

struct Model {
    Model();
    QString title;
    Band pageHeader;  // off unless switched on; printed on every page
    Band groupHeader; // once above the rows
    Band detail;      // once per row
    Band groupFooter; // once below the rows
    Band child;       // right after the group footer
    Band pageFooter;  // off unless switched on; at the bottom of every page
    Data data;

    // BeforePrint: before every production (the preview and each printout),
    // before the pages are made; it may change the model and its data.
    std::function<void(Model &, Production)> beforePrint;
    // AfterPrint: a printout was sent. PrintFailed: a printout whose
    // BeforePrint ran was not sent (no data, the printer refused).
    std::function<void()> afterPrint;
    std::function<void(const QString &reason)> printFailed;
    // AfterPreview: once, when the preview closes.
    std::function<void()> afterPreview;

    Band &band(BandKind kind);
    const Band &band(BandKind kind) const;
    // The band and element with this name, nullptr when none.
    Element *element(const QString &name);
};

QString noDataMessage(); // "Няма данни за документа"

} // namespace Report

// The data set of every designed document: the print roads fill it, the
// document's report reads it.
extern Report::Data Query_Dokumentation;
