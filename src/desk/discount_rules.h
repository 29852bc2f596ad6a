#pragma once
#include "common/decimal.h"

#include <QString>

// The special discount rules (SP_otstapka) of one counterparty, edited in the
// workstation's work table T0_TMP before "Запис" writes them back. A row's
// Changed: 0 added here, 1 loaded and unchanged, 2 loaded and edited,
// 3 loaded and removed (hidden; deleted from SP_otstapka at "Запис").
// Every function throws DbError.
namespace DiscountRules {
inline constexpr const char *WorkTable = "T0_TMP";

void createWorkTable(); // created, or emptied when it exists
void dropWorkTable();
QString listSql();      // the rows the grid shows (removed ones hidden)

// Loads the counterparty's stored rules with their group and article names;
// rows added here and not yet saved stay. One transaction.
void load(long long counterparty);
// Rows that "Запис" would write (added, edited or removed).
bool hasUnsaved();
void discardUnsaved(); // back to the stored rules: drops every row

// kind 'G' (group) or 'A' (article). The window checks the percent (up to 100).
void add(QChar kind, long long key, const QString &name, Decimal percent, Decimal purchaseOver);
void edit(long long por, Decimal percent);
void remove(long long por);
// Writes the rows for the counterparty in one transaction: added rows are
// inserted or, when the counterparty already has a rule for that group or
// article, update it; edited rows update theirs; removed rows are deleted.
// Then the work table is emptied.
void save(long long counterparty);

// Counterparties with at least one rule, by number; `nameContains` filters
// by name (case-insensitive, Cyrillic too). "ID", "Ime_Firma".
QString counterpartiesSql(bool filtered);
} // namespace DiscountRules
