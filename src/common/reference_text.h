#pragma once
#include <QString>

// A record shown in a label, list, combo or tree node is written as its key,
// a colon and its name ("12:Стоки"). The key is the integer before the first
// colon: -1 when that part is not a signed 32-bit integer (leading blanks
// allowed, nothing after the digits), 0 meaning "nothing chosen".
int GetID_MFromTreeNodeName(const QString &referenceText);

namespace ReferenceText {
inline int key(const QString &text) { return GetID_MFromTreeNodeName(text); }
QString make(long long key, const QString &name); // "<key>:<name>"
// A key as a user types it: a whole number from 1 up to the largest key a
// reference text carries (32-bit); 0 for anything else.
long long parseKey(const QString &typed);
} // namespace ReferenceText
