#pragma once
#include "desk/receipt_files.h"

#include <functional>

class QWidget;

// The shop's receipt commands: daily reports, the receipt copy and the
// service receipt of the marked lines without a sale.
namespace ReceiptCommands {
// [Tuning] 19: where receipts go.
QString receiptFolder();
BonContext context(); // this workstation's terminal and the current operator

// The open desk lines with these numbers, in the order given, with their
// rate; `total` gets the exact sum of their amounts in leva. Lines whose
// currency has no rate are left out, as the desk's totals leave them out.
QList<BonLine> loadLines(const QList<long long> &lineNumbers, ExactSum *total);

// Queues the files and delivers them; a failure to queue says
// "Неуспешен печат на бон" and why. True when queued.
bool deliver(const QList<DeviceFile> &files, QWidget *parent);

// "Дневен отчет без нулиране" (kind 3), "Дневен отчет с нулиране" (2),
// "Копие на последен бон" (4): the command alone.
void reportFile(int kind, QWidget *parent);

// "Издай служебен бон": the marked desk lines (in grid order, from the
// desk's provider) as a service receipt; the lines stay open.
void setMarkedLinesProvider(std::function<QList<long long>()> provider);
void N70Click(QWidget *parent);
} // namespace ReceiptCommands
