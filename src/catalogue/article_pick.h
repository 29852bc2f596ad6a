#pragma once
#include "common/decimal.h"

#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// What a pick in the catalogue delivers. A window that needs an article
// registers a receiver for its pick mode (any mode from 0 up), sets
// ArticlePickMode to it and opens the catalogue
// (TForm_Artikuli::N_ArtikuliClick). "ИЗБЕРИ" hands the receiver the picked
// articles; the mode returns to -1 on a pick, a cancel and every close.
//
// Owners of the modes: 0, 1 discount rules; 2, 12, 13 desk search and
// recipes; 11, 14, 15, 17 stock documents (17 the write-off); 3, 8-10
// repair service; 4, 6, 16 documents and reports; 5, 7 offers and orders.
namespace ArticlePick {
struct Picked {
    QSqlRecord current;       // the current row, every listed column by field name
    QList<QSqlRecord> marked; // the marked rows, in grid order (topmost first)
    QString node;             // the text of the selected tree node
    long long id() const;
    QString referenceText() const; // "<ID>:<Opisanie>" of the current row
};

using Receiver = std::function<void(const Picked &picked)>;

// One receiver per mode; registering again replaces it, an empty receiver
// removes it. Negative modes are ignored.
void registerTarget(int mode, Receiver receiver);
void unregisterTarget(int mode);
bool hasTarget(int mode);
// Hands the pick to the mode's receiver; false when the mode has none (then
// nothing is written). A receiver's exception passes on to the caller.
bool deliver(int mode, const Picked &picked);

// "<ID>:<Opisanie>" of a Produkti row.
QString referenceText(const QSqlRecord &row);

// The quantity walk of the modes that take a quantity per article (11, 13,
// 14 and the write-off's 17): for each marked row from the topmost down the
// prompt asks a quantity (PromptMode 0, except in mode 13, which keeps the
// recipe window's); `take` gets the row and the quantity. A cancelled
// prompt, or a quantity that is no number of 0 or more (no number above 0
// with `aboveZero`, after a message naming "Количество"), skips its row only.
// Returns the number of rows taken.
// The rows a quantity mode asks for: the current row alone in mode 15 (the
// delivery line takes one article), the marked rows otherwise.
QList<QSqlRecord> quantityRows(int mode, const Picked &picked);
using TakeQuantity = std::function<void(const QSqlRecord &row, Decimal quantity, const QString &typed)>;
int quantityWalk(int mode, const QList<QSqlRecord> &rows, const TakeQuantity &take, QWidget *parent = nullptr,
                 bool aboveZero = false);

// Modes 4 and 16: PickList gets the marked rows' IDs from the topmost down;
// the text for the caller's label: with two or more the IDs each followed by
// ";" ("7;12;15;"), otherwise the current row's reference text.
QString multiPick(const Picked &picked);
} // namespace ArticlePick

// The IDs of the last multi-pick (modes 4 and 16); the reports know it as
// PickedArticleList.
extern QStringList PickList;
extern QStringList &PickedArticleList;
