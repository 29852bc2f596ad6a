#pragma once
#include <QString>
#include <QStringList>

// The fiscal device types: "<n>: <maker> - <device>", n from 0 to 18. The
// same texts fill the settings' device list ([Tuning] 24) and the
// preparation departments' device column; the number selects the layout of
// the receipt and ticket files.
namespace FiscalDeviceTypes {
QStringList all();
// The number before ":" of a stored text ("0" for none); -1 when it names no type.
int number(const QString &text);
// The list item for a stored text: the exact text, else the item with the
// same number before ":", else item 0.
int itemFor(const QString &text);
} // namespace FiscalDeviceTypes
