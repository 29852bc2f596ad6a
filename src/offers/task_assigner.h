#pragma once
#include <QString>
#include <QStringList>

#include <optional>

// Look-ups of the task editor's assigner in the counterparty register. Every
// item is "ID:Name", so whatever is picked carries its number. Letter case is
// ignored and %, _ are taken literally. All throw DbError.
namespace TaskAssigner {
// The counterparties whose name contains the typed text.
QStringList byName(const QString &typed);
// Every counterparty.
QStringList all();
// "+<part of a tax number>" or "-<part of an EIK>"; nothing for any other text.
std::optional<QStringList> byCode(const QString &text);
} // namespace TaskAssigner
