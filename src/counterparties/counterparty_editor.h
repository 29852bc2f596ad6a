#pragma once
#include <QSqlRecord>

#include <functional>

class QWidget;

// The one way into the counterparty editor (the browser's "Нов" and
// "Редактирай" entries and its double click).
namespace CounterpartyEditor {
inline constexpr int NewCounterparty = 1;
inline constexpr int EditCounterparty = 2;

// Shows the editor modally and returns the ID of the counterparty it saved,
// 0 when nothing was saved (the browser then re-runs its list and positions
// on that ID).
// - mode: NewCounterparty or EditCounterparty; any other value opens nothing.
// - groupKey: the key of the group node selected in the browser's tree (0 for
//   the root "0:Всички контрагенти"); a new counterparty goes into it.
// - currentRow: the browser's current row, read by field name; only its "ID"
//   is used (edit mode): both rows are read afresh from the database.
// - browser: owns the editor, which is made on first use and kept.
long long open(int mode, long long groupKey, const QSqlRecord &currentRow, QWidget *browser);

// "Специални отстъпки": the discount-rule window registers its opener here
// (the main window's N_TOClick). Until then the editor's button stays
// disabled.
using Opener = std::function<void(QWidget *parent)>;
void setSpecialDiscountsOpener(Opener opener);
const Opener &specialDiscountsOpener();
} // namespace CounterpartyEditor
