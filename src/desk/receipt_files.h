#pragma once
#include "common/decimal.h"
#include "desk/desk_money.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// The command files a fiscal device's driver program reads: receipts, daily
// reports, receipt copies and the order tickets of the preparation
// departments. Building a file is pure: the caller hands the desk lines and
// gets the bytes; delivering them is PendingFiles' work.

// One open desk line as the receipt needs it.
struct BonLine {
    long long article = 0;  // Barkod (the article number)
    QString name;           // Opisanie
    Decimal quantity;       // Kol
    Decimal price;          // Ed_Cena, in the line's currency
    Decimal rate = Decimal(1); // Valuti.Kurs of the line's currency
    Decimal discount;       // T_O in percent; negative is a surcharge
    int vatGroup = 0;       // Dan_Grup
    int department = 0;     // Prigotvq_Se; 0 is not prepared
    long long bill = 0;     // Sm_N
    DeskMoney::Line money() const { return {quantity, price, rate, discount}; }
};

// Who and where: the receipt's header lines.
struct BonContext {
    int terminal = 1;
    QString operatorName;
};

// Settings a receipt is built with ([Tuning] 24 and 23).
struct BonSettings {
    int deviceType = 0;        // number of the [Tuning] 24 text
    bool departmentTickets = false;
    static BonSettings read(); // from Firm_Data.ini
};

// What one file collects between its first line and its writing. Nothing
// carries over from one file to the next: a new file starts a new collector.
struct BonCollector {
    QStringList receiptLines;
    QMap<int, QStringList> departmentLines; // 1..100
    Decimal receiptTotal;                   // the service receipt's "Общо"
    bool hasBill = false;
    long long bill = 0;                     // Sm_N of the collected lines
    // Fiscal records, for the corrections, with the index of each one's line
    // in receiptLines; `exactTotal` sums the lines' exact amounts.
    struct Record {
        int lineIndex = 0;
        ExactSum exact;   // the line's exact amount in leva
        Decimal price;    // what the record prints: leva with two decimals
        Decimal quantity; // with three decimals
        QString code, name, vatGroup;
    };
    QList<Record> records;
    ExactSum exactTotal;
};

// A preparation department as its ticket needs it.
struct Department {
    int id = 0;
    QString name;
    QString folder;
    int deviceType = 0;
};
using DepartmentLookup = std::function<bool(int id, Department *out)>;
DepartmentLookup departmentsFromDatabase();

// The fixed names of the department tickets in their folders.
inline constexpr const char *ServiceTicketFileName = "ToPrepare_Ser.bon"; // the repair desk's
QString ticketFileName(int department);                                   // "ToPrepare<department>.bon"

// One file to deliver.
struct DeviceFile {
    int department = 0;   // 0 for a receipt
    QString folder;
    QString fileName;     // a ticket's fixed name; empty for a receipt (BON<n>.bon)
    QByteArray bytes;
};

namespace ReceiptFiles {
// Receipt modes ([Tuning] FB) and kinds of file.
enum Mode { NoReceipt = 0, ServiceReceipt = 1, FiscalReceipt = 2 };
enum Kind { KindService = 0, KindFiscal = 1, KindZeroingReport = 2, KindDailyReport = 3, KindCopy = 4 };

// An amount in leva as the whole stotinki a record prints, rounded half away
// from zero (8.991 gives 899).
long long stotinki(Decimal leva);
// What the device charges for a record: its price times its quantity,
// rounded half away from zero to stotinki.
Decimal recordAmount(const BonCollector::Record &r);

// Collects one desk line for a receipt of `mode` (and its department ticket).
// `markedLinesTotal` is the total of the lines the receipt is for.
void PREPARE_BON_FILE(BonCollector &c, const BonLine &line, int mode, const BonSettings &s,
                      Decimal markedLinesTotal = Decimal());
// What each VAT group of a fiscal receipt charges, in leva: the group's
// exact amount rounded to stotinki, moved by a stotinka where the groups
// must add up to the amount due (to the groups the rounding took most from,
// or gave most to).
QMap<QString, Decimal> groupAmounts(const BonCollector &c, int priceDecimals = 2);
// Before a fiscal receipt is written: each VAT group's records must charge
// exactly its groupAmounts() share, so the receipt totals the amount due
// (DeskMoney::payable of the lines' exact sum) and no money moves between
// groups. Prices are rounded to stotinki; where a group's records would
// charge more, its prices are lowered from its last record up, as little as
// needed; what a group charges less is one correction record in that group.
void addCorrectionRecord(BonCollector &c, int priceDecimals = 2);
// The receipt file of `kind` from what was collected.
QByteArray receiptBytes(const BonCollector &c, int kind, const BonContext &ctx, const BonSettings &s);
// The department tickets of what was collected; `billLine` puts ":ПОРЪЧКА:" in.
QList<DeviceFile> tickets(const BonCollector &c, bool billLine, const BonContext &ctx,
                          const DepartmentLookup &departments);
// The receipt of `kind` in `folder` followed by the tickets (the bill line
// only for a service receipt).
QList<DeviceFile> CREATE_BON_FILE(const BonCollector &c, int kind, const BonContext &ctx,
                                  const BonSettings &s, const QString &folder,
                                  const DepartmentLookup &departments);

// Text helpers of the layouts: "%-n.ms" on characters; device-unsafe
// characters ("^", ";", line breaks) become a blank.
QString padCut(const QString &text, int width, int cut);
QString cleanName(const QString &text);
} // namespace ReceiptFiles
