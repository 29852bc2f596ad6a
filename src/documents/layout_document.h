#pragma once
#include <QColor>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// A designed document as the designer edits it and the print roads build it:
// three bands (header once, detail per row, footer once) with their heights
// and rich texts, and the elements in creation order.
namespace Layout {

enum class Band { Header, Detail, Footer };
enum class Kind { DataField, Label, SystemData, Picture };
enum class Align { Left, Right, Center };

// Label codes: the number before the first ":" of a label's caption.
enum LabelCode { NetAmount = 0, VatAmount = 1, TotalAmount = 2, AmountWords = 3, FreeText = 4,
                 NumberWords = 5, NoCode = -1 };
// System data, by their position in the element editor's list.
enum SystemCode { Date = 0, DateTime = 1, RecordCount = 2, RecordNumber = 3, PageNumber = 4,
                  DocumentTitle = 5, Time = 6 };

// "GroupHeaderBand1", "QRSubDetail1", "GroupFooterBand1"
QString bandName(Band band);
bool bandFromName(const QString &name, Band *band);
// "TQRDBText", "TQRLabel", "TQRSysData", "TQRImage"
QString kindClass(Kind kind);
bool kindFromClass(const QString &name, Kind *kind);
// The element name stem: the class without its "T" ("QRLabel").
QString kindStem(Kind kind);

// The editor's kind lists.
QStringList labelKinds();  // "0:Цена без ДДС" ... "4:Свободен текст"
QStringList systemKinds(); // "Дата" ... "Час"
// The prompt text of a number label.
QString numberPromptCaption(); // "Въведете число за изписване с думи"

struct Element {
    Band band = Band::Detail;
    Kind kind = Kind::Label;
    QString name;
    int left = 0;
    int top = 0;
    int width = 50;
    int height = 20;
    bool autoSize = false;
    Align alignment = Align::Left;
    bool frameLeft = false;
    bool frameRight = false;
    bool frameTop = false;
    bool frameBottom = false;
    QString frameStyle = QStringLiteral("psSolid");
    int frameWidth = 1;
    int fontSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor fontColour = Qt::black;  // not kept in the file
    QColor frameColour = Qt::black; // not kept in the file

    QString table; // data field: as bound ("Produkti", "Firmi.db")
    QString field;
    int code = NoCode;   // label: LabelCode; system data: SystemCode
    QString caption;     // label: as designed and stored ("4:Бележка", or its name)
    QString printed;     // label: the text a build gave it (amount, typed text)
    bool printedSet = false;

    QString text() const; // what a label prints: the built text, else its caption
};

struct Document {
    int headerHeight = 1009;
    int detailHeight = 0;
    int footerHeight = 0;
    QString headerText; // rich texts, as HTML
    QString footerText;
    bool originalVisible = false; // [Original] Vis
    // The page bands the element editor switches on; not kept in the file.
    bool pageHeaderOn = false;
    int pageHeaderHeight = 0;
    bool pageFooterOn = false;
    int pageFooterHeight = 0;
    QList<Element> elements;      // creation order

    // One band name per element, as ElementBandList.
    QStringList ElementBandList() const;
    // The tables of the data fields, sorted and distinct.
    QStringList LayoutTableList() const;
    // "\"table\".\"field\"" per data field, in element order.
    QStringList LayoutFieldList() const;

    int indexOf(const QString &name) const; // -1 when none
    // "<stem><n>" with the smallest n >= `from` that no element has.
    QString freeName(Kind kind, int from = 1) const;
    int bandHeight(Band band) const;
    void setBandHeight(Band band, int height);
    void clear(); // no elements, empty texts, the form's heights
};

// The data module's tables that a data field may name, in its order.
QStringList designerTables();
// Fields the designer never offers and no layout prints: the columns no typed
// query reads (the operators' password hashes) and the operators' rights.
bool designerHidesField(const QString &table, const QString &field);

// A layout marked "Фискален сервиз" prints from the fiscal service's device
// query, so the designer offers that query's result names too, each as the
// table it comes from and its name there ("Serv", "Serv_Ime"). The fiscal
// service registers them; none until it does.
using FieldNames = QList<QPair<QString, QString>>;
void setFiscalServiceFields(std::function<FieldNames()> provider);
FieldNames fiscalServiceFields();

// The designer's and the print roads' one current layout.
Document &current();
} // namespace Layout

using LayoutDocument = Layout::Document;
